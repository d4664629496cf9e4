#pragma once
// The files of the program's folder. Paths are full paths in the ANSI code page, with "\" between
// folder and name. Every failing operation throws FileError.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"

namespace tembrel {

// What the file system knows of a file besides its bytes.
struct FileInfo {
    std::uint64_t size = 0;
    LocalTime lastWrite; // local time, to the millisecond
};

class Files {
  public:
    virtual ~Files() = default;
    // The folder that holds the program file, without a trailing backslash.
    virtual std::string ProgramFolder() const = 0;
    // True for a plain file: not a folder, not hidden, not system; false when nothing is at the
    // path. A look-up that fails otherwise (access denied, a drive not ready) throws: a file taken
    // for missing would be written afresh over what it holds.
    virtual bool IsPlainFile(const std::string& path) const = 0;
    // The whole content, byte for byte.
    virtual std::string ReadAll(const std::string& path) = 0;
    // Creates or truncates the file, writes the bytes and flushes them to the disk.
    virtual void WriteNew(const std::string& path, std::string_view bytes) = 0;
    // Puts `from` in the place of `to` in one step; readers see the old file or the new one.
    virtual void Replace(const std::string& from, const std::string& to) = 0;
    // Deletes the file; a file that is already gone is no error.
    virtual void Remove(const std::string& path) = 0;
    // Size and last-write time of the file; throws FileError when the look-up fails.
    virtual FileInfo Info(const std::string& path) const = 0;
    // IsPlainFile and Info in one look-up of the file system: size and last-write time of the
    // plain file at `path`, absent where IsPlainFile is false. A look-up that fails otherwise
    // throws FileError.
    virtual std::optional<FileInfo> LookUp(const std::string& path) const = 0;
    // Full paths of the plain files in the program's folder.
    virtual std::vector<std::string> ListFolder() const = 0;
    // A path beside `path` that no other writer (thread or process) uses at the same time.
    virtual std::string TempPathFor(const std::string& path) = 0;
};

} // namespace tembrel

#pragma once
// Reading the record files of the program's folder: "|||key|||value" lines, CR-terminated.
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Regional.h"

namespace tembrel {

// True when a plain file (not a folder, not hidden or system) is at the full path; false also when
// the look-up fails, for callers to whom a file they cannot see is as good as none.
bool RecordFileExists(const Files& files, const std::string& path);

// The full path of record file `name`: the program's folder, "\", name, ".var". A name for which
// that is no plain file of the folder (empty, a path, a device name, a forbidden or control
// character, a broken character of two bytes, or too long for its file and the temporary file of a
// write to fit the limits of a Windows path) throws InvalidArgument: names come from files another
// program writes. A trailing dot or space is allowed, since ".var" follows it. Without regional
// settings the name is taken as one byte a character.
std::string RecordPath(const Files& files, std::string_view name);
std::string RecordPath(const Files& files, const Regional& regional, std::string_view name);

// The full path of one of Tembrel's own files, which are no record files (the log, the journal,
// the usage history and its report): the program's folder, "\", the file's name.
std::string ProgramFilePath(const Files& files, std::string_view fileName);

// A record file holds a handful of lines; one past this size is damaged, whatever it holds.
constexpr std::uint64_t kMaxRecordFileBytes = 1024 * 1024;
// A last line without its CR is taken as whole only once its file is this many milliseconds old.
constexpr long long kSettleMilliseconds = 2000;

// The whole text of the file at `path`, or absent when there is no plain file there: one look-up
// of the file system and one read. A look-up that fails throws FileError. A file larger than
// kMaxRecordFileBytes throws FileError from its size, unread. Given a clock, a file whose last
// line has no CR yet throws FileBeingWritten when it was last written less than
// kSettleMilliseconds ago or changed its size between the look-up and the read: another program is
// most likely still writing it.
std::optional<std::string> ReadRecordText(Files& files, const std::string& path,
                                          const Clock* clock = nullptr);

// The value of `key` in record file `name`, matched without regard to letter case; the first match
// wins. Absent when the file or the key is missing; a stored empty value is an empty text.
std::optional<std::string> ReadRecord(Files& files, std::string_view key, std::string_view name);
// The same, with letter case folded by the rules of the ANSI code page instead of A-Z only, the
// way the system compares texts without regard to case, and the key found only where a whole
// character begins; the session and the dialogs read with it.
std::optional<std::string> ReadRecord(Files& files, const Regional& regional, std::string_view key,
                                      std::string_view name);
// The same, reading files that another program may be writing at this moment (see ReadRecordText).
std::optional<std::string> ReadRecord(Files& files, const Regional& regional, const Clock& clock,
                                      std::string_view key, std::string_view name);
// The values of several keys from one read of the file, so that they come from one version of it:
// a hand-over's allowance and user.
std::vector<std::optional<std::string>> ReadRecords(Files& files, const Regional& regional,
                                                    const Clock& clock,
                                                    std::initializer_list<std::string_view> keys,
                                                    std::string_view name);

// The code page of record names and texts when no regional settings are given: one byte a
// character, only A-Z with a lower case.
const Regional& SingleByteCodePage();

// "|||key|||", the beginning of the record of `key`.
std::string RecordPattern(std::string_view key);

} // namespace tembrel

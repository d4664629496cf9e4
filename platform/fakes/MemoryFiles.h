#pragma once
// An in-memory program folder for tests, with failures on demand: a test can make the n-th call
// of any operation throw FileError, to prove that no failure leaves a record file damaged.
#include <functional>
#include <map>
#include <set>
#include <string>

#include "platform/Clock.h"
#include "platform/Files.h"

namespace tembrel {

class MemoryFiles : public Files {
  public:
    enum class Op { Read, WriteNew, Replace, Remove, Info };

    std::string folder = "C:\\Tembrel";
    std::map<std::string, std::string> files; // full path -> bytes
    std::set<std::string> hidden;             // paths marked hidden or system
    std::set<std::string> folders;            // paths that are folders
    // Last-write times. A write stamps the time of `clock`; a file with no stamp was written at
    // 2000-01-01 00:00.
    std::map<std::string, LocalTime> writeTimes;
    const Clock* clock = nullptr;
    // Called before every operation; a test throws from it to make that operation fail.
    std::function<void(Op op, const std::string& path)> beforeOp;
    mutable int calls = 0;

    // The operations beforeOp sees, in the order of Op.
    std::string ReadAll(const std::string& path) override;
    void WriteNew(const std::string& path, std::string_view bytes) override;
    void Replace(const std::string& from, const std::string& to) override;
    void Remove(const std::string& path) override;
    FileInfo Info(const std::string& path) const override;
    bool IsPlainFile(const std::string& path) const override;
    // IsPlainFile, then Info: a test that fails either (by beforeOp or by overriding it) fails the
    // look-up.
    std::optional<FileInfo> LookUp(const std::string& path) const override;
    std::vector<std::string> ListFolder() const override;
    std::string ProgramFolder() const override { return folder; }
    std::string TempPathFor(const std::string& path) override { return path + ".tmp"; }

    // Convenience for tests: the path of record file `name`, its content, or whether it exists.
    // Taking a file's content to change it stamps it as written now.
    std::string PathOf(const std::string& name) const { return folder + "\\" + name + ".var"; }
    bool Has(const std::string& name) const { return files.count(PathOf(name)) != 0; }
    std::string& operator[](const std::string& name) {
        Stamp(PathOf(name));
        return files[PathOf(name)];
    }

  private:
    void Before(Op op, const std::string& path) const;
    void Stamp(const std::string& path);
};

} // namespace tembrel

// A record write interrupted at any of its steps, by an error or by the process dying there: the
// record file is the old one or the new one, whole, and the next write cleans up after it.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/Errors.h"
#include "platform/fakes/MemoryFiles.h"
#include "records/Counter.h"
#include "records/FileHandle.h"

namespace tembrel {
namespace {

// The process dies: nothing after this point runs, no handler, no clean-up.
struct ProcessDied {};

// Dies or fails at the k-th file operation; a dying WriteNew leaves half its bytes on the disk.
class InterruptedFiles : public MemoryFiles {
  public:
    int failAt = 0; // 1-based; 0 never
    bool die = false;

    void WriteNew(const std::string& path, std::string_view bytes) override {
        if (++count_ == failAt) {
            files[path] = std::string(bytes.substr(0, bytes.size() / 2));
            Interrupt();
        }
        MemoryFiles::WriteNew(path, bytes);
    }
    std::string ReadAll(const std::string& path) override {
        Step();
        return MemoryFiles::ReadAll(path);
    }
    void Replace(const std::string& from, const std::string& to) override {
        Step();
        MemoryFiles::Replace(from, to);
    }
    void Remove(const std::string& path) override {
        Step();
        MemoryFiles::Remove(path);
    }
    int Count() const { return count_; }

  private:
    int count_ = 0;
    void Step() {
        if (++count_ == failAt) {
            Interrupt();
        }
    }
    void Interrupt() {
        if (die) {
            // A dead process runs no clean-up either.
            failAt = -1;
            throw ProcessDied{};
        }
        throw FileError("the disk is full");
    }
};

struct Start {
    const char* what;
    std::optional<std::string> old; // absent: no file yet
};

const Start kStarts[] = {
    {"no file", std::nullopt},
    {"empty file", ""},
    {"records", "|||a|||1\r\n|||b|||2\r\n"},
    {"CR-only lines, key twice", "|||a|||1\r|||A|||3\r|||a|||4\rjunk|\r"},
    {"last line without CR", "|||b|||2\r\n|||c|||x"},
};

std::string NewText(const std::optional<std::string>& old) {
    MemoryFiles reference;
    if (old) {
        reference["r"] = *old;
    }
    WriteRecord(reference, "a", "r", "9");
    return reference["r"];
}

TEST(CrashConsistency, EveryStepOfAWriteFailingLeavesTheOldOrTheNewFileAndNoTemporary) {
    for (const Start& start : kStarts) {
        const std::string now = NewText(start.old);
        for (int k = 1;; ++k) {
            InterruptedFiles files;
            if (start.old) {
                files["r"] = *start.old;
            }
            files.failAt = k;
            try {
                WriteRecord(files, "a", "r", "9");
            } catch (const FileError&) {
                EXPECT_EQ(files.Has("r") ? std::optional(files["r"]) : std::nullopt, start.old)
                    << start.what << ", step " << k;
                EXPECT_EQ(files.files.size(), start.old ? 1u : 0u) << start.what << ", step " << k;
                continue;
            }
            // No step left to fail: the write went through.
            EXPECT_GT(k, files.Count()) << start.what;
            EXPECT_EQ(files["r"], now) << start.what;
            EXPECT_EQ(files.files.size(), 1u) << start.what;
            break;
        }
    }
}

TEST(CrashConsistency, DyingAtAnyStepLeavesTheOldOrTheNewFileAndTheNextWriteRecovers) {
    for (const Start& start : kStarts) {
        const std::string now = NewText(start.old);
        int steps = 0;
        for (int k = 1;; ++k) {
            InterruptedFiles files;
            if (start.old) {
                files["r"] = *start.old;
            }
            files.failAt = k;
            files.die = true;
            try {
                WriteRecord(files, "a", "r", "9");
            } catch (const ProcessDied&) {
                ++steps;
                const auto left = files.Has("r") ? std::optional(files["r"]) : std::nullopt;
                EXPECT_TRUE(left == start.old || left == now) << start.what << ", step " << k;
                // A half-written temporary may be left; the next write (after a restart)
                // overwrites it and leaves only the record file.
                files.failAt = 0;
                WriteRecord(files, "a", "r", "9");
                EXPECT_EQ(files["r"], now) << start.what << ", step " << k;
                EXPECT_EQ(files.files.size(), 1u) << start.what << ", step " << k;
                continue;
            }
            EXPECT_EQ(files["r"], now) << start.what;
            break;
        }
        EXPECT_EQ(steps, start.old ? 3 : 2) << start.what; // read, write the temporary, swap
    }
}

} // namespace
} // namespace tembrel

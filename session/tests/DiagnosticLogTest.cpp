#include "session/DiagnosticLog.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/Errors.h"
#include "platform/fakes/FakeClock.h"
#include "platform/fakes/MemoryFiles.h"

namespace tembrel {
namespace {

class DiagnosticLogTest : public ::testing::Test {
  protected:
    MemoryFiles files;
    FakeClock clock;
    DiagnosticLog log{files, clock};
    const std::string path = "C:\\Tembrel\\Tembrel.log";

    DiagnosticLogTest() { clock.now = LocalTime{2025, 12, 8, 9, 5, 7}; }
};

TEST_F(DiagnosticLogTest, AppendsOneLinePerEntryWithTimeAndOperation) {
    log.Append("Timer1", "locked: C:\\Tembrel\\allow.var");
    clock.Advance(1);
    log.Append("Timer2", "two\r\nlines");
    EXPECT_EQ(files.files[path], "2025-12-08 09:05:07 Timer1: locked: C:\\Tembrel\\allow.var\r\n"
                                 "2025-12-08 09:05:08 Timer2: two  lines\r\n");
}

TEST_F(DiagnosticLogTest, DropsTheOldestHalfAtALineBoundaryWhenFull) {
    for (int i = 0; files.files[path].size() + 200 < DiagnosticLog::kMaxBytes; ++i) {
        log.Append("Timer1", "entry " + std::to_string(i) + std::string(60, '.'));
    }
    const std::size_t full = files.files[path].size();
    for (int i = 0; i < 10; ++i) {
        log.Append("Timer1", "newest " + std::to_string(i) + std::string(60, '.'));
    }
    const std::string& text = files.files[path];
    EXPECT_LE(text.size(), DiagnosticLog::kMaxBytes);
    EXPECT_LT(text.size(), full * 3 / 4);
    EXPECT_EQ(text.rfind("2025-12-08 09:05:07 Timer1: entry ", 0), 0u); // starts with a whole line
    EXPECT_NE(text.find("newest 9"), std::string::npos);
    EXPECT_EQ(text.find("entry 0."), std::string::npos);
}

TEST_F(DiagnosticLogTest, HugeMessagesAndOversizedFilesStayWithinTheCap) {
    files.files[path] = std::string(3 * DiagnosticLog::kMaxBytes, 'x') + "\r\n";
    log.Append("Timer1", std::string(10 * DiagnosticLog::kMaxBytes, 'y'));
    EXPECT_LE(files.files[path].size(), DiagnosticLog::kMaxBytes);
    EXPECT_EQ(std::count(files.files[path].begin(), files.files[path].end(), '\n'), 1);
}

TEST_F(DiagnosticLogTest, NeverThrows) {
    files.beforeOp = [](MemoryFiles::Op, const std::string&) { throw FileError("disk gone"); };
    EXPECT_NO_THROW(log.Append("Timer1", "anything"));
    files.beforeOp = nullptr;
    files.folders.insert(path);
    EXPECT_NO_THROW(log.Append("Timer1", "anything"));
}

} // namespace
} // namespace tembrel

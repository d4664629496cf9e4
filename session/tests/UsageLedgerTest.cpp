// The ledger's merge rules: what the three usage files end with after closes whose reads fail,
// journals that owe writes, and journals read late, with closes in between added on top.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/Errors.h"
#include "records/RecordContract.h"
#include "session/UsageLedger.h"
#include "session/tests/FakeSession.h"

namespace tembrel {
namespace {

constexpr const char* kHeader = "Tembrel journal 1\r\n";
constexpr const char* kOwes = "pending=12-8-2025-Ann|USED|0|650|0\r\n"
                              "pending=50Ann2025|weektotal|0|5050|0\r\n"
                              "pending=Ann12-8-2025|used|0|650|0\r\n";
// What an older copy journaled for a close whose daily read failed: seconds to add everywhere.
constexpr const char* kOwesAdds = "pending=12-8-2025-Ann|USED|5||0\r\n"
                                  "pending=50Ann2025|weektotal|5||0\r\n"
                                  "pending=Ann12-8-2025|used|5||0\r\n";
constexpr const char* kDeadSession = "user=Ann\r\nallowance=600\r\nremaining=590\r\n"
                                     "pickup=2025-12-08 09:00:00\r\n"
                                     "written=2025-12-08 09:00:10\r\nbonus=0\r\n"
                                     "daily=Ann12-8-2025\r\ndated=12-8-2025-Ann\r\n"
                                     "weekly=50Ann2025\r\nweekstart=1765152000\r\n";

TEST(UsageLedger, BothDailyFilesEndWithTheDaysUseAndTheWeekWithItsTotal) {
    struct Case {
        const char* what;
        std::string journal;           // found at start-up; empty for none
        bool journalReadLate;          // its first read fails: the closes come before it
        bool dailyUnreadable;          // the daily file's reads fail during the closes
        std::vector<long long> closes; // seconds used by each session closed
        long long day, week;
    };
    const std::string header = kHeader;
    const Case cases[] = {
        {"plain close", "", false, false, {5}, 605, 5005},
        {"daily unreadable at two closes", "", false, true, {5, 7}, 612, 5012},
        {"journal owes values", header + kOwes, false, false, {}, 650, 5050},
        {"journal owes values, read late", header + kOwes, true, true, {5}, 655, 5055},
        {"journal owes additions", header + kOwesAdds, false, false, {}, 605, 5005},
        {"journal owes additions, read late", header + kOwesAdds, true, false, {3}, 608, 5008},
        {"dead session", header + kDeadSession, false, false, {}, 610, 5010},
        {"dead session, read late", header + kDeadSession, true, true, {2}, 612, 5012},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakePorts<> ports;
        // The dated file is missing: it must end with the day's use all the same.
        ports.files["Ann12-8-2025"] = "|||used|||600\r\n";
        ports.files["50Ann2025"] = "|||weektotal|||5000\r\n";
        const std::string journal = ports.files.folder + "\\" + UsageLedger::kJournalFile;
        if (!c.journal.empty()) {
            ports.files.files[journal] = c.journal;
        }
        bool failing = true;
        ports.files.beforeOp = [&](MemoryFiles::Op op, const std::string& path) {
            const bool late = c.journalReadLate && path == journal;
            const bool daily = c.dailyUnreadable && path == ports.files.PathOf("Ann12-8-2025");
            if (failing && op == MemoryFiles::Op::Read && (late || daily)) {
                throw FileError("locked: " + path);
            }
        };
        const std::optional<RunningSession> none;
        UsageLedger ledger(ports.files, ports.regional, ports.clock, ports.log, none);
        ledger.StartUp();
        for (const long long use : c.closes) {
            ledger.Record(contract::UsageNamesFor(ports.regional, "Ann", ports.clock.now), use);
            ledger.SessionEnded();
        }
        failing = false;
        for (int tick = 0; tick < UsageLedger::kRetryTicks; ++tick) {
            ledger.TickEnded();
        }
        EXPECT_EQ(ledger.PendingWrites(), 0u);
        EXPECT_EQ(ReadRecord(ports.files, "used", "Ann12-8-2025"), std::to_string(c.day));
        EXPECT_EQ(ReadRecord(ports.files, "USED", "12-8-2025-Ann"), std::to_string(c.day));
        EXPECT_EQ(ReadRecord(ports.files, "weektotal", "50Ann2025"), std::to_string(c.week));
        EXPECT_EQ(ports.files.files.count(journal), 0u);
    }
}

} // namespace
} // namespace tembrel

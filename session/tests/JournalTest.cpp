// What a start-up finds on disk: the journal of a session that did not close, damaged journals,
// temporary files of writes that died, weekly totals of an earlier week; and the hours window of
// a child whose record stops being readable.
#include <memory>

#include "session/tests/SessionFixture.h"

namespace tembrel {
namespace {

class StartUp : public SessionTest {
  protected:
    const std::string journal = files.folder + "\\" + Horodesk::kJournalFile;

    // The process died: a new one starts over the same files.
    std::unique_ptr<Horodesk> Restart() {
        auto next =
            std::make_unique<Horodesk>(SessionPorts{files, clock, regional, lock, programEnd, log});
        next->Load();
        return next;
    }
};

TEST_F(StartUp, JournalOfADeadSessionIsClosedUnderItsOwnDateEvenAfterMidnight) {
    files["Ann12-8-2025"] = "|||used|||100\r\n";
    clock.now = LocalTime{2025, 12, 8, 23, 59, 30};
    HandOver("600");
    Ticks(25); // the journal last written at the tenth and twentieth second
    clock.now = LocalTime{2025, 12, 9, 7, 0, 0};
    const int launches = Launches();
    const auto next = Restart();
    EXPECT_EQ(Get("used", "Ann12-8-2025"), "120");
    EXPECT_EQ(Get("USED", "12-8-2025-Ann"), "120");
    EXPECT_EQ(Get("weektotal", "50Ann2025"), "20");
    EXPECT_FALSE(files.Has("Ann12-9-2025"));
    EXPECT_EQ(files.files.count(journal), 0u);
    EXPECT_EQ(Launches(), launches + 1);
    // Replayed once: a second start finds nothing more to record.
    Restart();
    EXPECT_EQ(Get("used", "Ann12-8-2025"), "120");
}

// A failed journal write keeps the last journal: a crash then loses the seconds since it, not the
// whole session.
TEST_F(StartUp, JournalThatCannotBeWrittenKeepsTheLastOne) {
    HandOver("600");
    Ticks(10);
    bool failing = true;
    FailOn(MemoryFiles::Op::Replace, journal, failing);
    Ticks(15);
    failing = false;
    Restart();
    EXPECT_EQ(Get("used", "Ann12-8-2025"), "10");
    EXPECT_EQ(Get("weektotal", "50Ann2025"), "10");
}

// A folder squatting on the journal's name: the usage writes wait for it a minute, not for ever.
TEST_F(StartUp, JournalThatCanNeverBeWrittenHoldsTheUsageWritesBackAMinute) {
    files.folders.insert(journal);
    files.files[journal] = "";
    HandOver("600");
    Ticks(5);
    session.Command6Click();
    EXPECT_EQ(Launches(), 1);
    Ticks(50);
    EXPECT_FALSE(files.Has("Ann12-8-2025"));
    Ticks(20);
    EXPECT_EQ(Get("used", "Ann12-8-2025"), "5");
    EXPECT_EQ(Get("weektotal", "50Ann2025"), "5");
    EXPECT_EQ(session.PendingWrites(), 0u);
}

// The quit signal ends the program only once what the last close owes is on disk or in the
// journal: in memory alone it would go with the program.
TEST_F(StartUp, QuitWaitsWhileTheCloseIsNeitherWrittenNorJournaled) {
    HandOver("600");
    Ticks(5);
    bool failing = true;
    files.beforeOp = [&](MemoryFiles::Op op, const std::string& path) {
        if (failing && op == MemoryFiles::Op::Replace && path != files.PathOf("EN")) {
            throw FileError("disk full");
        }
    };
    session.Command6Click();
    files["EN"] = "|||EN|||End\r\n";
    Ticks(3);
    EXPECT_EQ(programEnd.ended, 0);
    failing = false;
    session.Timer1Tick();
    EXPECT_EQ(programEnd.ended, 1);
    Restart();
    EXPECT_EQ(Get("used", "Ann12-8-2025"), "5");
    EXPECT_EQ(Get("weektotal", "50Ann2025"), "5");
}

// A journal found at start-up that cannot be read (too large to be one, or its reads refused) is
// given up after a minute, as one that cannot be written: the use of every later session lands.
TEST_F(StartUp, JournalThatCannotBeReadIsGivenUpAndLaterUseLands) {
    for (const bool tooLarge : {true, false}) {
        SCOPED_TRACE(tooLarge ? "too large" : "reads refused");
        files.files.clear();
        files.files[journal] = tooLarge ? std::string(kMaxRecordFileBytes + 1, 'x')
                                        : std::string("Tembrel journal 1\r\n");
        bool refused = !tooLarge;
        FailOn(MemoryFiles::Op::Read, journal, refused);
        const auto next = Restart();
        HandOver("5");
        for (int tick = 0; tick < 70; ++tick) {
            next->Timer1Tick();
        }
        EXPECT_FALSE(next->SessionRunning());
        EXPECT_EQ(Get("used", "Ann12-8-2025"), "5");
        EXPECT_EQ(Get("USED", "12-8-2025-Ann"), "5");
        EXPECT_EQ(Get("weektotal", "50Ann2025"), "5");
        EXPECT_EQ(next->PendingWrites(), 0u);
        EXPECT_NE(LogText().find("journal that cannot be read given up"), std::string::npos);
        files.beforeOp = nullptr;
    }
}

TEST_F(StartUp, DamagedJournalIsRemovedAndLoggedAndRecordsNothing) {
    const char* const damaged[] = {
        "",
        "not a journal\r\nuser=Ann\r\n",
        "Tembrel journal 1\r\nuser Ann\r\n",
        "Tembrel journal 1\r\npending=Ann12-8-2025|used|5|\r\n",
        "Tembrel journal 1\r\npending=..\\Ann|used|5||0\r\n",
        "Tembrel journal 1\r\npending=Ann12-8-2025|used|five||0\r\n",
        "Tembrel journal 1\r\nuser=Ann\r\nallowance=600\r\n", // the rest is missing
    };
    for (const char* text : damaged) {
        files.files[journal] = text;
        const int launches = Launches();
        Restart();
        EXPECT_EQ(files.files.count(journal), 0u) << text;
        EXPECT_NE(LogText().find("journal"), std::string::npos) << text;
        EXPECT_EQ(Launches(), launches + 1) << text;
        EXPECT_EQ(files.files.size(), 1u) << text; // the log alone
        files.files.clear();
    }
}

TEST_F(StartUp, LeftoverTemporaryFilesAreRemovedOnlyWhenOursAndOlderThanAMinute) {
    struct Case {
        const char* name;
        int age;
        bool removed;
    };
    const Case cases[] = {
        {"Ann12-8-2025.var.1234-1.tmp", 60, true},
        {"Ann12-8-2025.var.1234-2.tmp", 59, false}, // a write of another copy, maybe right now
        {"Tembrel.journal.77-3.tmp", 3600, true},
        {"notes.tmp", 3600, false},
        {"Ann.var", 3600, false},
        {"Ann.var.bak", 3600, false},
    };
    const LocalTime start = clock.now;
    for (const Case& c : cases) {
        clock.now = start;
        clock.Advance(-c.age);
        files.files[files.folder + "\\" + c.name] = "x";
        files.writeTimes[files.folder + "\\" + c.name] = clock.now;
    }
    clock.now = start;
    Restart();
    for (const Case& c : cases) {
        EXPECT_NE(files.files.count(files.folder + "\\" + c.name), c.removed ? 1u : 0u) << c.name;
    }
}

// The week key holds only the week number: a file of that name last written before this week's
// Monday holds the total of another year's week.
TEST_F(StartUp, WeeklyTotalWrittenBeforeMondayStartsFromZero) {
    struct Case {
        LocalTime written;
        const char* total;
    };
    const Case cases[] = {
        {LocalTime{2024, 12, 10, 18, 0, 0}, "5"}, // week 50 a year ago
        {LocalTime{2025, 12, 7, 23, 59, 59}, "5"},
        {LocalTime{2025, 12, 8, 0, 0, 0}, "505"},
    };
    for (const Case& c : cases) {
        files["50Ann2025"] = "|||weektotal|||500\r\n";
        files.writeTimes[files.PathOf("50Ann2025")] = c.written;
        HandOver("5");
        Ticks(5);
        EXPECT_EQ(Get("weektotal", "50Ann2025"), c.total);
    }
}

TEST_F(SessionTest, HoursWindowLastReadStandsWhenTheRecordCannotBeRead) {
    for (const bool readOnce : {true, false}) {
        files["Ann"] = "|||open|||8\r\n|||close|||11\r\n";
        clock.now = LocalTime{2025, 12, 8, 10, 59, 57};
        bool failing = !readOnce;
        FailOn(MemoryFiles::Op::Read, files.PathOf("Ann"), failing);
        HandOver("600");
        session.Timer1Tick();
        failing = true;
        clock.now = LocalTime{2025, 12, 8, 11, 0, 0};
        session.Timer1Tick();
        // Without a window ever read, the session goes on under its allowance.
        EXPECT_EQ(session.SessionRunning(), !readOnce) << readOnce;
        session.Command6Click();
        files.beforeOp = nullptr;
    }
}

} // namespace
} // namespace tembrel

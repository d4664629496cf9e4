#include <gtest/gtest.h>

#include <algorithm>

#include "session/tests/SessionFixture.h"

namespace tembrel {
namespace {

using Strings = std::vector<std::string>;

// ---- start-up --------------------------------------------------------------------------------

TEST_F(SessionTest, LoadLocksDownThenLaunchesTheLockScreen) {
    files.folder = "C:\\Apps\\Timer";
    session.Load();
    EXPECT_EQ(lock.calls, (Strings{"TaskManager_Enable_Disable(0)", "CtrlAltDel_Enable_Disable(0)",
                                   "Process_Desktop(SecureDesktop,C:\\Apps\\Timer\\engine.exe)"}));
    EXPECT_EQ(session.Status(), "00:00:00");
    EXPECT_EQ(session.Text1(), "0");
    EXPECT_FALSE(session.SessionRunning());
    EXPECT_TRUE(session.CommandEndEnabled());
}

TEST_F(SessionTest, MissingLibraryAtLoadIsLoggedAndTheLaunchIsTriedAgainByTheTick) {
    lock.fail = true;
    EXPECT_NO_THROW(session.Load());
    EXPECT_NE(LogText().find("Load locksystem: WinLockDll.dll not found"), std::string::npos);
    EXPECT_NE(LogText().find("Load LaunchEngine: WinLockDll.dll not found"), std::string::npos);

    session.Timer1Tick(); // still failing: logged once more under the tick, not every second
    session.Timer1Tick();
    lock.fail = false;
    session.Timer1Tick();
    EXPECT_EQ(lock.calls, Strings{kLaunch});
    session.Timer1Tick();
    EXPECT_EQ(Launches(), 1);
}

TEST_F(SessionTest, CloseRequestsAreRefusedAndChangeNothing) {
    HandOver("5");
    session.Timer1Tick();
    EXPECT_FALSE(session.CloseRequest());
    EXPECT_EQ(session.BigCount(), "4");
    EXPECT_EQ(session.cUser(), "Ann");
    EXPECT_TRUE(lock.calls.empty());
}

// ---- the tick --------------------------------------------------------------------------------

TEST_F(SessionTest, FiveSecondSessionIsClosedOnItsFifthTick) {
    HandOver("5");
    int changes = 0;
    session.onChange = [&] { ++changes; };

    session.Timer1Tick();
    EXPECT_EQ(session.cUser(), "Ann");
    EXPECT_EQ(session.StartAllowance(), "5");
    EXPECT_FALSE(files.Has("allow"));
    EXPECT_EQ(session.BigCount(), "4");
    EXPECT_EQ(session.Status(), "00:00:04");
    EXPECT_FALSE(session.CommandEndEnabled());
    EXPECT_GE(changes, 2);

    for (const char* expected : {"3", "2", "1"}) {
        session.Timer1Tick();
        EXPECT_EQ(session.BigCount(), expected);
    }
    EXPECT_EQ(Launches(), 0);
    session.Timer1Tick();
    EXPECT_EQ(session.Status(), Horodesk::kClosingMessage);
    EXPECT_EQ(session.BigCount(), "");
    EXPECT_EQ(session.cUser(), "");
    EXPECT_EQ(session.StartAllowance(), "5"); // the hand-over's text stays until the next one
    EXPECT_EQ(Launches(), 1);
    EXPECT_EQ(Get("used", "Ann12-8-2025"), "5");
    EXPECT_EQ(Get("USED", "12-8-2025-Ann"), "5");
    EXPECT_EQ(Get("weektotal", "50Ann2025"), "5");

    // The closing message stays; CommandEnd comes back on the next tick.
    session.Timer1Tick();
    EXPECT_EQ(session.Status(), Horodesk::kClosingMessage);
    EXPECT_TRUE(session.CommandEndEnabled());
    EXPECT_EQ(Launches(), 1);
}

TEST_F(SessionTest, BonusSecondsAreSpentBeforeTheAllowance) {
    HandOver("4");
    session.Timer1Tick(); // BigCount "3"
    session.SetText1("2");
    struct Step {
        const char* bigCount;
        const char* text1;
        const char* status;
    };
    const Step steps[] = {{"3", "1", "00:00:04"},
                          {"3", "0", "00:00:03"},
                          {"2", "0", "00:00:02"},
                          {"1", "0", "00:00:01"}};
    for (const Step& s : steps) {
        session.Timer1Tick();
        EXPECT_EQ(session.BigCount(), s.bigCount);
        EXPECT_EQ(session.Text1(), s.text1);
        EXPECT_EQ(session.Status(), s.status);
    }
    session.Timer1Tick();
    EXPECT_FALSE(session.SessionRunning());
    EXPECT_EQ(Get("used", "Ann12-8-2025"), "4"); // bonus seconds are never counted
}

TEST_F(SessionTest, OnlyTheExactQuitSignalEndsTheProgram) {
    for (const char* value : {"end", "END", "End ", " End", "None"}) {
        files["EN"] = std::string("|||EN|||") + value + "\r\n";
        session.Timer1Tick();
        EXPECT_EQ(programEnd.ended, 0) << value;
    }
    files["EN"] = "|||EN|||End\r\n";
    session.Timer1Tick();
    EXPECT_EQ(programEnd.ended, 1);
    EXPECT_EQ(Get("EN", "EN"), "None");
    EXPECT_TRUE(lock.calls.empty());
}

// The quit signal is a file the child's account can write: during a session it waits for the
// session's close, so that no used second is dropped.
TEST_F(SessionTest, QuitSignalDuringASessionWaitsForItsClose) {
    HandOver("5");
    session.Timer1Tick();
    files["EN"] = "|||EN|||End\r\n";
    Ticks(2);
    EXPECT_EQ(programEnd.ended, 0);
    EXPECT_TRUE(session.QuitWaiting());
    EXPECT_EQ(session.BigCount(), "2");
    files["EN"] = "|||EN|||None\r\n"; // the wait does not hang on the file staying "End"
    Ticks(2);                         // the second closes the session at 0
    EXPECT_FALSE(session.SessionRunning());
    EXPECT_EQ(programEnd.ended, 0);
    EXPECT_EQ(Get("used", "Ann12-8-2025"), "5");
    session.Timer1Tick();
    EXPECT_EQ(programEnd.ended, 1);
    EXPECT_EQ(Get("EN", "EN"), "None");
}

TEST_F(SessionTest, ClosedHoursWindowClosesTheSessionOnItsPickUpTick) {
    files["Ann"] = "|||open|||8\r\n|||close|||20\r\n";
    clock.now.hour = 20;
    HandOver("600");
    session.Timer1Tick();
    EXPECT_FALSE(session.SessionRunning());
    EXPECT_EQ(session.Status(), Horodesk::kClosingMessage);
    EXPECT_EQ(Launches(), 1);
    EXPECT_EQ(Get("used", "Ann12-8-2025"), "0");
    EXPECT_EQ(Get("USED", "12-8-2025-Ann"), "0");
    EXPECT_EQ(Get("weektotal", "50Ann2025"), "0");
}

TEST_F(SessionTest, EmptyHandOverValueIsNoHandOver) {
    files["allow"] = "|||allow|||\r\n|||user|||Ann\r\n";
    session.Timer1Tick();
    EXPECT_FALSE(session.SessionRunning());
    EXPECT_TRUE(files.Has("allow"));
    EXPECT_TRUE(lock.calls.empty());
}

// ---- failures --------------------------------------------------------------------------------

TEST_F(SessionTest, FailingReadAbandonsTheTickAndTheNextTickRecovers) {
    HandOver("5");
    bool failing = true;
    FailOn(MemoryFiles::Op::Read, files.PathOf("allow"), failing);
    session.Timer1Tick();
    EXPECT_FALSE(session.SessionRunning());
    EXPECT_EQ(session.cUser(), "");
    EXPECT_NE(LogText().find("Timer1: locked"), std::string::npos);
    failing = false;
    session.Timer1Tick();
    EXPECT_EQ(session.BigCount(), "4");
}

TEST_F(SessionTest, HandOverThatCannotBeDeletedDelaysTheCountdown) {
    HandOver("5");
    bool failing = true;
    FailOn(MemoryFiles::Op::Remove, files.PathOf("allow"), failing);
    session.Timer1Tick();
    session.Timer1Tick();
    EXPECT_EQ(session.cUser(), "");
    EXPECT_EQ(session.StartAllowance(), "");
    EXPECT_EQ(session.BigCount(), "");
    EXPECT_TRUE(session.CommandEndEnabled());
    // A close meanwhile finds no session and only launches the lock screen.
    clock.now.hour = 12;
    session.Timer2Tick();
    EXPECT_EQ(Launches(), 1);
    EXPECT_FALSE(files.Has("Ann12-8-2025"));
    clock.now.hour = 10;
    failing = false;
    session.Timer1Tick();
    EXPECT_EQ(session.BigCount(), "4");
}

TEST_F(SessionTest, RepeatedFailureIsLoggedOnce) {
    bool failing = true;
    FailOn(MemoryFiles::Op::Read, files.PathOf("EN"), failing);
    files["EN"] = "|||EN|||None\r\n";
    Ticks(30);
    const std::string text = LogText();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
    failing = false;
    session.Timer1Tick();
    failing = true;
    session.Timer1Tick();
    const std::string after = LogText();
    EXPECT_EQ(std::count(after.begin(), after.end(), '\n'), 2);
}

// A close whose records cannot be written still ends at the lock screen; what it owes is written
// within ten seconds of the fault going, once.
TEST_F(SessionTest, CloseThatCannotWriteLocksAndWritesLater) {
    files["50Ann2025"] = "|||weektotal|||100\r\n";
    HandOver("60");
    Ticks(10); // BigCount "50"
    bool failing = true;
    FailOn(MemoryFiles::Op::Replace, files.PathOf("Ann12-8-2025"), failing);
    session.Command6Click();
    EXPECT_FALSE(session.SessionRunning());
    EXPECT_EQ(session.Status(), Horodesk::kClosingMessage);
    EXPECT_EQ(Launches(), 1);
    EXPECT_EQ(session.PendingWrites(), 1u);
    EXPECT_EQ(Get("weektotal", "50Ann2025"), "110");
    EXPECT_EQ(Get("USED", "12-8-2025-Ann"), "10");
    EXPECT_FALSE(files.Has("Ann12-8-2025"));

    // A second session of the same child on the same day adds to the write still waiting.
    HandOver("30");
    Ticks(5);
    session.NoMoreTime();
    EXPECT_EQ(Get("weektotal", "50Ann2025"), "115");
    EXPECT_EQ(Get("USED", "12-8-2025-Ann"), "15");
    failing = false;
    Ticks(9);
    EXPECT_EQ(session.PendingWrites(), 1u); // not yet: tried again every ten seconds
    Ticks(1);
    EXPECT_EQ(session.PendingWrites(), 0u);
    EXPECT_EQ(Get("used", "Ann12-8-2025"), "15");
    Ticks(20);
    EXPECT_EQ(Get("used", "Ann12-8-2025"), "15");
    EXPECT_EQ(Get("weektotal", "50Ann2025"), "115");
    EXPECT_FALSE(files.files.count(files.folder + "\\" + Horodesk::kJournalFile));
}

TEST_F(SessionTest, UsageFileThatCannotBeReadIsAddedToOnceItCan) {
    files["Ann12-8-2025"] = "|||used|||600\r\n";
    bool failing = true;
    FailOn(MemoryFiles::Op::Read, files.PathOf("Ann12-8-2025"), failing);
    HandOver("3");
    Ticks(3);
    EXPECT_FALSE(session.SessionRunning());
    EXPECT_EQ(Get("weektotal", "50Ann2025"), "3");
    EXPECT_EQ(files["Ann12-8-2025"], "|||used|||600\r\n");
    failing = false;
    Ticks(10);
    EXPECT_EQ(Get("used", "Ann12-8-2025"), "603");
    // The dated file holds the day's use too, not the session's use on top of its own value.
    EXPECT_EQ(Get("USED", "12-8-2025-Ann"), "603");
}

TEST_F(SessionTest, NoHandlerLetsAFailureOut) {
    HandOver("100");
    session.Timer1Tick();
    files.beforeOp = [](MemoryFiles::Op, const std::string&) { throw FileError("disk gone"); };
    lock.fail = true;
    clock.now.hour = 12;
    EXPECT_NO_THROW(session.Timer1Tick());
    EXPECT_NO_THROW(session.Timer2Tick());
    EXPECT_NO_THROW(session.Command6Click());
    EXPECT_NO_THROW(session.Load());
    EXPECT_NO_THROW(session.RecordRunningSession());
    EXPECT_NO_THROW(session.Command1Click()); // no gate set
    EXPECT_NO_THROW(session.CommandEndClick());
    EXPECT_FALSE(session.SessionRunning()); // closed at noon, whatever failed
    EXPECT_EQ(session.PendingWrites(), 3u);
}

TEST_F(SessionTest, LaunchThatFailsAfterACloseIsTriedAgain) {
    HandOver("1");
    lock.fail = true;
    session.Timer1Tick(); // closes, launch fails
    EXPECT_FALSE(session.SessionRunning());
    EXPECT_EQ(Get("used", "Ann12-8-2025"), "1");
    lock.fail = false;
    session.Timer1Tick();
    EXPECT_EQ(lock.calls, Strings{kLaunch});
}

TEST_F(SessionTest, HoursWindowThatCannotBeReadDoesNotStopTheCountdown) {
    files["Ann"] = "|||open|||abc\r\n|||close|||20\r\n";
    HandOver("10");
    Ticks(3);
    EXPECT_EQ(session.BigCount(), "7");
    EXPECT_NE(LogText().find("Timer1 hours window"), std::string::npos);
}

TEST_F(SessionTest, DamagedUsageRecordsDoNotKeepTheSessionOpen) {
    files["Ann12-8-2025"] = "|||used|||abc\r\n";
    files["50Ann2025"] = "|||weektotal|||x\r\n";
    HandOver("3");
    Ticks(3);
    EXPECT_FALSE(session.SessionRunning());
    EXPECT_EQ(Get("used", "Ann12-8-2025"), "3");
    EXPECT_EQ(Get("weektotal", "50Ann2025"), "3");
    EXPECT_NE(LogText().find("held \"abc\""), std::string::npos);
    EXPECT_NE(LogText().find("held \"x\""), std::string::npos);
}

// ---- hand-overs that start no session ---------------------------------------------------------

TEST_F(SessionTest, HandOverThatCannotMakeASessionIsRefused) {
    struct Case {
        const char* allow;
        const char* user;
    };
    const Case cases[] = {{"0", "Ann"},   {"-3", "Ann"},    {"2.5", "Ann"},
                          {"abc", "Ann"}, {" ", "Ann"},     {"99999999999999999999", "Ann"},
                          {"5", ""},      {"5", "..\\Ann"}, {"5", "CON"},
                          {"5", "a/b"},   {"5", "C:Ann"},   {"5", "Ann\x01"}};
    int launches = 0;
    for (const Case& c : cases) {
        HandOver(c.allow, c.user);
        session.Timer1Tick();
        ++launches;
        EXPECT_FALSE(session.SessionRunning()) << c.allow << " " << c.user;
        EXPECT_EQ(session.cUser(), "") << c.user;
        EXPECT_FALSE(files.Has("allow")) << c.allow << " " << c.user;
        EXPECT_EQ(Launches(), launches) << c.allow << " " << c.user;
    }
    EXPECT_NE(LogText().find("hand-over refused: no user name"), std::string::npos);
}

TEST_F(SessionTest, RemainingTimeBelowZeroClosesTheSession) {
    session.SetText1("-10");
    HandOver("5");
    session.Timer1Tick();
    EXPECT_FALSE(session.SessionRunning());
    EXPECT_EQ(Get("used", "Ann12-8-2025"), "0");
    EXPECT_EQ(Launches(), 1);
}

TEST_F(SessionTest, HandOverDuringASessionRecordsTheRunningSessionFirst) {
    files["50Ann2025"] = "|||weektotal|||100\r\n";
    HandOver("100");
    Ticks(10);
    session.SetText1("300");
    HandOver("50", "Bob");
    session.Timer1Tick();
    EXPECT_EQ(Get("used", "Ann12-8-2025"), "10");
    EXPECT_EQ(Get("USED", "12-8-2025-Ann"), "10");
    EXPECT_EQ(Get("weektotal", "50Ann2025"), "110");
    EXPECT_EQ(session.cUser(), "Bob");
    EXPECT_EQ(session.StartAllowance(), "50");
    EXPECT_EQ(session.BigCount(), "49"); // Ann's bonus does not pass to Bob
    EXPECT_EQ(session.Text1(), "0");
    EXPECT_EQ(Launches(), 0);
}

TEST_F(SessionTest, UnusableHandOverDuringASessionStillRecordsAndLocks) {
    HandOver("100");
    Ticks(10);
    HandOver("0", "Bob");
    session.Timer1Tick();
    EXPECT_EQ(Get("used", "Ann12-8-2025"), "10");
    EXPECT_FALSE(session.SessionRunning());
    EXPECT_EQ(Launches(), 1);
}

// ---- the close --------------------------------------------------------------------------------

class CloseTest : public SessionTest {
  protected:
    CloseTest() {
        files["Ann12-8-2025"] = "|||used|||600\r\n";
        files["50Ann2025"] = "|||weektotal|||5000\r\n";
        HandOver("3600");
        Ticks(2400);
        session.SetText1("300");
        EXPECT_EQ(session.BigCount(), "1200");
    }
    void ExpectRecorded() {
        EXPECT_EQ(session.Status(), Horodesk::kClosingMessage);
        EXPECT_EQ(Get("USED", "12-8-2025-Ann"), "3000");
        EXPECT_EQ(Get("weektotal", "50Ann2025"), "7400");
        EXPECT_EQ(Get("used", "Ann12-8-2025"), "3000");
        EXPECT_EQ(session.BigCount(), "");
        EXPECT_EQ(session.cUser(), "");
        EXPECT_EQ(session.Text1(), "0"); // unspent bonus ends with the session
        EXPECT_EQ(lock.calls, Strings{kLaunch});
    }
};

TEST_F(CloseTest, NoMoreTimeAddsTheSessionUseToDayAndWeek) {
    session.NoMoreTime();
    ExpectRecorded();
}

TEST_F(CloseTest, EndSessionButtonRecordsTheSame) {
    session.Command6Click();
    ExpectRecorded();
}

TEST_F(CloseTest, RecordRunningSessionRecordsWithoutLaunching) {
    session.RecordRunningSession();
    EXPECT_EQ(Get("weektotal", "50Ann2025"), "7400");
    EXPECT_EQ(Get("used", "Ann12-8-2025"), "3000");
    EXPECT_FALSE(session.SessionRunning());
    EXPECT_TRUE(lock.calls.empty());
}

// Each way a session ends leaves the lock screen its reason, before the lock screen is launched;
// a reason that cannot be written costs only the sentence.
TEST_F(SessionTest, EachEndLeavesItsReasonForTheLockScreen) {
    struct Case {
        const char* name;
        std::function<void()> end;
        const char* reason;
    };
    const Case cases[] = {
        {"time", [this] { Ticks(3); }, "time"},
        {"hours",
         [this] {
             files["Ann"] = "|||open|||8\r\n|||close|||10\r\n";
             Ticks(1);
         },
         "hours"},
        {"midday",
         [this] {
             clock.now.hour = 12;
             clock.now.minute = 0;
             session.Timer2Tick();
         },
         "midday"},
        {"button", [this] { session.Command6Click(); }, "endsession"},
    };
    for (const bool failing : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (failing ? " (write fails)" : ""));
            files.files.clear();
            lock.calls.clear();
            clock.now = LocalTime{2025, 12, 8, 10, 0, 0};
            int launchesBeforeReason = -1;
            files.beforeOp = [&](MemoryFiles::Op, const std::string& path) {
                if (path.find("lastend") != std::string::npos) {
                    launchesBeforeReason = Launches(); // the lock screen reads it as it starts
                    if (failing) {
                        throw FileError("locked: " + path);
                    }
                }
            };
            HandOver("3");
            session.Timer1Tick();
            c.end();
            EXPECT_FALSE(session.SessionRunning());
            EXPECT_EQ(Launches(), 1);
            EXPECT_TRUE(Get("used", "Ann12-8-2025").has_value());
            EXPECT_EQ(launchesBeforeReason, 0);
            files.beforeOp = nullptr;
            if (failing) {
                EXPECT_FALSE(files.Has("lastend"));
                if (&c == &cases[0]) { // the same failure again is not logged again
                    EXPECT_NE(LogText().find("Close reason"), std::string::npos);
                }
            } else {
                EXPECT_EQ(Get("user", "lastend"), "Ann");
                EXPECT_EQ(Get("reason", "lastend"), c.reason);
            }
        }
    }
}

TEST_F(SessionTest, NoReasonIsLeftWhenTheLockScreenDoesNotComeBack) {
    HandOver("100");
    Ticks(5);
    HandOver("100", "Bob"); // Bob's session replaces Ann's
    session.Timer1Tick();
    session.RecordRunningSession(); // Windows ends Bob's session
    EXPECT_FALSE(files.Has("lastend"));
    EXPECT_EQ(Get("used", "Bob12-8-2025"), "1");
}

TEST_F(SessionTest, UsageFileNamesFollowTheDateOfTheClose) {
    struct Case {
        LocalTime date;
        const char* pattern;
        const char* daily;  // user name, then date key
        const char* dated;  // date key, "-", user name
        const char* weekly; // week key, user name, calendar year
    };
    const Case cases[] = {
        {{2025, 12, 8}, "M/d/yyyy", "Ann12-8-2025", "12-8-2025-Ann", "50Ann2025"},
        {{2025, 12, 29}, "dd/MM/yyyy", "Ann29-12-2025", "29-12-2025-Ann", "1Ann2025"},
        {{2021, 1, 1}, "dd.MM.yyyy", "Ann01.01.2021", "01.01.2021-Ann", "53Ann2021"}};
    for (const Case& c : cases) {
        files.files.clear();
        clock.now = c.date;
        clock.now.hour = 10;
        regional.shortDatePattern = c.pattern;
        HandOver("1");
        session.Timer1Tick();
        EXPECT_EQ(Get("used", c.daily), "1") << c.daily;
        EXPECT_EQ(Get("USED", c.dated), "1") << c.dated;
        EXPECT_EQ(Get("weektotal", c.weekly), "1") << c.weekly;
    }
}

TEST_F(SessionTest, ClosingWithoutASessionOnlyLaunches) {
    session.SetText1("120");
    session.Command6Click();
    session.NoMoreTime();
    EXPECT_EQ(Launches(), 2);
    EXPECT_EQ(session.Text1(), "120");
    EXPECT_EQ(session.Status(), "00:00:00");
    EXPECT_EQ(files.files.size(), 0u);
}

TEST_F(SessionTest, MiddayCheckHoldsForTheWholeMinuteOfNoon) {
    struct Case {
        int hour, minute, second;
        bool closes;
    };
    const Case cases[] = {{12, 0, 0, true},    {12, 0, 30, true}, {12, 0, 59, true},
                          {11, 59, 59, false}, {12, 1, 0, false}, {0, 0, 0, false},
                          {13, 0, 0, false},   {10, 0, 0, false}};
    for (const Case& c : cases) {
        const int before = Launches();
        clock.now.hour = c.hour;
        clock.now.minute = c.minute;
        clock.now.second = c.second;
        session.Timer2Tick();
        EXPECT_EQ(Launches() - before, c.closes ? 1 : 0) << c.hour << ":" << c.minute;
    }
}

TEST_F(SessionTest, EveryTimer2TickAtNoonClosesOrLaunches) {
    clock.now = LocalTime{2025, 12, 8, 11, 59, 58};
    HandOver("3600");
    session.Timer1Tick();
    for (int i = 0; i < 8; ++i) {
        clock.Advance(10);
        session.Timer2Tick();
    }
    // 12:00:08 .. 12:00:58 are six ticks; the first closes the session.
    EXPECT_EQ(Launches(), 6);
    EXPECT_FALSE(session.SessionRunning());
    EXPECT_EQ(Get("used", "Ann12-8-2025"), "1");
}

// ---- the parents' buttons ---------------------------------------------------------------------

TEST_F(SessionTest, BonusButtonGivesItsGraceOnceBetweenHandOvers) {
    FakeGate gate;
    session.SetParentGate(&gate);
    session.Command1Click();
    EXPECT_EQ(session.Text1(), "40");
    session.Command1Click(); // gate still open
    EXPECT_EQ(session.Text1(), "40");
    gate.open = false;
    session.Command1Click(); // reopened before any hand-over
    EXPECT_EQ(session.Text1(), "40");
    EXPECT_EQ(gate.shown.size(), 3u);
    EXPECT_EQ(gate.shown[0], ParentGate::Purpose::BonusTime);

    HandOver("100");
    session.Timer1Tick(); // spends one bonus second
    gate.open = false;
    session.Command1Click();
    EXPECT_EQ(session.Text1(), "79");
}

TEST_F(SessionTest, CloseButtonOpensTheGateOnlyWhileNoSessionRuns) {
    FakeGate gate;
    session.SetParentGate(&gate);
    session.CommandEndClick();
    EXPECT_EQ(gate.shown, std::vector<ParentGate::Purpose>{ParentGate::Purpose::CloseProgram});
    HandOver("100");
    session.Timer1Tick();
    session.CommandEndClick();
    EXPECT_EQ(gate.shown.size(), 1u);
    EXPECT_EQ(session.Text1(), "0");
}

} // namespace
} // namespace tembrel

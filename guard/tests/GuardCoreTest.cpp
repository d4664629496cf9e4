#include "guard/GuardCore.h"

#include <gtest/gtest.h>

#include "guard/tests/FakeGuardPorts.h"

namespace tembrel::guard::test {
namespace {

using Mode = GuardCore::Mode;

TEST(GuardCore, StartsTembrelAtLogonAndAdoptsOneAlreadyRunning) {
    GuardFixture guard;
    guard.sessions.loggedOn = {1, 2};
    guard.processes.running[2] = 42; // started by the Run key before the guard looked
    guard.core.Tick();
    EXPECT_EQ(guard.processes.started, std::vector<SessionId>{1});
    EXPECT_EQ(guard.core.TembrelOf(2), ProcessId{42});
    EXPECT_TRUE(guard.processes.adopted.count(42));
    EXPECT_TRUE(guard.log.Has("session 2: adopted"));
    // Listed again: nothing is doubled.
    guard.AdvanceAndTick(2000);
    EXPECT_EQ(guard.processes.started.size(), 1U);
}

TEST(GuardCore, AFailedStartIsTriedAgainAtEveryTickAndLoggedOnce) {
    GuardFixture guard;
    guard.processes.failStart = true;
    guard.core.Tick();
    guard.AdvanceAndTick(1000);
    guard.AdvanceAndTick(1000);
    EXPECT_EQ(std::count_if(guard.log.lines.begin(), guard.log.lines.end(),
                            [](const std::string& l) { return l.find("could not") != l.npos; }),
              1);
    guard.processes.failStart = false;
    guard.AdvanceAndTick(1000);
    EXPECT_TRUE(guard.core.TembrelOf(1));
}

// Ends without the parents' leave, `gapMs` apart: the guard restarts each until `backOffEnds`
// of them fall within ten minutes, then signs the user off and starts nothing more.
TEST(GuardCore, RestartsEveryUnauthorisedEndUntilFiveWithinTenMinutes) {
    struct Case {
        int ends;
        std::int64_t gapMs;
        bool signedOff;
    };
    for (const Case c : {Case{4, 0, false}, Case{5, 0, true}, Case{5, 149'999, true},
                         Case{5, 150'000, false}, Case{9, 150'000, false}}) {
        SCOPED_TRACE(std::to_string(c.ends) + " ends " + std::to_string(c.gapMs) + " ms apart");
        GuardFixture guard;
        guard.core.Tick();
        for (int i = 0; i < c.ends; ++i) {
            guard.clock.now += c.gapMs;
            guard.Kill();
        }
        EXPECT_EQ(guard.sessions.loggedOff.size(), c.signedOff ? 1U : 0U);
        EXPECT_EQ(guard.core.ModeOf(1), c.signedOff ? Mode::BackedOff : Mode::Guarded);
        EXPECT_EQ(guard.processes.started.size(), 1U + c.ends - (c.signedOff ? 1 : 0));
        EXPECT_EQ(guard.core.TembrelOf(1).has_value(), !c.signedOff);
    }
}

TEST(GuardCore, ASecondStartThatLeftBesideARunningTembrelIsNotCounted) {
    GuardFixture guard;
    guard.core.Tick();
    for (int i = 0; i < 6; ++i) {
        const ProcessId first = *guard.core.TembrelOf(1);
        guard.processes.running[1] = 500 + i; // another Tembrel runs; the watched one leaves
        guard.core.TembrelEnded(1, first);
        EXPECT_EQ(guard.core.TembrelOf(1), ProcessId(500 + i));
    }
    EXPECT_EQ(guard.core.ModeOf(1), Mode::Guarded);
    EXPECT_EQ(guard.processes.started.size(), 1U);
}

// The window is asked every ten seconds; a Tembrel whose window has not answered for 30 s is
// ended, and started again once its end is seen.
TEST(GuardCore, EndsATembrelWhoseWindowHasNotAnsweredFor30Seconds) {
    for (const std::int64_t silentMs : {29'999, 30'000}) {
        SCOPED_TRACE(silentMs);
        GuardFixture guard;
        guard.core.Tick();
        const ProcessId first = *guard.core.TembrelOf(1);
        guard.AdvanceAndTick(10'000);
        ASSERT_EQ(guard.processes.probed, std::vector<ProcessId>{first});
        guard.core.ProbeAnswered(1, first, true); // answered at 10 s
        for (std::int64_t waited = 0; waited < silentMs;) {
            const std::int64_t step = std::min<std::int64_t>(2000, silentMs - waited);
            guard.AdvanceAndTick(step);
            waited += step;
            if (!guard.processes.probed.empty() && guard.processes.probed.back() == first) {
                guard.core.ProbeAnswered(1, first, false);
            }
        }
        const bool hung = silentMs >= 30'000;
        EXPECT_EQ(guard.processes.ended,
                  hung ? std::vector<ProcessId>{first} : std::vector<ProcessId>{});
        if (hung) {
            guard.AdvanceAndTick(2000); // ending it is asked once, not at every tick
            EXPECT_EQ(guard.processes.ended.size(), 1U);
            guard.Kill();
            EXPECT_NE(guard.core.TembrelOf(1), first);
            EXPECT_TRUE(guard.log.Has("stopped answering"));
        }
    }
}

TEST(GuardCore, AnAnswerOfAnEndedTembrelChangesNothing) {
    GuardFixture guard;
    guard.core.Tick();
    const ProcessId first = *guard.core.TembrelOf(1);
    guard.Kill();
    guard.AdvanceAndTick(29'000);
    guard.core.ProbeAnswered(1, first, true); // too late and for the wrong process
    guard.AdvanceAndTick(2000);
    EXPECT_EQ(guard.processes.ended.size(), 1U);
}

TEST(GuardCore, AnAuthorisedEndIsHonouredUntilTheUserLogsOffAndOnAgain) {
    GuardFixture guard;
    guard.core.Tick();
    EXPECT_FALSE(guard.core.AuthoriseEnd(7)); // nobody logged on there
    ASSERT_TRUE(guard.core.AuthoriseEnd(1));
    guard.Kill();
    guard.AdvanceAndTick(60'000);
    EXPECT_EQ(guard.processes.started.size(), 1U);
    EXPECT_EQ(guard.core.ModeOf(1), Mode::LeftAlone);
    EXPECT_TRUE(guard.log.Has("with the parents' leave"));
    // Logged off (told by Windows, or seen at the next poll) and on again: guarded afresh.
    for (const bool told : {true, false}) {
        if (told) {
            guard.core.LoggedOff(1);
        } else {
            guard.core.AuthoriseEnd(1);
            guard.sessions.loggedOn = {};
            guard.AdvanceAndTick(2000);
            guard.sessions.loggedOn = {1};
        }
        guard.AdvanceAndTick(2000);
        EXPECT_EQ(guard.core.ModeOf(1), Mode::Guarded);
    }
    EXPECT_EQ(guard.processes.started.size(), 2U);
}

} // namespace
} // namespace tembrel::guard::test

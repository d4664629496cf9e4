// The notices before the end of a session: when each warning falls due, for each kind of end, with
// bonus given and taken back; the tooltip; and the notices wired to the session window's logic.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/Errors.h"
#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeRegional.h"
#include "platform/fakes/MemoryFiles.h"
#include "platform/fakes/RecordingNotificationArea.h"
#include "platform/fakes/RecordingPorts.h"
#include "session/DiagnosticLog.h"
#include "session/Horodesk.h"
#include "session/SessionNotices.h"

namespace tembrel {
namespace {

constexpr const char* kFive = SessionNotices::kFiveMinutes;
constexpr const char* kOne = SessionNotices::kOneMinute;
const std::string kMiddayFive = "Tembrel stops at 12:00 midday: 5 minutes left. Save your work.";
const std::string kMiddayOne = "Tembrel stops at 12:00 midday: 1 minute left. Save your work now.";
const std::string kHoursFive = "Your allowed hours end at 17:00: 5 minutes left. Save your work.";
const std::string kHoursOne = "Your allowed hours end at 17:00: 1 minute left. Save your work now.";

struct Warning {
    long long at; // the earliest end, in seconds, when the warning came
    std::string text;
    bool operator==(const Warning&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Warning& w) {
    return out << "{" << w.at << ", " << w.text << "}";
}

// Runs one session second by second, every end coming nearer by one second a tick, and lists the
// warnings with the earliest end at which each came. `bonus` adds seconds at a given time left.
struct Countdown {
    RecordingNotificationArea area;
    SessionNotices notices{area};
    SessionFacts facts{true, "Ann", 0, std::nullopt, 43200, std::nullopt};
    std::vector<Warning> warnings;

    void Tick() {
        const std::size_t before = area.balloons.size();
        notices.Update(facts);
        for (std::size_t i = before; i < area.balloons.size(); ++i) {
            long long end = std::min(facts.timeLeft, facts.untilMidday);
            if (facts.untilHoursEnd) {
                end = std::min(end, *facts.untilHoursEnd);
            }
            warnings.push_back({end, area.balloons[i].text});
        }
        --facts.timeLeft;
        --facts.untilMidday;
        if (facts.untilHoursEnd) {
            --*facts.untilHoursEnd;
        }
    }
    void TicksUntilLeft(long long left) {
        while (facts.timeLeft > left) {
            Tick();
        }
    }
};

TEST(SessionNoticesTest, EachThresholdWarnsOnceBeforeEachKindOfEnd) {
    struct Row {
        const char* name;
        long long timeLeft;
        std::optional<long long> untilHoursEnd;
        long long untilMidday;
        std::vector<Warning> expected;
    };
    const std::vector<Row> rows{
        {"time left", 3600, std::nullopt, 43200, {{300, kFive}, {60, kOne}}},
        {"hours window", 3600, 1000, 43200, {{300, kHoursFive}, {60, kHoursOne}}},
        {"midday", 3600, 5000, 700, {{300, kMiddayFive}, {60, kMiddayOne}}},
        {"hours closing at midday: midday says it",
         3600,
         700,
         700,
         {{300, kMiddayFive}, {60, kMiddayOne}}},
        {"time up together with midday: time up",
         700,
         std::nullopt,
         700,
         {{300, kFive}, {60, kOne}}},
        {"time up before the hours end", 700, 900, 43200, {{300, kFive}, {60, kOne}}},
        {"starts at exactly 5 minutes", 300, std::nullopt, 43200, {{300, kFive}, {60, kOne}}},
        {"starts under 5 minutes", 299, std::nullopt, 43200, {{60, kOne}}},
        {"hours window ends in under 5 minutes", 3600, 200, 43200, {{60, kHoursOne}}},
        {"starts at exactly 1 minute", 60, std::nullopt, 43200, {{60, kOne}}},
        {"starts under 1 minute: warned at once", 45, std::nullopt, 43200, {{45, kOne}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Countdown run;
        run.facts.timeLeft = row.timeLeft;
        run.facts.untilHoursEnd = row.untilHoursEnd;
        if (row.untilHoursEnd) {
            run.facts.closingHour = 17;
        }
        run.facts.untilMidday = row.untilMidday;
        run.notices.SessionStarted();
        while (run.facts.timeLeft >= 0 && run.facts.untilMidday >= 0 &&
               run.facts.untilHoursEnd.value_or(0) >= 0) {
            run.Tick();
        }
        EXPECT_EQ(run.warnings, row.expected);
    }
}

TEST(SessionNoticesTest, TheHoursEndIsNamedAsTheClockShowsIt) {
    SessionFacts facts{true, "Ann", 3600, 300, 43200, 9};
    EXPECT_EQ(SessionNotices::Warning(facts, kFive),
              "Your allowed hours end at 09:00: 5 minutes left. Save your work.");
    facts.closingHour = 24;
    EXPECT_EQ(SessionNotices::Warning(facts, kFive),
              "Your allowed hours end at midnight: 5 minutes left. Save your work.");
}

TEST(SessionNoticesTest, BonusAboveAThresholdMakesItWarnAgain) {
    Countdown run;
    run.facts.timeLeft = 400;
    run.TicksUntilLeft(250); // warned at 300
    run.facts.timeLeft += 200;
    run.TicksUntilLeft(50); // warned at 300 again, and at 60
    run.facts.timeLeft += 30;
    run.TicksUntilLeft(-1); // 80 is above 1 minute only
    EXPECT_EQ(run.warnings,
              (std::vector<Warning>{{300, kFive}, {300, kFive}, {60, kOne}, {60, kOne}}));
}

TEST(SessionNoticesTest, BonusTakenBackWarnsOnlyOfTheNearerThreshold) {
    Countdown run;
    run.facts.timeLeft = 1200;
    run.TicksUntilLeft(900);
    run.facts.timeLeft = 40; // "Remove All Bonus Time"
    run.TicksUntilLeft(-1);
    EXPECT_EQ(run.warnings, (std::vector<Warning>{{40, kOne}}));
}

TEST(SessionNoticesTest, AWarningShowsTheBalloonAndBringsTheWindowForward) {
    Countdown run;
    run.facts.timeLeft = 301;
    run.Tick();
    EXPECT_TRUE(run.warnings.empty());
    run.area.calls.clear();
    run.Tick();
    EXPECT_EQ(run.area.calls,
              (std::vector<std::string>{"ShowIcon", "ShowBalloon", "Front", "Flash"}));
    EXPECT_EQ(run.area.balloons.back().title, "Tembrel");
    EXPECT_EQ(run.area.balloons.back().text.rfind("5 minutes left", 0), 0U);
    EXPECT_EQ(std::string(kOne).rfind("1 minute left", 0), 0U);
}

TEST(SessionNoticesTest, EndSessionSilencesTheSessionUntilTheNextOneStarts) {
    Countdown run;
    run.facts.timeLeft = 400;
    run.Tick();
    run.notices.SessionEnded();
    run.TicksUntilLeft(0); // its close failed: it still counts, unwarned
    EXPECT_TRUE(run.warnings.empty());

    run.notices.SessionStarted(); // a new hand-over
    run.facts.timeLeft = 100;
    run.TicksUntilLeft(0);
    EXPECT_EQ(run.warnings, (std::vector<Warning>{{60, kOne}}));
}

TEST(SessionNoticesTest, ASessionAfterAnotherIsWarnedAfresh) {
    Countdown run;
    run.facts.timeLeft = 310;
    run.TicksUntilLeft(0);
    run.facts.running = false;
    run.Tick();
    run.facts = {true,         "Ben", 310,
                 std::nullopt, 43200, std::nullopt}; // no start event: the running state tells
    run.TicksUntilLeft(0);
    EXPECT_EQ(run.warnings,
              (std::vector<Warning>{{300, kFive}, {60, kOne}, {300, kFive}, {60, kOne}}));
}

TEST(SessionNoticesTest, ProgramEndRemovesTheIconAndSilencesEverything) {
    Countdown run;
    run.notices.Start();
    run.facts.timeLeft = 302;
    run.Tick();
    RecordingProgramEnd inner;
    EndAfterNotices end(run.notices, inner);
    end.EndProgram();
    EXPECT_EQ(inner.ended, 1);
    EXPECT_FALSE(run.area.iconShown);
    run.area.calls.clear();
    run.TicksUntilLeft(0);
    run.notices.IconClicked();
    run.notices.Start();
    end.EndProgram(); // a second end removes nothing more
    EXPECT_TRUE(run.area.calls.empty());
    EXPECT_EQ(inner.ended, 2);
}

TEST(SessionNoticesTest, TooltipShowsTheTimeLeftWithTheName) {
    SessionFacts facts{true, "Ann", 3580, std::nullopt, 43200, std::nullopt};
    EXPECT_EQ(SessionNotices::Tooltip(facts), "Ann: 00:59:40 left");
    facts.timeLeft = 0;
    EXPECT_EQ(SessionNotices::Tooltip(facts), "Ann: 00:00:00 left");
    facts.user = std::string(300, 'x');
    const std::string trimmed = SessionNotices::Tooltip(facts);
    EXPECT_EQ(trimmed.size(), SessionNotices::kTooltipLimit);
    EXPECT_EQ(trimmed.substr(trimmed.size() - 18), "...: 00:00:00 left");
    facts.running = false;
    EXPECT_EQ(SessionNotices::Tooltip(facts), SessionNotices::kNoSession);

    RecordingNotificationArea area;
    SessionNotices notices(area);
    notices.Start();
    EXPECT_EQ(area.tooltip, "Tembrel: no session running");
    notices.Update(facts); // unchanged: the icon is not touched again
    EXPECT_EQ(area.calls.size(), 1U);
    notices.IconClicked();
    EXPECT_EQ(area.calls.back(), "Front");
}

TEST(SessionNoticesTest, SecondsUntilMiddayAndTheClosingHour) {
    struct Row {
        LocalTime now;
        long long midday;
        std::optional<int> hour;
        std::optional<long long> untilHour;
    };
    const std::vector<Row> rows{
        {{2025, 12, 8, 11, 55, 0}, 300, 20, 29100},
        {{2025, 12, 8, 0, 0, 0}, 43200, 24, 86400},
        {{2025, 12, 8, 12, 0, 0}, 0, std::nullopt, std::nullopt},
        {{2025, 12, 8, 12, 0, 1}, 86399, 12, 0},
        {{2025, 12, 8, 23, 59, 59}, 43201, 24, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << row.now.hour << ":" << row.now.minute << ":" << row.now.second);
        EXPECT_EQ(SecondsUntilMidday(row.now), row.midday);
        EXPECT_EQ(SecondsUntilHour(row.hour, row.now), row.untilHour);
    }
}

// ---- wired to the session window's logic ---------------------------------------------------

struct NoticedSession : ::testing::Test {
    MemoryFiles files;
    FakeClock clock;
    FakeRegional regional;
    RecordingDesktopLock lock;
    RecordingProgramEnd programEnd;
    RecordingNotificationArea area;
    SessionNotices notices{area};
    EndAfterNotices end{notices, programEnd};
    DiagnosticLog log{files, clock};
    Horodesk session{SessionPorts{files, clock, regional, lock, end, log}};

    NoticedSession() {
        clock.now = LocalTime{2025, 12, 8, 10, 0, 0};
        session.SetEvents(&notices);
        session.Load();
    }
    void HandOver(const std::string& allow, const std::string& user = "Ann") {
        files["allow"] = "|||allow|||" + allow + "\r\n|||user|||" + user + "\r\n";
    }
    // One second: the clock moves on and the tick runs.
    void Second() {
        session.Timer1Tick();
        clock.Advance(1);
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& balloon : area.balloons) {
            texts.push_back(balloon.text);
        }
        return texts;
    }
};

TEST_F(NoticedSession, IconFromTheLoadWithTheSessionsTimeInItsTooltip) {
    EXPECT_TRUE(area.iconShown);
    EXPECT_EQ(area.tooltip, SessionNotices::kNoSession);
    HandOver("3600");
    for (int i = 0; i < 20; ++i) {
        Second();
    }
    EXPECT_EQ(area.tooltip, "Ann: 00:59:40 left");
    EXPECT_EQ(session.Status(), "00:59:40");
}

TEST_F(NoticedSession, HoursWindowEndIsWarnedOfFromTheUsersRecord) {
    files["Ann"] = "|||open|||8\r\n|||close|||11\r\n";
    clock.now = LocalTime{2025, 12, 8, 10, 54, 59};
    HandOver("3600");
    Second();
    EXPECT_EQ(session.HoursWindowCloseHour(), 11);
    EXPECT_TRUE(area.balloons.empty());
    Second(); // at 10:55:00 the tick finds 5 minutes to 11:00
    const std::string five = "Your allowed hours end at 11:00: 5 minutes left. Save your work.";
    EXPECT_EQ(Texts(), std::vector<std::string>{five});
    while (session.SessionRunning()) {
        Second();
    }
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{
                  five, "Your allowed hours end at 11:00: 1 minute left. Save your work now."}));
    EXPECT_EQ(clock.now.hour, 11);
    EXPECT_EQ(area.tooltip, SessionNotices::kNoSession);
}

TEST_F(NoticedSession, ClosingHourFollowsTheHoursWindow) {
    struct Row {
        const char* record;
        std::optional<int> hour;
    };
    const std::vector<Row> rows{
        {"|||open|||8\r\n|||close|||20\r\n", 20},
        {"|||close|||20\r\n", 20},
        {"|||open|||-2\r\n|||close|||11.5\r\n", 11},
        {"|||open|||8\r\n|||close|||30\r\n", 24},
        {"|||open|||8\r\n|||close|||8\r\n", std::nullopt},  // open all day
        {"|||open|||20\r\n|||close|||8\r\n", std::nullopt}, // across midnight
        {"|||open|||8\r\n", std::nullopt},                  // no closing hour
        {"", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.record);
        files["Ann"] = row.record;
        HandOver("3600");
        session.Timer1Tick();
        ASSERT_TRUE(session.SessionRunning());
        EXPECT_EQ(session.HoursWindowCloseHour(), row.hour);
    }
    // A record that cannot be read keeps the hour read last.
    files["Ann"] = "|||open|||8\r\n|||close|||20\r\n";
    session.Timer1Tick();
    files.beforeOp = [](MemoryFiles::Op op, const std::string&) {
        if (op == MemoryFiles::Op::Read) {
            throw FileError("locked");
        }
    };
    session.Timer1Tick();
    EXPECT_EQ(session.HoursWindowCloseHour(), 20);
}

TEST_F(NoticedSession, MiddayIsWarnedOf) {
    clock.now = LocalTime{2025, 12, 8, 11, 54, 59};
    HandOver("7200");
    Second();
    EXPECT_TRUE(Texts().empty());
    Second(); // 11:55:00
    EXPECT_EQ(Texts(), std::vector<std::string>{kMiddayFive});
}

TEST_F(NoticedSession, EndSessionWhoseCloseFailsIsNotWarnedAbout) {
    HandOver("400");
    Second();
    files.beforeOp = [](MemoryFiles::Op op, const std::string&) {
        if (op == MemoryFiles::Op::WriteNew) {
            throw FileError("disk full");
        }
    };
    session.Command6Click();
    for (int i = 0; i < 400; ++i) {
        Second();
    }
    EXPECT_TRUE(area.balloons.empty());
}

TEST_F(NoticedSession, QuitSignalTakesTheIconAwayAndNothingIsWarnedAfter) {
    HandOver("400");
    Second();
    files["EN"] = "|||EN|||End\r\n";
    Second(); // the quit waits for the session's close
    EXPECT_EQ(programEnd.ended, 0);
    session.Command6Click();
    Second();
    EXPECT_EQ(programEnd.ended, 1);
    EXPECT_FALSE(area.iconShown);
    for (int i = 0; i < 400; ++i) {
        Second();
    }
    EXPECT_TRUE(area.balloons.empty());
    EXPECT_FALSE(area.iconShown);
}

TEST_F(NoticedSession, ANewHandOverDuringASessionIsWarnedAfresh) {
    HandOver("301");
    Second();
    Second(); // warned at 5 minutes on the first tick
    HandOver("302", "Ben");
    Second();
    Second();
    EXPECT_EQ(Texts(), (std::vector<std::string>{kFive, kFive}));
    EXPECT_EQ(area.tooltip, "Ben: 00:05:00 left");
}

} // namespace
} // namespace tembrel

// The limits a parent sets, what they grant at a login, the checks of what is typed, and the
// record of why a session ended.
#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "platform/fakes/FakeRegional.h"
#include "platform/fakes/MemoryFiles.h"
#include "records/ChildLimits.h"
#include "records/FileHandle.h"
#include "records/Grant.h"
#include "records/SessionEnd.h"

namespace tembrel {
namespace {

// School days 60 min from 8 to 20; the weekend 120 min from 10 to 22.
ChildLimits Week(std::optional<int> weekly = std::nullopt) {
    ChildLimits limits;
    for (int day = 0; day < kDaysInWeek; ++day) {
        limits.days[day] = day < 5 ? DayLimits{60, 8, 20} : DayLimits{120, 10, 22};
    }
    limits.weeklyMinutes = weekly;
    return limits;
}

TEST(Grant, IsTheLeastOfTodaysMinutesTheWeeklyBudgetAndTodaysHours) {
    using S = Grant::Standing;
    ChildLimits closedWednesday = Week(300);
    closedWednesday.days[2].minutes = 0;
    const struct {
        const char* what;
        ChildLimits limits;
        LocalTime now; // 2025-12-08 is a Monday
        UsedSeconds used;
        S standing;
        long long seconds;
        const char* tile;
    } cases[] = {
        {"today's minutes",
         Week(),
         {2025, 12, 8, 14, 0, 0},
         {600, 0},
         S::Open,
         3000,
         "50 min left"},
        {"weekly budget",
         Week(300),
         {2025, 12, 8, 14, 0, 0},
         {0, 17400},
         S::Open,
         600,
         "10 min left"},
        {"end of hours", Week(), {2025, 12, 8, 19, 40, 30}, {0, 0}, S::Open, 1170, "19 min left"},
        {"weekend minutes", Week(), {2025, 12, 13, 14, 0, 0}, {0, 0}, S::Open, 7200, "2 h left"},
        {"Sunday hours",
         Week(),
         {2025, 12, 14, 20, 40, 0},
         {0, 0},
         S::Open,
         4800,
         "1 h 20 min left"},
        {"used up", Week(), {2025, 12, 8, 14, 0, 0}, {3600, 0}, S::UsedUp, 0, "No time left today"},
        {"budget used up",
         Week(300),
         {2025, 12, 8, 14, 0, 0},
         {0, 18000},
         S::WeekUsedUp,
         0,
         "No time left this week"},
        {"before hours", Week(), {2025, 12, 8, 7, 59, 59}, {0, 0}, S::NotYet, 0, "Back at 8:00"},
        {"hours over",
         Week(),
         {2025, 12, 8, 20, 0, 0},
         {0, 0},
         S::HoursOver,
         0,
         "No time left today"},
        {"no minutes that day",
         closedWednesday,
         {2025, 12, 10, 14, 0, 0},
         {0, 0},
         S::NotToday,
         0,
         "Not today"},
        {"the minute of midday",
         Week(),
         {2025, 12, 8, 12, 0, 59},
         {0, 0},
         S::Midday,
         0,
         "Back at 12:01"},
        {"just after midday", Week(), {2025, 12, 8, 12, 1, 0}, {0, 0}, S::Open, 3600, "1 h left"},
        {"seconds left",
         Week(),
         {2025, 12, 8, 14, 0, 0},
         {3570, 0},
         S::Open,
         30,
         "less than 1 min left"},
        {"a damaged record adds nothing",
         Week(),
         {2025, 12, 8, 14, 0, 0},
         {-500, -500},
         S::Open,
         3600,
         "1 h left"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Grant grant = GrantAt(c.limits, c.now, c.used);
        EXPECT_EQ(grant.standing, c.standing);
        EXPECT_EQ(grant.seconds, c.seconds);
        EXPECT_EQ(TileText(grant), c.tile);
    }
}

TEST(Grant, SaysWhenMiddayEndsTheSessionFirst) {
    const ChildLimits limits = Week();
    EXPECT_TRUE(GrantAt(limits, {2025, 12, 8, 11, 30, 0}, {}).stopsAtMidday);
    EXPECT_FALSE(GrantAt(limits, {2025, 12, 8, 10, 30, 0}, {}).stopsAtMidday); // ends 11:30
    EXPECT_FALSE(GrantAt(limits, {2025, 12, 8, 12, 1, 0}, {}).stopsAtMidday);
}

TEST(LimitChecks, SayWhatToTypeForEveryWrongInput) {
    const struct {
        const char* text;
        bool minutes, hour, weekly; // accepted as each
    } cases[] = {
        {"0", true, true, true},        {"60", true, false, true},
        {" 24 ", true, true, true},     {"25", true, false, true},
        {"1440", true, false, true},    {"1441", false, false, true},
        {"10080", false, false, true},  {"10081", false, false, false},
        {"15:30", false, false, false}, {"1.5", false, false, false},
        {"-1", false, false, false},    {"lots", false, false, false},
        {"", false, false, true}, // empty: no weekly budget
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        int whole = 0;
        std::optional<int> weekly;
        const std::string minutes = CheckMinutes(c.text, ".", whole);
        const std::string hour = CheckHour(c.text, ".", whole);
        const std::string week = CheckWeekly(c.text, ".", weekly);
        EXPECT_EQ(minutes.empty(), c.minutes) << minutes;
        EXPECT_EQ(hour.empty(), c.hour) << hour;
        EXPECT_EQ(week.empty(), c.weekly) << week;
        for (const std::string* message : {&minutes, &hour, &week}) {
            EXPECT_TRUE(message->empty() || message->find("type") != std::string::npos);
        }
    }
    EXPECT_EQ(CheckHours(8, 20), "");
    EXPECT_NE(CheckHours(20, 8), "");
    EXPECT_NE(CheckHours(8, 8), "");

    MemoryFiles files;
    FakeRegional regional;
    for (const char* name : {"Ann", "Mary Lou", "Zoë", "A"}) {
        EXPECT_EQ(CheckChildName(files, regional, name), "") << name;
    }
    // Forty characters of two bytes each are forty characters.
    FakeRegional japanese;
    japanese.codePage = 932;
    std::string wide;
    for (int i = 0; i < 40; ++i) {
        wide += "\x82\xa0";
    }
    EXPECT_EQ(CheckChildName(files, japanese, wide), "");
    EXPECT_NE(CheckChildName(files, japanese, wide + "\x82\xa0"), "");
    for (const char* name : {"", "Ann/Ben", "a:b", "con", "0Ann", "Ann1", " Ann", "Ann.",
                             "Abcdefghijklmnopqrstuvwxyzabcdefghijklmno"}) { // 41 letters
        const std::string message = CheckChildName(files, regional, name);
        EXPECT_TRUE(message.starts_with("Name: ")) << name << ": " << message;
    }
}

TEST(ChildLimits, ReadBackAsWrittenAndOlderRecordsAsTheSameEveryDay) {
    MemoryFiles files;
    FakeRegional regional;
    const auto store = [&](const RecordValues& values) {
        std::string text;
        for (const auto& [key, value] : values) {
            text += RecordPattern(key) + value + "\r\n";
        }
        files["Ann"] = text;
    };
    const ChildLimits limits = Week(300);
    const RecordValues values = LimitRecords(limits, 5);
    store(values);
    EXPECT_EQ(ReadLimits(files, regional, "Ann"), limits);
    EXPECT_EQ(ReadRecord(files, "open", "Ann"), "10"); // Saturday's hours for the timer
    EXPECT_EQ(ReadRecord(files, "close", "Ann"), "22");

    const struct {
        const char* record;
        std::optional<DayLimits> every; // nothing: unreadable
    } older[] = {
        {"|||daily|||90\r\n|||open|||8\r\n|||close|||20\r\n", DayLimits{90, 8, 20}},
        {"|||daily|||90\r\n|||open|||0\r\n|||close|||24\r\n", DayLimits{90, 0, 24}},
        {"|||daily|||90\r\n", DayLimits{90, 0, 24}},
        {"|||daily|||90\r\n|||open|||8\r\n|||close|||8\r\n", DayLimits{90, 0, 24}},
        {"|||daily|||90\r\n|||open|||20\r\n|||close|||8\r\n", std::nullopt},
        {"|||daily|||lots\r\n", std::nullopt},
        {"|||open|||8\r\n", std::nullopt},
        {"|||minutes|||60 60 60\r\n|||hours|||8-20\r\n", std::nullopt},
        {"|||minutes|||60 60 60 60 60 60 60\r\n|||hours|||8-20 8-20 8-20 8-20 8-20 8-20 20-8\r\n",
         std::nullopt},
    };
    for (const auto& c : older) {
        SCOPED_TRACE(c.record);
        files["Ann"] = c.record;
        if (c.every) {
            const ChildLimits read = ReadLimits(files, regional, "Ann");
            for (const DayLimits& day : read.days) {
                EXPECT_EQ(day, *c.every);
            }
            EXPECT_FALSE(read.weeklyMinutes);
        } else {
            EXPECT_THROW(ReadLimits(files, regional, "Ann"), TypeMismatch);
        }
    }
}

TEST(SessionEnd, IsSaidOnceAndOnlyWhenTheRecordIsWhole) {
    MemoryFiles files;
    for (auto reason : {SessionEndReason::TimeUp, SessionEndReason::HoursOver,
                        SessionEndReason::Midday, SessionEndReason::EndSession}) {
        RecordSessionEnd(files, "Ann", reason);
        const auto said = TakeSessionEnd(files);
        ASSERT_TRUE(said);
        EXPECT_EQ(said->user, "Ann");
        EXPECT_EQ(said->reason, reason);
        EXPECT_FALSE(TakeSessionEnd(files));
    }
    EXPECT_EQ(SessionEndText(SessionEndReason::Midday),
              "It was 12:00 midday: log in again to go on");
    for (const char* forged : {"|||user|||Ann\r\n|||reason|||bored\r\n", "|||reason|||time\r\n"}) {
        files["lastend"] = forged;
        EXPECT_FALSE(TakeSessionEnd(files));
        EXPECT_FALSE(files.Has("lastend"));
    }
}

} // namespace
} // namespace tembrel

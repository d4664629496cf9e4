#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/Errors.h"
#include "platform/fakes/FakeRegional.h"
#include "records/CalendarText.h"
#include "records/Counter.h"
#include "records/FindDate.h"
#include "records/Number.h"
#include "records/Optionals.h"

namespace tembrel {
namespace {

TEST(SecondsToClock, GivesTheClockTextOfEveryKindOfValue) {
    struct Case {
        std::optional<double> seconds;
        const char* clock;
    };
    const Case cases[] = {
        {std::nullopt, "00:00:00"}, {0, "00:00:00"},         {5, "00:00:05"},
        {59, "00:00:59"},           {60, "00:01:00"},        {61, "00:01:01"},
        {3599, "00:59:59"},         {3600, "01:00:00"},      {3661, "01:01:01"},
        {36000, "10:00:00"},        {86399, "23:59:59"},     {359999, "99:59:59"},
        {360000, "100:00:00"},      {5.5, "00:00:5.5"},      {90.5, "00:01:30.5"},
        {0.5, "00:00:0.5"},         {-5, "00:00:-5"},        {-120, "00:00:-120"},
        {-0.5, "00:00:-0.5"},       {3600000, "1000:00:00"}, {59.75, "00:00:59.75"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SecondsToClock(c.seconds, "."), c.clock) << c.seconds.value_or(-1);
    }
    EXPECT_EQ(SecondsToClock(90.5, ","), "00:01:30,5");
}

// What taking 60 away while 60 or more is left gives, field by field.
std::string ClockBySubtraction(double s) {
    long long minutes = 0;
    while (s >= 60) {
        s -= 60;
        ++minutes;
    }
    const auto padded = [](std::string text) { return text.size() == 1 ? "0" + text : text; };
    return padded(NumberText(minutes / 60)) + ":" + padded(NumberText(minutes % 60)) + ":" +
           padded(NumberText(s, "."));
}

TEST(SecondsToClock, AgreesWithTakingAwayMinuteByMinute) {
    std::vector<double> values;
    for (int k = 1; k < 2000; k += 7) {
        const double whole = 60.0 * k;
        // Values just below a whole minute are where a quotient rounds up across it.
        values.insert(values.end(), {whole, std::nextafter(whole, 0.0), whole + 0.1, whole - 0.1,
                                     whole + 59.999, whole / 7});
    }
    for (const double s : values) {
        EXPECT_EQ(SecondsToClock(s, "."), ClockBySubtraction(s)) << s;
    }
}

TEST(SecondsToClock, HandlesHugeValuesAtOnce) {
    EXPECT_EQ(SecondsToClock(1e15, "."), "277777777777:46:40");
    EXPECT_THROW(SecondsToClock(1e300, "."), ArithmeticOverflow);
}

TEST(DateKey, IsTheShortDateWithDashesForSlashes) {
    FakeRegional regional;
    const LocalTime date{2025, 12, 8};
    struct Case {
        const char* pattern;
        const char* key;
    };
    for (const Case& c : {Case{"M/d/yyyy", "12-8-2025"}, Case{"dd/MM/yyyy", "08-12-2025"},
                          Case{"yyyy-MM-dd", "2025-12-08"}, Case{"dd.MM.yyyy", "08.12.2025"},
                          Case{"d//M/yy", "8--12-25"}}) {
        regional.shortDatePattern = c.pattern;
        EXPECT_EQ(DateKey(regional, date), c.key) << c.pattern;
    }
}

// The stamps of the log and the journal and the history's dates read back as written, and only
// as written: a day that does not exist is no date.
TEST(CalendarText, ReadsBackWhatItWritesAndNothingElse) {
    for (const LocalTime& t : {LocalTime{2024, 2, 29, 23, 59, 59}, LocalTime{987, 3, 4, 7, 5, 9},
                               LocalTime{2026, 12, 31, 0, 0, 0}}) {
        const auto back = ReadStamp(StampText(t));
        ASSERT_TRUE(back) << StampText(t);
        EXPECT_EQ(StampText(*back), StampText(t));
    }
    EXPECT_EQ(StampText(LocalTime{987, 3, 4, 7, 5, 9}), "0987-03-04 07:05:09");
    for (const char* text :
         {"2025-02-29 10:00:00", "2026-13-01 10:00:00", "2026-12-00 10:00:00",
          "2026-12-09 24:00:00", "2026-12-09 10:60:00", "2026-12-09T10:00:00", "2026-12-9 10:00:00",
          "2026-12-09 10:00:00 ", "+026-12-09 10:00:00", "0000-01-01 00:00:00", ""}) {
        EXPECT_FALSE(ReadStamp(text)) << '"' << text << '"';
    }
    EXPECT_FALSE(ReadIsoDate("2026-12-09 "));
    EXPECT_FALSE(ReadIsoTime("7:05:09"));
}

TEST(WeekOfYear, GivesTheIsoWeekNumber) {
    struct Case {
        LocalTime date;
        const char* week;
    };
    for (const Case& c :
         {Case{{2021, 1, 1}, "53"}, Case{{2023, 1, 1}, "52"}, Case{{2023, 1, 2}, "1"},
          Case{{2025, 6, 15}, "24"}, Case{{2024, 12, 30}, "1"}, Case{{2020, 12, 31}, "53"},
          Case{{2026, 1, 4}, "1"}, Case{{2027, 1, 3}, "53"}}) {
        EXPECT_EQ(WeekOfYear(c.date), c.week)
            << c.date.year << '-' << c.date.month << '-' << c.date.day;
    }
}

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// Sakamoto's weekday, 1 = Monday ... 7 = Sunday.
int IsoWeekday(int y, int m, int d) {
    static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (m < 3) {
        y -= 1;
    }
    const int sunday0 = (y + y / 4 - y / 100 + y / 400 + t[m - 1] + d) % 7;
    return sunday0 == 0 ? 7 : sunday0;
}

int WeeksInYear(int y) {
    const auto p = [](int year) { return (year + year / 4 - year / 100 + year / 400) % 7; };
    return p(y) == 4 || p(y - 1) == 3 ? 53 : 52;
}

// The ordinal-date rule: week = (ordinal - weekday + 10) / 7, corrected at both ends of the year.
int IsoWeekByOrdinal(int y, int m, int d) {
    int ordinal = d;
    for (int month = 1; month < m; ++month) {
        ordinal += DaysInMonth(y, month);
    }
    const int week = (ordinal - IsoWeekday(y, m, d) + 10) / 7;
    if (week < 1) {
        return WeeksInYear(y - 1);
    }
    return week > WeeksInYear(y) ? 1 : week;
}

TEST(WeekOfYear, AgreesWithTheOrdinalRuleFrom1990To2100) {
    int checked = 0;
    for (int y = 1990; y <= 2100; ++y) {
        for (int m = 1; m <= 12; ++m) {
            for (int d = 1; d <= DaysInMonth(y, m); ++d, ++checked) {
                ASSERT_EQ(WeekOfYear({y, m, d}), std::to_string(IsoWeekByOrdinal(y, m, d)))
                    << y << '-' << m << '-' << d;
            }
        }
    }
    EXPECT_EQ(checked, 40542);
}

TEST(HoursWindowState, FollowsTheOpeningAndClosingHours) {
    using Value = std::optional<std::string>;
    using State = std::optional<std::string>;
    const Value none;
    struct Case {
        Value open;
        Value close;
        int fromHour;
        int toHour;
        State state;
    };
    const Case cases[] = {
        {"8", "20", 8, 19, "OPEN"},
        {"8", "20", 20, 23, "CLOSED"},
        {"8", "20", 0, 7, "CLOSED"},
        {"8", "8", 0, 23, "OPEN"},
        {none, none, 0, 23, "OPEN"},
        {"", none, 0, 23, "OPEN"},
        {"abc", "abc", 0, 23, "OPEN"},
        {"8", "9", 8, 8, "OPEN"},
        {"8", "9", 9, 9, "CLOSED"},
        {"8", "9", 0, 7, "CLOSED"},
        {none, "20", 0, 19, "OPEN"},
        {none, "20", 20, 23, "CLOSED"},
        {"8", none, 0, 23, std::nullopt},
        {"22", "6", 0, 23, std::nullopt},
        {"8", "08", 0, 23, std::nullopt},
        {"0", "24", 0, 23, "OPEN"},
        {"8.5", "20", 0, 23, "CLOSED"},
        {"8", "20.5", 8, 19, "OPEN"},
        {"8", "20.5", 20, 23, "CLOSED"},
        {" 8 ", "20", 8, 8, "OPEN"},
        {"-5", "3", 0, 2, "OPEN"},
        {"-5", "3", 3, 23, "CLOSED"},
        // A closing hour far beyond the day is answered at once.
        {"8", "99999999999999999999", 8, 23, "OPEN"},
        {"8", "99999999999999999999", 0, 7, "CLOSED"},
        {"-99999999", "20", 0, 19, "OPEN"},
        {"30", "40", 0, 23, "CLOSED"},
    };
    for (const Case& c : cases) {
        for (int hour = c.fromHour; hour <= c.toHour; ++hour) {
            EXPECT_EQ(HoursWindowState(c.open, c.close, hour, "."), c.state)
                << c.open.value_or("(absent)") << " to " << c.close.value_or("(absent)") << " at "
                << hour;
        }
    }
    EXPECT_EQ(HoursWindowState("8,5", "10", 9, ","), "CLOSED");
    EXPECT_EQ(HoursWindowState("8", "9,5", 8, ","), "OPEN");
}

TEST(HoursWindowState, DifferentValuesMustBeNumbers) {
    using Value = std::optional<std::string>;
    const Value none;
    for (const auto& [open, close] : {std::pair<Value, Value>{"abc", "20"},
                                      {"8", "abc"},
                                      {"", "20"},
                                      {"8", ""},
                                      {"8.5", "20"},
                                      {none, "x"}}) {
        EXPECT_THROW(HoursWindowState(open, close, 8, ","), TypeMismatch)
            << open.value_or("(absent)") << " to " << close.value_or("(absent)");
    }
}

TEST(ShiftText, ShiftsEveryByteAndRefusesToLeaveTheCodePage) {
    EXPECT_EQ(ShiftText("abc", 1), "bcd");
    EXPECT_EQ(ShiftText("bcd", 0), "abc");
    EXPECT_EQ(ShiftText("abc", -1), "bcd");
    EXPECT_EQ(ShiftText("", 0), "");
    std::string all;
    for (int code = 1; code <= 255; ++code) {
        all += static_cast<char>(code);
    }
    EXPECT_EQ(ShiftText(ShiftText(all, 0), 1), all);
    EXPECT_THROW(ShiftText(std::string("ab\0", 3), 0), ArithmeticOverflow);
    EXPECT_THROW(ShiftText("ab\xFF", 1), ArithmeticOverflow);
}

} // namespace
} // namespace tembrel

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "history/UsageHistory.h"
#include "platform/Errors.h"
#include "platform/fakes/FakeClock.h"
#include "platform/fakes/MemoryFiles.h"
#include "session/DiagnosticLog.h"

namespace tembrel {
namespace {

ClosedSession Session(std::string user, LocalTime start, LocalTime end, long long used,
                      long long bonus = 0, CloseReason reason = CloseReason::TimeUp,
                      long long bonusUsed = 0) {
    return ClosedSession{std::move(user), start, end, used, bonus, reason, bonusUsed};
}

LocalTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return LocalTime{year, month, day, hour, minute, second};
}

void ExpectSame(const ClosedSession& got, const ClosedSession& want) {
    EXPECT_EQ(got.user, want.user);
    EXPECT_EQ(IsoDate(got.start) + " " + IsoTime(got.start),
              IsoDate(want.start) + " " + IsoTime(want.start));
    EXPECT_EQ(IsoDate(got.end) + " " + IsoTime(got.end),
              IsoDate(want.end) + " " + IsoTime(want.end));
    EXPECT_EQ(got.allowanceUsed, want.allowanceUsed);
    EXPECT_EQ(got.bonusGiven, want.bonusGiven);
    EXPECT_EQ(got.reason, want.reason);
    EXPECT_EQ(got.bonusUsed, want.bonusUsed);
}

std::string Header() {
    return std::string(HistoryHeader()) + "\r\n";
}

TEST(CalendarTest, DayNumbersWeekdaysAndDatesAgree) {
    EXPECT_EQ(DayNumber(At(1970, 1, 1)), 0);
    EXPECT_EQ(Weekday(0), 3); // Thursday
    EXPECT_EQ(Weekday(DayNumber(At(2026, 12, 7))), 0);
    EXPECT_EQ(Weekday(DayNumber(At(2000, 2, 29))), 1);
    EXPECT_EQ(Weekday(DayNumber(At(1969, 12, 29))), 0); // before day 0
    EXPECT_EQ(DayNumber(At(2025, 1, 1)) - DayNumber(At(2024, 12, 31)), 1);
    EXPECT_EQ(DayNumber(At(2025, 3, 1)) - DayNumber(At(2024, 3, 1)), 365);
    EXPECT_EQ(DayNumber(At(2024, 3, 1)) - DayNumber(At(2023, 3, 1)), 366);
    for (long long day = DayNumber(At(1999, 12, 1)); day < DayNumber(At(2101, 1, 31)); ++day) {
        ASSERT_EQ(DayNumber(DateOfDay(day)), day);
    }
    EXPECT_EQ(IsoDate(At(987, 3, 4)), "0987-03-04");
    EXPECT_EQ(IsoTime(At(2026, 1, 1, 7, 5, 9)), "07:05:09");
}

TEST(UsageHistoryRowTest, EveryWayOfEndingWritesOneRowThatReadsBack) {
    struct Case {
        CloseReason reason;
        const char* code;
    };
    const Case cases[] = {
        {CloseReason::TimeUp, "time up"},     {CloseReason::HoursWindow, "hours window"},
        {CloseReason::Midday, "midday"},      {CloseReason::EndSession, "End Session"},
        {CloseReason::Replaced, "replaced"},  {CloseReason::Shutdown, "shutdown"},
        {CloseReason::Recovered, "recovered"}};
    std::vector<ClosedSession> sessions;
    for (const Case& c : cases) {
        const ClosedSession s = Session("Ann", At(2026, 12, 9, 14, 3, 7),
                                        At(2026, 12, 9, 14, 48, 7), 2700, 600, c.reason, 480);
        EXPECT_EQ(HistoryRow(s), std::string("2026-12-09,14:03:07,14:48:07,\"Ann\",2700,600,") +
                                     c.code + ",480\r\n");
        sessions.push_back(s);
    }
    // Over midnight: the row carries the close's day, and the start reads back as the day before.
    sessions.push_back(Session("Bo", At(2026, 12, 31, 23, 50, 0), At(2027, 1, 1, 0, 10, 0), 1200,
                               -300, CloseReason::Replaced));
    const ParsedHistory parsed = ParseHistory(HistoryText(sessions));
    EXPECT_EQ(parsed.damaged, 0u);
    ASSERT_EQ(parsed.rows.size(), sessions.size());
    for (std::size_t i = 0; i < sessions.size(); ++i) {
        ExpectSame(parsed.rows[i], sessions[i]);
    }
    EXPECT_EQ(HistoryText(sessions).substr(0, Header().size()), Header());

    // A history from before the bonus used had its column reads on, with none used; a negative
    // bonus used is no row.
    const ParsedHistory older =
        ParseHistory("date,start,end,child,allowance seconds,bonus seconds,ended\r\n"
                     "2026-12-09,14:03:07,14:48:07,\"Ann\",2700,600,time up\r\n"
                     "2026-12-09,15:00:00,15:10:00,\"Ann\",600,0,time up,-5\r\n");
    EXPECT_EQ(older.damaged, 1u);
    ASSERT_EQ(older.rows.size(), 1u);
    ExpectSame(older.rows[0], Session("Ann", At(2026, 12, 9, 14, 3, 7), At(2026, 12, 9, 14, 48, 7),
                                      2700, 600, CloseReason::TimeUp, 0));
}

TEST(UsageHistoryRowTest, HostileNamesStayOneFieldOfOneLineAndNeverAFormula) {
    struct Case {
        std::string name;
        std::string field; // as the row holds it
        std::string back;  // as it reads back
    };
    const std::string longName(300, 'x');
    const Case cases[] = {
        {"a,b", "\"a,b\"", "a,b"},
        {"say \"hi\"", "\"say \"\"hi\"\"\"", "say \"hi\""},
        {"=HYPERLINK(\"http://x\")", "\"'=HYPERLINK(\"\"http://x\"\")\"",
         "=HYPERLINK(\"http://x\")"},
        {"+1", "\"'+1\"", "+1"},
        {"-1", "\"'-1\"", "-1"},
        {"@SUM(A1)", "\"'@SUM(A1)\"", "@SUM(A1)"},
        {"'quoted", "\"''quoted\"", "'quoted"},
        {"<b>x</b>", "\"<b>x</b>\"", "<b>x</b>"},
        {"a\r\nb\tc\x1b\x7f", "\"a??b?c??\"", "a??b?c??"},
        {"Z\xe9lie\x80", "\"Z\xe9lie\x80\"", "Z\xe9lie\x80"},
        {longName, "\"" + longName + "\"", longName},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string row =
            HistoryRow(Session(c.name, At(2026, 1, 2, 9), At(2026, 1, 2, 10), 60));
        EXPECT_EQ(row, "2026-01-02,09:00:00,10:00:00," + c.field + ",60,0,time up,0\r\n");
        EXPECT_EQ(row.find_first_of("\r\n"), row.size() - 2);
        const ParsedHistory parsed = ParseHistory(Header() + row);
        ASSERT_EQ(parsed.rows.size(), 1u);
        EXPECT_EQ(parsed.rows[0].user, c.back);
    }
}

TEST(UsageHistoryRowTest, TornAndDamagedLinesAreDroppedAndCounted) {
    const std::string good =
        HistoryRow(Session("Ann", At(2026, 3, 1, 9), At(2026, 3, 1, 10), 3600));
    const std::string other =
        HistoryRow(Session("Bo", At(2026, 3, 1, 11), At(2026, 3, 1, 12), 120));
    struct Case {
        const char* what;
        std::string text;
        std::size_t rows, damaged;
    };
    const Case cases[] = {
        {"a torn last line", Header() + good + other.substr(0, 30), 1, 1},
        // Whole as it looks, but a row we wrote always ends in CR LF: it was cut in the number.
        {"a last row without its line end", Header() + good + other.substr(0, other.size() - 2), 1,
         1},
        {"zeros a power cut left", Header() + good + std::string(64, '\0') + "\r\n" + other, 2, 1},
        {"LF line ends", "date,x\n" + good.substr(0, good.size() - 2) + "\n", 1, 1},
        {"no header, empty lines", "\r\n" + good + "\r\n\r\n" + other, 2, 0},
        {"bad date, time, number, reason, quote",
         Header() + "2026-02-30,09:00:00,10:00:00,\"A\",1,0,time up\r\n" +
             "2026-03-01,24:00:00,10:00:00,\"A\",1,0,time up\r\n" +
             "2026-03-01,09:00:00,10:00:00,\"A\",1x,0,time up\r\n" +
             "2026-03-01,09:00:00,10:00:00,\"A\",1,0,lunch\r\n" +
             "2026-03-01,09:00:00,10:00:00,\"A,1,0,time up\r\n" +
             "2026-03-01,09:00:00,10:00:00,\"\",1,0,time up\r\n" + good,
         1, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ParsedHistory parsed = ParseHistory(c.text);
        EXPECT_EQ(parsed.rows.size(), c.rows);
        EXPECT_EQ(parsed.damaged, c.damaged);
    }
}

TEST(UsageHistoryRowTest, RowsOlderThanTheKeptDaysAreDropped) {
    const LocalTime today = At(2026, 3, 1, 18);
    std::vector<ClosedSession> rows;
    for (const LocalTime& end : {At(2025, 1, 24, 9), At(2025, 1, 25, 9), At(2026, 3, 1, 9),
                                 At(2024, 2, 29, 9), At(2027, 1, 1, 9)}) {
        rows.push_back(Session("Ann", end, end, 60));
    }
    // 2025-01-25 is 400 days before 2026-03-01; a clock that went back keeps "future" rows.
    DropOldRows(rows, today, 400, 100);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(IsoDate(rows[0].end), "2025-01-25");
    EXPECT_EQ(IsoDate(rows[1].end), "2026-03-01");
    EXPECT_EQ(IsoDate(rows[2].end), "2027-01-01");

    // Beyond the cap the oldest go, wherever they stand; the others keep their order.
    DropOldRows(rows, today, 400, 2);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(IsoDate(rows[0].end), "2026-03-01");
    EXPECT_EQ(IsoDate(rows[1].end), "2027-01-01");
}

class UsageHistoryFileTest : public ::testing::Test {
  protected:
    MemoryFiles files;
    FakeClock clock;
    DiagnosticLog log{files, clock};
    UsageHistory history{files, log};
    std::string path = files.folder + "\\Tembrel usage.csv";

    std::string LogText() { return files.files[files.folder + "\\Tembrel.log"]; }
    ClosedSession On(int day, long long used = 60) {
        return Session("Ann", At(2026, 3, day, 9), At(2026, 3, day, 10), used);
    }
};

TEST_F(UsageHistoryFileTest, TornLastLineIsRepairedByTheNextClose) {
    const std::string good = HistoryRow(On(1));
    files.files[path] = Header() + good + HistoryRow(On(2)).substr(0, 25);
    const auto rows = history.Add(On(3), At(2026, 3, 3, 10));
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->size(), 2u);
    EXPECT_EQ(files.files[path], Header() + good + HistoryRow(On(3)));
    EXPECT_NE(LogText().find("1 damaged line(s) dropped"), std::string::npos);
    EXPECT_EQ(files.files.count(path + ".tmp"), 0u);
}

TEST_F(UsageHistoryFileTest, RowsWaitWhileTheFileIsLockedAndAreWrittenOnce) {
    files.files[path] = Header() + HistoryRow(On(1));
    bool readFails = true, replaceFails = false;
    files.beforeOp = [&](MemoryFiles::Op op, const std::string& p) {
        if (p == path && ((op == MemoryFiles::Op::Read && readFails) ||
                          (op == MemoryFiles::Op::Replace && replaceFails))) {
            throw FileError("locked");
        }
    };
    EXPECT_FALSE(history.Add(On(2), At(2026, 3, 2)));
    EXPECT_EQ(history.Pending(), 1u);

    readFails = false;
    replaceFails = true; // read, but the swap fails: the page may show the rows, they still wait
    const auto shown = history.Add(On(3), At(2026, 3, 3));
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->size(), 3u);
    EXPECT_EQ(history.Pending(), 2u);
    EXPECT_EQ(files.files[path], Header() + HistoryRow(On(1)));
    EXPECT_EQ(files.files.count(path + ".tmp"), 0u);

    replaceFails = false;
    ASSERT_TRUE(history.Add(On(4), At(2026, 3, 4)));
    EXPECT_EQ(history.Pending(), 0u);
    EXPECT_EQ(files.files[path], Header() + HistoryRow(On(1)) + HistoryRow(On(2)) +
                                     HistoryRow(On(3)) + HistoryRow(On(4)));
    EXPECT_NE(LogText().find("cannot read, 1 row(s) wait"), std::string::npos);
    EXPECT_NE(LogText().find("cannot write, 2 row(s) wait"), std::string::npos);
}

TEST_F(UsageHistoryFileTest, FourHundredDaysOfClosesKeepFourHundredAndOneDays) {
    std::vector<ClosedSession> rows;
    for (long long day = DayNumber(At(2025, 1, 1)); day < DayNumber(At(2026, 6, 30)); ++day) {
        LocalTime end = DateOfDay(day);
        end.hour = 10;
        rows.push_back(Session("Ann", end, end, 60));
    }
    files.files[path] = HistoryText(rows);
    const LocalTime today = At(2026, 6, 30, 10);
    ASSERT_TRUE(history.Add(Session("Ann", today, today, 60), today));
    const ParsedHistory parsed = ParseHistory(files.files[path]);
    ASSERT_EQ(parsed.rows.size(), 401u);
    EXPECT_EQ(IsoDate(parsed.rows.front().end), "2025-05-26");
}

} // namespace
} // namespace tembrel

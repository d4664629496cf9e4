#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "history/UsageHistory.h"
#include "history/UsageRecorder.h"
#include "history/UsageReport.h"
#include "history/UsageSummary.h"
#include "platform/Errors.h"
#include "session/tests/SessionFixture.h"

namespace tembrel {
namespace {

LocalTime At(int year, int month, int day, int hour = 10, int minute = 0) {
    return LocalTime{year, month, day, hour, minute, 0};
}

ClosedSession Closed(const std::string& user, const LocalTime& end, long long used,
                     CloseReason reason = CloseReason::TimeUp) {
    LocalTime start = end;
    start.hour = end.hour > 0 ? end.hour - 1 : 0;
    return ClosedSession{user, start, end, used, 0, reason};
}

// True when `text` is UTF-8 throughout and holds no control character but tab, CR and LF: text
// that HtmlText would have to replace somewhere.
bool CleanUtf8(const std::string& text) {
    return HtmlText(text).find("\xEF\xBF\xBD") == std::string::npos;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST(UsageSummaryTest, WeeksBeginOnMondayAcrossTheYearsEnd) {
    // Sunday 3 January 2027: this week began on Monday 28 December 2026.
    const LocalTime sunday = At(2027, 1, 3, 18);
    const std::vector<ClosedSession> rows = {
        Closed("Ann", At(2026, 12, 20), 1),       // two weeks back: neither week
        Closed("Ann", At(2026, 12, 21), 10),      // Monday of last week
        Closed("Ann", At(2026, 12, 27, 23), 100), // Sunday of last week
        Closed("Ann", At(2026, 12, 28, 0), 1000), // Monday of this week
        Closed("Ann", At(2027, 1, 3, 9), 10000),  // today
        Closed("Ann", At(2027, 1, 4), 100000),    // tomorrow: the clock was set back
    };
    const auto children = SummariseUsage(rows, sunday);
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(children[0].today, 10000);
    EXPECT_EQ(children[0].thisWeek, 11000);
    EXPECT_EQ(children[0].lastWeek, 110);

    // On a Monday this week is today alone.
    const auto monday = SummariseUsage(rows, At(2026, 12, 28, 18));
    EXPECT_EQ(monday[0].thisWeek, 1000);
    EXPECT_EQ(monday[0].lastWeek, 110);
}

TEST(UsageSummaryTest, ChartHoldsTheLastFourteenDaysEndingToday) {
    const LocalTime now = At(2026, 3, 1, 20); // 2026 is no leap year: 13 days back is 16 Feb
    const std::vector<ClosedSession> rows = {
        Closed("Ann", At(2026, 2, 15), 7),  // 14 days back: outside
        Closed("Ann", At(2026, 2, 16), 60), // the first bar
        Closed("Ann", At(2026, 2, 16), 60), Closed("Ann", At(2026, 2, 28), 120),
        Closed("Ann", At(2026, 3, 1), 300), // the last bar
        Closed("Ann", At(2026, 3, 2), 9),   // after today: outside
    };
    const auto days = SummariseUsage(rows, now)[0].days;
    EXPECT_EQ(days[0], 120);
    EXPECT_EQ(days[12], 120);
    EXPECT_EQ(days[13], 300);
    long long total = 0;
    for (const long long d : days) {
        total += d;
    }
    EXPECT_EQ(total, 540);
}

TEST(UsageSummaryTest, ChildrenByNameEachWithTheirLastSessionsNewestFirst) {
    std::vector<ClosedSession> rows;
    for (int day = 1; day <= 12; ++day) {
        rows.push_back(Closed("bo", At(2026, 3, day), day));
    }
    rows.push_back(Closed("Ann", At(2026, 3, 5), 5, CloseReason::Midday));
    rows.push_back(Closed("Cy", At(2026, 2, 1), 5));
    const auto children = SummariseUsage(rows, At(2026, 3, 12, 20), 8);
    ASSERT_EQ(children.size(), 3u);
    EXPECT_EQ(children[0].user, "Ann");
    EXPECT_EQ(children[1].user, "bo");
    EXPECT_EQ(children[2].user, "Cy");
    ASSERT_EQ(children[1].last.size(), 8u);
    EXPECT_EQ(children[1].last.front().allowanceUsed, 12);
    EXPECT_EQ(children[1].last.back().allowanceUsed, 5);
    EXPECT_EQ(children[0].last[0].reason, CloseReason::Midday);
}

TEST(UsageReportPageTest, HostileNamesReachThePageAsTextOnly) {
    const std::string longName(300, 'w');
    const std::vector<std::string> names = {
        "<script>alert(1)</script>",
        "\"><img src=x onerror=alert(1)>",
        "&amp; 'quoted'",
        std::string("ctl\x01\x1b\x7f\x9d end"),
        std::string("nul\0byte", 8),
        "Z\xe9lie \x80",
        longName,
    };
    std::vector<ClosedSession> rows;
    for (const std::string& name : names) {
        rows.push_back(Closed(name, At(2026, 3, 1), 600));
    }
    const std::string page = UsageReportPage(rows, At(2026, 3, 1, 20));
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("<img"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(page.find("&quot;&gt;&lt;img src=x onerror=alert(1)&gt;"), std::string::npos);
    EXPECT_NE(page.find("&amp;amp; &#39;quoted&#39;"), std::string::npos);
    // Control characters (C0, DEL, and C1 that the unassigned 0x9D becomes) show as U+FFFD.
    EXPECT_NE(page.find("ctl\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD end"),
              std::string::npos);
    EXPECT_NE(page.find("nul\xEF\xBF\xBD"
                        "byte"),
              std::string::npos);
    EXPECT_NE(page.find("Z\xC3\xA9lie \xE2\x82\xAC"), std::string::npos); // é and €
    EXPECT_NE(page.find(std::string(80, 'w') + "\xE2\x80\xA6</h2>"), std::string::npos);
    EXPECT_EQ(page.find(std::string(81, 'w')), std::string::npos);
    for (std::size_t i = 0; i < page.size(); ++i) {
        const auto c = static_cast<unsigned char>(page[i]);
        ASSERT_TRUE(c >= 0x20 || c == '\n') << "control byte at " << i;
    }
}

TEST(UsageReportPageTest, HtmlTextReplacesWhatIsNoCharacter) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"\xC3\xA9", "\xC3\xA9"},
        {"\xC3", "\xEF\xBF\xBD"},                                 // cut short
        {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},                 // overlong "/"
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}, // a surrogate
        {"\xC2\x85", "\xEF\xBF\xBD"},                             // C1 control
        {"a\tb", "a\tb"},
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HtmlText(c.in), c.out) << c.in;
    }
    EXPECT_EQ(HtmlText("\xC3\xA9\xC3\xA9\xC3\xA9", 2), "\xC3\xA9\xC3\xA9\xE2\x80\xA6");
}

TEST(UsageReportPageTest, PageStandsAloneAndPrintsOneChildAPage) {
    const std::vector<ClosedSession> rows = {Closed("Ann", At(2026, 3, 1), 2700),
                                             Closed("Bo", At(2026, 2, 27), 90)};
    const std::string page = UsageReportPage(rows, At(2026, 3, 1, 20));
    for (const char* outside : {"<script", "http:", "https:", "src=", "url(", "@import",
                                "@font-face", "<link", "<iframe", "<object"}) {
        EXPECT_EQ(page.find(outside), std::string::npos) << outside;
    }
    EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_NE(page.find("default-src 'none'"), std::string::npos);
    EXPECT_NE(page.find("@media print"), std::string::npos);
    EXPECT_NE(page.find("break-after:page"), std::string::npos);
    EXPECT_NE(page.find("@media (max-width:520px)"), std::string::npos);
    EXPECT_EQ(Count(page, "<svg"), 2u);
    EXPECT_EQ(Count(page, "<section class=\"child\">"), 2u);
    EXPECT_TRUE(CleanUtf8(page));
    EXPECT_NE(page.find("<dt>Today</dt><dd>45 min</dd>"), std::string::npos);
    EXPECT_NE(page.find("<dt>This week</dt><dd>2 min</dd>"), std::string::npos); // 90 s
    const std::string empty = UsageReportPage({}, At(2026, 3, 1));
    EXPECT_NE(empty.find("No sessions recorded yet."), std::string::npos);
}

// Every way a session ends reaches the history through the close, with what was used.
TEST_F(SessionTest, EveryCloseWritesItsRowAndThePage) {
    UsageRecorder recorder(files, clock, regional, log);
    session.onClosed = [&recorder](const ClosedSession& s) { recorder.Closed(s); };
    struct Case {
        const char* code;
        std::function<void()> close;
        long long used;
    };
    const Case cases[] = {
        {"time up", [&] { Ticks(5); }, 5},
        {"hours window",
         [&] {
             files["Ann"] = "|||open|||8\r\n|||close|||10\r\n";
             Ticks(1);
             files["Ann"] = "";
         },
         0},
        {"midday",
         [&] {
             Ticks(3);
             clock.now.hour = 12;
             session.Timer2Tick();
             clock.now.hour = 10;
         },
         3},
        {"End Session",
         [&] {
             Ticks(4);
             session.Command6Click();
         },
         4},
        {"replaced",
         [&] {
             Ticks(2);
             HandOver("5", "Bo");
             Ticks(1);
             session.Command6Click();
         },
         2},
        {"shutdown",
         [&] {
             Ticks(3);
             session.AddBonusSeconds(600);
             session.RecordRunningSession();
         },
         3},
    };
    const std::string csv = files.folder + "\\Tembrel usage.csv";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        HandOver("5");
        const std::size_t before = ParseHistory(files.files[csv]).rows.size();
        c.close();
        const ParsedHistory parsed = ParseHistory(files.files[csv]);
        ASSERT_GT(parsed.rows.size(), before);
        const ClosedSession& row = parsed.rows[before];
        EXPECT_EQ(row.user, "Ann");
        EXPECT_EQ(ReasonCode(row.reason), c.code);
        EXPECT_EQ(row.allowanceUsed, c.used);
    }
    const auto rows = ParseHistory(files.files[csv]).rows;
    EXPECT_EQ(rows[rows.size() - 2].user, "Bo"); // the session that replaced Ann's
    EXPECT_EQ(ReasonCode(rows[rows.size() - 2].reason), "End Session");
    EXPECT_EQ(rows.back().bonusGiven, 600);
    const std::string page = files.files[files.folder + "\\Tembrel usage.html"];
    EXPECT_NE(page.find("<h2>Ann</h2>"), std::string::npos);
    EXPECT_NE(page.find("<h2>Bo</h2>"), std::string::npos);
    EXPECT_NE(page.find("Windows shut down"), std::string::npos);
}

// A session of 2 minutes' allowance and 2 min 19 s of bonus was 4 min 19 s at the PC; a child
// set up on the lock screen has her card before her first session; each card shows the limits.
TEST_F(SessionTest, TheReportCountsTheTimeAtThePcBesideTheLimitsOfEveryListedChild) {
    UsageRecorder recorder(files, clock, regional, log);
    session.onClosed = [&recorder](const ClosedSession& s) { recorder.Closed(s); };
    files["engine"] = "|||children|||Ann/Cleo/Dan\r\n";
    files["Ann"] = "|||minutes|||60 60 60 60 60 120 120\r\n"
                   "|||hours|||8-20 8-20 8-20 8-20 8-20 0-24 0-24\r\n|||weekly|||300\r\n";
    files["Cleo"] = "|||minutes|||0 30 30 30 30 30 30\r\n"
                    "|||hours|||0-24 0-24 0-24 0-24 0-24 0-24 0-24\r\n|||weekly|||none\r\n";
    files["Dan"] = "|||minutes|||many\r\n"; // no limits to read: his card shows none
    session.SetText1("139");
    HandOver("120", "ann"); // the hand-over may spell her otherwise
    Ticks(259);
    ASSERT_FALSE(session.SessionRunning());

    const auto rows = ParseHistory(files.files[files.folder + "\\Tembrel usage.csv"]).rows;
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].allowanceUsed, 120);
    EXPECT_EQ(rows[0].bonusUsed, 139);
    const std::string page = files.files[files.folder + "\\Tembrel usage.html"];
    for (const char* part : {
             "<h2>ann</h2><dl class=\"totals\"><div><dt>Today</dt><dd>4 min<small>of 1 h 00 "
             "min</small></dd></div><div><dt>This week</dt><dd>4 min<small>of 5 h 00 "
             "min</small></dd></div><div><dt>Last week</dt><dd>0 min<small>of 5 h 00 "
             "min</small>",
             "<b>Limits</b> Mon–Fri 1 h 00 min, 08:00–20:00 · Sat–Sun 2 h 00 min, all day · "
             "5 h 00 min a week</p>",
             "<h2>Cleo</h2><dl class=\"totals\"><div><dt>Today</dt><dd>0 min<small>of 0 "
             "min</small></dd></div><div><dt>This week</dt><dd>0 min</dd>",
             "<b>Limits</b> Mon none · Tue–Sun 30 min, all day</p>",
             "<h2>Dan</h2><dl class=\"totals\"><div><dt>Today</dt><dd>0 min</dd>",
         }) {
        EXPECT_NE(page.find(part), std::string::npos) << part;
    }
    EXPECT_EQ(Count(page, "<h2>"), 3u); // "ann" is Ann, not a child of her own
    EXPECT_EQ(Count(page, "No sessions yet."), 2u);
    EXPECT_EQ(Count(page, "<svg"), 1u);
}

TEST_F(SessionTest, AReportThatCannotBeWrittenLeavesTheOldPageAndTheCloseGoesOn) {
    UsageRecorder recorder(files, clock, regional, log);
    session.onClosed = [&recorder](const ClosedSession& s) { recorder.Closed(s); };
    const std::string html = files.folder + "\\Tembrel usage.html";
    files.files[html] = "old page";
    bool failing = true;
    FailOn(MemoryFiles::Op::Replace, html, failing);
    HandOver("5");
    Ticks(5);
    EXPECT_FALSE(session.SessionRunning());
    EXPECT_EQ(Launches(), 1);
    EXPECT_EQ(files.files[html], "old page");
    EXPECT_EQ(files.files.count(html + ".tmp"), 0u);
    EXPECT_EQ(ParseHistory(files.files[files.folder + "\\Tembrel usage.csv"]).rows.size(), 1u);
    EXPECT_NE(LogText().find("Usage report: locked"), std::string::npos);

    // A hook that throws is logged; the close is done all the same.
    session.onClosed = [](const ClosedSession&) { throw FileError("disk gone"); };
    HandOver("5");
    Ticks(5);
    EXPECT_EQ(Launches(), 2);
    EXPECT_NE(LogText().find("Usage history: disk gone"), std::string::npos);
}

} // namespace
} // namespace tembrel

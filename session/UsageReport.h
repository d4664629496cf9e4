#pragma once
// The usage report, "Tembrel usage.html" beside the history: one page a parent opens from the
// Start menu, rewritten whole after every close. For each child: today's use, this week's and last
// week's total (weeks from Monday), the minutes of each of the last 14 days as a bar chart, and
// the last sessions with how they ended.
//
// The page stands alone: no script, no font or picture from anywhere (the chart is inline SVG),
// and a content security policy that forbids both, so that a page opened from disk can never run
// anything. Children's names come from a file any account can write; they reach the page as text
// only. The page is UTF-8: names are bytes of the system's ANSI code page and are converted on
// the way in, so the page reads the same in every browser, whatever the code page.
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/Files.h"
#include "session/ClosedSession.h"

namespace tembrel {

// Bytes of the ANSI code page to UTF-8.
using AnsiToUtf8 = std::function<std::string(std::string_view)>;
// Windows-1252, the code page of the tests and of machines without one of their own. Its five
// unassigned bytes become U+FFFD.
std::string Windows1252ToUtf8(std::string_view text);

// UTF-8 text as HTML text or attribute value: & < > " ' as references; control characters
// (C0 except tab, LF and CR; DEL; C1) and bytes that are no UTF-8 become U+FFFD. Longer texts than
// `maxCharacters` are cut and end in an ellipsis.
std::string HtmlText(std::string_view utf8, std::size_t maxCharacters = 0);

// What the page shows of one child, in seconds of allowance used.
struct ChildUsage {
    std::string user;
    long long today = 0;
    long long thisWeek = 0;           // Monday up to today
    long long lastWeek = 0;           // the Monday to Sunday before
    std::array<long long, 14> days{}; // days[13] is today, days[0] 13 days before
    std::vector<ClosedSession> last;  // the last sessions, newest first
};
// One entry per child that the rows name, in order of name (letter case aside).
std::vector<ChildUsage> SummariseUsage(const std::vector<ClosedSession>& rows, const LocalTime& now,
                                       std::size_t lastSessions = 8);

std::string UsageReportPage(const std::vector<ClosedSession>& rows, const LocalTime& now,
                            const AnsiToUtf8& toUtf8 = Windows1252ToUtf8);

class UsageReport {
  public:
    static constexpr const char* kFileName = "Tembrel usage.html";

    explicit UsageReport(Files& files, AnsiToUtf8 toUtf8 = Windows1252ToUtf8)
        : files_(files), toUtf8_(std::move(toUtf8)) {}

    std::string Path() const;
    // Writes the page beside itself and swaps it in: a browser never finds half a page. Throws.
    void Write(const std::vector<ClosedSession>& rows, const LocalTime& now);

  private:
    Files& files_;
    AnsiToUtf8 toUtf8_;
};

} // namespace tembrel

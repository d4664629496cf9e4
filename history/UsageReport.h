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
// the way in (HtmlText).
#include <string>
#include <utility>
#include <vector>

#include "history/HtmlText.h"
#include "history/UsageSummary.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Regional.h"
#include "session/ClosedSession.h"

namespace tembrel {

// The children on the lock screen's list, each with her limits (none where her record cannot be
// read). Throws when the list itself cannot be read.
std::vector<ListedChild> ListedChildren(Files& files, const Regional& regional);

// The whole page: a section a child, from SummariseUsage; a listed child has one even before her
// first session, with her limits beside what she used.
std::string UsageReportPage(const std::vector<ClosedSession>& rows, const LocalTime& now,
                            const AnsiToUtf8& toUtf8 = Windows1252ToUtf8,
                            const std::vector<ListedChild>& listed = {});

class UsageReport {
  public:
    static constexpr const char* kFileName = "Tembrel usage.html";

    explicit UsageReport(Files& files, AnsiToUtf8 toUtf8 = Windows1252ToUtf8)
        : files_(files), toUtf8_(std::move(toUtf8)) {}

    std::string Path() const;
    // Writes the page beside itself and swaps it in: a browser never finds half a page. Throws.
    void Write(const std::vector<ClosedSession>& rows, const LocalTime& now,
               const std::vector<ListedChild>& listed = {});

  private:
    Files& files_;
    AnsiToUtf8 toUtf8_;
};

} // namespace tembrel

// Writes a usage report from fixed rows, for a browser to render: the test that opens the page in
// headless Chromium, and the README's picture of the report.
//
//   usage_report_sample PAGE [NAMES] [--plain] [--children=N]
//
// PAGE gets the page; NAMES, if given, each child's name as the page must show it (UTF-8, one a
// line, in the page's order). Without --plain two of the children have names full of markup and
// quotes, as any account can write into the children's file; --plain gives three ordinary names.
// --children=N keeps the first N children. With --plain the children are on the lock screen's
// list with their limits, and a fourth, Ava, is listed too, without a session yet (from three
// children kept).
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "history/UsageHistory.h"
#include "history/UsageReport.h"
#include "history/UsageSummary.h"

namespace tembrel {
namespace {

// Wednesday 9 December 2026, in the evening: the chart's 14 days span a week's end and the
// weeks from Monday have something in both.
const LocalTime kNow{2026, 12, 9, 19, 40, 0};

LocalTime At(long long day, int minuteOfDay) {
    LocalTime time = DateOfDay(day);
    time.hour = minuteOfDay / 60;
    time.minute = minuteOfDay % 60;
    return time;
}

// A fixed pseudo-random sequence, so that the page is the same on every run.
unsigned Next(unsigned& state) {
    state = state * 1103515245u + 12345u;
    return (state >> 16) & 0x7FFF;
}

// Sessions of the last `days` days, at most `most` of them.
void AddChild(std::vector<ClosedSession>& rows, const std::string& user, unsigned seed,
              int minutesADay, int days, int most) {
    const long long today = DayNumber(kNow);
    unsigned state = seed;
    int added = 0;
    static constexpr CloseReason kReasons[] = {
        CloseReason::TimeUp,   CloseReason::TimeUp,   CloseReason::EndSession,
        CloseReason::TimeUp,   CloseReason::Midday,   CloseReason::HoursWindow,
        CloseReason::Replaced, CloseReason::Shutdown, CloseReason::Recovered};
    for (long long day = today - days + 1; day <= today && added < most; ++day) {
        if (Next(state) % 7 == 0) {
            continue; // a day without the computer
        }
        const int sessions = 1 + static_cast<int>(Next(state) % 3);
        int minute = 8 * 60 + static_cast<int>(Next(state) % 120);
        for (int i = 0; i < sessions && minute < 22 * 60 && added < most; ++i) {
            const int length =
                minutesADay / sessions / 2 + static_cast<int>(Next(state) % (minutesADay / 2 + 1));
            const int end = minute + length;
            if (day == today && end > kNow.hour * 60 + kNow.minute) {
                break;
            }
            ClosedSession s;
            s.user = user;
            s.start = At(day, minute);
            s.end = At(day, end);
            s.allowanceUsed = static_cast<long long>(length) * 60 + Next(state) % 60;
            s.bonusGiven = Next(state) % 5 == 0 ? 15 * 60 : 0;
            s.bonusUsed = s.bonusGiven / 2;
            s.reason = kReasons[Next(state) % (sizeof kReasons / sizeof kReasons[0])];
            rows.push_back(s);
            ++added;
            minute = end + 30 + static_cast<int>(Next(state) % 180);
        }
    }
}

} // namespace
} // namespace tembrel

int main(int argc, char** argv) {
    using namespace tembrel;
    std::vector<std::string> paths;
    bool plain = false;
    std::size_t keep = 3;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--plain") == 0) {
            plain = true;
        } else if (std::strncmp(argv[i], "--children=", 11) == 0) {
            keep = std::strtoul(argv[i] + 11, nullptr, 10);
        } else {
            paths.emplace_back(argv[i]);
        }
    }
    if (paths.empty() || paths.size() > 2) {
        std::cerr << "usage: usage_report_sample PAGE [NAMES] [--plain] [--children=N]\n";
        return 2;
    }
    // Names as the children's file holds them: bytes of the ANSI code page (here Windows-1252).
    struct Child {
        std::string name;
        unsigned seed;
        int minutesADay, days, most;
    };
    const std::vector<Child> children =
        plain ? std::vector<Child>{{"Mia", 7, 50, 21, 1000},
                                   {"Leo", 108, 75, 21, 1000},
                                   {"Zo\xEB", 209, 100, 21, 1000}}
              // Two children new to the computer have short sections: Leo's and Mia's would share
              // a printed page if the print style did not keep them apart.
              : std::vector<Child>{{"<b>Bold</b> \"Zo\xEB\" & 'Max' <img src=x>", 7, 50, 21, 1000},
                                   {"L\xE9o <script>document.title='x'</script>", 108, 75, 2, 2},
                                   {"Mia", 209, 100, 1, 1}};
    std::vector<ClosedSession> rows;
    for (std::size_t i = 0; i < children.size() && i < keep; ++i) {
        const Child& c = children[i];
        AddChild(rows, c.name, c.seed, c.minutesADay, c.days, c.most);
    }

    std::vector<ListedChild> listed;
    if (plain) {
        ChildLimits schoolDays;
        for (std::size_t day = 0; day < schoolDays.days.size(); ++day) {
            schoolDays.days[day] = day < 5 ? DayLimits{120, 8, 20} : DayLimits{180, 0, 24};
        }
        schoolDays.weeklyMinutes = 660;
        ChildLimits sameEveryDay;
        sameEveryDay.days.fill(DayLimits{150, 9, 19});
        for (std::size_t i = 0; i < children.size() && i < keep; ++i) {
            listed.push_back({children[i].name, i == 1 ? sameEveryDay : schoolDays});
        }
        if (keep >= 3) {
            listed.push_back({"Ava", sameEveryDay});
        }
    }
    std::ofstream page(paths[0], std::ios::binary);
    page << UsageReportPage(rows, kNow, Windows1252ToUtf8, listed);
    if (!page.flush()) {
        std::cerr << "cannot write " << paths[0] << "\n";
        return 1;
    }
    if (paths.size() == 2) {
        std::ofstream list(paths[1], std::ios::binary);
        for (const ChildUsage& child : SummariseUsage(rows, kNow, 8, listed)) {
            list << Windows1252ToUtf8(child.user) << "\n";
        }
        if (!list.flush()) {
            std::cerr << "cannot write " << paths[1] << "\n";
            return 1;
        }
    }
    return 0;
}

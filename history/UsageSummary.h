#pragma once
// What the usage report shows of each child, as numbers: the seconds of allowance used today, this
// week and last week (weeks from Monday), on each of the last 14 days, and the last sessions.
#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "session/ClosedSession.h"

namespace tembrel {

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

} // namespace tembrel

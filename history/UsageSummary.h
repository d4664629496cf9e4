#pragma once
// What the usage report shows of each child, as numbers: the seconds at the PC (allowance and bonus
// used) today, this week and last week (weeks from Monday), on each of the last 14 days, and the
// last sessions.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "records/ChildLimits.h"
#include "session/ClosedSession.h"

namespace tembrel {

struct ChildUsage {
    std::string user;
    long long today = 0;
    long long thisWeek = 0;            // Monday up to today
    long long lastWeek = 0;            // the Monday to Sunday before
    std::array<long long, 14> days{};  // days[13] is today, days[0] 13 days before
    std::vector<ClosedSession> last;   // the last sessions, newest first
    std::optional<ChildLimits> limits; // as set on the lock screen; none for a child not listed
};

// A child on the lock screen's list, with her limits when they can be read.
struct ListedChild {
    std::string name;
    std::optional<ChildLimits> limits;
};

// The seconds a session counts at the PC: its allowance and the bonus it used.
long long SecondsAtThePc(const ClosedSession& session);

// One entry per child that the rows or the list name, in order of name (letter case aside). A
// listed child is matched to her rows in any letter case, as her record files are.
std::vector<ChildUsage> SummariseUsage(const std::vector<ClosedSession>& rows, const LocalTime& now,
                                       std::size_t lastSessions = 8,
                                       const std::vector<ListedChild>& listed = {});

} // namespace tembrel

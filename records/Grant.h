#pragma once
// What a login grants a child, and what her tile on the lock screen says before she logs in: the
// two come from one computation, so the tile never promises what the login would not give.
#include <string>

#include "platform/Clock.h"
#include "records/ChildLimits.h"

namespace tembrel {

// What the timer's usage records say the child used, in seconds.
struct UsedSeconds {
    long long today = 0;
    long long week = 0;
};

struct Grant {
    enum class Standing {
        Open,       // `seconds` may be used now
        NotToday,   // no minutes on this weekday
        UsedUp,     // today's minutes are used
        WeekUsedUp, // the weekly budget is used
        NotYet,     // today's hours begin at `backAtHour`
        HoursOver,  // today's hours are over
        Midday,     // the timer ends every session in the minute of 12:00; back at 12:01
    };
    Standing standing = Standing::Open;
    long long seconds = 0; // above 0 exactly when Open
    int backAtHour = 0;
    // Open, and the session would run past 12:00 midday, where the timer ends every session.
    bool stopsAtMidday = false;
};

// The least of what is left of today's minutes, of the weekly budget, and of today's hours.
Grant GrantAt(const ChildLimits& limits, const LocalTime& now, const UsedSeconds& used);

// "1 h 20 min left", "No time left today", "Back at 15:00", "Not today", ...
std::string TileText(const Grant& grant);
// "2 h", "1 h 5 min", "45 min", "less than 1 min".
std::string DurationText(long long seconds);

} // namespace tembrel

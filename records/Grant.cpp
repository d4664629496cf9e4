#include "records/Grant.h"

#include <algorithm>

#include "records/FindDate.h"
#include "records/Number.h"

namespace tembrel {

namespace {

constexpr long long kHour = 3600;
constexpr long long kNoon = 12 * kHour;

} // namespace

Grant GrantAt(const ChildLimits& limits, const LocalTime& now, const UsedSeconds& used) {
    using Standing = Grant::Standing;
    const DayLimits& today = limits.days.at(static_cast<std::size_t>(Weekday(DayNumber(now))));
    const long long clock = now.hour * kHour + now.minute * 60LL + now.second;
    Grant grant;
    // A damaged usage record with a negative value never adds time.
    const long long leftToday = today.minutes * 60LL - std::max(used.today, 0LL);
    const long long leftWeek =
        limits.weeklyMinutes ? *limits.weeklyMinutes * 60LL - std::max(used.week, 0LL) : leftToday;
    if (today.minutes == 0) {
        grant.standing = Standing::NotToday;
    } else if (leftToday <= 0) {
        grant.standing = Standing::UsedUp;
    } else if (leftWeek <= 0) {
        grant.standing = Standing::WeekUsedUp;
    } else if (now.hour < today.open) {
        grant.standing = Standing::NotYet;
        grant.backAtHour = today.open;
    } else if (now.hour >= today.close) {
        grant.standing = Standing::HoursOver;
    } else if (now.hour == 12 && now.minute == 0) {
        grant.standing = Standing::Midday;
    } else {
        grant.seconds = std::min({leftToday, leftWeek, today.close * kHour - clock});
        grant.stopsAtMidday = clock < kNoon && clock + grant.seconds > kNoon;
    }
    return grant;
}

std::string DurationText(long long seconds) {
    const long long minutes = seconds / 60;
    if (minutes == 0) {
        return "less than 1 min";
    }
    std::string hours = NumberText(minutes / 60) + " h";
    if (minutes % 60 == 0) {
        return hours;
    }
    const std::string rest = NumberText(minutes % 60) + " min";
    return minutes < 60 ? rest : hours + " " + rest;
}

std::string TileText(const Grant& grant) {
    using Standing = Grant::Standing;
    switch (grant.standing) {
    case Standing::Open:
        return DurationText(grant.seconds) + " left";
    case Standing::NotToday:
        return "Not today";
    case Standing::UsedUp:
    case Standing::HoursOver:
        return "No time left today";
    case Standing::WeekUsedUp:
        return "No time left this week";
    case Standing::NotYet:
        return "Back at " + NumberText(grant.backAtHour) + ":00";
    case Standing::Midday:
        return "Back at 12:01";
    }
    return {};
}

} // namespace tembrel

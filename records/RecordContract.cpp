#include "records/RecordContract.h"

#include "records/FindDate.h"
#include "records/Number.h"

namespace tembrel::contract {

UsageNames UsageNamesFor(const Regional& regional, std::string_view user, const LocalTime& date) {
    const std::string dateKey = DateKey(regional, date);
    UsageNames names;
    names.daily = std::string(user) + dateKey;
    names.dated = dateKey + "-" + std::string(user);
    names.weekly = WeekOfYear(date) + std::string(user) + NumberText(date.year);
    names.weekStart = WeekStartSeconds(date);
    return names;
}

} // namespace tembrel::contract

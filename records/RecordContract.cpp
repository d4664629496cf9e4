#include "records/RecordContract.h"

#include <algorithm>

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

std::vector<std::string> ChildrenOfList(std::string_view list) {
    std::vector<std::string> children;
    for (std::size_t begin = 0; begin < list.size();) {
        const std::size_t end = std::min(list.find('/', begin), list.size());
        if (end > begin) {
            children.emplace_back(list.substr(begin, end - begin));
        }
        begin = end + 1;
    }
    return children;
}

} // namespace tembrel::contract

#include "session/SessionEvents.h"

#include <algorithm>

namespace tembrel {

namespace {

constexpr long long kDay = 24 * 3600;
constexpr long long kMidday = 12 * 3600;

long long SecondOfDay(const LocalTime& now) {
    return now.hour * 3600LL + now.minute * 60LL + now.second;
}

} // namespace

long long SecondsUntilMidday(const LocalTime& now) {
    const long long second = SecondOfDay(now);
    return second <= kMidday ? kMidday - second : kDay + kMidday - second;
}

std::optional<long long> SecondsUntilHour(std::optional<int> hour, const LocalTime& now) {
    if (!hour) {
        return std::nullopt;
    }
    return std::max(0LL, *hour * 3600LL - SecondOfDay(now));
}

} // namespace tembrel

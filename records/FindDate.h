#pragma once
// The calendar keys of the usage record file names.
#include <string>

#include "platform/Clock.h"
#include "platform/Regional.h"

namespace tembrel {

// The ISO 8601 week number of the date as text, "1" to "53", without the year.
std::string WeekOfYear(const LocalTime& date);

// The date in the user's short date format with every "/" replaced by "-".
std::string DateKey(const Regional& regional, const LocalTime& date);

} // namespace tembrel

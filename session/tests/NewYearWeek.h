#pragma once
// The week the simulated weeks run across: 30 December 2027 to 6 January 2028, short date
// M/d/yyyy, New Year and the start of ISO week 1 on Monday 3 January among its days.
#include <string>

#include "platform/Clock.h"

namespace tembrel {

inline const char* const kUsers[] = {"Ann", "Bob", "Cy"};

// The date key of a day of that week, as the fake regional settings give it.
inline std::string DateKeyOf(const LocalTime& t) {
    return std::to_string(t.month) + "-" + std::to_string(t.day) + "-" + std::to_string(t.year);
}

// The weekly usage file name: 27 December 2027 to 2 January 2028 are week 52; week 1 of 2028
// begins on 3 January.
inline std::string WeekFileOf(const LocalTime& t, const std::string& user) {
    const int week = t.year == 2027 || t.day <= 2 ? 52 : 1;
    return std::to_string(week) + user + std::to_string(t.year);
}

} // namespace tembrel

#pragma once
// The calendar keys of the usage record file names.
#include <string>

#include "platform/Clock.h"
#include "platform/Regional.h"

namespace tembrel {

// Days since 1970-01-01 of the date part of `time` (proleptic Gregorian calendar).
long long DayNumber(const LocalTime& time);
// The date of a day number, at 00:00:00.
LocalTime DateOfDay(long long day);
// 0 for Monday up to 6 for Sunday.
int Weekday(long long day);

// The ISO 8601 week number of the date as text, "1" to "53", without the year.
std::string WeekOfYear(const LocalTime& date);

// Seconds since 1 January 1970 00:00 of a local time, read as if no clock change lay between: for
// the age of a file and the start of a week, not for any text.
long long LocalSeconds(const LocalTime& time);

// The same in milliseconds, for the age of a file written a moment ago.
long long LocalMilliseconds(const LocalTime& time);

// LocalSeconds of Monday 00:00 of the ISO week of the date.
long long WeekStartSeconds(const LocalTime& date);

// The date in the user's short date format with every "/" replaced by "-", and so is every other
// character no file name may hold ("\", ":", "*", "?", quotes, "<", ">", "|", control characters,
// a broken character of two bytes), which some formats yield: the key names the usage files, and
// a key that cannot name a file would lock the child out or lose the session's use. The digits
// stay, so no two days share a key. A format that yields nothing gives "yyyy-MM-dd".
std::string DateKey(const Regional& regional, const LocalTime& date);

} // namespace tembrel

#pragma once
// The calendar as text in Tembrel's own files: ISO dates and times in the usage history and its
// report, the stamp of each line of the log and of the journal. One way to write each, and a
// strict way to read it back: a file any account can change must not slip a date that does not
// exist past the reader.
#include <optional>
#include <string>
#include <string_view>

#include "platform/Clock.h"

namespace tembrel {

// "2026-12-09", the year padded to four digits.
std::string IsoDate(const LocalTime& time);
// "14:03:07".
std::string IsoTime(const LocalTime& time);
// "2026-12-09 14:03:07".
std::string StampText(const LocalTime& time);

// The date of IsoDate's text, at 00:00:00; absent for anything else, a day the month does not have
// included.
std::optional<LocalTime> ReadIsoDate(std::string_view text);
// The hour, minute and second of IsoTime's text (on 2000-01-01); absent for anything else.
std::optional<LocalTime> ReadIsoTime(std::string_view text);
// The time of StampText's text; absent for anything else.
std::optional<LocalTime> ReadStamp(std::string_view text);

} // namespace tembrel

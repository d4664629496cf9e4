#include "records/FindDate.h"

#include <string_view>

#include "records/CalendarText.h"
#include "records/Number.h"

namespace tembrel {

// The civil-from-days and days-from-civil algorithms of the proleptic Gregorian calendar, on eras
// of 400 years.
long long DayNumber(const LocalTime& time) {
    const long long y = time.year - (time.month <= 2 ? 1 : 0);
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yearOfEra = y - era * 400;
    const long long m = time.month;
    const long long dayOfYear = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + time.day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

LocalTime DateOfDay(long long day) {
    day += 719468;
    const long long era = (day >= 0 ? day : day - 146096) / 146097;
    const long long dayOfEra = day - era * 146097;
    const long long yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long mp = (5 * dayOfYear + 2) / 153;
    LocalTime date;
    date.day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    date.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    date.year = static_cast<int>(yearOfEra + era * 400 + (date.month <= 2 ? 1 : 0));
    return date;
}

int Weekday(long long day) {
    // 1970-01-01 was a Thursday.
    return static_cast<int>(((day % 7) + 7 + 3) % 7);
}

std::string WeekOfYear(const LocalTime& date) {
    const long long day = DayNumber(date);
    const long long weekday = Weekday(day);
    // A week belongs to the year that holds its Thursday, and its number counts the Thursdays of
    // that year up to it.
    const long long thursday = day - weekday + 3;
    const long long yearStart = DayNumber(LocalTime{DateOfDay(thursday).year, 1, 1, 0, 0, 0});
    return NumberText((thursday - yearStart) / 7 + 1);
}

std::string DateKey(const Regional& regional, const LocalTime& date) {
    std::string key = regional.ShortDate(date);
    if (key.empty()) {
        return IsoDate(date);
    }
    for (std::size_t i = 0; i < key.size();) {
        const auto b = static_cast<unsigned char>(key[i]);
        if (CharacterSize(regional, key, i) == 2) {
            if (!regional.IsDoubleByteCharacter(b, static_cast<unsigned char>(key[i + 1]))) {
                key[i] = '-';
                key[i + 1] = '-';
            }
            i += 2;
            continue;
        }
        if (b < 0x20 || b == 0x7F || regional.IsLeadByte(b) ||
            std::string_view("/\\:*?\"<>|").find(key[i]) != std::string_view::npos) {
            key[i] = '-';
        }
        ++i;
    }
    return key;
}

long long LocalSeconds(const LocalTime& time) {
    return DayNumber(time) * 86400 + time.hour * 3600LL + time.minute * 60LL + time.second;
}

long long LocalMilliseconds(const LocalTime& time) {
    return LocalSeconds(time) * 1000 + time.millisecond;
}

long long WeekStartSeconds(const LocalTime& date) {
    const long long days = DayNumber(date);
    return (days - Weekday(days)) * 86400;
}

} // namespace tembrel

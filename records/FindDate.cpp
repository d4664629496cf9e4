#include "records/FindDate.h"

#include <string_view>

#include "records/Number.h"

namespace tembrel {

namespace {

// Days since 1 January 1970 of a date of the proleptic Gregorian calendar.
long long DaysFromCivil(long long year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// The year a day (days since 1 January 1970) falls in.
long long YearOfDay(long long days) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long monthIndex = (5 * dayOfYear + 2) / 153; // 0 is March
    return yearOfEra + era * 400 + (monthIndex >= 10 ? 1 : 0);
}

} // namespace

std::string WeekOfYear(const LocalTime& date) {
    const long long day = DaysFromCivil(date.year, date.month, date.day);
    // 1 January 1970 was a Thursday; 0 is Monday.
    const long long weekday = ((day % 7) + 7 + 3) % 7;
    // A week belongs to the year that holds its Thursday, and its number counts the Thursdays of
    // that year up to it.
    const long long thursday = day - weekday + 3;
    const long long yearStart = DaysFromCivil(YearOfDay(thursday), 1, 1);
    return NumberText((thursday - yearStart) / 7 + 1);
}

std::string DateKey(const Regional& regional, const LocalTime& date) {
    std::string key = regional.ShortDate(date);
    if (key.empty()) {
        const auto padded = [](int value) {
            return value < 10 ? "0" + NumberText(value) : NumberText(value);
        };
        return NumberText(date.year) + "-" + padded(date.month) + "-" + padded(date.day);
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
    return DaysFromCivil(time.year, time.month, time.day) * 86400 + time.hour * 3600LL +
           time.minute * 60LL + time.second;
}

long long WeekStartSeconds(const LocalTime& date) {
    const long long days = DaysFromCivil(date.year, date.month, date.day);
    // 1 January 1970 was a Thursday: day 0 is weekday 3 counting Monday as 0.
    const long long weekday = ((days % 7) + 7 + 3) % 7;
    return (days - weekday) * 86400;
}

} // namespace tembrel

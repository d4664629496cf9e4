#include "records/CalendarText.h"

#include <array>

namespace tembrel {

namespace {

std::string Padded(int value, std::size_t width) {
    std::string text = std::to_string(value);
    text.insert(0, text.size() < width ? width - text.size() : 0, '0');
    return text;
}

// Digits only, exactly as many as the text holds; none is no number.
std::optional<int> Digits(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

int DaysInMonth(int year, int month) {
    static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

} // namespace

std::string IsoDate(const LocalTime& time) {
    return Padded(time.year, 4) + "-" + Padded(time.month, 2) + "-" + Padded(time.day, 2);
}

std::string IsoTime(const LocalTime& time) {
    return Padded(time.hour, 2) + ":" + Padded(time.minute, 2) + ":" + Padded(time.second, 2);
}

std::string StampText(const LocalTime& time) {
    return IsoDate(time) + " " + IsoTime(time);
}

std::optional<LocalTime> ReadIsoDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    const auto year = Digits(text.substr(0, 4));
    const auto month = Digits(text.substr(5, 2));
    const auto day = Digits(text.substr(8, 2));
    if (!year || !month || !day || *year < 1 || *month < 1 || *month > 12 || *day < 1 ||
        *day > DaysInMonth(*year, *month)) {
        return std::nullopt;
    }
    return LocalTime{*year, *month, *day, 0, 0, 0};
}

std::optional<LocalTime> ReadIsoTime(std::string_view text) {
    if (text.size() != 8 || text[2] != ':' || text[5] != ':') {
        return std::nullopt;
    }
    const auto hour = Digits(text.substr(0, 2));
    const auto minute = Digits(text.substr(3, 2));
    const auto second = Digits(text.substr(6, 2));
    if (!hour || !minute || !second || *hour > 23 || *minute > 59 || *second > 59) {
        return std::nullopt;
    }
    LocalTime time;
    time.hour = *hour;
    time.minute = *minute;
    time.second = *second;
    return time;
}

std::optional<LocalTime> ReadStamp(std::string_view text) {
    if (text.size() != 19 || text[10] != ' ') {
        return std::nullopt;
    }
    auto date = ReadIsoDate(text.substr(0, 10));
    const auto time = ReadIsoTime(text.substr(11));
    if (!date || !time) {
        return std::nullopt;
    }
    date->hour = time->hour;
    date->minute = time->minute;
    date->second = time->second;
    return date;
}

} // namespace tembrel

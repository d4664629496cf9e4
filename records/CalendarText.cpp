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

// "2026-12-09" or "14:03:07": a field of `firstWidth` digits, then two of two digits, each after
// `separator`.
std::optional<std::array<int, 3>> ThreeNumbers(std::string_view text, std::size_t firstWidth,
                                               char separator) {
    if (text.size() != firstWidth + 6 || text[firstWidth] != separator ||
        text[firstWidth + 3] != separator) {
        return std::nullopt;
    }
    const auto first = Digits(text.substr(0, firstWidth));
    const auto second = Digits(text.substr(firstWidth + 1, 2));
    const auto third = Digits(text.substr(firstWidth + 4, 2));
    if (!first || !second || !third) {
        return std::nullopt;
    }
    return std::array<int, 3>{*first, *second, *third};
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
    const auto n = ThreeNumbers(text, 4, '-');
    if (!n || (*n)[0] < 1 || (*n)[1] < 1 || (*n)[1] > 12 || (*n)[2] < 1 ||
        (*n)[2] > DaysInMonth((*n)[0], (*n)[1])) {
        return std::nullopt;
    }
    return LocalTime{(*n)[0], (*n)[1], (*n)[2], 0, 0, 0};
}

std::optional<LocalTime> ReadIsoTime(std::string_view text) {
    const auto n = ThreeNumbers(text, 2, ':');
    if (!n || (*n)[0] > 23 || (*n)[1] > 59 || (*n)[2] > 59) {
        return std::nullopt;
    }
    LocalTime time;
    time.hour = (*n)[0];
    time.minute = (*n)[1];
    time.second = (*n)[2];
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

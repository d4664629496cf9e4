#include "records/ChildLimits.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <tuple>

#include "platform/Errors.h"
#include "records/FileHandle.h"
#include "records/Number.h"

namespace tembrel {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A whole number in [low, high] as a parent types it (spaces around it allowed), or nothing.
std::optional<int> WholeIn(const std::string& text, const std::string& separator, int low,
                           int high) {
    try {
        const double value = NumericValue(text, separator);
        if (value != std::floor(value) || value < low || value > high) {
            return std::nullopt;
        }
        return static_cast<int>(value);
    } catch (const TypeMismatch&) {
        return std::nullopt;
    }
}

int StoredWhole(const std::string& text, int low, int high, const char* what) {
    const std::optional<int> value = WholeIn(text, ".", low, high);
    if (!value) {
        throw TypeMismatch(std::string(what) + " \"" + text + "\" is no whole number from " +
                           std::to_string(low) + " to " + std::to_string(high));
    }
    return *value;
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    if (words.size() != kDaysInWeek) {
        throw TypeMismatch("\"" + text + "\" does not hold seven days");
    }
    return words;
}

std::pair<int, int> StoredWindow(const std::string& text) {
    const std::size_t dash = text.find('-');
    if (dash == std::string::npos) {
        throw TypeMismatch("hours \"" + text + "\" are no window");
    }
    const int open = StoredWhole(text.substr(0, dash), 0, 23, "opening hour");
    const int close = StoredWhole(text.substr(dash + 1), 1, 24, "closing hour");
    if (close <= open) {
        throw TypeMismatch("hours \"" + text + "\" close before they open");
    }
    return {open, close};
}

} // namespace

ChildLimits ReadLimits(Files& files, const Regional& regional, const std::string& child) {
    const auto read = [&](const char* key) { return ReadRecord(files, regional, key, child); };
    ChildLimits limits;
    if (const auto minutes = read(childkey::kMinutes)) {
        const std::vector<std::string> words = Words(*minutes);
        for (int day = 0; day < kDaysInWeek; ++day) {
            limits.days[day].minutes = StoredWhole(words[day], 0, kMaxDayMinutes, "minutes");
        }
        const std::vector<std::string> windows = Words(read(childkey::kHours).value_or(""));
        for (int day = 0; day < kDaysInWeek; ++day) {
            std::tie(limits.days[day].open, limits.days[day].close) = StoredWindow(windows[day]);
        }
        const std::string weekly = read(childkey::kWeekly).value_or("none");
        if (weekly != "none") {
            limits.weeklyMinutes = StoredWhole(weekly, 0, kMaxWeekMinutes, "weekly minutes");
        }
        return limits;
    }
    // An older record: one daily limit and one window for every day. Equal hours meant all day.
    const auto daily = read(childkey::kDaily);
    if (!daily) {
        throw TypeMismatch("no limits are set");
    }
    DayLimits day;
    day.minutes = StoredWhole(*daily, 0, kMaxDayMinutes, "daily minutes");
    const auto open = read(childkey::kOpen);
    const auto close = read(childkey::kClose);
    if (open.value_or("") != close.value_or("")) {
        std::tie(day.open, day.close) = StoredWindow(open.value_or("0") + "-" + close.value_or(""));
    }
    limits.days.fill(day);
    return limits;
}

RecordValues TodaysHoursRecords(const ChildLimits& limits, int weekday) {
    const DayLimits& today = limits.days.at(static_cast<std::size_t>(weekday));
    return {{childkey::kOpen, NumberText(today.open)}, {childkey::kClose, NumberText(today.close)}};
}

RecordValues LimitRecords(const ChildLimits& limits, int weekday) {
    std::string minutes;
    std::string hours;
    for (const DayLimits& day : limits.days) {
        minutes += (minutes.empty() ? "" : " ") + NumberText(day.minutes);
        hours += (hours.empty() ? "" : " ") + NumberText(day.open) + "-" + NumberText(day.close);
    }
    RecordValues values{{childkey::kMinutes, minutes},
                        {childkey::kHours, hours},
                        {childkey::kWeekly, limits.weeklyMinutes ? NumberText(*limits.weeklyMinutes)
                                                                 : std::string("none")}};
    for (auto& value : TodaysHoursRecords(limits, weekday)) {
        values.push_back(std::move(value));
    }
    return values;
}

std::string CheckMinutes(const std::string& text, const std::string& separator, int& out) {
    const auto value = WholeIn(text, separator, 0, kMaxDayMinutes);
    if (!value) {
        return "Minutes: type a whole number from 0 to 1440 (0: not that day).";
    }
    out = *value;
    return {};
}

std::string CheckHour(const std::string& text, const std::string& separator, int& out) {
    const auto value = WholeIn(text, separator, 0, 24);
    if (!value) {
        return "Hours: type a whole hour from 0 to 24, such as 8 or 20 (not 8:30).";
    }
    out = *value;
    return {};
}

std::string CheckHours(int open, int close) {
    if (close <= open) {
        return "Hours: the closing hour must come after the opening hour (0 to 24 is all day).";
    }
    return {};
}

std::string CheckWeekly(const std::string& text, const std::string& separator,
                        std::optional<int>& out) {
    if (text.find_first_not_of(' ') == std::string::npos) {
        out.reset();
        return {};
    }
    const auto value = WholeIn(text, separator, 0, kMaxWeekMinutes);
    if (!value) {
        return "Minutes a week: type a whole number from 0 to 10080, or leave it empty for no "
               "weekly limit.";
    }
    out = *value;
    return {};
}

std::string CheckChildName(Files& files, const Regional& regional, const std::string& name) {
    if (name.empty()) {
        return "Name: type the child's name.";
    }
    std::size_t characters = 0;
    for (std::size_t at = 0; at < name.size(); at += CharacterSize(regional, name, at)) {
        ++characters;
    }
    if (characters > kMaxChildNameLength) {
        return "Name: at most 40 letters.";
    }
    // The name is a file name of the shared folder, and the timer builds its usage file names by
    // joining it with dates and week numbers: a digit at either end could make two children share
    // a usage file ("0Ann" in week 5 and "Ann" in week 50).
    if (IsDigit(name.front()) || IsDigit(name.back()) || name.front() == ' ' ||
        name.front() == '.' || name.back() == ' ' || name.back() == '.') {
        return "Name: begin and end it with a letter.";
    }
    try {
        RecordPath(files, regional, name);
    } catch (const InvalidArgument&) {
        return "Name: use letters, digits and spaces; not \\ / : * ? \" < > | and not a name "
               "Windows keeps for itself (CON, NUL, ...).";
    }
    return {};
}

std::string MergeRecords(std::string_view old, const RecordValues& values) {
    const auto folded = [](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(), [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        });
        return text;
    };
    std::string text;
    std::size_t begin = 0;
    while (begin < old.size()) {
        std::size_t end = old.find('\n', begin);
        end = end == std::string_view::npos ? old.size() : end + 1;
        std::string line(old.substr(begin, end - begin));
        begin = end;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.pop_back();
        }
        const bool replaced = std::any_of(values.begin(), values.end(), [&](const auto& value) {
            return folded(line).starts_with(folded(RecordPattern(value.first)));
        });
        if (!line.empty() && !replaced) {
            text += line + "\r\n";
        }
    }
    for (const auto& [key, value] : values) {
        if (!value.empty()) {
            text += RecordPattern(key) + value + "\r\n";
        }
    }
    return text;
}

} // namespace tembrel

#pragma once
// A child's limits as the parents set them on the lock screen, the keys that hold them in the
// child's record file, and the checks of what a parent types for them. The lock screen writes
// them; the timer reads only "open" and "close", which always hold today's hours.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Files.h"
#include "platform/Regional.h"
#include "records/RecordContract.h"

namespace tembrel {

constexpr int kDaysInWeek = 7;
constexpr int kMaxDayMinutes = 24 * 60;
constexpr int kMaxWeekMinutes = kDaysInWeek * kMaxDayMinutes;
constexpr std::size_t kMaxChildNameLength = 40;

// Keys of the child's record: the lock screen's own, and those it shares with the timer.
namespace childkey {
constexpr const char* kMinutes = "minutes"; // seven whole minutes a day, Monday first: "60 60 ..."
constexpr const char* kHours = "hours";     // seven windows, Monday first: "8-20 8-20 ..."
constexpr const char* kWeekly = "weekly";   // minutes a week, or "none"
constexpr const char* kOpen = contract::kOpenHourKey;   // today's opening hour, for the timer
constexpr const char* kClose = contract::kCloseHourKey; // today's closing hour, for the timer
constexpr const char* kPassword = contract::kChildPasswordKey; // one code lower; absent: none
constexpr const char* kDaily = contract::kDailyMinutesKey;     // older records: every day the same
} // namespace childkey

struct DayLimits {
    int minutes = 60;
    int open = 0;   // whole hours: the day's use lies in [open, close)
    int close = 24; // closing after opening
    bool operator==(const DayLimits&) const = default;
};

struct ChildLimits {
    std::array<DayLimits, kDaysInWeek> days{}; // Monday first, as Weekday() counts
    std::optional<int> weeklyMinutes;          // none: no weekly budget
    bool operator==(const ChildLimits&) const = default;
};

using RecordValues = std::vector<std::pair<std::string, std::string>>;

// The text of a record file with the given keys set: every earlier line of each key (in any letter
// case, A-Z only) is dropped and the new records follow the kept lines; an empty value only drops
// its key. Lines end in CR LF.
std::string MergeRecords(std::string_view old, const RecordValues& values);

// The limits from the child's record; a record from before the weekday limits ("daily", "open",
// "close") reads as the same every day. Throws TypeMismatch when the record holds no limits it can
// read: guessing would grant time no parent gave.
ChildLimits ReadLimits(Files& files, const Regional& regional, const std::string& child);

// The keys and values that store the limits, "open" and "close" with the hours of `weekday`
// (0 Monday) among them.
RecordValues LimitRecords(const ChildLimits& limits, int weekday);
// Only "open" and "close" for `weekday`: what changes at a login and at midnight.
RecordValues TodaysHoursRecords(const ChildLimits& limits, int weekday);

// The checks of what a parent types, each the message to show, or "" when the text is right; the
// value goes to `out`.
std::string CheckMinutes(const std::string& text, const std::string& separator, int& out);
std::string CheckHour(const std::string& text, const std::string& separator, int& out);
std::string CheckHours(int open, int close);
// An empty text is no budget.
std::string CheckWeekly(const std::string& text, const std::string& separator,
                        std::optional<int>& out);
// A child's name: a record name of its own that no usage file name can be confused with.
std::string CheckChildName(Files& files, const Regional& regional, const std::string& name);

} // namespace tembrel

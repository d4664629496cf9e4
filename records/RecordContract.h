#pragma once
// The record files that Tembrel and the lock screen share: which file holds what, under which key,
// and how the three usage files of a day are named. Both programs and the tests that play either
// side name them from here only: a name that differs between the two sides is a hand-over never
// picked up or a day's use never counted, and neither program would notice.
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/Regional.h"

namespace tembrel::contract {

// allow.var, the hand-over: the lock screen writes the user, then the allowance in seconds;
// Tembrel reads both in one read and removes the file. Tembrel asks for the allowance as "ALLOW":
// keys match in any letter case.
inline constexpr const char* kHandOverFile = "allow";
inline constexpr const char* kAllowanceKey = "allow";
inline constexpr const char* kAllowanceReadKey = "ALLOW";
inline constexpr const char* kUserKey = "user";

// EN.var, the quit signal: the lock screen writes "End", Tembrel answers with "None" as it quits.
inline constexpr const char* kQuitFile = "EN";
inline constexpr const char* kQuitKey = "EN";
inline constexpr const char* kQuitValue = "End";
inline constexpr const char* kQuitAnswered = "None";

// ps.var: the master password and its hint. The password is kept as a salted hash of it
// lower-cased (records/PasswordHash.h); the readable form, every character one code lower, is what
// a lock screen of the older kind writes, and counts only where no hash is stored.
inline constexpr const char* kPasswordFile = "ps";
inline constexpr const char* kMasterHashKey = "mhash";
inline constexpr const char* kMasterPasswordKey = "mpass";
inline constexpr const char* kMasterHintKey = "mhint";

// <user>.var: the child's daily minutes, allowed hours and password: a salted hash of it as typed,
// or in a record of the older kind the readable form, every character one code lower.
inline constexpr const char* kDailyMinutesKey = "daily";
inline constexpr const char* kOpenHourKey = "open";
inline constexpr const char* kCloseHourKey = "close";
inline constexpr const char* kChildHashKey = "pwhash";
inline constexpr const char* kChildPasswordKey = "pw";

// engine.var: the lock screen's list of children.
inline constexpr const char* kChildrenFile = "engine";
inline constexpr const char* kChildrenKey = "children";

// The usage files. The daily use is written as "used" in the user's daily file and as "USED" in
// the dated one; both programs read the day's use as "USED" (any letter case matches).
inline constexpr const char* kDailyUseKey = "used";
inline constexpr const char* kDatedUseKey = "USED";
inline constexpr const char* kDayUseReadKey = "USED";
inline constexpr const char* kWeekTotalKey = "weektotal";

// The three usage files of a user on one date.
struct UsageNames {
    std::string daily;  // user name, date key: kDailyUseKey
    std::string dated;  // date key, "-", user name: kDatedUseKey
    std::string weekly; // week number, user name, year: kWeekTotalKey
    // Monday 00:00 of the date's week (LocalSeconds): the week number holds no year of its own,
    // so a weekly file last written before this holds another week's total.
    long long weekStart = 0;

    bool operator==(const UsageNames&) const = default;
};
UsageNames UsageNamesFor(const Regional& regional, std::string_view user, const LocalTime& date);

// The children's names of the list's text ("Ann/Bo"), in its order; empty parts are no name.
std::vector<std::string> ChildrenOfList(std::string_view list);

} // namespace tembrel::contract

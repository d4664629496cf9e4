#include "standins/engine/EngineLogic.h"

#include <algorithm>
#include <cmath>

#include "platform/Errors.h"
#include "records/Counter.h"
#include "records/FileHandle.h"
#include "records/Number.h"
#include "records/Optionals.h"
#include "records/RecordContract.h"

namespace tembrel {

namespace {

using Outcome = EngineLogic::Outcome;

Outcome Refuse(std::string message) {
    return {false, std::move(message), 0};
}
Outcome Done(std::string message) {
    return {true, std::move(message), 0};
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        const std::size_t end = std::min(text.find('/', begin), text.size());
        if (end > begin) {
            parts.push_back(text.substr(begin, end - begin));
        }
        begin = end + 1;
    }
    return parts;
}

std::string Join(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : "/") + part;
    }
    return text;
}

bool SameName(const std::string& a, const std::string& b, const Regional& regional) {
    // File names do not tell letter case apart, so neither may children's names.
    return regional.ToLower(a) == regional.ToLower(b);
}

// Passwords are stored one code lower; a control character would come out as a line end or
// worse, and cannot be typed anyway.
bool UsablePassword(const std::string& password) {
    return std::all_of(password.begin(), password.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x20; });
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A whole number in [low, high], or nothing.
bool WholeNumberIn(const std::string& text, const std::string& separator, long long low,
                   long long high, long long& out) {
    try {
        const double value = NumericValue(text, separator);
        if (value != std::floor(value) || value < static_cast<double>(low) ||
            value > static_cast<double>(high)) {
            return false;
        }
        out = static_cast<long long>(value);
        return true;
    } catch (const TypeMismatch&) {
        return false;
    }
}

} // namespace

std::vector<std::string> EngineLogic::Children() {
    return Split(ReadRecord(ports_.files, contract::kChildrenKey, kChildrenFile).value_or(""));
}

std::string EngineLogic::ListedSpelling(const std::string& name) {
    for (const std::string& child : Children()) {
        if (SameName(child, name, ports_.regional)) {
            return child;
        }
    }
    return {};
}

EngineLogic::Outcome EngineLogic::LogIn(const std::string& name, const std::string& password) {
    const std::string child = ListedSpelling(name);
    if (child.empty()) {
        return Refuse("Pick your name from the list.");
    }
    Files& files = ports_.files;
    const Regional& regional = ports_.regional;
    const std::string separator = regional.DecimalSeparator();

    const std::string stored =
        ReadRecord(files, regional, contract::kChildPasswordKey, child).value_or("");
    if (!stored.empty() &&
        (!UsablePassword(password) || ShiftText(regional, password, 0) != stored)) {
        return Refuse("That password is not right.");
    }

    const LocalTime now = ports_.clock.Now();
    try {
        const auto state = HoursWindowState(
            ReadRecord(files, regional, contract::kOpenHourKey, child),
            ReadRecord(files, regional, contract::kCloseHourKey, child), now.hour, separator);
        if (state == "CLOSED") {
            return Refuse("It is outside your hours, " + child + ".");
        }
    } catch (const TypeMismatch&) {
        return Refuse("Your hours cannot be read. Ask a parent to add you again.");
    }

    long long daily = 0;
    const auto dailyText = ReadRecord(files, regional, contract::kDailyMinutesKey, child);
    if (!dailyText || !WholeNumberIn(*dailyText, separator, 0, kMaxDailyMinutes, daily)) {
        return Refuse("Your daily time cannot be read. Ask a parent to add you again.");
    }
    long long used = 0;
    const auto usedText = ReadRecord(files, regional, contract::kDayUseReadKey,
                                     contract::UsageNamesFor(regional, child, now).daily);
    if (usedText) {
        try {
            used = WholePart(StoredNumericValue(*usedText, separator));
        } catch (const TembrelError&) {
            // Granting the whole day again would be the wrong way to fail.
            return Refuse("Today's use cannot be read. Ask a parent.");
        }
    }
    const long long seconds = daily * 60 - std::max(used, 0LL);
    if (seconds <= 0) {
        return Refuse("No time left today, " + child + ".");
    }

    // A hand-over the timer has not picked up yet must not lend its allowance to this login: the
    // timer takes the allowance as soon as it sees one, with whatever user stands beside it.
    files.Remove(RecordPath(files, contract::kHandOverFile));
    WriteRecord(files, contract::kUserKey, contract::kHandOverFile, child);
    WriteRecord(files, contract::kAllowanceKey, contract::kHandOverFile, NumberText(seconds));
    return {true, "Welcome, " + child + ".", seconds};
}

bool EngineLogic::HasMasterPassword() {
    return !ReadRecord(ports_.files, contract::kMasterPasswordKey, contract::kPasswordFile)
                .value_or("")
                .empty();
}

std::string EngineLogic::MasterHint() {
    return ReadRecord(ports_.files, contract::kMasterHintKey, contract::kPasswordFile).value_or("");
}

EngineLogic::Outcome EngineLogic::CheckMaster(const std::string& master) {
    const std::string stored =
        ReadRecord(ports_.files, contract::kMasterPasswordKey, contract::kPasswordFile)
            .value_or("");
    if (stored.empty()) {
        return Refuse("Set the master password first.");
    }
    if (!UsablePassword(master) || ShiftText(ports_.regional, master, 0) != stored) {
        return Refuse("The master password is not right.");
    }
    return Done("");
}

EngineLogic::Outcome EngineLogic::SetMasterPassword(const std::string& current,
                                                    const std::string& newPassword,
                                                    const std::string& hint) {
    if (HasMasterPassword()) {
        if (Outcome check = CheckMaster(current); !check.ok) {
            return check;
        }
    }
    if (newPassword.empty() || !UsablePassword(newPassword)) {
        return Refuse("Type a new master password.");
    }
    if (hint.empty() || !UsablePassword(hint)) {
        // An empty hint could not be stored, and the old one would stay with the new password.
        return Refuse("Type a hint for the master password.");
    }
    WriteRecord(ports_.files, contract::kMasterPasswordKey, contract::kPasswordFile,
                ShiftText(ports_.regional, newPassword, 0));
    WriteRecord(ports_.files, contract::kMasterHintKey, contract::kPasswordFile, hint);
    return Done("The master password is set.");
}

EngineLogic::Outcome EngineLogic::AddChild(const std::string& master, const std::string& name,
                                           const std::string& dailyMinutes,
                                           const std::string& openHour,
                                           const std::string& closeHour,
                                           const std::string& childPassword) {
    if (Outcome check = CheckMaster(master); !check.ok) {
        return check;
    }
    Files& files = ports_.files;
    const Regional& regional = ports_.regional;

    // The name is a file name of the shared folder, and the timer builds its usage file names by
    // joining it with dates and week numbers: a digit at either end could make two children share
    // a usage file ("0Ann" in week 5 and "Ann" in week 50).
    try {
        RecordPath(files, regional, name);
    } catch (const InvalidArgument&) {
        return Refuse("That name cannot be a file name.");
    }
    if (IsDigit(name.front()) || IsDigit(name.back()) || name.front() == ' ' ||
        name.front() == '.') {
        return Refuse("A name must begin and end with a letter.");
    }
    for (const char* reserved : {contract::kHandOverFile, contract::kQuitFile,
                                 contract::kPasswordFile, contract::kChildrenFile}) {
        if (SameName(name, reserved, regional)) {
            return Refuse("That name is taken by the program.");
        }
    }

    const std::string separator = regional.DecimalSeparator();
    long long daily = 0;
    if (!WholeNumberIn(dailyMinutes, separator, 1, kMaxDailyMinutes, daily)) {
        return Refuse("Daily minutes: a whole number from 1 to 1440.");
    }
    long long open = 0;
    long long close = 24;
    if (!openHour.empty() || !closeHour.empty()) {
        if (!WholeNumberIn(openHour, separator, 0, 23, open) ||
            !WholeNumberIn(closeHour, separator, 1, 24, close) || open >= close) {
            return Refuse("Hours: from 0 to 23, until a later hour up to 24.");
        }
    }
    if (!UsablePassword(childPassword)) {
        return Refuse("That password cannot be used.");
    }

    const std::string listed = ListedSpelling(name);
    const std::string child = listed.empty() ? name : listed;
    WriteRecord(files, regional, contract::kDailyMinutesKey, child, NumberText(daily));
    WriteRecord(files, regional, contract::kOpenHourKey, child, NumberText(open));
    WriteRecord(files, regional, contract::kCloseHourKey, child, NumberText(close));
    if (!childPassword.empty()) {
        WriteRecord(files, regional, contract::kChildPasswordKey, child,
                    ShiftText(regional, childPassword, 0));
    }
    if (listed.empty()) {
        std::vector<std::string> children = Children();
        children.push_back(child);
        WriteRecord(files, contract::kChildrenKey, kChildrenFile, Join(children));
        return Done(child + " is added.");
    }
    return Done(child + " is changed.");
}

EngineLogic::Outcome EngineLogic::QuitTembrel(const std::string& master) {
    if (Outcome check = CheckMaster(master); !check.ok) {
        return check;
    }
    WriteRecord(ports_.files, contract::kQuitKey, contract::kQuitFile, contract::kQuitValue);
    return Done("Tembrel is asked to quit.");
}

} // namespace tembrel

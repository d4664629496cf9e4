#include "guard/GuardSettings.h"

#include <algorithm>
#include <exception>

#include "platform/Errors.h"
#include "records/FileHandle.h"
#include "records/FindDate.h"
#include "records/RecordContract.h"
#include "records/StoredPasswords.h"

namespace tembrel::guard {

namespace {

constexpr const char* kChildrenFile = contract::kChildrenFile;

bool PlainKey(std::string_view key) {
    return !key.empty() && std::all_of(key.begin(), key.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '_';
    });
}

bool SameAscii(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) {
                   return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
               };
               return lower(x) == lower(y);
           });
}

std::vector<std::string> ListedChildren(Files& files) {
    return contract::ChildrenOfList(
        ReadRecord(files, contract::kChildrenKey, kChildrenFile).value_or(""));
}

Reply Refuse(ActionLog& log, const Request& request, SessionId from, const std::string& why) {
    log.Record("session " + std::to_string(from) + ": a request (" + request.verb +
               ") was refused: " + why);
    return {Reply::Status::Refused, why};
}

} // namespace

std::string FormatSettingsBody(const RecordValues& values) {
    std::string body;
    for (const auto& [key, value] : values) {
        if (!PlainKey(key) ||
            value.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
            throw InvalidArgument("a setting cannot be carried: " + key);
        }
        body.append(key).append(": ").append(value).append("\n");
    }
    return body;
}

std::optional<RecordValues> ParseSettingsBody(std::string_view body) {
    RecordValues values;
    while (!body.empty()) {
        const std::size_t end = body.find('\n');
        if (end == std::string_view::npos) {
            return std::nullopt; // every line ends
        }
        const std::string_view line = body.substr(0, end);
        body.remove_prefix(end + 1);
        const std::size_t colon = line.find(": ");
        if (colon == std::string_view::npos || !PlainKey(line.substr(0, colon)) ||
            line.find_first_of(std::string_view("\r\0", 2)) != std::string_view::npos) {
            return std::nullopt;
        }
        values.emplace_back(std::string(line.substr(0, colon)),
                            std::string(line.substr(colon + 2)));
    }
    if (values.empty()) {
        return std::nullopt;
    }
    return values;
}

bool IsSettingsName(Files& files, const Regional& regional, const std::string& name) {
    if (name == contract::kPasswordFile || name == kChildrenFile) {
        return true;
    }
    // The files a child's account writes, under any spelling of their names.
    for (const char* theirs :
         {contract::kHandOverFile, contract::kQuitFile, contract::kPasswordFile, kChildrenFile}) {
        if (SameAscii(name, theirs)) {
            return false;
        }
    }
    // A child's name cannot begin or end with a digit, which every usage file name does.
    return CheckChildName(files, regional, name).empty();
}

void GuardSettings::AddTo(GuardRequests& requests) {
    requests.Add(kSettingsVerb, [this, &requests](const Request& request, SessionId from) {
        return Settings(requests, request, from);
    });
    requests.Add(kTodayVerb,
                 [this](const Request& request, SessionId from) { return Today(request, from); });
}

void GuardSettings::Write(const std::string& name, const RecordValues& values) {
    Files& files = ports_.files;
    const std::string path = RecordPath(files, ports_.regional, name);
    const std::string text = MergeRecords(ReadRecordText(files, path).value_or(""), values);
    // The new file is the parents' before it takes the old one's place: at no moment may a child's
    // account change or delete it.
    std::string temporary = files.TempPathFor(path);
    if (!ports_.scratchFolder.empty()) {
        temporary = ports_.scratchFolder + temporary.substr(temporary.rfind('\\'));
    }
    try {
        files.WriteNew(temporary, text);
        ports_.security.Protect(temporary);
        files.Replace(temporary, path);
    } catch (...) {
        try {
            files.Remove(temporary);
        } catch (const std::exception&) {
            // The leftover is harmless: no reader opens it.
        }
        throw;
    }
    // A swap may keep the old file's list; the new one counts.
    ports_.security.Protect(path);
}

std::vector<std::string> GuardSettings::ProtectAll() {
    std::vector<std::string> problems;
    std::vector<std::string> names{contract::kPasswordFile, kChildrenFile};
    try {
        for (const std::string& child : ListedChildren(ports_.files)) {
            if (IsSettingsName(ports_.files, ports_.regional, child)) {
                names.push_back(child);
            }
        }
    } catch (const std::exception& e) {
        problems.push_back(std::string("the list of children cannot be read: ") + e.what());
    }
    for (const std::string& name : names) {
        try {
            const std::string path = RecordPath(ports_.files, ports_.regional, name);
            if (ports_.files.IsPlainFile(path)) {
                ports_.security.Protect(path);
            } else if (name == contract::kPasswordFile || name == kChildrenFile) {
                Write(name, {});
            }
        } catch (const std::exception& e) {
            problems.push_back(name + ": " + e.what());
        }
    }
    return problems;
}

Reply GuardSettings::Settings(GuardRequests& requests, const Request& request, SessionId from) {
    const auto file = request.fields.find(kFileField);
    if (file == request.fields.end() ||
        !IsSettingsName(ports_.files, ports_.regional, file->second)) {
        return Refuse(ports_.log, request, from, "not a settings file");
    }
    const std::optional<RecordValues> values = ParseSettingsBody(request.body);
    if (!values) {
        return {Reply::Status::Error, "no settings to write"};
    }
    if (HasMasterPassword(ports_.files, ports_.regional)) {
        if (auto refused = requests.RefuseWithoutPassword(request, from)) {
            return *refused;
        }
    } else {
        // The first master password: nothing else, and it must be one.
        const bool onlyPassword =
            file->second == contract::kPasswordFile &&
            std::all_of(values->begin(), values->end(),
                        [](const auto& value) {
                            return SameAscii(value.first, contract::kMasterHashKey) ||
                                   SameAscii(value.first, contract::kMasterPasswordKey) ||
                                   SameAscii(value.first, contract::kMasterHintKey);
                        }) &&
            std::any_of(values->begin(), values->end(), [](const auto& value) {
                return SameAscii(value.first, contract::kMasterHashKey) && !value.second.empty();
            });
        if (!onlyPassword) {
            return Refuse(ports_.log, request, from,
                          "no master password is set: only a first one may be");
        }
    }
    Write(file->second, *values);
    ports_.log.Record("session " + std::to_string(from) + ": the parents' settings (" +
                      file->second + ") were written");
    return {Reply::Status::Ok, "written"};
}

Reply GuardSettings::Today(const Request& request, SessionId from) {
    const auto child = request.fields.find(kChildField);
    if (child == request.fields.end() ||
        !IsSettingsName(ports_.files, ports_.regional, child->second) ||
        child->second == contract::kPasswordFile || child->second == kChildrenFile) {
        return Refuse(ports_.log, request, from, "not a child's name");
    }
    const std::vector<std::string> listed = ListedChildren(ports_.files);
    if (std::find(listed.begin(), listed.end(), child->second) == listed.end()) {
        return Refuse(ports_.log, request, from, "not a listed child");
    }
    // The hours come from her record, never from the request: a child's login carries no
    // password, and any account can send it.
    const ChildLimits limits = ReadLimits(ports_.files, ports_.regional, child->second);
    Write(child->second, TodaysHoursRecords(limits, Weekday(DayNumber(ports_.clock.Now()))));
    return {Reply::Status::Ok, "today's hours are set"};
}

} // namespace tembrel::guard

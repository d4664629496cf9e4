#include "session/JournalCodec.h"

#include <map>

#include "platform/Errors.h"
#include "records/CalendarText.h"
#include "records/Number.h"

namespace tembrel {

namespace {

constexpr std::string_view kHeader = "Tembrel journal 1";
constexpr std::string_view kPending = "pending";

// The journal's times are the log's stamps; a time that does not read back is damage.
LocalTime ParseTime(const std::string& text) {
    const std::optional<LocalTime> time = ReadStamp(text);
    if (!time) {
        throw InvalidArgument("no time: \"" + text + "\"");
    }
    return *time;
}

long long ParseWhole(const std::string& text) {
    try {
        return WholeNumber(text);
    } catch (const TembrelError&) {
        throw InvalidArgument("no whole number: \"" + text + "\"");
    }
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(separator, from)) != std::string::npos; from = at + 1) {
        parts.push_back(text.substr(from, at - from));
    }
    parts.push_back(text.substr(from));
    return parts;
}

PendingWrite ParsePending(const std::string& value) {
    const std::vector<std::string> parts = Split(value, '|');
    if (parts.size() != 5) {
        throw InvalidArgument("pending write of " + std::to_string(parts.size()) +
                              " fields: " + value);
    }
    PendingWrite p{parts[0], parts[1], ParseWhole(parts[2]), std::nullopt, ParseWhole(parts[4]),
                   {}};
    if (!parts[3].empty()) {
        p.target = ParseWhole(parts[3]);
    }
    return p;
}

JournalSession ParseSession(const std::map<std::string, std::string>& fields) {
    const auto field = [&fields](const char* key) -> const std::string& {
        const auto it = fields.find(key);
        if (it == fields.end()) {
            throw InvalidArgument(std::string("session without \"") + key + "\"");
        }
        return it->second;
    };
    JournalSession s;
    s.user = field("user");
    s.allowance = ParseWhole(field("allowance"));
    s.remaining = ParseWhole(field("remaining"));
    s.pickUp = ParseTime(field("pickup"));
    s.written = ParseTime(field("written"));
    s.bonusGiven = ParseWhole(field("bonus"));
    if (const auto it = fields.find("bonusused"); it != fields.end()) {
        s.bonusUsed = ParseWhole(it->second);
    }
    s.names = {field("daily"), field("dated"), field("weekly"), ParseWhole(field("weekstart"))};
    return s;
}

} // namespace

std::string JournalText(const JournalEntry& entry) {
    std::string text;
    text.reserve(320); // a session and its three writes, written every ten seconds
    text.append(kHeader).append("\r\n");
    const auto line = [&text](std::string_view key, const std::string& value) {
        text.append(key).append("=").append(value).append("\r\n");
    };
    if (const auto& s = entry.session) {
        line("user", s->user);
        line("allowance", NumberText(s->allowance));
        line("remaining", NumberText(s->remaining));
        line("pickup", StampText(s->pickUp));
        line("written", StampText(s->written));
        line("bonus", NumberText(s->bonusGiven));
        line("bonusused", NumberText(s->bonusUsed));
        line("daily", s->names.daily);
        line("dated", s->names.dated);
        line("weekly", s->names.weekly);
        line("weekstart", NumberText(s->names.weekStart));
    }
    for (const PendingWrite& p : entry.pending) {
        line(kPending, p.name + "|" + p.key + "|" + NumberText(p.add) + "|" +
                           (p.target ? NumberText(*p.target) : std::string()) + "|" +
                           NumberText(p.weekStart));
    }
    return text;
}

JournalEntry ParseJournal(std::string_view text) {
    JournalEntry entry;
    std::map<std::string, std::string> fields;
    bool first = true;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string line(text.substr(pos, end - pos));
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (first) {
            if (line != kHeader) {
                throw InvalidArgument("no journal header");
            }
            first = false;
            continue;
        }
        if (line.empty()) {
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            throw InvalidArgument("line without \"=\": " + line);
        }
        const std::string key = line.substr(0, equals);
        if (key == kPending) {
            entry.pending.push_back(ParsePending(line.substr(equals + 1)));
        } else {
            fields[key] = line.substr(equals + 1);
        }
    }
    if (first) {
        throw InvalidArgument("empty journal");
    }
    if (fields.count("user") != 0) {
        entry.session = ParseSession(fields);
    }
    return entry;
}

} // namespace tembrel

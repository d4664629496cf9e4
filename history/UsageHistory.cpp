#include "history/UsageHistory.h"

#include <algorithm>
#include <array>
#include <exception>
#include <numeric>
#include <tuple>
#include <utility>

#include "platform/Errors.h"
#include "records/Counter.h"
#include "records/FileHandle.h"
#include "records/Number.h"

namespace tembrel {

namespace {

// The bonus used came later, as a last column: a history written before it reads on, each of its
// rows with no bonus used.
constexpr std::string_view kOldHeader =
    "date,start,end,child,allowance seconds,bonus seconds,ended";
constexpr std::string_view kHeader =
    "date,start,end,child,allowance seconds,bonus seconds,ended,bonus used seconds";

// Each way a session can end: as the history writes it, and as a parent reads it.
struct ReasonNames {
    CloseReason reason;
    std::string_view code;
    std::string_view text;
};
constexpr std::array<ReasonNames, 7> kReasons{{
    {CloseReason::TimeUp, "time up", "Time up"},
    {CloseReason::HoursWindow, "hours window", "Allowed hours over"},
    {CloseReason::Midday, "midday", "Midday"},
    {CloseReason::EndSession, "End Session", "Ended by the child"},
    {CloseReason::Replaced, "replaced", "Replaced by a new login"},
    {CloseReason::Shutdown, "shutdown", "Windows shut down"},
    {CloseReason::Recovered, "recovered", "Recovered at start-up"},
}};

const ReasonNames* NamesOf(CloseReason reason) {
    const auto it = std::find_if(kReasons.begin(), kReasons.end(),
                                 [reason](const ReasonNames& r) { return r.reason == reason; });
    return it == kReasons.end() ? nullptr : &*it;
}

// The digits of a number of seconds as HistoryRow writes them.
std::optional<long long> Whole(const std::string& text) {
    if (text.empty() || text.find_first_not_of("-0123456789") != std::string::npos) {
        return std::nullopt;
    }
    try {
        return WholeNumber(text);
    } catch (const TembrelError&) {
        return std::nullopt;
    }
}

// The fields of one line: comma-separated, a field in quotes may hold commas and doubled quotes.
std::optional<std::vector<std::string>> SplitFields(std::string_view line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    bool wasQuoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c != '"') {
                fields.back() += c;
            } else if (i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == ',') {
            fields.emplace_back();
            wasQuoted = false;
        } else if (c == '"' && fields.back().empty() && !wasQuoted) {
            quoted = true;
            wasQuoted = true;
        } else if (wasQuoted) {
            return std::nullopt; // text after a closing quote
        } else {
            fields.back() += c;
        }
    }
    if (quoted) {
        return std::nullopt;
    }
    return fields;
}

std::optional<ClosedSession> ReadRow(std::string_view line) {
    const auto fields = SplitFields(line);
    if (!fields || (fields->size() != 7 && fields->size() != 8)) {
        return std::nullopt;
    }
    const auto& f = *fields;
    const auto date = ReadIsoDate(f[0]);
    const auto start = ReadIsoTime(f[1]);
    const auto end = ReadIsoTime(f[2]);
    if (!date || !start || !end) {
        return std::nullopt;
    }
    ClosedSession row;
    row.start = *start;
    row.end = *date;
    row.end.hour = end->hour;
    row.end.minute = end->minute;
    row.end.second = end->second;
    // A session never runs a whole day (midday closes it), so a start after the end is the day
    // before.
    const long long endDay = DayNumber(row.end);
    const bool dayBefore = std::tie(row.start.hour, row.start.minute, row.start.second) >
                           std::tie(row.end.hour, row.end.minute, row.end.second);
    const LocalTime startDate = DateOfDay(dayBefore ? endDay - 1 : endDay);
    row.start.year = startDate.year;
    row.start.month = startDate.month;
    row.start.day = startDate.day;

    row.user = f[3];
    if (!row.user.empty() && row.user.front() == '\'') {
        row.user.erase(0, 1);
    }
    const auto used = Whole(f[4]);
    const auto bonus = Whole(f[5]);
    const auto reason = ReasonFromCode(f[6]);
    const auto bonusUsed = f.size() == 8 ? Whole(f[7]) : std::optional<long long>(0);
    if (row.user.empty() || !used || !bonus || !reason || !bonusUsed || *bonusUsed < 0) {
        return std::nullopt;
    }
    row.bonusUsed = *bonusUsed;
    row.allowanceUsed = *used;
    row.bonusGiven = *bonus;
    row.reason = *reason;
    return row;
}

bool Older(const ClosedSession& a, const ClosedSession& b) {
    const long long dayA = DayNumber(a.end);
    const long long dayB = DayNumber(b.end);
    return std::tie(dayA, a.end.hour, a.end.minute, a.end.second) <
           std::tie(dayB, b.end.hour, b.end.minute, b.end.second);
}

} // namespace

// ---- rows -----------------------------------------------------------------------------------

std::string_view ReasonCode(CloseReason reason) {
    const ReasonNames* names = NamesOf(reason);
    return names != nullptr ? names->code : "unknown";
}

std::string_view ReasonText(CloseReason reason) {
    const ReasonNames* names = NamesOf(reason);
    return names != nullptr ? names->text : "Unknown";
}

std::optional<CloseReason> ReasonFromCode(std::string_view code) {
    for (const ReasonNames& names : kReasons) {
        if (names.code == code) {
            return names.reason;
        }
    }
    return std::nullopt;
}

std::string_view HistoryHeader() {
    return kHeader;
}

std::string HistoryRow(const ClosedSession& session) {
    std::string name;
    if (!session.user.empty() &&
        std::string_view("=+-@'").find(session.user.front()) != std::string_view::npos) {
        name += '\'';
    }
    for (const char c : session.user) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            name += '?';
        } else if (c == '"') {
            name += "\"\"";
        } else {
            name += c;
        }
    }
    return IsoDate(session.end) + "," + IsoTime(session.start) + "," + IsoTime(session.end) +
           ",\"" + name + "\"," + std::to_string(session.allowanceUsed) + "," +
           std::to_string(session.bonusGiven) + "," + std::string(ReasonCode(session.reason)) +
           "," + std::to_string(session.bonusUsed) + "\r\n";
}

ParsedHistory ParseHistory(std::string_view text) {
    ParsedHistory parsed;
    bool first = true;
    while (!text.empty()) {
        const std::size_t lf = text.find('\n');
        std::string_view line = text.substr(0, lf);
        const bool ended = lf != std::string_view::npos;
        text.remove_prefix(ended ? lf + 1 : text.size());
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const bool header = first && (line == kHeader || line == kOldHeader);
        first = false;
        if (header || (line.empty() && ended)) {
            continue;
        }
        const auto row = ended ? ReadRow(line) : std::nullopt;
        if (row) {
            parsed.rows.push_back(*row);
            continue;
        }
        if (parsed.damaged++ == 0) {
            parsed.firstDamaged = std::string(line.substr(0, 120));
        }
    }
    return parsed;
}

std::string HistoryText(const std::vector<ClosedSession>& rows) {
    std::string text(kHeader);
    text += "\r\n";
    text.reserve(text.size() + rows.size() * 64);
    for (const ClosedSession& row : rows) {
        text += HistoryRow(row);
    }
    return text;
}

void DropOldRows(std::vector<ClosedSession>& rows, const LocalTime& today, int keepDays,
                 std::size_t maxRows) {
    const long long first = DayNumber(today) - keepDays;
    std::erase_if(rows, [first](const ClosedSession& row) { return DayNumber(row.end) < first; });
    if (rows.size() <= maxRows) {
        return;
    }
    // The rows stand in the order of their closes, nearly always oldest first, but a close
    // recovered at start-up comes in late: drop the oldest by date and keep the file's order.
    std::vector<std::size_t> order(rows.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&rows](std::size_t a, std::size_t b) { return Older(rows[a], rows[b]); });
    std::vector<bool> drop(rows.size(), false);
    for (std::size_t i = 0; i < rows.size() - maxRows; ++i) {
        drop[order[i]] = true;
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!drop[i]) {
            rows[kept++] = std::move(rows[i]);
        }
    }
    rows.resize(kept);
}

// ---- the file -------------------------------------------------------------------------------

std::string UsageHistory::Path() const {
    return ProgramFilePath(files_, kFileName);
}

std::optional<std::vector<ClosedSession>> UsageHistory::Add(const ClosedSession& session,
                                                            const LocalTime& today) noexcept {
    try {
        if (pending_.size() >= kMaxPending) {
            pending_.erase(pending_.begin());
        }
        pending_.push_back(session);
    } catch (const std::exception& e) {
        log_.Append("Usage history", std::string("row lost: ") + e.what());
        return std::nullopt;
    }

    std::vector<ClosedSession> rows;
    const std::string path = Path();
    try {
        ParsedHistory parsed;
        if (files_.IsPlainFile(path)) {
            parsed = ParseHistory(files_.ReadAll(path));
        }
        if (parsed.damaged > 0) {
            log_.Append("Usage history", std::to_string(parsed.damaged) +
                                             " damaged line(s) dropped, the first: \"" +
                                             parsed.firstDamaged + "\"");
        }
        rows = std::move(parsed.rows);
        rows.insert(rows.end(), pending_.begin(), pending_.end());
        DropOldRows(rows, today, kKeepDays, kMaxRows);
    } catch (const std::exception& e) {
        log_.Append("Usage history", std::string("cannot read, ") +
                                         std::to_string(pending_.size()) +
                                         " row(s) wait: " + e.what());
        return std::nullopt;
    }

    try {
        ReplaceFile(files_, path, HistoryText(rows));
        pending_.clear();
    } catch (const std::exception& e) {
        log_.Append("Usage history", std::string("cannot write, ") +
                                         std::to_string(pending_.size()) +
                                         " row(s) wait: " + e.what());
    }
    return rows;
}

} // namespace tembrel

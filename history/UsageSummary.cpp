#include "history/UsageSummary.h"

#include <algorithm>
#include <map>
#include <utility>

#include "records/FindDate.h"

namespace tembrel {

namespace {

bool LessByName(const std::string& a, const std::string& b) {
    const auto lower = [](unsigned char c) {
        return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    };
    const bool less =
        std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                     [&](char x, char y) { return lower(x) < lower(y); });
    const bool greater =
        std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(),
                                     [&](char x, char y) { return lower(x) < lower(y); });
    return less || (!greater && a < b);
}

long long EndSecond(const ClosedSession& s) {
    return LocalSeconds(s.end);
}

std::string Folded(std::string name) {
    for (char& c : name) {
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    }
    return name;
}

} // namespace

long long SecondsAtThePc(const ClosedSession& session) {
    return session.allowanceUsed + session.bonusUsed;
}

std::vector<ChildUsage> SummariseUsage(const std::vector<ClosedSession>& rows, const LocalTime& now,
                                       std::size_t lastSessions,
                                       const std::vector<ListedChild>& listed) {
    const long long today = DayNumber(now);
    const long long monday = today - Weekday(today);
    std::map<std::string, ChildUsage> children;
    std::map<std::string, std::vector<const ClosedSession*>> sessions;
    for (const ClosedSession& row : rows) {
        ChildUsage& child = children[row.user];
        child.user = row.user;
        const long long day = DayNumber(row.end);
        const long long seconds = SecondsAtThePc(row);
        if (day == today) {
            child.today += seconds;
        }
        if (day >= monday && day <= today) {
            child.thisWeek += seconds;
        } else if (day >= monday - 7 && day < monday) {
            child.lastWeek += seconds;
        }
        if (day > today - 14 && day <= today) {
            child.days[static_cast<std::size_t>(day - (today - 13))] += seconds;
        }
        sessions[row.user].push_back(&row);
    }
    for (const ListedChild& entry : listed) {
        bool found = false;
        for (auto& [user, child] : children) {
            if (Folded(user) == Folded(entry.name)) {
                child.limits = entry.limits;
                found = true;
            }
        }
        if (!found) {
            ChildUsage& child = children[entry.name];
            child.user = entry.name;
            child.limits = entry.limits;
        }
    }
    std::vector<ChildUsage> result;
    result.reserve(children.size());
    for (auto& [user, child] : children) {
        auto& list = sessions[user];
        // Newest first; of two closes in the same second the later row.
        std::stable_sort(list.begin(), list.end(), [](const auto* a, const auto* b) {
            return EndSecond(*a) > EndSecond(*b);
        });
        for (auto it = list.begin(); it != list.end() && child.last.size() < lastSessions; ++it) {
            child.last.push_back(**it);
        }
        result.push_back(std::move(child));
    }
    std::sort(result.begin(), result.end(),
              [](const ChildUsage& a, const ChildUsage& b) { return LessByName(a.user, b.user); });
    return result;
}

} // namespace tembrel

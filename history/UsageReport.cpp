#include "history/UsageReport.h"

#include <algorithm>
#include <limits>

#include "history/HtmlText.h"
#include "history/UsageHistory.h"
#include "history/UsageSummary.h"
#include "records/CalendarText.h"
#include "records/ChildLimits.h"
#include "records/Counter.h"
#include "records/FileHandle.h"
#include "records/FindDate.h"

namespace tembrel {

namespace {

constexpr std::size_t kNameCharacters = 80;
constexpr const char* kWeekdays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

std::string TwoDigits(long long value) {
    return (value < 10 ? "0" : "") + std::to_string(value);
}

// "45 min", "1 h 05 min", "30 s".
std::string Duration(long long seconds) {
    if (seconds < 0) {
        return "-" + Duration(seconds == std::numeric_limits<long long>::min()
                                  ? std::numeric_limits<long long>::max()
                                  : -seconds);
    }
    if (seconds > 0 && seconds < 60) {
        return std::to_string(seconds) + " s";
    }
    const long long minutes = seconds / 60 + (seconds % 60 >= 30 ? 1 : 0);
    if (minutes < 60) {
        return std::to_string(minutes) + " min";
    }
    return std::to_string(minutes / 60) + " h " + TwoDigits(minutes % 60) + " min";
}

std::string DayLabel(long long day) {
    return std::string(kWeekdays[Weekday(day)]) + " " + IsoDate(DateOfDay(day));
}

// "Wed 2026-12-09", of which a narrow window shows "Wed 12-09": the page's header names the year.
std::string ShortDayLabel(long long day) {
    const std::string date = IsoDate(DateOfDay(day));
    const std::size_t monthDay = date.size() - 5; // "12-09"
    return std::string(kWeekdays[Weekday(day)]) + " <span class=\"year\">" +
           date.substr(0, monthDay) + "</span>" + date.substr(monthDay);
}

constexpr const char* kStyle = R"(
*{box-sizing:border-box}
body{margin:0;font:15px/1.4 "Segoe UI",system-ui,Tahoma,Arial,sans-serif;color:#1d2330;background:#eef0f4}
header{padding:14px 18px 4px}
h1{font-size:1.4em;margin:0}
header p{margin:2px 0 0;color:#5a6272;font-size:.9em}
main{display:grid;grid-template-columns:minmax(0,1fr);gap:14px;padding:12px 18px 18px}
@media (min-width:1100px){main{grid-template-columns:repeat(2,minmax(0,1fr))}}
.child{background:#fff;border:1px solid #d5d9e2;border-radius:8px;padding:12px 16px;min-width:0;break-inside:avoid}
h2{font-size:1.25em;margin:0 0 8px;overflow-wrap:anywhere}
.totals{display:grid;grid-template-columns:repeat(3,minmax(0,1fr));gap:8px;margin:0 0 10px}
.totals div{background:#e8f0fc;border-radius:6px;padding:6px 10px}
.totals dt{font-size:.8em;color:#4a5366}
.totals dd{margin:0;font-size:1.3em;font-weight:600;white-space:nowrap}
.totals small{display:block;font-size:.62em;font-weight:400;color:#4a5366}
.limits{margin:0 0 10px;font-size:.88em;color:#4a5366}
.limits b{color:#1d2330;font-weight:600}
svg{display:block;width:100%;height:auto;max-width:640px;overflow:visible}
svg .bar{fill:#4a86d9}
svg .today{fill:#1d4f99}
svg .grid{stroke:#d9dde5;stroke-width:1}
svg text{font:11px "Segoe UI",system-ui,Tahoma,Arial,sans-serif;fill:#4a5366}
svg .value{fill:#1d2330;font-weight:600}
h3{font-size:1em;margin:10px 0 4px}
table{width:100%;border-collapse:collapse;font-size:.88em}
th,td{text-align:left;padding:3px 6px;border-bottom:1px solid #e4e7ed;white-space:nowrap}
td:last-child{white-space:normal}
th{color:#4a5366;font-weight:600}
td.n,th.n{text-align:right}
.empty{padding:0 18px;color:#5a6272}
@media (max-width:520px){
 body{font-size:14px}
 header,main{padding-left:8px;padding-right:8px}
 .child{padding:10px}
 .totals dd{font-size:1.1em}
 .wide{display:none}
 .year{display:none}
 .totals{gap:6px}
 .totals div{padding:5px 7px}
 .totals dd{white-space:normal}
 svg text{font-size:16px}
 th,td{padding:3px 4px}
}
@media print{
 body{background:#fff}
 main{display:block;padding:0}
 .child{border:0;padding:0 0 0 0;break-after:page;page-break-after:always}
 .child:last-child{break-after:auto;page-break-after:auto}
 .wide{display:table-cell}
 .year{display:inline}
}
)";

void Chart(std::string& out, const ChildUsage& child, long long today) {
    constexpr int kLeft = 40, kTop = 22, kPlotHeight = 150, kSlot = 40, kBar = 26;
    constexpr int kWidth = kLeft + 14 * kSlot + 4, kHeight = kTop + kPlotHeight + 40;
    long long most = 0;
    for (const long long seconds : child.days) {
        most = std::max(most, seconds);
    }
    // A scale of whole half hours, at least one hour, so a short day does not look like a long one.
    const long long mostMinutes = (most + 59) / 60;
    const long long scale = std::max<long long>(60, (mostMinutes + 29) / 30 * 30);
    out += "<svg viewBox=\"0 0 " + std::to_string(kWidth) + " " + std::to_string(kHeight) +
           "\" role=\"img\" aria-label=\"Minutes of each of the last 14 days\">";
    for (int step = 0; step <= 2; ++step) {
        const int y = kTop + kPlotHeight - step * kPlotHeight / 2;
        out += "<line class=\"grid\" x1=\"" + std::to_string(kLeft - 4) + "\" x2=\"" +
               std::to_string(kWidth) + "\" y1=\"" + std::to_string(y) + "\" y2=\"" +
               std::to_string(y) + "\"/>";
        out += "<text x=\"" + std::to_string(kLeft - 8) + "\" y=\"" + std::to_string(y + 4) +
               "\" text-anchor=\"end\">" + std::to_string(scale * step / 2) + "</text>";
    }
    out += "<text x=\"" + std::to_string(kLeft - 8) + "\" y=\"12\" text-anchor=\"end\">min</text>";
    for (int i = 0; i < 14; ++i) {
        const long long day = today - 13 + i;
        const long long seconds = std::max<long long>(0, child.days[static_cast<std::size_t>(i)]);
        const int height = static_cast<int>(static_cast<double>(seconds) / 60.0 /
                                            static_cast<double>(scale) * kPlotHeight);
        const int x = kLeft + i * kSlot + (kSlot - kBar) / 2;
        const int y = kTop + kPlotHeight - height;
        const int centre = x + kBar / 2;
        out += "<rect class=\"" + std::string(i == 13 ? "bar today" : "bar") + "\" x=\"" +
               std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" width=\"" +
               std::to_string(kBar) + "\" height=\"" + std::to_string(height) + "\"><title>" +
               DayLabel(day) + ": " + Duration(seconds) + "</title></rect>";
        if (seconds > 0) {
            out += "<text class=\"value\" x=\"" + std::to_string(centre) + "\" y=\"" +
                   std::to_string(y - 4) + "\" text-anchor=\"middle\">" +
                   std::to_string((seconds + 30) / 60) + "</text>";
        }
        const LocalTime date = DateOfDay(day);
        out += "<text x=\"" + std::to_string(centre) + "\" y=\"" +
               std::to_string(kTop + kPlotHeight + 16) + "\" text-anchor=\"middle\">" +
               std::string(kWeekdays[Weekday(day)]).substr(0, 2) + "</text>";
        out += "<text x=\"" + std::to_string(centre) + "\" y=\"" +
               std::to_string(kTop + kPlotHeight + 31) + "\" text-anchor=\"middle\">" +
               std::to_string(date.day) + "</text>";
    }
    out += "</svg>";
}

std::string HourText(int hour) {
    return TwoDigits(hour) + ":00";
}

// One day's limits: "1 h 00 min, 08:00–20:00"; "none" for a day without time.
std::string DayLimitText(const DayLimits& day) {
    if (day.minutes <= 0 || day.open >= day.close) {
        return "none";
    }
    return Duration(day.minutes * 60LL) + ", " +
           (day.open <= 0 && day.close >= 24 ? std::string("all day")
                                             : HourText(day.open) + "–" + HourText(day.close));
}

// The limits as set, days with the same limits one after another taken together:
// "Mon–Fri 1 h 00 min, 08:00–20:00 · Sat–Sun 2 h 00 min, all day · 6 h 00 min a week".
void Limits(std::string& out, const ChildUsage& child) {
    if (!child.limits) {
        return;
    }
    const auto& days = child.limits->days;
    out += "<p class=\"limits\"><b>Limits</b> ";
    for (std::size_t first = 0; first < days.size();) {
        std::size_t last = first;
        while (last + 1 < days.size() && days[last + 1] == days[first]) {
            ++last;
        }
        out += std::string(first == 0 ? "" : " · ") + kWeekdays[first] +
               (last == first ? "" : std::string("–") + kWeekdays[last]) + " " +
               DayLimitText(days[first]);
        first = last + 1;
    }
    if (child.limits->weeklyMinutes) {
        out += " · " + Duration(*child.limits->weeklyMinutes * 60LL) + " a week";
    }
    out += "</p>";
}

// What was used, and under it the limit it counts against when there is one.
std::string Total(long long used, std::optional<long long> limit) {
    return Duration(used) + (limit ? "<small>of " + Duration(*limit) + "</small>" : "");
}

void Sessions(std::string& out, const ChildUsage& child) {
    out += "<h3>Last sessions</h3><table><thead><tr><th>Date</th><th class=\"wide\">From</th>"
           "<th>To</th><th class=\"n\">Used</th><th class=\"n wide\">Bonus</th><th>Ended</th>"
           "</tr></thead><tbody>";
    for (const ClosedSession& s : child.last) {
        out += "<tr><td>" + ShortDayLabel(DayNumber(s.end)) + "</td><td class=\"wide\">" +
               IsoTime(s.start).substr(0, 5) + "</td><td>" + IsoTime(s.end).substr(0, 5) +
               "</td><td class=\"n\">" + Duration(SecondsAtThePc(s)) +
               "</td><td class=\"n wide\">" + (s.bonusGiven == 0 ? "" : Duration(s.bonusGiven)) +
               "</td><td>" + std::string(ReasonText(s.reason)) + "</td></tr>";
    }
    out += "</tbody></table>";
}

} // namespace

std::vector<ListedChild> ListedChildren(Files& files, const Regional& regional) {
    const std::string list =
        ReadRecord(files, contract::kChildrenKey, contract::kChildrenFile).value_or("");
    std::vector<ListedChild> children;
    for (std::string& name : contract::ChildrenOfList(list)) {
        ListedChild child{std::move(name), std::nullopt};
        try {
            child.limits = ReadLimits(files, regional, child.name);
        } catch (const std::exception&) {
            // A record that cannot be read shows no limits; her use is shown all the same.
        }
        children.push_back(std::move(child));
    }
    return children;
}

std::string UsageReportPage(const std::vector<ClosedSession>& rows, const LocalTime& now,
                            const AnsiToUtf8& toUtf8, const std::vector<ListedChild>& listed) {
    const long long today = DayNumber(now);
    std::string out;
    out.reserve(4096 + rows.size() / 4);
    out += "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
           "style-src 'unsafe-inline'\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<title>Tembrel usage</title><style>";
    out += kStyle;
    out += "</style></head><body><header><h1>Tembrel usage</h1><p>Written " + DayLabel(today) +
           " " + IsoTime(now).substr(0, 5) +
           ", after the last session closed. Every session is listed in Tembrel usage.csv "
           "beside this page.</p></header>\n";
    const std::vector<ChildUsage> children = SummariseUsage(rows, now, 8, listed);
    if (children.empty()) {
        out += "<p class=\"empty\">No sessions recorded yet.</p>";
    }
    const int weekday = Weekday(today);
    out += "<main>\n";
    for (const ChildUsage& child : children) {
        out += "<section class=\"child\"><h2>" + HtmlText(toUtf8(child.user), kNameCharacters) +
               "</h2>";
        std::optional<long long> todayLimit;
        std::optional<long long> weekLimit;
        if (child.limits) {
            todayLimit = child.limits->days[static_cast<std::size_t>(weekday)].minutes * 60LL;
            if (child.limits->weeklyMinutes) {
                weekLimit = *child.limits->weeklyMinutes * 60LL;
            }
        }
        out += "<dl class=\"totals\"><div><dt>Today</dt><dd>" + Total(child.today, todayLimit) +
               "</dd></div><div><dt>This week</dt><dd>" + Total(child.thisWeek, weekLimit) +
               "</dd></div><div><dt>Last week</dt><dd>" + Total(child.lastWeek, weekLimit) +
               "</dd></div></dl>";
        Limits(out, child);
        if (child.last.empty()) {
            out += "<p class=\"limits\">No sessions yet.</p>"; // an empty chart says nothing
        } else {
            Chart(out, child, today);
            Sessions(out, child);
        }
        out += "</section>\n";
    }
    out += "</main></body></html>\n";
    return out;
}

std::string UsageReport::Path() const {
    return ProgramFilePath(files_, kFileName);
}

void UsageReport::Write(const std::vector<ClosedSession>& rows, const LocalTime& now,
                        const std::vector<ListedChild>& listed) {
    // Beside itself and swapped in: a browser never finds half a page.
    ReplaceFile(files_, Path(), UsageReportPage(rows, now, toUtf8_, listed));
}

} // namespace tembrel

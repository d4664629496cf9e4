// The cost of what every close does after the records: the usage history read, one row added and
// the file written again, and the report written from it, for a family of 10 children whose
// history holds 400 days of three sessions a day. The close waits for all of it, so it must stay
// well under 100 ms, and the page must stay small enough to open at once.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "history/UsageHistory.h"
#include "history/UsageRecorder.h"
#include "history/UsageReport.h"
#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeRegional.h"
#include "platform/fakes/MemoryFiles.h"
#include "session/DiagnosticLog.h"

namespace tembrel {
namespace {

constexpr int kChildren = 10;
constexpr int kDays = 400;
constexpr int kSessionsADay = 3;
const LocalTime kNow{2026, 12, 9, 19, 0, 0};

LocalTime At(long long day, int hour, int minute) {
    LocalTime time = DateOfDay(day);
    time.hour = hour;
    time.minute = minute;
    return time;
}

std::vector<ClosedSession> History() {
    std::vector<ClosedSession> rows;
    rows.reserve(kChildren * kDays * kSessionsADay);
    const long long today = DayNumber(kNow);
    for (long long day = today - kDays + 1; day <= today; ++day) {
        for (int child = 0; child < kChildren; ++child) {
            for (int i = 0; i < kSessionsADay; ++i) {
                const int hour = 8 + 3 * i;
                const int minutes = 20 + (child * 7 + static_cast<int>(day % 11) * 3) % 40;
                rows.push_back(ClosedSession{"Child " + std::to_string(child), At(day, hour, 0),
                                             At(day, hour, minutes), minutes * 60LL + child,
                                             i == 0 ? 600 : 0,
                                             static_cast<CloseReason>((day + child + i) % 7)});
            }
        }
    }
    return rows;
}

// The page alone, from rows already in memory.
void BM_UsageReportPage(benchmark::State& state) {
    const std::vector<ClosedSession> rows = History();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string page = UsageReportPage(rows, kNow);
        bytes = page.size();
        benchmark::DoNotOptimize(page.data());
    }
    state.counters["rows"] = static_cast<double>(rows.size());
    state.counters["page_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_UsageReportPage)->Unit(benchmark::kMillisecond);

// Everything a close hands on: the history's file read and parsed, the row added, old rows
// dropped, the history and the page written beside themselves and swapped in.
void BM_CloseWritesHistoryAndReport(benchmark::State& state) {
    MemoryFiles files;
    FakeClock clock;
    clock.now = kNow;
    DiagnosticLog log(files, clock);
    FakeRegional regional;
    UsageRecorder recorder(files, clock, regional, log);
    const std::string csvPath = files.folder + "\\" + UsageHistory::kFileName;
    const std::string pagePath = files.folder + "\\" + UsageReport::kFileName;
    const std::string csv = HistoryText(History());
    const ClosedSession last{"Child 3", At(DayNumber(kNow), 18, 0), kNow, 3600,
                             0,         CloseReason::EndSession};
    for (auto _ : state) {
        state.PauseTiming();
        files.files[csvPath] = csv; // the same history every time, not one row longer
        state.ResumeTiming();
        recorder.Closed(last);
    }
    if (files.files.count(pagePath) == 0 || recorder.History().Pending() != 0) {
        state.SkipWithError("the history or the page was not written");
        return;
    }
    state.counters["csv_bytes"] = static_cast<double>(files.files[csvPath].size());
    state.counters["page_bytes"] = static_cast<double>(files.files[pagePath].size());
}
BENCHMARK(BM_CloseWritesHistoryAndReport)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tembrel

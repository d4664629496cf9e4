// The session's cost per second of a running session, the cost of a close, and its memory over a
// week: a program that runs for weeks on end must not grow.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <new>
#include <string>
#include <string_view>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "platform/ProgramEnd.h"
#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeRegional.h"
#include "platform/fakes/MemoryFiles.h"
#include "records/FileHandle.h"
#include "records/RecordContract.h"
#include "session/DiagnosticLog.h"
#include "session/Horodesk.h"

// Every allocation of the process is counted, so the week below sees the program's live bytes.
namespace {
long long liveBytes = 0;
long long allocations = 0;

void* Allocate(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
#if defined(__GLIBC__)
    liveBytes += static_cast<long long>(malloc_usable_size(p));
#endif
    ++allocations;
    return p;
}
void Free(void* p) noexcept {
    if (p != nullptr) {
#if defined(__GLIBC__)
        liveBytes -= static_cast<long long>(malloc_usable_size(p));
#endif
        std::free(p);
    }
}
} // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    Free(p);
}
void operator delete[](void* p) noexcept {
    Free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Free(p);
}

namespace tembrel {
namespace {

// The desktop lock and the program end do nothing here: a recording double would itself grow.
class NoDesktopLock : public DesktopLock {
  public:
    void TaskManager_Enable_Disable(std::int32_t) override {}
    void CtrlAltDel_Enable_Disable(std::int32_t) override {}
    void Process_Desktop(const std::string&, const std::string&) override {}
};
class NoProgramEnd : public ProgramEnd {
  public:
    void EndProgram() override {}
};

struct Program {
    MemoryFiles files;
    FakeClock clock;
    FakeRegional regional;
    NoDesktopLock lock;
    NoProgramEnd end;
    DiagnosticLog log{files, clock};
    Horodesk session{SessionPorts{files, clock, regional, lock, end, log}};

    Program() {
        clock.now = LocalTime{2025, 12, 8, 0, 0, 0};
        files.clock = &clock; // a weekly total is only valid if it was written this week
        files["EN"] = "|||EN|||None\r\n";
        files["Ann"] = "|||open|||0\r\n|||close|||24\r\n";
        files["Bob"] = "|||open|||7\r\n|||close|||21\r\n";
    }
    void HandOver(const std::string& allowance, const std::string& user) {
        files["allow"] = "|||user|||" + user + "\r\n|||allow|||" + allowance + "\r\n";
    }
};

// One tick of a running session: the quit signal, the hand-over (no file), the hours window's two
// keys, the countdown and the clock text.
void BM_Timer1TickWithSession(benchmark::State& state) {
    Program program;
    program.clock.now.hour = 10;
    program.HandOver("1000000000", "Ann");
    program.session.Timer1Tick();
    for (auto _ : state) {
        program.session.Timer1Tick();
    }
    if (!program.session.SessionRunning()) {
        state.SkipWithError("the session ended");
    }
}
BENCHMARK(BM_Timer1TickWithSession);

// A tick with a session against the four record reads it cannot do without (the quit signal, the
// hand-over, the two hours of the window), measured in turns in one run so that both see the same
// machine. The rest of the tick, its share of the journal (one write every ten ticks) included,
// must cost at most a fifth as much again as the reads.
void BM_TickAgainstItsReads(benchmark::State& state) {
    Program program;
    program.clock.now.hour = 10;
    program.HandOver("1000000000", "Ann");
    program.session.Timer1Tick();
    const auto read = [&](std::string_view key, std::string_view name) {
        return ReadRecord(program.files, program.regional, program.clock, key, name);
    };
    // The thread's own processor time: another program on the machine slows both halves alike
    // in wall time, but not evenly.
    const auto now = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
    };
    std::chrono::nanoseconds ticks{};
    std::chrono::nanoseconds reads{};
    constexpr int kRound = 100; // ten journal writes a round
    for (auto _ : state) {
        const auto t0 = now();
        for (int i = 0; i < kRound; ++i) {
            program.session.Timer1Tick();
        }
        const auto t1 = now();
        for (int i = 0; i < kRound; ++i) {
            benchmark::DoNotOptimize(read(contract::kQuitKey, contract::kQuitFile));
            benchmark::DoNotOptimize(read(contract::kAllowanceReadKey, contract::kHandOverFile));
            benchmark::DoNotOptimize(read(contract::kOpenHourKey, "Ann"));
            benchmark::DoNotOptimize(read(contract::kCloseHourKey, "Ann"));
        }
        const auto t2 = now();
        ticks += t1 - t0;
        reads += t2 - t1;
    }
    const double ratio = static_cast<double>(ticks.count()) / static_cast<double>(reads.count());
    const double perRound = static_cast<double>(state.iterations()) * kRound;
    state.counters["tick_ns"] = std::chrono::duration<double, std::nano>(ticks).count() / perRound;
    state.counters["reads_ns"] = std::chrono::duration<double, std::nano>(reads).count() / perRound;
    state.counters["ratio"] = ratio;
    if (!program.session.SessionRunning()) {
        state.SkipWithError("the session ended");
    } else if (ratio > 1.2) {
        state.SkipWithError("a tick costs more than 1.2 times its reads");
    }
}
BENCHMARK(BM_TickAgainstItsReads)->Unit(benchmark::kMicrosecond);

// One close: the earlier daily use and weekly total read, three records written.
void BM_NoMoreTime(benchmark::State& state) {
    Program program;
    program.clock.now.hour = 10;
    program.files["Ann12-8-2025"] = "|||used|||600\r\n";
    program.files["50Ann2025"] = "|||weektotal|||5000\r\n";
    for (auto _ : state) {
        state.PauseTiming();
        program.HandOver("3600", "Ann");
        program.session.Timer1Tick();
        state.ResumeTiming();
        program.session.NoMoreTime();
    }
}
BENCHMARK(BM_NoMoreTime);

// A week of ticks, the same day seven times: three sessions, bonus, the midday check, End Session.
// The usage files of a finished day are moved out of memory (on disk they cost the program
// nothing), so what stays is the program's own. Live bytes at the end of each day must not grow.
void BM_WeekOfTicksMemory(benchmark::State& state) {
    for (auto _ : state) {
        Program program;
        long long afterDayOne = 0;
        long long afterDaySeven = 0;
        long long ticks = 0;
        const long long allocationsBefore = allocations;
        for (int day = 0; day < 7; ++day) {
            for (int second = 0; second < 86400; ++second) {
                switch (second) {
                case 8 * 3600:
                    program.HandOver("5400", "Ann");
                    break;
                case 8 * 3600 + 600:
                    program.session.AddBonusSeconds(300);
                    break;
                case 11 * 3600 + 1800:
                    program.HandOver("7200", "Bob"); // still running at midday
                    break;
                case 15 * 3600:
                    program.HandOver("3600", "Ann");
                    break;
                case 15 * 3600 + 900:
                    program.session.Command6Click();
                    break;
                default:
                    break;
                }
                program.session.Timer1Tick();
                if (second % 10 == 0) {
                    program.session.Timer2Tick();
                }
                program.clock.Advance(1);
                ++ticks;
            }
            for (auto it = program.files.files.begin(); it != program.files.files.end();) {
                const bool usage = it->first.find('-') != std::string::npos ||
                                   it->first.find("2025") != std::string::npos ||
                                   it->first.find("2026") != std::string::npos;
                if (usage) {
                    program.files.writeTimes.erase(it->first);
                }
                it = usage ? program.files.files.erase(it) : std::next(it);
            }
            if (day == 0) {
                afterDayOne = liveBytes;
            }
            afterDaySeven = liveBytes;
        }
        state.counters["live_bytes_day1"] = static_cast<double>(afterDayOne);
        state.counters["live_bytes_day7"] = static_cast<double>(afterDaySeven);
        state.counters["allocations_per_tick"] =
            static_cast<double>(allocations - allocationsBefore) / static_cast<double>(ticks);
        state.SetLabel("live bytes " + std::to_string(afterDayOne) + " after day 1, " +
                       std::to_string(afterDaySeven) + " after day 7");
        if (afterDaySeven != afterDayOne) {
            state.SkipWithError("live bytes grew over the week");
        }
    }
}
BENCHMARK(BM_WeekOfTicksMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tembrel

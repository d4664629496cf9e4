// Ticks from Thursday 30 December 2027 09:00 to Thursday 6 January 2028 09:00: seven middays and
// midnights, New Year, and the start of ISO week 1 on Monday 3 January. Children log in at random,
// parents add bonus, hours windows change, End Session is pressed, and usage files fail to be read
// or written now and then. A small model kept here counts what each session really used; at the
// end every daily and weekly usage file must hold exactly that. Under the sanitizers, which make
// every tick many times slower, the run is four days from Friday 06:00, still across New Year and
// the week boundary.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>

#include "platform/Errors.h"
#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeRegional.h"
#include "platform/fakes/MemoryFiles.h"
#include "platform/fakes/RecordingPorts.h"
#include "records/Counter.h"
#include "records/FileHandle.h"
#include "session/DiagnosticLog.h"
#include "session/Horodesk.h"
#include "session/tests/FakeSession.h"
#include "session/tests/NewYearWeek.h"

namespace tembrel {
namespace {

struct Window {
    std::optional<int> open, close;
    bool Closed(int hour) const {
        // Equal texts mean open all day; a window across midnight gives no verdict.
        if (open == close) {
            return false;
        }
        const int first = open.value_or(0);
        const int end = close.value_or(0);
        return first < end && (hour < first || hour >= end);
    }
};

// What the session window must do, in the fewest words.
struct Model {
    bool running = false;
    std::string user;
    long long allowance = 0, bonus = 0, used = 0;
    long long weekCredited = 0; // of `used`, already in a weekly total by a close that failed
    std::optional<std::pair<long long, std::string>> handOver;
    std::map<std::string, Window> windows;
    std::map<std::string, long long> daily, weekly, total;
};

class SessionWeek : public ::testing::Test, protected FakeSession<> {
  protected:
    Model model;
    std::mt19937 rng{20271230};

    // Failure injection: only inside the session's handlers, only on the usage files.
    bool injecting = false;
    int failPerMille = 30;
    bool failed = false;     // a failure was injected in the current handler call
    bool weekLanded = false; // the weekly total was swapped in during the current handler call
    std::string weekPath;

    bool OneIn(std::uint32_t n) { return rng() % n == 0; }
    long long Between(long long low, long long high) {
        return low + static_cast<long long>(rng() % static_cast<std::uint32_t>(high - low + 1));
    }

    bool IsUsageFile(const std::string& path) const {
        for (const char* name : {"allow", "EN"}) {
            if (path == files.PathOf(name)) {
                return false;
            }
        }
        for (const char* user : kUsers) {
            if (path == files.PathOf(user)) {
                return false;
            }
        }
        return path.size() > 4 && path.compare(path.size() - 4, 4, ".var") == 0;
    }

    SessionWeek() {
        clock.now = LocalTime{2027, 12, 30, 9, 0, 0};
        files.beforeOp = [this](MemoryFiles::Op op, const std::string& path) {
            if (!injecting || !IsUsageFile(path)) {
                return;
            }
            if (static_cast<int>(rng() % 1000) < failPerMille) {
                failed = true;
                throw FileError("sharing violation: " + path);
            }
            if (op == MemoryFiles::Op::Replace && path == weekPath) {
                weekLanded = true;
            }
        };
    }

    // Runs a handler of the session window with failures injected; true when none was.
    template <class Handler> bool Run(Handler handler) {
        failed = false;
        weekLanded = false;
        weekPath = model.running ? files.PathOf(WeekFileOf(clock.now, model.user)) : "";
        injecting = true;
        handler();
        injecting = false;
        return !failed;
    }

    // The model's side of a close: it always ends the session; what it could not write waits and
    // is written once the faults let it.
    bool Closed(bool /*succeeded*/) {
        model.daily[model.user + DateKeyOf(clock.now)] += model.used;
        model.weekly[WeekFileOf(clock.now, model.user)] += model.used;
        model.total[model.user] += model.used;
        model.running = false;
        model.bonus = 0;
        return true;
    }

    void Timer1() {
        const bool ok = Run([this] { session.Timer1Tick(); });
        if (model.handOver) {
            if (model.running && !Closed(ok)) {
                return; // the tick stops at the failed close; the hand-over waits in allow.var
            }
            model.running = true;
            model.user = model.handOver->second;
            model.allowance = model.handOver->first;
            model.used = model.weekCredited = 0;
            model.handOver.reset();
        }
        if (!model.running) {
            return;
        }
        if (model.windows[model.user].Closed(clock.now.hour)) {
            Closed(ok);
            return;
        }
        if (model.allowance + model.bonus > 0) {
            if (model.bonus == 0) {
                --model.allowance;
                ++model.used;
            } else {
                --model.bonus;
            }
        }
        if (model.allowance + model.bonus <= 0) {
            Closed(ok);
        }
    }

    void Timer2() {
        const bool ok = Run([this] { session.Timer2Tick(); });
        if (model.running && clock.now.hour == 12 && clock.now.minute == 0) {
            Closed(ok);
        }
    }

    void EndSession() {
        const bool ok = Run([this] { session.Command6Click(); });
        if (model.running) {
            model.bonus = 0;
            Closed(ok);
        }
    }

    void Events() {
        if (!model.handOver && (model.running ? OneIn(20000) : OneIn(900))) {
            const std::string user = kUsers[rng() % 3];
            const long long allowance = Between(30, 5400);
            files["allow"] =
                "|||user|||" + user + "\r\n|||allow|||" + std::to_string(allowance) + "\r\n";
            model.handOver = {allowance, user};
        }
        if (model.running && OneIn(2500)) {
            const long long bonus = Between(1, 900);
            session.AddBonusSeconds(static_cast<double>(bonus));
            model.bonus += bonus;
        }
        if (OneIn(5000)) {
            const std::string user = kUsers[rng() % 3];
            Window window;
            if (!OneIn(4)) {
                window.open = static_cast<int>(Between(0, 12));
                window.close = static_cast<int>(Between(8, 24));
            }
            files[user] = "";
            if (window.open) {
                WriteRecord(files, "open", user, std::to_string(*window.open));
                WriteRecord(files, "close", user, std::to_string(*window.close));
            }
            model.windows[user] = window;
        }
        if (model.running && OneIn(6000)) {
            EndSession();
        }
    }

    long long Value(const std::string& key, const std::string& name) {
        const auto value = ReadRecord(files, key, name);
        return value ? std::stoll(*value) : -1;
    }
};

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

TEST_F(SessionWeek, UsageFilesHoldWhatTheSessionsReallyUsed) {
    const long long span = kSanitized ? 4 : 7;
    if (kSanitized) {
        clock.now = LocalTime{2027, 12, 31, 6, 0, 0};
    }
    for (long long second = 0; second < span * 86400; ++second) {
        Events();
        Timer1();
        if (second % 10 == 0) {
            Timer2();
        }
        clock.Advance(1);
    }
    failPerMille = 0;
    EndSession();
    for (int i = 0; i < 10; ++i) {
        session.Timer1Tick(); // the writes still waiting are tried again
    }
    ASSERT_EQ(session.PendingWrites(), 0u);
    ASSERT_FALSE(model.running);
    ASSERT_FALSE(session.SessionRunning());

    long long sessions = 0;
    for (const auto& [name, used] : model.daily) {
        EXPECT_EQ(Value("used", name), used) << name;
        sessions += used;
    }
    for (const auto& [name, used] : model.weekly) {
        EXPECT_EQ(Value("weektotal", name), used) << name;
    }
    // No usage file the model does not know of, and the week files add up to the days.
    for (const char* user : kUsers) {
        long long days = 0, weeks = 0;
        for (const auto& [path, text] : files.files) {
            const std::string name =
                path.substr(files.folder.size() + 1, path.size() - files.folder.size() - 5);
            if (name.rfind(user, 0) == 0 && name != user) {
                EXPECT_EQ(model.daily.count(name), 1u) << name;
                days += Value("used", name);
            } else if (name.find(user) != std::string::npos && name[0] >= '0' && name[0] <= '9' &&
                       name.find('-') == std::string::npos) {
                EXPECT_EQ(model.weekly.count(name), 1u) << name;
                weeks += Value("weektotal", name);
            }
        }
        EXPECT_EQ(days, model.total[user]) << user;
        EXPECT_EQ(weeks, model.total[user]) << user;
    }
    // The week was busy enough to mean something.
    EXPECT_GT(sessions, 3 * 3600);
    EXPECT_GE(model.daily.size(), 9u);
    EXPECT_GE(model.weekly.size(), 6u);
    EXPECT_EQ(programEnd.ended, 0);
}

} // namespace
} // namespace tembrel

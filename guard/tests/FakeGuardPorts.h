#pragma once
// The guard's ports as plain data: sessions a test logs on and off, processes that start, end and
// answer when the test says so, a clock that moves only when told, and the log as lines.
#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "guard/GuardCore.h"
#include "platform/Errors.h"

namespace tembrel::guard::test {

struct FakeSessions : Sessions {
    std::vector<SessionId> loggedOn;
    std::vector<SessionId> loggedOff;
    std::vector<SessionId> LoggedOn() override { return loggedOn; }
    void LogOff(SessionId session) override { loggedOff.push_back(session); }
};

struct FakeProcesses : Processes {
    std::map<SessionId, ProcessId> running; // what FindTembrel finds
    std::vector<SessionId> started;
    std::vector<ProcessId> ended;
    std::vector<ProcessId> probed;
    std::set<ProcessId> adopted;
    bool failStart = false;
    ProcessId next = 100;

    std::optional<ProcessId> FindTembrel(SessionId session) override {
        const auto it = running.find(session);
        return it == running.end() ? std::nullopt : std::optional<ProcessId>(it->second);
    }
    ProcessId StartTembrel(SessionId session) override {
        if (failStart) {
            throw TembrelError("no user token");
        }
        started.push_back(session);
        return running[session] = next++;
    }
    void Adopt(SessionId /*session*/, ProcessId process) override { adopted.insert(process); }
    void End(ProcessId process) override { ended.push_back(process); }
    void StartProbe(SessionId /*session*/, ProcessId process) override {
        probed.push_back(process);
    }
};

struct FakeSteadyClock : SteadyClock {
    std::int64_t now = 1'000'000;
    std::int64_t Milliseconds() const override { return now; }
};

struct LinesLog : ActionLog {
    std::vector<std::string> lines;
    void Record(std::string_view message) noexcept override { lines.emplace_back(message); }
    bool Has(const std::string& part) const {
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& line) { return line.find(part) != line.npos; });
    }
};

// A guard over the fakes, with one user logged on in session 1.
struct GuardFixture {
    FakeSessions sessions;
    FakeProcesses processes;
    FakeSteadyClock clock;
    LinesLog log;
    GuardCore core{{sessions, processes, clock, log}};

    GuardFixture() { sessions.loggedOn = {1}; }
    // Ends session 1's Tembrel as a kill would: the process goes, then the guard hears of it.
    void Kill(SessionId session = 1) {
        const ProcessId process = *core.TembrelOf(session);
        processes.running.erase(session);
        core.TembrelEnded(session, process);
    }
    void AdvanceAndTick(std::int64_t ms) {
        clock.now += ms;
        core.Tick();
    }
};

} // namespace tembrel::guard::test

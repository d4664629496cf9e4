#pragma once
// What the guard's decisions need from Windows, as small interfaces: the logon sessions, the
// Tembrel processes in them, a steady clock and the record of what the guard did. The service
// gives it the Win32 ones; the tests give it fakes and stand at any second they like.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tembrel::guard {

using SessionId = std::uint32_t;
using ProcessId = std::uint32_t;

class Sessions {
  public:
    virtual ~Sessions() = default;
    // The sessions with a user logged on (console or remote, connected or not).
    virtual std::vector<SessionId> LoggedOn() = 0;
    // Signs the session's user off. Throws TembrelError when Windows refuses.
    virtual void LogOff(SessionId session) = 0;
};

class Processes {
  public:
    virtual ~Processes() = default;
    // A Tembrel of the program's folder already running in the session, to adopt.
    virtual std::optional<ProcessId> FindTembrel(SessionId session) = 0;
    // Starts the program's Tembrel.exe in the session as its user, out of the user's reach.
    // Throws TembrelError when it cannot (no user token yet, say).
    virtual ProcessId StartTembrel(SessionId session) = 0;
    // Puts an adopted Tembrel out of its user's reach, and watches for its end. Throws when it
    // cannot watch it; a process it could watch but not protect is logged and watched all the same.
    virtual void Adopt(SessionId session, ProcessId process) = 0;
    // Ends the process at once. Throws TembrelError when it cannot.
    virtual void End(ProcessId process) = 0;
    // Asks, in the session, whether the process's session window answers; the answer comes
    // back later through GuardCore::ProbeAnswered. Throws when the question cannot be asked.
    virtual void StartProbe(SessionId session, ProcessId process) = 0;
};

class SteadyClock {
  public:
    virtual ~SteadyClock() = default;
    // Milliseconds from any fixed point; never goes back, whatever the wall clock does.
    virtual std::int64_t Milliseconds() const = 0;
};

// The record of every action: Windows' event log and Tembrel.log. Never throws.
class ActionLog {
  public:
    virtual ~ActionLog() = default;
    virtual void Record(std::string_view message) noexcept = 0;
};

struct GuardPorts {
    Sessions& sessions;
    Processes& processes;
    const SteadyClock& clock;
    ActionLog& log;
};

} // namespace tembrel::guard

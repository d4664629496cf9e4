#pragma once
// The guard's decisions: one Tembrel in every logon session, started or adopted when the user logs
// on, started again after every end the parents did not authorise, ended and started again when
// its window stops answering, and never restarted in a loop: too many ends in a short time sign
// the user off instead, so the PC ends at Windows' sign-in screen rather than at an open desktop.
// It runs on one thread; the service calls it on each event and on a slow tick.
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>

#include "guard/GuardPorts.h"

namespace tembrel::guard {

class GuardCore {
  public:
    struct Limits {
        std::int64_t pollMs = 2000;             // sessions are listed at least this often
        std::int64_t probeEveryMs = 10'000;     // the window is asked this often
        std::int64_t hungAfterMs = 30'000;      // unanswered this long: ended and started again
        int backOffEnds = 5;                    // this many abnormal ends ...
        std::int64_t backOffWindowMs = 600'000; // ... within this time: the user is signed off
    };

    // What the guard does in one session.
    enum class Mode {
        Guarded,   // Tembrel is kept running
        LeftAlone, // the parents authorised an end: nothing is done until the next logon
        BackedOff, // too many ends: the user was signed off, nothing more is started
    };

    explicit GuardCore(GuardPorts ports) : GuardCore(ports, Limits{}) {}
    GuardCore(GuardPorts ports, Limits limits);

    // Due work: the sessions (when the poll is due), the questions to the windows, the hung ones.
    void Tick();
    // Windows said a session changed (a logon, an unlock): the sessions are listed at once.
    void SessionsChanged();
    // Windows said the user of the session logged off: the next logon there starts afresh.
    void LoggedOff(SessionId session);
    // A watched Tembrel ended, whatever its exit code (Windows' taskkill gives 1, Wine's 0).
    void TembrelEnded(SessionId id, ProcessId process);
    // The answer of a question started by StartProbe.
    void ProbeAnswered(SessionId session, ProcessId process, bool answered);
    // The parents authorised the end of Tembrel in this session: it is left alone until the user
    // logs off and on again. False for a session without a user logged on.
    bool AuthoriseEnd(SessionId id);

    std::optional<Mode> ModeOf(SessionId session) const;
    std::optional<ProcessId> TembrelOf(SessionId session) const;

  private:
    struct Session {
        Mode mode = Mode::Guarded;
        std::optional<ProcessId> tembrel;
        std::int64_t lastAnswerMs = 0;
        std::int64_t lastProbeMs = 0;
        bool probing = false;
        bool endingHung = false;
        std::deque<std::int64_t> abnormalEndsMs;
        std::string lastStartFailure;
    };

    void Poll();
    bool AdoptRunning(SessionId id, Session& session);
    void EnsureRunning(SessionId id, Session& session, const std::string& why);
    void Watch(Session& session, ProcessId process);
    void CheckWindow(SessionId id, Session& session);
    void Record(SessionId id, const std::string& message) noexcept;

    GuardPorts ports_;
    Limits limits_;
    std::map<SessionId, Session> sessions_;
    std::optional<std::int64_t> lastPollMs_;
};

} // namespace tembrel::guard

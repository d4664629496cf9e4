#pragma once
// What the session window's logic tells the rest of the program, through one interface: the view
// repaints on Changed, the notices follow Loaded, Started, EndedOnPurpose and Ticked, the usage
// history takes Closed. Every method has an empty default, so a listener names what it needs.
#include <optional>
#include <string>

#include "platform/Clock.h"
#include "session/ClosedSession.h"

namespace tembrel {

// The session as it stands after one tick, computed once by the logic.
struct SessionFacts {
    bool running = false;
    std::string user;
    long long timeLeft = 0;                 // seconds of allowance and bonus
    std::optional<long long> untilHoursEnd; // seconds until the hours window closes, if it does
    long long untilMidday = 0;              // seconds until the next 12:00
    std::optional<int> closingHour;         // the full hour the hours window closes at, if any
};

// Seconds from `now` to the next 12:00.
long long SecondsUntilMidday(const LocalTime& now);
// Seconds from `now` to the full hour `hour` (1 to 24) of the same day, at least 0.
std::optional<long long> SecondsUntilHour(std::optional<int> hour, const LocalTime& now);

class SessionEvents {
  public:
    virtual ~SessionEvents() = default;
    // The logic was loaded: the lock-down is on and the lock screen launched.
    virtual void Loaded() {}
    // Status or the state of CommandEnd changed.
    virtual void Changed() {}
    // A hand-over was picked up: a new session.
    virtual void Started() {}
    // The child ended the session on purpose ("End Session && Lock Computer"), whether or not its
    // close succeeds.
    virtual void EndedOnPurpose() {}
    // After every tick, whatever it did.
    virtual void Ticked(const SessionFacts& /*facts*/) {}
    // After every close, once its records are written or kept as pending.
    virtual void Closed(const ClosedSession& /*closed*/) {}
};

} // namespace tembrel

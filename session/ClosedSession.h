#pragma once
// What a finished close knows of the session it closed, made by the running session alone. The
// close hands one of these to whoever keeps the usage history, after the records are written (or
// kept as pending).
#include <string>

#include "platform/Clock.h"

namespace tembrel {

// How a session ended.
enum class CloseReason {
    TimeUp,      // the time left reached 0
    HoursWindow, // the child's hours window closed
    Midday,      // 12:00
    EndSession,  // "End Session && Lock Computer"
    Replaced,    // a new hand-over came while the session ran
    Shutdown,    // Windows ended the user's session
    Recovered,   // closed at start-up from the journal of a session that did not close
};

struct ClosedSession {
    std::string user;
    LocalTime start;             // when the hand-over was picked up
    LocalTime end;               // when the session was closed
    long long allowanceUsed = 0; // seconds of allowance used, as recorded
    long long bonusGiven = 0; // bonus seconds a parent added during the session (net, may be < 0)
    CloseReason reason = CloseReason::TimeUp;
    long long bonusUsed = 0; // seconds at the PC spent from the bonus, apart from the allowance
};

} // namespace tembrel

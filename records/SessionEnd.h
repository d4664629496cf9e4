#pragma once
// Why the last session ended, as the timer leaves it for the lock screen to say once. The timer's
// own files are never read by the lock screen, so this is a record file of its own:
//   lastend.var   "user": whose session it was; "reason": one of the values below
// The timer writes it as it closes a session; the lock screen reads it, shows it, and removes it.
#include <optional>
#include <string>

#include "platform/Files.h"

namespace tembrel {

namespace sessionend {
constexpr const char* kFile = "lastend";
constexpr const char* kUser = "user";
constexpr const char* kReason = "reason";
} // namespace sessionend

enum class SessionEndReason {
    TimeUp,     // "time": the time left reached 0
    HoursOver,  // "hours": the child's allowed hours ended
    Midday,     // "midday": 12:00 midday ends every session
    EndSession, // "endsession": the child pressed End Session
};

// The record value of a reason, and back; an unknown value is no reason.
std::string ReasonValue(SessionEndReason reason);
std::optional<SessionEndReason> ReasonOf(const std::string& value);

// For the timer's close: replaces lastend.var in one step. Throws FileError like every write.
void RecordSessionEnd(Files& files, const std::string& user, SessionEndReason reason);

struct SessionEnd {
    std::string user;
    SessionEndReason reason;
};
// For the lock screen: what lastend.var says, and the file removed so that it is said once.
// Nothing when there is no file or it holds no known reason.
std::optional<SessionEnd> TakeSessionEnd(Files& files);

// What the lock screen says: "Time is up for today", ...
std::string SessionEndText(SessionEndReason reason);

} // namespace tembrel

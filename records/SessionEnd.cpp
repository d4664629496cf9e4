#include "records/SessionEnd.h"

#include "records/Counter.h"
#include "records/FileHandle.h"

namespace tembrel {

namespace {

struct ReasonName {
    SessionEndReason reason;
    const char* value;
    const char* text;
};

constexpr ReasonName kReasons[] = {
    {SessionEndReason::TimeUp, "time", "Time is up for today"},
    {SessionEndReason::HoursOver, "hours", "Your allowed hours are over"},
    {SessionEndReason::Midday, "midday", "It was 12:00 midday: log in again to go on"},
    {SessionEndReason::EndSession, "endsession", "Session ended"},
};

const ReasonName& Find(SessionEndReason reason) {
    for (const ReasonName& r : kReasons) {
        if (r.reason == reason) {
            return r;
        }
    }
    return kReasons[0];
}

} // namespace

std::string ReasonValue(SessionEndReason reason) {
    return Find(reason).value;
}

std::optional<SessionEndReason> ReasonOf(const std::string& value) {
    for (const ReasonName& r : kReasons) {
        if (value == r.value) {
            return r.reason;
        }
    }
    return std::nullopt;
}

std::string SessionEndText(SessionEndReason reason) {
    return Find(reason).text;
}

void RecordSessionEnd(Files& files, const std::string& user, SessionEndReason reason) {
    // One replacement, so that the lock screen never finds a reason beside another child's name.
    ReplaceFile(files, RecordPath(files, sessionend::kFile),
                RecordPattern(sessionend::kUser) + user + "\r\n" +
                    RecordPattern(sessionend::kReason) + ReasonValue(reason) + "\r\n");
}

std::optional<SessionEnd> TakeSessionEnd(Files& files) {
    const std::string path = RecordPath(files, sessionend::kFile);
    if (!RecordFileExists(files, path)) {
        return std::nullopt;
    }
    const auto user = ReadRecord(files, sessionend::kUser, sessionend::kFile);
    const auto reason = ReadRecord(files, sessionend::kReason, sessionend::kFile);
    files.Remove(path);
    const auto known = ReasonOf(reason.value_or(""));
    if (!user || !known) {
        return std::nullopt;
    }
    return SessionEnd{*user, *known};
}

} // namespace tembrel

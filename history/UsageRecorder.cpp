#include "history/UsageRecorder.h"

#include <exception>

namespace tembrel {

void UsageRecorder::Closed(const ClosedSession& session) noexcept {
    // "Today" is the clock's, not the session's end: a close recovered at start-up may be days old.
    LocalTime now;
    try {
        now = clock_.Now();
    } catch (...) {
        now = session.end;
    }
    const auto rows = history_.Add(session, now);
    if (!rows) {
        return; // the page stays as it was rather than show a history that lacks the file's rows
    }
    try {
        report_.Write(*rows, now);
    } catch (const std::exception& e) {
        log_.Append("Usage report", e.what());
    } catch (...) {
        log_.Append("Usage report", "unknown failure");
    }
}

} // namespace tembrel

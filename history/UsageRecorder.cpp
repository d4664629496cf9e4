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
    // The children set up on the lock screen have their card from the start, with their limits.
    std::vector<ListedChild> listed;
    try {
        listed = ListedChildren(files_, regional_);
    } catch (const std::exception& e) {
        log_.Append("Usage report", std::string("the list of children: ") + e.what());
    }
    try {
        report_.Write(*rows, now, listed);
    } catch (const std::exception& e) {
        log_.Append("Usage report", e.what());
    } catch (...) {
        log_.Append("Usage report", "unknown failure");
    }
}

} // namespace tembrel

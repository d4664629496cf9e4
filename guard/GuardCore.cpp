#include "guard/GuardCore.h"

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

namespace tembrel::guard {

namespace {

std::string Seconds(std::int64_t ms) {
    return std::to_string(ms / 1000) + " s";
}

} // namespace

GuardCore::GuardCore(GuardPorts ports, Limits limits) : ports_(ports), limits_(limits) {}

void GuardCore::Tick() {
    const std::int64_t now = ports_.clock.Milliseconds();
    if (!lastPollMs_ || now - *lastPollMs_ >= limits_.pollMs) {
        Poll();
    }
    for (auto& [id, session] : sessions_) {
        if (session.mode != Mode::Guarded) {
            continue;
        }
        if (session.tembrel) {
            CheckWindow(id, session);
        } else {
            // A start that failed (no user token yet, say) is tried again at every tick.
            EnsureRunning(id, session, "started again after a failed start");
        }
    }
}

void GuardCore::SessionsChanged() {
    Poll();
}

void GuardCore::Poll() {
    lastPollMs_ = ports_.clock.Milliseconds();
    std::vector<SessionId> loggedOn;
    try {
        loggedOn = ports_.sessions.LoggedOn();
    } catch (const std::exception& e) {
        Record(0, std::string("the sessions could not be listed: ") + e.what());
        return; // nothing is forgotten on a failed look
    }
    for (auto it = sessions_.begin(); it != sessions_.end();) {
        if (std::find(loggedOn.begin(), loggedOn.end(), it->first) == loggedOn.end()) {
            it = sessions_.erase(it);
        } else {
            ++it;
        }
    }
    for (const SessionId id : loggedOn) {
        if (sessions_.find(id) == sessions_.end()) {
            EnsureRunning(id, sessions_[id], "started at logon");
        }
    }
}

void GuardCore::LoggedOff(SessionId session) {
    sessions_.erase(session);
}

bool GuardCore::AdoptRunning(SessionId id, Session& session) {
    const std::optional<ProcessId> found = ports_.processes.FindTembrel(id);
    if (!found) {
        return false;
    }
    ports_.processes.Adopt(id, *found);
    Watch(session, *found);
    Record(id, "adopted the running Tembrel (process " + std::to_string(*found) + ")");
    return true;
}

void GuardCore::EnsureRunning(SessionId id, Session& session, const std::string& why) {
    try {
        if (AdoptRunning(id, session)) {
            return;
        }
        const ProcessId started = ports_.processes.StartTembrel(id);
        Watch(session, started);
        Record(id, "Tembrel " + why + " (process " + std::to_string(started) + ")");
    } catch (const std::exception& e) {
        // Logged once per kind of failure: a session whose user token is not there yet would
        // otherwise fill the log every two seconds.
        if (session.lastStartFailure != e.what()) {
            session.lastStartFailure = e.what();
            Record(id, std::string("Tembrel could not be started: ") + e.what());
        }
    }
}

void GuardCore::Watch(Session& session, ProcessId process) {
    const std::int64_t now = ports_.clock.Milliseconds();
    session.tembrel = process;
    session.lastAnswerMs = now;
    session.lastProbeMs = now;
    session.probing = false;
    session.endingHung = false;
    session.lastStartFailure.clear();
}

void GuardCore::CheckWindow(SessionId id, Session& session) {
    const std::int64_t now = ports_.clock.Milliseconds();
    if (session.endingHung) {
        return; // its end comes through TembrelEnded
    }
    if (now - session.lastAnswerMs >= limits_.hungAfterMs) {
        try {
            ports_.processes.End(*session.tembrel);
            session.endingHung = true;
            Record(id, "Tembrel's window has not answered for " +
                           Seconds(now - session.lastAnswerMs) + ": ended, to be started again");
        } catch (const std::exception& e) {
            Record(id,
                   std::string("a Tembrel that does not answer could not be ended: ") + e.what());
        }
        return;
    }
    if (!session.probing && now - session.lastProbeMs >= limits_.probeEveryMs) {
        session.lastProbeMs = now;
        try {
            ports_.processes.StartProbe(id, *session.tembrel);
            session.probing = true;
        } catch (const std::exception& e) {
            // Not asked is not answered: a window that cannot be asked for 30 s counts as hung.
            Record(id, std::string("Tembrel's window could not be asked: ") + e.what());
        }
    }
}

void GuardCore::ProbeAnswered(SessionId session, ProcessId process, bool answered) {
    const auto it = sessions_.find(session);
    if (it == sessions_.end() || it->second.tembrel != process) {
        return; // a question about a Tembrel that is gone
    }
    it->second.probing = false;
    if (answered) {
        it->second.lastAnswerMs = ports_.clock.Milliseconds();
    }
}

void GuardCore::TembrelEnded(SessionId id, ProcessId process) {
    const auto it = sessions_.find(id);
    if (it == sessions_.end() || it->second.tembrel != process) {
        return;
    }
    Session& session = it->second;
    session.tembrel.reset();
    const bool wasHung = std::exchange(session.endingHung, false);
    if (session.mode == Mode::LeftAlone) {
        Record(id, "Tembrel ended with the parents' leave (process " + std::to_string(process) +
                       "); not started again before the next logon");
        return;
    }
    if (session.mode != Mode::Guarded) {
        return;
    }
    // The one that ended may have been a second start that left at once, beside the Tembrel the
    // Run key started: nothing was lost then.
    try {
        if (AdoptRunning(id, session)) {
            return;
        }
    } catch (const std::exception& e) {
        Record(id, std::string("a running Tembrel could not be adopted: ") + e.what());
    }
    const std::int64_t now = ports_.clock.Milliseconds();
    session.abnormalEndsMs.push_back(now);
    while (now - session.abnormalEndsMs.front() >= limits_.backOffWindowMs) {
        session.abnormalEndsMs.pop_front();
    }
    const std::string why = wasHung ? "after its window stopped answering"
                                    : "after it ended without the parents' leave";
    if (static_cast<int>(session.abnormalEndsMs.size()) >= limits_.backOffEnds) {
        // Fail closed: a Tembrel that cannot be kept running must not leave an open desktop.
        session.mode = Mode::BackedOff;
        Record(id, "Tembrel ended " + std::to_string(session.abnormalEndsMs.size()) +
                       " times within " + Seconds(limits_.backOffWindowMs) +
                       ": not started again; the user is signed off");
        try {
            ports_.sessions.LogOff(id);
        } catch (const std::exception& e) {
            Record(id, std::string("the user could not be signed off: ") + e.what());
        }
        return;
    }
    EnsureRunning(id, session, "started again " + why);
}

bool GuardCore::AuthoriseEnd(SessionId id) {
    auto it = sessions_.find(id);
    if (it == sessions_.end()) {
        // A session that logged on since the last poll is listed now.
        Poll();
        it = sessions_.find(id);
        if (it == sessions_.end()) {
            return false;
        }
    }
    it->second.mode = Mode::LeftAlone;
    Record(id, "the parents authorised the end of Tembrel; left alone until the next logon");
    return true;
}

std::optional<GuardCore::Mode> GuardCore::ModeOf(SessionId session) const {
    const auto it = sessions_.find(session);
    return it == sessions_.end() ? std::nullopt : std::optional<Mode>(it->second.mode);
}

std::optional<ProcessId> GuardCore::TembrelOf(SessionId session) const {
    const auto it = sessions_.find(session);
    return it == sessions_.end() ? std::nullopt : it->second.tembrel;
}

void GuardCore::Record(SessionId id, const std::string& message) noexcept {
    try {
        ports_.log.Record("session " + std::to_string(id) + ": " + message);
    } catch (...) {
        // the log never stops a decision
    }
}

} // namespace tembrel::guard

#include "session/SessionNotices.h"

#include <algorithm>

#include "records/Counter.h"

namespace tembrel {

namespace {

long long EarliestEnd(const SessionFacts& facts) {
    long long end = std::min(facts.timeLeft, facts.untilMidday);
    if (facts.untilHoursEnd) {
        end = std::min(end, *facts.untilHoursEnd);
    }
    return end;
}

} // namespace

std::string SessionNotices::Warning(const SessionFacts& facts, const char* text) {
    // The time left wins a tie: what ends the session then is the plain time up.
    const long long end = EarliestEnd(facts);
    if (facts.timeLeft <= end) {
        return text;
    }
    if (facts.untilHoursEnd && *facts.untilHoursEnd < facts.untilMidday) {
        if (!facts.closingHour) {
            return text;
        }
        const int hour = *facts.closingHour;
        const std::string at = hour >= 24 ? std::string("midnight")
                                          : (hour < 10 ? "0" : "") + std::to_string(hour) + ":00";
        return "Your allowed hours end at " + at + ": " + text;
    }
    return kMiddayEnd + std::string(text);
}

void SessionNotices::Start() {
    if (ended_) {
        return;
    }
    tooltip_ = kNoSession;
    area_.ShowIcon(tooltip_);
}

void SessionNotices::SessionStarted() {
    newSession_ = true;
}

void SessionNotices::SessionEnded() {
    watching_ = false;
}

void SessionNotices::Update(const SessionFacts& facts) {
    if (ended_) {
        return;
    }
    SetTooltip(Tooltip(facts));
    if (!facts.running) {
        inSession_ = false;
        watching_ = false;
        return;
    }
    const long long end = EarliestEnd(facts);
    if (!inSession_ || newSession_) {
        inSession_ = true;
        newSession_ = false;
        watching_ = true;
        // A session that starts with less than 5 minutes left gets no "5 minutes" warning; the
        // last warning is given whatever the start, since it is the child's last chance to save.
        for (Threshold& threshold : thresholds_) {
            threshold.armed = end >= threshold.seconds;
        }
        thresholds_[1].armed = true;
    }
    if (!watching_) {
        return;
    }
    // From the highest threshold to the lowest: when several fall due at once (bonus taken back),
    // only the nearest is told, and the others count as told.
    const Threshold* due = nullptr;
    for (Threshold& threshold : thresholds_) {
        if (end > threshold.seconds) {
            threshold.armed = true; // bonus lifted the time above it: it warns again
        } else if (threshold.armed) {
            threshold.armed = false;
            due = &threshold;
        }
    }
    if (due != nullptr) {
        area_.ShowBalloon(kTitle, Warning(facts, due->text));
        area_.BringWindowToFront();
        area_.FlashWindow();
    }
}

void SessionNotices::IconClicked() {
    if (!ended_) {
        area_.BringWindowToFront();
    }
}

void SessionNotices::ProgramEnding() {
    if (ended_) {
        return;
    }
    ended_ = true;
    area_.RemoveIcon();
}

void SessionNotices::SetTooltip(const std::string& text) {
    if (text != tooltip_) {
        tooltip_ = text;
        area_.ShowIcon(tooltip_);
    }
}

std::string SessionNotices::Tooltip(const SessionFacts& facts) {
    if (!facts.running) {
        return kNoSession;
    }
    // Whole seconds never need the decimal separator.
    const std::string rest =
        ": " + SecondsToClock(static_cast<double>(facts.timeLeft), ".") + " left";
    std::string name = facts.user;
    if (name.size() + rest.size() > kTooltipLimit) {
        // A long name must not push the time out of the tooltip.
        name = name.substr(0, kTooltipLimit - std::min(kTooltipLimit, rest.size() + 3)) + "...";
    }
    return name + rest;
}

} // namespace tembrel

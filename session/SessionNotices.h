#pragma once
// What the notification area says about the session: the icon with the time left in its tooltip,
// and a warning 5 minutes and 1 minute before the session ends, so that a child is not cut off in
// the middle of unsaved work. The rules see plain facts (time left, seconds until the hours window
// and midday end it) and speak through the NotificationArea port, so tests drive them second by
// second without a window or a clock of their own.
#include <optional>
#include <string>

#include "platform/NotificationArea.h"
#include "platform/ProgramEnd.h"
#include "session/SessionEvents.h"

namespace tembrel {

class SessionNotices : public SessionEvents {
  public:
    static constexpr const char* kTitle = "Tembrel";
    static constexpr const char* kFiveMinutes = "5 minutes left. Save your work.";
    static constexpr const char* kOneMinute = "1 minute left. Save your work now.";
    // Said before the warning when the session ends at 12:00 rather than when its time is up.
    static constexpr const char* kMiddayEnd = "Tembrel stops at 12:00 midday: ";
    static constexpr const char* kNoSession = "Tembrel: no session running";
    static constexpr std::size_t kTooltipLimit = 127; // characters a tooltip holds

    explicit SessionNotices(NotificationArea& area) : area_(area) {}

    // The session window is loaded: the icon goes in.
    void Start();
    // A hand-over was picked up: a new session, whose warnings are all still to come.
    void SessionStarted();
    // The session is ended on purpose ("End Session && Lock Computer"): nothing more is said
    // about it, even if its close fails and it goes on counting.
    void SessionEnded();
    // After every tick: the tooltip follows the time left, and a warning falls due.
    void Update(const SessionFacts& facts);
    // The same, told by the session window's logic.
    void Loaded() override { Start(); }
    void Started() override { SessionStarted(); }
    void EndedOnPurpose() override { SessionEnded(); }
    void Ticked(const SessionFacts& facts) override { Update(facts); }
    // The icon was clicked.
    void IconClicked();
    // The program ends: the icon goes, and nothing is said any more.
    void ProgramEnding();

    static std::string Tooltip(const SessionFacts& facts);
    // The warning `text` as told for these facts: it names what ends the session when that is
    // midday or the end of the allowed hours, which a child cannot see coming on the clock of the
    // time left.
    static std::string Warning(const SessionFacts& facts, const char* text);

  private:
    struct Threshold {
        long long seconds;
        const char* text;
        bool armed;
    };
    void SetTooltip(const std::string& text);

    NotificationArea& area_;
    Threshold thresholds_[2] = {{300, kFiveMinutes, false}, {60, kOneMinute, false}};
    bool newSession_ = false; // the next running tick is the first of a session
    bool watching_ = false;   // a session runs and has not been ended on purpose
    bool inSession_ = false;
    bool ended_ = false;
    std::string tooltip_;
};

// Ends the program after the notices are done: a process that ends at once leaves its icon behind
// until the mouse passes over it, and nothing may be warned about once the program goes.
class EndAfterNotices : public ProgramEnd {
  public:
    EndAfterNotices(SessionNotices& notices, ProgramEnd& end) : notices_(notices), end_(end) {}
    void EndProgram() override {
        notices_.ProgramEnding();
        end_.EndProgram();
    }

  private:
    SessionNotices& notices_;
    ProgramEnd& end_;
};

} // namespace tembrel

#pragma once
// The session window's logic: picks up the lock screen's hand-over, counts the time down, closes
// the session and records its use, and launches the lock screen again. It holds its state as text,
// as the hidden boxes of the window did, and reaches the world only through ports, so tests drive
// it tick by tick with a fake clock. The view renders Status() and CommandEndEnabled() and forwards
// events; every handler is guarded and never throws.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "platform/DesktopLock.h"
#include "platform/Files.h"
#include "platform/ProgramEnd.h"
#include "platform/Regional.h"
#include "session/ClosedSession.h"
#include "session/DiagnosticLog.h"

namespace tembrel {

class SessionNotices;

// What the parents' buttons open: the master password gate. Implemented by the dialogs.
class ParentGate {
  public:
    enum class Purpose { BonusTime, CloseProgram };
    virtual ~ParentGate() = default;
    virtual bool IsOpen() const = 0;
    virtual void Show(Purpose purpose) = 0;
};

struct SessionPorts {
    Files& files;
    const Clock& clock;
    const Regional& regional;
    DesktopLock& desktopLock;
    ProgramEnd& programEnd;
    DiagnosticLog& log;
};

class Horodesk {
  public:
    static constexpr const char* kClosingMessage = "Your Session Is Closing..";
    static constexpr const char* kDesktopName = "SecureDesktop";

    explicit Horodesk(SessionPorts ports);

    // State, as the window shows or keeps it.
    const std::string& BigCount() const { return bigCount_; }
    const std::string& cUser() const { return cUser_; }
    const std::string& Text1() const { return text1_; }
    const std::string& StartAllowance() const { return startAllowance_; }
    const std::string& Status() const { return status_; }
    bool CommandEndEnabled() const { return commandEndEnabled_; }
    bool SessionRunning() const { return !bigCount_.empty(); }
    // The hour at which the running session's hours window closes, from the last time the user's
    // "open" and "close" could be read; none when the window has no end on the same day (open
    // all day, across midnight, no closing hour, not whole hours) or no session runs.
    std::optional<int> HoursWindowCloseHour() const { return hoursWindowClose_; }

    // Bonus seconds, changed by the bonus dialog.
    void SetText1(std::string text);
    // Reads Text1 as a number, adds `seconds` and writes the sum back as decimal text. Throws.
    void AddBonusSeconds(double seconds);

    // Called after every change of Status or CommandEnd's state, so the view can repaint.
    std::function<void()> onChange;
    // Called after each finished close with what it knows of the session (the usage history).
    std::function<void(const ClosedSession&)> onClosed;

    void SetParentGate(ParentGate* gate) { gate_ = gate; }
    // Notices: the notification-area icon and the warnings before the end; told of the load, of
    // each session's start, of an End Session, and of the state after every tick.
    void SetNotices(SessionNotices* notices) { notices_ = notices; }

    // Event handlers: guarded, never throw.
    void Load();
    void Timer1Tick();
    void Timer2Tick();
    void Command6Click();   // "End Session && Lock Computer"
    void Command1Click();   // "Add/ Remove Bonus Time"
    void CommandEndClick(); // "Close Tembrel *Parents Only*"
    bool CloseRequest();    // the user's close request; always refused (returns false)
    void SystemShutdown();  // Windows ends the session: record the running session's use

    // Public operations; they throw on failure.
    void locksystem();
    void UnlockSystem();
    void LaunchEngine();
    void NoMoreTime();

  private:
    void Tick();
    void PickUp(const std::string& handOver);
    std::string HandOverProblem(const std::string& handOver, const std::string& user) const;
    bool HoursWindowClosed();
    void RecordUse(CloseReason reason);
    double UsageValue(const std::optional<std::string>& value, const std::string& name,
                      std::string_view key);
    long long Remaining() const;
    double Num(const std::string& text) const;
    std::optional<std::string> Read(std::string_view key, std::string_view name);
    void SetStatus(std::string text);
    void SetCommandEnd(bool enabled);
    // Runs `action`, and logs instead of letting any failure out. A failure that repeats exactly
    // is logged once, so a file locked for minutes does not push everything else out of the log.
    bool Guard(const char* operation, const std::function<void()>& action) noexcept;

    SessionPorts ports_;
    ParentGate* gate_ = nullptr;
    SessionNotices* notices_ = nullptr;
    std::optional<int> hoursWindowClose_;
    std::string bigCount_;
    std::string cUser_;
    std::string text1_ = "0";
    std::string startAllowance_;
    std::string status_ = "00:00:00";
    bool commandEndEnabled_ = true;
    // Seconds of the running session already added to a weekly total by a close that failed
    // later on, so that the close, tried again, does not add them twice.
    long long weekCounted_ = 0;
    // The 40 seconds for typing the password are given once between two hand-overs.
    bool graceGiven_ = false;
    // The last launch of the lock screen failed: the tick tries again while no session runs.
    bool launchPending_ = false;
    // For the usage history: when the running session was picked up, and the bonus seconds
    // given to it, net of any taken back.
    LocalTime sessionStart_;
    long long bonusGiven_ = 0;
    std::map<std::string, std::string, std::less<>> lastFailure_;
};

} // namespace tembrel

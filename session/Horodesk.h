#pragma once
// The session window's logic: picks up the lock screen's hand-over, counts the time down, closes
// the session and records its use, and launches the lock screen again. It holds its state as text,
// as the hidden boxes of the window did, and reaches the world only through ports, so tests drive
// it tick by tick with a fake clock. The view renders Status() and CommandEndEnabled() and forwards
// events; every handler is guarded and never throws.
#include <functional>
#include <string>

#include "platform/Clock.h"
#include "platform/DesktopLock.h"
#include "platform/Files.h"
#include "platform/ProgramEnd.h"
#include "platform/Regional.h"
#include "session/DiagnosticLog.h"

namespace tembrel {

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

    // Bonus seconds, changed by the bonus dialog.
    void SetText1(std::string text);

    // Called after every change of Status or CommandEnd's state, so the view can repaint.
    std::function<void()> onChange;

    void SetParentGate(ParentGate* gate) { gate_ = gate; }

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
    SessionPorts ports_;
    ParentGate* gate_ = nullptr;
    std::string bigCount_;
    std::string cUser_;
    std::string text1_ = "0";
    std::string startAllowance_;
    std::string status_ = "00:00:00";
    bool commandEndEnabled_ = true;
};

} // namespace tembrel

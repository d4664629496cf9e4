#pragma once
// The session window's logic: picks up the lock screen's hand-over, counts the time down, closes
// the session and hands its use to the usage ledger, and launches the lock screen again. It holds
// the session's numbers as numbers, parsed once at the hand-over and at each bonus change, and
// renders the window's texts from them; it reaches the world only through ports, so tests drive it
// tick by tick with a fake clock. It tells the rest of the program through SessionEvents; every
// handler is guarded and never throws.
#include <functional>
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
#include "session/HandlerGuard.h"
#include "session/RunningSession.h"
#include "session/SessionEvents.h"
#include "session/UsageLedger.h"

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
    static constexpr const char* kJournalFile = UsageLedger::kJournalFile;

    explicit Horodesk(SessionPorts ports);

    // State, as the window shows or keeps it: texts rendered from the session's numbers. BigCount
    // is empty while no session runs.
    std::string BigCount() const;
    std::string cUser() const;
    std::string Text1() const;
    std::string StartAllowance() const;
    const std::string& Status() const { return status_; }
    bool CommandEndEnabled() const { return commandEndEnabled_; }
    bool SessionRunning() const { return running_.has_value(); }
    // There is a session whose use a close records.
    bool HasSessionToRecord() const { return running_.has_value(); }
    // Usage writes that failed and wait to be tried again.
    std::size_t PendingWrites() const { return ledger_.PendingWrites(); }
    // The quit signal came during a session: the program ends once that session is closed.
    bool QuitWaiting() const { return quitRequested_; }
    // The closing hour of the running session's hours window, as last read successfully; absent
    // with no session, or when the window has no closing hour.
    std::optional<int> HoursWindowCloseHour() const;

    // Bonus seconds, changed by the bonus dialog. A text that is no number counts as no bonus.
    void SetText1(const std::string& text);
    // Adds `seconds` to the bonus. Throws when the sum cannot be counted down.
    void AddBonusSeconds(double seconds);

    // Who hears of the session; null for no one.
    void SetEvents(SessionEvents* events) { events_ = events; }
    void SetParentGate(ParentGate* gate) { gate_ = gate; }

    // Event handlers: guarded, never throw.
    void Load();
    void Timer1Tick();
    void Timer2Tick();
    void Command6Click();   // "End Session && Lock Computer"
    void Command1Click();   // "Add/ Remove Bonus Time"
    void CommandEndClick(); // "Close Tembrel *Parents Only*"
    bool CloseRequest();    // the user's close request: whether the window may close (never)
    // Windows ends the user's session, or a parent closes the program: records the running
    // session's use, without launching the lock screen.
    void RecordRunningSession();

    // Public operations; they throw on failure.
    void locksystem();
    void UnlockSystem();
    void LaunchEngine();
    // Closes the running session, records its use and launches the lock screen. The records are
    // written or kept as pending: only the launch can throw.
    void NoMoreTime(CloseReason reason = CloseReason::TimeUp);

  private:
    void Tick();
    bool QuitPart();
    void HandOverPart();
    bool HoursWindowPart();
    void CountDownPart();
    SessionFacts Facts() const;
    void PickUp(long long allowance, const std::string& user);
    std::string HandOverProblem(const std::string& handOver, const std::string& user,
                                long long& allowance) const;
    // The close that records: the use goes to the ledger, the session is cleared, the ledger
    // writes. Never throws.
    void RecordSession(CloseReason reason);
    void Notify(const std::optional<ClosedSession>& closed);
    // Seconds of allowance and bonus left.
    long long Remaining() const;
    double Num(std::string_view text) const;
    std::optional<std::string> Read(std::string_view key, std::string_view name);
    void SetStatus(std::string text);
    void SetCommandEnd(bool enabled);
    void Changed();
    // Runs `action`, and logs instead of letting any failure out. A failure that repeats exactly
    // is logged once, so a file locked for minutes does not push everything else out of the log.
    bool Guard(std::string_view operation, const std::function<void()>& action) noexcept;

    SessionPorts ports_;
    ParentGate* gate_ = nullptr;
    SessionEvents* events_ = nullptr;
    std::optional<RunningSession> running_;
    UsageLedger ledger_;
    // The last hand-over's allowance: it stays after the close, as the hand-over box did.
    std::optional<long long> startAllowance_;
    double bonus_ = 0; // Text1: seconds, spent before the allowance; whole unless a parent typed
    std::string status_ = "00:00:00";
    bool commandEndEnabled_ = true;
    bool quitRequested_ = false;
    // The 40 seconds for typing the password are given once between two hand-overs.
    bool graceGiven_ = false;
    // The last launch of the lock screen failed: the tick tries again while no session runs.
    bool launchPending_ = false;
    FailureMemory lastFailure_;
};

} // namespace tembrel

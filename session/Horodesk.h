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
#include <vector>

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
    // The journal of the running session: Tembrel's own file, no record file (no ".var"), so that
    // no user name can name it and the lock screen never reads it.
    static constexpr const char* kJournalFile = "Tembrel.journal";

    explicit Horodesk(SessionPorts ports);

    // State, as the window shows or keeps it.
    const std::string& BigCount() const { return bigCount_; }
    const std::string& cUser() const { return cUser_; }
    const std::string& Text1() const { return text1_; }
    const std::string& StartAllowance() const { return startAllowance_; }
    const std::string& Status() const { return status_; }
    bool CommandEndEnabled() const { return commandEndEnabled_; }
    bool SessionRunning() const { return !bigCount_.empty(); }
    // There is a session whose use a close records.
    bool HasSessionToRecord() const { return SessionRunning() && !cUser_.empty(); }
    // Usage writes that failed and wait to be tried again.
    std::size_t PendingWrites() const { return pending_.size(); }
    // The quit signal came during a session: the program ends once that session is closed.
    bool QuitWaiting() const { return quitRequested_; }
    // The closing hour of the running session's hours window, as last read successfully; absent
    // with no session, or when the window has no closing hour.
    std::optional<int> HoursWindowCloseHour() const;

    // Bonus seconds, changed by the bonus dialog.
    void SetText1(std::string text);
    // Reads Text1 as a number, adds `seconds` and writes the sum back as decimal text. Throws.
    void AddBonusSeconds(double seconds);

    // Called after every change of Status or CommandEnd's state, so the view can repaint.
    std::function<void()> onChange;
    // Called after every close, once its records are written or kept as pending. A failure in it
    // is logged and stops nothing.
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
    // One usage write of a close. Its value is known (`target`) once the earlier value has been
    // read; until then it is `add` seconds on top of whatever the file holds.
    struct PendingWrite {
        std::string name;
        std::string key;
        long long add = 0;
        std::optional<long long> target;
        long long weekStart = 0; // a weekly total written before this counts from 0; 0: no check
    };
    // The three usage files of a user on one date.
    struct UsageNames {
        std::string daily;  // user name, date key: "used"
        std::string dated;  // date key, "-", user name: "USED"
        std::string weekly; // week key, user name, year: "weektotal"
        long long weekStart = 0;
    };

    void Tick();
    bool QuitPart();
    void HandOverPart();
    bool HoursWindowPart();
    void CountDownPart();
    void PickUp(const std::string& handOver, const std::string& user);
    std::string HandOverProblem(const std::string& handOver, const std::string& user) const;
    // Steps of the close that record: the use goes to the pending writes, the session is cleared,
    // and the writes are tried. Never throws.
    void RecordSession(CloseReason reason);
    void RecordUse(const UsageNames& names, long long use);
    void Notify(const ClosedSession& closed);
    UsageNames NamesFor(const std::string& user, const LocalTime& date) const;
    PendingWrite* FindPending(const std::string& name, const std::string& key);
    void AddPending(const std::string& name, const std::string& key, long long add,
                    std::optional<long long> base, long long weekStart);
    long long DailyBase(const std::string& name);
    long long WeeklyBase(const std::string& name, long long weekStart);
    long long UsageValue(const std::optional<std::string>& value, const std::string& name,
                         std::string_view key);
    void FlushPending();
    void SaveJournal();
    std::string JournalText() const;
    void Recover();
    void RemoveLeftovers();
    std::string JournalPath() const;
    double Bonus();
    long long Remaining();
    double Num(const std::string& text) const;
    std::optional<std::string> Read(std::string_view key, std::string_view name);
    void SetStatus(std::string text);
    void SetCommandEnd(bool enabled);
    // Runs `action`, and logs instead of letting any failure out. A failure that repeats exactly
    // is logged once, so a file locked for minutes does not push everything else out of the log.
    bool Guard(const std::string& operation, const std::function<void()>& action) noexcept;

    SessionPorts ports_;
    ParentGate* gate_ = nullptr;
    SessionNotices* notices_ = nullptr;
    std::string bigCount_;
    std::string cUser_;
    std::string text1_ = "0";
    std::string startAllowance_;
    std::string status_ = "00:00:00";
    bool commandEndEnabled_ = true;
    LocalTime pickUpTime_;
    long long bonusGiven_ = 0;
    // The hours window last read and evaluated successfully during this session.
    std::optional<std::pair<std::optional<std::string>, std::optional<std::string>>> window_;
    std::vector<PendingWrite> pending_;
    // The journal on disk is behind the state: nothing may be written to a usage file until it
    // has caught up, or a crash could replay a write that already landed.
    bool journalBehind_ = false;
    // A journal found at start-up could not be read: it is tried again, and not overwritten.
    bool recoveryPending_ = false;
    int ticksSinceJournal_ = 0;
    // Ticks since the journal began to fail to be written.
    int journalFailingTicks_ = 0;
    int ticksSinceRetry_ = 0;
    bool quitRequested_ = false;
    // The 40 seconds for typing the password are given once between two hand-overs.
    bool graceGiven_ = false;
    // The last launch of the lock screen failed: the tick tries again while no session runs.
    bool launchPending_ = false;
    std::map<std::string, std::string, std::less<>> lastFailure_;
};

} // namespace tembrel

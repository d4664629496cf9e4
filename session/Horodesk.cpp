#include "session/Horodesk.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

#include "platform/Errors.h"
#include "records/Counter.h"
#include "records/FileHandle.h"
#include "records/FindDate.h"
#include "records/Number.h"
#include "records/Optionals.h"
#include "session/HandlerGuard.h"
#include "session/SessionNotices.h"

namespace tembrel {

namespace {

constexpr const char* kEngineFile = "\\engine.exe";
constexpr const char* kQuitSignal = "End";
constexpr int kGraceSeconds = 40;

// The full hour at which a window of whole hours closes on the same day, counted as
// HoursWindowState counts it; none when it does not close that day.
std::optional<int> ClosingHour(const std::optional<std::string>& open,
                               const std::optional<std::string>& close,
                               std::string_view separator) {
    if (!close || open.value_or("") == *close) {
        return std::nullopt;
    }
    const double first = open ? NumericValue(*open, separator) : 0.0;
    const double hour = std::min(std::floor(NumericValue(*close, separator)), 24.0);
    if (first != std::floor(first) || hour <= std::max(first, 0.0)) {
        return std::nullopt;
    }
    return static_cast<int>(hour);
}

} // namespace

Horodesk::Horodesk(SessionPorts ports) : ports_(ports) {}

void Horodesk::SetText1(std::string text) {
    try {
        bonusGiven_ += WholePart(Num(text)) - WholePart(Num(text1_));
    } catch (const TembrelError&) {
        // no number: the history's bonus figure stays as it was
    }
    text1_ = std::move(text);
}

void Horodesk::AddBonusSeconds(double seconds) {
    text1_ = NumberText(Num(text1_) + seconds, ports_.regional.DecimalSeparator());
    bonusGiven_ += static_cast<long long>(seconds);
}

// ---- helpers ----------------------------------------------------------------------------------

double Horodesk::Num(const std::string& text) const {
    return StoredNumericValue(text, ports_.regional.DecimalSeparator());
}

std::optional<std::string> Horodesk::Read(std::string_view key, std::string_view name) {
    return ReadRecord(ports_.files, ports_.regional, key, name);
}

long long Horodesk::Remaining() const {
    return WholePart(Num(bigCount_)) + WholePart(Num(text1_));
}

void Horodesk::SetStatus(std::string text) {
    if (status_ != text) {
        status_ = std::move(text);
        if (onChange) {
            onChange();
        }
    }
}

void Horodesk::SetCommandEnd(bool enabled) {
    if (commandEndEnabled_ != enabled) {
        commandEndEnabled_ = enabled;
        if (onChange) {
            onChange();
        }
    }
}

bool Horodesk::Guard(const char* operation, const std::function<void()>& action) noexcept {
    return RunGuarded(ports_.log, lastFailure_, operation, action);
}

// ---- handlers ---------------------------------------------------------------------------------

void Horodesk::Load() {
    // A lock-down that fails must not keep the lock screen from coming up, so each has its guard.
    Guard("Load locksystem", [this] { locksystem(); });
    Guard("Load LaunchEngine", [this] { LaunchEngine(); });
    // Notices: the icon goes in with the load.
    if (notices_ != nullptr) {
        Guard("Load notices", [this] { notices_->Start(); });
    }
}

void Horodesk::Timer1Tick() {
    Guard("Timer1", [this] { Tick(); });
    // Notices: after every tick, whatever it did, with a guard of its own.
    if (notices_ != nullptr) {
        Guard("Timer1 notices", [this] {
            notices_->Update(SessionNotices::FactsOf(*this, ports_.regional, ports_.clock.Now()));
        });
    }
}

void Horodesk::Tick() {
    const auto quit = Read("EN", "EN");
    if (quit && *quit == kQuitSignal) {
        WriteRecord(ports_.files, "EN", "EN", std::string("None"));
        ports_.programEnd.EndProgram();
        return;
    }

    const std::string handOver = Read("ALLOW", "allow").value_or("");
    if (bigCount_.empty()) {
        SetCommandEnd(true);
    }
    if (!handOver.empty()) {
        // A new hand-over ends the running session: its use is recorded before the new one
        // replaces it, so no used time is dropped.
        if (SessionRunning() && !cUser_.empty()) {
            RecordUse(CloseReason::Replaced);
        }
        PickUp(handOver);
    }
    if (bigCount_.empty()) {
        if (launchPending_) {
            LaunchEngine();
        }
        return;
    }
    SetCommandEnd(false);

    if (HoursWindowClosed()) {
        NoMoreTime();
        return;
    }

    // Nothing left means a close failed on an earlier tick: count no further (the session's use
    // would grow past its allowance) and let the end test try the close again.
    if (Remaining() > 0) {
        const std::string separator = ports_.regional.DecimalSeparator();
        if (Num(text1_) == 0) {
            bigCount_ = NumberText(Num(bigCount_) - 1, separator);
        }
        if (Num(text1_) != 0) {
            text1_ = NumberText(Num(text1_) - 1, separator);
        }
    }
    SetStatus(SecondsToClock(Num(bigCount_) + static_cast<double>(WholePart(Num(text1_))),
                             ports_.regional.DecimalSeparator()));
    if (Remaining() <= 0) {
        NoMoreTime();
    }
}

void Horodesk::PickUp(const std::string& handOver) {
    const std::string user = Read("user", "allow").value_or("");
    const std::string allowPath = RecordPath(ports_.files, ports_.regional, "allow");
    const std::string problem = HandOverProblem(handOver, user);
    if (!problem.empty()) {
        // A session that could never count down or be recorded would leave the computer open:
        // drop the hand-over and bring the lock screen back.
        ports_.files.Remove(allowPath);
        if (bigCount_.empty()) {
            cUser_.clear();
        }
        ports_.log.Append("Timer1", "hand-over refused: " + problem);
        LaunchEngine();
        return;
    }
    cUser_ = user;
    startAllowance_ = handOver;
    ports_.files.Remove(allowPath);
    bigCount_ = handOver;
    weekCounted_ = 0;
    graceGiven_ = false;
    sessionStart_ = ports_.clock.Now();
    bonusGiven_ = 0;
    hoursWindowClose_.reset();
    // Notices: a new session, warned about afresh.
    if (notices_ != nullptr) {
        notices_->SessionStarted();
    }
}

std::string Horodesk::HandOverProblem(const std::string& handOver, const std::string& user) const {
    bool whole = false;
    try {
        const double allowance = Num(handOver);
        whole = allowance >= 1 && allowance == std::floor(allowance) && WholePart(allowance) >= 1;
    } catch (const TembrelError&) {
        // not a number, or too large to count down exactly
    }
    if (!whole) {
        return "allowance \"" + handOver + "\" is not a whole number of seconds above 0";
    }
    if (user.empty()) {
        return "no user name";
    }
    try {
        // Every record file the session will name after the user must be a plain file name.
        const LocalTime now = ports_.clock.Now();
        const std::string dateKey = DateKey(ports_.regional, now);
        RecordPath(ports_.files, ports_.regional, user);
        RecordPath(ports_.files, ports_.regional, user + dateKey);
        RecordPath(ports_.files, ports_.regional, dateKey + "-" + user);
        RecordPath(ports_.files, ports_.regional, WeekOfYear(now) + user + NumberText(now.year));
    } catch (const TembrelError& e) {
        return "user name \"" + user + "\" cannot name a record file (" + e.what() + ")";
    }
    return {};
}

bool Horodesk::HoursWindowClosed() {
    // A user record that cannot be read or holds no hours is no reason to stop counting: the
    // session then goes on under its allowance, and the failure is logged.
    bool closed = false;
    Guard("Timer1 hours window", [this, &closed] {
        const auto open = Read("open", cUser_);
        const auto close = Read("close", cUser_);
        const auto state = HoursWindowState(open, close, ports_.clock.Now().hour,
                                            ports_.regional.DecimalSeparator());
        closed = state && *state == "CLOSED";
        hoursWindowClose_ = ClosingHour(open, close, ports_.regional.DecimalSeparator());
    });
    return closed;
}

void Horodesk::Timer2Tick() {
    Guard("Timer2", [this] {
        const LocalTime now = ports_.clock.Now();
        if (std::to_string(now.hour) + ":" + std::to_string(now.minute) == "12:0") {
            NoMoreTime();
        }
    });
}

void Horodesk::Command6Click() {
    Guard("Command6", [this] {
        if (cUser_.empty() || bigCount_.empty()) {
            LaunchEngine();
            return;
        }
        // Notices: a session ended on purpose is not warned about, even if its close fails.
        if (notices_ != nullptr) {
            notices_->SessionEnded();
        }
        SetStatus(kClosingMessage);
        text1_ = "0";
        RecordUse(CloseReason::EndSession);
        text1_ = "0";
        LaunchEngine();
    });
}

void Horodesk::Command1Click() {
    Guard("Command1", [this] {
        if (gate_ == nullptr) {
            throw TembrelError("no password gate");
        }
        const bool wasOpen = gate_->IsOpen();
        gate_->Show(ParentGate::Purpose::BonusTime);
        // The 40 seconds are time to type the password in, not a gift to collect by opening the
        // gate again and again.
        if (!wasOpen && !graceGiven_) {
            AddBonusSeconds(kGraceSeconds);
            graceGiven_ = true;
        }
    });
}

void Horodesk::CommandEndClick() {
    Guard("CommandEnd", [this] {
        if (SessionRunning()) {
            return; // the button is for closing the program between sessions only
        }
        if (gate_ == nullptr) {
            throw TembrelError("no password gate");
        }
        gate_->Show(ParentGate::Purpose::CloseProgram);
    });
}

bool Horodesk::CloseRequest() {
    return false;
}

void Horodesk::SystemShutdown() {
    Guard("SystemShutdown", [this] {
        if (!cUser_.empty() && !bigCount_.empty()) {
            RecordUse(CloseReason::Shutdown);
        }
    });
}

// ---- operations -------------------------------------------------------------------------------

void Horodesk::locksystem() {
    ports_.desktopLock.TaskManager_Enable_Disable(0);
    ports_.desktopLock.CtrlAltDel_Enable_Disable(0);
}

void Horodesk::UnlockSystem() {
    ports_.desktopLock.TaskManager_Enable_Disable(-1);
    ports_.desktopLock.CtrlAltDel_Enable_Disable(-1);
}

void Horodesk::LaunchEngine() {
    launchPending_ = true;
    ports_.desktopLock.Process_Desktop(kDesktopName, ports_.files.ProgramFolder() + kEngineFile);
    launchPending_ = false;
}

void Horodesk::NoMoreTime() {
    if (cUser_.empty() || bigCount_.empty()) {
        LaunchEngine();
        return;
    }
    SetStatus(kClosingMessage);
    // The callers do not say why they close; the state tells: no time left, midday, or else the
    // hours window.
    CloseReason reason = CloseReason::HoursWindow;
    try {
        const LocalTime now = ports_.clock.Now();
        if (Remaining() <= 0) {
            reason = CloseReason::TimeUp;
        } else if (now.hour == 12 && now.minute == 0) {
            reason = CloseReason::Midday;
        }
    } catch (const TembrelError&) {
        // the close itself reports what is wrong with the state
    }
    RecordUse(reason);
    LaunchEngine();
}

double Horodesk::UsageValue(const std::optional<std::string>& value, const std::string& name,
                            std::string_view key) {
    if (!value) {
        return 0;
    }
    try {
        const double number = Num(*value);
        (void)WholePart(number); // out of range is as damaged as no number at all
        return number;
    } catch (const TembrelError& e) {
        // A damaged usage record must not keep the session from closing for ever; its text goes
        // to the log, so nothing is lost without a trace.
        ports_.log.Append("Close", "record " + name + " key " + std::string(key) + " held \"" +
                                       *value + "\", counted as 0: " + e.what());
        return 0;
    }
}

void Horodesk::RecordUse(CloseReason reason) {
    const std::string& user = cUser_;
    const auto dateKey = [this] { return DateKey(ports_.regional, ports_.clock.Now()); };

    const std::string dailyName = user + dateKey();
    const long long earlier = WholePart(UsageValue(Read("USED", dailyName), dailyName, "USED"));
    const long long use = WholePart(Num(startAllowance_)) - WholePart(Num(bigCount_));
    const std::string daily = NumberText(earlier + use);
    WriteRecord(ports_.files, ports_.regional, "USED", dateKey() + "-" + user, daily);

    const LocalTime now = ports_.clock.Now();
    const std::string weekName = WeekOfYear(now) + user + NumberText(now.year);
    const auto weekText = Read("weektotal", weekName);
    double weekBefore = 0;
    if (weekText && !weekText->empty()) {
        weekBefore = UsageValue(weekText, weekName, "weektotal");
    }
    WriteRecord(ports_.files, ports_.regional, "weektotal", weekName,
                weekBefore + static_cast<double>(use - weekCounted_));
    weekCounted_ = use;

    WriteRecord(ports_.files, ports_.regional, "used", user + dateKey(), daily);
    const ClosedSession closed{user, sessionStart_, ports_.clock.Now(), use, bonusGiven_, reason};

    bigCount_.clear();
    cUser_.clear();
    // Bonus time is good for one session only; it must not pass to the next child.
    text1_ = "0";
    weekCounted_ = 0;
    // The usage history hears of the close once its records are written; it cannot undo it.
    Guard("Usage history", [this, &closed] {
        if (onClosed) {
            onClosed(closed);
        }
    });
}

} // namespace tembrel

#include "session/Horodesk.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

#include "platform/Errors.h"
#include "records/Counter.h"
#include "records/FileHandle.h"
#include "records/Number.h"
#include "records/Optionals.h"
#include "records/RecordContract.h"
#include "records/SessionEnd.h"

namespace tembrel {

namespace {

constexpr const char* kEngineFile = "\\engine.exe";
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

// What the lock screen says after the close; nothing for a close it does not come back from.
std::optional<SessionEndReason> EndReasonFor(CloseReason reason) {
    switch (reason) {
    case CloseReason::TimeUp:
        return SessionEndReason::TimeUp;
    case CloseReason::HoursWindow:
        return SessionEndReason::HoursOver;
    case CloseReason::Midday:
        return SessionEndReason::Midday;
    case CloseReason::EndSession:
        return SessionEndReason::EndSession;
    case CloseReason::Replaced:  // the next child's session runs: no lock screen to tell
    case CloseReason::Shutdown:  // Windows ends the session: the next logon is a fresh start
    case CloseReason::Recovered: // the start-up cannot know how the lost session ended
        break;
    }
    return std::nullopt;
}

} // namespace

Horodesk::Horodesk(SessionPorts ports)
    : ports_(ports), ledger_(ports.files, ports.regional, ports.clock, ports.log, running_) {}

// ---- state ------------------------------------------------------------------------------------

std::string Horodesk::BigCount() const {
    return running_ ? NumberText(running_->Remaining()) : std::string();
}

std::string Horodesk::cUser() const {
    return running_ ? running_->User() : std::string();
}

std::string Horodesk::Text1() const {
    return NumberText(bonus_, ports_.regional.DecimalSeparator());
}

std::string Horodesk::StartAllowance() const {
    return startAllowance_ ? NumberText(*startAllowance_) : std::string();
}

void Horodesk::SetText1(const std::string& text) {
    double bonus = 0;
    try {
        bonus = Num(text);
        (void)WholePart(bonus); // out of range is no bonus either
    } catch (const TembrelError& e) {
        // Only a caller of SetText1 can offer a text that is no number. It must not stop the
        // countdown: it counts as no bonus.
        ports_.log.Append("Text1", "bonus \"" + text + "\" counted as 0: " + e.what());
        bonus = 0;
    }
    if (running_) {
        running_->BonusChanged(WholePart(bonus) - WholePart(bonus_));
    }
    bonus_ = bonus;
}

void Horodesk::AddBonusSeconds(double seconds) {
    const double bonus = bonus_ + seconds;
    (void)WholePart(bonus); // a bonus that cannot be counted down is refused
    bonus_ = bonus;
    if (running_) {
        running_->BonusChanged(WholePart(seconds));
    }
}

std::optional<int> Horodesk::HoursWindowCloseHour() const {
    if (!running_ || !running_->window) {
        return std::nullopt;
    }
    try {
        return ClosingHour(running_->window->first, running_->window->second,
                           ports_.regional.DecimalSeparator());
    } catch (const TembrelError&) {
        return std::nullopt; // an hour that is no number closes nothing we can name
    }
}

SessionFacts Horodesk::Facts() const {
    SessionFacts facts;
    // The session a close would record is the one the notices speak of.
    facts.running = HasSessionToRecord();
    if (!facts.running) {
        return facts;
    }
    const LocalTime now = ports_.clock.Now();
    facts.user = running_->User();
    facts.timeLeft = Remaining();
    facts.closingHour = HoursWindowCloseHour();
    facts.untilHoursEnd = SecondsUntilHour(facts.closingHour, now);
    facts.untilMidday = SecondsUntilMidday(now);
    return facts;
}

// ---- helpers ----------------------------------------------------------------------------------

double Horodesk::Num(std::string_view text) const {
    return StoredNumericValue(text, ports_.regional.DecimalSeparator());
}

std::optional<std::string> Horodesk::Read(std::string_view key, std::string_view name) {
    return ReadRecord(ports_.files, ports_.regional, ports_.clock, key, name);
}

long long Horodesk::Remaining() const {
    return (running_ ? running_->Remaining() : 0) + WholePart(bonus_);
}

void Horodesk::SetStatus(std::string text) {
    if (status_ != text) {
        status_ = std::move(text);
        Changed();
    }
}

void Horodesk::SetCommandEnd(bool enabled) {
    if (commandEndEnabled_ != enabled) {
        commandEndEnabled_ = enabled;
        Changed();
    }
}

void Horodesk::Changed() {
    if (events_ != nullptr) {
        events_->Changed();
    }
}

void Horodesk::Notify(const std::optional<ClosedSession>& closed) {
    if (closed && events_ != nullptr) {
        Guard("Usage history", [&] { events_->Closed(*closed); });
    }
}

bool Horodesk::Guard(std::string_view operation, const std::function<void()>& action) noexcept {
    return RunGuarded(ports_.log, lastFailure_, operation, action);
}

// ---- handlers ---------------------------------------------------------------------------------

void Horodesk::Load() {
    // A lock-down that fails must not keep the lock screen from coming up, so each has its guard.
    Guard("Load locksystem", [this] { locksystem(); });
    // A session that did not close is closed before the lock screen comes up, so that its time is
    // on record before the next login can ask for it.
    Notify(ledger_.StartUp());
    Guard("Load LaunchEngine", [this] { LaunchEngine(); });
    if (events_ != nullptr) {
        Guard("Load notices", [this] { events_->Loaded(); });
    }
}

void Horodesk::Timer1Tick() {
    Tick();
    // The facts after every tick, whatever it did, with a guard of their own.
    if (events_ != nullptr) {
        Guard("Timer1 notices", [this] { events_->Ticked(Facts()); });
    }
}

void Horodesk::Tick() {
    // Every part has its own guard: a poll that fails must never stop the countdown.
    if (QuitPart()) {
        return;
    }
    Guard("Timer1", [this] { HandOverPart(); });
    if (!SessionRunning()) {
        SetCommandEnd(true);
        if (launchPending_) {
            Guard("Timer1 launch", [this] { LaunchEngine(); });
        }
    } else {
        SetCommandEnd(false);
        if (!HoursWindowPart()) {
            Guard("Timer1 countdown", [this] { CountDownPart(); });
            Guard("Timer1 end test", [this] {
                if (Remaining() <= 0) {
                    NoMoreTime(CloseReason::TimeUp);
                }
            });
            if (SessionRunning()) {
                ledger_.SecondCounted();
            }
        }
    }
    Notify(ledger_.TickEnded());
}

bool Horodesk::QuitPart() {
    bool ended = false;
    Guard("Timer1 quit signal", [this, &ended] {
        if (!quitRequested_) {
            const auto quit = Read(contract::kQuitKey, contract::kQuitFile);
            quitRequested_ = quit && *quit == contract::kQuitValue;
        }
        // During a session the quit waits for its close, so that its use is recorded.
        if (quitRequested_ && !SessionRunning()) {
            ledger_.Flush(); // what still fails stays in the journal for the next start
            if (!ledger_.Secured()) {
                return; // not even there yet: the quit waits for the journal too
            }
            WriteRecord(ports_.files, contract::kQuitKey, contract::kQuitFile,
                        std::string(contract::kQuitAnswered));
            ended = true;
            ports_.programEnd.EndProgram();
        }
    });
    return ended;
}

void Horodesk::HandOverPart() {
    // One read for both values: two could see two versions of the file, or the second none.
    const auto values =
        ReadRecords(ports_.files, ports_.regional, ports_.clock,
                    {contract::kAllowanceReadKey, contract::kUserKey}, contract::kHandOverFile);
    const std::string handOver = values[0].value_or("");
    if (handOver.empty()) {
        return;
    }
    const std::string user = values[1].value_or("");
    long long allowance = 0;
    const std::string problem = HandOverProblem(handOver, user, allowance);
    // A new hand-over ends the running session: its use is recorded before anything else, so no
    // used time is dropped whatever happens to the new one.
    const bool replacing = HasSessionToRecord();
    if (replacing) {
        RecordSession(CloseReason::Replaced);
    }
    try {
        ports_.files.Remove(RecordPath(ports_.files, ports_.regional, contract::kHandOverFile));
    } catch (...) {
        // A hand-over that stays would be picked up again and again: it starts no session. The
        // session it ended needs the lock screen back.
        if (replacing) {
            Guard("Timer1 launch", [this] { LaunchEngine(); });
        }
        throw;
    }
    if (!problem.empty()) {
        // A session that could never count down or be recorded would leave the computer open:
        // drop the hand-over and bring the lock screen back.
        ports_.log.Append("Timer1", "hand-over refused: " + problem);
        LaunchEngine();
        return;
    }
    PickUp(allowance, user);
}

void Horodesk::PickUp(long long allowance, const std::string& user) {
    running_.emplace(user, allowance, ports_.clock.Now());
    startAllowance_ = allowance;
    graceGiven_ = false;
    ledger_.SessionStarted();
    if (events_ != nullptr) {
        events_->Started(); // a new session, warned about afresh
    }
}

std::string Horodesk::HandOverProblem(const std::string& handOver, const std::string& user,
                                      long long& allowance) const {
    bool whole = false;
    try {
        const double value = Num(handOver);
        whole = value >= 1 && value == std::floor(value) && WholePart(value) >= 1;
        allowance = whole ? WholePart(value) : 0;
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
        const auto names = contract::UsageNamesFor(ports_.regional, user, ports_.clock.Now());
        for (const std::string* name : {&user, &names.daily, &names.dated, &names.weekly}) {
            RecordPath(ports_.files, ports_.regional, *name);
        }
    } catch (const TembrelError& e) {
        return "user name \"" + user + "\" cannot name a record file (" + e.what() + ")";
    }
    return {};
}

bool Horodesk::HoursWindowPart() {
    // The guarded parts capture little, so that a tick makes no allocation of its own for them.
    bool closed = false;
    const bool read = Guard("Timer1 hours window", [this, &closed] {
        auto open = Read(contract::kOpenHourKey, running_->User());
        auto close = Read(contract::kCloseHourKey, running_->User());
        closed = HoursWindowClosed(open, close);
        running_->window.emplace(std::move(open), std::move(close));
    });
    if (!read && running_->window) {
        // A user record that cannot be read or evaluated must not let the session run past its
        // hours: the last window read stands. With none, the session goes on under its allowance.
        Guard("Timer1 last hours window", [this, &closed] {
            closed = HoursWindowClosed(running_->window->first, running_->window->second);
        });
    }
    if (closed) {
        Guard("Timer1 close", [this] { NoMoreTime(CloseReason::HoursWindow); });
    }
    return closed;
}

bool Horodesk::HoursWindowClosed(const std::optional<std::string>& open,
                                 const std::optional<std::string>& close) const {
    const auto state =
        HoursWindowState(open, close, ports_.clock.Now().hour, ports_.regional.DecimalSeparator());
    return state && *state == "CLOSED";
}

void Horodesk::CountDownPart() {
    // Nothing left means a close failed on an earlier tick: count no further (the session's use
    // would grow past its allowance) and let the end test try the close again.
    if (Remaining() > 0) {
        if (bonus_ == 0) {
            running_->CountOneSecond();
        } else {
            bonus_ -= 1;
            running_->CountBonusSecond();
        }
    }
    SetStatus(SecondsToClock(static_cast<double>(running_->Remaining() + WholePart(bonus_)),
                             ports_.regional.DecimalSeparator()));
}

void Horodesk::Timer2Tick() {
    Guard("Timer2", [this] {
        const LocalTime now = ports_.clock.Now();
        if (now.hour == 12 && now.minute == 0) {
            NoMoreTime(CloseReason::Midday);
        }
    });
}

void Horodesk::Command6Click() {
    Guard("Command6", [this] {
        // A session ended on purpose is not warned about, even if its close fails.
        if (events_ != nullptr && HasSessionToRecord()) {
            events_->EndedOnPurpose();
        }
        NoMoreTime(CloseReason::EndSession);
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
    // The session window lives as long as the program: the quit signal and the parents' close
    // end it, never the window's close box.
    return false;
}

void Horodesk::RecordRunningSession() {
    Guard("RecordRunningSession", [this] {
        if (HasSessionToRecord()) {
            RecordSession(CloseReason::Shutdown);
        } else {
            ledger_.Flush();
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

void Horodesk::NoMoreTime(CloseReason reason) {
    // Every end of a session is this one close; the closing message and the bonus going back to
    // 0 are the recording's own steps.
    if (HasSessionToRecord()) {
        const std::string user = running_->User();
        RecordSession(reason);
        // Before the launch, so that the lock screen finds it; a write that fails costs only
        // the sentence, never the close or the launch.
        if (const auto why = EndReasonFor(reason)) {
            Guard("Close reason", [&] { RecordSessionEnd(ports_.files, user, *why); });
        }
    }
    LaunchEngine();
}

void Horodesk::RecordSession(CloseReason reason) {
    SetStatus(kClosingMessage);
    const LocalTime end = ports_.clock.Now(); // one date for all three file names
    std::optional<long long> recorded;
    Guard("Close", [&] {
        const long long use = running_->Used();
        ledger_.Record(contract::UsageNamesFor(ports_.regional, running_->User(), end), use);
        recorded = use;
    });
    const ClosedSession closed = running_->Close(end, reason, recorded);
    // Lock first, account after: whatever the records did, the session is over.
    running_.reset();
    // Bonus time is good for one session only; it must not pass to the next child.
    bonus_ = 0;
    ledger_.SessionEnded();
    Notify(closed);
}

} // namespace tembrel

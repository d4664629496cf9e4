#include "session/Horodesk.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <utility>

#include "platform/Errors.h"
#include "records/Counter.h"
#include "records/FileHandle.h"
#include "records/FindDate.h"
#include "records/Number.h"
#include "records/Optionals.h"
#include "records/RecordContract.h"
#include "session/HandlerGuard.h"
#include "session/SessionNotices.h"

namespace tembrel {

namespace {

constexpr const char* kEngineFile = "\\engine.exe";
constexpr int kGraceSeconds = 40;
// The journal is written at least this often while a session runs, and failed usage writes are
// tried again at least this often: at most this many seconds of a session that dies without
// warning go unrecorded.
constexpr int kJournalTicks = 10;
constexpr int kRetryTicks = 10;
// After this many ticks of failing journal writes, the usage writes stop waiting for it.
constexpr int kJournalGiveUpTicks = 60;
// A temporary file of ours this old belongs to a write that died.
constexpr long long kLeftoverSeconds = 60;
constexpr const char* kJournalHeader = "Tembrel journal 1";

std::string TimeText(const LocalTime& t) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return buffer;
}

LocalTime ParseTime(const std::string& text) {
    LocalTime t;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%c", &t.year, &t.month, &t.day, &t.hour,
                    &t.minute, &t.second, &tail) != 6) {
        throw InvalidArgument("no time: \"" + text + "\"");
    }
    return t;
}

long long ParseWhole(const std::string& text) {
    const double value = NumericValue(text, ".");
    if (value != std::floor(value)) {
        throw InvalidArgument("no whole number: \"" + text + "\"");
    }
    return WholePart(value);
}

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

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
    if (HasSessionToRecord()) {
        try {
            bonusGiven_ += WholePart(Num(text)) - WholePart(Num(text1_));
        } catch (const TembrelError&) {
            // no number on one side: nothing to count as given
        }
    }
    text1_ = std::move(text);
}

void Horodesk::AddBonusSeconds(double seconds) {
    text1_ = NumberText(Num(text1_) + seconds, ports_.regional.DecimalSeparator());
    if (HasSessionToRecord()) {
        bonusGiven_ += WholePart(seconds);
    }
}

std::optional<int> Horodesk::HoursWindowCloseHour() const {
    if (!SessionRunning() || !window_) {
        return std::nullopt;
    }
    try {
        return ClosingHour(window_->first, window_->second, ports_.regional.DecimalSeparator());
    } catch (const TembrelError&) {
        return std::nullopt; // an hour that is no number closes nothing we can name
    }
}

// ---- helpers ----------------------------------------------------------------------------------

double Horodesk::Num(const std::string& text) const {
    return StoredNumericValue(text, ports_.regional.DecimalSeparator());
}

std::optional<std::string> Horodesk::Read(std::string_view key, std::string_view name) {
    return ReadRecord(ports_.files, ports_.regional, ports_.clock, key, name);
}

double Horodesk::Bonus() {
    try {
        const double bonus = Num(text1_);
        (void)WholePart(bonus); // out of range is no bonus either
        return bonus;
    } catch (const TembrelError& e) {
        // Only a caller of SetText1 can put a text here that is no number. It must not stop the
        // countdown: it counts as no bonus.
        ports_.log.Append("Timer1", "bonus \"" + text1_ + "\" counted as 0: " + e.what());
        text1_ = "0";
        return 0;
    }
}

long long Horodesk::Remaining() {
    return WholePart(Num(bigCount_)) + WholePart(Bonus());
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

bool Horodesk::Guard(const std::string& operation, const std::function<void()>& action) noexcept {
    return RunGuarded(ports_.log, lastFailure_, operation, action);
}

std::string Horodesk::JournalPath() const {
    return ports_.files.ProgramFolder() + "\\" + kJournalFile;
}

// ---- handlers ---------------------------------------------------------------------------------

void Horodesk::Load() {
    // A lock-down that fails must not keep the lock screen from coming up, so each has its guard.
    Guard("Load locksystem", [this] { locksystem(); });
    Guard("Load leftovers", [this] { RemoveLeftovers(); });
    // A session that did not close is closed before the lock screen comes up, so that its time is
    // on record before the next login can ask for it.
    recoveryPending_ = true;
    Guard("Load journal", [this] { Recover(); });
    Guard("Load LaunchEngine", [this] { LaunchEngine(); });
    // Notices: the icon goes in with the load.
    if (notices_ != nullptr) {
        Guard("Load notices", [this] { notices_->Start(); });
    }
}

void Horodesk::Timer1Tick() {
    Tick();
    // Notices: after every tick, whatever it did, with a guard of its own.
    if (notices_ != nullptr) {
        Guard("Timer1 notices", [this] {
            notices_->Update(SessionNotices::FactsOf(*this, ports_.regional, ports_.clock.Now()));
        });
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
            if (SessionRunning() && ++ticksSinceJournal_ >= kJournalTicks) {
                SaveJournal();
            }
        }
    }
    if (journalBehind_) {
        ++journalFailingTicks_;
    }
    if ((!pending_.empty() || recoveryPending_ || journalBehind_) &&
        ++ticksSinceRetry_ >= kRetryTicks) {
        ticksSinceRetry_ = 0;
        if (recoveryPending_) {
            Guard("Timer1 journal", [this] { Recover(); });
        }
        if (journalBehind_) {
            SaveJournal();
        }
        FlushPending();
    }
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
            FlushPending(); // what still fails stays in the journal for the next start
            if (journalBehind_) {
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
    const std::string problem = HandOverProblem(handOver, user);
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
    PickUp(handOver, user);
}

void Horodesk::PickUp(const std::string& handOver, const std::string& user) {
    cUser_ = user;
    startAllowance_ = handOver;
    bigCount_ = handOver;
    pickUpTime_ = ports_.clock.Now();
    bonusGiven_ = 0;
    window_.reset();
    graceGiven_ = false;
    journalBehind_ = true;
    SaveJournal();
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
        const UsageNames names = NamesFor(user, ports_.clock.Now());
        for (const std::string* name : {&user, &names.daily, &names.dated, &names.weekly}) {
            RecordPath(ports_.files, ports_.regional, *name);
        }
    } catch (const TembrelError& e) {
        return "user name \"" + user + "\" cannot name a record file (" + e.what() + ")";
    }
    return {};
}

bool Horodesk::HoursWindowPart() {
    const int hour = ports_.clock.Now().hour;
    const std::string separator = ports_.regional.DecimalSeparator();
    bool closed = false;
    const bool read = Guard("Timer1 hours window", [&] {
        auto open = Read(contract::kOpenHourKey, cUser_);
        auto close = Read(contract::kCloseHourKey, cUser_);
        const auto state = HoursWindowState(open, close, hour, separator);
        window_.emplace(std::move(open), std::move(close));
        closed = state && *state == "CLOSED";
    });
    if (!read && window_) {
        // A user record that cannot be read or evaluated must not let the session run past its
        // hours: the last window read stands. With none, the session goes on under its allowance.
        Guard("Timer1 last hours window", [&] {
            const auto state = HoursWindowState(window_->first, window_->second, hour, separator);
            closed = state && *state == "CLOSED";
        });
    }
    if (closed) {
        Guard("Timer1 close", [this] { NoMoreTime(CloseReason::HoursWindow); });
    }
    return closed;
}

void Horodesk::CountDownPart() {
    const std::string separator = ports_.regional.DecimalSeparator();
    // Nothing left means a close failed on an earlier tick: count no further (the session's use
    // would grow past its allowance) and let the end test try the close again.
    if (Remaining() > 0) {
        const double bonus = Bonus();
        if (bonus == 0) {
            bigCount_ = NumberText(Num(bigCount_) - 1, separator);
        } else {
            text1_ = NumberText(bonus - 1, separator);
        }
    }
    SetStatus(SecondsToClock(Num(bigCount_) + static_cast<double>(WholePart(Bonus())), separator));
}

void Horodesk::Timer2Tick() {
    Guard("Timer2", [this] {
        const LocalTime now = ports_.clock.Now();
        if (std::to_string(now.hour) + ":" + std::to_string(now.minute) == "12:0") {
            NoMoreTime(CloseReason::Midday);
        }
    });
}

void Horodesk::Command6Click() {
    Guard("Command6", [this] {
        // Notices: a session ended on purpose is not warned about, even if its close fails.
        if (notices_ != nullptr && HasSessionToRecord()) {
            notices_->SessionEnded();
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
            FlushPending();
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
        RecordSession(reason);
    }
    LaunchEngine();
}

// ---- the close and its records ----------------------------------------------------------------

void Horodesk::RecordSession(CloseReason reason) {
    SetStatus(kClosingMessage);
    ClosedSession closed;
    closed.user = cUser_;
    closed.start = pickUpTime_;
    closed.end = ports_.clock.Now(); // one date for all three file names
    closed.bonusGiven = bonusGiven_;
    closed.reason = reason;
    Guard("Close", [&] {
        const long long use = WholePart(Num(startAllowance_)) - WholePart(Num(bigCount_));
        RecordUse(NamesFor(closed.user, closed.end), use);
        closed.allowanceUsed = use;
    });
    // Lock first, account after: whatever the records did, the session is over.
    bigCount_.clear();
    cUser_.clear();
    // Bonus time is good for one session only; it must not pass to the next child.
    text1_ = "0";
    window_.reset();
    bonusGiven_ = 0;
    journalBehind_ = true;
    SaveJournal();
    FlushPending();
    Notify(closed);
}

void Horodesk::Notify(const ClosedSession& closed) {
    if (onClosed) {
        Guard("Usage history", [&] { onClosed(closed); });
    }
}

Horodesk::UsageNames Horodesk::NamesFor(const std::string& user, const LocalTime& date) const {
    const contract::UsageNames names = contract::UsageNamesFor(ports_.regional, user, date);
    return UsageNames{names.daily, names.dated, names.weekly, names.weekStart};
}

Horodesk::PendingWrite* Horodesk::FindPending(const std::string& name, const std::string& key) {
    for (PendingWrite& p : pending_) {
        if (p.name == name && p.key == key) {
            return &p;
        }
    }
    return nullptr;
}

void Horodesk::AddPending(const std::string& name, const std::string& key, long long add,
                          std::optional<long long> base, long long weekStart) {
    PendingWrite* p = FindPending(name, key);
    if (p == nullptr) {
        pending_.push_back(PendingWrite{name, key, add, std::nullopt, weekStart});
        if (base) {
            pending_.back().target = *base + add;
        }
        return;
    }
    // A write still waiting is newer than its file: the new use goes on top of it.
    if (p->target) {
        *p->target += add;
    } else if (base) {
        p->target = *base + p->add + add;
    } else {
        p->add += add;
    }
}

void Horodesk::RecordUse(const UsageNames& names, long long use) {
    // The earlier values, where no waiting write stands for the file already. One that cannot be
    // read leaves its write as seconds to add once it can.
    const auto base = [&](const std::string& name, const std::string& key,
                          const std::function<long long()>& read) -> std::optional<long long> {
        const PendingWrite* p = FindPending(name, key);
        if (recoveryPending_ || (p != nullptr && p->target)) {
            return std::nullopt;
        }
        std::optional<long long> value;
        Guard("Close read " + name, [&] { value = read(); });
        return value;
    };
    const auto dailyBase = base(names.daily, contract::kDailyUseKey, [&] {
        return UsageValue(Read(contract::kDayUseReadKey, names.daily), names.daily,
                          contract::kDayUseReadKey);
    });
    const auto weeklyBase = base(names.weekly, contract::kWeekTotalKey,
                                 [&] { return WeeklyBase(names.weekly, names.weekStart); });

    // The new daily use, if it is known now: both daily files get it.
    std::optional<long long> daily;
    if (const PendingWrite* p = FindPending(names.daily, contract::kDailyUseKey);
        p != nullptr && p->target) {
        daily = *p->target + use;
    } else if (dailyBase) {
        daily = *dailyBase + (p != nullptr ? p->add : 0) + use;
    }

    // In the order of the three writes: date key and user, the week, user and date key.
    if (daily) {
        if (PendingWrite* dated = FindPending(names.dated, contract::kDatedUseKey)) {
            dated->add = 0;
            dated->target = *daily;
        } else {
            pending_.push_back(PendingWrite{names.dated, contract::kDatedUseKey, 0, *daily, 0});
        }
    } else {
        AddPending(names.dated, contract::kDatedUseKey, use, std::nullopt, 0);
    }
    AddPending(names.weekly, contract::kWeekTotalKey, use, weeklyBase, names.weekStart);
    AddPending(names.daily, contract::kDailyUseKey, use, dailyBase, 0);
    journalBehind_ = true;
}

long long Horodesk::UsageValue(const std::optional<std::string>& value, const std::string& name,
                               std::string_view key) {
    if (!value) {
        return 0;
    }
    try {
        return WholePart(Num(*value));
    } catch (const TembrelError& e) {
        // A damaged usage record must not keep the session from closing for ever; its text goes
        // to the log, so nothing is lost without a trace.
        ports_.log.Append("Close", "record " + name + " key " + std::string(key) + " held \"" +
                                       *value + "\", counted as 0: " + e.what());
        return 0;
    }
}

long long Horodesk::WeeklyBase(const std::string& name, long long weekStart) {
    const auto text = Read(contract::kWeekTotalKey, name);
    if (!text || text->empty()) {
        return 0;
    }
    // The week key holds no year of its own: a file of that name from an earlier week (a year
    // ago, for week 1) holds another week's total.
    if (weekStart != 0 &&
        LocalSeconds(ports_.files.Info(RecordPath(ports_.files, ports_.regional, name)).lastWrite) <
            weekStart) {
        ports_.log.Append("Close", "weekly total " + name + " \"" + *text +
                                       "\" is from an earlier week: counted from 0");
        return 0;
    }
    return UsageValue(text, name, contract::kWeekTotalKey);
}

void Horodesk::FlushPending() {
    ticksSinceRetry_ = 0;
    if (pending_.empty() || recoveryPending_) {
        return;
    }
    for (PendingWrite& p : pending_) {
        if (!p.target) {
            Guard("Usage read " + p.name, [&] {
                const long long base = p.key == contract::kWeekTotalKey
                                           ? WeeklyBase(p.name, p.weekStart)
                                           : UsageValue(Read(p.key, p.name), p.name, p.key);
                p.target = base + p.add;
                journalBehind_ = true;
            });
        }
    }
    // A value lands only once the journal holds it: a crash then replays the same value, never
    // the same seconds on top of it.
    if (journalBehind_) {
        SaveJournal();
        if (journalBehind_) {
            return;
        }
    }
    bool wrote = false;
    for (auto it = pending_.begin(); it != pending_.end();) {
        const PendingWrite& p = *it;
        if (p.target && Guard("Usage write " + p.name, [&] {
                WriteRecord(ports_.files, ports_.regional, p.key, p.name, NumberText(*p.target));
            })) {
            it = pending_.erase(it);
            wrote = true;
        } else {
            ++it;
        }
    }
    if (wrote) {
        journalBehind_ = true;
        SaveJournal();
    }
}

// ---- the journal ------------------------------------------------------------------------------

std::string Horodesk::JournalText() const {
    std::string text = std::string(kJournalHeader) + "\r\n";
    const auto line = [&text](const char* key, const std::string& value) {
        text.append(key).append("=").append(value).append("\r\n");
    };
    if (HasSessionToRecord()) {
        const LocalTime now = ports_.clock.Now();
        const UsageNames names = NamesFor(cUser_, now);
        line("user", cUser_);
        line("allowance", NumberText(WholePart(Num(startAllowance_))));
        line("remaining", NumberText(WholePart(Num(bigCount_))));
        line("pickup", TimeText(pickUpTime_));
        line("written", TimeText(now));
        line("bonus", NumberText(bonusGiven_));
        line("daily", names.daily);
        line("dated", names.dated);
        line("weekly", names.weekly);
        line("weekstart", NumberText(names.weekStart));
    }
    for (const PendingWrite& p : pending_) {
        line("pending", p.name + "|" + p.key + "|" + NumberText(p.add) + "|" +
                            (p.target ? NumberText(*p.target) : std::string()) + "|" +
                            NumberText(p.weekStart));
    }
    return text;
}

void Horodesk::SaveJournal() {
    ticksSinceJournal_ = 0;
    if (recoveryPending_) {
        return; // the journal on disk is still to be read: it must not be overwritten
    }
    const std::string path = JournalPath();
    const bool saved = Guard("Journal", [&] {
        if (!HasSessionToRecord() && pending_.empty()) {
            ports_.files.Remove(path);
        } else {
            ReplaceFile(ports_.files, path, JournalText());
        }
    });
    if (saved) {
        journalFailingTicks_ = 0;
        journalBehind_ = false;
        return;
    }
    // A journal that is only behind stays: no usage write lands while it is behind, and the
    // values it holds replay as the same values, so it never counts a second twice, while
    // removing it would lose the running session to a crash. Only a journal that cannot be
    // written for good (a folder or a read-only file of its name) must not hold the usage writes
    // back for ever: after a while they go ahead, and a restart may count again what it still
    // holds, which costs the child time instead of granting it.
    journalBehind_ = journalFailingTicks_ < kJournalGiveUpTicks;
}

void Horodesk::Recover() {
    const std::string path = JournalPath();
    const auto text = ReadRecordText(ports_.files, path);
    recoveryPending_ = false;
    if (!text) {
        return;
    }
    std::map<std::string, std::string> fields;
    std::vector<PendingWrite> journalPending;
    bool session = false;
    try {
        std::size_t pos = 0;
        bool first = true;
        while (pos < text->size()) {
            std::size_t end = text->find('\n', pos);
            if (end == std::string::npos) {
                end = text->size();
            }
            std::string line = text->substr(pos, end - pos);
            pos = end + 1;
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (first) {
                if (line != kJournalHeader) {
                    throw InvalidArgument("no journal header");
                }
                first = false;
                continue;
            }
            if (line.empty()) {
                continue;
            }
            const std::size_t equals = line.find('=');
            if (equals == std::string::npos) {
                throw InvalidArgument("line without \"=\": " + line);
            }
            const std::string key = line.substr(0, equals);
            const std::string value = line.substr(equals + 1);
            if (key != "pending") {
                fields[key] = value;
                continue;
            }
            std::vector<std::string> parts;
            std::size_t from = 0;
            for (std::size_t bar; (bar = value.find('|', from)) != std::string::npos;
                 from = bar + 1) {
                parts.push_back(value.substr(from, bar - from));
            }
            parts.push_back(value.substr(from));
            if (parts.size() != 5) {
                throw InvalidArgument("pending write of " + std::to_string(parts.size()) +
                                      " fields: " + value);
            }
            // A name that is no record file goes nowhere.
            RecordPath(ports_.files, ports_.regional, parts[0]);
            PendingWrite p{parts[0], parts[1], ParseWhole(parts[2]), std::nullopt,
                           ParseWhole(parts[4])};
            if (!parts[3].empty()) {
                p.target = ParseWhole(parts[3]);
            }
            journalPending.push_back(std::move(p));
        }
        if (first) {
            throw InvalidArgument("empty journal");
        }
        session = fields.count("user") != 0;
    } catch (const TembrelError& e) {
        ports_.log.Append("Load journal", std::string("damaged journal removed: ") + e.what() +
                                              ": " + text->substr(0, 200));
        Guard("Load journal", [&] { ports_.files.Remove(path); });
        return;
    }

    // What the journal still owed comes first; writes added since (while it could not be read)
    // go on top of it.
    std::vector<PendingWrite> merged = std::move(journalPending);
    for (const PendingWrite& later : pending_) {
        auto it = std::find_if(merged.begin(), merged.end(), [&](const PendingWrite& p) {
            return p.name == later.name && p.key == later.key;
        });
        if (it == merged.end()) {
            merged.push_back(later);
        } else if (it->target) {
            *it->target += later.target ? *later.target : later.add;
        } else {
            it->add += later.add;
        }
    }
    pending_ = std::move(merged);
    journalBehind_ = true;

    if (session) {
        ClosedSession closed;
        closed.reason = CloseReason::Recovered;
        Guard("Load journal session", [&] {
            closed.user = fields.at("user");
            closed.start = ParseTime(fields.at("pickup"));
            closed.end = ParseTime(fields.at("written"));
            closed.bonusGiven = ParseWhole(fields.at("bonus"));
            UsageNames names{fields.at("daily"), fields.at("dated"), fields.at("weekly"),
                             ParseWhole(fields.at("weekstart"))};
            for (const std::string* name : {&names.daily, &names.dated, &names.weekly}) {
                RecordPath(ports_.files, ports_.regional, *name);
            }
            const long long use =
                ParseWhole(fields.at("allowance")) - ParseWhole(fields.at("remaining"));
            // The session's time went under the names the journal holds, whatever today is.
            RecordUse(names, use);
            closed.allowanceUsed = use;
        });
        SaveJournal();
        FlushPending();
        Notify(closed);
    } else {
        SaveJournal();
        FlushPending();
    }
}

void Horodesk::RemoveLeftovers() {
    const std::string folder = ports_.files.ProgramFolder();
    const long long now = LocalSeconds(ports_.clock.Now());
    const std::string journalPrefix = std::string(kJournalFile) + ".";
    for (const std::string& path : ports_.files.ListFolder()) {
        const std::string name = path.substr(std::min(path.size(), folder.size() + 1));
        // Only the temporary files our own writes make beside a record file or the journal.
        const bool ours = EndsWith(name, ".tmp") && (name.find(".var.") != std::string::npos ||
                                                     name.rfind(journalPrefix, 0) == 0);
        if (!ours) {
            continue;
        }
        Guard("Load leftover " + name, [&] {
            // A younger one may belong to a write of a second copy of the program right now.
            if (now - LocalSeconds(ports_.files.Info(path).lastWrite) >= kLeftoverSeconds) {
                ports_.files.Remove(path);
            }
        });
    }
}

} // namespace tembrel

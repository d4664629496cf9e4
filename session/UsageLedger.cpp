#include "session/UsageLedger.h"

#include <algorithm>
#include <utility>

#include "platform/Errors.h"
#include "records/Counter.h"
#include "records/FileHandle.h"
#include "records/FindDate.h"
#include "records/Number.h"

namespace tembrel {

namespace {

// A temporary file of ours this old belongs to a write that died.
constexpr long long kLeftoverSeconds = 60;

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// The dated file ("<date key>-<user>") and the daily file ("<user><date key>") of one day.
bool SameDay(std::string_view dated, std::string_view daily) {
    if (dated.size() != daily.size() + 1) {
        return false;
    }
    for (std::size_t dash = dated.find('-'); dash != std::string_view::npos;
         dash = dated.find('-', dash + 1)) {
        const std::string_view user = dated.substr(dash + 1);
        if (daily.substr(0, user.size()) == user &&
            daily.substr(user.size()) == dated.substr(0, dash)) {
            return true;
        }
    }
    return false;
}

} // namespace

UsageLedger::UsageLedger(Files& files, const Regional& regional, const Clock& clock,
                         DiagnosticLog& log, const std::optional<RunningSession>& running)
    : files_(files), regional_(regional), clock_(clock), log_(log), running_(running) {}

bool UsageLedger::Guard(std::string_view operation, const std::function<void()>& action) noexcept {
    return RunGuarded(log_, lastFailure_, operation, action);
}

std::string UsageLedger::JournalPath() const {
    return ProgramFilePath(files_, kJournalFile);
}

std::optional<std::string> UsageLedger::Read(std::string_view key, std::string_view name) {
    return ReadRecord(files_, regional_, clock_, key, name);
}

// ---- the session's steps ----------------------------------------------------------------------

std::optional<ClosedSession> UsageLedger::StartUp() {
    Guard("Load leftovers", [this] { RemoveLeftovers(); });
    recoveryPending_ = true;
    recoveryFailingTicks_ = 0;
    std::optional<ClosedSession> recovered;
    Guard("Load journal", [&] { recovered = Recover(); });
    return recovered;
}

void UsageLedger::SessionStarted() {
    Changed();
    SaveJournal();
}

void UsageLedger::SessionEnded() {
    Changed();
    FlushAndJournal();
}

void UsageLedger::FlushAndJournal() {
    // The flush journals before its writes land and after; only when it writes nothing must the
    // journal catch up here. A close so writes it twice at most.
    Flush();
    if (journalBehind_) {
        SaveJournal();
    }
}

void UsageLedger::SecondCounted() {
    if (++ticksSinceJournal_ >= kJournalTicks) {
        SaveJournal();
    }
}

std::optional<ClosedSession> UsageLedger::TickEnded() {
    if (journalBehind_) {
        ++journalFailingTicks_;
    }
    if (recoveryPending_) {
        ++recoveryFailingTicks_;
    }
    std::optional<ClosedSession> recovered;
    if ((!pending_.empty() || recoveryPending_ || journalBehind_) &&
        ++ticksSinceRetry_ >= kRetryTicks) {
        ticksSinceRetry_ = 0;
        if (recoveryPending_) {
            Guard("Timer1 journal", [&] { recovered = Recover(); });
        }
        if (journalBehind_) {
            SaveJournal();
        }
        Flush();
    }
    return recovered;
}

// ---- the close's writes -----------------------------------------------------------------------

PendingWrite* UsageLedger::FindPending(std::string_view name, std::string_view key) {
    for (PendingWrite& p : pending_) {
        if (p.name == name && p.key == key) {
            return &p;
        }
    }
    return nullptr;
}

void UsageLedger::AddPending(const std::string& name, const std::string& key, long long add,
                             std::optional<long long> base, long long weekStart) {
    PendingWrite* p = FindPending(name, key);
    if (p == nullptr) {
        pending_.push_back(PendingWrite{name, key, add, std::nullopt, weekStart, {}});
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

void UsageLedger::Record(const contract::UsageNames& names, long long use) {
    // The earlier values, where no waiting write stands for the file already. One that cannot be
    // read leaves its write as seconds to add once it can.
    const auto base = [&](const std::string& name, const char* key,
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

    // The new daily use, if it is known now.
    std::optional<long long> daily;
    if (const PendingWrite* p = FindPending(names.daily, contract::kDailyUseKey);
        p != nullptr && p->target) {
        daily = *p->target + use;
    } else if (dailyBase) {
        daily = *dailyBase + (p != nullptr ? p->add : 0) + use;
    }

    // In the order of the three writes: date key and user, the week, user and date key. The
    // dated file holds the day's use, the same as the daily file: known now, or taken from the
    // daily file's value once that is known, never its own old value on top.
    PendingWrite* dated = FindPending(names.dated, contract::kDatedUseKey);
    if (dated == nullptr) {
        dated = &pending_.emplace_back(
            PendingWrite{names.dated, contract::kDatedUseKey, 0, std::nullopt, 0, {}});
    }
    dated->add = 0;
    dated->target = daily;
    dated->sameAs = daily ? std::string() : names.daily;
    AddPending(names.weekly, contract::kWeekTotalKey, use, weeklyBase, names.weekStart);
    AddPending(names.daily, contract::kDailyUseKey, use, dailyBase, 0);
    Changed();
}

long long UsageLedger::UsageValue(const std::optional<std::string>& value, const std::string& name,
                                  std::string_view key) {
    if (!value) {
        return 0;
    }
    try {
        return WholePart(StoredNumericValue(*value, regional_.DecimalSeparator()));
    } catch (const TembrelError& e) {
        // A damaged usage record must not keep the session from closing for ever; its text goes
        // to the log, so nothing is lost without a trace.
        log_.Append("Close", "record " + name + " key " + std::string(key) + " held \"" + *value +
                                 "\", counted as 0: " + e.what());
        return 0;
    }
}

long long UsageLedger::WeeklyBase(const std::string& name, long long weekStart) {
    const auto text = Read(contract::kWeekTotalKey, name);
    if (!text || text->empty()) {
        return 0;
    }
    // The week key holds no year of its own: a file of that name from an earlier week (a year
    // ago, for week 1) holds another week's total.
    if (weekStart != 0 &&
        LocalSeconds(files_.Info(RecordPath(files_, regional_, name)).lastWrite) < weekStart) {
        log_.Append("Close", "weekly total " + name + " \"" + *text +
                                 "\" is from an earlier week: counted from 0");
        return 0;
    }
    return UsageValue(text, name, contract::kWeekTotalKey);
}

// ---- the flush: journal, write, journal -------------------------------------------------------

void UsageLedger::Flush() {
    ticksSinceRetry_ = 0;
    if (pending_.empty() || recoveryPending_) {
        return;
    }
    ResolveTargets();
    if (!JournalHoldsTargets()) {
        return;
    }
    if (WriteTargets()) {
        Changed();
        SaveJournal();
    }
}

// Step 1: the value each write will leave, read where it is not known yet.
void UsageLedger::ResolveTargets() {
    for (PendingWrite& p : pending_) {
        if (!p.target && p.sameAs.empty()) {
            Guard("Usage read " + p.name, [&] {
                const long long base = p.key == contract::kWeekTotalKey
                                           ? WeeklyBase(p.name, p.weekStart)
                                           : UsageValue(Read(p.key, p.name), p.name, p.key);
                p.target = base + p.add;
                Changed();
            });
        }
    }
    for (PendingWrite& p : pending_) {
        if (p.target || p.sameAs.empty()) {
            continue;
        }
        const PendingWrite* daily = FindPending(p.sameAs, contract::kDailyUseKey);
        if (daily != nullptr && daily->target) {
            p.target = daily->target;
        } else if (daily == nullptr) {
            Guard("Usage read " + p.sameAs, [&] {
                p.target = UsageValue(Read(contract::kDayUseReadKey, p.sameAs), p.sameAs,
                                      contract::kDayUseReadKey);
            });
        }
        if (p.target) {
            p.sameAs.clear();
            Changed();
        }
    }
}

// Step 2: a value lands only once the journal holds it: a crash then replays the same value, never
// the same seconds on top of it.
bool UsageLedger::JournalHoldsTargets() {
    if (journalBehind_) {
        SaveJournal();
    }
    return !journalBehind_;
}

// Step 3: the writes whose value is known. True if any landed (step 4, the journal again, follows).
bool UsageLedger::WriteTargets() {
    bool wrote = false;
    for (auto it = pending_.begin(); it != pending_.end();) {
        const PendingWrite& p = *it;
        if (p.target && Guard("Usage write " + p.name, [&] {
                WriteRecord(files_, regional_, p.key, p.name, NumberText(*p.target));
            })) {
            it = pending_.erase(it);
            wrote = true;
        } else {
            ++it;
        }
    }
    return wrote;
}

// ---- the journal ------------------------------------------------------------------------------

void UsageLedger::SaveJournal() {
    ticksSinceJournal_ = 0;
    if (recoveryPending_) {
        return; // the journal on disk is still to be read: it must not be overwritten
    }
    const std::string path = JournalPath();
    const bool saved = Guard("Journal", [&] {
        if (!running_ && pending_.empty()) {
            files_.Remove(path);
            return;
        }
        JournalEntry entry;
        if (running_) {
            const LocalTime now = clock_.Now();
            entry.session =
                running_->Journal(now, contract::UsageNamesFor(regional_, running_->User(), now));
        }
        entry.pending = pending_;
        ReplaceFile(files_, path, JournalText(entry));
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

std::optional<ClosedSession> UsageLedger::Recover() {
    const std::string path = JournalPath();
    std::optional<std::string> text;
    try {
        text = ReadRecordText(files_, path);
    } catch (const TembrelError& e) {
        if (recoveryFailingTicks_ < kJournalGiveUpTicks) {
            throw; // tried again on a later tick: it may be held open for a moment
        }
        // A journal that cannot be read for good (too large, reads refused) must not keep every
        // later use off the record: it is given up like one that cannot be written, and the next
        // journal write takes its place.
        log_.Append("Load journal",
                    std::string("journal that cannot be read given up: ") + e.what());
    }
    recoveryPending_ = false;
    if (!text) {
        return std::nullopt;
    }
    JournalEntry entry;
    try {
        entry = ParseJournal(*text);
        // A name that is no record file goes nowhere.
        for (const PendingWrite& p : entry.pending) {
            RecordPath(files_, regional_, p.name);
        }
        if (entry.session) {
            for (const std::string* name :
                 {&entry.session->names.daily, &entry.session->names.dated,
                  &entry.session->names.weekly}) {
                RecordPath(files_, regional_, *name);
            }
        }
    } catch (const TembrelError& e) {
        log_.Append("Load journal", std::string("damaged journal removed: ") + e.what() + ": " +
                                        text->substr(0, 200));
        Guard("Load journal", [&] { files_.Remove(path); });
        return std::nullopt;
    }
    MergeLater(std::move(entry.pending));
    Changed();

    std::optional<ClosedSession> closed;
    if (entry.session) {
        const JournalSession& journaled = *entry.session;
        const RunningSession session = RunningSession::FromJournal(journaled);
        std::optional<long long> recorded;
        // The session's time went under the names the journal holds, whatever today is.
        Guard("Load journal session", [&] {
            Record(journaled.names, session.Used());
            recorded = session.Used();
        });
        closed = session.Close(journaled.written, CloseReason::Recovered, recorded);
    }
    FlushAndJournal();
    return closed;
}

// What the journal still owed comes first; writes added since (while it could not be read) go on
// top of it.
void UsageLedger::MergeLater(std::vector<PendingWrite> journaled) {
    // A dated write whose value was not known yet follows the daily file of its day again: the
    // journal does not say so, the two names do. (An older copy journaled it as seconds to add.)
    for (PendingWrite& p : journaled) {
        if (p.key != contract::kDatedUseKey || p.target) {
            continue;
        }
        for (const PendingWrite& daily : journaled) {
            if (daily.key == contract::kDailyUseKey && SameDay(p.name, daily.name)) {
                p.sameAs = daily.name;
                p.add = 0;
            }
        }
    }
    for (const PendingWrite& later : pending_) {
        auto it = std::find_if(journaled.begin(), journaled.end(), [&](const PendingWrite& p) {
            return p.name == later.name && p.key == later.key;
        });
        if (it == journaled.end()) {
            journaled.push_back(later);
        } else if (!later.sameAs.empty()) {
            it->add = 0;
            it->target.reset();
            it->sameAs = later.sameAs;
        } else if (it->target) {
            *it->target += later.target ? *later.target : later.add;
        } else {
            it->add += later.add;
        }
    }
    pending_ = std::move(journaled);
}

void UsageLedger::RemoveLeftovers() {
    const std::string folder = files_.ProgramFolder();
    const long long now = LocalSeconds(clock_.Now());
    const std::string journalPrefix = std::string(kJournalFile) + ".";
    for (const std::string& path : files_.ListFolder()) {
        const std::string name = path.substr(std::min(path.size(), folder.size() + 1));
        // Only the temporary files our own writes make beside a record file or the journal.
        const bool ours = EndsWith(name, ".tmp") && (name.find(".var.") != std::string::npos ||
                                                     name.rfind(journalPrefix, 0) == 0);
        if (!ours) {
            continue;
        }
        Guard("Load leftover " + name, [&] {
            // A younger one may belong to a write of a second copy of the program right now.
            if (now - LocalSeconds(files_.Info(path).lastWrite) >= kLeftoverSeconds) {
                files_.Remove(path);
            }
        });
    }
}

} // namespace tembrel

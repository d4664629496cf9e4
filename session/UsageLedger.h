#pragma once
// The usage ledger: every used second lands exactly once in each of the three usage files of its
// day. A close hands it the session's use; it keeps the writes it owes until they land, and the
// journal on disk always holds what it owes before any of it lands (journal, write, journal), so
// that a process that dies anywhere replays the same values at the next start instead of adding
// the same seconds twice. It recovers that journal at start-up and clears what dead writes left.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Regional.h"
#include "records/RecordContract.h"
#include "session/ClosedSession.h"
#include "session/DiagnosticLog.h"
#include "session/HandlerGuard.h"
#include "session/JournalCodec.h"
#include "session/RunningSession.h"

namespace tembrel {

class UsageLedger {
  public:
    // Tembrel's own file, no record file (no ".var"), so that no user name can name it and the
    // lock screen never reads it.
    static constexpr const char* kJournalFile = "Tembrel.journal";
    // The journal is written at least this often while a session counts, and failed writes are
    // tried again at least this often: at most this many seconds of a session that dies without
    // warning go unrecorded.
    static constexpr int kJournalTicks = 10;
    static constexpr int kRetryTicks = 10;
    // A journal that cannot be written, or found at start-up and cannot be read, holds the usage
    // writes back this many ticks at most.
    static constexpr int kJournalGiveUpTicks = 60;

    // `running` is the session that counts now, journaled with every write of the journal.
    UsageLedger(Files& files, const Regional& regional, const Clock& clock, DiagnosticLog& log,
                const std::optional<RunningSession>& running);

    // Usage writes that failed and wait to be tried again.
    std::size_t PendingWrites() const { return pending_.size(); }
    // Nothing owed lives in memory alone: it has landed or the journal holds it.
    bool Secured() const { return !journalBehind_; }

    // Start-up, before the lock screen comes up: leftovers of writes that died, then the journal
    // of a session that did not close. Returns that session, closed. Never throws.
    std::optional<ClosedSession> StartUp();
    // A session was picked up: the journal holds it from its first second.
    void SessionStarted();
    // The close: `use` seconds go to the three usage files of `names`, as writes owed. What
    // cannot be read now is added once it can. Throws only when it cannot keep the writes.
    void Record(const contract::UsageNames& names, long long use);
    // The session was closed and cleared: the journal catches up and the writes are tried.
    void SessionEnded();
    // A second of the running session was counted.
    void SecondCounted();
    // The end of every tick: retries every kRetryTicks. Returns a session a retried recovery
    // closed.
    std::optional<ClosedSession> TickEnded();
    // Tries the writes owed now. Never throws.
    void Flush();

  private:
    std::optional<ClosedSession> Recover();
    void RemoveLeftovers();
    void FlushAndJournal();
    // The steps of a flush, in their order.
    void ResolveTargets();
    bool JournalHoldsTargets();
    bool WriteTargets();
    // What the journal mirrors changed: it is behind until saved.
    void Changed() { journalBehind_ = true; }
    void SaveJournal();

    PendingWrite* FindPending(std::string_view name, std::string_view key);
    void AddPending(const std::string& name, const std::string& key, long long add,
                    std::optional<long long> base, long long weekStart);
    void MergeLater(std::vector<PendingWrite> journaled);
    long long WeeklyBase(const std::string& name, long long weekStart);
    long long UsageValue(const std::optional<std::string>& value, const std::string& name,
                         std::string_view key);
    std::optional<std::string> Read(std::string_view key, std::string_view name);
    std::string JournalPath() const;
    bool Guard(std::string_view operation, const std::function<void()>& action) noexcept;

    Files& files_;
    const Regional& regional_;
    const Clock& clock_;
    DiagnosticLog& log_;
    const std::optional<RunningSession>& running_;
    std::vector<PendingWrite> pending_;
    // The journal on disk is behind: no usage write may land until it has caught up, or a crash
    // could replay a write that already landed. Set by Changed, cleared by SaveJournal only.
    bool journalBehind_ = false;
    // A journal found at start-up is still to be read: it is tried again, and not overwritten.
    bool recoveryPending_ = false;
    int recoveryFailingTicks_ = 0;
    int ticksSinceJournal_ = 0;
    int journalFailingTicks_ = 0;
    int ticksSinceRetry_ = 0;
    FailureMemory lastFailure_;
};

} // namespace tembrel

#pragma once
// The session that runs now, as numbers: who, what was handed over, what is left of it, when it
// began and the bonus a parent gave. The one place a ClosedSession is made, whether the session
// closes here or is recovered from its journal at the next start.
#include <optional>
#include <string>
#include <utility>

#include "platform/Clock.h"
#include "session/ClosedSession.h"
#include "session/JournalCodec.h"

namespace tembrel {

class RunningSession {
  public:
    RunningSession(std::string user, long long allowance, const LocalTime& pickUp)
        : user_(std::move(user)), allowance_(allowance), remaining_(allowance), pickUp_(pickUp) {}
    // The session a journal holds: its use is what it had used when the journal was written.
    static RunningSession FromJournal(const JournalSession& journal);

    const std::string& User() const { return user_; }
    long long Allowance() const { return allowance_; }
    // Seconds of the allowance left; the bonus is counted apart.
    long long Remaining() const { return remaining_; }
    long long Used() const { return allowance_ - remaining_; }
    long long BonusGiven() const { return bonusGiven_; }
    long long BonusUsed() const { return bonusUsed_; }

    void CountOneSecond() { --remaining_; }
    // A second at the PC paid from the bonus: the allowance stays, the time used grows.
    void CountBonusSecond() { ++bonusUsed_; }
    void BonusChanged(long long seconds) { bonusGiven_ += seconds; }

    // The hours window last read and evaluated successfully during this session: the opening and
    // closing hours as the user's record held them.
    std::optional<std::pair<std::optional<std::string>, std::optional<std::string>>> window;

    JournalSession Journal(const LocalTime& now, contract::UsageNames names) const;
    // `recordedUse`: the seconds the close put on record, absent when it could not.
    ClosedSession Close(const LocalTime& end, CloseReason reason,
                        std::optional<long long> recordedUse) const;

  private:
    std::string user_;
    long long allowance_ = 0;
    long long remaining_ = 0;
    LocalTime pickUp_;
    long long bonusGiven_ = 0;
    long long bonusUsed_ = 0;
};

} // namespace tembrel

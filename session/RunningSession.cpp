#include "session/RunningSession.h"

namespace tembrel {

RunningSession RunningSession::FromJournal(const JournalSession& journal) {
    RunningSession session(journal.user, journal.allowance, journal.pickUp);
    session.remaining_ = journal.remaining;
    session.bonusGiven_ = journal.bonusGiven;
    session.bonusUsed_ = journal.bonusUsed;
    return session;
}

JournalSession RunningSession::Journal(const LocalTime& now, contract::UsageNames names) const {
    return JournalSession{user_, allowance_,  remaining_, pickUp_,
                          now,   bonusGiven_, bonusUsed_, std::move(names)};
}

ClosedSession RunningSession::Close(const LocalTime& end, CloseReason reason,
                                    std::optional<long long> recordedUse) const {
    ClosedSession closed;
    closed.user = user_;
    closed.start = pickUp_;
    closed.end = end;
    closed.allowanceUsed = recordedUse.value_or(0);
    closed.bonusGiven = bonusGiven_;
    closed.bonusUsed = bonusUsed_;
    closed.reason = reason;
    return closed;
}

} // namespace tembrel

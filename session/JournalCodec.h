#pragma once
// The text of the journal of the running session: what the session has used so far and the usage
// writes still owed, in lines a start-up reads back after the process died. Pure text both ways;
// reading throws on anything that is not a whole journal, so a damaged one is never half believed.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "records/RecordContract.h"

namespace tembrel {

// One usage write of a close. Its value is known (`target`) once the earlier value has been read;
// until then it is `add` seconds on top of whatever the file holds.
struct PendingWrite {
    std::string name;
    std::string key;
    long long add = 0;
    std::optional<long long> target;
    long long weekStart = 0; // a weekly total written before this counts from 0; 0: no check
    // The dated file holds the day's use: it takes the value of the daily file of this name once
    // that is known, never its own old value. Not journaled: a start-up pairs the two again.
    std::string sameAs;

    bool operator==(const PendingWrite&) const = default;
};

// The running session as last journaled.
struct JournalSession {
    std::string user;
    long long allowance = 0; // seconds handed over
    long long remaining = 0; // seconds of allowance left when written
    LocalTime pickUp;
    LocalTime written;
    long long bonusGiven = 0;
    long long bonusUsed = 0;    // a journal from before it was kept reads as 0
    contract::UsageNames names; // the files its use goes to, named when written
};

struct JournalEntry {
    std::optional<JournalSession> session;
    std::vector<PendingWrite> pending;
};

std::string JournalText(const JournalEntry& entry);
// Throws (a TembrelError) when the text is no whole journal: no header, a line without "=", a
// pending write without its five fields, a number or time that is none, a session that lacks a
// field. Names are taken as they stand: whether they name record files is the reader's question.
JournalEntry ParseJournal(std::string_view text);

} // namespace tembrel

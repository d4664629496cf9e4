// The journal's text both ways: what a session and its owed writes look like on disk, and every
// kind of damage refused whole.
#include <gtest/gtest.h>

#include <string>

#include "platform/Errors.h"
#include "session/JournalCodec.h"

namespace tembrel {
namespace {

constexpr const char* kSession = "Tembrel journal 1\r\n"
                                 "user=Ann\r\n"
                                 "allowance=600\r\n"
                                 "remaining=590\r\n"
                                 "pickup=2025-12-08 10:00:00\r\n"
                                 "written=2025-12-08 10:00:10\r\n"
                                 "bonus=-40\r\n"
                                 "bonusused=25\r\n"
                                 "daily=Ann12-8-2025\r\n"
                                 "dated=12-8-2025-Ann\r\n"
                                 "weekly=50Ann2025\r\n"
                                 "weekstart=1765152000\r\n";

TEST(JournalCodec, TextReadBackIsTheSameText) {
    for (const std::string& text : {
             std::string("Tembrel journal 1\r\n"),
             std::string(kSession),
             std::string(kSession) + "pending=12-8-2025-Ann|USED|0|610|0\r\n"
                                     "pending=50Ann2025|weektotal|10||1765152000\r\n",
         }) {
        EXPECT_EQ(JournalText(ParseJournal(text)), text);
    }
    const JournalEntry entry = ParseJournal(kSession);
    ASSERT_TRUE(entry.session);
    EXPECT_EQ(entry.session->remaining, 590);
    EXPECT_EQ(entry.session->written.second, 10);
    EXPECT_EQ(entry.session->names.weekly, "50Ann2025");
    EXPECT_EQ(entry.session->bonusUsed, 25);
    // A journal from before the bonus used was kept reads with none.
    std::string older = kSession;
    older.erase(older.find("bonusused=25\r\n"), 14);
    EXPECT_EQ(ParseJournal(older).session->bonusUsed, 0);
    // Written by hand or by an older copy: bare LF and empty lines are read too.
    EXPECT_EQ(ParseJournal("Tembrel journal 1\n\npending=Ann|used|5||0\n").pending,
              (std::vector<PendingWrite>{{"Ann", "used", 5, std::nullopt, 0, {}}}));
}

TEST(JournalCodec, DamageIsRefusedWhole) {
    const std::string session = kSession;
    for (const std::string& text : {
             std::string(),
             std::string("Tembrel journal 2\r\n"),
             std::string("Tembrel journal 1\r\nuser Ann\r\n"),
             std::string("Tembrel journal 1\r\npending=Ann12-8-2025|used|5|\r\n"),
             std::string("Tembrel journal 1\r\npending=Ann12-8-2025|used|5|||0\r\n"),
             std::string("Tembrel journal 1\r\npending=Ann12-8-2025|used|five||0\r\n"),
             std::string("Tembrel journal 1\r\npending=Ann12-8-2025|used|5.5||0\r\n"),
             std::string("Tembrel journal 1\r\nuser=Ann\r\nallowance=600\r\n"),
             session.substr(0, session.find("weekstart")),
             session + "pickup=2025-12-08\r\n",
             session + "written=2025-12-08 10:00:10x\r\n",
             session + "remaining=1e3\r\n",
         }) {
        EXPECT_THROW(ParseJournal(text), TembrelError) << text;
    }
}

} // namespace
} // namespace tembrel

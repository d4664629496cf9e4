// The lock screen's pages in this process over the fakes, driven through their controls and read
// back: texts, what is shown and enabled, tab order, and the records a login or a save leaves.
#include <gtest/gtest.h>

#include "records/FileHandle.h"
#include "records/StoredPasswords.h"
#include "standins/engine/tests/LockScreenFixture.h"

namespace tembrel::engine {
namespace {

class LockScreenTest : public ::testing::Test, public LockScreenFixture {
  protected:
    void SetUp() override { SetUpFamily(); }
    void TearDown() override { screen.reset(); }

    std::vector<int> TabOrder(int from, int steps) const {
        std::vector<int> ids;
        HWND at = Item(from);
        for (int i = 0; i < steps; ++i) {
            at = ::GetNextDlgTabItem(Window(), at, FALSE);
            ids.push_back(::GetDlgCtrlID(at));
        }
        return ids;
    }
};

TEST_F(LockScreenTest, TheTilesSayWhatIsLeftAndTheScreenSaysOnceWhyTheLastSessionEnded) {
    ASSERT_TRUE(Open());
    EXPECT_EQ(Text(kClock), "10:40");
    EXPECT_EQ(Text(kHeading), "Who is using the computer?");
    EXPECT_EQ(Text(kBanner), "Goodbye, Ben. Time is up for today.");
    EXPECT_EQ(Text(kTile), "Ann\n1 h 20 min left");
    EXPECT_EQ(Text(kTile + 1), "Ben\nNo time left today");
    EXPECT_EQ(Text(kTile + 2), "Cy\nBack at 15:00");
    EXPECT_EQ(Text(kTile + 3), "Dee\nNot today");
    EXPECT_FALSE(Enabled(kLogIn));
    EXPECT_FALSE(Enabled(kChildPassword));
    EXPECT_EQ(TabOrder(kTile, 5),
              (std::vector<int>{kTile + 1, kTile + 2, kTile + 3, kParents, kTile}));
    // Ten minutes on, Ann's time runs past midday, and her tile says so.
    clock.now.minute = 50;
    screen->Tick();
    EXPECT_EQ(Text(kTile), "Ann\n1 h 20 min left\nStops at 12:00 midday");

    screen.reset();
    ASSERT_TRUE(Open());
    EXPECT_EQ(Text(kBanner), "");
}

TEST_F(LockScreenTest, AChildPicksHerTileTypesHerPasswordIfSheHasOneAndLogsIn) {
    ASSERT_TRUE(Open());
    Click(kTile + 1); // Ben: a password, and no time left
    EXPECT_TRUE(Enabled(kChildPassword));
    EXPECT_TRUE(Enabled(kLogIn));
    Type(kChildPassword, "pony");
    Click(kLogIn);
    EXPECT_EQ(Text(kMessage), "Your time for today is used up, Ben.");
    EXPECT_EQ(Text(kChildPassword), "");
    EXPECT_EQ(finished, 0);

    // Enter on a focused tile picks it, as a click does.
    ::SetFocus(Item(kTile));
    EXPECT_EQ(LOWORD(::SendMessageW(Window(), DM_GETDEFID, 0, 0)), kTile);
    Click(kTile); // Ann: no password
    EXPECT_EQ(::GetFocus(), Item(kLogIn));
    EXPECT_EQ(LOWORD(::SendMessageW(Window(), DM_GETDEFID, 0, 0)), kLogIn);
    EXPECT_FALSE(Enabled(kChildPassword));
    EXPECT_EQ(TabOrder(kTile + 3, 2), (std::vector<int>{kLogIn, kParents}));
    Click(kLogIn);
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(files["allow"], "|||user|||Ann\r\n|||allow|||4800\r\n");
    EXPECT_EQ(ReadRecord(files, "open", "Ann"), "8");
}

TEST_F(LockScreenTest, TheParentsAreaOpensWithTheMasterPasswordOnly) {
    ASSERT_TRUE(Open());
    Click(kParents);
    EXPECT_EQ(screen->CurrentPage(), LockScreen::Page::Gate);
    EXPECT_FALSE(Visible(kTile));
    EXPECT_EQ(TabOrder(kMaster, 4), (std::vector<int>{kOpenParents, kHint, kBack, kMaster}));
    Click(kHint);
    EXPECT_EQ(Text(kMessage), "Hint: the usual");
    Type(kMaster, "guess");
    Click(kOpenParents);
    EXPECT_EQ(Text(kMessage), "That is not the master password.");
    EXPECT_FALSE(Visible(kChildren));
    Type(kMaster, "secret");
    Click(kOpenParents);
    EXPECT_EQ(screen->CurrentPage(), LockScreen::Page::Parents);
    EXPECT_TRUE(Visible(kChildren));
    EXPECT_EQ(::SendMessageW(Item(kChildren), LB_GETCOUNT, 0, 0), 4);
    EXPECT_TRUE(Enabled(kQuit));

    Click(kDone);
    EXPECT_EQ(screen->CurrentPage(), LockScreen::Page::Login);
    EXPECT_FALSE(logic.ParentsOpen());
    // Left open, the area closes by itself after five minutes without use.
    OpenParents();
    clock.Advance(299);
    screen->Tick();
    EXPECT_EQ(screen->CurrentPage(), LockScreen::Page::Parents);
    clock.Advance(1);
    screen->Tick();
    EXPECT_EQ(screen->CurrentPage(), LockScreen::Page::Login);
    EXPECT_FALSE(logic.ParentsOpen());
    Click(kParents);
    Type(kMaster, "secret");
    Click(kOpenParents);
    Click(kQuit);
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(files["EN"], "|||EN|||End\r\n");
}

TEST_F(LockScreenTest, WithoutAMasterPasswordTheParentsChooseOneTwiceFirst) {
    files.files.clear();
    ASSERT_TRUE(Open());
    EXPECT_EQ(Text(kMessage), "No child is set up yet. A parent presses \"Parents\" to add one.");
    Click(kParents);
    EXPECT_EQ(screen->CurrentPage(), LockScreen::Page::Parents);
    for (int id : {kAddChild, kChangeChild, kRemoveChild, kQuit}) {
        EXPECT_FALSE(Enabled(id)) << id;
    }
    Type(kNewMaster, "secret");
    Type(kNewMasterAgain, "secrte");
    Type(kNewHint, "the usual");
    Click(kSetMaster);
    EXPECT_EQ(Text(kMessage),
              "Master password: the two boxes differ. Type the same password twice.");
    EXPECT_FALSE(files.Has("ps"));
    Type(kNewMaster, "secret");
    Type(kNewMasterAgain, "secret");
    Type(kNewHint, "the usual");
    Click(kSetMaster);
    EXPECT_EQ(Text(kMessage), "The master password is set.");
    EXPECT_TRUE(Enabled(kAddChild));
    EXPECT_EQ(Text(kNewMaster), "");
    EXPECT_EQ(ReadRecord(files, "mpass", "ps"), std::nullopt);
    EXPECT_TRUE(MasterPasswordMatches(files, regional, crypto, "SECRET"));
}

TEST_F(LockScreenTest, PressesWhileAPasswordIsCheckedAreIgnored) {
    ASSERT_TRUE(Open());
    work.hold = true;
    Click(kParents);
    Type(kMaster, "secret");
    Click(kOpenParents);
    EXPECT_EQ(Text(kMessage), "Checking the master password...");
    Click(kOpenParents);
    Click(kBack);
    clock.Advance(600); // nor does the idle time close the page the answer belongs to
    screen->Tick();
    EXPECT_EQ(work.Held(), 1U);
    EXPECT_EQ(screen->CurrentPage(), LockScreen::Page::Gate);
    work.Finish();
    EXPECT_EQ(screen->CurrentPage(), LockScreen::Page::Parents);

    // A child's too: her second press logs nobody in twice.
    Click(kDone);
    Click(kTile + 1);
    Type(kChildPassword, "Pony"); // letter case counts for a child's password
    Click(kLogIn);
    Click(kLogIn);
    EXPECT_EQ(work.Held(), 1U);
    work.Finish();
    EXPECT_EQ(Text(kMessage), "That password is not right, Ben. Try again.");
}

TEST_F(LockScreenTest, AChildsSettingsAreCheckedAsTheyAreTypedAndADuplicateIsRefused) {
    ASSERT_TRUE(Open());
    OpenParents();
    Click(kAddChild);
    EXPECT_EQ(screen->CurrentPage(), LockScreen::Page::Child);
    EXPECT_EQ(Text(kHeading), "Add a child");
    EXPECT_FALSE(Enabled(kNewChildPassword));
    EXPECT_FALSE(Enabled(kMinutes + 1)); // the same every day, until unticked
    EXPECT_EQ(TabOrder(kName, 5),
              (std::vector<int>{kNeedsPassword, kSameEveryDay, kMinutes, kOpen, kClose}));

    Type(kOpen, "15:30");
    EXPECT_EQ(Text(kMessage), "Hours: type a whole hour from 0 to 24, such as 8 or 20 (not 8:30).");
    Type(kOpen, "15");
    Type(kClose, "9");
    EXPECT_EQ(Text(kMessage),
              "Hours: the closing hour must come after the opening hour (0 to 24 is all day).");
    Type(kClose, "20");
    EXPECT_EQ(Text(kMessage), "");
    EXPECT_EQ(Text(kOpen + 6), "15"); // Sunday follows Monday
    Type(kMinutes, "2000");
    EXPECT_EQ(Text(kMessage), "Minutes: type a whole number from 0 to 1440 (0: not that day).");
    Type(kMinutes, "45");

    Type(kName, "aNN");
    Click(kSave);
    EXPECT_EQ(Text(kMessage), "There is already a child called Ann. Pick a name of its own, or "
                              "change Ann in the list.");
    EXPECT_EQ(::GetFocus(), Item(kName));
    EXPECT_EQ(screen->CurrentPage(), LockScreen::Page::Child);

    Type(kName, "Eve");
    ::SendMessageW(Item(kSameEveryDay), BM_SETCHECK, BST_UNCHECKED, 0);
    Click(kSameEveryDay);
    EXPECT_TRUE(Enabled(kMinutes + 6));
    Type(kMinutes + 6, "90");
    Click(kSave);
    EXPECT_EQ(Text(kMessage), "Eve is added.");
    EXPECT_EQ(screen->CurrentPage(), LockScreen::Page::Parents);
    EXPECT_EQ(ReadRecord(files, "minutes", "Eve"), "45 45 45 45 45 45 90");
    EXPECT_EQ(ReadRecord(files, "hours", "Eve"), "15-20 15-20 15-20 15-20 15-20 15-20 15-20");
    EXPECT_EQ(ReadRecord(files, "children", "engine"), "Ann/Ben/Cy/Dee/Eve");
}

TEST_F(LockScreenTest, ChangingAChildShowsHerSettingsAndKeepsHerName) {
    ASSERT_TRUE(Open());
    OpenAnn();
    EXPECT_EQ(Text(kHeading), "Settings for Ann");
    EXPECT_EQ(::GetWindowLongW(Item(kName), GWL_STYLE) & ES_READONLY, ES_READONLY);
    EXPECT_EQ(Text(kMinutes), "80");
    EXPECT_EQ(Text(kMinutes + 5), "120");
    EXPECT_EQ(Text(kClose + 6), "21");
    EXPECT_EQ(Text(kWeekly), "480");
    EXPECT_TRUE(Enabled(kMinutes + 5));
    Type(kWeekly, "");
    Click(kSave);
    EXPECT_EQ(Text(kMessage), "Ann is changed.");
    EXPECT_EQ(ReadRecord(files, "weekly", "Ann"), "none");

    Pick(3);
    Click(kRemoveChild);
    EXPECT_EQ(Text(kMessage), "Dee is removed.");
    EXPECT_EQ(::SendMessageW(Item(kChildren), LB_GETCOUNT, 0, 0), 3);
}

} // namespace
} // namespace tembrel::engine

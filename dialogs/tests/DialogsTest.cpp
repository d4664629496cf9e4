#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "dialogs/BonusTime.h"
#include "dialogs/DialogWindows.h"
#include "dialogs/MPassword.h"
#include "platform/Errors.h"
#include "platform/fakes/FakeBackgroundWork.h"
#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeRegional.h"
#include "platform/fakes/MemoryFiles.h"
#include "platform/fakes/RecordingPorts.h"
#include "platform/fakes/SoftCrypto.h"
#include "records/FileHandle.h"
#include "records/Optionals.h"
#include "records/StoredPasswords.h"
#include "session/tests/FakeSession.h"

namespace tembrel {
namespace {

// Windows that exist or not, and how often each was created.
class RecordingDialogWindows : public DialogWindows {
  public:
    bool gate = false;
    bool bonus = false;
    int gatesCreated = 0;
    int bonusCreated = 0;
    int gateShows = 0;
    int bonusShows = 0;

    void ShowGateWindow() override {
        gatesCreated += gate ? 0 : 1;
        gate = true;
        ++gateShows;
    }
    void CloseGateWindow() override { gate = false; }
    void ShowBonusWindow() override {
        bonusCreated += bonus ? 0 : 1;
        bonus = true;
        ++bonusShows;
    }
    void CloseBonusWindow() override { bonus = false; }
};

constexpr const char* kRejectedText =
    "Your password has been REJECTED!  Please view your password HINT.  ";

class DialogsTest : public ::testing::Test, protected FakeSession<> {
  protected:
    RecordingMessageBox messageBox;
    RecordingDialogWindows windows;
    SoftCrypto crypto;
    FakeBackgroundWork work;
    BonusTime bonus{session, windows, log};
    MPassword gate{files,   regional,   messageBox, windows, bonus,
                   session, programEnd, log,        crypto,  work};

    DialogsTest() {
        session.SetParentGate(&gate);
        crypto.roundCap = 50;
    }

    // The master password as a lock screen of today keeps it.
    void StoreHash(const std::string& password) {
        StoreMasterPassword(files, regional, crypto, password);
    }

    void StartSession(const std::string& allow) {
        HandOver(allow);
        session.Timer1Tick();
    }
    void ExpectRejected() {
        ASSERT_EQ(messageBox.shown.size(), 1u);
        EXPECT_EQ(messageBox.shown[0].title, "Password Rejected!");
        EXPECT_EQ(messageBox.shown[0].text, kRejectedText);
        EXPECT_EQ(messageBox.shown[0].style, 48u);
        EXPECT_TRUE(gate.IsOpen());
        EXPECT_TRUE(windows.gate);
        EXPECT_FALSE(bonus.IsOpen());
        messageBox.shown.clear();
    }
    void ExpectAccepted() {
        EXPECT_TRUE(messageBox.shown.empty());
        EXPECT_FALSE(gate.IsOpen());
        EXPECT_FALSE(windows.gate);
        EXPECT_TRUE(bonus.IsOpen());
        EXPECT_TRUE(windows.bonus);
        bonus.CloseBox();
    }
};

// ---- the gate ---------------------------------------------------------------------------------

TEST_F(DialogsTest, BonusButtonOpensOneGate) {
    session.Command1Click();
    EXPECT_TRUE(gate.IsOpen());
    EXPECT_EQ(gate.CurrentPurpose(), ParentGate::Purpose::BonusTime);
    session.Command1Click();
    EXPECT_EQ(windows.gatesCreated, 1);
    EXPECT_EQ(windows.gateShows, 2);
}

TEST_F(DialogsTest, EntryIsComparedWithoutLetterCaseAndUntrimmed) {
    StorePassword("Sunny \xC9t\xE9");
    struct Case {
        const char* entry;
        bool accepted;
    };
    const Case cases[] = {{"Sunny \xC9t\xE9", true},
                          {"SUNNY \xC9T\xC9", true},
                          {"sunny \xE9t\xE9", true},
                          {" Sunny \xC9t\xE9", false},
                          {"Sunny \xC9t\xE9 ", false},
                          {"Sunny", false},
                          {"", false},
                          {"Sunny Ete", false}};
    for (const Case& c : cases) {
        for (const bool byEnter : {false, true}) {
            SCOPED_TRACE(std::string(c.entry) + (byEnter ? " (Enter)" : " (Continue)"));
            gate.Show(ParentGate::Purpose::BonusTime);
            if (byEnter) {
                EXPECT_EQ(gate.Text3KeyPress(MPassword::kEnter, c.entry), MPassword::kEnter);
            } else {
                gate.Command3Click(c.entry);
            }
            if (c.accepted) {
                ExpectAccepted();
            } else {
                ExpectRejected();
            }
        }
    }
}

TEST_F(DialogsTest, OtherKeysOnlyType) {
    StorePassword("");
    gate.Show(ParentGate::Purpose::BonusTime);
    for (const int key : {8, 10, 27, 32, 65, 97}) {
        EXPECT_EQ(gate.Text3KeyPress(key, ""), key);
    }
    EXPECT_TRUE(gate.IsOpen());
    EXPECT_FALSE(bonus.IsOpen());
    EXPECT_TRUE(messageBox.shown.empty());
}

// Without a stored password the gate stays shut for every entry, for both purposes: a child can
// hide, empty or spoil ps.var, but that must not open the bonus dialog or end the program.
TEST_F(DialogsTest, NoUsableStoredPasswordRefusesEveryEntry) {
    struct Case {
        const char* what;
        const char* store; // nullptr: no ps.var
        bool hidden;
    };
    const Case cases[] = {{"no file", nullptr, false},
                          {"hidden or system file", "|||mpass|||`\r\n", true},
                          {"no key", "|||mhint|||x\r\n", false},
                          {"empty key", "|||mpass|||\r\n|||mhint|||x\r\n", false},
                          {"undecodable", "|||mpass|||\xFF\r\n", false}};
    for (const Case& c : cases) {
        // The log is kept: a refusal that repeats is logged once, not once per case.
        files.files.erase(files.folder + "\\ps.var");
        files.hidden.clear();
        if (c.store != nullptr) {
            files["ps"] = c.store;
        }
        if (c.hidden) {
            files.hidden.insert(files.folder + "\\ps.var");
        }
        for (const auto purpose :
             {ParentGate::Purpose::BonusTime, ParentGate::Purpose::CloseProgram}) {
            for (const char* entry : {"", " ", "a", "x"}) {
                SCOPED_TRACE(std::string(c.what) + ", entry \"" + entry + "\"");
                gate.Show(purpose);
                gate.Command3Click(entry);
                ExpectRejected();
                EXPECT_EQ(programEnd.ended, 0);
            }
        }
        EXPECT_NE(files.files[files.folder + "\\Tembrel.log"].find("MPassword check"),
                  std::string::npos);
    }
}

TEST_F(DialogsTest, EveryCheckReadsThePasswordAfresh) {
    StorePassword("old");
    gate.Show(ParentGate::Purpose::BonusTime);
    gate.Command3Click("new");
    ExpectRejected();
    StorePassword("new");
    gate.Command3Click("new");
    ExpectAccepted();
}

TEST_F(DialogsTest, DamagedStoredPasswordIsRefusedAndLogged) {
    struct Case {
        std::string ps;
        const char* logged;
    };
    const Case cases[] = {
        {"|||mpass|||\xFF\xFF\r\n", "MPassword check"},
        // A damaged hash is not passed over for the readable form beside it.
        {"|||mhash|||pbkdf2-sha256$99999$" + std::string(32, '0') + "$" + std::string(64, '0') +
             "\r\n|||mpass|||" + ShiftText("pw", 0) + "\r\n",
         "MPassword check: the stored password hash is damaged: an iteration count"},
    };
    for (const Case& c : cases) {
        files["ps"] = c.ps;
        for (const char* entry : {"", "pw"}) {
            gate.Show(ParentGate::Purpose::BonusTime);
            EXPECT_NO_THROW(gate.Command3Click(entry));
            ExpectRejected();
        }
        EXPECT_NE(LogText().find(c.logged), std::string::npos) << c.logged;
    }
}

// The hash wins over a readable password beside it, and letter case does not count.
TEST_F(DialogsTest, HashedPasswordOpensTheGate) {
    StoreHash("Sunny \xC9t\xE9");
    files["ps"] += "|||mpass|||" + ShiftText("old", 0) + "\r\n";
    gate.Show(ParentGate::Purpose::BonusTime);
    gate.Command3Click("old");
    ExpectRejected();
    gate.Text3KeyPress(MPassword::kEnter, "sunny \xE9T\xC9");
    ExpectAccepted();
}

// The comparison runs as background work: until its answer the countdown goes on, further
// presses wait for it, and an answer that comes after the gate closed, or was shown for the
// other purpose, opens nothing.
TEST_F(DialogsTest, CheckInTheBackground) {
    StoreHash("pw");
    StartSession("600");
    work.hold = true;
    session.Command1Click();
    gate.Command3Click("pw");
    gate.Text3KeyPress(MPassword::kEnter, "pw");
    EXPECT_TRUE(gate.Checking());
    EXPECT_EQ(work.Held(), 1u);
    session.Timer1Tick();
    session.Timer1Tick();
    EXPECT_EQ(session.BigCount(), "599"); // bonus seconds first
    EXPECT_EQ(session.Text1(), "38");
    EXPECT_FALSE(bonus.IsOpen());
    work.Finish();
    EXPECT_FALSE(gate.Checking());
    ExpectAccepted();

    for (const int way : {0, 1, 2}) {
        SCOPED_TRACE(way);
        session.Command1Click();
        gate.Command3Click("pw");
        if (way == 0) {
            gate.Command1Click();
        } else if (way == 1) {
            gate.CloseBox();
            session.Command1Click(); // a new gate, which no answer of the old one opens
        } else {
            gate.Show(ParentGate::Purpose::CloseProgram); // the same password, another door
        }
        work.Finish();
        EXPECT_FALSE(bonus.IsOpen());
        EXPECT_EQ(programEnd.ended, 0);
        EXPECT_TRUE(messageBox.shown.empty());
        EXPECT_FALSE(gate.Checking());
        gate.CloseBox();
    }

    // A comparison that fails refuses the entry and is logged.
    crypto.fail = true;
    session.Command1Click();
    gate.Command3Click("pw");
    work.Finish();
    ExpectRejected();
    EXPECT_NE(LogText().find("MPassword check: no PBKDF2 today"), std::string::npos);
}

TEST_F(DialogsTest, UnreadablePasswordFileIsRefused) {
    StorePassword("");
    files.beforeOp = [](MemoryFiles::Op, const std::string& path) {
        if (path.find("ps.var") != std::string::npos) {
            throw FileError("locked");
        }
    };
    gate.Show(ParentGate::Purpose::BonusTime);
    gate.Command3Click("");
    ExpectRejected();
}

// Any failure, not only the program's own errors, is caught; one that repeats is logged once.
TEST_F(DialogsTest, HandlersCatchEverythingAndLogARepeatedFailureOnce) {
    struct ThrowingWindows : RecordingDialogWindows {
        void CloseGateWindow() override { throw 42; }
        void CloseBonusWindow() override { throw std::bad_alloc(); }
    } failing;
    BonusTime failingBonus{session, failing, log};
    MPassword failingGate{files,   regional,   messageBox, failing, failingBonus,
                          session, programEnd, log,        crypto,  work};
    for (int i = 0; i < 3; ++i) {
        failingGate.Show(ParentGate::Purpose::BonusTime);
        EXPECT_NO_THROW(failingGate.CloseBox());
        EXPECT_FALSE(failingGate.IsOpen());
        failingBonus.Show();
        EXPECT_NO_THROW(failingBonus.TimeButtonClick(0));
        EXPECT_FALSE(failingBonus.IsOpen());
    }
    const std::string text = LogText();
    const auto count = [&text](const std::string& line) {
        std::size_t n = 0;
        for (auto at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) {
            ++n;
        }
        return n;
    };
    EXPECT_EQ(count("MPassword close: unknown failure"), 1u);
    EXPECT_EQ(count("BonusTime close: "), 1u);
    EXPECT_EQ(session.Text1(), "900");
}

TEST_F(DialogsTest, HintIsShownWithoutTyping) {
    struct Case {
        const char* store;
        const char* text;
    };
    const Case cases[] = {
        {"|||mhint|||the  dog's name \r\n", "Here is your password hint: \r\n\r\nthe  dog's name "},
        {"|||mpass|||abc\r\n", "Here is your password hint: \r\n\r\n"},
        {nullptr, "Here is your password hint: \r\n\r\n"}};
    for (const Case& c : cases) {
        files.files.clear();
        if (c.store != nullptr) {
            files["ps"] = c.store;
        }
        messageBox.shown.clear();
        gate.Show(ParentGate::Purpose::BonusTime);
        gate.Command4Click();
        ASSERT_EQ(messageBox.shown.size(), 1u);
        EXPECT_EQ(messageBox.shown[0].title, "Password Hint");
        EXPECT_EQ(messageBox.shown[0].text, c.text);
        EXPECT_EQ(messageBox.shown[0].style, 64u);
        EXPECT_TRUE(gate.IsOpen());
    }
}

TEST_F(DialogsTest, ReturnAndCloseBoxCloseTheGateAndNothingElse) {
    StartSession("100");
    for (const bool closeBox : {false, true}) {
        session.Command1Click();
        const int fileCalls = files.calls;
        const std::string text1 = session.Text1();
        if (closeBox) {
            gate.CloseBox();
        } else {
            gate.Command1Click();
        }
        EXPECT_FALSE(gate.IsOpen());
        EXPECT_FALSE(windows.gate);
        EXPECT_EQ(files.calls, fileCalls);
        EXPECT_EQ(session.Text1(), text1);
        EXPECT_EQ(session.BigCount(), "99");
    }
    EXPECT_EQ(windows.gatesCreated, 2); // each opening is a new, empty window
}

// ---- bonus time -------------------------------------------------------------------------------

TEST_F(DialogsTest, TimeButtonsAddOrRemoveAndClose) {
    const char* expected[] = {"315", "615", "915", "1815", "2715", "3615", "7215", "0"};
    for (int index = 0; index < 8; ++index) {
        session.SetText1("15");
        bonus.Show();
        bonus.TimeButtonClick(index);
        EXPECT_EQ(session.Text1(), expected[index]) << BonusTime::kChoices[index].caption;
        EXPECT_FALSE(bonus.IsOpen());
        EXPECT_FALSE(windows.bonus);
    }
}

TEST_F(DialogsTest, BonusCloseBoxLeavesTheBonus) {
    session.SetText1("15");
    bonus.Show();
    bonus.CloseBox();
    EXPECT_EQ(session.Text1(), "15");
    EXPECT_FALSE(windows.bonus);
}

TEST_F(DialogsTest, SecondAcceptanceShowsTheSameBonusDialog) {
    StorePassword("pw");
    for (int i = 0; i < 2; ++i) {
        session.Command1Click();
        gate.Command3Click("pw");
    }
    EXPECT_EQ(windows.bonusCreated, 1);
    EXPECT_EQ(windows.bonusShows, 2);
    EXPECT_TRUE(bonus.IsOpen());
}

TEST_F(DialogsTest, WorkedExampleOfBonusDuringASession) {
    StorePassword("Secret");
    StartSession("600");
    session.Command1Click();
    EXPECT_EQ(session.Text1(), "40");
    for (int i = 0; i < 12; ++i) {
        session.Timer1Tick();
    }
    EXPECT_EQ(session.Text1(), "28");
    EXPECT_EQ(session.BigCount(), "599");
    gate.Text3KeyPress(MPassword::kEnter, "secret");
    EXPECT_FALSE(gate.IsOpen());
    EXPECT_TRUE(bonus.IsOpen());
    bonus.TimeButtonClick(4);
    EXPECT_EQ(session.Text1(), "2728");
    EXPECT_FALSE(bonus.IsOpen());
}

TEST_F(DialogsTest, GraceIsNotGivenAgainByReopeningTheGate) {
    StorePassword("pw");
    StartSession("600");
    session.Command1Click();
    session.Command1Click();
    EXPECT_EQ(session.Text1(), "40");
    gate.Command3Click("wrong");
    gate.Command1Click();
    session.Command1Click();
    EXPECT_EQ(session.Text1(), "40");
    gate.CloseBox();

    // The next child's hand-over brings a new grace.
    HandOver("300", "Bob");
    session.Timer1Tick();
    session.Command1Click();
    EXPECT_EQ(session.Text1(), "40");
    bonus.Show();
    bonus.TimeButtonClick(7); // takes back the grace too
    EXPECT_EQ(session.Text1(), "0");
}

// ---- closing the program ----------------------------------------------------------------------

TEST_F(DialogsTest, ParentsCloseNeedsThePassword) {
    StorePassword("pw");
    session.CommandEndClick();
    EXPECT_EQ(gate.CurrentPurpose(), ParentGate::Purpose::CloseProgram);
    EXPECT_EQ(session.Text1(), "0"); // no grace for this button
    gate.Command3Click("nope");
    ExpectRejected();
    EXPECT_EQ(programEnd.ended, 0);
    EXPECT_TRUE(lock.calls.empty());

    gate.Text3KeyPress(MPassword::kEnter, "PW");
    EXPECT_EQ(lock.calls, (std::vector<std::string>{"TaskManager_Enable_Disable(-1)",
                                                    "CtrlAltDel_Enable_Disable(-1)"}));
    EXPECT_EQ(programEnd.ended, 1);
    EXPECT_FALSE(bonus.IsOpen());
    EXPECT_FALSE(gate.IsOpen());
}

TEST_F(DialogsTest, ParentsCloseEndsEvenWhenTheLockCannotBeLifted) {
    StorePassword("pw");
    session.CommandEndClick();
    lock.fail = true;
    EXPECT_NO_THROW(gate.Command3Click("pw"));
    EXPECT_EQ(programEnd.ended, 1);
}

TEST_F(DialogsTest, ParentsCloseRecordsASessionThatStartedMeanwhile) {
    StorePassword("pw");
    session.CommandEndClick();
    StartSession("600");
    session.Timer1Tick();
    gate.Command3Click("pw");
    EXPECT_EQ(programEnd.ended, 1);
    EXPECT_FALSE(session.SessionRunning());
    EXPECT_EQ(ReadRecord(files, "used", "Ann12-8-2025"), "2");
}

} // namespace
} // namespace tembrel

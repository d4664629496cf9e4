#include "standins/engine/EngineLogic.h"

#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "platform/fakes/FakeBackgroundWork.h"
#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeRegional.h"
#include "platform/fakes/MemoryFiles.h"
#include "platform/fakes/SoftCrypto.h"
#include "records/Counter.h"
#include "records/FileHandle.h"
#include "records/Optionals.h"
#include "records/PasswordHash.h"
#include "records/SessionEnd.h"

namespace tembrel {
namespace {

// The local writes, counted.
struct CountingSettings : LocalSettings {
    using LocalSettings::LocalSettings;
    int writes = 0;
    std::vector<std::string> masters;
    void Write(const std::string& master, const std::string& name,
               const RecordValues& values) override {
        ++writes;
        masters.push_back(master);
        LocalSettings::Write(master, name, values);
    }
};

class EngineLogicTest : public ::testing::Test {
  protected:
    MemoryFiles files;
    FakeClock clock;
    FakeRegional regional; // M/d/yyyy: 8 December 2025 (a Monday, week 50) is "12-8-2025"
    CountingSettings settings{files, regional};
    SoftCrypto crypto;
    FakeBackgroundWork work;
    EngineLogic logic{{files, clock, regional, settings, crypto, work}};

    EngineLogicTest() {
        clock.now = {2025, 12, 8, 10, 0, 0};
        files.clock = &clock;
        crypto.roundCap = 2; // the hashes' form without their second each
    }

    // The requests whose answer comes after the password's work; here it is done at once.
    using Outcome = EngineLogic::Outcome;
    Outcome outcome_;
    EngineLogic::Answer Into() {
        outcome_ = {false, "no answer"};
        return [this](const Outcome& o) { outcome_ = o; };
    }
    Outcome OpenParents(const std::string& master) {
        logic.OpenParents(master, Into());
        return outcome_;
    }
    Outcome LogIn(const std::string& name, const std::string& password) {
        logic.LogIn(name, password, Into());
        return outcome_;
    }
    Outcome SetMasterPassword(const std::string& password, const std::string& again,
                              const std::string& hint) {
        logic.SetMasterPassword(password, again, hint, Into());
        return outcome_;
    }
    Outcome SaveChild(const std::string& listed, const ChildForm& form) {
        logic.SaveChild(listed, form, Into());
        return outcome_;
    }

    std::optional<std::string> Get(const std::string& name, const std::string& key) {
        return ReadRecord(files, key, name);
    }
    ChildForm Form(const std::string& name, const std::string& minutes = "60") {
        ChildForm form;
        form.name = name;
        form.minutes.fill(minutes);
        form.open.fill("0");
        form.close.fill("24");
        return form;
    }
    void Parents() {
        ASSERT_TRUE(OpenParents("").ok);
        ASSERT_TRUE(SetMasterPassword("secret", "secret", "the usual").ok);
    }
    // Ann: weekdays 60 min from 8 to 20, weekends 120 min from 10 to 22; Ben all day 30 min.
    void ListAnnAndBen(const std::string& weekly = "") {
        Parents();
        ChildForm ann = Form("Ann");
        ann.sameEveryDay = false;
        for (int day = 0; day < kDaysInWeek; ++day) {
            ann.minutes[day] = day < 5 ? "60" : "120";
            ann.open[day] = day < 5 ? "8" : "10";
            ann.close[day] = day < 5 ? "20" : "22";
        }
        ann.weekly = weekly;
        ASSERT_TRUE(SaveChild("", ann).ok);
        ASSERT_TRUE(SaveChild("", Form("Ben", "30")).ok);
        logic.CloseParents();
    }
};

TEST_F(EngineLogicTest, ALoginGrantsWhatIsLeftAndWritesTodaysHoursForTheTimer) {
    const struct {
        const char* what;
        LocalTime now;
        const char* dailyFile; // "" for none
        const char* used;
        const char* weekly;    // Ann's weekly budget, "" for none
        const char* weekTotal; // in 50Ann2025, "" for none
        LocalTime weekWritten; // when 50Ann2025 was written
        long long seconds;     // 0: refused
    } cases[] = {
        // One case a line:
        // clang-format off
        {"nothing used", {2025, 12, 8, 10, 0, 0}, "", "", "", "", {}, 3600},
        {"today's use", {2025, 12, 8, 10, 0, 0}, "Ann12-8-2025", "600", "", "", {}, 3000},
        {"yesterday's use", {2025, 12, 8, 10, 0, 0}, "Ann12-7-2025", "3000", "", "", {}, 3600},
        {"used up", {2025, 12, 8, 10, 0, 0}, "Ann12-8-2025", "3600", "", "", {}, 0},
        {"unreadable use", {2025, 12, 8, 10, 0, 0}, "Ann12-8-2025", "lots", "", "", {}, 0},
        {"weekly budget", {2025, 12, 8, 10, 0, 0}, "", "", "300", "17400", {2025, 12, 8, 9, 0, 0}, 600},
        {"budget used", {2025, 12, 8, 10, 0, 0}, "", "", "300", "18000", {2025, 12, 8, 9, 0, 0}, 0},
        {"last year's week 50", {2025, 12, 8, 10, 0, 0}, "", "", "300", "18000", {2025, 12, 7, 23, 0, 0}, 3600},
        {"hours end first", {2025, 12, 8, 19, 30, 0}, "", "", "", "", {}, 1800},
        {"before hours", {2025, 12, 8, 7, 0, 0}, "", "", "", "", {}, 0},
        {"Saturday's minutes", {2025, 12, 13, 12, 30, 0}, "", "", "", "", {}, 7200},
        {"midday", {2025, 12, 8, 12, 0, 30}, "", "", "", "", {}, 0},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        files.files.clear();
        files.writeTimes.clear();
        ListAnnAndBen(c.weekly);
        clock.now = c.now;
        if (*c.dailyFile) {
            files[c.dailyFile] = std::string("|||used|||") + c.used + "\r\n";
        }
        if (*c.weekTotal) {
            files["50Ann2025"] = std::string("|||weektotal|||") + c.weekTotal + "\r\n";
            files.writeTimes[files.PathOf("50Ann2025")] = c.weekWritten;
        }
        files["Ann"] += "|||open|||0\r\n|||close|||24\r\n"; // yesterday's, say
        const EngineLogic::Outcome outcome = LogIn("Ann", "");
        EXPECT_EQ(outcome.ok, c.seconds > 0) << outcome.message;
        EXPECT_EQ(outcome.seconds, c.seconds);
        if (c.seconds > 0) {
            EXPECT_EQ(files["allow"],
                      "|||user|||Ann\r\n|||allow|||" + std::to_string(c.seconds) + "\r\n");
            const bool weekend = c.now.day == 13;
            EXPECT_EQ(Get("Ann", "open"), weekend ? "10" : "8");
            EXPECT_EQ(Get("Ann", "close"), weekend ? "22" : "20");
            EXPECT_EQ(HoursWindowState(Get("Ann", "open"), Get("Ann", "close"), c.now.hour, "."),
                      "OPEN");
        } else {
            EXPECT_FALSE(files.Has("allow"));
            EXPECT_FALSE(outcome.message.empty());
        }
        clock.now = {2025, 12, 8, 10, 0, 0};
    }
}

TEST_F(EngineLogicTest, TilesSayWhatALoginWouldGive) {
    ListAnnAndBen();
    files["Ben12-8-2025"] = "|||used|||1800\r\n";
    files["Cy"] = "|||daily|||lots\r\n";
    files["engine"] = "|||children|||Ann/Ben/Cy\r\n";
    clock.now = {2025, 12, 8, 11, 0, 0};
    const auto tiles = logic.Tiles();
    ASSERT_EQ(tiles.size(), 3U);
    EXPECT_EQ(tiles[0].status, "1 h left");
    EXPECT_EQ(tiles[0].note, "");
    EXPECT_TRUE(tiles[0].open);
    EXPECT_EQ(tiles[1].status, "No time left today");
    EXPECT_FALSE(tiles[1].open);
    EXPECT_EQ(tiles[2].status, "Ask a parent");
    clock.now.minute = 30;
    EXPECT_EQ(logic.Tiles()[0].note, "Stops at 12:00 midday");
    clock.now = {2025, 12, 8, 6, 0, 0};
    EXPECT_EQ(logic.Tiles()[0].status, "Back at 8:00");
}

TEST_F(EngineLogicTest, AChildsPasswordIsCheckedWhereOneIsSet) {
    ListAnnAndBen();
    ASSERT_TRUE(OpenParents("secret").ok);
    ChildForm ann = logic.FormOf("Ann");
    ann.password = true;
    ann.newPassword = "kitten";
    ASSERT_TRUE(SaveChild("Ann", ann).ok);
    EXPECT_FALSE(Get("Ann", "pw"));
    const auto hash = Get("Ann", "pwhash");
    ASSERT_TRUE(hash);
    EXPECT_NO_THROW(ParsePasswordHash(*hash));
    EXPECT_FALSE(LogIn("Ann", "").ok);
    EXPECT_FALSE(LogIn("Ann", "Kitten").ok);
    EXPECT_FALSE(files.Has("allow"));
    EXPECT_TRUE(logic.Tiles()[0].password);
    EXPECT_TRUE(LogIn("Ann", "kitten").ok);
    EXPECT_TRUE(LogIn("Ben", "anything").ok); // Ben has none

    // Changed with the box left empty, the password stays; unticked, it goes.
    ann = logic.FormOf("Ann");
    EXPECT_TRUE(ann.password);
    ASSERT_TRUE(SaveChild("Ann", ann).ok);
    EXPECT_EQ(Get("Ann", "pwhash"), hash);
    ann.password = false;
    ASSERT_TRUE(SaveChild("Ann", ann).ok);
    EXPECT_FALSE(Get("Ann", "pwhash"));
    EXPECT_TRUE(LogIn("Ann", "").ok);
}

TEST_F(EngineLogicTest, OnlyListedChildrenLogInUnderTheirListedSpelling) {
    ListAnnAndBen();
    files["Cy"] = "|||daily|||60\r\n"; // a record file, but not on the list
    EXPECT_FALSE(LogIn("Cy", "").ok);
    EXPECT_FALSE(LogIn("", "").ok);
    ASSERT_TRUE(LogIn("ANN", "").ok);
    EXPECT_EQ(Get("allow", "user"), "Ann");
    // A hand-over the timer has not taken yet is replaced whole.
    files["allow"] = "|||allow|||999\r\n|||user|||Ben\r\n";
    ASSERT_TRUE(LogIn("Ann", "").ok);
    EXPECT_EQ(files["allow"], "|||user|||Ann\r\n|||allow|||3600\r\n");
}

TEST_F(EngineLogicTest, TheParentsAreaOpensOnlyWithTheMasterPassword) {
    // Nothing is set yet: the area opens, for a master password to be chosen first.
    EXPECT_FALSE(SaveChild("", Form("Ann")).ok);
    ASSERT_TRUE(OpenParents("anything").ok);
    EXPECT_FALSE(SaveChild("", Form("Ann")).ok);
    EXPECT_FALSE(SetMasterPassword("", "", "hint").ok);
    EXPECT_FALSE(SetMasterPassword("secret", "secrets", "hint").ok);
    EXPECT_FALSE(SetMasterPassword("secret", "secret", "").ok);
    EXPECT_FALSE(SetMasterPassword("secret", "secret", "secret").ok);
    EXPECT_FALSE(files.Has("ps"));
    // A write that fails after the hash is an answer too: nothing escapes into the message loop.
    files.beforeOp = [](MemoryFiles::Op op, const std::string&) {
        if (op == MemoryFiles::Op::WriteNew) {
            throw FileError("disk full");
        }
    };
    EXPECT_FALSE(SetMasterPassword("secret", "secret", "the usual").ok);
    EXPECT_FALSE(logic.Busy());
    files.beforeOp = nullptr;
    ASSERT_TRUE(SetMasterPassword("secret", "secret", "the usual").ok);
    EXPECT_FALSE(Get("ps", "mpass"));
    EXPECT_NO_THROW(ParsePasswordHash(Get("ps", "mhash").value_or("")));
    EXPECT_EQ(logic.MasterHint(), "the usual");

    logic.CloseParents();
    for (const char* wrong : {"", "secrets", "secret "}) {
        EXPECT_FALSE(OpenParents(wrong).ok) << wrong;
        EXPECT_FALSE(logic.ParentsOpen());
    }
    EXPECT_FALSE(SetMasterPassword("other", "other", "x").ok);
    EXPECT_FALSE(SaveChild("", Form("Ann")).ok);
    EXPECT_FALSE(logic.QuitTembrel().ok);
    EXPECT_FALSE(files.Has("EN"));
    ASSERT_TRUE(OpenParents("SeCrEt").ok); // letter case does not count, as at Tembrel's gate
    EXPECT_TRUE(logic.QuitTembrel().ok);
    EXPECT_EQ(files["EN"], "|||EN|||End\r\n");
}

TEST_F(EngineLogicTest, AnOlderLockScreensReadablePasswordsOpenUntilTheyBecomeHashes) {
    files["ps"] = "|||mpass|||rdbqds\r\n|||mhint|||the usual\r\n";
    files["engine"] = "|||children|||Ann/Ben\r\n";
    files["Ann"] = "|||daily|||60\r\n|||pw|||" + ShiftText("kitten", 0) + "\r\n";
    files["Ben"] = "|||daily|||60\r\n|||pw|||" + ShiftText("pony", 0) + "\r\n";
    EXPECT_TRUE(LogIn("Ann", "kitten").ok);
    EXPECT_TRUE(logic.ConvertPasswords().empty());
    EXPECT_FALSE(Get("ps", "mpass"));
    EXPECT_FALSE(Get("Ann", "pw"));
    EXPECT_EQ(Get("ps", "mhint"), "the usual");
    const struct {
        const char* who; // "" for the parents
        const char* entry;
        bool opens;
    } cases[] = {{"", "secret", true},    {"", "SECRET", true},     {"", "guess", false},
                 {"Ann", "kitten", true}, {"Ann", "Kitten", false}, {"Ben", "pony", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.who) + " " + c.entry);
        EXPECT_EQ((*c.who ? LogIn(c.who, c.entry) : OpenParents(c.entry)).ok, c.opens);
        logic.CloseParents();
    }
    // A changed password replaces hash and readable form in one write.
    files["Ben"] += "|||pw|||" + ShiftText("pony", 0) + "\r\n"; // an older writer's again
    ASSERT_TRUE(OpenParents("secret").ok);
    ChildForm ben = logic.FormOf("Ben");
    ben.newPassword = "horse";
    const int writes = settings.writes;
    ASSERT_TRUE(SaveChild("Ben", ben).ok);
    EXPECT_EQ(settings.writes, writes + 1);
    EXPECT_FALSE(Get("Ben", "pw"));
    EXPECT_TRUE(LogIn("Ben", "horse").ok);
}

TEST_F(EngineLogicTest, ADamagedMasterHashOpensNothingAndLetsNoFirstOneBeSet) {
    for (const char* damaged : {"pbkdf2-sha256$99$00$00", "rdbqds"}) {
        SCOPED_TRACE(damaged);
        // The readable form beside it no longer counts.
        files["ps"] = std::string("|||mhash|||") + damaged + "\r\n|||mpass|||rdbqds\r\n";
        EXPECT_TRUE(logic.HasMasterPassword());
        for (const char* entry : {"", "secret"}) {
            EXPECT_FALSE(OpenParents(entry).ok);
        }
        EXPECT_FALSE(logic.ParentsOpen());
        EXPECT_FALSE(SetMasterPassword("mine", "mine", "a hint").ok);
    }
    EXPECT_EQ(settings.writes, 0);
}

TEST_F(EngineLogicTest, AddsChangesAndRemovesChildrenAndRefusesADuplicateInAnyCase) {
    ListAnnAndBen();
    ASSERT_TRUE(OpenParents("secret").ok);
    const std::string annBefore = files["Ann"];
    for (const char* same : {"Ann", "ann", "ANN"}) {
        const EngineLogic::Outcome outcome = SaveChild("", Form(same, "300"));
        EXPECT_FALSE(outcome.ok) << same;
        EXPECT_EQ(outcome.message, "There is already a child called Ann. Pick a name of its own, "
                                   "or change Ann in the list.");
        EXPECT_EQ(outcome.field, FormField::Name);
    }
    EXPECT_EQ(files["Ann"], annBefore);
    EXPECT_EQ(logic.Children(), (std::vector<std::string>{"Ann", "Ben"}));

    // Changing keeps the name and rewrites the limits.
    ChildForm ben = logic.FormOf("ben");
    EXPECT_TRUE(ben.sameEveryDay);
    EXPECT_EQ(ben.minutes[6], "30");
    ben.sameEveryDay = false;
    ben.minutes[6] = "90";
    ben.weekly = "200";
    ASSERT_TRUE(SaveChild("ben", ben).ok);
    EXPECT_EQ(settings.masters.back(), "secret"); // for a service to check
    EXPECT_EQ(Get("Ben", "minutes"), "30 30 30 30 30 30 90");
    EXPECT_EQ(Get("Ben", "weekly"), "200");

    ASSERT_TRUE(logic.RemoveChild("ANN").ok);
    EXPECT_EQ(logic.Children(), (std::vector<std::string>{"Ben"}));
    EXPECT_FALSE(logic.RemoveChild("Ann").ok);
    ASSERT_TRUE(SaveChild("", Form("ann", "45")).ok); // her name is free again
    EXPECT_EQ(logic.Children(), (std::vector<std::string>{"Ben", "ann"}));
}

TEST_F(EngineLogicTest, RefusesAFormWithAWrongFieldAndSaysWhichOne) {
    Parents();
    const auto with = [&](auto change) {
        ChildForm form = Form("Ann");
        form.sameEveryDay = false;
        change(form);
        return SaveChild("", form);
    };
    const struct {
        const char* what;
        std::function<void(ChildForm&)> change;
        FormField field;
        int day;
    } cases[] = {
        {"no name", [](ChildForm& f) { f.name = ""; }, FormField::Name, 0},
        {"program's name", [](ChildForm& f) { f.name = "Lastend"; }, FormField::Name, 0},
        {"too long", [](ChildForm& f) { f.name = std::string(41, 'a'); }, FormField::Name, 0},
        {"minutes", [](ChildForm& f) { f.minutes[3] = "1441"; }, FormField::Minutes, 3},
        {"an hour as a time", [](ChildForm& f) { f.open[1] = "15:30"; }, FormField::Open, 1},
        {"closing first", [](ChildForm& f) { f.close[5] = "0"; }, FormField::Close, 5},
        {"weekly", [](ChildForm& f) { f.weekly = "x"; }, FormField::Weekly, 0},
        {"no password", [](ChildForm& f) { f.password = true; }, FormField::Password, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const EngineLogic::Outcome outcome = with(c.change);
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(outcome.field, c.field) << outcome.message;
        EXPECT_EQ(outcome.day, c.day);
    }
    EXPECT_TRUE(logic.Children().empty());
    EXPECT_FALSE(files.Has("Ann"));
    // With the same limits every day, only the first day's fields count.
    ChildForm same = Form("Ann");
    same.minutes[3] = "junk";
    ASSERT_TRUE(SaveChild("", same).ok);
    EXPECT_EQ(Get("Ann", "minutes"), "60 60 60 60 60 60 60");
}

TEST_F(EngineLogicTest, TodaysHoursAreWrittenAfterMidnightOnlyWhereTheyChanged) {
    ListAnnAndBen();
    const int before = settings.writes;
    logic.KeepTodaysHours(); // Monday's hours are there already
    EXPECT_EQ(settings.writes, before);
    clock.now = {2025, 12, 13, 0, 0, 5}; // Saturday
    // A child whose record cannot be read keeps nobody else's hours from being written.
    files["engine"] = "|||children|||Cy/Ann/Ben\r\n";
    files["Cy"] = "|||daily|||60\r\n";
    files.beforeOp = [&](MemoryFiles::Op op, const std::string& path) {
        if (op == MemoryFiles::Op::Read && path == files.PathOf("Cy")) {
            throw FileError("locked");
        }
    };
    logic.KeepTodaysHours();
    EXPECT_EQ(settings.writes, before + 1); // Ben's hours are the same every day
    EXPECT_EQ(settings.masters.back(), ""); // no parent asked for it
    EXPECT_EQ(Get("Ann", "open"), "10");
    EXPECT_EQ(Get("Ann", "close"), "22");
}

TEST_F(EngineLogicTest, SaysOnceWhyTheLastSessionEnded) {
    EXPECT_FALSE(logic.TakeEndMessage());
    RecordSessionEnd(files, "Ann", SessionEndReason::HoursOver);
    EXPECT_EQ(logic.TakeEndMessage(), "Goodbye, Ann. Your allowed hours are over.");
    EXPECT_FALSE(logic.TakeEndMessage());
}

} // namespace
} // namespace tembrel

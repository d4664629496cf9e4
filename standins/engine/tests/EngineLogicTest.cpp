#include "standins/engine/EngineLogic.h"

#include <gtest/gtest.h>

#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeRegional.h"
#include "platform/fakes/MemoryFiles.h"
#include "records/Counter.h"
#include "records/FileHandle.h"
#include "records/Optionals.h"

namespace tembrel {
namespace {

class EngineLogicTest : public ::testing::Test {
  protected:
    MemoryFiles files;
    FakeClock clock;
    FakeRegional regional; // M/d/yyyy: 8 December 2025 is the date key "12-8-2025"
    EngineLogic logic{{files, clock, regional}};

    EngineLogicTest() { clock.now = {2025, 12, 8, 10, 0, 0}; }

    void Set(const std::string& name, const std::string& key, const std::string& value) {
        WriteRecord(files, key, name, value);
    }
    std::optional<std::string> Get(const std::string& name, const std::string& key) {
        return ReadRecord(files, key, name);
    }
    void ListAnn(const std::string& daily = "60", const std::string& open = "0",
                 const std::string& close = "24") {
        Set("engine", "children", "Ann/Ben");
        Set("Ann", "daily", daily);
        Set("Ann", "open", open);
        Set("Ann", "close", close);
    }
    void SetMaster() { ASSERT_TRUE(logic.SetMasterPassword("", "secret", "the usual").ok); }
};

TEST_F(EngineLogicTest, GrantsTheDailyAllowanceLessTodaysUse) {
    const struct {
        const char* daily;
        const char* usedFile; // "" for none
        const char* usedKey;
        const char* used;
        long long seconds; // 0: refused
    } cases[] = {
        {"60", "", "", "", 3600},
        {"60", "Ann12-8-2025", "used", "600", 3000},
        {"60", "Ann12-8-2025", "USED", "600", 3000},
        {"60", "Ann12-8-2025", "used", " 599.9 ", 3001}, // whole seconds, as the timer counts
        {"60", "Ann12-7-2025", "used", "3000", 3600},    // yesterday's use does not count
        {"60", "Ann12-8-2025", "used", "3599", 1},
        {"60", "Ann12-8-2025", "used", "3600", 0},
        {"60", "Ann12-8-2025", "used", "9000", 0},
        {"60", "Ann12-8-2025", "used", "-50", 3600}, // a damaged record never adds time
        {"60", "Ann12-8-2025", "used", "lots", 0},   // nor does an unreadable one
        {"0", "", "", "", 0},
        {"90.5", "", "", "", 0},
        {"", "", "", "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.daily) + " " + c.usedFile + " " + c.used);
        files.files.clear();
        ListAnn(c.daily);
        if (*c.usedFile) {
            Set(c.usedFile, c.usedKey, c.used);
        }
        const EngineLogic::Outcome outcome = logic.LogIn("Ann", "");
        EXPECT_EQ(outcome.ok, c.seconds > 0) << outcome.message;
        EXPECT_EQ(outcome.seconds, c.seconds);
        if (c.seconds > 0) {
            EXPECT_EQ(files["allow"],
                      "|||user|||Ann\r\n|||allow|||" + std::to_string(c.seconds) + "\r\n");
        } else {
            EXPECT_FALSE(files.Has("allow"));
            EXPECT_FALSE(outcome.message.empty());
        }
    }
}

TEST_F(EngineLogicTest, RefusesOutsideTheHoursWindow) {
    const struct {
        const char* open;
        const char* close;
        int hour;
        bool granted;
    } cases[] = {
        {"8", "20", 8, true},   {"8", "20", 19, true}, {"8", "20", 20, false},
        {"8", "20", 7, false},  {"0", "24", 23, true}, {"22", "6", 3, true}, // no verdict: open
        {"8", "abc", 9, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.open) + "-" + c.close + " at " + std::to_string(c.hour));
        files.files.clear();
        ListAnn("60", c.open, c.close);
        clock.now.hour = c.hour;
        EXPECT_EQ(logic.LogIn("Ann", "").ok, c.granted);
        EXPECT_EQ(files.Has("allow"), c.granted);
    }
}

TEST_F(EngineLogicTest, AChildsPasswordIsCheckedWhereOneIsSet) {
    ListAnn();
    Set("Ann", "pw", ShiftText("kitten", 0));
    EXPECT_FALSE(logic.LogIn("Ann", "").ok);
    EXPECT_FALSE(logic.LogIn("Ann", "Kitten").ok);
    EXPECT_FALSE(files.Has("allow"));
    EXPECT_TRUE(logic.LogIn("Ann", "kitten").ok);
    // Ben has no password: whatever is typed, he logs in.
    Set("Ben", "daily", "30");
    EXPECT_TRUE(logic.LogIn("Ben", "anything").ok);
}

TEST_F(EngineLogicTest, OnlyListedChildrenLogInUnderTheirListedSpelling) {
    ListAnn();
    Set("Cy", "daily", "60"); // a record file, but not on the list
    EXPECT_FALSE(logic.LogIn("Cy", "").ok);
    EXPECT_FALSE(logic.LogIn("", "").ok);
    const EngineLogic::Outcome outcome = logic.LogIn("ANN", "");
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(Get("allow", "user"), "Ann");
}

TEST_F(EngineLogicTest, AHandOverReplacesOneTheTimerHasNotTakenYet) {
    ListAnn();
    files["allow"] = "|||allow|||999\r\n|||user|||Ben\r\n";
    ASSERT_TRUE(logic.LogIn("Ann", "").ok);
    EXPECT_EQ(files["allow"], "|||user|||Ann\r\n|||allow|||3600\r\n");
}

TEST_F(EngineLogicTest, TheMasterPasswordIsSetOnceThenOnlyChangedWithItself) {
    EXPECT_FALSE(logic.HasMasterPassword());
    EXPECT_FALSE(logic.SetMasterPassword("", "", "hint").ok);
    EXPECT_FALSE(logic.SetMasterPassword("", "secret", "").ok);
    ASSERT_TRUE(logic.SetMasterPassword("", "secret", "the usual").ok);
    EXPECT_EQ(Get("ps", "mpass"), "rdbqds"); // every character one code lower
    EXPECT_EQ(Get("ps", "mhint"), "the usual");
    EXPECT_EQ(logic.MasterHint(), "the usual");

    EXPECT_FALSE(logic.SetMasterPassword("", "other", "x").ok);
    EXPECT_FALSE(logic.SetMasterPassword("Secret", "other", "x").ok);
    EXPECT_EQ(Get("ps", "mpass"), "rdbqds");
    EXPECT_TRUE(logic.SetMasterPassword("secret", "other", "new hint").ok);
    EXPECT_EQ(Get("ps", "mpass"), ShiftText("other", 0));
    EXPECT_EQ(logic.MasterHint(), "new hint");
}

TEST_F(EngineLogicTest, AddsAndChangesChildren) {
    EXPECT_FALSE(logic.AddChild("", "Ann", "60", "", "", "").ok); // no master password yet
    SetMaster();
    EXPECT_FALSE(logic.AddChild("wrong", "Ann", "60", "", "", "").ok);
    EXPECT_FALSE(files.Has("Ann"));

    ASSERT_TRUE(logic.AddChild("secret", "Ann", "90", "", "", "").ok);
    ASSERT_TRUE(logic.AddChild("secret", "Ben", "30", "8", "20", "pony").ok);
    EXPECT_EQ(logic.Children(), (std::vector<std::string>{"Ann", "Ben"}));
    EXPECT_EQ(files["Ann"], "|||daily|||90\r\n|||open|||0\r\n|||close|||24\r\n");
    EXPECT_EQ(Get("Ben", "open"), "8");
    EXPECT_EQ(Get("Ben", "close"), "20");
    EXPECT_EQ(Get("Ben", "pw"), ShiftText("pony", 0));

    // The same child in another letter case is changed, not listed twice; its password stays.
    ASSERT_TRUE(logic.AddChild("secret", "BEN", "45", "", "", "").ok);
    EXPECT_EQ(logic.Children(), (std::vector<std::string>{"Ann", "Ben"}));
    EXPECT_EQ(Get("Ben", "daily"), "45");
    EXPECT_EQ(Get("Ben", "pw"), ShiftText("pony", 0));
}

TEST_F(EngineLogicTest, RefusesChildrenItCannotKeepApart) {
    SetMaster();
    const struct {
        const char* name;
        const char* daily;
        const char* open;
        const char* close;
    } refused[] = {
        {"", "60", "", ""},      {"Ann/Ben", "60", "", ""}, {"a:b", "60", "", ""},
        {"con", "60", "", ""},   {"nul .", "60", "", ""},   {" Ann", "60", "", ""},
        {"0Ann", "60", "", ""},  {"Ann1", "60", "", ""},    {"allow", "60", "", ""},
        {"en", "60", "", ""},    {"PS", "60", "", ""},      {"Engine", "60", "", ""},
        {"Ann", "0", "", ""},    {"Ann", "1441", "", ""},   {"Ann", "1.5", "", ""},
        {"Ann", "lots", "", ""}, {"Ann", "60", "8", ""},    {"Ann", "60", "20", "8"},
        {"Ann", "60", "8", "8"}, {"Ann", "60", "8", "25"},  {"Ann", "60", "-1", "20"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(std::string(c.name) + " " + c.daily + " " + c.open + "-" + c.close);
        const EngineLogic::Outcome outcome =
            logic.AddChild("secret", c.name, c.daily, c.open, c.close, "");
        EXPECT_FALSE(outcome.ok);
        EXPECT_FALSE(outcome.message.empty());
    }
    EXPECT_TRUE(logic.Children().empty());
    EXPECT_EQ(files.files.size(), 1U); // ps.var only
}

TEST_F(EngineLogicTest, QuitsTheTimerOnlyWithTheMasterPassword) {
    EXPECT_FALSE(logic.QuitTembrel("").ok);
    SetMaster();
    EXPECT_FALSE(logic.QuitTembrel("wrong").ok);
    EXPECT_FALSE(files.Has("EN"));
    EXPECT_TRUE(logic.QuitTembrel("secret").ok);
    EXPECT_EQ(files["EN"], "|||EN|||End\r\n");
}

} // namespace
} // namespace tembrel

// A session from hand-over to close under other countries' settings, and under settings that the
// parent changes while it runs.
#include <string>

#include "session/tests/SessionFixture.h"

namespace tembrel {
namespace {

TEST_F(SessionTest, EveryCountrysSettingsGetTheSessionRecorded) {
    struct Case {
        unsigned codePage;
        const char* pattern;
        const char* separator;
        std::string user;
        std::string dateKey; // of Monday 8 December 2025
    };
    const Case cases[] = {
        {1250, "yyyy. MM. dd.", ",", "Tom Jr.", "2025. 12. 08."}, // Hungarian
        {1250, "dd. MM. yyyy.", ",", "Anna ", "08. 12. 2025."},   // Croatian
        {1252, "dd.MM.yyyy", ",", "Zo\xEB", "08.12.2025"},        // German
        {1252, "d/MM/yyyy", ".", "Ann", "8-12-2025"},             // day first, "/"
        {932, "yyyy/MM/dd", ".", "\x83\x5C\x83\x45\x83\x5E\x83\x7C", "2025-12-08"}, // "Souta-po"
        {949, "yyyy-MM-dd", ".", "\xB9\xCE\xBC\xF6", "2025-12-08"},                 // "Minsu"
        {936, "yyyy/M/d", ".", "\xD5\xC5\xC1\xFA", "2025-12-8"},                    // "Zhang Long"
        {950, "yyyy/M/d", ".", "\xA5\x5C\xA9\xFA", "2025-12-8"},                    // trail "\"
    };
    for (const Case& c : cases) {
        files.files.clear();
        regional.codePage = c.codePage;
        regional.shortDatePattern = c.pattern;
        regional.decimalSeparator = c.separator;
        files[c.user + c.dateKey] = "|||used|||600\r\n";
        HandOver("3", c.user);
        Ticks(3);
        EXPECT_FALSE(session.SessionRunning()) << c.pattern;
        EXPECT_EQ(ReadRecord(files, regional, "used", c.user + c.dateKey), "603") << c.pattern;
        EXPECT_EQ(ReadRecord(files, regional, "USED", c.dateKey + "-" + c.user), "603")
            << c.pattern;
        EXPECT_EQ(ReadRecord(files, regional, "weektotal", "50" + c.user + "2025"), "3")
            << c.pattern;
        EXPECT_EQ(LogText(), "") << c.pattern;
    }
}

TEST_F(SessionTest, TheCloseUsesTheSettingsOfTheMomentOfTheClose) {
    HandOver("10");
    session.Timer1Tick();
    session.AddBonusSeconds(2.5);
    EXPECT_EQ(session.Text1(), "2.5");
    session.Timer1Tick();

    // The parent switches to German settings in the middle of the session: the texts written
    // under "." still count down, and the close names its files by the new short date.
    regional.decimalSeparator = ",";
    regional.shortDatePattern = "dd.MM.yyyy";
    files["Ann08.12.2025"] = "|||used|||600.5\r\n"; // written under "." before the change
    session.Timer1Tick();
    EXPECT_EQ(session.Text1(), "0,5");
    EXPECT_EQ(session.BigCount(), "9");
    session.Command6Click();

    EXPECT_EQ(ReadRecord(files, regional, "used", "Ann08.12.2025"), "601");
    EXPECT_EQ(ReadRecord(files, regional, "USED", "08.12.2025-Ann"), "601");
    EXPECT_EQ(ReadRecord(files, regional, "weektotal", "50Ann2025"), "1");
    EXPECT_FALSE(files.Has("Ann12-8-2025"));
    EXPECT_EQ(LogText(), ""); // nothing was read as damaged
}

} // namespace
} // namespace tembrel

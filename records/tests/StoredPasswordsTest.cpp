#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/fakes/FakeRegional.h"
#include "platform/fakes/MemoryFiles.h"
#include "platform/fakes/Pbkdf2Vectors.h"
#include "platform/fakes/SoftCrypto.h"
#include "records/FileHandle.h"
#include "records/Optionals.h"
#include "records/StoredPasswords.h"

namespace tembrel {
namespace {

class StoredPasswordsTest : public ::testing::Test {
  protected:
    MemoryFiles files;
    FakeRegional regional;
    SoftCrypto crypto;

    StoredPasswordsTest() { crypto.roundCap = 50; }

    std::string Readable(const std::string& password) { return ShiftText(password, 0); }
    std::string HashOf(const std::string& password) {
        return FormatPasswordHash(MakePasswordHash(crypto, password));
    }
    bool Master(const std::string& entry) {
        return MasterPasswordMatches(files, regional, crypto, entry);
    }
};

// Which stored form the check goes by, and what it makes of each entry.
TEST_F(StoredPasswordsTest, MasterCheckPrefersTheHashAndIgnoresLetterCase) {
    enum Answer { Yes, No, None, Damaged };
    struct Case {
        const char* what;
        std::string ps; // the text of ps.var; "-" for no file
        const char* entry;
        Answer answer;
    };
    const std::string hash = "|||mhash|||" + HashOf("sunny \xE9t\xE9") + "\r\n";
    const std::string readable = "|||mpass|||" + Readable("Old") + "\r\n";
    const Case cases[] = {
        {"hash", hash, "Sunny \xC9t\xE9", Yes},
        {"hash, as stored", hash, "sunny \xE9t\xE9", Yes},
        {"hash, wrong", hash, "Sunny", No},
        {"hash, trailing space", hash, "sunny \xE9t\xE9 ", No},
        {"hash wins over mpass", hash + readable, "old", No},
        {"hash wins, either order", readable + hash, "sunny \xE9t\xE9", Yes},
        {"mpass alone", readable, "OLD", Yes},
        {"mpass, wrong", readable, "olde", No},
        {"empty mhash is none", "|||mhash|||\r\n" + readable, "old", Yes},
        {"hash key in any case", "|||MHash|||" + HashOf("x") + "\r\n", "X", Yes},
        {"no file", "-", "", None},
        {"neither key", "|||mhint|||dog\r\n", "", None},
        {"both empty", "|||mhash|||\r\n|||mpass|||\r\n", "", None},
        {"readable form under mhash", "|||mhash|||" + Readable("Old") + "\r\n", "old", Damaged},
        {"damaged hash beside mpass", "|||mhash|||pbkdf2-sha256$1$00$00\r\n" + readable, "old",
         Damaged},
        {"foreign hash", "|||mhash|||" + std::string(kForeignMasterHashLowCount) + "\r\n",
         "REX2024", Yes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        crypto.roundCap = c.ps.find("f4bf0a55") != std::string::npos ? 0 : 50;
        files.files.clear();
        if (c.ps != "-") {
            files["ps"] = c.ps;
        }
        switch (c.answer) {
        case Yes:
        case No:
            EXPECT_EQ(Master(c.entry), c.answer == Yes);
            EXPECT_TRUE(HasMasterPassword(files, regional));
            break;
        case None:
            EXPECT_THROW(Master(c.entry), NoMasterPassword);
            EXPECT_FALSE(HasMasterPassword(files, regional));
            break;
        case Damaged:
            EXPECT_THROW(Master(c.entry), DamagedPasswordHash);
            // A damaged password is still one: it must not let a first password be set.
            EXPECT_TRUE(HasMasterPassword(files, regional));
            break;
        }
    }
}

TEST_F(StoredPasswordsTest, ChildPasswordsCountLetterCase) {
    files["Ann"] = "|||daily|||60\r\n|||pwhash|||" + HashOf("Kitty") + "\r\n";
    files["Bob"] = "|||pw|||" + Readable("Dog") + "\r\n";
    files["Cy"] = "|||daily|||30\r\n";
    EXPECT_TRUE(ChildPasswordMatches(files, regional, crypto, "Ann", "Kitty"));
    EXPECT_FALSE(ChildPasswordMatches(files, regional, crypto, "Ann", "kitty"));
    EXPECT_TRUE(ChildPasswordMatches(files, regional, crypto, "Bob", "Dog"));
    EXPECT_FALSE(ChildPasswordMatches(files, regional, crypto, "Bob", "dog"));
    EXPECT_TRUE(ChildPasswordMatches(files, regional, crypto, "Cy", "anything")); // none set
    files["Cy"] = "|||pwhash|||sha256$x\r\n";
    EXPECT_THROW(ChildPasswordMatches(files, regional, crypto, "Cy", ""), DamagedPasswordHash);
}

TEST_F(StoredPasswordsTest, StoringReplacesTheReadableFormAndKeepsTheRest) {
    files["ps"] = "|||MPASS|||" + Readable("old") + "\r\n|||mhint|||the dog\r\n|||mpass|||x\r\n";
    StoreMasterPassword(files, regional, crypto, "New One");
    const std::string ps = files["ps"];
    EXPECT_EQ(ps.find("mpass"), std::string::npos);
    EXPECT_EQ(ps.find("MPASS"), std::string::npos);
    EXPECT_EQ(ps.rfind("|||mhint|||the dog\r\n|||mhash|||pbkdf2-sha256$600000$", 0), 0u);
    EXPECT_TRUE(Master("new one"));
    EXPECT_EQ(ReadRecord(files, "mhint", "ps"), "the dog");

    StoreChildPassword(files, regional, crypto, "Ann", "Kitty");
    StoreChildPassword(files, regional, crypto, "Ann", "Puppy"); // one hash, the latest
    EXPECT_TRUE(ChildPasswordMatches(files, regional, crypto, "Ann", "Puppy"));
    EXPECT_FALSE(ChildPasswordMatches(files, regional, crypto, "Ann", "Kitty"));
    EXPECT_EQ(files["Ann"].find("pwhash"), files["Ann"].rfind("pwhash"));
}

// An installation of the older kind, converted with a failure injected at every file operation
// in turn: whatever stops the conversion, every password still opens what it opened (in one
// form or the other), nothing else changes, and a run without failures finishes the job. No
// readable password is left then, and a further run changes nothing.
TEST_F(StoredPasswordsTest, ConversionKeepsEveryPasswordWhereverItStops) {
    const std::map<std::string, std::string> before = {
        {files.PathOf("ps"), "|||mhint|||dog\r\n|||mpass|||" + Readable("Rex2024") + "\r\n"},
        {files.PathOf("engine"), "|||children|||Ann/Bob/Cy/Dee\r\n"},
        {files.PathOf("Ann"), "|||daily|||60\r\n|||pw|||" + Readable("Kitty") + "\r\n"},
        {files.PathOf("Bob"), "|||pw|||" +
                                  Readable("b\xE9"
                                           "b\xE9") +
                                  "\r\n|||open|||7\r\n"},
        {files.PathOf("Cy"), "|||daily|||30\r\n"},             // no password
        {files.PathOf("Dee"), "|||pw|||\r\n|||daily|||5\r\n"}, // an empty one: none
        {files.PathOf("Ann12-8-2025"), "|||used|||100\r\n"},   // not a child's record
    };
    const auto expectPasswordsKept = [&] {
        EXPECT_TRUE(Master("rex2024"));
        EXPECT_TRUE(Master("REX2024"));
        EXPECT_FALSE(Master(""));
        EXPECT_TRUE(ChildPasswordMatches(files, regional, crypto, "Ann", "Kitty"));
        EXPECT_FALSE(ChildPasswordMatches(files, regional, crypto, "Ann", "kitty"));
        EXPECT_TRUE(ChildPasswordMatches(files, regional, crypto, "Bob",
                                         "b\xE9"
                                         "b\xE9"));
        EXPECT_TRUE(ChildPasswordMatches(files, regional, crypto, "Cy", "x"));
        EXPECT_TRUE(ChildPasswordMatches(files, regional, crypto, "Dee", "x"));
        EXPECT_EQ(ReadRecord(files, "mhint", "ps"), "dog");
        EXPECT_EQ(ReadRecord(files, "open", "Bob"), "7");
        EXPECT_EQ(files.files[files.PathOf("Ann12-8-2025")], "|||used|||100\r\n");
    };
    for (int failAt = 0;; ++failAt) {
        SCOPED_TRACE("failure at operation " + std::to_string(failAt));
        files.files = before;
        int operations = 0;
        files.beforeOp = [&](MemoryFiles::Op, const std::string&) {
            if (operations++ == failAt) {
                throw FileError("injected");
            }
        };
        const auto problems = ConvertReadablePasswords(files, regional, crypto);
        files.beforeOp = nullptr;
        expectPasswordsKept();
        if (problems.empty()) {
            EXPECT_GT(failAt, 0); // the failure fell past the end: every operation was tried
            break;
        }
        EXPECT_TRUE(ConvertReadablePasswords(files, regional, crypto).empty());
        for (const auto& [path, text] : files.files) {
            EXPECT_EQ(text.find("|||pw|||"), std::string::npos) << path;
            EXPECT_EQ(text.find("|||mpass|||"), std::string::npos) << path;
        }
        expectPasswordsKept();
        const auto converted = files.files;
        EXPECT_TRUE(ConvertReadablePasswords(files, regional, crypto).empty());
        EXPECT_EQ(files.files, converted);
    }
    EXPECT_EQ(files.files[files.PathOf("Dee")], "|||daily|||5\r\n");
    EXPECT_EQ(files.files[files.PathOf("Cy")], "|||daily|||30\r\n");
}

TEST_F(StoredPasswordsTest, ConversionLeavesWhatItCannotConvert) {
    const std::string undecodable = "|||pw|||\xFF\r\n";
    const std::string hash = "|||mhash|||" + HashOf("rex") + "\r\n";
    files["ps"] = hash + "|||mpass|||" + Readable("other") + "\r\n";
    files["engine"] = "|||children|||Ann/a\\b/Bob\r\n";
    files["Ann"] = undecodable;
    files["Bob"] = "|||pw|||" + Readable("Dog") + "\r\n";
    const auto problems = ConvertReadablePasswords(files, regional, crypto);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_NE(problems[0].find("record Ann"), std::string::npos);
    EXPECT_NE(problems[1].find("record a\\b"), std::string::npos);
    EXPECT_EQ(files["Ann"], undecodable);
    // The hash beside a readable password is the one that counts; the readable one goes.
    EXPECT_EQ(files["ps"], hash);
    EXPECT_TRUE(ChildPasswordMatches(files, regional, crypto, "Bob", "Dog"));
    EXPECT_NE(files["Bob"].find("|||pwhash|||"), std::string::npos);
}

} // namespace
} // namespace tembrel

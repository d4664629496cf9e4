#include "guard/GuardSettings.h"

#include <gtest/gtest.h>

#include <set>

#include "guard/tests/FakeGuardPorts.h"
#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeRegional.h"
#include "platform/fakes/MemoryFiles.h"
#include "platform/fakes/SoftCrypto.h"
#include "records/FileHandle.h"
#include "records/StoredPasswords.h"

namespace tembrel::guard::test {
namespace {

using Status = Reply::Status;

struct RecordingSecurity : FileSecurity {
    std::set<std::string> protectedPaths;
    bool fail = false;
    void Protect(const std::string& path) override {
        if (fail) {
            throw TembrelError("access denied");
        }
        protectedPaths.insert(path);
    }
};

struct SettingsFixture : GuardFixture {
    MemoryFiles files;
    FakeRegional regional;
    FakeClock wallClock;
    SoftCrypto crypto;
    RecordingSecurity security;
    GuardRequests requests{core,
                           [this](const std::string& entry) {
                               return MasterPasswordMatches(files, regional, crypto, entry);
                           },
                           log};
    GuardSettings settings{{files, regional, wallClock, security, log, "C:\\Tembrel\\Guard"}};

    SettingsFixture() {
        crypto.roundCap = 50;
        settings.AddTo(requests);
        wallClock.now = {2026, 12, 10, 9, 0, 0, 0}; // a Thursday
        Put("engine", MergeRecords("", {{"children", "Ann/Bo"}}));
        ChildLimits ann;
        for (int day = 0; day < kDaysInWeek; ++day) {
            ann.days[static_cast<std::size_t>(day)] = {60, 8 + day, 20};
        }
        Put("Ann", MergeRecords("", LimitRecords(ann, 0))); // Monday's hours as today's
    }
    std::string Path(const std::string& name) const { return RecordPath(files, regional, name); }
    void Put(const std::string& name, const std::string& text) { files.files[Path(name)] = text; }
    std::string Text(const std::string& name) {
        const auto file = files.files.find(Path(name));
        return file == files.files.end() ? "" : file->second;
    }
    Reply Ask(const Request& request) {
        return ParseReply(requests.Handle(FormatRequest(request), 1));
    }
    static Request Set(const std::string& file, std::optional<std::string> password,
                       const RecordValues& values) {
        Request request{kSettingsVerb, {{kFileField, file}}, FormatSettingsBody(values)};
        if (password) {
            request.fields[kPasswordField] = *password;
        }
        return request;
    }
};

TEST(GuardSettings, WritesOnlyWithTheMasterPasswordOrAFirstOne) {
    enum class Stored { Rex, None, Damaged };
    struct Case {
        const char* what;
        Stored stored;
        Request request;
        Status status;
    };
    const RecordValues first{{"mhash", "pbkdf2-sha256$x"}, {"mpass", ""}, {"mhint", "dog"}};
    const Case cases[] = {
        {"right password, any letter case", Stored::Rex,
         SettingsFixture::Set("Ann", "REX", {{"weekly", "300"}}), Status::Ok},
        {"wrong password", Stored::Rex, SettingsFixture::Set("Ann", "Rex!", {{"weekly", "300"}}),
         Status::Refused},
        {"no password", Stored::Rex, SettingsFixture::Set("ps", std::nullopt, first),
         Status::Refused},
        {"a first one while none is stored", Stored::None,
         SettingsFixture::Set("ps", std::nullopt, first), Status::Ok},
        {"only a first one", Stored::None,
         SettingsFixture::Set("engine", "", {{"children", "Eve"}}), Status::Refused},
        {"a first one holds a hash", Stored::None,
         SettingsFixture::Set("ps", "", {{"mhint", "dog"}}), Status::Refused},
        {"a first one and nothing else", Stored::None,
         SettingsFixture::Set("ps", "", {{"mhash", "h"}, {"daily", "900"}}), Status::Refused},
        {"a damaged hash counts as a password", Stored::Damaged,
         SettingsFixture::Set("ps", "", first), Status::Refused},
        {"a settings name only: the hand-over", Stored::Rex,
         SettingsFixture::Set("allow", "Rex", {{"allow", "9999"}}), Status::Refused},
        {"the quit signal", Stored::Rex, SettingsFixture::Set("en", "Rex", {{"EN", "End"}}),
         Status::Refused},
        {"a daily usage file", Stored::Rex,
         SettingsFixture::Set("Ann20261210", "Rex", {{"used", "0"}}), Status::Refused},
        {"a dated usage file", Stored::Rex,
         SettingsFixture::Set("20261210-Ann", "Rex", {{"USED", "0"}}), Status::Refused},
        {"a path", Stored::Rex, SettingsFixture::Set("..\\Ann", "Rex", {{"daily", "900"}}),
         Status::Refused},
        {"a device", Stored::Rex, SettingsFixture::Set("CON", "Rex", {{"daily", "900"}}),
         Status::Refused},
        {"no file",
         Stored::Rex,
         {kSettingsVerb, {{kPasswordField, "Rex"}}, "daily: 9\n"},
         Status::Refused},
        {"a body of no settings",
         Stored::Rex,
         {kSettingsVerb, {{kPasswordField, "Rex"}, {kFileField, "Ann"}}, "daily=9\n"},
         Status::Error},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SettingsFixture guard;
        if (c.stored == Stored::Rex) {
            StoreMasterPassword(guard.files, guard.regional, guard.crypto, "Rex");
        } else if (c.stored == Stored::Damaged) {
            guard.Put("ps", MergeRecords("", {{"mhash", "pbkdf2-sha256$5$00$00"}}));
        }
        const std::map<std::string, std::string> before = guard.files.files;
        EXPECT_EQ(guard.Ask(c.request).status, c.status);
        if (c.status == Status::Ok) {
            const std::string name = c.request.fields.at(kFileField);
            const auto values = *ParseSettingsBody(c.request.body);
            for (const auto& [key, value] : values) {
                EXPECT_EQ(ReadRecord(guard.files, key, name).value_or(""), value) << key;
            }
            EXPECT_EQ(guard.security.protectedPaths.count(guard.Path(name)), 1U);
        } else {
            EXPECT_EQ(guard.files.files, before);
        }
    }
}

TEST(GuardSettings, ALoginGetsTodaysHoursFromTheRecordNotFromTheRequest) {
    SettingsFixture guard;
    // Thursday: the record's Thursday window, 11-20, whatever the request says.
    const Reply reply = guard.Ask({kTodayVerb, {{kChildField, "Ann"}}, "open: 0\nclose: 24\n"});
    EXPECT_EQ(reply.status, Status::Ok) << reply.message;
    EXPECT_EQ(ReadRecord(guard.files, "open", "Ann"), "11");
    EXPECT_EQ(ReadRecord(guard.files, "close", "Ann"), "20");
    EXPECT_EQ(ReadRecord(guard.files, "minutes", "Ann"), "60 60 60 60 60 60 60");

    for (const char* child : {"Eve", "ps", "engine", "allow", ""}) {
        SCOPED_TRACE(child);
        const std::map<std::string, std::string> before = guard.files.files;
        EXPECT_EQ(guard.Ask({kTodayVerb, {{kChildField, child}}, ""}).status, Status::Refused);
        EXPECT_EQ(guard.files.files, before);
    }
    // Bo is listed but has no limits on record: nothing is guessed.
    EXPECT_EQ(guard.Ask({kTodayVerb, {{kChildField, "Bo"}}, ""}).status, Status::Error);
}

TEST(GuardSettings, AFileThatCannotBeProtectedDoesNotTakeTheOldOnesPlace) {
    SettingsFixture guard;
    const std::string before = guard.Text("Ann");
    guard.security.fail = true;
    EXPECT_THROW(guard.settings.Write("Ann", {{"weekly", "300"}}), TembrelError);
    EXPECT_EQ(guard.Text("Ann"), before);
    EXPECT_EQ(guard.files.files.size(), 2U); // no leftover beside it
    // The new file is made where no child may write, and given its list there.
    guard.security.fail = false;
    guard.settings.Write("Ann", {{"weekly", "300"}});
    EXPECT_EQ(guard.security.protectedPaths.size(), 2U);
    EXPECT_EQ(guard.security.protectedPaths.count(guard.Path("Ann")), 1U);
    EXPECT_EQ(guard.security.protectedPaths.rbegin()->rfind("C:\\Tembrel\\Guard\\Ann.var.", 0), 0U);
}

TEST(GuardSettings, AtItsStartTheGuardTakesTheSettingsFilesAndMakesTheMissingOnes) {
    SettingsFixture guard;
    guard.Put("Ann20261210", "used=60\r\n");
    EXPECT_TRUE(guard.settings.ProtectAll().empty());
    for (const char* name : {"ps", "engine", "Ann"}) {
        EXPECT_EQ(guard.security.protectedPaths.count(guard.Path(name)), 1U) << name;
    }
    EXPECT_EQ(guard.security.protectedPaths.count(guard.Path("Ann20261210")), 0U);
    EXPECT_TRUE(guard.files.IsPlainFile(guard.Path("ps"))); // no child can make it first
    EXPECT_FALSE(HasMasterPassword(guard.files, guard.regional));
    EXPECT_EQ(ReadRecord(guard.files, "children", "engine"), "Ann/Bo");
}

} // namespace
} // namespace tembrel::guard::test

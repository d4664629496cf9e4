// User names come from allow.var, which another program writes. Whatever it holds, the session
// touches no file but plain files directly in the program's folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeRegional.h"
#include "platform/fakes/MemoryFiles.h"
#include "platform/fakes/RecordingPorts.h"
#include "records/FileHandle.h"
#include "session/DiagnosticLog.h"
#include "session/Horodesk.h"
#include "session/tests/FakeSession.h"

namespace tembrel {
namespace {

// Remembers every path the program asks about, looks at or writes.
class WatchedFiles : public MemoryFiles {
  public:
    mutable std::vector<std::string> touched;
    bool IsPlainFile(const std::string& path) const override {
        touched.push_back(path);
        return MemoryFiles::IsPlainFile(path);
    }
    std::string TempPathFor(const std::string& path) override {
        touched.push_back(path);
        return MemoryFiles::TempPathFor(path);
    }
};

bool EqualsNoCase(std::string a, std::string b) {
    for (std::string* s : {&a, &b}) {
        for (char& c : *s) {
            c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        }
    }
    return a == b;
}

// A name Windows takes as a file of the folder it is given with, and as nothing else.
bool IsPlainFileName(const std::string& name) {
    if (name.empty() || name.size() > 255 || name.back() == '.' || name.back() == ' ') {
        return false;
    }
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 ||
            std::string("\\/:*?\"<>|").find(c) != std::string::npos) {
            return false;
        }
    }
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') {
        base.pop_back();
    }
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
        if (EqualsNoCase(base, device)) {
            return false;
        }
    }
    const bool port = base.size() == 4 && (EqualsNoCase(base.substr(0, 3), "COM") ||
                                           EqualsNoCase(base.substr(0, 3), "LPT"));
    return !port || std::string("0123456789\xB9\xB2\xB3").find(base[3]) == std::string::npos;
}

class HostileNames : public ::testing::Test, protected FakeSession<WatchedFiles> {
  protected:
    // Hands over a three-second session for `user` and ticks until it could have closed.
    void Session(const std::string& user) {
        HandOver("3", user);
        for (int i = 0; i < 4; ++i) {
            session.Timer1Tick();
            clock.Advance(1);
        }
    }

    void ExpectOnlyPlainFilesOfTheFolder(const std::string& user) {
        for (const std::string& path : files.touched) {
            const std::string prefix = files.folder + "\\";
            ASSERT_EQ(path.rfind(prefix, 0), 0u) << path;
            const std::string name = path.substr(prefix.size());
            EXPECT_TRUE(IsPlainFileName(name)) << "user \"" << user << "\" reached " << path;
        }
        for (const auto& [path, bytes] : files.files) {
            EXPECT_EQ(path.rfind(files.folder + "\\", 0), 0u) << path;
            EXPECT_TRUE(IsPlainFileName(path.substr(files.folder.size() + 1))) << path;
        }
    }
};

TEST_F(HostileNames, AreRefusedBeforeAnyFileIsNamedAfterThem) {
    const std::string names[] = {"..\\x",
                                 "C:\\x",
                                 "C:x",
                                 "a/b",
                                 "/etc/x",
                                 "\\\\server\\share\\x",
                                 "x:stream",
                                 "CON",
                                 "con",
                                 "con.txt",
                                 "NUL",
                                 "Nul.var",
                                 "AUX",
                                 "PRN",
                                 "COM1",
                                 "com9.log",
                                 "LPT1",
                                 "lpt1.x.y",
                                 "COM1 ",
                                 "CONOUT$",
                                 "COM\xB9",
                                 "NUL. .",
                                 "a\tb",
                                 "a\nb",
                                 std::string("\x01"),
                                 std::string(1, '\x7F'),
                                 "a?",
                                 "a*",
                                 "a<b",
                                 "a>b",
                                 "a\"b",
                                 "Ann|||allow|||9",
                                 std::string(300, 'a'),
                                 std::string(250, 'b'),
                                 std::string(200, 'c')};
    for (const std::string& user : names) {
        files.files.clear();
        files.touched.clear();
        lock.calls.clear();
        Session(user);
        EXPECT_FALSE(session.SessionRunning()) << user;
        EXPECT_EQ(session.cUser(), "") << user;
        EXPECT_FALSE(files.Has("allow")) << user; // dropped, so it is not refused every second
        EXPECT_FALSE(lock.calls.empty()) << user; // and the lock screen comes back
        ExpectOnlyPlainFilesOfTheFolder(user);
        // Nothing but the diagnostic log was written.
        EXPECT_EQ(files.files.size(), 1u) << user;
        EXPECT_NE(files.files.begin()->first.find("Tembrel.log"), std::string::npos) << user;
    }
}

TEST_F(HostileNames, OddButPlainNamesGetTheirSessionInTheFolder) {
    // Letter case alone makes no other user on Windows: "ann" and "ANN" share Ann's files there.
    const std::string names[] = {"Ann", "ann", "ANN", "a..b", ".hidden", "COM10", "CONSOLE",
                                 "Z\xE9lie", "x y", "lpt",
                                 // ".var" follows, so these are "Tom Jr..var", "Anna .var", ...
                                 "Tom Jr.", "Anna ", "..", ".", " NUL", std::string(120, 'd')};
    for (const std::string& user : names) {
        files.touched.clear();
        Session(user);
        EXPECT_FALSE(session.SessionRunning()) << user;
        ExpectOnlyPlainFilesOfTheFolder(user);
        EXPECT_EQ(ReadRecord(files, "used", user + "12-8-2025"), "3") << user;
    }
}

} // namespace
} // namespace tembrel

// The session's logic on real files under Wine: a second process writing the same folder while
// the tick runs, and user names that try to reach outside the program's folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeRegional.h"
#include "platform/fakes/RecordingPorts.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"
#include "platform/win32/tests/FolderFiles.h"
#include "platform/win32/tests/TempFolder.h"
#include "records/FileHandle.h"
#include "session/DiagnosticLog.h"
#include "session/Horodesk.h"

namespace tembrel {
namespace {

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW entry{};
    UniqueFind search(::FindFirstFileW((AnsiToWide(folder) + L"\\*").c_str(), &entry));
    if (search) {
        do {
            const std::string name = WideToAnsi(entry.cFileName);
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        } while (::FindNextFileW(search.Get(), &entry));
    }
    return names;
}

std::string BesideThisProgram(const std::string& name) {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::string self = WideToAnsi(std::wstring(path, length));
    return self.substr(0, self.find_last_of('\\') + 1) + name;
}

// Every line a CR LF-terminated "|||key|||value" record: what the store writes, whole.
bool IsWholeRecordFile(const std::string& text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos || text.compare(pos, 3, "|||") != 0 ||
            text.find("|||", pos + 3) >= end) {
            return false;
        }
        pos = end + 2;
    }
    return !text.empty();
}

class OnDisk : public ::testing::Test {
  protected:
    TempFolder temp;
    std::string folder = temp / "program";
    FolderFiles files{folder};
    FakeClock clock;
    DiagnosticLog log{files, clock}; // in the folder, stamped by the test's clock
    FakeRegional regional;
    RecordingDesktopLock lock;
    RecordingProgramEnd programEnd;
    Horodesk session{SessionPorts{files, clock, regional, lock, programEnd, log}};

    OnDisk() {
        ::CreateDirectoryW(AnsiToWide(folder).c_str(), nullptr);
        clock.now = LocalTime{2025, 12, 8, 10, 0, 0};
    }
    void Tick() {
        session.Timer1Tick();
        clock.Advance(1);
    }
};

TEST_F(OnDisk, AStandInLockScreenWritingAllTheTimeLosesAndRepeatsNoHandOver) {
    const std::string writer = BesideThisProgram("stand_in_writer.exe");
    std::wstring commandLine = AnsiToWide("\"" + writer + "\" \"" + folder + "\" 60 20");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(::CreateProcessW(AnsiToWide(writer).c_str(), commandLine.data(), nullptr, nullptr,
                                 FALSE, 0, nullptr, nullptr, &startup, &info))
        << writer;
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);

    // Every hand-over has its own allowance, so a new StartAllowance is a pick-up. A hand-over
    // picked up twice shows as its count starting again: going up, or coming back after its close.
    std::vector<std::string> starts;
    std::string lastStart, lastCount;
    bool counted = false; // the session of lastStart has counted
    const auto observe = [&] {
        const std::string count = session.BigCount();
        if (session.StartAllowance() != lastStart) {
            starts.push_back(session.StartAllowance());
            counted = false;
        } else if (!count.empty() && counted &&
                   (lastCount.empty() || std::stoll(count) > std::stoll(lastCount))) {
            starts.push_back(session.StartAllowance());
        }
        counted = counted || !count.empty();
        lastStart = session.StartAllowance();
        lastCount = count;
    };
    const ULONGLONG giveUp = ::GetTickCount64() + 60000;
    long long ticks = 0;
    while (::GetTickCount64() < giveUp) {
        Tick();
        observe();
        ++ticks;
        if (::WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0 &&
            !RecordFileExists(files, folder + "\\allow.var")) {
            break;
        }
    }
    DWORD exitCode = 1;
    ASSERT_EQ(::WaitForSingleObject(process.Get(), 0), WAIT_OBJECT_0) << "writer still running";
    ::GetExitCodeProcess(process.Get(), &exitCode);
    EXPECT_EQ(exitCode, 0u);

    const auto written = ReadRecord(files, "handovers", "writer");
    ASSERT_TRUE(written);
    const int handOvers = std::stoi(*written);
    EXPECT_GE(handOvers, 10) << "the writer had too little time to prove anything";
    std::vector<std::string> expected;
    for (int i = 0; i < handOvers; ++i) {
        expected.push_back(std::to_string(3 + i));
    }
    std::string seen;
    for (const std::string& start : starts) {
        seen += start + " ";
    }
    EXPECT_EQ(starts, expected) << seen;
    EXPECT_EQ(programEnd.ended, 0); // "end" and "None" are no quit signal

    for (const std::string& name : FolderEntries(folder)) {
        const std::string path = folder + "\\" + name;
        // The log, and the journal of the session still counting down, are the program's own.
        if (name == "Tembrel.log" || name == Horodesk::kJournalFile) {
            continue;
        }
        ASSERT_EQ(name.substr(name.size() - 4), ".var") << "left behind: " << name;
        EXPECT_TRUE(IsWholeRecordFile(ReadFileDirect(path))) << name;
    }
    // Every session's use went to its day and its week alike.
    for (const char* user : {"Ann", "Bob"}) {
        EXPECT_EQ(ReadRecord(files, "used", std::string(user) + "12-8-2025"),
                  ReadRecord(files, "weektotal", std::string("50") + user + "2025"))
            << user;
    }
    const std::string logText = ExistsDirect(folder + "\\Tembrel.log")
                                    ? ReadFileDirect(folder + "\\Tembrel.log")
                                    : std::string();
    std::printf("%lld ticks; writer: %d hand-overs, %s rounds of writes, %s failed; log: %s\n",
                ticks, handOvers, ReadRecord(files, "rounds", "writer").value_or("?").c_str(),
                ReadRecord(files, "failures", "writer").value_or("?").c_str(), logText.c_str());
}

TEST_F(OnDisk, HostileUserNamesReachNoFileOutsideTheFolder) {
    // ".." and "Ann." name the plain files "...var" and "Ann..var": they are no way out.
    const std::string names[] = {"..\\outside",
                                 "C:\\outside",
                                 "a/b",
                                 "..\\..\\outside",
                                 "CON",
                                 "nul.txt",
                                 "COM1",
                                 "LPT1.var",
                                 "a\tb",
                                 std::string(300, 'x'),
                                 std::string(200, 'y')};
    for (const std::string& user : names) {
        WriteFileDirect(folder + "\\allow.var", "|||allow|||3\r\n|||user|||" + user + "\r\n");
        for (int i = 0; i < 4; ++i) {
            Tick();
        }
        EXPECT_FALSE(session.SessionRunning()) << user;
        EXPECT_FALSE(ExistsDirect(folder + "\\allow.var")) << user;
    }
    EXPECT_EQ(FolderEntries(temp.Path()), std::vector<std::string>{"program"});
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"Tembrel.log"});
    EXPECT_FALSE(ExistsDirect("C:\\outside.var"));

    // Names that differ in letter case alone are one user to Windows: their use adds up.
    for (const char* user : {"Ann", "ann", "ANN"}) {
        WriteFileDirect(folder + "\\allow.var",
                        "|||allow|||3\r\n|||user|||" + std::string(user) + "\r\n");
        for (int i = 0; i < 3; ++i) {
            Tick();
        }
    }
    EXPECT_EQ(ReadRecord(files, "used", "Ann12-8-2025"), "9");
    EXPECT_EQ(ReadRecord(files, "weektotal", "50Ann2025"), "9");
    // The log, the three usage files and the reason the last session ended, for the lock screen.
    EXPECT_EQ(FolderEntries(folder).size(), 5u);
}

} // namespace
} // namespace tembrel

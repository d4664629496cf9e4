// Tembrel.exe as a parent installs it: in a folder of its own with our desktop-lock library and a
// lock screen that hands over one 5-second session. Runs in real time under Wine, so every wait
// polls for its result with a generous deadline.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Regional.h"
#include "standins/engine/EngineControls.h"
#include "windows/BonusTimeWindow.h"
#include "windows/MPasswordWindow.h"
#include "windows/tests/EndToEnd.h"

namespace tembrel {
namespace {

std::vector<std::string> UsageFiles(const TempFolder& folder) {
    return FilesIn(folder, "*Ann*.var");
}

// The whole number after "|||key|||" in the text, or -1.
long long Value(const std::string& text, const std::string& key) {
    const std::string pattern = "|||" + key + "|||";
    const std::size_t at = text.find(pattern);
    return at == std::string::npos ? -1 : std::atoll(text.c_str() + at + pattern.size());
}

// The seconds each usage file of Ann holds (-1: none readable), by file name.
std::map<std::string, long long> UseOf(const TempFolder& folder) {
    std::map<std::string, long long> use;
    for (const std::string& name : UsageFiles(folder)) {
        const std::string text = ReadIfThere(folder / name);
        use[name] = std::max({Value(text, "used"), Value(text, "USED"), Value(text, "weektotal")});
    }
    return use;
}

bool AllHold(const TempFolder& folder, long long seconds) {
    const auto use = UseOf(folder);
    return use.size() == 3 && std::all_of(use.begin(), use.end(), [&](const auto& entry) {
               return entry.second == seconds;
           });
}

// A "name=value" line of the session's journal: the whole number, or -1.
long long JournalValue(const TempFolder& folder, const std::string& name) {
    const std::string journal = ReadIfThere(folder / "Tembrel.journal");
    const std::size_t at = journal.find("\n" + name + "=");
    return at == std::string::npos ? -1 : std::atoll(journal.c_str() + at + name.size() + 2);
}

bool SessionInJournal(const TempFolder& folder) {
    return ReadIfThere(folder / "Tembrel.journal").find("\nuser=Ann\r\n") != std::string::npos;
}

// How often the lock screen was launched, by the desktop-lock library's log of calls.
std::size_t Launches(const std::string& calls) {
    const auto lines = Lines(ReadIfThere(calls));
    return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [](const auto& line) {
        return line.rfind("Process_Desktop(", 0) == 0;
    }));
}

// Tembrel.exe installed in a folder of its own. With `handOver` false the lock screen hands
// nothing over: the test writes allow.var itself.
struct Installed {
    TempFolder folder;
    std::string calls = folder / "calls.txt";
    Process tembrel;
    explicit Installed(bool handOver) {
        std::string failed;
        EXPECT_TRUE(InstallProgram(folder, failed)) << failed;
        if (!handOver) {
            WriteFileDirect(folder / "handed-over.txt", "yes");
        }
    }
    // Started, its session window up.
    bool Start() {
        SetEnvironmentVariableA("TEMBREL_WINLOCK_LOG", calls.c_str());
        const bool started = tembrel.Start(folder / "Tembrel.exe", folder.Path());
        SetEnvironmentVariableA("TEMBREL_WINLOCK_LOG", nullptr);
        return started &&
               WaitFor([&] { return SessionWindowOf(tembrel.info.dwProcessId) != nullptr; },
                       std::chrono::seconds(30));
    }
    bool HandOver(const std::string& text) {
        WriteFileDirect(folder / "allow.var", text);
        return WaitFor([&] { return SessionInJournal(folder); }, std::chrono::seconds(30));
    }
    bool Quit() {
        WriteFileDirect(folder / "EN.var", "|||EN|||End\r\n");
        return tembrel.Ended(30000);
    }
};

TEST(EndToEndTest, OneSessionFromLockDownToQuit) {
    TempFolder folder;
    std::string failed;
    ASSERT_TRUE(InstallProgram(folder, failed)) << failed;
    const std::string calls = folder / "calls.txt";
    SetEnvironmentVariableA("TEMBREL_WINLOCK_LOG", calls.c_str());

    Process tembrel;
    ASSERT_TRUE(tembrel.Start(folder / "Tembrel.exe", folder.Path()));
    HWND session = nullptr;
    ASSERT_TRUE(
        WaitFor([&] { return (session = SessionWindowOf(tembrel.info.dwProcessId)) != nullptr; },
                std::chrono::seconds(30)));
    ASSERT_TRUE(
        WaitFor([&] { return Lines(ReadIfThere(calls)).size() >= 3; }, std::chrono::seconds(10)));
    const std::vector<std::string> start = Lines(ReadIfThere(calls));
    EXPECT_EQ(start[0], "TaskManager_Enable_Disable(0)");
    EXPECT_EQ(start[1], "CtrlAltDel_Enable_Disable(0)");
    EXPECT_EQ(start[2], "Process_Desktop(SecureDesktop," + (folder / "engine.exe") + ")");

    // A second start leaves at once and brings the first one's window back.
    ShowWindow(session, SW_MINIMIZE);
    Process second;
    ASSERT_TRUE(second.Start(folder / "Tembrel.exe", folder.Path()));
    EXPECT_TRUE(second.Ended(20000));
    EXPECT_TRUE(WaitFor([&] { return !IsIconic(session); }, std::chrono::seconds(5)));

    // The hand-over is counted down and closed; its five seconds are recorded three times over.
    ASSERT_TRUE(WaitFor([&] { return UsageFiles(folder).size() == 3; }, std::chrono::seconds(30)));
    ASSERT_TRUE(WaitFor(
        [&] {
            for (const std::string& name : UsageFiles(folder)) {
                if (ReadIfThere(folder / name).find("|||5\r\n") == std::string::npos) {
                    return false;
                }
            }
            return true;
        },
        std::chrono::seconds(10)));
    EXPECT_FALSE(ExistsDirect(folder / "allow.var"));
    // The close's row in the history, and the page drawn from it, beside the records.
    EXPECT_TRUE(WaitFor(
        [&] {
            return ReadIfThere(folder / "Tembrel usage.csv").find(",\"Ann\",5,0,time up\r\n") !=
                   std::string::npos;
        },
        std::chrono::seconds(10)));
    EXPECT_TRUE(WaitFor(
        [&] {
            return ReadIfThere(folder / "Tembrel usage.html").find("<h2>Ann</h2>") !=
                   std::string::npos;
        },
        std::chrono::seconds(10)));

    // The close box changes nothing.
    PostMessageW(session, WM_CLOSE, 0, 0);
    PostMessageW(session, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(tembrel.Ended(1500));
    EXPECT_TRUE(IsWindow(session));

    // The quit signal ends it and is answered with "None".
    WriteFileDirect(folder / "EN.var", "|||EN|||End\r\n");
    EXPECT_TRUE(tembrel.Ended(20000));
    EXPECT_EQ(ReadFileDirect(folder / "EN.var"), "|||EN|||None\r\n");
    SetEnvironmentVariableA("TEMBREL_WINLOCK_LOG", nullptr);
}

void Click(HWND window, int id) {
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}
void Type(HWND window, int id, const wchar_t* text) {
    SendMessageW(GetDlgItem(window, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

// The master password a parent chooses on our lock screen opens Tembrel's gate, in any letter
// case: both programs keep and check it the same way, by its hash alone.
TEST(EndToEndTest, TheMasterPasswordChosenOnTheLockScreenOpensTheGate) {
    Installed run(false);
    const std::string lockScreen = run.folder / "LockScreen.exe";
    ASSERT_TRUE(CopyFileA(BesideThisTest("engine.exe").c_str(), lockScreen.c_str(), FALSE));
    {
        Process engine;
        ASSERT_TRUE(engine.Start(lockScreen, run.folder.Path()));
        HWND screen = nullptr;
        ASSERT_TRUE(WaitFor(
            [&] {
                return (screen = TopWindowOf(engine.info.dwProcessId, engine::kClassName)) !=
                       nullptr;
            },
            std::chrono::seconds(30)));
        Click(screen, engine::kParents); // none set yet: straight to choosing one
        Type(screen, engine::kNewMaster, L"Rex2024");
        Type(screen, engine::kNewMasterAgain, L"Rex2024");
        Type(screen, engine::kNewHint, L"the dog and the year");
        Click(screen, engine::kSetMaster);
        ASSERT_TRUE(WaitFor(
            [&] { return ReadIfThere(run.folder / "ps.var").find("mhash") != std::string::npos; },
            std::chrono::seconds(30)));
    }
    const std::string ps = ReadIfThere(run.folder / "ps.var");
    EXPECT_NE(ps.find("|||mhash|||pbkdf2-sha256$600000$"), std::string::npos) << ps;
    EXPECT_EQ(ps.find("mpass"), std::string::npos) << ps;

    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.HandOver("|||allow|||600\r\n|||user|||Ann\r\n"));
    const DWORD id = run.tembrel.info.dwProcessId;
    Click(SessionWindowOf(id), win::HorodeskWindow::kCommand1);
    HWND gate = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] { return (gate = TopWindowOf(id, win::MPasswordWindow::kFrame.className)) != nullptr; },
        std::chrono::seconds(10)));
    Type(gate, win::MPasswordWindow::kText3, L"rEX2024");
    Click(gate, win::MPasswordWindow::kCommand3);
    EXPECT_TRUE(WaitFor(
        [&] {
            return TopWindowOf(id, win::BonusTimeWindow::kFrame.className) != nullptr &&
                   TopWindowOf(id, win::MPasswordWindow::kFrame.className) == nullptr;
        },
        std::chrono::seconds(60)));
    // The quit signal would wait for the 10-minute session: the run ends with the test instead.
}

// taskkill /F in the middle of a session: the next start records what the session used up to the
// journal's last write, before its lock screen comes up.
TEST(EndToEndTest, SessionOfAKilledProcessIsOnRecordAfterTheRestart) {
    TempFolder folder;
    std::string failed;
    ASSERT_TRUE(InstallProgram(folder, failed)) << failed;
    WriteFileDirect(folder / "handed-over.txt", "yes"); // the lock screen hands nothing over
    long long used = 0;
    {
        Process tembrel;
        ASSERT_TRUE(tembrel.Start(folder / "Tembrel.exe", folder.Path()));
        ASSERT_TRUE(WaitFor([&] { return SessionWindowOf(tembrel.info.dwProcessId) != nullptr; },
                            std::chrono::seconds(30)));
        WriteFileDirect(folder / "allow.var", "|||allow|||600\r\n|||user|||Ann\r\n");
        // The journal is written at least every ten seconds: wait for one with time used.
        ASSERT_TRUE(WaitFor(
            [&] {
                const std::string journal = ReadIfThere(folder / "Tembrel.journal");
                const std::size_t at = journal.find("remaining=");
                used = at == std::string::npos ? 0 : 600 - std::atoll(journal.c_str() + at + 10);
                return used > 0;
            },
            std::chrono::seconds(40)));
        ASSERT_TRUE(TerminateProcess(tembrel.process.Get(), 1));
        ASSERT_TRUE(tembrel.Ended(10000));
    }
    EXPECT_TRUE(UsageFiles(folder).empty());

    Process restarted;
    ASSERT_TRUE(restarted.Start(folder / "Tembrel.exe", folder.Path()));
    ASSERT_TRUE(WaitFor([&] { return UsageFiles(folder).size() == 3; }, std::chrono::seconds(30)));
    for (const std::string& name : UsageFiles(folder)) {
        const std::string text = ReadIfThere(folder / name);
        // The journal seen, or one written just before the kill.
        const long long value =
            std::max({Value(text, "used"), Value(text, "USED"), Value(text, "weektotal")});
        EXPECT_GE(value, used) << name << ": " << text;
        EXPECT_LE(value, used + 10) << name << ": " << text;
    }
    EXPECT_TRUE(WaitFor([&] { return !ExistsDirect(folder / "Tembrel.journal"); },
                        std::chrono::seconds(10)));
    WriteFileDirect(folder / "EN.var", "|||EN|||End\r\n");
    EXPECT_TRUE(restarted.Ended(20000));
}

// A folder squatting on the daily usage file: the close still brings the lock screen back, the
// other two files take the use, and the daily one gets it once the folder is gone.
TEST(EndToEndTest, FolderOnAUsageFileHoldsBackOnlyThatWrite) {
    Installed run(true);
    std::string key = Win32Regional().ShortDate(Win32Clock().Now());
    std::replace(key.begin(), key.end(), '/', '-');
    const std::string daily = "Ann" + key + ".var";
    ASSERT_TRUE(CreateDirectoryA((run.folder / daily).c_str(), nullptr));
    ASSERT_TRUE(run.Start());

    // Launched at start-up and again after the 5-second session.
    ASSERT_TRUE(WaitFor([&] { return Launches(run.calls) >= 2; }, std::chrono::seconds(60)));
    EXPECT_TRUE(WaitFor(
        [&] {
            const auto use = UseOf(run.folder);
            return use.size() == 3 && use.at(daily) == -1 &&
                   std::count_if(use.begin(), use.end(),
                                 [](const auto& entry) { return entry.second == 5; }) == 2;
        },
        std::chrono::seconds(20)));
    EXPECT_TRUE(ExistsDirect(run.folder / "Tembrel.journal")); // the write still owed

    ASSERT_TRUE(RemoveDirectoryA((run.folder / daily).c_str()));
    EXPECT_TRUE(WaitFor([&] { return AllHold(run.folder, 5); }, std::chrono::seconds(40)));
    EXPECT_TRUE(WaitFor([&] { return !ExistsDirect(run.folder / "Tembrel.journal"); },
                        std::chrono::seconds(10)));
    EXPECT_TRUE(run.Quit());
}

// A forged hand-over that cannot be deleted ends the running session, which is recorded, and
// starts none: the lock screen comes back instead.
TEST(EndToEndTest, UndeletableHandOverStartsNoSession) {
    Installed run(false);
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.HandOver("|||allow|||600\r\n|||user|||Ann\r\n"));
    const std::size_t launched = Launches(run.calls);
    // Made read-only before it appears, so it is never seen deletable.
    const std::string forged = run.folder / "forged.txt", allow = run.folder / "allow.var";
    WriteFileDirect(forged, "|||allow|||9999\r\n|||user|||Ann\r\n");
    ASSERT_TRUE(SetFileAttributesA(forged.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(MoveFileA(forged.c_str(), allow.c_str()));

    EXPECT_TRUE(WaitFor(
        [&] {
            return ReadIfThere(run.folder / "Tembrel usage.csv").find(",\"Ann\",") !=
                       std::string::npos &&
                   ReadIfThere(run.folder / "Tembrel usage.csv").find(",0,replaced\r\n") !=
                       std::string::npos;
        },
        std::chrono::seconds(30)));
    EXPECT_TRUE(WaitFor(
        [&] {
            const auto use = UseOf(run.folder);
            return use.size() == 3 && use.begin()->second > 0 &&
                   AllHold(run.folder, use.begin()->second);
        },
        std::chrono::seconds(20)));
    EXPECT_TRUE(WaitFor([&] { return Launches(run.calls) > launched; }, std::chrono::seconds(20)));
    EXPECT_TRUE(WaitFor(
        [&] {
            for (const std::string& line : Lines(ReadIfThere(run.folder / "Tembrel.log"))) {
                if (line.find("cannot delete") != std::string::npos &&
                    line.find("allow.var") != std::string::npos) {
                    return true;
                }
            }
            return false;
        },
        std::chrono::seconds(10)));
    // No session from it, however often it is polled.
    EXPECT_FALSE(WaitFor([&] { return SessionInJournal(run.folder); }, std::chrono::seconds(5)));
    EXPECT_TRUE(ExistsDirect(allow));
    SetFileAttributesA(allow.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(run.Quit());
}

// A hand-over caught before its last line is finished is not taken short: the session gets the
// whole allowance once the lock screen has written it.
TEST(EndToEndTest, TornHandOverIsTakenWhole) {
    Installed run(false);
    ASSERT_TRUE(run.Start());
    // A slow writer: the last line stays unfinished for a few polls, the file ever freshly written.
    const auto start = std::chrono::steady_clock::now();
    auto last = start;
    auto longestGap = std::chrono::steady_clock::duration::zero();
    bool takenTorn = false;
    while (last - start < std::chrono::milliseconds(2500)) {
        WriteFileDirect(run.folder / "allow.var", "|||user|||Ann\r\n|||allow|||36");
        const auto now = std::chrono::steady_clock::now();
        longestGap = std::max(longestGap, now - last);
        last = now;
        takenTorn = takenTorn || SessionInJournal(run.folder);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    WriteFileDirect(run.folder / "allow.var", "|||user|||Ann\r\n|||allow|||3600\r\n");
    longestGap = std::max(longestGap, std::chrono::steady_clock::now() - last);
    EXPECT_FALSE(takenTorn);
    if (longestGap >= std::chrono::seconds(1)) {
        // Untouched for that long, a file counts as finished by hand.
        GTEST_SKIP() << "the machine was too slow to keep the hand-over torn";
    }
    ASSERT_TRUE(WaitFor([&] { return SessionInJournal(run.folder); }, std::chrono::seconds(30)));
    EXPECT_EQ(JournalValue(run.folder, "allowance"), 3600);
    EXPECT_TRUE(UsageFiles(run.folder).empty()); // no short session closed for it
    EXPECT_TRUE(
        WaitFor([&] { return !ExistsDirect(run.folder / "allow.var"); }, std::chrono::seconds(10)));
}

// The quit signal during a session waits for its close, so that its use is on record.
TEST(EndToEndTest, QuitSignalWaitsForTheSessionToClose) {
    Installed run(false);
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.HandOver("|||allow|||20\r\n|||user|||Ann\r\n"));
    WriteFileDirect(run.folder / "EN.var", "|||EN|||End\r\n");
    // The journal of ten ticks later: the signal has been read and the session counts on.
    ASSERT_TRUE(WaitFor([&] { return JournalValue(run.folder, "remaining") == 10; },
                        std::chrono::seconds(40)));
    EXPECT_FALSE(run.tembrel.Ended());
    ASSERT_TRUE(run.tembrel.Ended(60000));
    EXPECT_TRUE(AllHold(run.folder, 20));
    EXPECT_EQ(ReadFileDirect(run.folder / "EN.var"), "|||EN|||None\r\n");
    EXPECT_FALSE(ExistsDirect(run.folder / "Tembrel.journal"));
}

} // namespace
} // namespace tembrel

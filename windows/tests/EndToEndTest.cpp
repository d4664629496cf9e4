// Tembrel.exe as a parent installs it: in a folder of its own with our desktop-lock library and a
// lock screen that hands over one 5-second session. Runs in real time under Wine, so every wait
// polls for its result with a generous deadline.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "windows/tests/EndToEnd.h"

namespace tembrel {
namespace {

std::vector<std::string> UsageFiles(const TempFolder& folder) {
    return FilesIn(folder, "*Ann*.var");
}

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

} // namespace
} // namespace tembrel

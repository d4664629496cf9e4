#include "platform/win32/WinLockLibrary.h"

#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <tlhelp32.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/Errors.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/tests/TempFolder.h"

namespace tembrel {
namespace {

constexpr const wchar_t* kSystem =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr const wchar_t* kExplorer =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

std::optional<DWORD> PolicyValue(const wchar_t* key, const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (::RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

std::string BuildFolder() {
    return Win32Files().ProgramFolder();
}

void CopyInto(const std::string& folder, const std::string& from, const std::string& name) {
    ASSERT_TRUE(::CopyFileW(AnsiToWide(BuildFolder() + "\\" + from).c_str(),
                            AnsiToWide(folder + "\\" + name).c_str(), FALSE));
}

// The probe programs this test process started that are still running.
std::vector<DWORD> RunningProbes() {
    std::vector<DWORD> found;
    UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
         more = ::Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ParentProcessID == ::GetCurrentProcessId() &&
            std::wstring(entry.szExeFile) == L"winlock_probe.exe") {
            found.push_back(entry.th32ProcessID);
        }
    }
    return found;
}

void WaitForEnd(DWORD processId) {
    UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (process) {
        ::WaitForSingleObject(process.Get(), 30000);
    }
}

// Points TEMBREL_WINLOCK_LOG at a file for the length of a test.
class LogFile {
  public:
    explicit LogFile(std::string path) : path_(std::move(path)) {
        ::SetEnvironmentVariableW(L"TEMBREL_WINLOCK_LOG", AnsiToWide(path_).c_str());
    }
    ~LogFile() { ::SetEnvironmentVariableW(L"TEMBREL_WINLOCK_LOG", nullptr); }
    std::string Text() const { return ExistsDirect(path_) ? ReadFileDirect(path_) : ""; }

  private:
    std::string path_;
};

// Every policy check in one test: the values are per user, shared by tests that run at once.
TEST(WinLockLibraryTest, LockDownSetsAndClearsThePerUserPolicies) {
    WinLockLibrary library(BuildFolder());
    std::vector<std::string> failures;
    library.OnLockDownFailure([&](const std::string& message) { failures.push_back(message); });

    library.TaskManager_Enable_Disable(0);
    EXPECT_EQ(PolicyValue(kSystem, L"DisableTaskMgr"), 1U);
    library.CtrlAltDel_Enable_Disable(0);
    EXPECT_EQ(PolicyValue(kSystem, L"DisableLockWorkstation"), 1U);
    EXPECT_EQ(PolicyValue(kSystem, L"DisableChangePassword"), 1U);
    EXPECT_EQ(PolicyValue(kSystem, L"HideFastUserSwitching"), 1U);
    EXPECT_EQ(PolicyValue(kExplorer, L"NoLogoff"), 1U);

    library.TaskManager_Enable_Disable(-1);
    EXPECT_EQ(PolicyValue(kSystem, L"DisableTaskMgr"), std::nullopt);
    library.CtrlAltDel_Enable_Disable(-1);
    EXPECT_EQ(PolicyValue(kSystem, L"DisableLockWorkstation"), std::nullopt);
    EXPECT_EQ(PolicyValue(kSystem, L"DisableChangePassword"), std::nullopt);
    EXPECT_EQ(PolicyValue(kSystem, L"HideFastUserSwitching"), std::nullopt);
    EXPECT_EQ(PolicyValue(kExplorer, L"NoLogoff"), std::nullopt);

    // Switching on what is on already is no failure.
    EXPECT_NO_THROW(library.CtrlAltDel_Enable_Disable(-1));
    EXPECT_TRUE(failures.empty());
}

TEST(WinLockLibraryTest, TheRecordingStandInWritesEveryCall) {
    TempFolder temp;
    LogFile log(temp / "calls.log");
    WinLockLibrary library(BuildFolder());
    library.TaskManager_Enable_Disable(0);
    library.CtrlAltDel_Enable_Disable(0);
    library.Process_Desktop("SecureDesktop", temp / "engine.exe"); // no such program: no launch
    library.TaskManager_Enable_Disable(-1);
    EXPECT_EQ(log.Text(), "TaskManager_Enable_Disable(0)\r\n"
                          "CtrlAltDel_Enable_Disable(0)\r\n"
                          "Process_Desktop(SecureDesktop," +
                              (temp / "engine.exe") +
                              ")\r\n"
                              "TaskManager_Enable_Disable(-1)\r\n");
    library.TaskManager_Enable_Disable(-1);
    library.CtrlAltDel_Enable_Disable(-1);
}

TEST(WinLockLibraryTest, AMissingLibraryIsAnErrorOfEachCallUntilItArrives) {
    TempFolder temp;
    WinLockLibrary library(temp.Path());
    EXPECT_THROW(library.TaskManager_Enable_Disable(0), LibraryError);
    EXPECT_THROW(library.Process_Desktop("SecureDesktop", temp / "engine.exe"), LibraryError);

    CopyInto(temp.Path(), "WinLockDll.dll", "WinLockDll.dll");
    LogFile log(temp / "calls.log");
    EXPECT_NO_THROW(library.CtrlAltDel_Enable_Disable(-1));
    EXPECT_EQ(log.Text(), "CtrlAltDel_Enable_Disable(-1)\r\n");
}

TEST(WinLockLibraryTest, AMissingOperationIsAnErrorOfThatOperationOnly) {
    TempFolder temp;
    CopyInto(temp.Path(), "winlock_partial.dll", "WinLockDll.dll");
    WinLockLibrary library(temp.Path());
    std::vector<std::string> failures;
    library.OnLockDownFailure([&](const std::string& message) { failures.push_back(message); });
    EXPECT_NO_THROW(library.TaskManager_Enable_Disable(0));
    EXPECT_THROW(library.CtrlAltDel_Enable_Disable(0), LibraryError);
    EXPECT_THROW(library.Process_Desktop("SecureDesktop", temp / "engine.exe"), LibraryError);
    EXPECT_NO_THROW(library.TaskManager_Enable_Disable(-1));
    // The refusal is reported with the library's error; the call that worked is not.
    EXPECT_EQ(failures, (std::vector<std::string>{
                            "TaskManager_Enable_Disable(0) reported failure: error 5"}));
}

TEST(WinLockLibraryTest, ProcessDesktopStartsTheProgramOnItsDesktopOnceAndReturnsAtOnce) {
    TempFolder temp;
    const std::wstring suffix = std::to_wstring(::GetCurrentProcessId());
    const std::wstring goName = L"TembrelProbeGo" + suffix;
    const std::wstring doneName = L"TembrelProbeDone" + suffix;
    UniqueHandle go(::CreateEventW(nullptr, TRUE, FALSE, goName.c_str()));
    UniqueHandle done(::CreateEventW(nullptr, TRUE, FALSE, doneName.c_str()));
    ::SetEnvironmentVariableW(L"TEMBREL_PROBE_GO", goName.c_str());
    ::SetEnvironmentVariableW(L"TEMBREL_PROBE_DONE", doneName.c_str());
    ::SetEnvironmentVariableW(L"TEMBREL_PROBE_OUT", AnsiToWide(temp / "probe.txt").c_str());

    WinLockLibrary library(BuildFolder());
    const std::string probe = BuildFolder() + "\\winlock_probe.exe";
    library.Process_Desktop("TembrelTestDesktop", probe);
    // A second launch while the first program is still on screen shows that one again.
    library.Process_Desktop("TembrelTestDesktop", probe);
    const std::vector<DWORD> probes = RunningProbes();
    EXPECT_EQ(probes.size(), 1U);
    // Only now may the program go on: had the call waited for it to end, it would have timed out.
    ::SetEvent(go.Get());
    ASSERT_EQ(::WaitForSingleObject(done.Get(), 60000), WAIT_OBJECT_0);
    EXPECT_EQ(ReadFileDirect(temp / "probe.txt"), "desktop=TembrelTestDesktop\r\ngo=yes\r\n");

    // Once it has ended, the next launch starts it anew.
    for (DWORD id : probes) {
        WaitForEnd(id);
    }
    ::ResetEvent(go.Get());
    ::ResetEvent(done.Get());
    library.Process_Desktop("TembrelTestDesktop", probe);
    EXPECT_EQ(RunningProbes().size(), 1U);
    ::SetEvent(go.Get());
    EXPECT_EQ(::WaitForSingleObject(done.Get(), 60000), WAIT_OBJECT_0);
}

} // namespace
} // namespace tembrel

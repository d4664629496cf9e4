// Starts the real Tembrel.exe in a folder of its own, with the stand-in desktop-lock library in
// recording mode and a lock screen that hands over 5 seconds for "Ann", and watches it from the
// outside as the lock screen would: through the record files and the session window.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "records/FindDate.h"

namespace tembrel {
namespace {

// Build outputs are Linux paths; Wine shows the Linux root as drive Z:.
std::wstring WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
    }
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return {path.begin(), path.end()};
}

std::string ReadFileBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::wstring Widen(const std::string& ansi) {
    const int n =
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), n);
    return wide;
}

// Polls a condition of another process; the end-to-end test cannot use a fake clock.
bool WaitFor(const std::function<bool()>& condition, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return condition();
}

struct WindowSearch {
    DWORD processId;
    HWND found;
};

HWND SessionWindowOf(DWORD processId) {
    WindowSearch search{processId, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<WindowSearch*>(param);
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            wchar_t title[64] = {};
            GetWindowTextW(hwnd, title, 64);
            if (pid == s->processId && std::wstring(title) == L"Tembrel v2.0") {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string TodaysDateKey() {
    wchar_t text[80] = {};
    GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, text, 80, nullptr);
    char ansi[160] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, ansi, sizeof ansi, nullptr, nullptr);
    std::string key = ansi;
    for (char& c : key) {
        if (c == '/') {
            c = '-';
        }
    }
    return key;
}

class EndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"tembrel-e2e-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
        ASSERT_TRUE(CopyFileW(WindowsPath(TEMBREL_EXE).c_str(),
                              (folder_ + L"\\Tembrel.exe").c_str(), FALSE));
        ASSERT_TRUE(CopyFileW(WindowsPath(WINLOCK_DLL).c_str(),
                              (folder_ + L"\\WinLockDll.dll").c_str(), FALSE));
        ASSERT_TRUE(CopyFileW(WindowsPath(HANDOVER_ENGINE).c_str(),
                              (folder_ + L"\\engine.exe").c_str(), FALSE));
        log_ = folder_ + L"\\winlock.log";
        SetEnvironmentVariableW(L"TEMBREL_WINLOCK_LOG", log_.c_str());
    }

    void TearDown() override {
        if (process_.hProcess != nullptr) {
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, 5000);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
        SetEnvironmentVariableW(L"TEMBREL_WINLOCK_LOG", nullptr);
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((folder_ + L"\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileW((folder_ + L"\\" + data.cFileName).c_str());
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }
        RemoveDirectoryW(folder_.c_str());
    }

    void Start() {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring commandLine = L"\"" + folder_ + L"\\Tembrel.exe\"";
        ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   folder_.c_str(), &startup, &process_));
    }

    bool Running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

    std::wstring Record(const std::string& name) const {
        return folder_ + L"\\" + Widen(name) + L".var";
    }

    std::wstring folder_;
    std::wstring log_;
    PROCESS_INFORMATION process_{};
};

TEST_F(EndToEnd, RunsOneSessionRecordsItsUseAndQuitsOnTheSignal) {
    Start();

    // The splash hands over to the session window, which locks the desktop down and starts the
    // lock screen, in that order.
    ASSERT_TRUE(
        WaitFor([&] { return ReadFileBytes(log_).find("Process_Desktop") != std::string::npos; },
                std::chrono::seconds(30)))
        << "the lock screen was never launched";
    std::vector<std::string> lines;
    std::istringstream calls(ReadFileBytes(log_));
    for (std::string line; std::getline(calls, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "TaskManager_Enable_Disable(0)");
    EXPECT_EQ(lines[1], "CtrlAltDel_Enable_Disable(0)");
    std::string folderAnsi(folder_.begin(), folder_.end());
    EXPECT_EQ(lines[2], "Process_Desktop(SecureDesktop," + folderAnsi + "\\engine.exe)");
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = SessionWindowOf(process_.dwProcessId)) != nullptr; },
                        std::chrono::seconds(10)));

    // The 5-second session runs out and its use lands in the three usage files.
    SYSTEMTIME now;
    GetLocalTime(&now);
    LocalTime today{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    const std::string dateKey = TodaysDateKey();
    const std::string weekFile = WeekOfYear(today) + "Ann" + std::to_string(now.wYear);
    ASSERT_TRUE(WaitFor(
        [&] {
            return ReadFileBytes(Record("Ann" + dateKey)).find("|||used|||5\r\n") !=
                   std::string::npos;
        },
        std::chrono::seconds(30)))
        << "no daily use recorded";
    EXPECT_NE(ReadFileBytes(Record(dateKey + "-Ann")).find("|||USED|||5\r\n"), std::string::npos);
    EXPECT_NE(ReadFileBytes(Record(weekFile)).find("|||weektotal|||5\r\n"), std::string::npos);
    EXPECT_EQ(GetFileAttributesW(Record("allow").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the hand-over was not removed";

    // The close box and the system menu's Close change nothing.
    SendMessageW(window, WM_CLOSE, 0, 0);
    SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(Running());

    // The lock screen's quit signal ends the program and is answered with "None".
    WriteFileBytes(Record("EN"), "|||EN|||End\r\n");
    EXPECT_EQ(WaitForSingleObject(process_.hProcess, 15000), WAIT_OBJECT_0);
    EXPECT_NE(ReadFileBytes(Record("EN")).find("|||EN|||None\r\n"), std::string::npos);
}

} // namespace
} // namespace tembrel

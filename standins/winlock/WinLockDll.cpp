// Our stand-in for the closed desktop-lock library: the same eleven operations under the same
// undecorated __stdcall names, so that the program runs, and can be tested, on a machine without
// the real one. Task Manager and Ctrl+Alt+Del are switched through the per-user policy values that
// Windows honours; the lock screen runs on a desktop of its own until it ends.
//
// With TEMBREL_WINLOCK_LOG set to a file path, every call also appends a line such as
// "TaskManager_Enable_Disable(0)" to that file, so a test can see what the program asked for.
#include <windows.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>

#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

namespace {

using tembrel::AnsiToWide;
using tembrel::UniqueDesktop;
using tembrel::UniqueHandle;
using tembrel::UniqueRegistryKey;

constexpr const wchar_t* kSystemPolicies =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr const wchar_t* kExplorerPolicies =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr int kSuccess = 1;
constexpr int kFailure = 0;

void Log(const std::string& line) {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetEnvironmentVariableW(L"TEMBREL_WINLOCK_LOG", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    UniqueHandle file(::CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return;
    }
    const std::string text = line + "\r\n";
    DWORD written = 0;
    ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void LogFlag(const char* operation, std::int32_t flag) {
    Log(std::string(operation) + "(" + std::to_string(flag) + ")");
}

// Flag 0 switches a feature off, which for a policy means setting its value to 1; any other flag
// (the program passes -1) switches it on again by removing the value. Answers the registry's
// error code. A standard account may not write its own policy keys: then the values the setup
// put there for every account are what holds.
LSTATUS SetPolicy(const wchar_t* keyPath, const wchar_t* value, bool restrict) {
    HKEY raw = nullptr;
    const LSTATUS opened = ::RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0,
                                             KEY_SET_VALUE, nullptr, &raw, nullptr);
    if (opened != ERROR_SUCCESS) {
        return opened;
    }
    UniqueRegistryKey key(raw);
    if (restrict) {
        const DWORD one = 1;
        return ::RegSetValueExW(key.Get(), value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                                sizeof one);
    }
    const LSTATUS status = ::RegDeleteValueW(key.Get(), value);
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

// The result of an operation: success, or failure with the first error left for the caller.
int Result(LSTATUS status) {
    if (status == ERROR_SUCCESS) {
        return kSuccess;
    }
    ::SetLastError(static_cast<DWORD>(status));
    return kFailure;
}

// The lock screen that this library started and that is still running, if any: a second launch
// while it is on screen shows it again instead of starting a second one.
std::mutex running;
DWORD runningProcessId = 0;

struct Watch {
    HANDLE process;
    DWORD processId;
    HMODULE self;
};

// Waits for the lock screen to end, then shows the normal desktop again. The thread holds a
// reference to this library, so the library cannot be unloaded under it.
DWORD WINAPI WatchProcess(void* parameter) {
    const Watch watch = *static_cast<Watch*>(parameter);
    delete static_cast<Watch*>(parameter);
    {
        UniqueHandle process(watch.process);
        ::WaitForSingleObject(process.Get(), INFINITE);
        std::lock_guard<std::mutex> lock(running);
        if (runningProcessId == watch.processId) {
            runningProcessId = 0;
        }
    }
    UniqueDesktop normal(::OpenDesktopW(L"Default", 0, FALSE, DESKTOP_SWITCHDESKTOP));
    if (normal) {
        ::SwitchDesktop(normal.Get());
    }
    normal.Reset();
    ::FreeLibraryAndExitThread(watch.self, 0);
}

bool StillRunning(DWORD processId) {
    if (processId == 0) {
        return false;
    }
    UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
    return process && ::WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

int StartOnDesktop(const std::wstring& desktopName, const std::wstring& programPath) {
    constexpr ACCESS_MASK kAccess = DESKTOP_CREATEWINDOW | DESKTOP_CREATEMENU |
                                    DESKTOP_HOOKCONTROL | DESKTOP_READOBJECTS |
                                    DESKTOP_WRITEOBJECTS | DESKTOP_SWITCHDESKTOP |
                                    DESKTOP_ENUMERATE | GENERIC_READ | GENERIC_WRITE;
    UniqueDesktop desktop(::OpenDesktopW(desktopName.c_str(), 0, FALSE, kAccess));
    if (!desktop) {
        desktop.Reset(::CreateDesktopW(desktopName.c_str(), nullptr, nullptr, 0, kAccess, nullptr));
    }
    if (!desktop) {
        return kFailure;
    }

    std::lock_guard<std::mutex> lock(running);
    if (StillRunning(runningProcessId)) {
        ::SwitchDesktop(desktop.Get());
        return kSuccess;
    }

    std::wstring desktopText = desktopName;
    std::wstring commandLine = L"\"" + programPath + L"\"";
    const std::size_t slash = programPath.find_last_of(L"\\/");
    const std::wstring folder =
        slash == std::wstring::npos ? std::wstring() : programPath.substr(0, slash);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.lpDesktop = desktopText.data();
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(programPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                          nullptr, folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
        return kFailure;
    }
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle thread(process.hThread);
    runningProcessId = process.dwProcessId;
    ::SwitchDesktop(desktop.Get());

    HMODULE self = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                              reinterpret_cast<LPCWSTR>(&WatchProcess), &self)) {
        return kSuccess; // started; only the way back to the normal desktop is missing
    }
    auto* watch = new Watch{processHandle.Get(), process.dwProcessId, self};
    UniqueHandle watcher(::CreateThread(nullptr, 0, WatchProcess, watch, 0, nullptr));
    if (watcher) {
        processHandle.Release(); // the watcher closes it
    } else {
        delete watch;
        ::FreeLibrary(self);
    }
    return kSuccess;
}

} // namespace

// Exported through the module definition file, which gives the plain names on x86 as well (the
// compiler's own export would carry the "@4" of __stdcall).
extern "C" {

int WINAPI TaskManager_Enable_Disable(std::int32_t flag) {
    LogFlag("TaskManager_Enable_Disable", flag);
    return Result(SetPolicy(kSystemPolicies, L"DisableTaskMgr", flag == 0));
}

int WINAPI CtrlAltDel_Enable_Disable(std::int32_t flag) {
    LogFlag("CtrlAltDel_Enable_Disable", flag);
    // The choices of the Ctrl+Alt+Del screen that lead away from the lock screen.
    // Each is tried even when one before it failed.
    const bool restrict = flag == 0;
    LSTATUS first = ERROR_SUCCESS;
    for (const auto& [key, value] : {std::pair{kSystemPolicies, L"DisableLockWorkstation"},
                                     std::pair{kSystemPolicies, L"DisableChangePassword"},
                                     std::pair{kSystemPolicies, L"HideFastUserSwitching"},
                                     std::pair{kExplorerPolicies, L"NoLogoff"}}) {
        const LSTATUS status = SetPolicy(key, value, restrict);
        if (first == ERROR_SUCCESS) {
            first = status;
        }
    }
    return Result(first);
}

int WINAPI Process_Desktop(char* desktopName, char* programPath) {
    if (desktopName == nullptr || programPath == nullptr) {
        return kFailure;
    }
    Log(std::string("Process_Desktop(") + desktopName + "," + programPath + ")");
    return StartOnDesktop(AnsiToWide(desktopName), AnsiToWide(programPath));
}

// The operations the program never calls: present so that the library's interface is complete.
// They only log, for the tests.
#define TEMBREL_LOGGED_ONLY(name)                                                                  \
    int WINAPI name(std::int32_t flag) {                                                           \
        LogFlag(#name, flag);                                                                      \
        return kSuccess;                                                                           \
    }
TEMBREL_LOGGED_ONLY(TaskSwitching_Enable_Disable)
TEMBREL_LOGGED_ONLY(AltTab2_Enable_Disable)
TEMBREL_LOGGED_ONLY(AltTab1_Enable_Disable)
TEMBREL_LOGGED_ONLY(Keys_Enable_Disable)
TEMBREL_LOGGED_ONLY(Clock_Show_Hide)
TEMBREL_LOGGED_ONLY(Taskbar_Show_Hide)
TEMBREL_LOGGED_ONLY(StartButton_Show_Hide)
TEMBREL_LOGGED_ONLY(Desktop_Show_Hide)
#undef TEMBREL_LOGGED_ONLY

} // extern "C"

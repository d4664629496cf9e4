// What the guard's Wine test asks of Windows that a shell cannot: which Tembrel runs from a folder,
// the access lists the guard set (Wine stores them but does not enforce them, so they are read
// back), and the lock screen's "Quit Tembrel" pressed with a given password.
//   guard_test_tool pid FOLDER                 the running Tembrel.exe of FOLDER, or 0
//   guard_test_tool process-security PID       the process's access list as text
//   guard_test_tool service-security           the guard service's access list as text
//   guard_test_tool user-sid                   this process's user
//   guard_test_tool quit PASSWORD              presses the lock screen's "Quit Tembrel"; prints
//                                              its message (no password: only finds it)
//   guard_test_tool ask PASSWORD               asks the guard itself: no-guard/authorised/refused
//   guard_test_tool squat-ask PASSWORD         holds the guard's pipe name itself, then asks as
//                                              ask does; adds whether the pipe saw a client
//   guard_test_tool parents-close PID PASSWORD Tembrel's "Close Tembrel *Parents Only*", then the
//                                              password in its gate and "Continue"
//   guard_test_tool suspend PID                stops every thread of the process: it hangs
//   guard_test_tool control CODE               sends the guard service a control: taken/refused
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <tlhelp32.h>

#include <cstdio>
#include <optional>
#include <string>

#include "guard/GuardProtocol.h"
#include "guard/GuardService.h"
#include "guard/GuardSettings.h"
#include "guard/client/GuardClient.h"
#include "guard/win32/Win32GuardPorts.h"
#include "platform/win32/Text.h"
#include "platform/win32/TopWindow.h"
#include "standins/engine/EngineControls.h"
#include "windows/HorodeskWindow.h"
#include "windows/MPasswordWindow.h"

namespace {

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(towlower(c));
    }
    return text;
}

int Pid(const std::wstring& folder) {
    const tembrel::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
         more = ::Process32NextW(snapshot.Get(), &entry)) {
        if (Lower(entry.szExeFile) != L"tembrel.exe") {
            continue;
        }
        const tembrel::UniqueHandle process(
            ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        wchar_t path[MAX_PATH * 2];
        DWORD size = MAX_PATH * 2;
        if (process && ::QueryFullProcessImageNameW(process.Get(), 0, path, &size) &&
            Lower(std::wstring(path, size)) == Lower(folder + L"\\Tembrel.exe")) {
            std::printf("%lu\n", entry.th32ProcessID);
            return 0;
        }
    }
    std::printf("0\n");
    return 0;
}

int PrintSecurity(PSECURITY_DESCRIPTOR descriptor) {
    LPWSTR text = nullptr;
    if (!::ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
        return 1;
    }
    std::printf("%s\n", tembrel::WideToAnsi(text).c_str());
    ::LocalFree(text);
    return 0;
}

int ProcessSecurity(DWORD pid) {
    const tembrel::UniqueHandle process(::OpenProcess(READ_CONTROL, FALSE, pid));
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!process ||
        ::GetSecurityInfo(process.Get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                          nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return 1;
    }
    const int result = PrintSecurity(descriptor);
    ::LocalFree(descriptor);
    return result;
}

// Sends the guard a request as the lock screen does; prints its status word.
int AskSettings(const tembrel::guard::Request& request) {
    using tembrel::guard::Reply;
    const std::optional<Reply> reply = tembrel::guard::AskGuard(request);
    std::printf("%s\n", !reply                                    ? "no-guard"
                        : reply->status == Reply::Status::Ok      ? "ok"
                        : reply->status == Reply::Status::Refused ? "refused"
                                                                  : "error");
    return 0;
}

int ServiceSecurity() {
    const SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    const SC_HANDLE service =
        manager ? ::OpenServiceW(manager, tembrel::guard::kServiceName, READ_CONTROL) : nullptr;
    BYTE buffer[4096];
    DWORD needed = 0;
    const bool read =
        service != nullptr && ::QueryServiceObjectSecurity(service, DACL_SECURITY_INFORMATION,
                                                           buffer, sizeof buffer, &needed);
    if (service != nullptr) {
        ::CloseServiceHandle(service);
    }
    if (manager != nullptr) {
        ::CloseServiceHandle(manager);
    }
    return read ? PrintSecurity(buffer) : 1;
}

int Control(DWORD code) {
    const SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    const SC_HANDLE service =
        manager ? ::OpenServiceW(manager, tembrel::guard::kServiceName,
                                 SERVICE_USER_DEFINED_CONTROL | SERVICE_QUERY_STATUS)
                : nullptr;
    SERVICE_STATUS status{};
    const bool taken = service != nullptr && ::ControlService(service, code, &status);
    if (service != nullptr) {
        ::CloseServiceHandle(service);
    }
    if (manager != nullptr) {
        ::CloseServiceHandle(manager);
    }
    std::printf("%s\n", taken ? "taken" : "refused");
    return 0;
}

int UserSid() {
    HANDLE token = nullptr;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token);
    const tembrel::UniqueHandle owned(token);
    std::printf("%s\n", tembrel::guard::TokenUserSid(token).c_str());
    return 0;
}

// The lock screen runs on a desktop of its own.
HWND LockScreen() {
    HDESK desktop = ::OpenDesktopW(L"SecureDesktop", 0, FALSE, GENERIC_ALL);
    if (desktop != nullptr) {
        ::SetThreadDesktop(desktop);
    }
    return ::FindWindowW(tembrel::engine::kClassName, nullptr);
}

int Quit(const std::wstring& password) {
    const HWND engine = LockScreen();
    if (engine == nullptr) {
        std::printf("no lock screen\n");
        return 1;
    }
    if (password.empty()) {
        return 0; // only looked for it
    }
    using namespace tembrel::engine;
    const auto press = [engine](int id) {
        ::SendMessageW(engine, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(engine, id)));
    };
    const auto message = [engine] {
        return tembrel::WideToAnsi(tembrel::WindowText(::GetDlgItem(engine, kMessage)));
    };
    // The parents' area first: the gate checks the password in the background.
    press(kParents);
    ::SetDlgItemTextW(engine, kMaster, password.c_str());
    press(kOpenParents);
    const std::string checking = message();
    for (int attempt = 0; attempt < 300; ++attempt) {
        if (::IsWindowVisible(::GetDlgItem(engine, kQuit))) {
            press(kQuit);
            break;
        }
        if (message() != checking && !::IsWindowVisible(::GetDlgItem(engine, kQuit))) {
            press(kBack); // refused at the gate
            break;
        }
        ::Sleep(100);
    }
    std::printf("%s\n", message().c_str());
    return 0;
}

int Ask(const std::wstring& password);

HWND WindowOf(DWORD pid, const wchar_t* className) {
    HWND window = nullptr;
    for (int attempt = 0; attempt < 50 && window == nullptr; ++attempt) {
        window = tembrel::TopWindowOf(pid, className);
        if (window == nullptr) {
            ::Sleep(100);
        }
    }
    return window;
}

void Click(HWND window, int id) {
    // Posted: a message box the click opens must not hold this tool.
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(window, id)));
}

int ParentsClose(DWORD pid, const std::wstring& password) {
    using tembrel::win::HorodeskWindow;
    using tembrel::win::MPasswordWindow;
    const HWND session = WindowOf(pid, HorodeskWindow::kClassName);
    if (session == nullptr) {
        return 1;
    }
    Click(session, HorodeskWindow::kCommandEnd);
    const HWND gate = WindowOf(pid, MPasswordWindow::kFrame.className);
    if (gate == nullptr) {
        return 2;
    }
    // The window comes before its controls. (A password box does not show its text to another
    // process, so it is not read back.)
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (::GetDlgItem(gate, MPasswordWindow::kCommand3) != nullptr &&
            ::SetDlgItemTextW(gate, MPasswordWindow::kText3, password.c_str())) {
            Click(gate, MPasswordWindow::kCommand3);
            return 0;
        }
        ::Sleep(100);
    }
    return 3;
}

int Suspend(DWORD pid) {
    const tembrel::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int suspended = 0;
    for (BOOL more = ::Thread32First(snapshot.Get(), &entry); more;
         more = ::Thread32Next(snapshot.Get(), &entry)) {
        if (entry.th32OwnerProcessID != pid) {
            continue;
        }
        const tembrel::UniqueHandle thread(
            ::OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID));
        if (thread && ::SuspendThread(thread.Get()) != static_cast<DWORD>(-1)) {
            ++suspended;
        }
    }
    return suspended > 0 ? 0 : 1;
}

int SquatAsk(const std::wstring& password) {
    const tembrel::UniqueHandle pipe(::CreateNamedPipeW(
        tembrel::guard::kPipeName, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
        PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr));
    const tembrel::UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.Get();
    if (!pipe || (::ConnectNamedPipe(pipe.Get(), &overlapped) == FALSE &&
                  ::GetLastError() != ERROR_IO_PENDING)) {
        return 1;
    }
    Ask(password);
    std::printf("%s\n", ::WaitForSingleObject(event.Get(), 500) == WAIT_OBJECT_0 ? "connected"
                                                                                 : "untouched");
    ::CancelIo(pipe.Get());
    return 0;
}

int Ask(const std::wstring& password) {
    using tembrel::guard::EndAnswer;
    const EndAnswer answer = tembrel::guard::AskGuardToEnd(tembrel::WideToAnsi(password));
    std::printf("%s\n", answer == EndAnswer::NoGuard      ? "no-guard"
                        : answer == EndAnswer::Authorised ? "authorised"
                                                          : "refused");
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring verb = argc > 1 ? argv[1] : L"";
    const std::wstring argument = argc > 2 ? argv[2] : L"";
    try {
        if (verb == L"pid") {
            return Pid(argument);
        }
        if (verb == L"process-security") {
            return ProcessSecurity(std::wcstoul(argument.c_str(), nullptr, 10));
        }
        if (verb == L"service-security") {
            return ServiceSecurity();
        }
        if (verb == L"user-sid") {
            return UserSid();
        }
        if (verb == L"quit") {
            return Quit(argument);
        }
        if (verb == L"control") {
            return Control(std::wcstoul(argument.c_str(), nullptr, 10));
        }
        if (verb == L"parents-close") {
            return ParentsClose(std::wcstoul(argument.c_str(), nullptr, 10),
                                argc > 3 ? argv[3] : L"");
        }
        if (verb == L"suspend") {
            return Suspend(std::wcstoul(argument.c_str(), nullptr, 10));
        }
        if (verb == L"squat-ask") {
            return SquatAsk(argument);
        }
        if (verb == L"settings" && argc > 4) { // settings FILE PASSWORD KEY=VALUE...
            using namespace tembrel::guard;
            tembrel::RecordValues values;
            for (int at = 4; at < argc; ++at) {
                const std::string pair = tembrel::WideToAnsi(argv[at]);
                const std::size_t equals = pair.find('=');
                values.emplace_back(pair.substr(0, equals), pair.substr(equals + 1));
            }
            return AskSettings({kSettingsVerb,
                                {{kFileField, tembrel::WideToAnsi(argument)},
                                 {kPasswordField, tembrel::WideToAnsi(argv[3])}},
                                FormatSettingsBody(values)});
        }
        if (verb == L"today") {
            using namespace tembrel::guard;
            return AskSettings({kTodayVerb, {{kChildField, tembrel::WideToAnsi(argument)}}, ""});
        }
        if (verb == L"ask") {
            return Ask(argument);
        }
    } catch (...) {
        return 3;
    }
    return 2;
}

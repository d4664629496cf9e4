// TembrelGuard.exe: the LocalSystem service that keeps one Tembrel running in every logon session.
// Without arguments it is the service. The setup runs it with "install", "stop", "uninstall" or
// "password <file>";
// the service itself runs it in a user's session with "probe <process>" to ask whether that
// Tembrel's window answers (a service cannot reach the windows of another session).
#include <windows.h>

#include <shellapi.h>
#include <wtsapi32.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "guard/GuardCore.h"
#include "guard/GuardRequests.h"
#include "guard/GuardService.h"
#include "guard/GuardSettings.h"
#include "guard/win32/GuardSetup.h"
#include "guard/win32/PipeServer.h"
#include "guard/win32/Win32GuardPorts.h"
#include "platform/win32/BCryptPasswordCrypto.h"
#include "platform/win32/DllSearch.h"
#include "platform/win32/Text.h"
#include "platform/win32/TopWindow.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Regional.h"
#include "records/RecordContract.h"
#include "records/StoredPasswords.h"
#include "session/DiagnosticLog.h"

namespace tembrel::guard {
namespace {

// A window that has not answered within this time counts as not answering this time.
constexpr UINT kProbeTimeoutMs = 5000;
// The longest the service sleeps: the fallback poll of the sessions (Windows' notices of a logon
// may not come), the questions to the windows. Ends of processes and requests wake it at once.
constexpr DWORD kTickMs = 2000;

int Probe(DWORD process) {
    const HWND window = TopWindowOf(process, kSessionWindowClass);
    if (window == nullptr) {
        return 2;
    }
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                                 kProbeTimeoutMs, &result) != 0
               ? 0
               : 1;
}

// The guard's own folder, which only the administrators may write: the settings are written
// there before they take their place.
std::string ScratchFolder() {
    return WideToAnsi(ProgramFolderAboveGuard() + L"\\" + kGuardFolder);
}

// The setup's master password and hint: the first two lines of a file that only the
// administrators can read (never the command line, which every account can see). The file is
// deleted whatever happens. 0 when they are written.
int SetMasterPassword(const std::wstring& path) {
    GuardFiles files;
    const std::string file = WideToAnsi(path);
    std::string text;
    try {
        text = files.ReadAll(file);
        files.Remove(file);
    } catch (const std::exception&) {
        ::DeleteFileW(path.c_str());
        return 1;
    }
    const auto line = [&text](std::size_t& at) {
        std::size_t end = std::min(text.find('\n', at), text.size());
        std::string part = text.substr(at, end - at);
        at = end + 1;
        if (!part.empty() && part.back() == '\r') {
            part.pop_back();
        }
        return part;
    };
    std::size_t at = 0;
    const std::string password = line(at);
    const std::string hint = at < text.size() ? line(at) : std::string();
    if (password.empty()) {
        return 2;
    }
    try {
        Win32Clock wallClock;
        Win32Regional regional;
        DiagnosticLog diagnostics(files, wallClock);
        GuardActionLog log(diagnostics);
        BCryptPasswordCrypto crypto;
        Win32FileSecurity security;
        GuardSettings settings({files, regional, wallClock, security, log, ScratchFolder()});
        settings.Write(
            contract::kPasswordFile,
            {{contract::kMasterHashKey, MasterPasswordHashText(regional, crypto, password)},
             {contract::kMasterPasswordKey, ""},
             {contract::kMasterHintKey, hint}});
        log.Record("the setup set a new master password");
        return 0;
    } catch (const std::exception&) {
        return 3;
    }
}

// ---- the service ------------------------------------------------------------------------------

struct ServiceState {
    SERVICE_STATUS_HANDLE handle = nullptr;
    SERVICE_STATUS status{};
    UniqueHandle stop{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle sessionsChanged{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    std::mutex mutex;
    std::vector<std::pair<DWORD, DWORD>> sessionEvents; // (event, session)
};
ServiceState* state = nullptr;

void SetState(DWORD current, DWORD exitCode = NO_ERROR) {
    state->status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    state->status.dwCurrentState = current;
    state->status.dwWin32ExitCode = exitCode;
    state->status.dwControlsAccepted =
        current == SERVICE_RUNNING
            ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | SERVICE_ACCEPT_SESSIONCHANGE
            : 0;
    state->status.dwWaitHint = current == SERVICE_RUNNING ? 0 : 3000;
    ::SetServiceStatus(state->handle, &state->status);
}

DWORD WINAPI Control(DWORD control, DWORD event, LPVOID data, LPVOID /*context*/) {
    switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
        SetState(SERVICE_STOP_PENDING);
        ::SetEvent(state->stop.Get());
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    case SERVICE_CONTROL_SESSIONCHANGE: {
        const auto* note = static_cast<const WTSSESSION_NOTIFICATION*>(data);
        const std::lock_guard lock(state->mutex);
        state->sessionEvents.emplace_back(event, note != nullptr ? note->dwSessionId : 0);
        ::SetEvent(state->sessionsChanged.Get());
        return NO_ERROR;
    }
    default:
        // Pause, parameters and every user-defined code: the guard does nothing on demand.
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void Run() {
    GuardFiles files;
    Win32Clock wallClock;
    Win32Regional regional;
    DiagnosticLog file(files, wallClock);
    GuardActionLog log(file);
    Win32Sessions sessions;
    Win32Processes processes(ProgramFolderAboveGuard(), log);
    Win32SteadyClock clock;
    GuardCore core({sessions, processes, clock, log});
    BCryptPasswordCrypto crypto;
    // The gate's own check, so the guard and the gate never disagree on a password.
    GuardRequests requests(
        core,
        [&files, &regional, &crypto](const std::string& entry) {
            return MasterPasswordMatches(files, regional, crypto, entry);
        },
        log);
    Win32FileSecurity security;
    GuardSettings settings({files, regional, wallClock, security, log, ScratchFolder()});
    settings.AddTo(requests);
    std::unique_ptr<PipeServer> pipe;
    try {
        pipe = std::make_unique<PipeServer>([&requests](std::string_view text, SessionId from) {
            return requests.Handle(text, from);
        });
    } catch (const std::exception& e) {
        // Tembrel is still kept running; only the parents' ends cannot be authorised.
        log.Record(std::string("the guard takes no requests: ") + e.what());
    }
    log.Record("the guard started");
    core.Tick();
    // After the first start of Tembrel, which the settings must not hold up. Where the settings
    // files are the guard's, the lock screen in a child's account can no longer turn an older
    // installation's readable passwords into hashes: the guard does it here. Then the files written
    // before the guard ran (by the lock screen in a child's account, say) become the parents'.
    try {
        std::vector<std::string> problems = ConvertReadablePasswords(files, regional, crypto);
        for (const std::string& problem : settings.ProtectAll()) {
            problems.push_back("not protected: " + problem);
        }
        for (const std::string& problem : problems) {
            log.Record("a settings file: " + problem);
        }
    } catch (const std::exception& e) {
        log.Record(std::string("the settings files were not taken over: ") + e.what());
    }
    for (;;) {
        std::vector<HANDLE> handles{state->stop.Get(), state->sessionsChanged.Get()};
        if (pipe) {
            handles.push_back(pipe->Event());
        }
        const std::size_t first = handles.size();
        const std::vector<HANDLE> watched = processes.Handles();
        // Far more than a home PC has sessions; what does not fit waits for the next round.
        const std::size_t room =
            std::min<std::size_t>(watched.size(), MAXIMUM_WAIT_OBJECTS - first);
        handles.insert(handles.end(), watched.begin(), watched.begin() + room);
        const DWORD woke = ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()),
                                                    handles.data(), FALSE, kTickMs);
        if (woke == WAIT_OBJECT_0) {
            break;
        }
        if (woke == WAIT_OBJECT_0 + 1) {
            std::vector<std::pair<DWORD, DWORD>> events;
            {
                const std::lock_guard lock(state->mutex);
                events.swap(state->sessionEvents);
            }
            for (const auto& [event, session] : events) {
                if (event == WTS_SESSION_LOGOFF) {
                    core.LoggedOff(session);
                }
            }
            core.SessionsChanged();
        } else if (pipe && woke == WAIT_OBJECT_0 + 2) {
            pipe->Serve();
        } else if (woke >= WAIT_OBJECT_0 + first && woke < WAIT_OBJECT_0 + handles.size()) {
            const Watched ended = processes.Take(woke - WAIT_OBJECT_0 - first);
            DWORD exitCode = 1;
            ::GetExitCodeProcess(ended.handle.Get(), &exitCode);
            if (ended.kind == Watched::Kind::Tembrel) {
                core.TembrelEnded(ended.session, ended.process);
            } else {
                core.ProbeAnswered(ended.session, ended.process, exitCode == 0);
            }
        }
        core.Tick();
    }
    log.Record("the guard stopped");
}

void WINAPI ServiceMain(DWORD /*argc*/, LPWSTR* /*argv*/) {
    ServiceState service;
    state = &service;
    service.handle = ::RegisterServiceCtrlHandlerExW(kServiceName, &Control, nullptr);
    if (service.handle == nullptr) {
        return;
    }
    SetState(SERVICE_RUNNING);
    try {
        Run();
        SetState(SERVICE_STOPPED);
    } catch (...) {
        // Windows restarts a service that failed (the setup asks it to).
        SetState(SERVICE_STOPPED, ERROR_SERVICE_SPECIFIC_ERROR);
    }
}

} // namespace
} // namespace tembrel::guard

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPWSTR /*commandLine*/,
                    int /*show*/) {
    using namespace tembrel::guard;
    tembrel::RestrictDllSearchToSystem32();
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    const std::wstring verb = argc > 1 ? argv[1] : L"";
    const std::wstring argument = argc > 2 ? argv[2] : L"";
    ::LocalFree(argv);
    if (verb == L"probe") {
        return Probe(static_cast<DWORD>(std::wcstoul(argument.c_str(), nullptr, 10)));
    }
    if (verb == L"password") {
        return SetMasterPassword(argument);
    }
    if (verb == L"install") {
        return InstallService();
    }
    if (verb == L"stop") {
        return StopService();
    }
    if (verb == L"uninstall") {
        return UninstallService();
    }
    wchar_t name[] = L"TembrelGuard";
    const SERVICE_TABLE_ENTRYW table[] = {{name, &ServiceMain}, {nullptr, nullptr}};
    return ::StartServiceCtrlDispatcherW(table) ? 0 : 1;
}

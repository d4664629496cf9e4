#include "guard/win32/Win32GuardPorts.h"

#include <aclapi.h>
#include <sddl.h>
#include <tlhelp32.h>
#include <userenv.h>
#include <wtsapi32.h>

#include <algorithm>
#include <cwctype>

#include "guard/ProcessSecurity.h"
#include "platform/Errors.h"
#include "platform/win32/Text.h"

namespace tembrel::guard {

namespace {

constexpr const wchar_t* kTembrelFile = L"Tembrel.exe";
constexpr const wchar_t* kDesktop = L"winsta0\\default";

[[noreturn]] void Fail(const std::string& what, DWORD error = ::GetLastError()) {
    throw TembrelError(what + ": error " + std::to_string(error));
}

bool SameText(std::wstring a, std::wstring b) {
    const auto lower = [](std::wstring& s) {
        std::transform(s.begin(), s.end(), s.begin(),
                       [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    };
    lower(a);
    lower(b);
    return a == b;
}

std::wstring ImagePath(HANDLE process) {
    wchar_t path[MAX_PATH * 2];
    DWORD size = MAX_PATH * 2;
    return ::QueryFullProcessImageNameW(process, 0, path, &size) ? std::wstring(path, size)
                                                                 : std::wstring();
}

// The session user's primary token. Windows gives it to LocalSystem only.
UniqueHandle UserToken(SessionId session) {
    HANDLE raw = nullptr;
    if (!::WTSQueryUserToken(session, &raw)) {
        Fail("no user token for session " + std::to_string(session));
    }
    UniqueHandle impersonation(raw);
    HANDLE primary = nullptr;
    if (!::DuplicateTokenEx(impersonation.Get(), MAXIMUM_ALLOWED, nullptr, SecurityIdentification,
                            TokenPrimary, &primary)) {
        Fail("the user's token could not be duplicated");
    }
    return UniqueHandle(primary);
}

UniqueSecurityDescriptor TembrelSecurityFor(HANDLE token) {
    return SecurityFromText(TembrelProcessSecurity(TokenUserSid(token)));
}

} // namespace

std::wstring GuardProgramPath() {
    std::wstring path(MAX_PATH * 2, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

std::wstring ProgramFolderAboveGuard() {
    std::wstring folder = GuardProgramPath();
    for (int up = 0; up < 2; ++up) {
        folder.resize(folder.find_last_of(L'\\'));
    }
    return folder;
}

std::string GuardFiles::ProgramFolder() const {
    return WideToAnsi(ProgramFolderAboveGuard());
}

std::string TokenUserSid(HANDLE token) {
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
        Fail("the token's user could not be read");
    }
    LPWSTR text = nullptr;
    if (!::ConvertSidToStringSidW(reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid,
                                  &text)) {
        Fail("the token's user could not be written as text");
    }
    std::string sid = WideToAnsi(text);
    ::LocalFree(text);
    return sid;
}

UniqueSecurityDescriptor SecurityFromText(const std::string& sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(
            AnsiToWide(sddl).c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
        Fail("the access list " + sddl + " could not be built");
    }
    return UniqueSecurityDescriptor(descriptor);
}

// ---- settings files ---------------------------------------------------------------------------

void Win32FileSecurity::Protect(const std::string& path) {
    const UniqueSecurityDescriptor descriptor = SecurityFromText(SettingsFileSecurity());
    // The descriptor's own "protected" flag keeps the folder's list from being inherited.
    if (!::SetFileSecurityW(AnsiToWide(path).c_str(),
                            OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                            descriptor.Get())) {
        Fail("the access list of " + path + " could not be set");
    }
}

// ---- sessions ---------------------------------------------------------------------------------

std::vector<SessionId> Win32Sessions::LoggedOn() {
    PWTS_SESSION_INFOW list = nullptr;
    DWORD count = 0;
    if (!::WTSEnumerateSessionsW(WTS_CURRENT_SERVER_HANDLE, 0, 1, &list, &count)) {
        Fail("the sessions could not be listed");
    }
    std::vector<SessionId> sessions;
    for (DWORD i = 0; i < count; ++i) {
        const WTS_SESSION_INFOW& info = list[i];
        if (info.SessionId == 0 || (info.State != WTSActive && info.State != WTSDisconnected)) {
            continue; // the services' session, a listener, a sign-in screen
        }
        LPWSTR user = nullptr;
        DWORD bytes = 0;
        if (::WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, info.SessionId, WTSUserName,
                                          &user, &bytes)) {
            if (user != nullptr && user[0] != L'\0') {
                sessions.push_back(info.SessionId);
            }
            ::WTSFreeMemory(user);
        }
    }
    ::WTSFreeMemory(list);
    if (count == 0) {
        // Windows always lists the services' session at least; a system that lists nothing
        // (Wine) has the console session alone.
        const DWORD console = ::WTSGetActiveConsoleSessionId();
        if (console != 0xFFFFFFFF) {
            sessions.push_back(console);
        }
    }
    return sessions;
}

void Win32Sessions::LogOff(SessionId session) {
    if (!::WTSLogoffSession(WTS_CURRENT_SERVER_HANDLE, session, FALSE)) {
        Fail("Windows refused to sign the user off");
    }
}

// ---- processes --------------------------------------------------------------------------------

Win32Processes::Win32Processes(std::wstring folder, ActionLog& log)
    : folder_(std::move(folder)), tembrelPath_(folder_ + L"\\" + kTembrelFile),
      guardPath_(GuardProgramPath()), log_(log) {}

std::optional<ProcessId> Win32Processes::FindTembrel(SessionId session) {
    const UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        Fail("the processes could not be listed");
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
         more = ::Process32NextW(snapshot.Get(), &entry)) {
        DWORD inSession = 0;
        if (!SameText(entry.szExeFile, kTembrelFile) ||
            !::ProcessIdToSessionId(entry.th32ProcessID, &inSession) || inSession != session) {
            continue;
        }
        const UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE,
                                                 FALSE, entry.th32ProcessID));
        // Only ours: a copy a child runs from elsewhere is no timer of this folder.
        if (process && ::WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT &&
            SameText(ImagePath(process.Get()), tembrelPath_)) {
            return entry.th32ProcessID;
        }
    }
    return std::nullopt;
}

HANDLE Win32Processes::Launch(HANDLE token, const std::wstring& program, std::wstring commandLine,
                              const SECURITY_ATTRIBUTES* security, DWORD& processId) {
    void* environment = nullptr;
    if (!::CreateEnvironmentBlock(&environment, token, FALSE)) {
        Fail("the user's environment could not be made");
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring desktop = kDesktop;
    startup.lpDesktop = desktop.data();
    PROCESS_INFORMATION info{};
    const BOOL started = ::CreateProcessAsUserW(
        token, program.c_str(), commandLine.data(), const_cast<SECURITY_ATTRIBUTES*>(security),
        nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT, environment, folder_.c_str(), &startup, &info);
    const DWORD error = ::GetLastError();
    ::DestroyEnvironmentBlock(environment);
    if (!started) {
        Fail("Windows could not start " + WideToAnsi(program), error);
    }
    ::CloseHandle(info.hThread);
    processId = info.dwProcessId;
    return info.hProcess;
}

ProcessId Win32Processes::StartTembrel(SessionId session) {
    const UniqueHandle token = UserToken(session);
    // The user's rights are set as the process is made: there is no moment in which its user
    // could open it for more.
    const UniqueSecurityDescriptor descriptor = TembrelSecurityFor(token.Get());
    SECURITY_ATTRIBUTES security{sizeof security, descriptor.Get(), FALSE};
    DWORD id = 0;
    UniqueHandle process(
        Launch(token.Get(), tembrelPath_, L"\"" + tembrelPath_ + L"\"", &security, id));
    watched_.push_back({Watched::Kind::Tembrel, session, id, std::move(process)});
    return id;
}

void Win32Processes::Adopt(SessionId session, ProcessId process) {
    UniqueHandle handle(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE |
                                          PROCESS_QUERY_LIMITED_INFORMATION | WRITE_DAC |
                                          READ_CONTROL,
                                      FALSE, process));
    if (!handle) {
        Fail("the running Tembrel could not be opened");
    }
    try {
        HANDLE rawToken = nullptr;
        if (!::OpenProcessToken(handle.Get(), TOKEN_QUERY, &rawToken)) {
            Fail("the running Tembrel's user could not be read");
        }
        const UniqueHandle token(rawToken);
        const UniqueSecurityDescriptor descriptor = TembrelSecurityFor(token.Get());
        BOOL present = FALSE;
        BOOL defaulted = FALSE;
        PACL dacl = nullptr;
        ::GetSecurityDescriptorDacl(descriptor.Get(), &present, &dacl, &defaulted);
        const DWORD error =
            ::SetSecurityInfo(handle.Get(), SE_KERNEL_OBJECT,
                              DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, dacl, nullptr);
        if (error != ERROR_SUCCESS) {
            Fail("its access list could not be set", error);
        }
    } catch (const TembrelError& e) {
        // Watched all the same: a restart after a kill is still worth having.
        log_.Record(std::string("session ") + std::to_string(session) +
                    ": the adopted Tembrel is not protected: " + e.what());
    }
    watched_.push_back({Watched::Kind::Tembrel, session, process, std::move(handle)});
}

void Win32Processes::End(ProcessId process) {
    for (const Watched& watched : watched_) {
        if (watched.kind == Watched::Kind::Tembrel && watched.process == process) {
            if (!::TerminateProcess(watched.handle.Get(), 1)) {
                Fail("Tembrel could not be ended");
            }
            return;
        }
    }
    throw TembrelError("no such Tembrel is watched");
}

void Win32Processes::StartProbe(SessionId session, ProcessId process) {
    const std::wstring& program = guardPath_;
    const UniqueHandle token = UserToken(session);
    DWORD id = 0;
    UniqueHandle probe(Launch(token.Get(), program,
                              L"\"" + program + L"\" probe " + std::to_wstring(process), nullptr,
                              id));
    watched_.push_back({Watched::Kind::Probe, session, process, std::move(probe)});
}

std::vector<HANDLE> Win32Processes::Handles() const {
    std::vector<HANDLE> handles;
    handles.reserve(watched_.size());
    for (const Watched& watched : watched_) {
        handles.push_back(watched.handle.Get());
    }
    return handles;
}

Watched Win32Processes::Take(std::size_t index) {
    Watched taken = std::move(watched_.at(index));
    watched_.erase(watched_.begin() + static_cast<std::ptrdiff_t>(index));
    return taken;
}

// ---- clock and log ----------------------------------------------------------------------------

std::int64_t Win32SteadyClock::Milliseconds() const {
    return static_cast<std::int64_t>(::GetTickCount64());
}

GuardActionLog::GuardActionLog(DiagnosticLog& file)
    : file_(file), eventSource_(::RegisterEventSourceW(nullptr, L"Tembrel")) {}

GuardActionLog::~GuardActionLog() {
    if (eventSource_ != nullptr) {
        ::DeregisterEventSource(eventSource_);
    }
}

void GuardActionLog::Record(std::string_view message) noexcept {
    file_.Append("Guard", message);
    if (eventSource_ != nullptr) {
        try {
            const std::wstring text = AnsiToWide(message);
            LPCWSTR strings[] = {text.c_str()};
            ::ReportEventW(eventSource_, EVENTLOG_INFORMATION_TYPE, 0, 1, nullptr, 1, 0, strings,
                           nullptr);
        } catch (...) {
            // the file has it
        }
    }
}

} // namespace tembrel::guard

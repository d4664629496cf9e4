#include "guard/client/GuardClient.h"

#include <windows.h>

#include <optional>
#include <vector>

#include "guard/GuardProtocol.h"
#include "guard/GuardService.h"
#include "platform/win32/Handles.h"

namespace tembrel::guard {

namespace {

// The guard serves one client at a time, each within a few seconds.
constexpr DWORD kBusyWaitMs = 5000;

// The process of the running guard service; none when it is not installed or not running.
std::optional<DWORD> GuardServiceProcess() {
    const UniqueService manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    const UniqueService service(
        manager ? ::OpenServiceW(manager.Get(), kServiceName, SERVICE_QUERY_STATUS) : nullptr);
    SERVICE_STATUS_PROCESS status{};
    DWORD size = 0;
    if (!service ||
        !::QueryServiceStatusEx(service.Get(), SC_STATUS_PROCESS_INFO,
                                reinterpret_cast<BYTE*>(&status), sizeof status, &size) ||
        status.dwCurrentState == SERVICE_STOPPED || status.dwProcessId == 0) {
        return std::nullopt;
    }
    return status.dwProcessId;
}

} // namespace

EndAnswer AskGuardToEnd(const std::string& masterPassword) {
    std::string request;
    try {
        request = FormatRequest({kEndVerb, {{kPasswordField, masterPassword}}, ""});
    } catch (...) {
        return EndAnswer::Refused; // a password no one can type: not the master password
    }
    // The password goes to the guard service and nowhere else: any program may make a pipe of
    // this name where the guard does not run, so the pipe's server must be the service's process.
    const std::optional<DWORD> service = GuardServiceProcess();
    if (!service) {
        return EndAnswer::NoGuard;
    }
    UniqueHandle pipe;
    for (int attempt = 0; attempt < 2 && !pipe; ++attempt) {
        // Identification only: the guard may learn who asks, never act as the parent.
        pipe.Reset(::CreateFileW(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
        if (!pipe &&
            (::GetLastError() != ERROR_PIPE_BUSY || !::WaitNamedPipeW(kPipeName, kBusyWaitMs))) {
            return EndAnswer::Refused; // the guard runs but cannot be asked
        }
    }
    ULONG server = 0;
    if (!pipe || !::GetNamedPipeServerProcessId(pipe.Get(), &server) || server != *service) {
        return EndAnswer::Refused;
    }
    DWORD mode = PIPE_READMODE_MESSAGE;
    ::SetNamedPipeHandleState(pipe.Get(), &mode, nullptr, nullptr);
    DWORD bytes = 0;
    if (!::WriteFile(pipe.Get(), request.data(), static_cast<DWORD>(request.size()), &bytes,
                     nullptr)) {
        return EndAnswer::Refused;
    }
    std::vector<char> reply(kMaxMessageBytes);
    if (!::ReadFile(pipe.Get(), reply.data(), static_cast<DWORD>(reply.size()), &bytes, nullptr)) {
        return EndAnswer::Refused;
    }
    return ParseReply(std::string_view(reply.data(), bytes)).status == Reply::Status::Ok
               ? EndAnswer::Authorised
               : EndAnswer::Refused;
}

} // namespace tembrel::guard

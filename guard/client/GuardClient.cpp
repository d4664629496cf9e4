#include "guard/client/GuardClient.h"

#include <windows.h>

#include <optional>
#include <vector>

#include "guard/GuardProtocol.h"
#include "guard/GuardService.h"
#include "platform/Errors.h"
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

std::optional<Reply> AskGuard(const Request& request) {
    // Before anything goes out: a request the text cannot carry is refused here.
    const std::string text = FormatRequest(request);
    // The password goes to the guard service and nowhere else: any program may make a pipe of
    // this name where the guard does not run, so the pipe's server must be the service's process.
    const std::optional<DWORD> service = GuardServiceProcess();
    if (!service) {
        return std::nullopt;
    }
    const Reply unasked{Reply::Status::Refused, "the guard service cannot be asked"};
    UniqueHandle pipe;
    for (int attempt = 0; attempt < 2 && !pipe; ++attempt) {
        // Identification only: the guard may learn who asks, never act as the parent.
        pipe.Reset(::CreateFileW(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
        if (!pipe &&
            (::GetLastError() != ERROR_PIPE_BUSY || !::WaitNamedPipeW(kPipeName, kBusyWaitMs))) {
            return unasked; // the guard runs but cannot be asked
        }
    }
    ULONG server = 0;
    if (!pipe || !::GetNamedPipeServerProcessId(pipe.Get(), &server) || server != *service) {
        return unasked;
    }
    DWORD mode = PIPE_READMODE_MESSAGE;
    ::SetNamedPipeHandleState(pipe.Get(), &mode, nullptr, nullptr);
    DWORD bytes = 0;
    if (!::WriteFile(pipe.Get(), text.data(), static_cast<DWORD>(text.size()), &bytes, nullptr)) {
        return unasked;
    }
    std::vector<char> reply(kMaxMessageBytes);
    if (!::ReadFile(pipe.Get(), reply.data(), static_cast<DWORD>(reply.size()), &bytes, nullptr)) {
        return unasked;
    }
    return ParseReply(std::string_view(reply.data(), bytes));
}

EndAnswer AskGuardToEnd(const std::string& masterPassword) {
    std::optional<Reply> reply;
    try {
        reply = AskGuard({kEndVerb, {{kPasswordField, masterPassword}}, ""});
    } catch (const InvalidArgument&) {
        return EndAnswer::Refused; // a password no one can type: not the master password
    }
    if (!reply) {
        return EndAnswer::NoGuard;
    }
    return reply->status == Reply::Status::Ok ? EndAnswer::Authorised : EndAnswer::Refused;
}

} // namespace tembrel::guard

#include "guard/client/GuardClient.h"

#include <windows.h>

#include <vector>

#include "guard/GuardProtocol.h"
#include "platform/win32/Handles.h"

namespace tembrel::guard {

namespace {

// The guard serves one client at a time, each within a few seconds.
constexpr DWORD kBusyWaitMs = 5000;

} // namespace

EndAnswer AskGuardToEnd(const std::string& masterPassword) {
    std::string request;
    try {
        request = FormatRequest({kEndVerb, {{kPasswordField, masterPassword}}, ""});
    } catch (...) {
        return EndAnswer::Refused; // a password no one can type: not the master password
    }
    UniqueHandle pipe;
    for (int attempt = 0; attempt < 2 && !pipe; ++attempt) {
        // Identification only: the guard may learn who asks, never act as the parent.
        pipe.Reset(::CreateFileW(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
        if (!pipe) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_FILE_NOT_FOUND) {
                return EndAnswer::NoGuard;
            }
            if (error != ERROR_PIPE_BUSY || !::WaitNamedPipeW(kPipeName, kBusyWaitMs)) {
                return EndAnswer::Refused;
            }
        }
    }
    if (!pipe) {
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

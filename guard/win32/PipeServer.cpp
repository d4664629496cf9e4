#include "guard/win32/PipeServer.h"

#include <string>
#include <vector>

#include "guard/GuardProtocol.h"
#include "guard/ProcessSecurity.h"
#include "guard/win32/Win32GuardPorts.h"
#include "platform/Errors.h"

namespace tembrel::guard {

namespace {

// A request and its reply are a few hundred bytes; a client gets this long for each step.
constexpr DWORD kClientStepMs = 1000;

} // namespace

PipeServer::PipeServer(Handler handler)
    : handler_(std::move(handler)), event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    const UniqueSecurityDescriptor descriptor = SecurityFromText(GuardPipeSecurity());
    SECURITY_ATTRIBUTES security{sizeof security, descriptor.Get(), FALSE};
    pipe_.Reset(::CreateNamedPipeW(
        kPipeName, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
        kMaxMessageBytes, kMaxMessageBytes, 0, &security));
    if (!pipe_ || !event_) {
        throw TembrelError("the guard's pipe could not be made: error " +
                           std::to_string(::GetLastError()));
    }
    Listen();
}

void PipeServer::Listen() {
    overlapped_ = OVERLAPPED{};
    overlapped_.hEvent = event_.Get();
    ::ResetEvent(event_.Get());
    if (::ConnectNamedPipe(pipe_.Get(), &overlapped_)) {
        ::SetEvent(event_.Get());
        return;
    }
    switch (::GetLastError()) {
    case ERROR_IO_PENDING:
        return;
    case ERROR_PIPE_CONNECTED:
        ::SetEvent(event_.Get());
        return;
    default:
        // A client that left before it was served: start afresh.
        ::DisconnectNamedPipe(pipe_.Get());
        if (!::ConnectNamedPipe(pipe_.Get(), &overlapped_) &&
            ::GetLastError() == ERROR_PIPE_CONNECTED) {
            ::SetEvent(event_.Get());
        }
    }
}

bool PipeServer::Finish(DWORD ms, DWORD& bytes) {
    if (::WaitForSingleObject(event_.Get(), ms) != WAIT_OBJECT_0) {
        ::CancelIo(pipe_.Get());
        ::GetOverlappedResult(pipe_.Get(), &overlapped_, &bytes, TRUE);
        return false;
    }
    return ::GetOverlappedResult(pipe_.Get(), &overlapped_, &bytes, FALSE) != FALSE;
}

void PipeServer::Serve() {
    std::vector<char> buffer(kMaxMessageBytes + 1);
    DWORD bytes = 0;
    overlapped_ = OVERLAPPED{};
    overlapped_.hEvent = event_.Get();
    ::ResetEvent(event_.Get());
    bool read = ::ReadFile(pipe_.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &bytes,
                           &overlapped_) != FALSE;
    if (!read && ::GetLastError() == ERROR_IO_PENDING) {
        read = Finish(kClientStepMs, bytes);
    }
    ULONG session = 0;
    if (read && ::GetNamedPipeClientSessionId(pipe_.Get(), &session)) {
        const std::string reply = handler_(std::string_view(buffer.data(), bytes), session);
        overlapped_ = OVERLAPPED{};
        overlapped_.hEvent = event_.Get();
        ::ResetEvent(event_.Get());
        DWORD written = 0;
        if (!::WriteFile(pipe_.Get(), reply.data(), static_cast<DWORD>(reply.size()), &written,
                         &overlapped_) &&
            ::GetLastError() == ERROR_IO_PENDING) {
            Finish(kClientStepMs, written);
        }
        // The reply is lost if the pipe is cut before the client has read it: wait for the
        // client to close its end (the read fails then), a short while at most.
        overlapped_ = OVERLAPPED{};
        overlapped_.hEvent = event_.Get();
        ::ResetEvent(event_.Get());
        char rest = 0;
        if (!::ReadFile(pipe_.Get(), &rest, 1, &bytes, &overlapped_) &&
            ::GetLastError() == ERROR_IO_PENDING) {
            Finish(kClientStepMs, bytes);
        }
    }
    ::DisconnectNamedPipe(pipe_.Get());
    Listen();
}

} // namespace tembrel::guard

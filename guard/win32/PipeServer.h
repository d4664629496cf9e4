#pragma once
// The guard's end of its local pipe: one instance, so that no other program can open a pipe of
// the same name while the guard runs, served one client at a time on the service's own thread.
// Every wait on a client is short: a client that connects and says nothing cannot hold the guard
// from restarting Tembrel.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "guard/GuardPorts.h"
#include "platform/win32/Handles.h"

namespace tembrel::guard {

class PipeServer {
  public:
    // The reply to a request's text from a client in the given logon session.
    using Handler = std::function<std::string(std::string_view request, SessionId from)>;

    // Throws TembrelError when the pipe cannot be made (another program holds its name, say).
    explicit PipeServer(Handler handler);

    // Signalled when a client has connected: then call Serve.
    HANDLE Event() const { return event_.Get(); }
    // Reads the request, answers it, lets the client go and waits for the next one.
    void Serve();

  private:
    void Listen();
    // Waits for the pending operation at most `ms`; false (and cancelled) when it did not finish.
    bool Finish(DWORD ms, DWORD& bytes);

    Handler handler_;
    UniqueHandle pipe_;
    UniqueHandle event_;
    OVERLAPPED overlapped_{};
};

} // namespace tembrel::guard

#pragma once
// What the guard answers on its pipe: each verb has its handler, given the parsed request and the
// logon session of the process that sent it (which Windows tells, not the request). Requests that
// change anything carry the master password; it is checked against ps.var exactly as the gate
// checks it.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "guard/GuardCore.h"
#include "guard/GuardProtocol.h"

namespace tembrel::guard {

class GuardRequests {
  public:
    // True for the right password; throws when none is stored or it cannot be read.
    using PasswordCheck = std::function<bool(const std::string& entry)>;
    using Handler = std::function<Reply(const Request& request, SessionId from)>;

    GuardRequests(GuardCore& core, PasswordCheck check, ActionLog& log);

    // Adds (or replaces) the handler of a verb.
    void Add(const std::string& verb, Handler handler);
    // The reply text to a request's text. Never throws.
    std::string Handle(std::string_view text, SessionId from) noexcept;

    // A reply of Refused unless the request's "password" field is the master password.
    std::optional<Reply> RefuseWithoutPassword(const Request& request, SessionId from);

  private:
    Reply End(const Request& request, SessionId from);

    GuardCore& core_;
    PasswordCheck check_;
    ActionLog& log_;
    std::map<std::string, Handler, std::less<>> handlers_;
};

} // namespace tembrel::guard

#pragma once
// The clients' side of the guard's pipe: Tembrel's parents' close and the lock screen's "Quit
// Tembrel" ask the guard service, with the master password the parent typed, before they end
// Tembrel. Where no guard runs the answer says so, and the caller ends Tembrel as without one.
#include <optional>
#include <string>

#include "guard/GuardProtocol.h"
#include "platform/EndAuthority.h"

namespace tembrel::guard {

using EndAnswer = EndAuthority::Answer;

// Sends the request to the running guard service and returns its reply; absent when the service
// is not installed or not running. A guard that runs but cannot be asked (busy for seconds, no
// answer, or another program holding its pipe's name) gives a refusal. Throws InvalidArgument for
// a request the text cannot carry.
std::optional<Reply> AskGuard(const Request& request);

// Asks the guard to let Tembrel end for good in the caller's logon session. NoGuard when the guard
// service is not installed or not running; Authorised when the password is the master password;
// Refused otherwise, and when the guard runs but could not be asked (busy for seconds, no answer,
// or another program holding its pipe's name), since ending then would only bring Tembrel back.
EndAnswer AskGuardToEnd(const std::string& masterPassword);

// The same as Tembrel's end authority.
class GuardEndAuthority : public EndAuthority {
  public:
    Answer AskToEnd(const std::string& masterPassword) override {
        return AskGuardToEnd(masterPassword);
    }
};

} // namespace tembrel::guard

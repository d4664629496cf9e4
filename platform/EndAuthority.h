#pragma once
// Who may let Tembrel end for good. Where the guard service runs, it restarts every end the
// parents did not authorise; the parents' close asks it first, with the master password they
// typed. Where there is no guard, nobody needs asking.
#include <string>

namespace tembrel {

class EndAuthority {
  public:
    enum class Answer {
        NoGuard,    // no guard service runs: end as without one
        Authorised, // the guard leaves this logon session alone until the next logon
        Refused,    // the guard is there and said no, or could not be asked: do not end
    };
    virtual ~EndAuthority() = default;
    virtual Answer AskToEnd(const std::string& masterPassword) = 0;
};

} // namespace tembrel

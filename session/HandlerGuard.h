#pragma once
// The guard every event handler runs its work in: it catches whatever the work throws and writes it
// to the diagnostic log, so that no failure reaches the message loop or stops a timer. A failure
// that repeats exactly is logged once, so a file locked for minutes does not push everything else
// out of the log; the next success of the same operation forgets it.
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "session/DiagnosticLog.h"

namespace tembrel {

// The last failure logged for each operation.
using FailureMemory = std::map<std::string, std::string, std::less<>>;

// Runs `action`; true if it finished, false if it failed (and the failure was logged or repeated).
// The operation is a view: a handler names its operation with a literal every second, and needs no
// copy of it unless it fails.
bool RunGuarded(DiagnosticLog& log, FailureMemory& lastFailure, std::string_view operation,
                const std::function<void()>& action) noexcept;

// The same with its own memory, for a class whose handlers share one log.
class HandlerGuard {
  public:
    explicit HandlerGuard(DiagnosticLog& log) : log_(log) {}

    bool operator()(std::string_view operation, const std::function<void()>& action) noexcept {
        return RunGuarded(log_, lastFailure_, operation, action);
    }

  private:
    DiagnosticLog& log_;
    FailureMemory lastFailure_;
};

} // namespace tembrel

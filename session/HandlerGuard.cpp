#include "session/HandlerGuard.h"

#include <exception>

namespace tembrel {

bool RunGuarded(DiagnosticLog& log, FailureMemory& lastFailure, const std::string& operation,
                const std::function<void()>& action) noexcept {
    std::string message;
    try {
        action();
        lastFailure.erase(operation);
        return true;
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "unknown failure";
    }
    try {
        auto [it, inserted] = lastFailure.try_emplace(operation, message);
        if (!inserted && it->second == message) {
            return false;
        }
        it->second = message;
    } catch (...) {
        // Out of memory for the bookkeeping: log anyway.
    }
    log.Append(operation, message);
    return false;
}

} // namespace tembrel

#include "session/HandlerGuard.h"

#include <exception>

namespace tembrel {

bool RunGuarded(DiagnosticLog& log, FailureMemory& lastFailure, std::string_view operation,
                const std::function<void()>& action) noexcept {
    std::string message;
    try {
        action();
        if (!lastFailure.empty()) {
            if (const auto it = lastFailure.find(operation); it != lastFailure.end()) {
                lastFailure.erase(it);
            }
        }
        return true;
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "unknown failure";
    }
    try {
        auto [it, inserted] = lastFailure.try_emplace(std::string(operation), message);
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

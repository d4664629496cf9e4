#pragma once
// Where the failures that were caught and carried on from are written down, so that a parent or a
// developer can see later why something did not happen: the program's log, or a test's record.
#include <string_view>

namespace tembrel {

class FailureLog {
  public:
    virtual ~FailureLog() = default;
    // One entry: the operation that failed and why. Never throws: logging must not add a failure
    // of its own.
    virtual void Append(std::string_view operation, std::string_view message) noexcept = 0;
};

} // namespace tembrel

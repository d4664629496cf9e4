#pragma once
// A small plain-text log in the program's folder of every failure a handler caught, so a parent or
// a developer can see later why something did not happen. Capped in size: when full, the oldest
// half is dropped. Logging itself never throws.
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "platform/FailureLog.h"
#include "platform/Files.h"

namespace tembrel {

class DiagnosticLog : public FailureLog {
  public:
    static constexpr const char* kFileName = "Tembrel.log";
    static constexpr std::size_t kMaxBytes = 64 * 1024;

    DiagnosticLog(Files& files, const Clock& clock) : files_(files), clock_(clock) {}

    // Appends one line: time, operation, message.
    void Append(std::string_view operation, std::string_view message) noexcept override;

  private:
    Files& files_;
    const Clock& clock_;
};

} // namespace tembrel

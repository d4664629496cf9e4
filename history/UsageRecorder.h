#pragma once
// What a finished close hands on: the session's row goes into the usage history, and the report
// is written again from the history. Neither may disturb the close: every failure is logged, and
// a row that cannot be written yet waits for the next close.
#include <utility>

#include "history/UsageHistory.h"
#include "history/UsageReport.h"
#include "platform/Clock.h"
#include "platform/FailureLog.h"
#include "platform/Files.h"
#include "platform/Regional.h"
#include "session/ClosedSession.h"

namespace tembrel {

class UsageRecorder {
  public:
    UsageRecorder(Files& files, const Clock& clock, const Regional& regional, FailureLog& log,
                  AnsiToUtf8 toUtf8 = Windows1252ToUtf8)
        : files_(files), clock_(clock), regional_(regional), log_(log), history_(files, log),
          report_(files, std::move(toUtf8)) {}

    void Closed(const ClosedSession& session) noexcept;

    const UsageHistory& History() const { return history_; }

  private:
    Files& files_;
    const Clock& clock_;
    const Regional& regional_;
    FailureLog& log_;
    UsageHistory history_;
    UsageReport report_;
};

} // namespace tembrel

#pragma once
// What a finished close hands on: the session's row goes into the usage history, and the report
// is written again from the history. Neither may disturb the close: every failure is logged, and
// a row that cannot be written yet waits for the next close.
#include <utility>

#include "platform/Clock.h"
#include "platform/Files.h"
#include "session/ClosedSession.h"
#include "session/DiagnosticLog.h"
#include "session/UsageHistory.h"
#include "session/UsageReport.h"

namespace tembrel {

class UsageRecorder {
  public:
    UsageRecorder(Files& files, const Clock& clock, DiagnosticLog& log,
                  AnsiToUtf8 toUtf8 = Windows1252ToUtf8)
        : clock_(clock), log_(log), history_(files, log), report_(files, std::move(toUtf8)) {}

    void Closed(const ClosedSession& session) noexcept;

    const UsageHistory& History() const { return history_; }

  private:
    const Clock& clock_;
    DiagnosticLog& log_;
    UsageHistory history_;
    UsageReport report_;
};

} // namespace tembrel

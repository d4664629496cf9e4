#pragma once
// Tembrel's own history of closed sessions, "Tembrel usage.csv" in the program's folder: one row
// per close, for parents to open in a spreadsheet and for the usage report to draw from. It is no
// record file: the lock screen never reads it, and the usage records stay what they are.
//
// The file is always written whole, beside itself, and swapped in, so a crash or a power cut
// leaves the old history or the new one, never half a row. A row that does not read back (a last
// line without its line end, bytes a disk or another program left) is dropped when the history is
// next written, and the drop is logged.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/FailureLog.h"
#include "platform/Files.h"
#include "records/CalendarText.h"
#include "records/FindDate.h"
#include "session/ClosedSession.h"

namespace tembrel {

// ---- rows -----------------------------------------------------------------------------------

// The short text the history uses for each way a session can end, e.g. "time up".
std::string_view ReasonCode(CloseReason reason);
std::optional<CloseReason> ReasonFromCode(std::string_view code);
// How a parent reads it, e.g. "Time up".
std::string_view ReasonText(CloseReason reason);

// The history's first line, naming the columns.
std::string_view HistoryHeader();

// One row, with its CR LF: the close's date (the day its use was counted to), start and end time,
// child, seconds of allowance used, bonus seconds given, how it ended, bonus seconds used (rows of
// an older history, without the last column, read with none). A start later in the day
// than the end lies on the day before. The child's name is always quoted; quotes are doubled,
// control characters become "?" so that a row is always one line, and a name that a spreadsheet
// would take for a formula (= + - @) gets a leading "'", as does one that begins with "'" itself,
// so that reading the row back gives the name exactly.
std::string HistoryRow(const ClosedSession& session);

struct ParsedHistory {
    std::vector<ClosedSession> rows;
    std::size_t damaged = 0;  // lines that were no row and are dropped
    std::string firstDamaged; // the first of them, shortened, for the log
};
// Reads the file's text. CR LF and LF line ends both read; a last line without a line end is half
// a row and counts as damaged whatever it holds.
ParsedHistory ParseHistory(std::string_view text);

// The whole file: the header, then each row.
std::string HistoryText(const std::vector<ClosedSession>& rows);

// Drops the rows whose date lies more than `keepDays` days before `today`, then the oldest rows
// beyond `maxRows`.
void DropOldRows(std::vector<ClosedSession>& rows, const LocalTime& today, int keepDays,
                 std::size_t maxRows);

// ---- the file -------------------------------------------------------------------------------

class UsageHistory {
  public:
    static constexpr const char* kFileName = "Tembrel usage.csv";
    static constexpr int kKeepDays = 400;
    // A cap that 10 children over 400 days do not reach, so that a file someone filled with rows
    // cannot make every close slower and slower.
    static constexpr std::size_t kMaxRows = 100000;
    // Rows kept in memory while the file cannot be read or written (a spreadsheet holding it
    // open locks it), written with the next close that can.
    static constexpr std::size_t kMaxPending = 1000;

    UsageHistory(Files& files, FailureLog& log) : files_(files), log_(log) {}

    std::string Path() const;

    // Adds the closed session's row and writes the history; `today` decides which rows are old.
    // Returns every row the history holds now, the ones still waiting to be written included, or
    // nothing when the file could not be read (the row then waits for the next close). Logs its
    // failures; never throws.
    std::optional<std::vector<ClosedSession>> Add(const ClosedSession& session,
                                                  const LocalTime& today) noexcept;

    std::size_t Pending() const { return pending_.size(); }

  private:
    Files& files_;
    FailureLog& log_;
    std::vector<ClosedSession> pending_;
};

} // namespace tembrel

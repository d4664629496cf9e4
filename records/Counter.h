#pragma once
// Writing records, and the clock text of the time remaining.
#include <optional>
#include <string>
#include <string_view>

#include "platform/Files.h"
#include "platform/Regional.h"

namespace tembrel {

// Sets `key` to `value` in record file `name`: removes every earlier line of that key, in any
// letter case (A-Z only), and appends the record last, spelt as written. An empty or absent value
// writes nothing. The file is replaced in one step, so readers see the old file or the new one,
// never a mix.
void WriteRecord(Files& files, std::string_view key, std::string_view name,
                 const std::optional<std::string>& value);
// The same for a record name in the ANSI code page of `regional` (a user's name, say), letter case
// folded by its rules, as ReadRecord with regional settings folds it.
void WriteRecord(Files& files, const Regional& regional, std::string_view key,
                 std::string_view name, const std::optional<std::string>& value);

// Puts `text` in the place of the file at `path` in one step (a temporary file beside it, then a
// swap), so that a reader or a crash finds the old content or the new one.
void ReplaceFile(Files& files, const std::string& path, std::string_view text);
// A number is written as plain decimal text, a fraction with the user's decimal separator.
void WriteRecord(Files& files, const Regional& regional, std::string_view key,
                 std::string_view name, double value);

// "hh:mm:ss" for a number of seconds; hours grow past 99 and never roll over; a fraction or a sign
// shows in the seconds field ("00:00:5.5", "00:00:-5"). Absent gives "00:00:00".
std::string SecondsToClock(std::optional<double> seconds, std::string_view decimalSeparator);

} // namespace tembrel

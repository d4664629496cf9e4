#pragma once
// The hours window of a user, and the text codec of the stored master password.
#include <optional>
#include <string>
#include <string_view>

#include "platform/Regional.h"

namespace tembrel {

// "OPEN", "CLOSED" or absent (no verdict: a window across midnight, or no closing hour) for the
// current hour, from the user's opening and closing hours as read from the record file. Equal
// values (compared as they come) mean open all day. A value that is not a number throws
// TypeMismatch.
std::optional<std::string> HoursWindowState(const std::optional<std::string>& open,
                                            const std::optional<std::string>& close,
                                            int currentHour, std::string_view decimalSeparator);

// Every byte of `text` one code lower (direction 0) or one code higher (any other direction).
// A byte that would leave 0..255 throws ArithmeticOverflow.
std::string ShiftText(std::string_view text, int direction);
// The same by whole characters of the ANSI code page: a character of two bytes is shifted as its
// 16-bit code (lead byte * 256 + trail byte), so its lead byte stays. A code that would leave its
// lead byte, or a single byte that would become a lead byte, has no character of the same length
// and throws ArithmeticOverflow.
std::string ShiftText(const Regional& regional, std::string_view text, int direction);

} // namespace tembrel

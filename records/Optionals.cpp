#include "records/Optionals.h"

#include <algorithm>
#include <cmath>

#include "platform/Errors.h"
#include "records/Number.h"

namespace tembrel {

namespace {

double HourValue(const std::optional<std::string>& hour, std::string_view decimalSeparator) {
    return hour ? NumericValue(*hour, decimalSeparator) : 0.0;
}

} // namespace

std::optional<std::string> HoursWindowState(const std::optional<std::string>& open,
                                            const std::optional<std::string>& close,
                                            int currentHour, std::string_view decimalSeparator) {
    // Compared as written: no value and an empty one are the same, "8" and "08" are not.
    if (open.value_or("") == close.value_or("")) {
        return "OPEN";
    }
    const double first = HourValue(open, decimalSeparator);
    const double last = HourValue(close, decimalSeparator) - first - 1;
    if (last < 0) {
        // A window across midnight, or no closing hour: no verdict.
        return std::nullopt;
    }
    // The window covers the hours first, first + 1, ... up to first + last. Only the offsets that
    // land on 0..23 can meet the hour of the day, so the search starts just below 0 and stops past
    // 23 instead of walking a huge window one hour at a time; a fractional opening hour meets no
    // hour at all.
    double offset = std::max(0.0, std::floor(-first) - 1);
    for (int step = 0; step < 48 && offset <= last && first + offset <= 23; ++step, ++offset) {
        if (first + offset == currentHour) {
            return "OPEN";
        }
    }
    return "CLOSED";
}

std::string ShiftText(std::string_view text, int direction) {
    const int step = direction == 0 ? -1 : 1;
    std::string shifted(text);
    for (char& c : shifted) {
        const int code = static_cast<unsigned char>(c) + step;
        if (code < 0 || code > 255) {
            // A code page of one byte per character has no code beyond these; wrapping round
            // would silently turn a password into a different one.
            throw ArithmeticOverflow("character code out of range when shifting a text");
        }
        c = static_cast<char>(code);
    }
    return shifted;
}

std::string ShiftText(const Regional& regional, std::string_view text, int direction) {
    const int step = direction == 0 ? -1 : 1;
    std::string shifted(text);
    for (std::size_t i = 0; i < shifted.size();) {
        if (CharacterSize(regional, shifted, i) == 2) {
            // A code of two bytes read as a signed 16-bit number stays far from both ends of
            // that range, as every lead byte is 0x81 or above; only its trail byte can run over.
            const int code = static_cast<unsigned char>(shifted[i]) * 256 +
                             static_cast<unsigned char>(shifted[i + 1]) + step;
            if (code / 256 != static_cast<unsigned char>(shifted[i])) {
                throw ArithmeticOverflow(
                    "character code out of its lead byte when shifting a text");
            }
            shifted[i + 1] = static_cast<char>(code % 256);
            i += 2;
            continue;
        }
        const int code = static_cast<unsigned char>(shifted[i]) + step;
        const bool last = i + 1 == shifted.size();
        if (code < 0 || code > 255 ||
            (!last && regional.IsLeadByte(static_cast<unsigned char>(code)))) {
            // Wrapping round, or a lead byte that would swallow the next character, would silently
            // turn a password into a different one.
            throw ArithmeticOverflow("character code out of range when shifting a text");
        }
        shifted[i] = static_cast<char>(code);
        ++i;
    }
    return shifted;
}

} // namespace tembrel

#pragma once
// The user's regional settings and the system's ANSI code page. Texts are bytes in that code page:
// one byte a character on most systems, one or two on the double-byte code pages of East Asia
// (932, 936, 949, 950), where a trail byte may be any letter, "\" or "|".
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/Clock.h"

namespace tembrel {

class Regional {
  public:
    virtual ~Regional() = default;
    // The date in the user's short date format, e.g. "12/8/2025" or "08.12.2025".
    virtual std::string ShortDate(const LocalTime& date) const = 0;
    // The user's decimal separator, e.g. "." or ",".
    virtual std::string DecimalSeparator() const = 0;
    // Lower-cases by the rules of the ANSI code page (not only A-Z), whole character by whole
    // character; every character keeps its length, so a position stays the same byte.
    virtual std::string ToLower(std::string_view text) const = 0;
    // The ANSI code page, e.g. 1252 or 932.
    virtual unsigned CodePage() const = 0;
    // True for a byte that begins a character of two bytes; never on a single-byte code page.
    virtual bool IsLeadByte(unsigned char byte) const = 0;
    // True when the two bytes are one character of the code page.
    virtual bool IsDoubleByteCharacter(unsigned char lead, unsigned char trail) const = 0;
};

// The number of bytes of the character that begins at `at`: 2 for a lead byte with a byte after
// it, otherwise 1 (a lead byte at the very end stands alone).
inline std::size_t CharacterSize(const Regional& regional, std::string_view text, std::size_t at) {
    return regional.IsLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2
                                                                                             : 1;
}

} // namespace tembrel

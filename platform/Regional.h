#pragma once
// The user's regional settings. Texts are bytes in the system's ANSI code page.
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
    // Lower-cases by the rules of the ANSI code page (not only A-Z).
    virtual std::string ToLower(std::string_view text) const = 0;
};

} // namespace tembrel

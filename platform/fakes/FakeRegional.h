#pragma once
// Regional settings for tests: Windows-1252 letter case, a short date pattern of M, MM, d, dd,
// yy, yyyy and literal characters (default "M/d/yyyy"), and a settable decimal separator.
#include "platform/Regional.h"

namespace tembrel {

class FakeRegional : public Regional {
  public:
    std::string shortDatePattern = "M/d/yyyy";
    std::string decimalSeparator = ".";

    std::string ShortDate(const LocalTime& date) const override;
    std::string DecimalSeparator() const override { return decimalSeparator; }
    std::string ToLower(std::string_view text) const override;
};

} // namespace tembrel

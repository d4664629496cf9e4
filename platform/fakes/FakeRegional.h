#pragma once
// Regional settings for tests: a short date pattern of M, MM, d, dd, yy, yyyy and literal
// characters (default "M/d/yyyy"), a settable decimal separator, and the code page: 1252 (its
// letter case) by default, or the double-byte code pages 932, 936, 949 and 950 with their lead and
// trail byte ranges, A-Z and the full-width Latin capitals lower-cased.
#include "platform/Regional.h"

namespace tembrel {

class FakeRegional : public Regional {
  public:
    std::string shortDatePattern = "M/d/yyyy";
    std::string decimalSeparator = ".";
    unsigned codePage = 1252;

    std::string ShortDate(const LocalTime& date) const override;
    std::string DecimalSeparator() const override { return decimalSeparator; }
    std::string ToLower(std::string_view text) const override;
    unsigned CodePage() const override { return codePage; }
    bool IsLeadByte(unsigned char byte) const override;
    bool IsDoubleByteCharacter(unsigned char lead, unsigned char trail) const override;
};

} // namespace tembrel

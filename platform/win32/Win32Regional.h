#pragma once
// The user's regional settings, read from Windows at every call so that a change in the control
// panel applies from the next call on, as it does for every other program.
#include <array>

#include "platform/Regional.h"

namespace tembrel {

class Win32Regional : public Regional {
  public:
    Win32Regional();

    std::string ShortDate(const LocalTime& date) const override;
    std::string DecimalSeparator() const override;
    // Byte for byte: every byte keeps its place, so a position found in the lower-cased text is
    // the same position in the original.
    std::string ToLower(std::string_view text) const override;
    // The code page is the system's, fixed for the life of the process.
    unsigned CodePage() const override { return codePage_; }
    bool IsLeadByte(unsigned char byte) const override { return leadByte_[byte]; }
    bool IsDoubleByteCharacter(unsigned char lead, unsigned char trail) const override;

  private:
    std::array<unsigned char, 256> lower_{};
    std::array<bool, 256> leadByte_{};
    unsigned codePage_ = 0;
};

} // namespace tembrel

#pragma once
// The machine's local time.
#include "platform/Clock.h"

namespace tembrel {

class Win32Clock : public Clock {
  public:
    LocalTime Now() const override;
};

} // namespace tembrel

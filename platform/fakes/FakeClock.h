#pragma once
// A clock that stands still until a test moves it.
#include "platform/Clock.h"

namespace tembrel {

class FakeClock : public Clock {
  public:
    LocalTime now;
    LocalTime Now() const override { return now; }
    // Moves the clock on by whole seconds, across days, months and years.
    void Advance(long long seconds);
};

} // namespace tembrel

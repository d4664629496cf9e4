#pragma once
// Local wall-clock time. The logic asks this port instead of the system so that tests can stand at
// 11:59:59 or on 31 December without waiting.

namespace tembrel {

struct LocalTime {
    int year = 2000;
    int month = 1; // 1..12
    int day = 1;   // 1..31
    int hour = 0;  // 0..23
    int minute = 0;
    int second = 0;
    int millisecond = 0; // 0..999; a clock or a file time that has none gives 0
};

class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalTime Now() const = 0;
};

} // namespace tembrel

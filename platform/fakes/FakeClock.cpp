#include "platform/fakes/FakeClock.h"

#include <chrono>

namespace tembrel {

void FakeClock::Advance(long long seconds) {
    using namespace std::chrono;
    const sys_days day = year_month_day{year{now.year}, month{static_cast<unsigned>(now.month)},
                                        std::chrono::day{static_cast<unsigned>(now.day)}};
    const sys_seconds t = day + hours{now.hour} + minutes{now.minute} +
                          std::chrono::seconds{now.second} + std::chrono::seconds{seconds};
    const sys_days newDay = floor<days>(t);
    const year_month_day ymd{newDay};
    const hh_mm_ss hms{t - newDay};
    now.year = static_cast<int>(ymd.year());
    now.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    now.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    now.hour = static_cast<int>(hms.hours().count());
    now.minute = static_cast<int>(hms.minutes().count());
    now.second = static_cast<int>(hms.seconds().count());
}

} // namespace tembrel

#include "platform/win32/Win32Clock.h"

#include <windows.h>

namespace tembrel {

LocalTime Win32Clock::Now() const {
    SYSTEMTIME t{};
    ::GetLocalTime(&t);
    return LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

} // namespace tembrel

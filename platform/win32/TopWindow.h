#pragma once
// Finding the top-level window of a class that a given process has opened (a test looks for the
// program it started; the guard asks after the session window of the Tembrel it keeps).
#include <windows.h>

namespace tembrel {

// The top-level window of window class `className` that belongs to process `processId`, or
// nullptr while it has none.
HWND TopWindowOf(DWORD processId, const wchar_t* className);

} // namespace tembrel

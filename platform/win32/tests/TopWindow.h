#pragma once
// Finding the window a program started by a test has opened.
#include <windows.h>

namespace tembrel {

// The top-level window of window class `className` that belongs to process `processId`, or
// nullptr while it has none.
HWND TopWindowOf(DWORD processId, const wchar_t* className);

} // namespace tembrel

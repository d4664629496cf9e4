#pragma once
// The program's message loop. Each message goes through the dialog manager of the active window
// first, so Tab and Shift+Tab move between its controls as in a dialog.
#include <windows.h>

namespace tembrel::win {

bool TranslateForActiveWindow(MSG& msg);
int RunMessageLoop();

} // namespace tembrel::win

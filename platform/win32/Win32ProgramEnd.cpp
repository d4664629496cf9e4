#include "platform/win32/Win32ProgramEnd.h"

#include <windows.h>

namespace tembrel {

void Win32ProgramEnd::EndProgram() {
    ::ExitProcess(0);
}

} // namespace tembrel

#pragma once
// Functions looked up at run time with GetProcAddress.
#include <windows.h>

namespace tembrel {

// GetProcAddress answers a generic function pointer; going through void(*)() tells the compiler
// that the cast to the real signature is meant. A null stays null.
template <typename Function> Function ProcedureAs(FARPROC proc) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

} // namespace tembrel

#pragma once
// The program's folder is writable by the children's accounts, and the machine-wide Run key starts
// our programs in a parent's account too. A DLL dropped into the folder under the name of one that
// Windows loads on demand (version.dll, uxtheme.dll, dwmapi.dll, ...) would then run with the
// parent's rights. So every program we ship calls this before anything else: from then on a DLL
// loaded by name, by our code or by Windows' own DLLs on our behalf, comes from System32 only.
// The desktop-lock library is the one DLL taken from the folder, and only by its full path.
#include <windows.h>

namespace tembrel {

// ERROR_SUCCESS, or Windows' error code when it refused; the caller carries on (a timer that does
// not start leaves the machine unlocked) and reports it where it can.
inline DWORD RestrictDllSearchToSystem32() noexcept {
    return ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) ? ERROR_SUCCESS
                                                                    : ::GetLastError();
}

} // namespace tembrel

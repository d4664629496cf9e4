// Our stand-in lock screen: the children's tiles and login, and the parents' settings behind the
// master password, on one full-screen window. Everything it decides is in EngineLogic; the window
// is LockScreen; this file joins them to the real ports.
#include <windows.h>

#include "platform/win32/DllSearch.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Procedure.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Regional.h"
#include "standins/engine/EngineControls.h"
#include "standins/engine/LockScreen.h"

namespace {

// Drawn at the screen's own DPI, the screen stays sharp at 150% instead of being stretched.
void BecomeDpiAware() {
    using SetAwarenessFn = BOOL(WINAPI*)(HANDLE);
    const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    if (const auto set = tembrel::ProcedureAs<SetAwarenessFn>(
            user32 == nullptr ? nullptr
                              : ::GetProcAddress(user32, "SetProcessDpiAwarenessContext"))) {
        // DPI_AWARENESS_CONTEXT_SYSTEM_AWARE: one DPI, the system's, which the layout scales by.
        if (set(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-2)))) {
            return;
        }
    }
    ::SetProcessDPIAware();
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    using namespace tembrel;
    RestrictDllSearchToSystem32(); // the lock screen keeps no log to report a refusal in
    // Tembrel launches the lock screen again while one may still be up (every check in the minute
    // of 12:00 does): a second one would stay over the desktop after the child logged in on the
    // first. It brings the first forward instead.
    const UniqueHandle single(::CreateMutexW(nullptr, FALSE, L"Local\\TembrelLockScreen"));
    if (single && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        if (HWND first = ::FindWindowW(engine::kClassName, nullptr)) {
            ::SetForegroundWindow(first);
        }
        return 0;
    }
    BecomeDpiAware();
    Win32Files files;
    Win32Clock clock;
    Win32Regional regional;
    LocalSettings settings(files, regional);
    EngineLogic logic({files, clock, regional, settings});
    engine::LockScreen screen(logic, [] { ::PostQuitMessage(0); });
    if (!screen.Create(instance)) {
        return 1;
    }
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!::IsDialogMessageW(screen.Window(), &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    return 0;
}

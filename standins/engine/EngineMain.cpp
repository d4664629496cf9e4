// Our stand-in lock screen: the children's tiles and login, and the parents' settings behind the
// master password, on one full-screen window. Everything it decides is in EngineLogic; the window
// is LockScreen; this file joins them to the real ports.
#include <windows.h>

#include "platform/win32/BCryptPasswordCrypto.h"
#include "platform/win32/DllSearch.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Procedure.h"
#include "platform/win32/Win32BackgroundWork.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Regional.h"
#include "session/DiagnosticLog.h"
#include "standins/engine/EngineControls.h"
#include "standins/engine/GuardedSettings.h"
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
    RestrictDllSearchToSystem32(); // refused, it carries on: a lock screen not up guards nothing
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
    LocalSettings local(files, regional);
    GuardedSettings settings(local);
    BCryptPasswordCrypto crypto;
    Win32BackgroundWork work; // after the crypto: its end waits for work that uses it
    EngineLogic logic({files, clock, regional, settings, crypto, work});
    // Once, before the screen is up, so no parent's change can meet a half-done conversion. A
    // password that stays readable still opens, and its file is tried again at the next start;
    // what went wrong goes where Tembrel logs its own failures, for a parent to find.
    for (const std::string& problem : logic.ConvertPasswords()) {
        DiagnosticLog(files, clock).Append("Lock screen", problem);
    }
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

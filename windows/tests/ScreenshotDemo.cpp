// Opens one of the four windows over fake ports and keeps it open, for the screenshot script:
//   TembrelScreens.exe splash|session|gate|bonus|warning|warning-midday <file>
// When the window is shown (and, for the session window, has ticked a few times) its screen
// rectangle is written to <file> as "x y width height". "warning" is the session window a few
// seconds before the 5-minute warning, on a Wine desktop with a taskbar: the rectangle then takes
// in the warning's balloon and the notification area as well. "warning-midday" is an hour's
// session at 11:55, warned that midday ends it.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>

#include "windows/MessageLoop.h"
#include "windows/SplashWindow.h"
#include "windows/tests/ViewHarness.h"

namespace {

using namespace tembrel::win;

struct Balloon {
    RECT rect;
    bool found;
};

// Wine's shell draws a balloon as a tooltip window of its own process.
BOOL CALLBACK FindBalloon(HWND hwnd, LPARAM lParam) {
    auto* balloon = reinterpret_cast<Balloon*>(lParam);
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    if (IsWindowVisible(hwnd) && std::wcscmp(name, L"tooltips_class32") == 0) {
        GetWindowRect(hwnd, &balloon->rect);
        balloon->found = true;
        return FALSE;
    }
    return TRUE;
}

// The session window, the balloon beside it and the notification area under it; nothing while
// the balloon is not up yet.
bool WarningRect(HWND session, RECT& rc) {
    Balloon balloon{{}, false};
    EnumWindows(&FindBalloon, reinterpret_cast<LPARAM>(&balloon));
    if (!balloon.found) {
        return false;
    }
    GetWindowRect(session, &rc);
    UnionRect(&rc, &rc, &balloon.rect);
    if (HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr)) {
        RECT bar{};
        GetWindowRect(taskbar, &bar);
        rc.bottom = std::max(rc.bottom, bar.bottom);
    }
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    IntersectRect(&rc, &rc, &screen);
    return true;
}

void Report(const RECT& rc, const char* path) {
    if (FILE* f = std::fopen(path, "w")) {
        std::fprintf(f, "%ld %ld %ld %ld\n", rc.left, rc.top, rc.right - rc.left,
                     rc.bottom - rc.top);
        std::fclose(f);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return 2;
    }
    const char* which = argv[1];
    const char* out = argv[2];
    auto harness = std::make_unique<ViewHarness>();
    std::unique_ptr<SplashWindow> splash;
    HWND shown = nullptr;
    UINT_PTR reportAfterMs = 1500;
    const bool midday = std::strcmp(which, "warning-midday") == 0;
    const bool warning = midday || std::strcmp(which, "warning") == 0;
    if (std::strcmp(which, "splash") == 0) {
        splash = std::make_unique<SplashWindow>(harness->programIcon.Get(), nullptr);
        splash->Open();
        KillTimer(splash->Hwnd(), SplashWindow::kTimer); // stay up for the picture
        shown = splash->Hwnd();
    } else {
        // A child's session of an hour, a few seconds in; for the warning, 5 minutes and 3
        // seconds, so that the warning comes on the third tick.
        // For the midday warning, an hour's session at 11:55 on a clock that stands still.
        if (midday) {
            harness->clock.now.hour = 11;
            harness->clock.now.minute = 55;
        }
        harness->HandOver(warning && !midday ? "303" : "3600");
        harness->OpenSessionWindow();
        shown = harness->sessionWindow.Hwnd();
        reportAfterMs = 4500;
        if (warning) {
            // Down in the corner, over the notification area, where the balloon comes up.
            RECT rc{};
            GetWindowRect(shown, &rc);
            RECT work{};
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
            SetWindowPos(shown, nullptr, work.right - (rc.right - rc.left) - 24,
                         work.bottom - (rc.bottom - rc.top) - 90, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        } else if (std::strcmp(which, "gate") == 0) {
            harness->session.Command1Click();
            SendMessageW(GetDlgItem(harness->dialogs.GateHwnd(), MPasswordWindow::kText3),
                         WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"secret"));
            shown = harness->dialogs.GateHwnd();
            reportAfterMs = 1500;
        } else if (std::strcmp(which, "bonus") == 0) {
            harness->bonus.Show();
            shown = harness->dialogs.BonusHwnd();
            reportAfterMs = 1500;
        }
    }
    DWORD start = GetTickCount();
    bool reported = false;
    MSG msg{};
    for (;;) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                return 0;
            }
            if (!TranslateForActiveWindow(msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        if (!reported && GetTickCount() - start > reportAfterMs) {
            RECT rc{};
            GetWindowRect(shown, &rc);
            if (!warning || WarningRect(shown, rc)) {
                Report(rc, out);
                reported = true;
            }
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
}

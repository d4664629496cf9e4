// Opens one of the four windows over fake ports and keeps it open, for the screenshot script:
//   TembrelScreens.exe splash|session|gate|bonus <file>
// When the window is shown (and, for the session window, has ticked a few times) its screen
// rectangle is written to <file> as "x y width height".
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "windows/MessageLoop.h"
#include "windows/SplashWindow.h"
#include "windows/tests/ViewHarness.h"

namespace {

using namespace tembrel::win;

void Report(HWND hwnd, const char* path) {
    RECT rc{};
    GetWindowRect(hwnd, &rc);
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
    if (std::strcmp(which, "splash") == 0) {
        splash = std::make_unique<SplashWindow>(harness->programIcon.Get(), nullptr);
        splash->Open();
        KillTimer(splash->Hwnd(), SplashWindow::kTimer); // stay up for the picture
        shown = splash->Hwnd();
    } else {
        // A child's session of an hour, a few seconds in.
        harness->HandOver("3600");
        harness->OpenSessionWindow();
        shown = harness->sessionWindow.Hwnd();
        reportAfterMs = 4500;
        if (std::strcmp(which, "gate") == 0) {
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
            Report(shown, out);
            reported = true;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
}

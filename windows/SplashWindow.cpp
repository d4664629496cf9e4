#include "windows/SplashWindow.h"

#include <array>

#include "windows/Ui.h"

namespace tembrel::win {

SplashWindow::SplashWindow(HICON icon, std::function<void()> onElapsed)
    : icon_(icon), onElapsed_(std::move(onElapsed)) {}

bool SplashWindow::Open() {
    const std::array<ControlSpec, 1> controls{{
        {kLabel1, ControlKind::Label, L"Version 1.0", 10200, 6480, 1575, 255},
    }};
    const FrameSpec frame{kClassName, kTitle, WS_POPUP, 0, 12000, 9000, icon_};
    if (!Create(frame, controls, nullptr)) {
        return false;
    }
    picture_ = RenderPicture(art::SplashPicture(Dpi() / 96.0));
    ShowAndFocus();
    SetTimer(Hwnd(), kTimer, kIntervalMs, nullptr);
    return true;
}

LRESULT SplashWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == kTimer) {
        // Only once: the session window opens (its load runs inside), then the splash goes.
        KillTimer(Hwnd(), kTimer);
        if (onElapsed_) {
            onElapsed_();
        }
        Destroy();
        return 0;
    }
    return View::OnMessage(message, wParam, lParam);
}

void SplashWindow::OnPaintBackground(HDC dc) {
    DrawBitmap(dc, picture_.Get(), 0, 0);
}

void SplashWindow::OnDpiChanged() {
    picture_ = RenderPicture(art::SplashPicture(Dpi() / 96.0));
}

} // namespace tembrel::win

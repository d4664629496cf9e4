#include "windows/BonusTimeWindow.h"

#include <array>

#include "windows/Ui.h"

namespace tembrel::win {

BonusTimeWindow::BonusTimeWindow(BonusTime& logic, HICON icon, HBITMAP background)
    : logic_(logic), icon_(icon), background_(background) {}

bool BonusTimeWindow::Open(HWND centreOver) {
    // Tab order by Index, "Remove All Bonus Time" (Index 7) last; the labels behind.
    const std::array<ControlSpec, 10> controls{{
        {kTimeButton0 + 0, ControlKind::Button, L"Add 5 Minutes", 840, 480, 2055, 375},
        {kTimeButton0 + 1, ControlKind::Button, L"Add 10 Minutes", 840, 960, 2055, 375},
        {kTimeButton0 + 2, ControlKind::Button, L"Add 15 Minutes", 840, 1440, 2055, 375},
        {kTimeButton0 + 3, ControlKind::Button, L"Add 30 Minutes", 5520, 480, 2055, 375},
        {kTimeButton0 + 4, ControlKind::Button, L"Add 45 Minutes", 5520, 960, 2055, 375},
        {kTimeButton0 + 5, ControlKind::Button, L"Add 60 Minutes", 5520, 1440, 2055, 375},
        {kTimeButton0 + 6, ControlKind::Button, L"Add 2 Hours", 840, 1920, 3015, 375},
        {kTimeButton0 + 7, ControlKind::Button, L"Remove All Bonus Time", 4560, 1920, 3015, 375},
        {kLabel2, ControlKind::Label,
         L"Bonus time is good for a single session only.  Any unused time will be lost once "
         L"session ends.",
         3120, 720, 2175, 975},
        {kLabel1, ControlKind::CentredLabel, L"Bonus Time", 3240, 360, 1935, 255,
         FontKind::Bold975},
    }};
    const FrameSpec frame{kClassName, kTitle, WS_OVERLAPPEDWINDOW, 0, 8235, 2745, icon_};
    if (!Create(frame, controls, centreOver)) {
        return false;
    }
    ShowAndFocus();
    return true;
}

void BonusTimeWindow::OnCommand(int id, int code, HWND /*control*/) {
    if (code == BN_CLICKED && id >= kTimeButton0 && id < kTimeButton0 + 8) {
        logic_.TimeButtonClick(id - kTimeButton0);
    }
}

LRESULT BonusTimeWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        logic_.CloseBox();
        return 0;
    }
    return View::OnMessage(message, wParam, lParam);
}

void BonusTimeWindow::OnPaintBackground(HDC dc) {
    RECT client{};
    GetClientRect(Hwnd(), &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    DrawBitmap(dc, background_, 0, 0);
}

void BonusTimeWindow::Detach() {
    detached_ = true;
    Destroy();
}

void BonusTimeWindow::OnDestroyed() {
    if (!detached_) {
        logic_.WindowDestroyed();
    }
}

} // namespace tembrel::win

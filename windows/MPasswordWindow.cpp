#include "windows/MPasswordWindow.h"

#include <commctrl.h>

#include <array>

#include "platform/win32/Text.h"
#include "windows/CommonControls.h"
#include "windows/Ui.h"

namespace tembrel::win {

bool MPasswordWindow::Open(HWND centreOver) {
    // Tab order: Text3, Command3, Command4, Command1; the labels after them, behind.
    const std::array<ControlSpec, 6> controls{{
        {kText3, ControlKind::PasswordBox, L"", 480, 1440, 7455, 405, FontKind::Regular975},
        {kCommand3, ControlKind::Button, L"Continue  ->", 5400, 1920, 2175, 375},
        {kCommand4, ControlKind::Button, L"Password Hint", 3120, 1920, 2175, 375},
        {kCommand1, ControlKind::Button, L"Return To Login Screen", 840, 1920, 2175, 375},
        {kLabel4, ControlKind::CentredLabel, L"The Following Features Require Master Password", 480,
         480, 7455, 255, FontKind::Bold975},
        {kLabel1, ControlKind::Label,
         L"Only parents can edit computer time schedules.  The first time you used Horodesk you "
         L"set the master password.  Type in the master password below and press Continue.",
         480, 840, 7455, 495},
    }};
    if (!CreateFrame(kFrame, controls, centreOver)) {
        return false;
    }
    // Enter in the box is the gate's own key press, not the dialog manager's default button.
    SubclassWindow(Control(kText3), &MPasswordWindow::PasswordBoxProc, 0,
                   reinterpret_cast<DWORD_PTR>(this));
    ShowAndFocus();
    return true;
}

std::string MPasswordWindow::Entry() const {
    return WideToAnsi(WindowText(Control(kText3)));
}

LRESULT CALLBACK MPasswordWindow::PasswordBoxProc(HWND hwnd, UINT message, WPARAM wParam,
                                                  LPARAM lParam, UINT_PTR id, DWORD_PTR self) {
    switch (message) {
    case WM_GETDLGCODE: {
        LRESULT code = DefSubclass(hwnd, message, wParam, lParam);
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg != nullptr && msg->wParam == VK_RETURN &&
            (msg->message == WM_KEYDOWN || msg->message == WM_CHAR)) {
            code |= DLGC_WANTALLKEYS;
        }
        return code;
    }
    case WM_CHAR:
        if (wParam == MPassword::kEnter) {
            auto* window = reinterpret_cast<MPasswordWindow*>(self);
            int passOn = window->gate_.Text3KeyPress(MPassword::kEnter, window->Entry());
            // The gate may have closed itself (password accepted): the box is gone then.
            if (!IsWindow(hwnd) || passOn == 0) {
                return 0;
            }
            wParam = static_cast<WPARAM>(passOn);
        }
        break;
    case WM_NCDESTROY:
        RemoveSubclass(hwnd, &MPasswordWindow::PasswordBoxProc, id);
        break;
    default:
        break;
    }
    return DefSubclass(hwnd, message, wParam, lParam);
}

void MPasswordWindow::OnCommand(int id, int code, HWND /*control*/) {
    if (code != BN_CLICKED) {
        return;
    }
    switch (id) {
    case kCommand3:
        gate_.Command3Click(Entry());
        break;
    case kCommand4:
        gate_.Command4Click();
        break;
    case kCommand1:
        gate_.Command1Click();
        break;
    default:
        break;
    }
}

COLORREF MPasswordWindow::LabelColour(int id) const {
    return GetSysColor(id == kLabel4 ? COLOR_HIGHLIGHT : COLOR_WINDOWTEXT);
}

} // namespace tembrel::win

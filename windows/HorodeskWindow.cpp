#include "windows/HorodeskWindow.h"

#include <array>

#include "platform/win32/Text.h"
#include "windows/Ui.h"

namespace tembrel::win {
namespace {

constexpr int kClientWidth = 6735;
constexpr int kClientHeight = 3705;
constexpr RECT kShape1{120, 720, 120 + 6495, 720 + 2895}; // twips

} // namespace

HorodeskWindow::HorodeskWindow(Horodesk& logic, HICON icon, std::wstring supportAddress)
    : logic_(logic), icon_(icon), supportAddress_(std::move(supportAddress)) {}

bool HorodeskWindow::Open() {
    // Created in tab order, which is also front to back. The hidden state boxes (BigCount, cUser,
    // Text1) live in the logic and need no control. The buttons never overlap each other, so
    // their order can follow the tab order; the labels keep their own order behind them.
    const std::array<ControlSpec, 7> controls{{
        {kCommand6, ControlKind::Button, L"End Session && Lock Computer", 360, 1920, 6015, 495},
        {kCommandEnd, ControlKind::Button, L"Close Tembrel *Parents Only*", 360, 2520, 3615, 375},
        {kCommand1, ControlKind::Button, L"Add/ Remove Bonus Time", 4080, 2520, 2295, 375},
        {kLabel3, ControlKind::CentredLabel, supportAddress_.c_str(), 360, 3240, 6015, 375},
        {kLabel2, ControlKind::CentredLabel, L"Questions?  Need Help?  Email us!", 360, 3000, 6015,
         255, FontKind::Bold825},
        {kLabel1, ControlKind::CentredLabel, L"TIME REMAINING", 240, 960, 6255, 495,
         FontKind::Bold1800},
        {kStatus, ControlKind::CentredLabel, L"00:00:00", 240, 1440, 6255, 375, FontKind::Bold1350},
    }};
    const FrameSpec frame{kClassName,    kTitle, WS_OVERLAPPEDWINDOW, 0, kClientWidth,
                          kClientHeight, icon_};
    if (!Create(frame, controls, nullptr)) {
        return false;
    }
    background_ = RenderPicture(art::SessionBackground(Dpi() / 96.0));
    // Every change the logic makes is shown through its Changed event, whatever event made it (a
    // click, a tick, a parent dialog, the end of the Windows session); the first Render shows the
    // state the window was built over.
    logic_.Load();
    Render();
    ShowAndFocus();
    SetTimer(Hwnd(), kTimer1, 1000, nullptr);
    SetTimer(Hwnd(), kTimer2, 10000, nullptr);
    return true;
}

void HorodeskWindow::Render() {
    if (!Exists()) {
        return;
    }
    SetLabelText(kStatus, AnsiToWide(logic_.Status()));
    HWND commandEnd = Control(kCommandEnd);
    bool enabled = logic_.CommandEndEnabled();
    if (!enabled && GetFocus() == commandEnd) {
        // A disabled control keeps no focus; move on, as Tab would.
        SetFocus(GetNextDlgTabItem(Hwnd(), commandEnd, FALSE));
    }
    if ((IsWindowEnabled(commandEnd) != FALSE) != enabled) {
        EnableWindow(commandEnd, enabled ? TRUE : FALSE);
    }
}

void HorodeskWindow::OnCommand(int id, int code, HWND /*control*/) {
    if (code != BN_CLICKED) {
        return;
    }
    switch (id) {
    case kCommand6:
        logic_.Command6Click();
        break;
    case kCommandEnd:
        logic_.CommandEndClick();
        break;
    case kCommand1:
        logic_.Command1Click();
        break;
    default:
        break;
    }
}

LRESULT HorodeskWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (wParam == kTimer1) {
            logic_.Timer1Tick();
        } else if (wParam == kTimer2) {
            logic_.Timer2Tick();
        } else {
            break;
        }
        return 0;
    case WM_CLOSE:
        // The close box, the system menu and Alt+F4 all end here; the default closes the window.
        if (!logic_.CloseRequest()) {
            return 0;
        }
        break;
    case WM_QUERYENDSESSION:
        // Windows may always end the session: only the user's own close requests ask the logic.
        return TRUE;
    case WM_ENDSESSION:
        if (wParam != FALSE) {
            // The process may go at any moment after this returns: record the use now.
            logic_.RecordRunningSession();
        }
        return 0;
    default:
        break;
    }
    return View::OnMessage(message, wParam, lParam);
}

void HorodeskWindow::OnPaintBackground(HDC dc) {
    RECT client{};
    GetClientRect(Hwnd(), &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawBitmap(dc, background_.Get(), 0, 0);
    RECT shape{Twips(kShape1.left, Dpi()), Twips(kShape1.top, Dpi()), Twips(kShape1.right, Dpi()),
               Twips(kShape1.bottom, Dpi())};
    FillRect(dc, &shape, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

COLORREF HorodeskWindow::LabelColour(int id) const {
    return id == kStatus ? RGB(255, 0, 0) : GetSysColor(COLOR_WINDOWTEXT);
}

void HorodeskWindow::OnDpiChanged() {
    background_ = RenderPicture(art::SessionBackground(Dpi() / 96.0));
}

void HorodeskWindow::OnDestroyed() {
    if (quitOnDestroy_) {
        PostQuitMessage(0);
    }
}

} // namespace tembrel::win

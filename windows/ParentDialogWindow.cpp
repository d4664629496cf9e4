#include "windows/ParentDialogWindow.h"

#include "art/Artwork.h"
#include "windows/Ui.h"

namespace tembrel::win {

bool ParentDialogWindow::CreateFrame(const DialogFrame& dialog,
                                     std::span<const ControlSpec> controls, HWND centreOver) {
    const FrameSpec frame{
        dialog.className,    dialog.title, WS_OVERLAPPEDWINDOW, 0, dialog.clientWidth,
        dialog.clientHeight, icon_};
    if (!Create(frame, controls, centreOver)) {
        return false;
    }
    OnDpiChanged();
    return true;
}

void ParentDialogWindow::Detach() {
    detached_ = true;
    Destroy();
}

LRESULT ParentDialogWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        logic_.CloseBox();
        return 0;
    }
    return View::OnMessage(message, wParam, lParam);
}

void ParentDialogWindow::OnPaintBackground(HDC dc) {
    RECT client{};
    GetClientRect(Hwnd(), &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    DrawBitmap(dc, background_.Get(), 0, 0);
}

void ParentDialogWindow::OnDpiChanged() {
    background_ = RenderPicture(art::DialogBackground(Dpi() / 96.0));
}

void ParentDialogWindow::OnDestroyed() {
    if (!detached_) {
        logic_.WindowDestroyed();
    }
}

} // namespace tembrel::win

#include "windows/ParentDialogWindow.h"

#include "art/Artwork.h"
#include "dialogs/BonusTime.h"
#include "dialogs/MPassword.h"
#include "windows/Ui.h"

namespace tembrel::win {

template <class Logic>
bool ParentDialogWindow<Logic>::CreateFrame(const wchar_t* className, const wchar_t* title,
                                            int clientWidth, int clientHeight,
                                            std::span<const ControlSpec> controls,
                                            HWND centreOver) {
    const FrameSpec frame{className,    title, WS_OVERLAPPEDWINDOW, 0, clientWidth,
                          clientHeight, icon_};
    if (!Create(frame, controls, centreOver)) {
        return false;
    }
    OnDpiChanged();
    return true;
}

template <class Logic> void ParentDialogWindow<Logic>::Detach() {
    detached_ = true;
    Destroy();
}

template <class Logic>
LRESULT ParentDialogWindow<Logic>::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        logic_.CloseBox();
        return 0;
    }
    return View::OnMessage(message, wParam, lParam);
}

template <class Logic> void ParentDialogWindow<Logic>::OnPaintBackground(HDC dc) {
    RECT client{};
    GetClientRect(Hwnd(), &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    DrawBitmap(dc, background_.Get(), 0, 0);
}

template <class Logic> void ParentDialogWindow<Logic>::OnDpiChanged() {
    background_ = RenderPicture(art::DialogBackground(Dpi() / 96.0));
}

template <class Logic> void ParentDialogWindow<Logic>::OnDestroyed() {
    if (!detached_) {
        logic_.WindowDestroyed();
    }
}

template class ParentDialogWindow<MPassword>;
template class ParentDialogWindow<BonusTime>;

} // namespace tembrel::win

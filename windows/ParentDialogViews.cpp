#include "windows/ParentDialogViews.h"

#include "windows/Ui.h"

namespace tembrel::win {
namespace {

void BringToFront(HWND hwnd) {
    if (IsIconic(hwnd)) {
        ShowWindow(hwnd, SW_RESTORE);
    }
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
}

} // namespace

ParentDialogViews::ParentDialogViews(HICON programIcon, HICON bonusIcon)
    : programIcon_(programIcon), bonusIcon_(bonusIcon) {}

ParentDialogViews::~ParentDialogViews() {
    if (gateWindow_) {
        gateWindow_->Detach();
    }
    if (bonusWindow_) {
        bonusWindow_->Detach();
    }
}

void ParentDialogViews::Attach(MPassword& gate, BonusTime& bonus) {
    gate_ = &gate;
    bonus_ = &bonus;
}

// At most one window of each dialog: an open one comes to the front, otherwise a new one opens.
template <class Window, class Logic>
void ParentDialogViews::ShowOnce(std::unique_ptr<Window>& window, Logic* logic, HICON icon) {
    if (window && window->Exists()) {
        BringToFront(window->Hwnd());
        return;
    }
    if (logic == nullptr) {
        return;
    }
    window = std::make_unique<Window>(*logic, icon);
    window->Open(centreOver_);
}

void ParentDialogViews::ShowGateWindow() {
    ShowOnce(gateWindow_, gate_, programIcon_);
}

void ParentDialogViews::CloseGateWindow() {
    if (gateWindow_) {
        gateWindow_->Destroy();
    }
}

void ParentDialogViews::ShowBonusWindow() {
    ShowOnce(bonusWindow_, bonus_, bonusIcon_);
}

void ParentDialogViews::CloseBonusWindow() {
    if (bonusWindow_) {
        bonusWindow_->Destroy();
    }
}

} // namespace tembrel::win

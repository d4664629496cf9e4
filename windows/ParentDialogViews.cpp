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
    : programIcon_(programIcon), bonusIcon_(bonusIcon),
      background_(RenderPicture(art::DialogBackground(WindowDpi(nullptr) / 96.0))) {}

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

void ParentDialogViews::ShowGateWindow() {
    if (gateWindow_ && gateWindow_->Exists()) {
        BringToFront(gateWindow_->Hwnd());
        return;
    }
    if (gate_ == nullptr) {
        return;
    }
    gateWindow_ = std::make_unique<MPasswordWindow>(*gate_, programIcon_, background_.Get());
    gateWindow_->Open(centreOver_);
}

void ParentDialogViews::CloseGateWindow() {
    if (gateWindow_) {
        gateWindow_->Destroy();
    }
}

void ParentDialogViews::ShowBonusWindow() {
    if (bonusWindow_ && bonusWindow_->Exists()) {
        BringToFront(bonusWindow_->Hwnd());
        return;
    }
    if (bonus_ == nullptr) {
        return;
    }
    bonusWindow_ = std::make_unique<BonusTimeWindow>(*bonus_, bonusIcon_, background_.Get());
    bonusWindow_->Open(centreOver_);
}

void ParentDialogViews::CloseBonusWindow() {
    if (bonusWindow_) {
        bonusWindow_->Destroy();
    }
}

} // namespace tembrel::win

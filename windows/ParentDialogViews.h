#pragma once
// The windows of the two parent dialogs, as the dialogs' logic asks for them: at most one of
// each, created when first shown and destroyed when closed. A window that has been destroyed is
// kept as an empty object until the next one replaces it, because the logic closes a dialog from
// inside that dialog's own message handler.
#include <memory>

#include "dialogs/BonusTime.h"
#include "dialogs/DialogWindows.h"
#include "dialogs/MPassword.h"
#include "windows/BonusTimeWindow.h"
#include "windows/Gdi.h"
#include "windows/MPasswordWindow.h"

namespace tembrel::win {

class ParentDialogViews : public DialogWindows {
  public:
    ParentDialogViews(HICON programIcon, HICON bonusIcon);
    // The logic may be gone before this object: the windows it still has close without telling it.
    ~ParentDialogViews() override;
    // The logic is built after its windows (it needs them): join them here.
    void Attach(MPassword& gate, BonusTime& bonus);
    void CentreOver(HWND window) { centreOver_ = window; }

    void ShowGateWindow() override;
    void CloseGateWindow() override;
    void ShowBonusWindow() override;
    void CloseBonusWindow() override;

    HWND GateHwnd() const { return gateWindow_ ? gateWindow_->Hwnd() : nullptr; }
    HWND BonusHwnd() const { return bonusWindow_ ? bonusWindow_->Hwnd() : nullptr; }

  private:
    template <class Window, class Logic>
    void ShowOnce(std::unique_ptr<Window>& window, Logic* logic, HICON icon);

    HICON programIcon_;
    HICON bonusIcon_;
    HWND centreOver_ = nullptr;
    MPassword* gate_ = nullptr;
    BonusTime* bonus_ = nullptr;
    std::unique_ptr<MPasswordWindow> gateWindow_;
    std::unique_ptr<BonusTimeWindow> bonusWindow_;
};

} // namespace tembrel::win

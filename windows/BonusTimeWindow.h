#pragma once
// The bonus time dialog's window: a button for each of the dialog's choices around a heading and
// a note, over the dialogs' background picture, with an icon of its own.
#include <array>
#include <string>

#include "dialogs/BonusTime.h"
#include "windows/ParentDialogWindow.h"

namespace tembrel::win {

class BonusTimeWindow : public ParentDialogWindow {
  public:
    static constexpr DialogFrame kFrame{L"TembrelBonusTime", L"Add Bonus Time", 8235, 2745};
    static constexpr int kTimeButton0 = 400; // TimeButton(i) has the id 400 + i
    enum : int { kLabel1 = 201, kLabel2 = 202 };

    BonusTimeWindow(BonusTime& bonus, HICON icon)
        : ParentDialogWindow(bonus, icon), bonus_(bonus) {}
    bool Open(HWND centreOver);

  private:
    void OnCommand(int id, int code, HWND control) override;

    BonusTime& bonus_;
    std::array<std::wstring, BonusTime::kChoices.size()> captions_;
};

} // namespace tembrel::win

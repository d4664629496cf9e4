#pragma once
// The bonus time dialog's window: eight buttons around a heading and a note, over the dialogs'
// background picture, with an icon of its own.
#include "dialogs/BonusTime.h"
#include "windows/View.h"

namespace tembrel::win {

class BonusTimeWindow : public View {
  public:
    static constexpr const wchar_t* kClassName = L"TembrelBonusTime";
    static constexpr const wchar_t* kTitle = L"Add Bonus Time";
    static constexpr int kTimeButton0 = 400; // TimeButton(i) has the id 400 + i
    enum : int { kLabel1 = 201, kLabel2 = 202 };

    BonusTimeWindow(BonusTime& logic, HICON icon, HBITMAP background);
    bool Open(HWND centreOver);
    // Destroys the window without telling the logic (which may be gone already).
    void Detach();

  private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnCommand(int id, int code, HWND control) override;
    void OnPaintBackground(HDC dc) override;
    void OnDestroyed() override;

    BonusTime& logic_;
    HICON icon_;
    bool detached_ = false;
    HBITMAP background_;
};

} // namespace tembrel::win

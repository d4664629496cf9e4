#pragma once
// The master password gate's window: a password box that shows "*", three buttons, two labels
// over the dialogs' background picture. Enter in the box is forwarded as a key press, exactly
// like "Continue  ->".
#include <string>

#include "dialogs/MPassword.h"
#include "windows/ParentDialogWindow.h"

namespace tembrel::win {

class MPasswordWindow : public ParentDialogWindow {
  public:
    static constexpr DialogFrame kFrame{L"TembrelPasswordGate", L"Master Password Required To Edit",
                                        8295, 2775};
    enum : int { kCommand1 = 101, kCommand3 = 103, kCommand4 = 104 }; // the buttons
    enum : int { kLabel1 = 201, kLabel4 = 204, kText3 = 300 };

    MPasswordWindow(MPassword& gate, HICON icon) : ParentDialogWindow(gate, icon), gate_(gate) {}
    bool Open(HWND centreOver);

  private:
    void OnCommand(int id, int code, HWND control) override;
    COLORREF LabelColour(int id) const override;
    std::string Entry() const;
    static LRESULT CALLBACK PasswordBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR self);

    MPassword& gate_;
};

} // namespace tembrel::win

#pragma once
// The master password gate's window: a password box that shows "*", three buttons, two labels
// over the dialogs' background picture. Enter in the box is forwarded as a key press, exactly
// like "Continue  ->".
#include "dialogs/MPassword.h"
#include "windows/View.h"

namespace tembrel::win {

class MPasswordWindow : public View {
  public:
    static constexpr const wchar_t* kClassName = L"TembrelPasswordGate";
    static constexpr const wchar_t* kTitle = L"Master Password Required To Edit";
    enum : int {
        kCommand1 = 101,
        kCommand3 = 103,
        kCommand4 = 104,
        kLabel1 = 201,
        kLabel4 = 204,
        kText3 = 300,
    };

    MPasswordWindow(MPassword& logic, HICON icon, HBITMAP background);
    bool Open(HWND centreOver);
    // Destroys the window without telling the logic (which may be gone already).
    void Detach();

  private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnCommand(int id, int code, HWND control) override;
    void OnPaintBackground(HDC dc) override;
    COLORREF LabelColour(int id) const override;
    void OnDestroyed() override;
    std::string Entry() const;
    static LRESULT CALLBACK PasswordBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    MPassword& logic_;
    HICON icon_;
    bool detached_ = false;
    HBITMAP background_; // shared with the bonus dialog, owned by the dialogs
    WNDPROC editProc_ = nullptr;
};

} // namespace tembrel::win

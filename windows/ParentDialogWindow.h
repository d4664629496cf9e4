#pragma once
// The frame both parent dialogs share: a resizable window over the dialogs' background picture
// (drawn again for each DPI), whose close box goes to the logic's CloseBox, and whose end is told
// to the logic unless the window was detached from it (the logic may be gone already).
#include <span>

#include "dialogs/DialogWindows.h"
#include "windows/Gdi.h"
#include "windows/View.h"

namespace tembrel::win {

// What tells one parent dialog's window from the other: its window class, title and client size.
struct DialogFrame {
    const wchar_t* className;
    const wchar_t* title;
    int clientWidth, clientHeight; // twips
};

class ParentDialogWindow : public View {
  public:
    ParentDialogWindow(DialogLogic& logic, HICON icon) : logic_(logic), icon_(icon) {}
    // Destroys the window without telling the logic.
    void Detach();

  protected:
    // Creates the window hidden, its controls in tab order, with the background for its DPI.
    bool CreateFrame(const DialogFrame& frame, std::span<const ControlSpec> controls,
                     HWND centreOver);

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnPaintBackground(HDC dc) override;
    void OnDpiChanged() override;
    void OnDestroyed() override;

  private:
    DialogLogic& logic_;
    HICON icon_;
    bool detached_ = false;
    Bitmap background_;
};

} // namespace tembrel::win

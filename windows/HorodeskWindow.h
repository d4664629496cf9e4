#pragma once
// The session window: shows the time remaining and the session buttons over its background
// picture, forwards clicks, timer ticks and close requests to the session logic, and renders
// what the logic says whenever the logic says it changed (its Changed event, joined by the
// program's parts). The user's close closes it only if the
// logic allows; Windows may always end the session.
#include <string>

#include "session/Horodesk.h"
#include "windows/View.h"

namespace tembrel::win {

class HorodeskWindow : public View {
  public:
    static constexpr const wchar_t* kClassName = L"TembrelSessionWindow";
    static constexpr const wchar_t* kTitle = L"Tembrel v2.0";
    enum : int {
        kCommand1 = 101,
        kCommandEnd = 102,
        kCommand6 = 106,
        kLabel1 = 201,
        kLabel2 = 202,
        kLabel3 = 203,
        kStatus = 210,
    };
    static constexpr UINT_PTR kTimer1 = 1;
    static constexpr UINT_PTR kTimer2 = 2;

    HorodeskWindow(Horodesk& logic, HICON icon, std::wstring supportAddress);

    // Creates the window, runs the logic's load (lock-down, first launch of the lock screen),
    // shows the window and starts both timers.
    bool Open();
    // The program ends when this window goes (tests keep their message queue clean without it).
    void QuitOnDestroy(bool quit) { quitOnDestroy_ = quit; }

    // Shows the logic's state: the Status caption and whether CommandEnd is enabled. Called when
    // the logic tells of a change (and once at Open), never after forwarding an event; nothing
    // before the window exists.
    void Render();

  private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnCommand(int id, int code, HWND control) override;
    void OnPaintBackground(HDC dc) override;
    COLORREF LabelColour(int id) const override;
    void OnDpiChanged() override;
    void OnDestroyed() override;

    Horodesk& logic_;
    HICON icon_;
    std::wstring supportAddress_;
    Bitmap background_;
    bool quitOnDestroy_ = false;
};

} // namespace tembrel::win

#pragma once
// The borderless start-up window: the splash picture and the version, for two seconds. Then it
// hands over (the session window opens) and goes.
#include <functional>

#include "windows/View.h"

namespace tembrel::win {

class SplashWindow : public View {
  public:
    // Two seconds, then the hand-over.
    static constexpr UINT_PTR kTimer = 1;
    static constexpr UINT kIntervalMs = 2000;
    static constexpr const wchar_t* kClassName = L"TembrelSplash";
    static constexpr const wchar_t* kTitle = L"Tembrel.. loading!";
    enum : int { kLabel1 = 201 };

    SplashWindow(HICON icon, std::function<void()> onElapsed);
    bool Open();

  private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnPaintBackground(HDC dc) override;
    void OnDpiChanged() override;

    HICON icon_;
    std::function<void()> onElapsed_;
    Bitmap picture_;
};

} // namespace tembrel::win

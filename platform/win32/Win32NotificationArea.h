#pragma once
// The notification area of the Windows shell: one icon with a tooltip, balloon notifications from
// it, and the session window brought forward. The icon belongs to a hidden top-level window of its
// own, which hears the icon's clicks and the shell's "TaskbarCreated" (a message-only window would
// not: that message is broadcast to top-level windows). The icon goes when this object goes.
#include <windows.h>

#include <shellapi.h>

#include <functional>
#include <string>
#include <utility>

#include "platform/NotificationArea.h"

namespace tembrel {

class Win32NotificationArea : public NotificationArea {
  public:
    static constexpr const wchar_t* kClassName = L"TembrelNotificationArea";
    static constexpr UINT kIconId = 1;
    static constexpr UINT kCallbackMessage = WM_APP + 13;

    // `icon` stays owned by the caller and must outlive this object.
    explicit Win32NotificationArea(HICON icon);
    ~Win32NotificationArea() override;
    Win32NotificationArea(const Win32NotificationArea&) = delete;
    Win32NotificationArea& operator=(const Win32NotificationArea&) = delete;

    // Gives the window that BringWindowToFront and FlashWindow act on (none before it exists).
    void SetWindow(std::function<HWND()> window) { window_ = std::move(window); }
    // Called when the icon (or its balloon) is clicked.
    std::function<void()> onClick;

    void ShowIcon(const std::string& tooltip) override;
    void RemoveIcon() override;
    void ShowBalloon(const std::string& title, const std::string& text) override;
    void BringWindowToFront() override;
    void FlashWindow() override;

    // What the shell accepted, for tests and for the diagnostics of a caller.
    HWND NotifyHwnd() const { return hwnd_; }
    bool IconAdded() const { return added_; }
    const std::wstring& Tooltip() const { return tooltip_; }
    bool Version4() const { return version4_; }
    int Adds() const { return adds_; }
    int BalloonsAccepted() const { return balloons_; }

  private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    NOTIFYICONDATAW Data(UINT flags) const;
    HWND Window() const;
    bool Add();

    HICON icon_;
    HWND hwnd_ = nullptr;
    std::function<HWND()> window_;
    UINT taskbarCreated_ = 0;
    std::wstring tooltip_;
    bool wanted_ = false;   // the icon should be there (shown and not removed since)
    bool added_ = false;    // the shell took it
    bool version4_ = false; // the shell speaks the newer callback language (NIN_SELECT)
    int adds_ = 0;
    int balloons_ = 0;
};

} // namespace tembrel

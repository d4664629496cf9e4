#include "platform/win32/Win32NotificationArea.h"

#include <algorithm>
#include <cwchar>

#include "platform/win32/Text.h"

namespace tembrel {

namespace {

template <std::size_t N> void CopyText(wchar_t (&to)[N], const std::wstring& from) {
    const std::size_t length = std::min(from.size(), N - 1);
    std::wmemcpy(to, from.data(), length);
    to[length] = L'\0';
}

} // namespace

Win32NotificationArea::Win32NotificationArea(HICON icon) : icon_(icon) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Win32NotificationArea::WndProc;
    wc.hInstance = instance;
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc); // fails harmlessly when a second object registers it again
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    // Never shown: WS_POPUP without WS_VISIBLE, and no taskbar button.
    hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"Tembrel", WS_POPUP, 0, 0, 0, 0, nullptr,
                            nullptr, instance, this);
}

Win32NotificationArea::~Win32NotificationArea() {
    RemoveIcon();
    if (hwnd_ != nullptr) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

NOTIFYICONDATAW Win32NotificationArea::Data(UINT flags) const {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = hwnd_;
    data.uID = kIconId;
    data.uFlags = flags;
    return data;
}

bool Win32NotificationArea::Add() {
    if (hwnd_ == nullptr) {
        return false;
    }
    NOTIFYICONDATAW data = Data(NIF_ICON | NIF_MESSAGE | NIF_TIP | NIF_SHOWTIP);
    data.uCallbackMessage = kCallbackMessage;
    data.hIcon = icon_;
    CopyText(data.szTip, tooltip_);
    if (Shell_NotifyIconW(NIM_ADD, &data) == FALSE) {
        // An icon left from before a restart of the shell, or of ours: change it instead.
        if (Shell_NotifyIconW(NIM_MODIFY, &data) == FALSE) {
            return false;
        }
    }
    ++adds_;
    NOTIFYICONDATAW version = Data(0);
    version.uVersion = NOTIFYICON_VERSION_4;
    version4_ = Shell_NotifyIconW(NIM_SETVERSION, &version) != FALSE;
    return true;
}

void Win32NotificationArea::ShowIcon(const std::string& tooltip) {
    tooltip_ = AnsiToWide(tooltip);
    wanted_ = true;
    if (added_) {
        NOTIFYICONDATAW data = Data(NIF_TIP | NIF_SHOWTIP);
        CopyText(data.szTip, tooltip_);
        if (Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE) {
            return;
        }
        // The shell lost the icon without telling us (it restarted while we were busy).
    }
    added_ = Add();
}

void Win32NotificationArea::RemoveIcon() {
    wanted_ = false;
    if (added_) {
        NOTIFYICONDATAW data = Data(0);
        Shell_NotifyIconW(NIM_DELETE, &data);
        added_ = false;
    }
}

void Win32NotificationArea::ShowBalloon(const std::string& title, const std::string& text) {
    if (!added_ && wanted_) {
        added_ = Add();
    }
    if (!added_) {
        return;
    }
    NOTIFYICONDATAW data = Data(NIF_INFO);
    CopyText(data.szInfoTitle, AnsiToWide(title));
    CopyText(data.szInfo, AnsiToWide(text));
    data.dwInfoFlags = NIIF_USER | NIIF_LARGE_ICON;
    data.hBalloonIcon = icon_;
    if (Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE) {
        ++balloons_;
    }
}

HWND Win32NotificationArea::Window() const {
    HWND window = window_ ? window_() : nullptr;
    return window != nullptr && IsWindow(window) != FALSE ? window : nullptr;
}

void Win32NotificationArea::BringWindowToFront() {
    HWND window = Window();
    if (window == nullptr) {
        return;
    }
    if (IsIconic(window) != FALSE) {
        ShowWindow(window, SW_RESTORE);
    }
    // Windows may refuse the front to a program the user is not working with; the flash that
    // comes with a warning then shows where to look.
    SetForegroundWindow(window);
    BringWindowToTop(window);
}

void Win32NotificationArea::FlashWindow() {
    HWND window = Window();
    if (window == nullptr) {
        return;
    }
    FLASHWINFO flash{};
    flash.cbSize = sizeof flash;
    flash.hwnd = window;
    flash.dwFlags = FLASHW_ALL | FLASHW_TIMERNOFG;
    FlashWindowEx(&flash);
}

LRESULT CALLBACK Win32NotificationArea::WndProc(HWND hwnd, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32NotificationArea*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr && self->hwnd_ == hwnd) {
        return self->OnMessage(message, wParam, lParam);
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT Win32NotificationArea::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kCallbackMessage) {
        const UINT event = LOWORD(lParam);
        // The newer shell sends NIN_SELECT after the button-up of a click; the older one only
        // the button-up. Either way one click brings the window forward once.
        const bool click =
            version4_ ? (event == NIN_SELECT || event == NIN_KEYSELECT) : event == WM_LBUTTONUP;
        if ((click || event == NIN_BALLOONUSERCLICK) && onClick) {
            try {
                onClick();
            } catch (...) {
                // A click that fails does nothing; the message loop must not see it.
            }
        }
        return 0;
    }
    if (message == taskbarCreated_ && taskbarCreated_ != 0) {
        // Explorer started again and knows no icons: put ours back, with its tooltip.
        if (wanted_) {
            added_ = Add();
        }
        return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

} // namespace tembrel

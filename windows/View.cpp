#include "windows/View.h"

#include "platform/win32/Text.h"
#include "windows/Ui.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace tembrel::win {
namespace {

void RegisterOnce(const wchar_t* className, HICON icon, WNDPROC proc) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(GetModuleHandleW(nullptr), className, &existing)) {
        return;
    }
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = icon;
    wc.hIconSm = icon;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    wc.lpszClassName = className;
    RegisterClassExW(&wc);
}

int PointsX100(FontKind kind) {
    switch (kind) {
    case FontKind::Regular975:
    case FontKind::Bold975:
        return 975;
    case FontKind::Bold1350:
        return 1350;
    case FontKind::Bold1800:
        return 1800;
    default:
        return 825;
    }
}

bool Bold(FontKind kind) {
    return kind == FontKind::Bold825 || kind == FontKind::Bold975 || kind == FontKind::Bold1350 ||
           kind == FontKind::Bold1800;
}

} // namespace

View::~View() {
    Destroy();
}

void View::Destroy() {
    if (hwnd_ != nullptr) {
        DestroyWindow(hwnd_);
    }
}

HWND View::Control(int id) const {
    for (std::size_t i = 0; i < specs_.size(); ++i) {
        if (specs_[i].id == id) {
            return controls_[i];
        }
    }
    return nullptr;
}

bool View::Create(const FrameSpec& frame, std::span<const ControlSpec> controls, HWND centreOver) {
    RegisterOnce(frame.className, frame.icon, &View::Proc);
    specs_.assign(controls.begin(), controls.end());
    HWND hwnd =
        CreateWindowExW(frame.exStyle, frame.className, frame.title, frame.style, CW_USEDEFAULT,
                        CW_USEDEFAULT, 100, 100, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (hwnd == nullptr) {
        return false;
    }
    if (frame.icon != nullptr) {
        SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(frame.icon));
        SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(frame.icon));
    }
    dpi_ = WindowDpi(hwnd);
    MakeFonts();
    for (const ControlSpec& item : specs_) {
        const wchar_t* cls = L"STATIC";
        DWORD style = WS_CHILD | WS_VISIBLE;
        DWORD exStyle = 0;
        switch (item.kind) {
        case ControlKind::Button:
            cls = L"BUTTON";
            style |= WS_TABSTOP | BS_PUSHBUTTON;
            break;
        case ControlKind::Label:
            style |= SS_LEFT | SS_NOPREFIX;
            break;
        case ControlKind::CentredLabel:
            style |= SS_CENTER | SS_NOPREFIX;
            break;
        case ControlKind::PasswordBox:
            cls = L"EDIT";
            style |= WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL | ES_LEFT;
            exStyle = WS_EX_CLIENTEDGE;
            break;
        }
        RECT rc = ControlRectPx(item);
        HWND control = CreateWindowExW(exStyle, cls, item.text, style, rc.left, rc.top,
                                       rc.right - rc.left, rc.bottom - rc.top, hwnd,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)),
                                       GetModuleHandleW(nullptr), nullptr);
        if (item.kind == ControlKind::PasswordBox) {
            SendMessageW(control, EM_SETPASSWORDCHAR, L'*', 0);
        }
        controls_.push_back(control);
    }
    PlaceControls();
    SIZE outer = OuterSize(frame.style, frame.exStyle, Twips(frame.clientWidth, dpi_),
                           Twips(frame.clientHeight, dpi_), dpi_);
    SetWindowPos(hwnd, nullptr, 0, 0, outer.cx, outer.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CentreWindow(hwnd, centreOver);
    return true;
}

void View::MakeFonts() {
    for (std::size_t i = 0; i < fonts_.size(); ++i) {
        auto kind = static_cast<FontKind>(i);
        fonts_[i] = MakeFont(PointsX100(kind), Bold(kind), dpi_);
    }
}

RECT View::ControlRectPx(const ControlSpec& item) const {
    int left = Twips(item.left, dpi_);
    int top = Twips(item.top, dpi_);
    return {left, top, left + Twips(item.width, dpi_), top + Twips(item.height, dpi_)};
}

void View::PlaceControls() {
    for (std::size_t i = 0; i < specs_.size(); ++i) {
        RECT rc = ControlRectPx(specs_[i]);
        SetWindowPos(controls_[i], nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        HFONT font = fonts_[static_cast<std::size_t>(specs_[i].font)].Get();
        SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

void View::ShowAndFocus(int showCommand) {
    if (hwnd_ == nullptr) {
        return;
    }
    ShowWindow(hwnd_, showCommand);
    SetForegroundWindow(hwnd_);
    if (HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE); first != nullptr) {
        SetFocus(first);
    }
    UpdateWindow(hwnd_);
}

void View::SetLabelText(int id, const std::wstring& text) {
    HWND label = Control(id);
    if (label == nullptr || WindowText(label) == text) {
        return;
    }
    SetWindowTextW(label, text.c_str());
    for (const ControlSpec& item : specs_) {
        if (item.id == id) {
            RECT rc = ControlRectPx(item);
            RedrawWindow(hwnd_, &rc, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        }
    }
}

LRESULT View::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT View::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        OnPaintBackground(reinterpret_cast<HDC>(wParam));
        return 1;
    case WM_PRINTCLIENT:
        OnPaintBackground(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_PAINT: {
        const PaintDc paint(hwnd_);
        if (paint.Erase()) {
            OnPaintBackground(paint.Get());
        }
        return 0;
    }
    case WM_CTLCOLORSTATIC: {
        auto dc = reinterpret_cast<HDC>(wParam);
        auto control = reinterpret_cast<HWND>(lParam);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, LabelColour(GetDlgCtrlID(control)));
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
    case WM_COMMAND:
        if (lParam != 0) {
            OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        }
        return 0;
    case WM_ACTIVATE:
        // Keep the focus where the user left it when the window is activated again.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus != nullptr && IsChild(hwnd_, focus)) {
                savedFocus_ = focus;
            }
        } else {
            HWND target =
                savedFocus_ != nullptr && IsWindow(savedFocus_) && IsWindowEnabled(savedFocus_)
                    ? savedFocus_
                    : GetNextDlgTabItem(hwnd_, nullptr, FALSE);
            if (target != nullptr) {
                SetFocus(target);
                return 0;
            }
        }
        break;
    case WM_DPICHANGED: {
        dpi_ = HIWORD(wParam);
        MakeFonts();
        PlaceControls();
        OnDpiChanged();
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(hwnd_, nullptr, TRUE);
        return 0;
    }
    default:
        break;
    }
    return DefaultProc(message, wParam, lParam);
}

LRESULT CALLBACK View::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    View* self = nullptr;
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        self = static_cast<View*>(create->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<View*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (self == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->controls_.assign(self->controls_.size(), nullptr);
        self->savedFocus_ = nullptr;
        self->OnDestroyed();
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return self->OnMessage(message, wParam, lParam);
}

} // namespace tembrel::win

// Our stand-in lock screen: one full-screen window where a child picks their name and logs in, and
// where a parent sets the master password, adds children and quits the session timer. Everything
// it decides is in EngineLogic; this file only shows it.
#include <windows.h>

#include <algorithm>
#include <exception>
#include <string>

#include "guard/client/GuardClient.h"
#include "platform/win32/DllSearch.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Regional.h"
#include "standins/engine/EngineControls.h"
#include "standins/engine/EngineLogic.h"

namespace tembrel {
namespace {

using namespace engine;

class EngineWindow {
  public:
    explicit EngineWindow(EngineLogic& logic) : logic_(logic) {}

    bool Create(HINSTANCE instance) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &EngineWindow::Proc;
        wc.hInstance = instance;
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClassName;
        ::RegisterClassExW(&wc);
        const int width = ::GetSystemMetrics(SM_CXSCREEN);
        const int height = ::GetSystemMetrics(SM_CYSCREEN);
        window_ = ::CreateWindowExW(WS_EX_TOPMOST, kClassName, L"Tembrel lock screen",
                                    WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width, height,
                                    nullptr, nullptr, instance, this);
        return window_ != nullptr;
    }

    HWND Window() const { return window_; }

  private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* self = static_cast<EngineWindow*>(
                reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            self->window_ = window;
            ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        auto* self = reinterpret_cast<EngineWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self == nullptr) {
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
        switch (message) {
        case WM_CREATE:
            self->OnCreate();
            return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED || HIWORD(wParam) == LBN_DBLCLK) {
                self->OnCommand(LOWORD(wParam));
            }
            return 0;
        case DM_GETDEFID:
            return MAKELRESULT(kLogIn, DC_HASDEFID);
        case WM_CLOSE:
            return 0; // a lock screen that Alt+F4 closes would hand the desktop back unguarded
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
    }

    HWND Add(const wchar_t* type, const wchar_t* text, DWORD style, int id, int x, int y, int w,
             int h) {
        const int left = (::GetSystemMetrics(SM_CXSCREEN) - 760) / 2;
        const int top = std::max(0, (::GetSystemMetrics(SM_CYSCREEN) - 560) / 2);
        HWND control = ::CreateWindowExW(
            std::wstring(type) == L"EDIT" || std::wstring(type) == L"LISTBOX" ? WS_EX_CLIENTEDGE
                                                                              : 0,
            type, text, WS_CHILD | WS_VISIBLE | style, left + x, top + y, w, h, window_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), TRUE);
        return control;
    }

    void Label(const wchar_t* text, int x, int y, int w) {
        Add(L"STATIC", text, 0, -1, x, y + 3, w, 22);
    }
    void Edit(int id, int x, int y, int w, DWORD style = 0) {
        Add(L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL | style, id, x, y, w, 26);
    }
    void Button(const wchar_t* text, int id, int x, int y, int w, DWORD style = BS_PUSHBUTTON) {
        Add(L"BUTTON", text, WS_TABSTOP | style, id, x, y, w, 30);
    }

    void OnCreate() {
        font_.Reset(::CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                  DEFAULT_PITCH, L"Segoe UI"));
        Label(L"Who is using the computer?", 0, 0, 340);
        children_ =
            Add(L"LISTBOX", L"", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY, kChildren, 0, 30, 340, 220);
        Label(L"Your password, if you have one:", 0, 262, 340);
        Edit(kChildPassword, 0, 290, 220, ES_PASSWORD);
        Button(L"Log In", kLogIn, 230, 288, 110, BS_DEFPUSHBUTTON);
        message_ = Add(L"STATIC", L"", SS_LEFT, kMessage, 0, 340, 760, 50);

        Label(L"Parents: master password", 400, 0, 360);
        Edit(kMaster, 400, 28, 160, ES_PASSWORD);
        Button(L"Hint", kHint, 570, 26, 70);
        Button(L"Quit Tembrel", kQuit, 645, 26, 115);

        Label(L"New master password and hint", 400, 70, 360);
        Edit(kNewMaster, 400, 98, 170, ES_PASSWORD);
        Edit(kNewHint, 580, 98, 180);
        Button(L"Set Master Password", kSetMaster, 580, 130, 180);

        Label(L"Add a child: name", 400, 176, 200);
        Edit(kName, 600, 176, 160);
        Label(L"Minutes a day", 400, 208, 200);
        Edit(kDaily, 600, 208, 80, ES_NUMBER);
        Label(L"Hours from / until", 400, 240, 200);
        Edit(kOpen, 600, 240, 60, ES_NUMBER);
        Edit(kClose, 670, 240, 60, ES_NUMBER);
        Label(L"Child's password", 400, 272, 200);
        Edit(kNewChildPassword, 600, 272, 160, ES_PASSWORD);
        Button(L"Add Child", kAddChild, 600, 304, 160);

        Guarded([&] { FillChildren(); });
        ::SetFocus(children_);
    }

    std::string Text(int id) const { return WideToAnsi(WindowText(::GetDlgItem(window_, id))); }
    void Clear(int id) const { ::SetDlgItemTextW(window_, id, L""); }
    void Show(const std::string& text) const { SetWindowTextAnsi(message_, text); }

    template <typename Action> void Guarded(Action action) {
        try {
            action();
        } catch (const std::exception& e) {
            Show(std::string("Something went wrong: ") + e.what());
        }
    }

    void FillChildren() {
        ::SendMessageW(children_, LB_RESETCONTENT, 0, 0);
        for (const std::string& child : logic_.Children()) {
            ::SendMessageW(children_, LB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(AnsiToWide(child).c_str()));
        }
        if (::SendMessageW(children_, LB_GETCOUNT, 0, 0) == 0) {
            Show("No child is listed yet. A parent sets the master password, then adds a child.");
        }
    }

    std::string SelectedChild() const {
        const auto index = ::SendMessageW(children_, LB_GETCURSEL, 0, 0);
        if (index == LB_ERR) {
            return {};
        }
        const auto length = ::SendMessageW(children_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        ::SendMessageW(children_, LB_GETTEXT, static_cast<WPARAM>(index),
                       reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(length));
        return WideToAnsi(text);
    }

    void OnCommand(int id) {
        Guarded([&] {
            EngineLogic::Outcome outcome;
            switch (id) {
            case kChildren:
            case kLogIn:
                outcome = logic_.LogIn(SelectedChild(), Text(kChildPassword));
                Clear(kChildPassword);
                Show(outcome.message);
                if (outcome.ok) {
                    ::DestroyWindow(window_);
                }
                return;
            case kHint:
                Show(logic_.HasMasterPassword() ? "Hint: " + logic_.MasterHint()
                                                : "No master password is set yet.");
                return;
            case kQuit:
                // Where the guard service runs it restarts every end the parents did not
                // authorise: it is asked first, and its refusal ends nothing.
                if (guard::AskGuardToEnd(Text(kMaster)) == guard::EndAnswer::Refused) {
                    Clear(kMaster);
                    Show("The master password is not right, or Tembrel's guard did not answer.");
                    return;
                }
                outcome = logic_.QuitTembrel(Text(kMaster));
                Clear(kMaster);
                Show(outcome.message);
                if (outcome.ok) {
                    ::DestroyWindow(window_);
                }
                return;
            case kSetMaster:
                outcome = logic_.SetMasterPassword(Text(kMaster), Text(kNewMaster), Text(kNewHint));
                Clear(kMaster);
                Clear(kNewMaster);
                Show(outcome.message);
                return;
            case kAddChild:
                outcome = logic_.AddChild(Text(kMaster), Text(kName), Text(kDaily), Text(kOpen),
                                          Text(kClose), Text(kNewChildPassword));
                Clear(kMaster);
                Clear(kNewChildPassword);
                Show(outcome.message);
                if (outcome.ok) {
                    for (int field : {kName, kDaily, kOpen, kClose}) {
                        Clear(field);
                    }
                    FillChildren();
                    Show(outcome.message);
                }
                return;
            default:
                return;
            }
        });
    }

    EngineLogic& logic_;
    HWND window_ = nullptr;
    HWND children_ = nullptr;
    HWND message_ = nullptr;
    UniqueGdiObject font_;
};

} // namespace
} // namespace tembrel

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    using namespace tembrel;
    RestrictDllSearchToSystem32(); // the lock screen keeps no log to report a refusal in
    Win32Files files;
    Win32Clock clock;
    Win32Regional regional;
    EngineLogic logic({files, clock, regional});
    EngineWindow window(logic);
    if (!window.Create(instance)) {
        return 1;
    }
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!::IsDialogMessageW(window.Window(), &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    return 0;
}

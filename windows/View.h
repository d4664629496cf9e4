#pragma once
// The common frame of the program's windows: a real top-level window with real child controls,
// laid out in twips and scaled by the window's DPI. `this` lives in GWLP_USERDATA and messages go
// to virtual OnXxx methods. Controls are created in the order given, which is both their order
// front to back and their tab order; labels are transparent over whatever the window paints behind
// them.
#include <windows.h>

#include <array>
#include <span>
#include <string>
#include <vector>

#include "windows/Gdi.h"

namespace tembrel::win {

enum class FontKind { Default, Bold825, Regular975, Bold975, Bold1350, Bold1800, Count };

enum class ControlKind { Button, Label, CentredLabel, PasswordBox };

struct ControlSpec {
    int id;
    ControlKind kind;
    const wchar_t* text;
    int left, top, width, height; // twips
    FontKind font = FontKind::Default;
};

struct FrameSpec {
    const wchar_t* className;
    const wchar_t* title;
    DWORD style;
    DWORD exStyle;
    int clientWidth, clientHeight; // twips
    HICON icon;                    // not owned
};

class View {
  public:
    View() = default;
    View(const View&) = delete;
    View& operator=(const View&) = delete;
    virtual ~View();

    HWND Hwnd() const { return hwnd_; }
    HWND Control(int id) const;
    bool Exists() const { return hwnd_ != nullptr; }
    UINT Dpi() const { return dpi_; }
    // Shows the window and gives the focus to the first control in tab order that can take it.
    void ShowAndFocus(int showCommand = SW_SHOWNORMAL);
    void Destroy();

  protected:
    // Creates the window hidden, with its controls, sized by its client area and centred over
    // `centreOver` (or on the screen).
    bool Create(const FrameSpec& frame, std::span<const ControlSpec> controls, HWND centreOver);

    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void OnCommand(int /*id*/, int /*code*/, HWND /*control*/) {}
    virtual void OnPaintBackground(HDC dc) = 0;
    virtual COLORREF LabelColour(int /*id*/) const { return GetSysColor(COLOR_WINDOWTEXT); }
    virtual void OnDpiChanged() {}
    virtual void OnDestroyed() {}

    // Changes a transparent label's text and repaints what lies behind it, so that the old text
    // does not show through the new one.
    void SetLabelText(int id, const std::wstring& text);
    RECT ControlRectPx(const ControlSpec& item) const;
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void MakeFonts();
    void PlaceControls();

    HWND hwnd_ = nullptr;
    UINT dpi_ = 96;
    std::vector<ControlSpec> specs_;
    std::vector<HWND> controls_;
    std::array<Font, static_cast<std::size_t>(FontKind::Count)> fonts_;
    HWND savedFocus_ = nullptr;
};

} // namespace tembrel::win

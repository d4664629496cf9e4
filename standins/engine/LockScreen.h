#pragma once
// The lock screen's one full-screen window and its four pages: the children's tiles and login,
// the master password gate, the parents' area, and one child's settings. It shows what
// EngineLogic says and forwards what is typed and clicked; it decides nothing itself.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/win32/Handles.h"
#include "standins/engine/EngineLogic.h"

namespace tembrel::engine {

class LockScreen {
  public:
    enum class Page { Login, Gate, Parents, Child };

    // `onFinished` runs when a child has logged in or Tembrel is asked to quit: the screen's work
    // is done.
    LockScreen(EngineLogic& logic, std::function<void()> onFinished);
    LockScreen(const LockScreen&) = delete;
    LockScreen& operator=(const LockScreen&) = delete;
    ~LockScreen();

    // Full screen at the system's DPI.
    bool Create(HINSTANCE instance);
    HWND Window() const { return window_; }
    Page CurrentPage() const { return page_; }

    // The timer's work, for tests that do not wait: the clock, the tiles, today's hours, and the
    // way back from the parents' pages when nobody uses them.
    void Tick();

  private:
    struct Item {
        int id;
        Page page;
        const wchar_t* kind;
        std::wstring text;
        DWORD style;
        int font; // index into fonts_
    };

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCreate();
    void OnCommand(int id, int code);
    void OnDrawTile(const DRAWITEMSTRUCT& item);
    void Paint(HDC dc);

    void AddItems();
    void Layout();
    void Place(int id, int x, int y, int w, int h); // in 96-DPI units inside the panel
    int Px(int units) const { return ::MulDiv(units, static_cast<int>(dpi_), 96); }
    HWND Control(int id) const { return ::GetDlgItem(window_, id); }

    void ShowPage(Page page);
    void SetText(int id, const std::string& text);
    void Say(const std::string& text, bool problem = false);
    std::string Text(int id) const;
    bool Checked(int id) const;

    void FillTiles();
    void SelectTile(int index);
    void LogIn();
    void FillChildren();
    std::string SelectedChild() const;
    void OpenChild(const std::string& listed);
    void SyncSameEveryDay();
    void CheckField(int id);
    void SaveChild();
    void Saved(const EngineLogic::Outcome& outcome);
    void Guarded(const std::function<void()>& action);

    EngineLogic& logic_;
    std::function<void()> onFinished_;
    HWND window_ = nullptr;
    UINT dpi_ = 96;
    int width_ = 0;
    int height_ = 0;
    RECT panel_{};
    Page page_ = Page::Login;
    std::vector<Item> items_;
    std::vector<EngineLogic::Tile> tiles_;
    int selected_ = -1;
    std::string editing_; // the listed child the settings page changes; "" adds one
    bool problem_ = false;
    long long lastInput_ = 0; // LocalSeconds of the last click or key on a control
    bool filling_ = false;    // the page is being filled in: no field checks yet
    UniqueBitmap background_;
    std::vector<UniqueFont> fonts_;
    UniqueBrush white_;
};

} // namespace tembrel::engine

#include "standins/engine/LockScreen.h"

#include <algorithm>
#include <exception>

#include "art/Artwork.h"
#include "platform/win32/Text.h"
#include "records/ChildLimits.h"
#include "records/FindDate.h"
#include "standins/engine/EngineControls.h"

namespace tembrel::engine {

namespace {

constexpr UINT_PTR kTimer = 1;
// The parents' pages go back to the children's tiles after this long without a click or a key:
// a parent called away must not leave the settings open to a child.
constexpr long long kParentsIdleSeconds = 5 * 60;
constexpr int kBand = 76; // the navy band at the top, in 96-DPI units
constexpr int kPanelWidth = 980;
constexpr int kPanelHeight = 640;
constexpr int kTileWidth = 200;
constexpr int kTileHeight = 124;
constexpr int kTileGap = 24;
constexpr int kTilesTop = 112;

enum FontIndex { kNormal, kBold, kTitle, kBig, kTileName, kSmall, kFontCount };

constexpr const wchar_t* kDayNames[kDaysInWeek] = {
    L"Monday", L"Tuesday", L"Wednesday", L"Thursday", L"Friday", L"Saturday", L"Sunday"};

COLORREF Colour(art::Rgb rgb) {
    return RGB(rgb.r, rgb.g, rgb.b);
}
constexpr COLORREF kProblemColour = RGB(176, 42, 42);
constexpr COLORREF kClosedColour = RGB(150, 86, 30);

// The picture as a 24-bit DIB section, its texts drawn over it.
UniqueBitmap Render(const art::Picture& picture) {
    const art::Canvas& canvas = picture.canvas;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = canvas.Width();
    info.bmiHeader.biHeight = -canvas.Height();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || bits == nullptr) {
        return {};
    }
    const int stride = (canvas.Width() * 3 + 3) & ~3;
    auto* bytes = static_cast<unsigned char*>(bits);
    for (int y = 0; y < canvas.Height(); ++y) {
        unsigned char* row = bytes + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < canvas.Width(); ++x) {
            const art::Rgb p = canvas.At(x, y);
            row[x * 3] = p.b;
            row[x * 3 + 1] = p.g;
            row[x * 3 + 2] = p.r;
        }
    }
    UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    const HGDIOBJ oldBitmap = ::SelectObject(dc.Get(), bitmap.Get());
    ::SetBkMode(dc.Get(), TRANSPARENT);
    for (const art::TextItem& item : picture.texts) {
        UniqueFont font(::CreateFontW(-item.pixelHeight, 0, 0, 0, item.bold ? FW_BOLD : FW_NORMAL,
                                      FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                      CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                      DEFAULT_PITCH | FF_SWISS, L"Tahoma"));
        const HGDIOBJ oldFont = ::SelectObject(dc.Get(), font.Get());
        ::SetTextColor(dc.Get(), Colour(item.colour));
        RECT box{item.left, item.top, item.left + item.width, item.top + item.height};
        ::DrawTextW(dc.Get(), item.text.c_str(), static_cast<int>(item.text.size()), &box,
                    DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER);
        ::SelectObject(dc.Get(), oldFont);
    }
    ::SelectObject(dc.Get(), oldBitmap);
    ::GdiFlush();
    return bitmap;
}

bool OnPanel(int id) {
    return id != kClock && id != kDate;
}

} // namespace

LockScreen::LockScreen(EngineLogic& logic, std::function<void()> onFinished)
    : logic_(logic), onFinished_(std::move(onFinished)) {}

LockScreen::~LockScreen() {
    if (window_ != nullptr) {
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        ::DestroyWindow(window_);
    }
}

bool LockScreen::Create(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &LockScreen::Proc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    ::RegisterClassExW(&wc);
    {
        const HDC screen = ::GetDC(nullptr);
        dpi_ = static_cast<UINT>(::GetDeviceCaps(screen, LOGPIXELSY));
        ::ReleaseDC(nullptr, screen);
    }
    width_ = ::GetSystemMetrics(SM_CXSCREEN);
    height_ = ::GetSystemMetrics(SM_CYSCREEN);
    window_ =
        ::CreateWindowExW(WS_EX_TOPMOST, kClassName, L"Tembrel lock screen", WS_POPUP | WS_VISIBLE,
                          0, 0, width_, height_, nullptr, nullptr, instance, this);
    return window_ != nullptr;
}

LRESULT CALLBACK LockScreen::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<LockScreen*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<LockScreen*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    return self->OnMessage(message, wParam, lParam);
}

LRESULT LockScreen::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        OnCreate();
        return 0;
    case WM_ERASEBKGND:
        Paint(reinterpret_cast<HDC>(wParam));
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        ::BeginPaint(window_, &ps);
        ::EndPaint(window_, &ps);
        return 0;
    }
    case WM_CTLCOLORSTATIC: {
        const auto dc = reinterpret_cast<HDC>(wParam);
        const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        ::SetTextColor(dc, id == kClock || id == kDate  ? Colour(art::kWhite)
                           : id == kMessage && problem_ ? kProblemColour
                           : id == kBanner              ? Colour(art::kDeepTeal)
                                                        : Colour(art::kNavy));
        if (!OnPanel(id)) {
            ::SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
        }
        ::SetBkColor(dc, RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(white_.Get());
    }
    case WM_DRAWITEM:
        OnDrawTile(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_TIMER:
        if (wParam == kTimer) {
            Tick();
        }
        return 0;
    case DM_GETDEFID: {
        // Enter on a tile picks it, as a click does; Enter again logs in.
        const int focus = ::GetDlgCtrlID(::GetFocus());
        if (page_ == Page::Login && focus >= kTile && focus < kTile + kMaxTiles) {
            return MAKELRESULT(focus, DC_HASDEFID);
        }
        const int id = page_ == Page::Login   ? kLogIn
                       : page_ == Page::Gate  ? kOpenParents
                       : page_ == Page::Child ? kSave
                                              : 0;
        return id == 0 ? 0 : MAKELRESULT(id, DC_HASDEFID);
    }
    case WM_CLOSE:
        return 0; // a lock screen that Alt+F4 closes would hand the desktop back unguarded
    case WM_DESTROY:
        ::KillTimer(window_, kTimer);
        return 0;
    default:
        return ::DefWindowProcW(window_, message, wParam, lParam);
    }
}

void LockScreen::OnCreate() {
    white_.Reset(::CreateSolidBrush(RGB(255, 255, 255)));
    const struct {
        int pixels;
        int weight;
    } fonts[kFontCount] = {{16, FW_NORMAL}, {16, FW_BOLD}, {28, FW_BOLD},
                           {38, FW_BOLD},   {22, FW_BOLD}, {14, FW_NORMAL}};
    for (const auto& f : fonts) {
        fonts_.emplace_back(::CreateFontW(-Px(f.pixels), 0, 0, 0, f.weight, FALSE, FALSE, FALSE,
                                          DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                          CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma"));
    }
    const int panelWidth = std::min(width_ - Px(48), Px(kPanelWidth));
    const int panelTop = Px(kBand) + Px(28);
    const int panelHeight = std::min(height_ - panelTop - Px(28), Px(kPanelHeight));
    panel_ = {(width_ - panelWidth) / 2, panelTop, (width_ + panelWidth) / 2,
              panelTop + panelHeight};
    background_ = Render(
        art::LockScreenBackground(width_, height_, Px(kBand),
                                  {panel_.left, panel_.top, panelWidth, panelHeight}, dpi_ / 96.0));

    AddItems();
    for (const Item& item : items_) {
        const bool edit =
            std::wstring(item.kind) == L"EDIT" || std::wstring(item.kind) == L"LISTBOX";
        HWND control = ::CreateWindowExW(edit ? WS_EX_CLIENTEDGE : 0, item.kind, item.text.c_str(),
                                         WS_CHILD | item.style, 0, 0, 10, 10, window_,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)),
                                         nullptr, nullptr);
        ::SendMessageW(control, WM_SETFONT,
                       reinterpret_cast<WPARAM>(fonts_[static_cast<std::size_t>(item.font)].Get()),
                       FALSE);
    }
    for (int day = 0; day < kDaysInWeek; ++day) {
        ::SendMessageW(Control(kMinutes + day), EM_LIMITTEXT, 4, 0);
        ::SendMessageW(Control(kOpen + day), EM_LIMITTEXT, 2, 0);
        ::SendMessageW(Control(kClose + day), EM_LIMITTEXT, 2, 0);
    }
    ::SendMessageW(Control(kName), EM_LIMITTEXT, kMaxChildNameLength, 0);
    ::SendMessageW(Control(kWeekly), EM_LIMITTEXT, 5, 0);
    Layout();
    Tick();
    Guarded([&] {
        if (const auto said = logic_.TakeEndMessage()) {
            SetText(kBanner, *said);
        }
    });
    ShowPage(Page::Login);
    ::SetTimer(window_, kTimer, 1000, nullptr);
}

void LockScreen::AddItems() {
    const auto add = [&](int id, Page page, const wchar_t* kind, std::wstring text, DWORD style,
                         int font = kNormal) {
        items_.push_back({id, page, kind, std::move(text), style, font});
    };
    const DWORD label = SS_LEFT | SS_NOPREFIX;
    const DWORD edit = WS_TABSTOP | ES_AUTOHSCROLL;
    const DWORD button = WS_TABSTOP | BS_PUSHBUTTON;
    // Shown on every page (their page is ignored).
    add(kClock, Page::Login, L"STATIC", L"", SS_RIGHT | SS_NOPREFIX, kBig);
    add(kDate, Page::Login, L"STATIC", L"", SS_RIGHT | SS_NOPREFIX);
    add(kHeading, Page::Login, L"STATIC", L"", label, kTitle);
    add(kBanner, Page::Login, L"STATIC", L"", label, kBold);
    // The tiles come here in tab order (FillTiles).
    add(kPasswordLabel, Page::Login, L"STATIC", L"Your password:", SS_RIGHT | SS_NOPREFIX);
    add(kChildPassword, Page::Login, L"EDIT", L"", edit | ES_PASSWORD);
    add(kLogIn, Page::Login, L"BUTTON", L"Log In", WS_TABSTOP | BS_DEFPUSHBUTTON, kBold);

    add(kMasterLabel, Page::Gate, L"STATIC", L"Master password:", label);
    add(kMaster, Page::Gate, L"EDIT", L"", edit | ES_PASSWORD);
    add(kOpenParents, Page::Gate, L"BUTTON", L"Open", WS_TABSTOP | BS_DEFPUSHBUTTON, kBold);
    add(kHint, Page::Gate, L"BUTTON", L"Show Hint", button);

    add(kChildrenLabel, Page::Parents, L"STATIC", L"Children", label, kBold);
    add(kChildren, Page::Parents, L"LISTBOX", L"",
        WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT);
    add(kAddChild, Page::Parents, L"BUTTON", L"Add...", button);
    add(kChangeChild, Page::Parents, L"BUTTON", L"Change...", button);
    add(kRemoveChild, Page::Parents, L"BUTTON", L"Remove", button);
    add(kNewMasterLabel, Page::Parents, L"STATIC", L"New master password:", label);
    add(kNewMaster, Page::Parents, L"EDIT", L"", edit | ES_PASSWORD);
    add(kNewMasterAgainLabel, Page::Parents, L"STATIC", L"The same again:", label);
    add(kNewMasterAgain, Page::Parents, L"EDIT", L"", edit | ES_PASSWORD);
    add(kNewHintLabel, Page::Parents, L"STATIC", L"Hint (everyone can read it):", label);
    add(kNewHint, Page::Parents, L"EDIT", L"", edit);
    add(kSetMaster, Page::Parents, L"BUTTON", L"Set Master Password", button);
    add(kQuitNote, Page::Parents, L"STATIC",
        L"Ends the session timer on this PC until the next logon:", label, kSmall);
    add(kQuit, Page::Parents, L"BUTTON", L"Quit Tembrel", button);

    add(kNameLabel, Page::Child, L"STATIC", L"Name:", label);
    add(kName, Page::Child, L"EDIT", L"", edit);
    add(kNeedsPassword, Page::Child, L"BUTTON", L"Uses a password:", WS_TABSTOP | BS_AUTOCHECKBOX);
    add(kNewChildPassword, Page::Child, L"EDIT", L"", edit | ES_PASSWORD);
    add(kSameEveryDay, Page::Child, L"BUTTON", L"The same every day", WS_TABSTOP | BS_AUTOCHECKBOX);
    add(kMinutesHeader, Page::Child, L"STATIC", L"Minutes", label, kBold);
    add(kHoursHeader, Page::Child, L"STATIC", L"Allowed hours", label, kBold);
    for (int day = 0; day < kDaysInWeek; ++day) {
        add(kDayLabel + day, Page::Child, L"STATIC", kDayNames[day], label);
        add(kMinutes + day, Page::Child, L"EDIT", L"", edit | ES_RIGHT);
        add(kOpen + day, Page::Child, L"EDIT", L"", edit | ES_RIGHT);
        add(kUntil + day, Page::Child, L"STATIC", L"to", SS_CENTER | SS_NOPREFIX);
        add(kClose + day, Page::Child, L"EDIT", L"", edit | ES_RIGHT);
    }
    add(kWeeklyLabel, Page::Child, L"STATIC", L"Minutes a week:", label, kBold);
    add(kWeekly, Page::Child, L"EDIT", L"", edit | ES_RIGHT);
    add(kWeeklyNote, Page::Child, L"STATIC",
        L"Leave it empty for no weekly limit. Minutes 0: not that day. Hours 0 to 24: all day.",
        label, kSmall);
    add(kSave, Page::Child, L"BUTTON", L"Save", WS_TABSTOP | BS_DEFPUSHBUTTON, kBold);
    add(kCancel, Page::Child, L"BUTTON", L"Cancel", button);

    // At the foot of every page, last in tab order.
    add(kMessage, Page::Login, L"STATIC", L"", label);
    add(kParents, Page::Login, L"BUTTON", L"Parents", button);
    add(kBack, Page::Gate, L"BUTTON", L"Back", button);
    add(kDone, Page::Parents, L"BUTTON", L"Done", button);
}

void LockScreen::Place(int id, int x, int y, int w, int h) {
    ::MoveWindow(Control(id), panel_.left + Px(x), panel_.top + Px(y), Px(w), Px(h), FALSE);
}

void LockScreen::Layout() {
    const int right = Px(24);
    ::MoveWindow(Control(kClock), width_ - right - Px(320), Px(6), Px(320), Px(44), FALSE);
    ::MoveWindow(Control(kDate), width_ - right - Px(320), Px(48), Px(320), Px(22), FALSE);
    const int w = ::MulDiv(panel_.right - panel_.left, 96, static_cast<int>(dpi_));
    const int h = ::MulDiv(panel_.bottom - panel_.top, 96, static_cast<int>(dpi_));
    Place(kHeading, 32, 22, w - 64, 40);
    Place(kBanner, 32, 66, w - 64, 26);
    const int foot = h - 60;
    Place(kMessage, 32, foot - 4, w - 64 - 320, 44);
    for (int id : {kParents, kBack, kDone, kCancel}) {
        Place(id, w - 32 - 140, foot, 140, 36);
    }
    Place(kSave, w - 32 - 140 - 152, foot, 140, 36);

    Place(kMasterLabel, 32, 112, 300, 24);
    Place(kMaster, 32, 140, 260, 30);
    Place(kOpenParents, 304, 138, 120, 34);
    Place(kHint, 436, 138, 120, 34);

    Place(kChildrenLabel, 32, 108, 300, 24);
    Place(kChildren, 32, 136, 300, 224);
    Place(kAddChild, 32, 372, 92, 34);
    Place(kChangeChild, 134, 372, 98, 34);
    Place(kRemoveChild, 242, 372, 90, 34);
    Place(kNewMasterLabel, 380, 108, 280, 24);
    Place(kNewMaster, 380, 134, 260, 30);
    Place(kNewMasterAgainLabel, 380, 174, 280, 24);
    Place(kNewMasterAgain, 380, 200, 260, 30);
    Place(kNewHintLabel, 380, 240, 280, 24);
    Place(kNewHint, 380, 266, 260, 30);
    Place(kSetMaster, 380, 310, 200, 34);
    // Beside the master password where the panel is wide enough, else under it.
    if (w - 32 - 220 >= 670) {
        Place(kQuitNote, w - 32 - 220, 104, 220, 36);
        Place(kQuit, w - 32 - 220, 142, 200, 34);
    } else {
        Place(kQuitNote, 380, 362, std::min(400, w - 32 - 380), 36);
        Place(kQuit, 380, 400, 200, 34);
    }

    Place(kNameLabel, 32, 104, 150, 24);
    Place(kName, 200, 100, 260, 30);
    Place(kNeedsPassword, 32, 142, 166, 26);
    Place(kNewChildPassword, 200, 140, 260, 30);
    Place(kSameEveryDay, 200, 182, 260, 26);
    Place(kMinutesHeader, 200, 210, 90, 24);
    Place(kHoursHeader, 310, 210, 200, 24);
    for (int day = 0; day < kDaysInWeek; ++day) {
        const int y = 236 + day * 34;
        Place(kDayLabel + day, 32, y + 4, 160, 24);
        Place(kMinutes + day, 200, y, 80, 30);
        Place(kOpen + day, 310, y, 56, 30);
        Place(kUntil + day, 368, y + 4, 36, 24);
        Place(kClose + day, 406, y, 56, 30);
    }
    Place(kWeeklyLabel, 530, 104, 200, 24);
    Place(kWeekly, 530, 132, 100, 30);
    Place(kWeeklyNote, 530, 172, std::max(200, w - 32 - 530), 60);
}

void LockScreen::Paint(HDC dc) {
    if (!background_) {
        return;
    }
    UniqueMemoryDc source(::CreateCompatibleDC(dc));
    const HGDIOBJ old = ::SelectObject(source.Get(), background_.Get());
    ::BitBlt(dc, 0, 0, width_, height_, source.Get(), 0, 0, SRCCOPY);
    ::SelectObject(source.Get(), old);
}

void LockScreen::ShowPage(Page page) {
    page_ = page;
    for (const Item& item : items_) {
        const bool always =
            item.id == kClock || item.id == kDate || item.id == kHeading || item.id == kMessage;
        const bool banner = item.id == kBanner && page == Page::Login;
        ::ShowWindow(Control(item.id), always || banner || (item.page == page && item.id != kBanner)
                                           ? SW_SHOW
                                           : SW_HIDE);
    }
    for (int i = 0; i < static_cast<int>(tiles_.size()); ++i) {
        ::ShowWindow(Control(kTile + i), page == Page::Login ? SW_SHOW : SW_HIDE);
    }
    Say("");
    switch (page) {
    case Page::Login:
        logic_.CloseParents();
        SetText(kHeading, "Who is using the computer?");
        Guarded([&] { FillTiles(); });
        SelectTile(-1);
        Say(tiles_.empty() ? "No child is set up yet. A parent presses \"Parents\" to add one."
                           : "Pick your name to log in.");
        ::SetFocus(tiles_.empty() ? Control(kParents) : Control(kTile));
        break;
    case Page::Gate:
        SetText(kHeading, "Parents");
        ::SetWindowTextW(Control(kMaster), L"");
        Say("Type the master password to change the settings.");
        ::SetFocus(Control(kMaster));
        break;
    case Page::Parents: {
        SetText(kHeading, "Parents' settings");
        for (int id : {kNewMaster, kNewMasterAgain, kNewHint}) {
            ::SetWindowTextW(Control(id), L"");
        }
        Guarded([&] { FillChildren(); });
        bool master = false;
        Guarded([&] { master = logic_.HasMasterPassword(); });
        for (int id : {kAddChild, kChangeChild, kRemoveChild, kQuit}) {
            ::EnableWindow(Control(id), master);
        }
        Say(master ? "Pick a child in the list to change or remove, or add one."
                   : "First choose a master password that only parents know, and a hint.");
        ::SetFocus(master ? Control(kChildren) : Control(kNewMaster));
        break;
    }
    case Page::Child:
        ::SetFocus(editing_.empty() ? Control(kName) : Control(kMinutes));
        break;
    }
    ::RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void LockScreen::SetText(int id, const std::string& text) {
    const std::wstring wide = AnsiToWide(text);
    HWND control = Control(id);
    if (control == nullptr || WindowText(control) == wide) {
        return;
    }
    ::SetWindowTextW(control, wide.c_str());
    if (!OnPanel(id)) {
        // A transparent label keeps its old text unless what lies behind it is painted again.
        RECT rc{};
        ::GetWindowRect(control, &rc);
        ::MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&rc), 2);
        ::RedrawWindow(window_, &rc, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
}

void LockScreen::Say(const std::string& text, bool problem) {
    const bool changed = problem != problem_;
    problem_ = problem;
    SetText(kMessage, text);
    if (changed) {
        ::InvalidateRect(Control(kMessage), nullptr, TRUE);
    }
}

std::string LockScreen::Text(int id) const {
    return WideToAnsi(WindowText(Control(id)));
}

bool LockScreen::Checked(int id) const {
    return ::SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void LockScreen::Guarded(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        Say(std::string("Something went wrong: ") + e.what(), true);
    }
}

void LockScreen::Tick() {
    SYSTEMTIME now{};
    Guarded([&] {
        const LocalTime t = logic_.Now();
        now.wYear = static_cast<WORD>(t.year);
        now.wMonth = static_cast<WORD>(t.month);
        now.wDay = static_cast<WORD>(t.day);
        now.wHour = static_cast<WORD>(t.hour);
        now.wMinute = static_cast<WORD>(t.minute);
    });
    wchar_t time[16];
    ::swprintf(time, 16, L"%02u:%02u", now.wHour, now.wMinute);
    const bool minutePassed = WindowText(Control(kClock)) != time;
    SetText(kClock, WideToAnsi(time));
    wchar_t date[80] = {};
    ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &now, nullptr, date, 80);
    SetText(kDate, WideToAnsi(date));
    // Not while a password is checked or hashed: its answer belongs to the page it was asked on.
    if (page_ != Page::Login && !logic_.Busy() &&
        LocalSeconds(logic_.Now()) - lastInput_ >= kParentsIdleSeconds) {
        ShowPage(Page::Login);
    }
    if (minutePassed) {
        Guarded([&] { logic_.KeepTodaysHours(); });
        if (page_ == Page::Login) {
            Guarded([&] { FillTiles(); });
        }
    }
}

void LockScreen::FillTiles() {
    std::vector<EngineLogic::Tile> tiles = logic_.Tiles();
    tiles.resize(std::min<std::size_t>(tiles.size(), kMaxTiles));
    const bool sameChildren =
        tiles.size() == tiles_.size() &&
        std::equal(tiles.begin(), tiles.end(), tiles_.begin(),
                   [](const auto& a, const auto& b) { return a.name == b.name; });
    if (!sameChildren) {
        for (int i = 0; i < static_cast<int>(tiles_.size()); ++i) {
            ::DestroyWindow(Control(kTile + i));
        }
        selected_ = -1;
    }
    tiles_ = std::move(tiles);
    const int count = static_cast<int>(tiles_.size());
    const int panelUnits = ::MulDiv(panel_.right - panel_.left, 96, static_cast<int>(dpi_));
    const int columns =
        std::max(1, std::min(count, (panelUnits - 64 + kTileGap) / (kTileWidth + kTileGap)));
    const int rows = count == 0 ? 0 : (count + columns - 1) / columns;
    const int left = (panelUnits - (columns * (kTileWidth + kTileGap) - kTileGap)) / 2;
    HWND after = Control(kBanner);
    for (int i = 0; i < count; ++i) {
        const EngineLogic::Tile& tile = tiles_[static_cast<std::size_t>(i)];
        std::string text = tile.name + "\n" + tile.status;
        if (!tile.note.empty()) {
            text += "\n" + tile.note;
        }
        HWND control = Control(kTile + i);
        if (control == nullptr) {
            control = ::CreateWindowExW(
                0, L"BUTTON", L"", WS_CHILD | WS_TABSTOP | BS_OWNERDRAW | BS_NOTIFY, 0, 0, 10, 10,
                window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTile + i)), nullptr,
                nullptr);
            // Tab order is the order of the children: the tiles come before the password.
            ::SetWindowPos(control, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            Place(kTile + i, left + (i % columns) * (kTileWidth + kTileGap),
                  kTilesTop + (i / columns) * (kTileHeight + kTileGap), kTileWidth, kTileHeight);
            ::ShowWindow(control, page_ == Page::Login ? SW_SHOW : SW_HIDE);
        }
        after = control;
        if (WindowText(control) != AnsiToWide(text)) {
            ::SetWindowTextW(control, AnsiToWide(text).c_str());
            ::InvalidateRect(control, nullptr, FALSE);
        }
    }
    const int below = kTilesTop + rows * (kTileHeight + kTileGap) + 8;
    const int rowLeft = (panelUnits - (170 + 10 + 220 + 12 + 130)) / 2;
    Place(kPasswordLabel, rowLeft, below + 6, 170, 24);
    Place(kChildPassword, rowLeft + 180, below + 2, 220, 30);
    Place(kLogIn, rowLeft + 180 + 232, below, 130, 36);
}

void LockScreen::SelectTile(int index) {
    const int count = static_cast<int>(tiles_.size());
    selected_ = index >= 0 && index < count ? index : -1;
    for (int i = 0; i < count; ++i) {
        ::InvalidateRect(Control(kTile + i), nullptr, FALSE);
    }
    const bool password = selected_ >= 0 && tiles_[static_cast<std::size_t>(selected_)].password;
    ::SetWindowTextW(Control(kChildPassword), L"");
    ::EnableWindow(Control(kChildPassword), password);
    ::EnableWindow(Control(kPasswordLabel), password);
    ::EnableWindow(Control(kLogIn), selected_ >= 0);
    if (selected_ >= 0) {
        const EngineLogic::Tile& tile = tiles_[static_cast<std::size_t>(selected_)];
        Say(tile.open ? (password ? "Hello, " + tile.name + ". Type your password, then Log In."
                                  : "Hello, " + tile.name + ". Press Log In to start.")
                      : tile.name + ": " + tile.status + ".");
        ::SetFocus(password ? Control(kChildPassword) : Control(kLogIn));
    }
}

void LockScreen::OnDrawTile(const DRAWITEMSTRUCT& item) {
    const int index = static_cast<int>(item.CtlID) - kTile;
    if (index < 0 || index >= static_cast<int>(tiles_.size())) {
        return;
    }
    const EngineLogic::Tile& tile = tiles_[static_cast<std::size_t>(index)];
    const HDC dc = item.hDC;
    const RECT rc = item.rcItem;
    ::FillRect(dc, &rc, white_.Get());
    const bool selected = index == selected_;
    UniqueBrush fill(::CreateSolidBrush(selected ? RGB(222, 239, 247) : Colour(art::kMist)));
    UniqueGdiObject pen(::CreatePen(PS_SOLID, selected ? Px(3) : Px(1),
                                    selected ? Colour(art::kTeal) : RGB(200, 214, 226)));
    const HGDIOBJ oldBrush = ::SelectObject(dc, fill.Get());
    const HGDIOBJ oldPen = ::SelectObject(dc, pen.Get());
    const int inset = Px(2);
    ::RoundRect(dc, rc.left + inset, rc.top + inset, rc.right - inset, rc.bottom - inset, Px(18),
                Px(18));
    ::SetBkMode(dc, TRANSPARENT);
    const auto line = [&](const std::string& text, int font, COLORREF colour, int top, int height) {
        const HGDIOBJ oldFont = ::SelectObject(dc, fonts_[static_cast<std::size_t>(font)].Get());
        ::SetTextColor(dc, colour);
        RECT box{rc.left + Px(8), rc.top + Px(top), rc.right - Px(8), rc.top + Px(top + height)};
        const std::wstring wide = AnsiToWide(text);
        ::DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &box,
                    DT_CENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS | DT_VCENTER);
        ::SelectObject(dc, oldFont);
    };
    // A round badge with the first letter, then the name and what is left.
    const int badge = Px(36);
    const int cx = (rc.left + rc.right) / 2;
    UniqueBrush badgeFill(::CreateSolidBrush(tile.open ? Colour(art::kTeal) : RGB(160, 172, 184)));
    ::SelectObject(dc, badgeFill.Get());
    ::SelectObject(dc, ::GetStockObject(NULL_PEN));
    ::Ellipse(dc, cx - badge / 2, rc.top + Px(12), cx + badge / 2, rc.top + Px(12) + badge);
    line(tile.name.substr(0, 1), kBold, Colour(art::kWhite), 12, 36);
    const int shift = tile.note.empty() ? 0 : 4; // room for the note under the status
    line(tile.name, kTileName, Colour(art::kNavy), 52 - shift, 28);
    line(tile.status, kNormal, tile.open ? Colour(art::kDeepTeal) : kClosedColour, 80 - shift, 22);
    if (!tile.note.empty()) {
        line(tile.note, kSmall, Colour(art::kSoftText), 98, 18);
    }
    if ((item.itemState & ODS_FOCUS) != 0) {
        RECT focus{rc.left + Px(6), rc.top + Px(6), rc.right - Px(6), rc.bottom - Px(6)};
        ::DrawFocusRect(dc, &focus);
    }
    ::SelectObject(dc, oldPen);
    ::SelectObject(dc, oldBrush);
}

void LockScreen::LogIn() {
    if (selected_ < 0) {
        Say("Pick your name first.", true);
        return;
    }
    const std::string name = tiles_[static_cast<std::size_t>(selected_)].name;
    const std::string password = Text(kChildPassword);
    ::SetWindowTextW(Control(kChildPassword), L"");
    Say("One moment, " + name + ".");
    logic_.LogIn(name, password, [this](const EngineLogic::Outcome& outcome) {
        Guarded([&] {
            Say(outcome.message, !outcome.ok);
            if (outcome.ok) {
                onFinished_();
            } else {
                FillTiles();
            }
        });
    });
}

void LockScreen::FillChildren() {
    HWND list = Control(kChildren);
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& child : logic_.Children()) {
        ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(AnsiToWide(child).c_str()));
    }
}

std::string LockScreen::SelectedChild() const {
    HWND list = Control(kChildren);
    const auto index = ::SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR) {
        return {};
    }
    const auto length = ::SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return WideToAnsi(text);
}

void LockScreen::OpenChild(const std::string& listed) {
    editing_ = listed;
    const ChildForm form = logic_.FormOf(listed);
    filling_ = true;
    ShowPage(Page::Child);
    SetText(kHeading, listed.empty() ? "Add a child" : "Settings for " + listed);
    ::SetWindowTextW(Control(kName), AnsiToWide(listed).c_str());
    ::SendMessageW(Control(kName), EM_SETREADONLY, listed.empty() ? FALSE : TRUE, 0);
    ::SendMessageW(Control(kNeedsPassword), BM_SETCHECK,
                   form.password ? BST_CHECKED : BST_UNCHECKED, 0);
    ::SetWindowTextW(Control(kNewChildPassword), L"");
    ::EnableWindow(Control(kNewChildPassword), form.password);
    ::SendMessageW(Control(kSameEveryDay), BM_SETCHECK,
                   form.sameEveryDay ? BST_CHECKED : BST_UNCHECKED, 0);
    for (int day = 0; day < kDaysInWeek; ++day) {
        ::SetWindowTextW(Control(kMinutes + day), AnsiToWide(form.minutes[day]).c_str());
        ::SetWindowTextW(Control(kOpen + day), AnsiToWide(form.open[day]).c_str());
        ::SetWindowTextW(Control(kClose + day), AnsiToWide(form.close[day]).c_str());
    }
    ::SetWindowTextW(Control(kWeekly), AnsiToWide(form.weekly).c_str());
    SyncSameEveryDay();
    filling_ = false;
    Say(listed.empty()  ? "Type the name, then the minutes and hours for each day."
        : form.password ? "Change what you need, then Save. Leave the password empty to keep it."
                        : "Change what you need, then Save.");
    ::SetFocus(listed.empty() ? Control(kName) : Control(kMinutes));
}

void LockScreen::SyncSameEveryDay() {
    const bool same = Checked(kSameEveryDay);
    for (int day = 1; day < kDaysInWeek; ++day) {
        for (int column : {kMinutes, kOpen, kClose}) {
            if (same) {
                ::SetWindowTextW(Control(column + day), WindowText(Control(column)).c_str());
            }
            ::EnableWindow(Control(column + day), !same);
        }
    }
    SetText(kDayLabel, same ? "Every day" : "Monday");
}

void LockScreen::CheckField(int id) {
    if (filling_) {
        return;
    }
    std::string problem;
    if (id == kName && editing_.empty()) {
        problem = logic_.FieldProblem(FormField::Name, Text(kName));
    } else if (id >= kMinutes && id < kMinutes + kDaysInWeek) {
        problem = logic_.FieldProblem(FormField::Minutes, Text(id));
    } else if ((id >= kOpen && id < kOpen + kDaysInWeek) ||
               (id >= kClose && id < kClose + kDaysInWeek)) {
        const int day = (id - kOpen) % 10;
        problem = logic_.HoursProblem(Text(kOpen + day), Text(kClose + day));
    } else if (id == kWeekly) {
        problem = logic_.FieldProblem(FormField::Weekly, Text(kWeekly));
    }
    Say(problem, !problem.empty());
}

void LockScreen::SaveChild() {
    ChildForm form;
    form.name = Text(kName);
    form.password = Checked(kNeedsPassword);
    form.newPassword = Text(kNewChildPassword);
    form.sameEveryDay = Checked(kSameEveryDay);
    for (int day = 0; day < kDaysInWeek; ++day) {
        form.minutes[day] = Text(kMinutes + day);
        form.open[day] = Text(kOpen + day);
        form.close[day] = Text(kClose + day);
    }
    form.weekly = Text(kWeekly);
    Say("Saving...");
    logic_.SaveChild(editing_, form, [this](const EngineLogic::Outcome& outcome) {
        Guarded([&] { Saved(outcome); });
    });
}

void LockScreen::Saved(const EngineLogic::Outcome& outcome) {
    if (!outcome.ok) {
        Say(outcome.message, true);
        const int field = outcome.field == FormField::Name       ? kName
                          : outcome.field == FormField::Password ? kNewChildPassword
                          : outcome.field == FormField::Minutes  ? kMinutes + outcome.day
                          : outcome.field == FormField::Open     ? kOpen + outcome.day
                          : outcome.field == FormField::Close    ? kClose + outcome.day
                          : outcome.field == FormField::Weekly   ? kWeekly
                                                                 : 0;
        if (field != 0) {
            ::SetFocus(Control(field));
            ::SendMessageW(Control(field), EM_SETSEL, 0, -1);
        }
        return;
    }
    ShowPage(Page::Parents);
    Say(outcome.message);
}

void LockScreen::OnCommand(int id, int code) {
    Guarded([&] { lastInput_ = LocalSeconds(logic_.Now()); });
    if (code == EN_CHANGE) {
        if (page_ == Page::Child) {
            if (id == kMinutes || id == kOpen || id == kClose) {
                SyncSameEveryDay();
            }
            Guarded([&] { CheckField(id); });
        }
        return;
    }
    if (logic_.Busy()) {
        return; // one request at a time: a second press would act on a page about to change
    }
    if (code == LBN_DBLCLK && id == kChildren) {
        Guarded([&] { OpenChild(SelectedChild()); });
        return;
    }
    if (code != BN_CLICKED && code != BN_DOUBLECLICKED) {
        return;
    }
    if (id == IDCANCEL) {
        id = page_ == Page::Gate      ? kBack
             : page_ == Page::Parents ? kDone
             : page_ == Page::Child   ? kCancel
                                      : 0;
    }
    if (id >= kTile && id < kTile + kMaxTiles) {
        SelectTile(id - kTile);
        if (code == BN_DOUBLECLICKED && !tiles_[static_cast<std::size_t>(selected_)].password) {
            Guarded([&] { LogIn(); });
        }
        return;
    }
    Guarded([&] {
        EngineLogic::Outcome outcome;
        switch (id) {
        case kLogIn:
            LogIn();
            return;
        case kParents:
            ShowPage(Page::Gate);
            if (!logic_.HasMasterPassword()) {
                logic_.OpenParents("", [this](const EngineLogic::Outcome& opened) {
                    Guarded([&] {
                        if (opened.ok) {
                            ShowPage(Page::Parents);
                        }
                    });
                });
            }
            return;
        case kOpenParents: {
            const std::string master = Text(kMaster);
            ::SetWindowTextW(Control(kMaster), L"");
            Say("Checking the master password...");
            logic_.OpenParents(master, [this](const EngineLogic::Outcome& opened) {
                Guarded([&] {
                    if (opened.ok) {
                        ShowPage(Page::Parents);
                    } else {
                        Say(opened.message, true);
                    }
                });
            });
            return;
        }
        case kHint:
            Say(logic_.HasMasterPassword() ? "Hint: " + logic_.MasterHint()
                                           : "No master password is set yet.");
            return;
        case kBack:
        case kDone:
            ShowPage(Page::Login);
            return;
        case kSetMaster:
            Say("Storing the master password...");
            logic_.SetMasterPassword(Text(kNewMaster), Text(kNewMasterAgain), Text(kNewHint),
                                     [this](const EngineLogic::Outcome& set) {
                                         Guarded([&] {
                                             if (set.ok) {
                                                 ShowPage(Page::Parents);
                                             }
                                             Say(set.message, !set.ok);
                                         });
                                     });
            return;
        case kAddChild:
            OpenChild("");
            return;
        case kChangeChild:
            if (SelectedChild().empty()) {
                Say("Pick a child in the list first.", true);
            } else {
                OpenChild(SelectedChild());
            }
            return;
        case kRemoveChild:
            outcome = logic_.RemoveChild(SelectedChild());
            FillChildren();
            Say(outcome.message, !outcome.ok);
            return;
        case kNeedsPassword:
            ::EnableWindow(Control(kNewChildPassword), Checked(kNeedsPassword));
            if (Checked(kNeedsPassword)) {
                ::SetFocus(Control(kNewChildPassword));
            }
            return;
        case kSameEveryDay:
            SyncSameEveryDay();
            return;
        case kSave:
            SaveChild();
            return;
        case kCancel:
            ShowPage(Page::Parents);
            return;
        case kQuit:
            outcome = logic_.QuitTembrel();
            Say(outcome.message, !outcome.ok);
            if (outcome.ok) {
                onFinished_();
            }
            return;
        default:
            return;
        }
    });
}

} // namespace tembrel::engine

// The four windows, in-process, over the real logic and fake ports: what each control shows and
// where (pixels at 96 DPI), fonts, tab order and focus, and that clicks, keys, ticks and close
// requests reach the logic.
#include <gtest/gtest.h>

#include <chrono>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/fakes/Pbkdf2Vectors.h"
#include "platform/win32/BCryptPasswordCrypto.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32BackgroundWork.h"
#include "windows/Icons.h"
#include "windows/MessageLoop.h"
#include "windows/SingleInstance.h"
#include "windows/SplashWindow.h"
#include "windows/Ui.h"
#include "windows/tests/ViewHarness.h"

namespace tembrel::win {
namespace {

struct Expected {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    int left, top, width, height; // pixels at 96 DPI
    int fontHeight;               // -11: 8.25 pt, -13: 9.75 pt, -18: 13.5 pt, -24: 18 pt
    bool bold;
};

void Pump() {
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!TranslateForActiveWindow(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

RECT ClientRectOf(HWND hwnd) {
    RECT rc{};
    GetClientRect(hwnd, &rc);
    return rc;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

void Click(HWND parent, int id) {
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(parent, id)));
}

// Every control, front to back, as the window holds them.
std::vector<int> ChildrenFrontToBack(HWND parent) {
    std::vector<int> ids;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        ids.push_back(GetDlgCtrlID(child));
    }
    return ids;
}

std::vector<int> TabCycle(HWND parent, HWND from, int steps) {
    std::vector<int> ids;
    HWND at = from;
    for (int i = 0; i < steps; ++i) {
        at = GetNextDlgTabItem(parent, at, FALSE);
        ids.push_back(GetDlgCtrlID(at));
    }
    return ids;
}

void CheckControls(HWND parent, const std::vector<Expected>& table) {
    ASSERT_EQ(ChildrenFrontToBack(parent).size(), table.size());
    for (const Expected& e : table) {
        SCOPED_TRACE(testing::Message() << "control " << e.id);
        HWND control = GetDlgItem(parent, e.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(ClassOf(control), e.className);
        EXPECT_EQ(WindowText(control), e.text);
        RECT rc{};
        GetWindowRect(control, &rc);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
        EXPECT_EQ(rc.left, e.left);
        EXPECT_EQ(rc.top, e.top);
        EXPECT_EQ(rc.right - rc.left, e.width);
        EXPECT_EQ(rc.bottom - rc.top, e.height);
        auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr);
        LOGFONTW lf{};
        ASSERT_NE(GetObjectW(font, sizeof lf, &lf), 0);
        EXPECT_STREQ(lf.lfFaceName, L"MS Sans Serif");
        EXPECT_EQ(lf.lfHeight, e.fontHeight);
        EXPECT_EQ(lf.lfWeight, e.bold ? FW_BOLD : FW_NORMAL);
        EXPECT_EQ(lf.lfCharSet, ANSI_CHARSET);
        EXPECT_FALSE(lf.lfItalic || lf.lfUnderline || lf.lfStrikeOut);
        EXPECT_TRUE(IsWindowVisible(control));
        EXPECT_TRUE(IsWindowEnabled(control));
        auto style = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE));
        if (ClassOf(control) == L"Button") {
            EXPECT_EQ(style & BS_TYPEMASK, static_cast<DWORD>(BS_PUSHBUTTON)); // never a default
            EXPECT_TRUE(style & WS_TABSTOP);
        }
        if (ClassOf(control) == L"Static") {
            EXPECT_TRUE(style & SS_NOPREFIX);
            EXPECT_FALSE(style & WS_TABSTOP);
        }
    }
}

void CheckFrame(HWND hwnd, const wchar_t* title, int clientWidth, int clientHeight) {
    EXPECT_EQ(WindowText(hwnd), title);
    RECT client = ClientRectOf(hwnd);
    EXPECT_EQ(client.right, clientWidth);
    EXPECT_EQ(client.bottom, clientHeight);
    auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
    for (DWORD part : {static_cast<DWORD>(WS_CAPTION), static_cast<DWORD>(WS_SYSMENU),
                       static_cast<DWORD>(WS_THICKFRAME), static_cast<DWORD>(WS_MINIMIZEBOX),
                       static_cast<DWORD>(WS_MAXIMIZEBOX)}) {
        EXPECT_EQ(style & part, part);
    }
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), nullptr);
}

class ViewsTest : public ::testing::Test {
  protected:
    ViewHarness h;
    HWND session = nullptr;

    void OpenSession() {
        ASSERT_TRUE(h.OpenSessionWindow());
        session = h.sessionWindow.Hwnd();
        Pump();
    }
    HWND Gate() const { return h.dialogs.GateHwnd(); }
    HWND Bonus() const { return h.dialogs.BonusHwnd(); }
    HWND GateBox() const { return GetDlgItem(Gate(), MPasswordWindow::kText3); }
};

// ---- the session window -----------------------------------------------------------------------

TEST_F(ViewsTest, SessionWindowFrameAndControlsAsDesigned) {
    OpenSession();
    CheckFrame(session, L"Tembrel v2.0", 449, 247);
    using W = HorodeskWindow;
    CheckControls(
        session,
        {
            {W::kCommand6, L"Button", L"End Session && Lock Computer", 24, 128, 401, 33, -11,
             false},
            {W::kCommandEnd, L"Button", L"Close Tembrel *Parents Only*", 24, 168, 241, 25, -11,
             false},
            {W::kCommand1, L"Button", L"Add/ Remove Bonus Time", 272, 168, 153, 25, -11, false},
            {W::kLabel3, L"Static", L"help@tembrel.example.com", 24, 216, 401, 25, -11, false},
            {W::kLabel2, L"Static", L"Questions?  Need Help?  Email us!", 24, 200, 401, 17, -11,
             true},
            {W::kLabel1, L"Static", L"TIME REMAINING", 16, 64, 417, 33, -24, true},
            {W::kStatus, L"Static", L"00:00:00", 16, 96, 417, 25, -18, true},
        });
    // Centred labels; buttons in front of every label.
    for (int id : {W::kLabel1, W::kLabel2, W::kLabel3, W::kStatus}) {
        EXPECT_EQ(GetWindowLongPtrW(GetDlgItem(session, id), GWL_STYLE) & SS_TYPEMASK, SS_CENTER);
    }
    EXPECT_EQ(ChildrenFrontToBack(session),
              (std::vector<int>{W::kCommand6, W::kCommandEnd, W::kCommand1, W::kLabel3, W::kLabel2,
                                W::kLabel1, W::kStatus}));
    // The load ran: lock-down, then the lock screen.
    EXPECT_EQ(h.lock.calls.size(), 3u);
}

TEST_F(ViewsTest, SessionWindowFocusAndTabOrderFollowTheButtons) {
    OpenSession();
    using W = HorodeskWindow;
    EXPECT_EQ(GetFocus(), GetDlgItem(session, W::kCommand6));
    EXPECT_EQ(TabCycle(session, GetDlgItem(session, W::kCommand6), 3),
              (std::vector<int>{W::kCommandEnd, W::kCommand1, W::kCommand6}));

    // While a session runs CommandEnd is disabled and Tab passes it by.
    h.HandOver("60");
    SendMessageW(session, WM_TIMER, W::kTimer1, 0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(session, W::kCommandEnd)));
    EXPECT_EQ(TabCycle(session, GetDlgItem(session, W::kCommand6), 2),
              (std::vector<int>{W::kCommand1, W::kCommand6}));
}

TEST_F(ViewsTest, TimersReachTheTicksAndTheStatusFollows) {
    OpenSession();
    using W = HorodeskWindow;
    h.HandOver("5");
    SendMessageW(session, WM_TIMER, W::kTimer1, 0);
    EXPECT_EQ(WindowText(GetDlgItem(session, W::kStatus)), L"00:00:04");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(session, W::kCommandEnd)));
    for (int i = 0; i < 4; ++i) {
        SendMessageW(session, WM_TIMER, W::kTimer1, 0);
    }
    EXPECT_EQ(WindowText(GetDlgItem(session, W::kStatus)), L"Your Session Is Closing..");
    SendMessageW(session, WM_TIMER, W::kTimer1, 0);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(session, W::kCommandEnd)));

    // The midday check runs on Timer2.
    h.HandOver("600");
    SendMessageW(session, WM_TIMER, W::kTimer1, 0);
    h.clock.now.hour = 12;
    h.clock.now.minute = 0;
    SendMessageW(session, WM_TIMER, W::kTimer2, 0);
    EXPECT_EQ(WindowText(GetDlgItem(session, W::kStatus)), L"Your Session Is Closing..");
    EXPECT_FALSE(h.session.SessionRunning());
}

// The pixels of a part of the window, as they are on the screen now.
std::vector<COLORREF> Capture(HWND hwnd, const RECT& rc) {
    HDC window = GetDC(hwnd);
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    MemoryDc memory(CreateCompatibleDC(window));
    Bitmap bitmap(CreateCompatibleBitmap(window, width, height));
    {
        Selection select(memory.Get(), bitmap.Get());
        BitBlt(memory.Get(), 0, 0, width, height, window, rc.left, rc.top, SRCCOPY);
    }
    ReleaseDC(hwnd, window);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<COLORREF> pixels(static_cast<std::size_t>(width * height));
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap.Get(), 0, static_cast<UINT>(height), pixels.data(), &info,
              DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return pixels;
}

TEST_F(ViewsTest, TickingStatusLeavesNoOldDigitsBehind) {
    OpenSession();
    h.HandOver("3600");
    for (int i = 0; i < 3; ++i) {
        SendMessageW(session, WM_TIMER, HorodeskWindow::kTimer1, 0);
    }
    Pump();
    RECT status{};
    GetWindowRect(GetDlgItem(session, HorodeskWindow::kStatus), &status);
    MapWindowPoints(nullptr, session, reinterpret_cast<POINT*>(&status), 2);
    const auto ticked = Capture(session, status);
    RedrawWindow(session, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_EQ(ticked, Capture(session, status)); // as if painted afresh
}

TEST_F(ViewsTest, SessionButtonsReachTheLogic) {
    OpenSession();
    using W = HorodeskWindow;
    h.HandOver("600");
    SendMessageW(session, WM_TIMER, W::kTimer1, 0);

    Click(session, W::kCommand1); // "Add/ Remove Bonus Time": the gate, and the typing grace
    EXPECT_NE(Gate(), nullptr);
    EXPECT_EQ(h.session.Text1(), "40");
    EXPECT_EQ(h.gate.CurrentPurpose(), ParentGate::Purpose::BonusTime);

    Click(session, W::kCommand6); // "End Session && Lock Computer"
    EXPECT_FALSE(h.session.SessionRunning());
    EXPECT_EQ(WindowText(GetDlgItem(session, W::kStatus)), L"Your Session Is Closing..");
    EXPECT_EQ(h.lock.calls.back(), "Process_Desktop(SecureDesktop,C:\\Tembrel\\engine.exe)");

    SendMessageW(session, WM_TIMER, W::kTimer1, 0);
    Click(session, W::kCommandEnd); // the parents' close goes through the same gate
    EXPECT_EQ(h.gate.CurrentPurpose(), ParentGate::Purpose::CloseProgram);
}

TEST_F(ViewsTest, UserCloseRequestsAreRefusedAndChangeNothing) {
    OpenSession();
    h.HandOver("600");
    SendMessageW(session, WM_TIMER, HorodeskWindow::kTimer1, 0);
    const auto calls = h.lock.calls;
    SendMessageW(session, WM_CLOSE, 0, 0);
    SendMessageW(session, WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump();
    EXPECT_TRUE(IsWindow(session));
    EXPECT_TRUE(IsWindowVisible(session));
    EXPECT_EQ(h.session.BigCount(), "599");
    EXPECT_EQ(h.lock.calls, calls);
    EXPECT_EQ(h.programEnd.ended, 0);
}

TEST_F(ViewsTest, WindowsMayEndTheSessionAndTheRunningUseIsRecorded) {
    OpenSession();
    h.HandOver("600");
    for (int i = 0; i < 3; ++i) {
        SendMessageW(session, WM_TIMER, HorodeskWindow::kTimer1, 0);
    }
    EXPECT_EQ(SendMessageW(session, WM_QUERYENDSESSION, 0, 0), TRUE);
    SendMessageW(session, WM_ENDSESSION, FALSE, 0); // cancelled: nothing happens
    EXPECT_FALSE(h.files.Has("Ann12-8-2025"));
    SendMessageW(session, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(h.files["Ann12-8-2025"], "|||used|||3\r\n");
    EXPECT_EQ(h.files["50Ann2025"], "|||weektotal|||3\r\n");
}

TEST_F(ViewsTest, SessionWindowScalesItsControlsAndFontsWithTheMonitorsDpi) {
    OpenSession();
    // Windows tells a per-monitor aware window its new DPI and a suggested frame.
    RECT suggested{100, 100, 800, 500};
    SendMessageW(session, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(144, 144),
                 reinterpret_cast<LPARAM>(&suggested));
    HWND status = GetDlgItem(session, HorodeskWindow::kStatus);
    RECT rc{};
    GetWindowRect(status, &rc);
    MapWindowPoints(nullptr, session, reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, 24); // 240 twips at 144 DPI
    EXPECT_EQ(rc.top, 144);
    EXPECT_EQ(rc.right - rc.left, 626);
    LOGFONTW lf{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(status, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    EXPECT_EQ(lf.lfHeight, -27); // 13.5 pt at 144 DPI
    GetWindowRect(session, &rc);
    EXPECT_EQ(rc.left, 100);
    EXPECT_EQ(rc.right - rc.left, 700);
}

// ---- the master password gate ----------------------------------------------------------------

TEST_F(ViewsTest, GateFrameControlsFocusAndTabOrder) {
    OpenSession();
    Click(session, HorodeskWindow::kCommand1);
    ASSERT_NE(Gate(), nullptr);
    Pump();
    CheckFrame(Gate(), L"Master Password Required To Edit", 553, 185);
    using G = MPasswordWindow;
    CheckControls(
        Gate(),
        {
            {G::kText3, L"Edit", L"", 32, 96, 497, 27, -13, false},
            {G::kCommand3, L"Button", L"Continue  ->", 360, 128, 145, 25, -11, false},
            {G::kCommand4, L"Button", L"Password Hint", 208, 128, 145, 25, -11, false},
            {G::kCommand1, L"Button", L"Return To Login Screen", 56, 128, 145, 25, -11, false},
            {G::kLabel4, L"Static", L"The Following Features Require Master Password", 32, 32, 497,
             17, -13, true},
            {G::kLabel1, L"Static",
             L"Only parents can edit computer time schedules.  The first time you used "
             L"Horodesk you set the master password.  Type in the master password "
             L"below and press Continue.",
             32, 56, 497, 33, -11, false},
        });
    auto style = GetWindowLongPtrW(GateBox(), GWL_STYLE);
    EXPECT_TRUE(style & ES_PASSWORD);
    EXPECT_FALSE(style & ES_MULTILINE);
    EXPECT_EQ(SendMessageW(GateBox(), EM_GETPASSWORDCHAR, 0, 0), L'*');
    EXPECT_EQ(GetFocus(), GateBox());
    EXPECT_EQ(TabCycle(Gate(), GateBox(), 4),
              (std::vector<int>{G::kCommand3, G::kCommand4, G::kCommand1, G::kText3}));

    // A second press shows the same gate.
    HWND first = Gate();
    Click(session, HorodeskWindow::kCommand1);
    EXPECT_EQ(Gate(), first);
}

TEST_F(ViewsTest, GateChecksTheEntryOnContinueAndOnEnter) {
    OpenSession();
    h.StorePassword("Secret", "the cat");
    Click(session, HorodeskWindow::kCommand1);
    SetWindowTextW(GateBox(), L"wrong");
    Click(Gate(), MPasswordWindow::kCommand3);
    ASSERT_EQ(h.messageBox.shown.size(), 1u);
    EXPECT_EQ(h.messageBox.shown[0].title, "Password Rejected!");
    EXPECT_EQ(h.messageBox.shown[0].style, 48u);
    EXPECT_EQ(WindowText(GateBox()), L"wrong"); // kept for another try

    Click(Gate(), MPasswordWindow::kCommand4);
    ASSERT_EQ(h.messageBox.shown.size(), 2u);
    EXPECT_EQ(h.messageBox.shown[1].text, "Here is your password hint: \r\n\r\nthe cat");
    EXPECT_EQ(h.messageBox.shown[1].style, 64u);

    SetWindowTextW(GateBox(), L"sECRET"); // letter case does not count
    SendMessageW(GateBox(), WM_CHAR, VK_RETURN, 0);
    EXPECT_EQ(Gate(), nullptr);
    ASSERT_NE(Bonus(), nullptr);
    EXPECT_FALSE(h.gate.IsOpen());
    EXPECT_TRUE(h.bonus.IsOpen());
}

TEST_F(ViewsTest, EnterTypedThroughTheMessageLoopReachesTheGate) {
    OpenSession();
    h.StorePassword("abc");
    Click(session, HorodeskWindow::kCommand1);
    SetWindowTextW(GateBox(), L"abc");
    SetActiveWindow(Gate());
    SetFocus(GateBox());
    // The dialog manager would turn Enter into a default-button command: the box keeps it.
    PostMessageW(GateBox(), WM_KEYDOWN, VK_RETURN, 0x001C0001);
    Pump();
    EXPECT_EQ(Gate(), nullptr);
    EXPECT_NE(Bonus(), nullptr);
}

// Windows' own cryptography and answers through the message loop, as in the program: a master
// password hashed by another implementation of the stored form opens the gate, and the check does
// not hold the UI thread while it runs (about a second under Wine).
struct SystemCryptoPorts : FakePorts<> {
    RecordingMessageBox messageBox;
    BCryptPasswordCrypto crypto;
    Win32BackgroundWork work;
};
struct SystemCryptoHarness : SystemCryptoPorts, ProgramParts {
    SystemCryptoHarness()
        : ProgramParts({files, clock, regional, lock, programEnd, log}, messageBox, crypto, work,
                       L"help@tembrel.example.com") {}
};

TEST(GateWithSystemCryptoTest, ForeignHashOpensTheGateWithoutHoldingTheUiThread) {
    SystemCryptoHarness h;
    ASSERT_TRUE(h.OpenSessionWindow());
    h.files["ps"] = "|||mhash|||" + std::string(kForeignMasterHash) + "\r\n";
    for (const wchar_t* entry : {L"Rex2025", L"Rex2024"}) {
        Click(h.sessionWindow.Hwnd(), HorodeskWindow::kCommand1);
        HWND gate = h.dialogs.GateHwnd();
        ASSERT_NE(gate, nullptr);
        SetWindowTextW(GetDlgItem(gate, MPasswordWindow::kText3), entry);
        const auto start = std::chrono::steady_clock::now();
        Click(gate, MPasswordWindow::kCommand3);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
        EXPECT_TRUE(h.gate.Checking());
        const auto deadline = start + std::chrono::seconds(60);
        while (h.gate.Checking() && std::chrono::steady_clock::now() < deadline) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            Pump();
        }
        EXPECT_FALSE(h.gate.Checking());
    }
    ASSERT_EQ(h.messageBox.shown.size(), 1u); // the first entry's
    EXPECT_EQ(h.messageBox.shown[0].title, "Password Rejected!");
    EXPECT_EQ(h.dialogs.GateHwnd(), nullptr);
    EXPECT_NE(h.dialogs.BonusHwnd(), nullptr);
    EXPECT_TRUE(h.bonus.IsOpen());
}

TEST_F(ViewsTest, GateReturnButtonAndCloseBoxOnlyCloseIt) {
    OpenSession();
    Click(session, HorodeskWindow::kCommand1);
    Click(Gate(), MPasswordWindow::kCommand1);
    EXPECT_EQ(Gate(), nullptr);
    EXPECT_EQ(h.session.Text1(), "40");

    Click(session, HorodeskWindow::kCommand1);
    EXPECT_EQ(WindowText(GateBox()), L""); // a new gate starts empty
    SendMessageW(Gate(), WM_CLOSE, 0, 0);
    EXPECT_EQ(Gate(), nullptr);
    EXPECT_FALSE(h.gate.IsOpen());
    EXPECT_EQ(Bonus(), nullptr);
    EXPECT_TRUE(h.messageBox.shown.empty());
}

// ---- the bonus time dialog -------------------------------------------------------------------

TEST_F(ViewsTest, BonusDialogFrameControlsFocusAndTabOrder) {
    OpenSession();
    h.bonus.Show();
    ASSERT_NE(Bonus(), nullptr);
    Pump();
    CheckFrame(Bonus(), L"Add Bonus Time", 549, 183);
    constexpr int b = BonusTimeWindow::kTimeButton0;
    CheckControls(
        Bonus(),
        {
            {b + 0, L"Button", L"Add 5 Minutes", 56, 32, 137, 25, -11, false},
            {b + 1, L"Button", L"Add 10 Minutes", 56, 64, 137, 25, -11, false},
            {b + 2, L"Button", L"Add 15 Minutes", 56, 96, 137, 25, -11, false},
            {b + 3, L"Button", L"Add 30 Minutes", 368, 32, 137, 25, -11, false},
            {b + 4, L"Button", L"Add 45 Minutes", 368, 64, 137, 25, -11, false},
            {b + 5, L"Button", L"Add 60 Minutes", 368, 96, 137, 25, -11, false},
            {b + 6, L"Button", L"Add 2 Hours", 56, 128, 201, 25, -11, false},
            {b + 7, L"Button", L"Remove All Bonus Time", 304, 128, 201, 25, -11, false},
            {BonusTimeWindow::kLabel2, L"Static",
             L"Bonus time is good for a single session only.  Any unused time will be "
             L"lost once session ends.",
             208, 48, 145, 65, -11, false},
            {BonusTimeWindow::kLabel1, L"Static", L"Bonus Time", 216, 24, 129, 17, -13, true},
        });
    EXPECT_EQ(GetFocus(), GetDlgItem(Bonus(), b));
    EXPECT_EQ(TabCycle(Bonus(), GetDlgItem(Bonus(), b), 8),
              (std::vector<int>{b + 1, b + 2, b + 3, b + 4, b + 5, b + 6, b + 7, b}));
    // Its own icon, not the program's.
    auto icon = reinterpret_cast<HICON>(SendMessageW(Bonus(), WM_GETICON, ICON_BIG, 0));
    EXPECT_EQ(icon, h.bonusIcon.Get());
    EXPECT_NE(icon, h.programIcon.Get());
}

TEST_F(ViewsTest, BonusButtonsApplyTheirChoiceAndCloseTheDialog) {
    OpenSession();
    struct Case {
        int index;
        std::string before, after;
    };
    for (const Case& c : std::vector<Case>{{4, "28", "2728"}, {6, "15", "7215"}, {7, "99", "0"}}) {
        SCOPED_TRACE(c.index);
        h.session.SetText1(c.before);
        h.bonus.Show();
        Click(Bonus(), BonusTimeWindow::kTimeButton0 + c.index);
        EXPECT_EQ(h.session.Text1(), c.after);
        EXPECT_EQ(Bonus(), nullptr);
    }
    h.session.SetText1("10");
    h.bonus.Show();
    SendMessageW(Bonus(), WM_CLOSE, 0, 0);
    EXPECT_EQ(Bonus(), nullptr);
    EXPECT_FALSE(h.bonus.IsOpen());
    EXPECT_EQ(h.session.Text1(), "10");
}

// ---- the splash window -----------------------------------------------------------------------

TEST_F(ViewsTest, SplashIsBorderlessShowsTheVersionAndHandsOverOnItsTimer) {
    int handedOver = 0;
    SplashWindow splash(h.programIcon.Get(), [&] { ++handedOver; });
    ASSERT_TRUE(splash.Open());
    HWND hwnd = splash.Hwnd();
    EXPECT_EQ(WindowText(hwnd), L"Tembrel.. loading!");
    auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME));
    RECT window{};
    GetWindowRect(hwnd, &window);
    EXPECT_EQ(window.right - window.left, 800);
    EXPECT_EQ(window.bottom - window.top, 600);
    CheckControls(
        hwnd, {{SplashWindow::kLabel1, L"Static", L"Version 1.0", 680, 432, 105, 17, -11, false}});
    SendMessageW(hwnd, WM_TIMER, SplashWindow::kTimer, 0);
    EXPECT_EQ(handedOver, 1);
    EXPECT_FALSE(IsWindow(hwnd));
}

// ---- pictures and icons ----------------------------------------------------------------------

TEST(PicturesTest, PicturesAndIconsHaveTheirPixelSizesIn24BitColour) {
    struct Case {
        art::Picture picture;
        int width, height;
    };
    for (const Case& c :
         {Case{art::SplashPicture(1.0), 800, 600}, Case{art::SessionBackground(1.0), 705, 342},
          Case{art::DialogBackground(1.0), 553, 185}}) {
        Bitmap bitmap = RenderPicture(c.picture);
        BITMAP info{};
        ASSERT_NE(GetObjectW(bitmap.Get(), sizeof info, &info), 0);
        EXPECT_EQ(info.bmWidth, c.width);
        EXPECT_EQ(info.bmHeight, c.height);
        EXPECT_EQ(info.bmBitsPixel, 24);
    }
    for (const Icon& icon : {LoadProgramIcon(), LoadBonusIcon()}) {
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon.Get(), &info));
        Bitmap colour(info.hbmColor);
        Bitmap mask(info.hbmMask);
        BITMAP bits{};
        GetObjectW(colour.Get(), sizeof bits, &bits);
        EXPECT_EQ(bits.bmWidth, 32);
        EXPECT_EQ(bits.bmHeight, 32);
    }
}

// ---- one instance per user session ------------------------------------------------------------

TEST(SingleInstanceTest, SecondClaimOfTheNameIsRefusedUntilTheFirstIsGone) {
    const std::wstring name = L"Local\\TembrelTest-" + std::to_wstring(GetCurrentProcessId());
    {
        SingleInstance first(name);
        EXPECT_TRUE(first.IsFirst());
        SingleInstance second(name);
        EXPECT_FALSE(second.IsFirst());
    }
    SingleInstance again(name);
    EXPECT_TRUE(again.IsFirst());

    const std::wstring real = InstanceMutexName();
    EXPECT_EQ(real.rfind(L"Local\\Tembrel-S-1-", 0), 0u) << WideToAnsi(real);
}

TEST(SingleInstanceTest, SecondStartBringsTheRunningWindowBack) {
    // A class of this process's own: other test processes may have session windows open.
    const std::wstring className = L"TembrelTestWindow" + std::to_wstring(GetCurrentProcessId());
    EXPECT_FALSE(BringExistingToFront({className.c_str()}));
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = className.c_str();
    ASSERT_NE(RegisterClassW(&wc), 0);
    HWND window = CreateWindowExW(0, className.c_str(), L"first", WS_OVERLAPPEDWINDOW, 10, 10, 200,
                                  100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(window));
    EXPECT_TRUE(BringExistingToFront({L"NoSuchClass", className.c_str()}));
    EXPECT_FALSE(IsIconic(window));
    EXPECT_TRUE(IsWindowVisible(window));
    DestroyWindow(window);
}

// ---- the notification area ----------------------------------------------------------------------

// Asks Wine's shell whether it holds our icon: changing the tooltip of an icon it does not know
// fails.
bool ShellKnowsIcon(const Win32NotificationArea& area) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = area.NotifyHwnd();
    data.uID = Win32NotificationArea::kIconId;
    data.uFlags = NIF_TIP;
    wcsncpy(data.szTip, area.Tooltip().c_str(), 127);
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

void ClickIcon(const Win32NotificationArea& area) {
    // What the shell sends for a click, in the newer callback language or the older one.
    const UINT event = area.Version4() ? NIN_SELECT : WM_LBUTTONUP;
    SendMessageW(area.NotifyHwnd(), Win32NotificationArea::kCallbackMessage,
                 area.Version4() ? 0 : Win32NotificationArea::kIconId,
                 MAKELPARAM(event, Win32NotificationArea::kIconId));
}

TEST_F(ViewsTest, NotificationIconFromTheLoadWithTheTimeLeftInItsTooltip) {
    const Win32NotificationArea& area = h.notificationArea;
    EXPECT_FALSE(area.IconAdded());
    OpenSession();
    ASSERT_TRUE(area.IconAdded());
    EXPECT_TRUE(ShellKnowsIcon(area));
    EXPECT_EQ(area.Tooltip(), L"Tembrel: no session running");

    h.HandOver("3600");
    for (int i = 0; i < 20; ++i) {
        SendMessageW(session, WM_TIMER, HorodeskWindow::kTimer1, 0);
    }
    EXPECT_EQ(WindowText(GetDlgItem(session, HorodeskWindow::kStatus)), L"00:59:40");
    EXPECT_EQ(area.Tooltip(), L"Ann: 00:59:40 left");
    EXPECT_TRUE(ShellKnowsIcon(area));

    // The program's end takes it out of the shell.
    h.notices.ProgramEnding();
    EXPECT_FALSE(area.IconAdded());
    EXPECT_FALSE(ShellKnowsIcon(area));
}

TEST_F(ViewsTest, WarningShowsABalloonAndBringsTheMinimisedWindowToTheFront) {
    OpenSession();
    h.HandOver("302");
    SendMessageW(session, WM_TIMER, HorodeskWindow::kTimer1, 0);
    ShowWindow(session, SW_MINIMIZE);
    Pump();
    ASSERT_TRUE(IsIconic(session));
    EXPECT_EQ(h.notificationArea.BalloonsAccepted(), 0);

    SendMessageW(session, WM_TIMER, HorodeskWindow::kTimer1, 0); // 00:05:00
    Pump();
    EXPECT_EQ(h.notificationArea.BalloonsAccepted(), 1);
    EXPECT_FALSE(IsIconic(session));
    EXPECT_EQ(GetForegroundWindow(), session);
    EXPECT_EQ(WindowText(GetDlgItem(session, HorodeskWindow::kStatus)), L"00:05:00");
}

TEST_F(ViewsTest, ClickOnTheIconBringsTheWindowBack) {
    OpenSession();
    ShowWindow(session, SW_MINIMIZE);
    Pump();
    ClickIcon(h.notificationArea);
    Pump();
    EXPECT_FALSE(IsIconic(session));
    EXPECT_EQ(GetForegroundWindow(), session);
}

TEST_F(ViewsTest, IconComesBackWhenTheShellStartsAgain) {
    OpenSession();
    const Win32NotificationArea& area = h.notificationArea;
    // A shell that starts again knows no icons.
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = area.NotifyHwnd();
    data.uID = Win32NotificationArea::kIconId;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
    ASSERT_FALSE(ShellKnowsIcon(area));

    SendMessageW(area.NotifyHwnd(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(ShellKnowsIcon(area));
    EXPECT_EQ(area.Adds(), 2);
    EXPECT_EQ(area.Tooltip(), L"Tembrel: no session running");
}

} // namespace
} // namespace tembrel::win

// A day of two children through the real programs: a parent sets up Ann and Ben on the lock screen
// with different limits for today, each child logs in there, and Tembrel ends the sessions by
// End Session, by the time running out and by the end of the allowed hours. After each end the
// lock screen, started again, says why, and its tiles say what is left; the report counts it all.
// Runs in real time under Wine: Ann's one minute today is 55 seconds used up beforehand.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/Text.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Regional.h"
#include "records/FindDate.h"
#include "standins/engine/EngineControls.h"
#include "windows/tests/EndToEnd.h"

namespace tembrel {
namespace {

using namespace std::chrono_literals;

// The real lock screen, installed beside Tembrel as LockScreen.exe: Tembrel's own launches start
// the stand-in engine.exe, which hands nothing over, so each login is this test's.
class LockScreen {
  public:
    explicit LockScreen(const TempFolder& folder) {
        if (process_.Start(folder / "LockScreen.exe", folder.Path())) {
            WaitFor([&] { return (window_ = TopWindowOf(Id(), engine::kClassName)) != nullptr; },
                    30s);
            // Its first tiles come once the window is up; a screen with children has them.
            WaitFor([&] { return GetDlgItem(window_, engine::kTile) != nullptr; }, 10s);
        }
    }
    HWND Window() const { return window_; }
    void Type(int id, const std::string& text) const {
        SetWindowTextAnsi(GetDlgItem(window_, id), text);
    }
    void Click(int id) const {
        SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window_, id)));
    }
    std::string Text(int id) const { return WideToAnsi(WindowText(GetDlgItem(window_, id))); }
    // The message once it says `expected`, or what it says at the deadline: password work and
    // saves answer from work of their own.
    std::string Answer(const std::string& expected) const {
        WaitFor([&] { return Text(engine::kMessage) == expected; }, 30s);
        return Text(engine::kMessage);
    }
    // The tile whose text begins with the child's name.
    std::string Tile(const std::string& child) const {
        for (int i = 0; i < engine::kMaxTiles; ++i) {
            const std::string text = Text(engine::kTile + i);
            if (text.rfind(child + "\n", 0) == 0) {
                return text;
            }
        }
        return {};
    }
    // Picks the child's tile and logs in: the lock screen hands over and ends.
    bool LogIn(const std::string& child) {
        for (int i = 0; i < engine::kMaxTiles; ++i) {
            if (Text(engine::kTile + i).rfind(child + "\n", 0) == 0) {
                Click(engine::kTile + i);
                Click(engine::kLogIn);
                return process_.Ended(30000);
            }
        }
        return false;
    }

  private:
    DWORD Id() const { return process_.info.dwProcessId; }
    Process process_;
    HWND window_ = nullptr;
};

// Tembrel.exe installed with the stand-in lock screen as engine.exe, told to hand nothing over.
struct Installed {
    TempFolder folder;
    Process tembrel;
    Installed() {
        std::string failed;
        EXPECT_TRUE(InstallProgram(folder, failed)) << failed;
        WriteFileDirect(folder / "handed-over.txt", "yes");
    }
    bool Start() {
        return tembrel.Start(folder / "Tembrel.exe", folder.Path()) &&
               WaitFor([&] { return SessionWindowOf(tembrel.info.dwProcessId) != nullptr; }, 30s);
    }
};

bool SessionInJournal(const TempFolder& folder, const std::string& child) {
    return ReadIfThere(folder / "Tembrel.journal").find("\nuser=" + child + "\r\n") !=
           std::string::npos;
}

void AddChild(LockScreen& screen, const std::string& name, const std::string minutes[7],
              const std::string& close) {
    screen.Click(engine::kAddChild);
    screen.Type(engine::kName, name);
    SendMessageW(GetDlgItem(screen.Window(), engine::kSameEveryDay), BM_SETCHECK, BST_UNCHECKED, 0);
    screen.Click(engine::kSameEveryDay);
    for (int day = 0; day < 7; ++day) {
        screen.Type(engine::kMinutes + day, minutes[day]);
        screen.Type(engine::kOpen + day, "0");
        screen.Type(engine::kClose + day, close);
    }
    screen.Click(engine::kSave);
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(WholeDayTest, TwoChildrenEndByButtonTimeAndHoursAndTheScreensSayWhy) {
    const LocalTime now = Win32Clock().Now();
    // Midday and midnight end sessions of their own; the hours end needs an hour that began.
    if (now.hour == 0 || now.hour == 23 || (now.hour == 11 && now.minute >= 50) ||
        (now.hour == 12 && now.minute == 0)) {
        GTEST_SKIP() << "too near midnight or midday for the ends this test chooses";
    }
    const int today = Weekday(DayNumber(now));
    Installed run;
    ASSERT_TRUE(CopyFileA(BesideThisTest("engine.exe").c_str(),
                          (run.folder / "LockScreen.exe").c_str(), FALSE));
    // Ann has 1 minute today (90 on the other days), 55 seconds of it used already; Ben has 45
    // minutes every day.
    WriteFileDirect(run.folder / ("Ann" + DateKey(Win32Regional(), now) + ".var"),
                    "|||used|||55\r\n");
    std::string annMinutes[7], benMinutes[7];
    for (int day = 0; day < 7; ++day) {
        annMinutes[day] = day == today ? "1" : "90";
        benMinutes[day] = "45";
    }
    {
        LockScreen screen(run.folder);
        ASSERT_NE(screen.Window(), nullptr);
        screen.Click(engine::kParents); // no master password yet: straight to choosing one
        screen.Type(engine::kNewMaster, "secret");
        screen.Type(engine::kNewMasterAgain, "secret");
        screen.Type(engine::kNewHint, "the usual");
        screen.Click(engine::kSetMaster);
        ASSERT_EQ(screen.Answer("The master password is set."), "The master password is set.");
        AddChild(screen, "Ann", annMinutes, "24");
        ASSERT_EQ(screen.Answer("Ann is added."), "Ann is added.");
        AddChild(screen, "Ben", benMinutes, "24");
        ASSERT_EQ(screen.Answer("Ben is added."), "Ben is added.");
        screen.Click(engine::kDone);
        EXPECT_NE(screen.Tile("Ann").find("less than 1 min left"), std::string::npos)
            << screen.Tile("Ann");
        ASSERT_TRUE(screen.LogIn("Ben"));
    }
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(WaitFor([&] { return SessionInJournal(run.folder, "Ben"); }, 30s));
    const DWORD id = run.tembrel.info.dwProcessId;

    // Ben ends his session himself.
    Sleep(2000);
    const HWND window = SessionWindowOf(id);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(win::HorodeskWindow::kCommand6, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, win::HorodeskWindow::kCommand6)));
    ASSERT_TRUE(WaitFor([&] { return ExistsDirect(run.folder / "lastend.var"); }, 30s));
    {
        LockScreen screen(run.folder);
        ASSERT_NE(screen.Window(), nullptr);
        EXPECT_EQ(screen.Text(engine::kBanner), "Goodbye, Ben. Session ended.");
        EXPECT_NE(screen.Tile("Ben").find(" min left"), std::string::npos) << screen.Tile("Ben");
        ASSERT_TRUE(screen.LogIn("Ann"));
    }

    // Ann's last seconds run out.
    ASSERT_TRUE(WaitFor([&] { return ExistsDirect(run.folder / "lastend.var"); }, 60s));
    {
        LockScreen screen(run.folder);
        ASSERT_NE(screen.Window(), nullptr);
        EXPECT_EQ(screen.Text(engine::kBanner), "Goodbye, Ann. Time is up for today.");
        EXPECT_NE(screen.Tile("Ann").find("No time left today"), std::string::npos)
            << screen.Tile("Ann");
        ASSERT_TRUE(screen.LogIn("Ben"));
    }

    // Ben's allowed hours end: today's closing hour, as the record gives it to Tembrel, becomes
    // the hour that has begun.
    ASSERT_TRUE(WaitFor([&] { return SessionInJournal(run.folder, "Ben"); }, 30s));
    const std::string ben = run.folder / "Ben.var";
    WriteFileDirect(ben, Replaced(ReadIfThere(ben), "|||close|||24\r\n",
                                  "|||close|||" + std::to_string(now.hour) + "\r\n"));
    ASSERT_TRUE(WaitFor([&] { return ExistsDirect(run.folder / "lastend.var"); }, 30s));
    {
        LockScreen screen(run.folder);
        ASSERT_NE(screen.Window(), nullptr);
        EXPECT_EQ(screen.Text(engine::kBanner), "Goodbye, Ben. Your allowed hours are over.");
    }

    // The history has the three ends; the report shows both children beside their limits.
    const std::string csv = ReadIfThere(run.folder / "Tembrel usage.csv");
    const auto rows = Lines(csv);
    ASSERT_EQ(rows.size(), 4u) << csv;
    EXPECT_NE(rows[1].find(",\"Ben\","), std::string::npos);
    EXPECT_NE(rows[1].find(",End Session,"), std::string::npos);
    EXPECT_NE(rows[2].find(",\"Ann\",5,0,time up,0"), std::string::npos) << rows[2];
    EXPECT_NE(rows[3].find(",\"Ben\","), std::string::npos);
    EXPECT_NE(rows[3].find(",hours window,"), std::string::npos);
    const std::string page = ReadIfThere(run.folder / "Tembrel usage.html");
    EXPECT_NE(page.find("<h2>Ann</h2><dl class=\"totals\"><div><dt>Today</dt><dd>5 s<small>of "
                        "1 min</small>"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("<h2>Ben</h2>"), std::string::npos);
    EXPECT_NE(page.find("<b>Limits</b> Mon–Sun 45 min, all day</p>"), std::string::npos);
}

} // namespace
} // namespace tembrel

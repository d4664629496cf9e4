#pragma once
// The lock screen in this process over the fakes, with a family set up: Monday 8 December 2025,
// 10:40. Ann (80 minutes on school days, 8 to 20) has 1 h 20 min left; Ben (30 minutes, a
// password) has used his; Cy's hours begin at 15:00; Dee has no minutes on Mondays. Ben's last
// session ended with his time. Used by the view tests and the screenshots.
#include <windows.h>

#include <memory>
#include <string>

#include "platform/fakes/FakeBackgroundWork.h"
#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeRegional.h"
#include "platform/fakes/MemoryFiles.h"
#include "platform/fakes/SoftCrypto.h"
#include "platform/win32/Text.h"
#include "records/Optionals.h"
#include "records/SessionEnd.h"
#include "records/StoredPasswords.h"
#include "standins/engine/EngineControls.h"
#include "standins/engine/LockScreen.h"

namespace tembrel::engine {

struct LockScreenFixture {
    MemoryFiles files;
    FakeClock clock;
    FakeRegional regional;
    LocalSettings settings{files, regional};
    SoftCrypto crypto;
    FakeBackgroundWork work; // done at once unless a test holds it
    EngineLogic logic{{files, clock, regional, settings, crypto, work}};
    int finished = 0;
    std::unique_ptr<LockScreen> screen;

    void SetUpFamily() {
        clock.now = {2025, 12, 8, 10, 40, 0};
        files.clock = &clock;
        crypto.roundCap = 2; // the hashes' form without their second each
        files["ps"] = "|||mhash|||" + MasterPasswordHashText(regional, crypto, "secret") +
                      "\r\n|||mhint|||the usual\r\n";
        files["engine"] = "|||children|||Ann/Ben/Cy/Dee\r\n";
        files["Ann"] = "|||minutes|||80 80 80 80 80 120 120\r\n"
                       "|||hours|||8-20 8-20 8-20 8-20 8-20 10-21 10-21\r\n|||weekly|||480\r\n";
        files["Ben"] = "|||daily|||30\r\n|||open|||0\r\n|||close|||24\r\n|||pwhash|||" +
                       ChildPasswordHashText(crypto, "pony") + "\r\n";
        files["Ben12-8-2025"] = "|||used|||1800\r\n";
        files["Cy"] = "|||minutes|||45 45 45 45 45 90 90\r\n"
                      "|||hours|||15-20 15-20 15-20 15-20 15-20 9-20 9-20\r\n|||weekly|||none\r\n";
        files["Dee"] = "|||minutes|||0 60 60 60 60 60 60\r\n"
                       "|||hours|||0-24 0-24 0-24 0-24 0-24 0-24 0-24\r\n|||weekly|||none\r\n";
        RecordSessionEnd(files, "Ben", SessionEndReason::TimeUp);
    }

    bool Open() {
        screen = std::make_unique<LockScreen>(logic, [this] { ++finished; });
        return screen->Create(::GetModuleHandleW(nullptr));
    }

    HWND Window() const { return screen->Window(); }
    HWND Item(int id) const { return ::GetDlgItem(Window(), id); }
    std::string Text(int id) const { return WideToAnsi(WindowText(Item(id))); }
    void Type(int id, const std::string& text) const {
        ::SendMessageW(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(AnsiToWide(text).c_str()));
    }
    void Click(int id, int code = BN_CLICKED) const {
        ::SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(id, code),
                       reinterpret_cast<LPARAM>(Item(id)));
    }
    void Pick(int listIndex) const {
        ::SendMessageW(Item(kChildren), LB_SETCURSEL, static_cast<WPARAM>(listIndex), 0);
    }
    bool Visible(int id) const { return ::IsWindowVisible(Item(id)) != FALSE; }
    bool Enabled(int id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }

    // Into the parents' area with the master password, then to Ann's settings.
    void OpenParents() {
        Click(kParents);
        Type(kMaster, "secret");
        Click(kOpenParents);
    }
    void OpenAnn() {
        OpenParents();
        Pick(0);
        Click(kChangeChild);
    }
};

} // namespace tembrel::engine

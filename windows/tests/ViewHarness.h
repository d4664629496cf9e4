#pragma once
// The real windows over the real logic, with fake ports: an in-memory program folder, a clock that
// stands still (Monday 8 December 2025, 10:00), recording desktop lock, message box and program
// end. Used by the view tests and by the screenshot program.
#include <string>

#include "dialogs/BonusTime.h"
#include "dialogs/MPassword.h"
#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeRegional.h"
#include "platform/fakes/MemoryFiles.h"
#include "platform/fakes/RecordingPorts.h"
#include "platform/win32/Win32NotificationArea.h"
#include "session/DiagnosticLog.h"
#include "session/Horodesk.h"
#include "session/SessionNotices.h"
#include "session/tests/FakeSession.h"
#include "windows/HorodeskWindow.h"
#include "windows/Icons.h"
#include "windows/ParentDialogViews.h"

namespace tembrel::win {

struct ViewHarness : FakeSession<> {
    RecordingMessageBox messageBox;
    Icon programIcon = LoadProgramIcon();
    Icon bonusIcon = LoadBonusIcon();
    ParentDialogViews dialogs{programIcon.Get(), bonusIcon.Get()};
    BonusTime bonus{session, dialogs, log};
    MPassword gate{files, regional, messageBox, dialogs, bonus, session, programEnd, log};
    HorodeskWindow sessionWindow{session, programIcon.Get(), L"help@tembrel.example.com"};
    // Notices: the real notification area of Wine's shell.
    Win32NotificationArea notificationArea{programIcon.Get()};
    SessionNotices notices{notificationArea};

    ViewHarness() {
        clock.now = LocalTime{2025, 12, 8, 10, 0, 0};
        dialogs.Attach(gate, bonus);
        session.SetParentGate(&gate);
        session.SetNotices(&notices);
        notificationArea.onClick = [this] { notices.IconClicked(); };
        notificationArea.SetWindow([this] { return sessionWindow.Hwnd(); });
    }

    // What the lock screen leaves after a child logged in.
    void HandOver(const std::string& allow, const std::string& user = "Ann") {
        files["allow"] = "|||allow|||" + allow + "\r\n|||user|||" + user + "\r\n";
    }
    // The master password as the lock screen stores it: each character one code lower.
    void StorePassword(const std::string& password, const std::string& hint = "") {
        std::string stored;
        for (char c : password) {
            stored += static_cast<char>(c - 1);
        }
        files["ps"] = "|||mpass|||" + stored + "\r\n|||mhint|||" + hint + "\r\n";
    }
};

} // namespace tembrel::win

#pragma once
// Tembrel.exe's objects, built and joined in one place: the icons, the notification area and its
// notices, the session logic and its usage recorder, the parent dialogs and their windows, and the
// session window. Several are joined in two steps (one needs the other, which is built after it);
// all of those steps are here. Tembrel.exe gives it the Windows ports, the view tests their fakes.
#include <string>

#include "dialogs/BonusTime.h"
#include "dialogs/MPassword.h"
#include "platform/BackgroundWork.h"
#include "platform/MessageBoxPort.h"
#include "platform/PasswordCrypto.h"
#include "platform/win32/Win32NotificationArea.h"
#include "session/Horodesk.h"
#include "session/SessionEvents.h"
#include "session/SessionNotices.h"
#include "session/UsageRecorder.h"
#include "windows/Gdi.h"
#include "windows/HorodeskWindow.h"
#include "windows/ParentDialogViews.h"

namespace tembrel::win {

struct ProgramParts;

// What the session logic tells, passed on: the session window repaints, the notices speak, the
// usage history records each close.
class ProgramEvents : public SessionEvents {
  public:
    explicit ProgramEvents(ProgramParts& parts) : parts_(parts) {}
    void Loaded() override;
    void Changed() override;
    void Started() override;
    void EndedOnPurpose() override;
    void Ticked(const SessionFacts& facts) override;
    void Closed(const ClosedSession& closed) override;

  private:
    ProgramParts& parts_;
};

struct ProgramParts {
    // The ports must outlive the parts; beside them the program reaches only the shell's
    // notification area. The gate checks the master password with `crypto`, as `work`.
    ProgramParts(const SessionPorts& ports, MessageBoxPort& messageBox, PasswordCrypto& crypto,
                 BackgroundWork& work, std::wstring supportAddress);
    // The parts hold each other's addresses.
    ProgramParts(const ProgramParts&) = delete;
    ProgramParts& operator=(const ProgramParts&) = delete;

    // Opens the session window (see HorodeskWindow::Open), over which the parent dialogs then
    // open; false if it could not be created.
    bool OpenSessionWindow();

    Icon programIcon;
    Icon bonusIcon;
    Win32NotificationArea notificationArea;
    SessionNotices notices;
    // Every end of the program goes through the notices, so that the icon never outlives the
    // process.
    EndAfterNotices endAfterNotices;
    Horodesk session;
    // The usage history and report, written after every close.
    UsageRecorder usage;
    ParentDialogViews dialogs;
    BonusTime bonus;
    MPassword gate;
    HorodeskWindow sessionWindow;
    ProgramEvents events{*this};
};

} // namespace tembrel::win

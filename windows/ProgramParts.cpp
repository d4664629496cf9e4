#include "windows/ProgramParts.h"

#include <string_view>
#include <utility>

#include "platform/win32/Text.h"
#include "windows/Icons.h"

namespace tembrel::win {

ProgramParts::ProgramParts(const SessionPorts& ports, MessageBoxPort& messageBox,
                           PasswordCrypto& crypto, BackgroundWork& work,
                           std::wstring supportAddress)
    : programIcon(LoadProgramIcon()), bonusIcon(LoadBonusIcon()),
      notificationArea(programIcon.Get()), notices(notificationArea),
      endAfterNotices(notices, ports.programEnd),
      session({ports.files, ports.clock, ports.regional, ports.desktopLock, endAfterNotices,
               ports.log}),
      // Names go from the code page to the page's UTF-8.
      usage(ports.files, ports.clock, ports.regional, ports.log,
            [](std::string_view text) { return AnsiTextToUtf8(text); }),
      dialogs(programIcon.Get(), bonusIcon.Get()), bonus(session, dialogs, ports.log),
      gate(ports.files, ports.regional, messageBox, dialogs, bonus, session, endAfterNotices,
           ports.log, crypto, work),
      sessionWindow(session, programIcon.Get(), std::move(supportAddress)) {
    notificationArea.onClick = [this] { notices.IconClicked(); };
    notificationArea.SetWindow([this] { return sessionWindow.Hwnd(); });
    session.SetEvents(&events);
    // The dialogs' windows and the session are built before the logic they open.
    dialogs.Attach(gate, bonus);
    session.SetParentGate(&gate);
}

void ProgramEvents::Loaded() {
    parts_.notices.Loaded();
}

void ProgramEvents::Changed() {
    parts_.sessionWindow.Render();
}

void ProgramEvents::Started() {
    parts_.notices.Started();
}

void ProgramEvents::EndedOnPurpose() {
    parts_.notices.EndedOnPurpose();
}

void ProgramEvents::Ticked(const SessionFacts& facts) {
    parts_.notices.Ticked(facts);
}

void ProgramEvents::Closed(const ClosedSession& closed) {
    parts_.usage.Closed(closed);
}

bool ProgramParts::OpenSessionWindow() {
    if (!sessionWindow.Open()) {
        return false;
    }
    dialogs.CentreOver(sessionWindow.Hwnd());
    return true;
}

} // namespace tembrel::win

#pragma once
// The master password gate between the parents' buttons and what they unlock: bonus time, or
// closing the program. Reads the password afresh at every check.
#include <string>

#include "dialogs/BonusTime.h"
#include "dialogs/DialogWindows.h"
#include "platform/EndAuthority.h"
#include "platform/Files.h"
#include "platform/MessageBoxPort.h"
#include "platform/ProgramEnd.h"
#include "platform/Regional.h"
#include "session/HandlerGuard.h"
#include "session/Horodesk.h"

namespace tembrel {

class MPassword : public ParentGate {
  public:
    static constexpr int kEnter = 13;

    MPassword(Files& files, const Regional& regional, MessageBoxPort& messageBox,
              DialogWindows& windows, BonusTime& bonus, Horodesk& session, ProgramEnd& programEnd,
              DiagnosticLog& log);

    // ParentGate
    bool IsOpen() const override { return open_; }
    void Show(Purpose purpose) override;
    Purpose CurrentPurpose() const { return purpose_; }
    // Where a guard service may run, the parents' close asks it before the program ends; without
    // one (null, the default) the close ends the program at once.
    void SetEndAuthority(EndAuthority* authority) { endAuthority_ = authority; }

    // Handlers, guarded. `entry` is the text of the password box as typed.
    void Command3Click(const std::string& entry); // "Continue  ->"
    // Returns the key code to pass on (always unchanged); Enter checks the entry like Command3.
    int Text3KeyPress(int keyCode, const std::string& entry);
    void Command4Click(); // "Password Hint"
    void Command1Click(); // "Return To Login Screen"
    void CloseBox();
    void WindowDestroyed() { open_ = false; }

  private:
    bool Accepts(const std::string& entry);
    void CloseProgram(const std::string& entry);
    void Close();

    Files& files_;
    const Regional& regional_;
    MessageBoxPort& messageBox_;
    DialogWindows& windows_;
    BonusTime& bonus_;
    Horodesk& session_;
    ProgramEnd& programEnd_;
    EndAuthority* endAuthority_ = nullptr;
    HandlerGuard guard_;
    bool open_ = false;
    Purpose purpose_ = Purpose::BonusTime;
};

} // namespace tembrel

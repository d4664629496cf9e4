#pragma once
// The master password gate between the parents' buttons and what they unlock: bonus time, or
// closing the program. Reads the password afresh at every check. A check of a hash takes about a
// second, so it runs as background work and its answer comes back later: meanwhile the countdown
// ticks on, and a second press of Continue waits for the first one's answer.
#include <cstdint>
#include <optional>
#include <string>

#include "dialogs/BonusTime.h"
#include "dialogs/DialogWindows.h"
#include "platform/BackgroundWork.h"
#include "platform/Files.h"
#include "platform/MessageBoxPort.h"
#include "platform/PasswordCrypto.h"
#include "platform/ProgramEnd.h"
#include "platform/Regional.h"
#include "records/StoredPasswords.h"
#include "session/HandlerGuard.h"
#include "session/Horodesk.h"

namespace tembrel {

class MPassword : public ParentGate {
  public:
    static constexpr int kEnter = 13;

    MPassword(Files& files, const Regional& regional, MessageBoxPort& messageBox,
              DialogWindows& windows, BonusTime& bonus, Horodesk& session, ProgramEnd& programEnd,
              DiagnosticLog& log, PasswordCrypto& crypto, BackgroundWork& work);

    // ParentGate
    bool IsOpen() const override { return open_; }
    void Show(Purpose purpose) override;
    Purpose CurrentPurpose() const { return purpose_; }
    // True from a check's start until its answer: the entry is being compared.
    bool Checking() const { return checking_; }

    // Handlers, guarded. `entry` is the text of the password box as typed.
    void Command3Click(const std::string& entry); // "Continue  ->"
    // Returns the key code to pass on (always unchanged); Enter checks the entry like Command3.
    int Text3KeyPress(int keyCode, const std::string& entry);
    void Command4Click(); // "Password Hint"
    void Command1Click(); // "Return To Login Screen"
    void CloseBox();
    void WindowDestroyed() { open_ = false; }

  private:
    // What the entry is compared with, or nothing (logged) when no password can open the gate.
    std::optional<StoredPassword> StoredMasterPassword();
    struct Answer {
        bool accepted = false;
        std::string failure; // why the comparison itself failed
    };
    void Answered(const Answer& answer, std::uint64_t check);
    void Reject();
    void CloseProgram();
    void Close();

    Files& files_;
    const Regional& regional_;
    MessageBoxPort& messageBox_;
    DialogWindows& windows_;
    BonusTime& bonus_;
    Horodesk& session_;
    ProgramEnd& programEnd_;
    PasswordCrypto& crypto_;
    BackgroundWork& work_;
    HandlerGuard guard_;
    bool open_ = false;
    bool checking_ = false;
    // Counts the checks and the closings: an answer counts only while this is still the number
    // its check began with, so one that arrives after the gate closed opens nothing.
    std::uint64_t check_ = 0;
    Purpose purpose_ = Purpose::BonusTime;
};

} // namespace tembrel

#include "dialogs/MPassword.h"

#include "records/FileHandle.h"
#include "records/MasterPassword.h"

namespace tembrel {

namespace {

constexpr const char* kRejectedTitle = "Password Rejected!";
constexpr const char* kRejectedText =
    "Your password has been REJECTED!  Please view your password HINT.  ";
constexpr const char* kHintTitle = "Password Hint";
constexpr const char* kHintText = "Here is your password hint: ";
constexpr const char* kGuardRefusedTitle = "Tembrel stays on";
constexpr const char* kGuardRefusedText =
    "Tembrel's guard service did not let Tembrel close. Try again, or ask an administrator.";

} // namespace

MPassword::MPassword(Files& files, const Regional& regional, MessageBoxPort& messageBox,
                     DialogWindows& windows, BonusTime& bonus, Horodesk& session,
                     ProgramEnd& programEnd, DiagnosticLog& log)
    : files_(files), regional_(regional), messageBox_(messageBox), windows_(windows), bonus_(bonus),
      session_(session), programEnd_(programEnd), guard_(log) {}

void MPassword::Show(Purpose purpose) {
    windows_.ShowGateWindow();
    open_ = true;
    purpose_ = purpose;
}

void MPassword::Command3Click(const std::string& entry) {
    guard_("MPassword", [this, &entry] {
        if (!Accepts(entry)) {
            messageBox_.Show(kRejectedText, kRejectedTitle, MessageBoxPort::kExclamation);
            return;
        }
        if (purpose_ == Purpose::CloseProgram) {
            CloseProgram(entry);
            return;
        }
        bonus_.Show();
        Close();
    });
}

bool MPassword::Accepts(const std::string& entry) {
    bool accepted = false;
    // A password that cannot be read or decoded opens nothing: the failure is logged and the
    // entry refused.
    guard_("MPassword check", [this, &entry, &accepted] {
        accepted = MasterPasswordMatches(files_, regional_, entry);
    });
    return accepted;
}

void MPassword::CloseProgram(const std::string& entry) {
    // Where the guard service runs it restarts every end the parents did not authorise: it is
    // asked first, with the password they typed, and a refusal ends nothing.
    if (endAuthority_ != nullptr &&
        endAuthority_->AskToEnd(entry) == EndAuthority::Answer::Refused) {
        messageBox_.Show(kGuardRefusedText, kGuardRefusedTitle, MessageBoxPort::kExclamation);
        return;
    }
    // The parent's way out: nothing of a running session is lost, and the lock-down is lifted,
    // since no one is left to lift it later. The program ends even when the lock-down stays.
    session_.RecordRunningSession();
    guard_("MPassword UnlockSystem", [this] { session_.UnlockSystem(); });
    Close();
    programEnd_.EndProgram();
}

int MPassword::Text3KeyPress(int keyCode, const std::string& entry) {
    if (keyCode == kEnter) {
        Command3Click(entry);
    }
    return keyCode;
}

void MPassword::Command4Click() {
    guard_("MPassword hint", [this] {
        const std::string hint = ReadRecord(files_, regional_, "mhint", "ps").value_or("");
        messageBox_.Show(std::string(kHintText) + "\r\n\r\n" + hint, kHintTitle,
                         MessageBoxPort::kInformation);
    });
}

void MPassword::Command1Click() {
    Close();
}

void MPassword::CloseBox() {
    Close();
}

void MPassword::Close() {
    guard_("MPassword close", [this] {
        open_ = false;
        windows_.CloseGateWindow();
    });
}

} // namespace tembrel

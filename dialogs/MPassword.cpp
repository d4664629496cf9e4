#include "dialogs/MPassword.h"

#include "platform/Errors.h"
#include "records/FileHandle.h"
#include "records/Optionals.h"
#include "records/RecordContract.h"

namespace tembrel {

namespace {

constexpr const char* kRejectedTitle = "Password Rejected!";
constexpr const char* kRejectedText =
    "Your password has been REJECTED!  Please view your password HINT.  ";
constexpr const char* kHintTitle = "Password Hint";
constexpr const char* kHintText = "Here is your password hint: ";

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
            CloseProgram();
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
        // Read afresh every time, so a password changed on the lock screen counts at once.
        const std::string stored =
            ReadRecord(files_, regional_, contract::kMasterPasswordKey, contract::kPasswordFile)
                .value_or("");
        if (stored.empty()) {
            // No password to compare with: a child who hides or empties ps.var must not find the
            // gate open, so nothing is accepted until the lock screen stores a password again.
            throw TembrelError("no master password stored; the entry is refused");
        }
        const std::string password = ShiftText(regional_, stored, 1);
        accepted = regional_.ToLower(entry) == regional_.ToLower(password);
    });
    return accepted;
}

void MPassword::CloseProgram() {
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
        const std::string hint =
            ReadRecord(files_, regional_, contract::kMasterHintKey, contract::kPasswordFile)
                .value_or("");
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

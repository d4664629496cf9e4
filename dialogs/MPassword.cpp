#include "dialogs/MPassword.h"

#include <exception>

#include "records/FileHandle.h"
#include "records/Optionals.h"

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
      session_(session), programEnd_(programEnd), log_(log) {}

void MPassword::Show(Purpose purpose) {
    windows_.ShowGateWindow();
    open_ = true;
    purpose_ = purpose;
}

void MPassword::Command3Click(const std::string& entry) {
    bool accepted = false;
    try {
        // Read afresh every time, so a password changed on the lock screen counts at once.
        const std::string stored = ReadRecord(files_, regional_, "mpass", "ps").value_or("");
        const std::string password = ShiftText(regional_, stored, 1);
        accepted = regional_.ToLower(entry) == regional_.ToLower(password);
    } catch (const std::exception& e) {
        // A password that cannot be read or decoded opens nothing.
        log_.Append("MPassword check", e.what());
    }
    try {
        if (!accepted) {
            messageBox_.Show(kRejectedText, kRejectedTitle, MessageBoxPort::kExclamation);
            return;
        }
        if (purpose_ == Purpose::CloseProgram) {
            CloseProgram();
            return;
        }
        bonus_.Show();
        Close();
    } catch (const std::exception& e) {
        log_.Append("MPassword", e.what());
    }
}

void MPassword::CloseProgram() {
    // The parent's way out: nothing of a running session is lost, and the lock-down is lifted,
    // since no one is left to lift it later.
    session_.SystemShutdown();
    try {
        session_.UnlockSystem();
    } catch (const std::exception& e) {
        log_.Append("MPassword UnlockSystem", e.what());
    }
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
    try {
        const std::string hint = ReadRecord(files_, regional_, "mhint", "ps").value_or("");
        messageBox_.Show(std::string(kHintText) + "\r\n\r\n" + hint, kHintTitle,
                         MessageBoxPort::kInformation);
    } catch (const std::exception& e) {
        log_.Append("MPassword hint", e.what());
    }
}

void MPassword::Command1Click() {
    Close();
}

void MPassword::CloseBox() {
    Close();
}

void MPassword::Close() {
    try {
        windows_.CloseGateWindow();
    } catch (const std::exception& e) {
        log_.Append("MPassword close", e.what());
    }
    open_ = false;
}

} // namespace tembrel

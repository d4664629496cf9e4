#include "dialogs/MPassword.h"

#include <memory>

#include "platform/Errors.h"
#include "records/FileHandle.h"
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
                     ProgramEnd& programEnd, DiagnosticLog& log, PasswordCrypto& crypto,
                     BackgroundWork& work)
    : files_(files), regional_(regional), messageBox_(messageBox), windows_(windows), bonus_(bonus),
      session_(session), programEnd_(programEnd), crypto_(crypto), work_(work), guard_(log) {}

void MPassword::Show(Purpose purpose) {
    if (purpose != purpose_) {
        // An entry typed to give bonus time does not end the program, nor the other way round.
        ++check_;
        checking_ = false;
    }
    windows_.ShowGateWindow();
    open_ = true;
    purpose_ = purpose;
}

void MPassword::Command3Click(const std::string& entry) {
    guard_("MPassword", [this, &entry] {
        if (checking_) {
            return;
        }
        const std::optional<StoredPassword> stored = StoredMasterPassword();
        if (!stored) {
            Reject();
            return;
        }
        checking_ = true;
        const std::uint64_t check = ++check_;
        // The work holds its own copies: the entry box and the files may change meanwhile.
        auto answer = std::make_shared<Answer>();
        work_.Run(
            [answer, stored = *stored, text = MasterPasswordText(regional_, entry),
             &crypto = crypto_] {
                try {
                    answer->accepted = StoredPasswordMatches(stored, crypto, text);
                } catch (const std::exception& e) {
                    answer->failure = e.what();
                } catch (...) {
                    answer->failure = "unknown failure";
                }
            },
            [this, answer, check] { Answered(*answer, check); });
    });
}

std::optional<StoredPassword> MPassword::StoredMasterPassword() {
    std::optional<StoredPassword> stored;
    // A password that cannot be read, decoded or checked opens nothing: the failure is logged and
    // the entry refused. So does none at all: a child who hides or empties ps.var must not find
    // the gate open.
    guard_("MPassword check", [this, &stored] {
        StoredPassword found = ReadMasterPassword(files_, regional_);
        if (found.form == StoredPassword::Form::None) {
            throw NoMasterPassword("no master password stored; the entry is refused");
        }
        stored = std::move(found);
    });
    return stored;
}

void MPassword::Answered(const Answer& answer, std::uint64_t check) {
    guard_("MPassword", [this, &answer, check] {
        if (check != check_) {
            return; // the gate closed meanwhile
        }
        checking_ = false;
        if (!answer.failure.empty()) {
            guard_("MPassword check", [&answer] { throw TembrelError(answer.failure); });
        }
        if (!answer.accepted) {
            Reject();
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

void MPassword::Reject() {
    messageBox_.Show(kRejectedText, kRejectedTitle, MessageBoxPort::kExclamation);
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
    // An answer still on its way belongs to the gate that is closing.
    ++check_;
    checking_ = false;
    guard_("MPassword close", [this] {
        open_ = false;
        windows_.CloseGateWindow();
    });
}

} // namespace tembrel

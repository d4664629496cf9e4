#include "dialogs/BonusTime.h"

#include <exception>
#include <string>

namespace tembrel {

BonusTime::BonusTime(Horodesk& session, DialogWindows& windows, DiagnosticLog& log)
    : session_(session), windows_(windows), log_(log) {}

void BonusTime::Show() {
    windows_.ShowBonusWindow();
    open_ = true;
}

void BonusTime::TimeButtonClick(int index) {
    if (index < 0 || index >= static_cast<int>(kChoices.size())) {
        log_.Append("BonusTime", "no time button " + std::to_string(index));
        return;
    }
    try {
        const Choice& choice = kChoices[static_cast<std::size_t>(index)];
        if (choice.minutes < 0) {
            session_.SetText1("0");
        } else {
            session_.AddBonusSeconds(choice.minutes * 60);
        }
    } catch (const std::exception& e) {
        log_.Append("BonusTime", e.what());
    }
    // One choice per opening, whatever became of it.
    CloseBox();
}

void BonusTime::CloseBox() {
    try {
        windows_.CloseBonusWindow();
    } catch (const std::exception& e) {
        log_.Append("BonusTime close", e.what());
    }
    open_ = false;
}

} // namespace tembrel

#include "dialogs/BonusTime.h"

#include <string>

#include "platform/Errors.h"

namespace tembrel {

BonusTime::BonusTime(Horodesk& session, DialogWindows& windows, DiagnosticLog& log)
    : session_(session), windows_(windows), guard_(log) {}

void BonusTime::Show() {
    windows_.ShowBonusWindow();
    open_ = true;
}

void BonusTime::TimeButtonClick(int index) {
    bool chosen = false;
    guard_("BonusTime", [this, index, &chosen] {
        if (index < 0 || index >= static_cast<int>(kChoices.size())) {
            throw InvalidArgument("no time button " + std::to_string(index));
        }
        chosen = true;
        const Choice& choice = kChoices[static_cast<std::size_t>(index)];
        if (choice.minutes < 0) {
            session_.SetText1("0");
        } else {
            session_.AddBonusSeconds(choice.minutes * 60);
        }
    });
    // One choice per opening, whatever became of it.
    if (chosen) {
        CloseBox();
    }
}

void BonusTime::CloseBox() {
    guard_("BonusTime close", [this] {
        open_ = false;
        windows_.CloseBonusWindow();
    });
}

} // namespace tembrel

#pragma once
// The bonus time dialog: eight buttons that add minutes to the session's bonus seconds, or take
// all of them back. One choice per opening; the dialog closes after it.
#include <array>

#include "dialogs/DialogWindows.h"
#include "session/HandlerGuard.h"
#include "session/Horodesk.h"

namespace tembrel {

class BonusTime : public DialogLogic {
  public:
    struct Choice {
        const char* caption;
        int minutes; // -1: remove all bonus time
    };
    static constexpr std::array<Choice, 8> kChoices{{{"Add 5 Minutes", 5},
                                                     {"Add 10 Minutes", 10},
                                                     {"Add 15 Minutes", 15},
                                                     {"Add 30 Minutes", 30},
                                                     {"Add 45 Minutes", 45},
                                                     {"Add 60 Minutes", 60},
                                                     {"Add 2 Hours", 120},
                                                     {"Remove All Bonus Time", -1}}};

    BonusTime(Horodesk& session, DialogWindows& windows, DiagnosticLog& log);

    bool IsOpen() const { return open_; }
    void Show();                     // create if needed, show
    void TimeButtonClick(int index); // guarded, as is CloseBox
    void CloseBox() override;        // closes; bonus unchanged
    void WindowDestroyed() override { open_ = false; }

  private:
    Horodesk& session_;
    DialogWindows& windows_;
    HandlerGuard guard_;
    bool open_ = false;
};

} // namespace tembrel

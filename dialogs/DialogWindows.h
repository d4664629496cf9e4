#pragma once
// Between the parent dialogs' logic and their windows. The logic asks its windows to be shown
// (created, or brought to the front if one exists) and closed (destroyed); the views do it, and
// tests record it. A dialog's window tells its logic of its close box and of its end.

namespace tembrel {

class DialogWindows {
  public:
    virtual ~DialogWindows() = default;
    virtual void ShowGateWindow() = 0;
    virtual void CloseGateWindow() = 0;
    virtual void ShowBonusWindow() = 0;
    virtual void CloseBonusWindow() = 0;
};

class DialogLogic {
  public:
    virtual ~DialogLogic() = default;
    // The close box was clicked: the logic decides what closing means.
    virtual void CloseBox() = 0;
    // The window is gone, whoever destroyed it.
    virtual void WindowDestroyed() = 0;
};

} // namespace tembrel

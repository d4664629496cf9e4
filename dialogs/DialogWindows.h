#pragma once
// What the dialogs' logic asks of their windows: create-and-show (or bring to the front if it
// exists) and close (destroy). The views implement it; tests use a recording fake.

namespace tembrel {

class DialogWindows {
  public:
    virtual ~DialogWindows() = default;
    virtual void ShowGateWindow() = 0;
    virtual void CloseGateWindow() = 0;
    virtual void ShowBonusWindow() = 0;
    virtual void CloseBonusWindow() = 0;
};

} // namespace tembrel

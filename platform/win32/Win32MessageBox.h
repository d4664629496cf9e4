#pragma once
// A real modal message box. Owned by a window when one is given, so it stays in front of it.
#include <windows.h>

#include "platform/MessageBoxPort.h"

namespace tembrel {

class Win32MessageBox : public MessageBoxPort {
  public:
    explicit Win32MessageBox(HWND owner = nullptr) : owner_(owner) {}
    void SetOwner(HWND owner) { owner_ = owner; }
    void Show(const std::string& text, const std::string& title, unsigned style) override;

  private:
    HWND owner_;
};

} // namespace tembrel

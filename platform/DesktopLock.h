#pragma once
// The desktop-lock library's three operations that the program uses. Flags are 0 (off) and -1
// (on); strings are ANSI. A missing library or operation throws LibraryError.
#include <cstdint>
#include <string>

namespace tembrel {

class DesktopLock {
  public:
    virtual ~DesktopLock() = default;
    virtual void TaskManager_Enable_Disable(std::int32_t flag) = 0;
    virtual void CtrlAltDel_Enable_Disable(std::int32_t flag) = 0;
    virtual void Process_Desktop(const std::string& desktopName,
                                 const std::string& programPath) = 0;
};

} // namespace tembrel

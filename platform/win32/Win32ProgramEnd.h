#pragma once
// Ends the process at once, as the quit signal asks: no window is closed first, so no close
// handler gets a say.
#include "platform/ProgramEnd.h"

namespace tembrel {

class Win32ProgramEnd : public ProgramEnd {
  public:
    [[noreturn]] void EndProgram() override;
};

} // namespace tembrel

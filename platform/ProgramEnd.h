#pragma once
// Ends the program at once (the quit signal), without closing windows first.

namespace tembrel {

class ProgramEnd {
  public:
    virtual ~ProgramEnd() = default;
    virtual void EndProgram() = 0;
};

} // namespace tembrel

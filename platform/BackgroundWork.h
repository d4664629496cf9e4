#pragma once
// Work that would hold the user-interface thread too long (one password check takes about a
// second): it runs on a thread of its own, and what it found comes back to the UI thread, where
// every handler runs. The countdown keeps ticking meanwhile.
#include <functional>

namespace tembrel {

class BackgroundWork {
  public:
    virtual ~BackgroundWork() = default;
    // Runs `work` away from the UI thread, then `done` on the UI thread. `work` must touch nothing
    // the UI thread uses; it passes what it found to `done` through what both hold, and must not
    // throw. A `done` still due when the program ends is dropped.
    virtual void Run(std::function<void()> work, std::function<void()> done) = 0;
};

} // namespace tembrel

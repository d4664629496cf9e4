#pragma once
// Background work for tests: done at once, on the caller's thread, or held until the test lets it
// finish, so that a test can act while a check is still under way.
#include <functional>
#include <utility>
#include <vector>

#include "platform/BackgroundWork.h"

namespace tembrel {

class FakeBackgroundWork : public BackgroundWork {
  public:
    bool hold = false;

    void Run(std::function<void()> work, std::function<void()> done) override {
        if (!hold) {
            work();
            done();
            return;
        }
        held_.emplace_back(std::move(work), std::move(done));
    }

    std::size_t Held() const { return held_.size(); }
    // Runs what was held, in order, each `done` right after its `work`.
    void Finish() {
        auto held = std::move(held_);
        held_.clear();
        for (auto& [work, done] : held) {
            work();
            done();
        }
    }

  private:
    std::vector<std::pair<std::function<void()>, std::function<void()>>> held_;
};

} // namespace tembrel

#pragma once
// A notification area that remembers every call, for tests.
#include <string>
#include <vector>

#include "platform/NotificationArea.h"

namespace tembrel {

class RecordingNotificationArea : public NotificationArea {
  public:
    struct Balloon {
        std::string title;
        std::string text;
    };
    bool iconShown = false;
    std::string tooltip;
    std::vector<Balloon> balloons;
    std::vector<std::string> calls; // "ShowIcon", "RemoveIcon", "ShowBalloon", "Front", "Flash"

    void ShowIcon(const std::string& text) override {
        iconShown = true;
        tooltip = text;
        calls.emplace_back("ShowIcon");
    }
    void RemoveIcon() override {
        iconShown = false;
        calls.emplace_back("RemoveIcon");
    }
    void ShowBalloon(const std::string& title, const std::string& text) override {
        balloons.push_back({title, text});
        calls.emplace_back("ShowBalloon");
    }
    void BringWindowToFront() override { calls.emplace_back("Front"); }
    void FlashWindow() override { calls.emplace_back("Flash"); }
};

} // namespace tembrel

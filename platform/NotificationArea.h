#pragma once
// The program's icon in the notification area, its balloon notices, and the session window they
// speak for. Texts are bytes in the system's ANSI code page, as everywhere in the core.
#include <string>

namespace tembrel {

class NotificationArea {
  public:
    virtual ~NotificationArea() = default;
    // Puts the icon in with this tooltip, or changes the tooltip of the icon already there.
    virtual void ShowIcon(const std::string& tooltip) = 0;
    // Takes the icon out; nothing happens when there is none.
    virtual void RemoveIcon() = 0;
    // A balloon notification from the icon (Windows 10 and 11 show it as a notification).
    virtual void ShowBalloon(const std::string& title, const std::string& text) = 0;
    // Restores the session window if it is minimised and brings it to the front.
    virtual void BringWindowToFront() = 0;
    // Flashes the session window's taskbar button until the window comes to the front, for when
    // Windows does not let a program take the front on its own.
    virtual void FlashWindow() = 0;
};

} // namespace tembrel

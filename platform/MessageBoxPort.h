#pragma once
// A modal message box with one OK button. Tests see title, text and style without blocking.
#include <string>

namespace tembrel {

class MessageBoxPort {
  public:
    static constexpr unsigned kExclamation = 48; // MB_ICONEXCLAMATION | MB_OK
    static constexpr unsigned kInformation = 64; // MB_ICONINFORMATION | MB_OK

    virtual ~MessageBoxPort() = default;
    virtual void Show(const std::string& text, const std::string& title, unsigned style) = 0;
};

} // namespace tembrel

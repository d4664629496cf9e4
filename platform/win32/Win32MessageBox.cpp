#include "platform/win32/Win32MessageBox.h"

#include "platform/win32/Text.h"

namespace tembrel {

void Win32MessageBox::Show(const std::string& text, const std::string& title, unsigned style) {
    ::MessageBoxW(owner_, AnsiToWide(text).c_str(), AnsiToWide(title).c_str(), style);
}

} // namespace tembrel

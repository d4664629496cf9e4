#include "windows/MessageLoop.h"

namespace tembrel::win {

bool TranslateForActiveWindow(MSG& msg) {
    HWND active = GetActiveWindow();
    return active != nullptr && IsDialogMessageW(active, &msg);
}

int RunMessageLoop() {
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!TranslateForActiveWindow(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}

} // namespace tembrel::win

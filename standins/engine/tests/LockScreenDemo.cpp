// Opens the lock screen over the fakes on one of its pages and keeps it open, for the screenshot
// script:   LockScreens.exe login|parents|child <file>
// Once the page is shown its screen rectangle is written to <file> as "x y width height".
#include <cstdio>
#include <cstring>

#include "standins/engine/tests/LockScreenFixture.h"

int main(int argc, char** argv) {
    using namespace tembrel::engine;
    if (argc < 3) {
        return 2;
    }
    ::SetProcessDPIAware();
    LockScreenFixture f;
    f.SetUpFamily();
    f.clock.now.minute = 50; // Ann's time runs past midday
    if (!f.Open()) {
        return 1;
    }
    if (std::strcmp(argv[1], "parents") == 0) {
        f.OpenParents();
        f.Pick(0);
    } else if (std::strcmp(argv[1], "child") == 0) {
        f.OpenAnn();
    }
    ::SetTimer(nullptr, 0, 1500, nullptr);
    MSG message;
    bool reported = false;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == nullptr && !reported) {
            reported = true;
            RECT rc{};
            ::GetWindowRect(f.Window(), &rc);
            if (FILE* out = std::fopen(argv[2], "w")) {
                std::fprintf(out, "%ld %ld %ld %ld\n", rc.left, rc.top, rc.right - rc.left,
                             rc.bottom - rc.top);
                std::fclose(out);
            }
        }
        if (!::IsDialogMessageW(f.Window(), &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    return 0;
}

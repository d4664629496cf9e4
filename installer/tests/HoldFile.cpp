// Test fixture for the setup tests: holds files open the way Windows holds a running program's
// files (others may read them, but not write, delete or rename them), so the setup meets a timer
// and a lock screen still in use. Usage: HoldFile.exe READY RELEASE FILE... It creates READY once
// every FILE is held and lets go when RELEASE appears.
#include <windows.h>

#include <vector>

#include "platform/win32/Handles.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        return 2;
    }
    std::vector<tembrel::UniqueHandle> held;
    for (int i = 3; i < argc; ++i) {
        held.emplace_back(::CreateFileW(argv[i], GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!held.back()) {
            return 1;
        }
    }
    const tembrel::UniqueHandle ready(::CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr,
                                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!ready) {
        return 1;
    }
    while (::GetFileAttributesW(argv[2]) == INVALID_FILE_ATTRIBUTES) {
        ::Sleep(50);
    }
    return 0;
}

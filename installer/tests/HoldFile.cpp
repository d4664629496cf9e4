// Test fixture for the setup tests: holds a file open the way Windows holds a running program's
// file (others may read it, but not write, delete or rename it), so the setup meets a lock screen
// that is still in use. Usage: HoldFile.exe FILE READY RELEASE. It creates READY once the file is
// held and lets go when RELEASE appears.
#include <windows.h>

#include "platform/win32/Handles.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        return 2;
    }
    const tembrel::UniqueHandle held(::CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held) {
        return 1;
    }
    const tembrel::UniqueHandle ready(::CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr,
                                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!ready) {
        return 1;
    }
    while (::GetFileAttributesW(argv[3]) == INVALID_FILE_ATTRIBUTES) {
        ::Sleep(50);
    }
    return 0;
}

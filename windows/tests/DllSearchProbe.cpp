// Test fixture: loads each DLL named on its command line by its bare name, the way Windows' own
// DLLs load their helpers on demand. With "--restricted" first it restricts the search the way our
// programs do at start. It shows that a planted DLL is found when the search is not restricted,
// so that the planted-DLL test would see a program of ours that forgot to restrict it.
#include <windows.h>

#include <cwchar>

#include "platform/win32/DllSearch.h"

int wmain(int argc, wchar_t** argv) {
    int first = 1;
    if (argc > 1 && std::wcscmp(argv[1], L"--restricted") == 0) {
        if (tembrel::RestrictDllSearchToSystem32() != ERROR_SUCCESS) {
            return 2;
        }
        first = 2;
    }
    for (int i = first; i < argc; ++i) {
        ::LoadLibraryW(argv[i]); // loaded for its DllMain only; the process ends right after
    }
    return 0;
}

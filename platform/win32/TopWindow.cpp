#include "platform/win32/TopWindow.h"

#include <cwchar>

namespace tembrel {

namespace {

struct Search {
    DWORD processId;
    const wchar_t* className;
    HWND found;
};

// A plain __stdcall function: a lambda would not convert to WNDENUMPROC in the x86 build.
BOOL CALLBACK Match(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = L"";
    ::GetClassNameW(window, name, 64);
    if (owner == search->processId && std::wcscmp(name, search->className) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND TopWindowOf(DWORD processId, const wchar_t* className) {
    Search search{processId, className, nullptr};
    ::EnumWindows(&Match, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace tembrel

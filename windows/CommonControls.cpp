#include "windows/CommonControls.h"

#include "platform/win32/Procedure.h"

namespace tembrel {

namespace {

// Loaded once and kept for the life of the program, like an imported library.
HMODULE Library() {
    static const HMODULE library =
        LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return library;
}

// The subclass functions are looked up by their ordinals: every version of the library exports
// them so, and some export no names for them.
constexpr WORD kSetWindowSubclass = 410;
constexpr WORD kRemoveWindowSubclass = 412;
constexpr WORD kDefSubclassProc = 413;

template <typename Function> Function Lookup(const char* name) {
    const HMODULE library = Library();
    return library == nullptr ? nullptr : ProcedureAs<Function>(GetProcAddress(library, name));
}

template <typename Function> Function Lookup(WORD ordinal) {
    return Lookup<Function>(MAKEINTRESOURCEA(ordinal));
}

} // namespace

void InitCommonControlsFromSystem32() {
    using Init = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    if (const auto init = Lookup<Init>("InitCommonControlsEx")) {
        const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
        init(&controls);
    }
}

bool SubclassWindow(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data) {
    using Set = BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR);
    const auto set = Lookup<Set>(kSetWindowSubclass);
    return set != nullptr && set(hwnd, proc, id, data) != FALSE;
}

LRESULT DefSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    using Def = LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
    const auto def = Lookup<Def>(kDefSubclassProc);
    return def != nullptr ? def(hwnd, message, wParam, lParam)
                          : DefWindowProcW(hwnd, message, wParam, lParam);
}

void RemoveSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id) {
    using Remove = BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR);
    if (const auto remove = Lookup<Remove>(kRemoveWindowSubclass)) {
        remove(hwnd, proc, id);
    }
}

} // namespace tembrel

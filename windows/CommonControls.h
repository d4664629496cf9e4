#pragma once
// The common controls library, loaded from System32 at run time and never imported: an import
// would load it before the first line of WinMain restricts the DLL search, and it would load its
// own helpers (uxtheme.dll) while the program's folder, which children can write, was still
// searched.
#include <windows.h>

#include <commctrl.h>

namespace tembrel {

// Version 6 of the standard controls, as the manifest asks. Without the library the standard
// controls are still there, only with older styles.
void InitCommonControlsFromSystem32();

// SetWindowSubclass, DefSubclassProc and RemoveWindowSubclass of the library loaded above.
bool SubclassWindow(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data);
LRESULT DefSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void RemoveSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id);

} // namespace tembrel

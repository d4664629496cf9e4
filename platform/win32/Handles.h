#pragma once
// Owners of Win32 handles: each closes its handle exactly once, on every path out of the scope
// that holds it, so an early return or an exception leaks nothing. One template; each kind of
// handle is one line naming its type and the function that closes it.
#include <windows.h>
#include <winsvc.h>

#include <utility>

namespace tembrel {

// Null means no handle, and so does INVALID_HANDLE_VALUE, which CreateFile and FindFirstFile
// answer where other calls answer null; no handle of any kind has that value.
template <typename Handle, auto Close> class UniqueResource {
  public:
    using Type = Handle;

    UniqueResource() = default;
    explicit UniqueResource(Handle value) : value_(value) {}
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(other.Release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    ~UniqueResource() { Reset(); }

    Handle Get() const { return value_; }
    bool Valid() const { return IsValid(value_); }
    explicit operator bool() const { return Valid(); }

    // Gives up ownership without closing.
    Handle Release() { return std::exchange(value_, nullptr); }
    void Reset(Handle value = nullptr) {
        const Handle old = std::exchange(value_, value);
        if (IsValid(old)) {
            Close(old);
        }
    }

  private:
    static bool IsValid(Handle h) {
        return h != nullptr && h != reinterpret_cast<Handle>(INVALID_HANDLE_VALUE);
    }

    Handle value_ = nullptr;
};

using UniqueHandle = UniqueResource<HANDLE, ::CloseHandle>; // files, processes, threads, events
using UniqueFind = UniqueResource<HANDLE, ::FindClose>;     // searches of FindFirstFile
using UniqueModule = UniqueResource<HMODULE, ::FreeLibrary>;
using UniqueDesktop = UniqueResource<HDESK, ::CloseDesktop>;
using UniqueRegistryKey = UniqueResource<HKEY, ::RegCloseKey>;
using UniqueService = UniqueResource<SC_HANDLE, ::CloseServiceHandle>; // the manager and services
using UniqueLocalMemory = UniqueResource<HLOCAL, ::LocalFree>;
using UniqueGdiObject = UniqueResource<HGDIOBJ, ::DeleteObject>;
using UniqueFont = UniqueResource<HFONT, ::DeleteObject>;
using UniqueBrush = UniqueResource<HBRUSH, ::DeleteObject>;
using UniqueBitmap = UniqueResource<HBITMAP, ::DeleteObject>;
using UniqueIcon = UniqueResource<HICON, ::DestroyIcon>;
using UniqueMemoryDc = UniqueResource<HDC, ::DeleteDC>; // of CreateCompatibleDC

// The device context of a window, or of the screen for no window, while a scope lasts (GetDC's
// are released, not deleted).
class WindowDc {
  public:
    explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_ != nullptr) {
            ::ReleaseDC(hwnd_, dc_);
        }
    }
    HDC Get() const { return dc_; }

  private:
    HWND hwnd_;
    HDC dc_;
};

// The painting of one WM_PAINT, from BeginPaint to EndPaint.
class PaintDc {
  public:
    explicit PaintDc(HWND hwnd) : hwnd_(hwnd) { ::BeginPaint(hwnd, &paint_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    ~PaintDc() { ::EndPaint(hwnd_, &paint_); }
    HDC Get() const { return paint_.hdc; }
    // True when the background is to be drawn first.
    bool Erase() const { return paint_.fErase != FALSE; }

  private:
    HWND hwnd_;
    PAINTSTRUCT paint_{};
};

} // namespace tembrel

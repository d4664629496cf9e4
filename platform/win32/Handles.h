#pragma once
// Owners of Win32 handles: each closes its handle exactly once, on every path out of the scope
// that holds it, so an early return or an exception leaks nothing.
#include <windows.h>

#include <utility>

namespace tembrel {

// Traits give the handle type, the value that means "none" and how to close a real one.
template <typename Traits> class UniqueResource {
  public:
    using Type = typename Traits::Type;

    UniqueResource() = default;
    explicit UniqueResource(Type value) : value_(value) {}
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

    Type Get() const { return value_; }
    bool Valid() const { return Traits::IsValid(value_); }
    explicit operator bool() const { return Valid(); }

    // Gives up ownership without closing.
    Type Release() { return std::exchange(value_, Traits::None()); }
    void Reset(Type value = Traits::None()) {
        const Type old = std::exchange(value_, value);
        if (Traits::IsValid(old)) {
            Traits::Close(old);
        }
    }

  private:
    Type value_ = Traits::None();
};

// Kernel handles: files, processes, threads, events. Both null and INVALID_HANDLE_VALUE mean none,
// since CreateFile answers the one and most other calls the other.
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type None() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::CloseHandle(h); }
};
using UniqueHandle = UniqueResource<KernelHandleTraits>;

// Searches of FindFirstFile, which answers INVALID_HANDLE_VALUE when nothing is found.
struct FindTraits {
    using Type = HANDLE;
    static Type None() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::FindClose(h); }
};
using UniqueFind = UniqueResource<FindTraits>;

struct ModuleTraits {
    using Type = HMODULE;
    static Type None() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::FreeLibrary(h); }
};
using UniqueModule = UniqueResource<ModuleTraits>;

struct DesktopTraits {
    using Type = HDESK;
    static Type None() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::CloseDesktop(h); }
};
using UniqueDesktop = UniqueResource<DesktopTraits>;

struct RegistryKeyTraits {
    using Type = HKEY;
    static Type None() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::RegCloseKey(h); }
};
using UniqueRegistryKey = UniqueResource<RegistryKeyTraits>;

// GDI objects (fonts, brushes, bitmaps), typed so that an owner hands out the handle its users
// pass on.
template <typename Handle> struct GdiObjectTraits {
    using Type = Handle;
    static Type None() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::DeleteObject(h); }
};
using UniqueGdiObject = UniqueResource<GdiObjectTraits<HGDIOBJ>>;
using UniqueFont = UniqueResource<GdiObjectTraits<HFONT>>;
using UniqueBrush = UniqueResource<GdiObjectTraits<HBRUSH>>;
using UniqueBitmap = UniqueResource<GdiObjectTraits<HBITMAP>>;

struct IconTraits {
    using Type = HICON;
    static Type None() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::DestroyIcon(h); }
};
using UniqueIcon = UniqueResource<IconTraits>;

// Device contexts of CreateCompatibleDC (not those of GetDC, which are released, not deleted).
struct MemoryDcTraits {
    using Type = HDC;
    static Type None() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::DeleteDC(h); }
};
using UniqueMemoryDc = UniqueResource<MemoryDcTraits>;

} // namespace tembrel

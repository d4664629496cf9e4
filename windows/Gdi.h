#pragma once
// Owners for the GDI and user objects the views create: fonts, brushes, bitmaps, icons, memory
// device contexts. Each frees its object exactly once.
#include <windows.h>

#include <utility>

namespace tembrel::win {

template <typename T, typename Deleter> class Owned {
  public:
    Owned() = default;
    explicit Owned(T handle) : handle_(handle) {}
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, T{})) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.handle_, T{}));
        }
        return *this;
    }
    ~Owned() { Reset(); }

    T Get() const { return handle_; }
    explicit operator bool() const { return handle_ != T{}; }
    void Reset(T handle = T{}) {
        if (handle_ != T{}) {
            Deleter{}(handle_);
        }
        handle_ = handle;
    }

  private:
    T handle_{};
};

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct IconDeleter {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct DcDeleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
};

using Font = Owned<HFONT, GdiObjectDeleter>;
using Brush = Owned<HBRUSH, GdiObjectDeleter>;
using Bitmap = Owned<HBITMAP, GdiObjectDeleter>;
using Icon = Owned<HICON, IconDeleter>;
using MemoryDc = Owned<HDC, DcDeleter>;

// Selects an object into a DC for the length of a scope.
class Selection {
  public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    ~Selection() { SelectObject(dc_, old_); }

  private:
    HDC dc_;
    HGDIOBJ old_;
};

} // namespace tembrel::win

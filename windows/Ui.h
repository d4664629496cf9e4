#pragma once
// Small helpers shared by the views: DPI, twips, the "MS Sans Serif" fonts, and turning a drawn
// picture into a bitmap.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "art/Artwork.h"
#include "windows/Gdi.h"

namespace tembrel::win {

// The window's DPI where the system can tell it (Windows 10 and later), else the system DPI.
UINT WindowDpi(HWND hwnd);
inline int Twips(int twips, UINT dpi) {
    return MulDiv(twips, static_cast<int>(dpi), 1440);
}

// "MS Sans Serif", ANSI character set; points given in hundredths (8.25 pt is 825).
Font MakeFont(int pointsX100, bool bold, UINT dpi);

// A 24-bit top-down DIB section with the canvas's pixels; where `shows` says no, the pixel is
// black (an icon's transparent part). Empty when the system has no memory for it.
Bitmap CanvasBitmap(const art::Canvas& canvas,
                    const std::function<bool(int x, int y)>& shows = nullptr);
// A 24-bit DIB section holding the picture, its texts drawn over it.
Bitmap RenderPicture(const art::Picture& picture);
void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y);

// The outer size of a window whose client area is clientWidth x clientHeight at `dpi`.
SIZE OuterSize(DWORD style, DWORD exStyle, int clientWidth, int clientHeight, UINT dpi);
// Centres `hwnd` over `over` (or the work area of its monitor when `over` is null).
void CentreWindow(HWND hwnd, HWND over);

} // namespace tembrel::win

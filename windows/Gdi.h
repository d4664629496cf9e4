#pragma once
// The GDI and user objects the views create, under the names the views use, and the selection of
// an object into a device context for the length of a scope.
#include <windows.h>

#include "platform/win32/Handles.h"

namespace tembrel::win {

using Font = UniqueFont;
using Brush = UniqueBrush;
using Bitmap = UniqueBitmap;
using Icon = UniqueIcon;
using MemoryDc = UniqueMemoryDc;

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

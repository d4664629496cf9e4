#include "windows/Ui.h"

#include <vector>

#include "platform/win32/Procedure.h"

namespace tembrel::win {
namespace {

// Looked up at run time: these exist only from Windows 10 on, and we also run on 7 and 8.
FARPROC User32Procedure(const char* name) {
    return GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
}

} // namespace

UINT WindowDpi(HWND hwnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow =
        ProcedureAs<GetDpiForWindowFn>(User32Procedure("GetDpiForWindow"));
    if (getDpiForWindow != nullptr && hwnd != nullptr) {
        if (UINT dpi = getDpiForWindow(hwnd); dpi != 0) {
            return dpi;
        }
    }
    const int dpi = GetDeviceCaps(WindowDc(nullptr).Get(), LOGPIXELSY);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96u;
}

Font MakeFont(int pointsX100, bool bold, UINT dpi) {
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(pointsX100, static_cast<int>(dpi), 7200);
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = ANSI_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    wcscpy_s(lf.lfFaceName, L"MS Sans Serif");
    return Font(CreateFontIndirectW(&lf));
}

Bitmap CanvasBitmap(const art::Canvas& canvas, const std::function<bool(int x, int y)>& shows) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = canvas.Width();
    info.bmiHeader.biHeight = -canvas.Height(); // rows from the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    Bitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || bits == nullptr) {
        return {};
    }
    const int stride = (canvas.Width() * 3 + 3) & ~3;
    auto* rows = static_cast<BYTE*>(bits);
    for (int y = 0; y < canvas.Height(); ++y) {
        BYTE* row = rows + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < canvas.Width(); ++x) {
            const art::Rgb p = !shows || shows(x, y) ? canvas.At(x, y) : art::Rgb{0, 0, 0};
            row[x * 3] = p.b;
            row[x * 3 + 1] = p.g;
            row[x * 3 + 2] = p.r;
        }
    }
    return bitmap;
}

Bitmap RenderPicture(const art::Picture& picture) {
    Bitmap bitmap = CanvasBitmap(picture.canvas);
    if (!bitmap) {
        return {};
    }
    MemoryDc dc(CreateCompatibleDC(nullptr));
    Selection selectBitmap(dc.Get(), bitmap.Get());
    SetBkMode(dc.Get(), TRANSPARENT);
    for (const art::TextItem& item : picture.texts) {
        Font font(CreateFontW(-item.pixelHeight, 0, 0, 0, item.bold ? FW_BOLD : FW_NORMAL, FALSE,
                              FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS,
                              L"Tahoma"));
        Selection selectFont(dc.Get(), font.Get());
        SetTextColor(dc.Get(), RGB(item.colour.r, item.colour.g, item.colour.b));
        RECT box{item.left, item.top, item.left + item.width, item.top + item.height};
        DrawTextW(dc.Get(), item.text.c_str(), static_cast<int>(item.text.size()), &box,
                  (item.align == art::TextItem::Align::Centre  ? DT_CENTER
                   : item.align == art::TextItem::Align::Right ? DT_RIGHT
                                                               : DT_LEFT) |
                      DT_SINGLELINE | DT_NOPREFIX | DT_TOP);
    }
    GdiFlush();
    return bitmap;
}

void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y) {
    if (bitmap == nullptr) {
        return;
    }
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    MemoryDc source(CreateCompatibleDC(dc));
    Selection select(source.Get(), bitmap);
    BitBlt(dc, x, y, info.bmWidth, info.bmHeight, source.Get(), 0, 0, SRCCOPY);
}

SIZE OuterSize(DWORD style, DWORD exStyle, int clientWidth, int clientHeight, UINT dpi) {
    using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi =
        ProcedureAs<AdjustForDpiFn>(User32Procedure("AdjustWindowRectExForDpi"));
    RECT rc{0, 0, clientWidth, clientHeight};
    if (adjustForDpi == nullptr || !adjustForDpi(&rc, style, FALSE, exStyle, dpi)) {
        AdjustWindowRectEx(&rc, style, FALSE, exStyle);
    }
    return {rc.right - rc.left, rc.bottom - rc.top};
}

void CentreWindow(HWND hwnd, HWND over) {
    RECT window{};
    GetWindowRect(hwnd, &window);
    RECT area{};
    if (over != nullptr && IsWindow(over) && !IsIconic(over)) {
        GetWindowRect(over, &area);
    } else {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(over != nullptr ? over : hwnd, MONITOR_DEFAULTTOPRIMARY),
                        &monitor);
        area = monitor.rcWork;
    }
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace tembrel::win

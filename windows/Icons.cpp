#include "windows/Icons.h"

#include <vector>

#include "windows/Artwork.h"
#include "windows/res/resource.h"

namespace tembrel::win {
namespace {

Icon FromCanvas(const art::Canvas& canvas) {
    const int size = canvas.Width();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    Bitmap colour(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!colour || bits == nullptr) {
        return {};
    }
    const int stride = (size * 3 + 3) & ~3;
    std::vector<BYTE> mask(static_cast<std::size_t>(size * size / 8), 0);
    for (int y = 0; y < size; ++y) {
        BYTE* row = static_cast<BYTE*>(bits) + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < size; ++x) {
            bool opaque = art::IconOpaque(x, y);
            art::Rgb p = canvas.At(x, y);
            row[x * 3] = opaque ? p.b : 0;
            row[x * 3 + 1] = opaque ? p.g : 0;
            row[x * 3 + 2] = opaque ? p.r : 0;
            if (!opaque) {
                mask[static_cast<std::size_t>((y * size + x) / 8)] |=
                    static_cast<BYTE>(0x80 >> (x % 8));
            }
        }
    }
    Bitmap maskBitmap(CreateBitmap(size, size, 1, 1, mask.data()));
    ICONINFO iconInfo{};
    iconInfo.fIcon = TRUE;
    iconInfo.hbmColor = colour.Get();
    iconInfo.hbmMask = maskBitmap.Get();
    return Icon(CreateIconIndirect(&iconInfo));
}

Icon Load(int id, const art::Canvas& fallback) {
    HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, 32, 32,
                             LR_DEFAULTCOLOR);
    if (icon != nullptr) {
        return Icon(static_cast<HICON>(icon));
    }
    return FromCanvas(fallback);
}

} // namespace

Icon LoadProgramIcon() {
    return Load(IDI_TEMBREL, art::ProgramIcon());
}
Icon LoadBonusIcon() {
    return Load(IDI_BONUS, art::BonusIcon());
}

} // namespace tembrel::win

#include "windows/Icons.h"

#include <vector>

#include "art/Artwork.h"
#include "windows/Ui.h"
#include "windows/res/resource.h"

namespace tembrel::win {
namespace {

Icon FromCanvas(const art::Canvas& canvas) {
    const int size = canvas.Width();
    Bitmap colour = CanvasBitmap(canvas, art::IconOpaque);
    if (!colour) {
        return {};
    }
    std::vector<BYTE> mask(static_cast<std::size_t>(size * size / 8), 0);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if (!art::IconOpaque(x, y)) {
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

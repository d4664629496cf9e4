#pragma once
// What the program's pictures and icons show: soft gradients, a clock and an hourglass, and the
// name. Drawn by code so that nothing large ships in the executable, and at the window's DPI so
// they stay sharp; at 96 DPI they have their designed pixel sizes.
#include <string>
#include <vector>

#include "art/Canvas.h"

namespace tembrel::art {

// Text that the Win32 side draws over a picture (the canvas has no font engine).
struct TextItem {
    std::wstring text;
    int left, top, width, height; // pixels
    int pixelHeight;
    bool bold;
    Rgb colour;
    enum class Align { Left, Centre, Right } align = Align::Left;
};

struct Picture {
    Canvas canvas;
    std::vector<TextItem> texts;
};

// The program's colours, for windows that paint parts of themselves.
constexpr Rgb kNavy{31, 59, 87};
constexpr Rgb kTeal{47, 127, 168};
constexpr Rgb kDeepTeal{36, 99, 134};
constexpr Rgb kAmber{242, 181, 75};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kMist{232, 238, 243};
constexpr Rgb kGreen{76, 175, 122};
constexpr Rgb kSoftText{74, 106, 133};

constexpr int kSplashWidth = 800, kSplashHeight = 600;
constexpr int kSessionWidth = 705, kSessionHeight = 342;
constexpr int kDialogWidth = 553, kDialogHeight = 185;
constexpr int kIconSize = 32;

// `scale` is dpi / 96.
Picture SplashPicture(double scale);
Picture SessionBackground(double scale);
Picture DialogBackground(double scale);

// The lock screen, full screen (`width` x `height` pixels): a navy band of `bandHeight` pixels at
// the top with the clock and the name, and below it a soft sky with a white panel of `panel`
// (left, top, width, height in pixels) that the screen lays its controls on.
struct PanelRect {
    int left, top, width, height;
};
Picture LockScreenBackground(int width, int height, int bandHeight, PanelRect panel, double scale);

Canvas ProgramIcon();
Canvas BonusIcon();
// The icons are round: pixels outside the disc are transparent.
bool IconOpaque(int x, int y);

} // namespace tembrel::art

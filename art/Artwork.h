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

constexpr int kSplashWidth = 800, kSplashHeight = 600;
constexpr int kSessionWidth = 705, kSessionHeight = 342;
constexpr int kDialogWidth = 553, kDialogHeight = 185;
constexpr int kIconSize = 32;

// `scale` is dpi / 96.
Picture SplashPicture(double scale);
Picture SessionBackground(double scale);
Picture DialogBackground(double scale);

Canvas ProgramIcon();
Canvas BonusIcon();
// The icons are round: pixels outside the disc are transparent.
bool IconOpaque(int x, int y);

} // namespace tembrel::art

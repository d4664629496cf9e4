// The drawing code on its own: the pictures' designed sizes, what a shape covers, the icons' mask.
#include <gtest/gtest.h>

#include "art/Artwork.h"

namespace tembrel::art {
namespace {

TEST(PicturesTest, PicturesAndIconsHaveTheirDesignedSizesAndScaleWithTheDpi) {
    struct Case {
        Canvas canvas;
        int width, height;
    };
    for (const Case& c :
         {Case{SplashPicture(1.0).canvas, 800, 600}, Case{SessionBackground(1.0).canvas, 705, 342},
          Case{DialogBackground(1.0).canvas, 553, 185}, Case{ProgramIcon(), 32, 32},
          Case{BonusIcon(), 32, 32}}) {
        EXPECT_EQ(c.canvas.Width(), c.width);
        EXPECT_EQ(c.canvas.Height(), c.height);
    }
    EXPECT_EQ(SessionBackground(1.5).canvas.Width(), 1058); // drawn afresh at 144 DPI
}

TEST(PicturesTest, TheLockScreenFillsTheScreenWithItsBandAndAWhitePanelAtAnyDpi) {
    for (double scale : {1.0, 1.5}) {
        const int band = static_cast<int>(76 * scale);
        const PanelRect panel{100, band + 40, 600, 400};
        const Picture p = LockScreenBackground(1024, 768, band, panel, scale);
        EXPECT_EQ(p.canvas.Width(), 1024);
        EXPECT_EQ(p.canvas.Height(), 768);
        EXPECT_LT(p.canvas.At(500, band / 2).r, 80); // the navy band
        const Rgb inside = p.canvas.At(400, band + 240);
        EXPECT_EQ(inside.r + inside.g + inside.b, 3 * 255); // controls lie on plain white
        EXPECT_LT(p.canvas.At(50, band + 240).r, 255);      // the sky beside the panel
    }
}

TEST(CanvasTest, DiscCoversItsInsideSoftensItsEdgeAndStaysOnTheCanvas) {
    const Rgb white{255, 255, 255};
    Canvas canvas(12, 12);
    canvas.Disc(6, 6, 4, white);
    EXPECT_EQ(canvas.At(6, 6).g, 255); // inside
    EXPECT_EQ(canvas.At(0, 0).g, 0);   // far outside
    EXPECT_GT(canvas.At(8, 9).g, 0);   // on the rim: partly covered
    EXPECT_LT(canvas.At(8, 9).g, 255);
    canvas.Disc(0, 11, 5, white, 0.5); // reaches past two sides: clipped, half strength
    EXPECT_EQ(canvas.At(0, 11).g, 128);
    EXPECT_EQ(Mix({0, 0, 0}, white, 2.0).r, 255); // blending never overshoots
    EXPECT_EQ(Mix({0, 0, 0}, white, -1.0).r, 0);
}

TEST(CanvasTest, IconMaskIsTheRoundDisc) {
    EXPECT_TRUE(IconOpaque(16, 16));
    EXPECT_TRUE(IconOpaque(0, 15));
    EXPECT_TRUE(IconOpaque(31, 16));
    for (int corner : {0, 31}) {
        EXPECT_FALSE(IconOpaque(corner, 0));
        EXPECT_FALSE(IconOpaque(corner, 31));
    }
}

} // namespace
} // namespace tembrel::art

#include "art/Artwork.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tembrel::art {
namespace {

int Scaled(int pixels, double scale) {
    return static_cast<int>(std::lround(pixels * scale));
}

// A friendly clock at ten past ten: ring, face, twelve ticks, two hands, a warm centre.
void Clock(Canvas& c, double cx, double cy, double r, double alpha = 1.0) {
    c.Disc(cx, cy, r, kTeal, alpha);
    c.Disc(cx, cy, r * 0.84, kWhite, alpha);
    for (int i = 0; i < 12; ++i) {
        double a = i * std::numbers::pi / 6;
        double inner = i % 3 == 0 ? 0.62 : 0.70;
        c.Line(cx + std::sin(a) * r * inner, cy - std::cos(a) * r * inner,
               cx + std::sin(a) * r * 0.76, cy - std::cos(a) * r * 0.76,
               std::max(1.0, r * (i % 3 == 0 ? 0.06 : 0.035)), kNavy, alpha * 0.8);
    }
    double hour = -std::numbers::pi / 3;  // ten o'clock
    double minute = std::numbers::pi / 3; // ten past
    c.Line(cx, cy, cx + std::sin(hour) * r * 0.42, cy - std::cos(hour) * r * 0.42,
           std::max(1.5, r * 0.09), kNavy, alpha);
    c.Line(cx, cy, cx + std::sin(minute) * r * 0.6, cy - std::cos(minute) * r * 0.6,
           std::max(1.2, r * 0.06), kNavy, alpha);
    c.Disc(cx, cy, std::max(1.5, r * 0.09), kAmber, alpha);
}

void Hourglass(Canvas& c, double cx, double cy, double h, Rgb frame, Rgb sand, double alpha) {
    double w = h * 0.62;
    double top = cy - h / 2;
    double bottom = cy + h / 2;
    c.Triangle(cx - w / 2, top, cx + w / 2, top, cx, cy, frame, alpha);
    c.Triangle(cx - w / 2, bottom, cx + w / 2, bottom, cx, cy, frame, alpha);
    c.Triangle(cx - w * 0.22, top + h * 0.28, cx + w * 0.22, top + h * 0.28, cx, cy - h * 0.04,
               sand, alpha);
    c.Triangle(cx - w * 0.4, bottom - h * 0.04, cx + w * 0.4, bottom - h * 0.04, cx,
               bottom - h * 0.3, sand, alpha);
    c.Line(cx - w * 0.6, top, cx + w * 0.6, top, std::max(1.5, h * 0.08), kNavy, alpha);
    c.Line(cx - w * 0.6, bottom, cx + w * 0.6, bottom, std::max(1.5, h * 0.08), kNavy, alpha);
}

} // namespace

Picture SplashPicture(double s) {
    Picture p{Canvas(Scaled(kSplashWidth, s), Scaled(kSplashHeight, s)), {}};
    Canvas& c = p.canvas;
    c.VerticalGradient({246, 250, 253}, {200, 225, 242});
    // Soft light, like sun through a window.
    c.Disc(110 * s, 90 * s, 150 * s, kWhite, 0.35);
    c.Disc(700 * s, 140 * s, 110 * s, kWhite, 0.30);
    c.Disc(660 * s, 520 * s, 200 * s, kTeal, 0.07);
    c.Disc(90 * s, 560 * s, 160 * s, kTeal, 0.06);
    c.Disc(400 * s, 1000 * s, 560 * s, kWhite, 0.25);
    c.Disc(406 * s, 222 * s, 112 * s, kNavy, 0.10); // shadow
    Clock(c, 400 * s, 215 * s, 108 * s);
    Hourglass(c, 505 * s, 292 * s, 54 * s, kDeepTeal, kAmber, 0.9);
    p.texts.push_back({L"Tembrel", 0, Scaled(345, s), Scaled(800, s), Scaled(76, s), Scaled(64, s),
                       true, kNavy, TextItem::Align::Centre});
    p.texts.push_back({L"Calm, fair screen time for the whole family",
                       0,
                       Scaled(425, s),
                       Scaled(800, s),
                       Scaled(30, s),
                       Scaled(20, s),
                       false,
                       {74, 106, 133},
                       TextItem::Align::Centre});
    return p;
}

Picture SessionBackground(double s) {
    Picture p{Canvas(Scaled(kSessionWidth, s), Scaled(kSessionHeight, s)), {}};
    Canvas& c = p.canvas;
    c.VerticalGradient({214, 233, 247}, {243, 249, 253});
    c.Disc(620 * s, 250 * s, 150 * s, kWhite, 0.35);
    Clock(c, 610 * s, 250 * s, 120 * s, 0.12);
    c.Disc(380 * s, 10 * s, 70 * s, kWhite, 0.25);
    // A soft shadow under the white panel that the window lays over this picture.
    c.RoundRect(9 * s, 50 * s, 433 * s, 194 * s, 4 * s, kNavy, 0.08);
    c.RoundRect(8 * s, 49 * s, 433 * s, 193 * s, 3 * s, kNavy, 0.06);
    Clock(c, 25 * s, 24 * s, 15 * s);
    p.texts.push_back({L"Tembrel", Scaled(48, s), Scaled(8, s), Scaled(200, s), Scaled(32, s),
                       Scaled(26, s), true, kNavy});
    p.texts.push_back({L"session timer",
                       Scaled(240, s),
                       Scaled(17, s),
                       Scaled(196, s),
                       Scaled(20, s),
                       Scaled(14, s),
                       false,
                       {74, 106, 133},
                       TextItem::Align::Right});
    return p;
}

Picture DialogBackground(double s) {
    Picture p{Canvas(Scaled(kDialogWidth, s), Scaled(kDialogHeight, s)), {}};
    Canvas& c = p.canvas;
    c.VerticalGradient({249, 252, 254}, {224, 237, 248});
    c.Disc(560 * s, 200 * s, 95 * s, kTeal, 0.06);
    c.Disc(-20 * s, -30 * s, 80 * s, kWhite, 0.5);
    for (int x = 0; x < c.Width(); ++x) {
        for (int y = 0; y < std::max(2, Scaled(3, s)); ++y) {
            c.Blend(x, y, Mix(kTeal, kAmber, static_cast<double>(x) / c.Width()), 0.85);
        }
    }
    return p;
}

Picture LockScreenBackground(int width, int height, int bandHeight, PanelRect panel, double s) {
    Picture p{Canvas(width, height), {}};
    Canvas& c = p.canvas;
    c.VerticalGradient({246, 250, 253}, {200, 225, 242});
    const double w = width;
    const double h = height;
    c.Disc(w * 0.08, h * 0.25, 220 * s, kWhite, 0.35);
    c.Disc(w * 0.92, h * 0.85, 260 * s, kTeal, 0.07);
    c.Disc(w * 0.5, h * 1.6, h * 0.9, kWhite, 0.25);
    Clock(c, w - 150 * s, h - 130 * s, 110 * s, 0.10);
    Hourglass(c, 120 * s, h - 110 * s, 90 * s, kDeepTeal, kAmber, 0.12);
    for (int y = 0; y < std::min(bandHeight, height); ++y) {
        for (int x = 0; x < width; ++x) {
            c.Blend(x, y, Mix(kNavy, kDeepTeal, static_cast<double>(x) / width), 1.0);
        }
    }
    for (int y = bandHeight;
         y < std::min(bandHeight + std::max(2, static_cast<int>(3 * s)), height); ++y) {
        for (int x = 0; x < width; ++x) {
            c.Blend(x, y, Mix(kTeal, kAmber, static_cast<double>(x) / width), 0.9);
        }
    }
    Clock(c, 24 * s + bandHeight * 0.3, bandHeight / 2.0, bandHeight * 0.3);
    p.texts.push_back({L"Tembrel", static_cast<int>(std::lround(36 * s + bandHeight * 0.6)),
                       (bandHeight - Scaled(40, s)) / 2, Scaled(300, s), Scaled(40, s),
                       Scaled(30, s), true, kWhite});
    // The panel and its soft shadow.
    const double l = panel.left;
    const double t = panel.top;
    c.RoundRect(l + 2 * s, t + 4 * s, panel.width, panel.height, 14 * s, kNavy, 0.08);
    c.RoundRect(l, t, panel.width, panel.height, 12 * s, kWhite, 1.0);
    return p;
}

Canvas ProgramIcon() {
    Canvas c(kIconSize, kIconSize);
    c.VerticalGradient(kMist, kMist);
    Clock(c, 16, 16, 15.5);
    return c;
}

Canvas BonusIcon() {
    Canvas c(kIconSize, kIconSize);
    c.VerticalGradient(kMist, kMist);
    c.Disc(16, 16, 15.5, kAmber);
    c.Disc(16, 16, 13, {255, 246, 226});
    Hourglass(c, 14, 16, 19, kDeepTeal, kAmber, 1.0);
    c.Disc(23.5, 23.5, 7, kGreen);
    c.Line(23.5, 20, 23.5, 27, 2.2, kWhite);
    c.Line(20, 23.5, 27, 23.5, 2.2, kWhite);
    return c;
}

bool IconOpaque(int x, int y) {
    return std::hypot(x + 0.5 - 16, y + 0.5 - 16) <= 16.0;
}

} // namespace tembrel::art

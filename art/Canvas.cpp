#include "art/Canvas.h"

#include <algorithm>
#include <cmath>

namespace tembrel::art {

Rgb Mix(Rgb a, Rgb b, double t) {
    auto channel = [t](std::uint8_t x, std::uint8_t y) {
        return static_cast<std::uint8_t>(std::lround(x + (y - x) * std::clamp(t, 0.0, 1.0)));
    };
    return {channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

Canvas::Canvas(int width, int height)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width * height)) {}

void Canvas::VerticalGradient(Rgb top, Rgb bottom) {
    for (int y = 0; y < height_; ++y) {
        // Smoothstep keeps the gradient calm at both ends.
        double t = height_ > 1 ? static_cast<double>(y) / (height_ - 1) : 0.0;
        Rgb row = Mix(top, bottom, t * t * (3 - 2 * t));
        std::fill_n(pixels_.begin() + y * width_, width_, row);
    }
}

void Canvas::Blend(int x, int y, Rgb colour, double alpha) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || alpha <= 0) {
        return;
    }
    Rgb& pixel = pixels_[static_cast<std::size_t>(y * width_ + x)];
    pixel = Mix(pixel, colour, alpha);
}

void Canvas::Shape(double left, double top, double right, double bottom, Rgb colour, double alpha,
                   const std::function<double(double, double)>& distance) {
    int x0 = std::max(0, static_cast<int>(std::floor(left)) - 1);
    int y0 = std::max(0, static_cast<int>(std::floor(top)) - 1);
    int x1 = std::min(width_ - 1, static_cast<int>(std::ceil(right)) + 1);
    int y1 = std::min(height_ - 1, static_cast<int>(std::ceil(bottom)) + 1);
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            double d = distance(x + 0.5, y + 0.5);
            double coverage = std::clamp(0.5 - d, 0.0, 1.0);
            Blend(x, y, colour, coverage * alpha);
        }
    }
}

void Canvas::Disc(double cx, double cy, double radius, Rgb colour, double alpha) {
    Shape(cx - radius, cy - radius, cx + radius, cy + radius, colour, alpha,
          [=](double x, double y) { return std::hypot(x - cx, y - cy) - radius; });
}

void Canvas::Ring(double cx, double cy, double radius, double thickness, Rgb colour, double alpha) {
    double outer = radius + thickness / 2;
    Shape(cx - outer, cy - outer, cx + outer, cy + outer, colour, alpha, [=](double x, double y) {
        return std::abs(std::hypot(x - cx, y - cy) - radius) - thickness / 2;
    });
}

void Canvas::Line(double x0, double y0, double x1, double y1, double thickness, Rgb colour,
                  double alpha) {
    double half = thickness / 2;
    Shape(std::min(x0, x1) - half, std::min(y0, y1) - half, std::max(x0, x1) + half,
          std::max(y0, y1) + half, colour, alpha, [=](double x, double y) {
              double dx = x1 - x0;
              double dy = y1 - y0;
              double length2 = dx * dx + dy * dy;
              double t = length2 > 0
                             ? std::clamp(((x - x0) * dx + (y - y0) * dy) / length2, 0.0, 1.0)
                             : 0.0;
              return std::hypot(x - (x0 + t * dx), y - (y0 + t * dy)) - half;
          });
}

void Canvas::RoundRect(double left, double top, double width, double height, double radius,
                       Rgb colour, double alpha) {
    double cx = left + width / 2;
    double cy = top + height / 2;
    Shape(left, top, left + width, top + height, colour, alpha, [=](double x, double y) {
        double qx = std::abs(x - cx) - width / 2 + radius;
        double qy = std::abs(y - cy) - height / 2 + radius;
        return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) -
               radius;
    });
}

void Canvas::Triangle(double ax, double ay, double bx, double by, double cx, double cy, Rgb colour,
                      double alpha) {
    // Distance to a triangle: the nearest edge, negative inside (winding-independent).
    auto edge = [](double px, double py, double x0, double y0, double x1, double y1) {
        double dx = x1 - x0;
        double dy = y1 - y0;
        double t = std::clamp(((px - x0) * dx + (py - y0) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
        return std::hypot(px - (x0 + t * dx), py - (y0 + t * dy));
    };
    auto side = [](double px, double py, double x0, double y0, double x1, double y1) {
        return (x1 - x0) * (py - y0) - (y1 - y0) * (px - x0);
    };
    Shape(std::min({ax, bx, cx}), std::min({ay, by, cy}), std::max({ax, bx, cx}),
          std::max({ay, by, cy}), colour, alpha, [=](double x, double y) {
              double d = std::min({edge(x, y, ax, ay, bx, by), edge(x, y, bx, by, cx, cy),
                                   edge(x, y, cx, cy, ax, ay)});
              double s1 = side(x, y, ax, ay, bx, by);
              double s2 = side(x, y, bx, by, cx, cy);
              double s3 = side(x, y, cx, cy, ax, ay);
              bool inside = (s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0);
              return inside ? -d : d;
          });
}

} // namespace tembrel::art

#pragma once
// A small anti-aliased RGB canvas for the program's own pictures and icons. Portable on purpose:
// the same drawing code paints the pictures at start-up and, on a build machine, the icon files.
#include <cstdint>
#include <functional>
#include <vector>

namespace tembrel::art {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
};

Rgb Mix(Rgb a, Rgb b, double t);

class Canvas {
  public:
    Canvas(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    Rgb At(int x, int y) const { return pixels_[static_cast<std::size_t>(y * width_ + x)]; }

    void VerticalGradient(Rgb top, Rgb bottom);
    void Blend(int x, int y, Rgb colour, double alpha);

    // Shapes by signed distance (negative inside), one pixel of soft edge.
    void Shape(double left, double top, double right, double bottom, Rgb colour, double alpha,
               const std::function<double(double, double)>& distance);
    void Disc(double cx, double cy, double radius, Rgb colour, double alpha = 1.0);
    void Ring(double cx, double cy, double radius, double thickness, Rgb colour,
              double alpha = 1.0);
    void Line(double x0, double y0, double x1, double y1, double thickness, Rgb colour,
              double alpha = 1.0);
    void RoundRect(double left, double top, double width, double height, double radius, Rgb colour,
                   double alpha = 1.0);
    void Triangle(double ax, double ay, double bx, double by, double cx, double cy, Rgb colour,
                  double alpha = 1.0);

  private:
    int width_;
    int height_;
    std::vector<Rgb> pixels_;
};

} // namespace tembrel::art

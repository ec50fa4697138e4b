// A small floating-point raster for drawing the skin's pictures in code.
//
// Shapes are signed distance functions (pixels; negative inside). A pixel's coverage is taken
// from the distance at its centre, clamp(0.5 - d, 0, 1), which anti-aliases every edge by one
// pixel whatever the shape. Painting is source-over in premultiplied alpha.
//
// Everything here is plain float arithmetic in a fixed order, so a picture comes out the same on
// every run of the same build.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace artwork {

// Straight (not premultiplied) colour, each channel 0..1.
struct Color {
    float r = 0, g = 0, b = 0, a = 0;
};

// 0xRRGGBB with an alpha.
Color Hex(uint32_t rgb, float alpha = 1.0f);
Color Mix(Color from, Color to, float t);
Color WithAlpha(Color color, float alpha);

struct Point {
    float x = 0, y = 0;
};

using Shape = std::function<float(float x, float y)>;
using Paint = std::function<Color(float x, float y)>;

// ---- shapes

Shape Circle(float cx, float cy, float radius);
Shape Ellipse(float cx, float cy, float rx, float ry);
// Left, top, width, height; the corners rounded by `radius` (0: square).
Shape RoundRect(float x, float y, float width, float height, float radius);
// A stroke from one point to the other with round ends.
Shape Segment(Point from, Point to, float width);
// A line through the points, round joins and ends.
Shape Polyline(const std::vector<Point>& points, float width);
// A closed polygon, either winding.
Shape Polygon(const std::vector<Point>& points);
// An arc of a circle (angles in radians, clockwise on screen from the positive x axis) as a stroke
// with round ends.
Shape Arc(float cx, float cy, float radius, float from, float to, float width);
// The shape's outline, `width` wide, centred on its edge.
Shape Outline(Shape shape, float width);
// The shape grown (or shrunk, when negative) by `by` pixels.
Shape Grow(Shape shape, float by);
Shape Union(Shape a, Shape b);
Shape Minus(Shape a, Shape b);
Shape Intersect(Shape a, Shape b);
Shape Translate(Shape shape, float dx, float dy);
// The shape turned by `angle` radians (clockwise on screen) about (cx, cy).
Shape Rotate(Shape shape, float cx, float cy, float angle);
// A shape drawn in a square design box `design` units wide, placed in the square of `size`
// pixels whose top-left corner is (x, y): one drawing serves every size it is shown at.
Shape Fit(Shape shape, float design, float x, float y, float size);

// ---- paints

Paint Solid(Color color);
// From `top` at y0 to `bottom` at y1, clamped outside.
Paint VerticalGradient(Color top, float y0, Color bottom, float y1);

class Canvas {
public:
    Canvas(int width, int height);

    int Width() const { return m_width; }
    int Height() const { return m_height; }

    void Clear(Color color);
    void Fill(const Shape& shape, const Paint& paint);
    void Fill(const Shape& shape, Color color) { Fill(shape, Solid(color)); }
    // Another canvas painted over this one with its top-left corner at (x, y).
    void Place(const Canvas& other, int x, int y);
    // The pixel as straight colour.
    Color At(int x, int y) const;

    // 8-bit red, green, blue, alpha (straight), top row first.
    std::string Rgba() const;
    // 8-bit red, green, blue over an opaque matte, top row first.
    std::string RgbOver(Color matte) const;
    // As RgbOver, but pixels less than half covered become `key` (0xRRGGBB): a colour-keyed
    // picture whose anti-aliased rims are blended with what will show beside them.
    std::string RgbKeyed(Color matte, uint32_t key) const;

private:
    int m_width;
    int m_height;
    std::vector<Color> m_pixels;  // premultiplied
};

}  // namespace artwork

#include "tools/artwork/Canvas.h"

#include <algorithm>
#include <cmath>

namespace artwork {

namespace {

constexpr float kPi = 3.14159265358979f;

float Clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

float Length(float x, float y) { return std::sqrt(x * x + y * y); }

// Distance from p to the segment a-b.
float SegmentDistance(Point p, Point a, Point b) {
    const float ex = b.x - a.x, ey = b.y - a.y;
    const float wx = p.x - a.x, wy = p.y - a.y;
    const float length2 = ex * ex + ey * ey;
    const float t = length2 > 0 ? Clamp01((wx * ex + wy * ey) / length2) : 0.0f;
    return Length(wx - ex * t, wy - ey * t);
}

uint8_t Byte(float v) { return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0f)); }

}  // namespace

Color Hex(uint32_t rgb, float alpha) {
    return Color{static_cast<float>((rgb >> 16) & 0xFF) / 255.0f, static_cast<float>((rgb >> 8) & 0xFF) / 255.0f,
                 static_cast<float>(rgb & 0xFF) / 255.0f, alpha};
}

Color Mix(Color from, Color to, float t) {
    return Color{from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t, from.b + (to.b - from.b) * t,
                 from.a + (to.a - from.a) * t};
}

Color WithAlpha(Color color, float alpha) {
    color.a = alpha;
    return color;
}

Shape Circle(float cx, float cy, float radius) {
    return [=](float x, float y) { return Length(x - cx, y - cy) - radius; };
}

Shape Ellipse(float cx, float cy, float rx, float ry) {
    // The usual first-order estimate: close to the true distance near the rim, which is all that
    // coverage needs.
    return [=](float x, float y) {
        const float px = x - cx, py = y - cy;
        const float k0 = Length(px / rx, py / ry);
        const float k1 = Length(px / (rx * rx), py / (ry * ry));
        if (k1 <= 0) return -std::min(rx, ry);
        return k0 * (k0 - 1.0f) / k1;
    };
}

Shape RoundRect(float x, float y, float width, float height, float radius) {
    const float cx = x + width / 2, cy = y + height / 2;
    const float hx = width / 2, hy = height / 2;
    radius = std::min({radius, hx, hy});
    return [=](float px, float py) {
        const float qx = std::fabs(px - cx) - hx + radius;
        const float qy = std::fabs(py - cy) - hy + radius;
        return Length(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - radius;
    };
}

Shape Segment(Point from, Point to, float width) {
    return [=](float x, float y) { return SegmentDistance(Point{x, y}, from, to) - width / 2; };
}

Shape Polyline(const std::vector<Point>& points, float width) {
    return [=](float x, float y) {
        float d = 1e9f;
        for (size_t i = 1; i < points.size(); ++i) d = std::min(d, SegmentDistance(Point{x, y}, points[i - 1], points[i]));
        return d - width / 2;
    };
}

Shape Polygon(const std::vector<Point>& v) {
    return [=](float x, float y) {
        if (v.empty()) return 1e9f;
        float d2 = (x - v[0].x) * (x - v[0].x) + (y - v[0].y) * (y - v[0].y);
        float sign = 1;
        for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i, ++i) {
            const float d = SegmentDistance(Point{x, y}, v[i], v[j]);
            d2 = std::min(d2, d * d);
            // Crossing count of a ray to the right decides inside.
            const bool up = y >= v[i].y, down = y < v[j].y;
            const float ex = v[j].x - v[i].x, ey = v[j].y - v[i].y;
            const bool left = ex * (y - v[i].y) > ey * (x - v[i].x);
            if ((up && down && left) || (!up && !down && !left)) sign = -sign;
        }
        return sign * std::sqrt(d2);
    };
}

Shape Arc(float cx, float cy, float radius, float from, float to, float width) {
    const Point a{cx + radius * std::cos(from), cy + radius * std::sin(from)};
    const Point b{cx + radius * std::cos(to), cy + radius * std::sin(to)};
    const float span = to - from;
    return [=](float x, float y) {
        float angle = std::atan2(y - cy, x - cx) - from;
        angle = std::fmod(angle, 2 * kPi);
        if (angle < 0) angle += 2 * kPi;
        if (angle <= span) return std::fabs(Length(x - cx, y - cy) - radius) - width / 2;
        return std::min(Length(x - a.x, y - a.y), Length(x - b.x, y - b.y)) - width / 2;
    };
}

Shape Outline(Shape shape, float width) {
    return [=](float x, float y) { return std::fabs(shape(x, y)) - width / 2; };
}

Shape Grow(Shape shape, float by) {
    return [=](float x, float y) { return shape(x, y) - by; };
}

Shape Union(Shape a, Shape b) {
    return [=](float x, float y) { return std::min(a(x, y), b(x, y)); };
}

Shape Minus(Shape a, Shape b) {
    return [=](float x, float y) { return std::max(a(x, y), -b(x, y)); };
}

Shape Intersect(Shape a, Shape b) {
    return [=](float x, float y) { return std::max(a(x, y), b(x, y)); };
}

Shape Translate(Shape shape, float dx, float dy) {
    return [=](float x, float y) { return shape(x - dx, y - dy); };
}

Shape Rotate(Shape shape, float cx, float cy, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    return [=](float x, float y) {
        const float dx = x - cx, dy = y - cy;
        return shape(cx + dx * c + dy * s, cy - dx * s + dy * c);
    };
}

Shape Fit(Shape shape, float design, float x, float y, float size) {
    const float k = size / design;
    return [=](float px, float py) { return shape((px - x) / k, (py - y) / k) * k; };
}

Paint Solid(Color color) {
    return [=](float, float) { return color; };
}

Paint VerticalGradient(Color top, float y0, Color bottom, float y1) {
    return [=](float, float y) { return Mix(top, bottom, y1 > y0 ? Clamp01((y - y0) / (y1 - y0)) : 0.0f); };
}

Canvas::Canvas(int width, int height)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)),
      m_pixels(static_cast<size_t>(m_width) * static_cast<size_t>(m_height)) {}

void Canvas::Clear(Color color) {
    const Color premultiplied{color.r * color.a, color.g * color.a, color.b * color.a, color.a};
    std::fill(m_pixels.begin(), m_pixels.end(), premultiplied);
}

void Canvas::Fill(const Shape& shape, const Paint& paint) {
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            const float px = static_cast<float>(x) + 0.5f, py = static_cast<float>(y) + 0.5f;
            const float coverage = Clamp01(0.5f - shape(px, py));
            if (coverage <= 0) continue;
            const Color c = paint(px, py);
            const float a = c.a * coverage;
            Color& d = m_pixels[static_cast<size_t>(y) * static_cast<size_t>(m_width) + static_cast<size_t>(x)];
            d = Color{c.r * a + d.r * (1 - a), c.g * a + d.g * (1 - a), c.b * a + d.b * (1 - a), a + d.a * (1 - a)};
        }
    }
}

void Canvas::Place(const Canvas& other, int left, int top) {
    for (int y = 0; y < other.m_height; ++y) {
        for (int x = 0; x < other.m_width; ++x) {
            const int tx = left + x, ty = top + y;
            if (tx < 0 || ty < 0 || tx >= m_width || ty >= m_height) continue;
            const Color& s = other.m_pixels[static_cast<size_t>(y) * static_cast<size_t>(other.m_width) + static_cast<size_t>(x)];
            Color& d = m_pixels[static_cast<size_t>(ty) * static_cast<size_t>(m_width) + static_cast<size_t>(tx)];
            d = Color{s.r + d.r * (1 - s.a), s.g + d.g * (1 - s.a), s.b + d.b * (1 - s.a), s.a + d.a * (1 - s.a)};
        }
    }
}

Color Canvas::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return Color{};
    const Color& p = m_pixels[static_cast<size_t>(y) * static_cast<size_t>(m_width) + static_cast<size_t>(x)];
    if (p.a <= 0) return Color{};
    return Color{p.r / p.a, p.g / p.a, p.b / p.a, p.a};
}

std::string Canvas::Rgba() const {
    std::string out;
    out.reserve(m_pixels.size() * 4);
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            const Color c = At(x, y);
            // A fully transparent pixel is stored as zeros, whatever colour was under it.
            const uint8_t a = Byte(c.a);
            out += {static_cast<char>(a != 0 ? Byte(c.r) : 0), static_cast<char>(a != 0 ? Byte(c.g) : 0),
                    static_cast<char>(a != 0 ? Byte(c.b) : 0), static_cast<char>(a)};
        }
    }
    return out;
}

std::string Canvas::RgbOver(Color matte) const {
    std::string out;
    out.reserve(m_pixels.size() * 3);
    for (const Color& p : m_pixels) {
        out += {static_cast<char>(Byte(p.r + matte.r * (1 - p.a))), static_cast<char>(Byte(p.g + matte.g * (1 - p.a))),
                static_cast<char>(Byte(p.b + matte.b * (1 - p.a)))};
    }
    return out;
}

std::string Canvas::RgbKeyed(Color matte, uint32_t key) const {
    std::string out = RgbOver(matte);
    for (size_t i = 0; i < m_pixels.size(); ++i) {
        if (m_pixels[i].a >= 0.5f) continue;
        out[i * 3] = static_cast<char>(key >> 16);
        out[i * 3 + 1] = static_cast<char>(key >> 8);
        out[i * 3 + 2] = static_cast<char>(key);
    }
    return out;
}

}  // namespace artwork

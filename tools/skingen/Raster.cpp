#include "Raster.h"

#include <algorithm>
#include <cmath>

namespace skingen {
namespace {

constexpr float kPi = 3.14159265358979f;

float Clamp01(float v) { return v < 0 ? 0 : v > 1 ? 1 : v; }

float SegmentDistance(float px, float py, float ax, float ay, float bx, float by) {
    float dx = bx - ax, dy = by - ay;
    float len2 = dx * dx + dy * dy;
    float t = len2 > 0 ? Clamp01(((px - ax) * dx + (py - ay) * dy) / len2) : 0;
    float ex = px - (ax + t * dx), ey = py - (ay + t * dy);
    return std::sqrt(ex * ex + ey * ey);
}

uint8_t To8(float v) { return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0f)); }

}  // namespace

Colour Hex(uint32_t rgb, float alpha) {
    return {((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f,
            alpha};
}

Colour Mix(const Colour& a, const Colour& b, float t) {
    t = Clamp01(t);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
            a.a + (b.a - a.a) * t};
}

Colour WithAlpha(Colour c, float alpha) {
    c.a = alpha;
    return c;
}

Sdf RoundRect(float x0, float y0, float x1, float y1, float r) {
    float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2, hx = (x1 - x0) / 2, hy = (y1 - y0) / 2;
    r = std::min({r, hx, hy});
    return [=](float x, float y) {
        float qx = std::fabs(x - cx) - hx + r, qy = std::fabs(y - cy) - hy + r;
        float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
        return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - r;
    };
}

Sdf Circle(float cx, float cy, float r) {
    return [=](float x, float y) { return std::hypot(x - cx, y - cy) - r; };
}

Sdf Line(float ax, float ay, float bx, float by, float width) {
    return [=](float x, float y) { return SegmentDistance(x, y, ax, ay, bx, by) - width / 2; };
}

Sdf Arc(float cx, float cy, float r, float from, float to, float width) {
    float a0 = from * kPi / 180, a1 = to * kPi / 180;
    float ex0 = cx + r * std::cos(a0), ey0 = cy + r * std::sin(a0);
    float ex1 = cx + r * std::cos(a1), ey1 = cy + r * std::sin(a1);
    return [=](float x, float y) {
        float ang = std::atan2(y - cy, x - cx);
        // Bring the angle into [a0, a0 + 2pi) so one comparison tells whether it is on the arc.
        while (ang < a0) ang += 2 * kPi;
        while (ang >= a0 + 2 * kPi) ang -= 2 * kPi;
        float d;
        if (ang <= a1) {
            d = std::fabs(std::hypot(x - cx, y - cy) - r);
        } else {
            d = std::min(std::hypot(x - ex0, y - ey0), std::hypot(x - ex1, y - ey1));
        }
        return d - width / 2;
    };
}

Sdf Outline(Sdf shape, float width) {
    return [=](float x, float y) { return std::fabs(shape(x, y)) - width / 2; };
}

Sdf InnerOutline(Sdf shape, float width) {
    return [=](float x, float y) { return std::fabs(shape(x, y) + width / 2) - width / 2; };
}

Sdf Polygon(std::vector<float> pts) {
    return [pts](float x, float y) {
        size_t n = pts.size() / 2;
        float best = 1e30f;
        bool inside = false;
        for (size_t i = 0, j = n - 1; i < n; j = i++) {
            float xi = pts[2 * i], yi = pts[2 * i + 1], xj = pts[2 * j], yj = pts[2 * j + 1];
            best = std::min(best, SegmentDistance(x, y, xi, yi, xj, yj));
            if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
        }
        return inside ? -best : best;
    };
}

Sdf Union(Sdf a, Sdf b) {
    return [=](float x, float y) { return std::min(a(x, y), b(x, y)); };
}

Sdf Intersect(Sdf a, Sdf b) {
    return [=](float x, float y) { return std::max(a(x, y), b(x, y)); };
}

Sdf Subtract(Sdf a, Sdf b) {
    return [=](float x, float y) { return std::max(a(x, y), -b(x, y)); };
}

Sdf Translate(Sdf s, float dx, float dy) {
    return [=](float x, float y) { return s(x - dx, y - dy); };
}

Sdf Scale(Sdf s, float f) {
    return [=](float x, float y) { return s(x / f, y / f) * f; };
}

Coverage Covered(Sdf s) {
    return {[=](float x, float y) { return Clamp01(0.5f - s(x, y)); }};
}

Coverage Soft(Sdf s, float blur, float strength) {
    return {[=](float x, float y) {
        float t = Clamp01(s(x, y) / blur);
        float f = 1 - t;
        return strength * f * f * (3 - 2 * f);  // smooth fall-off
    }};
}

Paint Solid(Colour c) {
    return [=](float, float) { return c; };
}

Paint VerticalGradient(float y0, Colour c0, float y1, Colour c1) {
    return [=](float, float y) { return Mix(c0, c1, (y - y0) / (y1 - y0)); };
}

Paint RadialGradient(float cx, float cy, float radius, Colour inner, Colour outer) {
    return [=](float x, float y) { return Mix(inner, outer, std::hypot(x - cx, y - cy) / radius); };
}

Canvas::Canvas(int width, int height, Colour fill) : width_(width), height_(height) {
    Colour pre{fill.r * fill.a, fill.g * fill.a, fill.b * fill.a, fill.a};
    px_.assign(size_t(width) * size_t(height), pre);
}

void Canvas::Fill(const Coverage& where, const Paint& paint) {
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            float fx = x + 0.5f, fy = y + 0.5f;
            float cov = where.at(fx, fy);
            if (cov <= 0) continue;
            Colour c = paint(fx, fy);
            float a = Clamp01(c.a * cov);
            Colour& d = px_[size_t(y) * size_t(width_) + size_t(x)];
            d.r = c.r * a + d.r * (1 - a);
            d.g = c.g * a + d.g * (1 - a);
            d.b = c.b * a + d.b * (1 - a);
            d.a = a + d.a * (1 - a);
        }
    }
}

void Canvas::Set(int x, int y, Colour c) {
    px_[size_t(y) * size_t(width_) + size_t(x)] = {c.r * c.a, c.g * c.a, c.b * c.a, c.a};
}

Colour Canvas::Get(int x, int y) const {
    Colour p = px_[size_t(y) * size_t(width_) + size_t(x)];
    if (p.a <= 0) return {0, 0, 0, 0};
    return {p.r / p.a, p.g / p.a, p.b / p.a, p.a};
}

void Canvas::Draw(const Canvas& other, int ox, int oy) {
    for (int y = 0; y < other.height_; ++y) {
        int ty = oy + y;
        if (ty < 0 || ty >= height_) continue;
        for (int x = 0; x < other.width_; ++x) {
            int tx = ox + x;
            if (tx < 0 || tx >= width_) continue;
            const Colour& s = other.px_[size_t(y) * size_t(other.width_) + size_t(x)];
            Colour& d = px_[size_t(ty) * size_t(width_) + size_t(tx)];
            d.r = s.r + d.r * (1 - s.a);
            d.g = s.g + d.g * (1 - s.a);
            d.b = s.b + d.b * (1 - s.a);
            d.a = s.a + d.a * (1 - s.a);
        }
    }
}

Canvas Canvas::Crop(int x, int y, int width, int height) const {
    Canvas out(width, height);
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col)
            out.px_[size_t(row) * size_t(width) + size_t(col)] =
                px_[size_t(y + row) * size_t(width_) + size_t(x + col)];
    return out;
}

std::vector<uint8_t> Canvas::Rgba() const {
    std::vector<uint8_t> out;
    out.reserve(px_.size() * 4);
    for (const Colour& p : px_) {
        uint8_t a = To8(p.a);
        if (a == 0) {
            out.insert(out.end(), {0, 0, 0, 0});
            continue;
        }
        out.push_back(To8(p.r / p.a));
        out.push_back(To8(p.g / p.a));
        out.push_back(To8(p.b / p.a));
        out.push_back(a);
    }
    return out;
}

}  // namespace skingen

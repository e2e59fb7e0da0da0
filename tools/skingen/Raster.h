#pragma once
// A small software rasteriser for the default skin: shapes are signed distance
// functions (negative inside, in pixels), their coverage at each pixel centre
// gives anti-aliased edges, and paints say what colour each covered pixel gets.
// Plain portable C++: it runs on the build machine, not on Windows.
#include <cstdint>
#include <functional>
#include <vector>

namespace skingen {

// Straight (not premultiplied) colour, components 0..1.
struct Colour {
    float r = 0, g = 0, b = 0, a = 1;
};

Colour Hex(uint32_t rgb, float alpha = 1.0f);
Colour Mix(const Colour& from, const Colour& to, float t);
Colour WithAlpha(Colour c, float alpha);

using Sdf = std::function<float(float x, float y)>;
using Paint = std::function<Colour(float x, float y)>;
// How much of each pixel a paint covers (0..1); a type of its own so that
// Fill can tell it from a shape.
struct Coverage {
    std::function<float(float x, float y)> at;
};

// Shapes.
Sdf RoundRect(float x0, float y0, float x1, float y1, float radius);
Sdf Circle(float cx, float cy, float radius);
// Strokes of width `width` along a centre line, with round ends.
Sdf Line(float ax, float ay, float bx, float by, float width);
// An arc of a circle, angles in degrees, clockwise on screen (0 = right, 90 = down),
// from `from` to `to` (to > from).
Sdf Arc(float cx, float cy, float radius, float from, float to, float width);
// The outline of a shape: a band of `width` centred on its edge.
Sdf Outline(Sdf shape, float width);
// Inset outline: a band of `width` just inside the edge.
Sdf InnerOutline(Sdf shape, float width);
// A closed polygon (any winding), points as x0, y0, x1, y1, ...
Sdf Polygon(std::vector<float> points);
Sdf Union(Sdf a, Sdf b);
Sdf Intersect(Sdf a, Sdf b);
Sdf Subtract(Sdf a, Sdf b);
Sdf Translate(Sdf s, float dx, float dy);
Sdf Scale(Sdf s, float factor);  // about the origin

Coverage Covered(Sdf s);
// A soft shadow of a shape: full `strength` inside, fading out over `blur` pixels.
Coverage Soft(Sdf s, float blur, float strength);

Paint Solid(Colour c);
// Linear gradient along y from y0 (c0) to y1 (c1), clamped.
Paint VerticalGradient(float y0, Colour c0, float y1, Colour c1);
// Radial fade from `inner` at the centre to `outer` at `radius`.
Paint RadialGradient(float cx, float cy, float radius, Colour inner, Colour outer);

class Canvas {
public:
    Canvas(int width, int height, Colour fill = {0, 0, 0, 0});
    int width() const { return width_; }
    int height() const { return height_; }

    // Paints over what is there (source over) where the coverage is above zero.
    void Fill(const Coverage& where, const Paint& paint);
    void Fill(const Sdf& shape, const Paint& paint) { Fill(Covered(shape), paint); }
    void Fill(const Sdf& shape, Colour c) { Fill(Covered(shape), Solid(c)); }
    // Replaces pixels outright (no blending); for key colours.
    void Set(int x, int y, Colour c);
    Colour Get(int x, int y) const;
    // Draws another canvas at (x, y), source over.
    void Draw(const Canvas& other, int x, int y);

    Canvas Crop(int x, int y, int width, int height) const;
    // Straight 8-bit RGBA rows, top to bottom.
    std::vector<uint8_t> Rgba() const;

private:
    int width_, height_;
    std::vector<Colour> px_;  // premultiplied
};

}  // namespace skingen

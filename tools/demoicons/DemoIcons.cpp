// Draws the icons of the demo data: one per stand-in program executable, so the
// demo's program list shows each product with a face of its own, and one for
// the sample uninstaller. Runs on the build machine with the skin generator's
// rasteriser and icon writer.
//
//   demoicons OUTPUT-FOLDER
//
// writes OUTPUT-FOLDER/app<k>/SampleApp.ico for k = 1..8 and
// OUTPUT-FOLDER/uninstall/SampleUninstall.ico.
#include <cmath>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "IcoFile.h"
#include "Raster.h"

namespace {

using namespace skingen;

enum class Glyph { Ring, Triangle, Bars, Wave, Leaf, Grid, Star, Drop, Bin };

struct Face {
    uint32_t top, bottom;
    Glyph glyph;
};

// Eight products, each a colour and a sign that still reads at 16 pixels.
const Face kFaces[] = {
    {0x4F7DF3, 0x2E55C4, Glyph::Ring}, {0xF08A3C, 0xC9621B, Glyph::Triangle},
    {0x2DB37A, 0x1B8A5B, Glyph::Bars}, {0x8E63E8, 0x6841C2, Glyph::Wave},
    {0x3FB5C9, 0x238C9E, Glyph::Leaf}, {0xE0566B, 0xB63549, Glyph::Grid},
    {0xE9B32E, 0xC08D12, Glyph::Star}, {0x5C6B80, 0x3D4A5C, Glyph::Drop},
};
const Face kUninstaller = {0xD9DEE5, 0xA9B3C1, Glyph::Bin};

Sdf Rect(float x0, float y0, float x1, float y1) { return RoundRect(x0, y0, x1, y1, 0); }

// The sign, centred in a box of `s` pixels at (cx, cy), with pen width `w`.
Sdf GlyphShape(Glyph g, float cx, float cy, float s, float w) {
    const float h = s / 2;
    switch (g) {
    case Glyph::Ring: return Union(Outline(Circle(cx, cy, h * 0.62f), w), Circle(cx, cy, w * 0.7f));
    case Glyph::Triangle:
        return Polygon(
            {cx, cy - h * 0.72f, cx + h * 0.74f, cy + h * 0.58f, cx - h * 0.74f, cy + h * 0.58f});
    case Glyph::Bars: {
        const float bw = s * 0.18f, base = cy + h * 0.62f;
        Sdf a = Rect(cx - h * 0.66f, base - s * 0.40f, cx - h * 0.66f + bw, base);
        Sdf b = Rect(cx - bw / 2, base - s * 0.70f, cx + bw / 2, base);
        Sdf c = Rect(cx + h * 0.66f - bw, base - s * 0.55f, cx + h * 0.66f, base);
        return Union(Union(a, b), c);
    }
    case Glyph::Wave:
        return Union(Arc(cx - h * 0.32f, cy, h * 0.34f, 180, 360, w),
                     Arc(cx + h * 0.32f, cy, h * 0.34f, 0, 180, w));
    case Glyph::Leaf:
        return Union(
            Intersect(Circle(cx - h * 0.30f, cy + h * 0.30f, h * 0.85f),
                      Circle(cx + h * 0.30f, cy - h * 0.30f, h * 0.85f)),
            Line(cx - h * 0.70f, cy + h * 0.70f, cx - h * 0.30f, cy + h * 0.30f, w * 0.8f));
    case Glyph::Grid: {
        const float g2 = s * 0.08f, q = h * 0.62f;
        Sdf tl = RoundRect(cx - q, cy - q, cx - g2, cy - g2, w * 0.4f);
        Sdf tr = RoundRect(cx + g2, cy - q, cx + q, cy - g2, w * 0.4f);
        Sdf bl = RoundRect(cx - q, cy + g2, cx - g2, cy + q, w * 0.4f);
        Sdf br = RoundRect(cx + g2, cy + g2, cx + q, cy + q, w * 0.4f);
        return Union(Union(tl, tr), Union(bl, br));
    }
    case Glyph::Star: {
        std::vector<float> pts;
        for (int i = 0; i < 10; ++i) {
            const float r = (i % 2 ? 0.34f : 0.78f) * h;
            const float a = static_cast<float>(-M_PI / 2 + i * M_PI / 5);
            pts.push_back(cx + r * std::cos(a));
            pts.push_back(cy + r * std::sin(a));
        }
        return Polygon(pts);
    }
    case Glyph::Drop:
        return Union(Circle(cx, cy + h * 0.22f, h * 0.50f),
                     Polygon({cx, cy - h * 0.78f, cx + h * 0.45f, cy + h * 0.02f, cx - h * 0.45f,
                              cy + h * 0.02f}));
    case Glyph::Bin: {
        Sdf body = Polygon({cx - h * 0.50f, cy - h * 0.30f, cx + h * 0.50f, cy - h * 0.30f,
                            cx + h * 0.38f, cy + h * 0.75f, cx - h * 0.38f, cy + h * 0.75f});
        Sdf lid = Rect(cx - h * 0.66f, cy - h * 0.56f, cx + h * 0.66f, cy - h * 0.40f);
        Sdf handle = Rect(cx - h * 0.18f, cy - h * 0.74f, cx + h * 0.18f, cy - h * 0.56f);
        return Union(Union(body, lid), handle);
    }
    }
    return Circle(cx, cy, 0);
}

Canvas Draw(const Face& f, int n, bool dark) {
    Canvas c(n, n);
    const float margin = n >= 48 ? 2.0f : n >= 32 ? 1.0f : 0.0f;
    const float size = n - 2 * margin;
    Sdf tile = RoundRect(margin, margin, n - margin, n - margin, size * 0.22f);
    c.Fill(tile, VerticalGradient(margin, Hex(f.top), n - margin, Hex(f.bottom)));
    c.Fill(Intersect(InnerOutline(tile, 1), Rect(0, 0, n, n * 0.5f)), Hex(0xFFFFFF, 0.25f));
    c.Fill(InnerOutline(tile, 1), Hex(0x0B1220, 0.22f));
    const float pen = n <= 16 ? 1.6f : n <= 32 ? 2.6f : size * 0.08f;
    c.Fill(GlyphShape(f.glyph, n / 2.0f, n / 2.0f, size * 0.72f, pen),
           dark ? Hex(0x3A4556) : Hex(0xFFFFFF));
    return c;
}

bool WriteFace(const std::string& dir, const std::string& file, const Face& f, bool dark) {
    mkdir(dir.c_str(), 0755);
    std::vector<IconImage> sizes;
    for (int n : {16, 32, 48}) sizes.push_back({n, Draw(f, n, dark).Rgba()});
    return WriteIco(dir + "/" + file, sizes);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: demoicons OUTPUT-FOLDER\n");
        return 2;
    }
    const std::string out = argv[1];
    mkdir(out.c_str(), 0755);
    bool ok = true;
    int k = 1;
    for (const Face& f : kFaces)
        ok &= WriteFace(out + "/app" + std::to_string(k++), "SampleApp.ico", f, false);
    ok &= WriteFace(out + "/uninstall", "SampleUninstall.ico", kUninstaller, true);
    return ok ? 0 : 1;
}

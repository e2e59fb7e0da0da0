#include "Glyphs.h"

#include <cmath>
#include <initializer_list>
#include <vector>

namespace skingen {
namespace {

// Round-ended strokes through the points in order.
Sdf Polyline(std::initializer_list<float> pts, float width) {
    std::vector<float> p(pts);
    Sdf shape = Line(p[0], p[1], p[2], p[3], width);
    for (size_t i = 2; i + 3 < p.size(); i += 2)
        shape = Union(shape, Line(p[i], p[i + 1], p[i + 2], p[i + 3], width));
    return shape;
}

}  // namespace

Word ProductName(float left, float baseline, float h, float s) {
    // Letter geometry in units of the x-height; centre lines, so a stroke's
    // outer edge lies half a pen width further out.
    const float t = s / h / 2;
    const float gap = 0.17f;
    const float r = 0.5f - t;  // bowl radius of a, e, o
    float pen = 0;
    Sdf word;
    auto add = [&word](Sdf part) { word = word ? Union(word, part) : part; };
    auto X = [&](float u) { return left + (pen + u) * h; };
    auto Y = [&](float v) { return baseline + v * h; };

    // C: a cap-height bowl open to the right.
    const float capH = 1.38f, rc = capH / 2 - t;
    add(Arc(X(t + rc), Y(-capH / 2), rc * h, 48, 312, s));
    pen += 2 * rc + 2 * t - 0.1f + gap;
    // a: single-storey bowl with a stem on its right.
    add(Arc(X(t + r), Y(-0.5f), r * h, 0, 360, s));
    add(Line(X(t + 2 * r), Y(-1 + t), X(t + 2 * r), Y(-t), s));
    pen += 2 * r + 2 * t + gap;
    // r: stem and shoulder.
    const float rr = 0.4f;
    add(Line(X(t), Y(-1 + t), X(t), Y(-t), s));
    add(Arc(X(t + rr), Y(-1 + t + rr), rr * h, 180, 298, s));
    pen += t + rr + rr * 0.47f + t + gap - 0.04f;
    // v
    const float wv = 0.9f;
    add(Polyline({X(t), Y(-1 + t), X(wv / 2), Y(-t), X(wv - t), Y(-1 + t)}, s));
    pen += wv + gap;
    // e: bowl open at the lower right, with its bar.
    add(Arc(X(t + r), Y(-0.5f), r * h, 38, 360, s));
    add(Line(X(t), Y(-0.5f), X(t + 2 * r), Y(-0.5f), s));
    pen += 2 * r + 2 * t + gap;
    // x
    const float wx = 0.86f;
    add(Line(X(t), Y(-1 + t), X(wx - t), Y(-t), s));
    add(Line(X(wx - t), Y(-1 + t), X(t), Y(-t), s));
    pen += wx + gap;
    // o
    add(Arc(X(t + r), Y(-0.5f), r * h, 0, 360, s));
    pen += 2 * r + 2 * t;
    return {word, pen * h};
}

Sdf IconShape(Icon icon, float cx, float cy, float S, float w) {
    switch (icon) {
    case Icon::Minus: return Line(cx - 0.32f * S, cy, cx + 0.32f * S, cy, w);
    case Icon::Cross:
        return Union(Line(cx - 0.28f * S, cy - 0.28f * S, cx + 0.28f * S, cy + 0.28f * S, w),
                     Line(cx + 0.28f * S, cy - 0.28f * S, cx - 0.28f * S, cy + 0.28f * S, w));
    case Icon::Question: {
        float r = 0.22f * S, acy = cy - 0.14f * S;
        Sdf hook = Arc(cx, acy, r, 195, 430, w);
        float ex = cx + r * std::cos(430 * 3.14159265f / 180),
              ey = acy + r * std::sin(430 * 3.14159265f / 180);
        Sdf stem = Polyline({ex, ey, cx, cy + 0.06f * S, cx, cy + 0.14f * S}, w);
        return Union(Union(hook, stem), Circle(cx, cy + 0.34f * S, w * 0.72f));
    }
    case Icon::Trash: {
        Sdf lid = Line(cx - 0.34f * S, cy - 0.24f * S, cx + 0.34f * S, cy - 0.24f * S, w);
        Sdf handle = Polyline({cx - 0.11f * S, cy - 0.24f * S, cx - 0.11f * S, cy - 0.36f * S,
                               cx + 0.11f * S, cy - 0.36f * S, cx + 0.11f * S, cy - 0.24f * S},
                              w);
        Sdf body = Polyline({cx - 0.25f * S, cy - 0.2f * S, cx - 0.21f * S, cy + 0.38f * S,
                             cx + 0.21f * S, cy + 0.38f * S, cx + 0.25f * S, cy - 0.2f * S},
                            w);
        Sdf ribs =
            Union(Line(cx - 0.08f * S, cy - 0.06f * S, cx - 0.08f * S, cy + 0.24f * S, w * 0.85f),
                  Line(cx + 0.08f * S, cy - 0.06f * S, cx + 0.08f * S, cy + 0.24f * S, w * 0.85f));
        return Union(Union(lid, handle), Union(body, ribs));
    }
    case Icon::Info:
        return Union(Outline(Circle(cx, cy, 0.42f * S), w),
                     Union(Circle(cx, cy - 0.19f * S, w * 0.7f),
                           Line(cx, cy - 0.03f * S, cx, cy + 0.2f * S, w)));
    case Icon::Refresh: {
        float r = 0.32f * S, a = 300 * 3.14159265f / 180;
        float px = cx + r * std::cos(a), py = cy + r * std::sin(a);
        float dx = -std::sin(a), dy = std::cos(a);  // travel direction at the arc's end
        float nx = std::cos(a), ny = std::sin(a);
        float head = 0.2f * S;
        Sdf tip = Polygon(
            {px + dx * head * 0.9f, py + dy * head * 0.9f, px + nx * head * 0.7f - dx * head * 0.2f,
             py + ny * head * 0.7f - dy * head * 0.2f, px - nx * head * 0.7f - dx * head * 0.2f,
             py - ny * head * 0.7f - dy * head * 0.2f});
        return Union(Arc(cx, cy, r, 20, 292, w), tip);
    }
    case Icon::Search:
        return Union(
            Outline(Circle(cx - 0.08f * S, cy - 0.08f * S, 0.25f * S), w),
            Line(cx + 0.11f * S, cy + 0.11f * S, cx + 0.34f * S, cy + 0.34f * S, w * 1.3f));
    case Icon::CheckBox:
        return Union(Outline(RoundRect(cx - 0.36f * S, cy - 0.36f * S, cx + 0.36f * S,
                                       cy + 0.36f * S, 0.1f * S),
                             w),
                     Polyline({cx - 0.17f * S, cy + 0.01f * S, cx - 0.04f * S, cy + 0.14f * S,
                               cx + 0.19f * S, cy - 0.13f * S},
                              w));
    case Icon::CrossCircle:
        return Union(
            Outline(Circle(cx, cy, 0.42f * S), w),
            Union(Line(cx - 0.14f * S, cy - 0.14f * S, cx + 0.14f * S, cy + 0.14f * S, w),
                  Line(cx + 0.14f * S, cy - 0.14f * S, cx - 0.14f * S, cy + 0.14f * S, w)));
    case Icon::Check:
        return Polyline({cx - 0.32f * S, cy + 0.02f * S, cx - 0.1f * S, cy + 0.24f * S,
                         cx + 0.32f * S, cy - 0.22f * S},
                        w);
    case Icon::Mark:
        return Union(Polyline({cx - 0.3f * S, cy + 0.02f * S, cx - 0.3f * S, cy + 0.3f * S,
                               cx + 0.3f * S, cy + 0.3f * S, cx + 0.3f * S, cy + 0.02f * S},
                              w),
                     Union(Line(cx, cy + 0.12f * S, cx, cy - 0.32f * S, w),
                           Polyline({cx - 0.15f * S, cy - 0.17f * S, cx, cy - 0.32f * S,
                                     cx + 0.15f * S, cy - 0.17f * S},
                                    w)));
    }
    return Circle(cx, cy, 0);
}

}  // namespace skingen

#pragma once
// Line-art shapes for the skin: the product name in a small geometric stroke
// face, and the glyph icons of the buttons. All are distance functions (see
// Raster.h) drawn with round-ended strokes.
#include "Raster.h"

namespace skingen {

struct Word {
    Sdf shape;
    float width;  // from the left edge of the first stroke to the right edge of the last
};

// "Carvexo" with its baseline at `baseline` and its left edge at `left`;
// `xHeight` is the height of the lower-case letters, `stroke` the pen width.
Word ProductName(float left, float baseline, float xHeight, float stroke);

enum class Icon {
    Minus,
    Question,
    Cross,
    Trash,
    Info,
    Refresh,
    Search,
    CheckBox,
    CrossCircle,
    Check,
    Mark,  // the product's mark: a tray with an arrow leaving it
};

// An icon centred at (cx, cy), fitting a square of `size` pixels.
Sdf IconShape(Icon icon, float cx, float cy, float size, float stroke);

}  // namespace skingen

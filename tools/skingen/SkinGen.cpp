// Draws the default skin's pictures and writes them as PNG files into the
// folder named on the command line (the build's Skins\ folder); given a second
// argument, also the program's icon, in the same colours, as that .ico file.
//
// The look: a dark slate title area carrying the window and menu buttons, a
// light body, and one teal accent. Pictures that sit on the main window
// (buttons, title) are cut from the background at their default place and
// drawn over, so they are opaque and match it exactly whether or not the
// widget that shows them blends.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "Glyphs.h"
#include "IcoFile.h"
#include "PngFile.h"
#include "Raster.h"

namespace skingen {
namespace {

// The colour key of the main window: every pixel of exactly this colour is see-through.
const Colour kKey = Hex(0xFF00FF);

namespace theme {
const Colour headerTop = Hex(0x2A3547);
const Colour headerBottom = Hex(0x1D2634);
const Colour headerEdge = Hex(0x111823);
const Colour band = Hex(0xE4E9EF);
const Colour frame = Hex(0xC9D2DC);
const Colour page = Hex(0xFFFFFF);
const Colour panel = Hex(0xF3F5F8);
const Colour panelEdge = Hex(0xDCE2E9);
const Colour bodyEdge = Hex(0x9AA6B5);
const Colour ink = Hex(0x1E293B);
const Colour accent = Hex(0x15A394);
const Colour accentDeep = Hex(0x0E7F74);
const Colour glyphIdle = Hex(0xAAB5C4);
const Colour glyphDim = Hex(0x5A6677);
const Colour closeHot = Hex(0xD24D57);
const Colour closeDown = Hex(0xAE3A45);
const Colour buttonEdge = Hex(0xCCD5DF);
const Colour disabledFill = Hex(0xECEFF3);
const Colour disabledEdge = Hex(0xDDE2E8);
const Colour disabledGlyph = Hex(0xB2BBC6);
}  // namespace theme

// Main window layout (the skin table's defaults).
constexpr int kMainW = 763, kMainH = 538;
constexpr int kHeaderBottom = 66;  // dark title area: window buttons and menu row
constexpr int kPageX = 5, kPageY = 112, kPageW = 750, kPageH = 394;
constexpr int kPanelW = 160, kPanelH = 394;

Sdf Rect(float x0, float y0, float x1, float y1) { return RoundRect(x0, y0, x1, y1, 0); }

bool Save(const std::string& dir, const std::string& name, const Canvas& c) {
    return WritePng(dir + "/" + name, c.width(), c.height(), c.Rgba());
}

// The product mark: an accent tile with the tray-and-arrow glyph.
void DrawMark(Canvas& c, float x, float y, float size) {
    Sdf tile = RoundRect(x, y, x + size, y + size, size * 0.24f);
    c.Fill(tile, VerticalGradient(y, theme::accent, y + size, theme::accentDeep));
    c.Fill(IconShape(Icon::Mark, x + size / 2, y + size / 2, size * 0.78f, size * 0.1f),
           Hex(0xFFFFFF));
}

Canvas MainBackground() {
    Canvas c(kMainW, kMainH, theme::band);
    const float W = kMainW, H = kMainH;
    c.Fill(Rect(0, 0, W, kHeaderBottom),
           VerticalGradient(0, theme::headerTop, kHeaderBottom, theme::headerBottom));
    // A faint highlight along the top and a soft shadow below the title area.
    c.Fill(Rect(0, 1, W, 2), Hex(0xFFFFFF, 0.07f));
    c.Fill(
        Rect(0, kHeaderBottom, W, kHeaderBottom + 6),
        VerticalGradient(kHeaderBottom, Hex(0x000000, 0.12f), kHeaderBottom + 6, Hex(0x000000, 0)));
    c.Fill(Rect(0, kHeaderBottom - 2, W, kHeaderBottom), WithAlpha(theme::accent, 0.85f));
    DrawMark(c, 12, 6, 17);

    // The page area (list and side panel cover it) in a thin frame; the status
    // strip below it keeps the band colour.
    c.Fill(Rect(kPageX - 1, kPageY - 1, kPageX + kPageW + 1, kPageY + kPageH + 1), theme::frame);
    c.Fill(Rect(kPageX, kPageY, kPageX + kPageW, kPageY + kPageH), theme::page);
    c.Fill(Rect(0, H - 31, W, H), VerticalGradient(H - 31, theme::band, H, Hex(0xDCE2E9)));

    // The outline: a hard edge against the key colour (a blended edge pixel
    // would be neither see-through nor part of the window) and a one-pixel
    // border just inside it.
    Sdf outer = RoundRect(0, 0, W, H, 10);
    c.Fill(Covered(InnerOutline(outer, 1.2f)),
           [](float, float y) { return y < kHeaderBottom ? theme::headerEdge : theme::bodyEdge; });
    for (int y = 0; y < kMainH; ++y)
        for (int x = 0; x < kMainW; ++x)
            if (outer(x + 0.5f, y + 0.5f) > 0) c.Set(x, y, kKey);
    return c;
}

Canvas SidePanel() {
    Canvas c(kPanelW, kPanelH, theme::panel);
    c.Fill(Rect(0, 0, kPanelW, 70), VerticalGradient(0, Hex(0xFFFFFF, 0.6f), 70, Hex(0xFFFFFF, 0)));
    c.Fill(Rect(kPanelW - 1, 0, kPanelW, kPanelH), theme::panelEdge);
    return c;
}

enum State { Normal, Hover, Down, Disabled };
const char* const kStateNames[] = {"Normal", "Hover", "Down", "Disabled"};

// 21 x 21 buttons of the title area.
Canvas WindowButton(const Canvas& main, int x, int y, Icon icon, bool isClose, State s) {
    Canvas c = main.Crop(x, y, 21, 21);
    Sdf plate = RoundRect(1, 1, 20, 20, 5);
    Colour glyph = theme::glyphIdle;
    if (s == Hover) {
        c.Fill(plate, isClose ? theme::closeHot : Hex(0xFFFFFF, 0.14f));
        glyph = Hex(0xFFFFFF);
    } else if (s == Down) {
        c.Fill(plate, isClose ? theme::closeDown : Hex(0x000000, 0.28f));
        glyph = Hex(0xFFFFFF);
    } else if (s == Disabled) {
        glyph = theme::glyphDim;
    }
    float size = icon == Icon::Question ? 14.0f : 11.0f;
    c.Fill(IconShape(icon, 10.5f, 10.5f, size, 1.7f), glyph);
    return c;
}

// 117 x 34 menu buttons: flat on the title area, lit under the mouse.
Canvas MenuButton(const Canvas& main, int x, int y, State s) {
    Canvas c = main.Crop(x, y, 117, 34);
    Sdf plate = RoundRect(3, 4, 114, 31, 6);
    if (s == Hover) {
        c.Fill(plate, Hex(0xFFFFFF, 0.09f));
    } else if (s == Down) {
        c.Fill(plate, Hex(0x000000, 0.22f));
        c.Fill(RoundRect(38, 27, 79, 30, 1.5f), theme::accent);
    }
    return c;
}

// 126 x 33 page buttons: `active` is the page on view (the button's disabled
// picture, also its look under the mouse), otherwise the page behind.
Canvas PageButton(const Canvas& main, bool active) {
    Canvas c = main.Crop(kPageX, 78, 126, 33);
    // The tab runs past the bottom edge so that only its top corners are round.
    if (active) {
        Sdf tab = RoundRect(1, 0, 125, 44, 7);
        c.Fill(tab, theme::frame);
        c.Fill(RoundRect(2, 1, 124, 44, 6), theme::panel);
        c.Fill(Intersect(RoundRect(2, 1, 124, 44, 6), Rect(0, 0, 126, 4)), theme::accent);
    } else {
        c.Fill(RoundRect(2, 5, 124, 44, 6), Hex(0xD6DDE6));
        c.Fill(Rect(2, 32, 124, 33), theme::frame);
    }
    return c;
}

// 141 x 34 buttons of the side panels, each with its glyph at the left.
Canvas PanelButton(const Canvas& panel, int x, int y, Icon icon, State s) {
    Canvas c = panel.Crop(x, y, 141, 34);
    Sdf body = RoundRect(1, 1, 140, 32, 6);
    Colour fill = theme::page, edge = theme::buttonEdge, glyph = theme::accent;
    if (s == Hover) {
        fill = Hex(0xEAF7F5);
        edge = Mix(theme::accent, Hex(0xFFFFFF), 0.35f);
    } else if (s == Down) {
        fill = Hex(0xD3EFEB);
        edge = theme::accent;
        glyph = theme::accentDeep;
    } else if (s == Disabled) {
        fill = theme::disabledFill;
        edge = theme::disabledEdge;
        glyph = theme::disabledGlyph;
    }
    if (s != Disabled && s != Down)
        c.Fill(Soft(Translate(body, 0, 1.2f), 2.5f, 0.10f), Solid(Hex(0x1E293B)));
    c.Fill(body, fill);
    c.Fill(InnerOutline(body, 1), edge);
    float dy = s == Down ? 1.0f : 0.0f;
    c.Fill(IconShape(icon, 21, 17 + dy, 16, 1.6f), glyph);
    return c;
}

Canvas TitlePicture(const Canvas& main) {
    Canvas c = main.Crop(311, 75, 295, 29);
    const float xh = 14.5f, stroke = 2.7f;
    Word probe = ProductName(0, 0, xh, stroke);
    const float mark = 22, gap = 9;
    float left = (295 - (mark + gap + probe.width)) / 2;
    DrawMark(c, left, 3.5f, mark);
    Word word = ProductName(left + mark + gap, 24.5f, xh, stroke);
    c.Fill(word.shape, theme::ink);
    return c;
}

Canvas ProgressBackground() {
    const int W = 391, H = 183;
    Canvas c(W, H, theme::band);
    c.Fill(Rect(0, 0, W, 44), VerticalGradient(0, theme::headerTop, 44, theme::headerBottom));
    c.Fill(Rect(0, 42, W, 44), WithAlpha(theme::accent, 0.85f));
    c.Fill(Rect(0, 44, W, 50), VerticalGradient(44, Hex(0x000000, 0.12f), 50, Hex(0x000000, 0)));
    DrawMark(c, 14, 11, 22);
    c.Fill(Rect(0, 152, W, H), VerticalGradient(152, theme::band, H, Hex(0xD9E0E8)));
    c.Fill(Rect(0, 152, W, 153), theme::frame);
    Sdf card = RoundRect(40, 56, 351, 128, 8);
    c.Fill(Soft(Translate(card, 0, 1.5f), 4, 0.08f), Solid(theme::ink));
    c.Fill(card, theme::page);
    c.Fill(InnerOutline(card, 1), theme::buttonEdge);
    c.Fill(Covered(InnerOutline(Rect(0, 0, W, H), 1)),
           [](float, float y) { return y < 44 ? theme::headerEdge : theme::bodyEdge; });
    return c;
}

Canvas AboutPicture() {
    const int W = 125, H = 278;
    Canvas c(W, H, theme::headerBottom);
    c.Fill(Rect(0, 0, W, H), VerticalGradient(0, theme::headerTop, H, Hex(0x161E2A)));
    c.Fill(Circle(112, 18, 130), RadialGradient(112, 18, 130, WithAlpha(theme::accent, 0.30f),
                                                WithAlpha(theme::accent, 0)));
    // Quiet rings behind the mark.
    for (int i = 0; i < 3; ++i)
        c.Fill(Outline(Circle(62.5f, 96, 44.0f + i * 16), 1), Hex(0xFFFFFF, 0.07f - i * 0.018f));
    DrawMark(c, 62.5f - 30, 66, 60);
    for (int i = 0; i < 3; ++i) {
        float y = 214 + i * 14.0f, w = 58 - i * 16.0f;
        c.Fill(RoundRect(62.5f - w / 2, y, 62.5f + w / 2, y + 3, 1.5f),
               i == 0 ? WithAlpha(theme::accent, 0.9f) : Hex(0xFFFFFF, 0.16f));
    }
    return c;
}

// Shown as a per-pixel-alpha window: a rounded card on a soft shadow. The
// copyright text is drawn by the program over the light lower part.
Canvas SplashPicture() {
    const int W = 503, H = 241;
    Canvas c(W, H);
    // The card covers the text's whole rectangle, corners included; the
    // shadow has faded out before the picture's edge.
    Sdf card = RoundRect(8, 5, W - 8, H - 7, 14);
    c.Fill(Soft(Translate(card, 0, 1.5f), 6.5f, 0.34f), Solid(Hex(0x0B1220)));
    c.Fill(card, Hex(0xF7F9FB));
    const float split = 150;
    Sdf top = Intersect(card, Rect(0, 0, W, split));
    c.Fill(top, VerticalGradient(5, theme::headerTop, split, theme::headerBottom));
    c.Fill(Intersect(top, Circle(W - 60, 20, 230)),
           RadialGradient(W - 60, 20, 230, WithAlpha(theme::accent, 0.32f),
                          WithAlpha(theme::accent, 0)));
    c.Fill(Intersect(card, Rect(0, split - 3, W, split)), theme::accent);
    c.Fill(Intersect(card, Rect(0, split, W, split + 8)),
           VerticalGradient(split, Hex(0x000000, 0.08f), split + 8, Hex(0x000000, 0)));

    const float mark = 58, xh = 34, stroke = 6;
    // The mark lines up with the copyright text's left edge below it.
    float left = 80;
    DrawMark(c, left, 46, mark);
    Word word = ProductName(left + mark + 20, 46 + mark - 5, xh, stroke);
    c.Fill(word.shape, Hex(0xFFFFFF));
    c.Fill(InnerOutline(card, 1), Hex(0x0B1220, 0.35f));
    return c;
}

// The program's icon at one size: the product mark's tile filling the square.
// Small sizes get a thicker pen than the mark's proportions give, and the
// glyph's lines fall on whole pixels, so the tray and arrow stay crisp at 16.
Canvas AppIcon(int n) {
    Canvas c(n, n);
    const float margin = n >= 48 ? 2.0f : n >= 32 ? 1.0f : 0.0f;
    const float size = n - 2 * margin;
    Sdf tile = RoundRect(margin, margin, n - margin, n - margin, size * 0.22f);
    c.Fill(tile, VerticalGradient(margin, theme::accent, n - margin, theme::accentDeep));
    // A light rim at the top and a dark one round the edge hold the tile apart
    // from taskbars and desktops of either brightness.
    c.Fill(Intersect(InnerOutline(tile, 1), Rect(0, 0, n, n * 0.5f)), Hex(0xFFFFFF, 0.22f));
    c.Fill(InnerOutline(tile, 1), Hex(0x0B1220, 0.20f));
    if (n <= 16) {
        // 40/3: the tray's sides and floor and the arrow's shaft land on pixel
        // centres, one pixel wide.
        c.Fill(IconShape(Icon::Mark, n / 2.0f + 0.5f, n / 2.0f + 0.5f, 40.0f / 3, 1.15f),
               Hex(0xFFFFFF));
    } else {
        const float stroke = n <= 32 ? 2.6f : size * 0.09f;
        c.Fill(IconShape(Icon::Mark, n / 2.0f, n / 2.0f + 0.5f, size * 0.8f, stroke),
               Hex(0xFFFFFF));
    }
    return c;
}

// Where a button sits by default (on the main window or on the side panel) and its glyph.
struct ButtonPlace {
    const char* stem;
    int x, y;
    Icon icon;
};

}  // namespace
}  // namespace skingen

int main(int argc, char** argv) {
    using namespace skingen;
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: skingen OUTPUT-FOLDER [ICON-FILE]\n");
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = true;
    if (argc == 3) {
        std::vector<IconImage> sizes;
        for (int n : {16, 32, 48}) sizes.push_back({n, AppIcon(n).Rgba()});
        ok &= WriteIco(argv[2], sizes);
    }

    Canvas main = MainBackground();
    Canvas panel = SidePanel();
    ok &= Save(dir, "img_Main.png", main);
    ok &= Save(dir, "img_SizePanel.png", panel);
    ok &= Save(dir, "Title.png", TitlePicture(main));
    ok &= Save(dir, "img_ProgressBar.png", ProgressBackground());
    ok &= Save(dir, "img_About.png", AboutPicture());
    ok &= Save(dir, "Splash.png", SplashPicture());

    const ButtonPlace windowButtons[] = {{"btnMin", 680, 9, Icon::Minus},
                                         {"btnHelpContent", 701, 9, Icon::Question},
                                         {"btnClose", 722, 9, Icon::Cross}};
    // Menu buttons carry no glyph, only the caption the button draws.
    const std::pair<const char*, int> menuButtons[] = {
        {"btnFile", 11}, {"btnView", 128}, {"btnTools", 245}, {"btnHelp", 362}};
    // Side-panel buttons, in the panel's coordinates; Search sits in its group
    // box, which starts at 15, 168.
    const ButtonPlace panelButtons[] = {
        {"btnUninstall", 15, 16, Icon::Trash},    {"btnDetails", 15, 64, Icon::Info},
        {"btnRefresh", 15, 112, Icon::Refresh},   {"btnSearch", 15, 168 + 99, Icon::Search},
        {"btnSelectAll", 15, 16, Icon::CheckBox}, {"btnDelete", 15, 64, Icon::CrossCircle},
        {"btnApply", 15, 112, Icon::Check}};
    for (int s = Normal; s <= Disabled; ++s) {
        State state = static_cast<State>(s);
        std::string suffix = std::string("_") + kStateNames[s] + ".png";
        for (const ButtonPlace& b : windowButtons)
            ok &= Save(
                dir, b.stem + suffix,
                WindowButton(main, b.x, b.y, b.icon, std::string(b.stem) == "btnClose", state));
        for (const auto& [stem, x] : menuButtons)
            ok &= Save(dir, stem + suffix, MenuButton(main, x, 28, state));
        for (const ButtonPlace& b : panelButtons)
            ok &= Save(dir, b.stem + suffix, PanelButton(panel, b.x, b.y, b.icon, state));
    }
    ok &= Save(dir, "btnProgramList_Hover.png", PageButton(main, false));
    ok &= Save(dir, "btnProgramList_Disabled.png", PageButton(main, true));
    return ok ? 0 : 1;
}

#pragma once
// TLayeredLabel: text on a layered window (Layered.h). It draws its caption with
// GDI+ straight onto its window's drawing surface and hands the surface to the
// system after each change. Its own child window is never seen: it is there
// for the mouse and the focus. Four fonts give the normal, hover, pressed and
// disabled looks.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "platform/Handles.h"
#include "widgets/Window.h"

namespace Gdiplus {
class GpGraphics;
}  // namespace Gdiplus

namespace cx::ui {

class TfrmLayered;

// ---- Decisions, without windows ------------------------------------------

// Where the text sits in the label's rectangle.
enum TAlignment : int {
    Alignment_TopLeft,
    Alignment_TopCenter,
    Alignment_TopRight,
    Alignment_MiddleLeft,
    Alignment_MiddleCenter,
    Alignment_MiddleRight,
    Alignment_BottomLeft,
    Alignment_BottomCenter,
    Alignment_BottomRight,
    Alignment_Center,
    Alignment_Left,
    Alignment_Right,
    Alignment_Custom,  // top-left of a rectangle moved in by TextX, TextY
};

// GDI+ string alignments: 0 near, 1 center, 2 far.
struct TextPlacement {
    int horizontal = 1;
    int vertical = 1;
    bool operator==(const TextPlacement&) const = default;
};
// The placement of an alignment; a value outside the enumeration is centred.
TextPlacement PlacementOf(int alignment) noexcept;

struct LayoutBox {
    float x = 0, y = 0, width = 0, height = 0;
    bool operator==(const LayoutBox&) const = default;
};
// The rectangle the text is laid out in, in the window's coordinates, for a
// label at `bounds` (left, top, right, bottom in the window). Alignment_Custom
// moves the label's top-left corner by (textX, textY) and keeps the far edges.
LayoutBox CaptionBox(const RECT& bounds, int alignment, int textX, int textY) noexcept;

// GDI+ string format flag that keeps a string on one line.
inline constexpr int kNoWrapFlag = 0x1000;
// The format flags to draw with: `current` with the no-wrap flag cleared for
// several lines, set for one.
int CaptionFormatFlags(int current, bool multiLines) noexcept;

// True when nothing but blanks and control characters is left of the caption.
bool CaptionBlank(const std::string& caption) noexcept;

// The caption as GDI+ is given it: UTF-16, each line break (CR LF, or a lone
// CR) one LF. Wine's GDI+ draws a CR as a glyph box.
std::wstring DrawnCaption(const std::string& caption);

// A COLORREF as opaque GDI+ ARGB. Only the low three bytes count: system
// colour values are not looked up.
uint32_t OpaqueArgb(COLORREF colour, BYTE alpha = 255) noexcept;

enum class LabelLook { Normal, Hover, Down, Disabled };
// The font a label draws with: disabled wins, then pressed, then hover.
LabelLook LookFor(bool enabled, bool pressed, bool hover) noexcept;

// Outside for the state rules: left of or above the label, or beyond its width or height.
bool PointOutsideLabel(int x, int y, int width, int height) noexcept;

// The label's two look flags and how the mouse and the focus move them.
struct LabelState {
    bool hover = false;
    bool pressed = false;

    void MouseEnter() noexcept { hover = true, pressed = false; }
    // False when a pressed label ignores the leave (it keeps its look and says nothing).
    bool MouseLeave() noexcept;
    void LeftButtonDown() noexcept { pressed = true, hover = false; }
    // After the label moved its window: the pointer is still over it.
    void WindowMoved() noexcept { hover = true, pressed = false; }
    void MouseMove(bool outside) noexcept;
    void ButtonUp(bool outside) noexcept;
    void FocusLost() noexcept { hover = false, pressed = false; }
    bool operator==(const LabelState&) const = default;
};

// ---- The label -------------------------------------------------------------

// One of the label's fonts and its colour. A copy makes a font of its own.
class LabelFont {
public:
    LabelFont() = default;  // no font: the label's device context decides
    LabelFont(const LOGFONTA& logFont, COLORREF colour);
    // A font `pixels` high (character height) of that face.
    static LabelFont Make(const char* face, int pixels, COLORREF colour, bool bold = false,
                          BYTE charSet = ANSI_CHARSET);
    LabelFont(const LabelFont& other);
    LabelFont& operator=(const LabelFont& other);
    LabelFont(LabelFont&&) noexcept = default;
    LabelFont& operator=(LabelFont&&) noexcept = default;

    HFONT Handle() const noexcept { return font_.get(); }
    // The font's description; empty without a font or when it cannot be read.
    std::optional<LOGFONTA> LogFont() const;
    COLORREF colour = RGB(0, 0, 0);

private:
    unique_hfont font_;
};

class TLayeredLabel : public Window {
public:
    static constexpr const char* kClassName = "CxLayeredLabel";

    TLayeredLabel() = default;
    // A child of a layered window at its (x, y); the font is the parent's
    // (WM_GETFONT), in black, and the three state fonts copies of it.
    void Create(TfrmLayered& parent, int x, int y, int width, int height, int id = 0);
    // The label of a window handle; nullptr when it is no label.
    static TLayeredLabel* FromHandle(HWND hwnd) noexcept;

    void SetCaption(const std::string& caption);
    const std::string& Caption() const noexcept { return caption_; }
    void SetFont(const LabelFont& font);
    void SetFontMouseHover(const LabelFont& font);
    void SetFontMouseDown(const LabelFont& font);
    void SetFontDisabled(const LabelFont& font);
    const LabelFont& Font() const noexcept { return font_; }
    const LabelFont& FontOf(LabelLook look) const noexcept;

    void SetTextAlign(TAlignment align);
    TAlignment TextAlign() const noexcept { return align_; }
    void SetMultiLines(bool on);
    bool MultiLines() const noexcept { return multiLines_; }
    void SetTextX(int x);
    void SetTextY(int y);
    void SetDrawFocused(bool on);
    bool DrawFocused() const noexcept { return drawFocused_; }
    // Inset and pen width of the focus rectangle; repaints only while it is drawn.
    void SetFocusedRectMargin(int margin);
    int FocusedRectMargin() const noexcept { return focusMargin_; }
    void SetMoveHandler(bool on) noexcept { moveHandler_ = on; }
    bool MoveHandler() const noexcept { return moveHandler_; }
    // Whether a left press takes the focus (WS_TABSTOP).
    void SetTabStop(bool on);
    void SetEnabled(bool enabled);
    bool Enabled() const noexcept;

    void SetLayeredParent(TfrmLayered* parent) noexcept { layeredParent_ = parent; }
    TfrmLayered* LayeredParent() const noexcept { return layeredParent_; }

    const LabelState& State() const noexcept { return state_; }
    // The font the next draw uses.
    LabelLook CurrentLook() const noexcept;

    // Draws onto the layered parent's surface and hands it to the system;
    // nothing before the label has a layered parent.
    virtual void Paint();
    void Repaint() { Paint(); }

    std::function<void()> onClick;
    std::function<void()> onMouseEnter;
    std::function<void()> onMouseLeave;

protected:
    virtual void FontChanged();
    virtual void TextChanged();
    virtual void RestoreBackground();
    virtual void DrawCaption(Gdiplus::GpGraphics* graphics, const std::string& text);
    virtual void DrawFocusRect(Gdiplus::GpGraphics* graphics);
    virtual void Click();
    // Drags the parent window (MoveHandler); returns once the move is over.
    virtual void MoveParentWindow();

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void MouseEntered();
    void MouseLeft();
    void OnMouseMove(int x, int y);
    void OnLeftButtonDown();
    void OnButtonUp(int x, int y, bool left);
    RECT BoundsInWindow() const;

    std::string caption_;
    LabelFont font_, fontHover_, fontDown_, fontDisabled_;
    TAlignment align_ = Alignment_MiddleLeft;
    bool multiLines_ = false;
    int textX_ = 0, textY_ = 0;
    bool drawFocused_ = false;
    int focusMargin_ = 2;
    bool moveHandler_ = false;
    TfrmLayered* layeredParent_ = nullptr;
    LabelState state_;
    bool entered_ = false;  // the pointer is over the label as far as we know
    bool clicked_ = false;  // the left button went down here and has not come up
};

}  // namespace cx::ui

#pragma once
// The skinned widgets the windows are built from. Each is a child window of
// ours (see Window.h); callbacks run on the UI thread inside the general error
// handler. Bounds are in the parent's client coordinates.
//
// Transparency: where a widget has nothing of its own to show (no picture, no
// background colour, the transparent pixels of a picture) it paints what its
// parent shows behind it, asked for with WM_PRINTCLIENT. Every container here
// answers WM_PRINTCLIENT, so a parent that does too (the main window) shows
// through any depth of nesting.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Handles.h"
#include "widgets/Image.h"
#include "widgets/Window.h"

namespace cx::ui {

// Sets left, top, width and height of any window (child: in its parent's client area).
void SetBounds(HWND hwnd, int left, int top, int width, int height);
RECT GetBounds(HWND hwnd);  // left, top, right, bottom in the parent's client area

// Paints into `dc` (in `child`'s client coordinates) what the parent shows behind
// the child: the parent's class brush (or the button face), then whatever the
// parent draws for WM_PRINTCLIENT.
void PaintParentBackground(HWND child, HDC dc);

// Containers pass what their children report (WM_COMMAND, WM_NOTIFY, owner
// drawing, WM_CTLCOLOR*, scroll notifications of controls) on to their own
// parent, so the window that owns the controls handles them wherever they sit.
// True when `msg` is such a message; `result` is then the parent's answer.
bool ForwardChildMessage(HWND container, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

// Answers WM_PAINT through an off-screen bitmap, so what `paint` draws in layers
// (background, picture, text) reaches the screen in one piece.
void PaintBuffered(HWND hwnd, const std::function<void(HDC)>& paint);
// Answers WM_ERASEBKGND (nothing to erase), WM_PAINT (double-buffered) and
// WM_PRINTCLIENT with one painter; false for any other message.
bool HandlePaintMessage(HWND hwnd, UINT msg, WPARAM wp, const std::function<void(HDC)>& paint,
                        LRESULT& result);

// Image button with a picture per state and its caption drawn on top.
class ImageButton : public Window {
public:
    enum State { Normal = 0, Hover = 1, Down = 2, Disabled = 3 };
    void Create(HWND parent, int id, const std::string& caption, int x, int y, int w, int h);
    // A state without a picture shows the Normal picture; with no picture at all
    // the button paints itself flat.
    void SetPicture(State state, std::shared_ptr<Image> picture);  // nullptr clears
    const std::shared_ptr<Image>& Picture(State state) const { return pictures_[state]; }
    void SetCaption(const std::string& caption);
    std::string Caption() const;
    void SetEnabled(bool enabled);
    bool Enabled() const;
    // Caption colour (default dark); disabled buttons show a greyed variant of it
    // unless a disabled colour is set (CLR_INVALID: the greyed variant again).
    void SetCaptionColour(COLORREF colour);
    void SetDisabledCaptionColour(COLORREF colour);
    COLORREF CaptionColour() const noexcept { return captionColour_; }
    // Caption font, not owned (nullptr: the parent's font, else DEFAULT_GUI_FONT).
    void SetFont(HFONT font);
    // The picture a paint would draw now (tests).
    State CurrentState() const;
    // Left click: a button-up inside after a button-down inside, run after the
    // released look is on screen. BM_CLICK does the same.
    std::function<void()> onClick;
    // Right click (menu buttons open their menu at the mouse on a right click).
    std::function<void(POINT screen)> onRightClick;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void PaintContent(HDC dc);
    void Redraw();
    void SetHover(bool hover);
    void Click();
    HFONT CaptionFont() const;

    std::shared_ptr<Image> pictures_[4];
    bool hover_ = false;
    bool pressed_ = false;   // the left button went down here and the mouse is captured
    bool tracking_ = false;  // TrackMouseEvent waits for the mouse to leave
    HFONT font_ = nullptr;
    COLORREF captionColour_ = RGB(0x20, 0x20, 0x20);
    COLORREF disabledColour_ = CLR_INVALID;
};

// A picture filling its bounds; may hold child controls (their bounds are
// relative to it). Mouse-down can be hooked (dragging by the background).
class ImagePanel : public Window {
public:
    void Create(HWND parent, int x, int y, int w, int h);
    void SetPicture(std::shared_ptr<Image> picture);
    const std::shared_ptr<Image>& Picture() const { return picture_; }
    // Colour painted where there is no picture (CLR_INVALID: the parent shows through).
    void SetBackground(COLORREF colour);
    // A pattern brush of the picture as drawn on the panel (owned by the panel;
    // null without a picture), for children that paint the panel behind them.
    HBRUSH BackgroundBrush();
    // 0 left, 1 right, 2 middle button.
    std::function<void(int button)> onMouseDown;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void PaintContent(HDC dc);
    void Changed();

    std::shared_ptr<Image> picture_;
    COLORREF background_ = CLR_INVALID;
    unique_hbitmap brushBitmap_;
    unique_hbrush brush_;
};

// A side panel that folds away to a thin strip with a hot spot and comes back.
// The hot spot is a small arrow area at its right edge; a click folds or
// restores the panel and then calls onHotSpotClick.
class SizePanel : public Window {
public:
    static constexpr int kHotSpotWidth = 9;  // also the width of the folded panel

    void Create(HWND parent, int x, int y, int w, int h);
    bool Folded() const noexcept { return folded_; }
    void ClickHotSpot();  // what a click on the hot spot does (tests)
    RECT HotSpotRect() const;
    std::function<void()> onHotSpotClick;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void PaintContent(HDC dc);
    bool InHotSpot(LPARAM lp) const;

    bool folded_ = false;
    bool pressed_ = false;
    bool resizing_ = false;             // our own fold or restore is moving the edge
    int fullWidth_ = 0;                 // the width to restore to
    std::vector<HWND> hiddenChildren_;  // the children the fold hid
};

// Pages without tabs: each page is a plain container window; exactly one is visible.
class PageControl : public Window {
public:
    void Create(HWND parent, int x, int y, int w, int h);
    // Adds a page filling the control and returns its window (a container for
    // the page's controls). The first page becomes the active one.
    HWND AddPage();
    HWND Page(int index) const;  // nullptr outside 0..PageCount()-1
    int PageCount() const noexcept { return static_cast<int>(pages_.size()); }
    // Shows that page and hides the others; an index outside the pages hides them all.
    void SetActivePage(int index);
    int ActivePage() const noexcept { return active_; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    std::vector<std::unique_ptr<ImagePanel>> pages_;
    int active_ = -1;
};

// A label that sizes itself to its text; as a link it draws in the link colour,
// shows the hand cursor and calls onClick. Its background is the parent's (see
// the top of this file) unless SetBackground gives it a colour of its own.
class LinkLabel : public Window {
public:
    ~LinkLabel() override;
    void Create(HWND parent, int x, int y, bool isLink);
    // Text is shown as given ("&" is not an accelerator prefix); line breaks start new lines.
    void SetText(const std::string& text);
    std::string Text() const;
    // A tooltip with this text while non-empty.
    void SetHint(const std::string& hint);
    const std::string& Hint() const noexcept { return hint_; }
    HWND HintWindow() const noexcept { return tip_; }  // the tooltip (nullptr without a hint)
    void SetLink(bool isLink);
    bool IsLink() const noexcept { return isLink_; }
    void SetLinkColour(COLORREF colour) {
        linkColour_ = colour;
        Redraw();
    }
    void SetHoverColour(COLORREF colour) {
        hoverColour_ = colour;
        Redraw();
    }
    void SetTextColour(COLORREF colour) {
        textColour_ = colour;
        Redraw();
    }
    void SetBackground(COLORREF colour);  // CLR_INVALID: the parent shows through
    void SetFont(HFONT font);             // not owned
    bool Hovered() const noexcept { return hover_; }
    std::function<void()> onClick;  // left click, in link mode only

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Resize();
    void Redraw();
    void PaintContent(HDC dc);
    HFONT TextFont() const;
    HFONT HoverFont();

    bool isLink_ = false;
    bool hover_ = false;
    bool pressed_ = false;
    std::string hint_;
    HWND tip_ = nullptr;
    HFONT font_ = nullptr;
    unique_hfont underlined_;  // the font underlined, for the hovered link
    HFONT underlinedFrom_ = nullptr;
    COLORREF linkColour_ = RGB(0, 0, 255);
    COLORREF hoverColour_ = RGB(0, 0, 255);
    COLORREF textColour_ = RGB(0, 0, 0);
    COLORREF background_ = CLR_INVALID;
};

// Popup menus drawn by us (owner-drawn items with our font, check marks,
// separators and disabled state). Items carry command ids; submenus nest.
class PopupMenu {
public:
    PopupMenu();
    ~PopupMenu();
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;

    HMENU handle() const noexcept { return menu_; }
    // Captions may carry "\t" followed by a key name, shown right-aligned.
    void AddItem(int id, const std::string& caption, bool enabled = true, bool checked = false);
    void AddSeparator();
    // The submenu stays owned by the caller; whichever of the two goes first
    // takes the submenu out of this menu, so neither destroys the other's HMENU.
    void AddSubmenu(PopupMenu& submenu, int id, const std::string& caption);
    // The item accessors below throw AppError for an id no item of this menu has.
    void SetCaption(int id, const std::string& caption);
    std::string Caption(int id) const;
    void SetEnabled(int id, bool enabled);
    bool Enabled(int id) const;
    void SetChecked(int id, bool checked);
    bool Checked(int id) const;
    void SetVisible(int id, bool visible);  // hidden items are taken out and put back in place
    bool Visible(int id) const;
    int ItemCount() const;  // visible items, separators included

    // Shows the menu with its top-left corner at the screen point and returns
    // the chosen command id (0: none). The owner receives WM_MEASUREITEM/
    // WM_DRAWITEM and must forward them to HandleOwnerDraw.
    int Popup(HWND owner, POINT screen);

    // Forwards a WM_MEASUREITEM/WM_DRAWITEM of a menu item; true when it was ours.
    static bool HandleOwnerDraw(UINT msg, LPARAM lp);
    // Answers WM_MENUCHAR for our menus (owner-drawn items have no system
    // mnemonics): the item whose caption has "&" before the typed letter.
    static LRESULT HandleMenuChar(WPARAM wp, LPARAM lp);

private:
    struct Item;
    Item& Find(int id) const;
    int PositionOf(const Item& item) const;  // -1 while hidden
    void Insert(Item& item, int position);
    void Append(std::unique_ptr<Item> item);
    void DetachSubmenu(PopupMenu& submenu) noexcept;

    HMENU menu_;
    std::vector<std::unique_ptr<Item>> items_;
    std::vector<PopupMenu*> parents_;  // menus that hold this one as a submenu
};

}  // namespace cx::ui

#pragma once
// The skinned widgets the windows are built from. Each is a child window of
// ours (see Window.h); callbacks run on the UI thread inside the general error
// handler. Bounds are in the parent's client coordinates.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "widgets/Image.h"
#include "widgets/Window.h"

namespace cx::ui {

// Sets left, top, width and height of any window (child: in its parent's client area).
void SetBounds(HWND hwnd, int left, int top, int width, int height);
RECT GetBounds(HWND hwnd);  // left, top, right, bottom in the parent's client area

// Image button with a picture per state and its caption drawn on top.
class ImageButton : public Window {
public:
    enum State { Normal = 0, Hover = 1, Down = 2, Disabled = 3 };
    void Create(HWND parent, int id, const std::string& caption, int x, int y, int w, int h);
    void SetPicture(State state, std::shared_ptr<Image> picture);  // nullptr clears
    const std::shared_ptr<Image>& Picture(State state) const { return pictures_[state]; }
    void SetCaption(const std::string& caption);
    std::string Caption() const;
    void SetEnabled(bool enabled);
    bool Enabled() const;
    // The picture a paint would draw now (tests).
    State CurrentState() const;
    std::function<void()> onClick;
    // Right click (menu buttons open their menu at the mouse on a right click).
    std::function<void(POINT screen)> onRightClick;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    std::shared_ptr<Image> pictures_[4];
    bool hover_ = false;
    bool pressed_ = false;
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
    std::function<void(int button)> onMouseDown;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    std::shared_ptr<Image> picture_;
    COLORREF background_ = CLR_INVALID;
};

// A side panel that folds away to a thin strip with a hot spot and comes back.
// The hot spot is a small arrow area at its right edge; a click folds or
// restores the panel and then calls onHotSpotClick.
class SizePanel : public Window {
public:
    void Create(HWND parent, int x, int y, int w, int h);
    bool Folded() const noexcept { return folded_; }
    void ClickHotSpot();  // what a click on the hot spot does (tests)
    RECT HotSpotRect() const;
    std::function<void()> onHotSpotClick;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    bool folded_ = false;
    int fullWidth_ = 0;
};

// Pages without tabs: each page is a plain container window; exactly one is visible.
class PageControl : public Window {
public:
    void Create(HWND parent, int x, int y, int w, int h);
    // Adds a page and returns its window (a container for the page's controls).
    HWND AddPage();
    HWND Page(int index) const;
    int PageCount() const noexcept { return static_cast<int>(pages_.size()); }
    void SetActivePage(int index);
    int ActivePage() const noexcept { return active_; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    std::vector<HWND> pages_;
    int active_ = -1;
};

// A label that sizes itself to its text; as a link it draws in the link colour,
// shows the hand cursor and calls onClick.
class LinkLabel : public Window {
public:
    void Create(HWND parent, int x, int y, bool isLink);
    void SetText(const std::string& text);
    std::string Text() const;
    void SetHint(const std::string& hint);
    const std::string& Hint() const noexcept { return hint_; }
    void SetLinkColour(COLORREF colour) { linkColour_ = colour; }
    void SetHoverColour(COLORREF colour) { hoverColour_ = colour; }
    void SetTextColour(COLORREF colour) { textColour_ = colour; }
    void SetFont(HFONT font);  // not owned
    std::function<void()> onClick;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Resize();
    bool isLink_ = false;
    bool hover_ = false;
    std::string hint_;
    HWND tip_ = nullptr;
    HFONT font_ = nullptr;
    COLORREF linkColour_ = RGB(0, 0, 255);
    COLORREF hoverColour_ = RGB(0, 0, 255);
    COLORREF textColour_ = RGB(0, 0, 0);
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
    void AddItem(int id, const std::string& caption, bool enabled = true, bool checked = false);
    void AddSeparator();
    // The submenu stays owned by the caller and must outlive this menu.
    void AddSubmenu(PopupMenu& submenu, int id, const std::string& caption);
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

private:
    struct Item;
    HMENU menu_;
    std::vector<std::unique_ptr<Item>> items_;
};

}  // namespace cx::ui

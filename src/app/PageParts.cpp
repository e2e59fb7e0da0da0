#include "app/PageParts.h"

#include <commctrl.h>

#include <algorithm>

#include "app/AppPaths.h"
#include "platform/Error.h"
#include "platform/Handles.h"
#include "skin/Bounds.h"
#include "skin/SkinApply.h"

namespace cx::app {

HWND MakeChild(const char* cls, const char* text, DWORD style, const RECT& b, HWND parent, int id,
               DWORD exStyle) {
    HWND h = CreateWindowExA(
        exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, b.left, b.top, b.right, b.bottom, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    if (!h) ThrowLastError();
    return h;
}

HFONT MakeFont(const char* face, int points, bool underline) {
    window_dc screen(nullptr);
    int height = -MulDiv(points, GetDeviceCaps(screen.get(), LOGPIXELSY), 72);
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, underline, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, face);
}

void SetControlFont(HWND h, HFONT f) {
    SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(f), TRUE);
}

void SetControlId(HWND h, int id) { SetWindowLongPtrA(h, GWLP_ID, id); }

namespace {
void ButtonPicture(ui::ImageButton& button, ui::ImageButton::State state, SkinKey pos, int offset) {
    LoadButtonImage(button, state, AppPaths().SkinDir,
                    SkinValue(static_cast<SkinKey>(pos + offset)));
}
}  // namespace

void SkinButtonPictures(ui::ImageButton& button, SkinKey pos) {
    ButtonPicture(button, ui::ImageButton::Normal, pos, 1);
    ButtonPicture(button, ui::ImageButton::Hover, pos, 2);
    ButtonPicture(button, ui::ImageButton::Down, pos, 3);
    ButtonPicture(button, ui::ImageButton::Disabled, pos, 4);
}

void SkinButton(ui::ImageButton& button, SkinKey pos) {
    SetBoundsFromSkin(button.hwnd(), SkinValue(pos));
    SkinButtonPictures(button, pos);
}

void SkinPageButton(ui::ImageButton& button, SkinKey pos) {
    SetBoundsFromSkin(button.hwnd(), SkinValue(pos));
    ButtonPicture(button, ui::ImageButton::Normal, pos, 1);
    ButtonPicture(button, ui::ImageButton::Hover, pos, 2);
    ButtonPicture(button, ui::ImageButton::Disabled, pos, 4);
}

std::shared_ptr<ui::Image> SkinPicture(const std::string& fileName) {
    return LoadSkinPicture(AppPaths().SkinDir, fileName);
}

void SkinPanel(ui::ImagePanel& panel, SkinKey pos, SkinKey pic) {
    SetBoundsFromSkin(panel.hwnd(), SkinValue(pos));
    if (auto picture = SkinPicture(SkinValue(pic))) panel.SetPicture(std::move(picture));
}

void SetBoundsInGroup(HWND control, const std::string& value, HWND group) {
    if (value.empty()) return;
    auto b = ParseBounds(value);
    if (!b) return;
    RECT g = ui::GetBounds(group);
    ui::SetBounds(control, g.left + b->left, g.top + b->top, b->width, b->height);
}

void AddColumn(HWND list, int index, const std::string& caption, int width) {
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.pszText = const_cast<char*>(caption.c_str());
    col.cx = width;
    col.iSubItem = index;
    ListView_InsertColumn(list, index, &col);
}

void SetColumnText(HWND list, int index, Ids key) {
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT;
    col.pszText = const_cast<char*>(LangText(key).c_str());
    ListView_SetColumn(list, index, &col);
}

LRESULT PanelBackground(ui::ImagePanel& panel, HDC dc, HWND control) {
    SetBkMode(dc, TRANSPARENT);
    HBRUSH brush = panel.BackgroundBrush();
    if (!brush) return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    POINT origin{0, 0};
    MapWindowPoints(control, panel.hwnd(), &origin, 1);
    SetBrushOrgEx(dc, -origin.x, -origin.y, nullptr);
    return reinterpret_cast<LRESULT>(brush);
}

}  // namespace cx::app

namespace cx::app {

unique_hicon MakeBrokenIcon(int size) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP color = CreateCompatibleBitmap(screen, size, size);
    HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
    ReleaseDC(nullptr, screen);
    HICON icon = nullptr;
    if (dc && color && mask) {
        auto draw = [&](HBITMAP target, bool forMask) {
            HGDIOBJ old = SelectObject(dc, target);
            RECT all{0, 0, size, size};
            // The mask: white is see-through, black is drawn.
            HBRUSH clear = CreateSolidBrush(forMask ? RGB(255, 255, 255) : RGB(0, 0, 0));
            FillRect(dc, &all, clear);
            DeleteObject(clear);
            auto pick = [forMask](COLORREF c) { return forMask ? RGB(0, 0, 0) : c; };
            HPEN edge = CreatePen(PS_SOLID, 1, pick(RGB(128, 128, 128)));
            HBRUSH paper = CreateSolidBrush(pick(RGB(250, 250, 250)));
            HGDIOBJ oldPen = SelectObject(dc, edge);
            HGDIOBJ oldBrush = SelectObject(dc, paper);
            Rectangle(dc, size * 3 / 16, size / 16, size * 13 / 16, size * 15 / 16);
            HPEN lines = CreatePen(PS_SOLID, 1, pick(RGB(170, 170, 170)));
            SelectObject(dc, lines);
            for (int y = size * 4 / 16; y < size * 9 / 16; y += std::max(2, size / 8)) {
                MoveToEx(dc, size * 5 / 16, y, nullptr);
                LineTo(dc, size * 11 / 16, y);
            }
            HPEN ring = CreatePen(PS_SOLID, 1, pick(RGB(160, 0, 0)));
            HBRUSH red = CreateSolidBrush(pick(RGB(215, 30, 30)));
            SelectObject(dc, ring);
            SelectObject(dc, red);
            Ellipse(dc, size * 7 / 16, size * 7 / 16, size, size);
            const int w = std::max(1, size / 10);
            HPEN cross = CreatePen(PS_SOLID, w, pick(RGB(255, 255, 255)));
            SelectObject(dc, cross);
            const int a = size * 10 / 16, b = size * 13 / 16;
            MoveToEx(dc, a, a, nullptr);
            LineTo(dc, b, b);
            MoveToEx(dc, b, a, nullptr);
            LineTo(dc, a, b);
            SelectObject(dc, oldPen);
            SelectObject(dc, oldBrush);
            for (HGDIOBJ o : {static_cast<HGDIOBJ>(edge), static_cast<HGDIOBJ>(paper),
                              static_cast<HGDIOBJ>(lines), static_cast<HGDIOBJ>(ring),
                              static_cast<HGDIOBJ>(red), static_cast<HGDIOBJ>(cross)})
                DeleteObject(o);
            SelectObject(dc, old);
        };
        draw(color, false);
        draw(mask, true);
        ICONINFO info{TRUE, 0, 0, mask, color};
        icon = CreateIconIndirect(&info);
    }
    if (color) DeleteObject(color);
    if (mask) DeleteObject(mask);
    if (dc) DeleteDC(dc);
    return unique_hicon(icon);
}

}  // namespace cx::app

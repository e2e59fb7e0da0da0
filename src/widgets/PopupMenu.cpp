#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <unordered_set>

#include "platform/Error.h"
#include "widgets/Controls.h"

namespace cx::ui {

struct PopupMenu::Item {
    static constexpr uint32_t kTag = 0x43584D49;  // "CXMI"
    uint32_t tag = kTag;
    int id = 0;
    std::string caption;
    bool separator = false;
    bool enabled = true;
    bool checked = false;
    bool visible = true;
    PopupMenu* submenu = nullptr;
    ~Item() { tag = 0; }
};

namespace {

// Items of ours that are alive. An owner-drawn item's data might be anyone's;
// only a pointer found here is ever followed.
std::unordered_set<const void*>& LiveItems() {
    static std::unordered_set<const void*> items;
    return items;
}

// The light look of our menus.
constexpr COLORREF kBack = RGB(249, 249, 249);
constexpr COLORREF kHot = RGB(204, 232, 255);
constexpr COLORREF kHotFrame = RGB(153, 209, 255);
constexpr COLORREF kHotDisabled = RGB(230, 230, 230);
constexpr COLORREF kText = RGB(0, 0, 0);
constexpr COLORREF kGreyText = RGB(160, 160, 160);
constexpr COLORREF kSeparator = RGB(215, 215, 215);
constexpr int kGutter = 24;       // the check-mark column
constexpr int kRightMargin = 24;  // room for the submenu arrow the system draws
constexpr int kShortcutGap = 24;
constexpr int kSeparatorHeight = 7;

HFONT MenuFont() {
    static unique_hfont font = [] {
        window_dc screen(nullptr);
        int height = -MulDiv(8, GetDeviceCaps(screen.get(), LOGPIXELSY), 72);
        return unique_hfont(CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                        DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Verdana"));
    }();
    return font ? font.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

HBRUSH BackBrush() {
    static unique_hbrush brush(CreateSolidBrush(kBack));
    return brush.get();
}

void Fill(HDC dc, const RECT& rc, COLORREF colour) {
    unique_hbrush brush(CreateSolidBrush(colour));
    FillRect(dc, &rc, brush.get());
}

// "Caption\tKey" -> the two parts.
std::pair<std::string, std::string> SplitCaption(const std::string& caption) {
    size_t tab = caption.find('\t');
    if (tab == std::string::npos) return {caption, {}};
    return {caption.substr(0, tab), caption.substr(tab + 1)};
}

SIZE TextSize(HDC dc, const std::string& text) {
    RECT r{0, 0, 0, 0};
    if (!text.empty())
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_CALCRECT);
    return {r.right - r.left, r.bottom - r.top};
}

void DrawCheck(HDC dc, const RECT& item, COLORREF colour) {
    int cx = item.left + kGutter / 2;
    int cy = (item.top + item.bottom) / 2;
    POINT tick[3] = {{cx - 4, cy}, {cx - 1, cy + 3}, {cx + 4, cy - 3}};
    unique_resource<traits::gdi<HPEN>> pen(CreatePen(PS_SOLID, 2, colour));
    select_object selected(dc, pen.get());
    Polyline(dc, tick, 3);
}

}  // namespace

PopupMenu::PopupMenu() : menu_(CreatePopupMenu()) {
    if (!menu_) ThrowLastError();
    // Made before any menu is complete, so a menu of static storage is gone first.
    LiveItems();
    MENUINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIM_BACKGROUND;
    info.hbrBack = BackBrush();
    SetMenuInfo(menu_, &info);
}

PopupMenu::~PopupMenu() {
    // Menus that hold this one as a submenu must not keep (or later destroy) its handle.
    for (PopupMenu* parent : parents_) parent->DetachSubmenu(*this);
    for (auto& item : items_) {
        LiveItems().erase(item.get());
        if (item->submenu) {
            auto& theirs = item->submenu->parents_;
            theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
        }
    }
    // DestroyMenu takes submenus along; they belong to their own objects.
    for (int pos = GetMenuItemCount(menu_) - 1; pos >= 0; --pos) {
        if (GetSubMenu(menu_, pos)) RemoveMenu(menu_, static_cast<UINT>(pos), MF_BYPOSITION);
    }
    DestroyMenu(menu_);
}

void PopupMenu::DetachSubmenu(PopupMenu& submenu) noexcept {
    for (auto& item : items_) {
        if (item->submenu != &submenu) continue;
        int pos = PositionOf(*item);
        if (pos >= 0) RemoveMenu(menu_, static_cast<UINT>(pos), MF_BYPOSITION);
        item->submenu = nullptr;
        item->visible = false;
    }
}

void PopupMenu::Insert(Item& item, int position) {
    MENUITEMINFOA mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_DATA;
    mii.fType = MFT_OWNERDRAW | (item.separator ? MFT_SEPARATOR : 0);
    mii.fState = (item.enabled ? MFS_ENABLED : MFS_GRAYED) | (item.checked ? MFS_CHECKED : 0);
    mii.wID = static_cast<UINT>(item.id);
    mii.dwItemData = reinterpret_cast<ULONG_PTR>(&item);
    if (item.submenu) {
        mii.fMask |= MIIM_SUBMENU;
        mii.hSubMenu = item.submenu->menu_;
    }
    if (!item.separator) {
        // Kept beside our drawing so the item's text can be read back through the API.
        mii.fMask |= MIIM_STRING;
        mii.dwTypeData = item.caption.data();
    }
    if (!InsertMenuItemA(menu_, static_cast<UINT>(position), TRUE, &mii)) ThrowLastError();
}

void PopupMenu::Append(std::unique_ptr<Item> item) {
    Insert(*item, GetMenuItemCount(menu_));
    LiveItems().insert(item.get());
    items_.push_back(std::move(item));
}

void PopupMenu::AddItem(int id, const std::string& caption, bool enabled, bool checked) {
    auto item = std::make_unique<Item>();
    item->id = id;
    item->caption = caption;
    item->enabled = enabled;
    item->checked = checked;
    Append(std::move(item));
}

void PopupMenu::AddSeparator() {
    auto item = std::make_unique<Item>();
    item->separator = true;
    Append(std::move(item));
}

void PopupMenu::AddSubmenu(PopupMenu& submenu, int id, const std::string& caption) {
    if (&submenu == this) throw AppError("A menu cannot be its own submenu.");
    auto item = std::make_unique<Item>();
    item->id = id;
    item->caption = caption;
    item->submenu = &submenu;
    Append(std::move(item));
    submenu.parents_.push_back(this);
}

PopupMenu::Item& PopupMenu::Find(int id) const {
    for (auto& item : items_) {
        if (!item->separator && item->id == id) return *item;
    }
    throw AppError(Format("The menu has no item with the command %d.", id));
}

int PopupMenu::PositionOf(const Item& item) const {
    if (!item.visible) return -1;
    int count = GetMenuItemCount(menu_);
    for (int pos = 0; pos < count; ++pos) {
        MENUITEMINFOA mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_DATA;
        if (GetMenuItemInfoA(menu_, static_cast<UINT>(pos), TRUE, &mii) &&
            mii.dwItemData == reinterpret_cast<ULONG_PTR>(&item))
            return pos;
    }
    return -1;
}

void PopupMenu::SetCaption(int id, const std::string& caption) {
    Item& item = Find(id);
    item.caption = caption;
    int pos = PositionOf(item);
    if (pos < 0) return;
    MENUITEMINFOA mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_STRING;
    mii.dwTypeData = item.caption.data();
    SetMenuItemInfoA(menu_, static_cast<UINT>(pos), TRUE, &mii);
}

std::string PopupMenu::Caption(int id) const { return Find(id).caption; }

void PopupMenu::SetEnabled(int id, bool enabled) {
    Item& item = Find(id);
    item.enabled = enabled;
    int pos = PositionOf(item);
    if (pos >= 0)
        EnableMenuItem(menu_, static_cast<UINT>(pos),
                       MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
}

bool PopupMenu::Enabled(int id) const { return Find(id).enabled; }

void PopupMenu::SetChecked(int id, bool checked) {
    Item& item = Find(id);
    item.checked = checked;
    int pos = PositionOf(item);
    if (pos >= 0)
        CheckMenuItem(menu_, static_cast<UINT>(pos),
                      MF_BYPOSITION | (checked ? MF_CHECKED : MF_UNCHECKED));
}

bool PopupMenu::Checked(int id) const { return Find(id).checked; }

void PopupMenu::SetVisible(int id, bool visible) {
    Item& item = Find(id);
    if (item.visible == visible) return;
    if (!visible) {
        int pos = PositionOf(item);
        if (pos >= 0) RemoveMenu(menu_, static_cast<UINT>(pos), MF_BYPOSITION);
        item.visible = false;
        return;
    }
    // Back in place: before the next item of ours that is shown, else after the
    // previous one, else at the end.
    size_t index = 0;
    while (items_[index].get() != &item) ++index;
    int position = -1;
    for (size_t j = index + 1; j < items_.size() && position < 0; ++j)
        position = PositionOf(*items_[j]);
    for (size_t j = index; j-- > 0 && position < 0;) {
        int before = PositionOf(*items_[j]);
        if (before >= 0) position = before + 1;
    }
    if (position < 0) position = GetMenuItemCount(menu_);
    Insert(item, position);
    item.visible = true;
}

bool PopupMenu::Visible(int id) const { return Find(id).visible; }

int PopupMenu::ItemCount() const { return GetMenuItemCount(menu_); }

int PopupMenu::Popup(HWND owner, POINT screen) {
    return static_cast<int>(
        TrackPopupMenuEx(menu_, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON,
                         screen.x, screen.y, owner, nullptr));
}

namespace {
template <typename ItemT>
ItemT* Lookup(ULONG_PTR data) {
    auto* item = reinterpret_cast<ItemT*>(data);
    if (!item || !LiveItems().count(item) || item->tag != ItemT::kTag) return nullptr;
    return item;
}
}  // namespace

bool PopupMenu::HandleOwnerDraw(UINT msg, LPARAM lp) {
    if (msg == WM_MEASUREITEM) {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
        if (!mis || mis->CtlType != ODT_MENU) return false;
        const Item* item = Lookup<Item>(mis->itemData);
        if (!item) return false;
        if (item->separator) {
            mis->itemWidth = kGutter;
            mis->itemHeight = kSeparatorHeight;
            return true;
        }
        window_dc screen(nullptr);
        select_object font(screen.get(), MenuFont());
        TEXTMETRICA tm{};
        GetTextMetricsA(screen.get(), &tm);
        auto [text, key] = SplitCaption(item->caption);
        int width = kGutter + TextSize(screen.get(), text).cx + kRightMargin;
        if (!key.empty()) width += kShortcutGap + TextSize(screen.get(), key).cx;
        mis->itemWidth = static_cast<UINT>(width);
        mis->itemHeight = static_cast<UINT>(std::max<LONG>(tm.tmHeight + 8, 20));
        return true;
    }
    if (msg != WM_DRAWITEM) return false;
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
    if (!dis || dis->CtlType != ODT_MENU) return false;
    const Item* item = Lookup<Item>(dis->itemData);
    if (!item) return false;

    HDC dc = dis->hDC;
    RECT rc = dis->rcItem;
    int saved = SaveDC(dc);
    Fill(dc, rc, kBack);
    if (item->separator) {
        RECT line{rc.left + kGutter, (rc.top + rc.bottom) / 2, rc.right - 4,
                  (rc.top + rc.bottom) / 2 + 1};
        Fill(dc, line, kSeparator);
        RestoreDC(dc, saved);
        return true;
    }
    bool selected = (dis->itemState & ODS_SELECTED) != 0;
    if (selected) {
        RECT hot = rc;
        InflateRect(&hot, -2, 0);
        if (item->enabled) {
            Fill(dc, hot, kHotFrame);
            InflateRect(&hot, -1, -1);
            Fill(dc, hot, kHot);
        } else {
            Fill(dc, hot, kHotDisabled);
        }
    }
    COLORREF ink = item->enabled ? kText : kGreyText;
    if (item->checked) DrawCheck(dc, rc, ink);

    SelectObject(dc, MenuFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ink);
    UINT format = DT_SINGLELINE | DT_VCENTER | ((dis->itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0);
    auto [text, key] = SplitCaption(item->caption);
    RECT textRect{rc.left + kGutter, rc.top, rc.right - kRightMargin, rc.bottom};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &textRect, format);
    if (!key.empty())
        DrawTextA(dc, key.c_str(), static_cast<int>(key.size()), &textRect, format | DT_RIGHT);
    RestoreDC(dc, saved);
    return true;
}

LRESULT PopupMenu::HandleMenuChar(WPARAM wp, LPARAM lp) {
    HMENU menu = reinterpret_cast<HMENU>(lp);
    char typed[2] = {static_cast<char>(LOWORD(wp)), 0};
    CharLowerA(typed);
    int count = GetMenuItemCount(menu);
    for (int pos = 0; pos < count; ++pos) {
        MENUITEMINFOA mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_DATA;
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(pos), TRUE, &mii)) continue;
        const Item* item = Lookup<Item>(mii.dwItemData);
        if (!item || item->separator || !item->enabled) continue;
        const std::string& c = item->caption;
        for (size_t i = 0; i + 1 < c.size(); ++i) {
            if (c[i] != '&') continue;
            if (c[i + 1] == '&') {  // "&&" is a plain "&"
                ++i;
                continue;
            }
            char mnemonic[2] = {c[i + 1], 0};
            CharLowerA(mnemonic);
            if (mnemonic[0] == typed[0]) return MAKELRESULT(pos, MNC_EXECUTE);
            break;
        }
    }
    return MAKELRESULT(0, MNC_IGNORE);
}

}  // namespace cx::ui

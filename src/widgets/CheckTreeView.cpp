#include "widgets/CheckTreeView.h"

#include <windowsx.h>

#include "platform/Error.h"
#include "widgets/Seam.h"

namespace cx::ui {

namespace {

constexpr COLORREF kMaskColour = RGB(255, 0, 255);
constexpr COLORREF kBoxFrame = RGB(0x1C, 0x51, 0x80);
constexpr COLORREF kBoxFill = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kMark = RGB(0x21, 0x21, 0x21);

void FillRectColour(HDC dc, const RECT& r, COLORREF colour) {
    SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

// One 16 x 16 cell at x offset `left`: a 13 x 13 box centred in it.
void DrawBox(HDC dc, int left) {
    RECT frame{left + 1, 1, left + 14, 14};
    FillRectColour(dc, frame, kBoxFrame);
    RECT inside{left + 2, 2, left + 13, 13};
    FillRectColour(dc, inside, kBoxFill);
}

void DrawTick(HDC dc, int left) {
    // Three pixels thick, from the lower left up to the right.
    for (int t = 0; t < 3; ++t) {
        for (int i = 0; i < 3; ++i) SetPixel(dc, left + 4 + i, 6 + i + t, kMark);
        for (int i = 0; i < 5; ++i) SetPixel(dc, left + 7 + i, 8 - i + t, kMark);
    }
}

void DrawSquare(HDC dc, int left) {
    RECT square{left + 4, 4, left + 11, 11};
    FillRectColour(dc, square, kMark);
}

std::string ItemText(HWND tree, HTREEITEM item) {
    // TVM_GETITEM copies at most the buffer: grow until the text fits.
    for (size_t size = 512;; size *= 4) {
        std::string buf(size, '\0');
        TVITEMA tv{};
        tv.mask = TVIF_TEXT | TVIF_HANDLE;
        tv.hItem = item;
        tv.pszText = buf.data();
        tv.cchTextMax = static_cast<int>(size);
        if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv))) return {};
        size_t n = strnlen(buf.c_str(), size);
        if (n + 1 < size || size >= (1u << 20)) return buf.substr(0, n);
    }
}

}  // namespace

unique_hbitmap MakeCheckMarkStrip() {
    constexpr int w = CheckTreeView::kImageSize * 4, h = CheckTreeView::kImageSize;
    window_dc screen(nullptr);
    unique_memdc dc(CreateCompatibleDC(screen.get()));
    unique_hbitmap bmp(CreateCompatibleBitmap(screen.get(), w, h));
    if (!dc || !bmp) throw AppError("Cannot create the check-mark pictures.");
    {
        select_object keep(dc.get(), bmp.get());
        RECT all{0, 0, w, h};
        FillRectColour(dc.get(), all, kMaskColour);
        constexpr int s = CheckTreeView::kImageSize;
        DrawBox(dc.get(), 1 * s);
        DrawBox(dc.get(), 2 * s);
        DrawTick(dc.get(), 2 * s);
        DrawBox(dc.get(), 3 * s);
        DrawSquare(dc.get(), 3 * s);
    }
    return bmp;
}

CheckTreeView::~CheckTreeView() {
    if (HWND h = tree()) {
        subclass_.Detach();
        DestroyWindow(h);
    }
    if (images_) ImageList_Destroy(images_);
}

void CheckTreeView::Create(HWND parent, int id, int x, int y, int width, int height, HFONT font) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    HWND h = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS |
                                 TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                             x, y, width, height, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleA(nullptr), nullptr);
    if (!h) ThrowLastError();
    // Owned from here on, whatever fails below.
    subclass_.Attach(h, [this](const Subclass::Call& call) { return OnMessage(call); });
    if (font) SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

    images_ = ImageList_Create(kImageSize, kImageSize, ILC_COLOR24 | ILC_MASK, 4, 0);
    if (!images_) throw AppError("Cannot create the check-mark pictures.");
    unique_hbitmap strip = MakeCheckMarkStrip();
    if (ImageList_AddMasked(images_, strip.get(), kMaskColour) < 0)
        throw AppError("Cannot create the check-mark pictures.");
    TreeView_SetImageList(h, images_, TVSIL_STATE);
}

HTREEITEM CheckTreeView::AddNode(HTREEITEM parent, const std::string& text, int state, LPARAM data,
                                 bool hasChildren) {
    TVINSERTSTRUCTA ins{};
    ins.hParent = parent ? parent : TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_STATE | TVIF_PARAM | TVIF_CHILDREN;
    ins.item.cChildren = hasChildren ? 1 : 0;
    ins.item.pszText = const_cast<char*>(text.c_str());
    ins.item.state = INDEXTOSTATEIMAGEMASK(state);
    ins.item.stateMask = TVIS_STATEIMAGEMASK;
    ins.item.lParam = data;
    auto item = reinterpret_cast<HTREEITEM>(
        SendMessageA(tree(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
    if (!item) throw AppError("Cannot add a node to the tree.");
    return item;
}

void CheckTreeView::SetNodeState(HTREEITEM item, int state) {
    if (!item) return;
    TreeView_SetItemState(tree(), item, INDEXTOSTATEIMAGEMASK(state), TVIS_STATEIMAGEMASK);
}

int CheckTreeView::NodeState(HTREEITEM item) const {
    if (!item) return 0;
    UINT state = TreeView_GetItemState(tree(), item, TVIS_STATEIMAGEMASK);
    return static_cast<int>((state & TVIS_STATEIMAGEMASK) >> 12);
}

std::string CheckTreeView::NodeText(HTREEITEM item) const {
    return item ? ItemText(tree(), item) : std::string();
}

LPARAM CheckTreeView::NodeData(HTREEITEM item) const {
    if (!item) return 0;
    TVITEMA tv{};
    tv.mask = TVIF_PARAM | TVIF_HANDLE;
    tv.hItem = item;
    if (!SendMessageA(tree(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv))) return 0;
    return tv.lParam;
}

void CheckTreeView::RemoveNode(HTREEITEM item) {
    if (item) TreeView_DeleteItem(tree(), item);
}

void CheckTreeView::Clear() {
    if (tree()) TreeView_DeleteAllItems(tree());
}

int CheckTreeView::Count() const {
    return tree() ? static_cast<int>(TreeView_GetCount(tree())) : 0;
}

HTREEITEM CheckTreeView::Root() const { return tree() ? TreeView_GetRoot(tree()) : nullptr; }

void CheckTreeView::Expand(HTREEITEM item) {
    if (item) TreeView_Expand(tree(), item, TVE_EXPAND);
}

HTREEITEM CheckTreeView::HitTestState(POINT client) const {
    if (!tree()) return nullptr;
    TVHITTESTINFO info{};
    info.pt = client;
    HTREEITEM item = TreeView_HitTest(tree(), &info);
    return item && (info.flags & TVHT_ONITEMSTATEICON) ? item : nullptr;
}

LRESULT CheckTreeView::OnMessage(const Subclass::Call& call) {
    switch (call.msg) {
    // A double-click is a press too: quick toggling must not lose every second one.
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
        if (HTREEITEM item = HitTestState({GET_X_LPARAM(call.lp), GET_Y_LPARAM(call.lp)})) {
            // The tree's own handling (drag detection for the right button,
            // expanding on a double-click) is not wanted on a check mark.
            SetFocus(call.hwnd);
            if (onStateIconClick) onStateIconClick(item);
            return 0;
        }
        break;
    default: break;
    }
    return call.Previous();
}

}  // namespace cx::ui

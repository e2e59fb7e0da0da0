// The check-mark tree view: its three pictures, its nodes, and which presses
// count as a press on a check mark, sent as the mouse messages the control gets.
#include <gtest/gtest.h>

#include <windowsx.h>

#include <cstring>
#include <vector>

#include "harness/Pump.h"
#include "harness/Windows.h"
#include "platform/Handles.h"
#include "widgets/CheckTreeView.h"
#include "widgets/Window.h"

using namespace cx;
using cx::ui::CheckTreeView;

namespace {

class TreeHost : public ui::Window {
public:
    TreeHost() {
        ClassSpec cls{"CxCheckTreeTestHost"};
        cls.background = GetSysColorBrush(COLOR_BTNFACE);
        Create(cls, 0, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, "host", 0, 0, 400, 300);
    }
    // One host for the run: without a window manager Wine waits on every destroyed top-level
    // window.
    static TreeHost& Shared() {
        static TreeHost host;
        return host;
    }
};

using cx::test::Pump;

// The strip's pixels, row-major, as COLORREF.
struct Strip {
    int width = 0, height = 0;
    std::vector<COLORREF> px;
    COLORREF At(int x, int y) const { return px[size_t(y) * size_t(width) + size_t(x)]; }
};

Strip ReadStrip(HBITMAP bmp) {
    BITMAP info{};
    GetObjectA(bmp, sizeof info, &info);
    Strip s;
    s.width = info.bmWidth;
    s.height = info.bmHeight;
    unique_memdc dc(CreateCompatibleDC(nullptr));
    select_object keep(dc.get(), bmp);
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) s.px.push_back(GetPixel(dc.get(), x, y));
    return s;
}

int CountInCell(const Strip& s, int cell, COLORREF colour, RECT area) {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) n += s.At(cell * 16 + x, y) == colour;
    return n;
}

class CheckTreeViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.Create(TreeHost::Shared().hwnd(), 100, 10, 10, 300, 200, nullptr);
        view.onStateIconClick = [this](HTREEITEM item) { clicked.push_back(item); };
        root = view.AddNode(nullptr, "C:\\Acme\\", CheckTreeView::kChecked, 7);
        child = view.AddNode(root, "C:\\Acme\\readme.txt", CheckTreeView::kUnchecked, 8);
        view.AddNode(root, "C:\\Acme\\bin\\", CheckTreeView::kPartial, 9);
        view.Expand(root);
        UpdateWindow(view.hwnd());
        Pump();
    }

    // TVM_GETITEMRECT takes the item in the rectangle it fills.
    RECT TextRect(HTREEITEM item) {
        RECT r{};
        memcpy(&r, &item, sizeof item);
        SendMessageA(view.hwnd(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r));
        return r;
    }
    // Where the node's check mark and its text are, in the tree's client area.
    POINT StateIconPoint(HTREEITEM item) {
        RECT text = TextRect(item);
        return {text.left - CheckTreeView::kImageSize / 2 - 1, (text.top + text.bottom) / 2};
    }
    POINT TextPoint(HTREEITEM item) {
        RECT text = TextRect(item);
        return {text.left + 5, (text.top + text.bottom) / 2};
    }
    // The release is queued first: a press beside a mark starts the tree's own
    // drag detection, which waits for it.
    void Press(UINT msg, POINT p) {
        UINT up = msg == WM_LBUTTONDOWN   ? WM_LBUTTONUP
                  : msg == WM_RBUTTONDOWN ? WM_RBUTTONUP
                                          : WM_MBUTTONUP;
        PostMessageA(view.hwnd(), up, 0, MAKELPARAM(p.x, p.y));
        SendMessageA(view.hwnd(), msg, msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0,
                     MAKELPARAM(p.x, p.y));
        Pump();
    }

    CheckTreeView view;
    HTREEITEM root = nullptr;
    HTREEITEM child = nullptr;
    std::vector<HTREEITEM> clicked;
};

}  // namespace

TEST(CheckMarkPictures, ThreeDistinctBoxesAfterABlankCell) {
    unique_hbitmap bmp = ui::MakeCheckMarkStrip();
    Strip s = ReadStrip(bmp.get());
    ASSERT_EQ(s.width, 64);
    ASSERT_EQ(s.height, 16);
    const COLORREF mask = RGB(255, 0, 255), white = RGB(255, 255, 255),
                   mark = RGB(0x21, 0x21, 0x21);
    const RECT all{0, 0, 16, 16}, inside{2, 2, 13, 13};
    // Cell 0 is never shown: state index 0 means "no picture".
    EXPECT_EQ(CountInCell(s, 0, mask, all), 256);
    for (int cell = 1; cell <= 3; ++cell) {
        // A framed box: the frame's corners are neither transparent nor white.
        EXPECT_NE(s.At(cell * 16 + 1, 1), mask) << cell;
        EXPECT_NE(s.At(cell * 16 + 1, 1), white) << cell;
        EXPECT_NE(s.At(cell * 16 + 13, 13), mask) << cell;
        // Outside the box stays transparent.
        EXPECT_EQ(s.At(cell * 16 + 15, 15), mask) << cell;
    }
    EXPECT_EQ(CountInCell(s, 1, mark, inside), 0) << "unchecked is an empty box";
    EXPECT_EQ(CountInCell(s, 1, white, inside), 121);
    int tick = CountInCell(s, 2, mark, inside);
    int square = CountInCell(s, 3, mark, inside);
    EXPECT_GT(tick, 10);
    EXPECT_EQ(square, 49) << "partial is a 7 x 7 filled square";
    // The tick is not a square: its centre column is marked only partly.
    EXPECT_NE(s.At(2 * 16 + 4, 4), mark);
    EXPECT_EQ(s.At(3 * 16 + 4, 4), mark);
}

TEST_F(CheckTreeViewTest, NodesKeepTextStateAndData) {
    EXPECT_EQ(view.Count(), 3);
    EXPECT_EQ(view.Root(), root);
    EXPECT_EQ(view.NodeText(child), "C:\\Acme\\readme.txt");
    EXPECT_EQ(view.NodeState(root), CheckTreeView::kChecked);
    EXPECT_EQ(view.NodeState(child), CheckTreeView::kUnchecked);
    EXPECT_EQ(view.NodeData(child), 8);
    view.SetNodeState(child, CheckTreeView::kPartial);
    EXPECT_EQ(view.NodeState(child), CheckTreeView::kPartial);

    std::string longText(3000, 'x');  // longer than the first read buffer
    HTREEITEM big = view.AddNode(root, longText, CheckTreeView::kChecked);
    EXPECT_EQ(view.NodeText(big), longText);

    view.RemoveNode(root);  // takes its children along
    EXPECT_TRUE(view.Empty());
    EXPECT_EQ(view.NodeState(nullptr), 0);
}

TEST_F(CheckTreeViewTest, EveryMouseButtonOnTheCheckMarkReportsTheNode) {
    POINT icon = StateIconPoint(child);
    EXPECT_EQ(view.HitTestState(icon), child);
    Press(WM_LBUTTONDOWN, icon);
    Press(WM_RBUTTONDOWN, icon);
    Press(WM_MBUTTONDOWN, icon);
    SendMessageA(view.hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(icon.x, icon.y));
    ASSERT_EQ(clicked.size(), 4u);
    for (HTREEITEM item : clicked) EXPECT_EQ(item, child);
    // The control leaves the mark to its owner.
    EXPECT_EQ(view.NodeState(child), CheckTreeView::kUnchecked);
    // A double-click on a mark does not fold the node away.
    POINT rootIcon = StateIconPoint(root);
    SendMessageA(view.hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(rootIcon.x, rootIcon.y));
    EXPECT_TRUE(TreeView_GetItemState(view.hwnd(), root, TVIS_EXPANDED) & TVIS_EXPANDED);
}

TEST_F(CheckTreeViewTest, PressesBesideTheCheckMarkAreNotReported) {
    Press(WM_LBUTTONDOWN, TextPoint(child));
    EXPECT_EQ(view.HitTestState(TextPoint(child)), nullptr);
    RECT client;
    GetClientRect(view.hwnd(), &client);
    POINT below{20, client.bottom - 5};  // under the last node
    EXPECT_EQ(view.HitTestState(below), nullptr);
    Press(WM_LBUTTONDOWN, below);
    EXPECT_TRUE(clicked.empty());
    // A press on the text selects the node, as in any tree.
    EXPECT_EQ(TreeView_GetSelection(view.hwnd()), child);
}

TEST_F(CheckTreeViewTest, OwnerTogglingFromTheCallbackShowsTheNewMark) {
    view.onStateIconClick = [this](HTREEITEM item) {
        int s = view.NodeState(item);
        view.SetNodeState(item, s == CheckTreeView::kChecked ? CheckTreeView::kUnchecked
                                                             : CheckTreeView::kChecked);
    };
    POINT icon = StateIconPoint(child);
    Press(WM_LBUTTONDOWN, icon);
    EXPECT_EQ(view.NodeState(child), CheckTreeView::kChecked);
    Press(WM_RBUTTONDOWN, icon);
    EXPECT_EQ(view.NodeState(child), CheckTreeView::kUnchecked);
}

// Its presses are seen without a window property: with one, every message the
// tree gets (each inserted node included) cost a round trip to the wineserver.
TEST_F(CheckTreeViewTest, CarriesNoMoreWindowPropertiesThanABareTree) {
    HWND bare = CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD, 0, 0, 50, 50,
                                TreeHost::Shared().hwnd(), nullptr, GetModuleHandleA(nullptr),
                                nullptr);
    ASSERT_TRUE(bare);
    EXPECT_EQ(test::WindowPropertyCount(view.hwnd()), test::WindowPropertyCount(bare));
    DestroyWindow(bare);
    Press(WM_LBUTTONDOWN, StateIconPoint(child));
    EXPECT_EQ(clicked, std::vector<HTREEITEM>{child});
}

TEST(CheckTreeViewLifetime, SurvivesItsParentGoingFirst) {
    ui::CheckTreeView view;
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(parent);
    view.Create(parent, 1, 0, 0, 100, 100, nullptr);
    view.AddNode(nullptr, "x", CheckTreeView::kChecked);
    DestroyWindow(parent);
    EXPECT_EQ(view.hwnd(), nullptr);
    EXPECT_EQ(view.Count(), 0);
}

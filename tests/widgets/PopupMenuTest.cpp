#include <gtest/gtest.h>

#include "WidgetKit.h"
#include "platform/Error.h"

namespace {

using cx::ui::PopupMenu;

std::vector<int> Ids(const PopupMenu& m) {
    std::vector<int> ids;
    for (int i = 0; i < GetMenuItemCount(m.handle()); ++i)
        ids.push_back(static_cast<int>(GetMenuItemID(m.handle(), i)));
    return ids;
}

UINT StateAt(const PopupMenu& m, int pos) { return GetMenuState(m.handle(), pos, MF_BYPOSITION); }

// pmFile's shape: New — Export (disabled), Reload — Exit.
void Fill(PopupMenu& m) {
    m.AddItem(1, "New Program...");
    m.AddSeparator();
    m.AddItem(2, "Export Registry Info...", false);
    m.AddItem(3, "Reload Registry Info...", true, true);
    m.AddSeparator();
    m.AddItem(4, "Exit");
}

TEST(PopupMenu, ItemsSeparatorsChecksAndEnabledState) {
    PopupMenu m;
    Fill(m);
    EXPECT_EQ(m.ItemCount(), 6);
    EXPECT_EQ(Ids(m), (std::vector<int>{1, 0, 2, 3, 0, 4}));
    MENUITEMINFOA mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE;
    ASSERT_TRUE(GetMenuItemInfoA(m.handle(), 1, TRUE, &mii));
    EXPECT_TRUE(mii.fType & MFT_SEPARATOR);
    EXPECT_TRUE(mii.fType & MFT_OWNERDRAW);
    EXPECT_TRUE(StateAt(m, 2) & MF_GRAYED);
    EXPECT_TRUE(StateAt(m, 3) & MF_CHECKED);
    EXPECT_FALSE(StateAt(m, 0) & (MF_GRAYED | MF_CHECKED));
    EXPECT_FALSE(m.Enabled(2));
    EXPECT_TRUE(m.Checked(3));

    m.SetEnabled(2, true);
    m.SetChecked(3, false);
    m.SetCaption(4, "Quit");
    EXPECT_FALSE(StateAt(m, 2) & MF_GRAYED);
    EXPECT_FALSE(StateAt(m, 3) & MF_CHECKED);
    EXPECT_EQ(m.Caption(4), "Quit");
    char text[64] = {};
    GetMenuStringA(m.handle(), 4, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "Quit");
    EXPECT_THROW(m.SetEnabled(99, true), cx::AppError);
}

TEST(PopupMenu, HiddenItemsComeBackInPlaceWithTheirState) {
    PopupMenu m;
    Fill(m);
    m.SetVisible(2, false);
    m.SetVisible(4, false);
    EXPECT_EQ(Ids(m), (std::vector<int>{1, 0, 3, 0}));
    EXPECT_FALSE(m.Visible(2));
    m.SetChecked(2, true);  // changed while hidden
    m.SetVisible(3, false);
    m.SetVisible(4, true);
    m.SetVisible(2, true);  // no shown neighbour after it: goes after the separator
    EXPECT_EQ(Ids(m), (std::vector<int>{1, 0, 2, 0, 4}));
    m.SetVisible(3, true);
    EXPECT_EQ(Ids(m), (std::vector<int>{1, 0, 2, 3, 0, 4}));
    EXPECT_TRUE(StateAt(m, 2) & MF_CHECKED);
    EXPECT_TRUE(StateAt(m, 2) & MF_GRAYED);
    EXPECT_TRUE(StateAt(m, 3) & MF_CHECKED);
}

TEST(PopupMenu, EitherOfMenuAndSubmenuMayGoFirst) {
    auto view = std::make_unique<PopupMenu>();
    auto languages = std::make_unique<PopupMenu>();
    languages->AddItem(500, "English");
    view->AddItem(1, "Grid");
    view->AddSubmenu(*languages, 2, "Languages");
    EXPECT_EQ(GetSubMenu(view->handle(), 1), languages->handle());
    languages.reset();  // the submenu first: it leaves the menu
    EXPECT_EQ(view->ItemCount(), 1);
    view.reset();

    auto sub = std::make_unique<PopupMenu>();
    sub->AddItem(7, "Icon");
    HMENU subHandle = sub->handle();
    {
        PopupMenu outer;
        outer.AddSubmenu(*sub, 3, "View");
    }
    EXPECT_TRUE(IsMenu(subHandle));  // the menu going first leaves the submenu alone
    EXPECT_EQ(sub->ItemCount(), 1);
}

TEST(PopupMenu, OwnerDrawTakesOnlyOurItems) {
    PopupMenu m;
    m.AddItem(1, "Grid", true, true);
    m.AddItem(2, "Tips");
    m.AddSeparator();
    auto dataAt = [&](int pos) {
        MENUITEMINFOA mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_DATA;
        GetMenuItemInfoA(m.handle(), pos, TRUE, &mii);
        return mii.dwItemData;
    };
    MEASUREITEMSTRUCT foreign{ODT_MENU, 0, 5, 0, 0, 0x1234};
    EXPECT_FALSE(PopupMenu::HandleOwnerDraw(WM_MEASUREITEM, reinterpret_cast<LPARAM>(&foreign)));
    MEASUREITEMSTRUCT item{ODT_MENU, 0, 1, 0, 0, dataAt(0)};
    MEASUREITEMSTRUCT separator{ODT_MENU, 0, 0, 0, 0, dataAt(2)};
    ASSERT_TRUE(PopupMenu::HandleOwnerDraw(WM_MEASUREITEM, reinterpret_cast<LPARAM>(&item)));
    ASSERT_TRUE(PopupMenu::HandleOwnerDraw(WM_MEASUREITEM, reinterpret_cast<LPARAM>(&separator)));
    EXPECT_GT(item.itemWidth, 30u);
    EXPECT_GT(item.itemHeight, separator.itemHeight);

    // Drawn into a white bitmap: the checked item marks its check column, the other does not.
    auto draw = [&](int pos, UINT itemState) {
        cx::test::Surface surface(120, 20, RGB(0, 0, 0));
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_MENU;
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = itemState;
        dis.hwndItem = reinterpret_cast<HWND>(m.handle());
        dis.hDC = surface.dc();
        dis.rcItem = {0, 0, 120, 20};
        dis.itemData = dataAt(pos);
        EXPECT_TRUE(PopupMenu::HandleOwnerDraw(WM_DRAWITEM, reinterpret_cast<LPARAM>(&dis)));
        int dark = 0;  // dark pixels in the check column
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 24; ++x) dark += (surface.Raw(x, y) & 0xFF) < 128;
        return dark;
    };
    EXPECT_GT(draw(0, 0), 0);
    EXPECT_EQ(draw(1, 0), 0);
}

TEST(PopupMenu, MenuCharFindsTheAmpersandLetter) {
    PopupMenu m;
    m.AddItem(1, "Save && &Quit");
    m.AddItem(2, "&Grid", false);
    m.AddItem(3, "&Tips");
    auto answer = [&](char c) {
        return PopupMenu::HandleMenuChar(MAKEWPARAM(c, MF_POPUP),
                                         reinterpret_cast<LPARAM>(m.handle()));
    };
    EXPECT_EQ(answer('t'), MAKELRESULT(2, MNC_EXECUTE));
    EXPECT_EQ(answer('Q'), MAKELRESULT(0, MNC_EXECUTE));
    EXPECT_EQ(HIWORD(answer('g')), MNC_IGNORE);  // disabled
    EXPECT_EQ(HIWORD(answer('s')), MNC_IGNORE);  // "&&" is no accelerator
}

class PopupRun : public ::testing::Test {
protected:
    static void CALLBACK Rescue(HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        EndMenu();  // a test that fails must not hang in the menu
    }
    // Presses `keys` once the menu is open and waiting for input.
    int Run(PopupMenu& m, std::vector<WPARAM> keys) {
        SetCursorPos(1200, 780);  // away from the menu, so the pointer selects nothing
        bool pressed = false;
        host.onMenuIdle = [&] {
            if (pressed) return;
            pressed = true;
            for (WPARAM k : keys) PostMessageA(host.hwnd(), WM_KEYDOWN, k, 1);
        };
        UINT_PTR rescue = SetTimer(nullptr, 0, cx::test::kHangGuardMs, Rescue);
        int chosen = m.Popup(host.hwnd(), POINT{40, 40});
        KillTimer(nullptr, rescue);
        host.onMenuIdle = nullptr;
        EXPECT_TRUE(pressed) << "the menu never waited for input";
        return chosen;
    }
    cx::test::Host& host = cx::test::Host::Shared();
};

TEST_F(PopupRun, ChosenItemReturnsItsId) {
    PopupMenu m;
    Fill(m);
    EXPECT_EQ(Run(m, {VK_DOWN, VK_RETURN}), 1);
    EXPECT_GT(host.ownerDrawn, 0);             // the owner handed the drawing to us
    EXPECT_EQ(Run(m, {VK_UP, VK_RETURN}), 4);  // from the bottom
}

TEST_F(PopupRun, DismissedMenuReturnsZero) {
    PopupMenu m;
    Fill(m);
    EXPECT_EQ(Run(m, {VK_ESCAPE}), 0);
    EXPECT_TRUE(host.commands.empty());  // TPM_RETURNCMD: nothing is sent as well
}

}  // namespace

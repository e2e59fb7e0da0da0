// The main window against the real inventory service on the seeded prefix.
#include <gtest/gtest.h>

#include <windowsx.h>

#include <algorithm>
#include <set>

#include "harness/ScopedEntry.h"
#include "Dravik_h.h"
#include "AppKit.h"
#include "FakeService.h"
#include "app/AppPaths.h"
#include "app/AppStart.h"
#include "app/Config.h"
#include "app/MainForm.h"
#include "harness/MessageLog.h"
#include "harness/TestKit.h"
#include "harness/Windows.h"
#include "i18n/LangText.h"
#include "i18n/LanguageFile.h"
#include "inventory/DetailsForm.h"
#include "inventory/ListLogic.h"
#include "inventory/Report.h"
#include "platform/Com.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Strings.h"
#include "seeder/DemoData.h"
#include "skin/SkinFile.h"
#include "skin/SkinSettings.h"
#include "widgets/Seam.h"

namespace {

using cx::app::TMainForm;

struct Expected {
    unsigned long programs = 0, patches = 0, savers = 0;
};

Expected FromDemoData() {
    Expected e;
    for (const auto& p : cx::demo::Programs()) {
        if (!cx::demo::IsListed(p)) continue;
        ++e.programs;
        if (p.patch) ++e.patches;
    }
    std::set<std::string> names;
    for (const auto& s : cx::demo::ScreenSavers()) names.insert(cx::Lower(s.fileName));
    e.savers = static_cast<unsigned long>(names.size());
    return e;
}

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        appDir = new std::string(cx::test::PrepareAppCopy("mainwindow"));
    }
    void SetUp() override {
        ASSERT_TRUE(cx::test::StartFresh(*appDir));
        form = std::make_unique<TMainForm>();
        form->CreateForm();
        form->Show(SW_SHOWNOACTIVATE);
    }
    void TearDown() override { form.reset(); }
    std::vector<std::string> Captions() const {
        std::vector<std::string> c;
        for (int r = 0; r < form->Programs().RowCount(); ++r)
            c.push_back(form->Programs().RowCaption(r));
        return c;
    }
    int RowOf(const std::string& caption) const {
        auto c = Captions();
        auto it = std::find(c.begin(), c.end(), caption);
        return it == c.end() ? -1 : static_cast<int>(it - c.begin());
    }
    static std::string* appDir;
    cx::ComInit com;
    std::unique_ptr<TMainForm> form;
    cx::test::MessageLog messages;
    std::vector<cx::ui::MessageRecord>& shown = messages.shown;
    Expected expected = FromDemoData();
};
std::string* MainWindowTest::appDir = nullptr;

std::string CountLine(const Expected& e) {
    return cx::Format("%lu (Windows Updates: %lu, Screen Saver: %lu)", e.programs + e.savers,
                      e.patches, e.savers);
}

TEST_F(MainWindowTest, LoadShowsProgramsAndCountsEverything) {
    // Default switches: patches shown, screen savers hidden.
    EXPECT_EQ(form->Programs().RowCount(), static_cast<int>(expected.programs));
    EXPECT_EQ(form->Programs().ProgramCountText(), CountLine(expected));
    EXPECT_EQ(cx::test::ControlText(form->hwnd(), cx::app::IDC_LBL_PROGRAMCOUNTS),
              CountLine(expected));
    EXPECT_EQ(form->Programs().Model().Patches(), expected.patches);
    EXPECT_EQ(form->Programs().DetailsForm().ProgramCount(), static_cast<int>(expected.programs));
    // Rows come in service order with their service index as data.
    for (int r = 0; r < form->Programs().RowCount(); ++r) EXPECT_EQ(form->Programs().RowData(r), r);
    // A program without a display name is shown by its registry name.
    for (const auto& p : cx::demo::Programs()) {
        if (cx::demo::IsListed(p) && !p.displayName) {
            EXPECT_GE(RowOf(p.keyName), 0) << p.keyName;
        }
    }
    // The status bar label sits 5 pixels right of "Programs:".
    RECT a = cx::ui::GetBounds(cx::test::Control(form->hwnd(), cx::app::IDC_LBL_PROGRAMS));
    RECT b = cx::ui::GetBounds(cx::test::Control(form->hwnd(), cx::app::IDC_LBL_PROGRAMCOUNTS));
    EXPECT_EQ(b.left, a.right + 5);
    // The products show faces of their own, not one picture down the list.
    std::set<int> images;
    for (int r = 0; r < form->Programs().RowCount(); ++r)
        images.insert(form->Programs().RowImage(r));
    EXPECT_GE(images.size(), 9u);
}

TEST_F(MainWindowTest, HideSwitchesReloadWithTheSameCountsAndStoreTheirState) {
    form->Execute(cx::app::ActionHideScr);  // show screen savers
    EXPECT_EQ(form->Programs().RowCount(), static_cast<int>(expected.programs + expected.savers));
    EXPECT_EQ(form->Programs().ProgramCountText(), CountLine(expected));
    EXPECT_EQ(cx::IniFile(cx::AppPaths().ConfigPath).ReadString("config", "HideScreenSaver", "?"),
              "0");
    EXPECT_EQ(Button_GetCheck(cx::test::Control(form->hwnd(), cx::app::IDC_CKBHIDESCR)),
              BST_UNCHECKED);
    // Screen-saver rows follow the programs, bracketed.
    std::string last = form->Programs().RowCaption(form->Programs().RowCount() - 1);
    EXPECT_EQ(last.rfind("[Screen Saver]", 0), 0u) << last;

    form->Execute(cx::app::ActionHideSysPatch);
    EXPECT_EQ(form->Programs().RowCount(),
              static_cast<int>(expected.programs - expected.patches + expected.savers));
    EXPECT_EQ(form->Programs().ProgramCountText(), CountLine(expected));
    EXPECT_EQ(cx::IniFile(cx::AppPaths().ConfigPath).ReadString("config", "HideSysPatch", "?"),
              "1");
    EXPECT_EQ(Button_GetCheck(cx::test::Control(form->hwnd(), cx::app::IDC_CKBHIDEPATCH)),
              BST_CHECKED);

    // The chooser holds the shown programs at their row positions, with the
    // service index as data.
    cx::inv::TDetailsForm& details = form->Programs().DetailsForm();
    ASSERT_EQ(details.ProgramCount(), static_cast<int>(expected.programs - expected.patches));
    bool sawGap = false;
    for (int pos = 0; pos < details.ProgramCount(); ++pos) {
        EXPECT_EQ(details.ProgramData(pos), form->Programs().RowData(pos));
        EXPECT_EQ(details.ProgramCaption(pos), form->Programs().RowCaption(pos));
        if (details.ProgramData(pos) != pos) sawGap = true;
    }
    EXPECT_TRUE(sawGap) << "no patch sits before another program in the demo data";

    // Details of a program after a hidden patch select that program in the chooser.
    int row = details.ProgramCount() - 1;
    form->Programs().FillDetails(static_cast<long>(form->Programs().RowData(row)));
    EXPECT_EQ(details.SelectedProgramPosition(), row);

    form->Execute(cx::app::ActionHideSysPatch);
    EXPECT_EQ(cx::IniFile(cx::AppPaths().ConfigPath).ReadString("config", "HideSysPatch", "?"),
              "0");
}

// A service whose records vanish part-way: the load stops where the first is missing.
class VanishingList final : public cx::test::FakeProgramList {
public:
    VanishingList(cx::ComPtr<IProgramList> real, long missingFrom)
        : real_(std::move(real)), missingFrom_(missingFrom) {}
    HRESULT STDMETHODCALLTYPE GetProgram(LONG i, IProgramItem** v) override {
        if (i >= missingFrom_) {
            *v = nullptr;
            return S_OK;
        }
        return real_->GetProgram(i, v);
    }
    HRESULT STDMETHODCALLTYPE ProgramCount(ULONG* v) override { return real_->ProgramCount(v); }
    HRESULT STDMETHODCALLTYPE ScreenSaverCount(ULONG* v) override {
        return real_->ScreenSaverCount(v);
    }
    HRESULT STDMETHODCALLTYPE ScreenSaverFile(LONG i, BSTR* v) override {
        return real_->ScreenSaverFile(i, v);
    }
    HRESULT STDMETHODCALLTYPE ScreenSaverPublisher(LONG i, BSTR* v) override {
        return real_->ScreenSaverPublisher(i, v);
    }
    HRESULT STDMETHODCALLTYPE ScreenSaverFolder(LONG i, BSTR* v) override {
        return real_->ScreenSaverFolder(i, v);
    }
    HRESULT STDMETHODCALLTYPE ScreenSaverTitle(LONG i, BSTR* v) override {
        return real_->ScreenSaverTitle(i, v);
    }
    HRESULT STDMETHODCALLTYPE ScreenSaverIcon(LONG i, LONG* v) override {
        return real_->ScreenSaverIcon(i, v);
    }
    HRESULT STDMETHODCALLTYPE ScreenSaverSize(LONG i, ULONG* v) override {
        return real_->ScreenSaverSize(i, v);
    }
    HRESULT STDMETHODCALLTYPE ScreenSaverLastUsed(LONG i, BSTR* v) override {
        return real_->ScreenSaverLastUsed(i, v);
    }
    HRESULT STDMETHODCALLTYPE RefreshPrograms() override { return real_->RefreshPrograms(); }
    HRESULT STDMETHODCALLTYPE RefreshScreenSavers() override {
        return real_->RefreshScreenSavers();
    }

private:
    cx::ComPtr<IProgramList> real_;
    long missingFrom_;
};

TEST_F(MainWindowTest, MissingRecordStopsTheLoadAndKeepsTheLastCountLine) {
    form->Execute(cx::app::ActionHideScr);  // screen savers would be shown
    std::string before = cx::test::ControlText(form->hwnd(), cx::app::IDC_LBL_PROGRAMCOUNTS);
    form->Programs().ProgramList().Connect();
    cx::ComPtr<IProgramList> real;
    ASSERT_EQ(CoCreateInstance(CLSID_ProgramList, nullptr, CLSCTX_INPROC_SERVER, IID_IProgramList,
                               real.put_void()),
              S_OK);
    auto* fake = new VanishingList(real, 3);
    fake->AddRef();
    form->Programs().ProgramList().Attach(cx::ComPtr<IProgramList>::Attach(fake));
    form->Programs().LoadProgramList();
    EXPECT_EQ(form->Programs().RowCount(), 3);  // no screen-saver rows after the stop
    EXPECT_EQ(cx::test::ControlText(form->hwnd(), cx::app::IDC_LBL_PROGRAMCOUNTS), before);
    EXPECT_EQ(form->Programs().DetailsForm().ProgramCount(), 3);
}

TEST_F(MainWindowTest, SortingSharesOneDirectionAcrossColumns) {
    auto sortedBy = [&](int col, bool ascending) {
        for (int r = 1; r < form->Programs().RowCount(); ++r) {
            cx::inv::RowTexts a{form->Programs().RowText(r - 1, 0),
                                form->Programs().RowText(r - 1, 1),
                                form->Programs().RowText(r - 1, 2)};
            cx::inv::RowTexts b{form->Programs().RowText(r, 0), form->Programs().RowText(r, 1),
                                form->Programs().RowText(r, 2)};
            if (cx::inv::CompareRows(a, b, col, ascending) > 0) return false;
        }
        return true;
    };
    auto before = Captions();
    form->Programs().lsvProgramListColumnClick(1);
    EXPECT_TRUE(sortedBy(1, true));
    form->Programs().lsvProgramListColumnClick(1);
    EXPECT_TRUE(sortedBy(1, false));
    form->Programs().lsvProgramListColumnClick(0);  // two clicks so far: ascending again
    EXPECT_TRUE(sortedBy(0, true));
    form->Programs().lsvProgramListColumnClick(2);  // three clicks: descending
    EXPECT_TRUE(sortedBy(2, false));
    // Nothing is lost, and rows keep their data.
    auto after = Captions();
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    EXPECT_EQ(before, after);
    // A reload brings back service order; the direction flag survives it.
    form->Programs().LoadProgramList();
    EXPECT_EQ(form->Programs().RowData(0), 0);
    EXPECT_TRUE(form->Programs().SortsAscending());
}

// A cold icon look-up reads the program's file: the list asks for the rows it
// shows, once their first paint is on the screen, and a sort keeps every
// row's picture with its row.
TEST_F(MainWindowTest, PicturesAreLookedUpForShownRowsAfterTheirPaintAndStayWithTheirRows) {
    cx::app::TProgramPage& page = form->Programs();
    auto serviceIcon = [&](int row) {
        auto item = page.ProgramList().GetProgram(page.RowData(row));
        return item ? static_cast<int>(item->IconIndex()) : -100;
    };
    const int rows = page.RowCount();
    const int shown = ListView_GetCountPerPage(page.ListView());
    ASSERT_GT(rows, shown + 1) << "the demo data fits one page";
    page.LoadProgramList();  // every picture unknown again
    UpdateWindow(page.ListView());
    EXPECT_EQ(page.KnownProgramIcon(page.RowData(0)), cx::inv::kIconWhenShown)
        << "the paint waited for a picture";
    cx::ui::ProcessPendingMessages();
    EXPECT_EQ(page.KnownProgramIcon(page.RowData(0)), serviceIcon(0));
    EXPECT_EQ(page.KnownProgramIcon(page.RowData(rows - 1)), cx::inv::kIconWhenShown);

    page.lsvProgramListColumnClick(1);
    UpdateWindow(page.ListView());
    cx::ui::ProcessPendingMessages();
    for (int r = 0; r < rows; ++r) EXPECT_EQ(page.RowImage(r), serviceIcon(r)) << r;
}

TEST_F(MainWindowTest, FindNextWalksThroughMatchesWithoutWrappingAround) {
    // Every demo program folder hint: pick a word that several captions share.
    auto captions = Captions();
    std::string word;
    for (const char* candidate : {"update", "tool", "studio", "pro", "a"}) {
        int hits = 0;
        for (const auto& c : captions)
            if (cx::Lower(c).find(candidate) != std::string::npos) ++hits;
        if (hits >= 2) {
            word = candidate;
            break;
        }
    }
    ASSERT_FALSE(word.empty());
    std::vector<int> matches;
    for (int r = 0; r < static_cast<int>(captions.size()); ++r)
        if (cx::Lower(captions[r]).find(word) != std::string::npos) matches.push_back(r);

    std::string upper = word;
    for (auto& ch : upper) ch = static_cast<char>(toupper(ch));
    SetWindowTextA(cx::test::Control(form->hwnd(), cx::app::IDC_TXTSEARCHINFO),
                   upper.c_str());  // case does not matter
    EXPECT_EQ(form->Programs().SearchPos(), 0);
    for (int expectedRow : matches) {
        form->Programs().ActionSearchExecute();
        EXPECT_EQ(form->Programs().SelectedRow(), expectedRow);
        EXPECT_EQ(form->Programs().SearchPos(), expectedRow + 1);
    }
    int lastPos = form->Programs().SearchPos();
    form->Programs().ActionSearchExecute();  // past the last match: nothing happens
    EXPECT_EQ(form->Programs().SelectedRow(), matches.back());
    EXPECT_EQ(form->Programs().SearchPos(), lastPos);

    SetWindowTextA(cx::test::Control(form->hwnd(), cx::app::IDC_TXTSEARCHINFO),
                   word.c_str());  // editing resets
    EXPECT_EQ(form->Programs().SearchPos(), 0);
    form->Programs().ActionSearchExecute();
    EXPECT_EQ(form->Programs().SelectedRow(), matches.front());
    form->Programs().lsvProgramListMouseDown(0, {1, 1});  // any click in the list resets too
    EXPECT_EQ(form->Programs().SearchPos(), 0);

    SetWindowTextA(cx::test::Control(form->hwnd(), cx::app::IDC_TXTSEARCHINFO), "");
    form->Programs().SelectRow(2);
    form->Programs().ActionSearchExecute();  // empty text: nothing
    EXPECT_EQ(form->Programs().SelectedRow(), 2);
}

TEST_F(MainWindowTest, TipsNameTheUsageAndLeaveOutAMissingLastUse) {
    int checked = 0;
    for (const auto& p : cx::demo::Programs()) {
        if (!cx::demo::IsListed(p) || p.arpFrequency < 0 || !p.displayName) continue;
        int row = RowOf(p.displayName);
        ASSERT_GE(row, 0) << p.displayName;
        std::string tip;
        ASSERT_TRUE(form->Programs().lsvProgramListInfoTip(row, tip));
        const char* word = p.arpFrequency < 3     ? "Rarely"
                           : p.arpFrequency <= 10 ? "Occasionally"
                                                  : "Frequently";
        EXPECT_EQ(tip.rfind(std::string("Used Frequency: ") + word + "\r\n", 0), 0u) << tip;
        EXPECT_NE(tip.find("Uninstall String: " + cx::demo::UninstallCommand(p)),
                  std::string::npos);
        ++checked;
    }
    EXPECT_GE(checked, 4);
    // A program without usage data: two lines, no "Last Used On".
    for (const auto& p : cx::demo::Programs()) {
        if (!cx::demo::IsListed(p) || p.arpFrequency >= 0 || !p.displayName) continue;
        std::string tip;
        ASSERT_TRUE(form->Programs().lsvProgramListInfoTip(RowOf(p.displayName), tip));
        EXPECT_EQ(tip.find("Last Used On"), std::string::npos);
        EXPECT_EQ(std::count(tip.begin(), tip.end(), '\n'), 1) << tip;
        break;
    }
}

TEST_F(MainWindowTest, SelectionSwitchesBetweenUninstallAndDelete) {
    form->Execute(cx::app::ActionHideScr);  // screen savers shown
    const cx::demo::DemoProgram* withLink = nullptr;
    for (const auto& p : cx::demo::Programs())
        if (cx::demo::IsListed(p) && p.displayName && p.aboutLink) withLink = &p;
    ASSERT_TRUE(withLink);
    int programRow = RowOf(withLink->displayName);
    int saverRow = form->Programs().RowCount() - 1;

    form->Programs().SelectRow(saverRow);
    EXPECT_EQ(cx::test::ControlText(form->hwnd(), cx::app::IDC_BTN_UNINSTALL), "Delete");
    EXPECT_EQ(form->Menus().pmPLRightClick.Caption(cx::app::mItemUninstall), "Delete");
    EXPECT_EQ(form->Programs().UninstallTarget(), cx::app::ActionDeleteScr);
    EXPECT_FALSE(IsWindowEnabled(cx::test::Control(form->hwnd(), cx::app::IDC_BTN_SHOWDETAILS)));
    EXPECT_FALSE(form->Menus().pmTools.Enabled(cx::app::mItemComment));
    EXPECT_FALSE(IsWindowVisible(cx::test::Control(form->hwnd(), cx::app::IDC_LBL_REGISTRYNAME)));

    form->Programs().SelectRow(programRow);
    EXPECT_EQ(cx::test::ControlText(form->hwnd(), cx::app::IDC_BTN_UNINSTALL), "Uninstall");
    EXPECT_EQ(form->Programs().UninstallTarget(), cx::app::ActionUninstall);
    EXPECT_TRUE(IsWindowEnabled(cx::test::Control(form->hwnd(), cx::app::IDC_BTN_SHOWDETAILS)));
    EXPECT_TRUE(IsWindowEnabled(cx::test::Control(form->hwnd(), cx::app::IDC_BTN_UNINSTALL)));
    EXPECT_TRUE(form->Menus().pmTools.Enabled(cx::app::mItemComment));
    EXPECT_TRUE(form->Menus().pmPLRightClick.Enabled(cx::app::mItemShowDetails));
    EXPECT_TRUE(IsWindowVisible(cx::test::Control(form->hwnd(), cx::app::IDC_LBL_REGISTRYNAME)));
    EXPECT_EQ(cx::test::ControlText(form->hwnd(), cx::app::IDC_LBL_REGISTRYNAME),
              withLink->keyName);
    EXPECT_EQ(cx::test::ControlText(form->hwnd(), cx::app::IDC_LBL_PROGRAMURL),
              withLink->aboutLink);
    RECT name = cx::ui::GetBounds(cx::test::Control(form->hwnd(), cx::app::IDC_LBL_REGISTRYNAME));
    RECT url = cx::ui::GetBounds(cx::test::Control(form->hwnd(), cx::app::IDC_LBL_PROGRAMURL));
    EXPECT_EQ(url.left, name.right + 10);
}

TEST_F(MainWindowTest, ReportFollowsTheShownRowsAfterASortAndWithHiddenPatches) {
    form->Execute(cx::app::ActionHideSysPatch);
    form->Programs().lsvProgramListColumnClick(1);
    std::vector<std::string> captions = Captions();
    auto lines = cx::inv::BuildReport(cx::inv::CollectReportInput(
        cx::test::ControlText(form->hwnd(), cx::app::IDC_LBL_PROGRAMCOUNTS), captions));
    ASSERT_EQ(lines.size(), 15u + captions.size());
    EXPECT_EQ(lines[0], "Carvexo Application Report");
    EXPECT_EQ(lines[6], "Programs : " + CountLine(expected));
    for (size_t i = 0; i < captions.size(); ++i)
        EXPECT_EQ(lines[14 + i],
                  cx::Format("%u - %s", static_cast<unsigned>(i + 1), captions[i].c_str()));
    EXPECT_EQ(lines.back(), "----------------------");
}

TEST_F(MainWindowTest, ViewStylesGridAndTipsSwitch) {
    form->Execute(cx::app::ActionViewIcon);
    EXPECT_EQ(GetWindowLongA(form->Programs().ListView(), GWL_STYLE) & LVS_TYPEMASK,
              static_cast<LONG>(LVS_ICON));
    EXPECT_TRUE(form->Menus().pmView.Checked(cx::app::mItemViewIcon));
    EXPECT_TRUE(form->Menus().mItemView.Checked(cx::app::mItemIcon));
    EXPECT_FALSE(form->Menus().pmView.Checked(cx::app::mItemViewReport));
    EXPECT_FALSE(form->Menus().mItemView.Checked(cx::app::mItemReport));
    form->Execute(cx::app::ActionViewReport);
    EXPECT_TRUE(form->Menus().mItemView.Checked(cx::app::mItemReport));

    form->Execute(cx::app::ActionGrid);
    EXPECT_TRUE(ListView_GetExtendedListViewStyle(form->Programs().ListView()) & LVS_EX_GRIDLINES);
    EXPECT_TRUE(ListView_GetExtendedListViewStyle(form->Startup().ListView()) & LVS_EX_GRIDLINES);
    EXPECT_TRUE(form->Menus().pmView.Checked(cx::app::mItemGrid));

    EXPECT_TRUE(form->Menus().pmView.Checked(cx::app::mItemInfoTips));
    form->Execute(cx::app::ActionInfoTips);
    EXPECT_FALSE(form->ActionChecked(cx::app::ActionInfoTips));
}

// Both lists see their mouse without window properties: with one, every
// message a list got (each inserted row and text included) cost a round trip
// to the wineserver, and 2,000 rows took the better part of a second.
TEST_F(MainWindowTest, ListsFollowTheMouseWithoutWindowProperties) {
    HWND bare = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 50, 50,
                                form->hwnd(), nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(bare);
    const int bareCount = cx::test::WindowPropertyCount(bare);
    DestroyWindow(bare);
    EXPECT_EQ(cx::test::WindowPropertyCount(form->Programs().ListView()), bareCount);
    EXPECT_EQ(cx::test::WindowPropertyCount(form->Startup().ListView()), bareCount);

    // The Directory cell shows the hand, the caption the arrow.
    ASSERT_GT(form->Programs().RowCount(), 0);
    RECT dir{}, caption{};
    ASSERT_TRUE(ListView_GetSubItemRect(form->Programs().ListView(), 0, 2, LVIR_BOUNDS, &dir));
    ASSERT_TRUE(ListView_GetSubItemRect(form->Programs().ListView(), 0, 0, LVIR_LABEL, &caption));
    auto cursorAt = [&](const RECT& r) {
        LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageA(form->Programs().ListView(), WM_MOUSEMOVE, 0, at);
        SendMessageA(form->Programs().ListView(), WM_SETCURSOR,
                     reinterpret_cast<WPARAM>(form->Programs().ListView()),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    EXPECT_EQ(cursorAt(dir), LoadCursor(nullptr, IDC_HAND));
    EXPECT_EQ(cursorAt(caption), LoadCursor(nullptr, IDC_ARROW));
}

TEST_F(MainWindowTest, SkinnedLayoutAndHotSpot) {
    RECT rc;
    GetWindowRect(form->hwnd(), &rc);
    EXPECT_EQ(rc.right - rc.left, 763);
    EXPECT_EQ(rc.bottom - rc.top, 538);
    RECT title = cx::ui::GetBounds(cx::test::Control(form->hwnd(), cx::app::IDC_IMG_TITLE));
    EXPECT_EQ(title.left, 311);
    EXPECT_EQ(title.top, 75);
    EXPECT_TRUE(form->BackgroundPicture());
    EXPECT_TRUE(cx::test::WidgetOf<cx::ui::ImageButton>(form->hwnd(), cx::app::IDC_BTN_CLOSE)
                    .Picture(cx::ui::ImageButton::Down));

    form->Programs().SizePanelPLHotSpotClick();
    RECT list = cx::ui::GetBounds(form->Programs().ListView());
    EXPECT_EQ(list.left, 9);
    EXPECT_EQ(list.right - list.left, 742);
    form->Programs().SizePanelPLHotSpotClick();
    list = cx::ui::GetBounds(form->Programs().ListView());
    EXPECT_EQ(list.left, 169);
    EXPECT_EQ(list.right - list.left, 582);
}

TEST_F(MainWindowTest, PageButtonsSwitchAndRestoreTheCountLine) {
    std::string counts = cx::test::ControlText(form->hwnd(), cx::app::IDC_LBL_PROGRAMCOUNTS);
    form->Execute(cx::app::ActionTabStartupItems);
    EXPECT_EQ(form->ActivePage(), 1);
    EXPECT_TRUE(IsWindowEnabled(cx::test::Control(form->hwnd(), cx::app::IDC_BTN_PROGRAMLIST)));
    EXPECT_FALSE(form->Menus().pmView.Visible(cx::app::mItemViewIcon));
    form->Execute(cx::app::ActionTabProgramList);
    EXPECT_EQ(form->ActivePage(), 0);
    EXPECT_FALSE(IsWindowEnabled(cx::test::Control(form->hwnd(), cx::app::IDC_BTN_PROGRAMLIST)));
    EXPECT_EQ(cx::test::ControlText(form->hwnd(), cx::app::IDC_LBL_PROGRAMCOUNTS), counts);
    EXPECT_TRUE(form->Menus().pmView.Visible(cx::app::mItemViewIcon));
}

}  // namespace

namespace {

// A broken skin: the guard stops at the first bad value, what came before is skinned.
TEST_F(MainWindowTest, BrokenSkinStopsAtTheFirstBadValue) {
    std::string down = cx::AppPaths().SkinDir + "btnClose_Down.png";
    ASSERT_TRUE(MoveFileA(down.c_str(), (down + ".away").c_str()));
    cx::SetSkinValue(cx::SK_MAINFORM_BUTTON_File_Pos, "1, 2, 3");         // too few parts
    cx::SetSkinValue(cx::SK_MAINFORM_BUTTON_View_Pos, "x, 28, 117, 34");  // not a number
    form.reset();
    form = std::make_unique<TMainForm>();
    form->CreateForm();
    cx::RestoreSkinDefaults();
    MoveFileA((down + ".away").c_str(), down.c_str());

    EXPECT_TRUE(cx::test::WidgetOf<cx::ui::ImageButton>(form->hwnd(), cx::app::IDC_BTN_CLOSE)
                    .Picture(cx::ui::ImageButton::Normal));
    EXPECT_FALSE(cx::test::WidgetOf<cx::ui::ImageButton>(form->hwnd(), cx::app::IDC_BTN_CLOSE)
                     .Picture(cx::ui::ImageButton::Down));
    RECT file = cx::ui::GetBounds(cx::test::Control(form->hwnd(), cx::app::IDC_BTN_FILE));
    EXPECT_EQ(file.left, 11);  // kept its designed place
    EXPECT_EQ(file.top, 28);
    EXPECT_TRUE(cx::test::WidgetOf<cx::ui::ImageButton>(form->hwnd(), cx::app::IDC_BTN_FILE)
                    .Picture(cx::ui::ImageButton::Normal));  // skinned before the stop
    EXPECT_FALSE(cx::test::WidgetOf<cx::ui::ImageButton>(form->hwnd(), cx::app::IDC_BTN_VIEW)
                     .Picture(cx::ui::ImageButton::Normal));
    EXPECT_FALSE(cx::test::WidgetOf<cx::ui::ImageButton>(form->hwnd(), cx::app::IDC_BTN_TOOLS)
                     .Picture(cx::ui::ImageButton::Normal));
    EXPECT_FALSE(
        cx::test::WidgetOf<cx::ui::ImagePanel>(form->hwnd(), cx::app::IDC_IMG_PANELP).Picture());
    EXPECT_TRUE(shown.empty());  // no message for a broken skin
}

}  // namespace

namespace {

TEST_F(MainWindowTest, DeletingAScreenSaverMovesItToTheBackupFolder) {
    form->Execute(cx::app::ActionHideScr);  // screen savers shown
    int row = form->Programs().RowCount() - 1;
    ASSERT_TRUE(form->Programs().RowIsScreenSaver(row));
    std::string folder = form->Programs().RowText(row, 2);
    std::string file = form->Programs().ProgramList().ScreenSaverFile(
        static_cast<long>(form->Programs().RowData(row)));
    ASSERT_TRUE(cx::FileExists(folder + file));

    messages.answer = IDNO;
    form->Programs().SelectRow(row);
    form->Execute(
        form->Programs().UninstallTarget());  // the Delete button runs ActionDeleteScr here
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].flags, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
    EXPECT_TRUE(cx::FileExists(folder + file));  // No: nothing happens

    messages.answer = IDYES;
    int rowsBefore = form->Programs().RowCount();
    form->Programs().SelectRow(row);
    form->Execute(cx::app::ActionUninstall);  // a screen-saver row diverts to the removal
    EXPECT_FALSE(cx::FileExists(folder + file));
    EXPECT_TRUE(cx::FileExists(cx::AppPaths().ScrBackupDir + file));
    EXPECT_EQ(form->Programs().RowCount(), rowsBefore - 1);

    // Put the machine back as seeded for the tests that follow.
    EXPECT_EQ(cx::test::Reseed(), 0);
}

}  // namespace

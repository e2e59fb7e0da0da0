// The details window against the real inventory service on the seeded prefix.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include "InventoryKit.h"
#include "i18n/LangText.h"
#include "inventory/DetailsForm.h"
#include "inventory/ListLogic.h"
#include "platform/Error.h"
#include "platform/Registry.h"
#include "seeder/DemoData.h"

using namespace cx;
using namespace cx::inv;
using invtest::IndexOfKey;

namespace {

using Rows = std::vector<std::pair<std::string, std::string>>;

class DetailsFormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { invtest::PrepareSeededService(); }
    void SetUp() override { ASSERT_FALSE(HasFatalFailure()); }

    // Fills the chooser as the list load does, leaving patches out when asked.
    void LoadChooser(TDetailsForm& form, bool hidePatches, bool pictures = true) {
        form.ClearPrograms();
        list.RefreshPrograms();
        unsigned long n = list.ProgramCount();
        long hidden = 0;
        for (unsigned long i = 0; i < n; ++i) {
            auto item = list.GetProgram(static_cast<long>(i));
            ASSERT_TRUE(item);
            if (hidePatches && item->Kind() == 1) {
                ++hidden;
                continue;
            }
            std::string caption =
                item->DisplayName().empty() ? item->RegistryName() : item->DisplayName();
            int position = form.AddProgram(caption);
            ASSERT_EQ(position, static_cast<long>(i) - hidden);
            form.SetProgramData(position, static_cast<long>(i));
            form.SetProgramImage(position,
                                 pictures ? static_cast<int>(item->IconIndex()) : kIconWhenShown);
        }
    }

    ComInit com;
    invtest::SeamRecorder seam;
    TProgramList list;
};

}  // namespace

TEST_F(DetailsFormTest, PropertiesAndRegistryValuesOfASeededProgram) {
    const demo::DemoProgram& p = demo::ProgramByKey("BrindleNotes_is1");
    long index = IndexOfKey(list, p.keyName);
    ASSERT_GE(index, 0);
    auto item = list.GetProgram(index);
    ASSERT_TRUE(item);

    TDetailsForm form(list);
    form.Create(nullptr);
    LoadChooser(form, false);
    form.FillDetails(index);

    Rows expected;
    ASSERT_NE(item->Size(), 0.0f);
    expected.emplace_back("Programs Size", Format("%.2f MB", item->Size() / 1048576.0));
    expected.emplace_back("Install Date", item->InstallDate());
    expected.emplace_back("Used Frequency", FrequencyWord(item->UsedFrequency()));
    if (!item->LastUsed().empty()) expected.emplace_back("Last Access Date", item->LastUsed());
    expected.emplace_back("Install Location", demo::InstallLocation(p));
    expected.emplace_back("Program Version", p.version);
    expected.emplace_back("Publisher", p.publisher);
    expected.emplace_back("Help Info", p.helpLink);
    expected.emplace_back("About Link", p.aboutLink);
    expected.emplace_back("Update Link", p.updateLink);
    EXPECT_EQ(form.PropertyRowsShown(), expected);
    EXPECT_EQ(item->UsedFrequency(), 25u);
    EXPECT_EQ(form.PropertyRowsShown()[2].second, "Frequently");

    // One row per value of the uninstall key, names in the key's order.
    auto key = reg::Key::Open(demo::HiveRoot(p.hive),
                              std::string(demo::kUninstallPath) + "\\" + p.keyName);
    ASSERT_TRUE(key);
    Rows registry = form.RegistryRowsShown();
    auto values = key->Values();
    ASSERT_EQ(registry.size(), values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(registry[i].first, values[i].name);
        if (values[i].type == REG_SZ) {
            EXPECT_EQ(registry[i].second, reg::StringFromData(values[i].data)) << values[i].name;
        }
    }
    auto row = [&](const std::string& name) {
        for (auto& r : registry)
            if (r.first == name) return r.second;
        return std::string("<missing>");
    };
    EXPECT_EQ(row("DisplayName"), "Brindle Notes 3.4");
    EXPECT_EQ(row("Publisher"), "Brindlecode");
    EXPECT_EQ(row("UninstallString"), demo::UninstallCommand(p));
    EXPECT_EQ(form.ProgramData(form.SelectedProgramPosition()), index);
}

TEST_F(DetailsFormTest, SparseEntryShowsOnlyWhatItHasAndAKeyWithoutValuesGivesAnEmptyPage) {
    invtest::ScopedEntry entry("CxInvTest_Sparse", "Sparse Test Program");
    long index = IndexOfKey(list, entry.name());
    ASSERT_GE(index, 0);
    TDetailsForm form(list);
    LoadChooser(form, false);
    form.FillDetails(index);
    EXPECT_EQ(form.PropertyRowsShown(),
              (Rows{{"Used Frequency", "Rarely"}, {"Publisher", "Cx Test Publisher"}}));
    EXPECT_EQ(form.RegistryRowsShown(),
              (Rows{{"DisplayName", "Sparse Test Program"}, {"Publisher", "Cx Test Publisher"}}));

    // The values are read afresh at each filling: with none left the page is empty.
    auto key = reg::Key::Open(HKEY_CURRENT_USER, entry.KeyPath(), KEY_ALL_ACCESS);
    ASSERT_TRUE(key);
    key->DeleteValue("DisplayName");
    key->DeleteValue("Publisher");
    form.FillDetails(index);
    EXPECT_TRUE(form.RegistryRowsShown().empty());
    // The properties are the record's, as listed by the last refresh.
    EXPECT_EQ(form.PropertyRowsShown().size(), 2u);

    // An index past the last program changes nothing.
    list.RefreshPrograms();
    form.FillDetails(static_cast<long>(list.ProgramCount()) + 5);
    EXPECT_EQ(form.PropertyRowsShown().size(), 2u);
}

TEST_F(DetailsFormTest, ChooserWithHiddenPatchesSelectsByServiceIndex) {
    TDetailsForm form(list);
    form.Create(nullptr);
    LoadChooser(form, true);

    // A program listed after a patch sits at a position below its service index.
    long target = -1;
    long patchesBefore = 0;
    unsigned long n = list.ProgramCount();
    for (unsigned long i = 0; i < n && target < 0; ++i) {
        auto item = list.GetProgram(static_cast<long>(i));
        if (item->Kind() == 1)
            ++patchesBefore;
        else if (patchesBefore > 0)
            target = static_cast<long>(i);
    }
    ASSERT_GE(target, 0) << "the seeded list has no program after a patch";
    form.FillDetails(target);
    int position = form.SelectedProgramPosition();
    EXPECT_EQ(position, target - patchesBefore);
    EXPECT_EQ(form.ProgramData(position), target);
    auto item = list.GetProgram(target);
    EXPECT_EQ(form.ProgramCaption(position), item->DisplayName());
    EXPECT_EQ(form.RegistryRowsShown().empty(), false);

    // Choosing another entry, as the user does, refills both pages for it.
    int other = position == 0 ? 1 : 0;
    long otherIndex = form.ProgramData(other);
    HWND chooser = GetDlgItem(form.hwnd(), TDetailsForm::IDC_CMB_PROGRAMS);
    ASSERT_TRUE(chooser);
    SendMessageA(chooser, CB_SETCURSEL, static_cast<WPARAM>(other), 0);
    SendMessageA(form.hwnd(), WM_COMMAND, MAKEWPARAM(TDetailsForm::IDC_CMB_PROGRAMS, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(chooser));
    auto otherItem = list.GetProgram(otherIndex);
    ASSERT_TRUE(otherItem);
    Rows registry = form.RegistryRowsShown();
    bool found = false;
    for (auto& r : registry)
        if (r.first == "DisplayName") found = (r.second == otherItem->DisplayName());
    EXPECT_TRUE(found) << "the pages still show the program chosen before";
    EXPECT_EQ(form.SelectedProgramPosition(), other);
}

TEST_F(DetailsFormTest, ModalShowingAppliesTextsDisablesTheOwnerAndClosesOnEscape) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "CxInvTestOwner";
    RegisterClassA(&wc);
    HWND owner =
        CreateWindowExA(0, "CxInvTestOwner", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 80,
                        763, 538, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(owner);

    TDetailsForm form(list);
    form.Create(owner);
    LoadChooser(form, false);
    form.FillDetails(IndexOfKey(list, "QuillDraft"));
    SetLangText(IDS_DETAILSFORM_Title, "Details (translated)");
    SetLangText(IDS_DETAILSFORM_TABSHEETRV_TITLE, "Raw values");
    SetLangText(IDS_DETAILSFORM_TABSHEETPP_LISTVIEW_COLUMNS_Name, "Field");

    bool hookRan = false;
    ui::SetModalHook([&](HWND h) {
        hookRan = true;
        EXPECT_TRUE(IsWindowVisible(h));
        EXPECT_FALSE(IsWindowEnabled(owner));
        EXPECT_EQ(GetWindow(h, GW_OWNER), owner);
        SIZE client = invtest::ClientSize(h);
        EXPECT_EQ(client.cx, 444);
        EXPECT_EQ(client.cy, 346);
        EXPECT_EQ(ui::WindowString(h), "Details (translated)");
        LONG style = GetWindowLongA(h, GWL_STYLE);
        EXPECT_TRUE(style & WS_CAPTION);
        EXPECT_FALSE(style & WS_THICKFRAME);
        // Centred on the owner.
        RECT o, d;
        GetWindowRect(owner, &o);
        GetWindowRect(h, &d);
        EXPECT_NEAR((d.left + d.right) / 2, (o.left + o.right) / 2, 1);
        EXPECT_NEAR((d.top + d.bottom) / 2, (o.top + o.bottom) / 2, 1);

        HWND tabs = invtest::Control(h, TDetailsForm::IDC_PC_PROGRAMDETAILS);
        char text[64] = {};
        TCITEMA tab{};
        tab.mask = TCIF_TEXT;
        tab.pszText = text;
        tab.cchTextMax = sizeof text;
        SendMessageA(tabs, TCM_GETITEMA, 1, reinterpret_cast<LPARAM>(&tab));
        EXPECT_STREQ(text, "Raw values");
        HWND info = GetDlgItem(tabs, TDetailsForm::IDC_LSV_PROGRAMINFO);
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT;
        col.pszText = text;
        col.cchTextMax = sizeof text;
        SendMessageA(info, LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&col));
        EXPECT_STREQ(text, "Field");

        // Escape, through the loop's keyboard handling, closes with Cancel.
        HWND focus = GetFocus();
        EXPECT_TRUE(focus && IsChild(h, focus));
        PostMessageA(focus, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    int result = form.ShowModal(owner);
    RestoreEnglishDefaults();
    EXPECT_TRUE(hookRan);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_FALSE(IsWindowVisible(form.hwnd()));  // kept for the next showing

    // The second showing uses the same window; the close box ends it too.
    HWND first = form.hwnd();
    ui::SetModalHook([&](HWND h) {
        EXPECT_EQ(h, first);
        EXPECT_EQ(ui::WindowString(h), "Detail information");
        PostMessageA(h, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(form.ShowModal(owner), IDCANCEL);
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

TEST_F(DetailsFormTest, PagesSwitchWithTheirTabs) {
    TDetailsForm form(list);
    form.Create(nullptr);
    HWND tabs = GetDlgItem(form.hwnd(), TDetailsForm::IDC_PC_PROGRAMDETAILS);
    HWND info = GetDlgItem(tabs, TDetailsForm::IDC_LSV_PROGRAMINFO);
    HWND values = GetDlgItem(tabs, TDetailsForm::IDC_LSV_REGISTRYINFO);
    ASSERT_TRUE(info && values);
    EXPECT_EQ(form.ActivePage(), 0);
    EXPECT_TRUE(GetWindowLongA(info, GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(GetWindowLongA(values, GWL_STYLE) & WS_VISIBLE);
    // What a click on the second tab sends.
    SendMessageA(tabs, TCM_SETCURSEL, 1, 0);
    NMHDR nm{tabs, static_cast<UINT_PTR>(TDetailsForm::IDC_PC_PROGRAMDETAILS),
             static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageA(form.hwnd(), WM_NOTIFY, nm.idFrom, reinterpret_cast<LPARAM>(&nm));
    EXPECT_FALSE(GetWindowLongA(info, GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(GetWindowLongA(values, GWL_STYLE) & WS_VISIBLE);
}

// The main window hands the chooser its entries without pictures: the chooser
// asks the service for an entry's picture when it first draws the entry.
TEST_F(DetailsFormTest, ChooserPicturesAreAskedForWhenDrawn) {
    TDetailsForm form(list);
    form.Create(nullptr);
    LoadChooser(form, false, false);
    ASSERT_GE(form.ProgramCount(), 2);
    form.FillDetails(0);
    ShowWindow(form.hwnd(), SW_SHOWNOACTIVATE);
    HWND chooser = GetDlgItem(form.hwnd(), TDetailsForm::IDC_CMB_PROGRAMS);
    auto picture = [&](int position) {
        COMBOBOXEXITEMA item{};
        item.mask = CBEIF_IMAGE;
        item.iItem = position;
        SendMessageA(chooser, CBEM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        return item.iImage;
    };
    EXPECT_EQ(picture(1), I_IMAGECALLBACK);
    HWND combo = reinterpret_cast<HWND>(SendMessageA(chooser, CBEM_GETCOMBOCONTROL, 0, 0));
    SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    COMBOBOXINFO info{sizeof info};
    ASSERT_TRUE(GetComboBoxInfo(combo, &info));
    RedrawWindow(info.hwndList, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
    auto item = list.GetProgram(form.ProgramData(1));
    ASSERT_TRUE(item);
    EXPECT_EQ(picture(1), static_cast<int>(item->IconIndex()));
}

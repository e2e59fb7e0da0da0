// The Languages submenu of the main window: every text of every window follows
// a switch, the choice is stored, and a switch is done whole even when it
// cannot be stored.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "AppKit.h"
#include "app/AppPaths.h"
#include "app/MainForm.h"
#include "cleanup/Uninstall.h"
#include "harness/MessageLog.h"
#include "harness/Windows.h"
#include "harness/TestKit.h"
#include "i18n/LangText.h"
#include "platform/Com.h"
#include "platform/Files.h"
#include "platform/Strings.h"
#include "widgets/Seam.h"

namespace {

using namespace cx;
using app::TMainForm;

std::string IniValue(const std::string& file, const std::string& section, const std::string& key) {
    char buf[2048] = {};
    GetPrivateProfileStringA(section.c_str(), key.c_str(), "\x01", buf, sizeof buf, file.c_str());
    return buf;
}

std::string WindowText(HWND h) {
    char buf[1024] = {};
    GetWindowTextA(h, buf, sizeof buf);
    return buf;
}

std::string ColumnText(HWND list, int column) {
    char buf[256] = {};
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT;
    col.pszText = buf;
    col.cchTextMax = sizeof buf;
    ListView_GetColumn(list, column, &col);
    return buf;
}

// Every text the main window takes from the language table, as shown now.
struct Shown {
    Ids key;
    std::function<std::string()> text;
};

std::vector<Shown> MainWindowTexts(TMainForm& f) {
    using namespace app;
    std::vector<Shown> out;
    // Found again at each look, by id, as the window shows it.
    auto control = [&](int id, Ids key) {
        out.push_back({key, [&f, id] { return cx::test::ControlText(f.hwnd(), id); }});
    };
    control(IDC_BTN_FILE, IDS_MAINFORM_MENU_File);
    control(IDC_BTN_VIEW, IDS_MAINFORM_MENU_View);
    control(IDC_BTN_TOOLS, IDS_MAINFORM_MENU_Tools);
    control(IDC_BTN_HELP, IDS_MAINFORM_MENU_Help);
    control(IDC_BTN_PROGRAMLIST, IDS_PAGECONTROL_TABSHEETPL_Title);
    control(IDC_BTN_UNINSTALL, IDS_SIDEBAR_BUTTON_Uninstall);
    control(IDC_BTN_SHOWDETAILS, IDS_SIDEBAR_BUTTON_SHOWDETAILS);
    control(IDC_BTN_REFRESH, IDS_SIDEBAR_BUTTON_Refresh);
    control(IDC_BTN_SEARCH, IDS_SIDEBAR_GROUPBOX_BUTTON_Search);
    control(IDC_BTN_STARTUPITEMLIST, IDS_PAGECONTROL_TABSHEETSIL_Title);
    control(IDC_BTN_SELECTALL, IDS_SIDEBAR_BUTTON_UnSelectAll);
    control(IDC_BTN_DELETE, IDS_SIDEBAR_BUTTON_Delete);
    control(IDC_BTN_APPLY, IDS_SIDEBAR_BUTTON_Apply);
    auto item = [&](const ui::PopupMenu& m, int id, Ids key) {
        out.push_back({key, [&m, id] { return m.Caption(id); }});
    };
    item(f.Menus().pmFile, mItemAddProgram, IDS_MAINFORM_MENU_FILE_NewProgram);
    item(f.Menus().pmFile, mItemExportReg, IDS_MAINFORM_MENU_FILE_ExportRegInfo);
    item(f.Menus().pmFile, mItemReloadReg, IDS_MAINFORM_MENU_FILE_ReloadRegInfo);
    item(f.Menus().pmFile, mItemBackup, IDS_MAINFORM_MENU_FILE_CreateBackup);
    item(f.Menus().pmFile, mItemExportList, IDS_MAINFORM_MENU_FILE_ExportPrmList);
    item(f.Menus().pmFile, mItemExit, IDS_MAINFORM_MENU_FILE_Exit);
    item(f.Menus().pmView, mItemGrid, IDS_MAINFORM_MENU_VIEW_Grid);
    item(f.Menus().pmView, mItemInfoTips, IDS_MAINFORM_MENU_VIEW_Tips);
    item(f.Menus().pmView, mItemViewIcon, IDS_MAINFORM_MENU_VIEW_Icon);
    item(f.Menus().pmView, mItemViewList, IDS_MAINFORM_MENU_VIEW_List);
    item(f.Menus().pmView, mItemViewReport, IDS_MAINFORM_MENU_VIEW_Report);
    item(f.Menus().pmView, mItemRefresh, IDS_MAINFORM_MENU_VIEW_Refresh);
    item(f.Menus().pmView, mItemLanguagesId, IDS_MAINFORM_MENU_VIEW_Languages);
    item(f.Menus().pmTools, mItemRegedit, IDS_MAINFORM_MENU_TOOLS_Regedit);
    item(f.Menus().pmTools, mItemComment, IDS_MAINFORM_MENU_TOOLS_CommentEntry);
    item(f.Menus().pmTools, mItemUpdates, IDS_MAINFORM_MENU_TOOLS_WindowsUpdate);
    item(f.Menus().pmTools, mItemServices, IDS_MAINFORM_MENU_TOOLS_WindowsServices);
    item(f.Menus().pmTools, mItemComponents, IDS_MAINFORM_MENU_TOOLS_WindowsComponents);
    item(f.Menus().pmHelp, mItemHelpContent, IDS_MAINFORM_MENU_HELP_HelpContent);
    item(f.Menus().pmHelp, mItemOnlineRes, IDS_MAINFORM_MENU_HELP_OnlineRes);
    item(f.Menus().pmHelp, mItemContact, IDS_MAINFORM_MENU_HELP_Contact);
    item(f.Menus().pmHelp, mItemAbout, IDS_MAINFORM_MENU_HELP_About);
    item(f.Menus().pmPLRightClick, mItemUninstall, IDS_LISTVIEW_RIGHTCLICK_Uninstall);
    item(f.Menus().pmPLRightClick, mItemAddComments, IDS_LISTVIEW_RIGHTCLICK_CommentEntry);
    item(f.Menus().pmPLRightClick, mItemEditEntryReg, IDS_LISTVIEW_RIGHTCLICK_RegistryEditor);
    item(f.Menus().pmPLRightClick, mItemExportRegInfo, IDS_LISTVIEW_RIGHTCLICK_ExportRegInfo);
    item(f.Menus().pmPLRightClick, mItemShowDetails, IDS_LISTVIEW_RIGHTCLICK_ShowDetails);
    item(f.Menus().pmPLRightClick, mItemViewId, IDS_LISTVIEW_RIGHTCLICK_View);
    item(f.Menus().mItemView, mItemIcon, IDS_LISTVIEW_RIGHTCLICK_ViewIcon);
    item(f.Menus().mItemView, mItemList, IDS_LISTVIEW_RIGHTCLICK_ViewList);
    item(f.Menus().mItemView, mItemReport, IDS_LISTVIEW_RIGHTCLICK_ViewReport);
    item(f.Menus().pmSLRightClick, mItemAddEntry, IDS_LISTVIEW_RIGHTCLICK_AddItem);
    item(f.Menus().pmSLRightClick, mItemDeleteEntry, IDS_LISTVIEW_RIGHTCLICK_DeleteItem);
    item(f.Menus().pmSLRightClick, mItemRefreshSI, IDS_LISTVIEW_RIGHTCLICK_Refresh);
    auto column = [&](HWND list, int index, Ids key) {
        out.push_back({key, [list, index] { return ColumnText(list, index); }});
    };
    column(f.Programs().ListView(), 0, IDS_LISTVIEW_COLUMNS_Descriptions);
    column(f.Programs().ListView(), 1, IDS_LISTVIEW_COLUMNS_Publisher);
    column(f.Programs().ListView(), 2, IDS_LISTVIEW_COLUMNS_Directory);
    column(f.Startup().ListView(), 0, IDS_LISTVIEW_COLUMNS_StatrupItem);
    column(f.Startup().ListView(), 1, IDS_LISTVIEW_COLUMNS_Command);
    column(f.Startup().ListView(), 2, IDS_LISTVIEW_COLUMNS_Location);
    control(IDC_LBL_PROGRAMS, IDS_STATUSBAR_LABEL_Programs);
    control(IDC_LBL_REGNAME, IDS_STATUSBAR_LABEL_RegistryName);
    control(IDC_GRBSEARCH, IDS_SIDEBAR_GROUPBOX_TITLE_Search);
    control(IDC_LBL_SEARCHTITLE, IDS_SIDEBAR_GROUPBOX_LABEL_Info);
    control(IDC_CKBHIDEPATCH, IDS_SIDEBAR_CHECKBOX_HideSysPatch);
    control(IDC_CKBHIDESCR, IDS_SIDEBAR_CHECKBOX_HideScr);
    control(IDC_GRBITEMINFO, IDS_SIDEBAR_GROUPBOX_TITLE_ItemInfo);
    control(IDC_LBL_PUBLISHER, IDS_SIDEBAR_GROUPBOX_LABEL_Publisher);
    control(IDC_LBL_VERSION, IDS_SIDEBAR_GROUPBOX_LABEL_Version);
    control(IDC_LBL_DES, IDS_SIDEBAR_GROUPBOX_LABEL_Description);
    return out;
}

class LanguageMenuTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { appDir = new std::string(test::PrepareAppCopy("languages")); }
    void SetUp() override {
        langDir = *appDir + "Langs\\";
        ASSERT_TRUE(FileExists(langDir + "Deutsch.ini")) << "the second language is not shipped";
        // A file named with a second dot, a folder that looks like a file, a stray backup.
        WritePrivateProfileStringA("Language", "IDS_MAINFORM_MENU_File", "Fil",
                                   (langDir + "Norsk.nb.ini").c_str());
        CreateDirectoryA((langDir + "Folder.ini").c_str(), nullptr);
        ASSERT_TRUE(test::StartFresh(*appDir));
        form.CreateForm();
        form.Show(SW_SHOWNOACTIVATE);
    }
    void TearDown() override {
        ui::SetModalHook({});
        RestoreEnglishDefaults();
    }
    int IndexOf(const std::string& caption) const {
        const auto& items = form.LanguageChoices();
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].caption == caption) return static_cast<int>(i);
        return -1;
    }
    bool Checked(const std::string& caption) {
        return form.Menus().mItemLanguages.Checked(app::mItemLanguageFirst + IndexOf(caption));
    }
    std::string StoredLanguage() {
        return IniValue(*appDir + "Config.ini", "config", "LanguageFile");
    }
    // The caption of each secondary window as it shows, in opening order.
    std::vector<std::string> SecondaryCaptions() {
        std::vector<std::string> captions;
        ui::SetModalHook([&](HWND dialog) {
            captions.push_back(WindowText(dialog));
            PostMessageA(dialog, WM_CLOSE, 0, 0);
        });
        form.Programs().SelectRow(0);
        form.Execute(app::ActionShowDetails);
        form.Execute(app::ActionComment);
        form.Execute(app::ActionExporetList);
        cleanup::UninstallTarget target{"CxNoSuchProgram", "", "No Such Program",
                                        "HKEY_CURRENT_USER"};
        form.Programs().RunRemainsScan(target);
        form.Execute(app::ActionAddItem);
        form.Execute(app::ActionAbout);
        ui::SetModalHook({});
        return captions;
    }
    static std::string* appDir;
    std::string langDir;
    ComInit com;
    test::MessageLog messages;
    TMainForm form;
};
std::string* LanguageMenuTest::appDir = nullptr;

TEST_F(LanguageMenuTest, SwitchingChangesEveryTextAndEnglishBringsThemBack) {
    ASSERT_GE(IndexOf("English"), 0);
    ASSERT_GE(IndexOf("Deutsch"), 0);
    EXPECT_EQ(IndexOf("Folder"), -1) << "a folder got a menu item";
    EXPECT_TRUE(Checked("English"));
    EXPECT_FALSE(Checked("Deutsch"));

    const std::string german = langDir + "Deutsch.ini";
    const std::string english = langDir + "English.ini";
    std::vector<Shown> texts = MainWindowTexts(form);
    ASSERT_EQ(texts.size(), 13u + 34u + 6u + 10u);

    form.LanguageItemClick(IndexOf("Deutsch"));
    EXPECT_EQ(StoredLanguage(), "Deutsch.ini");
    EXPECT_EQ(AppPaths().LanguagePath, german);
    EXPECT_TRUE(Checked("Deutsch"));
    EXPECT_FALSE(Checked("English"));
    for (const Shown& s : texts) {
        std::string expected = IniValue(german, "Language", LangKeyForRead(s.key));
        EXPECT_NE(expected, "\x01") << LangKeyForRead(s.key) << " is missing from Deutsch.ini";
        EXPECT_EQ(s.text(), expected) << LangKeyForRead(s.key);
    }
    // The count line follows the new width of its label.
    RECT programs = ui::GetBounds(cx::test::Control(form.hwnd(), cx::app::IDC_LBL_PROGRAMS));
    RECT counts = ui::GetBounds(cx::test::Control(form.hwnd(), cx::app::IDC_LBL_PROGRAMCOUNTS));
    EXPECT_EQ(counts.left, programs.right + 5);

    std::vector<std::string> captions = SecondaryCaptions();
    const std::vector<Ids> titles = {IDS_DETAILSFORM_Title, IDS_COMMENTFORM_Title,
                                     IDS_PRINTFORM_Title,   IDS_SCANFORM_Title,
                                     IDS_ADDITEMFORM_Title, IDS_ABOUTFORM_Title};
    ASSERT_EQ(captions.size(), titles.size());
    for (size_t i = 0; i < titles.size(); ++i)
        EXPECT_EQ(captions[i], IniValue(german, "Language", LangKeyForRead(titles[i])));

    form.LanguageItemClick(IndexOf("English"));
    EXPECT_EQ(StoredLanguage(), "English.ini");
    EXPECT_TRUE(Checked("English"));
    for (const Shown& s : texts) EXPECT_EQ(s.text(), LangEnglishDefault(s.key));
    captions = SecondaryCaptions();
    ASSERT_EQ(captions.size(), titles.size());
    for (size_t i = 0; i < titles.size(); ++i) EXPECT_EQ(captions[i], LangText(titles[i]));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(LanguageMenuTest, AFileNamedWithASecondDotIsFoundAgain) {
    ASSERT_GE(IndexOf("Norsk"), 0);
    form.LanguageItemClick(IndexOf("Norsk"));
    EXPECT_EQ(StoredLanguage(), "Norsk.nb.ini");
    EXPECT_TRUE(Checked("Norsk"));
    EXPECT_EQ(cx::test::ControlText(form.hwnd(), cx::app::IDC_BTN_FILE), "Fil");
}

TEST_F(LanguageMenuTest, ASwitchThatCannotBeStoredIsStillDoneWholeAndSaysSo) {
    const std::string config = *appDir + "Config.ini";
    // Held open without sharing, as another program may hold it.
    HANDLE held = CreateFileA(config.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    form.LanguageItemClick(IndexOf("Deutsch"));
    CloseHandle(held);
    EXPECT_EQ(StoredLanguage(), "English.ini");
    EXPECT_TRUE(Checked("Deutsch"));
    EXPECT_EQ(AppPaths().LanguagePath, langDir + "Deutsch.ini");
    EXPECT_EQ(cx::test::ControlText(form.hwnd(), cx::app::IDC_BTN_FILE), "Datei")
        << "the mark moved but the texts did not";
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Unable to write to " + config);
}

TEST_F(LanguageMenuTest, AFileRemovedSinceTheMenuWasBuiltChangesNothing) {
    ASSERT_TRUE(DeleteFileA((langDir + "Norsk.nb.ini").c_str()));
    form.LanguageItemClick(IndexOf("Norsk"));
    EXPECT_EQ(StoredLanguage(), "English.ini");
    EXPECT_TRUE(Checked("English"));
    EXPECT_FALSE(Checked("Norsk"));
    EXPECT_EQ(cx::test::ControlText(form.hwnd(), cx::app::IDC_BTN_FILE), "File");
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace

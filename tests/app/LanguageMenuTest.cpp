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
    auto button = [&](ui::ImageButton& b, Ids key) {
        out.push_back({key, [&b] { return b.Caption(); }});
    };
    button(f.btnFile, IDS_MAINFORM_MENU_File);
    button(f.btnView, IDS_MAINFORM_MENU_View);
    button(f.btnTools, IDS_MAINFORM_MENU_Tools);
    button(f.btnHelp, IDS_MAINFORM_MENU_Help);
    button(f.btnProgramList, IDS_PAGECONTROL_TABSHEETPL_Title);
    button(f.btnUninstall, IDS_SIDEBAR_BUTTON_Uninstall);
    button(f.btnShowDetails, IDS_SIDEBAR_BUTTON_SHOWDETAILS);
    button(f.btnRefresh, IDS_SIDEBAR_BUTTON_Refresh);
    button(f.btnSearch, IDS_SIDEBAR_GROUPBOX_BUTTON_Search);
    button(f.btnStartupItemList, IDS_PAGECONTROL_TABSHEETSIL_Title);
    button(f.btnSelectAll, IDS_SIDEBAR_BUTTON_UnSelectAll);
    button(f.btnDelete, IDS_SIDEBAR_BUTTON_Delete);
    button(f.btnApply, IDS_SIDEBAR_BUTTON_Apply);
    auto item = [&](ui::PopupMenu& m, int id, Ids key) {
        out.push_back({key, [&m, id] { return m.Caption(id); }});
    };
    item(f.pmFile, mItemAddProgram, IDS_MAINFORM_MENU_FILE_NewProgram);
    item(f.pmFile, mItemExportReg, IDS_MAINFORM_MENU_FILE_ExportRegInfo);
    item(f.pmFile, mItemReloadReg, IDS_MAINFORM_MENU_FILE_ReloadRegInfo);
    item(f.pmFile, mItemBackup, IDS_MAINFORM_MENU_FILE_CreateBackup);
    item(f.pmFile, mItemExportList, IDS_MAINFORM_MENU_FILE_ExportPrmList);
    item(f.pmFile, mItemExit, IDS_MAINFORM_MENU_FILE_Exit);
    item(f.pmView, mItemGrid, IDS_MAINFORM_MENU_VIEW_Grid);
    item(f.pmView, mItemInfoTips, IDS_MAINFORM_MENU_VIEW_Tips);
    item(f.pmView, mItemViewIcon, IDS_MAINFORM_MENU_VIEW_Icon);
    item(f.pmView, mItemViewList, IDS_MAINFORM_MENU_VIEW_List);
    item(f.pmView, mItemViewReport, IDS_MAINFORM_MENU_VIEW_Report);
    item(f.pmView, mItemRefresh, IDS_MAINFORM_MENU_VIEW_Refresh);
    item(f.pmView, mItemLanguagesId, IDS_MAINFORM_MENU_VIEW_Languages);
    item(f.pmTools, mItemRegedit, IDS_MAINFORM_MENU_TOOLS_Regedit);
    item(f.pmTools, mItemComment, IDS_MAINFORM_MENU_TOOLS_CommentEntry);
    item(f.pmTools, mItemUpdates, IDS_MAINFORM_MENU_TOOLS_WindowsUpdate);
    item(f.pmTools, mItemServices, IDS_MAINFORM_MENU_TOOLS_WindowsServices);
    item(f.pmTools, mItemComponents, IDS_MAINFORM_MENU_TOOLS_WindowsComponents);
    item(f.pmHelp, mItemHelpContent, IDS_MAINFORM_MENU_HELP_HelpContent);
    item(f.pmHelp, mItemOnlineRes, IDS_MAINFORM_MENU_HELP_OnlineRes);
    item(f.pmHelp, mItemContact, IDS_MAINFORM_MENU_HELP_Contact);
    item(f.pmHelp, mItemAbout, IDS_MAINFORM_MENU_HELP_About);
    item(f.pmPLRightClick, mItemUninstall, IDS_LISTVIEW_RIGHTCLICK_Uninstall);
    item(f.pmPLRightClick, mItemAddComments, IDS_LISTVIEW_RIGHTCLICK_CommentEntry);
    item(f.pmPLRightClick, mItemEditEntryReg, IDS_LISTVIEW_RIGHTCLICK_RegistryEditor);
    item(f.pmPLRightClick, mItemExportRegInfo, IDS_LISTVIEW_RIGHTCLICK_ExportRegInfo);
    item(f.pmPLRightClick, mItemShowDetails, IDS_LISTVIEW_RIGHTCLICK_ShowDetails);
    item(f.pmPLRightClick, mItemViewId, IDS_LISTVIEW_RIGHTCLICK_View);
    item(f.mItemView, mItemIcon, IDS_LISTVIEW_RIGHTCLICK_ViewIcon);
    item(f.mItemView, mItemList, IDS_LISTVIEW_RIGHTCLICK_ViewList);
    item(f.mItemView, mItemReport, IDS_LISTVIEW_RIGHTCLICK_ViewReport);
    item(f.pmSLRightClick, mItemAddEntry, IDS_LISTVIEW_RIGHTCLICK_AddItem);
    item(f.pmSLRightClick, mItemDeleteEntry, IDS_LISTVIEW_RIGHTCLICK_DeleteItem);
    item(f.pmSLRightClick, mItemRefreshSI, IDS_LISTVIEW_RIGHTCLICK_Refresh);
    auto column = [&](HWND list, int index, Ids key) {
        out.push_back({key, [list, index] { return ColumnText(list, index); }});
    };
    column(f.lsvProgramList, 0, IDS_LISTVIEW_COLUMNS_Descriptions);
    column(f.lsvProgramList, 1, IDS_LISTVIEW_COLUMNS_Publisher);
    column(f.lsvProgramList, 2, IDS_LISTVIEW_COLUMNS_Directory);
    column(f.lsvStartupList, 0, IDS_LISTVIEW_COLUMNS_StatrupItem);
    column(f.lsvStartupList, 1, IDS_LISTVIEW_COLUMNS_Command);
    column(f.lsvStartupList, 2, IDS_LISTVIEW_COLUMNS_Location);
    out.push_back({IDS_STATUSBAR_LABEL_Programs, [&f] { return f.lblPrograms.Text(); }});
    out.push_back({IDS_STATUSBAR_LABEL_RegistryName, [&f] { return f.lblRegName.Text(); }});
    auto label = [&](HWND h, Ids key) { out.push_back({key, [h] { return WindowText(h); }}); };
    label(f.grbSearch, IDS_SIDEBAR_GROUPBOX_TITLE_Search);
    label(f.lblSearchTitle, IDS_SIDEBAR_GROUPBOX_LABEL_Info);
    label(f.ckbHidePatch, IDS_SIDEBAR_CHECKBOX_HideSysPatch);
    label(f.ckbHideScr, IDS_SIDEBAR_CHECKBOX_HideScr);
    label(f.grbItemInfo, IDS_SIDEBAR_GROUPBOX_TITLE_ItemInfo);
    label(f.lblPublisher, IDS_SIDEBAR_GROUPBOX_LABEL_Publisher);
    label(f.lblVersion, IDS_SIDEBAR_GROUPBOX_LABEL_Version);
    label(f.lblDes, IDS_SIDEBAR_GROUPBOX_LABEL_Description);
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
        return form.mItemLanguages.Checked(app::mItemLanguageFirst + IndexOf(caption));
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
        form.SelectRow(0);
        form.Execute(app::ActionShowDetails);
        form.Execute(app::ActionComment);
        form.Execute(app::ActionExporetList);
        cleanup::UninstallTarget target{"CxNoSuchProgram", "", "No Such Program",
                                        "HKEY_CURRENT_USER"};
        form.RunRemainsScan(target);
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
    RECT programs = ui::GetBounds(form.lblPrograms.hwnd());
    RECT counts = ui::GetBounds(form.lblProgramCounts.hwnd());
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
    EXPECT_EQ(form.btnFile.Caption(), "Fil");
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
    EXPECT_EQ(form.btnFile.Caption(), "Datei") << "the mark moved but the texts did not";
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Unable to write to " + config);
}

TEST_F(LanguageMenuTest, AFileRemovedSinceTheMenuWasBuiltChangesNothing) {
    ASSERT_TRUE(DeleteFileA((langDir + "Norsk.nb.ini").c_str()));
    form.LanguageItemClick(IndexOf("Norsk"));
    EXPECT_EQ(StoredLanguage(), "English.ini");
    EXPECT_TRUE(Checked("English"));
    EXPECT_FALSE(Checked("Norsk"));
    EXPECT_EQ(form.btnFile.Caption(), "File");
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace

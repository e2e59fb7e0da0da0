#include "skin/SkinSettings.h"

#include <array>
#include <iterator>

namespace cx {

namespace {

constexpr const char* kMainForm = "MainForm";
constexpr const char* kRegistryForm = "RegistryForm";

struct SkinEntry {
    SkinKey id;
    const char* key;
    const char* section;
    const char* defaultValue;
};

#define SK(id) id, #id

// The two page buttons share one picture set, and their fifth key is
// "_PosDisabled" although it names a picture.
constexpr SkinEntry kSkinTable[] = {
    // Section "MainForm"
    {SK(SK_MAINFORM_Pos), kMainForm, "0, 0, 763, 538"},
    {SK(SK_MAINFORM_PicBackGround), kMainForm, "img_Main.png"},
    {SK(SK_MAINFORM_BUTTON_Min_Pos), kMainForm, "680, 9, 21, 21"},
    {SK(SK_MAINFORM_BUTTON_Min_PicNormal), kMainForm, "btnMin_Normal.png"},
    {SK(SK_MAINFORM_BUTTON_Min_PicMouseHover), kMainForm, "btnMin_Hover.png"},
    {SK(SK_MAINFORM_BUTTON_Min_PicMouseDown), kMainForm, "btnMin_Down.png"},
    {SK(SK_MAINFORM_BUTTON_Min_PicDisabled), kMainForm, "btnMin_Disabled.png"},
    {SK(SK_MAINFORM_BUTTON_HelpContent_Pos), kMainForm, "701, 9, 21, 21"},
    {SK(SK_MAINFORM_BUTTON_HelpContent_PicNormal), kMainForm, "btnHelpContent_Normal.png"},
    {SK(SK_MAINFORM_BUTTON_HelpContent_PicMouseHover), kMainForm, "btnHelpContent_Hover.png"},
    {SK(SK_MAINFORM_BUTTON_HelpContent_PicMouseDown), kMainForm, "btnHelpContent_Down.png"},
    {SK(SK_MAINFORM_BUTTON_HelpContent_PicDisabled), kMainForm, "btnHelpContent_Disabled.png"},
    {SK(SK_MAINFORM_BUTTON_Close_Pos), kMainForm, "722, 9, 21, 21"},
    {SK(SK_MAINFORM_BUTTON_Close_PicNormal), kMainForm, "btnClose_Normal.png"},
    {SK(SK_MAINFORM_BUTTON_Close_PicMouseHover), kMainForm, "btnClose_Hover.png"},
    {SK(SK_MAINFORM_BUTTON_Close_PicMouseDown), kMainForm, "btnClose_Down.png"},
    {SK(SK_MAINFORM_BUTTON_Close_PicDisabled), kMainForm, "btnClose_Disabled.png"},
    {SK(SK_MAINFORM_BUTTON_File_Pos), kMainForm, "11, 28, 117, 34"},
    {SK(SK_MAINFORM_BUTTON_File_PicNormal), kMainForm, "btnFile_Normal.png"},
    {SK(SK_MAINFORM_BUTTON_File_PicMouseHover), kMainForm, "btnFile_Hover.png"},
    {SK(SK_MAINFORM_BUTTON_File_PicMouseDown), kMainForm, "btnFile_Down.png"},
    {SK(SK_MAINFORM_BUTTON_File_PicDisabled), kMainForm, "btnFile_Disabled.png"},
    {SK(SK_MAINFORM_BUTTON_View_Pos), kMainForm, "128, 28, 117, 34"},
    {SK(SK_MAINFORM_BUTTON_View_PicNormal), kMainForm, "btnView_Normal.png"},
    {SK(SK_MAINFORM_BUTTON_View_PicMouseHover), kMainForm, "btnView_Hover.png"},
    {SK(SK_MAINFORM_BUTTON_View_PicMouseDown), kMainForm, "btnView_Down.png"},
    {SK(SK_MAINFORM_BUTTON_View_PicDisabled), kMainForm, "btnView_Disabled.png"},
    {SK(SK_MAINFORM_BUTTON_Tools_Pos), kMainForm, "245, 28, 117, 34"},
    {SK(SK_MAINFORM_BUTTON_Tools_PicNormal), kMainForm, "btnTools_Normal.png"},
    {SK(SK_MAINFORM_BUTTON_Tools_PicMouseHover), kMainForm, "btnTools_Hover.png"},
    {SK(SK_MAINFORM_BUTTON_Tools_PicMouseDown), kMainForm, "btnTools_Down.png"},
    {SK(SK_MAINFORM_BUTTON_Tools_PicDisabled), kMainForm, "btnTools_Disabled.png"},
    {SK(SK_MAINFORM_BUTTON_Help_Pos), kMainForm, "362, 28, 117, 34"},
    {SK(SK_MAINFORM_BUTTON_Help_PicNormal), kMainForm, "btnHelp_Normal.png"},
    {SK(SK_MAINFORM_BUTTON_Help_PicMouseHover), kMainForm, "btnHelp_Hover.png"},
    {SK(SK_MAINFORM_BUTTON_Help_PicMouseDown), kMainForm, "btnHelp_Down.png"},
    {SK(SK_MAINFORM_BUTTON_Help_PicDisabled), kMainForm, "btnHelp_Disabled.png"},
    {SK(SK_MAINFORM_BUTTON_ProgramList_Pos), kMainForm, "5, 78, 126, 33"},
    {SK(SK_MAINFORM_BUTTON_ProgramList_PicNormal), kMainForm, "btnProgramList_Hover.png"},
    {SK(SK_MAINFORM_BUTTON_ProgramList_PicMouseHover), kMainForm, "btnProgramList_Disabled.png"},
    {SK(SK_MAINFORM_BUTTON_ProgramList_PicMouseDown), kMainForm, "btnProgramList_Disabled.png"},
    {SK(SK_MAINFORM_BUTTON_ProgramList_PosDisabled), kMainForm, "btnProgramList_Disabled.png"},
    {SK(SK_MAINFORM_BUTTON_StartupItems_Pos), kMainForm, "131, 78, 126, 33"},
    {SK(SK_MAINFORM_BUTTON_StartupItems_PicNormal), kMainForm, "btnProgramList_Hover.png"},
    {SK(SK_MAINFORM_BUTTON_StartupItems_PicMouseHover), kMainForm, "btnProgramList_Disabled.png"},
    {SK(SK_MAINFORM_BUTTON_StartupItems_PicMouseDown), kMainForm, "btnProgramList_Disabled.png"},
    {SK(SK_MAINFORM_BUTTON_StartupItems_PosDisabled), kMainForm, "btnProgramList_Disabled.png"},
    {SK(SK_MAINFORM_PAGECONTROL_Pos), kMainForm, "5, 112, 750, 394"},
    {SK(SK_MAINFORM_PAGE1_Pos), kMainForm, "0, 1, 750, 394"},
    {SK(SK_MAINFORM_PAGE1_LISTVIEW_ProgramList_Pos), kMainForm, "169, 0, 582, 394"},
    {SK(SK_MAINFORM_PAGE1_LISTVIEW_ProgramList_FullPos), kMainForm, "9, 0, 742, 394"},
    {SK(SK_MAINFORM_PAGE1_SizePanel_Pos), kMainForm, "0, 0, 169, 394"},
    {SK(SK_MAINFORM_PAGE1_ImgPanel_Pos), kMainForm, "0, 0, 160, 394"},
    {SK(SK_MAINFORM_PAGE1_ImgPanel_Pic), kMainForm, "img_SizePanel.png"},
    {SK(SK_MAINFORM_PAGE1_BUTTON_Uninstall_Pos), kMainForm, "15, 16, 141, 34"},
    {SK(SK_MAINFORM_PAGE1_BUTTON_Uninstall_PicNormal), kMainForm, "btnUninstall_Normal.png"},
    {SK(SK_MAINFORM_PAGE1_BUTTON_Uninstall_PicMouseHover), kMainForm, "btnUninstall_Hover.png"},
    {SK(SK_MAINFORM_PAGE1_BUTTON_Uninstall_PicMouseDown), kMainForm, "btnUninstall_Down.png"},
    {SK(SK_MAINFORM_PAGE1_BUTTON_Uninstall_PicDisabled), kMainForm, "btnUninstall_Disabled.png"},
    {SK(SK_MAINFORM_PAGE1_BUTTON_ShowDetails_Pos), kMainForm, "15, 64, 141, 34"},
    {SK(SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicNormal), kMainForm, "btnDetails_Normal.png"},
    {SK(SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicMouseHover), kMainForm, "btnDetails_Hover.png"},
    {SK(SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicMouseDown), kMainForm, "btnDetails_Down.png"},
    {SK(SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicDisabled), kMainForm, "btnDetails_Disabled.png"},
    {SK(SK_MAINFORM_PAGE1_BUTTON_Refresh_Pos), kMainForm, "15, 112, 141, 34"},
    {SK(SK_MAINFORM_PAGE1_BUTTON_Refresh_PicNormal), kMainForm, "btnRefresh_Normal.png"},
    {SK(SK_MAINFORM_PAGE1_BUTTON_Refresh_PicMouseHover), kMainForm, "btnRefresh_Hover.png"},
    {SK(SK_MAINFORM_PAGE1_BUTTON_Refresh_PicMouseDown), kMainForm, "btnRefresh_Down.png"},
    {SK(SK_MAINFORM_PAGE1_BUTTON_Refresh_PicDisabled), kMainForm, "btnRefresh_Disabled.png"},
    {SK(SK_MAINFORM_PAGE1_GROUPBOX_GrbSearch_Pos), kMainForm, "15, 168, 138, 137"},
    {SK(SK_MAINFORM_PAGE1_GROUPBOX_LABEL_Title_Pos), kMainForm, "0, 22, 137, 43"},
    {SK(SK_MAINFORM_PAGE1_GROUPBOX_TEXT_KeyWorld_Pos), kMainForm, "0, 67, 127, 21"},
    {SK(SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_Pos), kMainForm, "0, 99, 141, 34"},
    {SK(SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_PicNormal), kMainForm, "btnSearch_Normal.png"},
    {SK(SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_PicMouseHover), kMainForm, "btnSearch_Hover.png"},
    {SK(SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_PicMouseDown), kMainForm, "btnSearch_Down.png"},
    {SK(SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_PicDisabled), kMainForm, "btnSearch_Disabled.png"},
    {SK(SK_MAINFORM_PAGE1_GROUPBOX_CHECKBOX_HidePatch_Pos), kMainForm, "15, 316, 128, 26"},
    {SK(SK_MAINFORM_PAGE1_GROUPBOX_CHECKBOX_HideScr_Pos), kMainForm, "15, 343, 128, 26"},
    {SK(SK_MAINFORM_PAGE2_Pos), kMainForm, "0, 1, 750, 394"},
    {SK(SK_MAINFORM_PAGE2_LISTVIEW_StartupItemsList_Pos), kMainForm, "169, 0, 582, 394"},
    {SK(SK_MAINFORM_PAGE2_LISTVIEW_StartupItemsList_FullPos), kMainForm, "9, 0, 742, 394"},
    {SK(SK_MAINFORM_PAGE2_SizePanel_Pos), kMainForm, "0, 0, 169, 394"},
    {SK(SK_MAINFORM_PAGE2_ImgPanel_Pos), kMainForm, "0, 0, 160, 394"},
    {SK(SK_MAINFORM_PAGE2_ImgPanel_Pic), kMainForm, "img_SizePanel.png"},
    {SK(SK_MAINFORM_PAGE2_GROUPBOX_grbItemInfo_Pos), kMainForm, "15, 168, 137, 185"},
    {SK(SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Publisher_Pos), kMainForm, "5, 25, 64, 13"},
    {SK(SK_MAINFORM_PAGE2_GROUPBOX_LABEL_PublisherValue_Pos), kMainForm, "5, 42, 121, 31"},
    {SK(SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Version_Pos), kMainForm, "5, 76, 55, 13"},
    {SK(SK_MAINFORM_PAGE2_GROUPBOX_LABEL_VersionValue_Pos), kMainForm, "8, 92, 121, 31"},
    {SK(SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Des_Pos), kMainForm, "5, 125, 76, 13"},
    {SK(SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Description_Pos), kMainForm, "5, 141, 121, 42"},
    {SK(SK_MAINFORM_PAGE2_BUTTON_SelectAll_Pos), kMainForm, "15, 16, 141, 34"},
    {SK(SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicNormal), kMainForm, "btnSelectAll_Normal.png"},
    {SK(SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicMouseHover), kMainForm, "btnSelectAll_Hover.png"},
    {SK(SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicMouseDown), kMainForm, "btnSelectAll_Down.png"},
    {SK(SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicDisabled), kMainForm, "btnSelectAll_Disabled.png"},
    {SK(SK_MAINFORM_PAGE2_BUTTON_Delete_Pos), kMainForm, "15, 64, 141, 34"},
    {SK(SK_MAINFORM_PAGE2_BUTTON_Delete_PicNormal), kMainForm, "btnDelete_Normal.png"},
    {SK(SK_MAINFORM_PAGE2_BUTTON_Delete_PicMouseHover), kMainForm, "btnDelete_Hover.png"},
    {SK(SK_MAINFORM_PAGE2_BUTTON_Delete_PicMouseDown), kMainForm, "btnDelete_Down.png"},
    {SK(SK_MAINFORM_PAGE2_BUTTON_Delete_PicDisabled), kMainForm, "btnDelete_Disabled.png"},
    {SK(SK_MAINFORM_PAGE2_BUTTON_Apply_Pos), kMainForm, "15, 112, 141, 34"},
    {SK(SK_MAINFORM_PAGE2_BUTTON_Apply_PicNormal), kMainForm, "btnApply_Normal.png"},
    {SK(SK_MAINFORM_PAGE2_BUTTON_Apply_PicMouseHover), kMainForm, "btnApply_Hover.png"},
    {SK(SK_MAINFORM_PAGE2_BUTTON_Apply_PicMouseDown), kMainForm, "btnApply_Down.png"},
    {SK(SK_MAINFORM_PAGE2_BUTTON_Apply_PicDisabled), kMainForm, "btnApply_Disabled.png"},
    {SK(SK_PROGRESSFORM_ImageBG_Pic), kMainForm, "img_ProgressBar.png"},
    // Section "RegistryForm"
    {SK(SK_ABOUTFORM_IMGABOUT_POS), kRegistryForm, "10, 11, 125, 278"},
    {SK(SK_ABOUTFORM_IMGABOUT_Pic), kRegistryForm, "img_About.png"},
    {SK(SK_ABOUTFORM_LABEL_ProductTitle_Pos), kRegistryForm, "152,11, 312, 33"},
    {SK(SK_ABOUTFORM_LABLE_CopyRight_Pos), kRegistryForm, "152,40,280,16"},
    {SK(SK_ABOUTFORM_LINKLABEL_WebOnline_Pos), kRegistryForm, "152,162,280,13"},
    {SK(SK_ABOUTFORM_LINKLABEL_SupportEmail_Pos), kRegistryForm, "152,184,280,13"},
    {SK(SK_ABOUTFORM_LABEL_Warning_Pos), kRegistryForm, "152,206,288,100"},
    {SK(SK_ABOUTFORM_PANEL_AboutH1_Pos), kRegistryForm, "152,68,280,2"},
    {SK(SK_ABOUTFORM_PANEL_AboutH2_Pos), kRegistryForm, "152,150,280,2"},
    {SK(SK_ABOUTFORM_PANEL_AboutH3_Pos), kRegistryForm, "12,308,452,2"},
    {SK(SK_ABOUTFORM_BUTTON_Ok_Pos), kRegistryForm, "344,316,98,25"},
    {SK(SK_SPLASHFORM_LABEL_CopyrightInfo_Pos), kRegistryForm, "20,176,400,57"},
};

#undef SK

static_assert(std::size(kSkinTable) == SK_COUNT, "one table row per constant");

constexpr bool RowsFollowConstants() {
    for (int i = 0; i < SK_COUNT; ++i)
        if (kSkinTable[i].id != i) return false;
    return true;
}
static_assert(RowsFollowConstants(), "table rows are in the order of the constants");

bool InRange(SkinKey key) { return key >= 0 && key < SK_COUNT; }

using ValueArray = std::array<std::string, SK_COUNT>;

ValueArray BuiltInValues() {
    ValueArray values;
    for (int i = 0; i < SK_COUNT; ++i) values[i] = kSkinTable[i].defaultValue;
    return values;
}

ValueArray& CurrentValues() {
    static ValueArray values = BuiltInValues();
    return values;
}

}  // namespace

const std::string& SkinValue(SkinKey key) {
    static const std::string empty;
    return InRange(key) ? CurrentValues()[key] : empty;
}

const char* SkinDefault(SkinKey key) { return InRange(key) ? kSkinTable[key].defaultValue : ""; }

const char* SkinKeyName(SkinKey key) { return InRange(key) ? kSkinTable[key].key : ""; }

const char* SkinSection(SkinKey key) { return InRange(key) ? kSkinTable[key].section : ""; }

void SetSkinValue(SkinKey key, std::string value) {
    if (InRange(key)) CurrentValues()[key] = std::move(value);
}

void RestoreSkinDefaults() { CurrentValues() = BuiltInValues(); }

}  // namespace cx

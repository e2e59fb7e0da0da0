#pragma once
// The process-wide table of the 120 skin values: bounds texts "left, top,
// width, height" and picture file names relative to the skin folder. Values stay text
// here; they are parsed where they are applied. Only the skin file loader
// (SkinFile.h) changes them.
#include <string>

namespace cx {

// One constant per value, in the order of the skin file.
enum SkinKey : int {
    // Section "MainForm" (108)
    SK_MAINFORM_Pos,
    SK_MAINFORM_PicBackGround,
    SK_MAINFORM_BUTTON_Min_Pos,
    SK_MAINFORM_BUTTON_Min_PicNormal,
    SK_MAINFORM_BUTTON_Min_PicMouseHover,
    SK_MAINFORM_BUTTON_Min_PicMouseDown,
    SK_MAINFORM_BUTTON_Min_PicDisabled,
    SK_MAINFORM_BUTTON_HelpContent_Pos,
    SK_MAINFORM_BUTTON_HelpContent_PicNormal,
    SK_MAINFORM_BUTTON_HelpContent_PicMouseHover,
    SK_MAINFORM_BUTTON_HelpContent_PicMouseDown,
    SK_MAINFORM_BUTTON_HelpContent_PicDisabled,
    SK_MAINFORM_BUTTON_Close_Pos,
    SK_MAINFORM_BUTTON_Close_PicNormal,
    SK_MAINFORM_BUTTON_Close_PicMouseHover,
    SK_MAINFORM_BUTTON_Close_PicMouseDown,
    SK_MAINFORM_BUTTON_Close_PicDisabled,
    SK_MAINFORM_BUTTON_File_Pos,
    SK_MAINFORM_BUTTON_File_PicNormal,
    SK_MAINFORM_BUTTON_File_PicMouseHover,
    SK_MAINFORM_BUTTON_File_PicMouseDown,
    SK_MAINFORM_BUTTON_File_PicDisabled,
    SK_MAINFORM_BUTTON_View_Pos,
    SK_MAINFORM_BUTTON_View_PicNormal,
    SK_MAINFORM_BUTTON_View_PicMouseHover,
    SK_MAINFORM_BUTTON_View_PicMouseDown,
    SK_MAINFORM_BUTTON_View_PicDisabled,
    SK_MAINFORM_BUTTON_Tools_Pos,
    SK_MAINFORM_BUTTON_Tools_PicNormal,
    SK_MAINFORM_BUTTON_Tools_PicMouseHover,
    SK_MAINFORM_BUTTON_Tools_PicMouseDown,
    SK_MAINFORM_BUTTON_Tools_PicDisabled,
    SK_MAINFORM_BUTTON_Help_Pos,
    SK_MAINFORM_BUTTON_Help_PicNormal,
    SK_MAINFORM_BUTTON_Help_PicMouseHover,
    SK_MAINFORM_BUTTON_Help_PicMouseDown,
    SK_MAINFORM_BUTTON_Help_PicDisabled,
    SK_MAINFORM_BUTTON_ProgramList_Pos,
    SK_MAINFORM_BUTTON_ProgramList_PicNormal,
    SK_MAINFORM_BUTTON_ProgramList_PicMouseHover,
    SK_MAINFORM_BUTTON_ProgramList_PicMouseDown,
    SK_MAINFORM_BUTTON_ProgramList_PosDisabled,
    SK_MAINFORM_BUTTON_StartupItems_Pos,
    SK_MAINFORM_BUTTON_StartupItems_PicNormal,
    SK_MAINFORM_BUTTON_StartupItems_PicMouseHover,
    SK_MAINFORM_BUTTON_StartupItems_PicMouseDown,
    SK_MAINFORM_BUTTON_StartupItems_PosDisabled,
    SK_MAINFORM_PAGECONTROL_Pos,
    SK_MAINFORM_PAGE1_Pos,
    SK_MAINFORM_PAGE1_LISTVIEW_ProgramList_Pos,
    SK_MAINFORM_PAGE1_LISTVIEW_ProgramList_FullPos,
    SK_MAINFORM_PAGE1_SizePanel_Pos,
    SK_MAINFORM_PAGE1_ImgPanel_Pos,
    SK_MAINFORM_PAGE1_ImgPanel_Pic,
    SK_MAINFORM_PAGE1_BUTTON_Uninstall_Pos,
    SK_MAINFORM_PAGE1_BUTTON_Uninstall_PicNormal,
    SK_MAINFORM_PAGE1_BUTTON_Uninstall_PicMouseHover,
    SK_MAINFORM_PAGE1_BUTTON_Uninstall_PicMouseDown,
    SK_MAINFORM_PAGE1_BUTTON_Uninstall_PicDisabled,
    SK_MAINFORM_PAGE1_BUTTON_ShowDetails_Pos,
    SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicNormal,
    SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicMouseHover,
    SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicMouseDown,
    SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicDisabled,
    SK_MAINFORM_PAGE1_BUTTON_Refresh_Pos,
    SK_MAINFORM_PAGE1_BUTTON_Refresh_PicNormal,
    SK_MAINFORM_PAGE1_BUTTON_Refresh_PicMouseHover,
    SK_MAINFORM_PAGE1_BUTTON_Refresh_PicMouseDown,
    SK_MAINFORM_PAGE1_BUTTON_Refresh_PicDisabled,
    SK_MAINFORM_PAGE1_GROUPBOX_GrbSearch_Pos,
    SK_MAINFORM_PAGE1_GROUPBOX_LABEL_Title_Pos,
    SK_MAINFORM_PAGE1_GROUPBOX_TEXT_KeyWorld_Pos,
    SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_Pos,
    SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_PicNormal,
    SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_PicMouseHover,
    SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_PicMouseDown,
    SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_PicDisabled,
    SK_MAINFORM_PAGE1_GROUPBOX_CHECKBOX_HidePatch_Pos,
    SK_MAINFORM_PAGE1_GROUPBOX_CHECKBOX_HideScr_Pos,
    SK_MAINFORM_PAGE2_Pos,
    SK_MAINFORM_PAGE2_LISTVIEW_StartupItemsList_Pos,
    SK_MAINFORM_PAGE2_LISTVIEW_StartupItemsList_FullPos,
    SK_MAINFORM_PAGE2_SizePanel_Pos,
    SK_MAINFORM_PAGE2_ImgPanel_Pos,
    SK_MAINFORM_PAGE2_ImgPanel_Pic,
    SK_MAINFORM_PAGE2_GROUPBOX_grbItemInfo_Pos,
    SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Publisher_Pos,
    SK_MAINFORM_PAGE2_GROUPBOX_LABEL_PublisherValue_Pos,
    SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Version_Pos,
    SK_MAINFORM_PAGE2_GROUPBOX_LABEL_VersionValue_Pos,
    SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Des_Pos,
    SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Description_Pos,
    SK_MAINFORM_PAGE2_BUTTON_SelectAll_Pos,
    SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicNormal,
    SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicMouseHover,
    SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicMouseDown,
    SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicDisabled,
    SK_MAINFORM_PAGE2_BUTTON_Delete_Pos,
    SK_MAINFORM_PAGE2_BUTTON_Delete_PicNormal,
    SK_MAINFORM_PAGE2_BUTTON_Delete_PicMouseHover,
    SK_MAINFORM_PAGE2_BUTTON_Delete_PicMouseDown,
    SK_MAINFORM_PAGE2_BUTTON_Delete_PicDisabled,
    SK_MAINFORM_PAGE2_BUTTON_Apply_Pos,
    SK_MAINFORM_PAGE2_BUTTON_Apply_PicNormal,
    SK_MAINFORM_PAGE2_BUTTON_Apply_PicMouseHover,
    SK_MAINFORM_PAGE2_BUTTON_Apply_PicMouseDown,
    SK_MAINFORM_PAGE2_BUTTON_Apply_PicDisabled,
    SK_PROGRESSFORM_ImageBG_Pic,
    // Section "RegistryForm" (12)
    SK_ABOUTFORM_IMGABOUT_POS,
    SK_ABOUTFORM_IMGABOUT_Pic,
    SK_ABOUTFORM_LABEL_ProductTitle_Pos,
    SK_ABOUTFORM_LABLE_CopyRight_Pos,
    SK_ABOUTFORM_LINKLABEL_WebOnline_Pos,
    SK_ABOUTFORM_LINKLABEL_SupportEmail_Pos,
    SK_ABOUTFORM_LABEL_Warning_Pos,
    SK_ABOUTFORM_PANEL_AboutH1_Pos,
    SK_ABOUTFORM_PANEL_AboutH2_Pos,
    SK_ABOUTFORM_PANEL_AboutH3_Pos,
    SK_ABOUTFORM_BUTTON_Ok_Pos,
    SK_SPLASHFORM_LABEL_CopyrightInfo_Pos,
    SK_COUNT
};
static_assert(SK_COUNT == 120, "the skin file has 120 keys");

// The current value (the built-in one until a skin file is read).
const std::string& SkinValue(SkinKey key);
// The built-in value.
const char* SkinDefault(SkinKey key);
// The key in the skin file: the constant's name.
const char* SkinKeyName(SkinKey key);
// The section the key lives in: "MainForm" or "RegistryForm".
const char* SkinSection(SkinKey key);

// The title image is part of the program, not of a skin.
inline constexpr const char* kTitleImageBounds = "311, 75, 295, 29";
inline constexpr const char* kTitleImageFile = "Title.png";

// Replaces a value; for the skin file loader.
void SetSkinValue(SkinKey key, std::string value);
// Puts every value back to its built-in one. For tests only.
void RestoreSkinDefaults();

}  // namespace cx

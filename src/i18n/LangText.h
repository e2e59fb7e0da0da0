#pragma once
// The process-wide table of the texts the program shows (141, and those added since). Every entry
// starts as its English text; only the language file loader (LanguageFile.h) replaces them. Four
// entries hold line breaks, stored in files as the three characters
// "#13" (see ConvertLineBreaks).
#include <string>

namespace cx {

// One constant per text, in the order of the language file.
enum Ids : int {
    // Main window menus and their buttons (27)
    IDS_MAINFORM_MENU_File,
    IDS_MAINFORM_MENU_FILE_NewProgram,
    IDS_MAINFORM_MENU_FILE_ExportRegInfo,
    IDS_MAINFORM_MENU_FILE_ReloadRegInfo,
    IDS_MAINFORM_MENU_FILE_CreateBackup,
    IDS_MAINFORM_MENU_FILE_ExportPrmList,
    IDS_MAINFORM_MENU_FILE_Exit,
    IDS_MAINFORM_MENU_View,
    IDS_MAINFORM_MENU_VIEW_Grid,
    IDS_MAINFORM_MENU_VIEW_Tips,
    IDS_MAINFORM_MENU_VIEW_Icon,
    IDS_MAINFORM_MENU_VIEW_List,
    IDS_MAINFORM_MENU_VIEW_Report,
    IDS_MAINFORM_MENU_VIEW_Refresh,
    IDS_MAINFORM_MENU_VIEW_Languages,
    IDS_MAINFORM_MENU_Tools,
    IDS_MAINFORM_MENU_TOOLS_CommentEntry,
    IDS_MAINFORM_MENU_TOOLS_Regedit,
    IDS_MAINFORM_MENU_TOOLS_WindowsUpdate,
    IDS_MAINFORM_MENU_TOOLS_WindowsServices,
    IDS_MAINFORM_MENU_TOOLS_WindowsComponents,
    IDS_MAINFORM_ScreenSaver,
    IDS_MAINFORM_MENU_Help,
    IDS_MAINFORM_MENU_HELP_HelpContent,
    IDS_MAINFORM_MENU_HELP_OnlineRes,
    IDS_MAINFORM_MENU_HELP_Contact,
    IDS_MAINFORM_MENU_HELP_About,
    // Main window, Program List page (32)
    IDS_PAGECONTROL_TABSHEETPL_Title,
    IDS_LISTVIEW_COLUMNS_Descriptions,
    IDS_LISTVIEW_COLUMNS_Publisher,
    IDS_LISTVIEW_COLUMNS_Directory,
    IDS_LISTVIEW_RIGHTCLICK_Uninstall,
    IDS_LISTVIEW_RIGHTCLICK_CommentEntry,
    IDS_LISTVIEW_RIGHTCLICK_RegistryEditor,
    IDS_LISTVIEW_RIGHTCLICK_ExportRegInfo,
    IDS_LISTVIEW_RIGHTCLICK_ShowDetails,
    IDS_LISTVIEW_RIGHTCLICK_View,
    IDS_LISTVIEW_RIGHTCLICK_ViewIcon,
    IDS_LISTVIEW_RIGHTCLICK_ViewList,
    IDS_LISTVIEW_RIGHTCLICK_ViewReport,
    IDS_LISTVIEW_TIPS_Size,
    IDS_LISTVIEW_TIPS_ScrName,
    IDS_LISTVIEW_TIPS_LastUsed,
    IDS_LISTVIEW_TIPS_UsedFrequency,
    IDS_LISTVIEW_TIPS_UninstallString,
    IDS_ListView_Tips_UsedFrequency_Rarely,
    IDS_ListView_Tips_UsedFrequency_Occasionally,
    IDS_ListView_Tips_UsedFrequency_Frequently,
    IDS_SIDEBAR_BUTTON_Uninstall,
    IDS_SIDEBAR_BUTTON_DeleteScr,
    IDS_SIDEBAR_BUTTON_SHOWDETAILS,
    IDS_SIDEBAR_BUTTON_Refresh,
    IDS_SIDEBAR_GROUPBOX_TITLE_Search,
    IDS_SIDEBAR_GROUPBOX_LABEL_Info,
    IDS_SIDEBAR_GROUPBOX_BUTTON_Search,
    IDS_SIDEBAR_CHECKBOX_HideSysPatch,
    IDS_SIDEBAR_CHECKBOX_HideScr,
    IDS_STATUSBAR_LABEL_Programs,
    IDS_STATUSBAR_LABEL_RegistryName,
    // Main window, Startup Items page (15)
    IDS_PAGECONTROL_TABSHEETSIL_Title,
    IDS_LISTVIEW_COLUMNS_StatrupItem,
    IDS_LISTVIEW_COLUMNS_Command,
    IDS_LISTVIEW_COLUMNS_Location,
    IDS_LISTVIEW_RIGHTCLICK_AddItem,
    IDS_LISTVIEW_RIGHTCLICK_DeleteItem,
    IDS_LISTVIEW_RIGHTCLICK_Refresh,
    IDS_SIDEBAR_BUTTON_SelectAll,
    IDS_SIDEBAR_BUTTON_UnSelectAll,
    IDS_SIDEBAR_BUTTON_Delete,
    IDS_SIDEBAR_BUTTON_Apply,
    IDS_SIDEBAR_GROUPBOX_TITLE_ItemInfo,
    IDS_SIDEBAR_GROUPBOX_LABEL_Publisher,
    IDS_SIDEBAR_GROUPBOX_LABEL_Version,
    IDS_SIDEBAR_GROUPBOX_LABEL_Description,
    // Program details window (18)
    IDS_DETAILSFORM_Title,
    IDS_DETAILSFORM_LABEL_Programs,
    IDS_DETAILSFORM_LISTVIEW_Items_ProgramSize,
    IDS_DETAILSFORM_LISTVIEW_Items_InstallDate,
    IDS_DETAILSFORM_LISTVIEW_Items_UsedFrequency,
    IDS_DETAILSFORM_LISTVIEW_Items_LastAccessDate,
    IDS_DETAILSFORM_LISTVIEW_Items_InstallLocation,
    IDS_DETAILSFORM_LISTVIEW_Items_ProgramVersion,
    IDS_DETAILSFORM_LISTVIEW_Items_Publisher,
    IDS_DETAILSFORM_LISTVIEW_Items_HelpInfo,
    IDS_DETAILSFORM_LISTVIEW_Items_AboutLink,
    IDS_DETAILSFORM_LISTVIEW_Items_UpdateLink,
    IDS_DETAILSFORM_TABSHEETPP_TITLE,
    IDS_DETAILSFORM_TABSHEETPP_LISTVIEW_COLUMNS_Name,
    IDS_DETAILSFORM_TABSHEETPP_LISTVIEW_COLUMNS_Value,
    IDS_DETAILSFORM_TABSHEETRV_TITLE,
    IDS_DETAILSFORM_TABSHEETRV_LISTVIEW_COLUMNS_Key,
    IDS_DETAILSFORM_TABSHEETRV_LISTVIEW_COLUMNS_Value,
    // Backup progress, comment and report windows (18)
    IDS_PROGRESSFORM_Title,
    IDS_PROGRESSFORM_LABEL_Info,
    IDS_PROGRESSFORM_BUTTON_Cancel,
    IDS_COMMENTFORM_Title,
    IDS_COMMENTFORM_LABEL_TITLE,
    IDS_COMMENTFORM_BUTTON_Ok,
    IDS_COMMENTFORM_BUTTON_Cancel,
    IDS_PRINTFORM_Title,
    IDS_PRINTFORM_BUTTON_Save,
    IDS_PRINTFORM_MEMO_Title,
    IDS_PRINTFORM_BUTTON_Print,
    IDS_PRINTFORM_MEMO_InstalledPL,
    IDS_PRINTFORM_MEMO_ComputerName,
    IDS_PRINTFORM_MEMO_UserName,
    IDS_PRINTFORM_MEMO_Programs,
    IDS_PRINTFORM_MEMO_CreatedIn,
    IDS_PRINTFORM_MEMO_CreatedBy,
    IDS_PRINTFORM_MEMO_ProgramsList,
    // Remains scan and add-startup-entry windows (16)
    IDS_SCANFORM_Title,
    IDS_SCANFORM_LABEL_Scaning,
    IDS_SCANFORM_LABEL_RegInfoLeft,
    IDS_SCANFORM_LABEL_FilesLeft,
    IDS_SCANFORM_BUTTON_Cancel,
    IDS_SCANFORM_BUTTON_Delete,
    IDS_ADDITEMFORM_Title,
    IDS_ADDITEMFORM_LABEL_Target,
    IDS_ADDITEMFORM_LABEL_Section,
    IDS_ADDITEMFORM_BUTTON_Browse,
    IDS_ADDITEMFORM_BUTTON_Ok,
    IDS_ADDITEMFORM_BUTTON_Cancel,
    IDS_ADDITEMFORM_COMBOBOX_Items1,
    IDS_ADDITEMFORM_COMBOBOX_Items2,
    IDS_ADDITEMFORM_COMBOBOX_Items3,
    IDS_ADDITEMFORM_COMBOBOX_Items4,
    // About and splash windows (5)
    IDS_ABOUTFORM_Title,
    IDS_ABOUTFORM_LABEL_CopyRight,
    IDS_ABOUTFORM_LABEL_Warning,
    IDS_ABOUTFORM_BUTTON_Ok,
    IDS_SPLASHFORM_LABEL_Copyright,
    // Message boxes (10)
    IDS_MESSAGEBOX_WARNING_ScanRemains,
    IDS_MESSAGEBOX_WARNING_DeleteScr,
    IDS_MESSAGEBOX_WARNING_DeleteStartupEntry,
    IDS_MESSAGEBOX_WARNING_BackupReg,
    IDS_MESSAGEBOX_WARNING_CleanSuccess,
    IDS_MESSAGEBOX_WARNING_Noremains,
    IDS_MESSAGEBOX_WARNING_UninstallFailed,
    IDS_MESSAGEBOX_MESSAGE_BackupSucceed,
    IDS_MESSAGEBOX_MESSAGE_PrintError,
    IDS_MESSAGEBOX_WARNING_SaveFileFailed,
    // Entries added later stand after the original 141, so older language
    // files still read: their missing keys keep the English text.
    IDS_MESSAGEBOX_WARNING_CleanIncomplete,
    IDS_MESSAGEBOX_WARNING_ScrNotBackedUp,
    IDS_MESSAGEBOX_WARNING_NothingChecked,
    IDS_SCANFORM_INFO_NoFolder,
    IDS_SCANFORM_INFO_Relative,
    IDS_SCANFORM_INFO_Unsupported,
    IDS_SCANFORM_INFO_DriveRoot,
    IDS_SCANFORM_INFO_ShareRoot,
    IDS_SCANFORM_INFO_AdminShare,
    IDS_SCANFORM_INFO_Protected,
    IDS_SCANFORM_INFO_BelowProtected,
    IDS_SCANFORM_INFO_HoldsProtected,
    IDS_SCANFORM_INFO_WindowsMarker,
    IDS_SCANFORM_INFO_NotFound,
    IDS_SCANFORM_INFO_Link,
    IDS_SCANFORM_INFO_Network,
    IDS_SCANFORM_INFO_LocalShare,
    IDS_SCANFORM_INFO_KeepsOtherProgram,
    IDS_MESSAGEBOX_WARNING_CommentNotSaved,
    IDS_MESSAGEBOX_WARNING_StillInstalled,
    IDS_MESSAGEBOX_WARNING_BackupFailed,
    IDS_MESSAGEBOX_WARNING_BackupNothing,
    IDS_MESSAGEBOX_WARNING_StartupApplyFailed,
    IDS_MESSAGEBOX_WARNING_StartupDeleteFailed,
    IDS_MESSAGEBOX_WARNING_StartupAddFailed,
    IDS_MESSAGEBOX_WARNING_StartupReplace,
    IDS_MESSAGEBOX_WARNING_StartupNoFolder,
    IDS_MESSAGEBOX_WARNING_StartupNoRunKey,
    IDS_MAINFORM_MENU_FILE_RestoreCleanup,
    IDS_RESTOREFORM_Title,
    IDS_RESTOREFORM_LABEL_Info,
    IDS_RESTOREFORM_BUTTON_Restore,
    IDS_RESTOREFORM_BUTTON_Cancel,
    IDS_MESSAGEBOX_MESSAGE_RestoreDone,
    IDS_MESSAGEBOX_WARNING_RestoreIncomplete,
    IDS_MESSAGEBOX_WARNING_NoCleanups,
    IDS_MESSAGEBOX_WARNING_CleanupTooLarge,
    IDS_MESSAGEBOX_WARNING_CleanupNotBackedUp,
    IDS_SCANFORM_REASON_Registration,
    IDS_SCANFORM_REASON_InstallLocation,
    IDS_SCANFORM_REASON_InstallerComponents,
    IDS_SCANFORM_REASON_InstallerProperty,
    IDS_SCANFORM_REASON_UninstallerFolder,
    IDS_SCANFORM_REASON_IconFolder,
    IDS_SCANFORM_REASON_PointsIntoFolder,
    IDS_SCANFORM_REASON_NameOnly,
    IDS_SCANFORM_REASON_EmptyVendor,
    IDS_SCANFORM_REASON_InstallerRecord,
    IDS_SCANFORM_REASON_VirtualStore,
    IDS_SCANFORM_REASON_FolderByName,
    IDS_SCANFORM_REASON_ChosenFolder,
    IDS_SCANFORM_REASON_BrokenEntry,
    IDS_MAINFORM_MENU_TOOLS_FindLeftovers,
    IDS_LEFTOVERSFORM_Title,
    IDS_LEFTOVERSFORM_RADIO_Names,
    IDS_LEFTOVERSFORM_LABEL_Product,
    IDS_LEFTOVERSFORM_LABEL_Publisher,
    IDS_LEFTOVERSFORM_RADIO_Folder,
    IDS_LEFTOVERSFORM_BUTTON_Browse,
    IDS_LEFTOVERSFORM_RADIO_History,
    IDS_LEFTOVERSFORM_INFO_NoHistory,
    IDS_LEFTOVERSFORM_BUTTON_Scan,
    IDS_LEFTOVERSFORM_BUTTON_Cancel,
    IDS_MESSAGEBOX_WARNING_LeftoversNoName,
    IDS_MESSAGEBOX_WARNING_LeftoversNoFolder,
    IDS_MESSAGEBOX_WARNING_LeftoversStillListed,
    IDS_MESSAGEBOX_WARNING_LeftoversFolderRefused,
    IDS_LISTVIEW_TIPS_Broken,
    IDS_MESSAGEBOX_WARNING_RemoveBrokenEntry,
    IDS_MESSAGEBOX_WARNING_EntryWhole,
    IDS_COUNT
};
inline constexpr int kOriginalLangEntries = 141;
static_assert(IDS_COUNT == kOriginalLangEntries + 70,
              "the language file has 141 keys and the added ones");

// The current text of an entry (the English one until a language file is read).
const std::string& LangText(Ids key);
// The built-in English text (with "#13" in the four converted entries).
const char* LangEnglishDefault(Ids key);
// The key looked up in a language file. Seven of them end in blanks; the
// profile functions ignore blanks around key names, so files without them match.
const char* LangKeyForRead(Ids key);
// The key written to a new language file; it differs from the read key only for
// IDS_MESSAGEBOX_WARNING_Noremains, which is written as ..._NoRemains.
const char* LangKeyForWrite(Ids key);
// True for the four entries whose stored form uses "#13" for a line break.
bool IsConvertedEntry(Ids key);

// The current text as a printf format, for texts with placeholders: pass the
// arguments the English text takes. A translation whose placeholders differ
// (other types, more of them, "%n", a stray "%") would make the formatter read
// arguments that were never passed; for such a text the English one is returned.
// Fewer placeholders than the English text are fine. The pointer is valid until
// the entry's text changes.
const char* LangFormatText(Ids key);

// Replaces an entry's current text; for the language file loader.
void SetLangText(Ids key, std::string text);
// Puts every entry back to its English text. For tests only: the program never
// goes back to English except by reading a language file.
void RestoreEnglishDefaults();

}  // namespace cx

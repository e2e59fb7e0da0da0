#include "i18n/LangText.h"

#include <array>
#include <iterator>
#include <string_view>

namespace cx {

namespace {

constexpr bool kPlain = false;
constexpr bool kConverted = true;

struct LangEntry {
    Ids id;
    const char* readKey;
    const char* english;
    bool converted = kPlain;
    const char* writeKey = nullptr;  // null: the same as readKey
};

// The key string is the constant's own name, except where a key carries blanks.
#define KEY(id) id, #id

// Seven read keys end in blanks: that is how the program has always spelled them.
// The profile functions ignore blanks around key names, so files match either way.
constexpr LangEntry kLangTable[] = {
    // Main window menus and their buttons
    {KEY(IDS_MAINFORM_MENU_File), "File"},
    {KEY(IDS_MAINFORM_MENU_FILE_NewProgram), "New Program"},
    {KEY(IDS_MAINFORM_MENU_FILE_ExportRegInfo), "Export Regisrty Info"},
    {KEY(IDS_MAINFORM_MENU_FILE_ReloadRegInfo), "Reload Regisrty Info"},
    {KEY(IDS_MAINFORM_MENU_FILE_CreateBackup), "Create Backup..."},
    {KEY(IDS_MAINFORM_MENU_FILE_ExportPrmList), "Export Program List"},
    {KEY(IDS_MAINFORM_MENU_FILE_Exit), "Exit"},
    {KEY(IDS_MAINFORM_MENU_View), "View"},
    {KEY(IDS_MAINFORM_MENU_VIEW_Grid), "Grid"},
    {KEY(IDS_MAINFORM_MENU_VIEW_Tips), "Tips"},
    {KEY(IDS_MAINFORM_MENU_VIEW_Icon), "Icon"},
    {KEY(IDS_MAINFORM_MENU_VIEW_List), "List"},
    {KEY(IDS_MAINFORM_MENU_VIEW_Report), "Report"},
    {KEY(IDS_MAINFORM_MENU_VIEW_Refresh), "Refresh"},
    {KEY(IDS_MAINFORM_MENU_VIEW_Languages), "Languages"},
    {KEY(IDS_MAINFORM_MENU_Tools), "Tools"},
    {KEY(IDS_MAINFORM_MENU_TOOLS_CommentEntry), "Comment Entry"},
    {KEY(IDS_MAINFORM_MENU_TOOLS_Regedit), "Registry Editor"},
    {KEY(IDS_MAINFORM_MENU_TOOLS_WindowsUpdate), "Windows Updates"},
    {KEY(IDS_MAINFORM_MENU_TOOLS_WindowsServices), "Windows Services"},
    {KEY(IDS_MAINFORM_MENU_TOOLS_WindowsComponents), "Windows Components"},
    {KEY(IDS_MAINFORM_ScreenSaver), "Screen Saver"},
    {KEY(IDS_MAINFORM_MENU_Help), "Help"},
    {KEY(IDS_MAINFORM_MENU_HELP_HelpContent), "Help Content"},
    {KEY(IDS_MAINFORM_MENU_HELP_OnlineRes), "Online Resources"},
    {KEY(IDS_MAINFORM_MENU_HELP_Contact), "Contact Technical Support"},
    {KEY(IDS_MAINFORM_MENU_HELP_About), "About..."},
    // Main window, Program List page
    {KEY(IDS_PAGECONTROL_TABSHEETPL_Title), "Program List"},
    {KEY(IDS_LISTVIEW_COLUMNS_Descriptions), "Descriptions"},
    {KEY(IDS_LISTVIEW_COLUMNS_Publisher), "Publisher"},
    {KEY(IDS_LISTVIEW_COLUMNS_Directory), "Directory"},
    {IDS_LISTVIEW_RIGHTCLICK_Uninstall, "IDS_LISTVIEW_RIGHTCLICK_Uninstall  ", "Uninstall"},
    {KEY(IDS_LISTVIEW_RIGHTCLICK_CommentEntry), "Comment Entry..."},
    {KEY(IDS_LISTVIEW_RIGHTCLICK_RegistryEditor), "Registry Editor"},
    {IDS_LISTVIEW_RIGHTCLICK_ExportRegInfo, "IDS_LISTVIEW_RIGHTCLICK_ExportRegInfo ",
     "Export Registry Info"},
    {IDS_LISTVIEW_RIGHTCLICK_ShowDetails, "IDS_LISTVIEW_RIGHTCLICK_ShowDetails ", "Show Details"},
    {KEY(IDS_LISTVIEW_RIGHTCLICK_View), "View"},
    {KEY(IDS_LISTVIEW_RIGHTCLICK_ViewIcon), "Icon"},
    {KEY(IDS_LISTVIEW_RIGHTCLICK_ViewList), "List"},
    {KEY(IDS_LISTVIEW_RIGHTCLICK_ViewReport), "Report"},
    {KEY(IDS_LISTVIEW_TIPS_Size), "Size:  %.2f M"},
    {KEY(IDS_LISTVIEW_TIPS_ScrName), "Name:  %s"},
    {KEY(IDS_LISTVIEW_TIPS_LastUsed), "Last Used On: %s"},
    {KEY(IDS_LISTVIEW_TIPS_UsedFrequency), "Used Frequency: %s"},
    {KEY(IDS_LISTVIEW_TIPS_UninstallString), "Uninstall String: %s"},
    {KEY(IDS_ListView_Tips_UsedFrequency_Rarely), "Rarely"},
    {KEY(IDS_ListView_Tips_UsedFrequency_Occasionally), "Occasionally"},
    {KEY(IDS_ListView_Tips_UsedFrequency_Frequently), "Frequently"},
    {KEY(IDS_SIDEBAR_BUTTON_Uninstall), "Uninstall"},
    {KEY(IDS_SIDEBAR_BUTTON_DeleteScr), "Delete"},
    {KEY(IDS_SIDEBAR_BUTTON_SHOWDETAILS), "Show Details"},
    {KEY(IDS_SIDEBAR_BUTTON_Refresh), "Refresh"},
    {KEY(IDS_SIDEBAR_GROUPBOX_TITLE_Search), "Search"},
    {KEY(IDS_SIDEBAR_GROUPBOX_LABEL_Info), "Find the program with contents below:"},
    {KEY(IDS_SIDEBAR_GROUPBOX_BUTTON_Search), "Find Next"},
    {KEY(IDS_SIDEBAR_CHECKBOX_HideSysPatch), "Hide System Patch"},
    {KEY(IDS_SIDEBAR_CHECKBOX_HideScr), "Hide Screen Saver"},
    {KEY(IDS_STATUSBAR_LABEL_Programs), "Programs:"},
    {KEY(IDS_STATUSBAR_LABEL_RegistryName), "Registry Name:"},
    // Main window, Startup Items page
    {KEY(IDS_PAGECONTROL_TABSHEETSIL_Title), "Startup Items"},
    {KEY(IDS_LISTVIEW_COLUMNS_StatrupItem), "Startup Item"},
    {KEY(IDS_LISTVIEW_COLUMNS_Command), "Command"},
    {KEY(IDS_LISTVIEW_COLUMNS_Location), "Location"},
    {KEY(IDS_LISTVIEW_RIGHTCLICK_AddItem), "Add Entry"},
    {KEY(IDS_LISTVIEW_RIGHTCLICK_DeleteItem), "Delete Entry"},
    {KEY(IDS_LISTVIEW_RIGHTCLICK_Refresh), "Refresh"},
    {KEY(IDS_SIDEBAR_BUTTON_SelectAll), "Enable All"},
    {IDS_SIDEBAR_BUTTON_UnSelectAll, "IDS_SIDEBAR_BUTTON_UnSelectAll ", "Disable All"},
    {KEY(IDS_SIDEBAR_BUTTON_Delete), "Delete Entry"},
    {KEY(IDS_SIDEBAR_BUTTON_Apply), "Apply"},
    {KEY(IDS_SIDEBAR_GROUPBOX_TITLE_ItemInfo), "Item Info"},
    {KEY(IDS_SIDEBAR_GROUPBOX_LABEL_Publisher), "Publisher: "},
    {IDS_SIDEBAR_GROUPBOX_LABEL_Version, "IDS_SIDEBAR_GROUPBOX_LABEL_Version ", "Version: "},
    {KEY(IDS_SIDEBAR_GROUPBOX_LABEL_Description), "Description: "},
    // Program details window
    {KEY(IDS_DETAILSFORM_Title), "Detail information"},
    {KEY(IDS_DETAILSFORM_LABEL_Programs), "Programs: "},
    {KEY(IDS_DETAILSFORM_LISTVIEW_Items_ProgramSize), "Programs Size"},
    {KEY(IDS_DETAILSFORM_LISTVIEW_Items_InstallDate), "Install Date"},
    {KEY(IDS_DETAILSFORM_LISTVIEW_Items_UsedFrequency), "Used Frequency"},
    {KEY(IDS_DETAILSFORM_LISTVIEW_Items_LastAccessDate), "Last Access Date"},
    {KEY(IDS_DETAILSFORM_LISTVIEW_Items_InstallLocation), "Install Location"},
    {KEY(IDS_DETAILSFORM_LISTVIEW_Items_ProgramVersion), "Program Version"},
    {KEY(IDS_DETAILSFORM_LISTVIEW_Items_Publisher), "Publisher"},
    {KEY(IDS_DETAILSFORM_LISTVIEW_Items_HelpInfo), "Help Info"},
    {KEY(IDS_DETAILSFORM_LISTVIEW_Items_AboutLink), "About Link"},
    {KEY(IDS_DETAILSFORM_LISTVIEW_Items_UpdateLink), "Update Link"},
    {KEY(IDS_DETAILSFORM_TABSHEETPP_TITLE), "Program Properties"},
    {KEY(IDS_DETAILSFORM_TABSHEETPP_LISTVIEW_COLUMNS_Name), "Name"},
    {KEY(IDS_DETAILSFORM_TABSHEETPP_LISTVIEW_COLUMNS_Value), "Value"},
    {KEY(IDS_DETAILSFORM_TABSHEETRV_TITLE), "Registry Values"},
    {KEY(IDS_DETAILSFORM_TABSHEETRV_LISTVIEW_COLUMNS_Key), "Key"},
    {KEY(IDS_DETAILSFORM_TABSHEETRV_LISTVIEW_COLUMNS_Value), "Value"},
    // Backup progress, comment and report windows
    {KEY(IDS_PROGRESSFORM_Title), "Backup Progress"},
    {KEY(IDS_PROGRESSFORM_LABEL_Info), "This could take several minutes, please wait..."},
    {KEY(IDS_PROGRESSFORM_BUTTON_Cancel), "Cancel"},
    {KEY(IDS_COMMENTFORM_Title), "Add Comments"},
    {KEY(IDS_COMMENTFORM_LABEL_TITLE), "Enter the comments: ( < 260 character)"},
    {KEY(IDS_COMMENTFORM_BUTTON_Ok), "OK"},
    {KEY(IDS_COMMENTFORM_BUTTON_Cancel), "Cancel"},
    {KEY(IDS_PRINTFORM_Title), "Save/Print"},
    {KEY(IDS_PRINTFORM_BUTTON_Save), "Save"},
    {KEY(IDS_PRINTFORM_MEMO_Title), "%s Application Report"},
    {KEY(IDS_PRINTFORM_BUTTON_Print), "Print"},
    {KEY(IDS_PRINTFORM_MEMO_InstalledPL), "Programs installed on your computer:"},
    {KEY(IDS_PRINTFORM_MEMO_ComputerName), "Computer Name : "},
    {KEY(IDS_PRINTFORM_MEMO_UserName), "User Name : "},
    {KEY(IDS_PRINTFORM_MEMO_Programs), "Programs : "},
    {KEY(IDS_PRINTFORM_MEMO_CreatedIn), "Created In : "},
    {KEY(IDS_PRINTFORM_MEMO_CreatedBy), "Created By : "},
    {KEY(IDS_PRINTFORM_MEMO_ProgramsList), "Programs List"},
    // Remains scan and add-startup-entry windows
    {KEY(IDS_SCANFORM_Title), "Scan Remains"},
    {IDS_SCANFORM_LABEL_Scaning, "IDS_SCANFORM_LABEL_Scaning ", "Scaning:"},
    {KEY(IDS_SCANFORM_LABEL_RegInfoLeft), "Unnecessary register info left: "},
    {KEY(IDS_SCANFORM_LABEL_FilesLeft), "Unnecessary program files left: "},
    {KEY(IDS_SCANFORM_BUTTON_Cancel), "Cancel"},
    {KEY(IDS_SCANFORM_BUTTON_Delete), "Delete"},
    {KEY(IDS_ADDITEMFORM_Title), "Add Item"},
    {KEY(IDS_ADDITEMFORM_LABEL_Target), "Target:"},
    {KEY(IDS_ADDITEMFORM_LABEL_Section), "Section:"},
    {KEY(IDS_ADDITEMFORM_BUTTON_Browse), "Browse"},
    {KEY(IDS_ADDITEMFORM_BUTTON_Ok), "OK"},
    {KEY(IDS_ADDITEMFORM_BUTTON_Cancel), "Cancel"},
    {KEY(IDS_ADDITEMFORM_COMBOBOX_Items1), "Startup Folder\\Current User"},
    {KEY(IDS_ADDITEMFORM_COMBOBOX_Items2), "Startup Folder\\All User"},
    {KEY(IDS_ADDITEMFORM_COMBOBOX_Items3), "Registry\\Current User\\Run"},
    {KEY(IDS_ADDITEMFORM_COMBOBOX_Items4), "Registry\\All Users\\Run"},
    // About and splash windows
    {KEY(IDS_ABOUTFORM_Title), "About"},
    {KEY(IDS_ABOUTFORM_LABEL_CopyRight),
     "Copyright (C) 2026 the Carvexo developers. All rights reserved."},
    {KEY(IDS_ABOUTFORM_LABEL_Warning),
     "This program is protected by copyright law and international treaties. Whoever makes "
     "or distributes unauthorised copies of it, in whole or in part, may be prosecuted."},
    {KEY(IDS_ABOUTFORM_BUTTON_Ok), "OK"},
    {KEY(IDS_SPLASHFORM_LABEL_Copyright),
     "Copyright (C) 2026 the Carvexo developers.#13This program is protected by copyright "
     "law and international treaties.",
     kConverted},
    // Message boxes
    {KEY(IDS_MESSAGEBOX_WARNING_ScanRemains),
     "May be some registry keys or files were not completly removed, #13would you like to "
     "remove them?",
     kConverted},
    {IDS_MESSAGEBOX_WARNING_DeleteScr, "IDS_MESSAGEBOX_WARNING_DeleteScr ",
     "Do you really want to delete the screen saver? #13It may cause the windows file "
     "protection mechanism",
     kConverted},
    {KEY(IDS_MESSAGEBOX_WARNING_DeleteStartupEntry),
     "Do you really want to delete the startup entry selected?"},
    {KEY(IDS_MESSAGEBOX_WARNING_BackupReg),
     "Back up the registry info of the whole software installed."},
    {KEY(IDS_MESSAGEBOX_WARNING_CleanSuccess), "Clean Succeeded!"},
    {KEY(IDS_MESSAGEBOX_WARNING_Noremains), "No files or registry keys left!", kPlain,
     "IDS_MESSAGEBOX_WARNING_NoRemains"},
    {KEY(IDS_MESSAGEBOX_WARNING_UninstallFailed),
     "The software might be uninstalled or deleted, do you want to #13clear up its "
     "registry info or files left on your computer?",
     kConverted},
    {KEY(IDS_MESSAGEBOX_MESSAGE_BackupSucceed), "Backup registry info successfully"},
    {KEY(IDS_MESSAGEBOX_MESSAGE_PrintError),
     "Something is wrong with the printer or Print Spooler service is unaviable."},
    {KEY(IDS_MESSAGEBOX_WARNING_SaveFileFailed), "Save file %s failed!"},
    {KEY(IDS_MESSAGEBOX_WARNING_CleanIncomplete),
     "%d of the checked items could not be removed. They are still listed."},
    {KEY(IDS_MESSAGEBOX_WARNING_ScrNotBackedUp),
     "The screen saver could not be copied to the backup folder, so it was not deleted."},
    {KEY(IDS_MESSAGEBOX_WARNING_NothingChecked), "Nothing is checked, so nothing was removed."},
    {KEY(IDS_SCANFORM_INFO_NoFolder),
     "The program has no install folder, so no files are scanned."},
    {KEY(IDS_SCANFORM_INFO_Relative),
     "The install folder is not a full path, so its files are not scanned."},
    {KEY(IDS_SCANFORM_INFO_Unsupported),
     "The install folder is not an ordinary folder name, so its files are not scanned."},
    {KEY(IDS_SCANFORM_INFO_DriveRoot),
     "The install folder is a whole drive, so its files are not scanned."},
    {KEY(IDS_SCANFORM_INFO_ShareRoot),
     "The install folder is a whole network share, so its files are not scanned."},
    {KEY(IDS_SCANFORM_INFO_AdminShare),
     "The install folder is an administrative network share, so its files are not scanned."},
    {KEY(IDS_SCANFORM_INFO_Protected),
     "The install folder is a system or user folder, so its files are not scanned."},
    {KEY(IDS_SCANFORM_INFO_BelowProtected),
     "The install folder lies inside the Windows folder, so its files are not scanned."},
    {KEY(IDS_SCANFORM_INFO_HoldsProtected),
     "The install folder contains a system or user folder, so its files are not scanned."},
    {KEY(IDS_SCANFORM_INFO_WindowsMarker),
     "The install folder lies inside a Windows folder, so its files are not scanned."},
    {KEY(IDS_SCANFORM_INFO_NotFound), "The install folder no longer exists."},
    {KEY(IDS_SCANFORM_INFO_Link),
     "The install folder is a link to another folder, so its files are not scanned."},
    {KEY(IDS_SCANFORM_INFO_Network),
     "The install folder is on another computer, so its files are not scanned."},
    {KEY(IDS_SCANFORM_INFO_LocalShare),
     "The install folder is a share of this computer whose folder cannot be found, so its files "
     "are not scanned."},
    {KEY(IDS_SCANFORM_INFO_KeepsOtherProgram),
     "%s is still installed in %s: that folder and the folders leading to it are kept."},
    {KEY(IDS_MESSAGEBOX_WARNING_CommentNotSaved), "The comment could not be saved."},
    {KEY(IDS_MESSAGEBOX_WARNING_StillInstalled),
     "The program still appears to be installed: its uninstaller may have been cancelled or may "
     "have failed. Would you like to look for its registry keys and files anyway? Nothing will be "
     "checked."},
    {KEY(IDS_MESSAGEBOX_WARNING_BackupFailed),
     "%d of the %d registry entries could not be backed up."},
    {KEY(IDS_MESSAGEBOX_WARNING_BackupNothing),
     "The list of installed software could not be read, so nothing was backed up."},
    {KEY(IDS_MESSAGEBOX_WARNING_StartupApplyFailed), "%d startup entries could not be changed: %s"},
    {KEY(IDS_MESSAGEBOX_WARNING_StartupDeleteFailed), "The startup entry could not be deleted: %s"},
    {KEY(IDS_MESSAGEBOX_WARNING_StartupAddFailed), "The startup entry could not be created: %s"},
    {KEY(IDS_MESSAGEBOX_WARNING_StartupReplace),
     "A startup entry named %s already exists with a different target. Do you want to replace "
     "it?"},
    {KEY(IDS_MESSAGEBOX_WARNING_StartupNoFolder),
     "The Startup folder of this section cannot be found, so no shortcut was created."},
    {KEY(IDS_MESSAGEBOX_WARNING_StartupNoRunKey),
     "The Run key of this section cannot be opened, so no entry was written."},
    {KEY(IDS_MAINFORM_MENU_FILE_RestoreCleanup), "Restore Last Clean-up..."},
    {KEY(IDS_RESTOREFORM_Title), "Restore a Clean-up"},
    {KEY(IDS_RESTOREFORM_LABEL_Info), "Kept clean-ups, newest first:"},
    {KEY(IDS_RESTOREFORM_BUTTON_Restore), "Restore"},
    {KEY(IDS_RESTOREFORM_BUTTON_Cancel), "Cancel"},
    {KEY(IDS_MESSAGEBOX_MESSAGE_RestoreDone), "The clean-up was restored."},
    {KEY(IDS_MESSAGEBOX_WARNING_RestoreIncomplete),
     "%d items could not be restored (something of the same name exists again, or the place "
     "is protected): %s"},
    {KEY(IDS_MESSAGEBOX_WARNING_NoCleanups),
     "No clean-up has been kept, so there is nothing to restore."},
    {KEY(IDS_MESSAGEBOX_WARNING_CleanupTooLarge),
     "The checked items take %s, more than the %s kept for undoing clean-ups. Remove them without "
     "a backup?"},
    {KEY(IDS_MESSAGEBOX_WARNING_CleanupNotBackedUp),
     "The checked items could not be backed up, so nothing was removed: %s"},
    {KEY(IDS_SCANFORM_REASON_Registration), "Named exactly like the program's uninstall entry."},
    {KEY(IDS_SCANFORM_REASON_InstallLocation),
     "The program's install folder, as its uninstall entry gives it (InstallLocation)."},
    {KEY(IDS_SCANFORM_REASON_InstallerComponents),
     "The program's install folder, where Windows Installer put its files."},
    {KEY(IDS_SCANFORM_REASON_InstallerProperty),
     "The program's install folder, as Windows Installer records it (INSTALLLOCATION)."},
    {KEY(IDS_SCANFORM_REASON_UninstallerFolder),
     "The program's install folder: the folder of its uninstaller."},
    {KEY(IDS_SCANFORM_REASON_IconFolder), "The program's install folder: the folder of its icon."},
    {KEY(IDS_SCANFORM_REASON_PointsIntoFolder),
     "Points into the program's install folder (a command, icon, server, path or shortcut "
     "target)."},
    {KEY(IDS_SCANFORM_REASON_NameOnly),
     "Named like the program or its maker, nothing more: check that it is not another program's."},
    {KEY(IDS_SCANFORM_REASON_EmptyVendor),
     "The maker's own folder or key; it holds nothing but the items below it."},
    {KEY(IDS_SCANFORM_REASON_InstallerRecord),
     "Windows Installer's own record of the removed product."},
    {KEY(IDS_SCANFORM_REASON_VirtualStore),
     "The copy Windows made for this user of the program's machine-wide place."},
    {KEY(IDS_SCANFORM_REASON_FolderByName),
     "A folder named like the program where programs are installed: check that it is its own."},
    {KEY(IDS_SCANFORM_REASON_ChosenFolder), "The folder you named as the program's."},
    {KEY(IDS_SCANFORM_REASON_BrokenEntry),
     "The program's uninstall entry: its uninstaller and its files are gone."},
    {KEY(IDS_MAINFORM_MENU_TOOLS_FindLeftovers), "Find Leftovers..."},
    {KEY(IDS_LEFTOVERSFORM_Title), "Find Leftovers of a Removed Program"},
    {KEY(IDS_LEFTOVERSFORM_RADIO_Names), "By its name"},
    {KEY(IDS_LEFTOVERSFORM_LABEL_Product), "Program:"},
    {KEY(IDS_LEFTOVERSFORM_LABEL_Publisher), "Maker:"},
    {KEY(IDS_LEFTOVERSFORM_RADIO_Folder), "By the folder it was installed in"},
    {KEY(IDS_LEFTOVERSFORM_BUTTON_Browse), "Browse..."},
    {KEY(IDS_LEFTOVERSFORM_RADIO_History), "A program Carvexo uninstalled"},
    {KEY(IDS_LEFTOVERSFORM_INFO_NoHistory), "No uninstall is on record yet."},
    {KEY(IDS_LEFTOVERSFORM_BUTTON_Scan), "Scan"},
    {KEY(IDS_LEFTOVERSFORM_BUTTON_Cancel), "Cancel"},
    {KEY(IDS_MESSAGEBOX_WARNING_LeftoversNoName),
     "Type the name of the program whose leftovers you want to find."},
    {KEY(IDS_MESSAGEBOX_WARNING_LeftoversNoFolder),
     "Name the folder the program was installed in."},
    {KEY(IDS_MESSAGEBOX_WARNING_LeftoversStillListed),
     "%s is still installed: uninstall it from the program list instead."},
    {KEY(IDS_MESSAGEBOX_WARNING_LeftoversFolderRefused), "This folder cannot be scanned: %s"},
    {KEY(IDS_LISTVIEW_TIPS_Broken),
     "Broken: its uninstaller and its files are gone. Uninstall removes the registration and "
     "looks for the program's leftovers."},
    {KEY(IDS_MESSAGEBOX_WARNING_RemoveBrokenEntry),
     "The uninstaller of %s is missing and its install folder is gone or empty, so it cannot "
     "run. Remove the registration (kept for undo) and look for the program's leftovers?"},
    {KEY(IDS_MESSAGEBOX_WARNING_EntryWhole),
     "%s is no longer broken (its uninstaller or its files are back), so nothing was removed."},
    {KEY(IDS_QUEUEFORM_Title), "Uninstall Several Programs"},
    {KEY(IDS_QUEUEFORM_LABEL_Info),
     "These programs are uninstalled one after another, in this order. Their remains are "
     "looked for once all have ended."},
    {KEY(IDS_QUEUEFORM_COLUMN_Program), "Program"},
    {KEY(IDS_QUEUEFORM_COLUMN_How), "How it is removed"},
    {KEY(IDS_QUEUEFORM_COLUMN_State), "State"},
    {KEY(IDS_QUEUEFORM_CHECK_Quiet), "Quietly where possible"},
    {KEY(IDS_QUEUEFORM_BUTTON_Up), "Up"},
    {KEY(IDS_QUEUEFORM_BUTTON_Down), "Down"},
    {KEY(IDS_QUEUEFORM_BUTTON_Drop), "Drop"},
    {KEY(IDS_QUEUEFORM_BUTTON_Start), "Start"},
    {KEY(IDS_QUEUEFORM_BUTTON_Stop), "Stop After This One"},
    {KEY(IDS_QUEUEFORM_BUTTON_Close), "Close"},
    {KEY(IDS_QUEUEFORM_STATE_Waiting), "waiting"},
    {KEY(IDS_QUEUEFORM_STATE_Running), "running"},
    {KEY(IDS_QUEUEFORM_STATE_Removed), "removed"},
    {KEY(IDS_QUEUEFORM_STATE_NotRemoved), "not removed"},
    {KEY(IDS_QUEUEFORM_STATE_Failed), "failed"},
    {KEY(IDS_QUEUEFORM_STATE_Skipped), "skipped"},
    {KEY(IDS_QUEUEFORM_INFO_Summary), "%d of %d programs removed."},
    {KEY(IDS_MESSAGEBOX_WARNING_QueueScanRemains),
     "%d of %d programs were removed. Do you want to look for the registry keys and files they "
     "left?"},
    {KEY(IDS_QUEUEFORM_PROBLEM_NoCommand), "the entry has no uninstall command"},
    {KEY(IDS_QUEUEFORM_PROBLEM_NotStarted), "the uninstaller could not be started"},
    {KEY(IDS_QUEUEFORM_PROBLEM_WaitFailed), "the wait for the uninstaller failed"},
    {KEY(IDS_SCANFORM_REASON_WrittenBySetup), "Written by its setup, as Carvexo watched it being installed."},
    {KEY(IDS_SCANFORM_REASON_ChangedBySetup), "Changed by its setup, as Carvexo watched it being installed: Delete puts back what it held before."},
    {KEY(IDS_MAINFORM_MENU_FILE_InstallWatch), "Install and Watch..."},
    {KEY(IDS_WATCHFORM_Title), "Install and Watch"},
    {KEY(IDS_WATCHFORM_STEP_Before), "Taking the first snapshot:"},
    {KEY(IDS_WATCHFORM_STEP_Setup), "The setup is running. Carvexo waits until it and everything it started have ended."},
    {KEY(IDS_WATCHFORM_STEP_After), "Taking the second snapshot:"},
    {KEY(IDS_WATCHFORM_STEP_Done), "The setup wrote %d keys and %d files. Untick what another program changed meanwhile, then keep the trace."},
    {KEY(IDS_WATCHFORM_BUTTON_Keep), "Keep Trace"},
    {KEY(IDS_WATCHFORM_BUTTON_Cancel), "Cancel"},
    {KEY(IDS_MESSAGEBOX_WARNING_WatchNoProgram), "The setup registered no program: there is nothing to keep the trace for."},
    {KEY(IDS_DETAILSFORM_ROW_Watched), "Watched install"},
    {KEY(IDS_DETAILSFORM_ROW_WatchedCounts), "%d keys, %d files"},
    {KEY(IDS_WATCHFORM_FILTER_Setup), "Setup programs (*.exe;*.msi)"},
    {KEY(IDS_SCANFORM_INFO_PutBack), "It held \"%s\"."},
    {KEY(IDS_WATCH_ITEM_Key), "created key %s"},
    {KEY(IDS_WATCH_ITEM_Value), "created value %s"},
    {KEY(IDS_WATCH_ITEM_ChangedValue), "changed value %s"},
    {KEY(IDS_WATCH_ITEM_ChangedLong), "changed value %s (its old data was too long to keep)"},
    {KEY(IDS_WATCH_ITEM_Folder), "created folder %s"},
    {KEY(IDS_WATCH_ITEM_File), "created file %s"},
    {KEY(IDS_WATCH_ITEM_ChangedFile), "changed file %s"},
};

#undef KEY

static_assert(std::size(kLangTable) == IDS_COUNT, "one table row per constant");

constexpr bool RowsFollowConstants() {
    for (int i = 0; i < IDS_COUNT; ++i)
        if (kLangTable[i].id != i) return false;
    return true;
}
static_assert(RowsFollowConstants(), "table rows are in the order of the constants");

bool InRange(Ids key) { return key >= 0 && key < IDS_COUNT; }

using TextArray = std::array<std::string, IDS_COUNT>;

TextArray EnglishTexts() {
    TextArray texts;
    for (int i = 0; i < IDS_COUNT; ++i) texts[i] = kLangTable[i].english;
    return texts;
}

TextArray& CurrentTexts() {
    static TextArray texts = EnglishTexts();
    return texts;
}

// The printf arguments a format consumes, one token per conversion: its '*'
// widths and precisions, length modifier and conversion letter, each followed
// by '|'. Flags, digits and "%%" consume nothing and are left out; a conversion
// cut off by the end of the text becomes "?", which no English text has.
constexpr unsigned long kMaxFieldWidth = 256;

std::string PlaceholderSignature(std::string_view fmt) {
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    auto isOneOf = [](char c, std::string_view set) { return set.find(c) != set.npos; };
    std::string sig;
    size_t i = 0;
    while ((i = fmt.find('%', i)) != fmt.npos) {
        ++i;
        if (i < fmt.size() && fmt[i] == '%') {
            ++i;
            continue;
        }
        while (i < fmt.size() && isOneOf(fmt[i], "-+ #0'")) ++i;
        // A width or precision beyond kMaxFieldWidth, or a second '.', makes the
        // conversion one no English text has ('!'): a translated "%999999999s"
        // would have the formatter pad for ever.
        unsigned long field = 0;
        int dots = 0;
        bool wild = false;
        while (i < fmt.size() && (fmt[i] == '*' || fmt[i] == '.' || isDigit(fmt[i]))) {
            if (fmt[i] == '*') sig += '*';
            if (fmt[i] == '.') {
                field = 0;
                if (++dots > 1) wild = true;
            }
            if (isDigit(fmt[i])) {
                field = field * 10 + static_cast<unsigned long>(fmt[i] - '0');
                if (field > kMaxFieldWidth) wild = true;
            }
            ++i;
        }
        if (wild) sig += '!';
        // Length modifiers; the 'I' modifier may carry a width ("I64", "I32").
        while (i < fmt.size() && isOneOf(fmt[i], "hlLqjztI")) {
            bool sized = fmt[i] == 'I';
            sig += fmt[i++];
            while (sized && i < fmt.size() && isDigit(fmt[i])) sig += fmt[i++];
        }
        sig += i < fmt.size() ? fmt[i++] : '?';
        sig += '|';
    }
    return sig;
}

}  // namespace

const std::string& LangText(Ids key) {
    static const std::string empty;
    return InRange(key) ? CurrentTexts()[key] : empty;
}

const char* LangEnglishDefault(Ids key) { return InRange(key) ? kLangTable[key].english : ""; }

const char* LangKeyForRead(Ids key) { return InRange(key) ? kLangTable[key].readKey : ""; }

const char* LangKeyForWrite(Ids key) {
    if (!InRange(key)) return "";
    const LangEntry& e = kLangTable[key];
    return e.writeKey ? e.writeKey : e.readKey;
}

bool IsConvertedEntry(Ids key) { return InRange(key) && kLangTable[key].converted; }

const char* LangFormatText(Ids key) {
    if (!InRange(key)) return "";
    const std::string& current = CurrentTexts()[key];
    const char* english = kLangTable[key].english;
    // Fewer arguments than the English text takes is harmless: printf ignores the rest.
    std::string used = PlaceholderSignature(current);
    if (PlaceholderSignature(english).compare(0, used.size(), used) != 0) return english;
    return current.c_str();
}

void SetLangText(Ids key, std::string text) {
    if (InRange(key)) CurrentTexts()[key] = std::move(text);
}

void RestoreEnglishDefaults() { CurrentTexts() = EnglishTexts(); }

}  // namespace cx

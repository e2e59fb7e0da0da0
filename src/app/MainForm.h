#pragma once
// TMainForm: the program's only top-level window, borderless and skinned. Its
// own buttons stand in for the title bar and the menu bar; every command is an
// action reached from buttons, drop-down menus, right-click menus and keys.
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/Actions.h"
#include "i18n/LanguageMenu.h"
#include "inventory/ProgramList.h"
#include "inventory/ProgramListModel.h"
#include "platform/Handles.h"
#include "startup/StartupStore.h"
#include "widgets/Controls.h"
#include "widgets/Subclass.h"
#include "widgets/Window.h"

namespace cx::inv {
class TDetailsForm;
}
namespace cx::cleanup {
struct ListedProgram;
using UninstallTarget = ListedProgram;
struct OtherProgram;
}  // namespace cx::cleanup

namespace cx::app {

class TMainForm : public ui::Window {
public:
    static constexpr const char* kClassName = "TMainForm";
    static constexpr int kDesignWidth = 763;
    static constexpr int kDesignHeight = 538;
    // Every pixel of this colour is see-through: it gives the skinned outline.
    static constexpr COLORREF kTransparentColor = RGB(255, 0, 255);

    TMainForm();
    ~TMainForm() override;

    // Creates the window (hidden) and runs FormCreate; errors reach the caller.
    void CreateForm();
    void Show(int showCommand);
    HACCEL Accelerators() const noexcept { return accelerators_.get(); }

    // --- the action table -------------------------------------------------
    void Execute(Action action);
    bool ActionChecked(Action action) const { return actions_[action].checked; }
    void SetActionChecked(Action action, bool checked);

    // Shell commands.
    void ActionExitExecute();
    void ActionMinExecute();
    void imgBackGroundMouseDown();
    void btnFileClick(ui::ImageButton& button);
    void ActionTabProgramListExecute();
    void ActionTabStartupItemsExecute();
    void ActionRefreshExecute();
    void ActionAddNewExecute();
    void SizePanelPLHotSpotClick();
    void SizePanelSIHotSpotClick();

    // Program list page.
    void SetupListColumns();
    void LoadProgramList();
    void ActionHideSysPatchExecute();
    void ActionHideScrExecute();
    void ActionViewIconExecute();
    void ActionViewListExecute();
    void ActionViewReportExecute();
    void ActionGridExecute();
    void ActionInfoTipsExecute();
    void lsvProgramListColumnClick(int column);
    void ActionSearchExecute();
    void txtSearchInfoChange();
    int FindProgram(int start, const std::string& text);
    // Fills the tip of a row; false when the tip text is left as it was.
    bool lsvProgramListInfoTip(int row, std::string& tip);
    void lsvProgramListSelectItem(int row);
    enum MouseButton : int { mbLeft = 0, mbRight = 1, mbMiddle = 2 };
    void lsvProgramListMouseDown(int button, POINT client);
    void lsvProgramListMouseMove(POINT client);
    void ActionShowDetailsExecute();
    void FillDetails(long index);
    void ActionCommentExecute();
    void ActionDeleteScrExecute();
    void ActionUninstallExecute();
    // The notification of an ended wait: only ids of waits this window started
    // (and has not yet been told about) lead anywhere; anything else is ignored.
    void OnUninstallMessage(WPARAM started, LPARAM waitId);
    // After a wait: the list reloaded on the same program, the question (a
    // warning when the program still looks installed), then the scan window.
    void OnUninstallDone(WPARAM started, const cleanup::UninstallTarget& target);
    // `stillInstalled`: the findings start unchecked.
    void RunRemainsScan(const cleanup::UninstallTarget& target, bool stillInstalled = false);
    // Reloads the list and selects the row of that program when it is still listed.
    void ReloadOnProgram(const cleanup::UninstallTarget& target);
    // The row of the record with that registry name and hive; -1 when none.
    int FindProgramRow(const std::string& registryName, const std::string& hive);
    // The other listed programs with their folders: the file scan keeps theirs.
    // The record itself is left out; one of the same name in the other hive
    // counts unless it points at the same folder.
    std::vector<cleanup::OtherProgram> OtherPrograms(const cleanup::UninstallTarget& target);
    // Waits this window started, by id; for the tests.
    size_t PendingWaits() const noexcept { return waits_.size(); }
    void ActionExporetListExecute();

    // Registry export and reload, the full backup, the system tools and help.
    void ActionExportRegExecute();
    void ActionReloadRegExecute();
    void ActionCreateBackupExecute();
    void ActionRegeditExecute();
    void ActionWinServicesExecute();
    void ActionWinComponentsExecute();
    void ActionWinUpdateExecute();
    void ActionHelpContentExecute();
    void ActionOnlineResExecute();
    void ActionContactExecute();

    // Skin and texts.
    void ApplySkin();
    void ApplyTexts();
    // The Languages submenu, built once at creation from the language folder;
    // a click switches the texts of this run and stores the choice.
    void BuildLanguageMenu();
    void LanguageItemClick(int index);
    const std::vector<LanguageChoice>& LanguageChoices() const noexcept { return languages_; }

    // --- state ------------------------------------------------------------
    int SearchPos = 0;
    bool ProgramPanelShown = true;
    bool StartupPanelShown = true;
    bool StartupAllChecked = true;
    bool SortAscending = true;
    int SortColumn = 0;
    unsigned long PatchCount = 0;
    std::string ProgramCountText;
    // Which command the Uninstall button and menu item run now.
    Action UninstallTarget = ActionUninstall;

    // --- controls (public for the window tests) ---------------------------
    TProgramList& ProgramList() noexcept { return programList_; }
    inv::TDetailsForm& DetailsForm() noexcept { return *detailsForm_; }
    HIMAGELIST SmallSystemImages() const noexcept { return smallImages_; }
    HIMAGELIST LargeSystemImages() const noexcept { return largeImages_; }

    ui::ImageButton btnMin, btnHelpContent, btnClose;
    ui::ImageButton btnFile, btnView, btnTools, btnHelp;
    ui::ImageButton btnProgramList, btnStartupItemList;
    ui::ImageButton btnUninstall, btnShowDetails, btnRefresh, btnSearch;
    ui::ImageButton btnSelectAll, btnDelete, btnApply;
    ui::ImagePanel ImgTitle, imgPanelP, imgPanelS;
    ui::SizePanel SizePanelPL, SizePanelSI;
    ui::PageControl PageControl;
    ui::LinkLabel lblPrograms, lblProgramCounts, lblRegName, lblRegistryName, lblProgramURL;
    HWND txtHide = nullptr;
    HWND tsProgramList = nullptr, tsStartupItems = nullptr;
    HWND lsvProgramList = nullptr, lsvStartupList = nullptr;
    HWND grbSearch = nullptr, lblSearchTitle = nullptr, txtSearchInfo = nullptr;
    HWND ckbHidePatch = nullptr, ckbHideScr = nullptr;
    HWND grbItemInfo = nullptr, lblPublisher = nullptr, lblPublisherValue = nullptr;
    HWND lblVersion = nullptr, lblVersionValue = nullptr, lblDes = nullptr,
         lblDescription = nullptr;
    HWND StatusPanel = nullptr;

    ui::PopupMenu pmFile, pmView, pmTools, pmHelp, pmPLRightClick, pmSLRightClick;
    ui::PopupMenu mItemLanguages, mItemView;  // submenus
    std::shared_ptr<ui::Image> BackgroundPicture() const { return background_; }

    // Rows of the program list as shown (tests and the report).
    int RowCount() const;
    std::string RowCaption(int row) const;
    std::string RowText(int row, int subItem) const;
    // The service index of a row's record (a program's, or a screen saver's).
    long RowData(int row) const;
    // Whether a row stands for a screen saver, as recorded when the list was
    // loaded (a program's name may begin with "[" too).
    bool RowIsScreenSaver(int row) const;
    int RowImage(int row) const;  // asks for the picture when not shown yet
    // A program's picture by service index, once the list has shown its row;
    // inv::kIconWhenShown before.
    int KnownProgramIcon(long index) const;
    int SelectedRow() const;
    void SelectRow(int row);

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    // A program row's picture, asked of the service the first time the list
    // shows the row, then kept until the next load: by service index.
    int ProgramIcon(long index);
    std::vector<int> programIcons_;
    // What the program list shows: the owner-data list view asks for it.
    inv::ProgramListModel rows_;
    std::wstring dispText_;  // the text last handed to the list view in UTF-16
    void FormCreate();
    void GetSystemImageLists();
    void CreateControls();
    void CreateMenus();
    void CreateProgramPage();
    void CreateStartupPage();
    void CreateStatusBar();
    void CreateAccelerators();
    void LayoutStatusBar(bool withRegistryName);
    void OnCommand(int id, int code, HWND control);
    LRESULT OnNotify(NMHDR* hdr);
    LRESULT OnProgramListCustomDraw(NMLVCUSTOMDRAW* cd);
    LRESULT OnCtlColor(HDC dc, HWND control);
    void PaintContent(HDC dc, const RECT& rc);
    void SetViewStyle(DWORD style, Action checkedAction);
    void UpdateMenuChecks();
    void SetProgramCommandsEnabled(bool enabled);
    void SetBoundsInGroup(HWND control, const std::string& value, HWND group);
    void ShowMenu(ui::PopupMenu& menu, POINT screen);

    LPARAM RawRowData(int row) const;
    LRESULT ProgramListProc(const ui::Subclass::Call& call);
    // What the mouse over the program list shows: the hand over a Directory cell.
    HCURSOR listCursor_ = nullptr;
    ui::Subclass programListHook_, startupListHook_;
    std::array<ActionState, ActionCount> actions_;
    // The uninstalls being awaited, by wait id (see OnUninstallMessage).
    std::map<LPARAM, std::shared_ptr<cleanup::UninstallTarget>> waits_;
    std::vector<LanguageChoice> languages_;
    // Rows removed and re-added by a load or a sort are not user selections.
    bool ignoreSelection_ = false;
    TProgramList programList_;
    std::unique_ptr<inv::TDetailsForm> detailsForm_;
    HIMAGELIST smallImages_ = nullptr;  // the system's lists: shared, never destroyed
    HIMAGELIST largeImages_ = nullptr;
    std::shared_ptr<ui::Image> background_;
    unique_hfont listFont_, linkFont_, uiFont_;
    unique_hbrush panelBrush_;
    unique_resource<
        traits::simple<HACCEL, BOOL(WINAPI*)(HACCEL), &DestroyAcceleratorTable, nullptr>>
        accelerators_;

    // True (and the window holding the user up brought to the front) while a
    // modal loop runs on top of this window.
    bool RefuseCloseWhileBusy();
    bool inMenuLoop_ = false;
    void PaintSurface(HDC dc);
    bool paintFailureReported_ = false;

public:
    // Runs first in every painting of the window's surface; tests stand in for
    // a drawing failure (no GDI objects left, a picture that cannot be drawn) with it.
    std::function<void(HDC)> paintFault;

public:
    // Help menu "About...": the About window, modal, centred on the screen (AboutForm.cpp).
    void ActionAboutExecute();

    // --- the Startup Items page (MainFormStartup.cpp) ----------------------
    void LoadStartupList();
    void ActionApplyExecute();
    void ActionDeleteExecute();
    void ActionSelectAllExecute();
    void ActionAddItemExecute();
    // Runs for every selection change of a row, selecting and deselecting alike.
    void lsvStartupListSelectItem(int row);
    void lsvStartupListMouseDown(int button);
    // Where the Startup folders are and where their disabled entries are kept.
    startup::StartupPlaces StartupLocations() const;
    // Rows of the startup list as shown (tests): the entry behind each row, and
    // its check box, which is what Apply will write.
    int StartupRowCount() const;
    const startup::StartupEntry& StartupRow(int row) const { return startupRows_.at(row); }
    std::string StartupRowText(int row, int subItem) const;
    bool StartupRowChecked(int row) const;
    void SetStartupRowChecked(int row, bool checked);
    void SelectStartupRow(int row, bool selected = true);

private:
    void SetupStartupList();
    LRESULT OnStartupListNotify(NMHDR* hdr);
    void RemoveStartupRow(int row);
    // Clicks and the space bar on check boxes: the list holds no rows of its
    // own, so it cannot turn them itself.
    LRESULT OnStartupListInput(const ui::Subclass::Call& call);
    void RedrawStartupRow(int row);
    void ShowItemInfo(bool shown);
    // One entry per row of lsvStartupList, in the same order, and its check
    // box. The list is owner-data: it asks for texts and check marks as it
    // paints, which is what keeps a list of thousands of entries quick to load.
    std::vector<startup::StartupEntry> startupRows_;
    std::vector<bool> startupChecked_;
    // Rows added by a load are no user selections.
    bool loadingStartup_ = false;

public:
    // Clean-ups: where Delete keeps what it removes, and putting one back.
    static std::wstring CleanupBackupRoot();
    void ActionRestoreCleanupExecute();
};

}  // namespace cx::app

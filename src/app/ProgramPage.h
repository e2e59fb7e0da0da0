#pragma once
// TProgramPage: the Program List page of the main window and the status line
// below it. What it shows is the model's (inventory::ProgramListModel): the
// rows as read from the service under the hide switches, their sort order,
// the search position and the counts. The owner-data list view only paints
// rows of it; sort, search, the report, the status line and the details read
// the model, never a control.
#include <windows.h>
#include <commctrl.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MainMenus.h"
#include "app/PageHost.h"
#include "inventory/ProgramList.h"
#include "inventory/ProgramListModel.h"
#include "platform/Handles.h"
#include "widgets/Controls.h"
#include "widgets/Subclass.h"

namespace cx::inv {
class TDetailsForm;
}
namespace cx::cleanup {
struct ListedProgram;
using UninstallTarget = ListedProgram;
struct OtherProgram;
struct FoundRemains;
}  // namespace cx::cleanup

namespace cx::app {

class TProgramPage {
public:
    TProgramPage(PageHost& host, MainMenus& menus);
    ~TProgramPage();
    TProgramPage(const TProgramPage&) = delete;
    TProgramPage& operator=(const TProgramPage&) = delete;

    // Builds the side panel and the list on the page's sheet, and the status
    // line on `window` (the main window, below the page control).
    void Create(HWND sheet, HWND window, HFONT uiFont, HFONT listFont, HFONT linkFont,
                HIMAGELIST smallImages, HIMAGELIST largeImages);
    void ApplySkin();  // throws for a bad skin value; the caller stops there
    void ApplyTexts();
    HWND ListView() const noexcept { return lsvProgramList; }
    LRESULT OnNotify(NMHDR* hdr);
    bool OnCommand(int id, int code);
    ui::ImagePanel& Panel() noexcept { return imgPanelP; }
    // The page comes to the front, or goes behind the startup page.
    void Activate();
    void Deactivate();
    // The action checks shown on the page: the hide switches' check boxes.
    void ShowChecks(const std::array<ActionState, ActionCount>& actions);
    void SetGrid(bool grid);
    // The window closes: the switches are stored, the connection ends.
    void StoreSwitches() const;
    void Disconnect();

    // The commands of the page.
    void LoadProgramList();
    void ActionHideSysPatchExecute();
    void ActionHideScrExecute();
    void SetViewStyle(DWORD style);
    void ActionSearchExecute();
    void txtSearchInfoChange();
    void lsvProgramListColumnClick(int column);
    void ActionShowDetailsExecute();
    void FillDetails(long index);
    void ActionCommentExecute();
    void ActionDeleteScrExecute();
    void ActionExporetListExecute();
    void SizePanelPLHotSpotClick();
    // Fills the tip of a row; false when the tip text is left as it was.
    bool lsvProgramListInfoTip(int row, std::string& tip);
    void lsvProgramListSelectItem(int row);
    void lsvProgramListMouseDown(int button, POINT client);
    void lsvProgramListMouseMove(POINT client);
    // Uninstalling (ProgramPageUninstall.cpp): the selected program's own
    // uninstaller runs on a waiting thread, which tells the window when it and
    // everything it started have ended.
    void ActionUninstallExecute();
    // The notification of an ended wait: only ids of waits this page started
    // (and has not yet been told about) lead anywhere; anything else is ignored.
    void OnUninstallMessage(WPARAM started, LPARAM waitId);
    // After a wait: the list reloaded on the same program, the question (a
    // warning when the program still looks installed), then the scan window.
    void OnUninstallDone(WPARAM started, const cleanup::UninstallTarget& target);
    // `stillInstalled`: the findings start unchecked.
    void RunRemainsScan(const cleanup::UninstallTarget& target, bool stillInstalled = false);
    // Reloads the list and selects the row of that program when it is still listed.
    void ReloadOnProgram(const cleanup::UninstallTarget& target);
    // The other listed programs with their folders: the file scan keeps theirs.
    // The record itself is left out; one of the same name in the other hive
    // counts unless it points at the same folder.
    std::vector<cleanup::OtherProgram> OtherPrograms(const cleanup::UninstallTarget& target);
    // Waits this page started, by id; for the tests.
    size_t PendingWaits() const noexcept { return waits_.size(); }
    // Where a clean-up's Delete keeps what it removes.
    static std::wstring CleanupBackupRoot();
    // Keeps the ended uninstall on record in the account's history folder; a
    // record that cannot be written is reported, nothing else changes.
    void KeepOnRecord(const cleanup::FoundRemains& found, bool scanned);
    // A broken registration (its uninstaller and files gone): Uninstall
    // offers to remove it and its leftovers in the scan window instead.
    void RemoveBrokenEntry(const ProgramItem& item);
    // Several rows selected (ProgramPageQueue.cpp): the queue window runs
    // their uninstallers in turn, then one scan window holds what they left.
    // Screen savers and broken registrations stay out of a queue.
    void UninstallSeveral(const std::vector<int>& rows);
    // Tools > Find Leftovers: the leftovers of a program already gone.
    void ActionFindLeftoversExecute();
    // File > Install and Watch: a setup chosen, watched, its trace kept; the
    // list shows what it registered.
    void ActionInstallWatchExecute();
    // Which command the Uninstall button and menu item run now.
    Action UninstallTarget() const noexcept { return uninstallTarget_; }

    // --- the face the window tests and the window's other rooms look through
    TProgramList& ProgramList() noexcept { return programList_; }
    inv::TDetailsForm& DetailsForm() noexcept { return *detailsForm_; }
    const inv::ProgramListModel& Model() const noexcept { return rows_; }
    // The selected program's record; none for no selection, a screen-saver
    // row or an index the service no longer knows.
    std::optional<ProgramItem> SelectedProgram();
    int RowCount() const;
    std::string RowCaption(int row) const;
    std::string RowText(int row, int subItem) const;
    // The service index of a row's record (a program's, or a screen saver's).
    long RowData(int row) const;
    // Whether a row stands for a screen saver, as recorded when the list was
    // loaded (a program's name may begin with "[" too).
    bool RowIsScreenSaver(int row) const;
    // A row's picture, asked of the service now when it has not been yet.
    int RowImage(int row);
    // Whether a program row's registration is broken (cleanup/BrokenEntry.h),
    // judged now when its picture has not been looked up yet.
    bool RowIsBroken(int row);

    // A program's picture by service index, once it was looked up after the
    // list first showed its row; inv::kIconWhenShown before.
    int KnownProgramIcon(long index) const;
    int SelectedRow() const;
    // Every selected row, top to bottom.
    std::vector<int> SelectedRows() const;
    void SelectRow(int row);
    // The row of the record with that registry name and hive; -1 when none.
    int FindProgramRow(const std::string& registryName, const std::string& hive);
    int FindProgram(int start, const std::string& text);
    int SearchPos() const noexcept { return searchPos_; }
    bool PanelShown() const noexcept { return ProgramPanelShown; }
    // Whether the next column click sorts ascending.
    bool SortsAscending() const noexcept { return SortAscending; }
    // The status line's count, as the last complete load left it.
    const std::string& ProgramCountText() const noexcept { return programCountText_; }
    void LayoutStatusBar(bool withRegistryName);

private:
    // The records of the list as the service holds them now.
    std::vector<cleanup::ListedProgram> ListedNow();
    // Reloads the list (on the program of `target` when given); a list that
    // cannot be read is reported, and what came before it is not undone.
    void ReloadReporting(const cleanup::UninstallTarget* target) noexcept;
    // The same when it goes out of scope, however the scan before it ended.
    struct ReloadAtEnd {
        TProgramPage& page;
        const cleanup::UninstallTarget* target = nullptr;
        ~ReloadAtEnd() { page.ReloadReporting(target); }
    };
    void CreatePanel(HWND sheet, HFONT uiFont, HFONT listFont);
    void CreateStatusBar(HWND window, HFONT uiFont);
    void SetProgramCommandsEnabled(bool enabled);
    LRESULT OnProgramListCustomDraw(NMLVCUSTOMDRAW* cd);
    LRESULT ProgramListProc(const ui::Subclass::Call& call);
    LPARAM RawRowData(int row) const;
    // A program row's picture, asked of the service once, then kept until
    // the next load: by service index.
    int ProgramIcon(long index);
    // What a painted row shows: its picture when it is known. A picture not
    // looked up yet is asked for after the paint (FetchPendingIcons) and the
    // row is drawn without one meanwhile: the shell reads each program's file
    // for it, which under Wine takes longer than drawing the whole list.
    int ShownIcon(long index);
    void FetchPendingIcons();
    static constexpr UINT kFetchIconsMessage = WM_APP + 40;
    static constexpr int kIconPending = -3;  // queued in pendingIcons_
    std::vector<long> pendingIcons_;
    bool fetchPosted_ = false;

    PageHost& host_;
    MainMenus& menus_;
    TProgramList programList_;
    std::unique_ptr<inv::TDetailsForm> detailsForm_;
    inv::ProgramListModel rows_;
    std::vector<int> programIcons_;
    // By service index, judged with the picture: -1 not yet, 0 no, 1 broken.
    std::vector<signed char> programBroken_;
    // Drawn over a broken row's own picture, in the list's two sizes.
    unique_hicon brokenSmall_, brokenLarge_;
    void DrawBrokenPicture(const NMLVCUSTOMDRAW& cd);
    std::wstring dispText_;  // the text last handed to the list view in UTF-16
    int searchPos_ = 0;
    bool ProgramPanelShown = true;
    bool SortAscending = true;
    std::string programCountText_;
    Action uninstallTarget_ = ActionUninstall;
    // The uninstalls being awaited, by wait id (see OnUninstallMessage).
    std::map<LPARAM, std::shared_ptr<cleanup::UninstallTarget>> waits_;
    // Rows removed and re-added by a load or a sort are not user selections.
    bool ignoreSelection_ = false;
    // What the mouse over the program list shows: the hand over a Directory cell.
    HCURSOR listCursor_ = nullptr;
    HFONT listFont_ = nullptr, linkFont_ = nullptr;  // the window's, not owned

    ui::SizePanel SizePanelPL;
    ui::ImagePanel imgPanelP;
    ui::ImageButton btnUninstall, btnShowDetails, btnRefresh, btnSearch;
    HWND tsProgramList = nullptr, lsvProgramList = nullptr;
    HWND grbSearch = nullptr, lblSearchTitle = nullptr, txtSearchInfo = nullptr;
    HWND ckbHidePatch = nullptr, ckbHideScr = nullptr;
    ui::LinkLabel lblPrograms, lblProgramCounts, lblRegName, lblRegistryName, lblProgramURL;
    ui::Subclass programListHook_;
};

}  // namespace cx::app

#pragma once
// TScanForm: after an uninstall, the remains of that program (registry keys
// named like it, what is left in its install folder) in two check-marked trees;
// Delete removes what is checked. The scan runs once, shortly after the window
// is first shown, on the program whose uninstall was awaited. After several
// uninstalls in a row, one window holds the remains of them all, each tree
// grouped by program, and Delete keeps one undo backup per program.
#include <windows.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "cleanup/CheckTree.h"
#include "cleanup/Safety.h"
#include "cleanup/Scanner.h"
#include "cleanup/Uninstall.h"
#include "cleanup/UninstallFlow.h"
#include "widgets/CheckTreeView.h"
#include "widgets/Form.h"

namespace cx::cleanup {

// One program of a window that cleans up after several: the program whose
// uninstall ended, and what its scan is judged by (QueueSafety).
struct ScanProgram {
    UninstallTarget target;
    SafetyContext safety;
};

class TScanForm : public ui::Form {
public:
    static constexpr int kClientWidth = 563;
    static constexpr int kClientHeight = 453;
    static constexpr UINT_PTR kTimerStartScan = 1;
    static constexpr UINT kStartScanInterval = 200;
    enum : int {
        IDC_LBL_SCANING = 301,
        IDC_LBL_SCANINFO,
        IDC_LBL_REGINFOLEFT,
        IDC_TV_SCANREGINFO,
        IDC_LBL_FILELEFT,
        IDC_TV_SCANFILES,
        IDC_BTN_DELETE,
        IDC_BTN_CANCEL,
    };

    // How the findings are marked when the scan has listed them.
    enum class Marks { Checked, AllUnchecked };
    // `target`: the program whose uninstall was awaited; `safety`: what the
    // install folder is judged against before anything in it is listed;
    // `marks`: AllUnchecked when the program still looks installed, so that
    // nothing of it goes by a single click on Delete; `backupRoot`: where
    // Delete keeps what it removes so it can be restored (empty: deleted for good).
    TScanForm(UninstallTarget target, SafetyContext safety, Marks marks = Marks::Checked,
              std::wstring backupRoot = {});
    // The remains of several programs, each scanned under its own safety in
    // the order given, all found checked. With more than one, each tree shows
    // a top item per program that has findings in it.
    TScanForm(std::vector<ScanProgram> programs, std::wstring backupRoot);

    // Before the window is shown: the target is a program already gone, whose
    // findings start checked by `marks` (MarkLeftovers).
    void SetLeftovers(LeftoverMarks marks) { programs_.at(0).found.leftovers = std::move(marks); }
    // Before the window is shown: the target is a broken registration, whose
    // own key is offered with its leftovers (ScanBrokenEntry).
    void SetBrokenEntry() noexcept { brokenEntry_ = true; }

    // The single scan (what the first tick of TimerStartScan runs); later calls do nothing.
    void StartScan();
    bool ScanDone() const noexcept { return scanDone_; }
    void btnDeleteClick();
    void btnCancelClick();
    void ApplyTexts();

    // What the two trees hold, and their views (tests look at both); of the
    // first program where there are several.
    const CheckTree& RegistryFindings() const { return Found().registry; }
    // The findings with what they were judged by, as the window leaves them.
    size_t ProgramCount() const noexcept { return programs_.size(); }
    const FoundRemains& Found(size_t program = 0) const { return programs_.at(program).found; }
    const CheckTree& FileFindings() const { return Found().files; }
    ui::CheckTreeView& tvScanRegInfo() noexcept { return tvScanRegInfo_; }
    ui::CheckTreeView& tvScanFiles() noexcept { return tvScanFiles_; }
    // The view node of a finding, inserting it (and its ancestors' children)
    // when its folder has not been opened yet; nullptr when it is not in the tree.
    HTREEITEM ViewItem(const CheckTree& tree, NodeId id);
    // A program's top item in one tree of a window of several; nullptr when
    // the window shows no groups or the program has nothing (left) there.
    HTREEITEM GroupItem(bool registryView, size_t program) const;

protected:
    void CreateForm(HWND owner) override;
    void FormShow() override;
    bool OnCommand(int id, int code, HWND control) override;
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    // One program: the target, whether it is still installed, and once
    // scanned its findings with what they were judged by.
    struct Program {
        FoundRemains found;
        SafetyContext safety;
        std::unordered_map<NodeId, HTREEITEM> regItems, fileItems;
        // Its top items in a grouped window.
        HTREEITEM regGroup = nullptr, fileGroup = nullptr;
        std::string keptInfo;  // which program's folder is kept, and why
    };
    // One program's part of one view.
    struct Pane {
        CheckTree& tree;
        ui::CheckTreeView& view;
        std::unordered_map<NodeId, HTREEITEM>& items;
        HTREEITEM& group;  // its roots' parent; nullptr in a window of one program
        size_t program;
        // In a grouped window a program without a group has nothing in the
        // view: the items at the top are the other programs' groups.
        bool grouped;
    };
    Pane RegPane(size_t i = 0) {
        Program& p = programs_[i];
        return {p.found.registry, tvScanRegInfo_, p.regItems, p.regGroup, i, grouped_};
    }
    Pane FilePane(size_t i = 0) {
        Program& p = programs_[i];
        return {p.found.files, tvScanFiles_, p.fileItems, p.fileGroup, i, grouped_};
    }
    // The pane an item of a view belongs to (by its group in a grouped window).
    Pane PaneOf(bool files, HTREEITEM item);
    HTREEITEM ViewItem(Pane pane, NodeId id);

    void TimerStartScanTimer();
    void ToggleNode(Pane pane, HTREEITEM item);
    static void FillView(Pane pane);
    static void InsertRoots(Pane pane);
    // A grouped window: a top item per program with findings in that view.
    void FillGroups(bool files);
    // A group's mark follows its items; a group left without any goes.
    static void SyncGroup(Pane pane);
    // Everything of the program in that view checked (or, all checked, unchecked).
    static void ToggleGroup(Pane pane);
    // What a group's item shows in lblScanInfo: what the single window shows after its scan.
    std::string GroupInfo(size_t program) const;
    void DeleteGroups();
    // The undo backup of a removal; `askPrefix` leads the too-large question.
    CleanupBackup Backup(const std::string& askPrefix);
    // The view holds a node's children only once the node is expanded: a large
    // install folder holds tens of thousands of files, and a tree view gains
    // nothing from items nobody has opened.
    static void InsertNode(Pane pane, NodeId id, HTREEITEM parent);
    static void InsertChildren(Pane pane, NodeId id);
    LRESULT OnNotify(int id, NMHDR* header) override;
    // Brings the view in line with its tree: nodes no longer there go, marks follow.
    static void SyncView(Pane pane);
    void ShowScanInfo(const std::string& text);
    // lblScanInfo tells why the selected item is offered.
    void ShowReason(Pane pane, HTREEITEM item);

    // One program, or a grouped window's in the order given; never resized
    // once built (panes hold references into it).
    std::vector<Program> programs_;
    bool grouped_ = false;
    std::wstring backupRoot_;
    bool brokenEntry_ = false;
    bool scanStarted_ = false;
    bool scanDone_ = false;

    HWND lblScaning_ = nullptr;
    HWND lblScanInfo_ = nullptr;
    HWND lblRegInfoLeft_ = nullptr;
    HWND lblFileLeft_ = nullptr;
    HWND btnDelete_ = nullptr;
    HWND btnCancel_ = nullptr;
    ui::CheckTreeView tvScanRegInfo_;
    ui::CheckTreeView tvScanFiles_;
};

}  // namespace cx::cleanup

#pragma once
// TScanForm: after an uninstall, the remains of that program (registry keys
// named like it, what is left in its install folder) in two check-marked trees;
// Delete removes what is checked. The scan runs once, shortly after the window
// is first shown, on the program whose uninstall was awaited.
#include <windows.h>

#include <string>
#include <unordered_map>

#include "cleanup/CheckTree.h"
#include "cleanup/Safety.h"
#include "cleanup/Scanner.h"
#include "cleanup/Uninstall.h"
#include "cleanup/UninstallFlow.h"
#include "widgets/CheckTreeView.h"
#include "widgets/Form.h"

namespace cx::cleanup {

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

    // Before the window is shown: the target is a program already gone, whose
    // findings start checked by `marks` (MarkLeftovers).
    void SetLeftovers(LeftoverMarks marks) { found_.leftovers = std::move(marks); }
    // Before the window is shown: the target is a broken registration, whose
    // own key is offered with its leftovers (ScanBrokenEntry).
    void SetBrokenEntry() noexcept { brokenEntry_ = true; }

    // The single scan (what the first tick of TimerStartScan runs); later calls do nothing.
    void StartScan();
    bool ScanDone() const noexcept { return scanDone_; }
    void btnDeleteClick();
    void btnCancelClick();
    void ApplyTexts();

    // What the two trees hold, and their views (tests look at both).
    const CheckTree& RegistryFindings() const noexcept { return found_.registry; }
    // The findings with what they were judged by, as the window leaves them.
    const FoundRemains& Found() const noexcept { return found_; }
    const CheckTree& FileFindings() const noexcept { return found_.files; }
    ui::CheckTreeView& tvScanRegInfo() noexcept { return tvScanRegInfo_; }
    ui::CheckTreeView& tvScanFiles() noexcept { return tvScanFiles_; }
    // The view node of a finding, inserting it (and its ancestors' children)
    // when its folder has not been opened yet; nullptr when it is not in the tree.
    HTREEITEM ViewItem(const CheckTree& tree, NodeId id);

protected:
    void CreateForm(HWND owner) override;
    void FormShow() override;
    bool OnCommand(int id, int code, HWND control) override;
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    struct Pane {
        CheckTree& tree;
        ui::CheckTreeView& view;
        std::unordered_map<NodeId, HTREEITEM>& items;
    };
    Pane RegPane() { return {found_.registry, tvScanRegInfo_, regItems_}; }
    Pane FilePane() { return {found_.files, tvScanFiles_, fileItems_}; }

    void TimerStartScanTimer();
    void ToggleNode(Pane pane, HTREEITEM item);
    static void FillView(Pane pane);
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

    // The program, whether it is still installed, and once scanned its
    // findings with what they were judged by.
    FoundRemains found_;
    SafetyContext safety_;
    std::wstring backupRoot_;
    std::unordered_map<NodeId, HTREEITEM> regItems_;
    std::unordered_map<NodeId, HTREEITEM> fileItems_;
    std::string keptInfo_;  // which program's folder is kept, and why
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

#include "cleanup/ScanForm.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "cleanup/BrokenEntry.h"
#include "cleanup/Remains.h"
#include "cleanup/Removal.h"
#include "cleanup/Scanner.h"
#include "cleanup/UndoBusy.h"
#include "cleanup/UninstallFlow.h"
#include "i18n/LangText.h"
#include "platform/Error.h"
#include "platform/Strings.h"
#include "widgets/Seam.h"

namespace cx::cleanup {

TScanForm::TScanForm(UninstallTarget target, SafetyContext safety, Marks marks,
                     std::wstring backupRoot)
    : programs_(1), backupRoot_(std::move(backupRoot)) {
    Program& p = programs_.front();
    p.safety = std::move(safety);
    p.found.target = std::move(target);
    p.found.stillInstalled = marks == Marks::AllUnchecked;
}

void TScanForm::CreateForm(HWND owner) {
    CreateFormWindow(owner, LangText(IDS_SCANFORM_Title), kClientWidth, kClientHeight);

    lblScaning_ = AddControl("STATIC", LangText(IDS_SCANFORM_LABEL_Scaning), SS_LEFT | SS_NOPREFIX,
                             8, 12, 70, 16, IDC_LBL_SCANING);
    // Paths rarely hold blanks: SS_EDITCONTROL breaks them anywhere, as an edit box would.
    lblScanInfo_ = AddControl("STATIC", "", SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, 80, 12, 457, 29,
                              IDC_LBL_SCANINFO);
    lblRegInfoLeft_ = AddControl("STATIC", LangText(IDS_SCANFORM_LABEL_RegInfoLeft),
                                 SS_LEFT | SS_NOPREFIX, 8, 52, 400, 16, IDC_LBL_REGINFOLEFT);
    tvScanRegInfo_.Create(hwnd(), IDC_TV_SCANREGINFO, 8, 72, 545, 153, FormFont());
    lblFileLeft_ = AddControl("STATIC", LangText(IDS_SCANFORM_LABEL_FilesLeft),
                              SS_LEFT | SS_NOPREFIX, 8, 234, 400, 16, IDC_LBL_FILELEFT);
    tvScanFiles_.Create(hwnd(), IDC_TV_SCANFILES, 8, 254, 545, 155, FormFont());
    btnDelete_ =
        AddControl("BUTTON", LangText(IDS_SCANFORM_BUTTON_Delete),
                   BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, 359, 419, 89, 25, IDC_BTN_DELETE);
    btnCancel_ =
        AddControl("BUTTON", LangText(IDS_SCANFORM_BUTTON_Cancel),
                   BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, 464, 419, 89, 25, IDC_BTN_CANCEL);

    tvScanRegInfo_.onStateIconClick = [this](HTREEITEM item) {
        ToggleNode(PaneOf(false, item), item);
    };
    tvScanFiles_.onStateIconClick = [this](HTREEITEM item) {
        ToggleNode(PaneOf(true, item), item);
    };

    if (!scanStarted_) SetTimer(hwnd(), kTimerStartScan, kStartScanInterval, nullptr);
}

void TScanForm::FormShow() {
    ApplyTexts();
    // A window closed before its scan began scans when it is shown again.
    if (!scanStarted_) SetTimer(hwnd(), kTimerStartScan, kStartScanInterval, nullptr);
}

void TScanForm::ApplyTexts() {
    if (!hwnd()) return;
    ui::SetWindowString(hwnd(), LangText(IDS_SCANFORM_Title));
    ui::SetWindowString(lblScaning_, LangText(IDS_SCANFORM_LABEL_Scaning));
    ui::SetWindowString(lblRegInfoLeft_, LangText(IDS_SCANFORM_LABEL_RegInfoLeft));
    ui::SetWindowString(lblFileLeft_, LangText(IDS_SCANFORM_LABEL_FilesLeft));
    ui::SetWindowString(btnDelete_, LangText(IDS_SCANFORM_BUTTON_Delete));
    ui::SetWindowString(btnCancel_, LangText(IDS_SCANFORM_BUTTON_Cancel));
}

LRESULT TScanForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER && wp == kTimerStartScan) {
        TimerStartScanTimer();
        return 0;
    }
    return Form::HandleMessage(msg, wp, lp);
}

bool TScanForm::OnCommand(int id, int code, HWND control) {
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_BTN_DELETE: btnDeleteClick(); return true;
        case IDC_BTN_CANCEL: btnCancelClick(); return true;
        default: break;
        }
    }
    return Form::OnCommand(id, code, control);
}

void TScanForm::TimerStartScanTimer() {
    // Closed before the first tick: a hidden window must not scan, nor say
    // "nothing left" to nobody, while the main loop dispatches its timer.
    if (!InModal()) {
        KillTimer(hwnd(), kTimerStartScan);
        return;
    }
    StartScan();
}

void TScanForm::ShowScanInfo(const std::string& text) {
    if (lblScanInfo_) ui::SetWindowString(lblScanInfo_, text);
}

void TScanForm::StartScan() {
    // A tick that arrives while the scan pumps messages, or after it, starts nothing.
    if (scanStarted_ || !hwnd()) return;
    scanStarted_ = true;
    KillTimer(hwnd(), kTimerStartScan);
    EnableWindow(hwnd(), FALSE);

    bool quit = false;
    int quitCode = 0;
    ScanProgress progress;
    progress.show = [this](const std::string& path) { ShowScanInfo(path); };
    // The queue is looked at every few milliseconds, not per key: what came
    // meanwhile is handled at once (a bounded number, as a window that never
    // validates would send WM_PAINT for ever).
    progress.pump = [&quit, &quitCode] {
        MSG msg;
        for (int n = 0; n < 64; ++n) {
            if (quit || !PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return;
            if (msg.message == WM_QUIT) {
                // Kept for the loops outside once the scan is over.
                quit = true;
                quitCode = static_cast<int>(msg.wParam);
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    };

    for (Program& p : programs_) {
        if (brokenEntry_)
            ScanBrokenEntry(p.found, p.safety, progress);
        else
            ScanFoundRemains(p.found, p.safety, progress);
        p.keptInfo = KeptProgramText(p.found.scan);
    }
    // A grouped window tells each program's when its item is selected.
    if (!grouped_) {
        const RemainsScan& scan = programs_.front().found.scan;
        if (scan.refusal != DirRefusal::None) ShowScanInfo(DirRefusalText(scan.refusal));
        if (!scan.failure.empty()) ShowScanInfo(scan.failure);
    }

    if (hwnd()) EnableWindow(hwnd(), TRUE);
    scanDone_ = true;
    if (quit) PostQuitMessage(quitCode);
    if (!hwnd()) return;

    const bool nothing = std::all_of(programs_.begin(), programs_.end(), [](const Program& p) {
        return p.found.registry.Empty() && p.found.files.Empty();
    });
    if (nothing) {
        ui::ShowAppMessage(hwnd(), LangText(IDS_MESSAGEBOX_WARNING_Noremains), MB_OK);
        EndModal(IDCANCEL);
        return;
    }
    if (grouped_) {
        FillGroups(false);
        FillGroups(true);
        ShowScanInfo("");
    } else {
        FillView(RegPane());
        FillView(FilePane());
        if (!programs_.front().keptInfo.empty()) ShowScanInfo(programs_.front().keptInfo);
    }
    EnableWindow(btnDelete_, TRUE);
    EnableWindow(btnCancel_, TRUE);
}

void TScanForm::FillView(Pane pane) {
    pane.view.Clear();
    pane.items.clear();
    InsertRoots(pane);
}

void TScanForm::InsertRoots(Pane pane) {
    // Registry keys show their values; the install folder shows its first level.
    for (NodeId id : pane.tree.Roots()) {
        InsertNode(pane, id, pane.group);
        InsertChildren(pane, id);
        pane.view.Expand(pane.items[id]);
    }
}

void TScanForm::InsertNode(Pane pane, NodeId id, HTREEITEM parent) {
    const Node& node = pane.tree.Get(id);
    pane.items[id] = pane.view.AddNode(parent, node.text, node.state, id, !node.children.empty());
}

void TScanForm::InsertChildren(Pane pane, NodeId id) {
    auto parent = pane.items.find(id);
    if (parent == pane.items.end() || !pane.tree.Contains(id)) return;
    const Node& node = pane.tree.Get(id);
    // Children are inserted all at once, so one present means all are.
    if (node.children.empty() || pane.items.count(node.children.front())) return;
    for (NodeId child : node.children) InsertNode(pane, child, parent->second);
}

void TScanForm::ShowReason(Pane pane, HTREEITEM item) {
    if (!item) return;
    if (item == pane.group) {
        ShowScanInfo(GroupInfo(pane.program));
        return;
    }
    const auto id = static_cast<NodeId>(pane.view.NodeData(item));
    if (!pane.tree.Contains(id)) return;
    const std::string reason = ReasonText(pane.tree.ReasonOf(id));
    const Node& n = pane.tree.Get(id);
    const std::string& keptInfo = programs_[pane.program].keptInfo;
    // A kept folder says whose it is rather than why its parent was offered.
    if (n.locked && !keptInfo.empty())
        ShowScanInfo(keptInfo);
    else if (!reason.empty())
        ShowScanInfo(reason + PutBackText(n));
}

LRESULT TScanForm::OnNotify(int id, NMHDR* header) {
    if (header->code == TVN_SELCHANGEDA || header->code == TVN_SELCHANGEDW) {
        auto* tv = reinterpret_cast<NMTREEVIEWA*>(header);
        ShowReason(PaneOf(header->hwndFrom == tvScanFiles_.hwnd(), tv->itemNew.hItem),
                   tv->itemNew.hItem);
        return 0;
    }
    if (header->code == TVN_ITEMEXPANDINGA || header->code == TVN_ITEMEXPANDINGW) {
        // The item handle and the action stand at the same place in both forms.
        auto* tv = reinterpret_cast<NMTREEVIEWA*>(header);
        if (tv->action & TVE_EXPAND) {
            Pane pane = PaneOf(header->hwndFrom == tvScanFiles_.hwnd(), tv->itemNew.hItem);
            InsertChildren(pane, static_cast<NodeId>(pane.view.NodeData(tv->itemNew.hItem)));
        }
        return FALSE;
    }
    return Form::OnNotify(id, header);
}

void TScanForm::SyncView(Pane pane) {
    if (pane.grouped && !pane.group) {
        pane.items.clear();
        return;
    }
    for (auto it = pane.items.begin(); it != pane.items.end();) {
        if (pane.tree.Contains(it->first))
            ++it;
        else
            it = pane.items.erase(it);
    }
    // Walked top-down through the view itself: deleting an item takes its
    // descendants along, so their handles are never touched afterwards.
    HWND tv = pane.view.hwnd();
    std::vector<HTREEITEM> pending;
    HTREEITEM first = pane.group ? TreeView_GetChild(tv, pane.group) : pane.view.Root();
    for (HTREEITEM it = first; it; it = TreeView_GetNextSibling(tv, it)) pending.push_back(it);
    while (!pending.empty()) {
        HTREEITEM item = pending.back();
        pending.pop_back();
        auto id = static_cast<NodeId>(pane.view.NodeData(item));
        if (!pane.tree.Contains(id)) {
            pane.view.RemoveNode(item);
            continue;
        }
        int state = pane.tree.Get(id).state;
        if (pane.view.NodeState(item) != state) pane.view.SetNodeState(item, state);
        for (HTREEITEM c = TreeView_GetChild(tv, item); c; c = TreeView_GetNextSibling(tv, c))
            pending.push_back(c);
    }
    if (pane.group) SyncGroup(pane);
}

void TScanForm::ToggleNode(Pane pane, HTREEITEM item) {
    if (item && item == pane.group) {
        ToggleGroup(pane);
        SyncView(pane);
        return;
    }
    auto id = static_cast<NodeId>(pane.view.NodeData(item));
    if (!pane.tree.Contains(id)) return;
    pane.tree.ToggleNodeState(id);
    SyncView(pane);
}

HTREEITEM TScanForm::ViewItem(const CheckTree& tree, NodeId id) {
    for (size_t i = 0; i < programs_.size(); ++i) {
        if (&tree == &programs_[i].found.registry) return ViewItem(RegPane(i), id);
        if (&tree == &programs_[i].found.files) return ViewItem(FilePane(i), id);
    }
    return nullptr;
}

HTREEITEM TScanForm::ViewItem(Pane pane, NodeId id) {
    if (!pane.tree.Contains(id)) return nullptr;
    std::vector<NodeId> chain;
    for (NodeId up = pane.tree.Get(id).parent; up != -1; up = pane.tree.Get(up).parent)
        chain.push_back(up);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) InsertChildren(pane, *it);
    auto found = pane.items.find(id);
    return found == pane.items.end() ? nullptr : found->second;
}

CleanupBackup TScanForm::Backup(const std::string& askPrefix) {
    CleanupBackup backup;
    backup.root = backupRoot_;
    backup.removeWithoutBackup = [this, askPrefix](uint64_t size, uint64_t limit) {
        return ui::ShowAppMessage(
                   hwnd(),
                   askPrefix + Format(LangFormatText(IDS_MESSAGEBOX_WARNING_CleanupTooLarge),
                                      SizeText(size).c_str(), SizeText(limit).c_str()),
                   MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
    };
    return backup;
}

void TScanForm::btnDeleteClick() {
    ShowScanInfo("");
    if (grouped_) {
        DeleteGroups();
        return;
    }
    FoundRemains& found = programs_.front().found;
    const bool hadFiles = !found.files.Empty();
    // Nothing to do is not a success to report.
    if (CheckedFindings(found) == 0) {
        ui::ShowAppMessage(hwnd(), LangText(IDS_MESSAGEBOX_WARNING_NothingChecked),
                           MB_OK | MB_ICONINFORMATION);
        return;
    }

    CleanupBackup backup = Backup({});
    FindingsOutcome outcome;
    {
        BusyWindow busy(hwnd());
        backup.pump = busy.Pump();
        outcome = RemoveFoundRemains(found, std::move(backup));
    }
    SyncView(RegPane());
    SyncView(FilePane());

    if (outcome.backup == BackupState::Failed) {
        ui::ShowAppMessage(hwnd(),
                           Format(LangFormatText(IDS_MESSAGEBOX_WARNING_CleanupNotBackedUp),
                                  outcome.backupError.c_str()),
                           MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (outcome.entryWhole) {
        const UninstallTarget& t = found.target;
        ui::ShowAppMessage(hwnd(),
                           Format(LangFormatText(IDS_MESSAGEBOX_WARNING_EntryWhole),
                                  (t.displayName.empty() ? t.registryName : t.displayName).c_str()),
                           MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    // The user chose to keep everything rather than lose it for good.
    if (outcome.backup == BackupState::Declined) return;
    const size_t failed = outcome.failed;
    if (failed > 0) {
        ui::ShowAppMessage(hwnd(),
                           Format(LangFormatText(IDS_MESSAGEBOX_WARNING_CleanIncomplete),
                                  static_cast<int>(failed)),
                           MB_OK | MB_ICONEXCLAMATION);
    } else if (hadFiles) {
        ui::ShowAppMessage(hwnd(), LangText(IDS_MESSAGEBOX_WARNING_CleanSuccess), MB_OK);
    }
}

void TScanForm::btnCancelClick() { EndModal(IDCANCEL); }

}  // namespace cx::cleanup

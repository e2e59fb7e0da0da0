// The scan window after several uninstalls: a top item per program in each
// tree, its mark that of its items, and one Delete that keeps an undo backup
// per program.
#include <utility>
#include <vector>

#include "cleanup/ScanForm.h"
#include "cleanup/UndoBusy.h"
#include "i18n/LangText.h"
#include "platform/Error.h"
#include "platform/Strings.h"
#include "widgets/Seam.h"

namespace cx::cleanup {

namespace {

std::string ProgramName(const UninstallTarget& t) {
    return t.displayName.empty() ? t.registryName : t.displayName;
}

// A group's mark, derived from the program's roots as a folder's is from its
// children (a locked root keeps the group from showing as checked).
CheckState GroupState(const CheckTree& tree) {
    bool any = false, all = true;
    for (NodeId id : tree.Roots()) {
        const CheckState s = tree.Get(id).state;
        if (s != csUnchecked) any = true;
        if (s != csChecked) all = false;
    }
    return !any ? csUnchecked : all ? csChecked : csPartial;
}

// Sets a node and everything below it to `state`. A locked node keeps its
// own mark (what it holds of its own follows), as CheckTree does below a
// toggled folder; a toggle of a locked root would leave its contents alone.
void SetBranchState(CheckTree& tree, NodeId id, CheckState state) {
    const Node& n = tree.Get(id);
    if (!n.locked) {
        tree.SetState(id, state);
        if (!n.children.empty()) tree.SetChildrenState(id);
        return;
    }
    const std::vector<NodeId> children = n.children;
    for (NodeId c : children) SetBranchState(tree, c, state);
    if (!children.empty()) tree.UpdateParentState(id);
}

// The data of a group's view item: below -1, which no node id is.
LPARAM GroupData(size_t program) { return -2 - static_cast<LPARAM>(program); }
bool IsGroupData(LPARAM data) { return data <= -2; }
size_t GroupIndex(LPARAM data) { return static_cast<size_t>(-2 - data); }

}  // namespace

TScanForm::TScanForm(std::vector<ScanProgram> programs, std::wstring backupRoot)
    : programs_(programs.size()),
      grouped_(programs.size() > 1),
      backupRoot_(std::move(backupRoot)) {
    for (size_t i = 0; i < programs.size(); ++i) {
        programs_[i].found.target = std::move(programs[i].target);
        programs_[i].safety = std::move(programs[i].safety);
    }
}

HTREEITEM TScanForm::GroupItem(bool registryView, size_t program) const {
    if (program >= programs_.size()) return nullptr;
    return registryView ? programs_[program].regGroup : programs_[program].fileGroup;
}

TScanForm::Pane TScanForm::PaneOf(bool files, HTREEITEM item) {
    size_t program = 0;
    if (grouped_ && item) {
        const ui::CheckTreeView& view = files ? tvScanFiles_ : tvScanRegInfo_;
        HTREEITEM top = item;
        for (HTREEITEM up; (up = TreeView_GetParent(view.hwnd(), top)) != nullptr;) top = up;
        const LPARAM data = view.NodeData(top);
        if (IsGroupData(data) && GroupIndex(data) < programs_.size()) program = GroupIndex(data);
    }
    return files ? FilePane(program) : RegPane(program);
}

void TScanForm::FillGroups(bool files) {
    ui::CheckTreeView& view = files ? tvScanFiles_ : tvScanRegInfo_;
    view.Clear();
    for (size_t i = 0; i < programs_.size(); ++i) {
        Pane pane = files ? FilePane(i) : RegPane(i);
        pane.items.clear();
        pane.group = nullptr;
        if (pane.tree.Empty()) continue;
        pane.group = view.AddNode(nullptr, ProgramName(programs_[i].found.target),
                                  GroupState(pane.tree), GroupData(i), true);
        InsertRoots(pane);
        view.Expand(pane.group);
    }
    // Expanding scrolls to the last group; the list is read from its first.
    if (HTREEITEM first = view.Root()) TreeView_EnsureVisible(view.hwnd(), first);
}

void TScanForm::SyncGroup(Pane pane) {
    if (pane.tree.Empty()) {
        pane.view.RemoveNode(pane.group);
        pane.group = nullptr;
        return;
    }
    const int state = GroupState(pane.tree);
    if (pane.view.NodeState(pane.group) != state) pane.view.SetNodeState(pane.group, state);
}

void TScanForm::ToggleGroup(Pane pane) {
    CheckTree& tree = pane.tree;
    const auto marks = [&tree] {
        std::vector<CheckState> m;
        for (NodeId id : tree.InOrder()) m.push_back(tree.Get(id).state);
        return m;
    };
    const auto setAll = [&tree](CheckState state) {
        for (NodeId root : tree.Roots()) SetBranchState(tree, root, state);
    };
    // As a folder's mark: a partial group checks everything. One held partial
    // by a locked folder, with all else checked already, unchecks instead:
    // otherwise no click could ever clear it.
    const std::vector<CheckState> before = marks();
    const CheckState state = GroupState(tree) == csChecked ? csUnchecked : csChecked;
    setAll(state);
    if (state == csChecked && marks() == before) setAll(csUnchecked);
}

std::string TScanForm::GroupInfo(size_t program) const {
    const Program& p = programs_.at(program);
    if (!p.keptInfo.empty()) return p.keptInfo;
    if (!p.found.scan.failure.empty()) return p.found.scan.failure;
    if (p.found.scan.refusal != DirRefusal::None) return DirRefusalText(p.found.scan.refusal);
    return {};
}

void TScanForm::DeleteGroups() {
    size_t checked = 0;
    for (const Program& p : programs_) checked += CheckedFindings(p.found);
    if (checked == 0) {
        ui::ShowAppMessage(hwnd(), LangText(IDS_MESSAGEBOX_WARNING_NothingChecked),
                           MB_OK | MB_ICONINFORMATION);
        return;
    }

    // Each program's removal keeps its own undo backup, named after it.
    std::vector<std::pair<size_t, FindingsOutcome>> outcomes;
    {
        BusyWindow busy(hwnd());
        for (size_t i = 0; i < programs_.size(); ++i) {
            Program& p = programs_[i];
            if (CheckedFindings(p.found) == 0) continue;
            CleanupBackup backup = Backup(ProgramName(p.found.target) + ": ");
            backup.pump = busy.Pump();
            outcomes.emplace_back(i, RemoveFoundRemains(p.found, std::move(backup)));
        }
    }
    for (size_t i = 0; i < programs_.size(); ++i) {
        SyncView(RegPane(i));
        SyncView(FilePane(i));
    }

    // One message for the lot: what went wrong, program by program, else success.
    std::vector<std::string> problems;
    size_t failed = 0;
    bool removed = false;
    for (const auto& [i, outcome] : outcomes) {
        const std::string name = ProgramName(programs_[i].found.target);
        if (outcome.backup == BackupState::Failed) {
            problems.push_back(name + ": " +
                               Format(LangFormatText(IDS_MESSAGEBOX_WARNING_CleanupNotBackedUp),
                                      outcome.backupError.c_str()));
        } else if (outcome.entryWhole) {
            problems.push_back(
                Format(LangFormatText(IDS_MESSAGEBOX_WARNING_EntryWhole), name.c_str()));
        } else if (outcome.backup != BackupState::Declined) {
            // A declined backup is the user's choice to keep that program's items.
            failed += outcome.failed;
            removed = true;
        }
    }
    if (failed > 0)
        problems.insert(problems.begin(),
                        Format(LangFormatText(IDS_MESSAGEBOX_WARNING_CleanIncomplete),
                               static_cast<int>(failed)));
    if (!problems.empty()) {
        std::string text;
        for (const std::string& line : problems) text += (text.empty() ? "" : "\r\n\r\n") + line;
        ui::ShowAppMessage(hwnd(), text, MB_OK | MB_ICONEXCLAMATION);
    } else if (removed) {
        ui::ShowAppMessage(hwnd(), LangText(IDS_MESSAGEBOX_WARNING_CleanSuccess), MB_OK);
    }
}

}  // namespace cx::cleanup

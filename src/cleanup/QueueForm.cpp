#include "cleanup/QueueForm.h"

#include <commctrl.h>

#include <exception>
#include <utility>

#include "i18n/LangText.h"
#include "platform/Error.h"
#include "platform/Strings.h"

namespace cx::cleanup {
namespace {

Ids StateText(QueueState state) {
    switch (state) {
    case QueueState::Waiting: return IDS_QUEUEFORM_STATE_Waiting;
    case QueueState::Running: return IDS_QUEUEFORM_STATE_Running;
    case QueueState::Removed: return IDS_QUEUEFORM_STATE_Removed;
    case QueueState::NotRemoved: return IDS_QUEUEFORM_STATE_NotRemoved;
    case QueueState::Failed: return IDS_QUEUEFORM_STATE_Failed;
    case QueueState::Skipped: return IDS_QUEUEFORM_STATE_Skipped;
    }
    return IDS_QUEUEFORM_STATE_Waiting;
}

}  // namespace

TQueueForm::TQueueForm(std::vector<Entry> entries) : entries_(std::move(entries)) {
    items_.resize(entries_.size());
    for (size_t i = 0; i < entries_.size(); ++i) {
        items_[i].run.target = entries_[i].program;
        items_[i].run.command =
            UninstallCommandFor(entries_[i].program, entries_[i].uninstallString, Choice(),
                                &items_[i].run.quietUnavailable);
    }
}

CommandChoice TQueueForm::Choice() const noexcept {
    return quiet_ ? CommandChoice::Quiet : CommandChoice::Normal;
}

void TQueueForm::CreateForm(HWND owner) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    CreateFormWindow(owner, LangText(IDS_QUEUEFORM_Title), kClientWidth, kClientHeight);
    lblInfo_ = AddControl("STATIC", LangText(IDS_QUEUEFORM_LABEL_Info), SS_LEFT | SS_NOPREFIX, 8, 8,
                          544, 28, IDC_LBL_INFO);
    lsvQueue_ = AddControl(WC_LISTVIEWA, "",
                           LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP | WS_BORDER,
                           8, 42, 452, 188, IDC_LSV_QUEUE);
    // Commands are long: the tip shows a row's command and state whole.
    ListView_SetExtendedListViewStyle(lsvQueue_, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    const int widths[] = {140, 216, 90};
    for (int c = 0; c < 3; ++c) {
        LVCOLUMNA col{};
        col.mask = LVCF_WIDTH | LVCF_FMT;
        col.fmt = LVCFMT_LEFT;
        col.cx = widths[c];
        ListView_InsertColumn(lsvQueue_, c, &col);
    }
    btnUp_ = AddControl("BUTTON", "", BS_PUSHBUTTON | WS_TABSTOP, 468, 42, 84, 25, IDC_BTN_UP);
    btnDown_ = AddControl("BUTTON", "", BS_PUSHBUTTON | WS_TABSTOP, 468, 72, 84, 25, IDC_BTN_DOWN);
    btnDrop_ = AddControl("BUTTON", "", BS_PUSHBUTTON | WS_TABSTOP, 468, 102, 84, 25, IDC_BTN_DROP);
    chkQuiet_ =
        AddControl("BUTTON", "", BS_AUTOCHECKBOX | WS_TABSTOP, 8, 238, 300, 18, IDC_CHK_QUIET);
    prbQueue_ = AddControl(PROGRESS_CLASSA, "", 0, 8, 262, 544, 16, IDC_PRB_QUEUE);
    lblStatus_ = AddControl("STATIC", "", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 8, 301, 214, 16,
                            IDC_LBL_STATUS);
    btnStart_ =
        AddControl("BUTTON", "", BS_DEFPUSHBUTTON | WS_TABSTOP, 228, 297, 89, 25, IDC_BTN_START);
    btnStop_ =
        AddControl("BUTTON", "", BS_PUSHBUTTON | WS_TABSTOP, 323, 297, 134, 25, IDC_BTN_STOP);
    btnClose_ =
        AddControl("BUTTON", "", BS_PUSHBUTTON | WS_TABSTOP, 463, 297, 89, 25, IDC_BTN_CLOSE);
    SetDefaultButton(IDC_BTN_START);
    ApplyTexts();
}

void TQueueForm::FormShow() {
    ApplyTexts();
    FillList();
    UpdateControls();
}

void TQueueForm::ApplyTexts() {
    if (!hwnd()) return;
    ui::SetWindowString(hwnd(), LangText(IDS_QUEUEFORM_Title));
    ui::SetWindowString(lblInfo_, LangText(IDS_QUEUEFORM_LABEL_Info));
    ui::SetWindowString(btnUp_, LangText(IDS_QUEUEFORM_BUTTON_Up));
    ui::SetWindowString(btnDown_, LangText(IDS_QUEUEFORM_BUTTON_Down));
    ui::SetWindowString(btnDrop_, LangText(IDS_QUEUEFORM_BUTTON_Drop));
    ui::SetWindowString(chkQuiet_, LangText(IDS_QUEUEFORM_CHECK_Quiet));
    ui::SetWindowString(btnStart_, LangText(IDS_QUEUEFORM_BUTTON_Start));
    ui::SetWindowString(btnStop_, LangText(IDS_QUEUEFORM_BUTTON_Stop));
    ui::SetWindowString(btnClose_, LangText(IDS_QUEUEFORM_BUTTON_Close));
    const Ids titles[] = {IDS_QUEUEFORM_COLUMN_Program, IDS_QUEUEFORM_COLUMN_How,
                          IDS_QUEUEFORM_COLUMN_State};
    for (int c = 0; c < 3; ++c) {
        std::string text = LangText(titles[c]);
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT;
        col.pszText = text.data();
        ListView_SetColumn(lsvQueue_, c, &col);
    }
    if (phase_ == Phase::Ended) ui::SetWindowString(lblStatus_, SummaryText());
    for (size_t i = 0; i < items_.size(); ++i) ShowRow(i);
}

std::string TQueueForm::CellText(size_t row, int column) const {
    const QueueItem& item = items_[row];
    switch (column) {
    case 0:
        return item.run.target.displayName.empty() ? item.run.target.registryName
                                                   : item.run.target.displayName;
    case 1: return item.run.command;
    case 2:
        // The reason is the user's only clue to a failure; the texts have no word for it.
        if (item.state == QueueState::Failed && !item.problem.empty())
            return LangText(StateText(item.state)) + ": " + item.problem;
        return LangText(StateText(item.state));
    default: return {};
    }
}

void TQueueForm::FillList() {
    if (!lsvQueue_) return;
    const int selected = SelectedRow();
    ListView_DeleteAllItems(lsvQueue_);
    for (size_t i = 0; i < items_.size(); ++i) {
        std::string first = CellText(i, 0);
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = first.data();
        ListView_InsertItem(lsvQueue_, &item);
        ShowRow(i);
    }
    SelectRow(selected >= 0 && selected < RowCount() ? selected : (items_.empty() ? -1 : 0));
}

void TQueueForm::ShowRow(size_t row) {
    if (!lsvQueue_ || static_cast<int>(row) >= ListView_GetItemCount(lsvQueue_)) return;
    for (int c = 0; c < 3; ++c) {
        std::string text = CellText(row, c);
        ListView_SetItemText(lsvQueue_, static_cast<int>(row), c, text.data());
    }
}

std::string TQueueForm::RowText(int row, int column) const {
    if (row < 0 || row >= RowCount()) return {};
    if (!lsvQueue_) return CellText(static_cast<size_t>(row), column);
    char buf[1024] = "";
    ListView_GetItemText(lsvQueue_, row, column, buf, sizeof buf);
    return buf;
}

int TQueueForm::SelectedRow() const {
    if (!lsvQueue_) return -1;
    return ListView_GetNextItem(lsvQueue_, -1, LVNI_SELECTED);
}

void TQueueForm::SelectRow(int row) {
    if (!lsvQueue_) return;
    ListView_SetItemState(lsvQueue_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (row >= 0) {
        ListView_SetItemState(lsvQueue_, row, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(lsvQueue_, row, FALSE);
    }
    UpdateControls();
}

void TQueueForm::UpdateControls() {
    if (!hwnd()) return;
    const bool before = phase_ == Phase::Before;
    const int row = SelectedRow();
    EnableWindow(btnUp_, before && row > 0);
    EnableWindow(btnDown_, before && row >= 0 && row + 1 < RowCount());
    EnableWindow(btnDrop_, before && row >= 0 && RowCount() > 1);
    EnableWindow(chkQuiet_, before);
    EnableWindow(btnStart_, before && RowCount() > 0);
    EnableWindow(btnStop_, phase_ == Phase::Running && !stopAfterCurrent_);
    // While an item runs the window stays: the queue's next step comes through it.
    const bool closable = phase_ != Phase::Running;
    EnableWindow(btnClose_, closable);
    if (HMENU menu = GetSystemMenu(hwnd(), FALSE))
        EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | (closable ? MF_ENABLED : MF_GRAYED));
    // A disabled control keeps no focus: the keyboard would go nowhere.
    HWND focus = GetFocus();
    if (focus && GetParent(focus) == hwnd() && !IsWindowEnabled(focus))
        SetFocus(closable ? btnClose_ : (IsWindowEnabled(btnStop_) ? btnStop_ : lsvQueue_));
}

void TQueueForm::Swap(size_t a, size_t b) {
    std::swap(entries_[a], entries_[b]);
    std::swap(items_[a], items_[b]);
    ShowRow(a);
    ShowRow(b);
}

void TQueueForm::MoveUp(int row) {
    if (phase_ != Phase::Before || row <= 0 || row >= RowCount()) return;
    Swap(static_cast<size_t>(row - 1), static_cast<size_t>(row));
    SelectRow(row - 1);
}

void TQueueForm::MoveDown(int row) {
    if (phase_ != Phase::Before || row < 0 || row + 1 >= RowCount()) return;
    Swap(static_cast<size_t>(row), static_cast<size_t>(row + 1));
    SelectRow(row + 1);
}

void TQueueForm::Drop(int row) {
    if (phase_ != Phase::Before || row < 0 || row >= RowCount() || RowCount() <= 1) return;
    entries_.erase(entries_.begin() + row);
    items_.erase(items_.begin() + row);
    if (lsvQueue_) ListView_DeleteItem(lsvQueue_, row);
    SelectRow(row < RowCount() ? row : RowCount() - 1);
}

void TQueueForm::SetQuiet(bool quiet) {
    if (phase_ != Phase::Before) return;
    quiet_ = quiet;
    if (chkQuiet_) SendMessageA(chkQuiet_, BM_SETCHECK, quiet ? BST_CHECKED : BST_UNCHECKED, 0);
    for (size_t i = 0; i < items_.size(); ++i) {
        items_[i].run.command =
            UninstallCommandFor(entries_[i].program, entries_[i].uninstallString, Choice(),
                                &items_[i].run.quietUnavailable);
        ShowRow(i);
    }
}

void TQueueForm::Start() {
    // The notifications come to the window, and the window must be there to take them.
    if (phase_ != Phase::Before || items_.empty() || !hwnd() || !InModal()) return;
    phase_ = Phase::Running;
    current_ = 0;
    settled_ = 0;
    SendMessageA(prbQueue_, PBM_SETRANGE32, 0, static_cast<LPARAM>(items_.size()));
    SendMessageA(prbQueue_, PBM_SETPOS, 0, 0);
    ui::SetWindowString(lblStatus_, "");
    UpdateControls();
    StartNext();
}

void TQueueForm::StopAfterCurrent() {
    if (phase_ != Phase::Running) return;
    stopAfterCurrent_ = true;
    UpdateControls();
}

void TQueueForm::Settled(size_t row) {
    ShowRow(row);
    ++settled_;
    SendMessageA(prbQueue_, PBM_SETPOS, static_cast<WPARAM>(settled_), 0);
}

void TQueueForm::StartNext() {
    for (; current_ < items_.size(); ++current_) {
        // A window that is no longer shown (its loop ended under a quit) starts nothing more.
        if (stopAfterCurrent_ || !InModal()) {
            for (size_t i = current_; i < items_.size(); ++i) {
                items_[i].state = QueueState::Skipped;
                ShowRow(i);
            }
            break;
        }
        QueueItem& item = items_[current_];
        try {
            // Right before it runs: the registration still tells where its folders are.
            item.run = PrepareUninstall(entries_[current_].program,
                                        entries_[current_].uninstallString, Choice());
        } catch (const std::exception& e) {
            item.state = QueueState::Failed;
            item.problem = e.what();
            Settled(current_);
            continue;
        }
        if (!item.run.HasCommand()) {
            item.state = QueueState::Failed;
            item.problem = LangText(IDS_QUEUEFORM_PROBLEM_NoCommand);
            Settled(current_);
            continue;
        }
        item.state = QueueState::Running;
        ShowRow(current_);
        if (lsvQueue_) ListView_EnsureVisible(lsvQueue_, static_cast<int>(current_), FALSE);
        const LPARAM id = NewWaitId();
        waitId_ = id;
        try {
            StartReportingWait(item.run.command, hwnd(), id);
        } catch (const std::exception&) {
            waitId_ = 0;
            item.state = QueueState::Failed;
            item.problem = LangText(IDS_QUEUEFORM_PROBLEM_NotStarted);
            Settled(current_);
            continue;
        }
        return;
    }
    EndQueue();
}

void TQueueForm::FinishCurrent(WaitEnd end) {
    QueueItem& item = items_[current_];
    switch (end) {
    case WaitEnd::Ended:
        item.state = JudgeUninstallEnd(end, item.run.target).stillInstalled ? QueueState::NotRemoved
                                                                            : QueueState::Removed;
        break;
    case WaitEnd::NothingStarted:
        item.state = QueueState::Failed;
        item.problem = LangText(IDS_QUEUEFORM_PROBLEM_NotStarted);
        break;
    case WaitEnd::Failed:
    case WaitEnd::GaveUp:
        item.state = QueueState::Failed;
        item.problem = LangText(IDS_QUEUEFORM_PROBLEM_WaitFailed);
        break;
    }
    Settled(current_);
    ++current_;
    StartNext();
}

std::string TQueueForm::SummaryText() const {
    int removed = 0;
    for (const QueueItem& item : items_)
        if (item.state == QueueState::Removed) ++removed;
    return Format(LangFormatText(IDS_QUEUEFORM_INFO_Summary), removed,
                  static_cast<int>(items_.size()));
}

void TQueueForm::EndQueue() {
    phase_ = Phase::Ended;
    waitId_ = 0;
    ui::SetWindowString(lblStatus_, SummaryText());
    SetDefaultButton(IDC_BTN_CLOSE);
    SendMessageA(btnStart_, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    SendMessageA(btnClose_, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    UpdateControls();
}

LRESULT TQueueForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == UninstallDoneMessage() || msg == kWaitReturnedMessage) {
        // Only the running item's own wait counts; any other id (an ended wait's
        // late word, another process's message) says nothing about it.
        if (phase_ == Phase::Running && waitId_ != 0 && lp == waitId_) {
            waitId_ = 0;
            FinishCurrent(msg == kWaitReturnedMessage ? WaitEnd::Failed : WaitEndOf(wp));
        }
        return 0;
    }
    if (msg == WM_CLOSE && phase_ == Phase::Running) return 0;
    return Form::HandleMessage(msg, wp, lp);
}

bool TQueueForm::OnCommand(int id, int code, HWND control) {
    if (id == IDCANCEL || id == IDC_BTN_CLOSE) {
        if (phase_ != Phase::Running) EndModal(IDCANCEL);
        return true;
    }
    if (id == IDOK) {
        if (phase_ == Phase::Before)
            Start();
        else if (phase_ == Phase::Ended)
            EndModal(IDOK);
        return true;
    }
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_BTN_UP: MoveUp(SelectedRow()); return true;
        case IDC_BTN_DOWN: MoveDown(SelectedRow()); return true;
        case IDC_BTN_DROP: Drop(SelectedRow()); return true;
        case IDC_BTN_START: Start(); return true;
        case IDC_BTN_STOP: StopAfterCurrent(); return true;
        case IDC_CHK_QUIET:
            SetQuiet(SendMessageA(chkQuiet_, BM_GETCHECK, 0, 0) == BST_CHECKED);
            return true;
        default: break;
        }
    }
    return Form::OnCommand(id, code, control);
}

LRESULT TQueueForm::OnNotify(int id, NMHDR* header) {
    if (id == IDC_LSV_QUEUE && header->code == LVN_ITEMCHANGED) {
        UpdateControls();
        return 0;
    }
    if (id == IDC_LSV_QUEUE &&
        (header->code == LVN_GETINFOTIPA || header->code == LVN_GETINFOTIPW)) {
        auto* tip = reinterpret_cast<NMLVGETINFOTIPA*>(header);  // alike but for the text's width
        if (tip->iItem < 0 || tip->iItem >= RowCount() || tip->cchTextMax <= 0) return 0;
        const size_t row = static_cast<size_t>(tip->iItem);
        const std::string text = CellText(row, 1) + "\r\n" + CellText(row, 2);
        if (header->code == LVN_GETINFOTIPA)
            lstrcpynA(tip->pszText, text.c_str(), tip->cchTextMax);
        else
            lstrcpynW(reinterpret_cast<NMLVGETINFOTIPW*>(header)->pszText, AnsiToWide(text).c_str(),
                      tip->cchTextMax);
        return 0;
    }
    return Form::OnNotify(id, header);
}

}  // namespace cx::cleanup

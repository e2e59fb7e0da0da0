#include "cleanup/RestoreForm.h"

#include <commctrl.h>

#include <utility>

#include "cleanup/UndoBusy.h"
#include "i18n/LangText.h"
#include "platform/Error.h"
#include "platform/Strings.h"
#include "widgets/Seam.h"

namespace cx::cleanup {

std::string NotRestoredText(const std::vector<std::wstring>& items, size_t maxLines) {
    std::string text;
    for (size_t i = 0; i < items.size() && i < maxLines; ++i) text += "\n" + WideToAnsi(items[i]);
    if (items.size() > maxLines) text += Format("\n(%u more)", unsigned(items.size() - maxLines));
    return text;
}

TRestoreForm::TRestoreForm(std::wstring root, SafetyContext safety, RestoreOptions options)
    : root_(std::move(root)), safety_(std::move(safety)), options_(std::move(options)) {}

size_t TRestoreForm::LoadCleanups() {
    kept_ = ListCleanups(root_);
    if (lsvCleanups_) FillList();
    return kept_.size();
}

void TRestoreForm::CreateForm(HWND owner) {
    CreateFormWindow(owner, LangText(IDS_RESTOREFORM_Title), kClientWidth, kClientHeight);
    lblInfo_ = AddControl("STATIC", LangText(IDS_RESTOREFORM_LABEL_Info), SS_LEFT | SS_NOPREFIX, 8,
                          10, 424, 16, IDC_LBL_INFO);
    lsvCleanups_ = AddControl(WC_LISTVIEWA, "",
                              LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                                  WS_TABSTOP | WS_BORDER,
                              8, 30, 424, 190, IDC_LSV_CLEANUPS);
    ListView_SetExtendedListViewStyle(lsvCleanups_, LVS_EX_FULLROWSELECT);
    // No header: the rows speak for themselves (date, program, size), and the
    // language files have no texts for column titles.
    const int widths[] = {130, 200, 90};
    for (int c = 0; c < 3; ++c) {
        LVCOLUMNA col{};
        col.mask = LVCF_WIDTH | LVCF_FMT;
        col.fmt = c == 2 ? LVCFMT_RIGHT : LVCFMT_LEFT;
        col.cx = widths[c];
        ListView_InsertColumn(lsvCleanups_, c, &col);
    }
    btnRestore_ = AddControl("BUTTON", LangText(IDS_RESTOREFORM_BUTTON_Restore),
                             BS_DEFPUSHBUTTON | WS_TABSTOP, 248, 229, 89, 25, IDC_BTN_RESTORE);
    btnCancel_ = AddControl("BUTTON", LangText(IDS_RESTOREFORM_BUTTON_Cancel),
                            BS_PUSHBUTTON | WS_TABSTOP, 343, 229, 89, 25, IDC_BTN_CANCEL);
    SetDefaultButton(IDC_BTN_RESTORE);
}

void TRestoreForm::FormShow() {
    ApplyTexts();
    LoadCleanups();
}

void TRestoreForm::ApplyTexts() {
    if (!hwnd()) return;
    ui::SetWindowString(hwnd(), LangText(IDS_RESTOREFORM_Title));
    ui::SetWindowString(lblInfo_, LangText(IDS_RESTOREFORM_LABEL_Info));
    ui::SetWindowString(btnRestore_, LangText(IDS_RESTOREFORM_BUTTON_Restore));
    ui::SetWindowString(btnCancel_, LangText(IDS_RESTOREFORM_BUTTON_Cancel));
}

void TRestoreForm::FillList() {
    ListView_DeleteAllItems(lsvCleanups_);
    for (size_t i = 0; i < kept_.size(); ++i) {
        const KeptCleanup& k = kept_[i];
        std::string texts[] = {k.time, WideToAnsi(k.program), SizeText(k.size)};
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = texts[0].data();
        int at = ListView_InsertItem(lsvCleanups_, &item);
        for (int c = 1; c < 3; ++c) ListView_SetItemText(lsvCleanups_, at, c, texts[c].data());
    }
    SelectRow(kept_.empty() ? -1 : 0);
}

int TRestoreForm::SelectedRow() const {
    if (!lsvCleanups_) return -1;
    return ListView_GetNextItem(lsvCleanups_, -1, LVNI_SELECTED);
}

void TRestoreForm::SelectRow(int row) {
    if (!lsvCleanups_) return;
    ListView_SetItemState(lsvCleanups_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (row >= 0)
        ListView_SetItemState(lsvCleanups_, row, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
    EnableWindow(btnRestore_, row >= 0);
}

std::string TRestoreForm::RowText(int row, int column) const {
    char buf[1024] = "";
    ListView_GetItemText(lsvCleanups_, row, column, buf, sizeof buf);
    return buf;
}

bool TRestoreForm::OnCommand(int id, int code, HWND control) {
    if (code == BN_CLICKED) {
        switch (id) {
        case IDOK:
        case IDC_BTN_RESTORE: btnRestoreClick(); return true;
        case IDC_BTN_CANCEL: btnCancelClick(); return true;
        default: break;
        }
    }
    return Form::OnCommand(id, code, control);
}

LRESULT TRestoreForm::OnNotify(int id, NMHDR* header) {
    if (id == IDC_LSV_CLEANUPS && header->code == LVN_ITEMCHANGED) {
        EnableWindow(btnRestore_, SelectedRow() >= 0);
        return 0;
    }
    if (id == IDC_LSV_CLEANUPS && header->code == NM_DBLCLK && SelectedRow() >= 0) {
        btnRestoreClick();
        return 0;
    }
    return Form::OnNotify(id, header);
}

void TRestoreForm::btnRestoreClick() {
    const int row = SelectedRow();
    if (row < 0 || static_cast<size_t>(row) >= kept_.size()) return;
    RestoreOutcome outcome;
    {
        BusyWindow busy(hwnd());
        RestoreOptions options = options_;
        if (!options.pump) options.pump = busy.Pump();
        outcome = RestoreCleanup(root_, kept_[static_cast<size_t>(row)].folder, safety_, options);
    }
    if (outcome.notRestored.empty()) {
        ui::ShowAppMessage(hwnd(), LangText(IDS_MESSAGEBOX_MESSAGE_RestoreDone),
                           MB_OK | MB_ICONINFORMATION);
    } else {
        ui::ShowAppMessage(hwnd(),
                           Format(LangFormatText(IDS_MESSAGEBOX_WARNING_RestoreIncomplete),
                                  static_cast<int>(outcome.notRestored.size()),
                                  NotRestoredText(outcome.notRestored).c_str()),
                           MB_OK | MB_ICONEXCLAMATION);
    }
    EndModal(IDOK);
}

void TRestoreForm::btnCancelClick() { EndModal(IDCANCEL); }

}  // namespace cx::cleanup

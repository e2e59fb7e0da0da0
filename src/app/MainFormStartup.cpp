// The Startup Items page: its list, its buttons, its right-click menu and the
// add dialog. What a row is and where its entry lives is startup/'s; this file
// shows rows and passes the user's check boxes on.
#include <windowsx.h>

#include "app/AppPaths.h"
#include "app/MainForm.h"
#include "i18n/LangText.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Strings.h"
#include "startup/AddItemForm.h"
#include "startup/FileInfo.h"
#include "widgets/NoRedraw.h"
#include "widgets/Seam.h"

namespace cx::app {

namespace {

void ShowFailures(HWND owner, Ids key, const std::vector<std::string>& names) {
    const std::string list = startup::FailureList(names);
    const std::string text =
        key == IDS_MESSAGEBOX_WARNING_StartupApplyFailed
            ? Format(LangFormatText(key), static_cast<int>(names.size()), list.c_str())
            : Format(LangFormatText(key), list.c_str());
    ui::ShowAppMessage(owner, text, MB_OK | MB_ICONWARNING);
}

}  // namespace

void TMainForm::SetupStartupList() {
    // Several rows can be deleted at once.
    LONG style = GetWindowLongA(lsvStartupList, GWL_STYLE);
    SetWindowLongA(lsvStartupList, GWL_STYLE, style & ~LVS_SINGLESEL);
    // The list's mouse presses reach the main window through this.
    startupListHook_.Attach(lsvStartupList, [this](const ui::Subclass::Call& call) -> LRESULT {
        if (call.msg != WM_LBUTTONDOWN && call.msg != WM_RBUTTONDOWN && call.msg != WM_MBUTTONDOWN)
            return call.Previous();
        // The list selects the row under the mouse first, as a click does.
        LRESULT r = call.Previous();
        lsvStartupListMouseDown(call.msg == WM_LBUTTONDOWN   ? mbLeft
                                : call.msg == WM_RBUTTONDOWN ? mbRight
                                                             : mbMiddle);
        return r;
    });
    // The Item Info shows once a row is selected; Delete waits for one too.
    ShowItemInfo(false);
    btnDelete.SetEnabled(false);
}

startup::StartupPlaces TMainForm::StartupLocations() const {
    return startup::FindStartupPlaces(
        AnsiToWide(AppPaths().AppDir + startup::kStartupBackupSubdir));
}

// --- loading ----------------------------------------------------------------------------------

void TMainForm::AddStartupRow(startup::StartupEntry entry) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(startupRows_.size());
    item.pszText = const_cast<char*>(entry.Name.c_str());
    int at = ListView_InsertItem(lsvStartupList, &item);
    if (at < 0) throw AppError("The startup list cannot take another row.");
    // A list with check boxes inserts every row unchecked, whatever the row asks.
    if (entry.Enabled) ListView_SetCheckState(lsvStartupList, at, TRUE);
    ListView_SetItemText(lsvStartupList, at, 1, const_cast<char*>(entry.Command.c_str()));
    ListView_SetItemText(lsvStartupList, at, 2, const_cast<char*>(entry.Location.c_str()));
    startupRows_.push_back(std::move(entry));
}

void TMainForm::LoadStartupList() {
    loadingStartup_ = true;
    try {
        ui::NoRedraw batch(lsvStartupList);
        ListView_DeleteAllItems(lsvStartupList);
        startupRows_.clear();
        for (auto& row : startup::ReadStartupRows(StartupLocations()))
            AddStartupRow(std::move(row));
    } catch (...) {
        loadingStartup_ = false;
        throw;
    }
    loadingStartup_ = false;
}

// --- rows -------------------------------------------------------------------------------------

int TMainForm::StartupRowCount() const { return static_cast<int>(startupRows_.size()); }

std::string TMainForm::StartupRowText(int row, int subItem) const {
    char buf[4096] = {};
    ListView_GetItemText(lsvStartupList, row, subItem, buf, sizeof buf);
    return buf;
}

bool TMainForm::StartupRowChecked(int row) const {
    return ListView_GetCheckState(lsvStartupList, row) != 0;
}

void TMainForm::SetStartupRowChecked(int row, bool checked) {
    ListView_SetCheckState(lsvStartupList, row, checked ? TRUE : FALSE);
}

void TMainForm::SelectStartupRow(int row, bool selected) {
    ListView_SetItemState(lsvStartupList, row, selected ? LVIS_SELECTED : 0, LVIS_SELECTED);
}

void TMainForm::RemoveStartupRow(int row) {
    ListView_DeleteItem(lsvStartupList, row);
    startupRows_.erase(startupRows_.begin() + row);
}

LRESULT TMainForm::OnStartupListNotify(NMHDR* hdr) {
    if (hdr->code != LVN_ITEMCHANGED) return 0;
    auto* lv = reinterpret_cast<NMLISTVIEW*>(hdr);
    // A check box that changes writes nothing: Apply does.
    if (!loadingStartup_ && lv->iItem >= 0 && (lv->uChanged & LVIF_STATE) &&
        ((lv->uOldState ^ lv->uNewState) & LVIS_SELECTED))
        lsvStartupListSelectItem(lv->iItem);
    return 0;
}

// --- commands ---------------------------------------------------------------------------------

void TMainForm::ActionApplyExecute() {
    std::vector<bool> checked;
    for (int r = 0; r < StartupRowCount(); ++r) checked.push_back(StartupRowChecked(r));
    const auto places = StartupLocations();
    std::vector<std::string> failed;
    try {
        for (size_t i : startup::PlanApply(startupRows_, checked)) {
            startup::StartupEntry& row = startupRows_[i];
            if (startup::MoveEntry(row, checked[i], places).outcome != startup::Outcome::Done) {
                failed.push_back(row.Name);
                continue;
            }
            ListView_SetItemText(lsvStartupList, static_cast<int>(i), 1,
                                 const_cast<char*>(row.Command.c_str()));
        }
    } catch (const std::exception& e) {
        ui::ReportException(e);
        LoadStartupList();
        return;
    }
    if (failed.empty()) return;
    ShowFailures(hwnd(), IDS_MESSAGEBOX_WARNING_StartupApplyFailed, failed);
    // What could not be written must not look written.
    LoadStartupList();
}

void TMainForm::ActionDeleteExecute() {
    if (ui::ShowAppMessage(hwnd(), LangText(IDS_MESSAGEBOX_WARNING_DeleteStartupEntry),
                           MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return;
    std::vector<std::string> failed;
    std::vector<startup::StartupEntry> deleted;
    try {
        for (int r = StartupRowCount() - 1; r >= 0; --r) {
            if (!(ListView_GetItemState(lsvStartupList, r, LVIS_SELECTED) & LVIS_SELECTED))
                continue;
            if (startup::DeleteEntry(startupRows_[r]).outcome != startup::Outcome::Done) {
                failed.push_back(startupRows_[r].Name);
                continue;
            }
            deleted.push_back(startupRows_[r]);
            RemoveStartupRow(r);
        }
        // A value goes from its key and from Run_Disable alike: a row that
        // showed the other copy shows nothing that exists any more.
        for (int r = StartupRowCount() - 1; r >= 0; --r) {
            const auto& row = startupRows_[r];
            if (row.source != startup::Source::Registry) continue;
            for (const auto& d : deleted)
                if (d.source == startup::Source::Registry && d.hive == row.hive &&
                    d.keyIndex == row.keyIndex && d.valueName == row.valueName) {
                    RemoveStartupRow(r);
                    break;
                }
        }
    } catch (const std::exception& e) {
        ui::ReportException(e);
        LoadStartupList();
        return;
    }
    if (failed.empty()) return;
    ShowFailures(hwnd(), IDS_MESSAGEBOX_WARNING_StartupDeleteFailed, failed);
    LoadStartupList();
}

void TMainForm::ActionSelectAllExecute() {
    const bool check = !StartupAllChecked;
    for (int r = 0; r < StartupRowCount(); ++r) SetStartupRowChecked(r, check);
    StartupAllChecked = check;
    btnSelectAll.SetCaption(
        LangText(check ? IDS_SIDEBAR_BUTTON_UnSelectAll : IDS_SIDEBAR_BUTTON_SelectAll));
}

void TMainForm::ActionAddItemExecute() {
    int result;
    {
        startup::TAddItemForm form;  // one use: destroyed when it closes
        result = form.ShowModal(hwnd());
    }
    if (result == IDOK) LoadStartupList();
}

void TMainForm::ShowItemInfo(bool shown) {
    for (HWND h : {grbItemInfo, lblPublisher, lblPublisherValue, lblVersion, lblVersionValue,
                   lblDes, lblDescription})
        ShowWindow(h, shown ? SW_SHOW : SW_HIDE);
}

void TMainForm::lsvStartupListSelectItem(int row) {
    ShowItemInfo(true);
    btnDelete.SetEnabled(true);
    if (row < 0 || row >= StartupRowCount()) return;
    try {
        const std::string target = startup::CommandTarget(
            startupRows_[row].Command, [](const std::string& s) { return ExpandEnvironment(s); },
            [](const std::string& p) { return FileExists(p); });
        startup::TFileInfo info;
        if (!startup::ReadFileInfo(target, info)) {
            ShowItemInfo(false);
            return;
        }
        ui::SetWindowString(lblPublisherValue, info.CompanyName);
        ui::SetWindowString(lblVersionValue, info.FileVersion);
        ui::SetWindowString(lblDescription, info.FileDescription);
    } catch (...) {
        // An unreadable file shows no Item Info, not an error.
        ShowItemInfo(false);
    }
}

void TMainForm::lsvStartupListMouseDown(int button) {
    if (button != mbRight) return;
    pmSLRightClick.SetEnabled(mItemDeleteEntry, ListView_GetSelectedCount(lsvStartupList) > 0);
    POINT at;
    GetCursorPos(&at);
    ShowMenu(pmSLRightClick, at);
}

}  // namespace cx::app

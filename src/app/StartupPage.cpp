// The Startup Items page: its list, its buttons, its right-click menu and the
// add dialog. What a row is and where its entry lives is startup/'s; this file
// shows rows and passes the user's check boxes on.
#include <windowsx.h>

#include <algorithm>

#include "app/AppPaths.h"
#include "app/PageParts.h"
#include "app/StartupPage.h"
#include "skin/Bounds.h"
#include "skin/SkinApply.h"
#include "skin/SkinSettings.h"
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

void TStartupPage::Create(HWND sheet, HFONT uiFont, HFONT listFont) {
    tsStartupItems = sheet;
    SizePanelSI.Create(sheet, 0, 0, 169, 394);
    SetControlId(SizePanelSI.hwnd(), IDC_SIZEPANEL_SI);
    SizePanelSI.onHotSpotClick = [this] { SizePanelSIHotSpotClick(); };
    imgPanelS.Create(SizePanelSI.hwnd(), 0, 0, 160, 394);
    SetControlId(imgPanelS.hwnd(), IDC_IMG_PANELS);
    HWND panel = imgPanelS.hwnd();
    btnSelectAll.Create(panel, IDC_BTN_SELECTALL, "Disable All", 15, 16, 141, 34);
    btnSelectAll.onClick = [this] { host_.Execute(ActionSelectAll); };
    btnDelete.Create(panel, IDC_BTN_DELETE, "Delete Entry", 15, 64, 141, 34);
    btnDelete.onClick = [this] { host_.Execute(ActionDelete); };
    btnApply.Create(panel, IDC_BTN_APPLY, "Apply", 15, 112, 141, 34);
    btnApply.onClick = [this] { host_.Execute(ActionApply); };
    grbItemInfo =
        MakeChild("BUTTON", "Item Info", BS_GROUPBOX, {15, 168, 137, 185}, panel, IDC_GRBITEMINFO);
    lblPublisher =
        MakeChild("STATIC", "Publisher: ", SS_LEFT, {20, 193, 64, 13}, panel, IDC_LBL_PUBLISHER);
    lblPublisherValue =
        MakeChild("STATIC", "", SS_LEFT, {20, 210, 121, 31}, panel, IDC_LBL_PUBLISHERVALUE);
    lblVersion =
        MakeChild("STATIC", "Version: ", SS_LEFT, {20, 244, 55, 13}, panel, IDC_LBL_VERSION);
    lblVersionValue =
        MakeChild("STATIC", "", SS_LEFT, {23, 260, 121, 31}, panel, IDC_LBL_VERSIONVALUE);
    lblDes = MakeChild("STATIC", "Description: ", SS_LEFT, {20, 293, 76, 13}, panel, IDC_LBL_DES);
    lblDescription =
        MakeChild("STATIC", "", SS_LEFT, {20, 309, 121, 42}, panel, IDC_LBL_DESCRIPTION);
    for (HWND h : {grbItemInfo, lblPublisher, lblPublisherValue, lblVersion, lblVersionValue,
                   lblDes, lblDescription})
        SetControlFont(h, uiFont);
    SetWindowPos(grbItemInfo, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    lsvStartupList =
        MakeChild(WC_LISTVIEWA, "",
                  LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL | LVS_OWNERDATA | WS_TABSTOP,
                  {169, 0, 582, 394}, sheet, IDC_LSVSTARTUPLIST);
    ListView_SetExtendedListViewStyle(lsvStartupList, LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES);
    SetControlFont(lsvStartupList, listFont);
    AddColumn(lsvStartupList, 0, LangText(IDS_LISTVIEW_COLUMNS_StatrupItem), 130);
    AddColumn(lsvStartupList, 1, LangText(IDS_LISTVIEW_COLUMNS_Command), 240);
    AddColumn(lsvStartupList, 2, LangText(IDS_LISTVIEW_COLUMNS_Location), 360);
    SetupStartupList();
}

void TStartupPage::ApplySkin() {
    SetBoundsFromSkin(tsStartupItems, SkinValue(SK_MAINFORM_PAGE2_Pos));
    SetBoundsFromSkin(lsvStartupList, SkinValue(SK_MAINFORM_PAGE2_LISTVIEW_StartupItemsList_Pos));
    SetBoundsFromSkin(SizePanelSI.hwnd(), SkinValue(SK_MAINFORM_PAGE2_SizePanel_Pos));
    SkinPanel(imgPanelS, SK_MAINFORM_PAGE2_ImgPanel_Pos, SK_MAINFORM_PAGE2_ImgPanel_Pic);

    SetBoundsFromSkin(grbItemInfo, SkinValue(SK_MAINFORM_PAGE2_GROUPBOX_grbItemInfo_Pos));
    SetBoundsInGroup(lblPublisher, SkinValue(SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Publisher_Pos),
                     grbItemInfo);
    SetBoundsInGroup(lblPublisherValue,
                     SkinValue(SK_MAINFORM_PAGE2_GROUPBOX_LABEL_PublisherValue_Pos), grbItemInfo);
    SetBoundsInGroup(lblVersion, SkinValue(SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Version_Pos),
                     grbItemInfo);
    SetBoundsInGroup(lblVersionValue, SkinValue(SK_MAINFORM_PAGE2_GROUPBOX_LABEL_VersionValue_Pos),
                     grbItemInfo);
    SetBoundsInGroup(lblDes, SkinValue(SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Des_Pos), grbItemInfo);
    SetBoundsInGroup(lblDescription, SkinValue(SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Description_Pos),
                     grbItemInfo);

    SkinButton(btnSelectAll, SK_MAINFORM_PAGE2_BUTTON_SelectAll_Pos);
    SkinButton(btnDelete, SK_MAINFORM_PAGE2_BUTTON_Delete_Pos);
    SkinButton(btnApply, SK_MAINFORM_PAGE2_BUTTON_Apply_Pos);
}

void TStartupPage::ApplyTexts() {
    btnSelectAll.SetCaption(LangText(IDS_SIDEBAR_BUTTON_UnSelectAll));
    btnDelete.SetCaption(LangText(IDS_SIDEBAR_BUTTON_Delete));
    btnApply.SetCaption(LangText(IDS_SIDEBAR_BUTTON_Apply));
    SetColumnText(lsvStartupList, 0, IDS_LISTVIEW_COLUMNS_StatrupItem);
    SetColumnText(lsvStartupList, 1, IDS_LISTVIEW_COLUMNS_Command);
    SetColumnText(lsvStartupList, 2, IDS_LISTVIEW_COLUMNS_Location);
    SetWindowTextA(grbItemInfo, LangText(IDS_SIDEBAR_GROUPBOX_TITLE_ItemInfo).c_str());
    SetWindowTextA(lblPublisher, LangText(IDS_SIDEBAR_GROUPBOX_LABEL_Publisher).c_str());
    SetWindowTextA(lblVersion, LangText(IDS_SIDEBAR_GROUPBOX_LABEL_Version).c_str());
    SetWindowTextA(lblDes, LangText(IDS_SIDEBAR_GROUPBOX_LABEL_Description).c_str());
}

void TStartupPage::SetGrid(bool grid) {
    ListView_SetExtendedListViewStyleEx(lsvStartupList, LVS_EX_GRIDLINES,
                                        grid ? LVS_EX_GRIDLINES : 0);
}

void TStartupPage::Activate() {
    LoadStartupList();
    // The last row decides the button's mode; with no rows it stays as it was.
    for (int r = 0; r < StartupRowCount(); ++r) {
        StartupAllChecked = StartupRowChecked(r);
        btnSelectAll.SetCaption(LangText(StartupAllChecked ? IDS_SIDEBAR_BUTTON_UnSelectAll
                                                           : IDS_SIDEBAR_BUTTON_SelectAll));
    }
    btnDelete.SetEnabled(false);
}

void TStartupPage::SizePanelSIHotSpotClick() {
    SkinKey key = StartupPanelShown ? SK_MAINFORM_PAGE2_LISTVIEW_StartupItemsList_FullPos
                                    : SK_MAINFORM_PAGE2_LISTVIEW_StartupItemsList_Pos;
    if (auto b = ParseBounds(SkinValue(key)))
        ui::SetBounds(lsvStartupList, b->left, b->top, b->width, b->height);
    StartupPanelShown = !StartupPanelShown;
}

void TStartupPage::SetupStartupList() {
    // Several rows can be deleted at once.
    LONG style = GetWindowLongA(lsvStartupList, GWL_STYLE);
    SetWindowLongA(lsvStartupList, GWL_STYLE, style & ~LVS_SINGLESEL);
    // The check marks are ours to give, as the texts are.
    ListView_SetCallbackMask(lsvStartupList, LVIS_STATEIMAGEMASK);
    startupListHook_.Attach(lsvStartupList, [this](const ui::Subclass::Call& call) {
        return OnStartupListInput(call);
    });
    // The Item Info shows once a row is selected; Delete waits for one too.
    ShowItemInfo(false);
    btnDelete.SetEnabled(false);
}

LRESULT TStartupPage::OnStartupListInput(const ui::Subclass::Call& call) {
    switch (call.msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        // A press on a check box turns it, as in a list that holds its rows;
        // a double press turns it twice.
        LVHITTESTINFO hit{};
        hit.pt = {GET_X_LPARAM(call.lp), GET_Y_LPARAM(call.lp)};
        const int row = ListView_HitTest(lsvStartupList, &hit);
        if (row >= 0 && row < StartupRowCount() && (hit.flags & LVHT_ONITEMSTATEICON)) {
            SetStartupRowChecked(row, !StartupRowChecked(row));
            return 0;
        }
        break;
    }
    case WM_KEYDOWN: {
        // The space bar turns the focused row's box and gives every selected
        // row the same mark.
        if (call.wp != VK_SPACE) break;
        const int focused = ListView_GetNextItem(lsvStartupList, -1, LVNI_FOCUSED);
        if (focused < 0 || focused >= StartupRowCount()) return 0;
        const bool check = !StartupRowChecked(focused);
        SetStartupRowChecked(focused, check);
        for (int r = ListView_GetNextItem(lsvStartupList, -1, LVNI_SELECTED); r >= 0;
             r = ListView_GetNextItem(lsvStartupList, r, LVNI_SELECTED))
            if (r < StartupRowCount()) SetStartupRowChecked(r, check);
        return 0;
    }
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        // The list selects the row under the mouse first, as a click does;
        // the main window then shows its menu.
        LRESULT r = call.Previous();
        lsvStartupListMouseDown(call.msg == WM_RBUTTONDOWN ? mbRight : mbMiddle);
        return r;
    }
    }
    return call.Previous();
}

startup::StartupPlaces TStartupPage::StartupLocations() const {
    return startup::FindStartupPlaces(
        AnsiToWide(AppPaths().AppDir + startup::kStartupBackupSubdir));
}

// --- loading ----------------------------------------------------------------------------------

void TStartupPage::LoadStartupList() {
    loadingStartup_ = true;
    try {
        ui::NoRedraw batch(lsvStartupList);
        // An empty list first, so no selection of the old rows lives on.
        ListView_SetItemCountEx(lsvStartupList, 0, 0);
        startupRows_.clear();
        startupChecked_.clear();
        startupRows_ = startup::ReadStartupRows(StartupLocations());
        for (const auto& row : startupRows_) startupChecked_.push_back(row.Enabled);
        if (!ListView_SetItemCountEx(lsvStartupList, static_cast<int>(startupRows_.size()), 0))
            throw AppError("The startup list cannot take so many rows.");
    } catch (...) {
        // No row shown may stand for an entry that is not held.
        startupRows_.clear();
        startupChecked_.clear();
        ListView_SetItemCountEx(lsvStartupList, 0, 0);
        loadingStartup_ = false;
        throw;
    }
    loadingStartup_ = false;
}

// --- rows -------------------------------------------------------------------------------------

int TStartupPage::StartupRowCount() const { return static_cast<int>(startupRows_.size()); }

std::string TStartupPage::StartupRowText(int row, int subItem) const {
    // Read through the list, so what it shows is what is told.
    char buf[4096] = {};
    ListView_GetItemText(lsvStartupList, row, subItem, buf, sizeof buf);
    return buf;
}

bool TStartupPage::StartupRowChecked(int row) const { return startupChecked_.at(row); }

void TStartupPage::SetStartupRowChecked(int row, bool checked) {
    startupChecked_.at(row) = checked;
    RedrawStartupRow(row);
}

void TStartupPage::RedrawStartupRow(int row) { ListView_RedrawItems(lsvStartupList, row, row); }

void TStartupPage::SelectStartupRow(int row, bool selected) {
    ListView_SetItemState(lsvStartupList, row, selected ? LVIS_SELECTED : 0, LVIS_SELECTED);
}

void TStartupPage::RemoveStartupRow(int row) {
    ListView_DeleteItem(lsvStartupList, row);
    startupRows_.erase(startupRows_.begin() + row);
    startupChecked_.erase(startupChecked_.begin() + row);
}

namespace {

// Copies `text` into a list's buffer, cut to fit and always ended.
template <typename Char>
void GiveText(const std::basic_string<Char>& text, Char* buffer, int capacity) {
    if (!buffer || capacity <= 0) return;
    const size_t n = std::min(text.size(), static_cast<size_t>(capacity - 1));
    std::copy(text.begin(), text.begin() + n, buffer);
    buffer[n] = 0;
}

}  // namespace

LRESULT TStartupPage::OnNotify(NMHDR* hdr) {
    switch (hdr->code) {
    case LVN_GETDISPINFOA:
    case LVN_GETDISPINFOW: {
        // Both item structures start alike; only the text differs in width.
        auto* item = &reinterpret_cast<NMLVDISPINFOA*>(hdr)->item;
        if (item->iItem < 0 || item->iItem >= StartupRowCount()) return 0;
        const startup::StartupEntry& row = startupRows_[item->iItem];
        if (item->mask & LVIF_TEXT) {
            const std::string& text = item->iSubItem == 1   ? row.Command
                                      : item->iSubItem == 2 ? row.Location
                                                            : row.Name;
            if (hdr->code == LVN_GETDISPINFOA)
                GiveText(text, item->pszText, item->cchTextMax);
            else
                GiveText(AnsiToWide(text), reinterpret_cast<LVITEMW*>(item)->pszText,
                         item->cchTextMax);
        }
        if (item->mask & LVIF_STATE) {
            item->state = (item->state & ~LVIS_STATEIMAGEMASK) |
                          INDEXTOSTATEIMAGEMASK(startupChecked_[item->iItem] ? 2 : 1);
        }
        return 0;
    }
    case LVN_ODFINDITEMA:
    case LVN_ODFINDITEMW: {
        // Typing a name's first letters finds its row. Both structures start
        // alike; only the text differs in width.
        auto* find = reinterpret_cast<NMLVFINDITEMA*>(hdr);
        const UINT flags = find->lvfi.flags;
        if (!(flags & (LVFI_STRING | LVFI_PARTIAL)) || !find->lvfi.psz) return -1;
        const std::string text = hdr->code == LVN_ODFINDITEMA
                                     ? std::string(find->lvfi.psz)
                                     : WideToAnsi(reinterpret_cast<NMLVFINDITEMW*>(hdr)->lvfi.psz);
        return startup::FindRowByName(startupRows_, text, find->iStart, (flags & LVFI_PARTIAL) != 0,
                                      (flags & LVFI_WRAP) != 0);
    }
    case LVN_ITEMCHANGED: {
        auto* lv = reinterpret_cast<NMLISTVIEW*>(hdr);
        // A check box that changes writes nothing: Apply does.
        if (!loadingStartup_ && lv->iItem >= 0 && (lv->uChanged & LVIF_STATE) &&
            ((lv->uOldState ^ lv->uNewState) & LVIS_SELECTED))
            lsvStartupListSelectItem(lv->iItem);
        return 0;
    }
    }
    return 0;
}

// --- commands ---------------------------------------------------------------------------------

void TStartupPage::ActionApplyExecute() {
    const std::vector<bool> checked = startupChecked_;
    const auto places = StartupLocations();
    std::vector<std::string> failed;
    try {
        for (size_t i : startup::PlanApply(startupRows_, checked)) {
            startup::StartupEntry& row = startupRows_[i];
            const startup::Result moved = startup::MoveEntry(row, checked[i], places);
            if (moved.outcome != startup::Outcome::Done) {
                failed.push_back(startup::FailureName(row, moved.why));
                continue;
            }
            // A moved file's command names where it is now.
            RedrawStartupRow(static_cast<int>(i));
        }
    } catch (const std::exception& e) {
        ui::ReportException(e);
        LoadStartupList();
        return;
    }
    if (failed.empty()) return;
    ShowFailures(host_.Owner(), IDS_MESSAGEBOX_WARNING_StartupApplyFailed, failed);
    // What could not be written must not look written.
    LoadStartupList();
}

void TStartupPage::ActionDeleteExecute() {
    if (ui::ShowAppMessage(host_.Owner(), LangText(IDS_MESSAGEBOX_WARNING_DeleteStartupEntry),
                           MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return;
    std::vector<std::string> failed;
    std::vector<startup::StartupEntry> deleted;
    try {
        for (int r = StartupRowCount() - 1; r >= 0; --r) {
            if (!(ListView_GetItemState(lsvStartupList, r, LVIS_SELECTED) & LVIS_SELECTED))
                continue;
            const startup::Result gone = startup::DeleteEntry(startupRows_[r]);
            if (gone.outcome != startup::Outcome::Done) {
                failed.push_back(startup::FailureName(startupRows_[r], gone.why));
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
    ShowFailures(host_.Owner(), IDS_MESSAGEBOX_WARNING_StartupDeleteFailed, failed);
    LoadStartupList();
}

void TStartupPage::ActionSelectAllExecute() {
    const bool check = !StartupAllChecked;
    startupChecked_.assign(startupRows_.size(), check);
    InvalidateRect(lsvStartupList, nullptr, FALSE);
    StartupAllChecked = check;
    btnSelectAll.SetCaption(
        LangText(check ? IDS_SIDEBAR_BUTTON_UnSelectAll : IDS_SIDEBAR_BUTTON_SelectAll));
}

void TStartupPage::ActionAddItemExecute() {
    int result;
    {
        startup::TAddItemForm form;  // one use: destroyed when it closes
        result = form.ShowModal(host_.Owner());
    }
    if (result == IDOK) LoadStartupList();
}

void TStartupPage::ShowItemInfo(bool shown) {
    for (HWND h : {grbItemInfo, lblPublisher, lblPublisherValue, lblVersion, lblVersionValue,
                   lblDes, lblDescription})
        ShowWindow(h, shown ? SW_SHOW : SW_HIDE);
}

void TStartupPage::lsvStartupListSelectItem(int row) {
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

void TStartupPage::lsvStartupListMouseDown(int button) {
    if (button != mbRight) return;
    menus_.pmSLRightClick.SetEnabled(mItemDeleteEntry,
                                     ListView_GetSelectedCount(lsvStartupList) > 0);
    POINT at;
    GetCursorPos(&at);
    host_.ShowMenu(menus_.pmSLRightClick, at);
}

}  // namespace cx::app

// The program list page's rows: loading them into the model, the owner-data
// list that shows them, sorting, search, tips and what a selection does.
#include "app/ProgramPage.h"

#include <windowsx.h>

#include <algorithm>

#include "app/AppPaths.h"
#include "app/Config.h"
#include "cleanup/BrokenEntry.h"
#include "i18n/LangText.h"
#include "inventory/DetailsForm.h"
#include "inventory/ListSystem.h"
#include "platform/Error.h"
#include "platform/Strings.h"
#include "widgets/NoRedraw.h"
#include "widgets/Seam.h"

namespace cx::app {

namespace {
constexpr int kDirectoryColumn = 2;  // sub-item 2 of a row: the install folder
}  // namespace

// The list view's own mouse messages reach the page through this, and the
// page's own message to fetch the pictures its last paint asked for.
LRESULT TProgramPage::ProgramListProc(const ui::Subclass::Call& call) {
    switch (call.msg) {
    case kFetchIconsMessage: FetchPendingIcons(); return 0;
    case WM_SETCURSOR:
        if (LOWORD(call.lp) == HTCLIENT && listCursor_) {
            SetCursor(listCursor_);
            return TRUE;
        }
        break;
    case WM_MOUSEMOVE: {
        LRESULT r = call.Previous();
        lsvProgramListMouseMove({GET_X_LPARAM(call.lp), GET_Y_LPARAM(call.lp)});
        return r;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        // The list selects the row under the mouse first, as a click does.
        LRESULT r = call.Previous();
        int button = call.msg == WM_LBUTTONDOWN   ? mbLeft
                     : call.msg == WM_RBUTTONDOWN ? mbRight
                                                  : mbMiddle;
        lsvProgramListMouseDown(button, {GET_X_LPARAM(call.lp), GET_Y_LPARAM(call.lp)});
        return r;
    }
    default: break;
    }
    return call.Previous();
}

// --- rows -------------------------------------------------------------------

int TProgramPage::RowCount() const { return static_cast<int>(rows_.Size()); }

std::string TProgramPage::RowText(int row, int subItem) const {
    if (row < 0 || static_cast<size_t>(row) >= rows_.Size()) return {};
    return rows_.Text(static_cast<size_t>(row), subItem);
}

std::string TProgramPage::RowCaption(int row) const { return RowText(row, 0); }

LPARAM TProgramPage::RawRowData(int row) const {
    if (row < 0 || static_cast<size_t>(row) >= rows_.Size()) return 0;
    return rows_.Row(static_cast<size_t>(row)).data;
}

long TProgramPage::RowData(int row) const { return inv::RowIndex(RawRowData(row)); }

bool TProgramPage::RowIsScreenSaver(int row) const {
    return inv::RowIsScreenSaver(RawRowData(row));
}

int TProgramPage::RowImage(int row) {
    if (row < 0 || static_cast<size_t>(row) >= rows_.Size()) return I_IMAGENONE;
    const inv::ListRow& r = rows_.Row(static_cast<size_t>(row));
    return inv::RowIsScreenSaver(r.data) ? static_cast<int>(r.image)
                                         : ProgramIcon(inv::RowIndex(r.data));
}

int TProgramPage::KnownProgramIcon(long index) const {
    if (index < 0 || static_cast<size_t>(index) >= programIcons_.size()) return inv::kIconWhenShown;
    const int icon = programIcons_[static_cast<size_t>(index)];
    return icon == kIconPending ? static_cast<int>(inv::kIconWhenShown) : icon;
}

int TProgramPage::ShownIcon(long index) {
    if (index < 0 || static_cast<size_t>(index) >= programIcons_.size()) return I_IMAGENONE;
    int& icon = programIcons_[static_cast<size_t>(index)];
    if (icon == kIconPending) return I_IMAGENONE;
    if (icon != inv::kIconWhenShown) return icon;
    icon = kIconPending;
    pendingIcons_.push_back(index);
    if (!fetchPosted_ && PostMessageA(lsvProgramList, kFetchIconsMessage, 0, 0))
        fetchPosted_ = true;
    return I_IMAGENONE;
}

void TProgramPage::FetchPendingIcons() {
    fetchPosted_ = false;
    // A few at a time, so that the list stays answerable while a page of
    // pictures comes in; the rest follow in the next message.
    const DWORD began = GetTickCount();
    size_t done = 0;
    for (; done < pendingIcons_.size() && GetTickCount() - began < 30; ++done) {
        const long index = pendingIcons_[done];
        if (static_cast<size_t>(index) >= programIcons_.size()) continue;
        ProgramIcon(index);
        const int row = rows_.RowOf(static_cast<LPARAM>(index));
        if (row >= 0) ListView_RedrawItems(lsvProgramList, row, row);
    }
    pendingIcons_.erase(pendingIcons_.begin(), pendingIcons_.begin() + done);
    if (!pendingIcons_.empty() && PostMessageA(lsvProgramList, kFetchIconsMessage, 0, 0))
        fetchPosted_ = true;
}

int TProgramPage::ProgramIcon(long index) {
    if (index < 0 || static_cast<size_t>(index) >= programIcons_.size()) return I_IMAGENONE;
    int& icon = programIcons_[static_cast<size_t>(index)];
    if (icon != inv::kIconWhenShown && icon != kIconPending) return icon;
    signed char& broken = programBroken_[static_cast<size_t>(index)];
    try {
        auto item = programList_.GetProgram(index);
        icon = item ? static_cast<int>(item->IconIndex()) : I_IMAGENONE;
        // Judged here, a few rows at a time after the paint like the
        // pictures: it looks at files, which a load of the whole list must not wait for.
        broken = item && cleanup::IsBrokenEntry({item->Hive(), item->RegistryName(),
                                                 item->UninstallString(), item->InstallLocation()})
                     ? 1
                     : 0;
    } catch (...) {
        // Painting goes on: a picture the service cannot give is left out.
        icon = I_IMAGENONE;
        broken = 0;
    }
    return icon;
}

bool TProgramPage::RowIsBroken(int row) {
    if (row < 0 || static_cast<size_t>(row) >= rows_.Size() || RowIsScreenSaver(row)) return false;
    const long index = RowData(row);
    if (index < 0 || static_cast<size_t>(index) >= programBroken_.size()) return false;
    if (programBroken_[static_cast<size_t>(index)] < 0) ProgramIcon(index);
    return programBroken_[static_cast<size_t>(index)] == 1;
}

int TProgramPage::SelectedRow() const {
    return ListView_GetNextItem(lsvProgramList, -1, LVNI_SELECTED);
}

std::vector<int> TProgramPage::SelectedRows() const {
    std::vector<int> rows;
    for (int r = ListView_GetNextItem(lsvProgramList, -1, LVNI_SELECTED); r >= 0;
         r = ListView_GetNextItem(lsvProgramList, r, LVNI_SELECTED))
        rows.push_back(r);
    return rows;
}

void TProgramPage::SelectRow(int row) {
    ListView_SetItemState(lsvProgramList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (row >= 0)
        ListView_SetItemState(lsvProgramList, row, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
}

void TProgramPage::LoadProgramList() {
    programList_.RefreshPrograms();
    // All records are read before the list is touched: a service that fails
    // half-way leaves the list as it was.
    inv::ProgramRecords programs = inv::ReadProgramRecords(programList_);
    // A record that has gone leaves the list as far as it got: no screen
    // savers, and the count line of the previous load.
    std::vector<inv::ScreenSaverRecord> savers;
    if (programs.complete) {
        programList_.RefreshScreenSavers();
        savers = inv::ReadScreenSaverRecords(programList_);
    }

    ignoreSelection_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{ignoreSelection_};
    rows_.Load(programs.records, savers, Hide().HideSysPatch, Hide().HideScreenSaver);
    detailsForm_->ClearPrograms();
    programIcons_.assign(programs.records.size(), inv::kIconWhenShown);
    programBroken_.assign(programs.records.size(), -1);
    pendingIcons_.clear();
    for (size_t i = 0; i < rows_.Size(); ++i) {
        const inv::ListRow& row = rows_.Row(i);
        if (inv::RowIsScreenSaver(row.data)) break;  // programs come first
        int position = detailsForm_->AddProgram(row.caption);
        detailsForm_->SetProgramData(position, inv::RowIndex(row.data));
        detailsForm_->SetProgramImage(position, row.image);
    }
    // The control holds none of the rows: it asks for those it paints.
    ListView_SetItemState(lsvProgramList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemCountEx(lsvProgramList, static_cast<int>(rows_.Size()), 0);
    InvalidateRect(lsvProgramList, nullptr, TRUE);
    if (!programs.complete) return;

    programCountText_ = rows_.CountText();
    LayoutStatusBar(false);
    lblProgramCounts.SetText(programCountText_);
}

// --- sorting and search -------------------------------------------------------

void TProgramPage::lsvProgramListColumnClick(int column) {
    // The selection stays with its row, wherever the row goes.
    const int selected = SelectedRow();
    const LPARAM kept = selected >= 0 ? RawRowData(selected) : 0;
    rows_.Sort(column, SortAscending);
    {
        ignoreSelection_ = true;
        ListView_SetItemState(lsvProgramList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        if (selected >= 0) SelectRow(rows_.RowOf(kept));
        ignoreSelection_ = false;
    }
    InvalidateRect(lsvProgramList, nullptr, TRUE);
    SortAscending = !SortAscending;
}

int TProgramPage::FindProgram(int start, const std::string& text) {
    return rows_.Find(start, text, searchPos_);
}

void TProgramPage::ActionSearchExecute() {
    char buf[1024] = {};
    GetWindowTextA(txtSearchInfo, buf, sizeof buf);
    std::string text = buf;
    if (text.empty()) return;
    int k = FindProgram(searchPos_, text);
    if (k < 0) return;
    SelectRow(k);
    SetFocus(lsvProgramList);
    if (k == 0) {
        ListView_Scroll(lsvProgramList, 0, -100000);
    } else {
        POINT pt{};
        ListView_GetItemPosition(lsvProgramList, k - 1, &pt);
        ListView_Scroll(lsvProgramList, 0, pt.y);
    }
}

void TProgramPage::txtSearchInfoChange() { searchPos_ = 0; }

// --- tips -----------------------------------------------------------------------

bool TProgramPage::lsvProgramListInfoTip(int row, std::string& tip) {
    try {
        long idx = RowData(row);
        if (RowIsScreenSaver(row)) {
            tip = inv::ScreenSaverTip(programList_.ScreenSaverSize(idx),
                                      programList_.ScreenSaverFile(idx),
                                      programList_.ScreenSaverLastUsed(idx));
            return true;
        }
        auto item = programList_.GetProgram(idx);
        if (!item) return false;
        tip = inv::ProgramTip({item->UsedFrequency(), item->LastUsed(), item->UninstallString()});
        if (RowIsBroken(row)) tip = LangText(IDS_LISTVIEW_TIPS_Broken) + "\r\n" + tip;
        return true;
    } catch (...) {
        // A tip that cannot be built is simply not shown.
        return false;
    }
}

// --- selection --------------------------------------------------------------------

void TProgramPage::SetProgramCommandsEnabled(bool enabled) {
    menus_.pmPLRightClick.SetEnabled(mItemExportRegInfo, enabled);
    menus_.pmTools.SetEnabled(mItemRegedit, enabled);
    menus_.pmTools.SetEnabled(mItemComment, enabled);
    menus_.pmPLRightClick.SetEnabled(mItemAddComments, enabled);
    menus_.pmPLRightClick.SetEnabled(mItemEditEntryReg, enabled);
    menus_.pmFile.SetEnabled(mItemExportReg, enabled);
    menus_.pmPLRightClick.SetEnabled(mItemShowDetails, enabled);
    btnShowDetails.SetEnabled(enabled);
}

void TProgramPage::LayoutStatusBar(bool withRegistryName) {
    auto placeAfter = [](ui::LinkLabel& label, const ui::LinkLabel& before, int gap) {
        RECT b = ui::GetBounds(before.hwnd());
        RECT l = ui::GetBounds(label.hwnd());
        ui::SetBounds(label.hwnd(), b.right + gap, l.top, l.right - l.left, l.bottom - l.top);
    };
    placeAfter(lblProgramCounts, lblPrograms, 5);
    if (!withRegistryName) return;
    placeAfter(lblRegName, lblProgramCounts, 10);
    placeAfter(lblRegistryName, lblRegName, 5);
    placeAfter(lblProgramURL, lblRegistryName, 10);
}

void TProgramPage::lsvProgramListSelectItem(int row) {
    btnUninstall.SetEnabled(true);
    btnShowDetails.SetEnabled(true);
    lblProgramURL.SetText("");
    if (RowIsScreenSaver(row)) {
        ShowWindow(lblProgramURL.hwnd(), SW_HIDE);
        ShowWindow(lblRegName.hwnd(), SW_HIDE);
        ShowWindow(lblRegistryName.hwnd(), SW_HIDE);
        SetProgramCommandsEnabled(false);
        uninstallTarget_ = ActionDeleteScr;
        menus_.pmPLRightClick.SetCaption(mItemUninstall, LangText(IDS_SIDEBAR_BUTTON_DeleteScr));
        btnUninstall.SetCaption(LangText(IDS_SIDEBAR_BUTTON_DeleteScr));
        return;
    }
    SetProgramCommandsEnabled(true);
    uninstallTarget_ = ActionUninstall;
    menus_.pmPLRightClick.SetCaption(mItemUninstall, LangText(IDS_SIDEBAR_BUTTON_Uninstall));
    btnUninstall.SetCaption(LangText(IDS_SIDEBAR_BUTTON_Uninstall));

    auto item = programList_.GetProgram(RowData(row));
    if (!item) return;
    ShowWindow(lblProgramURL.hwnd(), SW_SHOW);
    ShowWindow(lblRegName.hwnd(), SW_SHOW);
    ShowWindow(lblRegistryName.hwnd(), SW_SHOW);
    std::string registryName = item->RegistryName();
    lblRegistryName.SetText(registryName);
    lblRegistryName.SetHint(registryName);
    std::string link =
        inv::ChooseStatusLink(item->AboutLink(), item->HelpLink(), item->UpdateLink());
    lblProgramURL.SetText(link);
    lblProgramURL.SetHint(link);
    LayoutStatusBar(true);
}

// --- the Directory column as a link ---------------------------------------------------

void TProgramPage::lsvProgramListMouseMove(POINT client) {
    DWORD view = GetWindowLongA(lsvProgramList, GWL_STYLE) & LVS_TYPEMASK;
    if (view != LVS_REPORT && view != LVS_SMALLICON) return;
    RECT first{};
    if (ListView_GetSubItemRect(lsvProgramList, 0, kDirectoryColumn, LVIR_BOUNDS, &first) &&
        (client.x <= first.left || client.x >= first.right))
        listCursor_ = LoadCursor(nullptr, IDC_ARROW);
    LVHITTESTINFO hit{};
    hit.pt = client;
    int row = ListView_HitTest(lsvProgramList, &hit);
    if (row < 0) return;
    RECT cell{};
    if (!ListView_GetSubItemRect(lsvProgramList, row, kDirectoryColumn, LVIR_BOUNDS, &cell)) return;
    listCursor_ = LoadCursor(nullptr, PtInRect(&cell, client) ? IDC_HAND : IDC_ARROW);
}

void TProgramPage::lsvProgramListMouseDown(int button, POINT client) {
    int selected = SelectedRow();
    if (selected >= 0 && button == mbRight) {
        POINT screen;
        GetCursorPos(&screen);
        host_.ShowMenu(menus_.pmPLRightClick, screen);
    }
    searchPos_ = 0;
    selected = SelectedRow();
    if (selected < 0) return;
    DWORD view = GetWindowLongA(lsvProgramList, GWL_STYLE) & LVS_TYPEMASK;
    if (view != LVS_REPORT && view != LVS_SMALLICON) return;
    RECT first{};
    if (!ListView_GetSubItemRect(lsvProgramList, 0, kDirectoryColumn, LVIR_BOUNDS, &first) ||
        client.x >= first.right)
        return;
    RECT cell{};
    if (!ListView_GetSubItemRect(lsvProgramList, selected, kDirectoryColumn, LVIR_BOUNDS, &cell))
        return;
    std::string folder = RowText(selected, kDirectoryColumn);
    // Only an existing folder is opened, and as a folder: never run what the text names.
    if (PtInRect(&cell, client) && button == mbLeft && !folder.empty())
        inv::OpenFolder(host_.Owner(), folder);
}

// --- notifications -----------------------------------------------------------------------

LRESULT TProgramPage::OnProgramListCustomDraw(NMLVCUSTOMDRAW* cd) {
    switch (cd->nmcd.dwDrawStage) {
    case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: return CDRF_NOTIFYSUBITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPOSTPAINT: DrawBrokenPicture(*cd); return CDRF_DODEFAULT;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        if (cd->iSubItem == kDirectoryColumn) {
            cd->clrText = RGB(0, 0, 255);
            SelectObject(cd->nmcd.hdc, linkFont_);
        } else {
            cd->clrText = GetSysColor(COLOR_WINDOWTEXT);
            SelectObject(cd->nmcd.hdc, listFont_);
        }
        return CDRF_NEWFONT;
    default: return CDRF_DODEFAULT;
    }
}

void TProgramPage::DrawBrokenPicture(const NMLVCUSTOMDRAW& cd) {
    const int row = static_cast<int>(cd.nmcd.dwItemSpec);
    if (row < 0 || row >= RowCount() || RowIsScreenSaver(row)) return;
    const long index = RowData(row);
    // Only what is known by now: the judgement itself comes after the paint.
    if (index < 0 || static_cast<size_t>(index) >= programBroken_.size() ||
        programBroken_[static_cast<size_t>(index)] != 1)
        return;
    RECT place{};
    place.left = LVIR_ICON;
    if (!SendMessageA(lsvProgramList, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&place)))
        return;
    const bool large = (GetWindowLongA(lsvProgramList, GWL_STYLE) & LVS_TYPEMASK) == LVS_ICON;
    HICON icon = large ? brokenLarge_.get() : brokenSmall_.get();
    if (!icon) return;
    ICONINFO info{};
    int size = large ? 32 : 16;
    if (GetIconInfo(icon, &info)) {
        BITMAP bm{};
        if (info.hbmColor && GetObjectA(info.hbmColor, sizeof bm, &bm)) size = bm.bmWidth;
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (info.hbmMask) DeleteObject(info.hbmMask);
    }
    // Over the row's own picture: a row without one is laid out differently.
    COLORREF back = ListView_GetBkColor(lsvProgramList);
    if (back == CLR_NONE) back = GetSysColor(COLOR_WINDOW);
    HBRUSH brush = CreateSolidBrush(back);
    FillRect(cd.nmcd.hdc, &place, brush);
    DeleteObject(brush);
    const int x = place.left + (place.right - place.left - size) / 2;
    const int y = place.top + (place.bottom - place.top - size) / 2;
    DrawIconEx(cd.nmcd.hdc, x, y, icon, size, size, 0, nullptr, DI_NORMAL);
}

LRESULT TProgramPage::OnNotify(NMHDR* hdr) {
    switch (hdr->code) {
    case LVN_COLUMNCLICK:
        lsvProgramListColumnClick(reinterpret_cast<NMLISTVIEW*>(hdr)->iSubItem);
        return 0;
    case LVN_ITEMCHANGED: {
        auto* lv = reinterpret_cast<NMLISTVIEW*>(hdr);
        if (!ignoreSelection_ && lv->iItem >= 0 && (lv->uChanged & LVIF_STATE) &&
            ((lv->uOldState ^ lv->uNewState) & LVIS_SELECTED)) {
            // A row taken out of a selection of several leaves the others' first shown.
            const int still = SelectedRow();
            lsvProgramListSelectItem((lv->uNewState & LVIS_SELECTED) || still < 0 ? lv->iItem
                                                                                  : still);
        }
        return 0;
    }
    case LVN_GETINFOTIPA: {
        auto* tip = reinterpret_cast<NMLVGETINFOTIPA*>(hdr);
        std::string text;
        if (!host_.ActionChecked(ActionInfoTips)) {
            if (tip->cchTextMax > 0) tip->pszText[0] = '\0';
        } else if (lsvProgramListInfoTip(tip->iItem, text) && tip->cchTextMax > 0) {
            lstrcpynA(tip->pszText, text.c_str(), tip->cchTextMax);
        }
        return 0;
    }
    case LVN_GETINFOTIPW: {
        auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(hdr);
        std::string text;
        if (!host_.ActionChecked(ActionInfoTips)) {
            if (tip->cchTextMax > 0) tip->pszText[0] = L'\0';
        } else if (lsvProgramListInfoTip(tip->iItem, text) && tip->cchTextMax > 0) {
            lstrcpynW(tip->pszText, AnsiToWide(text).c_str(), tip->cchTextMax);
        }
        return 0;
    }
    case LVN_GETDISPINFOA:
    case LVN_GETDISPINFOW: {
        // Both item structures start alike; only the text differs in width.
        LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(hdr)->item;
        if (item.iItem < 0 || item.iItem >= RowCount()) return 0;
        const inv::ListRow& row = rows_.Row(static_cast<size_t>(item.iItem));
        if (item.mask & LVIF_IMAGE) {
            item.iImage = inv::RowIsScreenSaver(row.data) ? static_cast<int>(row.image)
                                                          : ShownIcon(inv::RowIndex(row.data));
        }
        if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
            const std::string& text = rows_.Text(static_cast<size_t>(item.iItem), item.iSubItem);
            if (hdr->code == LVN_GETDISPINFOW) {
                dispText_ = AnsiToWide(text);
                lstrcpynW(reinterpret_cast<LVITEMW&>(item).pszText, dispText_.c_str(),
                          item.cchTextMax);
            } else {
                lstrcpynA(item.pszText, text.c_str(), item.cchTextMax);
            }
        }
        return 0;
    }
    case LVN_ODFINDITEMA:
    case LVN_ODFINDITEMW: {
        // Typing in the list selects the next row whose caption begins so.
        auto* find = reinterpret_cast<NMLVFINDITEMA*>(hdr);
        if (!(find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find->lvfi.psz) return -1;
        const std::string prefix = hdr->code == LVN_ODFINDITEMW
                                       ? WideToAnsi(reinterpret_cast<NMLVFINDITEMW*>(hdr)->lvfi.psz)
                                       : std::string(find->lvfi.psz);
        return rows_.FindPrefix(find->iStart, prefix);
    }
    case NM_DBLCLK:
        // A screen-saver row diverts to its removal inside the command.
        if (SelectedRow() >= 0) host_.Execute(ActionUninstall);
        return 0;
    case NM_CUSTOMDRAW: return OnProgramListCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(hdr));
    default: return 0;
    }
}

// --- details ----------------------------------------------------------------------------------

void TProgramPage::FillDetails(long index) { detailsForm_->FillDetails(index); }

void TProgramPage::ActionShowDetailsExecute() {
    int row = SelectedRow();
    if (row < 0) return;
    // A screen-saver row has no record of the program list to show.
    if (RowIsScreenSaver(row)) return;
    FillDetails(RowData(row));
    detailsForm_->ShowModal(host_.Owner());
}

}  // namespace cx::app

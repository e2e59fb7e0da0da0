#include "cleanup/LeftoversForm.h"

#include <shlobj.h>

#include <exception>
#include <utility>

#include "i18n/LangText.h"
#include "platform/Strings.h"
#include "widgets/Seam.h"

namespace cx::cleanup {

namespace {

using From = LeftoversQuery::From;

// Posted from FormShow: the modal loop puts the focus on its first tab stop
// (the first radio button) once the window is up; the caret belongs in the box
// the chosen way asks for.
constexpr UINT kFocusBox = WM_APP + 1;

// Leading and trailing blanks are never part of a name or a folder; a box
// holding nothing else was left empty.
std::string BoxText(HWND box) { return TrimControl(ui::WindowString(box)); }

int CALLBACK BrowseCallback(HWND window, UINT msg, LPARAM, LPARAM data) noexcept {
    try {
        if (msg == BFFM_INITIALIZED) {
            const auto* start = reinterpret_cast<const std::wstring*>(data);
            if (start && !start->empty())
                SendMessageW(window, BFFM_SETSELECTIONW, TRUE,
                             reinterpret_cast<LPARAM>(start->c_str()));
            ui::RunModalHook(window);
        }
    } catch (const std::exception& e) {
        ui::ReportException(e);
    } catch (...) {
        ui::ReportUnknownException();
    }
    return 0;
}

}  // namespace

TLeftoversForm::TLeftoversForm(std::vector<HistoryRecord> history) : history_(std::move(history)) {}

void TLeftoversForm::CreateForm(HWND owner) {
    CreateFormWindow(owner, LangText(IDS_LEFTOVERSFORM_Title), kClientWidth, kClientHeight);
    // One group from the first radio button to Scan: the boxes between the
    // radio buttons belong to it, so a click on one radio button clears the others.
    radNames_ =
        AddControl("BUTTON", LangText(IDS_LEFTOVERSFORM_RADIO_Names),
                   BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 8, 8, 404, 18, IDC_RAD_NAMES);
    lblProduct_ = AddControl("STATIC", LangText(IDS_LEFTOVERSFORM_LABEL_Product),
                             SS_LEFT | SS_NOPREFIX, 28, 35, 78, 16, IDC_LBL_PRODUCT);
    edtProduct_ = AddControl("EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, 110, 32, 302, 21,
                             IDC_EDT_PRODUCT, WS_EX_CLIENTEDGE);
    lblPublisher_ = AddControl("STATIC", LangText(IDS_LEFTOVERSFORM_LABEL_Publisher),
                               SS_LEFT | SS_NOPREFIX, 28, 61, 78, 16, IDC_LBL_PUBLISHER);
    edtPublisher_ = AddControl("EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, 110, 58, 302, 21,
                               IDC_EDT_PUBLISHER, WS_EX_CLIENTEDGE);

    radFolder_ = AddControl("BUTTON", LangText(IDS_LEFTOVERSFORM_RADIO_Folder),
                            BS_AUTORADIOBUTTON | WS_TABSTOP, 8, 90, 404, 18, IDC_RAD_FOLDER);
    edtFolder_ = AddControl("EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, 28, 113, 278, 21,
                            IDC_EDT_FOLDER, WS_EX_CLIENTEDGE);
    btnBrowse_ = AddControl("BUTTON", LangText(IDS_LEFTOVERSFORM_BUTTON_Browse),
                            BS_PUSHBUTTON | WS_TABSTOP, 312, 112, 100, 23, IDC_BTN_BROWSE);

    radHistory_ = AddControl("BUTTON", LangText(IDS_LEFTOVERSFORM_RADIO_History),
                             BS_AUTORADIOBUTTON | WS_TABSTOP, 8, 146, 404, 18, IDC_RAD_HISTORY);
    cmbHistory_ = AddControl("COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 28, 169,
                             384, 200, IDC_CMB_HISTORY);
    for (const HistoryRecord& record : history_)
        SendMessageA(cmbHistory_, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(HistoryRecordText(record).c_str()));
    lblNoHistory_ = AddControl("STATIC", LangText(IDS_LEFTOVERSFORM_INFO_NoHistory),
                               SS_LEFT | SS_NOPREFIX, 28, 196, 384, 16, IDC_LBL_NOHISTORY);
    if (history_.empty()) {
        EnableWindow(radHistory_, FALSE);
        EnableWindow(cmbHistory_, FALSE);
    } else {
        SendMessageA(cmbHistory_, CB_SETCURSEL, 0, 0);
        ShowWindow(lblNoHistory_, SW_HIDE);
    }

    btnScan_ = AddControl("BUTTON", LangText(IDS_LEFTOVERSFORM_BUTTON_Scan),
                          BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 228, 227, 89, 25, IDC_BTN_SCAN);
    btnCancel_ = AddControl("BUTTON", LangText(IDS_LEFTOVERSFORM_BUTTON_Cancel),
                            BS_PUSHBUTTON | WS_TABSTOP, 323, 227, 89, 25, IDC_BTN_CANCEL);
    SetDefaultButton(IDC_BTN_SCAN);
    SelectWay(From::Names);
}

void TLeftoversForm::FormShow() {
    ApplyTexts();
    query_.reset();
    PostMessageA(hwnd(), kFocusBox, 0, 0);
}

void TLeftoversForm::ApplyTexts() {
    if (!hwnd()) return;
    ui::SetWindowString(hwnd(), LangText(IDS_LEFTOVERSFORM_Title));
    ui::SetWindowString(radNames_, LangText(IDS_LEFTOVERSFORM_RADIO_Names));
    ui::SetWindowString(lblProduct_, LangText(IDS_LEFTOVERSFORM_LABEL_Product));
    ui::SetWindowString(lblPublisher_, LangText(IDS_LEFTOVERSFORM_LABEL_Publisher));
    ui::SetWindowString(radFolder_, LangText(IDS_LEFTOVERSFORM_RADIO_Folder));
    ui::SetWindowString(btnBrowse_, LangText(IDS_LEFTOVERSFORM_BUTTON_Browse));
    ui::SetWindowString(radHistory_, LangText(IDS_LEFTOVERSFORM_RADIO_History));
    ui::SetWindowString(lblNoHistory_, LangText(IDS_LEFTOVERSFORM_INFO_NoHistory));
    ui::SetWindowString(btnScan_, LangText(IDS_LEFTOVERSFORM_BUTTON_Scan));
    ui::SetWindowString(btnCancel_, LangText(IDS_LEFTOVERSFORM_BUTTON_Cancel));
}

HWND TLeftoversForm::Radio(From way) const {
    switch (way) {
    case From::Folder: return radFolder_;
    case From::History: return radHistory_;
    case From::Names: break;
    }
    return radNames_;
}

From TLeftoversForm::Way() const {
    for (From way : {From::Folder, From::History})
        if (SendMessageA(Radio(way), BM_GETCHECK, 0, 0) == BST_CHECKED) return way;
    return From::Names;
}

void TLeftoversForm::SelectWay(From way) {
    // Nothing chosen from an empty history.
    if (way == From::History && history_.empty()) return;
    for (From each : {From::Names, From::Folder, From::History})
        SendMessageA(Radio(each), BM_SETCHECK, each == way ? BST_CHECKED : BST_UNCHECKED, 0);
}

LRESULT TLeftoversForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kFocusBox) {
        if (InModal()) {
            HWND box = Way() == From::Folder    ? edtFolder_
                       : Way() == From::History ? cmbHistory_
                                                : edtProduct_;
            SetFocus(box);
        }
        return 0;
    }
    return Form::HandleMessage(msg, wp, lp);
}

bool TLeftoversForm::OnCommand(int id, int code, HWND control) {
    switch (id) {
    case IDOK:
    case IDC_BTN_SCAN:
        if (code != BN_CLICKED) break;
        btnScanClick();
        return true;
    case IDC_BTN_CANCEL:
        if (code != BN_CLICKED) break;
        btnCancelClick();
        return true;
    case IDC_BTN_BROWSE:
        if (code != BN_CLICKED) break;
        btnBrowseClick();
        return true;
    // What is typed or chosen says which way is meant.
    case IDC_EDT_PRODUCT:
    case IDC_EDT_PUBLISHER:
        if (code != EN_CHANGE) break;
        SelectWay(From::Names);
        return true;
    case IDC_EDT_FOLDER:
        if (code != EN_CHANGE) break;
        SelectWay(From::Folder);
        return true;
    case IDC_CMB_HISTORY:
        if (code != CBN_SELCHANGE) break;
        SelectWay(From::History);
        return true;
    default: break;
    }
    return Form::OnCommand(id, code, control);
}

void TLeftoversForm::btnScanClick() {
    LeftoversQuery query;
    query.from = Way();
    // A blank box is said so, and the caret goes there for the person to fill it.
    auto refuse = [this](HWND box, Ids message) {
        ui::ShowAppMessage(hwnd(), LangText(message), MB_OK | MB_ICONEXCLAMATION);
        SetFocus(box);
    };
    switch (query.from) {
    case From::Names:
        query.product = BoxText(edtProduct_);
        query.publisher = BoxText(edtPublisher_);
        if (query.product.empty())
            return refuse(edtProduct_, IDS_MESSAGEBOX_WARNING_LeftoversNoName);
        break;
    case From::Folder:
        query.folder = BoxText(edtFolder_);
        if (query.folder.empty())
            return refuse(edtFolder_, IDS_MESSAGEBOX_WARNING_LeftoversNoFolder);
        break;
    case From::History: {
        const LRESULT row = SendMessageA(cmbHistory_, CB_GETCURSEL, 0, 0);
        if (row < 0 || static_cast<size_t>(row) >= history_.size()) return;
        query.record = history_[static_cast<size_t>(row)];
        break;
    }
    }
    query_ = std::move(query);
    EndModal(IDOK);
}

void TLeftoversForm::btnCancelClick() { EndModal(IDCANCEL); }

void TLeftoversForm::btnBrowseClick() {
    // The picker opens on the folder typed, when there is one.
    const std::wstring start = AnsiToWide(BoxText(edtFolder_));
    const std::wstring title = AnsiToWide(LangText(IDS_LEFTOVERSFORM_RADIO_Folder));
    wchar_t name[MAX_PATH] = L"";
    BROWSEINFOW info{};
    info.hwndOwner = hwnd();
    info.pszDisplayName = name;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(&start);
    PIDLIST_ABSOLUTE picked = nullptr;
    {
        ui::ModalScope running(hwnd());
        picked = SHBrowseForFolderW(&info);
    }
    if (!picked) return;
    wchar_t path[MAX_PATH] = L"";
    const BOOL isPath = SHGetPathFromIDListW(picked, path);
    CoTaskMemFree(picked);
    // A place with no path of its own (the Control Panel, a printer) names no folder.
    if (!isPath || !path[0]) return;
    ui::SetWindowString(edtFolder_, WideToAnsi(path));
    SelectWay(From::Folder);
}

}  // namespace cx::cleanup

#include "startup/AddItemForm.h"

#include <commdlg.h>
#include <shlobj.h>

#include <vector>

#include "i18n/LangText.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Strings.h"
#include "startup/Shortcut.h"
#include "startup/StartupRows.h"
#include "startup/StartupStore.h"
#include "widgets/Seam.h"

namespace cx::startup {

namespace {

TAddItemForm::FileChooser& Chooser() {
    static TAddItemForm::FileChooser chooser;
    return chooser;
}

std::optional<std::string> RunOpenDialog(HWND owner) {
    static const char filter[] = "All Files (*.*)\0*.*\0\0";
    char file[MAX_PATH] = {};
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    ui::ModalScope running(owner);
    if (!GetOpenFileNameA(&ofn)) return std::nullopt;
    return std::string(file);
}

void Notice(HWND owner, const std::string& text) {
    ui::ShowAppMessage(owner, text, MB_OK | MB_ICONWARNING);
}

}  // namespace

void TAddItemForm::SetFileChooser(FileChooser chooser) { Chooser() = std::move(chooser); }

void TAddItemForm::CreateForm(HWND owner) {
    CreateFormWindow(owner, LangText(IDS_ADDITEMFORM_Title), kClientWidth, kClientHeight);
    lblTarget = AddControl("STATIC", "Target:", SS_LEFT | SS_NOPREFIX, 12, 16, 60, 16,
                           IDC_LBL_TARGET);
    txtTarget = AddControl("EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, 76, 12, 190, 21,
                           IDC_TXT_TARGET, WS_EX_CLIENTEDGE);
    lblSection = AddControl("STATIC", "Section:", SS_LEFT | SS_NOPREFIX, 12, 52, 60, 16,
                            IDC_LBL_SECTION);
    cmbSection = AddControl("COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 76, 48,
                            190, 120, IDC_CMB_SECTION);
    btnBrowse = AddControl("BUTTON", "Browse", WS_TABSTOP | BS_PUSHBUTTON, 274, 11, 75, 23,
                           IDC_BTN_BROWSE);
    btnOK = AddControl("BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 193, 92, 75, 25, IDC_BTN_OK);
    btnCancel = AddControl("BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, 274, 92, 75, 25,
                           IDC_BTN_CANCEL);
    // The sections are filled once, when the window is made.
    for (Ids key : {IDS_ADDITEMFORM_COMBOBOX_Items1, IDS_ADDITEMFORM_COMBOBOX_Items2,
                    IDS_ADDITEMFORM_COMBOBOX_Items3, IDS_ADDITEMFORM_COMBOBOX_Items4})
        SendMessageA(cmbSection, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(LangText(key).c_str()));
    SendMessageA(cmbSection, CB_SETCURSEL, kUserRunSection, 0);
    SetDefaultButton(IDC_BTN_OK);
}

void TAddItemForm::FormShow() { ApplyTexts(); }

void TAddItemForm::ApplyTexts() {
    if (!hwnd()) return;
    ui::SetWindowString(hwnd(), LangText(IDS_ADDITEMFORM_Title));
    ui::SetWindowString(lblTarget, LangText(IDS_ADDITEMFORM_LABEL_Target));
    ui::SetWindowString(lblSection, LangText(IDS_ADDITEMFORM_LABEL_Section));
    ui::SetWindowString(btnBrowse, LangText(IDS_ADDITEMFORM_BUTTON_Browse));
    ui::SetWindowString(btnOK, LangText(IDS_ADDITEMFORM_BUTTON_Ok));
    ui::SetWindowString(btnCancel, LangText(IDS_ADDITEMFORM_BUTTON_Cancel));
}

bool TAddItemForm::OnCommand(int id, int code, HWND control) {
    switch (id) {
    case IDC_BTN_OK: btnOKClick(); return true;
    case IDC_BTN_CANCEL: btnCancelClick(); return true;
    case IDC_BTN_BROWSE: btnBrowseClick(); return true;
    default: return Form::OnCommand(id, code, control);
    }
}

void TAddItemForm::btnBrowseClick() {
    try {
        auto picked = Chooser() ? Chooser()(hwnd()) : RunOpenDialog(hwnd());
        if (picked) ui::SetWindowString(txtTarget, *picked);
    } catch (...) {
        // A dialog that cannot open leaves the target as it was.
    }
}

bool TAddItemForm::ConfirmReplace(const std::string& name) {
    return ui::ShowAppMessage(hwnd(),
                              Format(LangFormatText(IDS_MESSAGEBOX_WARNING_StartupReplace),
                                     name.c_str()),
                              MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
}

bool TAddItemForm::AddShortcut(const std::string& target, int csidl) {
    const std::string folder = GetSpecialFolderPath(csidl);
    if (folder.empty()) {
        Notice(hwnd(), LangText(IDS_MESSAGEBOX_WARNING_StartupNoFolder));
        return false;
    }
    const std::string link = LinkPathFor(folder, target);
    if (GetFileAttributesW(AnsiToWide(link).c_str()) != INVALID_FILE_ATTRIBUTES) {
        // The same target again is no change; a link to something else is the user's to give up.
        if (EqualsNoCase(ShortcutTarget(link), target)) return true;
        if (!ConfirmReplace(ExtractFileName(link))) return false;
    }
    if (!CreateShortcut(target, link)) {
        Notice(hwnd(), Format(LangFormatText(IDS_MESSAGEBOX_WARNING_StartupAddFailed),
                              link.c_str()));
        return false;
    }
    return true;
}

bool TAddItemForm::AddRunValue(const std::string& target, HKEY root) {
    const std::string name = RunValueName(target);
    const std::string data = RunValueData(target);
    RunValueNow now = ReadRunValue(root, name);
    if (now.found) {
        if (now.isString && now.text == data) return true;
        if (!ConfirmReplace(name)) return false;
    }
    switch (WriteRunValue(root, name, data)) {
    case RunWrite::Written: return true;
    case RunWrite::NoKey: Notice(hwnd(), LangText(IDS_MESSAGEBOX_WARNING_StartupNoRunKey)); break;
    case RunWrite::Failed:
        Notice(hwnd(),
               Format(LangFormatText(IDS_MESSAGEBOX_WARNING_StartupAddFailed), name.c_str()));
        break;
    }
    return false;
}

void TAddItemForm::btnOKClick() {
    const std::string typed = ui::WindowString(txtTarget);
    if (typed.empty()) {
        ui::ShowAppMessage(hwnd(), kEmptyText, MB_OK);
        return;
    }
    // Made absolute by no folder of ours: the text stays for the user to complete.
    const std::optional<std::string> full = FullTarget(typed);
    if (!full) {
        ui::ShowAppMessage(hwnd(), kRelativeText, MB_OK | MB_ICONWARNING);
        return;
    }
    const std::string& target = *full;
    if (!FileExists(target)) {
        ui::ShowAppMessage(hwnd(), kNotFoundText, MB_OK);
        ui::SetWindowString(txtTarget, "");
        return;
    }
    bool added = false;
    switch (static_cast<int>(SendMessageA(cmbSection, CB_GETCURSEL, 0, 0))) {
    case kUserFolderSection: added = AddShortcut(target, CSIDL_STARTUP); break;
    case kCommonFolderSection: added = AddShortcut(target, CSIDL_COMMON_STARTUP); break;
    case kUserRunSection: added = AddRunValue(target, HKEY_CURRENT_USER); break;
    case kMachineRunSection: added = AddRunValue(target, HKEY_LOCAL_MACHINE); break;
    default: return;
    }
    // On a refusal the dialog stays, so another section can be tried.
    if (added) EndModal(IDOK);
}

}  // namespace cx::startup

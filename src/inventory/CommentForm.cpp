#include "inventory/CommentForm.h"

#include "i18n/LangText.h"
#include "widgets/Seam.h"

namespace cx::inv {

namespace {
// The prompt as designed; the language table's text replaces it at every showing.
constexpr const char* kDesignedPrompt = "Enter the comment: ( < 260 character)";
}  // namespace

void TCommentForm::SetProgramName(const std::string& name) {
    programName_ = name;
    if (lblProgramName_) ui::SetWindowString(lblProgramName_, programName_);
}

void TCommentForm::SetCommentText(const std::string& text) {
    // The store is the user's hive, which other programs can write too.
    startText_ = text.substr(0, kMaxCommentLength);
}

std::string TCommentForm::CommentText() const {
    return txtComment_ ? ui::WindowString(txtComment_) : startText_;
}

void TCommentForm::btnOkClick() {
    try {
        if (saver_) saver_(CommentText());
    } catch (...) {
        ui::ShowAppMessage(hwnd(), LangText(IDS_MESSAGEBOX_WARNING_CommentNotSaved),
                           MB_OK | MB_ICONWARNING);
        SetFocus(txtComment_);
        return;
    }
    EndModal(IDOK);
}

void TCommentForm::CreateForm(HWND owner) {
    CreateFormWindow(owner, LangText(IDS_COMMENTFORM_Title), kClientWidth, kClientHeight);
    // Static controls wrap their text at word boundaries within their box.
    lblProgramName_ = AddControl("STATIC", programName_, SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, 12,
                                 12, 278, 32, IDC_LBL_PROGRAMNAME);
    SendMessageA(lblProgramName_, WM_SETFONT,
                 reinterpret_cast<WPARAM>(MakeFont("Verdana", 8, true)), FALSE);
    lblTitle_ = AddControl("STATIC", kDesignedPrompt, SS_LEFT | SS_NOPREFIX, 12, 52, 278, 30,
                           IDC_LBL_TITLE);
    txtComment_ = AddControl("EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, 12, 88, 278, 21,
                             IDC_TXT_COMMENT, WS_EX_CLIENTEDGE);
    SendMessageA(txtComment_, EM_LIMITTEXT, kMaxCommentLength, 0);
    btnOk_ = AddControl("BUTTON", LangText(IDS_COMMENTFORM_BUTTON_Ok),
                        WS_TABSTOP | BS_DEFPUSHBUTTON, 134, 134, 75, 25, IDC_BTN_OK);
    btnCancel_ = AddControl("BUTTON", LangText(IDS_COMMENTFORM_BUTTON_Cancel),
                            WS_TABSTOP | BS_PUSHBUTTON, 215, 134, 75, 25, IDC_BTN_CANCEL);
    SetDefaultButton(IDC_BTN_OK);
}

void TCommentForm::FormShow() {
    ApplyTexts();
    ui::SetWindowString(txtComment_, startText_);
    // Selected whole, so typing replaces an earlier comment and End keeps it.
    SendMessageA(txtComment_, EM_SETSEL, 0, -1);
}

void TCommentForm::ApplyTexts() {
    if (!hwnd()) return;
    ui::SetWindowString(hwnd(), LangText(IDS_COMMENTFORM_Title));
    ui::SetWindowString(lblTitle_, LangText(IDS_COMMENTFORM_LABEL_TITLE));
    ui::SetWindowString(btnOk_, LangText(IDS_COMMENTFORM_BUTTON_Ok));
    ui::SetWindowString(btnCancel_, LangText(IDS_COMMENTFORM_BUTTON_Cancel));
}

bool TCommentForm::OnCommand(int id, int code, HWND control) {
    switch (id) {
    case IDC_BTN_OK: btnOkClick(); return true;
    case IDC_BTN_CANCEL: btnCancelClick(); return true;
    default: return Form::OnCommand(id, code, control);
    }
}

void RunCommentEntry(HWND owner, TProgramList& list, long serviceIndex, const CommentStore& store) {
    try {
        if (serviceIndex < 0) return;
        auto item = list.GetProgram(serviceIndex);
        if (!item) return;
        // The comment belongs to the program's key as the service found it, so
        // the same key name under both hives keeps two comments.
        const std::string hive = item->Hive();
        const std::string name = item->RegistryName();
        TCommentForm form;
        form.SetProgramName(item->DisplayName());
        // The user's own comment comes back in the box; it is the only place it
        // is shown (the details window lists the uninstall key's values, the
        // publisher's "Comments" among them, and has no row of its own for it).
        form.SetCommentText(store.Read(hive, name).value_or(std::string()));
        form.SetSaver([&](const std::string& text) { store.Write(hive, name, text); });
        form.ShowModal(owner);
    } catch (...) {
        // The service or the dialog itself failed: the command shows nothing.
    }
}

}  // namespace cx::inv

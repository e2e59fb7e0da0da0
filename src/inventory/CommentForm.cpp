#include "inventory/CommentForm.h"

#include "i18n/LangText.h"

namespace cx::inv {

namespace {
// The prompt as designed; the language table's text replaces it at every showing.
constexpr const char* kDesignedPrompt = "Enter the comment: ( < 260 character)";
}  // namespace

void TCommentForm::SetProgramName(const std::string& name) {
    programName_ = name;
    if (lblProgramName_) ui::SetWindowString(lblProgramName_, programName_);
}

std::string TCommentForm::CommentText() const {
    return txtComment_ ? ui::WindowString(txtComment_) : std::string();
}

void TCommentForm::CreateForm(HWND owner) {
    CreateFormWindow(owner, LangText(IDS_COMMENTFORM_Title), kClientWidth, kClientHeight);
    // Static controls wrap their text at word boundaries within their box.
    lblProgramName_ = AddControl("STATIC", programName_, SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL,
                                 12, 12, 278, 32, IDC_LBL_PROGRAMNAME);
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

void TCommentForm::FormShow() { ApplyTexts(); }

void TCommentForm::ApplyTexts() {
    if (!hwnd()) return;
    ui::SetWindowString(hwnd(), LangText(IDS_COMMENTFORM_Title));
    ui::SetWindowString(lblTitle_, LangText(IDS_COMMENTFORM_LABEL_TITLE));
    ui::SetWindowString(btnOk_, LangText(IDS_COMMENTFORM_BUTTON_Ok));
    ui::SetWindowString(btnCancel_, LangText(IDS_COMMENTFORM_BUTTON_Cancel));
}

bool TCommentForm::OnCommand(int id, int code, HWND control) {
    switch (id) {
    case IDC_BTN_OK:
        btnOkClick();
        return true;
    case IDC_BTN_CANCEL:
        btnCancelClick();
        return true;
    default:
        return Form::OnCommand(id, code, control);
    }
}

void RunCommentEntry(HWND owner, TProgramList& list, long serviceIndex) {
    try {
        if (serviceIndex < 0) return;
        auto item = list.GetProgram(serviceIndex);
        if (!item) return;
        TCommentForm form;
        form.SetProgramName(item->DisplayName());
        if (form.ShowModal(owner) == IDOK) item->SetComment(form.CommentText());
    } catch (...) {
        // The command reports nothing; a failed comment is simply not stored.
    }
}

}  // namespace cx::inv

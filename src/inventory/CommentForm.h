#pragma once
// TCommentForm: asks for a short note on one program; "Comment Entry..." hands
// the text to the inventory service.
#include <windows.h>

#include <string>

#include "inventory/ProgramList.h"
#include "widgets/Form.h"

namespace cx::inv {

class TCommentForm : public ui::Form {
public:
    static constexpr int kClientWidth = 302;
    static constexpr int kClientHeight = 174;
    // The edit box takes no more than this many characters (the prompt promises fewer than 260).
    static constexpr int kMaxCommentLength = 250;
    enum : int {
        IDC_LBL_PROGRAMNAME = 301,
        IDC_LBL_TITLE,
        IDC_TXT_COMMENT,
        IDC_BTN_OK = IDOK,
        IDC_BTN_CANCEL = IDCANCEL,
    };

    TCommentForm() = default;

    // The program's display name, shown bold at the top.
    void SetProgramName(const std::string& name);
    // The edit box's text (empty before the window exists).
    std::string CommentText() const;

    void btnOkClick() { EndModal(IDOK); }
    void btnCancelClick() { EndModal(IDCANCEL); }
    void ApplyTexts();

protected:
    void CreateForm(HWND owner) override;
    void FormShow() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    std::string programName_;
    HWND lblProgramName_ = nullptr;
    HWND lblTitle_ = nullptr;
    HWND txtComment_ = nullptr;
    HWND btnOk_ = nullptr;
    HWND btnCancel_ = nullptr;
};

// "Comment Entry..." for the program with that service index: shows the form
// with an empty box and, on OK, passes its text to the service (an empty text
// too). Nothing happens for an index without a program; every error is
// swallowed, as the command reports none.
void RunCommentEntry(HWND owner, TProgramList& list, long serviceIndex);

}  // namespace cx::inv

#pragma once
// TCommentForm: asks for a short note on one program; "Comment Entry..." keeps
// it in the user's own comment store (CommentStore.h), never in the program's
// uninstall key.
#include <windows.h>

#include <functional>
#include <string>

#include "inventory/CommentStore.h"
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
    // The text the box starts with at the next showing, cut to kMaxCommentLength.
    void SetCommentText(const std::string& text);
    // The edit box's text (the starting text before the window exists).
    std::string CommentText() const;

    // Keeps the text on OK; throws when it cannot. Without one OK just closes.
    using CommentSaver = std::function<void(const std::string& text)>;
    void SetSaver(CommentSaver saver) { saver_ = std::move(saver); }

    // OK: saves and closes. A text that cannot be saved is reported
    // (IDS_MESSAGEBOX_WARNING_CommentNotSaved) and the dialog stays open with it.
    void btnOkClick();
    void btnCancelClick() { EndModal(IDCANCEL); }
    void ApplyTexts();

protected:
    void CreateForm(HWND owner) override;
    void FormShow() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    std::string programName_;
    std::string startText_;
    CommentSaver saver_;
    HWND lblProgramName_ = nullptr;
    HWND lblTitle_ = nullptr;
    HWND txtComment_ = nullptr;
    HWND btnOk_ = nullptr;
    HWND btnCancel_ = nullptr;
};

// "Comment Entry..." for the program with that service index: shows the form
// with the user's stored comment on that program (hive and registry name) and,
// on OK, stores the box's text in place of it (an empty box removes it). The
// publisher's own "Comments" value in the uninstall key is never written: the
// details window shows it as before. A comment that cannot be stored is
// reported and the dialog stays. Nothing happens for an index without a
// program; errors of the service are swallowed.
void RunCommentEntry(HWND owner, TProgramList& list, long serviceIndex,
                     const CommentStore& store = CommentStore());

}  // namespace cx::inv

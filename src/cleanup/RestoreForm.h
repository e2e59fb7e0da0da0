#pragma once
// TRestoreForm: the kept clean-ups, newest first (date, program, size), and
// Restore, which puts the chosen one back and says how that went.
#include <windows.h>

#include <string>
#include <vector>

#include "cleanup/Safety.h"
#include "cleanup/Undo.h"
#include "widgets/Form.h"

namespace cx::cleanup {

class TRestoreForm : public ui::Form {
public:
    static constexpr int kClientWidth = 440;
    static constexpr int kClientHeight = 262;
    enum : int {
        IDC_LBL_INFO = 401,
        IDC_LSV_CLEANUPS,
        IDC_BTN_RESTORE,
        IDC_BTN_CANCEL,
    };

    // `root`: where clean-ups are kept; `safety`: the rules a restore keeps to.
    TRestoreForm(std::wstring root, SafetyContext safety, RestoreOptions options = {});

    // Reads the kept clean-ups; how many there are. Showing the window reads them again.
    size_t LoadCleanups();
    const std::vector<KeptCleanup>& Cleanups() const noexcept { return kept_; }
    // The row chosen (-1: none); the newest is chosen when the list is filled.
    int SelectedRow() const;
    void SelectRow(int row);
    std::string RowText(int row, int column) const;

    // Restores the chosen clean-up, reports the outcome and closes the window.
    void btnRestoreClick();
    void btnCancelClick();
    void ApplyTexts();
    HWND lsvCleanups() const noexcept { return lsvCleanups_; }

protected:
    void CreateForm(HWND owner) override;
    void FormShow() override;
    bool OnCommand(int id, int code, HWND control) override;
    LRESULT OnNotify(int id, NMHDR* header) override;

private:
    void FillList();

    std::wstring root_;
    SafetyContext safety_;
    RestoreOptions options_;
    std::vector<KeptCleanup> kept_;

    HWND lblInfo_ = nullptr;
    HWND lsvCleanups_ = nullptr;
    HWND btnRestore_ = nullptr;
    HWND btnCancel_ = nullptr;
};

// The list of items a restore left in the backup, for the message: at most
// `maxLines` lines, then a line saying how many more there are.
std::string NotRestoredText(const std::vector<std::wstring>& items, size_t maxLines = 10);

}  // namespace cx::cleanup

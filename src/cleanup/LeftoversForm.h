#pragma once
// TLeftoversForm: asks which removed program to look for leftovers of: by its
// name and maker, by the folder it was installed in, or one of the uninstalls
// Carvexo kept on record. It only collects what the person gave; what may be
// scanned and what starts checked is decided after it (PlanLeftovers).
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "cleanup/Leftovers.h"
#include "cleanup/UninstallHistory.h"
#include "widgets/Form.h"

namespace cx::cleanup {

class TLeftoversForm : public ui::Form {
public:
    static constexpr int kClientWidth = 420;
    static constexpr int kClientHeight = 260;
    enum : int {
        IDC_RAD_NAMES = 501,
        IDC_LBL_PRODUCT,
        IDC_EDT_PRODUCT,
        IDC_LBL_PUBLISHER,
        IDC_EDT_PUBLISHER,
        IDC_RAD_FOLDER,
        IDC_EDT_FOLDER,
        IDC_BTN_BROWSE,
        IDC_RAD_HISTORY,
        IDC_CMB_HISTORY,
        IDC_LBL_NOHISTORY,
        IDC_BTN_SCAN,
        IDC_BTN_CANCEL,
    };

    // `history`: the uninstalls on record, newest first (ReadHistory).
    explicit TLeftoversForm(std::vector<HistoryRecord> history);

    // What to look for; set only by a Scan that closed the window.
    std::optional<LeftoversQuery> Query() const { return query_; }
    // The way chosen by the radio buttons.
    LeftoversQuery::From Way() const;
    void SelectWay(LeftoversQuery::From way);

    // Takes what was given for the chosen way and closes the window; a way
    // left blank is said so and the window stays.
    void btnScanClick();
    void btnCancelClick();
    // The system's folder picker; the folder chosen goes into the folder box.
    void btnBrowseClick();
    void ApplyTexts();

protected:
    void CreateForm(HWND owner) override;
    void FormShow() override;
    bool OnCommand(int id, int code, HWND control) override;
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    HWND Radio(LeftoversQuery::From way) const;

    std::vector<HistoryRecord> history_;
    std::optional<LeftoversQuery> query_;

    HWND radNames_ = nullptr;
    HWND lblProduct_ = nullptr;
    HWND edtProduct_ = nullptr;
    HWND lblPublisher_ = nullptr;
    HWND edtPublisher_ = nullptr;
    HWND radFolder_ = nullptr;
    HWND edtFolder_ = nullptr;
    HWND btnBrowse_ = nullptr;
    HWND radHistory_ = nullptr;
    HWND cmbHistory_ = nullptr;
    HWND lblNoHistory_ = nullptr;
    HWND btnScan_ = nullptr;
    HWND btnCancel_ = nullptr;
};

}  // namespace cx::cleanup

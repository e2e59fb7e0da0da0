#pragma once
// TProgressForm: the small borderless window of the full backup. It shows
// while the exports run, its bar counting the finished ones, and closes with
// what became of them: success, how many failed, or that there was nothing to
// back up. It offers no cancel; it closes by itself in every case.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "backup/BackupRun.h"
#include "platform/Handles.h"
#include "widgets/Controls.h"
#include "widgets/Form.h"
#include "widgets/ProgressBar.h"

namespace cx::backup {

class TProgressForm : public ui::Form {
public:
    static constexpr int kClientWidth = 391;
    static constexpr int kClientHeight = 183;
    static constexpr UINT_PTR kTimerBackup = 1;
    // The backup starts once the window is on screen.
    static constexpr UINT kBackupInterval = 100;
    enum : int { IDC_LBL_INFO = 401, IDC_PROGRESSBAR };

    struct Folders {
        std::string regBackupDir;  // the exports go here (ends in "\")
        std::string scrBackupDir;  // made beside it, for the screen savers' backups
        std::string skinDir;       // where the background picture is looked for
    };
    explicit TProgressForm(Folders folders, BackupOptions options = {});

    // The backup (what the first tick of TimerBackup runs); later calls do nothing.
    void TimerBackupTimer();
    void ApplyTexts();
    bool BackupRunning() const noexcept { return running_; }
    const BackupOutcome& Outcome() const noexcept { return outcome_; }

    // Where the entries come from (tests hand in their own).
    std::function<std::vector<BackupEntry>()> readEntries = ReadBackupEntries;

    ui::ImagePanel ImageBK;
    HWND lblInfo = nullptr;
    ui::ProgressBar ProgressBar;

protected:
    void CreateForm(HWND owner) override;
    void FormShow() override;
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    LRESULT OnCtlColor(HDC dc, HWND control);
    void Report(const BackupOutcome& outcome);

    Folders folders_;
    BackupOptions options_;
    BackupOutcome outcome_;
    bool started_ = false;
    bool running_ = false;
};

}  // namespace cx::backup

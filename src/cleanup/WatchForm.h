#pragma once
// TWatchForm: Install and Watch. The first snapshot with a progress bar, the
// setup run and waited for as an uninstaller is (its whole process tree), the
// second snapshot, then what the setup wrote as a list the user may untick
// (a change another program made meanwhile) before the trace is kept for
// the program that appeared. The window answers throughout; it cannot be
// closed while the setup runs.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "cleanup/UninstallFlow.h"
#include "cleanup/WatchRun.h"
#include "widgets/Form.h"

namespace cx::cleanup {

// The setup to watch, chosen in the system's open dialog (programs and
// packages); nothing when the user cancels.
std::optional<std::wstring> AskSetupFile(HWND owner);

class TWatchForm : public ui::Form {
public:
    static constexpr int kClientWidth = 600;
    static constexpr int kClientHeight = 400;
    enum : int {
        IDC_LBL_STEP = 701,
        IDC_LBL_PLACE,
        IDC_PRB_WATCH,
        IDC_LSV_TRACE,
        IDC_BTN_KEEP,
        IDC_BTN_CANCEL,
    };
    enum class Phase { Before, First, Setup, Second, Done };

    // `appDir`: Carvexo's folder (ending in "\"), whose traces and files are its own.
    TWatchForm(std::wstring appDir, std::wstring setup, std::vector<std::string> arguments);

    Phase CurrentPhase() const noexcept { return phase_; }
    // The trace found (Done); its items in the list's order.
    const WatchTrace& Trace() const noexcept { return trace_; }
    // Where Keep put the trace; empty until then.
    const std::wstring& KeptFile() const noexcept { return kept_; }

    int ItemCount() const;
    bool ItemChecked(int row) const;
    void SetItemChecked(int row, bool checked);
    // Keeps the trace without the unticked items and closes with IDOK.
    void Keep();

    std::string StepText() const;
    void ApplyTexts();

protected:
    void CreateForm(HWND owner) override;
    void FormShow() override;
    bool OnCommand(int id, int code, HWND control) override;
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Start();
    void TakeFirst();
    void SetupEnded(WaitEnd end);
    void ShowTrace();
    void UpdateControls();
    void Fail(const std::string& text);
    // The progress bar and the place shown, the stop asked for.
    void Prepare(SnapshotProgress& progress, bool second);

    std::wstring appDir_, setup_;
    std::vector<std::string> arguments_;
    std::string command_;
    std::optional<WatchSession> session_;
    WatchTrace trace_;
    std::wstring kept_;
    Phase phase_ = Phase::Before;
    bool started_ = false, stop_ = false;
    size_t firstItems_ = 0;
    LPARAM waitId_ = 0;

    HWND lblStep_ = nullptr;
    HWND lblPlace_ = nullptr;
    HWND prbWatch_ = nullptr;
    HWND lsvTrace_ = nullptr;
    HWND btnKeep_ = nullptr;
    HWND btnCancel_ = nullptr;
};

}  // namespace cx::cleanup

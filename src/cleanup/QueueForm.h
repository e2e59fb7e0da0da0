#pragma once
// TQueueForm: the programs chosen for one bulk uninstall, their own
// uninstallers run one after another (never two at once) with the order and
// the quiet choice settled before Start. The clean-up of what the removed ones
// left is the caller's, after the window has closed (Items()).
#include <windows.h>

#include <string>
#include <vector>

#include "cleanup/UninstallQueue.h"
#include "widgets/Form.h"

namespace cx::cleanup {

class TQueueForm : public ui::Form {
public:
    static constexpr int kClientWidth = 560;
    static constexpr int kClientHeight = 330;
    enum : int {
        IDC_LBL_INFO = 601,
        IDC_LSV_QUEUE,
        IDC_BTN_UP,
        IDC_BTN_DOWN,
        IDC_BTN_DROP,
        IDC_CHK_QUIET,
        IDC_PRB_QUEUE,
        IDC_LBL_STATUS,
        IDC_BTN_START,
        IDC_BTN_STOP,
        IDC_BTN_CLOSE,
    };

    struct Entry {
        ListedProgram program;  // as the list shows it
        std::string uninstallString;
    };
    // In the order the user selected them.
    explicit TQueueForm(std::vector<Entry> entries);

    // Every item in the queue's order with its run (the folders gathered once
    // it was about to run), state and problem.
    const std::vector<QueueItem>& Items() const noexcept { return items_; }
    // The queue ran to its end or was stopped.
    bool Ended() const noexcept { return phase_ == Phase::Ended; }
    bool Running() const noexcept { return phase_ == Phase::Running; }

    // Runs the items in order; only while the window is shown, and only once.
    void Start();
    // The running item finishes; every later one is skipped.
    void StopAfterCurrent();
    // Before Start only: the order and the kind of command.
    void MoveUp(int row);
    void MoveDown(int row);
    void Drop(int row);
    void SetQuiet(bool quiet);

    std::string RowText(int row, int column) const;
    int RowCount() const noexcept { return static_cast<int>(items_.size()); }
    void ApplyTexts();

protected:
    void CreateForm(HWND owner) override;
    void FormShow() override;
    bool OnCommand(int id, int code, HWND control) override;
    LRESULT OnNotify(int id, NMHDR* header) override;
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    enum class Phase { Before, Running, Ended };

    CommandChoice Choice() const noexcept;
    std::string CellText(size_t row, int column) const;
    void FillList();
    void ShowRow(size_t row);
    int SelectedRow() const;
    void SelectRow(int row);
    void UpdateControls();
    void Swap(size_t a, size_t b);
    // Starts the next item that can start; ends the queue when none is left.
    void StartNext();
    void FinishCurrent(WaitEnd end);
    void Settled(size_t row);
    void EndQueue();
    std::string SummaryText() const;

    std::vector<Entry> entries_;  // beside items_, in the same order
    std::vector<QueueItem> items_;
    bool quiet_ = false;
    Phase phase_ = Phase::Before;
    bool stopAfterCurrent_ = false;
    size_t current_ = 0;
    LPARAM waitId_ = 0;  // the running item's wait; 0 when none runs
    int settled_ = 0;    // items that have ended, for the progress bar

    HWND lblInfo_ = nullptr;
    HWND lsvQueue_ = nullptr;
    HWND btnUp_ = nullptr;
    HWND btnDown_ = nullptr;
    HWND btnDrop_ = nullptr;
    HWND chkQuiet_ = nullptr;
    HWND prbQueue_ = nullptr;
    HWND lblStatus_ = nullptr;
    HWND btnStart_ = nullptr;
    HWND btnStop_ = nullptr;
    HWND btnClose_ = nullptr;
};

}  // namespace cx::cleanup

#include "cleanup/WatchForm.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <exception>
#include <utility>

#include "cleanup/Uninstall.h"
#include "cleanup/UninstallFlow.h"
#include "cleanup/UndoBusy.h"
#include "i18n/LangText.h"
#include "platform/Error.h"
#include "platform/Strings.h"
#include "widgets/Seam.h"

namespace cx::cleanup {
namespace {

// The first snapshot starts once the window is up and painted.
constexpr UINT_PTR kTimerStart = 1;
constexpr UINT kStartDelayMs = 50;
constexpr int kBarRange = 1000;

}  // namespace

std::optional<std::wstring> AskSetupFile(HWND owner) {
    // By UTF-16 names: the path is run as it is chosen.
    const std::wstring label = AnsiToWide(LangText(IDS_WATCHFORM_FILTER_Setup));
    std::wstring filter = label + L'\0' + L"*.exe;*.msi" + L'\0' + L'\0';
    std::vector<wchar_t> file(32768, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    const std::wstring title = AnsiToWide(LangText(IDS_WATCHFORM_Title));
    ofn.lpstrTitle = title.c_str();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    // The current folder stays as it was: nothing is ever looked up in a
    // folder the user browsed to.
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR |
                OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    ui::ModalScope modal(owner);
    if (!GetOpenFileNameW(&ofn)) return std::nullopt;
    return std::wstring(file.data());
}

TWatchForm::TWatchForm(std::wstring appDir, std::wstring setup, std::vector<std::string> arguments)
    : appDir_(std::move(appDir)), setup_(std::move(setup)), arguments_(std::move(arguments)) {}

void TWatchForm::CreateForm(HWND owner) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    CreateFormWindow(owner, LangText(IDS_WATCHFORM_Title), kClientWidth, kClientHeight);
    lblStep_ = AddControl("STATIC", "", SS_LEFT | SS_NOPREFIX, 8, 8, 584, 30, IDC_LBL_STEP);
    lblPlace_ = AddControl("STATIC", "", SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, 8, 40, 584, 16,
                           IDC_LBL_PLACE);
    prbWatch_ = AddControl(PROGRESS_CLASSA, "", 0, 8, 60, 584, 16, IDC_PRB_WATCH);
    SendMessageA(prbWatch_, PBM_SETRANGE32, 0, kBarRange);
    lsvTrace_ =
        AddControl(WC_LISTVIEWA, "",
                   LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SHOWSELALWAYS | WS_TABSTOP | WS_BORDER, 8,
                   84, 584, 274, IDC_LSV_TRACE);
    ListView_SetExtendedListViewStyle(lsvTrace_, LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES);
    LVCOLUMNA col{};
    col.mask = LVCF_WIDTH;
    col.cx = 560;
    ListView_InsertColumn(lsvTrace_, 0, &col);
    btnKeep_ =
        AddControl("BUTTON", "", BS_DEFPUSHBUTTON | WS_TABSTOP, 388, 367, 114, 25, IDC_BTN_KEEP);
    btnCancel_ =
        AddControl("BUTTON", "", BS_PUSHBUTTON | WS_TABSTOP, 508, 367, 84, 25, IDC_BTN_CANCEL);
    SetDefaultButton(IDC_BTN_KEEP);
    ApplyTexts();
}

void TWatchForm::FormShow() {
    ApplyTexts();
    UpdateControls();
    if (!started_) SetTimer(hwnd(), kTimerStart, kStartDelayMs, nullptr);
}

void TWatchForm::ApplyTexts() {
    if (!hwnd()) return;
    ui::SetWindowString(hwnd(), LangText(IDS_WATCHFORM_Title));
    ui::SetWindowString(btnKeep_, LangText(IDS_WATCHFORM_BUTTON_Keep));
    ui::SetWindowString(btnCancel_, LangText(IDS_WATCHFORM_BUTTON_Cancel));
    ui::SetWindowString(lblStep_, StepText());
}

std::string TWatchForm::StepText() const {
    switch (phase_) {
    case Phase::Before:
    case Phase::First: return LangText(IDS_WATCHFORM_STEP_Before);
    case Phase::Setup: return LangText(IDS_WATCHFORM_STEP_Setup);
    case Phase::Second: return LangText(IDS_WATCHFORM_STEP_After);
    case Phase::Done: {
        // Nothing to untick nor keep: the setup registered no program.
        if (trace_.programs.empty()) return LangText(IDS_MESSAGEBOX_WARNING_WatchNoProgram);
        const TraceCounts c = CountsOf(trace_);
        return Format(LangFormatText(IDS_WATCHFORM_STEP_Done), static_cast<int>(c.keys),
                      static_cast<int>(c.files));
    }
    }
    return {};
}

void TWatchForm::UpdateControls() {
    if (!hwnd()) return;
    EnableWindow(btnKeep_, phase_ == Phase::Done && !trace_.programs.empty());
    // While the setup runs the window stays: its end comes through it.
    const bool closable = phase_ != Phase::Setup;
    EnableWindow(btnCancel_, closable);
    if (HMENU menu = GetSystemMenu(hwnd(), FALSE))
        EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | (closable ? MF_ENABLED : MF_GRAYED));
    ShowWindow(lsvTrace_, phase_ == Phase::Done ? SW_SHOW : SW_HIDE);
    ui::SetWindowString(lblStep_, StepText());
}

void TWatchForm::Prepare(SnapshotProgress& p, bool second) {
    p.show = [this, second, &p](const std::wstring& place) {
        ui::SetWindowString(lblPlace_, WideToAnsi(place));
        // The second snapshot walks about what the first did: it measures by that.
        const size_t pos = second && firstItems_
                               ? std::min<size_t>(kBarRange, p.items * kBarRange / firstItems_)
                               : (p.roots ? p.root * kBarRange / p.roots : 0);
        SendMessageA(prbWatch_, PBM_SETPOS, pos, 0);
    };
    p.stop = [this] { return stop_; };
}

void TWatchForm::Fail(const std::string& text) {
    ui::ShowAppMessage(hwnd(), text, MB_OK | MB_ICONERROR);
    EndModal(IDCANCEL);
}

void TWatchForm::Start() {
    if (started_ || !hwnd() || !InModal()) return;
    started_ = true;
    KillTimer(hwnd(), kTimerStart);
    try {
        command_ = WatchCommand(setup_, arguments_);
        session_.emplace(appDir_, AnsiToWide(command_));
    } catch (const std::exception& e) {
        Fail(e.what());
        return;
    }
    TakeFirst();
}

void TWatchForm::TakeFirst() {
    phase_ = Phase::First;
    UpdateControls();
    BusyWindow busy(nullptr);
    SnapshotProgress progress;
    Prepare(progress, false);
    progress.pump = busy.Pump();
    session_->Before(progress);
    firstItems_ = session_->First().keys.size() + session_->First().files.size();
    if (!hwnd() || !InModal()) return;
    if (progress.stopped) {
        EndModal(IDCANCEL);
        return;
    }
    SendMessageA(prbWatch_, PBM_SETPOS, kBarRange, 0);
    ui::SetWindowString(lblPlace_, command_);
    phase_ = Phase::Setup;
    UpdateControls();
    waitId_ = NewWaitId();
    try {
        StartReportingWait(command_, hwnd(), waitId_);
    } catch (const std::exception& e) {
        waitId_ = 0;
        phase_ = Phase::Done;
        Fail(e.what());
    }
}

void TWatchForm::SetupEnded(WaitEnd end) {
    if (end != WaitEnd::Ended) {
        phase_ = Phase::Done;
        Fail(LangText(end == WaitEnd::NothingStarted ? IDS_QUEUEFORM_PROBLEM_NotStarted
                                                     : IDS_QUEUEFORM_PROBLEM_WaitFailed));
        return;
    }
    phase_ = Phase::Second;
    SendMessageA(prbWatch_, PBM_SETPOS, 0, 0);
    UpdateControls();
    BusyWindow busy(nullptr);
    SnapshotProgress progress;
    Prepare(progress, true);
    progress.pump = busy.Pump();
    trace_ = session_->After(progress);
    if (!hwnd() || !InModal()) return;
    if (progress.stopped) {
        EndModal(IDCANCEL);
        return;
    }
    SendMessageA(prbWatch_, PBM_SETPOS, kBarRange, 0);
    phase_ = Phase::Done;
    ShowTrace();
    UpdateControls();
    if (trace_.programs.empty())
        ui::ShowAppMessage(hwnd(), LangText(IDS_MESSAGEBOX_WARNING_WatchNoProgram),
                           MB_OK | MB_ICONWARNING);
}

void TWatchForm::ShowTrace() {
    std::string programs;
    for (const TracedProgram& p : trace_.programs)
        programs += (programs.empty() ? "" : ", ") +
                    WideToAnsi(p.displayName.empty() ? p.registryName : p.displayName);
    ui::SetWindowString(lblPlace_, programs);
    ListView_DeleteAllItems(lsvTrace_);
    for (size_t i = 0; i < trace_.items.size(); ++i) {
        std::string text = TraceItemText(trace_.items[i]);
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = text.data();
        const int row = ListView_InsertItem(lsvTrace_, &item);
        ListView_SetCheckState(lsvTrace_, row, TRUE);
    }
}

int TWatchForm::ItemCount() const { return lsvTrace_ ? ListView_GetItemCount(lsvTrace_) : 0; }

bool TWatchForm::ItemChecked(int row) const {
    return lsvTrace_ && ListView_GetCheckState(lsvTrace_, row) != 0;
}

void TWatchForm::SetItemChecked(int row, bool checked) {
    if (lsvTrace_) ListView_SetCheckState(lsvTrace_, row, checked ? TRUE : FALSE);
}

void TWatchForm::Keep() {
    if (phase_ != Phase::Done || trace_.programs.empty()) return;
    WatchTrace kept = trace_;
    kept.items.clear();
    for (size_t i = 0; i < trace_.items.size(); ++i)
        if (ItemChecked(static_cast<int>(i))) kept.items.push_back(trace_.items[i]);
    try {
        kept_ = session_->Keep(kept);
    } catch (const std::exception& e) {
        ui::ShowAppMessage(hwnd(), e.what(), MB_OK | MB_ICONERROR);
        return;
    }
    trace_ = std::move(kept);
    EndModal(IDOK);
}

LRESULT TWatchForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER && wp == kTimerStart) {
        Start();
        return 0;
    }
    if (msg == UninstallDoneMessage() || msg == kWaitReturnedMessage) {
        // Only this window's own wait counts; another id says nothing about it.
        if (phase_ == Phase::Setup && waitId_ != 0 && lp == waitId_) {
            waitId_ = 0;
            SetupEnded(msg == kWaitReturnedMessage ? WaitEnd::Failed : WaitEndOf(wp));
        }
        return 0;
    }
    if (msg == WM_CLOSE && phase_ == Phase::Setup) return 0;
    return Form::HandleMessage(msg, wp, lp);
}

bool TWatchForm::OnCommand(int id, int code, HWND control) {
    if (id == IDCANCEL || id == IDC_BTN_CANCEL) {
        if (phase_ == Phase::First || phase_ == Phase::Second)
            stop_ = true;  // the snapshot ends at its next look, then the window
        else if (phase_ != Phase::Setup)
            EndModal(IDCANCEL);
        return true;
    }
    if (id == IDOK || (id == IDC_BTN_KEEP && code == BN_CLICKED)) {
        Keep();
        return true;
    }
    return Form::OnCommand(id, code, control);
}

}  // namespace cx::cleanup

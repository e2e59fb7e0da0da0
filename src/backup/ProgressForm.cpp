#include "backup/ProgressForm.h"

#include <utility>

#include "i18n/LangText.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Strings.h"
#include "skin/SkinApply.h"
#include "skin/SkinSettings.h"
#include "widgets/Seam.h"

namespace cx::backup {

TProgressForm::TProgressForm(Folders folders, BackupOptions options)
    : folders_(std::move(folders)), options_(std::move(options)) {}

void TProgressForm::CreateForm(HWND owner) {
    // No border and no caption bar: the picture is the whole window. The
    // caption still names the window on the taskbar and to other programs.
    SetFormFont("Verdana", 8);
    Create(ClassSpec{"TProgressForm", CS_DBLCLKS, nullptr, nullptr, nullptr}, WS_EX_CONTROLPARENT,
           WS_POPUP | WS_CLIPCHILDREN, LangText(IDS_PROGRESSFORM_Title), 0, 0, kClientWidth,
           kClientHeight, owner);
    SendMessageA(hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(FormFont()), FALSE);

    ImageBK.Create(hwnd(), 0, 0, kClientWidth, kClientHeight);
    ImageBK.SetBackground(GetSysColor(COLOR_BTNFACE));
    lblInfo =
        CreateWindowExA(0, "STATIC", LangText(IDS_PROGRESSFORM_LABEL_Info).c_str(),
                        WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX, 59, 64, 281, 25,
                        ImageBK.hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LBL_INFO)),
                        GetModuleHandleA(nullptr), nullptr);
    if (!lblInfo) ThrowLastError();
    SendMessageA(lblInfo, WM_SETFONT, reinterpret_cast<WPARAM>(FormFont()), FALSE);
    ProgressBar.Create(ImageBK.hwnd(), 56, 91, 281, 25, IDC_PROGRESSBAR);
    ProgressBar.SetFont(FormFont());
    ProgressBar.SetRange(0, 100);
    ProgressBar.SetPosition(0);

    SetTimer(hwnd(), kTimerBackup, kBackupInterval, nullptr);
    ForceDirectories(folders_.regBackupDir);
    ForceDirectories(folders_.scrBackupDir);
}

void TProgressForm::FormShow() {
    ApplyTexts();
    try {
        if (auto picture =
                LoadSkinPicture(folders_.skinDir, SkinValue(SK_PROGRESSFORM_ImageBG_Pic)))
            ImageBK.SetPicture(std::move(picture));
    } catch (const std::exception&) {
        // A picture that cannot be decoded leaves the plain background.
    }
}

void TProgressForm::ApplyTexts() {
    if (!hwnd()) return;
    ui::SetWindowString(hwnd(), LangText(IDS_PROGRESSFORM_Title));
    ui::SetWindowString(lblInfo, LangText(IDS_PROGRESSFORM_LABEL_Info));
}

void TProgressForm::TimerBackupTimer() {
    if (hwnd()) KillTimer(hwnd(), kTimerBackup);
    // One backup per window; and none for a window closed before its first tick.
    if (started_ || !InModal()) return;
    started_ = true;

    bool quit = false;
    int quitCode = 0;
    BackupProgress progress;
    progress.onFinished = [this](size_t finished, size_t total) {
        ProgressBar.SetPosition(ProgressPercent(finished, total));
    };
    // Everything queued is handled before waiting again: the wait wakes only
    // for messages that arrive after it began.
    progress.pump = [&quit, &quitCode] {
        MSG msg;
        while (!quit && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // Kept for the loops outside once the exports have ended.
                quit = true;
                quitCode = static_cast<int>(msg.wParam);
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    };
    progress.stop = [&quit] { return quit; };

    struct Running {
        bool& flag;
        explicit Running(bool& f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    };
    try {
        ForceDirectories(folders_.regBackupDir);
        std::vector<BackupEntry> entries = readEntries ? readEntries() : std::vector<BackupEntry>{};
        if (!entries.empty()) {
            Running running(running_);
            outcome_ =
                RunBackup(entries, AnsiToWide(IncludeTrailingBackslash(folders_.regBackupDir)),
                          progress, options_);
        }
    } catch (...) {
        // The window never stays open; what went wrong reaches the error handler.
        EndModal(IDCANCEL);
        if (quit) PostQuitMessage(quitCode);
        throw;
    }
    if (quit) {
        EndModal(IDCANCEL);
        PostQuitMessage(quitCode);
        return;
    }
    Report(outcome_);
    EndModal(outcome_.total && !outcome_.failed ? IDOK : IDCANCEL);
}

void TProgressForm::Report(const BackupOutcome& outcome) {
    switch (JudgeBackup(outcome.total, outcome.failed)) {
    case BackupVerdict::Succeeded:
        ui::ShowAppMessage(hwnd(), LangText(IDS_MESSAGEBOX_MESSAGE_BackupSucceed), MB_OK);
        break;
    case BackupVerdict::SomeFailed:
        ui::ShowAppMessage(
            hwnd(),
            Format(LangFormatText(IDS_MESSAGEBOX_WARNING_BackupFailed),
                   static_cast<int>(outcome.failed), static_cast<int>(outcome.total)),
            MB_OK | MB_ICONWARNING);
        break;
    case BackupVerdict::Nothing:
        ui::ShowAppMessage(hwnd(), LangText(IDS_MESSAGEBOX_WARNING_BackupNothing),
                           MB_OK | MB_ICONWARNING);
        break;
    }
}

LRESULT TProgressForm::OnCtlColor(HDC dc, HWND control) {
    // The label shows the background picture behind its text.
    SetBkMode(dc, TRANSPARENT);
    HBRUSH brush = ImageBK.BackgroundBrush();
    if (!brush) return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    POINT origin{0, 0};
    MapWindowPoints(control, ImageBK.hwnd(), &origin, 1);
    SetBrushOrgEx(dc, -origin.x, -origin.y, nullptr);
    return reinterpret_cast<LRESULT>(brush);
}

LRESULT TProgressForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_TIMER:
        if (wp == kTimerBackup) {
            TimerBackupTimer();
            return 0;
        }
        break;
    case WM_CTLCOLORSTATIC:
        return OnCtlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_CLOSE:
        // Exports under way are seen to the end; the window closes by itself then.
        if (running_) return 0;
        break;
    default: break;
    }
    return Form::HandleMessage(msg, wp, lp);
}

}  // namespace cx::backup

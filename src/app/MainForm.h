#pragma once
// TMainForm: the program's only top-level window, borderless and skinned. Its
// own buttons stand in for the title bar; a drag on the background moves it.
#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "inventory/ProgramList.h"
#include "widgets/Window.h"

namespace cx::app {

class TMainForm : public ui::Window {
public:
    static constexpr const char* kClassName = "TMainForm";
    static constexpr int kDesignWidth = 763;
    static constexpr int kDesignHeight = 538;
    // Every pixel of this colour is see-through: it gives the skinned outline.
    static constexpr COLORREF kTransparentColor = RGB(255, 0, 255);

    TMainForm();
    ~TMainForm() override;

    // Creates the window (hidden) and runs FormCreate; errors reach the caller.
    void CreateForm();
    void Show(int showCommand);

    // Commands of the shell.
    void ActionExitExecute();
    void ActionMinExecute();
    void imgBackGroundMouseDown();

    TProgramList& ProgramList() noexcept { return programList_; }

    // Run-time state reset by FormCreate.
    int SearchPos = 0;
    bool ProgramPanelShown = true;
    bool StartupPanelShown = true;
    bool StartupAllChecked = true;

    HIMAGELIST SmallSystemImages() const noexcept { return smallImages_; }
    HIMAGELIST LargeSystemImages() const noexcept { return largeImages_; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void FormCreate();
    void GetSystemImageLists();
    void CreateShellButtons();
    void OnCommand(int id);
    void PaintContent(HDC dc, const RECT& rc);

    TProgramList programList_;
    HIMAGELIST smallImages_ = nullptr;  // the system's lists: shared, never destroyed
    HIMAGELIST largeImages_ = nullptr;
    HWND btnMin_ = nullptr;
    HWND btnHelpContent_ = nullptr;
    HWND btnClose_ = nullptr;
};

// Control ids of the shell's buttons.
enum : int { IDC_BTN_MIN = 1001, IDC_BTN_HELPCONTENT, IDC_BTN_CLOSE };

}  // namespace cx::app

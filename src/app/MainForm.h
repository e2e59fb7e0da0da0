#pragma once
// TMainForm: the program's only top-level window, borderless and skinned. Its
// own buttons stand in for the title bar and the menu bar; every command is an
// action reached from buttons, drop-down menus, right-click menus and keys.
// The window itself holds the shell: the title and menu buttons, the page
// control, the menus (MainMenus), the skin's background and the action table.
// Each page is a room of its own (TProgramPage, TStartupPage) that the window
// routes commands and notifications to.
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Actions.h"
#include "app/MainMenus.h"
#include "app/PageHost.h"
#include "app/ProgramPage.h"
#include "app/StartupPage.h"
#include "i18n/LanguageMenu.h"
#include "platform/Handles.h"
#include "widgets/Controls.h"
#include "widgets/Window.h"

namespace cx::app {

class TMainForm : public ui::Window, private PageHost {
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
    HACCEL Accelerators() const noexcept { return accelerators_.get(); }

    // Runs a command, as its button, menu item or key does.
    void Execute(Action action) override;
    bool ActionChecked(Action action) const override { return actions_[action].checked; }
    void SetActionChecked(Action action, bool checked);

    // The rooms, and the menus as shown.
    TProgramPage& Programs() noexcept { return programs_; }
    TStartupPage& Startup() noexcept { return startup_; }
    const MainMenus& Menus() const noexcept { return menus_; }
    // 0: the program list in front; 1: the startup items.
    int ActivePage() const { return PageControl.ActivePage(); }
    HIMAGELIST SmallSystemImages() const noexcept { return smallImages_; }
    HIMAGELIST LargeSystemImages() const noexcept { return largeImages_; }
    std::shared_ptr<ui::Image> BackgroundPicture() const { return background_; }

    // The Languages submenu, built once at creation from the language folder;
    // a click switches the texts of this run and stores the choice.
    void LanguageItemClick(int index);
    const std::vector<LanguageChoice>& LanguageChoices() const noexcept { return languages_; }

    // Runs first in every painting of the window's surface; tests stand in for
    // a drawing failure (no GDI objects left, a picture that cannot be drawn) with it.
    std::function<void(HDC)> paintFault;

    // Where a clean-up's Delete keeps what it removes.
    static std::wstring CleanupBackupRoot() { return TProgramPage::CleanupBackupRoot(); }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    // PageHost
    HWND Owner() const override { return hwnd(); }
    void ShowMenu(ui::PopupMenu& menu, POINT screen) override;

    void FormCreate();
    void GetSystemImageLists();
    void CreateControls();
    void CreateAccelerators();
    void ApplySkin();
    void ApplyTexts();
    void BuildLanguageMenu();
    void OnCommand(int id, int code, HWND control);
    LRESULT OnCtlColor(HDC dc, HWND control);
    void PaintContent(HDC dc, const RECT& rc);
    void PaintSurface(HDC dc);
    void UpdateMenuChecks();
    void SetViewStyle(DWORD style, Action checkedAction);
    // True (and the window holding the user up brought to the front) while a
    // modal loop runs on top of this window.
    bool RefuseCloseWhileBusy();

    // The shell's own commands (MainForm.cpp, MainFormTools.cpp, AboutForm.cpp).
    void ActionExitExecute();
    void ActionMinExecute();
    void imgBackGroundMouseDown();
    void btnFileClick(ui::ImageButton& button);
    void ActionTabProgramListExecute();
    void ActionTabStartupItemsExecute();
    void ActionRefreshExecute();
    void ActionAddNewExecute();
    void ActionExportRegExecute();
    void ActionReloadRegExecute();
    void ActionCreateBackupExecute();
    void ActionRegeditExecute();
    void ActionWinServicesExecute();
    void ActionWinComponentsExecute();
    void ActionWinUpdateExecute();
    void ActionHelpContentExecute();
    void ActionOnlineResExecute();
    void ActionContactExecute();
    void ActionAboutExecute();
    void ActionRestoreCleanupExecute();

    std::array<ActionState, ActionCount> actions_;
    MainMenus menus_;
    TProgramPage programs_{*this, menus_};
    TStartupPage startup_{*this, menus_};

    std::vector<LanguageChoice> languages_;

    ui::ImageButton btnMin, btnHelpContent, btnClose;
    ui::ImageButton btnFile, btnView, btnTools, btnHelp;
    ui::ImageButton btnProgramList, btnStartupItemList;
    ui::ImagePanel ImgTitle;
    ui::PageControl PageControl;
    HWND txtHide = nullptr;
    HIMAGELIST smallImages_ = nullptr;  // the system's lists: shared, never destroyed
    HIMAGELIST largeImages_ = nullptr;
    std::shared_ptr<ui::Image> background_;
    unique_hfont listFont_, linkFont_, uiFont_;
    unique_resource<
        traits::simple<HACCEL, BOOL(WINAPI*)(HACCEL), &DestroyAcceleratorTable, nullptr>>
        accelerators_;
    bool inMenuLoop_ = false;
    bool paintFailureReported_ = false;
};

}  // namespace cx::app

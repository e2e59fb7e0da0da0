#pragma once
// TStartupPage: the Startup Items page of the main window. Its typed rows are
// read from startup/ and held here from load to Apply; the owner-data list only
// shows them, and its check boxes are what Apply writes.
#include <windows.h>

#include <string>
#include <vector>

#include "app/MainMenus.h"
#include "app/PageHost.h"
#include "startup/StartupStore.h"
#include "widgets/Controls.h"
#include "widgets/Subclass.h"

namespace cx::app {

class TStartupPage {
public:
    TStartupPage(PageHost& host, MainMenus& menus) : host_(host), menus_(menus) {}
    TStartupPage(const TStartupPage&) = delete;
    TStartupPage& operator=(const TStartupPage&) = delete;

    // Builds the side panel and the list on the page's sheet of the page control.
    void Create(HWND sheet, HFONT uiFont, HFONT listFont);
    void ApplySkin();  // throws for a bad skin value; the caller stops there
    void ApplyTexts();
    // The window routes the list's notifications here.
    HWND ListView() const noexcept { return lsvStartupList; }
    LRESULT OnNotify(NMHDR* hdr);
    // Labels and check boxes on the side panel show its picture behind them.
    ui::ImagePanel& Panel() noexcept { return imgPanelS; }
    void SetGrid(bool grid);
    // The page comes to the front: rows read again, the buttons as the rows say.
    void Activate();

    // The commands of the page.
    void LoadStartupList();
    void ActionApplyExecute();
    void ActionDeleteExecute();
    void ActionSelectAllExecute();
    void ActionAddItemExecute();
    void SizePanelSIHotSpotClick();
    // Runs for every selection change of a row, selecting and deselecting alike.
    void lsvStartupListSelectItem(int row);
    void lsvStartupListMouseDown(int button);
    // Where the Startup folders are and where their disabled entries are kept.
    startup::StartupPlaces StartupLocations() const;

    // The face the window tests look through: the entry behind each row, and
    // its check box, which is what Apply will write.
    int StartupRowCount() const;
    const startup::StartupEntry& StartupRow(int row) const { return startupRows_.at(row); }
    std::string StartupRowText(int row, int subItem) const;
    bool StartupRowChecked(int row) const;
    void SetStartupRowChecked(int row, bool checked);
    void SelectStartupRow(int row, bool selected = true);
    // What "Disable All" / "Enable All" will do next: true when it unchecks.
    bool AllChecked() const noexcept { return StartupAllChecked; }
    bool PanelShown() const noexcept { return StartupPanelShown; }

private:
    void SetupStartupList();
    void RemoveStartupRow(int row);
    // Clicks and the space bar on check boxes: the list holds no rows of its
    // own, so it cannot turn them itself.
    LRESULT OnStartupListInput(const ui::Subclass::Call& call);
    void RedrawStartupRow(int row);
    void ShowItemInfo(bool shown);

    PageHost& host_;
    MainMenus& menus_;
    bool StartupPanelShown = true;
    bool StartupAllChecked = true;
    ui::ImagePanel imgPanelS;
    ui::ImageButton btnSelectAll, btnDelete, btnApply;
    ui::SizePanel SizePanelSI;
    HWND tsStartupItems = nullptr;
    HWND lsvStartupList = nullptr;
    HWND grbItemInfo = nullptr, lblPublisher = nullptr, lblPublisherValue = nullptr;
    HWND lblVersion = nullptr, lblVersionValue = nullptr, lblDes = nullptr,
         lblDescription = nullptr;
    ui::Subclass startupListHook_;
    // One entry per row of lsvStartupList, in the same order, and its check
    // box. The list is owner-data: it asks for texts and check marks as it
    // paints, which is what keeps a list of thousands of entries quick to load.
    std::vector<startup::StartupEntry> startupRows_;
    std::vector<bool> startupChecked_;
    // Rows added by a load are no user selections.
    bool loadingStartup_ = false;
};

}  // namespace cx::app

#pragma once
// The main window's drop-down and right-click menus: what they hold, their
// texts and the check marks the actions give them. The window shows them; the
// pages switch the items of their own commands on and off.
#include <array>

#include "app/Actions.h"
#include "widgets/Controls.h"

namespace cx::app {

struct MainMenus {
    ui::PopupMenu pmFile, pmView, pmTools, pmHelp, pmPLRightClick, pmSLRightClick;
    ui::PopupMenu mItemLanguages, mItemView;  // submenus

    // Fills the menus with their items in the designed order and captions.
    void Create();
    // The captions of the language in use.
    void ApplyTexts();
    // Every item linked to an action shows the action's checked state.
    void ShowChecks(const std::array<ActionState, ActionCount>& actions);
    // The View menu's Icon/List/Report items and the right-click menu's
    // registry export belong to the program list: they show with its page only.
    void ShowProgramPageItems(bool shown);
};

}  // namespace cx::app

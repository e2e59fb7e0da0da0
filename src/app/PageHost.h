#pragma once
// What a page of the main window asks of the window around it: an owner for
// its dialogs and message boxes, the window's commands, and its menus. A page
// never reaches into the window or another page; the window routes to it.
#include <windows.h>

#include "app/Actions.h"

namespace cx::ui {
class PopupMenu;
}

namespace cx::app {

enum MouseButton : int { mbLeft = 0, mbRight = 1, mbMiddle = 2 };

class PageHost {
public:
    // The top-level window: the owner of every dialog and message box a page shows.
    virtual HWND Owner() const = 0;
    // Runs one of the window's commands, as its buttons, menus and keys do.
    virtual void Execute(Action action) = 0;
    virtual bool ActionChecked(Action action) const = 0;
    // Shows a menu at a point of the screen and runs the command chosen.
    virtual void ShowMenu(ui::PopupMenu& menu, POINT screen) = 0;

protected:
    ~PageHost() = default;
};

}  // namespace cx::app

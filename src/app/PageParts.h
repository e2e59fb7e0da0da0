#pragma once
// What the main window and its pages build their controls with: child windows
// of the designed bounds, and the skin's bounds and pictures applied to them.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "i18n/LangText.h"
#include "platform/Handles.h"
#include "skin/SkinSettings.h"
#include "widgets/Controls.h"
#include "widgets/Image.h"

namespace cx::app {

// A visible child window; b holds left, top, width and height. Throws when it
// cannot be made.
HWND MakeChild(const char* cls, const char* text, DWORD style, const RECT& b, HWND parent, int id,
               DWORD exStyle = 0);
HFONT MakeFont(const char* face, int points, bool underline = false);
void SetControlFont(HWND h, HFONT f);
// For our own controls, made without an id.
void SetControlId(HWND h, int id);

// The five skin keys of a button follow each other: bounds, normal, hover, down, disabled.
void SkinButton(ui::ImageButton& button, SkinKey pos);
void SkinButtonPictures(ui::ImageButton& button, SkinKey pos);
// The page buttons' pressed picture is stored in the skin but not applied.
void SkinPageButton(ui::ImageButton& button, SkinKey pos);
void SkinPanel(ui::ImagePanel& panel, SkinKey pos, SkinKey pic);
std::shared_ptr<ui::Image> SkinPicture(const std::string& fileName);
// Controls inside a group box sit on the panel at the group's origin plus
// their own bounds. Throws for a part that is not a number.
void SetBoundsInGroup(HWND control, const std::string& value, HWND group);

// A report column of a list view, and its caption in the language in use.
void AddColumn(HWND list, int index, const std::string& caption, int width);
void SetColumnText(HWND list, int index, Ids key);

// The brush that shows a side panel's picture behind one of its labels or check boxes.
LRESULT PanelBackground(ui::ImagePanel& panel, HDC dc, HWND control);

// The picture of a broken registration: a sheet crossed out in red, `size`
// pixels square; empty when it cannot be made. It is the program list's own:
// the system's picture lists are the shell's, and an entry added to some of
// them puts its others out of step.
unique_hicon MakeBrokenIcon(int size);

}  // namespace cx::app

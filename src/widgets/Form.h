#pragma once
// Base of the program's modal dialogs, built in code: a fixed-border popup with
// caption and close box, standard child controls in one font, and a modal loop
// of its own that gives Tab, Enter and Escape their dialog meaning.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "platform/Handles.h"
#include "widgets/Window.h"

namespace cx::ui {

class Form : public Window {
public:
    // Creates the window on first use (CreateForm), runs FormShow, places it,
    // disables the owner and runs a modal loop until EndModal; the owner is
    // enabled again and the window hidden (not destroyed) before returning.
    // Once the window is visible, RunModalHook(hwnd) lets tests drive it.
    // Returns the result given to EndModal; closing the window gives IDCANCEL,
    // and so does a WM_QUIT that arrives meanwhile (it is posted again for the
    // main loop). Errors of CreateForm and FormShow reach the caller.
    int ShowModal(HWND owner);
    // Ends the running modal loop with that result; ignored when none runs.
    void EndModal(int result);
    bool InModal() const noexcept { return modal_; }

protected:
    // Builds the window (CreateFormWindow) and its controls, hidden.
    virtual void CreateForm(HWND owner) = 0;
    // Called at every showing: the texts of the current language go on here.
    virtual void FormShow() {}
    // Where the window appears; the default centres it on the owner (on the
    // screen without one), kept inside the work area.
    virtual void PlaceForm(HWND owner);
    // WM_COMMAND from a control or Enter/Escape (IDOK, IDCANCEL). The default
    // ends the loop with IDCANCEL for IDCANCEL; return true when handled.
    virtual bool OnCommand(int id, int code, HWND control);
    virtual LRESULT OnNotify(int id, NMHDR* header);

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

    // Creates the form window with a client area of that size, hidden, owned by `owner`.
    void CreateFormWindow(HWND owner, const std::string& caption, int clientWidth,
                          int clientHeight);
    // Adds a child control with the form's font; throws when it cannot be created.
    HWND AddControl(const char* className, const std::string& text, DWORD style, int x, int y,
                    int width, int height, int id, DWORD exStyle = 0);
    // The button Enter presses (0: none).
    void SetDefaultButton(int id) { defaultId_ = id; }
    // The font of the form's controls (DEFAULT_GUI_FONT until one is set).
    HFONT FormFont() const noexcept;
    // Replaces the form's font: the family at that size in points.
    void SetFormFont(const char* face, int points, bool bold = false);
    // A font owned by the form, for single controls.
    HFONT MakeFont(const char* face, int points, bool bold);

    HWND Owner() const noexcept { return owner_; }
    void CentreOn(const RECT& area);

private:
    unique_hfont font_;
    std::vector<unique_hfont> extraFonts_;
    HWND owner_ = nullptr;
    bool modal_ = false;
    int result_ = 0;
    int defaultId_ = 0;
};

// The text of a window (a control's caption, an edit box's contents, a form's title).
void SetWindowString(HWND hwnd, const std::string& text);
std::string WindowString(HWND hwnd);

}  // namespace cx::ui

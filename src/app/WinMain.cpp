#include <windows.h>
#include <commctrl.h>

#include <exception>

#include "app/AppStart.h"
#include "widgets/Seam.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    // An error that escapes start-up ends the program with its text; errors in
    // message handlers never get here (the general error handler shows them).
    try {
        return cx::app::RunApplication(showCommand);
    } catch (const std::exception& e) {
        cx::ui::ShowMessage(nullptr, e.what(), "Application Error", MB_OK | MB_ICONERROR);
    } catch (...) {
        cx::ui::ShowMessage(nullptr, "Unknown error", "Application Error", MB_OK | MB_ICONERROR);
    }
    return 1;
}

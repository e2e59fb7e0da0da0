// Asks a window of another process to close, the ways other programs and the
// system do, then closes the dialog that was open meanwhile.
//   CloseRequest close   MAIN DIALOG [BUTTON]   WM_CLOSE (sent and posted),
//                                               SC_CLOSE, and a click on BUTTON
//   CloseRequest session MAIN DIALOG            the session's end
// Window handles are hexadecimal. Every request is made before the dialog's own
// WM_CLOSE is posted, so the receiver handles them while the dialog is still up.
// Exit code: 0 done; 2 bad arguments; 3 the session end was refused.
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {
HWND ParseWindow(const char* text) {
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(std::strtoul(text, nullptr, 16)));
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    HWND main = ParseWindow(argv[2]);
    HWND dialog = ParseWindow(argv[3]);
    int code = 0;
    if (std::strcmp(argv[1], "close") == 0) {
        SendMessageA(main, WM_CLOSE, 0, 0);
        SendMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
        PostMessageA(main, WM_CLOSE, 0, 0);
        if (argc > 4) {
            HWND button = ParseWindow(argv[4]);
            PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
            PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        }
    } else if (std::strcmp(argv[1], "session") == 0) {
        if (!SendMessageA(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF)) code = 3;
        SendMessageA(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    } else {
        return 2;
    }
    // Posted, so it arrives after what was posted above; a dialog that has gone
    // already ignores it.
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    return code;
}

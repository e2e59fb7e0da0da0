// Another program that sends a window messages it has no business sending:
//   ForeignSender <hwnd> <message> <wparam> <lparam> [<message> <wparam> <lparam> ...]
// Each is sent and awaited (SendMessage), so when this process has ended the
// window has handled every one of them. A message given as "uninstall-done" is
// the number the program registered for its own notification.
#include <windows.h>

#include <cstdlib>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc < 5) return 2;
    HWND target =
        reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(__argv[1], nullptr, 0)));
    for (int i = 2; i + 2 < __argc; i += 3) {
        UINT msg = std::string(__argv[i]) == "uninstall-done"
                       ? RegisterWindowMessageA(
                             "Carvexo.UninstallDone.5F0C8A4E-2B7D-4E31-9A60-1D3C7B8E4F21")
                       : static_cast<UINT>(std::strtoul(__argv[i], nullptr, 0));
        WPARAM wp = static_cast<WPARAM>(std::strtoull(__argv[i + 1], nullptr, 0));
        LPARAM lp = static_cast<LPARAM>(std::strtoull(__argv[i + 2], nullptr, 0));
        DWORD_PTR result = 0;
        // A window that crashed while handling one cannot answer: that is a failure too.
        if (!SendMessageTimeoutA(target, msg, wp, lp, SMTO_NORMAL, 60000, &result)) return 1;
    }
    return 0;
}

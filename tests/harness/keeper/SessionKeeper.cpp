// Holds the Wine session of a test run open. Wine starts its session processes
// (the service manager and its devices, the desktop) with the first program of
// a session and hands them that program's output; ctest then waits for them as
// if the test were still running. scripts/test starts this program first, with
// its output going nowhere, and ends it with the session.
//
//   SessionKeeper <readyFile>    writes <readyFile> once the session is up
#include <windows.h>
#include <shellapi.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The desktop process starts with the first look at the desktop window.
    GetDesktopWindow();
    if (SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT))
        CloseServiceHandle(manager);
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv && argc >= 2) {
        HANDLE ready = CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
    }
    LocalFree(argv);
    Sleep(INFINITE);
    return 0;
}

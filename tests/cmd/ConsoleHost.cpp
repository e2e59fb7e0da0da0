// Runs a command line in a console of its own, as a user at a console would,
// and presses Ctrl+C there once a named event is set:
//   ConsoleHost.exe <event> <program> [arguments...]
// Its own standard handles are handed on; its exit code is the command's.
// Wine delivers Ctrl+C only to every process of the console (group 0), so
// this host ignores it itself.
#include <windows.h>

#include <string>

namespace {
BOOL WINAPI Ignore(DWORD) { return TRUE; }
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 90;
    SetConsoleCtrlHandler(Ignore, TRUE);
    HANDLE press = OpenEventW(SYNCHRONIZE, FALSE, argv[1]);
    if (!press) return 91;
    // Each argument quoted again (none of the tests' holds a quote).
    std::wstring line;
    for (int i = 2; i < argc; ++i) line += (i > 2 ? L" \"" : L"\"") + std::wstring(argv[i]) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                        &pi))
        return 92;
    HANDLE both[] = {press, pi.hProcess};
    if (WaitForMultipleObjects(2, both, FALSE, INFINITE) == WAIT_OBJECT_0)
        GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 93;
    GetExitCodeProcess(pi.hProcess, &code);
    return static_cast<int>(code);
}

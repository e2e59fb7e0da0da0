// Stands in for regedit where a test must hold an export until it has seen
// something: waits for the named event "CxBackupExportGate" (never set: it
// waits until it is ended), then runs regedit with its own arguments.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    HANDLE gate = CreateEventW(nullptr, TRUE, FALSE, L"CxBackupExportGate");
    if (!gate) return 2;
    // Only a guard against a broken test: 10 minutes.
    if (WaitForSingleObject(gate, 600000) != WAIT_OBJECT_0) return 3;
    std::wstring line = GetCommandLineW();
    // The arguments: what follows the program's own (possibly quoted) name.
    size_t at = 0;
    if (!line.empty() && line[0] == L'"') {
        at = line.find(L'"', 1);
        at = at == std::wstring::npos ? line.size() : at + 1;
    } else {
        at = line.find(L' ');
        if (at == std::wstring::npos) at = line.size();
    }
    std::wstring command = L"regedit.exe" + line.substr(at);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return 4;
    WaitForSingleObject(pi.hProcess, 600000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 0;
}

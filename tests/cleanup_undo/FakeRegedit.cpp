// Stands in for regedit: an export ("/e <file> <key>") that writes a key other
// than the one it was asked for, as a tampered or broken tool might.
#include <windows.h>
#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 4 || lstrcmpiW(argv[1], L"/e") != 0) return 1;
    const wchar_t text[] =
        L"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n"
        L"[HKEY_LOCAL_MACHINE\\Software\\Elsewhere]\r\n\"a\"=\"b\"\r\n";
    HANDLE f = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 1;
    DWORD n = 0;
    WriteFile(f, text, sizeof text - sizeof(wchar_t), &n, nullptr);
    CloseHandle(f);
    return 0;
}

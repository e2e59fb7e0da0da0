// Stands in for regedit in an export ("/e <file> <key>"), as a tampered or
// broken tool might. By CX_FAKE_REGEDIT: unset, it writes a key other than the
// one it was asked for; "fail", the real export, then an exit code that says
// it failed; "alter", the real export with the first DWORD's data changed.
// In an import ("/s <file>") with CX_FAKE_REGEDIT "swap" and
// CX_FAKE_REGEDIT_SWAP "<from>|<to>": copies <from> over <to>, as someone
// could between a restore's check and regedit's read, then imports <file>.
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

bool WriteAll(const wchar_t* path, const void* data, DWORD size) {
    HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    BOOL ok = WriteFile(f, data, size, &n, nullptr);
    CloseHandle(f);
    return ok && n == size;
}

bool RealRegedit(const std::wstring& arguments) {
    wchar_t dir[MAX_PATH];
    GetWindowsDirectoryW(dir, MAX_PATH);
    const std::wstring exe = std::wstring(dir) + L"\\regedit.exe";
    std::wstring line = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return false;
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

bool RealExport(const wchar_t* file, const wchar_t* key) {
    return RealRegedit(L"/e \"" + std::wstring(file) + L"\" \"" + key + L"\"");
}

bool AlterFirstDword(const wchar_t* file) {
    HANDLE f = CreateFileW(file, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    std::wstring text(f == INVALID_HANDLE_VALUE ? 0 : GetFileSize(f, nullptr) / 2, L'\0');
    DWORD n = 0;
    ReadFile(f, text.data(), static_cast<DWORD>(text.size() * 2), &n, nullptr);
    CloseHandle(f);
    size_t at = text.find(L"=dword:");
    if (at == std::wstring::npos) return false;
    text[at + 14] = text[at + 14] == L'0' ? L'1' : L'0';
    return WriteAll(file, text.data(), static_cast<DWORD>(text.size() * 2));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    wchar_t mode[16] = L"";
    GetEnvironmentVariableW(L"CX_FAKE_REGEDIT", mode, 16);
    if (argv && argc == 3 && lstrcmpiW(argv[1], L"/s") == 0 && lstrcmpW(mode, L"swap") == 0) {
        wchar_t swap[2 * MAX_PATH] = L"";
        GetEnvironmentVariableW(L"CX_FAKE_REGEDIT_SWAP", swap, 2 * MAX_PATH);
        const std::wstring both = swap;
        const size_t bar = both.find(L'|');
        if (bar == std::wstring::npos ||
            !CopyFileW(both.substr(0, bar).c_str(), both.substr(bar + 1).c_str(), FALSE))
            return 1;
        return RealRegedit(L"/s \"" + std::wstring(argv[2]) + L"\"") ? 0 : 1;
    }
    if (!argv || argc < 4 || lstrcmpiW(argv[1], L"/e") != 0) return 1;
    if (lstrcmpW(mode, L"fail") == 0) return RealExport(argv[2], argv[3]) ? 3 : 1;
    if (lstrcmpW(mode, L"alter") == 0)
        return RealExport(argv[2], argv[3]) && AlterFirstDword(argv[2]) ? 0 : 1;
    const wchar_t text[] =
        L"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n"
        L"[HKEY_LOCAL_MACHINE\\Software\\Elsewhere]\r\n\"a\"=\"b\"\r\n";
    return WriteAll(argv[2], text, sizeof text - sizeof(wchar_t)) ? 0 : 1;
}

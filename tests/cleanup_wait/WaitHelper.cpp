// Stand-ins for the ways uninstallers end, for the wait tests:
//
//   WaitHelper exit                        ends at once, starts nothing
//   WaitHelper sleep <ms> [<marker>]       sleeps, then writes its tick count to <marker>
//   WaitHelper parent <childMs> <marker> <pidFile>
//                                          starts "sleep <childMs> <marker>", ends at once
//   WaitHelper keep <ms> <childMs> <pidFile>
//                                          starts "sleep <childMs>", ends after <ms>
//
// The child's id goes to <pidFile> so the test can look at (and end) it.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Args() {
    int argc = 0;
    LPWSTR* argvW = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 1; argvW && i < argc; ++i) {
        char buf[MAX_PATH * 2] = {};
        WideCharToMultiByte(CP_ACP, 0, argvW[i], -1, buf, sizeof buf, nullptr, nullptr);
        args.emplace_back(buf);
    }
    LocalFree(argvW);
    return args;
}

void WriteText(const std::string& path, const std::string& text) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(f);
}

DWORD StartChild(const std::string& args, const std::string& pidFile) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string cmd = "\"" + std::string(self) + "\" " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return 0;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    WriteText(pidFile, std::to_string(pi.dwProcessId));
    return pi.dwProcessId;
}

DWORD Ms(const std::string& s) { return static_cast<DWORD>(std::strtoul(s.c_str(), nullptr, 10)); }

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::vector<std::string> a = Args();
    if (a.empty()) return 2;
    if (a[0] == "exit") return 0;
    if (a[0] == "sleep" && a.size() >= 2) {
        Sleep(Ms(a[1]));
        if (a.size() >= 3) WriteText(a[2], std::to_string(GetTickCount()));
        return 0;
    }
    if (a[0] == "parent" && a.size() == 4)
        return StartChild("sleep " + a[1] + " \"" + a[2] + "\"", a[3]) ? 0 : 1;
    if (a[0] == "keep" && a.size() == 4) {
        if (!StartChild("sleep " + a[2], a[3])) return 1;
        Sleep(Ms(a[1]));
        return 0;
    }
    return 2;
}

// Stand-ins for the ways uninstallers end, for the wait tests:
//
//   WaitHelper exit                        ends at once, starts nothing
//   WaitHelper sleep <ms> [<marker>]       sleeps, then writes its tick count to <marker>
//   WaitHelper await <event> [<marker>]    writes "waiting" to <marker>, waits until the
//                                          test sets the named event, writes "ended", ends
//   WaitHelper parent <event> <marker> <pidFile>
//                                          starts "await <event> <marker>", ends at once
//   WaitHelper keep <event> <childEvent> <pidFile>
//                                          starts "await <childEvent>", ends when <event> is set
//   WaitHelper handover <event> <childEvent> <pidFile>
//                                          as keep, but the child is a copy of itself in a
//                                          folder of its own below %TEMP%, as uninstallers do
//
// Copied under any other name (planted as a system tool where a program
// started by bare name would be found), it writes its command line to
// "<its own path>.ran" and ends.
//
// The child's id goes to <pidFile> so the test can look at (and end) it. The
// test makes the events (manual reset) before it starts the helper, so every
// end is an order the test chose, not a time.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <cstring>
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

DWORD StartChild(const std::string& args, const std::string& pidFile,
                 const std::string& program = {}) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string cmd = "\"" + (program.empty() ? std::string(self) : program) + "\" " + args;
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

// Waits for the test's event; false when there is no such event.
bool Await(const std::string& name) {
    HANDLE e = OpenEventA(SYNCHRONIZE, FALSE, name.c_str());
    if (!e) return false;
    const bool set = WaitForSingleObject(e, INFINITE) == WAIT_OBJECT_0;
    CloseHandle(e);
    return set;
}

DWORD Ms(const std::string& s) { return static_cast<DWORD>(std::strtoul(s.c_str(), nullptr, 10)); }

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const char* name = std::strrchr(self, '\\');
    if (lstrcmpiA(name ? name + 1 : self, "WaitHelper.exe") != 0) {
        WriteText(std::string(self) + ".ran", GetCommandLineA());
        return 0;
    }
    const std::vector<std::string> a = Args();
    if (a.empty()) return 2;
    if (a[0] == "exit") return 0;
    if (a[0] == "sleep" && a.size() >= 2) {
        Sleep(Ms(a[1]));
        if (a.size() >= 3) WriteText(a[2], std::to_string(GetTickCount()));
        return 0;
    }
    if (a[0] == "await" && a.size() >= 2) {
        if (a.size() >= 3) WriteText(a[2], "waiting");
        if (!Await(a[1])) return 1;
        if (a.size() >= 3) WriteText(a[2], "ended");
        return 0;
    }
    if (a[0] == "parent" && a.size() == 4)
        return StartChild("await " + a[1] + " \"" + a[2] + "\"", a[3]) ? 0 : 1;
    if (a[0] == "keep" && a.size() == 4) {
        if (!StartChild("await " + a[2], a[3])) return 1;
        return Await(a[1]) ? 0 : 1;
    }
    if (a[0] == "handover" && a.size() == 4) {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        const std::string dir =
            std::string(temp) + "cx-handover-" + std::to_string(GetCurrentProcessId());
        const std::string copy = dir + "\\WaitHelper.exe";
        if (!CreateDirectoryA(dir.c_str(), nullptr) || !CopyFileA(self, copy.c_str(), FALSE))
            return 1;
        if (!StartChild("await " + a[2], a[3], copy)) return 1;
        return Await(a[1]) ? 0 : 1;
    }
    return 2;
}

#include "harness/Windows.h"

#include <stdexcept>

#include "platform/Error.h"

namespace cx::test {

Launched::~Launched() {
    if (process) {
        if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) TerminateProcess(process, 1);
        CloseHandle(process);
    }
}

void Launch(const std::string& commandLine, Launched& out, const std::string& workDir) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string cmd = commandLine;
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workDir.empty() ? nullptr : workDir.c_str(), &si, &pi))
        throw std::runtime_error("cannot start " + commandLine + ": " +
                                 SysErrorMessage(GetLastError()));
    CloseHandle(pi.hThread);
    out.process = pi.hProcess;
    out.pid = pi.dwProcessId;
}

namespace {
struct FindState {
    DWORD pid;
    const std::string* cls;
    HWND found;
};
BOOL CALLBACK FindTop(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<FindState*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != s->pid || !IsWindowVisible(hwnd)) return TRUE;
    char cls[256];
    GetClassNameA(hwnd, cls, sizeof cls);
    if (*s->cls == cls) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND WaitForWindow(DWORD pid, const std::string& className, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    do {
        FindState s{pid, &className, nullptr};
        EnumWindows(FindTop, reinterpret_cast<LPARAM>(&s));
        if (s.found) return s.found;
        Sleep(100);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

std::string WindowText(HWND hwnd) {
    char buf[4096] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf),
                             SMTO_ABORTIFHUNG, 5000, &copied))
        return {};
    return std::string(buf, copied < sizeof buf ? copied : sizeof buf - 1);
}

std::vector<std::string> StaticTexts(HWND dialog) {
    std::vector<std::string> texts;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[64];
        GetClassNameA(c, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") == 0) {
            std::string t = WindowText(c);
            if (!t.empty()) texts.push_back(t);
        }
    }
    return texts;
}

HWND FindChildByText(HWND parent, const std::string& className, const std::string& text) {
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[64];
        GetClassNameA(c, cls, sizeof cls);
        if (lstrcmpiA(cls, className.c_str()) == 0 && WindowText(c) == text) return c;
    }
    return nullptr;
}

bool WaitForExit(HANDLE process, DWORD timeoutMs, DWORD* code) {
    if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) return false;
    if (code) GetExitCodeProcess(process, code);
    return true;
}

namespace {
BOOL CALLBACK CountProperty(HWND, LPSTR, HANDLE, ULONG_PTR count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}
}  // namespace

int WindowPropertyCount(HWND hwnd) {
    int n = 0;
    EnumPropsExA(hwnd, &CountProperty, reinterpret_cast<LPARAM>(&n));
    return n;
}

namespace {
struct ControlSearch {
    int id;
    HWND found;
};
BOOL CALLBACK MatchControl(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<ControlSearch*>(lp);
    if (GetDlgCtrlID(h) != s->id) return TRUE;
    s->found = h;
    return FALSE;
}
}  // namespace

HWND Control(HWND top, int id) {
    ControlSearch search{id, nullptr};
    EnumChildWindows(top, MatchControl, reinterpret_cast<LPARAM>(&search));
    if (!search.found) throw std::runtime_error("no control with id " + std::to_string(id));
    return search.found;
}

std::string ControlText(HWND top, int id) { return WindowText(Control(top, id)); }

}  // namespace cx::test

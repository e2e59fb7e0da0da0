// The uninstaller of every seeded program. It behaves like a small real one:
//
//   unins000.exe /key "KeyName" /hive HKLM|HKCU [/silent] [/handover] [/cancel]
//
// It removes the program's executables, libraries and documents from its own
// folder (top level only), deletes the program's uninstall key and appends what
// it did to uninstall.log in that folder. Settings files, dot-files, subfolders
// and every registry key outside the uninstall entry stay behind, as they do
// after many real uninstallers. It never asks anything; unless /silent is given
// it shows a small progress window that closes by itself.
//
// /handover makes it behave like uninstallers that cannot delete their own
// executable: it copies itself to the temp folder, starts the copy as a child
// with /child /dir "<folder>", and ends at once. The child waits a moment (the
// starter has long gone by then), does the work, and ends.
//
// /cancel makes it behave like an uninstaller whose user pressed Cancel: it
// ends at once with exit code 4, having changed nothing.
//
// Exit codes: 0 done, 2 bad command line, 3 no such uninstall entry, 4 cancelled,
// 1 other errors.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Registry.h"
#include "platform/Strings.h"

namespace {

using namespace cx;

constexpr const char* kUninstallPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr const char* kLogName = "uninstall.log";
constexpr DWORD kProgressMs = 800;
constexpr DWORD kChildDelayMs = 1500;

struct Options {
    std::string key;
    std::string hive = "HKLM";
    std::string dir;  // the program folder; default: the folder of this executable
    bool silent = false;
    bool handOver = false;
    bool child = false;
    bool cancel = false;
    DWORD delayMs = kChildDelayMs;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

Options ParseCommandLine() {
    int argc = 0;
    LPWSTR* argvW = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argvW) throw UsageError("unreadable command line");
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(WideToAnsi(argvW[i]));
    LocalFree(argvW);

    Options o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string sw = Lower(args[i]);
        auto next = [&]() -> std::string {
            if (i + 1 >= args.size()) throw UsageError(sw + " needs a value");
            return args[++i];
        };
        if (sw == "/key")
            o.key = next();
        else if (sw == "/hive")
            o.hive = next();
        else if (sw == "/dir")
            o.dir = next();
        else if (sw == "/delay") {
            const std::string ms = next();
            char* end = nullptr;
            o.delayMs = static_cast<DWORD>(std::strtoul(ms.c_str(), &end, 10));
            if (ms.empty() || *end) throw UsageError("bad /delay");
        } else if (sw == "/silent")
            o.silent = true;
        else if (sw == "/handover")
            o.handOver = true;
        else if (sw == "/child")
            o.child = true;
        else if (sw == "/cancel")
            o.cancel = true;
        else
            throw UsageError("unknown switch " + args[i]);
    }
    if (o.key.empty() || o.key.find('\\') != std::string::npos) throw UsageError("bad /key");
    if (!EqualsNoCase(o.hive, "HKLM") && !EqualsNoCase(o.hive, "HKCU"))
        throw UsageError("bad /hive");
    return o;
}

HKEY HiveRoot(const Options& o) {
    return EqualsNoCase(o.hive, "HKLM") ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// One argument in the form CommandLineToArgvW splits back into the same text.
std::string QuoteArg(const std::string& arg) {
    std::string out = "\"";
    size_t slashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        out.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
        slashes = 0;
        out.push_back(c);
    }
    out.append(slashes * 2, '\\');
    out.push_back('"');
    return out;
}

// --- the progress window ----------------------------------------------------

struct Progress {
    std::string text;
    DWORD start = 0;
    DWORD duration = kProgressMs;
};

LRESULT CALLBACK ProgressProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    try {
        auto* state = reinterpret_cast<Progress*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        switch (msg) {
        case WM_NCCREATE: {
            auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
            break;
        }
        case WM_TIMER:
            InvalidateRect(hwnd, nullptr, FALSE);
            if (state && GetTickCount() - state->start >= state->duration) DestroyWindow(hwnd);
            return 0;
        case WM_PAINT: {
            paint_dc dc(hwnd);
            RECT rc;
            GetClientRect(hwnd, &rc);
            FillRect(dc.get(), &rc, GetSysColorBrush(COLOR_BTNFACE));
            if (!state) return 0;
            RECT textRc{12, 10, rc.right - 12, 34};
            SetBkMode(dc.get(), TRANSPARENT);
            DrawTextA(dc.get(), state->text.c_str(), -1, &textRc,
                      DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
            RECT bar{12, 44, rc.right - 12, 62};
            FrameRect(dc.get(), &bar, GetSysColorBrush(COLOR_BTNSHADOW));
            const DWORD elapsed = std::min(GetTickCount() - state->start, state->duration);
            RECT done = bar;
            InflateRect(&done, -2, -2);
            done.right = done.left + MulDiv(done.right - done.left, static_cast<int>(elapsed),
                                            static_cast<int>(std::max<DWORD>(state->duration, 1)));
            FillRect(dc.get(), &done, GetSysColorBrush(COLOR_HIGHLIGHT));
            return 0;
        }
        case WM_CLOSE: return 0;  // it closes itself when the time is up
        case WM_DESTROY: PostQuitMessage(0); return 0;
        }
        return DefWindowProcA(hwnd, msg, wp, lp);
    } catch (...) {
        return 0;
    }
}

// Shows the window for `duration` ms; without a desktop it only waits.
void ShowProgress(const std::string& text, DWORD duration) {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = ProgressProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursor(nullptr, IDC_WAIT);
    wc.lpszClassName = "CxSampleUninstallProgress";
    RegisterClassA(&wc);
    Progress state{text, GetTickCount(), duration};
    const int w = 380, h = 110;
    HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "Uninstall", WS_POPUP | WS_CAPTION,
                                (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                                (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h, nullptr, nullptr,
                                inst, &state);
    if (!hwnd) {
        Sleep(duration);
        return;
    }
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    SetTimer(hwnd, 1, 40, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// --- the work ------------------------------------------------------------

bool RemovedByRule(const std::string& name) {
    const std::string lower = Lower(name);
    size_t dot = lower.rfind('.');
    if (dot == std::string::npos || dot == 0) return false;  // dot-files are settings
    const std::string ext = lower.substr(dot);
    return ext == ".exe" || ext == ".dll" || ext == ".chm" || ext == ".txt";
}

// The folder must be a program folder: not a drive root, not the Windows or
// system folder itself (a copy placed there must not empty them).
bool IsSafeTarget(const std::string& dir) {
    const std::string d = Lower(IncludeTrailingBackslash(dir));
    if (d.size() <= 3) return false;
    for (const std::string& banned : {IncludeTrailingBackslash(WindowsDirectory()),
                                      IncludeTrailingBackslash(SystemDirectory())})
        if (d == Lower(banned)) return false;
    return DirectoryExists(d);
}

void AppendLog(const std::string& dir, const std::vector<std::string>& lines) {
    unique_hfile f(CreateFileA((dir + kLogName).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return;
    SYSTEMTIME st;
    GetLocalTime(&st);
    std::string text = Format("[%04u-%02u-%02u %02u:%02u:%02u]\r\n", st.wYear, st.wMonth, st.wDay,
                              st.wHour, st.wMinute, st.wSecond);
    for (const auto& line : lines) text += line + "\r\n";
    DWORD written = 0;
    WriteFile(f.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

int Uninstall(const Options& o) {
    const std::string keyPath = kUninstallPath + o.key;
    auto entry = reg::Key::Open(HiveRoot(o), keyPath, KEY_READ);
    if (!entry) return 3;
    std::string name = entry->GetString("DisplayName").value_or(o.key);
    entry.reset();

    if (!o.silent)
        ShowProgress("Removing " + name + "...", o.child ? o.delayMs : kProgressMs);
    else if (o.child)
        Sleep(o.delayMs);

    const std::string dir = IncludeTrailingBackslash(o.dir.empty() ? ExeDirectory() : o.dir);
    const std::string self = Lower(ModuleFileName());
    const bool safe = IsSafeTarget(dir);
    std::vector<std::string> log{"Uninstalling " + name};
    if (safe) {
        ForEachFolderEntry(AnsiToWide(dir), [&](const WIN32_FIND_DATAW& fd) {
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return true;
            const std::string name = WideToAnsi(fd.cFileName);
            const std::string path = dir + name;
            if (Lower(path) == self || !RemovedByRule(name)) return true;
            const std::wstring wide = AnsiToWide(dir) + fd.cFileName;
            SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
            log.push_back((DeleteFileW(wide.c_str()) ? "Deleted file: " : "Could not delete: ") +
                          path);
            return true;
        });
    }
    const bool keyGone = reg::DeleteTree(HiveRoot(o), keyPath);
    log.push_back((keyGone ? "Deleted key: " : "Could not delete key: ") + o.hive + "\\" + keyPath);
    if (safe) AppendLog(dir, log);
    return keyGone ? 0 : 1;
}

// Copies this executable to the temp folder and starts the copy on the work.
int HandOver(const Options& o) {
    char temp[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH) ThrowLastError();
    const std::string copy =
        IncludeTrailingBackslash(temp) + Format("~cxunins%lu.exe", GetCurrentProcessId());
    if (!CopyFileA(ModuleFileName().c_str(), copy.c_str(), FALSE)) ThrowLastError();

    std::string dir = o.dir.empty() ? ExeDirectory() : o.dir;
    while (dir.size() > 3 && dir.back() == '\\') dir.pop_back();
    std::string cmd = QuoteArg(copy) + " /child /key " + QuoteArg(o.key) + " /hive " + o.hive +
                      " /dir " + QuoteArg(dir) + Format(" /delay %lu", o.delayMs);
    if (o.silent) cmd += " /silent";

    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        ThrowLastError();
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        const Options o = ParseCommandLine();
        if (o.cancel) return 4;
        if (o.handOver && !o.child) return HandOver(o);
        return Uninstall(o);
    } catch (const UsageError&) {
        return 2;
    } catch (...) {
        return 1;
    }
}

#include "platform/ShellRun.h"

#include <shellapi.h>

#include "platform/Error.h"
#include "platform/Strings.h"

namespace cx {

namespace {

template <typename String>
bool Absolute(const String& p) {
    using Char = typename String::value_type;
    auto separator = [](Char c) { return c == Char('\\') || c == Char('/'); };
    auto letter = [](Char c) {
        return (c >= Char('A') && c <= Char('Z')) || (c >= Char('a') && c <= Char('z'));
    };
    if (p.size() >= 3 && letter(p[0]) && p[1] == Char(':') && separator(p[2])) return true;
    return p.size() >= 3 && separator(p[0]) && separator(p[1]) && !separator(p[2]);
}

// A system folder as the W function gives it, without a trailing "\".
std::wstring SystemFolder(UINT(WINAPI* get)(LPWSTR, UINT)) {
    wchar_t buf[MAX_PATH];
    const UINT n = get(buf, MAX_PATH);
    if (n == 0) ThrowLastError();
    if (n >= MAX_PATH) throw AppError("The path of a system folder is too long.");
    std::wstring out(buf, n);
    while (!out.empty() && out.back() == L'\\') out.pop_back();
    if (!Absolute(out)) throw AppError("The system folder is not a full path: " + WideToAnsi(out));
    return out;
}

template <typename String>
String Quote(const String& arg) {
    using Char = typename String::value_type;
    String out(1, Char('"'));
    size_t slashes = 0;
    for (Char c : arg) {
        if (c == Char('\\')) {
            ++slashes;
            continue;
        }
        out.append(c == Char('"') ? slashes * 2 + 1 : slashes, Char('\\'));
        slashes = 0;
        out.push_back(c);
    }
    out.append(slashes * 2, Char('\\'));
    out.push_back(Char('"'));
    return out;
}

}  // namespace

std::string QuoteArgument(const std::string& arg) { return Quote(arg); }
std::wstring QuoteArgument(const std::wstring& arg) { return Quote(arg); }

bool IsAbsolutePath(const std::wstring& path) { return Absolute(path); }
bool IsAbsolutePath(const std::string& path) { return Absolute(path); }

std::wstring SystemToolPath(SystemTool tool) {
    switch (tool) {
    // The shared Windows folder: on a terminal server GetWindowsDirectory may
    // answer a program a private one of the user's, which the user can write to.
    case SystemTool::Regedit: return SystemFolder(GetSystemWindowsDirectoryW) + L"\\regedit.exe";
    case SystemTool::Control: return SystemFolder(GetSystemDirectoryW) + L"\\control.exe";
    case SystemTool::Mmc: return SystemFolder(GetSystemDirectoryW) + L"\\mmc.exe";
    case SystemTool::ServicesConsole: return SystemFolder(GetSystemDirectoryW) + L"\\services.msc";
    }
    throw AppError("No such system tool.");
}

unique_handle StartWithShell(const std::wstring& program, const std::wstring& parameters) {
    if (!IsAbsolutePath(program)) return unique_handle();
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = L"open";
    info.lpFile = program.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_SHOW;
    if (!ShellExecuteExW(&info)) return unique_handle();
    return unique_handle(info.hProcess);
}

std::optional<DWORD> RunWithShellAndWait(const std::wstring& program,
                                         const std::wstring& parameters, DWORD timeLimitMs,
                                         const std::function<void()>& pump) {
    unique_handle process = StartWithShell(program, parameters);
    if (!process) return std::nullopt;
    const DWORD started = GetTickCount();
    for (;;) {
        const DWORD spent = GetTickCount() - started;
        const DWORD left = spent >= timeLimitMs ? 0 : timeLimitMs - spent;
        HANDLE h = process.get();
        DWORD got = pump ? MsgWaitForMultipleObjects(1, &h, FALSE, left, QS_ALLINPUT)
                         : WaitForSingleObject(h, left);
        if (got == WAIT_OBJECT_0) break;
        if (pump && got == WAIT_OBJECT_0 + 1) {
            pump();
            continue;
        }
        // Timed out or the wait itself failed: no tool of ours outlives its call.
        TerminateProcess(h, 1);
        WaitForSingleObject(h, 5000);
        return std::nullopt;
    }
    DWORD code = 1;
    if (!GetExitCodeProcess(process.get(), &code)) return std::nullopt;
    return code;
}

}  // namespace cx

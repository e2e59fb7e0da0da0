#include "platform/ShellRun.h"

#include <shellapi.h>

namespace cx {

namespace {

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

unique_handle StartWithShell(const std::wstring& program, const std::wstring& parameters) {
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

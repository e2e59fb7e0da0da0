#pragma once
// Starting a system tool the way the shell would and waiting for it, for the
// features that hand work to regedit and must know when it is done.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "platform/Handles.h"

namespace cx {

// One argument in double quotes as the command-line parser reads it back: a
// quote inside is escaped with a backslash, and backslashes before a quote (or
// before the closing one) are doubled. Key names and file names may hold quotes.
std::string QuoteArgument(const std::string& arg);
std::wstring QuoteArgument(const std::wstring& arg);

// The system tools the program starts. Each is started by its full path: a
// bare name is looked up in the current folder (and the program's) before the
// system's, and anyone who can write there can put a program of that name.
enum class SystemTool {
    Regedit,          // <Windows folder>\regedit.exe
    Control,          // <system folder>\control.exe
    Mmc,              // <system folder>\mmc.exe
    ServicesConsole,  // <system folder>\services.msc, a document for mmc
};
// Its full path. Throws AppError when the system does not tell its folders.
std::wstring SystemToolPath(SystemTool tool);

// A path that names the same file whatever folder is current: a drive path
// ("C:\..." or "C:/...") or a UNC path ("\\server\share\...", "\\?\C:\...").
// "x.reg", "C:x.reg" and "\x.reg" are relative to the current folder or drive.
bool IsAbsolutePath(const std::wstring& path);
bool IsAbsolutePath(const std::string& path);

// Starts `program` (a full path: anything else is never started) with
// `parameters` through ShellExecuteExW ("open", SW_SHOW) and keeps its
// process; empty when nothing could be started.
unique_handle StartWithShell(const std::wstring& program, const std::wstring& parameters);

// StartWithShell, then waits for the process to end. `pump`, when set, runs
// whenever messages arrive for this thread meanwhile. A process still running
// after `timeLimitMs` is ended. Its exit code; empty when it could not be
// started or had to be ended.
std::optional<DWORD> RunWithShellAndWait(const std::wstring& program,
                                         const std::wstring& parameters, DWORD timeLimitMs,
                                         const std::function<void()>& pump = {});

}  // namespace cx

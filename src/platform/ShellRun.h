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

// Starts `program` with `parameters` through ShellExecuteExW ("open", SW_SHOW)
// and keeps its process; empty when nothing could be started.
unique_handle StartWithShell(const std::wstring& program, const std::wstring& parameters);

// StartWithShell, then waits for the process to end. `pump`, when set, runs
// whenever messages arrive for this thread meanwhile. A process still running
// after `timeLimitMs` is ended. Its exit code; empty when it could not be
// started or had to be ended.
std::optional<DWORD> RunWithShellAndWait(const std::wstring& program,
                                         const std::wstring& parameters, DWORD timeLimitMs,
                                         const std::function<void()>& pump = {});

}  // namespace cx

#pragma once
// The commands of CarvexoCmd.exe, each the same road the window takes through
// the feature libraries: the inventory service for the list, the details and
// the report, regedit for exports and backups, the waiting uninstall and the
// remains scan and removal, the startup store.
#include <functional>
#include <optional>
#include <string>

#include "cleanup/UninstallFlow.h"
#include "cmd/CmdArgs.h"

namespace cx::cmd {

// Where a command writes (ANSI texts; the console converts them) and how it
// asks a question: the line typed, or nothing at the end of the input.
struct Console {
    std::function<void(const std::string&)> out;
    std::function<void(const std::string&)> err;
    std::function<std::optional<std::string>(const std::string& prompt)> ask;
};

// `appDir`: the folder of the program (ending in "\"), where the backups live.
// Returns the exit code. Throws AppError on failures the command does not
// report itself; the caller prints it and exits with kExitFailed.
int RunCommand(const Invocation& invocation, const std::string& appDir, Console& console);

// What the scan after an uninstaller found, with what it was judged by.
using FoundRemains = cleanup::FoundRemains;
// The end of `uninstall`: lists the remains and, with --remains remove, removes
// the checked ones, keeping the undo backup below `appDir` and judging the
// install folder again by found.appDir and found.otherPrograms; the exit code.
// On its own so a test can hand in a scan that ended in any way a scan can end.
int ReportRemains(const Invocation& args, const std::string& appDir, FoundRemains& found,
                  Console& console);

// The process-tree wait of an uninstaller or a setup on a thread of its own,
// given up after `limitMs` (INFINITE: never); what is still running then is
// left alone: it is the user's, who may still be answering it.
cleanup::WaitEnd AwaitUninstaller(const std::string& command, DWORD limitMs);

// The full path of a file or folder the user named (relative to the current folder).
std::wstring FullPath(const std::string& given);

// watch and trace (CmdWatch.cpp).
int RunWatch(const Invocation& args, const std::string& appDir, Console& console);
int RunTrace(const Invocation& args, const std::string& appDir, Console& console);

}  // namespace cx::cmd

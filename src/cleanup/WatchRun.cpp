#include "cleanup/WatchRun.h"

#include <windows.h>

#include "cleanup/UninstallFlow.h"
#include "cleanup/UninstallHistory.h"
#include "platform/Error.h"
#include "platform/ShellRun.h"
#include "platform/Strings.h"

namespace cx::cleanup {

namespace {

std::string Quoted(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    return QuoteArgument(arg);
}

}  // namespace

std::string WatchCommand(const std::wstring& setup, const std::vector<std::string>& arguments) {
    const std::string text = WideToAnsi(setup);
    if (!IsAbsolutePath(setup)) throw AppError("Not a full path to a setup program: " + text);
    // The command runs by its 8-bit text: a name the code page lacks would
    // come out as another name, maybe another program's.
    if (!IsAnsiFaithful(setup))
        throw AppError(
            "The setup's path holds characters this system's code page cannot "
            "carry; move it to a plain folder name: " +
            text);
    const DWORD a = GetFileAttributesW(setup.c_str());
    if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY))
        throw AppError("There is no setup program " + text);
    std::string command;
    if (setup.size() > 4 && _wcsicmp(setup.c_str() + setup.size() - 4, L".msi") == 0)
        command = QuoteArgument(SystemMsiExec()) + " /i " + QuoteArgument(text);
    else
        command = QuoteArgument(text);
    for (const std::string& arg : arguments) command += " " + Quoted(arg);
    return command;
}

SnapshotSkip SkipOf(const NoiseFilter& noise) {
    SnapshotSkip skip;
    skip.key = [&noise](RegHive hive, std::wstring_view path) {
        return noise.IsNoiseKey(hive, path);
    };
    skip.folder = [&noise](std::wstring_view path) { return noise.IsNoiseFile(path); };
    return skip;
}

WatchSession::WatchSession(std::wstring appDir, std::wstring setupCommand)
    : appDir_(std::move(appDir)),
      command_(std::move(setupCommand)),
      places_(CurrentWatchPlaces()),
      noise_(NoiseFilter::ForThisMachine(appDir_)) {}

void WatchSession::Before(SnapshotProgress& progress) {
    before_ = TakeSnapshot(places_, SkipOf(noise_), progress);
}

WatchTrace WatchSession::After(SnapshotProgress& progress) {
    const Snapshot after = TakeSnapshot(places_, SkipOf(noise_), progress);
    secondItems_ = after.keys.size() + after.files.size();
    WatchTrace trace = TraceOf(before_, after, noise_);
    trace.setup = command_;
    trace.date = HistoryDate();
    return trace;
}

std::wstring WatchSession::Keep(const WatchTrace& trace) const {
    return WriteTrace(UserTraceRoot(appDir_), trace);
}

}  // namespace cx::cleanup

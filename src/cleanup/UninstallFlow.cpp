#include "cleanup/UninstallFlow.h"

#include "cleanup/UninstallHistory.h"

#include <utility>

#include "cleanup/BrokenEntry.h"
#include "cleanup/EvidenceScan.h"
#include "cleanup/Rejudge.h"
#include "cleanup/UninstallEntry.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Strings.h"

namespace cx::cleanup {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string SystemMsiExec() {
    wchar_t folder[MAX_PATH];
    const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) ThrowLastError();
    return WideToAnsi(std::wstring(folder, n)) + "\\msiexec.exe";
}

namespace {

// `command` with a program named "msiexec" or "msiexec.exe" alone (quoted or
// not) named by the system's full path instead; anything else as it is.
std::string WithSystemMsiExec(const std::string& command) {
    const std::string program = SplitCommand(command).program;
    if (!EqualsNoCase(program, "msiexec") && !EqualsNoCase(program, "msiexec.exe")) return command;
    size_t start = 0;
    while (start < command.size() && IsBlank(command[start])) ++start;
    const size_t end =
        command[start] == '"' ? command.find('"', start + 1) + 1 : start + program.size();
    std::string rest = command.substr(end);
    // "MsiExec.exe/X{...}": the switch must not run on into the quoted name.
    if (!rest.empty() && !IsBlank(rest.front())) rest.insert(0, " ");
    return "\"" + SystemMsiExec() + "\"" + rest;
}

}  // namespace

bool UninstallRun::HasCommand() const { return !TrimControl(command).empty(); }

std::string UninstallCommandFor(const ListedProgram& t, const std::string& uninstallString,
                                CommandChoice choice, bool* quietUnavailable) {
    if (quietUnavailable) *quietUnavailable = false;
    const bool windowsInstaller = IsWindowsInstallerEntry(t.hive, t.registryName);
    std::string command;
    if (choice == CommandChoice::Quiet) {
        if (auto quiet = QuietUninstallString(t.hive, t.registryName))
            command = *quiet;
        else if (windowsInstaller)
            command = "MsiExec.exe /X" + t.registryName + " /qn";
        else if (quietUnavailable)
            *quietUnavailable = true;
    }
    if (command.empty())
        command = UninstallCommand(uninstallString, t.registryName, windowsInstaller);
    return WithSystemMsiExec(command);
}

UninstallRun PrepareUninstall(ListedProgram program, const std::string& uninstallString,
                              CommandChoice choice) {
    UninstallRun run;
    run.target = std::move(program);
    GatherFolders(run.target);
    run.command = UninstallCommandFor(run.target, uninstallString, choice, &run.quietUnavailable);
    return run;
}

WaitEnd WaitEndOf(std::optional<WPARAM> notification) {
    if (!notification) return WaitEnd::Failed;
    return *notification == kWaitEnded ? WaitEnd::Ended : WaitEnd::NothingStarted;
}

UninstallEnd JudgeUninstallEnd(WaitEnd wait, const UninstallTarget& target) {
    UninstallEnd end;
    end.wait = wait;
    end.stillInstalled = wait == WaitEnd::Ended && UninstallEntryRemains(target.registryName);
    return end;
}

SafetyContext UninstallSafety(const std::string& appDir,
                              const std::vector<ListedProgram>& listedNow,
                              const UninstallTarget& target) {
    return SystemSafetyContext(appDir, OtherListedPrograms(listedNow, target));
}

SafetyContext LeftoversSafety(const std::string& appDir,
                              const std::vector<ListedProgram>& listedNow) {
    std::vector<OtherProgram> others;
    for (const ListedProgram& p : listedNow)
        others.emplace_back(p.installLocation,
                            p.displayName.empty() ? p.registryName : p.displayName, p.registryName,
                            p.hive, p.publisher);
    return SystemSafetyContext(appDir, others);
}

void ScanFoundRemains(FoundRemains& found, const SafetyContext& safety, ScanProgress& progress) {
    found.otherPrograms = safety.otherPrograms;
    found.scan = ScanRemains(found.target, safety, found.registry, found.files, progress);
    try {
        std::wstring appDir = AnsiToWide(found.appDir.empty() ? ExeDirectory() : found.appDir);
        if (!appDir.empty() && appDir.back() != L'\\') appDir += L'\\';
        if (!found.trace)
            found.trace =
                FindTrace(UserTraceRoot(appDir), found.target.hive, found.target.registryName);
        if (found.trace)
            found.traceOffer = AddTraceFindings(
                *found.trace, safety,
                !TraceSharedWithListed(*found.trace, found.target.hive, found.target.registryName),
                found.registry, found.files);
    } catch (const std::exception& e) {
        // The scan's own findings stand; the trace's failure is told.
        if (found.scan.failure.empty()) found.scan.failure = e.what();
    }
    found.offered = RootNames(found.registry);
    for (std::wstring& f : RootNames(found.files)) found.offered.push_back(std::move(f));
    if (found.stillInstalled) {
        UncheckAll(found.registry);
        UncheckAll(found.files);
    } else if (found.leftovers) {
        MarkLeftovers(found, *found.leftovers);
    }
}

size_t CheckedFindings(const FoundRemains& found) {
    return CheckedCount(found.registry) + CheckedCount(found.files);
}

FindingsOutcome RemoveFoundRemains(FoundRemains& found, CleanupBackup backup,
                                   const StopFlag* stop) {
    const UninstallTarget& t = found.target;
    if (found.brokenEntry) {
        const std::optional<EntryPlaces> now = ReadEntryPlaces(t);
        if (now && !IsBrokenEntry(*now)) {
            FindingsOutcome whole;
            whole.entryWhole = true;
            whole.failed = CheckedFindings(found);
            return whole;
        }
    }
    backup.program = AnsiToWide(t.displayName.empty() ? t.registryName : t.displayName);
    // The answer may come long after the scan: the folder is judged as it is
    // now, the protected folders and the other programs' folders looked up afresh.
    FindingsOutcome out = RemoveFindings(
        found.registry, found.files, backup,
        [&found] {
            return InstallFolderStillSafe(found.target,
                                          SystemSafetyContext(found.appDir, found.otherPrograms),
                                          found.files, found.scan.installFolder);
        },
        stop);
    if (found.trace && !found.stillInstalled && out.backup != BackupState::Failed &&
        out.backup != BackupState::Declined && !out.stopped)
        RetireTrace(*found.trace);
    return out;
}

}  // namespace cx::cleanup

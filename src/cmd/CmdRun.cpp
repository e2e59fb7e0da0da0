#include "cmd/CmdRun.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "backup/BackupPlan.h"
#include "backup/BackupRun.h"
#include "cleanup/Remains.h"
#include "cleanup/Removal.h"
#include "cleanup/Safety.h"
#include "cleanup/Uninstall.h"
#include "cleanup/UninstallEntry.h"
#include "cleanup/Undo.h"
#include "cmd/CmdFormat.h"
#include "cmd/CmdMatch.h"
#include "inventory/ListLogic.h"
#include "inventory/ListSystem.h"
#include "inventory/PrintListForm.h"
#include "inventory/ProgramList.h"
#include "inventory/Report.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Strings.h"
#include "startup/StartupStore.h"

namespace cx::cmd {

namespace {

constexpr const char* kListChanged =
    "the program list changed while it was read; run the command again";

struct Inventory {
    std::vector<inv::ProgramRecord> records;
    bool complete = true;
    std::vector<ListEntry> entries;
    std::vector<std::string> captions;  // the rows' captions, top to bottom
    std::string countLine;              // the status bar's count line
};

// The rows the window's program list shows, in its order and by its hiding
// rules, with the facts the list adds. A record gone while the list was read
// ends the rows there, without screen savers, as it ends the window's load.
Inventory ReadInventory(TProgramList& list, bool showPatches, bool showScreenSavers) {
    Inventory out;
    list.RefreshPrograms();
    inv::ProgramRecords programs = inv::ReadProgramRecords(list);
    out.complete = programs.complete;
    const inv::ProgramRows planned = inv::PlanProgramRows(programs.records, !showPatches);
    for (const inv::ListRow& row : planned.rows) {
        const long index = inv::RowIndex(row.data);
        const inv::ProgramRecord& r = programs.records.at(static_cast<size_t>(index));
        ListEntry e;
        e.name = row.caption;
        e.publisher = row.publisher;
        e.location = row.directory;
        e.hive = r.hive;
        e.registryName = r.registryName;
        e.kind = r.kind == inv::kKindPatch ? "patch" : "program";
        if (auto item = list.GetProgram(index)) {
            e.version = item->Version();
            e.sizeBytes = item->Size();
            e.installDate = item->InstallDate();
        }
        out.captions.push_back(row.caption);
        out.entries.push_back(std::move(e));
    }
    if (out.complete) {
        list.RefreshScreenSavers();
        const std::vector<inv::ScreenSaverRecord> savers = inv::ReadScreenSaverRecords(list);
        for (const inv::ListRow& row : inv::PlanScreenSaverRows(savers, !showScreenSavers)) {
            const long j = inv::RowIndex(row.data);
            ListEntry e;
            e.name = row.caption;
            e.publisher = row.publisher;
            e.location = row.directory;
            e.registryName = savers.at(static_cast<size_t>(j)).file;
            e.kind = "screensaver";
            e.sizeBytes = list.ScreenSaverSize(j);
            out.captions.push_back(row.caption);
            out.entries.push_back(std::move(e));
        }
        out.countLine = inv::ProgramCountText(programs.records.size() + savers.size(),
                                              planned.patches, savers.size());
    }
    out.records = std::move(programs.records);
    return out;
}

struct Chosen {
    inv::ProgramRecord record;
    ProgramItem item;
};

// The record the command's first operand names; nothing after telling why.
std::optional<Chosen> ChooseProgram(TProgramList& list, const Invocation& args, Console& console) {
    list.RefreshPrograms();
    inv::ProgramRecords programs = inv::ReadProgramRecords(list);
    const RecordChoice choice = ChooseRecord(programs.records, args.operands.at(0), args.hive);
    if (!choice.index) {
        console.err(choice.problem + "\r\n");
        return std::nullopt;
    }
    auto item = list.GetProgram(static_cast<long>(*choice.index));
    if (!item) {
        console.err(std::string(kListChanged) + "\r\n");
        return std::nullopt;
    }
    return Chosen{programs.records[*choice.index], std::move(*item)};
}

// A question on the console; no answer (end of input) is no.
bool Confirm(const Invocation& args, Console& console, const std::string& question) {
    if (args.yes) return true;
    auto answer = console.ask ? console.ask(question + " [y/N] ") : std::nullopt;
    return answer && IsYes(*answer);
}

int RunList(const Invocation& args, Console& console) {
    TProgramList list;
    Inventory inventory = ReadInventory(list, args.patches, args.screenSavers);
    console.out(FormatList(inventory.entries, args.format));
    if (!inventory.complete) {
        console.err(std::string(kListChanged) + "\r\n");
        return kExitFailed;
    }
    return kExitOk;
}

int RunShow(const Invocation& args, Console& console) {
    TProgramList list;
    auto chosen = ChooseProgram(list, args, console);
    if (!chosen) return kExitFailed;
    inv::DetailRows rows = inv::ReadDetailRows(chosen->item);
    ShowData data;
    data.name = inv::ProgramCaption(chosen->record);
    data.registryName = chosen->record.registryName;
    data.hive = chosen->record.hive;
    data.properties = std::move(rows.properties);
    data.registry = std::move(rows.registry);
    console.out(FormatShow(data, args.format));
    return kExitOk;
}

// The full path of a file or folder the user named (relative to the current folder).
std::wstring FullPath(const std::string& given) {
    const std::wstring wide = AnsiToWide(given);
    DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n == 0) ThrowLastError();
    std::wstring out(n, L'\0');
    n = GetFullPathNameW(wide.c_str(), n, out.data(), nullptr);
    if (n == 0) ThrowLastError();
    out.resize(n);
    return out;
}

int RunExport(const Invocation& args, Console& console) {
    TProgramList list;
    auto chosen = ChooseProgram(list, args, console);
    if (!chosen) return kExitFailed;
    std::wstring target = FullPath(args.operands.at(1));
    const DWORD attributes = GetFileAttributesW(LongPathForApi(target).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        // A folder gets the file the window's save dialog proposes.
        if (target.back() != L'\\') target += L'\\';
        target += backup::SanitiseFileStem(AnsiToWide(chosen->record.registryName)) + L".reg";
    }
    const size_t slash = target.find_last_of(L'\\');
    const std::wstring folder = target.substr(0, slash + 1);
    const std::wstring fileName = target.substr(slash + 1);
    const DWORD folderAttributes = GetFileAttributesW(LongPathForApi(folder).c_str());
    if (fileName.empty() || folderAttributes == INVALID_FILE_ATTRIBUTES ||
        !(folderAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        console.err("cannot export to \"" + WideToAnsi(target) + "\": no such folder\r\n");
        return kExitFailed;
    }
    backup::BackupEntry entry;
    entry.hive = backup::HiveFromName(chosen->record.hive);
    entry.name = AnsiToWide(chosen->record.registryName);
    entry.fileName = fileName;
    const backup::BackupOutcome outcome = backup::RunBackup({entry}, folder);
    if (outcome.failed) {
        console.err("the export of " +
                    backup::UninstallKeyPath(entry.hive, chosen->record.registryName) +
                    " failed: regedit wrote no file\r\n");
        return kExitFailed;
    }
    console.out("Exported " + backup::UninstallKeyPath(entry.hive, chosen->record.registryName) +
                " to " + WideToAnsi(target) + "\r\n");
    return kExitOk;
}

int RunBackupCommand(const Invocation& args, const std::string& appDir, Console& console) {
    const std::string folder = IncludeTrailingBackslash(
        args.operands.empty() ? appDir + "Back up\\reg\\" : WideToAnsi(FullPath(args.operands[0])));
    ForceDirectories(folder);
    const std::vector<backup::BackupEntry> entries = backup::ReadBackupEntries();
    backup::BackupOutcome outcome;
    if (!entries.empty()) outcome = backup::RunBackup(entries, AnsiToWide(folder));
    switch (backup::JudgeBackup(outcome.total, outcome.failed)) {
    case backup::BackupVerdict::Succeeded:
        console.out(Format("Backed up %u uninstall entries to %s\r\n",
                           static_cast<unsigned>(outcome.total), folder.c_str()));
        return kExitOk;
    case backup::BackupVerdict::SomeFailed: {
        std::string text =
            Format("%u of %u exports failed:\r\n", static_cast<unsigned>(outcome.failed),
                   static_cast<unsigned>(outcome.total));
        for (const std::wstring& f : outcome.failedFiles) text += "  " + WideToAnsi(f) + "\r\n";
        console.err(text);
        return kExitFailed;
    }
    case backup::BackupVerdict::Nothing: break;
    }
    console.err("nothing was backed up: no uninstall entry could be read\r\n");
    return kExitFailed;
}

// The wait's notification arrives at a message-only window of this thread:
// RunAndWait sends it from the thread that waits, which is this one, so it
// arrives before RunAndWait returns, and a wait that fails sends nothing.
class DoneReceiver {
public:
    explicit DoneReceiver(LPARAM waitId) : waitId_(waitId) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClass;
        RegisterClassA(&wc);  // already there on a second use
        hwnd_ = CreateWindowExA(0, kClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                nullptr);
        if (!hwnd_) ThrowLastError();
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~DoneReceiver() { DestroyWindow(hwnd_); }
    DoneReceiver(const DoneReceiver&) = delete;
    DoneReceiver& operator=(const DoneReceiver&) = delete;

    HWND hwnd() const noexcept { return hwnd_; }
    std::optional<WPARAM> result() const noexcept { return result_; }

private:
    static constexpr const char* kClass = "CarvexoCmd.UninstallDone";
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) noexcept {
        if (msg == cleanup::UninstallDoneMessage()) {
            auto* self = reinterpret_cast<DoneReceiver*>(GetWindowLongPtrA(h, GWLP_USERDATA));
            if (self && lp == self->waitId_) self->result_ = wp;
            return 0;
        }
        return DefWindowProcA(h, msg, wp, lp);
    }
    LPARAM waitId_;
    HWND hwnd_ = nullptr;
    std::optional<WPARAM> result_;
};

int RunUninstall(const Invocation& args, const std::string& appDir, Console& console) {
    TProgramList list;
    auto chosen = ChooseProgram(list, args, console);
    if (!chosen) return kExitFailed;
    const inv::ProgramRecord& r = chosen->record;
    const cleanup::UninstallTarget target{r.registryName, r.installLocation, r.displayName, r.hive};

    std::string command;
    if (args.quiet) {
        // The maker's own command for a silent run is taken as written.
        if (auto quiet = cleanup::QuietUninstallString(target.hive, target.registryName))
            command = *quiet;
        else
            console.err("the entry has no QuietUninstallString; running its uninstaller\r\n");
    }
    if (command.empty())
        command = cleanup::UninstallCommand(
            chosen->item.UninstallString(), target.registryName,
            cleanup::IsWindowsInstallerEntry(target.hive, target.registryName));
    if (TrimControl(command).empty()) {
        console.err("the entry has no uninstall command\r\n");
        return kExitFailed;
    }
    console.out("Running: " + command + "\r\n");
    std::optional<WPARAM> ended;
    {
        const LPARAM waitId = cleanup::NewWaitId();
        DoneReceiver receiver(waitId);
        cleanup::RunAndWait(command, receiver.hwnd(), waitId);
        ended = receiver.result();
    }
    if (!ended) {
        console.err("the wait for the uninstaller failed\r\n");
        return kExitFailed;
    }
    if (*ended != cleanup::kWaitEnded) {
        console.err("the uninstaller could not be started\r\n");
        return kExitFailed;
    }

    // An entry still registered means a cancelled or failed uninstaller: its
    // folder and keys belong to a live program.
    const bool stillInstalled = cleanup::UninstallEntryRemains(target.hive, target.registryName);
    if (stillInstalled)
        console.err("\"" + target.registryName +
                    "\" is still registered: the uninstall was cancelled or failed\r\n");

    // The other programs as the list shows them now, as after the window's reload.
    std::vector<cleanup::ListedProgram> listed;
    list.RefreshPrograms();
    for (inv::ProgramRecord& p : inv::ReadProgramRecords(list).records)
        listed.push_back(cleanup::ListedProgram{std::move(p.registryName),
                                                std::move(p.installLocation),
                                                std::move(p.displayName), std::move(p.hive)});
    const cleanup::SafetyContext safety =
        cleanup::SystemSafetyContext(appDir, cleanup::OtherListedPrograms(listed, target));
    cleanup::CheckTree registry, files;
    cleanup::ScanProgress progress;
    const cleanup::RemainsScan scan =
        cleanup::ScanRemains(target, safety, registry, files, progress);
    if (!scan.failure.empty()) console.err("the scan met an error: " + scan.failure + "\r\n");
    if (stillInstalled) {
        cleanup::UncheckAll(registry);
        cleanup::UncheckAll(files);
    }

    if (registry.Empty() && files.Empty()) {
        console.out("No files or registry keys left.\r\n");
        if (scan.refusal != cleanup::DirRefusal::None &&
            !TrimControl(target.installLocation).empty())
            console.out("Install folder not listed: " + cleanup::DirRefusalText(scan.refusal) +
                        "\r\n");
        return stillInstalled ? kExitFailed : kExitOk;
    }
    // Both parts are named, so an empty one reads as nothing found rather than as cut off.
    console.out(registry.Empty() ? std::string("Registry keys and values left: none\r\n")
                                 : Format("Registry keys and values left (%u):\r\n",
                                          static_cast<unsigned>(registry.Size())) +
                                       FormatTree(registry));
    console.out(files.Empty() ? std::string("Files and folders left: none\r\n")
                              : Format("Files and folders left (%u):\r\n",
                                       static_cast<unsigned>(files.Size())) +
                                    FormatTree(files));
    if (scan.refusal != cleanup::DirRefusal::None && !TrimControl(target.installLocation).empty())
        console.out("Install folder not listed: " + cleanup::DirRefusalText(scan.refusal) + "\r\n");
    if (const std::string kept = cleanup::KeptProgramText(scan); !kept.empty())
        console.out(kept + "\r\n");

    if (args.remains != RemainsMode::Remove) return stillInstalled ? kExitFailed : kExitOk;
    if (stillInstalled) {
        // The window offers these unchecked and lets the user pick; a command
        // line cannot pick, so nothing of a program still registered is removed.
        console.err("nothing was removed: the program is still registered\r\n");
        return kExitFailed;
    }
    const size_t checked = cleanup::CheckedCount(registry) + cleanup::CheckedCount(files);
    if (checked == 0) {
        console.out("Nothing is checked for removal.\r\n");
        return kExitOk;
    }
    if (!Confirm(
            args, console,
            Format("Remove the %u checked items listed above?", static_cast<unsigned>(checked)))) {
        console.out("Nothing was removed.\r\n");
        return kExitOk;
    }
    // The same undo backup as the window's Delete: kept below the application
    // folder, restorable with `restore`.
    cleanup::CleanupBackup backup;
    backup.root = AnsiToWide(appDir) + cleanup::kCleanupBackupSubdir;
    backup.program =
        AnsiToWide(target.displayName.empty() ? target.registryName : target.displayName);
    backup.removeWithoutBackup = [&](uint64_t size, uint64_t limit) {
        return Confirm(args, console,
                       Format("The checked items take %s, more than the %s kept for undoing "
                              "clean-ups. Remove them without a backup?",
                              cleanup::SizeText(size).c_str(), cleanup::SizeText(limit).c_str()));
    };
    const cleanup::FindingsOutcome outcome = cleanup::RemoveFindings(registry, files, backup);
    if (outcome.backup == cleanup::BackupState::Failed) {
        console.err("the checked items could not be backed up, so nothing was removed: " +
                    outcome.backupError + "\r\n");
        return kExitFailed;
    }
    if (outcome.backup == cleanup::BackupState::Declined) {
        console.out("Nothing was removed.\r\n");
        return kExitOk;
    }
    const size_t failed = outcome.failed;
    if (failed > 0) {
        console.err(Format("%u items could not be removed:\r\n", static_cast<unsigned>(failed)) +
                    FormatTree(registry) + FormatTree(files));
        return kExitFailed;
    }
    console.out("Clean succeeded.\r\n");
    if (!outcome.folder.empty())
        console.out("Kept for `restore` in " + WideToAnsi(outcome.folder) + "\r\n");
    return kExitOk;
}

// restore [<clean-up>]: without a name the newest kept clean-up, as the
// window's "Restore Last Clean-up..." offers first; with one, the kept
// clean-up whose folder has that name (as `restore` lists it when the name
// matches none).
int RunRestore(const Invocation& args, const std::string& appDir, Console& console) {
    const std::wstring root = AnsiToWide(appDir) + cleanup::kCleanupBackupSubdir;
    const std::vector<cleanup::KeptCleanup> kept = cleanup::ListCleanups(root);
    if (kept.empty()) {
        console.err("no clean-up has been kept, so there is nothing to restore\r\n");
        return kExitFailed;
    }
    auto folderName = [](const std::wstring& folder) {
        std::wstring f = folder;
        while (!f.empty() && f.back() == L'\\') f.pop_back();
        return WideToAnsi(f.substr(f.find_last_of(L'\\') + 1));
    };
    const cleanup::KeptCleanup* chosen = &kept.front();
    if (!args.operands.empty()) {
        chosen = nullptr;
        for (const cleanup::KeptCleanup& k : kept)
            if (EqualsNoCase(folderName(k.folder), args.operands[0])) chosen = &k;
        if (!chosen) {
            std::string names;
            for (const cleanup::KeptCleanup& k : kept)
                names += "  " + folderName(k.folder) + "\r\n";
            console.err("no kept clean-up is named " + args.operands[0] + "; these are kept:\r\n" +
                        names);
            return kExitFailed;
        }
    }
    console.out("Clean-up: " + folderName(chosen->folder) + "\r\n");
    if (!Confirm(args, console, "Put back what this clean-up removed?")) {
        console.out("Nothing was restored.\r\n");
        return kExitOk;
    }
    // The rules of the scan hold for the restore: nothing goes into a protected place.
    const cleanup::RestoreOutcome outcome =
        cleanup::RestoreCleanup(root, chosen->folder, cleanup::SystemSafetyContext(appDir, {}));
    if (!outcome.notRestored.empty()) {
        std::string items;
        for (const std::wstring& w : outcome.notRestored) items += "  " + WideToAnsi(w) + "\r\n";
        console.err(Format("%u items could not be restored (something of the same name exists "
                           "again, or the place is protected):\r\n",
                           static_cast<unsigned>(outcome.notRestored.size())) +
                    items);
        return kExitFailed;
    }
    console.out(Format("Restored %u items.\r\n", static_cast<unsigned>(outcome.restored)));
    return kExitOk;
}

const char* OutcomeText(startup::Outcome outcome) {
    switch (outcome) {
    case startup::Outcome::Done: return "done";
    case startup::Outcome::Conflict:
        return "another entry of that name and different content is already there";
    case startup::Outcome::Changed: return "the entry changed or went while it was read";
    case startup::Outcome::Failed: return "the system refused";
    }
    return "";
}

int RunStartup(const Invocation& args, const std::string& appDir, Console& console) {
    const startup::StartupPlaces places =
        startup::FindStartupPlaces(AnsiToWide(appDir + startup::kStartupBackupSubdir));
    std::vector<startup::StartupEntry> rows = startup::ReadStartupRows(places);
    if (args.startup == StartupAction::List) {
        std::vector<StartupLine> lines;
        for (const auto& r : rows) lines.push_back({r.Name, r.Command, r.Location, r.Enabled});
        console.out(FormatStartup(lines, args.format));
        return kExitOk;
    }
    const std::string& name = args.operands.at(1);
    const StartupChoice choice = ChooseStartupRow(rows, args.startup, name, args.location);
    if (!choice.problem.empty()) {
        console.err(choice.problem + "\r\n");
        return kExitFailed;
    }
    if (choice.nothingToDo) {
        console.out("\"" + name + "\" is already " +
                    (args.startup == StartupAction::Enable ? "enabled" : "disabled") + "\r\n");
        return kExitOk;
    }
    startup::StartupEntry& row = rows[*choice.row];
    const std::string where = row.Name + " (" + row.Location + ")";
    startup::Result result;
    const char* done = "";
    if (args.startup == StartupAction::Delete) {
        if (!Confirm(args, console, "Delete the startup entry " + where + "?")) {
            console.out("Nothing was deleted.\r\n");
            return kExitOk;
        }
        result = startup::DeleteEntry(row);
        done = "Deleted ";
    } else {
        result = startup::MoveEntry(row, args.startup == StartupAction::Enable, places);
        done = args.startup == StartupAction::Enable ? "Enabled " : "Disabled ";
    }
    if (result.outcome != startup::Outcome::Done) {
        std::string text = "could not change " + where + ": " + OutcomeText(result.outcome);
        if (result.error != ERROR_SUCCESS) text += " (" + SysErrorMessage(result.error) + ")";
        console.err(text + "\r\n");
        return kExitFailed;
    }
    console.out(done + where + "\r\n");
    return kExitOk;
}

int RunReport(const Invocation& args, Console& console) {
    TProgramList list;
    Inventory inventory = ReadInventory(list, args.patches, args.screenSavers);
    if (!inventory.complete) {
        console.err(std::string(kListChanged) + "\r\n");
        return kExitFailed;
    }
    const std::string path = WideToAnsi(FullPath(args.operands.at(0)));
    inv::SaveLines(path, inv::BuildReport(inv::CollectReportInput(inventory.countLine,
                                                                  std::move(inventory.captions))));
    console.out("Report written to " + path + "\r\n");
    return kExitOk;
}

}  // namespace

int RunCommand(const Invocation& args, const std::string& appDir, Console& console) {
    switch (args.verb) {
    case Verb::List: return RunList(args, console);
    case Verb::Show: return RunShow(args, console);
    case Verb::Export: return RunExport(args, console);
    case Verb::Backup: return RunBackupCommand(args, appDir, console);
    case Verb::Uninstall: return RunUninstall(args, appDir, console);
    case Verb::Startup: return RunStartup(args, appDir, console);
    case Verb::Report: return RunReport(args, console);
    case Verb::Restore: return RunRestore(args, appDir, console);
    }
    return kExitFailed;
}

}  // namespace cx::cmd

#include "cmd/CmdRun.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "backup/BackupPlan.h"
#include "backup/BackupRun.h"
#include "cleanup/BrokenEntry.h"
#include "cleanup/EvidenceScan.h"
#include "cleanup/Leftovers.h"
#include "cleanup/Remains.h"
#include "cleanup/Removal.h"
#include "cleanup/Safety.h"
#include "cleanup/Uninstall.h"
#include "cleanup/UninstallFlow.h"
#include "cleanup/UninstallEntry.h"
#include "cleanup/UninstallHistory.h"
#include "cleanup/UninstallQueue.h"
#include "cleanup/KeptSeal.h"
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
#include "platform/Handles.h"
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
            e.broken = cleanup::IsBrokenEntry(
                {r.hive, r.registryName, item->UninstallString(), r.installLocation});
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

// The record `name` names; nothing after telling why.
std::optional<Chosen> ChooseProgramNamed(TProgramList& list, const std::string& name,
                                         const Invocation& args, Console& console) {
    list.RefreshPrograms();
    inv::ProgramRecords programs = inv::ReadProgramRecords(list);
    const RecordChoice choice = ChooseRecord(programs.records, name, args.hive);
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

// The record the command's first operand names; nothing after telling why.
std::optional<Chosen> ChooseProgram(TProgramList& list, const Invocation& args, Console& console) {
    return ChooseProgramNamed(list, args.operands.at(0), args, console);
}

// None: the question could not be asked or got no answer (no console, end of input).
enum class Answer { Yes, No, None };

Answer Ask(Console& console, const std::string& question) {
    auto answer = console.ask ? console.ask(question + " [y/N] ") : std::nullopt;
    if (!answer) return Answer::None;
    return IsYes(*answer) ? Answer::Yes : Answer::No;
}

// A question on the console, or yes with --yes.
Answer Confirm(const Invocation& args, Console& console, const std::string& question) {
    return args.yes ? Answer::Yes : Ask(console, question);
}

// The end of a command whose question was not answered yes: a no is the user's
// choice; a question nobody could answer counts as no, and the command failed,
// so a script without input never takes "nothing done" for done.
int NotDone(Answer answer, Console& console, const char* done) {
    if (answer == Answer::None) {
        console.err(
            std::string("there was no answer (no input), which counts as no: nothing was ") + done +
            "\r\n");
        return kExitFailed;
    }
    console.out(std::string("Nothing was ") + done + ".\r\n");
    return kExitOk;
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

}  // namespace

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

namespace {

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

}  // namespace

// The process-tree wait on a thread of its own, so that this one can give it
// up after `limitMs` (INFINITE: never). An uninstaller still running then is
// left alone: it is the user's, who may still be answering it.
cleanup::WaitEnd AwaitUninstaller(const std::string& command, DWORD limitMs) {
    const LPARAM waitId = cleanup::NewWaitId();
    DoneReceiver receiver(waitId);
    // Set once the worker is done, notified or not (a failed wait sends nothing);
    // shared, so a worker outliving a wait given up still has its event.
    auto done = std::make_shared<unique_handle>(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!*done) ThrowLastError();
    std::thread([command, notify = receiver.hwnd(), waitId, done] {
        cleanup::RunAndWait(command, notify, waitId);
        SetEvent(done->get());
    }).detach();
    const DWORD started = GetTickCount();
    for (;;) {
        DWORD left = INFINITE;
        if (limitMs != INFINITE) {
            const DWORD spent = GetTickCount() - started;
            left = spent >= limitMs ? 0 : limitMs - spent;
        }
        HANDLE h = done->get();
        // The worker sends its notification: it arrives while this thread looks at its messages.
        const DWORD got = MsgWaitForMultipleObjects(1, &h, FALSE, left, QS_SENDMESSAGE);
        if (got == WAIT_OBJECT_0) return cleanup::WaitEndOf(receiver.result());
        if (got == WAIT_OBJECT_0 + 1) {
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
            continue;
        }
        if (got == WAIT_TIMEOUT) return cleanup::WaitEnd::GaveUp;
        ThrowLastError();
    }
}

namespace {

// The records of the list as they are now, as after the window's reload.
std::vector<cleanup::ListedProgram> ListedNow(TProgramList& list) {
    std::vector<cleanup::ListedProgram> listed;
    list.RefreshPrograms();
    for (inv::ProgramRecord& p : inv::ReadProgramRecords(list).records)
        listed.push_back(cleanup::ListedProgram{
            std::move(p.registryName), std::move(p.installLocation), std::move(p.displayName),
            std::move(p.hive), std::move(p.publisher)});
    return listed;
}

void KeepOnRecord(const std::string& appDir, const FoundRemains& found, Console& console) {
    try {
        cleanup::RecordUninstall(cleanup::UserHistoryRoot(AnsiToWide(appDir)), found, true);
    } catch (const std::exception& e) {
        console.err(std::string("the uninstall could not be kept on record: ") + e.what() + "\r\n");
    }
}

const char* QueueStateText(cleanup::QueueState state) {
    switch (state) {
    case cleanup::QueueState::Waiting: return "waiting";
    case cleanup::QueueState::Running: return "running";
    case cleanup::QueueState::Removed: return "removed";
    case cleanup::QueueState::NotRemoved: return "not removed (still registered)";
    case cleanup::QueueState::Failed: return "failed";
    case cleanup::QueueState::Skipped: return "skipped";
    }
    return "";
}

std::string ItemName(const cleanup::QueueItem& item) {
    const cleanup::UninstallTarget& t = item.run.target;
    return t.displayName.empty() ? t.registryName : t.displayName;
}

// uninstall <name> <name> ...: every name is found before anything runs (a
// typo must not leave a queue half done), the uninstallers run one after
// another, each awaited, and the remains of those removed are scanned once
// they all have ended, each under the rules of the whole queue.
int RunUninstallQueue(const Invocation& args, const std::string& appDir, Console& console) {
    TProgramList list;
    std::vector<cleanup::QueueItem> items;
    std::vector<std::string> uninstallStrings;
    for (const std::string& name : args.operands) {
        auto chosen = ChooseProgramNamed(list, name, args, console);
        if (!chosen) return kExitFailed;
        const inv::ProgramRecord& r = chosen->record;
        for (const cleanup::QueueItem& i : items)
            if (EqualsNoCase(i.run.target.registryName, r.registryName) &&
                EqualsNoCase(i.run.target.hive, r.hive)) {
                console.err("\"" + name + "\" is named twice\r\n");
                return kExitFailed;
            }
        cleanup::QueueItem item;
        item.run.target = {r.registryName, r.installLocation, r.displayName, r.hive, r.publisher};
        items.push_back(std::move(item));
        uninstallStrings.push_back(chosen->item.UninstallString());
    }
    const unsigned total = static_cast<unsigned>(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        cleanup::QueueItem& item = items[i];
        // Prepared in turn: the folders are read just before this uninstaller
        // runs, after the ones before it may have changed what is registered.
        item.run = cleanup::PrepareUninstall(
            item.run.target, uninstallStrings[i],
            args.quiet ? cleanup::CommandChoice::Quiet : cleanup::CommandChoice::Normal);
        const std::string head =
            Format("[%u/%u] ", static_cast<unsigned>(i + 1), total) + ItemName(item) + ": ";
        bool stillRunning = false;
        if (!item.run.HasCommand()) {
            item.state = cleanup::QueueState::Failed;
            item.problem = "the entry has no uninstall command";
        } else {
            if (item.run.quietUnavailable)
                console.err(head +
                            "the entry has no QuietUninstallString; running its uninstaller\r\n");
            console.out(head + "running: " + item.run.command + "\r\n");
            const cleanup::WaitEnd wait = AwaitUninstaller(
                item.run.command, args.timeoutSeconds ? *args.timeoutSeconds * 1000 : INFINITE);
            switch (wait) {
            case cleanup::WaitEnd::Ended:
                item.state = cleanup::JudgeUninstallEnd(wait, item.run.target).stillInstalled
                                 ? cleanup::QueueState::NotRemoved
                                 : cleanup::QueueState::Removed;
                break;
            case cleanup::WaitEnd::GaveUp:
                item.state = cleanup::QueueState::Failed;
                item.problem = "gave up waiting; it may still be running";
                stillRunning = true;
                break;
            case cleanup::WaitEnd::Failed:
                item.state = cleanup::QueueState::Failed;
                item.problem = "the wait for the uninstaller failed";
                break;
            case cleanup::WaitEnd::NothingStarted:
                item.state = cleanup::QueueState::Failed;
                item.problem = "the uninstaller could not be started";
                break;
            }
        }
        console.out(head + QueueStateText(item.state) +
                    (item.problem.empty() ? std::string() : ": " + item.problem) + "\r\n");
        // An uninstaller still running must not overlap the next one's.
        if (stillRunning) {
            for (size_t j = i + 1; j < items.size(); ++j)
                items[j].state = cleanup::QueueState::Skipped;
            console.err("the queue stops here: the next uninstaller would run beside this one\r\n");
            break;
        }
    }
    // One clean-up at the end, program by program, each under the rules of the whole queue.
    int exit = kExitOk;
    const std::vector<cleanup::ListedProgram> listed = ListedNow(list);
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].state != cleanup::QueueState::Removed) {
            exit = kExitFailed;
            continue;
        }
        FoundRemains found;
        found.target = items[i].run.target;
        found.appDir = appDir;
        cleanup::ScanProgress progress;
        cleanup::ScanFoundRemains(found, cleanup::QueueSafety(appDir, listed, items, i), progress);
        console.out("\r\n== " + ItemName(items[i]) + " ==\r\n");
        if (ReportRemains(args, appDir, found, console) != kExitOk) exit = kExitFailed;
        KeepOnRecord(appDir, found, console);
    }
    console.out("\r\n");
    for (const cleanup::QueueItem& item : items)
        console.out("  " + ItemName(item) + ": " + QueueStateText(item.state) + "\r\n");
    console.out(cleanup::QueueSummary(items) + ".\r\n");
    return exit;
}

int RunUninstall(const Invocation& args, const std::string& appDir, Console& console) {
    if (args.operands.size() > 1) return RunUninstallQueue(args, appDir, console);
    TProgramList list;
    auto chosen = ChooseProgram(list, args, console);
    if (!chosen) return kExitFailed;
    const inv::ProgramRecord& r = chosen->record;
    const cleanup::UninstallRun run = cleanup::PrepareUninstall(
        {r.registryName, r.installLocation, r.displayName, r.hive, r.publisher},
        chosen->item.UninstallString(),
        args.quiet ? cleanup::CommandChoice::Quiet : cleanup::CommandChoice::Normal);
    if (run.quietUnavailable)
        console.err("the entry has no QuietUninstallString; running its uninstaller\r\n");
    if (!run.HasCommand()) {
        console.err("the entry has no uninstall command\r\n");
        return kExitFailed;
    }
    console.out("Running: " + run.command + "\r\n");
    const cleanup::WaitEnd wait =
        AwaitUninstaller(run.command, args.timeoutSeconds ? *args.timeoutSeconds * 1000 : INFINITE);
    switch (wait) {
    case cleanup::WaitEnd::GaveUp:
        console.err(
            Format("gave up waiting for the uninstaller after %u seconds; it may still "
                   "be running, so nothing was scanned or removed\r\n",
                   *args.timeoutSeconds));
        return kExitFailed;
    case cleanup::WaitEnd::Failed:
        console.err("the wait for the uninstaller failed\r\n");
        return kExitFailed;
    case cleanup::WaitEnd::NothingStarted:
        console.err("the uninstaller could not be started\r\n");
        return kExitFailed;
    case cleanup::WaitEnd::Ended: break;
    }

    FoundRemains found;
    found.target = run.target;
    found.stillInstalled = cleanup::JudgeUninstallEnd(wait, found.target).stillInstalled;
    if (found.stillInstalled)
        console.err("\"" + found.target.registryName +
                    "\" is still registered: the uninstall was cancelled or failed\r\n");
    found.appDir = appDir;
    cleanup::ScanProgress progress;
    cleanup::ScanFoundRemains(
        found, cleanup::UninstallSafety(appDir, ListedNow(list), found.target), progress);
    const int exit = ReportRemains(args, appDir, found, console);
    // Only a program that is gone has leftovers to look for again later.
    if (!found.stillInstalled) KeepOnRecord(appDir, found, console);
    return exit;
}

// leftovers: the remains scan of a program already gone, from what the user
// says it was; listed and removed as after an uninstall.
int RunLeftovers(const Invocation& args, const std::string& appDir, Console& console) {
    cleanup::LeftoversQuery query;
    if (args.history) {
        const std::vector<cleanup::HistoryRecord> records =
            cleanup::ReadHistory(cleanup::UserHistoryRoot(AnsiToWide(appDir)));
        if (*args.history == 0) {
            if (records.empty()) console.out("No uninstall is on record.\r\n");
            for (size_t i = 0; i < records.size(); ++i)
                console.out(Format("%3u  ", static_cast<unsigned>(i + 1)) +
                            cleanup::HistoryRecordText(records[i]) + "\r\n");
            return kExitOk;
        }
        if (*args.history > records.size()) {
            console.err(Format("there are %u uninstalls on record, so there is no number %u",
                               static_cast<unsigned>(records.size()), *args.history) +
                        "\r\n");
            return kExitFailed;
        }
        query.from = cleanup::LeftoversQuery::From::History;
        query.record = records[*args.history - 1];
    } else if (args.folder) {
        query.from = cleanup::LeftoversQuery::From::Folder;
        query.folder = *args.folder;
    } else {
        query.product = args.operands.at(0);
        query.publisher = args.publisher.value_or(std::string());
    }
    TProgramList list;
    const std::vector<cleanup::ListedProgram> listed = ListedNow(list);
    const cleanup::SafetyContext safety = cleanup::LeftoversSafety(appDir, listed);
    cleanup::LeftoversPlan plan = cleanup::PlanLeftovers(query, listed, safety);
    if (!plan.problem.empty()) {
        console.err(plan.problem + "\r\n");
        return kExitFailed;
    }
    FoundRemains found;
    found.target = std::move(plan.target);
    found.leftovers = std::move(plan.marks);
    found.appDir = appDir;
    const cleanup::ListedProgram& t = found.target;
    console.out("Leftovers of " +
                (t.displayName.empty() ? (args.folder ? TrimControl(*args.folder) : t.registryName)
                                       : t.displayName) +
                "\r\n");
    cleanup::ScanProgress progress;
    cleanup::ScanFoundRemains(found, safety, progress);
    return ReportRemains(args, appDir, found, console);
}

// remove-entry: a broken registration goes (kept for `restore`) with, when
// asked, the leftovers the scan checks, in one clean-up.
int RunRemoveEntry(const Invocation& args, const std::string& appDir, Console& console) {
    TProgramList list;
    auto chosen = ChooseProgram(list, args, console);
    if (!chosen) return kExitFailed;
    const inv::ProgramRecord& r = chosen->record;
    if (!cleanup::IsBrokenEntry(
            {r.hive, r.registryName, chosen->item.UninstallString(), r.installLocation})) {
        console.err("\"" + r.registryName +
                    "\" is not broken: its uninstaller is there, or it cannot be told to be "
                    "gone; `uninstall` removes the program\r\n");
        return kExitFailed;
    }
    FoundRemains found;
    found.target = {r.registryName, r.installLocation, r.displayName, r.hive, r.publisher};
    cleanup::GatherFolders(found.target);
    found.appDir = appDir;
    cleanup::ScanProgress progress;
    cleanup::ScanBrokenEntry(found, cleanup::UninstallSafety(appDir, ListedNow(list), found.target),
                             progress);
    // The registration is what this command removes; its leftovers only when asked.
    Invocation removal = args;
    if (args.remains == RemainsMode::List) {
        for (cleanup::CheckTree* tree : {&found.registry, &found.files})
            for (cleanup::NodeId id : tree->Roots()) {
                const cleanup::Node& n = tree->Get(id);
                if (tree == &found.registry && n.reason == cleanup::Reason::BrokenEntry) continue;
                tree->SetState(id, cleanup::csUnchecked);
                tree->SetChildrenState(id);
            }
        removal.remains = RemainsMode::Remove;
    }
    const int exit = ReportRemains(removal, appDir, found, console);
    if (!cleanup::UninstallEntryRemains(found.target.registryName))
        KeepOnRecord(appDir, found, console);
    return exit;
}

// Ctrl+C, Ctrl+Break, a closed console window, a log-off or a shut-down
// while the removal runs: the item in hand is finished (its journal entry is
// on disk before it moves), no other is begun, and the command says what went
// and what stayed. The handler is there only around the removal; before and
// after it those keys end the command as they always did. Its state lives as
// long as the process: the system calls the handler on a thread of its own,
// which may still run while the removal returns.
class ConsoleStop {
public:
    ConsoleStop() {
        Flag() = false;
        ResetEvent(Asked());
        ResetEvent(Done());
        SetConsoleCtrlHandler(Handler, TRUE);
    }
    ~ConsoleStop() {
        SetEvent(Done());
        SetConsoleCtrlHandler(Handler, FALSE);
    }
    ConsoleStop(const ConsoleStop&) = delete;
    ConsoleStop& operator=(const ConsoleStop&) = delete;

    static cleanup::StopFlag& Flag() {
        static cleanup::StopFlag flag{false};
        return flag;
    }
    // Set once a stop was asked.
    static HANDLE Asked() {
        static HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        return event;
    }

private:
    static HANDLE Done() {
        static HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        return event;
    }
    static BOOL WINAPI Handler(DWORD event) noexcept {
        Flag() = true;
        SetEvent(Asked());
        // After these the system ends the process once the handler returns:
        // the removal is let finish the item in hand and write its journal.
        if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
            WaitForSingleObject(Done(), INFINITE);
        return TRUE;
    }
};

// For tests only: CX_TEST_REMOVAL_PAUSE names an event that is set as the
// first file item is about to move; that item then waits (a minute at most)
// until a stop has been asked, so that a test stops the removal in its middle
// without racing it.
std::function<void(const std::wstring&)> TestPauseBeforeFirstMove() {
    wchar_t name[128] = L"";
    const DWORD n = GetEnvironmentVariableW(L"CX_TEST_REMOVAL_PAUSE", name, 128);
    if (n == 0 || n >= 128) return {};
    auto event = std::make_shared<unique_handle>(OpenEventW(EVENT_MODIFY_STATE, FALSE, name));
    auto first = std::make_shared<bool>(true);
    return [event, first](const std::wstring&) {
        if (!*first || !*event) return;
        *first = false;
        SetEvent(event->get());
        WaitForSingleObject(ConsoleStop::Asked(), 60000);
    };
}

// The topmost checked nodes of a tree (a checked folder or key goes whole).
std::vector<std::pair<cleanup::NodeId, std::string>> TopChecked(const cleanup::CheckTree& tree) {
    std::vector<std::pair<cleanup::NodeId, std::string>> top;
    for (cleanup::NodeId id : tree.InOrder()) {
        const cleanup::Node& n = tree.Get(id);
        if (n.state == cleanup::csChecked && !n.locked &&
            (n.parent == -1 || tree.Get(n.parent).state != cleanup::csChecked))
            top.emplace_back(id, n.text);
    }
    return top;
}

}  // namespace

int ReportRemains(const Invocation& args, const std::string& appDir, FoundRemains& found,
                  Console& console) {
    const cleanup::UninstallTarget& target = found.target;
    const cleanup::RemainsScan& scan = found.scan;
    const bool stillInstalled = found.stillInstalled;
    cleanup::CheckTree& registry = found.registry;
    cleanup::CheckTree& files = found.files;
    // What a scan that stopped has found is not all there is.
    const bool scanFailed = !scan.failure.empty();
    if (scanFailed)
        console.err("the scan failed, so what is listed may not be all that is left: " +
                    scan.failure + "\r\n");
    const int listedExit = stillInstalled || scanFailed ? kExitFailed : kExitOk;

    if (registry.Empty() && files.Empty()) {
        console.out("No files or registry keys left.\r\n");
        if (scan.refusal != cleanup::DirRefusal::None &&
            !TrimControl(target.installLocation).empty())
            console.out("Install folder not listed: " + cleanup::DirRefusalText(scan.refusal) +
                        "\r\n");
        return listedExit;
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

    if (args.remains == RemainsMode::List) return listedExit;
    if (stillInstalled) {
        // The window offers these unchecked and lets the user pick; a command
        // line cannot pick, so nothing of a program still registered is removed.
        console.err("nothing was removed: the program is still registered\r\n");
        return kExitFailed;
    }
    if (scanFailed) {
        console.err("nothing was removed: the scan did not finish\r\n");
        return kExitFailed;
    }
    if (args.remains == RemainsMode::RemoveAll) {
        // Every item listed, as a user ticking them all would; locked ones never change.
        for (cleanup::CheckTree* tree : {&registry, &files})
            for (cleanup::NodeId id : tree->Roots())
                if (tree->Get(id).state != cleanup::csChecked) tree->ToggleNodeState(id);
    }
    const size_t checked = cleanup::CheckedFindings(found);
    if (checked == 0) {
        console.out("Nothing is checked for removal.\r\n");
        return kExitOk;
    }
    if (const Answer a = Confirm(
            args, console,
            Format("Remove the %u checked items listed above?", static_cast<unsigned>(checked)));
        a != Answer::Yes)
        return NotDone(a, console, "removed");
    // The same undo backup as the window's Delete: kept below the application
    // folder, restorable with `restore`.
    cleanup::CleanupBackup backup;
    backup.root = cleanup::UserCleanupRoot(AnsiToWide(appDir));
    // Too large to keep: removed for good only when --no-backup says so or the
    // user answers yes; --yes alone never agrees to a loss that cannot be undone.
    Answer withoutBackup = Answer::No;
    std::string tooLarge;
    backup.removeWithoutBackup = [&](uint64_t size, uint64_t limit) {
        if (args.noBackup) return true;
        tooLarge = Format("take %s, more than the %s kept for undoing clean-ups",
                          cleanup::SizeText(size).c_str(), cleanup::SizeText(limit).c_str());
        if (args.yes) return false;
        withoutBackup =
            Ask(console, "The checked items " + tooLarge + ". Remove them without a backup?");
        return withoutBackup == Answer::Yes;
    };
    backup.moving = TestPauseBeforeFirstMove();
    auto goingKeys = TopChecked(registry), goingFiles = TopChecked(files);
    cleanup::FindingsOutcome outcome;
    {
        ConsoleStop stop;
        outcome = cleanup::RemoveFoundRemains(found, std::move(backup), &ConsoleStop::Flag());
    }
    if (outcome.entryWhole) {
        console.err("\"" + target.registryName +
                    "\" is no longer broken (its uninstaller or its files are back), so nothing "
                    "was removed\r\n");
        return kExitFailed;
    }
    if (outcome.backup == cleanup::BackupState::Failed) {
        console.err("the checked items could not be backed up, so nothing was removed: " +
                    outcome.backupError + "\r\n");
        return kExitFailed;
    }
    if (outcome.backup == cleanup::BackupState::Declined) {
        if (!args.yes) return NotDone(withoutBackup, console, "removed");
        console.err("nothing was removed: the checked items " + tooLarge +
                    "; --no-backup removes them without a backup\r\n");
        return kExitFailed;
    }
    if (outcome.backup == cleanup::BackupState::WithoutBackup)
        console.out("No backup was kept: `restore` cannot put these items back.\r\n");
    if (outcome.filesRefused)
        console.err(
            "the install folder changed since the scan (moved, or another program or a "
            "protected folder is there now): no file or folder was removed\r\n");
    const size_t failed = outcome.failed;
    if (outcome.stopped) {
        std::string gone;
        size_t count = 0;
        for (const auto& [id, text] : goingKeys)
            if (!registry.Contains(id)) gone += "  " + text + "\r\n", ++count;
        for (const auto& [id, text] : goingFiles)
            if (!files.Contains(id)) gone += "  " + text + "\r\n", ++count;
        console.out(Format("Removed before the stop (%u):\r\n", static_cast<unsigned>(count)) +
                    gone);
        if (!outcome.folder.empty())
            console.out("Kept for `restore` in " + WideToAnsi(outcome.folder) + "\r\n");
        console.err(Format("stopped (Ctrl+C, or the console closing): the item in hand was "
                           "finished and no other begun; %u items stayed:\r\n",
                           static_cast<unsigned>(failed)) +
                    FormatTree(registry) + FormatTree(files));
        return kExitFailed;
    }
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

namespace {

std::string FolderName(const std::wstring& folder) {
    std::wstring f = folder;
    while (!f.empty() && f.back() == L'\\') f.pop_back();
    return WideToAnsi(f.substr(f.find_last_of(L'\\') + 1));
}

// Why a clean-up that does not prove itself as this user's is not restored.
std::string RefusedText(const cleanup::RefusedCleanup& r) {
    return r.unsealed
               ? "the clean-up " + FolderName(r.folder) +
                     " was kept by an earlier version, which did not mark clean-ups as their "
                     "user's; it cannot be proven to be yours, so it is not restored (what it "
                     "took is still in " +
                     WideToAnsi(r.folder) + ")"
               : "the clean-up " + FolderName(r.folder) +
                     " cannot be proven to be yours (it was changed since it was kept, or "
                     "another user made it), so it is not restored";
}

// restore [<clean-up>]: without a name the newest kept clean-up, as the
// window's "Restore Last Clean-up..." offers first; with one, the kept
// clean-up whose folder has that name (as `restore` lists it when the name
// matches none). Only this user's own clean-ups, each proving itself, are
// restored; the others are named with the reason and stay as they are.
int RunRestore(const Invocation& args, const std::string& appDir, Console& console) {
    const std::wstring root = cleanup::UserCleanupRoot(AnsiToWide(appDir));
    const cleanup::CleanupListing listing = cleanup::ReadCleanups(root);
    std::vector<cleanup::RefusedCleanup> refused = listing.refused;
    // Those kept for every account alike, before clean-ups were sealed.
    for (const cleanup::RefusedCleanup& r :
         cleanup::ReadCleanups(cleanup::SharedCleanupRoot(AnsiToWide(appDir))).refused)
        refused.push_back(r);
    const std::vector<cleanup::KeptCleanup>& kept = listing.kept;
    if (!args.operands.empty()) {
        for (const cleanup::RefusedCleanup& r : refused)
            if (EqualsNoCase(FolderName(r.folder), args.operands[0])) {
                console.err(RefusedText(r) + "\r\n");
                return kExitFailed;
            }
    }
    if (kept.empty()) {
        std::string why;
        for (const cleanup::RefusedCleanup& r : refused) why += RefusedText(r) + "\r\n";
        console.err(refused.empty()
                        ? "no clean-up has been kept, so there is nothing to restore\r\n"
                        : "there is no clean-up of yours to restore:\r\n" + why);
        return kExitFailed;
    }
    auto folderName = FolderName;
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
    // Not restorable, and perhaps newer than the one offered: said, so that
    // nobody takes the one offered for the last clean-up unawares.
    for (const cleanup::RefusedCleanup& r : refused) console.err(RefusedText(r) + "\r\n");
    console.out("Clean-up: " + folderName(chosen->folder) + "\r\n");
    if (const Answer a = Confirm(args, console, "Put back what this clean-up removed?");
        a != Answer::Yes)
        return NotDone(a, console, "restored");
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
    case startup::Outcome::Refused: break;  // its reason is told instead
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
        if (const Answer a = Confirm(args, console, "Delete the startup entry " + where + "?");
            a != Answer::Yes)
            return NotDone(a, console, "deleted");
        result = startup::DeleteEntry(row);
        done = "Deleted ";
    } else {
        result = startup::MoveEntry(row, args.startup == StartupAction::Enable, places);
        done = args.startup == StartupAction::Enable ? "Enabled " : "Disabled ";
    }
    if (result.outcome != startup::Outcome::Done) {
        const bool refused = result.outcome == startup::Outcome::Refused;
        std::string text =
            "could not change " + where + ": " +
            (refused ? startup::RefusalText(result.why) : OutcomeText(result.outcome));
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
    case Verb::Leftovers: return RunLeftovers(args, appDir, console);
    case Verb::RemoveEntry: return RunRemoveEntry(args, appDir, console);
    case Verb::Watch: return RunWatch(args, appDir, console);
    case Verb::Trace: return RunTrace(args, appDir, console);
    }
    return kExitFailed;
}

}  // namespace cx::cmd

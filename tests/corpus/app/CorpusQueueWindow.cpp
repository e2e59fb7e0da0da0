// The window's side of a queue over corpus products: the queue window runs
// their uninstallers quietly, one after another, then the one scan window of
// the queue is printed part by part in CarvexoCmd's format ("== <name> =="
// before each), so run-corpus holds each part against its product's lists.
//
//   CorpusQueueWindow list|remove <registry name> <registry name> ...
//   CorpusQueueWindow --register
//
// remove ticks every program's items through its group's check box and
// presses Delete ("Clean succeeded." follows when the window said so), then
// restores the second program's clean-up alone ("Restored <name>").
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cleanup/KeptSeal.h"
#include "cleanup/QueueForm.h"
#include "cleanup/ScanForm.h"
#include "cleanup/Undo.h"
#include "cleanup/UninstallQueue.h"
#include "cmd/CmdFormat.h"
#include "harness/MessageLog.h"
#include "harness/Pump.h"
#include "harness/TestKit.h"
#include "i18n/LangText.h"
#include "inventory/ListSystem.h"
#include "inventory/ProgramList.h"
#include "platform/Com.h"
#include "platform/Error.h"
#include "platform/Registry.h"
#include "platform/Strings.h"
#include "widgets/Seam.h"

using namespace cx;

namespace {

constexpr const char* kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string AppDir() {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string dir = self;
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

void Print(const std::string& text) {
    fputs(text.c_str(), stdout);
    fflush(stdout);
}

std::vector<cleanup::ListedProgram> ListedNow() {
    TProgramList list;
    list.RefreshPrograms();
    std::vector<cleanup::ListedProgram> listed;
    for (inv::ProgramRecord& r : inv::ReadProgramRecords(list).records)
        listed.push_back({r.registryName, r.installLocation, r.displayName, r.hive, r.publisher});
    return listed;
}

}  // namespace

int main(int argc, char** argv) {
    // The list server, registered as the program registers it.
    if (argc == 2 && std::string(argv[1]) == "--register") {
        RegisterInventoryService((test::OutDir() + "Dravik.dll").c_str());
        return 0;
    }
    if (argc < 3) return 2;
    const std::string mode = argv[1];
    ComInit com;
    InitCommonControls();
    std::vector<cleanup::TQueueForm::Entry> entries;
    for (int i = 2; i < argc; ++i) {
        const std::string name = argv[i];
        for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            auto entry = reg::Key::Open(hive, kUninstall + name);
            if (!entry) continue;
            cleanup::TQueueForm::Entry e;
            e.program.registryName = name;
            e.program.hive =
                hive == HKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
            e.program.displayName = entry->GetString("DisplayName").value_or("");
            e.program.installLocation = entry->GetString("InstallLocation").value_or("");
            e.program.publisher = entry->GetString("Publisher").value_or("");
            e.uninstallString = entry->GetString("UninstallString").value_or("");
            entries.push_back(std::move(e));
            break;
        }
    }
    if (entries.size() != static_cast<size_t>(argc - 2)) return 1;

    test::MessageLog messages;
    cleanup::TQueueForm queue(std::move(entries));
    ui::SetModalHook([&](HWND h) {
        queue.SetQuiet(true);
        queue.Start();
        test::PumpUntil([&] { return queue.Ended(); }, 600000);
        SendMessageA(GetDlgItem(h, cleanup::TQueueForm::IDC_BTN_CLOSE), BM_CLICK, 0, 0);
    });
    queue.ShowModal(nullptr);
    const std::vector<cleanup::QueueItem> items = queue.Items();
    size_t removed = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        const bool gone = items[i].state == cleanup::QueueState::Removed;
        removed += gone ? 1 : 0;
        Print(Format("[%u/%u] ", unsigned(i + 1), unsigned(items.size())) +
              items[i].run.target.registryName + ": " + (gone ? "removed" : "not removed") +
              "\r\n");
    }
    Print(cleanup::QueueSummary(items) + ".\r\n");
    if (removed == 0) return 1;

    const std::vector<cleanup::ListedProgram> listed = ListedNow();
    std::vector<cleanup::ScanProgram> programs;
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].state == cleanup::QueueState::Removed)
            programs.push_back(
                {items[i].run.target, cleanup::QueueSafety(AppDir(), listed, items, i)});
    const std::wstring root = cleanup::UserCleanupRoot(AnsiToWide(AppDir()));
    cleanup::TScanForm scan(programs, root);
    ui::SetModalHook([&](HWND h) {
        test::PumpUntil([&] { return scan.ScanDone(); }, 600000);
        if (!scan.InModal()) return;
        for (size_t k = 0; k < scan.ProgramCount(); ++k) {
            const cleanup::FoundRemains& f = scan.Found(k);
            Print("== " + f.target.displayName + " ==\r\n");
            Print(Format("Registry keys and values left (%u):\r\n", unsigned(f.registry.Size())) +
                  cmd::FormatTree(f.registry));
            Print(Format("Files and folders left (%u):\r\n", unsigned(f.files.Size())) +
                  cmd::FormatTree(f.files));
        }
        if (mode == "remove") {
            // Every item of every program, through its group's box, as a user would.
            for (ui::CheckTreeView* view : {&scan.tvScanRegInfo(), &scan.tvScanFiles()})
                for (size_t k = 0; k < scan.ProgramCount(); ++k) {
                    HTREEITEM group = scan.GroupItem(view == &scan.tvScanRegInfo(), k);
                    for (int n = 0; group && n < 2 && view->NodeState(group) != cleanup::csChecked;
                         ++n)
                        view->onStateIconClick(group);
                }
            messages.shown.clear();
            SendMessageA(GetDlgItem(h, cleanup::TScanForm::IDC_BTN_DELETE), BM_CLICK, 0, 0);
            for (const ui::MessageRecord& m : messages.shown)
                Print(m.text == LangText(IDS_MESSAGEBOX_WARNING_CleanSuccess)
                          ? std::string("Clean succeeded.\r\n")
                          : "Message: " + m.text + "\r\n");
        }
        if (scan.InModal())
            SendMessageA(GetDlgItem(h, cleanup::TScanForm::IDC_BTN_CANCEL), BM_CLICK, 0, 0);
    });
    scan.ShowModal(nullptr);
    if (mode == "remove" && programs.size() >= 2) {
        // One program's clean-up alone: the second one's.
        const std::string second = programs[1].target.displayName;
        for (const cleanup::KeptCleanup& k : cleanup::ListCleanups(root)) {
            if (WideToAnsi(k.program) != second) continue;
            const cleanup::RestoreOutcome back =
                cleanup::RestoreCleanup(root, k.folder, cleanup::SystemSafetyContext(AppDir(), {}));
            Print("Restored " + second + (back.notRestored.empty() ? "" : " (not all)") + "\r\n");
        }
    }
    return removed == items.size() ? 0 : 1;
}

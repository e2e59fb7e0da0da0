// The window's side of the corpus check: uninstalls one corpus product as the
// main window does (folders gathered first, its quiet uninstaller awaited),
// opens the remains scan window on it, and prints what the window's trees
// hold in CarvexoCmd's format, so run-corpus holds both against the lists.
//
//   CorpusScanWindow <registry name> list|remove [--lang <file>] [--hold <marker>]
//                    [--select <n>]
//
// remove ticks every root in the views, as a user clicking each box would,
// and presses Delete; "Clean succeeded." follows when the window said so.
// --lang reads a language file first; --hold selects the first file-tree item
// (or the n-th root with --select, so its reason shows), writes <marker> and keeps the window up
// until the marker is deleted: a screenshot is taken meanwhile.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cleanup/EvidenceScan.h"
#include "cleanup/KeptSeal.h"
#include "cleanup/ScanForm.h"
#include "cleanup/Uninstall.h"
#include "cleanup/UninstallEntry.h"
#include "cmd/CmdFormat.h"
#include "harness/MessageLog.h"
#include "harness/Pump.h"
#include "harness/TestKit.h"
#include "i18n/LangText.h"
#include "i18n/LanguageFile.h"
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

// Receives the wait's notification on this thread.
bool g_ended = false;
LRESULT CALLBACK Receiver(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == cleanup::UninstallDoneMessage()) {
        g_ended = wp == cleanup::kWaitEnded;
        return 0;
    }
    return DefWindowProcA(h, msg, wp, lp);
}

bool Uninstall(const std::string& command) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Receiver;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "CorpusScanWindowReceiver";
    RegisterClassA(&wc);
    HWND receiver = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  wc.hInstance, nullptr);
    // The notification is sent to a window of this thread: it arrives within the call.
    cleanup::RunAndWait(command, receiver, cleanup::NewWaitId());
    DestroyWindow(receiver);
    return g_ended;
}

void Print(const std::string& text) {
    fputs(text.c_str(), stdout);
    fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    // The list server, registered as the program registers it.
    if (argc == 2 && std::string(argv[1]) == "--register") {
        RegisterInventoryService((test::OutDir() + "Dravik.dll").c_str());
        return 0;
    }
    if (argc < 3) return 2;
    const std::string name = argv[1], mode = argv[2];
    std::string lang, hold;
    int select = 0;
    for (int i = 3; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--lang") lang = argv[i + 1];
        if (std::string(argv[i]) == "--hold") hold = argv[i + 1];
        if (std::string(argv[i]) == "--select") select = std::atoi(argv[i + 1]);
    }
    ComInit com;
    InitCommonControls();
    if (!lang.empty() && !LoadLanguageFile(lang)) {
        Print("cannot read " + lang + "\n");
        return 1;
    }

    cleanup::UninstallTarget target;
    std::string command;
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        auto entry = reg::Key::Open(hive, kUninstall + name);
        if (!entry) continue;
        target.registryName = name;
        target.hive = hive == HKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
        target.displayName = entry->GetString("DisplayName").value_or("");
        target.installLocation = entry->GetString("InstallLocation").value_or("");
        target.publisher = entry->GetString("Publisher").value_or("");
        command = entry->GetString("QuietUninstallString").value_or("");
        break;
    }
    if (target.registryName.empty()) return 1;
    if (command.empty()) command = "MsiExec.exe /X" + name + " /qn";
    cleanup::GatherFolders(target);
    if (!Uninstall(command)) return 1;

    // The other programs as the list shows them after the uninstall.
    TProgramList list;
    list.RefreshPrograms();
    std::vector<cleanup::ListedProgram> listed;
    for (inv::ProgramRecord& r : inv::ReadProgramRecords(list).records)
        listed.push_back({r.registryName, r.installLocation, r.displayName, r.hive, r.publisher});
    const bool still = cleanup::UninstallEntryRemains(name);
    cleanup::TScanForm form(
        target,
        cleanup::SystemSafetyContext(AppDir(), cleanup::OtherListedPrograms(listed, target)),
        still ? cleanup::TScanForm::Marks::AllUnchecked : cleanup::TScanForm::Marks::Checked,
        cleanup::UserCleanupRoot(AnsiToWide(AppDir())));

    test::MessageLog messages;
    ui::SetModalHook([&](HWND h) {
        test::PumpUntil([&] { return form.ScanDone(); });
        if (!form.InModal()) return;
        const cleanup::CheckTree& reg = form.RegistryFindings();
        const cleanup::CheckTree& files = form.FileFindings();
        Print(Format("Registry keys and values left (%u):\r\n", unsigned(reg.Size())) +
              cmd::FormatTree(reg));
        Print(Format("Files and folders left (%u):\r\n", unsigned(files.Size())) +
              cmd::FormatTree(files));
        if (!hold.empty()) {
            ui::CheckTreeView& view = form.tvScanFiles();
            HTREEITEM item = view.Root();
            for (int n = 0; n < select && item; ++n)
                item = TreeView_GetNextSibling(view.hwnd(), item);
            TreeView_SelectItem(view.hwnd(), item ? item : view.Root());
            SetFocus(view.hwnd());
            test::WriteWholeFile(hold, "up");
            test::PumpUntil(
                [&] { return GetFileAttributesA(hold.c_str()) == INVALID_FILE_ATTRIBUTES; },
                600000);
        }
        if (mode == "remove") {
            for (ui::CheckTreeView* view : {&form.tvScanRegInfo(), &form.tvScanFiles()})
                for (HTREEITEM item = view->Root(); item;
                     item = TreeView_GetNextSibling(view->hwnd(), item))
                    if (view->NodeState(item) != cleanup::csChecked) view->onStateIconClick(item);
            SendMessageA(GetDlgItem(h, cleanup::TScanForm::IDC_BTN_DELETE), BM_CLICK, 0, 0);
            for (const ui::MessageRecord& m : messages.shown)
                if (m.text == LangText(IDS_MESSAGEBOX_WARNING_CleanSuccess))
                    Print("Clean succeeded.\r\n");
                else
                    Print("Message: " + m.text + "\r\n");
        }
        if (form.InModal())
            SendMessageA(GetDlgItem(h, cleanup::TScanForm::IDC_BTN_CANCEL), BM_CLICK, 0, 0);
    });
    form.ShowModal(nullptr);
    if (messages.shown.size() == 1 &&
        messages.shown[0].text == LangText(IDS_MESSAGEBOX_WARNING_Noremains))
        Print("No files or registry keys left.\r\n");
    return still ? 1 : 0;
}

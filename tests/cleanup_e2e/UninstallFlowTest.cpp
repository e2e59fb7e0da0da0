// The whole road of an uninstall on the demo prefix: the program's own
// uninstaller (which hands over to a child and exits at once), the question only
// when the child has ended, the scan of the leftovers, and a Delete that removes
// exactly the items left checked.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "harness/ScopedEntry.h"
#include "harness/Windows.h"
#include "AppKit.h"
#include "Snapshot.h"
#include "app/AppPaths.h"
#include "app/AppStart.h"
#include "app/Config.h"
#include "app/Actions.h"
#include "app/MainForm.h"
#include "cleanup/KeptSeal.h"
#include "cleanup/LeftoversForm.h"
#include "cleanup/QueueForm.h"
#include "cleanup/Remains.h"
#include "cleanup/ScanForm.h"
#include "cleanup/Undo.h"
#include "cleanup/UninstallHistory.h"
#include "cleanup/Uninstall.h"
#include "harness/MessageLog.h"
#include "harness/Pump.h"
#include "harness/TestKit.h"
#include "i18n/LangText.h"
#include "i18n/LanguageFile.h"
#include "platform/Com.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Registry.h"
#include "platform/Error.h"
#include "platform/Strings.h"
#include "seeder/DemoData.h"
#include "skin/SkinFile.h"
#include "widgets/Seam.h"

namespace {

using namespace cx;

bool HandOverCopyRunning() {
    unique_snapshot snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 pe{};
    pe.dwSize = sizeof pe;
    for (BOOL ok = Process32First(snap.get(), &pe); ok; ok = Process32Next(snap.get(), &pe))
        if (StartsWithNoCase(pe.szExeFile, demo::kHandOverPrefix)) return true;
    return false;
}

void SnapshotAll(test::Entries& regs, test::Entries& files) {
    test::SnapshotRegistry(HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "Software", regs);
    test::SnapshotRegistry(HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "Software", regs);
    test::SnapshotRegistry(HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "Installer\\Products", regs);
    test::SnapshotFolder("C:\\Program Files", files);
}

// Entries a removal of these checked findings must take away, and nothing else.
test::Entries Expected(const cleanup::CheckTree& tree, const test::Entries& before) {
    test::Entries out;
    for (cleanup::NodeId id : tree.InOrder()) {
        const cleanup::Node& n = tree.Get(id);
        if (n.state != cleanup::csChecked) continue;
        if (n.kind == cleanup::NodeKind::RegValue) {
            // A value in its checked key goes with it; one found alone (a Run
            // entry into the folder) is a root of its own.
            if (n.parent != -1 && tree.Get(n.parent).state == cleanup::csChecked) continue;
            std::string name = Lower(n.text);
            for (const auto& e : before)
                if (e.compare(0, e.find('='), name) == 0 && e.find('=') == name.size())
                    out.insert(e);
            continue;
        }
        for (const auto& e : before)
            if (test::StartsWithPath(e, n.text)) out.insert(e);
    }
    return out;
}

class UninstallFlow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(test::Reseed(), 0);
        ASSERT_TRUE(test::StartFresh(test::PrepareAppCopy("uninstall-flow")));
        // The account's sealing secret is made by the first clean-up: made
        // here, so that no picture of the registry taken by a test holds it.
        cleanup::UserSealKey(true);
    }
    void TearDown() override {
        cleanup::SetHandOverLookForTests({});
        ui::SetModalHook({});
        test::Reseed();
    }
    ComInit com;
    test::MessageLog messages;
};

TEST_F(UninstallFlow, HandOverWaitScanAndExactlyTheCheckedItemsRemoved) {
    const demo::DemoProgram* program = nullptr;
    for (const auto& p : demo::Programs())
        if (p.handOver && p.displayName && p.remains != demo::Remains::None) program = &p;
    ASSERT_TRUE(program) << "the demo data has no hand-over program with remains";

    app::TMainForm form;
    form.CreateForm();
    form.Show(SW_SHOWNOACTIVATE);
    int row = -1;
    for (int r = 0; r < form.Programs().RowCount(); ++r)
        if (form.Programs().RowCaption(r) == program->displayName) row = r;
    ASSERT_GE(row, 0);
    form.Programs().SelectRow(row);

    bool asked = false, childRunningAtQuestion = true, scanned = false;
    test::Entries regBefore, filesBefore, expectedGone;
    size_t regFindings = 0, fileFindings = 0, hivesWithFindings = 0;
    messages.onShow = [&](const ui::MessageRecord& m) {
        if (m.flags == (MB_YESNO | MB_ICONEXCLAMATION) && !asked) {
            asked = true;
            childRunningAtQuestion = HandOverCopyRunning();
            SnapshotAll(regBefore, filesBefore);  // after the uninstaller, before the clean-up
            return IDYES;
        }
        return IDOK;
    };
    ui::SetModalHook([&](HWND window) {
        auto* scan = dynamic_cast<cleanup::TScanForm*>(
            reinterpret_cast<ui::Window*>(GetWindowLongPtrA(window, GWLP_USERDATA)));
        if (!scan) return;
        scan->StartScan();
        scanned = true;
        const cleanup::CheckTree& regs = scan->RegistryFindings();
        const cleanup::CheckTree& files = scan->FileFindings();
        regFindings = regs.Roots().size();
        fileFindings = files.Size();
        std::set<std::string> hives;
        for (cleanup::NodeId id : regs.Roots())
            hives.insert(regs.Get(id).text.substr(0, regs.Get(id).text.find('\\')));
        hivesWithFindings = hives.size();

        // Keep one matched key, one value of another key and one file deep in the folder.
        std::mt19937 rng(7);
        auto roots = regs.Roots();
        if (roots.size() >= 2) {
            scan->tvScanRegInfo().onStateIconClick(scan->ViewItem(regs, roots[0]));
            const auto& second = regs.Get(roots[1]);
            if (!second.children.empty())
                scan->tvScanRegInfo().onStateIconClick(scan->ViewItem(regs, second.children[0]));
        }
        std::vector<cleanup::NodeId> leaves;
        for (cleanup::NodeId id : files.InOrder())
            if (files.Get(id).kind == cleanup::NodeKind::File && files.Get(id).parent != -1 &&
                files.Get(files.Get(id).parent).parent != -1)
                leaves.push_back(id);
        if (!leaves.empty())
            scan->tvScanFiles().onStateIconClick(
                scan->ViewItem(files, leaves[rng() % leaves.size()]));

        expectedGone = Expected(regs, regBefore);
        for (const auto& e : Expected(files, filesBefore)) expectedGone.insert(e);
        scan->btnDeleteClick();
        scan->btnCancelClick();
    });

    // The look lasts until the starter has gone, however slow the machine: the
    // hand-over is then always there to follow.
    cleanup::SetHandOverLookForTests(
        [](HANDLE starter) { WaitForSingleObject(starter, test::kHangGuardMs); });
    form.Programs().ActionUninstallExecute();
    // The worker sends its message into this thread: keep messages flowing.
    test::PumpUntil([&] { return scanned; });
    ASSERT_TRUE(asked) << "no question after the uninstall";
    EXPECT_FALSE(childRunningAtQuestion) << "the question came while the hand-over child still ran";
    ASSERT_TRUE(scanned);
    EXPECT_GE(regFindings, 2u);
    EXPECT_GE(hivesWithFindings, 2u);
    EXPECT_GT(fileFindings, 1u);

    test::Entries regAfter, filesAfter;
    SnapshotAll(regAfter, filesAfter);
    test::Entries gone = test::Minus(regBefore, regAfter);
    for (const auto& e : test::Minus(filesBefore, filesAfter)) gone.insert(e);
    test::Entries appeared = test::Minus(regAfter, regBefore);
    for (const auto& e : test::Minus(filesAfter, filesBefore)) appeared.insert(e);
    EXPECT_FALSE(expectedGone.empty());
    EXPECT_EQ(gone, expectedGone);
    // Kept on record for a later look: what was offered, and what of it stayed.
    const std::vector<cleanup::HistoryRecord> history =
        cleanup::ReadHistory(cleanup::UserHistoryRoot(cx::AnsiToWide(cx::AppPaths().AppDir)));
    ASSERT_FALSE(history.empty());
    EXPECT_EQ(history[0].displayName, cx::AnsiToWide(program->displayName));
    EXPECT_TRUE(history[0].scanned);
    EXPECT_GE(history[0].found.size(), regFindings + 1) << "the keys and the install folder";
    EXPECT_FALSE(history[0].kept.empty()) << "items were left unticked";
    // Nothing may appear but what Wine itself keeps up to date while programs run.
    for (const auto& e : appeared) {
        bool wines = test::StartsWithPath(e, "hkey_local_machine\\software\\microsoft") ||
                     test::StartsWithPath(e, "hkey_current_user\\software\\microsoft") ||
                     test::StartsWithPath(e, "hkey_current_user\\software\\wine") ||
                     test::StartsWithPath(e, "hkey_local_machine\\software\\wine");
        EXPECT_TRUE(wines) << e;
    }
}

// The program's uninstall key: the row for it in the list, and whether it is still registered.
int RowOf(app::TMainForm& form, const std::string& caption) {
    for (int r = 0; r < form.Programs().RowCount(); ++r)
        if (form.Programs().RowCaption(r) == caption) return r;
    return -1;
}

bool KeyExists(HKEY root, const std::string& path) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

// A real Windows Installer package, built by wixl from tests/cleanup_e2e/msi and
// installed by the prefix's msiexec. Its entry says "MsiExec.exe /I{code}",
// which only repairs; the uninstall must remove it and wait for msiexec.
TEST_F(UninstallFlow, AnInstallerPackageIsRemovedAndAwaitedBeforeTheQuestion) {
    const std::string msi = test::BuildDir() + "tests\\cleanup_e2e\\CorvidLedger.msi";
    if (!FileExists(msi)) GTEST_SKIP() << "no package was built (wixl is missing): " << msi;
    const std::string code = "{6F1C2A3B-4D5E-4F60-8A71-92B3C4D5E6F7}";
    const std::string entry = std::string(demo::kUninstallPath) + "\\" + code;
    const std::string folder = "C:\\Program Files\\Corvid Ledger\\";
    ASSERT_EQ(test::RunAndWait("msiexec.exe /i \"" + msi + "\" /qn"), 0);
    ASSERT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, entry));
    ASSERT_TRUE(FileExists(folder + "ledger.txt"));
    {
        auto k = reg::Key::Open(HKEY_LOCAL_MACHINE, entry);
        ASSERT_TRUE(k);
        std::string command = k->GetString("UninstallString").value_or("");
        EXPECT_TRUE(StartsWithNoCase(command, "MsiExec.exe /I")) << command;
    }

    app::TMainForm form;
    form.CreateForm();
    int row = RowOf(form, "Corvid Ledger");
    ASSERT_GE(row, 0);
    form.Programs().SelectRow(row);

    bool keyAtQuestion = true, fileAtQuestion = true, rowAtQuestion = true;
    messages.onShow = [&](const ui::MessageRecord&) {
        keyAtQuestion = KeyExists(HKEY_LOCAL_MACHINE, entry);
        fileAtQuestion = FileExists(folder + "ledger.txt");
        rowAtQuestion = RowOf(form, "Corvid Ledger") >= 0;
        return IDNO;
    };
    cleanup::SetHandOverLookForTests(
        [](HANDLE starter) { WaitForSingleObject(starter, test::kHangGuardMs); });
    form.Programs().ActionUninstallExecute();
    ASSERT_TRUE(test::PumpUntil([&] { return !messages.shown.empty(); }));
    if (KeyExists(HKEY_LOCAL_MACHINE, entry))  // leave the prefix as it was
        test::RunAndWait("msiexec.exe /x " + code + " /qn");

    EXPECT_EQ(messages.shown[0].text, LangText(IDS_MESSAGEBOX_WARNING_ScanRemains));
    EXPECT_FALSE(keyAtQuestion) << "the package is still registered: msiexec repaired it";
    EXPECT_FALSE(fileAtQuestion) << "the package's files are still there";
    EXPECT_FALSE(rowAtQuestion) << "the list still shows the removed package";
    EXPECT_EQ(messages.shown.size(), 1u);
}

// An uninstaller that is cancelled leaves its program installed: the user is
// told so, and the scan offered behind that warning starts with nothing checked,
// so Delete alone removes nothing of the live program.
TEST_F(UninstallFlow, ACancelledUninstallWarnsAndItsScanStartsUnchecked) {
    const demo::DemoProgram* program = nullptr;
    for (const auto& p : demo::Programs())
        if (!p.handOver && p.displayName && p.uninstaller && p.remains != demo::Remains::None &&
            p.layout != demo::Layout::None && p.root == demo::Root::ProgramFiles)
            program = &p;
    ASSERT_TRUE(program) << "the demo data has no plain uninstaller with remains and files";
    const std::string entry = std::string(demo::kUninstallPath) + "\\" + program->keyName;
    {
        auto k = reg::Key::Open(demo::HiveRoot(program->hive), entry, KEY_SET_VALUE);
        ASSERT_TRUE(k);
        k->SetString("UninstallString", demo::UninstallCommand(*program) + " /cancel");
    }
    test::Entries regBefore, filesBefore;
    SnapshotAll(regBefore, filesBefore);

    app::TMainForm form;
    form.CreateForm();
    int row = RowOf(form, program->displayName);
    ASSERT_GE(row, 0);
    form.Programs().SelectRow(row);

    int selectedAtQuestion = -1;
    messages.onShow = [&](const ui::MessageRecord& m) {
        if (m.text == LangText(IDS_MESSAGEBOX_WARNING_StillInstalled)) {
            selectedAtQuestion = form.Programs().SelectedRow();
            return IDYES;
        }
        return IDOK;
    };
    bool scanned = false;
    size_t findings = 0, checked = 0, viewChecked = 0;
    bool regFound = false, filesFound = false;
    ui::SetModalHook([&](HWND window) {
        auto* scan = dynamic_cast<cleanup::TScanForm*>(
            reinterpret_cast<ui::Window*>(GetWindowLongPtrA(window, GWLP_USERDATA)));
        if (!scan) return;
        scan->StartScan();
        scanned = true;
        regFound = !scan->RegistryFindings().Empty();
        filesFound = !scan->FileFindings().Empty();
        for (const cleanup::CheckTree* tree : {&scan->RegistryFindings(), &scan->FileFindings()})
            for (cleanup::NodeId id : tree->InOrder()) {
                ++findings;
                if (tree->Get(id).state != cleanup::csUnchecked) ++checked;
            }
        for (ui::CheckTreeView* view : {&scan->tvScanRegInfo(), &scan->tvScanFiles()})
            for (HTREEITEM it = view->Root(); it; it = TreeView_GetNextSibling(view->hwnd(), it))
                if (view->NodeState(it) != cleanup::csUnchecked) ++viewChecked;
        scan->btnDeleteClick();  // with nothing checked: a word, and nothing removed
        scan->btnCancelClick();
    });
    form.Programs().ActionUninstallExecute();
    ASSERT_TRUE(test::PumpUntil([&] { return scanned; }));

    ASSERT_GE(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, LangText(IDS_MESSAGEBOX_WARNING_StillInstalled));
    EXPECT_EQ(messages.shown[0].flags, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
    EXPECT_EQ(messages.shown[1].text, LangText(IDS_MESSAGEBOX_WARNING_NothingChecked));
    EXPECT_EQ(selectedAtQuestion, RowOf(form, program->displayName))
        << "the reloaded list is not back on the program";
    EXPECT_TRUE(regFound);
    EXPECT_TRUE(filesFound);
    EXPECT_GT(findings, 0u);
    EXPECT_EQ(checked, 0u);
    EXPECT_EQ(viewChecked, 0u);

    test::Entries regAfter, filesAfter;
    SnapshotAll(regAfter, filesAfter);
    EXPECT_TRUE(test::Minus(filesBefore, filesAfter).empty()) << "files of a live program went";
    for (const auto& e : test::Minus(regBefore, regAfter))
        ADD_FAILURE() << "a key or value of a live program went: " << e;
}

// Pumps this thread's messages until `process` has ended; its exit code.
DWORD PumpUntilEnded(HANDLE process) {
    test::PumpUntilSignalled(process);
    DWORD code = 99;
    GetExitCodeProcess(process, &code);
    return code;
}

// Another process sends the old notification number with a made-up LParam, and
// the registered one with ids this window never gave out: nothing happens.
TEST_F(UninstallFlow, NotificationsFromOtherProcessesAreIgnored) {
    app::TMainForm form;
    form.CreateForm();
    messages.answer = IDNO;
    std::vector<ui::MessageRecord>& asked = messages.shown;
    char cmd[512];
    std::snprintf(
        cmd, sizeof cmd,
        "\"%stests\\cleanup_e2e\\ForeignSender.exe\" %lu 0x464 1 0x7FFF1234 0x464 0 0x41414141 "
        "uninstall-done 1 0x12345678 uninstall-done 0 0 uninstall-done 1 1",
        test::BuildDir().c_str(),
        static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(form.hwnd())));
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(
        CreateProcessA(nullptr, cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    CloseHandle(pi.hThread);
    unique_handle process(pi.hProcess);
    EXPECT_EQ(PumpUntilEnded(process.get()), 0u) << "the window did not answer every message";
    EXPECT_TRUE(asked.empty()) << "a message from outside led to a question";
    EXPECT_TRUE(IsWindow(form.hwnd()));
    EXPECT_EQ(form.Programs().PendingWaits(), 0u);
}

// A program whose name begins with "[" is a program: it is uninstalled (not
// taken for a screen saver), and its commands are those of a program.
TEST_F(UninstallFlow, AProgramNamedWithABracketIsUninstalledAsAProgram) {
    const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\CxBetaTool";
    const std::string marker = test::FreshScratchDir("beta-uninstall") + "ran.txt";
    {
        HKEY k = test::CreateKeyPath(HKEY_CURRENT_USER, key);
        ASSERT_TRUE(k);
        const std::string name = "[Beta] Quill Notes";
        const std::string command = "\"" + test::BuildDir() +
                                    "tests\\cleanup_wait\\WaitHelper.exe\" sleep 10 \"" + marker +
                                    "\"";
        RegSetValueExA(k, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                       static_cast<DWORD>(name.size() + 1));
        RegSetValueExA(k, "UninstallString", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>(command.size() + 1));
        RegCloseKey(k);
    }
    app::TMainForm form;
    form.CreateForm();
    int row = -1;
    for (int r = 0; r < form.Programs().RowCount(); ++r)
        if (form.Programs().RowCaption(r) == "[Beta] Quill Notes") row = r;
    RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    ASSERT_GE(row, 0);
    form.Programs().SelectRow(row);
    EXPECT_FALSE(form.Programs().RowIsScreenSaver(row));
    EXPECT_EQ(form.Programs().UninstallTarget(), app::ActionUninstall);
    EXPECT_TRUE(IsWindowEnabled(cx::test::Control(form.hwnd(), cx::app::IDC_BTN_SHOWDETAILS)));

    messages.answer = IDNO;
    std::vector<ui::MessageRecord>& asked = messages.shown;
    form.Programs().ActionUninstallExecute();
    ASSERT_EQ(form.Programs().PendingWaits(), 1u);
    // The wait ends with a question; pump until it has been asked.
    ASSERT_TRUE(test::PumpUntil([&] { return !asked.empty(); }));
    EXPECT_TRUE(FileExists(marker)) << "the program's uninstaller did not run";
    EXPECT_EQ(asked[0].text, LangText(IDS_MESSAGEBOX_WARNING_ScanRemains));
    EXPECT_EQ(form.Programs().PendingWaits(), 0u);
}

}  // namespace

namespace {

// A registration whose program was deleted with its folder: marked in the
// list, and Uninstall takes it with its leftovers in one clean-up that a
// restore brings back.
TEST_F(UninstallFlow, ABrokenRegistrationIsMarkedAndGoesWithItsLeftoversInOneCleanUp) {
    test::ScopedEntry entry(HKEY_CURRENT_USER, "CxBrokenPainter");
    entry.Text("DisplayName", "Cx Broken Painter")
        .Text("Publisher", "Cx Labs")
        .Text("UninstallString", "\"C:\\CxBrokenPainter\\unins000.exe\" /S")
        .Text("InstallLocation", "C:\\CxBrokenPainter\\");
    const std::string settings = "Software\\CxBrokenPainter";
    reg::Key::Create(HKEY_CURRENT_USER, settings).SetString("Brush", "round");

    app::TMainForm form;
    form.CreateForm();
    app::TProgramPage& page = form.Programs();
    const int row = RowOf(form, "Cx Broken Painter");
    ASSERT_GE(row, 0);
    EXPECT_TRUE(page.RowIsBroken(row));
    std::string tip;
    ASSERT_TRUE(page.lsvProgramListInfoTip(row, tip));
    EXPECT_EQ(tip.rfind(LangText(IDS_LISTVIEW_TIPS_Broken), 0), 0u) << tip;
    for (int r = 0; r < page.RowCount(); ++r) {
        if (r == row) continue;
        EXPECT_FALSE(page.RowIsBroken(r)) << page.RowCaption(r);
    }
    page.SelectRow(row);

    messages.onShow = [](const ui::MessageRecord&) { return IDYES; };
    bool entryFirst = false;
    size_t checkedRoots = 0;
    ui::SetModalHook([&](HWND window) {
        auto* scan = dynamic_cast<cleanup::TScanForm*>(ui::Window::FromHandle(window));
        if (!scan) return;
        scan->StartScan();
        const cleanup::CheckTree& reg = scan->RegistryFindings();
        for (cleanup::NodeId id : reg.Roots()) {
            const cleanup::Node& n = reg.Get(id);
            if (n.state == cleanup::csChecked) ++checkedRoots;
            if (n.reason == cleanup::Reason::BrokenEntry)
                entryFirst = n.reg && n.reg->key == AnsiToWide(entry.KeyPath()) &&
                             n.state == cleanup::csChecked;
        }
        scan->btnDeleteClick();
        scan->btnCancelClick();
    });
    page.ActionUninstallExecute();
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(
        messages.shown[0].text,
        Format(LangFormatText(IDS_MESSAGEBOX_WARNING_RemoveBrokenEntry), "Cx Broken Painter"));
    EXPECT_TRUE(entryFirst);
    EXPECT_EQ(checkedRoots, 2u);  // the entry and its settings, named like it
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, entry.KeyPath()));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, settings));
    EXPECT_LT(RowOf(form, "Cx Broken Painter"), 0);

    // On record, so that its leftovers can be looked for again.
    const std::wstring appDir = AnsiToWide(AppPaths().AppDir);
    const auto records = cleanup::ReadHistory(cleanup::UserHistoryRoot(appDir));
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records[0].registryName, L"CxBrokenPainter");
    // One clean-up holds both, and puts both back.
    const std::wstring root = cleanup::UserCleanupRoot(appDir);
    const auto kept = cleanup::ListCleanups(root);
    ASSERT_FALSE(kept.empty());
    const cleanup::RestoreOutcome back = cleanup::RestoreCleanup(
        root, kept[0].folder, cleanup::SystemSafetyContext(AppPaths().AppDir, {}));
    EXPECT_TRUE(back.notRestored.empty());
    auto restored = reg::Key::Open(HKEY_CURRENT_USER, entry.KeyPath());
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->GetString("UninstallString"), "\"C:\\CxBrokenPainter\\unins000.exe\" /S");
    EXPECT_EQ(reg::Key::Open(HKEY_CURRENT_USER, settings)->GetString("Brush"), "round");
    reg::DeleteTree(HKEY_CURRENT_USER, settings);
}

}  // namespace

namespace {

// Tools > Find Leftovers by the folder a program lived in: the same scan
// window, with only what lies in that folder checked.
TEST_F(UninstallFlow, LeftoversOfAFolderNamedStartCheckedOnlyInThatFolder) {
    const std::string folder = "C:\\CxGoneSketcher";
    ForceDirectories(folder + "\\Data\\");
    WriteFileBytes(AnsiToWide(folder + "\\Data\\strokes.db"), "ink");
    const std::string settings = "Software\\CxGoneSketcher";
    reg::Key::Create(HKEY_CURRENT_USER, settings).SetString("Pen", "fine");

    app::TMainForm form;
    form.CreateForm();
    messages.onShow = [](const ui::MessageRecord&) { return IDOK; };
    bool scanned = false, keyOffered = false;
    size_t checkedKeys = 0, checkedFiles = 0;
    ui::SetModalHook([&](HWND window) {
        ui::Window* w = ui::Window::FromHandle(window);
        if (auto* ask = dynamic_cast<cleanup::TLeftoversForm*>(w)) {
            ask->SelectWay(cleanup::LeftoversQuery::From::Folder);
            SetWindowTextA(test::Control(window, cleanup::TLeftoversForm::IDC_EDT_FOLDER),
                           folder.c_str());
            ask->btnScanClick();
        } else if (auto* scan = dynamic_cast<cleanup::TScanForm*>(w)) {
            scan->StartScan();
            scanned = true;
            for (cleanup::NodeId id : scan->RegistryFindings().Roots())
                keyOffered = keyOffered || scan->RegistryFindings().Get(id).text ==
                                               "HKEY_CURRENT_USER\\" + settings;
            checkedKeys = cleanup::CheckedCount(scan->RegistryFindings());
            checkedFiles = cleanup::CheckedCount(scan->FileFindings());
            scan->btnDeleteClick();
            scan->btnCancelClick();
        }
    });
    form.Execute(app::ActionFindLeftovers);
    EXPECT_TRUE(scanned);
    EXPECT_TRUE(keyOffered) << "the settings named like the folder";
    EXPECT_EQ(checkedKeys, 0u);
    EXPECT_EQ(checkedFiles, 3u);  // the folder, Data and the file
    EXPECT_EQ(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, settings));
    reg::DeleteTree(HKEY_CURRENT_USER, settings);
}

}  // namespace

namespace {

// Two programs selected together: the queue window removes one after the
// other, then one scan window holds both programs' remains under a node each,
// and one Delete takes them with a backup each.
TEST_F(UninstallFlow, SeveralSelectedProgramsGoThroughTheQueueAndOneCleanUp) {
    std::vector<const demo::DemoProgram*> plain;
    for (const auto& p : demo::Programs())
        if (!p.handOver && p.displayName && p.uninstaller && p.remains != demo::Remains::None &&
            p.layout != demo::Layout::None && p.root == demo::Root::ProgramFiles &&
            demo::IsListed(p))
            plain.push_back(&p);
    ASSERT_GE(plain.size(), 2u);
    cleanup::SetHandOverLookForTests(
        [](HANDLE starter) { WaitForSingleObject(starter, test::kHangGuardMs); });
    app::TMainForm form;
    form.CreateForm();
    app::TProgramPage& page = form.Programs();
    const int a = RowOf(form, plain[0]->displayName), b = RowOf(form, plain[1]->displayName);
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    page.SelectRow(a);
    ListView_SetItemState(page.ListView(), b, LVIS_SELECTED, LVIS_SELECTED);
    ASSERT_EQ(page.SelectedRows().size(), 2u);

    messages.onShow = [](const ui::MessageRecord&) { return IDYES; };
    std::vector<cleanup::QueueState> states;
    size_t programs = 0;
    bool grouped = false;
    ui::SetModalHook([&](HWND window) {
        ui::Window* w = ui::Window::FromHandle(window);
        if (auto* queue = dynamic_cast<cleanup::TQueueForm*>(w)) {
            queue->Start();
            test::PumpUntil([&] { return queue->Ended(); });
            for (const cleanup::QueueItem& i : queue->Items()) states.push_back(i.state);
            SendMessageA(GetDlgItem(window, cleanup::TQueueForm::IDC_BTN_CLOSE), BM_CLICK, 0, 0);
        } else if (auto* scan = dynamic_cast<cleanup::TScanForm*>(w)) {
            scan->StartScan();
            programs = scan->ProgramCount();
            grouped = scan->GroupItem(true, 0) && scan->GroupItem(true, 1);
            scan->btnDeleteClick();
            scan->btnCancelClick();
        }
    });
    page.ActionUninstallExecute();
    EXPECT_EQ(states, (std::vector<cleanup::QueueState>{cleanup::QueueState::Removed,
                                                        cleanup::QueueState::Removed}));
    EXPECT_EQ(programs, 2u);
    EXPECT_TRUE(grouped) << "each program's files under a node of its own";
    const std::wstring appDir = AnsiToWide(AppPaths().AppDir);
    EXPECT_EQ(cleanup::ListCleanups(cleanup::UserCleanupRoot(appDir)).size(), 2u);
    EXPECT_EQ(cleanup::ReadHistory(cleanup::UserHistoryRoot(appDir)).size(), 2u);
    for (const demo::DemoProgram* p : {plain[0], plain[1]})
        EXPECT_FALSE(KeyExists(demo::HiveRoot(p->hive),
                               std::string(demo::kUninstallPath) + "\\" + p->keyName));
}

}  // namespace

// CarvexoCmd.exe on the seeded prefix, held against the window: the same rows,
// the same report, and an uninstall with its clean-up that leaves the machine
// exactly as the window's clean-up leaves it.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "harness/ScopedEntry.h"
#include "AppKit.h"
#include "CmdKit.h"
#include "Readers.h"
#include "Snapshot.h"
#include "app/Config.h"
#include "app/MainForm.h"
#include "backup/BackupRun.h"
#include "cleanup/KeptSeal.h"
#include "cleanup/ScanForm.h"
#include "cleanup/UninstallHistory.h"
#include "cleanup/Undo.h"
#include "cleanup/Uninstall.h"
#include "cleanup/UndoPlan.h"
#include "cmd/CmdRun.h"
#include "harness/MessageLog.h"
#include "harness/Planted.h"
#include "harness/Pump.h"
#include "harness/TestKit.h"
#include "i18n/LangText.h"
#include "inventory/Report.h"
#include "platform/Com.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Registry.h"
#include "platform/Strings.h"
#include "seeder/DemoData.h"
#include "widgets/Seam.h"

namespace {

using namespace cx;
using test::Json;
using test::RunCmd;

void Seed() { ASSERT_EQ(test::Reseed(), 0); }

void SnapshotRegistries(test::Entries& regs) {
    test::SnapshotRegistry(HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "Software", regs);
    test::SnapshotRegistry(HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "Software", regs);
    test::SnapshotRegistry(HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "Installer\\Products", regs);
}

void SnapshotAll(test::Entries& regs, test::Entries& files) {
    SnapshotRegistries(regs);
    test::SnapshotFolder("C:\\Program Files", files);
}

// Leaves out what Wine itself keeps up to date while programs run; the
// uninstall entries stay in.
test::Entries WithoutWines(const test::Entries& all) {
    test::Entries out;
    for (const auto& e : all) {
        const bool uninstall =
            test::StartsWithPath(e, std::string("hkey_local_machine\\") + demo::kUninstallPath) ||
            test::StartsWithPath(e, std::string("hkey_current_user\\") + demo::kUninstallPath);
        const bool wines = test::StartsWithPath(e, "hkey_local_machine\\software\\microsoft") ||
                           test::StartsWithPath(e, "hkey_current_user\\software\\microsoft") ||
                           test::StartsWithPath(e, "hkey_current_user\\software\\wine") ||
                           test::StartsWithPath(e, "hkey_local_machine\\software\\wine");
        if (uninstall || !wines) out.insert(e);
    }
    return out;
}

// A folder for the command line: a backslash before the closing quote would
// escape the quote.
std::string NoSlash(std::string dir) {
    while (!dir.empty() && dir.back() == '\\') dir.pop_back();
    return dir;
}

int RowOf(app::TMainForm& form, const std::string& caption) {
    for (int r = 0; r < form.Programs().RowCount(); ++r)
        if (form.Programs().RowCaption(r) == caption) return r;
    return -1;
}

// A program whose uninstaller does its work itself (no hand-over: the wait of
// a separate process cannot be told to look for the hand-over late), leaving
// keys and files behind in Program Files.
const demo::DemoProgram* PlainProgramWithRemains() {
    const demo::DemoProgram* found = nullptr;
    for (const auto& p : demo::Programs())
        if (!p.handOver && p.displayName && p.uninstaller && p.remains != demo::Remains::None &&
            p.layout != demo::Layout::None && p.root == demo::Root::ProgramFiles &&
            demo::IsListed(p))
            found = &p;
    return found;
}

void SetUninstallString(const demo::DemoProgram& p, const std::string& command) {
    auto k = reg::Key::Open(demo::HiveRoot(p.hive),
                            std::string(demo::kUninstallPath) + "\\" + p.keyName, KEY_SET_VALUE);
    ASSERT_TRUE(k);
    k->SetString("UninstallString", command);
}

// Makes the program's uninstaller one that only deletes its uninstall entry;
// `reg` and `files` become the machine as it is expected after it (Wine's own
// keys left out): the seed without that entry.
void OnlyTheEntryGoes(const demo::DemoProgram& p, test::Entries& reg, test::Entries& files) {
    const std::string entry = std::string(demo::kUninstallPath) + "\\" + p.keyName;
    SetUninstallString(
        p, std::string("reg.exe delete \"") + demo::HiveText(p.hive) + "\\" + entry + "\" /f");
    test::Entries seeded;
    SnapshotAll(seeded, files);
    const std::string entryText =
        Lower(std::string(p.hive == demo::Hive::Machine ? "HKEY_LOCAL_MACHINE\\"
                                                        : "HKEY_CURRENT_USER\\") +
              entry);
    for (const auto& e : WithoutWines(seeded))
        if (!test::StartsWithPath(e, entryText)) reg.insert(e);
}

// A folder to start the command in, where system tools started by bare name
// would be the plants.
std::string PlantedFolder() {
    const std::string dir = test::FreshScratchDir("cmd-planted");
    test::PlantSystemTools(dir);
    return dir;
}

class CmdE2e : public ::testing::Test {
protected:
    void SetUp() override {
        Seed();
        appDir = test::PrepareAppCopy("cmd-e2e");
        ASSERT_TRUE(test::StartFresh(appDir));
        // Made by the first clean-up otherwise, inside the tests' pictures.
        cleanup::UserSealKey(true);
        // The command keeps its undo backups beside itself: never in the build's output.
        test::SetCmdFolder(appDir);
        // Its first start registers the service from the copy's folder; done here,
        // so no picture of the registry taken by a test holds that change.
        ASSERT_EQ(RunCmd("list").exitCode, 0);
    }
    void TearDown() override {
        test::SetCmdFolder("");
        cleanup::SetHandOverLookForTests({});
        ui::SetModalHook({});
        Seed();
    }
    std::string appDir;
    ComInit com;
    test::MessageLog messages;
};

TEST_F(CmdE2e, UsageAndExitCodes) {
    test::CmdResult help = RunCmd("/?");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("uninstall <registry name>"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("restore"), std::string::npos);
    EXPECT_TRUE(help.err.empty()) << help.err;

    for (const char* bad : {"", "frobnicate", "list --frob", "show", "uninstall X --remains all"}) {
        test::CmdResult r = RunCmd(bad);
        EXPECT_EQ(r.exitCode, 2) << bad;
        EXPECT_TRUE(r.out.empty()) << bad << ": " << r.out;
        EXPECT_FALSE(r.err.empty()) << bad;
    }
    test::CmdResult missing = RunCmd("show CxNoSuchProgram");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("CxNoSuchProgram"), std::string::npos) << missing.err;
    EXPECT_TRUE(missing.out.empty());
}

TEST_F(CmdE2e, JsonListIsTheWindowsRowsInTheWindowsOrder) {
    app::TMainForm form;
    form.CreateForm();
    auto compare = [&](const std::string& arguments) {
        test::CmdResult r = RunCmd(arguments);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        auto doc = test::ParseJson(r.out);
        ASSERT_TRUE(doc) << "not JSON: " << r.out.substr(0, 400);
        ASSERT_EQ(doc->type, Json::Type::Array);
        ASSERT_EQ(doc->items.size(), static_cast<size_t>(form.Programs().RowCount())) << arguments;
        for (int row = 0; row < form.Programs().RowCount(); ++row) {
            const Json& j = doc->items[static_cast<size_t>(row)];
            EXPECT_EQ(j[L"name"].text, AnsiToWide(form.Programs().RowCaption(row))) << row;
            EXPECT_EQ(j[L"publisher"].text, AnsiToWide(form.Programs().RowText(row, 1))) << row;
            EXPECT_EQ(j[L"location"].text, AnsiToWide(form.Programs().RowText(row, 2))) << row;
            if (form.Programs().RowIsScreenSaver(row)) {
                EXPECT_EQ(j[L"kind"].text, L"screensaver");
                continue;
            }
            auto item = form.Programs().ProgramList().GetProgram(form.Programs().RowData(row));
            ASSERT_TRUE(item);
            EXPECT_EQ(j[L"registryName"].text, AnsiToWide(item->RegistryName()));
            EXPECT_EQ(j[L"hive"].text, AnsiToWide(item->Hive()));
            EXPECT_EQ(j[L"kind"].text, item->Kind() == 1 ? L"patch" : L"program");
            EXPECT_EQ(j[L"version"].text, AnsiToWide(item->Version()));
        }
    };
    // A first start shows the patches and hides the screen savers.
    ASSERT_FALSE(Hide().HideSysPatch);
    ASSERT_TRUE(Hide().HideScreenSaver);
    compare("list --patches --format json");
    Hide().HideSysPatch = true;
    Hide().HideScreenSaver = false;
    form.Programs().LoadProgramList();
    compare("list --screensavers --format=json");
}

TEST_F(CmdE2e, CsvListSurvivesNamesWithCommasAndQuotes) {
    const std::string key = std::string(demo::kUninstallPath) + "\\CxCsvQuoted";
    const std::string name = "Quill, \"Pro\" Edition";
    const std::string publisher = "Acme, \"Works\"";
    const std::string location = "C:\\Quill, \"x\"\\";
    {
        auto k = reg::Key::Create(HKEY_CURRENT_USER, key);
        k.SetString("DisplayName", name);
        k.SetString("Publisher", publisher);
        k.SetString("InstallLocation", location);
        k.SetString("UninstallString", "C:\\none.exe");
    }
    test::CmdResult r = RunCmd("list --format csv");
    RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto records = test::ParseCsv(r.out);
    ASSERT_TRUE(records) << r.out.substr(0, 400);
    ASSERT_GE(records->size(), 2u);
    const auto& heading = records->front();
    ASSERT_EQ(heading.size(), 10u);
    int found = 0;
    for (const auto& rec : *records) {
        ASSERT_EQ(rec.size(), heading.size());
        if (rec[7] != "CxCsvQuoted") continue;
        ++found;
        EXPECT_EQ(rec[0], name);
        EXPECT_EQ(rec[1], publisher);
        EXPECT_EQ(rec[5], location);
        EXPECT_EQ(rec[6], "HKEY_CURRENT_USER");
        EXPECT_EQ(rec[8], "program");
        EXPECT_EQ(rec[9], "no");  // a folder no path can name says nothing of its program
    }
    EXPECT_EQ(found, 1);
}

// The window's road (Uninstall, Yes, the scan, Delete with everything
// checked) and the command's (uninstall --remains remove --yes) from the same
// seed: the same items go, and the machine ends in the same state.
TEST_F(CmdE2e, UninstallWithRemovalLeavesWhatTheWindowLeaves) {
    const demo::DemoProgram* program = PlainProgramWithRemains();
    ASSERT_TRUE(program) << "the demo data has no plain uninstaller with remains and files";

    test::Entries regBefore1, filesBefore1, regAfterWindow, filesAfterWindow;
    SnapshotAll(regBefore1, filesBefore1);
    {
        app::TMainForm form;
        form.CreateForm();
        form.Show(SW_SHOWNOACTIVATE);
        int row = RowOf(form, program->displayName);
        ASSERT_GE(row, 0);
        form.Programs().SelectRow(row);
        bool scanned = false;
        messages.onShow = [&](const ui::MessageRecord& m) {
            return m.flags == static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION) ? IDYES : IDOK;
        };
        ui::SetModalHook([&](HWND window) {
            auto* scan = dynamic_cast<cleanup::TScanForm*>(
                reinterpret_cast<ui::Window*>(GetWindowLongPtrA(window, GWLP_USERDATA)));
            if (!scan) return;
            scan->StartScan();
            scan->btnDeleteClick();
            scan->btnCancelClick();
            scanned = true;
        });
        cleanup::SetHandOverLookForTests(
            [](HANDLE starter) { WaitForSingleObject(starter, test::kHangGuardMs); });
        form.Programs().ActionUninstallExecute();
        ASSERT_TRUE(test::PumpUntil([&] { return scanned; }));
        ASSERT_FALSE(messages.shown.empty());
        EXPECT_EQ(messages.shown[0].text, LangText(IDS_MESSAGEBOX_WARNING_ScanRemains));
    }
    SnapshotAll(regAfterWindow, filesAfterWindow);

    Seed();
    test::Entries regBefore2, filesBefore2, regAfterCmd, filesAfterCmd;
    SnapshotAll(regBefore2, filesBefore2);
    ASSERT_EQ(WithoutWines(regBefore1), WithoutWines(regBefore2)) << "the seed is not repeatable";
    ASSERT_EQ(filesBefore1, filesBefore2) << "the seed is not repeatable";

    test::CmdResult r =
        RunCmd(std::string("uninstall \"") + program->keyName + "\" --remains remove --yes");
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("[x]"), std::string::npos) << "the remains were not listed: " << r.out;
    SnapshotAll(regAfterCmd, filesAfterCmd);

    const test::Entries goneWindow = test::Minus(regBefore1, regAfterWindow);
    const test::Entries goneCmd = test::Minus(regBefore2, regAfterCmd);
    EXPECT_FALSE(goneCmd.empty());
    EXPECT_EQ(goneCmd, goneWindow);
    EXPECT_EQ(test::Minus(filesBefore2, filesAfterCmd),
              test::Minus(filesBefore1, filesAfterWindow));
    EXPECT_EQ(WithoutWines(regAfterCmd), WithoutWines(regAfterWindow));
    EXPECT_EQ(filesAfterCmd, filesAfterWindow);
    EXPECT_FALSE(DirectoryExists(demo::InstallDir(*program))) << "the folder is still there";
    // Both keep it on record alike, the command's the newer.
    const std::vector<cleanup::HistoryRecord> history =
        cleanup::ReadHistory(cleanup::UserHistoryRoot(AnsiToWide(appDir)));
    ASSERT_GE(history.size(), 2u);
    EXPECT_EQ(history[0].displayName, AnsiToWide(program->displayName));
    EXPECT_FALSE(history[0].found.empty());
    EXPECT_EQ(history[0].found, history[1].found);
    EXPECT_EQ(history[0].kept, history[1].kept);
    EXPECT_EQ(history[0].installFolder, history[1].installFolder);
}

// The command's clean-up keeps its undo backup, and `restore` puts back what it
// removed: registry and files end byte-identical to the state between the
// uninstaller and the clean-up. The uninstaller here only deletes the program's
// uninstall entry, so that state is the seed without that entry.
TEST_F(CmdE2e, RestorePutsBackWhatTheCommandsCleanUpRemoved) {
    const demo::DemoProgram* program = PlainProgramWithRemains();
    ASSERT_TRUE(program) << "the demo data has no plain uninstaller with remains and files";
    test::Entries regBefore, filesBefore;
    OnlyTheEntryGoes(*program, regBefore, filesBefore);

    // The undo backup's exports and imports never run a regedit of the current folder.
    const std::string planted = PlantedFolder();
    test::CmdResult removed = RunCmd(
        std::string("uninstall \"") + program->keyName + "\" --remains remove --yes", {}, planted);
    ASSERT_EQ(removed.exitCode, 0) << removed.out << removed.err;
    test::Entries regCleaned, filesCleaned;
    SnapshotAll(regCleaned, filesCleaned);
    EXPECT_FALSE(test::Minus(regBefore, WithoutWines(regCleaned)).empty());
    EXPECT_FALSE(test::Minus(filesBefore, filesCleaned).empty()) << "no file was cleaned up";
    EXPECT_NE(removed.out.find("Kept for `restore`"), std::string::npos) << removed.out;

    // A question nobody can answer is no, and a failure.
    test::CmdResult unanswered = RunCmd("restore");
    EXPECT_EQ(unanswered.exitCode, 1) << unanswered.out << unanswered.err;
    EXPECT_NE(unanswered.err.find("no answer"), std::string::npos) << unanswered.err;
    test::Entries regUnanswered, filesUnanswered;
    SnapshotAll(regUnanswered, filesUnanswered);
    EXPECT_EQ(filesUnanswered, filesCleaned) << "restored without an answer";

    test::CmdResult restored = RunCmd("restore --yes", {}, planted);
    ASSERT_EQ(restored.exitCode, 0) << restored.out << restored.err;
    EXPECT_EQ(test::PlantsThatRan(planted), std::vector<std::string>{});
    test::Entries regAfter, filesAfter;
    SnapshotAll(regAfter, filesAfter);
    EXPECT_EQ(WithoutWines(regAfter), regBefore);
    EXPECT_EQ(filesAfter, filesBefore);

    // Nothing is kept any more: a second restore has nothing to put back.
    test::CmdResult again = RunCmd("restore --yes");
    EXPECT_EQ(again.exitCode, 1) << again.out << again.err;
}

// The command keeps its clean-up in the account's own store, and one changed
// since it was kept (its registry export given a value of its own) is not
// restored: the command says why, puts nothing back and fails.
TEST_F(CmdE2e, AForgedCleanUpIsRefused) {
    const demo::DemoProgram* program = PlainProgramWithRemains();
    ASSERT_TRUE(program);
    test::Entries regBefore, filesBefore;
    OnlyTheEntryGoes(*program, regBefore, filesBefore);
    test::CmdResult removed =
        RunCmd(std::string("uninstall \"") + program->keyName + "\" --remains remove --yes");
    ASSERT_EQ(removed.exitCode, 0) << removed.out << removed.err;
    const std::string mark = "Kept for `restore` in ";
    const size_t at = removed.out.find(mark);
    ASSERT_NE(at, std::string::npos) << removed.out;
    const std::string folder =
        removed.out.substr(at + mark.size(), removed.out.find("\r\n", at) - at - mark.size());
    const std::string mine = WideToAnsi(cleanup::UserCleanupRoot(AnsiToWide(appDir)));
    EXPECT_NE(mine.find("\\S-1-5-"), std::string::npos) << mine;
    EXPECT_EQ(folder.rfind(mine, 0), 0u) << folder << " is not in " << mine;

    const std::string reg = folder + "registry\\1.reg";
    std::string bytes = test::ReadWholeFile(reg);
    ASSERT_FALSE(bytes.empty()) << reg;
    for (char c : std::string("\"cx-forged\"=\"1\"\r\n")) bytes += {c, '\0'};
    test::WriteWholeFile(reg, bytes);
    test::Entries regForged, filesForged, regAfter, filesAfter;
    SnapshotAll(regForged, filesForged);
    test::CmdResult restored = RunCmd("restore --yes");
    EXPECT_EQ(restored.exitCode, 1) << restored.out << restored.err;
    EXPECT_NE(restored.err.find("cannot be proven to be yours"), std::string::npos) << restored.err;
    SnapshotAll(regAfter, filesAfter);
    EXPECT_EQ(filesAfter, filesForged);
    EXPECT_EQ(WithoutWines(regAfter), WithoutWines(regForged));
}

// Ctrl+C pressed while the removal runs, just as its first file item is
// about to go: that item goes and no other, the command says what went and
// what stayed and fails, and the clean-up kept so far puts back what went.
TEST_F(CmdE2e, CtrlCDuringTheRemovalFinishesTheItemInHandAndStops) {
    const demo::DemoProgram* program = PlainProgramWithRemains();
    ASSERT_TRUE(program);
    // Another program lives in a folder of it: the folder cannot go whole,
    // so its items go one by one.
    const std::string dir = demo::InstallDir(*program);
    const std::string neighbour = std::string(demo::kUninstallPath) + "\\CxNeighbour";
    struct Gone {
        const std::string& key;
        ~Gone() { reg::DeleteTree(HKEY_CURRENT_USER, key); }
    } gone{neighbour};
    ForceDirectories(dir + "\\Neighbour");
    test::WriteWholeFile(dir + "\\Neighbour\\n.txt", "n");
    reg::Key k = reg::Key::Create(HKEY_CURRENT_USER, neighbour);
    k.SetString("DisplayName", "Cx Neighbour");
    k.SetString("UninstallString", "cmd.exe /c rem");
    k.SetString("InstallLocation", dir + "\\Neighbour");
    auto items = [&] {
        size_t n = 0;
        test::ForEachEntry(AnsiToWide(dir),
                           [&](const std::wstring&, const WIN32_FIND_DATAW&) { ++n; });
        return n;
    };
    test::Entries regBefore, filesBefore, regAfter, filesAfter;
    OnlyTheEntryGoes(*program, regBefore, filesBefore);
    const size_t before = items();
    ASSERT_GE(before, 3u) << "too few items to stop between";

    const std::string press = "CxCmdCtrlC-" + std::to_string(GetCurrentProcessId());
    unique_handle pressed(CreateEventA(nullptr, TRUE, FALSE, press.c_str()));
    SetEnvironmentVariableA("CX_TEST_REMOVAL_PAUSE", press.c_str());
    test::CmdResult r = test::RunCmdPressingCtrlC(
        std::string("uninstall \"") + program->keyName + "\" --remains remove --yes", press);
    SetEnvironmentVariableA("CX_TEST_REMOVAL_PAUSE", nullptr);
    ASSERT_EQ(WaitForSingleObject(pressed.get(), 0), WAIT_OBJECT_0) << r.out << r.err;
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("Removed before the stop"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("stopped"), std::string::npos) << r.err;
    EXPECT_EQ(items(), before - 1) << r.out << r.err;

    test::CmdResult restored = RunCmd("restore --yes");
    EXPECT_EQ(restored.exitCode, 0) << restored.out << restored.err;
    SnapshotAll(regAfter, filesAfter);
    EXPECT_EQ(WithoutWines(regAfter), regBefore);
    EXPECT_EQ(filesAfter, filesBefore);
}

// An uninstaller that is cancelled leaves its program registered: the
// command lists the remains unchecked and removes nothing, --yes or not.
TEST_F(CmdE2e, AStillRegisteredProgramLosesNothing) {
    const demo::DemoProgram* program = PlainProgramWithRemains();
    ASSERT_TRUE(program);
    SetUninstallString(*program, demo::UninstallCommand(*program) + " /cancel");
    test::Entries regBefore, filesBefore, regAfter, filesAfter;
    SnapshotAll(regBefore, filesBefore);
    test::CmdResult r =
        RunCmd(std::string("uninstall \"") + program->keyName + "\" --remains remove --yes");
    SnapshotAll(regAfter, filesAfter);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("still registered"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("[ ]"), std::string::npos) << "the remains were not listed: " << r.out;
    EXPECT_EQ(r.out.find("[x]"), std::string::npos) << "something was offered checked: " << r.out;
    EXPECT_TRUE(test::Minus(filesBefore, filesAfter).empty()) << "files of a live program went";
    for (const auto& e : test::Minus(regBefore, regAfter))
        ADD_FAILURE() << "a key or value of a live program went: " << e;
}

// Three in one queue, the middle one's uninstaller cancelled: it is reported
// not removed and loses nothing, the queue goes on, and only the other two's
// remains are offered, each in its own part.
TEST_F(CmdE2e, AQueueGoesOnPastACancelledUninstallAndCleansUpTheRest) {
    std::vector<const demo::DemoProgram*> plain;
    for (const auto& p : demo::Programs())
        if (!p.handOver && p.displayName && p.uninstaller && p.remains != demo::Remains::None &&
            p.layout != demo::Layout::None && p.root == demo::Root::ProgramFiles &&
            demo::IsListed(p))
            plain.push_back(&p);
    ASSERT_GE(plain.size(), 3u);
    const demo::DemoProgram& cancelled = *plain[1];
    SetUninstallString(cancelled, demo::UninstallCommand(cancelled) + " /cancel");
    test::CmdResult r = RunCmd(std::string("uninstall \"") + plain[0]->keyName + "\" \"" +
                               cancelled.keyName + "\" \"" + plain[2]->keyName + "\"");
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    const std::string second = std::string("[2/3] ") + cancelled.displayName + ": ";
    EXPECT_NE(r.out.find(second + "not removed"), std::string::npos) << r.out;
    for (const demo::DemoProgram* p : {plain[0], plain[2]})
        EXPECT_NE(r.out.find(std::string("== ") + p->displayName + " =="), std::string::npos)
            << r.out;
    EXPECT_EQ(r.out.find(std::string("== ") + cancelled.displayName + " =="), std::string::npos);
    // Each part ended before the next began: the third ran after the second's verdict.
    EXPECT_LT(r.out.find(second + "not removed"), r.out.find("[3/3] "));
    EXPECT_NE(r.out.find("2 of 3 programs removed."), std::string::npos) << r.out;
    EXPECT_TRUE(reg::Key::Open(demo::HiveRoot(cancelled.hive),
                               std::string(demo::kUninstallPath) + "\\" + cancelled.keyName));
}

// An uninstaller that never ends (the wait helper held by an event until the
// command is over) is given up after --timeout: nothing is scanned or removed.
TEST_F(CmdE2e, AWaitGivenUpRemovesNothing) {
    const demo::DemoProgram* program = PlainProgramWithRemains();
    ASSERT_TRUE(program);
    unique_handle gate(CreateEventA(nullptr, TRUE, FALSE, "CxCmdUninstallerGate"));
    ASSERT_TRUE(gate);
    SetUninstallString(*program,
                       "\"" + test::BuildDir() +
                           "tests\\cleanup_wait\\WaitHelper.exe\" await CxCmdUninstallerGate");
    test::Entries regBefore, filesBefore, regAfter, filesAfter;
    SnapshotAll(regBefore, filesBefore);
    test::CmdResult r = RunCmd(std::string("uninstall \"") + program->keyName +
                               "\" --remains remove --yes --no-backup --timeout 1");
    SetEvent(gate.get());
    SnapshotAll(regAfter, filesAfter);
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_NE(r.err.find("gave up"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("[x]"), std::string::npos) << "scanned after all: " << r.out;
    EXPECT_EQ(filesAfter, filesBefore);
    EXPECT_EQ(WithoutWines(regAfter), WithoutWines(regBefore));
}

// The removal of a Windows Installer entry runs the system's msiexec: one
// planted under that name in the folder the command starts in never runs,
// whether the entry is removed as registered or quietly.
TEST_F(CmdE2e, WindowsInstallerIsNeverTakenFromTheCurrentFolder) {
    const std::string code = "{5A1B2C3D-4E5F-4061-8273-94A5B6C7D8E9}";
    test::ScopedEntry entry(HKEY_CURRENT_USER, code);
    entry.Text("DisplayName", "Planted Probe")
        .Text("UninstallString", "MsiExec.exe /I" + code)
        .Dword("WindowsInstaller", 1);
    const std::string dir = test::FreshScratchDir("cmd-planted-msiexec");
    ASSERT_TRUE(CopyFileA((test::BuildDir() + "tests\\cleanup_wait\\WaitHelper.exe").c_str(),
                          (dir + "msiexec.exe").c_str(), FALSE));
    for (const char* options : {"", " --quiet"}) {
        SCOPED_TRACE(options);
        DeleteFileA((dir + "msiexec.exe.ran").c_str());
        test::CmdResult r = RunCmd("uninstall " + code + " --remains list" + options, {}, dir);
        EXPECT_FALSE(FileExists(dir + "msiexec.exe.ran")) << r.out << r.err;
        // The system's msiexec knows no such product: the entry stays, and the command says so.
        EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
        EXPECT_NE(r.err.find("still registered"), std::string::npos) << r.err;
    }
}

// Checked files larger than the undo backup keeps: --yes does not agree to
// lose them for good, only --no-backup does, and then the output says that
// nothing was kept.
TEST_F(CmdE2e, RemainsTooLargeToKeepGoOnlyWithNoBackup) {
    const demo::DemoProgram* program = PlainProgramWithRemains();
    ASSERT_TRUE(program);
    const std::string big = demo::InstallDir(*program) + "\\cache\\big.bin";
    struct Case {
        const char* options;
        int exitCode;
        const char* says;  // in the output or the errors
    };
    for (const Case& c : {Case{"--yes", 1, "--no-backup"}, Case{"--no-backup", 1, "no answer"},
                          Case{"--yes --no-backup", 0, "no backup was kept"}}) {
        SCOPED_TRACE(c.options);
        Seed();
        test::Entries regBefore, filesBefore, regAfter;
        OnlyTheEntryGoes(*program, regBefore, filesBefore);
        // Sparse: it takes no room, only its size counts. Gone before any
        // other test reads the whole folder.
        struct Gone {
            const std::string& path;
            ~Gone() { DeleteFileA(path.c_str()); }
        } gone{big};
        ForceDirectories(ExtractFilePath(big));
        {
            unique_hfile f(CreateFileA(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(f);
            LARGE_INTEGER end;
            end.QuadPart = static_cast<LONGLONG>(cleanup::kKeptBytes + 1);
            ASSERT_TRUE(SetFilePointerEx(f.get(), end, nullptr, FILE_BEGIN) &&
                        SetEndOfFile(f.get()));
        }
        test::CmdResult r = RunCmd(std::string("uninstall \"") + program->keyName +
                                   "\" --remains remove " + c.options);
        SnapshotRegistries(regAfter);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
        EXPECT_NE(Lower(r.out + r.err).find(c.says), std::string::npos) << r.out << r.err;
        EXPECT_EQ(FileExists(big), c.exitCode != 0);
        EXPECT_EQ(DirectoryExists(demo::InstallDir(*program)), c.exitCode != 0);
        if (c.exitCode == 0)
            EXPECT_EQ(r.out.find("Kept for"), std::string::npos) << r.out;
        else
            EXPECT_EQ(WithoutWines(regAfter), regBefore);
    }
}

// A scan that stopped part way lists what it found, says that it failed and
// removes nothing, --yes or not: the list is not all there is.
TEST(CmdRemains, AFailedScanRemovesNothing) {
    const std::string dir = test::FreshScratchDir("cmd-failed-scan");
    test::WriteWholeFile(dir + "left.txt", "x");
    cmd::FoundRemains found;
    found.target = {"CxScanFails", dir, "Scan Fails", "HKEY_CURRENT_USER"};
    found.scan.failure = "the listing of a folder stopped";
    const cleanup::NodeId root =
        found.files.AddPath(-1, AnsiToWide(dir), cleanup::NodeKind::Folder);
    found.files.AddPath(root, AnsiToWide(dir + "left.txt"), cleanup::NodeKind::File);
    const cmd::ParseResult args =
        cmd::ParseArguments({"uninstall", "CxScanFails", "--remains", "remove", "--yes"});
    ASSERT_TRUE(args.invocation);
    std::string out, err;
    cmd::Console console{
        [&](const std::string& s) { out += s; }, [&](const std::string& s) { err += s; }, {}};
    EXPECT_EQ(cmd::ReportRemains(*args.invocation, test::FreshScratchDir("cmd-failed-scan-app"),
                                 found, console),
              1)
        << out << err;
    EXPECT_NE(err.find("the listing of a folder stopped"), std::string::npos) << err;
    EXPECT_NE(out.find("left.txt"), std::string::npos) << out;
    EXPECT_TRUE(FileExists(dir + "left.txt"));
}

TEST_F(CmdE2e, ReportIsTheWindowsReport) {
    app::TMainForm form;
    form.CreateForm();
    std::vector<std::string> captions;
    for (int r = 0; r < form.Programs().RowCount(); ++r)
        captions.push_back(form.Programs().RowCaption(r));
    ui::SetApplicationTitle("Carvexo");
    const std::vector<std::string> expected =
        inv::BuildReport(inv::CollectReportInput(form.Programs().ProgramCountText(), captions));

    const std::string dir = test::FreshScratchDir("cmd-report");
    test::CmdResult r = RunCmd("report \"" + dir + "list, report.txt\" --patches");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> lines = test::ReadLines(dir + "list, report.txt");
    ASSERT_EQ(lines.size(), expected.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        // When and by which program it was made differ, and only those.
        if (i == 7 || i == 8) continue;
        EXPECT_EQ(lines[i], expected[i]) << i;
    }
    EXPECT_NE(lines[8].find("CarvexoCmd.exe"), std::string::npos) << lines[8];
}

TEST_F(CmdE2e, ExportAndBackupAreAwaitedAndCounted) {
    const demo::DemoProgram* program = PlainProgramWithRemains();
    ASSERT_TRUE(program);
    const std::string dir = test::FreshScratchDir("cmd-export");
    // Started where plants of the system tools lie: the exports are the system regedit's.
    const std::string planted = PlantedFolder();
    test::CmdResult r = RunCmd(
        std::string("export \"") + program->keyName + "\" \"" + NoSlash(dir) + "\"", {}, planted);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string file = dir + program->keyName + ".reg";
    // regedit writes UTF-16; the key's name stands in it once the export has ended.
    const std::string bytes = test::ReadWholeFile(file);
    ASSERT_GT(bytes.size(), 2u) << "no export at " << file;
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
    EXPECT_NE(Lower(WideToAnsi(text))
                  .find(Lower(std::string(demo::kUninstallPath) + "\\" + program->keyName + "]")),
              std::string::npos);

    test::CmdResult named = RunCmd(
        std::string("export \"") + program->keyName + "\" \"" + dir + "named.reg\"", {}, planted);
    EXPECT_EQ(named.exitCode, 0) << named.err;
    EXPECT_TRUE(FileExists(dir + "named.reg"));
    test::CmdResult nowhere =
        RunCmd(std::string("export \"") + program->keyName + "\" \"" + dir + "no\\such\\x.reg\"");
    EXPECT_EQ(nowhere.exitCode, 1);
    EXPECT_FALSE(nowhere.err.empty());

    const std::string backupDir = test::FreshScratchDir("cmd-backup");
    test::CmdResult all = RunCmd("backup \"" + NoSlash(backupDir) + "\"", {}, planted);
    ASSERT_EQ(all.exitCode, 0) << all.err;
    EXPECT_EQ(test::PlantsThatRan(planted), std::vector<std::string>{});
    size_t files = 0;
    test::ForEachEntry(AnsiToWide(backupDir), [&](const std::wstring&, const WIN32_FIND_DATAW& fd) {
        if (fd.nFileSizeLow > 0) ++files;
    });
    EXPECT_EQ(files, backup::ReadBackupEntries().size());
}

Json StartupRow(const std::string& name) {
    test::CmdResult r = RunCmd("startup list --format json");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    auto doc = test::ParseJson(r.out);
    EXPECT_TRUE(doc) << r.out;
    Json found;
    if (doc)
        for (const Json& row : doc->items)
            if (row[L"name"].text == AnsiToWide(name)) found = row;
    return found;
}

TEST_F(CmdE2e, StartupEntriesMoveAsThePageMovesThem) {
    const std::string run = std::string(demo::kCurrentVersionPath) + "\\Run";
    auto has = [](const std::string& path, const char* value) {
        auto k = reg::Key::Open(HKEY_CURRENT_USER, path);
        return k && k->HasValue(value);
    };
    ASSERT_TRUE(has(run, "KestrelSync"));
    const Json before = StartupRow("KestrelSync");
    ASSERT_EQ(before.type, Json::Type::Object);
    EXPECT_TRUE(before[L"enabled"].boolean);
    const std::string location = WideToAnsi(before[L"location"].text);

    test::CmdResult off = RunCmd("startup disable KestrelSync --location \"" + location + "\"");
    EXPECT_EQ(off.exitCode, 0) << off.err;
    EXPECT_FALSE(has(run, "KestrelSync"));
    EXPECT_TRUE(has(run + "\\Run_Disable", "KestrelSync"));
    EXPECT_FALSE(StartupRow("KestrelSync")[L"enabled"].boolean);
    EXPECT_EQ(RunCmd("startup disable kestrelsync").exitCode, 0)
        << "already disabled is no failure";

    EXPECT_EQ(RunCmd("startup enable KestrelSync").exitCode, 0);
    EXPECT_TRUE(has(run, "KestrelSync"));
    EXPECT_FALSE(has(run + "\\Run_Disable", "KestrelSync"));

    // Enabled and disabled with different commands: the move would overwrite one.
    test::CmdResult clash = RunCmd("startup enable ZephyrineDL");
    EXPECT_EQ(clash.exitCode, 1);
    EXPECT_FALSE(clash.err.empty());
    EXPECT_TRUE(has(run, "ZephyrineDL"));
    EXPECT_TRUE(has(run + "\\Run_Disable", "ZephyrineDL"));

    // A delete asks; no answer is no and a failure, "n" is no, --yes deletes.
    EXPECT_EQ(RunCmd("startup delete KestrelSync").exitCode, 1);
    EXPECT_EQ(RunCmd("startup delete KestrelSync", "n\r\n").exitCode, 0);
    EXPECT_TRUE(has(run, "KestrelSync"));
    test::CmdResult yes = RunCmd("startup delete KestrelSync", "y\r\n");
    EXPECT_EQ(yes.exitCode, 0) << yes.err;
    EXPECT_FALSE(has(run, "KestrelSync"));
    EXPECT_EQ(RunCmd("startup delete KestrelSync --yes").exitCode, 1) << "nothing left to delete";
}

}  // namespace

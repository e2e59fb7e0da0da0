// The Startup Items page through the main window, on the seeded prefix.
#include <gtest/gtest.h>

#include <windowsx.h>

#include <set>

#include "StartupKit.h"
#include "app/AppPaths.h"
#include "harness/TestKit.h"
#include "harness/Windows.h"
#include "i18n/LangText.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Strings.h"
#include "widgets/Form.h"

namespace cx::test {
namespace {

using app::TMainForm;
const wchar_t kSetup[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\Setup";
const wchar_t kServices[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices";

RawValue Dword(DWORD v) {
    RawValue r{REG_DWORD, std::vector<BYTE>(4)};
    memcpy(r.data.data(), &v, 4);
    return r;
}

// Values of every kind the registry holds, and folder entries the rules sort out.
void SeedVariety() {
    PutValue(HKEY_CURRENT_USER, kRun, L"CxBinary", RawValue{REG_BINARY, {0xca, 0xfe, 0x00, 0x01}});
    PutValue(HKEY_CURRENT_USER, kRun, L"CxDword", Dword(42));
    PutValue(HKEY_CURRENT_USER, kRun, L"CxExpand",
             Sz(L"%SystemRoot%\\system32\\cxagent.exe /quiet", REG_EXPAND_SZ));
    PutValue(HKEY_CURRENT_USER, kServices, L"", Sz(L"C:\\cx\\default.exe"));
    PutValue(HKEY_CURRENT_USER, kSetup, L"CxSetup", Sz(L"C:\\cx\\setup.exe"));
    PutValue(HKEY_LOCAL_MACHINE, kRunDisabled, L"CxMachineOff", Sz(L"C:\\cx\\off.exe"));
    const std::string user = StartupFolderPath(false);
    WriteWholeFile(user + "Hidden.lnk", "h");
    SetFileAttributesA((user + "Hidden.lnk").c_str(), FILE_ATTRIBUTE_HIDDEN);
    WriteWholeFile(user + ".dotfile", "d");
    CreateDirectoryA((user + "Cx Group").c_str(), nullptr);
    WriteWholeFile(user + "Cx Group\\inside.txt", "inside");
}

TEST_F(StartupPageTest, RowsComeInSourceOrderWithTheirLocationsAndCheckBoxes) {
    SeedVariety();
    form->Execute(cx::app::ActionTabStartupItems);
    ASSERT_GT(form->Startup().StartupRowCount(), 0);
    // HKCU keys, HKLM keys, the user's folder, the common folder, in that order.
    auto rank = [](const startup::StartupEntry& e) {
        if (e.source == startup::Source::Registry) return e.hive == startup::Hive::User ? 0 : 1;
        return 2 + e.folder;
    };
    for (int r = 1; r < form->Startup().StartupRowCount(); ++r)
        EXPECT_LE(rank(form->Startup().StartupRow(r - 1)), rank(form->Startup().StartupRow(r)))
            << r;

    const int binary = RowNamed("CxBinary");
    ASSERT_GE(binary, 0);
    EXPECT_EQ(form->Startup().StartupRowText(binary, 1), "CA FE 00 01");
    EXPECT_EQ(form->Startup().StartupRowText(binary, 2),
              "HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
    // Values after one that is no text are still read.
    EXPECT_GE(RowNamed("CxDword", true), 0);
    EXPECT_EQ(form->Startup().StartupRowText(RowNamed("CxExpand"), 1),
              "%SystemRoot%\\system32\\cxagent.exe /quiet");
    const int def = RowNamed("");
    ASSERT_GE(def, 0);
    EXPECT_EQ(form->Startup().StartupRowText(def, 2),
              "HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices");
    EXPECT_EQ(form->Startup().StartupRowText(RowNamed("CxSetup", true), 2),
              "HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\Setup");
    const int off = RowNamed("CxMachineOff");
    ASSERT_GE(off, 0);
    EXPECT_FALSE(form->Startup().StartupRowChecked(off));
    EXPECT_EQ(form->Startup().StartupRowText(off, 2),
              "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");

    const std::string user = StartupFolderPath(false);
    EXPECT_EQ(RowNamed("Hidden.lnk"), -1);
    EXPECT_EQ(RowNamed(".dotfile"), -1);
    const int group = RowNamed("Cx Group", true);
    ASSERT_GE(group, 0);
    EXPECT_EQ(form->Startup().StartupRowText(group, 1), user + "Cx Group");
    EXPECT_EQ(form->Startup().StartupRowText(group, 2), user);
    // A shortcut is listed as its own file, never as what it points to.
    const int link = RowNamed("Tide Clock.lnk", true);
    ASSERT_GE(link, 0);
    EXPECT_EQ(form->Startup().StartupRowText(link, 1), user + "Tide Clock.lnk");
    EXPECT_EQ(form->ActivePage(), 1);
    EXPECT_FALSE(IsWindowEnabled(cx::test::Control(form->hwnd(), cx::app::IDC_BTN_DELETE)));
    EXPECT_TRUE(IsWindowEnabled(cx::test::Control(form->hwnd(), cx::app::IDC_BTN_PROGRAMLIST)));
    EXPECT_FALSE(
        IsWindowEnabled(cx::test::Control(form->hwnd(), cx::app::IDC_BTN_STARTUPITEMLIST)));
    EXPECT_FALSE(form->Menus().pmTools.Enabled(app::mItemComment));
}

// Disable All, Apply, reload: all in Run_Disable and the kept folder; Enable
// All, Apply, reload: the registry and both folders exactly as they were.
TEST_F(StartupPageTest, DisableAllThenEnableAllComesBackByteForByte) {
    SeedVariety();
    // A name held by a key and by its Run_Disable alike cannot be disabled
    // without losing one of them (that case has a test of its own): keep one.
    for (const auto& [id, v] : before.values) {
        size_t at = id.find(L"\\Run_Disable|");
        if (at == std::wstring::npos) continue;
        const std::wstring enabled = id.substr(0, at) + id.substr(at + 12);
        if (!before.values.count(enabled)) continue;
        HKEY root = id.rfind(L"HKCU", 0) == 0 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        HKEY k = nullptr;
        ASSERT_EQ(
            RegOpenKeyExW(root, id.substr(5, id.find(L'|') - 5).c_str(), 0, KEY_ALL_ACCESS, &k),
            ERROR_SUCCESS);
        RegDeleteValueW(k, id.substr(id.find(L'|') + 1).c_str());
        RegCloseKey(k);
    }
    const StartupState start = TakeStartupState();
    form->Execute(cx::app::ActionTabStartupItems);
    const int rows = form->Startup().StartupRowCount();
    std::set<std::pair<std::string, std::string>> startedOff;  // location, name
    for (int r = 0; r < rows; ++r)
        if (!form->Startup().StartupRowChecked(r))
            startedOff.emplace(form->Startup().StartupRow(r).Location,
                               form->Startup().StartupRow(r).Name);
    ASSERT_GE(startedOff.size(), 3u);  // two seeded and CxMachineOff
    // CxMachineOff starts disabled: the mode follows the last row (a folder entry).
    ASSERT_TRUE(form->Startup().AllChecked());
    form->Execute(app::ActionSelectAll);
    EXPECT_FALSE(form->Startup().AllChecked());
    EXPECT_EQ(cx::test::ControlText(form->hwnd(), cx::app::IDC_BTN_SELECTALL),
              LangText(IDS_SIDEBAR_BUTTON_SelectAll));
    form->Execute(app::ActionApply);
    EXPECT_TRUE(shown.empty()) << shown.front().text;
    form->Execute(app::ActionRefresh);
    ASSERT_EQ(form->Startup().StartupRowCount(), rows);
    for (int r = 0; r < rows; ++r)
        EXPECT_FALSE(form->Startup().StartupRowChecked(r)) << form->Startup().StartupRow(r).Name;

    // Every value now sits in its key's Run_Disable, with its type and bytes.
    const StartupState off = TakeStartupState();
    for (const auto& [id, v] : start.values) {
        if (id.find(L"\\Run_Disable|") != std::wstring::npos) {
            EXPECT_EQ(off.values.at(id), v);
            continue;
        }
        EXPECT_FALSE(off.values.count(id)) << WideToAnsi(id);
        size_t bar = id.find(L'|');
        const std::wstring moved = id.substr(0, bar) + L"\\Run_Disable" + id.substr(bar);
        ASSERT_TRUE(off.values.count(moved)) << WideToAnsi(moved);
        EXPECT_EQ(off.values.at(moved), v) << WideToAnsi(moved);
    }
    // Every listed folder entry is in the kept folder; the hidden and dot files stayed.
    EXPECT_EQ(ReadWholeFile(KeptFolderPath(false) + "Cx Group\\inside.txt"), "inside");
    EXPECT_TRUE(FileExists(KeptFolderPath(false) + "Tide Clock.lnk"));
    EXPECT_TRUE(FileExists(KeptFolderPath(true) + "Pellucid Quick Launch.lnk"));
    EXPECT_TRUE(FileExists(StartupFolderPath(false) + "Hidden.lnk"));
    EXPECT_TRUE(FileExists(StartupFolderPath(false) + ".dotfile"));
    EXPECT_FALSE(FileExists(StartupFolderPath(false) + "Tide Clock.lnk"));

    form->Execute(cx::app::ActionTabStartupItems);
    EXPECT_FALSE(form->Startup().AllChecked());  // the last row is unchecked now
    EXPECT_EQ(cx::test::ControlText(form->hwnd(), cx::app::IDC_BTN_SELECTALL),
              LangText(IDS_SIDEBAR_BUTTON_SelectAll));
    form->Execute(app::ActionSelectAll);
    form->Execute(app::ActionApply);
    EXPECT_TRUE(shown.empty()) << shown.front().text;
    form->Execute(app::ActionRefresh);
    ASSERT_EQ(form->Startup().StartupRowCount(), rows);
    for (int r = 0; r < rows; ++r)
        EXPECT_TRUE(form->Startup().StartupRowChecked(r)) << form->Startup().StartupRow(r).Name;
    // What was disabled to start with is enabled now; disabled again, it is
    // all as it was.
    for (int r = 0; r < rows; ++r)
        if (startedOff.count(
                {form->Startup().StartupRow(r).Location, form->Startup().StartupRow(r).Name}))
            form->Startup().SetStartupRowChecked(r, false);
    form->Execute(app::ActionApply);
    EXPECT_TRUE(shown.empty());
    const StartupState end = TakeStartupState();
    EXPECT_EQ(end.values, start.values);
    EXPECT_EQ(end.files, start.files);
    EXPECT_EQ(end.folders, start.folders);
}

TEST_F(StartupPageTest, ApplyWithNothingChangedWritesNothing) {
    const RawValue expand = Sz(L"%ProgramFiles%\\Cx\\tray.exe", REG_EXPAND_SZ);
    PutValue(HKEY_CURRENT_USER, kRun, L"CxExpandKept", expand);
    PutValue(HKEY_CURRENT_USER, kRun, L"CxTwice", Sz(L"C:\\cx\\on.exe"));
    PutValue(HKEY_CURRENT_USER, kRunDisabled, L"CxTwice", Sz(L"C:\\cx\\off.exe"));
    const StartupState start = TakeStartupState();
    form->Execute(cx::app::ActionTabStartupItems);
    form->Execute(app::ActionApply);
    EXPECT_TRUE(shown.empty());
    // Neither rewritten as a plain string nor collapsed into one of the pair.
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kRun, L"CxExpandKept"), expand);
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kRun, L"CxTwice"), Sz(L"C:\\cx\\on.exe"));
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kRunDisabled, L"CxTwice"), Sz(L"C:\\cx\\off.exe"));
    EXPECT_TRUE(TakeStartupState() == start);
}

TEST_F(StartupPageTest, AMoveOntoADifferentValueIsRefusedAndTold) {
    PutValue(HKEY_CURRENT_USER, kRun, L"CxTwice", Sz(L"C:\\cx\\on.exe"));
    PutValue(HKEY_CURRENT_USER, kRunDisabled, L"CxTwice", Sz(L"C:\\cx\\off.exe"));
    PutValue(HKEY_CURRENT_USER, kRun, L"CxAlone", Sz(L"C:\\cx\\alone.exe"));
    form->Execute(cx::app::ActionTabStartupItems);
    const int on = RowNamed("CxTwice", true);
    ASSERT_GE(on, 0);
    ASSERT_LT(on, RowNamed("CxTwice", false));  // the checked one first
    form->Startup().SetStartupRowChecked(on, false);
    form->Startup().SetStartupRowChecked(RowNamed("CxAlone"), false);
    form->Execute(app::ActionApply);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "1 startup entries could not be changed: CxTwice");
    EXPECT_EQ(shown[0].caption, "Carvexo");
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kRun, L"CxTwice"), Sz(L"C:\\cx\\on.exe"));
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kRunDisabled, L"CxTwice"), Sz(L"C:\\cx\\off.exe"));
    // The other row's move went through; the list shows what is stored.
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kRunDisabled, L"CxAlone"), Sz(L"C:\\cx\\alone.exe"));
    EXPECT_GE(RowNamed("CxTwice", true), 0);
    EXPECT_GE(RowNamed("CxAlone", false), 0);
}

TEST_F(StartupPageTest, AnEntryThatCannotBeDisabledIsToldWithItsReasonAndStays) {
    const wchar_t kOnceEx[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx";
    PutValue(HKEY_CURRENT_USER, kOnceEx, L"CxOnce", Sz(L"C:\\cx\\once.exe"));
    form->Execute(cx::app::ActionTabStartupItems);
    form->Startup().SetStartupRowChecked(RowNamed("CxOnce"), false);
    form->Execute(app::ActionApply);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].text.find("CxOnce (Windows runs every subkey of RunOnceEx"),
              std::string::npos)
        << shown[0].text;
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kOnceEx, L"CxOnce"), Sz(L"C:\\cx\\once.exe"));
    EXPECT_GE(RowNamed("CxOnce", true), 0);
}

TEST_F(StartupPageTest, ADisabledShortcutIsKeptAndDeleteRemovesTheKeptFile) {
    const std::string user = StartupFolderPath(false);
    const std::string bytes = ReadWholeFile(user + "Tide Clock.lnk");
    form->Execute(cx::app::ActionTabStartupItems);
    form->Startup().SetStartupRowChecked(RowNamed("Tide Clock.lnk"), false);
    form->Execute(app::ActionApply);
    EXPECT_TRUE(shown.empty());
    const std::string kept = KeptFolderPath(false) + "Tide Clock.lnk";
    EXPECT_FALSE(FileExists(user + "Tide Clock.lnk"));
    EXPECT_EQ(ReadWholeFile(kept), bytes);
    form->Execute(app::ActionRefresh);
    const int row = RowNamed("Tide Clock.lnk", false);
    ASSERT_GE(row, 0);
    EXPECT_EQ(form->Startup().StartupRowText(row, 2), user);

    form->Startup().SelectStartupRow(row);
    messages.answer = IDNO;
    form->Execute(app::ActionDelete);
    EXPECT_TRUE(FileExists(kept));
    messages.answer = IDYES;
    form->Execute(app::ActionDelete);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, LangText(IDS_MESSAGEBOX_WARNING_DeleteStartupEntry));
    EXPECT_EQ(shown[1].flags, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
    EXPECT_FALSE(FileExists(kept));
    EXPECT_EQ(RowNamed("Tide Clock.lnk"), -1);
}

TEST_F(StartupPageTest, DeleteKeepsTheRowsItCouldNotDeleteAndSaysWhich) {
    const std::string user = StartupFolderPath(false);
    WriteWholeFile(user + "Busy.lnk", "busy");
    PutValue(HKEY_CURRENT_USER, kRun, L"CxDeleteMe", Sz(L"C:\\cx\\x.exe"));
    form->Execute(cx::app::ActionTabStartupItems);
    unique_hfile held(CreateFileA((user + "Busy.lnk").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    form->Startup().SelectStartupRow(RowNamed("Busy.lnk"));
    form->Startup().SelectStartupRow(RowNamed("CxDeleteMe"));
    messages.answer = IDYES;
    form->Execute(app::ActionDelete);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, "The startup entry could not be deleted: Busy.lnk");
    EXPECT_GE(RowNamed("Busy.lnk"), 0);
    EXPECT_EQ(RowNamed("CxDeleteMe"), -1);
    EXPECT_FALSE(GetValue(HKEY_CURRENT_USER, kRun, L"CxDeleteMe"));
}

TEST_F(StartupPageTest, DeletingOneCopyOfANameTakesBothRows) {
    PutValue(HKEY_CURRENT_USER, kRun, L"CxTwice", Sz(L"C:\\cx\\on.exe"));
    PutValue(HKEY_CURRENT_USER, kRunDisabled, L"CxTwice", Sz(L"C:\\cx\\off.exe"));
    form->Execute(cx::app::ActionTabStartupItems);
    const int rows = form->Startup().StartupRowCount();
    form->Startup().SelectStartupRow(RowNamed("CxTwice", false));
    messages.answer = IDYES;
    form->Execute(app::ActionDelete);
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_FALSE(GetValue(HKEY_CURRENT_USER, kRun, L"CxTwice"));
    EXPECT_FALSE(GetValue(HKEY_CURRENT_USER, kRunDisabled, L"CxTwice"));
    EXPECT_EQ(RowNamed("CxTwice"), -1);
    EXPECT_EQ(form->Startup().StartupRowCount(), rows - 2);
}

// A standard user may read the machine's Run key but not change it. The key's
// access rules say so here (Wine checks them for every process; its tokens
// carry no separate administrator rights to take away).
TEST_F(StartupPageTest, MachineEntriesAreListedForAStandardUserAndARefusedApplyIsTold) {
    PutValue(HKEY_LOCAL_MACHINE, kRun, L"CxMachine", Sz(L"C:\\cx\\machine.exe"));
    KeyLock lock(HKEY_LOCAL_MACHINE, kRun);
    ASSERT_TRUE(lock.DenyWrites());
    HKEY probe = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRun, 0, KEY_ALL_ACCESS, &probe) == ERROR_SUCCESS) {
        RegCloseKey(probe);
        GTEST_SKIP() << "the system grants full access despite the key's rules";
    }
    form->Execute(cx::app::ActionTabStartupItems);
    const int row = RowNamed("CxMachine", true);
    ASSERT_GE(row, 0);
    EXPECT_EQ(form->Startup().StartupRowText(row, 2),
              "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
    form->Startup().SetStartupRowChecked(row, false);
    form->Execute(app::ActionApply);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].text.find("could not be changed"), std::string::npos);
    EXPECT_NE(shown[0].text.find("CxMachine"), std::string::npos);
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, kRun, L"CxMachine"), Sz(L"C:\\cx\\machine.exe"));
    EXPECT_GE(RowNamed("CxMachine", true), 0);  // reloaded: still enabled
}

TEST_F(StartupPageTest, ItemInfoFindsTheProgramOfCommonCommandForms) {
    const std::string sample = BuildDir() + "tools\\SampleApp.exe";
    const std::string spaced = "C:\\Program Files\\Cx Info Test\\";
    ForceDirectories(spaced);
    ASSERT_TRUE(CopyFileA(sample.c_str(), (spaced + "cx info.exe").c_str(), FALSE));
    ForceDirectories("C:\\CxInfoTools\\");
    ASSERT_TRUE(CopyFileA(sample.c_str(), "C:\\CxInfoTools\\agent.exe", FALSE));
    PutValue(HKEY_CURRENT_USER, kRun, L"CxQuoted",
             Sz(AnsiToWide("\"" + spaced + "cx info.exe\" -min")));
    PutValue(HKEY_CURRENT_USER, kRun, L"CxBare", Sz(L"C:\\CxInfoTools\\agent.exe --tray"));
    PutValue(HKEY_CURRENT_USER, kRun, L"CxUnquoted", Sz(AnsiToWide(spaced + "cx info.exe -a b")));
    PutValue(HKEY_CURRENT_USER, kRun, L"CxVariable",
             Sz(L"%ProgramFiles%\\Cx Info Test\\cx info.exe", REG_EXPAND_SZ));
    form->Execute(cx::app::ActionTabStartupItems);
    for (const char* name : {"CxQuoted", "CxBare", "CxUnquoted", "CxVariable"}) {
        SetWindowTextA(cx::test::Control(form->hwnd(), cx::app::IDC_LBL_PUBLISHERVALUE), "");
        const int row = RowNamed(name);
        ASSERT_GE(row, 0);
        form->Startup().SelectStartupRow(row);
        EXPECT_TRUE(IsWindowVisible(cx::test::Control(form->hwnd(), cx::app::IDC_GRBITEMINFO)))
            << name;
        EXPECT_EQ(
            ui::WindowString(cx::test::Control(form->hwnd(), cx::app::IDC_LBL_PUBLISHERVALUE)),
            "Carvexo developers")
            << name;
        EXPECT_EQ(ui::WindowString(cx::test::Control(form->hwnd(), cx::app::IDC_LBL_VERSIONVALUE)),
                  "2.4.1.0")
            << name;
        form->Startup().SelectStartupRow(row, false);
    }
    EXPECT_TRUE(IsWindowEnabled(cx::test::Control(form->hwnd(), cx::app::IDC_BTN_DELETE)));
    // A shortcut file has no version resource: no Item Info.
    form->Startup().SelectStartupRow(RowNamed("Tide Clock.lnk"));
    EXPECT_FALSE(IsWindowVisible(cx::test::Control(form->hwnd(), cx::app::IDC_GRBITEMINFO)));
    RemoveTree("C:\\Program Files\\Cx Info Test");
    RemoveTree("C:\\CxInfoTools");
}

TEST_F(StartupPageTest, F5OnTheStartupPageReloadsOnlyTheStartupList) {
    form->Execute(cx::app::ActionTabStartupItems);
    const int programs = form->Programs().RowCount();
    PutValue(HKEY_CURRENT_USER, kRun, L"CxLate", Sz(L"C:\\cx\\late.exe"));
    EXPECT_EQ(RowNamed("CxLate"), -1);
    SendMessageA(form->hwnd(), WM_COMMAND, MAKEWPARAM(app::IDA_F5, 1), 0);
    EXPECT_GE(RowNamed("CxLate", true), 0);
    EXPECT_EQ(form->Programs().RowCount(), programs);
    // Back on the program page F5 leaves the startup list alone.
    form->Execute(cx::app::ActionTabProgramList);
    EXPECT_EQ(form->ActivePage(), 0);
}

// The list holds no rows of its own: it shows the page's rows and marks, and
// a press on a box or the space bar turns them.
TEST_F(StartupPageTest, CheckBoxesTurnByPressAndSpaceAndTheListShowsThePageRows) {
    form->Execute(cx::app::ActionTabStartupItems);
    HWND list = form->Startup().ListView();
    ASSERT_GE(form->Startup().StartupRowCount(), 3);
    for (int r = 0; r < form->Startup().StartupRowCount(); ++r) {
        EXPECT_EQ(ListView_GetCheckState(list, r) != 0, form->Startup().StartupRowChecked(r)) << r;
        EXPECT_EQ(form->Startup().StartupRowText(r, 0), form->Startup().StartupRow(r).Name);
    }
    const int row = 1;
    const bool was = form->Startup().StartupRowChecked(row);
    RECT bounds{};
    ASSERT_TRUE(ListView_GetItemRect(list, row, &bounds, LVIR_BOUNDS));
    LVHITTESTINFO hit{};
    hit.pt.y = (bounds.top + bounds.bottom) / 2;
    for (hit.pt.x = bounds.left; hit.pt.x < bounds.left + 40; ++hit.pt.x)
        if (ListView_HitTest(list, &hit) == row && (hit.flags & LVHT_ONITEMSTATEICON)) break;
    ASSERT_TRUE(hit.flags & LVHT_ONITEMSTATEICON);
    const LPARAM at = MAKELPARAM(hit.pt.x, hit.pt.y);
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(list, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(form->Startup().StartupRowChecked(row), !was);
    EXPECT_EQ(ListView_GetCheckState(list, row) != 0, !was);
    SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageA(list, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(form->Startup().StartupRowChecked(row), was);

    // Space: the focused row's box turns and every selected row follows it.
    form->Startup().SetStartupRowChecked(0, true);
    form->Startup().SetStartupRowChecked(2, false);
    form->Startup().SelectStartupRow(0);
    form->Startup().SelectStartupRow(2);
    ListView_SetItemState(list, 0, LVIS_FOCUSED, LVIS_FOCUSED);
    SendMessageA(list, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_FALSE(form->Startup().StartupRowChecked(0));
    EXPECT_FALSE(form->Startup().StartupRowChecked(2));
    EXPECT_EQ(form->Startup().StartupRowChecked(row), was);  // not selected, not touched

    // Typing a name finds its row.
    LVFINDINFOA find{};
    find.flags = LVFI_STRING | LVFI_WRAP;
    const std::string name = form->Startup().StartupRow(2).Name;
    find.psz = name.c_str();
    const int found = ListView_FindItem(list, 1, &find);
    ASSERT_GE(found, 0);
    EXPECT_EQ(lstrcmpiA(form->Startup().StartupRow(found).Name.c_str(), name.c_str()), 0);
}

TEST_F(StartupPageTest, DisableAllOnAnyListFlipsTheModeAndTheCaption) {
    form->Execute(cx::app::ActionTabStartupItems);
    ASSERT_TRUE(form->Startup().AllChecked());
    EXPECT_EQ(cx::test::ControlText(form->hwnd(), cx::app::IDC_BTN_SELECTALL),
              LangText(IDS_SIDEBAR_BUTTON_UnSelectAll));
    form->Execute(app::ActionSelectAll);
    for (int r = 0; r < form->Startup().StartupRowCount(); ++r)
        EXPECT_FALSE(form->Startup().StartupRowChecked(r));
    form->Execute(app::ActionSelectAll);
    EXPECT_TRUE(form->Startup().AllChecked());
    EXPECT_EQ(cx::test::ControlText(form->hwnd(), cx::app::IDC_BTN_SELECTALL),
              LangText(IDS_SIDEBAR_BUTTON_UnSelectAll));
    for (int r = 0; r < form->Startup().StartupRowCount(); ++r)
        EXPECT_TRUE(form->Startup().StartupRowChecked(r));
}

}  // namespace
}  // namespace cx::test

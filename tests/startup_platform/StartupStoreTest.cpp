#include <gtest/gtest.h>

#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>

#include "harness/RegValues.h"
#include "harness/TestKit.h"
#include "platform/Com.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Strings.h"
#include "startup/FileInfo.h"
#include "startup/Shortcut.h"
#include "startup/StartupStore.h"

namespace {

using namespace cx::startup;

const wchar_t kRun[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kRunDisabled[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\Run_Disable";
const wchar_t kRunServices[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices";

using cx::test::GetValue;
using cx::test::KeyLock;
using cx::test::PutValue;
using cx::test::RemoveValue;
using Raw = cx::test::RawValue;
using cx::test::WideBytes;

// The values a test makes under HKCU, removed from both places again.
class RegistryRows : public ::testing::Test {
protected:
    void TearDown() override {
        for (const auto& [path, name] : made) {
            RemoveValue(HKEY_CURRENT_USER, path, name);
            RemoveValue(HKEY_CURRENT_USER, path + L"\\Run_Disable", name);
        }
    }
    void Make(const std::wstring& path, const std::wstring& name, const Raw& v,
              bool disabled = false) {
        made.emplace_back(path, name);
        PutValue(HKEY_CURRENT_USER, disabled ? path + L"\\Run_Disable" : path, name, v);
    }
    // The rows of HKCU with that value name.
    std::vector<StartupEntry> RowsNamed(const std::wstring& name) {
        std::vector<StartupEntry> all, out;
        AppendRegistryRows(Hive::User, all);
        for (auto& r : all)
            if (r.valueName == name) out.push_back(r);
        return out;
    }
    std::vector<std::pair<std::wstring, std::wstring>> made;
};

TEST_F(RegistryRows, EveryValueTypeGivesARowWithItsTypeAndBytesAndLaterValuesStillCome) {
    DWORD seven = 7;
    Raw binary{REG_BINARY, {0x00, 0xff, 0x10}};
    Raw dword{REG_DWORD, std::vector<BYTE>(4)};
    memcpy(dword.data.data(), &seven, 4);
    Raw expand{REG_EXPAND_SZ, WideBytes(L"%SystemRoot%\\cxtool.exe -x")};
    Raw plain{REG_SZ, WideBytes(L"C:\\cx\\after.exe")};
    // Binary data first: what follows it in the key must still be read.
    Make(kRun, L"CxBinary", binary);
    Make(kRun, L"CxDword", dword);
    Make(kRun, L"CxExpand", expand);
    Make(kRun, L"CxAfter", plain);

    auto b = RowsNamed(L"CxBinary");
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0].type, REG_BINARY);
    EXPECT_EQ(b[0].data, binary.data);
    EXPECT_EQ(b[0].Command, "00 FF 10");
    EXPECT_EQ(b[0].Location, "HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
    EXPECT_TRUE(b[0].Enabled);
    auto d = RowsNamed(L"CxDword");
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].Command, "0x00000007 (7)");
    auto e = RowsNamed(L"CxExpand");
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].type, REG_EXPAND_SZ);
    EXPECT_EQ(e[0].Command, "%SystemRoot%\\cxtool.exe -x");
    EXPECT_EQ(RowsNamed(L"CxAfter").size(), 1u);
}

TEST_F(RegistryRows, ANameInTheKeyAndInRunDisableGivesTheCheckedRowFirst) {
    Make(kRun, L"CxTwice", Raw{REG_SZ, WideBytes(L"enabled data")});
    Make(kRun, L"CxTwice", Raw{REG_SZ, WideBytes(L"disabled data")}, true);
    auto rows = RowsNamed(L"CxTwice");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(rows[0].Enabled);
    EXPECT_EQ(rows[0].Command, "enabled data");
    EXPECT_FALSE(rows[1].Enabled);
    EXPECT_EQ(rows[1].Command, "disabled data");
    // A disabled value shows its parent key: the two differ only in the check box.
    EXPECT_EQ(rows[0].Location, rows[1].Location);
}

TEST_F(RegistryRows, TheDefaultValueIsARowWithAnEmptyName) {
    Make(kRunServices, L"", Raw{REG_SZ, WideBytes(L"C:\\cx\\default.exe")});
    auto rows = RowsNamed(L"");
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.back().Name, "");
    EXPECT_EQ(rows.back().Location,
              "HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices");
    // It moves like any other value, to Run_Disable's default value and back.
    StartupEntry row = rows.back();
    StartupPlaces none;
    ASSERT_EQ(MoveEntry(row, false, none).outcome, Outcome::Done);
    EXPECT_FALSE(GetValue(HKEY_CURRENT_USER, kRunServices, L""));
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, std::wstring(kRunServices) + L"\\Run_Disable", L""),
              (Raw{REG_SZ, WideBytes(L"C:\\cx\\default.exe")}));
    ASSERT_EQ(MoveEntry(row, true, none).outcome, Outcome::Done);
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kRunServices, L""), (Raw{REG_SZ, WideBytes(L"C:\\cx\\default.exe")}));
}

TEST_F(RegistryRows, MovesKeepTypeAndBytesBothWays) {
    const Raw expand{REG_EXPAND_SZ, WideBytes(L"%ProgramFiles%\\Cx\\tool.exe /tray")};
    std::vector<BYTE> odd = {1, 2, 3};  // no text at all, and an odd count
    const Raw binary{REG_BINARY, odd};
    Make(kRun, L"CxExpandMove", expand);
    Make(kRun, L"CxBinaryMove", binary);
    StartupPlaces none;
    for (const wchar_t* name : {L"CxExpandMove", L"CxBinaryMove"}) {
        auto rows = RowsNamed(name);
        ASSERT_EQ(rows.size(), 1u);
        const Raw before = *GetValue(HKEY_CURRENT_USER, kRun, name);
        ASSERT_EQ(MoveEntry(rows[0], false, none).outcome, Outcome::Done);
        EXPECT_FALSE(rows[0].Enabled);
        EXPECT_FALSE(GetValue(HKEY_CURRENT_USER, kRun, name));
        EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kRunDisabled, name), before);
        // Read back as a disabled row, and moved home again.
        auto back = RowsNamed(name);
        ASSERT_EQ(back.size(), 1u);
        EXPECT_FALSE(back[0].Enabled);
        ASSERT_EQ(MoveEntry(back[0], true, none).outcome, Outcome::Done);
        EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kRun, name), before);
        EXPECT_FALSE(GetValue(HKEY_CURRENT_USER, kRunDisabled, name));
    }
}

TEST_F(RegistryRows, ADifferentValueAtTheDestinationIsNeverOverwritten) {
    const Raw mine{REG_SZ, WideBytes(L"C:\\cx\\mine.exe")};
    const Raw theirs{REG_SZ, WideBytes(L"C:\\cx\\theirs.exe")};
    Make(kRun, L"CxClash", mine);
    Make(kRun, L"CxClash", theirs, true);
    auto rows = RowsNamed(L"CxClash");
    ASSERT_EQ(rows.size(), 2u);
    StartupPlaces none;
    EXPECT_EQ(MoveEntry(rows[0], false, none).outcome, Outcome::Conflict);
    EXPECT_EQ(MoveEntry(rows[1], true, none).outcome, Outcome::Conflict);
    EXPECT_TRUE(rows[0].Enabled);
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kRun, L"CxClash"), mine);
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kRunDisabled, L"CxClash"), theirs);
}

TEST_F(RegistryRows, TheSameValueAtTheDestinationLeavesOneCopy) {
    const Raw same{REG_SZ, WideBytes(L"C:\\cx\\same.exe")};
    Make(kRun, L"CxSame", same);
    Make(kRun, L"CxSame", same, true);
    auto rows = RowsNamed(L"CxSame");
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_EQ(MoveEntry(rows[0], false, StartupPlaces{}).outcome, Outcome::Done);
    EXPECT_FALSE(GetValue(HKEY_CURRENT_USER, kRun, L"CxSame"));
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kRunDisabled, L"CxSame"), same);
}

TEST_F(RegistryRows, AValueChangedSinceReadingIsNotMoved) {
    Make(kRun, L"CxChanged", Raw{REG_SZ, WideBytes(L"old")});
    auto rows = RowsNamed(L"CxChanged");
    ASSERT_EQ(rows.size(), 1u);
    PutValue(HKEY_CURRENT_USER, kRun, L"CxChanged", Raw{REG_SZ, WideBytes(L"new")});
    EXPECT_EQ(MoveEntry(rows[0], false, StartupPlaces{}).outcome, Outcome::Changed);
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kRun, L"CxChanged"), (Raw{REG_SZ, WideBytes(L"new")}));
    RemoveValue(HKEY_CURRENT_USER, kRun, L"CxChanged");
    EXPECT_EQ(MoveEntry(rows[0], false, StartupPlaces{}).outcome, Outcome::Changed);
    EXPECT_FALSE(GetValue(HKEY_CURRENT_USER, kRunDisabled, L"CxChanged"));
}

TEST_F(RegistryRows, DeleteTakesTheValueFromTheKeyAndFromRunDisable) {
    Make(kRun, L"CxGone", Raw{REG_SZ, WideBytes(L"a")});
    Make(kRun, L"CxGone", Raw{REG_SZ, WideBytes(L"b")}, true);
    auto rows = RowsNamed(L"CxGone");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(DeleteEntry(rows[1]).outcome, Outcome::Done);
    EXPECT_FALSE(GetValue(HKEY_CURRENT_USER, kRun, L"CxGone"));
    EXPECT_FALSE(GetValue(HKEY_CURRENT_USER, kRunDisabled, L"CxGone"));
    EXPECT_EQ(DeleteEntry(rows[0]).outcome, Outcome::Done);  // nothing left is no failure
}

TEST_F(RegistryRows, HostileValueNamesAndDataRoundTrip) {
    // A name the code page cannot hold and one of maximal length.
    const std::wstring odd = L"Cx\x4e2d\x0416\xff0f name";
    const std::wstring longName = L"Cx" + std::wstring(16000, L'n');
    Make(kRun, odd, Raw{REG_SZ, WideBytes(L"x")});
    Make(kRun, longName, Raw{REG_SZ, std::vector<BYTE>(70000, 'A')});
    auto a = RowsNamed(odd);
    ASSERT_EQ(a.size(), 1u);
    auto b = RowsNamed(longName);
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0].data.size(), 70000u);
    ASSERT_EQ(MoveEntry(a[0], false, StartupPlaces{}).outcome, Outcome::Done);
    ASSERT_EQ(MoveEntry(b[0], false, StartupPlaces{}).outcome, Outcome::Done);
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kRunDisabled, odd), (Raw{REG_SZ, WideBytes(L"x")}));
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kRunDisabled, longName)->data.size(), 70000u);
}

TEST_F(RegistryRows, AKeyThatMayNotBeChangedIsStillListedAndItsMoveFails) {
    Make(kRunServices, L"CxLocked", Raw{REG_SZ, WideBytes(L"C:\\cx\\locked.exe")});
    KeyLock security(HKEY_CURRENT_USER, kRunServices);
    ASSERT_TRUE(security.saved());
    ASSERT_TRUE(security.DenyWrites());
    HKEY probe = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunServices, 0, KEY_SET_VALUE, &probe) == ERROR_SUCCESS) {
        RegCloseKey(probe);
        GTEST_SKIP() << "this system does not enforce the key's security for its owner";
    }
    auto rows = RowsNamed(L"CxLocked");
    ASSERT_EQ(rows.size(), 1u);
    Result r = MoveEntry(rows[0], false, StartupPlaces{});
    EXPECT_EQ(r.outcome, Outcome::Failed);
    EXPECT_EQ(r.error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(rows[0].Enabled);
    EXPECT_TRUE(GetValue(HKEY_CURRENT_USER, kRunServices, L"CxLocked"));
    EXPECT_EQ(DeleteEntry(rows[0]).outcome, Outcome::Failed);
}

TEST_F(RegistryRows, RunValuesAreWrittenAsStringsAndReadBack) {
    made.emplace_back(kRun, L"CxAdded");
    EXPECT_EQ(WriteRunValue(HKEY_CURRENT_USER, "CxAdded", "\"C:\\A B\\x.exe\""), RunWrite::Written);
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kRun, L"CxAdded"), (Raw{REG_SZ, WideBytes(L"\"C:\\A B\\x.exe\"")}));
    RunValueNow now = ReadRunValue(HKEY_CURRENT_USER, "CxAdded");
    EXPECT_TRUE(now.found);
    EXPECT_TRUE(now.isString);
    EXPECT_EQ(now.text, "\"C:\\A B\\x.exe\"");
    EXPECT_FALSE(ReadRunValue(HKEY_CURRENT_USER, "CxNotThere").found);
}

// --- Startup folders, in scratch folders of their own ---------------------------------------

class FolderRows : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string base = cx::test::FreshScratchDir("startup-folders");
        for (int i = 0; i < kFolderCount; ++i) {
            const std::string f = base + (i ? "Common Startup\\" : "User Startup\\");
            cx::ForceDirectories(f);
            places.folders[i] = cx::AnsiToWide(f);
            places.kept[i] = cx::AnsiToWide(base + "Back up\\startup\\" + kKeptSubfolders[i] + "\\");
        }
    }
    std::string Folder(int i) const { return cx::WideToAnsi(places.folders[i]); }
    std::vector<StartupEntry> Rows() {
        std::vector<StartupEntry> rows;
        AppendFolderRows(places, rows);
        return rows;
    }
    StartupPlaces places;
};

TEST_F(FolderRows, HiddenAndDotEntriesAreLeftOutAndSubfoldersListed) {
    cx::test::WriteWholeFile(Folder(0) + "Agent.lnk", "link bytes");
    cx::test::WriteWholeFile(Folder(0) + "desktop.ini", "[.ShellClassInfo]");
    SetFileAttributesA((Folder(0) + "desktop.ini").c_str(),
                       FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    cx::test::WriteWholeFile(Folder(0) + ".secret", "x");
    CreateDirectoryA((Folder(0) + "Tools").c_str(), nullptr);
    cx::test::WriteWholeFile(Folder(1) + "Common.lnk", "c");
    auto rows = Rows();
    std::vector<std::string> names;
    for (auto& r : rows) names.push_back(r.Name);
    std::sort(names.begin(), names.begin() + 2);
    EXPECT_EQ(names, (std::vector<std::string>{"Agent.lnk", "Tools", "Common.lnk"}));
    for (auto& r : rows) {
        EXPECT_TRUE(r.Enabled);
        EXPECT_EQ(r.Location, Folder(r.folder));
        EXPECT_EQ(r.Command, Folder(r.folder) + r.Name);
    }
}

TEST_F(FolderRows, DisablingKeepsTheFileAndEnablingPutsItBackUnchanged) {
    const std::string bytes = std::string("\x4c\0\0\0 a shortcut's bytes", 24);
    cx::test::WriteWholeFile(Folder(1) + "Pause Me.lnk", bytes);
    auto rows = Rows();
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_EQ(MoveEntry(rows[0], false, places).outcome, Outcome::Done);
    const std::string kept = cx::WideToAnsi(places.kept[1]) + "Pause Me.lnk";
    EXPECT_FALSE(cx::FileExists(Folder(1) + "Pause Me.lnk"));
    EXPECT_EQ(cx::test::ReadWholeFile(kept), bytes);
    EXPECT_EQ(rows[0].Command, kept);

    // The kept file is an unchecked row of its Startup folder.
    auto again = Rows();
    ASSERT_EQ(again.size(), 1u);
    EXPECT_FALSE(again[0].Enabled);
    EXPECT_EQ(again[0].Location, Folder(1));
    EXPECT_EQ(again[0].folder, 1);
    ASSERT_EQ(MoveEntry(again[0], true, places).outcome, Outcome::Done);
    EXPECT_EQ(cx::test::ReadWholeFile(Folder(1) + "Pause Me.lnk"), bytes);
    EXPECT_FALSE(cx::FileExists(kept));
}

TEST_F(FolderRows, AnotherKeptFileOfTheSameNameIsNotOverwritten) {
    cx::test::WriteWholeFile(Folder(0) + "Same.lnk", "new");
    cx::ForceDirectories(cx::WideToAnsi(places.kept[0]));
    cx::test::WriteWholeFile(cx::WideToAnsi(places.kept[0]) + "Same.lnk", "older");
    auto rows = Rows();
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_TRUE(rows[0].Enabled);
    EXPECT_EQ(MoveEntry(rows[0], false, places).outcome, Outcome::Conflict);
    EXPECT_EQ(MoveEntry(rows[1], true, places).outcome, Outcome::Conflict);
    EXPECT_EQ(cx::test::ReadWholeFile(Folder(0) + "Same.lnk"), "new");
    EXPECT_EQ(cx::test::ReadWholeFile(cx::WideToAnsi(places.kept[0]) + "Same.lnk"), "older");
}

TEST_F(FolderRows, DeleteRemovesTheKeptFileAndReportsAFileInUse) {
    cx::test::WriteWholeFile(Folder(0) + "Kept.lnk", "k");
    auto rows = Rows();
    ASSERT_EQ(MoveEntry(rows[0], false, places).outcome, Outcome::Done);
    EXPECT_EQ(DeleteEntry(rows[0]).outcome, Outcome::Done);
    EXPECT_FALSE(cx::FileExists(cx::WideToAnsi(places.kept[0]) + "Kept.lnk"));

    cx::test::WriteWholeFile(Folder(0) + "Busy.lnk", "b");
    auto busy = Rows();
    ASSERT_EQ(busy.size(), 1u);
    // Open without delete sharing: the system refuses to delete it meanwhile.
    cx::unique_hfile held(CreateFileA((Folder(0) + "Busy.lnk").c_str(), GENERIC_READ,
                                      FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_EQ(DeleteEntry(busy[0]).outcome, Outcome::Failed);
    EXPECT_TRUE(cx::FileExists(Folder(0) + "Busy.lnk"));
}

TEST_F(FolderRows, ASubfolderMovesWhole) {
    CreateDirectoryA((Folder(0) + "Group").c_str(), nullptr);
    cx::test::WriteWholeFile(Folder(0) + "Group\\inner.txt", "i");
    auto rows = Rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows[0].directory);
    ASSERT_EQ(MoveEntry(rows[0], false, places).outcome, Outcome::Done);
    EXPECT_EQ(cx::test::ReadWholeFile(cx::WideToAnsi(places.kept[0]) + "Group\\inner.txt"), "i");
    ASSERT_EQ(MoveEntry(rows[0], true, places).outcome, Outcome::Done);
    EXPECT_EQ(cx::test::ReadWholeFile(Folder(0) + "Group\\inner.txt"), "i");
}

TEST_F(FolderRows, AStartupFolderTheShellCannotNameGivesNoRows) {
    cx::test::WriteWholeFile(Folder(0) + "x.lnk", "x");
    places.folders[0].clear();
    auto rows = Rows();
    EXPECT_TRUE(rows.empty());
}

// --- shortcuts and version resources ---------------------------------------------------------

TEST(Shortcuts, ALinkStartsItsTargetInTheTargetsFolder) {
    cx::ComInit com;
    const std::string dir = cx::test::FreshScratchDir("startup link");
    cx::ForceDirectories(dir + "Tide Tools\\");
    const std::string target = dir + "Tide Tools\\agent.exe";
    cx::test::WriteWholeFile(target, "MZ");
    ASSERT_TRUE(CreateShortcut(target, dir + "agent.exe"));
    const std::string link = dir + "agent.lnk";
    ASSERT_TRUE(cx::FileExists(link));
    EXPECT_TRUE(cx::EqualsNoCase(ShortcutTarget(link), target));
    cx::ComPtr<IShellLinkW> sl;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_IShellLinkW, sl.put_void()));
    cx::ComPtr<IPersistFile> pf;
    ASSERT_HRESULT_SUCCEEDED(sl->QueryInterface(IID_IPersistFile, pf.put_void()));
    ASSERT_HRESULT_SUCCEEDED(pf->Load(cx::AnsiToWide(link).c_str(), STGM_READ));
    wchar_t work[MAX_PATH] = {};
    ASSERT_HRESULT_SUCCEEDED(sl->GetWorkingDirectory(work, MAX_PATH));
    EXPECT_EQ(cx::WideToAnsi(work), dir + "Tide Tools\\");
    EXPECT_EQ(ShortcutTarget(dir + "missing.lnk"), "");
}

TEST(FileInfo, AVersionResourceIsReadAndAFileWithoutOneIsRefused) {
    TFileInfo info;
    const std::string sample = cx::test::BuildDir() + "tools\\SampleApp.exe";
    ASSERT_TRUE(ReadFileInfo(sample, info, "OriginalFilename"));
    EXPECT_EQ(info.CompanyName, "Carvexo developers");
    EXPECT_EQ(info.FileDescription, "Demo program (does nothing)");
    EXPECT_EQ(info.FileVersion, "2.4.1.0");
    EXPECT_EQ(info.Extra, "SampleApp.exe");
    EXPECT_EQ(info.FixedInfo.dwFileVersionMS, 0x00020004u);

    const std::string dir = cx::test::FreshScratchDir("startup info");
    cx::test::WriteWholeFile(dir + "plain.lnk", "not a program");
    TFileInfo untouched;
    untouched.CompanyName = "kept";
    EXPECT_FALSE(ReadFileInfo(dir + "plain.lnk", untouched));
    EXPECT_EQ(untouched.CompanyName, "kept");
    EXPECT_FALSE(ReadFileInfo(dir + "missing.exe", untouched));
}

}  // namespace

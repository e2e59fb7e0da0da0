#include <gtest/gtest.h>

#include <shlobj.h>
#include <shobjidl.h>

#include <winternl.h>

#include <cstring>
#include <optional>

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
const wchar_t kRunOnceEx[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx";
const wchar_t kRunOnceExDisabled[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx\\Run_Disable";

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
        for (auto& [path, name] : counted) Native(path.c_str(), name, nullptr);
    }
    // A value name holding a NUL can only be made (and removed, v null) by the
    // native call, which takes a counted name.
    static bool Native(const wchar_t* path, std::wstring name, const Raw* v) {
        cx::unique_hkey key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, key.put())) return false;
        const USHORT bytes = static_cast<USHORT>(name.size() * sizeof(wchar_t));
        UNICODE_STRING us{bytes, bytes, name.data()};
        const HMODULE nt = GetModuleHandleW(L"ntdll.dll");
        if (!v)
            return reinterpret_cast<LONG(WINAPI*)(HANDLE, UNICODE_STRING*)>(
                       GetProcAddress(nt, "NtDeleteValueKey"))(key.get(), &us) >= 0;
        return reinterpret_cast<LONG(WINAPI*)(HANDLE, UNICODE_STRING*, ULONG, ULONG, const void*,
                                              ULONG)>(GetProcAddress(nt, "NtSetValueKey"))(
                   key.get(), &us, 0, v->type, v->data.data(),
                   static_cast<ULONG>(v->data.size())) >= 0;
    }
    bool MakeCounted(const wchar_t* path, const std::wstring& name, const Raw& v) {
        counted.emplace_back(path, name);
        return Native(path, name, &v);
    }
    std::vector<std::pair<std::wstring, std::wstring>> counted;
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

TEST_F(RegistryRows, AValueNameHoldingANulIsListedButNeverActedOnByTheNameBeforeIt) {
    const std::wstring nul(L"CxNul\0tail", 10);
    // The same data under the shorter name: only the name tells the two apart.
    const Raw data{REG_SZ, WideBytes(L"C:\\cx\\same.exe")};
    Make(kRun, L"CxNul", data);
    ASSERT_TRUE(MakeCounted(kRun, nul, data));
    auto rows = RowsNamed(nul);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Name, "CxNul\\0tail");  // the NUL shown, not cut off
    for (Result r : {MoveEntry(rows[0], false, StartupPlaces{}), DeleteEntry(rows[0])}) {
        EXPECT_EQ(r.outcome, Outcome::Refused);
        EXPECT_EQ(r.why, Refusal::NulInName);
    }
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kRun, L"CxNul"), data);
    EXPECT_FALSE(GetValue(HKEY_CURRENT_USER, kRunDisabled, L"CxNul"));
    EXPECT_EQ(RowsNamed(nul).size(), 1u);
}

// Windows runs every subkey of RunOnceEx once, as a section of commands: a
// Run_Disable subkey there is no place to keep anything from running.
TEST_F(RegistryRows, RunOnceExValuesAreNeverMovedWhereWindowsWouldRunThem) {
    const Raw once{REG_SZ, WideBytes(L"C:\\cx\\once.exe")};
    Make(kRunOnceEx, L"CxOnce", once);
    Make(kRunOnceEx, L"CxLeftOver", once, true);  // what an earlier version "disabled"
    auto rows = RowsNamed(L"CxOnce");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(MoveEntry(rows[0], false, StartupPlaces{}).why, Refusal::RunOnceEx);
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kRunOnceEx, L"CxOnce"), once);
    EXPECT_FALSE(GetValue(HKEY_CURRENT_USER, kRunOnceExDisabled, L"CxOnce"));
    // The left-over runs at the next logon, so it is listed as enabled; it can
    // only be deleted.
    auto left = RowsNamed(L"CxLeftOver");
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(left[0].Enabled);
    EXPECT_EQ(MoveEntry(left[0], false, StartupPlaces{}).why, Refusal::RunOnceEx);
    EXPECT_EQ(DeleteEntry(left[0]).outcome, Outcome::Done);
    EXPECT_FALSE(GetValue(HKEY_CURRENT_USER, kRunOnceExDisabled, L"CxLeftOver"));
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
        }
        backup = cx::AnsiToWide(base + "Back up\\startup\\");
        SetKeptPlaces(places, backup, L"CXPC", FindStartupPlaces(backup).account);
    }
    void TearDown() override {
        for (const auto& name : exact)
            for (const auto* dirs : {&places.folders, &places.kept})
                for (const auto& d : *dirs) DeleteFileW((L"\\\\?\\" + d + name).c_str());
    }
    // Names the path parser would rewrite, made and read in "\\?\\" form, and
    // taken away again here (the scratch folder's cleaning cannot).
    bool WriteExact(const std::wstring& name, const std::string& bytes) {
        exact.push_back(name);
        cx::unique_hfile f(CreateFileW((L"\\\\?\\" + places.folders[0] + name).c_str(),
                                       GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        DWORD n = 0;
        return f && WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    }
    static std::optional<std::string> ReadExact(const std::wstring& path) {
        cx::unique_hfile f(CreateFileW((L"\\\\?\\" + path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
        char buf[256];
        DWORD n = 0;
        if (!f || !ReadFile(f.get(), buf, sizeof buf, &n, nullptr)) return std::nullopt;
        return std::string(buf, n);
    }
    std::vector<std::wstring> exact;
    std::string Folder(int i) const { return cx::WideToAnsi(places.folders[i]); }
    std::vector<StartupEntry> Rows() {
        std::vector<StartupEntry> rows;
        AppendFolderRows(places, rows);
        return rows;
    }
    StartupPlaces places;
    std::wstring backup;
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

TEST_F(FolderRows, NamesThePathParserWouldRewriteAreActedOnExactlyOrRefused) {
    cx::test::WriteWholeFile(Folder(0) + "x", "plain");
    ASSERT_TRUE(WriteExact(L"x.", "dot") && WriteExact(L"x ", "blank"));
    // Where files have streams "a:b.lnk" names one of "a"; Wine holds it as a name.
    const bool colon = WriteExact(L"a:b.lnk", "colon");
    for (auto& r : Rows()) {
        if (r.fileName == L"x." || r.fileName == L"x ") {
            EXPECT_EQ(MoveEntry(r, false, places).outcome, Outcome::Done) << r.Name;
        } else if (r.fileName == L"a:b.lnk") {
            EXPECT_EQ(MoveEntry(r, false, places).why, Refusal::InexactName);
            EXPECT_EQ(DeleteEntry(r).why, Refusal::InexactName);
        }
    }
    EXPECT_EQ(ReadExact(places.kept[0] + L"x."), "dot");
    EXPECT_EQ(ReadExact(places.kept[0] + L"x "), "blank");
    EXPECT_EQ(ReadExact(places.folders[0] + L"a:b.lnk"),
              colon ? std::optional<std::string>("colon") : std::nullopt);
    // Back home and deleted, each by its own name; "x" never touched.
    for (auto& r : Rows()) {
        if (r.fileName == L"x.") {
            EXPECT_EQ(MoveEntry(r, true, places).outcome, Outcome::Done);
        } else if (r.fileName == L"x ") {
            EXPECT_EQ(DeleteEntry(r).outcome, Outcome::Done);
        }
    }
    EXPECT_EQ(ReadExact(places.folders[0] + L"x."), "dot");
    EXPECT_FALSE(ReadExact(places.kept[0] + L"x "));
    EXPECT_FALSE(ReadExact(places.kept[0] + L"x"));
    EXPECT_EQ(cx::test::ReadWholeFile(Folder(0) + "x"), "plain");
}

// Accounts sharing the program's folder each keep their own. An earlier
// version kept every account's entries in one folder; there the owner of each
// file says whose it is (under Wine every file is the running account's, so to
// any other account all of them are of unknown owner).
TEST_F(FolderRows, EachAccountSeesAndBringsBackOnlyItsOwnKeptEntries) {
    cx::test::WriteWholeFile(Folder(1) + "Common.lnk", "c");
    for (auto& r : Rows()) ASSERT_EQ(MoveEntry(r, false, places).outcome, Outcome::Done);
    const std::string old = cx::WideToAnsi(places.oldKept[0]);
    cx::ForceDirectories(old);
    cx::test::WriteWholeFile(old + "Old.lnk", "old");
    StartupPlaces other = places;
    SetKeptPlaces(other, backup, L"CXPC", L"S-1-5-21-7-7-7-1001");
    std::vector<StartupEntry> theirs;
    AppendFolderRows(other, theirs);
    ASSERT_EQ(theirs.size(), 1u);  // the old one only, and it is not theirs to act on
    EXPECT_EQ(MoveEntry(theirs[0], true, other).why, Refusal::NotThisAccounts);
    EXPECT_EQ(DeleteEntry(theirs[0]).why, Refusal::NotThisAccounts);
    EXPECT_EQ(cx::test::ReadWholeFile(old + "Old.lnk"), "old");

    auto mine = Rows();
    ASSERT_EQ(mine.size(), 2u);
    for (auto& r : mine) {
        EXPECT_FALSE(r.Enabled);
        EXPECT_EQ(MoveEntry(r, true, places).outcome, Outcome::Done) << r.Name;
    }
    EXPECT_EQ(cx::test::ReadWholeFile(Folder(1) + "Common.lnk"), "c");
    EXPECT_EQ(cx::test::ReadWholeFile(Folder(0) + "Old.lnk"), "old");
    // Disabled again, the old one goes into this account's own store.
    ASSERT_EQ(mine[0].Name, "Old.lnk");  // the user folder's rows come first
    ASSERT_EQ(MoveEntry(mine[0], false, places).outcome, Outcome::Done);
    EXPECT_EQ(cx::test::ReadWholeFile(cx::WideToAnsi(places.kept[0]) + "Old.lnk"), "old");
    EXPECT_FALSE(cx::FileExists(old + "Old.lnk"));
}

// Disabled entries are kept apart for each computer and account that shares
// the program's folder.
TEST(StartupPlaces, KeptEntriesLieBelowTheComputerAndTheAccount) {
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD len = MAX_COMPUTERNAME_LENGTH + 1;
    ASSERT_TRUE(GetComputerNameW(computer, &len));
    const std::wstring backup = L"C:\\cx app\\Back up\\startup\\";
    const StartupPlaces p = FindStartupPlaces(backup);
    EXPECT_EQ(p.account.rfind(L"S-1-5-", 0), 0u);  // the token's account
    const std::wstring mine = backup + L"accounts\\" + computer + L"\\" + p.account + L"\\";
    EXPECT_EQ(p.kept[0], mine + L"CurrentUser\\");
    EXPECT_EQ(p.kept[1], mine + L"AllUsers\\");
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

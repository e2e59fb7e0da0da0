// The inventory's rules on made-up registry data: no key is opened here.
#include <gtest/gtest.h>

#include <cstring>

#include "Inventory.h"

using namespace cx::svc;
using cx::reg::Value;

namespace {

Value Sz(const std::string& name, const std::string& text, DWORD type = REG_SZ) {
    Value v{name, type, {}};
    v.data.assign(text.begin(), text.end());
    v.data.push_back(0);
    return v;
}

Value Dw(const std::string& name, DWORD d) {
    Value v{name, REG_DWORD, std::vector<BYTE>(4)};
    memcpy(v.data.data(), &d, 4);
    return v;
}

Value Raw(DWORD type, std::vector<BYTE> data) { return Value{"x", type, std::move(data)}; }

std::vector<BYTE> Bytes(const char* s, size_t n) { return std::vector<BYTE>(s, s + n); }

std::vector<BYTE> SlowInfoRecord(int64_t size, FILETIME lastUsed, DWORD frequency,
                                 size_t total = kSlowInfoCacheSize,
                                 DWORD cbSize = kSlowInfoCacheSize) {
    std::vector<BYTE> d(total);
    if (total >= 28) {
        memcpy(d.data(), &cbSize, 4);
        memcpy(d.data() + 8, &size, 8);
        memcpy(d.data() + 16, &lastUsed, 8);
        memcpy(d.data() + 24, &frequency, 4);
    }
    return d;
}

SYSTEMTIME Date(WORD y, WORD m, WORD d) {
    SYSTEMTIME st{};
    st.wYear = y;
    st.wMonth = m;
    st.wDay = d;
    return st;
}

}  // namespace

TEST(PatchRules, KeyNamesAreKbAndDigitsWithAnOptionalRevision) {
    for (const char* yes :
         {"KB123456", "kb123456", "KB1", "KB893803v2", "KB2468871-v2", "KB2468871-V10"})
        EXPECT_TRUE(IsPatchKeyName(yes)) << yes;
    for (const char* no : {"KB", "KB-v2", "KBabc", "KB123456a", "KB123456-v", "KB123456-x2",
                           "KB 123456", "XKB123", "KB12-v2x", "KB123456_v2", "KB123456--v2", ""})
        EXPECT_FALSE(IsPatchKeyName(no)) << no;
}

TEST(PatchRules, ReleaseTypesMatchWholeTextsWithoutRegardToCase) {
    for (const char* yes : {"Security Update", "Update", "Hotfix", "Update Rollup", "Service Pack",
                            "hotfix", "  Service Pack "})
        EXPECT_TRUE(IsPatchReleaseType(yes)) << yes;
    for (const char* no : {"", "Updates", "Update Rollup 2", "Feature Pack", "Security"})
        EXPECT_FALSE(IsPatchReleaseType(no)) << no;
}

TEST(PatchRules, AnyOneRuleMakesAPatch) {
    UninstallEntry e;
    e.keyName = "{0A1B}";
    EXPECT_EQ(ProgramKind(e), 0);
    e.parentKeyName = "Office";
    EXPECT_EQ(ProgramKind(e), 1);
    e.parentKeyName = "  ";  // an empty parent names nothing
    EXPECT_EQ(ProgramKind(e), 0);
    e.releaseType = "Hotfix";
    EXPECT_EQ(ProgramKind(e), 1);
    e.releaseType = "Application";
    EXPECT_EQ(ProgramKind(e), 0);
    e.keyName = "KB555";
    EXPECT_EQ(ProgramKind(e), 1);
}

TEST(ListingRules, NameOrCommandAndNotASystemComponent) {
    auto listed = [](std::vector<Value> values) {
        return IsListed(ParseUninstallEntry("k", values));
    };
    EXPECT_TRUE(listed({Sz("DisplayName", "A")}));
    EXPECT_TRUE(listed({Sz("UninstallString", "u.exe")}));
    EXPECT_FALSE(listed({Sz("Publisher", "P")}));
    EXPECT_FALSE(listed({Sz("DisplayName", "  ")}));
    EXPECT_FALSE(listed({Sz("DisplayName", "A"), Dw("SystemComponent", 1)}));
    EXPECT_TRUE(listed({Sz("DisplayName", "A"), Dw("SystemComponent", 0)}));
    // A flag of the wrong type does not hide a program.
    EXPECT_TRUE(listed({Sz("DisplayName", "A"), Sz("SystemComponent", "1")}));
    // A name of the wrong type is no name.
    EXPECT_FALSE(listed({Dw("DisplayName", 7)}));
    EXPECT_TRUE(listed({Dw("DisplayName", 7), Sz("UninstallString", "u.exe")}));
}

TEST(ListingRules, ValuesOfTheWrongTypeOrSizeCountAsAbsent) {
    Value sizeText = Sz("EstimatedSize", "1234");
    Value sizeShort = Raw(REG_DWORD, {1, 2});
    sizeShort.name = "EstimatedSize";
    EXPECT_FALSE(ParseUninstallEntry("k", {sizeText}).estimatedSizeKb);
    EXPECT_FALSE(ParseUninstallEntry("k", {sizeShort}).estimatedSizeKb);
    Value sizeBinary = Raw(REG_BINARY, {0x10, 0, 0, 0});
    sizeBinary.name = "EstimatedSize";
    EXPECT_EQ(ParseUninstallEntry("k", {sizeBinary}).estimatedSizeKb, 16u);
    // Names match as the registry's do; expandable strings are strings.
    UninstallEntry e = ParseUninstallEntry(
        "k", {Sz("displayname", "A"), Sz("URLINFOABOUT", "http://a", REG_EXPAND_SZ),
              Sz("Publisher", "P", REG_MULTI_SZ)});
    EXPECT_EQ(e.displayName, "A");
    EXPECT_EQ(e.aboutLink, "http://a");
    EXPECT_FALSE(e.publisher);
}

TEST(ListingRules, OversizedTextsAreCut) {
    std::string huge(1 << 20, 'n');
    UninstallEntry e = ParseUninstallEntry(
        "k", {Sz("DisplayName", huge), Sz("UninstallString", huge), Sz("Publisher", "short")});
    EXPECT_EQ(e.displayName->size(), kMaxTextChars);
    EXPECT_EQ(e.uninstallString->size(), kMaxCommandChars);
    EXPECT_EQ(e.publisher, "short");
    EXPECT_EQ(CapText("abc", 2), "ab");
    EXPECT_EQ(CapText("abc", 3), "abc");
}

TEST(SlowInfoCache, DecodesTheRecord) {
    FILETIME ft{0x12345678, 0x01D00000};
    auto info = DecodeSlowInfoCache(SlowInfoRecord(5000000, ft, 7));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->installSize, 5000000u);
    EXPECT_EQ(info->frequency, 7u);
    ASSERT_TRUE(info->lastUsed);
    EXPECT_EQ(info->lastUsed->dwLowDateTime, ft.dwLowDateTime);
    EXPECT_EQ(info->lastUsed->dwHighDateTime, ft.dwHighDateTime);
}

TEST(SlowInfoCache, UnknownFieldsStayEmpty) {
    auto info = DecodeSlowInfoCache(SlowInfoRecord(-1, FILETIME{0, 0}, 0xFFFFFFFF));
    ASSERT_TRUE(info);
    EXPECT_FALSE(info->installSize);
    EXPECT_FALSE(info->lastUsed);
    EXPECT_FALSE(info->frequency);
    info = DecodeSlowInfoCache(SlowInfoRecord(0, FILETIME{0xFFFFFFFF, 0xFFFFFFFF}, 0));
    ASSERT_TRUE(info);
    EXPECT_FALSE(info->installSize);
    EXPECT_FALSE(info->lastUsed);
    EXPECT_EQ(info->frequency, 0u);
}

TEST(SlowInfoCache, RecordsOfAnotherSizeAreIgnored) {
    FILETIME ft{1, 1};
    EXPECT_FALSE(DecodeSlowInfoCache(SlowInfoRecord(1, ft, 1, 0)));
    EXPECT_FALSE(DecodeSlowInfoCache(SlowInfoRecord(1, ft, 1, 27)));
    EXPECT_FALSE(DecodeSlowInfoCache(SlowInfoRecord(1, ft, 1, kSlowInfoCacheSize - 1)));
    EXPECT_FALSE(DecodeSlowInfoCache(SlowInfoRecord(1, ft, 1, kSlowInfoCacheSize + 1)));
    // The size field must agree with the data.
    EXPECT_FALSE(DecodeSlowInfoCache(SlowInfoRecord(1, ft, 1, kSlowInfoCacheSize, 100)));
}

TEST(InstallDate, EightDigitDatesShowInTheShortFormat) {
    EXPECT_EQ(FormatInstallDate("20230105"), FormatShortDate(Date(2023, 1, 5)));
    EXPECT_EQ(FormatInstallDate(" 20240229 "), FormatShortDate(Date(2024, 2, 29)));
    EXPECT_EQ(FormatInstallDate("20001231"), FormatShortDate(Date(2000, 12, 31)));
    EXPECT_FALSE(FormatShortDate(Date(2023, 1, 5)).empty());
    EXPECT_NE(FormatInstallDate("20230105"), "20230105");
}

TEST(InstallDate, AnythingElseIsShownAsStored) {
    for (const char* kept : {"20230229", "19000229", "20231301", "20230001", "20230132", "00000000",
                             "2023-01-05", "1/5/2023", "202301051", "2023010", "abcdefgh"})
        EXPECT_EQ(FormatInstallDate(kept), kept) << kept;
    EXPECT_EQ(FormatInstallDate(""), "");
    EXPECT_EQ(FormatFileTimeDate(FILETIME{0, 0}), "");
}

TEST(ValueRendering, EachTypeAsReadableText) {
    EXPECT_EQ(RenderValueData(REG_SZ, Bytes("abc", 4)), "abc");
    EXPECT_EQ(RenderValueData(REG_SZ, Bytes("abc", 3)), "abc");  // no terminator
    EXPECT_EQ(RenderValueData(REG_SZ, {}), "");
    EXPECT_EQ(RenderValueData(REG_EXPAND_SZ, Bytes("%WINDIR%\\x", 11)), "%WINDIR%\\x");
    EXPECT_EQ(RenderValueData(REG_DWORD, {0xff, 0xff, 0xff, 0xff}), "4294967295");
    EXPECT_EQ(RenderValueData(REG_DWORD, {1, 0, 0, 0}), "1");
    EXPECT_EQ(RenderValueData(REG_DWORD_BIG_ENDIAN, {0, 0, 1, 0}), "256");
    EXPECT_EQ(RenderValueData(REG_QWORD, {0, 0, 0, 0, 0, 1, 0, 0}), "1099511627776");
    EXPECT_EQ(RenderValueData(REG_BINARY, {0x01, 0x02, 0xff}), "01 02 ff");
    EXPECT_EQ(RenderValueData(REG_BINARY, {}), "");
    EXPECT_EQ(RenderValueData(REG_NONE, {0xab}), "ab");
    EXPECT_EQ(RenderValueData(REG_RESOURCE_LIST, {0, 0x10}), "00 10");
}

TEST(ValueRendering, NumbersOfTheWrongSizeShowTheirBytes) {
    EXPECT_EQ(RenderValueData(REG_DWORD, {1, 2, 3}), "01 02 03");
    EXPECT_EQ(RenderValueData(REG_DWORD, {1, 2, 3, 4, 5}), "01 02 03 04 05");
    EXPECT_EQ(RenderValueData(REG_QWORD, {1, 0, 0, 0}), "01 00 00 00");
}

TEST(ValueRendering, MultiStringsEndAtTheFirstEmptyString) {
    EXPECT_EQ(RenderValueData(REG_MULTI_SZ, Bytes("a\0b\0\0", 5)), "a | b");
    EXPECT_EQ(RenderValueData(REG_MULTI_SZ, Bytes("a\0b", 3)), "a | b");
    EXPECT_EQ(RenderValueData(REG_MULTI_SZ, Bytes("one\0", 4)), "one");
    EXPECT_EQ(RenderValueData(REG_MULTI_SZ, Bytes("\0\0", 2)), "");
    EXPECT_EQ(RenderValueData(REG_MULTI_SZ, {}), "");
    EXPECT_EQ(RenderValueData(REG_MULTI_SZ, Bytes("a\0\0junk\0", 9)), "a");
}

TEST(ValueRendering, HugeValuesAreCutAndMarked) {
    std::vector<BYTE> text(1 << 20, 'x');
    std::string s = RenderValueData(REG_SZ, text);
    EXPECT_EQ(s.size(), kMaxTextChars);
    EXPECT_EQ(s.substr(s.size() - 3), "...");
    std::string b = RenderValueData(REG_BINARY, std::vector<BYTE>(1 << 20, 0x5a));
    EXPECT_LE(b.size(), kMaxTextChars + 3);
    EXPECT_EQ(b.substr(0, 6), "5a 5a ");
    EXPECT_EQ(b.substr(b.size() - 3), "...");
    std::vector<BYTE> multi;
    for (int i = 0; i < 5000; ++i) multi.insert(multi.end(), {'a', 'b', 0});
    multi.push_back(0);
    std::string m = RenderValueData(REG_MULTI_SZ, multi);
    EXPECT_EQ(m.size(), kMaxTextChars);
    EXPECT_EQ(m.substr(0, 7), "ab | ab");
}

TEST(IconLocation, PathAndIndexWithOrWithoutQuotes) {
    struct Case {
        const char* text;
        const char* path;
        int index;
    } cases[] = {
        {"C:\\a\\b.exe,3", "C:\\a\\b.exe", 3},
        {"\"C:\\a b\\c.exe\",-101", "C:\\a b\\c.exe", -101},
        {"\"C:\\a b\\c.exe\"", "C:\\a b\\c.exe", 0},
        {"C:\\a\\b.ico", "C:\\a\\b.ico", 0},
        {" C:\\a.exe , 2 ", "C:\\a.exe", 2},
        {"C:\\x,y\\a.ico", "C:\\x,y\\a.ico", 0},
        {"\"C:\\unclosed.exe", "C:\\unclosed.exe", 0},
        {"C:\\a.exe,99999999999", "C:\\a.exe,99999999999", 0},
        {"", "", 0},
    };
    for (const auto& c : cases) {
        IconLocation loc = ParseIconLocation(c.text);
        EXPECT_EQ(loc.path, c.path) << c.text;
        EXPECT_EQ(loc.index, c.index) << c.text;
    }
}

TEST(UninstallerPath, TheProgramACommandRuns) {
    struct Case {
        const char* command;
        const char* path;
    } cases[] = {
        {"\"C:\\Program Files\\X\\unins000.exe\" /S", "C:\\Program Files\\X\\unins000.exe"},
        {"C:\\Program Files\\X\\unins000.exe /S", "C:\\Program Files\\X\\unins000.exe"},
        {"C:\\Program Files\\X\\UNINST.EXE", "C:\\Program Files\\X\\UNINST.EXE"},
        {"MsiExec.exe /X{1234}", "MsiExec.exe"},
        {"rundll32 setupapi.dll,InstallHinfSection", "rundll32"},
        {"C:\\my.exefiles\\u.exe /x", "C:\\my.exefiles\\u.exe"},
        {"\"C:\\no end", "C:\\no end"},
        {"   ", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(UninstallerPath(c.command), c.path) << c.command;
}

TEST(ScreenSaverFolders, EachNameOnceAndTheFirstFolderWins) {
    auto merged = MergeScreenSaverFolders({
        {"C:\\windows\\system32\\", {"b.scr", "A.scr"}},
        {"C:\\windows\\", {"a.SCR", "c.scr", "B.scr"}},
    });
    ASSERT_EQ(merged.size(), 3u);
    EXPECT_EQ(merged[0].name, "b.scr");
    EXPECT_EQ(merged[1].name, "A.scr");
    EXPECT_EQ(merged[1].folder, "C:\\windows\\system32\\");
    EXPECT_EQ(merged[2].name, "c.scr");
    EXPECT_EQ(merged[2].folder, "C:\\windows\\");
    EXPECT_TRUE(MergeScreenSaverFolders({}).empty());
}

TEST(EntryRules, ExpandableCommandAndFolderAreExpandedPlainTextsStayLiteral) {
    SetEnvironmentVariableA("CXTEST_APPS", "C:\\Apps");
    UninstallEntry e = ParseUninstallEntry(
        "Tool", {Sz("DisplayName", "Tool"),
                 Sz("UninstallString", "\"%CXTEST_APPS%\\Tool\\unins.exe\" /x", REG_EXPAND_SZ),
                 Sz("InstallLocation", "%CXTEST_APPS%\\Tool\\", REG_EXPAND_SZ),
                 Sz("Publisher", "%CXTEST_APPS%", REG_EXPAND_SZ)});
    EXPECT_EQ(e.uninstallString.value_or(""), "\"C:\\Apps\\Tool\\unins.exe\" /x");
    EXPECT_EQ(e.installLocation.value_or(""), "C:\\Apps\\Tool\\");
    EXPECT_EQ(e.publisher.value_or(""), "%CXTEST_APPS%");  // only the command and the folder

    UninstallEntry plain = ParseUninstallEntry(
        "Tool",
        {Sz("UninstallString", "%CXTEST_APPS%\\u.exe"), Sz("InstallLocation", "%CXTEST_APPS%")});
    EXPECT_EQ(plain.uninstallString.value_or(""), "%CXTEST_APPS%\\u.exe");
    EXPECT_EQ(plain.installLocation.value_or(""), "%CXTEST_APPS%");

    // A variable nobody defined stays as written; nothing is lost.
    UninstallEntry unknown = ParseUninstallEntry(
        "Tool", {Sz("InstallLocation", "%CXTEST_NOT_SET%\\Tool", REG_EXPAND_SZ)});
    EXPECT_EQ(unknown.installLocation.value_or(""), "%CXTEST_NOT_SET%\\Tool");
}

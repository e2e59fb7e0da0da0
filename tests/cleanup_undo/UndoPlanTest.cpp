// The decisions behind undoing a clean-up, without the system: the manifest as
// hostile text, where a taken item is kept, what of the registry is backed up,
// which kept clean-ups go, and whether a .reg file stays inside its key.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "cleanup/UndoPlan.h"

using namespace cx::cleanup;

namespace {

CleanupManifest Sample() {
    CleanupManifest m;
    m.program = L"Acme\tTool\n%41 \x00e9\x4e2d";
    m.time = "2024-05-01 13:45:12";
    m.size = 0xFFFFFFFFFFFFFFFFull;
    m.root = L"C:\\Program Files\\Acme";
    m.keys.push_back(TakenKey{cx::RegHive::CurrentUser, L"Software\\Acme\\Tool", L"1.reg"});
    m.keys.push_back(TakenKey{cx::RegHive::ClassesRoot, L"Installer\\Products\\X\r\nkey\tY", L"22.reg"});
    m.values.push_back(
        TakenValue{cx::RegHive::LocalMachine, L"SOFTWARE\\Acme", L"", REG_SZ, {'a', 0, 0, 0}});
    m.values.push_back(TakenValue{cx::RegHive::CurrentUser,
                                  L"Software\\Acme",
                                  L"back\\slash\t%00\n",
                                  0x1234,
                                  {0, 1, 0xFE, 0xFF, 0x0A, 0x0D}});
    m.values.push_back(
        TakenValue{cx::RegHive::CurrentUser, L"Software\\Acme", L"empty", REG_BINARY, {}});
    m.items.push_back(TakenItem{TakenKind::Folder, L"C:\\Program Files\\Acme\\data"});
    m.items.push_back(TakenItem{TakenKind::File, L"C:\\Program Files\\Acme\\a\nb.txt"});
    m.items.push_back(TakenItem{TakenKind::Link, L"C:\\Program Files\\Acme\\link"});
    return m;
}

std::string Valid() { return WriteManifest(Sample()); }

// Replaces the first occurrence of `from` in a valid manifest.
std::string Tampered(const std::string& from, const std::string& to) {
    std::string s = Valid();
    size_t at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? s : s.replace(at, from.size(), to);
}

TEST(Manifest, RoundTripsHostileNamesAndRawData) {
    auto parsed = ParseManifest(Valid());
    ASSERT_TRUE(parsed);
    const CleanupManifest m = Sample();
    EXPECT_EQ(parsed->program, m.program);
    EXPECT_EQ(parsed->time, m.time);
    EXPECT_EQ(parsed->size, m.size);
    EXPECT_EQ(parsed->root, m.root);
    ASSERT_EQ(parsed->keys.size(), 2u);
    EXPECT_EQ(parsed->keys[1].path, m.keys[1].path);
    EXPECT_EQ(parsed->keys[1].file, L"22.reg");
    ASSERT_EQ(parsed->values.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(parsed->values[i].hive, m.values[i].hive);
        EXPECT_EQ(parsed->values[i].keyPath, m.values[i].keyPath);
        EXPECT_EQ(parsed->values[i].name, m.values[i].name);
        EXPECT_EQ(parsed->values[i].type, m.values[i].type);
        EXPECT_EQ(parsed->values[i].data, m.values[i].data);
    }
    ASSERT_EQ(parsed->items.size(), 3u);
    EXPECT_EQ(parsed->items[0].kind, TakenKind::Folder);
    EXPECT_EQ(parsed->items[1].path, m.items[1].path);
    EXPECT_EQ(parsed->items[2].kind, TakenKind::Link);
    // A name can never start a record of its own: every record stays on one line.
    const std::string text = Valid();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 13);
    // Windows line ends are read the same.
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_TRUE(ParseManifest(crlf));
}

TEST(Manifest, AnythingMalformedIsNotAManifest) {
    const std::pair<const char*, const char*> cases[] = {
        {"Carvexo clean-up 1", "Carvexo clean-up 2"},
        {"key\tHKEY_CURRENT_USER", "key\tHKCU"},
        {"key\tHKEY_CURRENT_USER", "key\thkey_current_user"},
        {"\t1.reg", "\t..\\1.reg"},
        {"\t1.reg", "\t1.reg\\..\\x.reg"},
        {"\t1.reg", "\ta.reg"},
        {"\t1.reg", "\t1234567.reg"},
        {"\t1.reg", "\t1.REG"},
        {"\t1.reg", "\t.reg"},
        {"%09", "%0G"},
        {"%09", "%"},
        {"%09", "%00"},  // a NUL inside a name
        {"time\t2024-05-01 13:45:12", "time\t2024-05-01 13:45"},
        {"time\t2024-05-01 13:45:12", "time\t2024-05-01T13:45:12"},
        {"size\t18446744073709551615", "size\t18446744073709551616"},
        {"size\t18446744073709551615", "size\t-1"},
        {"size\t18446744073709551615", "size\t"},
        {"\t4660\t", "\t4294967296\t"},
        {"\t61000000", "\t6100000"},  // odd hex
        {"\t61000000", "\t6100000X"},
        {"folder\t", "junk\t"},
        {"link\t", "link\t\tC:\\x"},
        {"file\tC:\\Program Files\\Acme\\a%0Ab.txt", "file\t"},
        {"root\t", "root\tC:\\x\textra\t"},
    };
    for (const auto& [from, to] : cases)
        EXPECT_FALSE(ParseManifest(Tampered(from, to))) << from << " -> " << to;
    EXPECT_FALSE(ParseManifest(""));
    EXPECT_FALSE(ParseManifest(Valid().insert(30, 1, '\0')));
    EXPECT_FALSE(ParseManifest(Valid() + "\xC3\x28\n"));  // a stray line
    EXPECT_FALSE(ParseManifest(Tampered("program\t", "program\t\xFF")));
}

TEST(StoredPath, DrivePathsKeepTheirPathBelowTheFilesFolder) {
    EXPECT_EQ(StoredPathOf(L"C:\\Program Files\\Acme\\a.txt"),
              L"files\\C\\Program Files\\Acme\\a.txt");
    EXPECT_EQ(StoredPathOf(L"d:\\x\\"), L"files\\D\\x");
    EXPECT_EQ(StoredPathOf(L"C:\\"), L"");
    EXPECT_EQ(StoredPathOf(L"C:"), L"");
    EXPECT_EQ(StoredPathOf(L"C:x\\y"), L"");
    EXPECT_EQ(StoredPathOf(L"\\\\server\\share\\x"), L"");
    EXPECT_EQ(StoredPathOf(L"\\\\?\\C:\\x"), L"");
    EXPECT_EQ(StoredPathOf(L"1:\\x"), L"");
    EXPECT_EQ(StoredPathOf(L"relative\\x"), L"");
}

TEST(FolderName, DateTimeAndAProgramNameAFolderCanHold) {
    SYSTEMTIME t{};
    t.wYear = 2024;
    t.wMonth = 5;
    t.wDay = 1;
    t.wHour = 9;
    t.wMinute = 5;
    t.wSecond = 7;
    EXPECT_EQ(TimeText(t), "2024-05-01 09:05:07");
    EXPECT_EQ(CleanupFolderName(t, L"Acme Tool"), L"2024-05-01 09.05.07 Acme Tool");
    EXPECT_EQ(CleanupFolderName(t, L"a\\b/c:d*e?f\"g<h>i|j\tk"),
              L"2024-05-01 09.05.07 a_b_c_d_e_f_g_h_i_j_k");
    EXPECT_EQ(CleanupFolderName(t, L"Tool. ."), L"2024-05-01 09.05.07 Tool___");
    EXPECT_EQ(CleanupFolderName(t, L""), L"2024-05-01 09.05.07");
    EXPECT_EQ(CleanupFolderName(t, L"..\\..\\Windows"), L"2024-05-01 09.05.07 .._.._Windows");
    std::wstring longName(300, L'x');
    EXPECT_EQ(CleanupFolderName(t, longName).size(), 20u + 40u);
    // Never the first half of a surrogate pair alone at the cut.
    std::wstring pairs;
    for (int i = 0; i < 30; ++i) pairs += L"\xD83D\xDE00";
    std::wstring cut = CleanupFolderName(t, L"x" + pairs);
    EXPECT_FALSE(cut.back() >= 0xD800 && cut.back() <= 0xDBFF);
}

NodeId AddKey(CheckTree& t, const std::wstring& key, CheckState s = csChecked,
              cx::RegHive hive = cx::RegHive::CurrentUser) {
    return t.AddRegistry(-1, cx::RegPath{hive, key, {}}, s);
}

NodeId AddValue(CheckTree& t, NodeId key, const std::wstring& name, CheckState s = csChecked) {
    const cx::RegPath& k = *t.Get(key).reg;
    return t.AddRegistry(key, cx::RegPath{k.hive, k.key, name}, s);
}

TEST(RegistryPlan, OneExportPerOutermostCheckedKeyAndValuesOnlyOfKeysThatStay) {
    CheckTree t;
    NodeId outer = AddKey(t, L"Software\\Acme");
    NodeId outerValue = AddValue(t, outer, L"v");
    NodeId inner =
        AddKey(t, L"Software\\Acme\\Sub\\ACME");     // inside, by the registry's case rule
    NodeId sibling = AddKey(t, L"Software\\AcmeX");  // a longer name is not inside
    NodeId otherHive = AddKey(t, L"Software\\Acme", csChecked, cx::RegHive::LocalMachine);
    NodeId partial = AddKey(t, L"Software\\Other\\Acme", csPartial);
    NodeId kept = AddValue(t, partial, L"keep", csUnchecked);
    NodeId taken = AddValue(t, partial, L"take");
    NodeId nestedPartial = AddKey(t, L"Software\\Acme\\Deep\\Acme", csPartial);
    NodeId nestedValue = AddValue(t, nestedPartial, L"inside a checked key");
    NodeId unchecked = AddKey(t, L"Software\\Gone", csUnchecked);
    AddValue(t, unchecked, L"x", csUnchecked);
    NodeId hiveText =
        t.AddRegistryText(-1, "HKEY_CURRENT_USER", NodeKind::RegKey);

    RegistryBackupPlan plan = PlanRegistryBackup(t);
    EXPECT_EQ(plan.keys, (std::vector<NodeId>{outer, sibling, otherHive}));
    EXPECT_EQ(plan.values, (std::vector<NodeId>{taken}));
    (void)outerValue;
    (void)inner;
    (void)kept;
    (void)nestedValue;
    (void)hiveText;
}

TEST(Pruning, TheNewestTenWithinTheBytesStayOldestGoFirst) {
    const uint64_t gb = uint64_t{1} << 30;
    auto drop = [](std::vector<uint64_t> s, size_t n, uint64_t b) {
        return CleanupsToDrop(s, n, b);
    };
    EXPECT_TRUE(drop({}, 10, gb).empty());
    EXPECT_TRUE(drop(std::vector<uint64_t>(10, 1), 10, gb).empty());
    EXPECT_EQ(drop(std::vector<uint64_t>(12, 1), 10, gb), (std::vector<size_t>{10, 11}));
    // Exactly at the byte limit stays; one byte over drops the older ones.
    EXPECT_TRUE(drop({gb, gb}, 10, 2 * gb).empty());
    EXPECT_EQ(drop({gb, gb, 1}, 10, 2 * gb), (std::vector<size_t>{2}));
    EXPECT_EQ(drop({gb, gb + 1, 0}, 10, 2 * gb), (std::vector<size_t>{1, 2}));
    // Once one is dropped, every older one goes too, however small.
    EXPECT_EQ(drop({1, 3 * gb, 1, 1}, 10, 2 * gb), (std::vector<size_t>{1, 2, 3}));
    // The newest stays even alone above the limit.
    EXPECT_EQ(drop({3 * gb, 1}, 10, 2 * gb), (std::vector<size_t>{1}));
    EXPECT_EQ(drop({1, 1}, 0, gb), (std::vector<size_t>{1}));
}

TEST(SizeText, UnitsAtTheirBoundaries) {
    EXPECT_EQ(SizeText(0), "0 bytes");
    EXPECT_EQ(SizeText(1023), "1023 bytes");
    EXPECT_EQ(SizeText(1024), "1.0 KB");
    EXPECT_EQ(SizeText(1536), "1.5 KB");
    EXPECT_EQ(SizeText(uint64_t{1} << 20), "1.0 MB");
    EXPECT_EQ(SizeText(uint64_t{2} << 30), "2.0 GB");
    EXPECT_EQ(SizeText(uint64_t{5} << 40), "5.0 TB");
    EXPECT_EQ(SizeText(uint64_t{5} << 50), "5120.0 TB");
}

std::string Utf16File(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

const std::wstring kExport =
    L"Windows Registry Editor Version 5.00\r\n\r\n"
    L"[HKEY_CURRENT_USER\\Software\\Acme]\r\n\"a\"=\"x\"\r\n\r\n"
    L"[HKEY_CURRENT_USER\\Software\\Acme\\Sub]\r\n\"b\"=hex:01,02,\\\r\n  03\r\n";

TEST(RegFile, AnExportStaysInsideItsKeyAndNothingElseDoes) {
    auto text = DecodeRegFile(Utf16File(kExport));
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, kExport);
    EXPECT_TRUE(RegFileStaysBelow(*text, cx::RegHive::CurrentUser, L"Software\\Acme"));
    EXPECT_TRUE(RegFileStaysBelow(*text, cx::RegHive::CurrentUser, L"software\\ACME\\"));
    EXPECT_FALSE(RegFileStaysBelow(*text, cx::RegHive::LocalMachine, L"Software\\Acme"));
    EXPECT_FALSE(RegFileStaysBelow(*text, cx::RegHive::CurrentUser, L"Software\\Acme\\Sub"));
    EXPECT_FALSE(RegFileStaysBelow(*text, cx::RegHive::CurrentUser, L"\\"));  // the hive itself
    EXPECT_FALSE(RegFileStaysBelow(*text, cx::RegHive::CurrentUser, L""));

    auto with = [](const std::wstring& extra) { return kExport + extra; };
    const std::wstring escapes[] = {
        L"[HKEY_CURRENT_USER\\Software\\AcmeX]\r\n",       // a sibling sharing the prefix
        L"[HKEY_CURRENT_USER\\Software]\r\n",              // the parent
        L"[-HKEY_CURRENT_USER\\Software\\Acme\\Sub]\r\n",  // a deletion, even inside
        L"  \t[HKEY_LOCAL_MACHINE\\Software\\Run]\r\n",    // blanks before the bracket
        L"[HKCU\\Software\\Acme\\Sub]\r\n",                // the short hive name
        L"[HKEY_CURRENT_USER\\Software\\Acme] [HKEY_CURRENT_USER\\X]\r\n",
        L"[HKEY_CURRENT_USER\\Software\\Acme\\x] junk\r\n",  // text after the bracket
        L"[HKEY_CURRENT_USER\\Software\\Acme\r\n",           // never closed
        L"\"c\"=hex:01,\\\r\n[HKEY_LOCAL_MACHINE\\X]\r\n",   // a header where hex goes on
        L"\r[HKEY_LOCAL_MACHINE\\X]",                        // a lone CR ends a line too
    };
    for (const std::wstring& e : escapes)
        EXPECT_FALSE(RegFileStaysBelow(with(e), cx::RegHive::CurrentUser, L"Software\\Acme"))
            << e.size();
    // A name holding "]" is still read up to the last one, as regedit does.
    EXPECT_TRUE(RegFileStaysBelow(with(L"[HKEY_CURRENT_USER\\Software\\Acme\\a]b]\r\n"),
                                  cx::RegHive::CurrentUser, L"Software\\Acme"));
    EXPECT_FALSE(RegFileStaysBelow(L"Windows Registry Editor Version 5.00\r\n\"a\"=\"b\"\r\n",
                                   cx::RegHive::CurrentUser, L"Software\\Acme"))
        << "a file naming no key";
}

TEST(RegFile, DecodingAsRegeditReadsIt) {
    EXPECT_EQ(DecodeRegFile("REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n"),
              std::wstring(L"REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n"));
    EXPECT_FALSE(DecodeRegFile(Utf16File(L"REGEDIT4\r\n") + "x")) << "odd byte count";
    EXPECT_FALSE(DecodeRegFile(Utf16File(std::wstring(L"a\0[HKEY_LOCAL_MACHINE\\X]", 24))));
    EXPECT_FALSE(DecodeRegFile(std::string("REGEDIT4\0[HKEY_LOCAL_MACHINE\\X]", 30)));
    EXPECT_EQ(DecodeRegFile(""), std::wstring());
}

// The order of making and the values kept with their key come back; older
// manifests, without them, still read.
TEST(Manifest, SequenceAndHeldValuesRoundTripAndOldManifestsStillRead) {
    CleanupManifest m = Sample();
    m.sequence = 42;
    m.keys[0].held.push_back(TakenValue{
        cx::RegHive::CurrentUser, L"Software\\Acme\\Tool\\Sub", L"odd", REG_SZ, {'a', 0, 'b'}});
    auto parsed = ParseManifest(WriteManifest(m));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->sequence, 42u);
    ASSERT_EQ(parsed->keys[0].held.size(), 1u);
    EXPECT_EQ(parsed->keys[0].held[0].data, m.keys[0].held[0].data);
    EXPECT_TRUE(parsed->keys[1].held.empty());
    EXPECT_EQ(parsed->values.size(), 3u) << "held values are not values of keys that stayed";
    EXPECT_EQ(ParseManifest(Valid())->sequence, 0u);

    // A held value is only ever one of the key before it.
    const std::string text = WriteManifest(m);
    std::string outside = text, first = "Carvexo clean-up 1\n" + text.substr(text.find("keyvalue"));
    EXPECT_FALSE(ParseManifest(outside.replace(outside.find("Tool\\Sub"), 8, "ToolX")));
    EXPECT_FALSE(ParseManifest(first));
    EXPECT_FALSE(
        ParseManifest(Tampered("Carvexo clean-up 1\n", "Carvexo clean-up 1\nsequence\tx\n")));
    m.values[0].data.assign(kMaxValueBytes + 1, 0);
    EXPECT_FALSE(ParseManifest(WriteManifest(m))) << "a value too large to be read back";
}

// An export as Wine's regedit writes it, read as its import would write it,
// and compared with what the key holds.
TEST(RegFile, AnExportIsReadAsItsImportWouldWriteAndComparedWithTheKey) {
    const std::wstring text =
        L"Windows Registry Editor Version 5.00\r\n\r\n"
        L"[HKEY_CURRENT_USER\\Software\\Acme]\r\n"
        L"@=\"d\"\r\n"
        L"\"q\\\"uote\\\\back\\nline\"=\"a\\n\\r\\\"\\\\\"\r\n"
        L"\"n\"=dword:04030201\r\n"
        L"\"b\"=hex:01,02,\\\r\n  03\r\n"
        L"\"t\"=hex(1234):7a\r\n"
        L"\"e\"=hex(2):\r\n"
        L"\r\n[HKEY_CURRENT_USER\\Software\\Acme\\Sub]\r\n";
    auto got = ParseRegExport(text, cx::RegHive::CurrentUser, L"Software\\Acme");
    ASSERT_TRUE(got);
    RegKeyContents want;
    auto& top = want[L""];
    top[L""] = {REG_SZ, {'d', 0, 0, 0}};
    top[L"q\"uote\\back\nline"] = {REG_SZ, {'a', 0, '\n', 0, '\r', 0, '"', 0, '\\', 0, 0, 0}};
    top[L"n"] = {REG_DWORD, {1, 2, 3, 4}};
    top[L"b"] = {REG_BINARY, {1, 2, 3}};
    top[L"t"] = {0x1234, {'z'}};
    top[L"e"] = {REG_EXPAND_SZ, {}};
    want[L"Sub"];
    EXPECT_EQ(*got, want);

    const std::wstring refused[] = {
        L"[HKEY_CURRENT_USER\\Software\\Other]\r\n",      // outside the key
        L"[HKEY_CURRENT_USER\\Software\\Acme\\Sub]\r\n",  // the same key twice
        L"\"n\"=dword:1\r\n",                             // a value twice, and short
        L"\"x\"=-\r\n",                                   // a deletion
        L"\"x\"=hex:1,02\r\n",
        L"\"x\"=\"a\\tb\"\r\n",  // an escape regedit does not write
        L"x=\"a\"\r\n",
    };
    for (const std::wstring& r : refused)
        EXPECT_FALSE(ParseRegExport(text + r, cx::RegHive::CurrentUser, L"Software\\Acme")) << r.size();
    EXPECT_FALSE(
        ParseRegExport(L"REGEDIT4\r\n" + text.substr(38), cx::RegHive::CurrentUser, L"Software\\Acme"));

    EXPECT_EQ(ExportDifference(want, want), L"");
    RegKeyContents key = want;
    key[L""][L"n"].data[0] = 9;
    EXPECT_EQ(ExportDifference(want, key), L"the value n of the key itself differs");
    key = want;
    key[L"Sub"][L"new"] = {REG_BINARY, {}};
    EXPECT_EQ(ExportDifference(want, key), L"the value new of the subkey Sub is missing");
    key = want;
    key.erase(L"Sub");
    EXPECT_EQ(ExportDifference(want, key), L"the subkey Sub is not in the key");
    // A value regedit cannot carry is kept apart, whatever the export made of it.
    key = want;
    key[L""][L""] = {REG_SZ, {'d', 0}};
    EXPECT_EQ(ExportDifference(want, key), L"");
}

}  // namespace

#include <gtest/gtest.h>

#include <algorithm>

#include "CoreKit.h"
#include "cleanup/Removal.h"
#include "cleanup/Scanner.h"
#include "harness/TestKit.h"
#include "platform/Handles.h"
#include "platform/Registry.h"
#include "platform/Strings.h"

#include <functional>

using namespace cx::cleanup;
using namespace cx::test;

namespace {

const std::string kHkcu = "HKEY_CURRENT_USER";

std::vector<std::string> Texts(const CheckTree& t, const std::vector<NodeId>& ids) {
    std::vector<std::string> out;
    for (NodeId id : ids) out.push_back(t.Get(id).text);
    return out;
}

NodeId Find(const CheckTree& t, const std::string& text) {
    for (NodeId id : t.InOrder())
        if (t.Get(id).text == text) return id;
    ADD_FAILURE() << "no node " << text;
    return -1;
}

class RegistryScan : public ::testing::Test {
protected:
    void SetUp() override { base = FreshRegSandbox("Scan"); }
    void TearDown() override { DropRegSandbox(); }
    HKEY Make(const std::string& rel) {
        return CreateKeyPath(HKEY_CURRENT_USER, base + "\\" + rel);
    }
    std::string Text(const std::string& rel) { return kHkcu + "\\" + base + "\\" + rel; }
    std::string base;
};

TEST_F(RegistryScan, ExactNamesAtEveryDepthWithTheirValues) {
    HKEY k = Make("A\\Target");
    SetValue(k, "", REG_SZ, std::string("default", 8));
    SetValue(k, "str", REG_SZ, std::string("x", 2));
    SetValue(k, "num", REG_DWORD, std::string("\1\0\0\0", 4));
    SetValue(k, "empty", REG_BINARY, "");
    SetValue(k, "multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
    SetValue(k, "odd", 0x1234, "zz");
    SetValue(k, "back\\slash", REG_SZ, std::string("y", 2));
    RegCloseKey(k);
    RegCloseKey(Make("A\\Target\\Inner\\Target"));
    RegCloseKey(Make("B\\target"));        // letter case differs
    RegCloseKey(Make("B\\Target2"));       // longer name
    RegCloseKey(Make("B\\TargetX\\Tar"));  // shorter name
    // Deeper than Wine's ~260-character limit on paths opened in one go.
    std::string deep = "Deep";
    for (int i = 0; i < 25; ++i) deep += "\\level_" + std::to_string(i) + "_padding";
    RegCloseKey(Make(deep + "\\Target"));

    CheckTree t;
    ScanProgress quiet = Quiet();
    ScanRegistryKey(cx::RegHive::CurrentUser, base, "Target", t, quiet);
    auto roots = Texts(t, t.Roots());
    ASSERT_EQ(roots, (std::vector<std::string>{Text("A\\Target"), Text("A\\Target\\Inner\\Target"),
                                               Text(deep + "\\Target")}));
    for (NodeId r : t.Roots()) {
        EXPECT_EQ(t.Get(r).kind, NodeKind::RegKey);
        EXPECT_EQ(t.Get(r).state, csChecked);
    }
    NodeId outer = t.Roots()[0];
    auto values = Texts(t, t.Get(outer).children);
    std::vector<std::string> expected;
    for (const char* v : {"", "str", "num", "empty", "multi", "odd", "back\\slash"})
        expected.push_back(Text("A\\Target\\") + v);
    std::sort(values.begin(), values.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(values, expected);
    NodeId slash = Find(t, Text("A\\Target\\back\\slash"));
    EXPECT_EQ(t.Get(slash).reg->value, L"back\\slash");
    EXPECT_EQ(t.Get(slash).reg->key, cx::AnsiToWide(base + "\\A\\Target"));
    EXPECT_EQ(t.Get(slash).kind, NodeKind::RegValue);
    EXPECT_TRUE(t.Get(t.Roots()[1]).children.empty());

    CheckTree none;
    ScanRegistryKey(cx::RegHive::CurrentUser, base, "", none, quiet);
    ScanRegistry("", none, quiet);
    EXPECT_TRUE(none.Empty());
}

TEST_F(RegistryScan, FullScanSkipsExcludedAndWindowsOwnedKeys) {
    const std::string word = "CxTestCoreWord";
    RegCloseKey(Make("X\\" + word));
    // Under the excluded SOFTWARE\Classes and SOFTWARE\Microsoft of the current user.
    RegCloseKey(CreateKeyPath(HKEY_CURRENT_USER, "SOFTWARE\\Classes\\CxTestCoreClasses\\" + word));
    RegCloseKey(CreateKeyPath(HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\CxTestCoreMs\\" + word));
    int pumps = 0, shows = 0;
    ScanProgress p;
    p.pump = [&] { ++pumps; };
    p.show = [&](const std::string&) { ++shows; };
    CheckTree t;
    const DWORD start = GetTickCount();
    ScanRegistry(word, t, p);
    const DWORD spent = GetTickCount() - start;
    cx::reg::DeleteTree(HKEY_CURRENT_USER, "SOFTWARE\\Classes\\CxTestCoreClasses");
    cx::reg::DeleteTree(HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\CxTestCoreMs");
    EXPECT_EQ(
        Texts(t, t.Roots()),
        std::vector<std::string>{"HKEY_CURRENT_USER\\SOFTWARE\\CxTestCore\\Scan\\X\\" + word});
    // The queue is looked at by the clock, not per key (every look is a round
    // trip to the wineserver): at least once, at most once per 10 ms of the
    // scan plus a first look in each of the four start subtrees.
    EXPECT_GE(pumps, 1);
    EXPECT_LE(static_cast<DWORD>(pumps), 4 + spent / 10) << spent << " ms";
    EXPECT_GE(shows, 1);
    // At most one show per 50 ms of the scan's own clock, however the test thread
    // is scheduled between the scan's look at the clock and the show.
    EXPECT_LE(static_cast<DWORD>(shows), 1 + spent / 50) << spent << " ms";

    // A key Windows owns is not offered even when its name is the search word.
    CheckTree run;
    ScanRegistryKey(cx::RegHive::LocalMachine, "SOFTWARE\\Microsoft\\Windows", "Run",
                    run, p);
    for (NodeId r : run.Roots())
        EXPECT_NE(run.Get(r).text,
                  "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
}

// A program named like a key deep inside a Windows-owned store: only its own
// Uninstall entry is offered, in both hives.
TEST_F(RegistryScan, DeepWindowsKeysAreNotOfferedTheProgramsOwnEntryIs) {
    const std::string cv = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\";
    const std::vector<std::pair<HKEY, std::string>> made = {
        {HKEY_LOCAL_MACHINE, cv + "WINEVT\\Channels\\Application"},
        {HKEY_LOCAL_MACHINE, cv + "Explorer\\FileExts\\.cxtest\\Application"},
        {HKEY_LOCAL_MACHINE, cv + "Setup\\CxTest\\Application"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Policies\\Microsoft\\Windows\\Application"},
        {HKEY_CURRENT_USER, "SOFTWARE\\AppDataLow\\Software\\Microsoft\\Application"},
        {HKEY_LOCAL_MACHINE, cv + "Uninstall\\Application"},
        {HKEY_CURRENT_USER, "SOFTWARE\\AppDataLow\\Software\\CxTestVendor\\Application"},
    };
    for (const auto& [root, path] : made) RegCloseKey(CreateKeyPath(root, path));
    CheckTree t;
    ScanProgress quiet = Quiet();
    ScanRegistry("Application", t, quiet);
    std::vector<std::string> offered = Texts(t, t.Roots());
    std::sort(offered.begin(), offered.end());
    EXPECT_EQ(offered,
              (std::vector<std::string>{
                  "HKEY_CURRENT_USER\\SOFTWARE\\AppDataLow\\Software\\CxTestVendor\\Application",
                  "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\" +
                      std::string("CurrentVersion\\Uninstall\\Application")}));
    cx::reg::DeleteTree(HKEY_LOCAL_MACHINE, cv + "Uninstall\\Application");
    cx::reg::DeleteTree(HKEY_LOCAL_MACHINE, cv + "Explorer\\FileExts\\.cxtest");
    cx::reg::DeleteTree(HKEY_LOCAL_MACHINE, cv + "Setup\\CxTest");
    cx::reg::DeleteTree(HKEY_CURRENT_USER, "SOFTWARE\\AppDataLow\\Software\\CxTestVendor");
}

TEST_F(RegistryScan, RemovalTakesCheckedKeysAndValuesAndKeepsTheRest) {
    HKEY k = Make("A\\App");
    SetValue(k, "", REG_SZ, std::string("d", 2));
    SetValue(k, "keep", REG_SZ, std::string("k", 2));
    SetValue(k, "go", REG_DWORD, std::string("\2\0\0\0", 4));
    SetValue(k, "a\\b", REG_SZ, std::string("s", 2));
    RegCloseKey(k);
    HKEY a = Make("A");
    SetValue(a, "sibling", REG_SZ, std::string("s", 2));  // in the parent: never touched
    RegCloseKey(a);
    RegCloseKey(Make("B\\App\\Sub\\SubSub"));
    HKEY bv = Make("B\\App");
    SetValue(bv, "v", REG_SZ, std::string("v", 2));
    RegCloseKey(bv);
    RegCloseKey(Make("B\\Other"));

    CheckTree t;
    ScanProgress quiet = Quiet();
    ScanRegistryKey(cx::RegHive::CurrentUser, base, "App", t, quiet);
    ASSERT_EQ(t.Roots().size(), 2u);
    NodeId partly = t.Roots()[0];
    t.ToggleNodeState(Find(t, Text("A\\App\\keep")));
    ASSERT_EQ(t.Get(partly).state, csPartial);
    // A node for a key that is already gone, and one with a hive nobody knows.
    NodeId gone = t.AddRegistryText(-1, Text("Gone"), NodeKind::RegKey);
    NodeId bogus = t.AddRegistryText(-1, "HKEY_NOWHERE\\SOFTWARE\\App", NodeKind::RegKey);

    auto before = RegPicture(HKEY_CURRENT_USER, base);
    RemovalResult r = RemoveRegistryItems(t);
    auto after = RegPicture(HKEY_CURRENT_USER, base);
    for (const char* entry : {"V:\\A\\App|", "V:\\A\\App|go", "V:\\A\\App|a\\b", "K:\\B\\App",
                              "K:\\B\\App\\Sub", "K:\\B\\App\\Sub\\SubSub", "V:\\B\\App|v"}) {
        EXPECT_TRUE(before.count(entry)) << entry;
        before.erase(entry);
    }
    EXPECT_EQ(after, before);
    EXPECT_EQ(r.removed, 5u);  // three values, key B\App, the key that was gone already
    EXPECT_EQ(r.failed, 1u);   // the unknown hive
    EXPECT_FALSE(t.Contains(gone));
    ASSERT_TRUE(t.Contains(bogus));
    EXPECT_EQ(t.Get(bogus).state, csChecked);
    ASSERT_TRUE(t.Contains(partly));
    EXPECT_EQ(Texts(t, t.Get(partly).children), std::vector<std::string>{Text("A\\App\\keep")});
    EXPECT_EQ(t.Get(partly).state, csUnchecked);  // recomputed from what is left
}

TEST_F(RegistryScan, AKeyWindowsOwnsIsNeverDeleted) {
    const std::string run = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    HKEY k = CreateKeyPath(HKEY_CURRENT_USER, run);
    SetValue(k, "CxTestCoreKeep", REG_SZ, std::string("x", 2));
    RegCloseKey(k);
    CheckTree t;
    NodeId node = t.AddRegistry(-1, cx::RegPath{cx::RegHive::CurrentUser, cx::AnsiToWide(run), {}});
    // A key above one Windows owns goes neither: it would take the owned key with it.
    NodeId above =
        t.AddRegistryText(-1, kHkcu + "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion", NodeKind::RegKey);
    RemovalResult r = RemoveRegistryItems(t);
    EXPECT_EQ(r.removed, 0u);
    EXPECT_EQ(r.failed, 2u);
    EXPECT_TRUE(t.Contains(node));
    EXPECT_TRUE(t.Contains(above));
    auto key = cx::reg::Key::Open(HKEY_CURRENT_USER, run);
    ASSERT_TRUE(key);
    EXPECT_TRUE(key->HasValue("CxTestCoreKeep"));
    key->DeleteValue("CxTestCoreKeep");
}

class FileScan : public ::testing::Test {
protected:
    void SetUp() override { dir = FreshScratchDir("cleanup_core"); }
    void TearDown() override { RemoveTree(dir); }
    void File(const std::string& rel, const std::string& content = "x") {
        WriteWholeFile(dir + rel, content);
    }
    void Dir(const std::string& rel) { CreateDirectoryA((dir + rel).c_str(), nullptr); }
    std::string dir;  // ends in "\"
};

TEST_F(FileScan, ListsInEnumerationOrderAndSkipsDotNames) {
    Dir("sub");
    Dir("sub\\deeper");
    Dir("empty");
    Dir(".hidden");
    File(".hidden\\inside.txt");
    File(".dotfile");
    File("a.txt");
    File("sub\\b.txt");
    File("sub\\deeper\\c.txt");
    File("sub\\.cfg");
    std::vector<std::string> shown;
    int pumps = 0;
    ScanProgress p;
    p.show = [&](const std::string& s) { shown.push_back(s); };
    p.pump = [&] { ++pumps; };
    CheckTree t;
    NodeId root = ScanFiles(dir, t, p);
    ASSERT_NE(root, -1);
    EXPECT_EQ(t.Get(root).text, dir);
    // The file system's own order, level by level.
    std::vector<std::string> expected;
    std::function<void(const std::string&)> list = [&](const std::string& d) {
        cx::test::ForEachEntry(cx::AnsiToWide(d),
                               [&](const std::wstring&, const WIN32_FIND_DATAW& fd) {
                                   const std::string name = cx::WideToAnsi(fd.cFileName);
                                   if (name[0] == '.') return;
                                   expected.push_back(d + name);
                                   if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                                       list(d + name + "\\");
                               });
    };
    list(dir);
    auto got = Texts(t, t.InOrder());
    got.erase(got.begin());
    EXPECT_EQ(got, expected);
    EXPECT_EQ(expected.size(), 6u);
    EXPECT_EQ(t.Get(Find(t, dir + "empty")).kind, NodeKind::Folder);
    EXPECT_TRUE(t.Get(Find(t, dir + "empty")).children.empty());
    EXPECT_EQ(t.Get(Find(t, dir + "sub\\deeper\\c.txt")).kind, NodeKind::File);
    // At most once per file (at most every 10 ms), never per folder, and at least once.
    EXPECT_GE(pumps, 1);
    EXPECT_LE(pumps, 3);
    EXPECT_GE(shown.size(), 1u);

    // The root text is kept as given; children get exactly one "\".
    CheckTree bare;
    std::string noSlash = dir.substr(0, dir.size() - 1);
    NodeId r2 = ScanFiles(noSlash, bare, p, csUnchecked);
    EXPECT_EQ(bare.Get(r2).text, noSlash);
    EXPECT_EQ(bare.Get(r2).state, csUnchecked);
    for (NodeId id : bare.InOrder()) EXPECT_EQ(bare.Get(id).state, csUnchecked);
    auto same = Texts(t, t.InOrder());
    same[0] = noSlash;
    EXPECT_EQ(Texts(bare, bare.InOrder()), same);

    CheckTree missing;
    EXPECT_EQ(ScanFiles(dir + "nothere", missing, p), -1);
    EXPECT_TRUE(missing.Empty());
}

TEST_F(FileScan, CheckedRootGoesWholeWithItsDotFiles) {
    Dir("app");
    Dir("app\\.git");
    File("app\\.git\\config");
    File("app\\.rc");
    Dir("app\\empty");
    File("app\\main.exe");
    CheckTree t;
    ScanProgress quiet = Quiet();
    ScanFiles(dir + "app\\", t, quiet);
    RemovalResult r = RemoveFileItems(t);
    EXPECT_EQ(r.removed, 1u);
    EXPECT_EQ(r.failed, 0u);
    EXPECT_TRUE(t.Empty());
    EXPECT_EQ(GetFileAttributesA((dir + "app").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(FilePicture(dir).count("D:app"));
}

TEST_F(FileScan, PartlyCheckedRootAndFilesThatCannotGo) {
    Dir("app");
    Dir("app\\data");
    File("app\\data\\one");
    File("app\\data\\.dot");
    Dir("app\\logs");
    File("app\\logs\\busy.log");
    File("app\\logs\\old.log");
    Dir("app\\keep");
    File("app\\keep\\mine");
    File("app\\readonly.txt");
    File("app\\plain.txt");
    SetFileAttributesA((dir + "app\\readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    // Held open without FILE_SHARE_DELETE: neither the shell nor DeleteFileA can remove it.
    cx::unique_hfile busy(CreateFileA((dir + "app\\logs\\busy.log").c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
    ASSERT_TRUE(busy);
    CheckTree t;
    ScanProgress quiet = Quiet();
    NodeId root = ScanFiles(dir + "app", t, quiet);
    t.ToggleNodeState(Find(t, dir + "app\\keep"));
    ASSERT_EQ(t.Get(root).state, csPartial);

    auto before = FilePicture(dir + "app");
    RemovalResult r = RemoveFileItems(t);
    auto after = FilePicture(dir + "app");
    for (const char* gone :
         {"D:data", "F:data\\one", "F:data\\.dot", "F:logs\\old.log", "F:plain.txt"})
        before.erase(gone);
    EXPECT_EQ(after, before);
    // data, plain.txt went; logs (busy file inside) and the read-only file did not.
    EXPECT_EQ(r.removed, 2u);
    EXPECT_EQ(r.failed, 2u);
    auto left = Texts(t, t.InOrder());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{
                        dir + "app", dir + "app\\keep", dir + "app\\keep\\mine", dir + "app\\logs",
                        dir + "app\\logs\\busy.log", dir + "app\\readonly.txt"}));
    EXPECT_EQ(t.Get(Find(t, dir + "app\\logs")).state, csChecked);
    EXPECT_EQ(t.Get(root).state, csPartial);
    busy.reset();
    SetFileAttributesA((dir + "app\\readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    // Pressing Delete again once the file is free removes what is left of the checked items.
    r = RemoveFileItems(t);
    EXPECT_EQ(r.failed, 0u);
    EXPECT_EQ(r.removed, 2u);
    EXPECT_EQ(Texts(t, t.InOrder()),
              (std::vector<std::string>{dir + "app", dir + "app\\keep", dir + "app\\keep\\mine"}));
}

// Links made through the API: Windows only. Wine 8 makes none from inside;
// HostLinkTest covers links under Wine, made from the host side.
TEST_F(FileScan, LinksMadeFromInsideAreListedNotEnteredAndRemovedAsLinksOnWindows) {
    if (cx::test::UnderWine()) GTEST_SKIP() << "Wine 8 makes no links from inside";
    Dir("target");
    File("target\\precious.txt", "keep me");
    Dir("app");
    File("app\\a.txt");
    std::string link = dir + "app\\link";
    if (!CreateSymbolicLinkA(link.c_str(), (dir + "target").c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY))
        GTEST_SKIP() << "this account may not make symbolic links (" << GetLastError() << ")";
    DWORD attrs = GetFileAttributesA(link.c_str());
    ASSERT_NE(attrs, INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(attrs & FILE_ATTRIBUTE_REPARSE_POINT) << attrs;
    CheckTree t;
    ScanProgress quiet = Quiet();
    ScanFiles(dir + "app", t, quiet);
    NodeId l = Find(t, link);
    EXPECT_EQ(t.Get(l).kind, NodeKind::Link);
    EXPECT_TRUE(t.Get(l).children.empty());
    RemovalResult r = RemoveFileItems(t);
    EXPECT_EQ(r.failed, 0u);
    EXPECT_EQ(ReadWholeFile(dir + "target\\precious.txt"), "keep me");
    EXPECT_EQ(GetFileAttributesA((dir + "app").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace

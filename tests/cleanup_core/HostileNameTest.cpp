// Names inside an install folder that an 8-bit listing turns into look-alikes
// of "\", "/" and "." must never lead the scan or the removal out of that folder.
#include <gtest/gtest.h>

#include <algorithm>

#include "CoreKit.h"
#include "cleanup/Removal.h"
#include "cleanup/Scanner.h"
#include "harness/TestKit.h"
#include "platform/Strings.h"

using namespace cx::cleanup;
using namespace cx::test;

namespace {

// Fullwidth solidus, reverse solidus and full stop: each best-fits onto its ASCII twin.
constexpr wchar_t kSlash = 0xFF0F, kBackslash = 0xFF3C, kDot = 0xFF0E;

std::wstring W(const std::string& s) { return cx::AnsiToWide(s); }

bool ExistsW(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Where a path really leads once "..", "/" and "." are applied.
std::wstring Resolved(const std::wstring& path) {
    wchar_t buf[4096];
    DWORD n = GetFullPathNameW(path.c_str(), 4096, buf, nullptr);
    return n && n < 4096 ? std::wstring(buf, n) : path;
}

bool IsBelow(const std::wstring& path, const std::wstring& root) {
    std::wstring r = Resolved(root), p = Resolved(path);
    if (r.back() != L'\\') r += L'\\';
    return p.size() > r.size() && lstrcmpiW(p.substr(0, r.size()).c_str(), r.c_str()) == 0;
}

class HostileNames : public ::testing::Test {
protected:
    void SetUp() override {
        dir = W(FreshScratchDir("hostile_names"));
        inst = dir + L"Inst";
        // What the names point at: a folder beside the install folder.
        CreateDirectoryW((dir + L"Victim").c_str(), nullptr);
        CreateDirectoryW((dir + L"Victim\\Precious").c_str(), nullptr);
        WriteWholeFile(cx::WideToAnsi(dir + L"Victim\\Precious\\keep.txt"), "keep");
        WriteWholeFile(cx::WideToAnsi(dir + L"Victim\\note.txt"), "note");

        CreateDirectoryW(inst.c_str(), nullptr);
        WriteWholeFile(cx::WideToAnsi(inst + L"\\innocent.txt"), "x");
        // "x/../../Victim": a folder, with a file of its own.
        climbDir = inst + L"\\x" + kSlash + kDot + kDot + kSlash + kDot + kDot + kSlash + L"Victim";
        // "y\..\..\Victim\note.txt": a file.
        climbFile = inst + L"\\y" + kBackslash + kDot + kDot + kBackslash + kDot + kDot +
                    kBackslash + L"Victim" + kBackslash + L"note.txt";
        // ".." alone, spelled in fullwidth dots: must not be taken for the parent.
        dots = inst + L"\\" + kDot + kDot;
        ASSERT_TRUE(CreateDirectoryW(climbDir.c_str(), nullptr));
        HANDLE f = CreateFileW((climbDir + L"\\own.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_NEW, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        CloseHandle(f);
        f = CreateFileW(climbFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        CloseHandle(f);
        ASSERT_TRUE(CreateDirectoryW(dots.c_str(), nullptr));
    }
    void TearDown() override { RemoveTree(cx::WideToAnsi(dir)); }

    void ExpectVictimUntouched() {
        EXPECT_EQ(ReadWholeFile(cx::WideToAnsi(dir + L"Victim\\Precious\\keep.txt")), "keep");
        EXPECT_EQ(ReadWholeFile(cx::WideToAnsi(dir + L"Victim\\note.txt")), "note");
    }

    std::wstring dir, inst, climbDir, climbFile, dots;
};

TEST_F(HostileNames, EveryListedPathLiesBelowTheRootAndRemovalGoesByRealNames) {
    CheckTree t;
    ScanProgress quiet = Quiet();
    NodeId root = ScanFiles(cx::WideToAnsi(inst), t, quiet);
    ASSERT_NE(root, -1);
    size_t listed = 0;
    for (NodeId id : t.InOrder()) {
        if (id == root) continue;
        ++listed;
        EXPECT_TRUE(IsBelow(W(t.Get(id).text), inst)) << t.Get(id).text;
    }
    // innocent.txt, the climbing folder with its own file, the climbing file, the dot folder.
    EXPECT_EQ(listed, 5u);

    // One innocent file kept: removal goes item by item, by each item's own name.
    for (NodeId id : t.InOrder())
        if (t.Get(id).text == cx::WideToAnsi(inst + L"\\innocent.txt")) t.ToggleNodeState(id);
    RemovalResult r = RemoveFileItems(t);
    EXPECT_EQ(r.failed, 0u);
    ExpectVictimUntouched();
    EXPECT_FALSE(ExistsW(climbDir));
    EXPECT_FALSE(ExistsW(climbFile));
    EXPECT_FALSE(ExistsW(dots));
    EXPECT_TRUE(ExistsW(inst + L"\\innocent.txt"));
}

TEST_F(HostileNames, CheckedRootGoesWholeAndNothingBesideIt) {
    CheckTree t;
    ScanProgress quiet = Quiet();
    ASSERT_NE(ScanFiles(cx::WideToAnsi(inst), t, quiet), -1);
    RemovalResult r = RemoveFileItems(t);
    EXPECT_EQ(r.failed, 0u);
    EXPECT_FALSE(ExistsW(inst));
    ExpectVictimUntouched();
}

// The same look-alikes in the registry: a key "Ｔarget" is not the program's
// "Target", and a key "A＼Target" is not the key Target below A.
TEST(HostileKeyNames, LookAlikeKeysAreNeitherOfferedNorFollowed) {
    const std::string base = FreshRegSandbox("HostileKeys");
    const std::wstring wbase = W(base);
    auto make = [](const std::wstring& path) { return CreateKeyPath(HKEY_CURRENT_USER, path); };
    const std::wstring fullwidthT = std::wstring(1, wchar_t(0xFF34)) + L"arget";
    HKEY decoy = make(wbase + L"\\Decoy\\" + fullwidthT);
    RegSetValueExW(decoy, L"keep", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"x"), 4);
    RegCloseKey(decoy);
    RegCloseKey(make(wbase + L"\\A\\Target"));  // the program's own, reached by its real path
    RegCloseKey(make(wbase + L"\\A" + wchar_t(kBackslash) + L"Target"));
    HKEY own = make(wbase + L"\\Own\\Target");
    // A value whose name reads "a\b" in 8 bits, beside a real "a\b".
    const std::wstring lookAlikeValue = std::wstring(L"a") + wchar_t(kBackslash) + L"b";
    RegSetValueExW(own, lookAlikeValue.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(L"1"), 4);
    RegSetValueExW(own, L"a\\b", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"2"), 4);
    RegCloseKey(own);

    CheckTree t;
    ScanProgress quiet = Quiet();
    ScanRegistryKey(cx::RegHive::CurrentUser, base, "Target", t, quiet);
    std::vector<std::string> roots;
    for (NodeId id : t.Roots()) roots.push_back(t.Get(id).text);
    std::sort(roots.begin(), roots.end());
    EXPECT_EQ(roots, (std::vector<std::string>{"HKEY_CURRENT_USER\\" + base + "\\A\\Target",
                                               "HKEY_CURRENT_USER\\" + base + "\\Own\\Target"}));

    // Only the look-alike value is checked: the real "a\b" must stay.
    NodeId ownNode = -1;
    for (NodeId id : t.Roots())
        if (t.Get(id).text == "HKEY_CURRENT_USER\\" + base + "\\Own\\Target") ownNode = id;
    ASSERT_NE(ownNode, -1);
    for (NodeId v : std::vector<NodeId>(t.Get(ownNode).children))
        if (t.Get(v).reg->value == L"a\\b") t.ToggleNodeState(v);
    for (NodeId id : t.Roots())
        if (id != ownNode) t.ToggleNodeState(id);
    RemovalResult r = RemoveRegistryItems(t);
    EXPECT_EQ(r.failed, 0u);
    HKEY check = nullptr;
    ASSERT_EQ(
        RegOpenKeyExW(HKEY_CURRENT_USER, (wbase + L"\\Own\\Target").c_str(), 0, KEY_READ, &check),
        ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(check, L"a\\b", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_NE(RegQueryValueExW(check, lookAlikeValue.c_str(), nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(check);
    DropRegSandbox();
}

}  // namespace

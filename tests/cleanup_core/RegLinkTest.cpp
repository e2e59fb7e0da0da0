// Registry links (REG_LINK keys) inside the scanned subtrees: listed as keys,
// removed as links, never followed; one that loops back cannot keep the scan going.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <algorithm>

#include "CoreKit.h"
#include "cleanup/Removal.h"
#include "cleanup/Scanner.h"
#include "platform/Handles.h"
#include "platform/Strings.h"

using namespace cx::cleanup;
using namespace cx::test;

namespace {

// "\Registry\User\<sid>\": where HKEY_CURRENT_USER lives in the object namespace.
std::wstring CurrentUserObjectPath() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    char buf[256];
    DWORD got = 0;
    std::wstring out;
    if (GetTokenInformation(token, TokenUser, buf, sizeof buf, &got)) {
        wchar_t* sid = nullptr;
        if (ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buf)->User.Sid, &sid)) {
            out = std::wstring(L"\\Registry\\User\\") + sid + L"\\";
            LocalFree(sid);
        }
    }
    CloseHandle(token);
    return out;
}

// Makes HKCU\<path> a link to HKCU\<target>; false when the system makes none.
bool MakeLink(const std::string& path, const std::string& target) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, cx::AnsiToWide(path).c_str(), 0, nullptr,
                        REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                        KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    std::wstring to = CurrentUserObjectPath() + cx::AnsiToWide(target);
    LONG rc = RegSetValueExW(key, L"SymbolicLinkValue", 0, REG_LINK,
                             reinterpret_cast<const BYTE*>(to.data()),
                             static_cast<DWORD>(to.size() * sizeof(wchar_t)));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool LinkFollows(const std::string& path, const std::string& value) {
    cx::unique_hkey k;
    return RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, k.put()) == ERROR_SUCCESS &&
           RegQueryValueExA(k.get(), value.c_str(), nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
}

class RegLinks : public ::testing::Test {
protected:
    void SetUp() override {
        base = FreshRegSandbox("Links");
        HKEY k = CreateKeyPath(HKEY_CURRENT_USER, base + "\\Elsewhere\\Target");
        SetValue(k, "precious", REG_SZ, std::string("keep", 5));
        RegCloseKey(k);
        RegCloseKey(CreateKeyPath(HKEY_CURRENT_USER, base + "\\Elsewhere\\Target\\Inner"));
        RegCloseKey(CreateKeyPath(HKEY_CURRENT_USER, base + "\\App"));
        // Windows and Wine both make registry links: a failure here is a failure.
        ASSERT_TRUE(MakeLink(base + "\\App\\Target", base + "\\Elsewhere\\Target"));
        ASSERT_TRUE(LinkFollows(base + "\\App\\Target", "precious"));
    }
    void TearDown() override { DropRegSandbox(); }
    // The link's target keeps its value and its subkey.
    void ExpectTargetUntouched() {
        EXPECT_TRUE(LinkFollows(base + "\\Elsewhere\\Target", "precious"));
        cx::unique_hkey inner;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (base + "\\Elsewhere\\Target\\Inner").c_str(), 0,
                                KEY_READ, inner.put()),
                  ERROR_SUCCESS);
    }
    std::string base;
};

TEST_F(RegLinks, ALinkIsListedAsAKeyAndRemovedWithoutTouchingItsTarget) {
    CheckTree t;
    ScanProgress quiet = Quiet();
    ScanRegistryKey(cx::RegHive::CurrentUser, base + "\\App", "Target", t, quiet);
    ASSERT_EQ(t.Roots().size(), 1u);
    const Node& link = t.Get(t.Roots()[0]);
    EXPECT_EQ(link.text, "HKEY_CURRENT_USER\\" + base + "\\App\\Target");
    // The target's values are not the link's.
    EXPECT_TRUE(link.children.empty());

    RemovalResult r = RemoveRegistryItems(t);
    EXPECT_EQ(r.failed, 0u);
    EXPECT_EQ(r.removed, 1u);
    EXPECT_FALSE(LinkFollows(base + "\\App\\Target", "precious"));
    ExpectTargetUntouched();
}

TEST_F(RegLinks, ALinkInsideACheckedKeyGoesAsALink) {
    RegCloseKey(CreateKeyPath(HKEY_CURRENT_USER, base + "\\Outer\\Sub"));
    ASSERT_TRUE(MakeLink(base + "\\Outer\\Sub\\Jump", base + "\\Elsewhere\\Target"));
    CheckTree t;
    ScanProgress quiet = Quiet();
    ScanRegistryKey(cx::RegHive::CurrentUser, base, "Outer", t, quiet);
    ASSERT_EQ(t.Roots().size(), 1u);
    RemovalResult r = RemoveRegistryItems(t);
    EXPECT_EQ(r.failed, 0u);
    cx::unique_hkey outer;
    EXPECT_NE(
        RegOpenKeyExA(HKEY_CURRENT_USER, (base + "\\Outer").c_str(), 0, KEY_READ, outer.put()),
        ERROR_SUCCESS);
    ExpectTargetUntouched();
}

TEST_F(RegLinks, ALinkLoopingBackEndsTheScan) {
    // base\Loop\Back -> base: every pass through it would start the walk again.
    RegCloseKey(CreateKeyPath(HKEY_CURRENT_USER, base + "\\Loop"));
    ASSERT_TRUE(MakeLink(base + "\\Loop\\Back", base));
    CheckTree t;
    ScanProgress quiet = Quiet();
    ScanRegistryKey(cx::RegHive::CurrentUser, base, "Target", t, quiet);
    // Found once where it is, once as the link it is; never again through the loop.
    std::vector<std::string> texts;
    for (NodeId id : t.Roots()) texts.push_back(t.Get(id).text);
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts,
              (std::vector<std::string>{"HKEY_CURRENT_USER\\" + base + "\\App\\Target",
                                        "HKEY_CURRENT_USER\\" + base + "\\Elsewhere\\Target"}));
}

}  // namespace

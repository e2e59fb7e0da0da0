#include <gtest/gtest.h>

#include <string>

#include "platform/Error.h"
#include "platform/Registry.h"

namespace {

constexpr const char* kSandbox = "Software\\CarvexoTest\\Registry";

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        cx::reg::DeleteTree(HKEY_CURRENT_USER, kSandbox);
        key = cx::reg::Key::Create(HKEY_CURRENT_USER, kSandbox);
    }
    void TearDown() override {
        key = cx::reg::Key();
        cx::reg::DeleteTree(HKEY_CURRENT_USER, kSandbox);
    }
    void Raw(const char* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(RegSetValueExA(key.get(), name, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }
    cx::reg::Key key;
};

TEST_F(RegistryTest, StringsSurviveMissingTerminatorsAndEmbeddedNuls) {
    Raw("noterm", REG_SZ, "abc", 3);
    Raw("embedded", REG_SZ, "ab\0cd", 6);
    Raw("empty", REG_SZ, "", 0);
    Raw("expand", REG_EXPAND_SZ, "%TEMP%\\x", 9);
    EXPECT_EQ(key.GetString("noterm"), "abc");
    EXPECT_EQ(key.GetString("embedded"), "ab");
    EXPECT_EQ(key.GetString("empty"), "");
    EXPECT_EQ(key.GetString("expand"), "%TEMP%\\x");  // stored form, not expanded
    EXPECT_FALSE(key.GetString("missing"));
}

TEST_F(RegistryTest, WrongTypesReadAsAbsent) {
    DWORD d = 42;
    Raw("dword", REG_DWORD, &d, 4);
    Raw("text", REG_SZ, "42", 3);
    Raw("short", REG_BINARY, "\x01\x02", 2);
    Raw("bin4", REG_BINARY, "\x2a\0\0\0", 4);
    EXPECT_FALSE(key.GetString("dword"));
    EXPECT_FALSE(key.GetDword("text"));
    EXPECT_FALSE(key.GetDword("short"));
    EXPECT_EQ(key.GetDword("dword"), 42u);
    EXPECT_EQ(key.GetDword("bin4"), 42u);
}

TEST_F(RegistryTest, LargeValuesAndManyValuesEnumerate) {
    std::string big(200000, 'x');
    key.SetString("big", big);
    EXPECT_EQ(key.GetString("big")->size(), big.size());
    for (int i = 0; i < 300; ++i) key.SetDword("v" + std::to_string(i), static_cast<DWORD>(i));
    auto values = key.Values();
    EXPECT_EQ(values.size(), 301u);
    key.SetString("", "default");
    EXPECT_EQ(key.GetString(""), "default");
}

TEST_F(RegistryTest, DeleteTreeRemovesDeepSubtreesOpenedRelatively) {
    // Deeper than Wine's ~260-character limit on full paths.
    std::string path;
    cx::reg::Key parent = cx::reg::Key::Create(HKEY_CURRENT_USER, kSandbox);
    for (int depth = 0; depth < 40; ++depth) {
        std::string name = "level_" + std::to_string(depth) + "_padding";
        parent = cx::reg::Key::Create(parent.get(), name);
        parent.SetString("v", "x");
    }
    parent = cx::reg::Key();
    key = cx::reg::Key();
    EXPECT_TRUE(cx::reg::DeleteTree(HKEY_CURRENT_USER, kSandbox));
    EXPECT_FALSE(cx::reg::Key::Open(HKEY_CURRENT_USER, kSandbox));
    key = cx::reg::Key::Create(HKEY_CURRENT_USER, kSandbox);
}

TEST_F(RegistryTest, SubKeyNamesAndMissingKeys) {
    cx::reg::Key::Create(key.get(), "b");
    cx::reg::Key::Create(key.get(), "a long name with spaces");
    auto names = key.SubKeyNames();
    ASSERT_EQ(names.size(), 2u);
    // The UTF-16 listing lets its caller act between names.
    int between = 0;
    EXPECT_EQ(cx::reg::SubKeyNamesW(key.get(), [&] { ++between; }).size(), 2u);
    EXPECT_EQ(between, 2);
    EXPECT_FALSE(cx::reg::Key::Open(HKEY_CURRENT_USER, "Software\\CarvexoTest\\NoSuchKey"));
    EXPECT_FALSE(cx::reg::DeleteTree(HKEY_CURRENT_USER, "Software\\CarvexoTest\\NoSuchKey"));
}

}  // namespace

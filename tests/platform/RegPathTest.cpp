#include <gtest/gtest.h>

#include <string>

#include "platform/RegPath.h"

namespace {

using cx::HiveSpelling;
using cx::RegHive;
using cx::RegPath;

TEST(RegPath, OneParserReadsTheLongNamesAndNothingElse) {
    const struct {
        RegHive hive;
        HKEY key;
        const char* lower;
    } hives[] = {{RegHive::ClassesRoot, HKEY_CLASSES_ROOT, "hkey_classes_root"},
                 {RegHive::CurrentUser, HKEY_CURRENT_USER, "hkey_current_user"},
                 {RegHive::LocalMachine, HKEY_LOCAL_MACHINE, "Hkey_Local_Machine"}};
    for (const auto& h : hives) {
        EXPECT_EQ(cx::ParseHive(cx::HiveName(h.hive)), h.hive);
        EXPECT_EQ(cx::HiveKey(h.hive), h.key);
        EXPECT_FALSE(cx::ParseHive(h.lower)) << "stored names are compared exactly";
        EXPECT_EQ(cx::ParseHive(h.lower, HiveSpelling::AnyCase), h.hive);
    }
    for (const std::string& text :
         {std::string(), std::string("HKLM"), std::string("HKCU"), std::string("HKCR"),
          std::string("HKEY_USERS"), std::string("HKEY_CURRENT_CONFIG"),
          std::string(" HKEY_CURRENT_USER"), std::string("HKEY_CURRENT_USER "),
          std::string("HKEY_CURRENT_USER\\"), std::string("HKEY_CURRENT_USE"),
          std::string("HKEY_CURRENT_USERS"), std::string("HKEY_CURRENT_USER\0X", 19)})
        for (HiveSpelling spelling : {HiveSpelling::Exact, HiveSpelling::AnyCase})
            EXPECT_FALSE(cx::ParseHive(text, spelling)) << text;
}

TEST(RegPath, ItsTextShowsTheKeyThenTheValueAndTellsNothingBack) {
    const RegPath key{RegHive::LocalMachine, L"SOFTWARE\\Acme", {}};
    EXPECT_EQ(cx::RegPathText(key), "HKEY_LOCAL_MACHINE\\SOFTWARE\\Acme");
    EXPECT_EQ(key.Parent(), L"SOFTWARE");
    EXPECT_EQ(key.Name(), L"Acme");
    const RegPath top{RegHive::CurrentUser, L"Acme", {}};
    EXPECT_EQ(top.Parent(), L"");
    EXPECT_EQ(top.Name(), L"Acme");
    EXPECT_EQ(cx::RegPathText(RegPath{RegHive::ClassesRoot, L"", {}}), "HKEY_CLASSES_ROOT");

    // The default value is told from the key by a final "\".
    const RegPath byDefault{RegHive::LocalMachine, L"SOFTWARE\\Acme", L""};
    EXPECT_TRUE(byDefault.IsValue());
    EXPECT_FALSE(key.IsValue());
    EXPECT_EQ(cx::RegPathText(byDefault), "HKEY_LOCAL_MACHINE\\SOFTWARE\\Acme\\");
    EXPECT_NE(byDefault, key);
    // A value named "b\c" shows as a value "c" of a key "...\b" would: only the
    // path tells them apart.
    const RegPath slash{RegHive::CurrentUser, L"Software\\a", L"b\\c"};
    const RegPath deeper{RegHive::CurrentUser, L"Software\\a\\b", L"c"};
    EXPECT_EQ(cx::RegPathText(slash), cx::RegPathText(deeper));
    EXPECT_NE(slash, deeper);
    // The name regedit is given keeps what the code page lacks.
    const std::wstring cyrillic = L"\x041A\x043B\x044E\x0447";
    EXPECT_EQ(cx::RegKeyName(RegHive::CurrentUser, L"Software\\" + cyrillic),
              L"HKEY_CURRENT_USER\\Software\\" + cyrillic);
    EXPECT_EQ(cx::RegKeyName(RegHive::CurrentUser, L""), L"HKEY_CURRENT_USER");
}

}  // namespace

#include <gtest/gtest.h>

#include "harness/TestKit.h"
#include "platform/Error.h"
#include "platform/Ini.h"

namespace {

TEST(IniFile, WritesGoStraightToTheFileAndReadBack) {
    std::string dir = cx::test::FreshScratchDir("ini");
    cx::IniFile ini(dir + "a.ini");
    ini.WriteString("config", "SkinFile", "Default.ini");
    ini.WriteBool("config", "HideSysPatch", true);
    EXPECT_EQ(cx::test::ReadLines(dir + "a.ini"),
              (std::vector<std::string>{"[config]", "SkinFile=Default.ini", "HideSysPatch=1"}));
    // Another reader sees the write at once: there is no cache.
    cx::IniFile other(dir + "a.ini");
    EXPECT_EQ(other.ReadString("CONFIG", "skinfile", "x"), "Default.ini");
    EXPECT_TRUE(other.ReadBool("config", "HideSysPatch", false));
}

TEST(IniFile, BooleansAndDefaults) {
    std::string dir = cx::test::FreshScratchDir("ini-bool");
    cx::test::WriteWholeFile(dir + "b.ini",
                             "[config]\r\nzero=0\r\none=1\r\nseven=7\r\nword=yes\r\nempty=\r\n");
    cx::IniFile ini(dir + "b.ini");
    EXPECT_FALSE(ini.ReadBool("config", "zero", true));
    EXPECT_TRUE(ini.ReadBool("config", "one", false));
    EXPECT_TRUE(ini.ReadBool("config", "seven", false));
    EXPECT_TRUE(ini.ReadBool("config", "word", true));
    EXPECT_FALSE(ini.ReadBool("config", "word", false));
    EXPECT_TRUE(ini.ReadBool("config", "empty", true));
    EXPECT_TRUE(ini.ReadBool("config", "missing", true));
    EXPECT_EQ(ini.ReadString("nosection", "k", "def"), "def");
}

TEST(IniFile, LongValuesAreCutTo2047Characters) {
    std::string dir = cx::test::FreshScratchDir("ini-long");
    cx::test::WriteWholeFile(dir + "c.ini", "[s]\r\nk=" + std::string(5000, 'v') + "\r\n");
    EXPECT_EQ(cx::IniFile(dir + "c.ini").ReadString("s", "k", "").size(), 2047u);
}

TEST(IniFile, FailedWriteNamesTheFile) {
    std::string dir = cx::test::FreshScratchDir("ini-fail");
    // A folder where the file should be: the profile write cannot succeed.
    CreateDirectoryA((dir + "Config.ini").c_str(), nullptr);
    cx::IniFile ini(dir + "Config.ini");
    try {
        ini.WriteString("config", "k", "v");
        FAIL() << "write into a folder succeeded";
    } catch (const cx::AppError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + dir + "Config.ini");
    }
}

}  // namespace

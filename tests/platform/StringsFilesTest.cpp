#include <gtest/gtest.h>

#include "harness/TestKit.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Strings.h"

namespace {

TEST(Strings, TrimReplaceAndPaths) {
    EXPECT_EQ(cx::TrimControl(" \t\r\nab c\x01 "), "ab c");
    EXPECT_EQ(cx::TrimControl(" \x1f "), "");
    EXPECT_EQ(cx::ReplaceAll("a#13b#13", "#13", "\r\n"), "a\r\nb\r\n");
    EXPECT_EQ(cx::ReplaceAll("aaa", "aa", "a"), "aa");  // no rescanning of the replacement
    EXPECT_EQ(cx::IncludeTrailingBackslash("C:\\a"), "C:\\a\\");
    EXPECT_EQ(cx::IncludeTrailingBackslash("C:\\a\\"), "C:\\a\\");
    EXPECT_EQ(cx::IncludeTrailingBackslash(""), "");
    EXPECT_EQ(cx::ExtractFilePath("C:\\dir\\app.exe"), "C:\\dir\\");
    EXPECT_EQ(cx::ExtractFileName("C:\\dir\\app.exe"), "app.exe");
    EXPECT_EQ(cx::ExtractFilePath("app.exe"), "");
    EXPECT_TRUE(cx::EqualsNoCase("Software\\ABC", "software\\abc"));
    EXPECT_TRUE(cx::StartsWithNoCase("KB123456", "kb"));
}

TEST(Strings, AnsiWideRoundTrip) {
    std::string text = "Caf\xe9 \xbd";  // Latin-1 bytes in the ANSI code page
    EXPECT_EQ(cx::WideToAnsi(cx::AnsiToWide(text)), text);
    EXPECT_EQ(cx::BstrToAnsi(nullptr), "");
}

TEST(Format, PlaceholdersAndLongTexts) {
    EXPECT_EQ(cx::Format("%d (%s: %d)", 3, "x", 1), "3 (x: 1)");
    EXPECT_EQ(cx::Format("%.2f M", 1.5), "1.50 M");
    EXPECT_EQ(cx::Format("%s", std::string(5000, 'y').c_str()).size(), 5000u);
    EXPECT_FALSE(cx::SysErrorMessage(ERROR_FILE_NOT_FOUND).empty());
}

TEST(Files, ForceDirectoriesMakesEveryMissingParent) {
    std::string dir = cx::test::FreshScratchDir("files");
    cx::ForceDirectories(dir + "a\\b\\c\\");
    EXPECT_TRUE(cx::DirectoryExists(dir + "a\\b\\c"));
    cx::ForceDirectories(dir + "a\\b\\c");  // existing: nothing to do
    EXPECT_FALSE(cx::FileExists(dir + "a"));
    cx::test::WriteWholeFile(dir + "f.txt", "x");
    EXPECT_TRUE(cx::FileExists(dir + "f.txt"));
    EXPECT_FALSE(cx::DirectoryExists(dir + "f.txt"));
    // A file standing where a folder must go.
    EXPECT_THROW(cx::ForceDirectories(dir + "f.txt\\sub"), cx::AppError);
}

}  // namespace

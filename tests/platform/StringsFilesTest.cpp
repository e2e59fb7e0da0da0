#include <gtest/gtest.h>

#include <set>
#include <string>

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

TEST(Strings, ExpandEnvironmentKeepsTheTextWhenItCannotExpand) {
    ASSERT_TRUE(SetEnvironmentVariableA("CX_TEST_ROOT", "C:\\Cx Root"));
    EXPECT_EQ(cx::ExpandEnvironment("%CX_TEST_ROOT%\\bin"), "C:\\Cx Root\\bin");
    EXPECT_EQ(cx::ExpandEnvironment("no percent"), "no percent");
    EXPECT_EQ(cx::ExpandEnvironment("%CX_TEST_UNSET_NAME%"), "%CX_TEST_UNSET_NAME%");
    // Longer than the buffer it starts with, and than the cap it is given.
    std::string longValue(3000, 'v');
    ASSERT_TRUE(SetEnvironmentVariableA("CX_TEST_LONG", longValue.c_str()));
    EXPECT_EQ(cx::ExpandEnvironment("%CX_TEST_LONG%!"), longValue + "!");
    EXPECT_EQ(cx::ExpandEnvironment("%CX_TEST_LONG%!", 1000), "%CX_TEST_LONG%!");
    SetEnvironmentVariableA("CX_TEST_ROOT", nullptr);
    SetEnvironmentVariableA("CX_TEST_LONG", nullptr);
}

namespace {
void MakeFileW(const std::wstring& path) {
    HANDLE h = CreateFileW(cx::LongPathForApi(path).c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
}
std::set<std::wstring> EntryNames(const std::wstring& dir, const std::wstring& pattern = L"*") {
    std::set<std::wstring> names;
    cx::ForEachFolderEntry(
        dir,
        [&](const WIN32_FIND_DATAW& fd) {
            names.insert(fd.cFileName);
            return true;
        },
        pattern);
    return names;
}
}  // namespace

TEST(Files, FolderEntriesByTheirUtf16NamesWithoutDotEntries) {
    const std::wstring dir = cx::AnsiToWide(cx::test::FreshScratchDir("folder-entries"));
    MakeFileW(dir + L"Target.txt");
    MakeFileW(dir + L"\uFF34arget.txt");  // a fullwidth T: "Target.txt" in an 8-bit listing
    MakeFileW(dir + L"saver.scr");
    ASSERT_TRUE(CreateDirectoryW((dir + L"sub").c_str(), nullptr));
    EXPECT_EQ(EntryNames(dir),
              (std::set<std::wstring>{L"Target.txt", L"\uFF34arget.txt", L"saver.scr", L"sub"}));
    // With or without the final backslash, and with a pattern.
    EXPECT_EQ(EntryNames(dir.substr(0, dir.size() - 1), L"*.scr"),
              (std::set<std::wstring>{L"saver.scr"}));
    EXPECT_TRUE(EntryNames(dir + L"missing").empty());

    int calls = 0;
    cx::ForEachFolderEntry(dir, [&](const WIN32_FIND_DATAW&) { return ++calls < 2; });
    EXPECT_EQ(calls, 2);  // false from the visitor ends the listing
}

TEST(Files, FolderEntriesOfAFolderBeyondMaxPath) {
    std::wstring dir = cx::AnsiToWide(cx::test::FreshScratchDir("folder-entries-long"));
    while (dir.size() < MAX_PATH + 20) {
        dir += L"deep-folder-name\\";
        // The scratch folder's own clean-up may not reach this deep: an earlier run's tree may
        // stay.
        ASSERT_TRUE(CreateDirectoryW(cx::LongPathForApi(dir).c_str(), nullptr) ||
                    GetLastError() == ERROR_ALREADY_EXISTS);
    }
    MakeFileW(dir + L"far.txt");
    EXPECT_EQ(EntryNames(dir), (std::set<std::wstring>{L"far.txt"}));
    EXPECT_EQ(cx::LongPathForApi(L"C:\\short"), L"C:\\short");
    EXPECT_EQ(cx::LongPathForApi(dir).substr(0, 4), L"\\\\?\\");
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

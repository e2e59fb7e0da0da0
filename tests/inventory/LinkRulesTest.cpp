// What a click on the Directory column or the status bar link may hand to the
// shell, against Wine's real file system; and the machine's part of the report.
#include <gtest/gtest.h>

#include "harness/TestKit.h"
#include "inventory/ListSystem.h"
#include "inventory/Report.h"
#include "platform/Files.h"
#include "widgets/Seam.h"

using namespace cx;
using namespace cx::inv;

namespace {

struct Opened {
    std::string operation, file;
};

class LinkRules : public ::testing::Test {
protected:
    void SetUp() override {
        dir = test::FreshScratchDir("inv-links");
        CreateDirectoryA((dir + "Tools").c_str(), nullptr);
        test::WriteWholeFile(dir + "Tools.exe", "MZ");
        test::WriteWholeFile(dir + "readme.txt", "text");
        SetShellOpener([this](HWND, const std::string& op, const std::string& file) {
            opened.push_back({op, file});
        });
    }
    void TearDown() override { SetShellOpener({}); }
    std::string dir;
    std::vector<Opened> opened;
};

}  // namespace

TEST_F(LinkRules, OnlyExistingFoldersByDrivePathAreOpenable) {
    EXPECT_TRUE(IsOpenableFolder(dir + "Tools"));
    EXPECT_TRUE(IsOpenableFolder(dir + "Tools\\"));
    EXPECT_TRUE(IsOpenableFolder("  " + dir + "Tools \t"));
    EXPECT_TRUE(IsOpenableFolder(WindowsDirectory()));
    EXPECT_TRUE(IsOpenableFolder("c:/windows"));
    EXPECT_FALSE(IsLaunchableLink(WindowsDirectory()));  // a folder is never a link

    for (const std::string& bad :
         {dir + "Tools.exe", dir + "readme.txt", SystemDirectory() + "\\cmd.exe",
          std::string("cmd /c rmdir /s /q C:\\"), "\"" + dir + "Tools\"", dir + "Missing",
          std::string("file:///C:/windows"), std::string("javascript:alert(1)"),
          std::string("https://example.com"), std::string("."), std::string("windows"),
          std::string("\\\\server\\share"), std::string("C:windows"), std::string("")}) {
        EXPECT_FALSE(IsOpenableFolder(bad)) << bad;
    }
}

TEST_F(LinkRules, OpenFolderHandsOnlyFoldersToTheShellWithAFinalBackslash) {
    OpenFolder(nullptr, " " + dir + "Tools ");
    OpenFolder(nullptr, dir + "Tools.exe");
    OpenFolder(nullptr, "cmd /c calc");
    OpenFolder(nullptr, "https://example.com");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].operation, "open");
    // "...\Tools\" cannot be taken for "...\Tools.exe" beside it.
    EXPECT_EQ(opened[0].file, dir + "Tools\\");
}

TEST_F(LinkRules, OpenLinkHandsOnlyWebAndMailLinksToTheShell) {
    for (const char* hostile : {"C:\\windows\\system32\\cmd.exe", "cmd /c calc",
                                "file:///C:/windows", "javascript:alert(1)", " http://x"}) {
        OpenLink(nullptr, hostile);
    }
    OpenLink(nullptr, dir + "Tools");
    EXPECT_TRUE(opened.empty());
    OpenLink(nullptr, "HTTP://EXAMPLE.COM");
    OpenLink(nullptr, "mailto:a@b");
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].file, "HTTP://EXAMPLE.COM");
    EXPECT_EQ(opened[1].file, "mailto:a@b");
}

TEST_F(LinkRules, AnAddressWithoutSchemeIsOpenedAsAWebAddressNeverAsAFile) {
    // A program of that very name in the working folder: handed on bare, the
    // shell would take "www.example.com" for it.
    test::WriteWholeFile(dir + "www.example.com", "MZ");
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.c_str()));
    OpenLink(nullptr, "www.example.com");
    OpenLink(nullptr, "www.example.com\\..\\..\\cmd.exe");
    OpenLink(nullptr, "www.example.com cmd.exe");
    SetCurrentDirectoryW(previous);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].operation, "open");
    EXPECT_EQ(opened[0].file, "http://www.example.com");
}

TEST(ReportInputTest, MachineSuppliesNamesTimeAndExecutable) {
    ui::SetApplicationTitle("Carvexo");
    auto in = CollectReportInput("3 (Windows Updates: 1, Screen Saver: 0)", {"A", "B"});
    EXPECT_EQ(in.appTitle, "Carvexo");
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof computer;
    ASSERT_TRUE(GetComputerNameA(computer, &size));
    EXPECT_EQ(in.computerName, computer);
    EXPECT_FALSE(in.userName.empty());
    EXPECT_EQ(in.exePath, ModuleFileName());
    EXPECT_EQ(in.countLine, "3 (Windows Updates: 1, Screen Saver: 0)");
    // Short date, a blank, long time: both halves present.
    auto blank = in.createdIn.find(' ');
    ASSERT_NE(blank, std::string::npos) << in.createdIn;
    EXPECT_GT(blank, 0u);
    EXPECT_NE(in.createdIn.find(':'), std::string::npos) << in.createdIn;
    EXPECT_EQ(in.captions, (std::vector<std::string>{"A", "B"}));
    auto lines = BuildReport(in);
    EXPECT_EQ(lines[4], std::string("Computer Name : ") + computer);
    EXPECT_EQ(lines[14], "1 - A");
}

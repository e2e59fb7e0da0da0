#include <gtest/gtest.h>

#include "cleanup/ScreenSaverRemoval.h"
#include "harness/TestKit.h"
#include "platform/Files.h"
#include "platform/Strings.h"

namespace {

using cx::cleanup::RemoveScreenSaver;
using cx::cleanup::ScrRemoval;

class ScreenSaverRemoval : public ::testing::Test {
protected:
    void SetUp() override {
        root = cx::test::FreshScratchDir(
            std::string("scr-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        system = root + "system32\\";
        backup = root + "app\\Back up\\scr\\";
        cx::ForceDirectories(system);
    }
    void Install(const std::string& content) {
        cx::test::WriteWholeFile(system + "Ribbons.scr", content);
    }
    std::string root, system, backup;
};

TEST_F(ScreenSaverRemoval, MovesTheFileIntoANewBackupFolder) {
    Install("first");
    auto r = RemoveScreenSaver(system, "Ribbons.scr", backup);
    EXPECT_EQ(r.outcome, ScrRemoval::Moved);
    EXPECT_EQ(r.backupPath, backup + "Ribbons.scr");
    EXPECT_FALSE(cx::FileExists(system + "Ribbons.scr"));
    EXPECT_EQ(cx::test::ReadWholeFile(backup + "Ribbons.scr"), "first");
}

TEST_F(ScreenSaverRemoval, ASecondRemovalOfAReinstalledCopyKeepsBothBackups) {
    Install("first");
    RemoveScreenSaver(system, "Ribbons.scr", backup);
    Install("second");
    auto r = RemoveScreenSaver(system, "Ribbons.scr", backup);
    EXPECT_EQ(r.outcome, ScrRemoval::Moved);
    EXPECT_EQ(r.backupPath, backup + "Ribbons (2).scr");
    EXPECT_EQ(cx::test::ReadWholeFile(backup + "Ribbons.scr"), "first");
    EXPECT_EQ(cx::test::ReadWholeFile(backup + "Ribbons (2).scr"), "second");
    Install("third");
    EXPECT_EQ(RemoveScreenSaver(system, "Ribbons.scr", backup).backupPath,
              backup + "Ribbons (3).scr");
}

TEST_F(ScreenSaverRemoval, NoBackupMeansNothingIsDeleted) {
    Install("only copy");
    // A file standing where the backup folder must be made.
    cx::ForceDirectories(root + "app\\Back up");
    cx::test::WriteWholeFile(root + "app\\Back up\\scr", "in the way");
    auto r = RemoveScreenSaver(system, "Ribbons.scr", backup);
    EXPECT_EQ(r.outcome, ScrRemoval::NoBackup);
    EXPECT_EQ(cx::test::ReadWholeFile(system + "Ribbons.scr"), "only copy");
}

TEST_F(ScreenSaverRemoval, AFileInUseIsCopiedAndStaysWhenItCannotBeDeleted) {
    Install("busy");
    // Held open without FILE_SHARE_DELETE: neither move nor delete can succeed.
    HANDLE h = CreateFileA((system + "Ribbons.scr").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    auto r = RemoveScreenSaver(system, "Ribbons.scr", backup);
    CloseHandle(h);
    EXPECT_EQ(r.outcome, ScrRemoval::NotRemoved);
    EXPECT_TRUE(cx::FileExists(system + "Ribbons.scr"));
    EXPECT_EQ(cx::test::ReadWholeFile(r.backupPath), "busy");
}

TEST_F(ScreenSaverRemoval, AMissingFileIsLeftAlone) {
    auto r = RemoveScreenSaver(system, "Ribbons.scr", backup);
    EXPECT_EQ(r.outcome, ScrRemoval::NotFound);
    EXPECT_FALSE(cx::DirectoryExists(backup));
    // A folder without its final backslash still names the same folder.
    Install("here");
    EXPECT_EQ(RemoveScreenSaver(root + "system32", "Ribbons.scr", backup).outcome,
              ScrRemoval::Moved);
}

// The name comes from the list, which had it from another process: it must
// name a file of the folder itself, never one found by walking out of it.
TEST_F(ScreenSaverRemoval, ANameThatLeavesTheFolderOrIsNoPlainFileNameMovesNothing) {
    Install("saver");
    cx::test::WriteWholeFile(root + "victim.scr", "the user's file");
    cx::ForceDirectories(system + "Folder.scr");
    for (const char* name : {"..\\victim.scr", "../victim.scr", "..", ".", "", "Ribbons.scr\\",
                             "C:victim.scr", "Ribbon?.scr", "*.scr", "Folder.scr",
                             "RIBBON~1.SCR"}) {
        EXPECT_EQ(RemoveScreenSaver(system, name, backup).outcome, ScrRemoval::NotFound) << name;
    }
    EXPECT_EQ(cx::test::ReadWholeFile(root + "victim.scr"), "the user's file");
    EXPECT_EQ(cx::test::ReadWholeFile(system + "Ribbons.scr"), "saver");
    EXPECT_TRUE(cx::DirectoryExists(system + "Folder.scr"));
    EXPECT_FALSE(cx::FileExists(backup + "victim.scr"));
}

// A name outside the code page: the file is found and moved by its UTF-16
// name, and a look-alike of it in the 8-bit text names nothing.
TEST_F(ScreenSaverRemoval, FilesAreMovedByTheirUtf16Names) {
    const std::wstring wideSystem = cx::AnsiToWide(system);
    const std::wstring strange = L"Aurora \u0436.scr";  // a Cyrillic letter
    HANDLE h = CreateFileW((wideSystem + strange).c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    const std::string ansi = cx::WideToAnsi(strange);  // "Aurora ?.scr" in a Western code page
    if (cx::AnsiToWide(ansi) != strange) {
        EXPECT_EQ(RemoveScreenSaver(system, ansi, backup).outcome, ScrRemoval::NotFound);
        EXPECT_NE(GetFileAttributesW((wideSystem + strange).c_str()), INVALID_FILE_ATTRIBUTES);
    }
    Install("plain");
    auto r = RemoveScreenSaver(system, "ribbons.SCR", backup);  // letter case aside
    EXPECT_EQ(r.outcome, ScrRemoval::Moved);
    EXPECT_EQ(cx::test::ReadWholeFile(backup + "Ribbons.scr"), "plain");
}

}  // namespace

#include <gtest/gtest.h>

#include "cleanup/ScreenSaverRemoval.h"
#include "harness/TestKit.h"
#include "platform/Files.h"

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
    auto r = RemoveScreenSaver(system + "Ribbons.scr", backup);
    EXPECT_EQ(r.outcome, ScrRemoval::Moved);
    EXPECT_EQ(r.backupPath, backup + "Ribbons.scr");
    EXPECT_FALSE(cx::FileExists(system + "Ribbons.scr"));
    EXPECT_EQ(cx::test::ReadWholeFile(backup + "Ribbons.scr"), "first");
}

TEST_F(ScreenSaverRemoval, ASecondRemovalOfAReinstalledCopyKeepsBothBackups) {
    Install("first");
    RemoveScreenSaver(system + "Ribbons.scr", backup);
    Install("second");
    auto r = RemoveScreenSaver(system + "Ribbons.scr", backup);
    EXPECT_EQ(r.outcome, ScrRemoval::Moved);
    EXPECT_EQ(r.backupPath, backup + "Ribbons (2).scr");
    EXPECT_EQ(cx::test::ReadWholeFile(backup + "Ribbons.scr"), "first");
    EXPECT_EQ(cx::test::ReadWholeFile(backup + "Ribbons (2).scr"), "second");
    Install("third");
    EXPECT_EQ(RemoveScreenSaver(system + "Ribbons.scr", backup).backupPath,
              backup + "Ribbons (3).scr");
}

TEST_F(ScreenSaverRemoval, NoBackupMeansNothingIsDeleted) {
    Install("only copy");
    // A file standing where the backup folder must be made.
    cx::ForceDirectories(root + "app\\Back up");
    cx::test::WriteWholeFile(root + "app\\Back up\\scr", "in the way");
    auto r = RemoveScreenSaver(system + "Ribbons.scr", backup);
    EXPECT_EQ(r.outcome, ScrRemoval::NoBackup);
    EXPECT_EQ(cx::test::ReadWholeFile(system + "Ribbons.scr"), "only copy");
}

TEST_F(ScreenSaverRemoval, AFileInUseIsCopiedAndStaysWhenItCannotBeDeleted) {
    Install("busy");
    // Held open without FILE_SHARE_DELETE: neither move nor delete can succeed.
    HANDLE h = CreateFileA((system + "Ribbons.scr").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    auto r = RemoveScreenSaver(system + "Ribbons.scr", backup);
    CloseHandle(h);
    EXPECT_EQ(r.outcome, ScrRemoval::NotRemoved);
    EXPECT_TRUE(cx::FileExists(system + "Ribbons.scr"));
    EXPECT_EQ(cx::test::ReadWholeFile(r.backupPath), "busy");
}

TEST_F(ScreenSaverRemoval, AMissingFileIsLeftAlone) {
    // A folder text without its final backslash joins to a name that is not there.
    auto r = RemoveScreenSaver(root + "system32Ribbons.scr", backup);
    EXPECT_EQ(r.outcome, ScrRemoval::NotFound);
    EXPECT_FALSE(cx::DirectoryExists(backup));
}

}  // namespace

// What the removal acts on is what the scan found: a folder renamed away and
// replaced by another between the scan and Delete (as a link swapped in would
// be, under Wine too) leads the removal nowhere, and trees of any depth go.
#include <gtest/gtest.h>

#include "CoreKit.h"
#include "cleanup/Rejudge.h"
#include "cleanup/Remains.h"
#include "cleanup/Removal.h"
#include "cleanup/Scanner.h"
#include "cleanup/Undo.h"
#include "harness/TestKit.h"
#include "platform/Files.h"
#include "platform/Strings.h"

using namespace cx::cleanup;
using namespace cx::test;
using cx::DirectoryExists;
using cx::FileExists;
using cx::ForceDirectories;

namespace {

class SwappedPlaces : public ::testing::Test {
protected:
    void SetUp() override { dir = FreshScratchDir("cleanup_swap"); }
    void TearDown() override { RemoveTree(dir); }
    void File(const std::string& rel, const std::string& content = "x") {
        WriteWholeFile(dir + rel, content);
    }
    void Dir(const std::string& rel) { CreateDirectoryA((dir + rel).c_str(), nullptr); }
    // The program's folder: vendor\app with a file and a subfolder.
    void MakeApp() {
        Dir("vendor");
        Dir("vendor\\app");
        File("vendor\\app\\app.exe", "program");
        Dir("vendor\\app\\sub");
        File("vendor\\app\\sub\\data.bin", "program data");
    }
    // A fresh program folder, scanned into `files` with every node in `state`.
    void ScanFreshApp(CheckTree& files, CheckState state = csChecked) {
        RemoveTree(dir);
        ForceDirectories(dir);
        MakeApp();
        ScanProgress quiet = Quiet();
        ASSERT_NE(ScanFiles(dir + "vendor\\app", files, quiet, state), -1);
    }
    // `rel` goes away under another name, and another folder of the same
    // shape takes its place, holding someone else's files.
    void Swap(const std::string& rel, const std::string& inside) {
        ASSERT_TRUE(MoveFileA((dir + rel).c_str(), (dir + rel + ".moved").c_str()));
        Dir(rel);
        for (size_t at = 0; (at = inside.find('\\', at)) != std::string::npos; ++at)
            Dir(rel + "\\" + inside.substr(0, at));
        File(rel + "\\" + inside, "someone else's");
    }
    std::string dir;
};

TEST_F(SwappedPlaces, AParentOrASubfolderReplacedSinceTheScanLosesNothing) {
    // The install folder's parent swapped: nothing of the other folder goes,
    // neither by deleting nor by the undo's move.
    for (bool undo : {false, true}) {
        SCOPED_TRACE(undo ? "moved into a backup" : "deleted");
        CheckTree files;
        ScanFreshApp(files);
        Swap("vendor", "app\\app.exe");
        const auto before = FilePicture(dir);
        CheckTree registry;
        CleanupBackup backup;
        if (undo) {
            backup.root = cx::AnsiToWide(dir + "kept\\");
            backup.program = L"App";
        }
        FindingsOutcome out = RemoveFindings(registry, files, backup);
        EXPECT_EQ(out.failed, 1u);
        EXPECT_NE(out.backup, BackupState::Kept);
        auto after = FilePicture(dir);
        for (auto it = after.begin(); it != after.end();)
            it = it->first.rfind("D:kept", 0) == 0 ? after.erase(it) : std::next(it);
        EXPECT_EQ(after, before);
        EXPECT_FALSE(files.Empty());  // the window still shows what stayed
    }

    // A subfolder swapped: with the root checked whole, the root's own files go
    // but the swapped-in folder and the one moved away stay, and so does the root.
    CheckTree whole;
    ScanFreshApp(whole);
    Swap("vendor\\app\\sub", "data.bin");
    RemovalResult r = RemoveFileItems(whole);
    EXPECT_EQ(r.failed, 1u);
    EXPECT_EQ(ReadWholeFile(dir + "vendor\\app\\sub\\data.bin"), "someone else's");
    EXPECT_EQ(ReadWholeFile(dir + "vendor\\app\\sub.moved\\data.bin"), "program data");
    EXPECT_FALSE(FileExists(dir + "vendor\\app\\app.exe"));

    // Only the subfolder checked: refused the same way.
    CheckTree part;
    ScanFreshApp(part, csUnchecked);
    for (NodeId id : part.InOrder())
        if (part.Get(id).text == dir + "vendor\\app\\sub") part.ToggleNodeState(id);
    Swap("vendor\\app\\sub", "data.bin");
    r = RemoveFileItems(part);
    EXPECT_EQ(r.removed, 0u);
    EXPECT_EQ(r.failed, 1u);
    EXPECT_EQ(ReadWholeFile(dir + "vendor\\app\\sub\\data.bin"), "someone else's");
    EXPECT_EQ(ReadWholeFile(dir + "vendor\\app\\sub.moved\\data.bin"), "program data");
}

TEST_F(SwappedPlaces, TheInstallFolderIsJudgedAgainAtDelete) {
    MakeApp();
    const ListedProgram target{"CxSwapApp", dir + "vendor\\app", "Swap App", "HKEY_CURRENT_USER"};
    CheckTree registry, files;
    ScanProgress quiet = Quiet();
    ScanRemains(target, SystemSafetyContext("", {}), registry, files, quiet);
    ASSERT_FALSE(files.Empty());
    EXPECT_TRUE(InstallFolderStillSafe(target, SystemSafetyContext("", {}), files));

    // Another program installed into the folder since the scan: its folder is
    // not kept locked in the tree, so the file part must not go ahead.
    Dir("vendor\\app\\plugin");
    const SafetyContext now =
        SystemSafetyContext("", {OtherProgram(dir + "vendor\\app\\plugin", "Plugin")});
    EXPECT_FALSE(InstallFolderStillSafe(target, now, files));
    // The same program known at scan time is locked there, and that is fine.
    CheckTree registry2, files2;
    ScanRemains(target, now, registry2, files2, quiet);
    EXPECT_TRUE(InstallFolderStillSafe(target, now, files2));

    // The registration now points elsewhere, or at a folder the rules refuse.
    ListedProgram moved = target;
    moved.installLocation = dir + "vendor";
    EXPECT_FALSE(InstallFolderStillSafe(moved, SystemSafetyContext("", {}), files));
    moved.installLocation = "C:\\windows";
    EXPECT_FALSE(InstallFolderStillSafe(moved, SystemSafetyContext("", {}), files));
}

TEST_F(SwappedPlaces, ATreeThreeHundredLevelsDeepIsScannedAndRemovedWhole) {
    std::wstring path = cx::AnsiToWide(dir) + L"deep";
    for (int level = 0; level < 300; ++level) {
        ASSERT_TRUE(CreateDirectoryW(cx::LongPathForApi(path).c_str(), nullptr)) << level;
        path += L"\\d" + std::to_wstring(level % 10);
    }
    const std::wstring leaf = path.substr(0, path.size() - 3) + L"\\leaf.txt";
    cx::unique_hfile f(CreateFileW(cx::LongPathForApi(leaf).c_str(), GENERIC_WRITE, 0, nullptr,
                                   CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(f);
    f.reset();
    CheckTree tree;
    ScanProgress quiet = Quiet();
    ASSERT_NE(ScanFiles(dir + "deep", tree, quiet), -1);
    EXPECT_EQ(tree.Size(), 301u);  // 300 folders and the file
    RemovalResult r = RemoveFileItems(tree);
    EXPECT_EQ(r.removed, 1u);
    EXPECT_EQ(r.failed, 0u);
    EXPECT_FALSE(DirectoryExists(dir + "deep"));

    // The undo's own folders go through the same walk.
    path = cx::AnsiToWide(dir) + L"kept";
    for (int level = 0; level < 300; ++level) {
        ASSERT_TRUE(CreateDirectoryW(cx::LongPathForApi(path).c_str(), nullptr)) << level;
        path += L"\\k";
    }
    EXPECT_TRUE(RemoveDirectoryTree(cx::AnsiToWide(dir) + L"kept"));
}

}  // namespace

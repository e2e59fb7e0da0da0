// The remains scan window on a sandbox registry key and a scratch install
// folder: what the scan shows, what a press on a check mark does, what Delete
// removes and says, and the cases where the window lists nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "harness/Surface.h"
#include "harness/MessageLog.h"
#include "harness/Pump.h"
#include "harness/TestKit.h"
#include "cleanup/ScanForm.h"
#include "cleanup/Undo.h"
#include "i18n/LangText.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Registry.h"
#include "platform/Strings.h"
#include "widgets/Seam.h"

using namespace cx;
using namespace cx::cleanup;

namespace {

constexpr const char* kVendorPath = "SOFTWARE\\CxTestScanVendor";
constexpr const char* kWord = "CxTestScanFormApp";
const std::string kKeyText = std::string("HKEY_CURRENT_USER\\SOFTWARE\\CxTestScanVendor\\") + kWord;

using test::Pump;
using test::PumpFor;

// Every node of the view, parents before their children.
std::vector<HTREEITEM> AllItems(ui::CheckTreeView& view) {
    HWND tv = view.hwnd();
    std::vector<HTREEITEM> items, pending;
    for (HTREEITEM it = view.Root(); it; it = TreeView_GetNextSibling(tv, it))
        pending.push_back(it);
    while (!pending.empty()) {
        HTREEITEM item = pending.back();
        pending.pop_back();
        items.push_back(item);
        // The scan window inserts a folder's children when it is opened.
        TreeView_Expand(tv, item, TVE_EXPAND);
        for (HTREEITEM c = TreeView_GetChild(tv, item); c; c = TreeView_GetNextSibling(tv, c))
            pending.push_back(c);
    }
    return items;
}

HTREEITEM FindItem(ui::CheckTreeView& view, const std::string& text) {
    for (HTREEITEM item : AllItems(view))
        if (view.NodeText(item) == text) return item;
    return nullptr;
}

std::vector<std::string> AllTexts(ui::CheckTreeView& view) {
    std::vector<std::string> texts;
    for (HTREEITEM item : AllItems(view)) texts.push_back(view.NodeText(item));
    return texts;
}

bool Contains(const std::vector<std::string>& v, const std::string& s) {
    for (const auto& x : v)
        if (x == s) return true;
    return false;
}

// A press of the left button on the node's check mark, as the mouse sends it.
void ClickMark(ui::CheckTreeView& view, HTREEITEM item) {
    ASSERT_TRUE(item);
    TreeView_EnsureVisible(view.hwnd(), item);
    RECT r{};
    memcpy(&r, &item, sizeof item);
    SendMessageA(view.hwnd(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r));
    POINT p{r.left - ui::CheckTreeView::kImageSize / 2 - 1, (r.top + r.bottom) / 2};
    ASSERT_EQ(view.HitTestState(p), item);
    PostMessageA(view.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    SendMessageA(view.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    Pump();
}

// Writes the window as the screen shows it to a 24-bit BMP file.
void SaveScreenshot(HWND hwnd, const std::string& path) {
    test::Surface::FromScreen(hwnd).SaveBmp(path);
}

class ScanFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        reg::DeleteTree(HKEY_CURRENT_USER, kVendorPath);
        reg::Key key = reg::Key::Create(HKEY_CURRENT_USER, std::string(kVendorPath) + "\\" + kWord);
        key.SetString("Alpha", "1");
        key.SetString("Beta", "2");
        key.SetString("", "default");

        dir = test::FreshScratchDir("scanform") + "App\\";
        ForceDirectories(dir + "sub\\deep\\");
        for (const char* f : {"a.txt", "keep.txt", ".hidden", "sub\\other.txt",
                              "sub\\deep\\file.txt", "sub\\deep\\file2.txt"})
            test::WriteWholeFile(dir + f, "remains");
    }
    void TearDown() override {
        ui::SetModalHook({});
        reg::DeleteTree(HKEY_CURRENT_USER, kVendorPath);
    }

    SafetyContext Safety(std::vector<OtherProgram> others = {}) {
        return SystemSafetyContext(test::OutDir(), others);
    }

    // Shows the window; once the timer's scan is over `act` drives it, and the
    // window is closed with Cancel unless it has ended already.
    int Run(TScanForm& form, const std::function<void(HWND)>& act) {
        ui::SetModalHook([&](HWND h) {
            test::PumpUntil([&] { return form.ScanDone(); });
            EXPECT_TRUE(form.ScanDone()) << "the timer never started the scan";
            if (!form.InModal()) return;
            act(h);
            if (form.InModal())
                SendMessageA(GetDlgItem(h, TScanForm::IDC_BTN_CANCEL), BM_CLICK, 0, 0);
        });
        return form.ShowModal(nullptr);
    }

    std::string dir;
    test::MessageLog messages;
    std::vector<ui::MessageRecord>& shown = messages.shown;
};

std::string Text(HWND form, int id) { return ui::WindowString(GetDlgItem(form, id)); }

}  // namespace

TEST_F(ScanFormTest, ScanListsTheKeyWithItsValuesAndTheFolderTree) {
    TScanForm form({kWord, dir, "Scan Test"}, Safety());
    Run(form, [&](HWND h) {
        EXPECT_EQ(ui::WindowString(h), "Scan Remains");
        RECT client;
        GetClientRect(h, &client);
        EXPECT_EQ(client.right, 563);
        EXPECT_EQ(client.bottom, 453);
        EXPECT_EQ(Text(h, TScanForm::IDC_LBL_SCANING), "Scaning:");
        EXPECT_EQ(Text(h, TScanForm::IDC_LBL_REGINFOLEFT), "Unnecessary register info left: ");
        EXPECT_EQ(Text(h, TScanForm::IDC_LBL_FILELEFT), "Unnecessary program files left: ");
        EXPECT_EQ(Text(h, TScanForm::IDC_BTN_DELETE), "Delete");
        EXPECT_EQ(Text(h, TScanForm::IDC_BTN_CANCEL), "Cancel");
        EXPECT_TRUE(IsWindowEnabled(h));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(h, TScanForm::IDC_BTN_DELETE)));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(h, TScanForm::IDC_BTN_CANCEL)));

        auto reg = AllTexts(form.tvScanRegInfo());
        EXPECT_EQ(reg.size(), form.RegistryFindings().Size());
        HTREEITEM key = FindItem(form.tvScanRegInfo(), kKeyText);
        ASSERT_TRUE(key);
        EXPECT_EQ(TreeView_GetParent(form.tvScanRegInfo().hwnd(), key), nullptr);
        for (const char* v : {"\\Alpha", "\\Beta", "\\"}) {
            HTREEITEM value = FindItem(form.tvScanRegInfo(), kKeyText + v);
            ASSERT_TRUE(value) << v;
            EXPECT_EQ(TreeView_GetParent(form.tvScanRegInfo().hwnd(), value), key);
        }

        auto files = AllTexts(form.tvScanFiles());
        EXPECT_EQ(files.size(), 8u);  // the folder, 2 folders and 5 files; no dot-file
        EXPECT_EQ(form.tvScanFiles().NodeText(form.tvScanFiles().Root()), dir);
        EXPECT_TRUE(Contains(files, dir + "sub\\deep\\file2.txt"));
        EXPECT_FALSE(Contains(files, dir + ".hidden"));
        for (const auto& t : files)
            EXPECT_EQ(form.tvScanFiles().NodeState(FindItem(form.tvScanFiles(), t)),
                      ui::CheckTreeView::kChecked)
                << t;

        // Later ticks start no second scan.
        size_t regCount = form.RegistryFindings().Size(), fileCount = form.FileFindings().Size();
        PumpFor(700);
        EXPECT_EQ(form.RegistryFindings().Size(), regCount);
        EXPECT_EQ(form.FileFindings().Size(), fileCount);

        // A picture of the window with findings, to look at.
        HWND tv = form.tvScanFiles().hwnd();
        TreeView_Expand(tv, FindItem(form.tvScanFiles(), dir + "sub"), TVE_EXPAND);
        ClickMark(form.tvScanFiles(), FindItem(form.tvScanFiles(), dir + "keep.txt"));
        UpdateWindow(h);
        PumpFor(300);
        SaveScreenshot(h, test::FreshScratchDir("scanform-shot") + "scanform.bmp");
    });
    EXPECT_TRUE(shown.empty());
}

TEST_F(ScanFormTest, UncheckingADeepFileMakesEveryAncestorPartialAndRootToggleChecksAll) {
    TScanForm form({kWord, dir, "Scan Test"}, Safety());
    Run(form, [&](HWND) {
        auto& v = form.tvScanFiles();
        ClickMark(v, FindItem(v, dir + "sub\\deep\\file.txt"));
        EXPECT_EQ(v.NodeState(FindItem(v, dir + "sub\\deep\\file.txt")),
                  ui::CheckTreeView::kUnchecked);
        EXPECT_EQ(v.NodeState(FindItem(v, dir + "sub\\deep\\file2.txt")),
                  ui::CheckTreeView::kChecked);
        for (const std::string& folder : {dir + "sub\\deep", dir + "sub", dir})
            EXPECT_EQ(v.NodeState(FindItem(v, folder)), ui::CheckTreeView::kPartial) << folder;
        EXPECT_EQ(v.NodeState(FindItem(v, dir + "a.txt")), ui::CheckTreeView::kChecked);

        // A partial node checks itself and everything below it.
        ClickMark(v, v.Root());
        for (const auto& t : AllTexts(v))
            EXPECT_EQ(v.NodeState(FindItem(v, t)), ui::CheckTreeView::kChecked) << t;
        // The findings and the view agree.
        for (NodeId id : form.FileFindings().InOrder())
            EXPECT_EQ(v.NodeState(form.ViewItem(form.FileFindings(), id)),
                      form.FileFindings().Get(id).state);
    });
}

TEST_F(ScanFormTest, DeleteRemovesExactlyTheCheckedItems) {
    TScanForm form({kWord, dir, "Scan Test"}, Safety());
    Run(form, [&](HWND h) {
        ClickMark(form.tvScanFiles(), FindItem(form.tvScanFiles(), dir + "keep.txt"));
        ClickMark(form.tvScanRegInfo(), FindItem(form.tvScanRegInfo(), kKeyText + "\\Beta"));
        SendMessageA(GetDlgItem(h, TScanForm::IDC_BTN_DELETE), BM_CLICK, 0, 0);

        EXPECT_TRUE(FileExists(dir + "keep.txt"));
        EXPECT_TRUE(FileExists(dir + ".hidden"));  // never listed, its folder not removed whole
        EXPECT_FALSE(FileExists(dir + "a.txt"));
        EXPECT_FALSE(DirectoryExists(dir + "sub"));
        auto key = reg::Key::Open(HKEY_CURRENT_USER, std::string(kVendorPath) + "\\" + kWord);
        ASSERT_TRUE(key);
        EXPECT_TRUE(key->HasValue("Beta"));
        EXPECT_FALSE(key->HasValue("Alpha"));
        EXPECT_FALSE(key->HasValue(""));

        // What is left is what is listed.
        auto files = AllTexts(form.tvScanFiles());
        EXPECT_EQ(files.size(), 2u);
        EXPECT_TRUE(Contains(files, dir));
        EXPECT_TRUE(Contains(files, dir + "keep.txt"));
        EXPECT_TRUE(Contains(AllTexts(form.tvScanRegInfo()), kKeyText + "\\Beta"));
        EXPECT_FALSE(Contains(AllTexts(form.tvScanRegInfo()), kKeyText + "\\Alpha"));
        EXPECT_EQ(Text(h, TScanForm::IDC_LBL_SCANINFO), "");
        EXPECT_TRUE(form.InModal()) << "the window stays open after a removal";
    });
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Clean Succeeded!");
    EXPECT_EQ(shown[0].flags, static_cast<UINT>(MB_OK));
}

TEST_F(ScanFormTest, ItemsThatCannotBeRemovedStayListedAndAreCounted) {
    TScanForm form({kWord, dir, "Scan Test"}, Safety());
    Run(form, [&](HWND h) {
        // Held open without sharing: the delete of this file must fail.
        unique_hfile held(CreateFileA((dir + "a.txt").c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        ClickMark(form.tvScanFiles(), FindItem(form.tvScanFiles(), dir + "keep.txt"));
        SendMessageA(GetDlgItem(h, TScanForm::IDC_BTN_DELETE), BM_CLICK, 0, 0);
        held.reset();

        EXPECT_TRUE(FileExists(dir + "a.txt"));
        EXPECT_FALSE(DirectoryExists(dir + "sub"));
        auto files = AllTexts(form.tvScanFiles());
        EXPECT_TRUE(Contains(files, dir + "a.txt"));
        EXPECT_TRUE(Contains(files, dir + "keep.txt"));
        EXPECT_FALSE(Contains(files, dir + "sub"));
        EXPECT_FALSE(Contains(AllTexts(form.tvScanRegInfo()), kKeyText));
    });
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, Format(LangFormatText(IDS_MESSAGEBOX_WARNING_CleanIncomplete), 1));
    EXPECT_NE(shown[0].text, "Clean Succeeded!");
}

TEST_F(ScanFormTest, NothingFoundSaysSoAndClosesTheWindow) {
    TScanForm form({"CxTestScanFormNothingHere", dir + "gone\\", "Scan Test"}, Safety());
    bool actedOn = false;
    int result = Run(form, [&](HWND) { actedOn = true; });
    EXPECT_FALSE(actedOn) << "the window should have closed by itself";
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "No files or registry keys left!");
    EXPECT_EQ(shown[0].flags, static_cast<UINT>(MB_OK));
    EXPECT_EQ(shown[0].caption, ui::ApplicationTitle());
}

TEST_F(ScanFormTest, ARefusedFolderIsNotListedAndTheWindowSaysWhy) {
    // No install location must never mean the current drive; the Windows folder is never listed.
    for (const std::string& location :
         {std::string(), std::string("C:\\Windows"), std::string("C:\\")}) {
        SCOPED_TRACE(location);
        SafetyContext ctx = Safety();
        DirVerdict verdict = CheckInstallDirectory(location, ctx);
        ASSERT_NE(verdict.refusal, DirRefusal::None);
        TScanForm form({kWord, location, "Scan Test"}, ctx);
        Run(form, [&](HWND h) {
            EXPECT_TRUE(form.FileFindings().Empty());
            EXPECT_TRUE(form.tvScanFiles().Empty());
            EXPECT_FALSE(form.tvScanRegInfo().Empty());
            EXPECT_EQ(Text(h, TScanForm::IDC_LBL_SCANINFO), DirRefusalText(verdict.refusal));
            EXPECT_FALSE(DirRefusalText(verdict.refusal).empty());
        });
    }
    EXPECT_TRUE(shown.empty());
}

// Another program lives inside the install folder, registered under an 8.3
// spelling: its folder and the folders on the way to it can never be checked
// (one click on the root used to check it all), the rest goes as usual.
TEST_F(ScanFormTest, AnotherProgramsFolderIsLockedWithTheFoldersOnTheWay) {
    ForceDirectories(dir + "sub\\Other Tool Folder\\bin\\");
    test::WriteWholeFile(dir + "sub\\Other Tool Folder\\bin\\tool.exe", "other");
    char shortBuf[MAX_PATH] = {};
    GetShortPathNameA((dir + "sub\\Other Tool Folder").c_str(), shortBuf, MAX_PATH);
    const std::string shortSpelling = shortBuf;
    ASSERT_FALSE(shortSpelling.empty());
    ASSERT_FALSE(EqualsNoCase(shortSpelling, dir + "sub\\Other Tool Folder"))
        << "no 8.3 names here";
    TScanForm form({kWord, dir, "Scan Test"}, Safety({OtherProgram(shortSpelling, "Other Tool")}));
    Run(form, [&](HWND h) {
        const CheckTree& t = form.FileFindings();
        NodeId otherId = -1;
        for (NodeId id : t.InOrder())
            if (t.Get(id).text == dir + "sub\\Other Tool Folder") otherId = id;
        ASSERT_NE(otherId, -1);
        EXPECT_TRUE(t.Get(otherId).children.empty())
            << "another program's files are not even listed";
        auto& v = form.tvScanFiles();
        HTREEITEM other = form.ViewItem(t, otherId);
        HTREEITEM sub = FindItem(v, dir + "sub");
        ASSERT_TRUE(other && sub);
        EXPECT_NE(Text(h, TScanForm::IDC_LBL_SCANINFO).find("Other Tool"), std::string::npos);

        for (HTREEITEM locked : {v.Root(), sub, other}) {
            ClickMark(v, locked);
            EXPECT_NE(v.NodeState(locked), ui::CheckTreeView::kChecked);
        }
        EXPECT_EQ(v.NodeState(other), ui::CheckTreeView::kUnchecked);
        EXPECT_EQ(v.NodeState(v.Root()), ui::CheckTreeView::kPartial);
        EXPECT_EQ(v.NodeState(FindItem(v, dir + "a.txt")), ui::CheckTreeView::kChecked);
        TreeView_Expand(v.hwnd(), sub, TVE_EXPAND);
        Pump();
        SaveScreenshot(h, test::FreshScratchDir("scanform-lock-shot") + "scanform.bmp");
        SendMessageA(GetDlgItem(h, TScanForm::IDC_BTN_DELETE), BM_CLICK, 0, 0);

        EXPECT_EQ(test::ReadWholeFile(dir + "sub\\Other Tool Folder\\bin\\tool.exe"), "other");
        EXPECT_FALSE(FileExists(dir + "a.txt"));
        EXPECT_FALSE(DirectoryExists(dir + "sub\\deep"));
        EXPECT_FALSE(FileExists(dir + "sub\\other.txt"));
        EXPECT_TRUE(DirectoryExists(dir + "sub"));
    });
}

// Delete with nothing checked removes nothing and says so, instead of claiming success.
TEST_F(ScanFormTest, DeleteWithNothingCheckedSaysSo) {
    TScanForm form({kWord, dir, "Scan Test"}, Safety());
    Run(form, [&](HWND h) {
        ClickMark(form.tvScanFiles(), form.tvScanFiles().Root());
        ClickMark(form.tvScanRegInfo(), form.tvScanRegInfo().Root());
        SendMessageA(GetDlgItem(h, TScanForm::IDC_BTN_DELETE), BM_CLICK, 0, 0);
        EXPECT_TRUE(FileExists(dir + "a.txt"));
        EXPECT_TRUE(
            reg::Key::Open(HKEY_CURRENT_USER, std::string(kVendorPath) + "\\" + kWord).has_value());
    });
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Nothing is checked, so nothing was removed.");
}

TEST_F(ScanFormTest, AWindowClosedBeforeItsScanDoesNotScanWhileHidden) {
    TScanForm form({"CxTestScanFormNothingHere", dir + "gone\\", "Scan Test"}, Safety());
    ui::SetModalHook([](HWND h) { SendMessageA(h, WM_CLOSE, 0, 0); });
    EXPECT_EQ(form.ShowModal(nullptr), IDCANCEL);
    PumpFor(700);
    EXPECT_FALSE(form.ScanDone());
    EXPECT_TRUE(shown.empty()) << "no message for a window nobody sees";
}

// Several programs cleaned up in one window, each with its own key and folder;
// Alpha's folder holds another program's, which stays locked.
class ScanFormGroupsTest : public ScanFormTest {
protected:
    static constexpr const char* kVendorA = "Software\\CxGroupTestVendorA";
    static constexpr const char* kVendorB = "Software\\CxGroupTestVendorB";
    void SetUp() override {
        ScanFormTest::SetUp();
        for (const char* v : {kVendorA, kVendorB}) reg::DeleteTree(HKEY_CURRENT_USER, v);
        reg::Key a =
            reg::Key::Create(HKEY_CURRENT_USER, std::string(kVendorA) + "\\CxGroupTestAlpha");
        a.SetString("One", "1");
        a.SetString("Two", "2");
        reg::Key::Create(HKEY_CURRENT_USER, std::string(kVendorB) + "\\CxGroupTestBeta")
            .SetString("Three", "3");
        const std::string base = test::FreshScratchDir("scangroups");
        dirA = base + "AlphaApp\\";
        dirB = base + "BetaApp\\";
        ForceDirectories(dirA + "sub\\");
        ForceDirectories(dirA + "Shared Tool\\");
        ForceDirectories(dirB);
        for (const std::string& f :
             {dirA + "a.txt", dirA + "sub\\b.txt", dirA + "Shared Tool\\tool.exe", dirB + "c.txt",
              dirB + "d.txt"})
            test::WriteWholeFile(f, "remains");
        backupRoot = AnsiToWide(test::FreshScratchDir("scangroups-kept"));
    }
    void TearDown() override {
        for (const char* v : {kVendorA, kVendorB}) reg::DeleteTree(HKEY_CURRENT_USER, v);
        ScanFormTest::TearDown();
    }
    // As a queue scans them: each program sees the others (QueueOthers).
    std::vector<ScanProgram> Programs() {
        const OtherProgram tool(dirA + "Shared Tool", "Other Tool");
        const OtherProgram alpha(dirA, "Group Alpha", "CxGroupTestAlpha", "HKEY_CURRENT_USER");
        const OtherProgram beta(dirB, "CxGroupTestBeta", "CxGroupTestBeta", "HKEY_CURRENT_USER");
        return {
            {{"CxGroupTestAlpha", dirA, "Group Alpha"}, Safety({tool, beta})},
            {{"CxGroupTestBeta", dirB, ""}, Safety({tool, alpha})},
            {{"CxGroupTestNothingHere", dirA + "gone\\", "Nothing"}, Safety({tool, alpha, beta})}};
    }
    static std::vector<std::string> Children(ui::CheckTreeView& view, HTREEITEM item) {
        std::vector<std::string> texts;
        for (HTREEITEM c = TreeView_GetChild(view.hwnd(), item); c;
             c = TreeView_GetNextSibling(view.hwnd(), c))
            texts.push_back(view.NodeText(c));
        return texts;
    }
    static std::vector<std::string> RootTexts(const CheckTree& tree) {
        std::vector<std::string> texts;
        for (NodeId id : tree.Roots()) texts.push_back(tree.Get(id).text);
        return texts;
    }
    static bool AllMarked(const CheckTree& tree, CheckState state) {
        for (NodeId id : tree.InOrder())
            if (!tree.Get(id).locked && tree.Get(id).state != state) return false;
        return true;
    }
    std::string dirA, dirB;
    std::wstring backupRoot;
};

TEST_F(ScanFormGroupsTest, EachProgramIsAGroupWhoseMarkChecksItsOwnAndDeleteKeepsABackupEach) {
    TScanForm form(Programs(), backupRoot);
    Run(form, [&](HWND h) {
        ASSERT_EQ(form.ProgramCount(), 3u);
        EXPECT_TRUE(form.Found(2).registry.Empty() && form.Found(2).files.Empty());
        for (bool registry : {true, false}) {
            SCOPED_TRACE(registry ? "registry" : "files");
            ui::CheckTreeView& v = registry ? form.tvScanRegInfo() : form.tvScanFiles();
            // One top item per program with findings, by display name else registry name.
            HTREEITEM a = form.GroupItem(registry, 0), b = form.GroupItem(registry, 1);
            ASSERT_TRUE(a && b);
            EXPECT_EQ(v.Root(), a);
            EXPECT_EQ(TreeView_GetNextSibling(v.hwnd(), a), b);
            EXPECT_EQ(TreeView_GetNextSibling(v.hwnd(), b), nullptr);
            EXPECT_EQ(form.GroupItem(registry, 2), nullptr);
            EXPECT_EQ(v.NodeText(a), "Group Alpha");
            EXPECT_EQ(v.NodeText(b), "CxGroupTestBeta");
            for (size_t i : {0u, 1u}) {
                const CheckTree& t = registry ? form.Found(i).registry : form.Found(i).files;
                HTREEITEM g = form.GroupItem(registry, i);
                EXPECT_EQ(Children(v, g), RootTexts(t));
                EXPECT_TRUE(TreeView_GetItemState(v.hwnd(), g, TVIS_EXPANDED) & TVIS_EXPANDED);
                for (NodeId id : t.Roots())
                    EXPECT_EQ(TreeView_GetParent(v.hwnd(), form.ViewItem(t, id)), g);
            }
        }
        auto& files = form.tvScanFiles();
        auto& regs = form.tvScanRegInfo();
        EXPECT_EQ(Children(files, form.GroupItem(false, 0)), std::vector<std::string>{dirA});
        EXPECT_EQ(Children(files, form.GroupItem(false, 1)), std::vector<std::string>{dirB});
        EXPECT_FALSE(Contains(AllTexts(files), dirA + "Shared Tool\\tool.exe"));
        // The locked folder holds Alpha's group short of checked; Beta's is all checked.
        EXPECT_EQ(files.NodeState(form.GroupItem(false, 0)), ui::CheckTreeView::kPartial);
        EXPECT_EQ(files.NodeState(form.GroupItem(false, 1)), ui::CheckTreeView::kChecked);
        EXPECT_EQ(regs.NodeState(form.GroupItem(true, 0)), ui::CheckTreeView::kChecked);

        // A group's item tells what the single window tells after its scan.
        TreeView_SelectItem(files.hwnd(), form.GroupItem(false, 0));
        EXPECT_NE(Text(h, TScanForm::IDC_LBL_SCANINFO).find("Other Tool"), std::string::npos);
        TreeView_SelectItem(files.hwnd(), form.GroupItem(false, 1));
        EXPECT_EQ(Text(h, TScanForm::IDC_LBL_SCANINFO), "");

        // Nothing more of Alpha's can be checked: its mark clears Alpha's files,
        // and only Alpha's; once more checks all but the locked folder.
        ClickMark(files, form.GroupItem(false, 0));
        EXPECT_TRUE(AllMarked(form.Found(0).files, csUnchecked));
        EXPECT_EQ(files.NodeState(form.GroupItem(false, 0)), ui::CheckTreeView::kUnchecked);
        EXPECT_EQ(files.NodeState(FindItem(files, dirA + "sub\\b.txt")),
                  ui::CheckTreeView::kUnchecked);
        EXPECT_TRUE(AllMarked(form.Found(1).files, csChecked));
        ClickMark(files, form.GroupItem(false, 0));
        EXPECT_TRUE(AllMarked(form.Found(0).files, csChecked));
        EXPECT_EQ(files.NodeState(FindItem(files, dirA + "Shared Tool")),
                  ui::CheckTreeView::kUnchecked);
        EXPECT_EQ(files.NodeState(form.GroupItem(false, 0)), ui::CheckTreeView::kPartial);

        // Beta's keys kept; one of Alpha's values kept, which makes its group partial.
        ClickMark(regs, form.GroupItem(true, 1));
        EXPECT_TRUE(AllMarked(form.Found(1).registry, csUnchecked));
        EXPECT_TRUE(AllMarked(form.Found(0).registry, csChecked));
        ASSERT_EQ(RootTexts(form.Found(0).registry).size(), 1u);
        const std::string keyA = RootTexts(form.Found(0).registry)[0];
        EXPECT_NE(keyA.find("CxGroupTestVendorA\\CxGroupTestAlpha"), std::string::npos);
        ClickMark(regs, FindItem(regs, keyA + "\\Two"));
        EXPECT_EQ(regs.NodeState(form.GroupItem(true, 0)), ui::CheckTreeView::kPartial);
        // Every view item shows its finding's mark.
        for (size_t i : {0u, 1u})
            for (const CheckTree* t : {&form.Found(i).registry, &form.Found(i).files})
                for (NodeId id : t->InOrder())
                    EXPECT_EQ(
                        (t == &form.Found(i).files ? files : regs).NodeState(form.ViewItem(*t, id)),
                        t->Get(id).state);

        SendMessageA(GetDlgItem(h, TScanForm::IDC_BTN_DELETE), BM_CLICK, 0, 0);

        EXPECT_FALSE(FileExists(dirA + "a.txt"));
        EXPECT_FALSE(DirectoryExists(dirA + "sub"));
        EXPECT_EQ(test::ReadWholeFile(dirA + "Shared Tool\\tool.exe"), "remains");
        EXPECT_FALSE(DirectoryExists(dirB));
        auto a = reg::Key::Open(HKEY_CURRENT_USER, std::string(kVendorA) + "\\CxGroupTestAlpha");
        ASSERT_TRUE(a);
        EXPECT_TRUE(a->HasValue("Two"));
        EXPECT_FALSE(a->HasValue("One"));
        auto b = reg::Key::Open(HKEY_CURRENT_USER, std::string(kVendorB) + "\\CxGroupTestBeta");
        ASSERT_TRUE(b);
        EXPECT_TRUE(b->HasValue("Three"));

        // What is left is listed under its program; a group left empty goes.
        EXPECT_EQ(form.GroupItem(false, 1), nullptr);
        EXPECT_EQ(files.Root(), form.GroupItem(false, 0));
        EXPECT_EQ(TreeView_GetNextSibling(files.hwnd(), files.Root()), nullptr);
        EXPECT_TRUE(Contains(AllTexts(files), dirA + "Shared Tool"));
        EXPECT_FALSE(Contains(AllTexts(regs), keyA + "\\One"));
        EXPECT_TRUE(form.GroupItem(true, 1));
    });
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Clean Succeeded!");
    // One undo backup per program that had something removed, named after it.
    std::vector<std::wstring> kept;
    for (const KeptCleanup& k : ListCleanups(backupRoot)) kept.push_back(k.program);
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, (std::vector<std::wstring>{L"CxGroupTestBeta", L"Group Alpha"}));
}

TEST_F(ScanFormGroupsTest, NothingFoundForAnyProgramSaysSoAndNothingCheckedRemovesNothing) {
    std::vector<ScanProgram> none = Programs();
    none[0].target = {"CxGroupTestGoneToo", dirA + "gone\\", "Gone"};
    none[1] = none[2];
    TScanForm empty(none, backupRoot);
    EXPECT_EQ(Run(empty, [&](HWND) { ADD_FAILURE() << "the window should have closed"; }),
              IDCANCEL);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "No files or registry keys left!");
    shown.clear();

    TScanForm form(Programs(), backupRoot);
    Run(form, [&](HWND h) {
        for (bool registry : {true, false})
            for (size_t i : {0u, 1u}) {
                ui::CheckTreeView& v = registry ? form.tvScanRegInfo() : form.tvScanFiles();
                // Alpha's partial file group needs a second press.
                for (int n = 0; n < 2 && v.NodeState(form.GroupItem(registry, i)) !=
                                             ui::CheckTreeView::kUnchecked;
                     ++n)
                    ClickMark(v, form.GroupItem(registry, i));
            }
        SendMessageA(GetDlgItem(h, TScanForm::IDC_BTN_DELETE), BM_CLICK, 0, 0);
        EXPECT_TRUE(FileExists(dirA + "a.txt"));
        EXPECT_TRUE(FileExists(dirB + "c.txt"));
    });
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Nothing is checked, so nothing was removed.");
    EXPECT_TRUE(ListCleanups(backupRoot).empty());
}

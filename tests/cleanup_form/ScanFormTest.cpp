// The remains scan window on a sandbox registry key and a scratch install
// folder: what the scan shows, what a press on a check mark does, what Delete
// removes and says, and the cases where the window lists nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "harness/Surface.h"
#include "harness/MessageLog.h"
#include "harness/Pump.h"
#include "harness/TestKit.h"
#include "cleanup/ScanForm.h"
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

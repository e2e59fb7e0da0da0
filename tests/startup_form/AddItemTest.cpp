// The add dialog through the main window's "Add Entry".
#include <gtest/gtest.h>

#include <shlobj.h>
#include <shobjidl.h>

#include "StartupKit.h"
#include "harness/TestKit.h"
#include "platform/Files.h"
#include "platform/Strings.h"
#include "startup/AddItemForm.h"
#include "startup/Shortcut.h"
#include "widgets/Form.h"
#include "widgets/Seam.h"

namespace cx::test {
namespace {

using startup::TAddItemForm;

struct LinkInfo {
    std::string path, workDir;
};

LinkInfo ReadLink(const std::string& link) {
    LinkInfo out;
    ComPtr<IShellLinkW> sl;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                sl.put_void())))
        return out;
    ComPtr<IPersistFile> pf;
    if (FAILED(sl->QueryInterface(IID_IPersistFile, pf.put_void())) ||
        FAILED(pf->Load(AnsiToWide(link).c_str(), STGM_READ)))
        return out;
    wchar_t buf[MAX_PATH] = {};
    sl->GetPath(buf, MAX_PATH, nullptr, SLGP_RAWPATH);
    out.path = WideToAnsi(buf);
    sl->GetWorkingDirectory(buf, MAX_PATH);
    out.workDir = WideToAnsi(buf);
    return out;
}

class AddItemTest : public StartupPageTest {
protected:
    void SetUp() override {
        StartupPageTest::SetUp();
        dir = "C:\\Program Files\\Cx Add Test\\";
        ForceDirectories(dir);
        target = dir + "cx agent.exe";
        ASSERT_TRUE(
            CopyFileA((BuildDir() + "tools\\SampleApp.exe").c_str(), target.c_str(), FALSE));
        form->Execute(cx::app::ActionTabStartupItems);
    }
    void TearDown() override {
        StartupPageTest::TearDown();
        RemoveTree("C:\\Program Files\\Cx Add Test");
    }
    // Opens "Add Entry"; `act` runs on the dialog once it is up.
    void Add(const std::function<void(HWND)>& act) {
        hookRuns = 0;
        ui::SetModalHook([&](HWND h) {
            ++hookRuns;
            act(h);
        });
        form->Execute(app::ActionAddItem);
        ui::SetModalHook({});
    }
    static void Fill(HWND dialog, const std::string& text, int section) {
        SetWindowTextA(GetDlgItem(dialog, TAddItemForm::IDC_TXT_TARGET), text.c_str());
        SendMessageA(GetDlgItem(dialog, TAddItemForm::IDC_CMB_SECTION), CB_SETCURSEL, section, 0);
    }
    static void Press(HWND dialog, int id) {
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    }
    std::string dir, target;
    int hookRuns = 0;
};

TEST_F(AddItemTest, EachSectionMakesItsEntryQuotedOrLinkedAndTheListShowsIt) {
    int initial = -1;
    Add([&](HWND h) {
        initial = static_cast<int>(
            SendMessageA(GetDlgItem(h, TAddItemForm::IDC_CMB_SECTION), CB_GETCURSEL, 0, 0));
        Fill(h, target, TAddItemForm::kUserRunSection);
        Press(h, IDOK);
    });
    EXPECT_EQ(initial, TAddItemForm::kUserRunSection);
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kRun, L"cx agent"), Sz(AnsiToWide("\"" + target + "\"")));
    const int row = RowNamed("cx agent", true);
    ASSERT_GE(row, 0);
    EXPECT_EQ(form->Startup().StartupRowText(row, 2),
              "HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");

    Add([&](HWND h) {
        Fill(h, target, TAddItemForm::kMachineRunSection);
        Press(h, IDOK);
    });
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, kRun, L"cx agent"),
              Sz(AnsiToWide("\"" + target + "\"")));

    for (int section : {TAddItemForm::kUserFolderSection, TAddItemForm::kCommonFolderSection}) {
        Add([&](HWND h) {
            Fill(h, target, section);
            Press(h, IDOK);
        });
        const std::string folder = StartupFolderPath(section == TAddItemForm::kCommonFolderSection);
        const LinkInfo link = ReadLink(folder + "cx agent.lnk");
        EXPECT_TRUE(EqualsNoCase(link.path, target)) << link.path;
        EXPECT_EQ(link.workDir, dir);
        bool listed = false;
        for (int r = 0; r < form->Startup().StartupRowCount(); ++r)
            if (form->Startup().StartupRow(r).Name == "cx agent.lnk" &&
                form->Startup().StartupRowText(r, 2) == folder)
                listed = form->Startup().StartupRowChecked(r);
        EXPECT_TRUE(listed) << section;
    }
    EXPECT_EQ(hookRuns, 1);
    EXPECT_TRUE(shown.empty());
}

TEST_F(AddItemTest, EmptyAndMissingTargetsAreRefusedWithTheDialogStaying) {
    std::string afterMissing = "?";
    Add([&](HWND h) {
        Fill(h, "", TAddItemForm::kUserRunSection);
        Press(h, IDOK);
        Fill(h, dir + "not there.exe", TAddItemForm::kUserRunSection);
        Press(h, IDOK);
        afterMissing = ui::WindowString(GetDlgItem(h, TAddItemForm::IDC_TXT_TARGET));
        Press(h, IDCANCEL);
    });
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "Can't be null");
    EXPECT_EQ(shown[1].text, "The specified target file can't be found, please reset!");
    EXPECT_EQ(shown[1].flags & 0xF, static_cast<UINT>(MB_OK));
    EXPECT_EQ(afterMissing, "");
    EXPECT_TRUE(TakeStartupState() == before);
}

// Windows reads a relative command against whatever folder is current at
// logon, so a relative target is refused wherever this program runs; a full
// one is written in its plain form.
TEST_F(AddItemTest, ARelativeTargetIsRefusedAndAFullOneWrittenPlain) {
    char was[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, was);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.c_str()));  // where "cx agent.exe" would be found
    std::string left;
    Add([&](HWND h) {
        Fill(h, "cx agent.exe", TAddItemForm::kUserRunSection);
        Press(h, IDOK);
        left = ui::WindowString(GetDlgItem(h, TAddItemForm::IDC_TXT_TARGET));
        Fill(h, dir + "..\\Cx Add Test\\cx agent.exe", TAddItemForm::kUserRunSection);
        Press(h, IDOK);
    });
    SetCurrentDirectoryA(was);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].text.find("full path"), std::string::npos) << shown[0].text;
    EXPECT_EQ(left, "cx agent.exe");  // kept for the user to complete
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kRun, L"cx agent"), Sz(AnsiToWide("\"" + target + "\"")));
}

TEST_F(AddItemTest, AnEntryOfTheSameNameIsReplacedOnlyWhenTheUserSaysSo) {
    PutValue(HKEY_CURRENT_USER, kRun, L"cx agent", Sz(L"C:\\elsewhere\\cx agent.exe"));
    messages.answer = IDNO;
    Add([&](HWND h) {
        Fill(h, target, TAddItemForm::kUserRunSection);
        Press(h, IDOK);
        Press(h, IDCANCEL);
    });
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
              "A startup entry named cx agent already exists with a different target. Do you "
              "want to replace it?");
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kRun, L"cx agent"), Sz(L"C:\\elsewhere\\cx agent.exe"));

    messages.answer = IDYES;
    Add([&](HWND h) {
        Fill(h, target, TAddItemForm::kUserRunSection);
        Press(h, IDOK);
    });
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kRun, L"cx agent"), Sz(AnsiToWide("\"" + target + "\"")));

    // A shortcut of the same name to something else: the same question.
    const std::string folder = StartupFolderPath(false);
    const std::string other = BuildDir() + "tools\\SampleApp.exe";
    ASSERT_TRUE(startup::CreateShortcut(other, folder + "cx agent.lnk"));
    shown.clear();
    messages.answer = IDNO;
    Add([&](HWND h) {
        Fill(h, target, TAddItemForm::kUserFolderSection);
        Press(h, IDOK);
        Press(h, IDCANCEL);
    });
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].text.find("cx agent.lnk already exists"), std::string::npos);
    EXPECT_TRUE(EqualsNoCase(ReadLink(folder + "cx agent.lnk").path, other));
    messages.answer = IDYES;
    Add([&](HWND h) {
        Fill(h, target, TAddItemForm::kUserFolderSection);
        Press(h, IDOK);
    });
    EXPECT_TRUE(EqualsNoCase(ReadLink(folder + "cx agent.lnk").path, target));
}

TEST_F(AddItemTest, ARunKeyThatCannotBeWrittenIsToldAndTheDialogStays) {
    KeyLock lock(HKEY_LOCAL_MACHINE, kRun);
    ASSERT_TRUE(lock.DenyWrites());
    Add([&](HWND h) {
        Fill(h, target, TAddItemForm::kMachineRunSection);
        Press(h, IDOK);
        Press(h, IDCANCEL);
    });
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
              "The Run key of this section cannot be opened, so no entry was written.");
    EXPECT_FALSE(GetValue(HKEY_LOCAL_MACHINE, kRun, L"cx agent"));
}

TEST_F(AddItemTest, BrowseFillsTheTargetAndCancelMakesNothing) {
    TAddItemForm::SetFileChooser([&](HWND) { return std::optional<std::string>(target); });
    std::string got;
    Add([&](HWND h) {
        Press(h, TAddItemForm::IDC_BTN_BROWSE);
        got = ui::WindowString(GetDlgItem(h, TAddItemForm::IDC_TXT_TARGET));
        Press(h, IDCANCEL);
    });
    TAddItemForm::SetFileChooser({});
    EXPECT_EQ(got, target);
    EXPECT_TRUE(TakeStartupState() == before);
}

}  // namespace
}  // namespace cx::test

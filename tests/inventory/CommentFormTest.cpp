// "Comment Entry...": the dialog driven through the modal hook, the note kept in
// the user's own store, and the program's uninstall key (the publisher's) left
// alone, against the real service and registry of the prefix.
#include <gtest/gtest.h>

#include "InventoryKit.h"
#include "harness/TestKit.h"
#include "i18n/LangText.h"
#include "inventory/CommentForm.h"
#include "inventory/CommentStore.h"
#include "platform/Registry.h"

using namespace cx;
using namespace cx::inv;

namespace {

constexpr const char* kUser = "HKEY_CURRENT_USER";
constexpr const char* kMachine = "HKEY_LOCAL_MACHINE";

class CommentFormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { invtest::PrepareSeededService(); }
    void SetUp() override {
        ASSERT_FALSE(HasFatalFailure());
        reg::DeleteTree(HKEY_CURRENT_USER, kCommentStorePath);
        reg::Key::Create(HKEY_CURRENT_USER, entry.KeyPath())
            .SetString("Comments", "Publisher's own note");
        index = invtest::IndexOfKeyIn(list, entry.name(), kUser);
        ASSERT_GE(index, 0);
    }
    void TearDown() override { reg::DeleteTree(HKEY_CURRENT_USER, kCommentStorePath); }

    // The "Comments" value of the program's uninstall key: the publisher's.
    static std::optional<std::string> PublisherComment(const invtest::ScopedEntry& e) {
        auto key = reg::Key::Open(e.hive(), e.KeyPath());
        if (!key) return std::nullopt;
        return key->GetString("Comments");
    }
    std::optional<std::string> UserComment(const std::string& hive = kUser) {
        return CommentStore().Read(hive, entry.name());
    }

    // Runs the command for the program at `at` with a hook that acts on the dialog.
    void RunWith(std::function<void(HWND)> act, long at = -2) {
        hookCalls = 0;
        ui::SetModalHook([&, act](HWND h) {
            ++hookCalls;
            act(h);
        });
        RunCommentEntry(nullptr, list, at == -2 ? index : at);
        ui::SetModalHook({});
    }

    ComInit com;
    invtest::SeamRecorder seam;
    invtest::ScopedEntry entry{"CxInvTest_Comment", "Comment Test Program"};
    TProgramList list;
    long index = -1;
    int hookCalls = 0;
};

void Type(HWND edit, const std::string& text) {
    for (char c : text) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
}
void Click(HWND dialog, int id) { SendMessageA(invtest::Control(dialog, id), BM_CLICK, 0, 0); }
HWND Edit(HWND dialog) { return invtest::Control(dialog, TCommentForm::IDC_TXT_COMMENT); }

}  // namespace

TEST_F(CommentFormTest, OkKeepsTheCommentForTheUserAndLeavesThePublishersValue) {
    RunWith([&](HWND h) {
        EXPECT_EQ(ui::WindowString(h), "Add Comments");
        SIZE client = invtest::ClientSize(h);
        EXPECT_EQ(client.cx, 302);
        EXPECT_EQ(client.cy, 174);
        EXPECT_EQ(ui::WindowString(invtest::Control(h, TCommentForm::IDC_LBL_PROGRAMNAME)),
                  "Comment Test Program");
        EXPECT_EQ(ui::WindowString(invtest::Control(h, TCommentForm::IDC_LBL_TITLE)),
                  "Enter the comments: ( < 260 character)");
        EXPECT_EQ(ui::WindowString(invtest::Control(h, TCommentForm::IDC_BTN_OK)), "OK");
        EXPECT_EQ(ui::WindowString(invtest::Control(h, TCommentForm::IDC_BTN_CANCEL)), "Cancel");
        // The publisher's note is theirs: it does not become the user's text.
        EXPECT_EQ(ui::WindowString(Edit(h)), "");
        EXPECT_EQ(GetFocus(), Edit(h));
        Type(Edit(h), "Keep: needed for the \xE9tude scores");
        Click(h, TCommentForm::IDC_BTN_OK);
    });
    EXPECT_EQ(hookCalls, 1);
    EXPECT_EQ(UserComment(), std::optional<std::string>("Keep: needed for the \xE9tude scores"));
    EXPECT_EQ(PublisherComment(entry), std::optional<std::string>("Publisher's own note"));
    EXPECT_EQ(UserComment(kMachine), std::nullopt);
    EXPECT_TRUE(seam.shown.empty());
}

TEST_F(CommentFormTest, TheStoredCommentComesBackAndAnEmptyBoxRemovesOnlyIt) {
    CommentStore().Write(kUser, entry.name(), "older note");
    RunWith([&](HWND h) {
        EXPECT_EQ(ui::WindowString(Edit(h)), "older note");
        // The whole text is selected, so typing replaces it.
        Type(Edit(h), "newer");
        Click(h, TCommentForm::IDC_BTN_OK);
    });
    EXPECT_EQ(UserComment(), std::optional<std::string>("newer"));

    RunWith([&](HWND h) {
        EXPECT_EQ(ui::WindowString(Edit(h)), "newer");
        ui::SetWindowString(Edit(h), "");
        Click(h, TCommentForm::IDC_BTN_OK);
    });
    EXPECT_EQ(UserComment(), std::nullopt);
    EXPECT_EQ(PublisherComment(entry), std::optional<std::string>("Publisher's own note"));
    EXPECT_TRUE(seam.shown.empty());
}

TEST_F(CommentFormTest, CancelAndTheCloseBoxStoreNothing) {
    CommentStore().Write(kUser, entry.name(), "kept");
    RunWith([&](HWND h) {
        ui::SetWindowString(Edit(h), "not wanted");
        Click(h, TCommentForm::IDC_BTN_CANCEL);
    });
    RunWith([&](HWND h) {
        ui::SetWindowString(Edit(h), "");
        PostMessageA(h, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(hookCalls, 1);
    EXPECT_EQ(UserComment(), std::optional<std::string>("kept"));
    EXPECT_EQ(PublisherComment(entry), std::optional<std::string>("Publisher's own note"));
}

TEST_F(CommentFormTest, AMachineWideProgramKeepsItsOwnNoteAndItsKeyIsNotWritten) {
    invtest::ScopedEntry machine{entry.name(), "Comment Test Program (all users)",
                                 HKEY_LOCAL_MACHINE};
    long machineIndex = invtest::IndexOfKeyIn(list, entry.name(), kMachine);
    ASSERT_GE(machineIndex, 0);
    index = invtest::IndexOfKeyIn(list, entry.name(), kUser);
    ASSERT_GE(index, 0);

    RunWith(
        [&](HWND h) {
            Type(Edit(h), "for everyone's copy");
            Click(h, TCommentForm::IDC_BTN_OK);
        },
        machineIndex);
    RunWith([&](HWND h) {
        EXPECT_EQ(ui::WindowString(Edit(h)), "");  // the other hive's note is not this one's
        Type(Edit(h), "for my copy");
        Click(h, TCommentForm::IDC_BTN_OK);
    });
    EXPECT_EQ(UserComment(kMachine), std::optional<std::string>("for everyone's copy"));
    EXPECT_EQ(UserComment(kUser), std::optional<std::string>("for my copy"));
    EXPECT_EQ(PublisherComment(machine), std::nullopt);
    EXPECT_EQ(PublisherComment(entry), std::optional<std::string>("Publisher's own note"));
    RunWith(
        [&](HWND h) {
            EXPECT_EQ(ui::WindowString(Edit(h)), "for everyone's copy");
            Click(h, TCommentForm::IDC_BTN_CANCEL);
        },
        machineIndex);
    EXPECT_TRUE(seam.shown.empty());
}

TEST_F(CommentFormTest, ACommentThatCannotBeKeptIsReportedAndTheDialogStays) {
    // A volatile store key cannot hold the lasting key of a hive below it, so
    // the registry itself refuses the note.
    HKEY volatileKey =
        test::CreateKeyPath(HKEY_CURRENT_USER, kCommentStorePath, REG_OPTION_VOLATILE);
    ASSERT_TRUE(volatileKey);
    RegCloseKey(volatileKey);
    bool stillOpen = false;
    RunWith([&](HWND h) {
        Type(Edit(h), "lost?");
        Click(h, TCommentForm::IDC_BTN_OK);
        stillOpen = IsWindowVisible(h);
        EXPECT_EQ(ui::WindowString(Edit(h)), "lost?");  // the text is still there to copy
        Click(h, TCommentForm::IDC_BTN_CANCEL);
    });
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(seam.shown.size(), 1u);
    EXPECT_EQ(seam.shown[0].text, LangText(IDS_MESSAGEBOX_WARNING_CommentNotSaved));
    EXPECT_EQ(seam.shown[0].caption, "Carvexo");
    EXPECT_EQ(seam.shown[0].flags, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(UserComment(), std::nullopt);
    EXPECT_EQ(PublisherComment(entry), std::optional<std::string>("Publisher's own note"));
}

TEST_F(CommentFormTest, TheTwoHundredFiftyFirstCharacterIsRefused) {
    RunWith([&](HWND h) {
        Type(Edit(h), std::string(251, 'x'));
        EXPECT_EQ(GetWindowTextLengthA(Edit(h)), 250);
        // Pasting past the limit is cut as well.
        SendMessageA(Edit(h), EM_SETSEL, 0, -1);
        std::string paste(300, 'y');
        SendMessageA(Edit(h), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(paste.c_str()));
        EXPECT_EQ(GetWindowTextLengthA(Edit(h)), 250);
        // Enter presses OK.
        PostMessageA(Edit(h), WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_EQ(UserComment(), std::optional<std::string>(std::string(250, 'y')));

    // A longer note put in the store by someone else is shown cut to the limit.
    CommentStore().Write(kUser, entry.name(), std::string(400, 'z'));
    RunWith([&](HWND h) {
        EXPECT_EQ(ui::WindowString(Edit(h)), std::string(250, 'z'));
        Click(h, TCommentForm::IDC_BTN_CANCEL);
    });
}

TEST_F(CommentFormTest, NoProgramNoDialogAndAVanishedProgramIsNotBroughtBack) {
    long past = static_cast<long>(list.ProgramCount()) + 3;
    RunWith([&](HWND h) { PostMessageA(h, WM_CLOSE, 0, 0); }, past);
    RunWith([&](HWND h) { PostMessageA(h, WM_CLOSE, 0, 0); }, -1);
    EXPECT_EQ(hookCalls, 0);

    // The entry vanishes while the dialog is open: the note is the user's and
    // is kept, the uninstall key is not made again.
    RunWith([&](HWND h) {
        reg::DeleteTree(HKEY_CURRENT_USER, entry.KeyPath());
        ui::SetWindowString(Edit(h), "too late");
        Click(h, TCommentForm::IDC_BTN_OK);
    });
    EXPECT_EQ(hookCalls, 1);
    EXPECT_FALSE(reg::Key::Open(HKEY_CURRENT_USER, entry.KeyPath()));
    EXPECT_TRUE(seam.shown.empty());
}

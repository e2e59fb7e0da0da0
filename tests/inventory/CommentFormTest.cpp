// "Comment Entry...": the dialog driven through the modal hook, and the comment
// landing in the program's uninstall key through the real service.
#include <gtest/gtest.h>

#include "InventoryKit.h"
#include "inventory/CommentForm.h"
#include "platform/Registry.h"

using namespace cx;
using namespace cx::inv;

namespace {

class CommentFormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { invtest::PrepareSeededService(); }
    void SetUp() override {
        ASSERT_FALSE(HasFatalFailure());
        index = invtest::IndexOfKey(list, entry.KeyName());
        ASSERT_GE(index, 0);
    }

    std::optional<std::string> StoredComment() {
        auto key = reg::Key::Open(HKEY_CURRENT_USER, entry.KeyPath());
        if (!key) return std::nullopt;
        return key->GetString("Comments");
    }

    // Runs the command with a hook that acts on the dialog.
    void RunWith(std::function<void(HWND)> act) {
        hookCalls = 0;
        ui::SetModalHook([&, act](HWND h) {
            ++hookCalls;
            act(h);
        });
        RunCommentEntry(nullptr, list, index);
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

}  // namespace

TEST_F(CommentFormTest, OkStoresTheTypedCommentThroughTheService) {
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
        HWND edit = invtest::Control(h, TCommentForm::IDC_TXT_COMMENT);
        EXPECT_EQ(ui::WindowString(edit), "");  // an earlier comment is not shown
        EXPECT_EQ(GetFocus(), edit);
        Type(edit, "Keep: needed for the \xE9tude scores");
        SendMessageA(invtest::Control(h, TCommentForm::IDC_BTN_OK), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(hookCalls, 1);
    EXPECT_EQ(StoredComment(), std::optional<std::string>("Keep: needed for the \xE9tude scores"));
    EXPECT_TRUE(seam.shown.empty());
}

TEST_F(CommentFormTest, CancelAndTheCloseBoxStoreNothing) {
    RunWith([&](HWND h) {
        ui::SetWindowString(invtest::Control(h, TCommentForm::IDC_TXT_COMMENT), "not wanted");
        SendMessageA(invtest::Control(h, TCommentForm::IDC_BTN_CANCEL), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(StoredComment(), std::nullopt);
    RunWith([&](HWND h) {
        ui::SetWindowString(invtest::Control(h, TCommentForm::IDC_TXT_COMMENT), "not wanted");
        PostMessageA(h, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(hookCalls, 1);
    EXPECT_EQ(StoredComment(), std::nullopt);
}

TEST_F(CommentFormTest, OkWithAnEmptyBoxStoresAnEmptyComment) {
    reg::Key::Create(HKEY_CURRENT_USER, entry.KeyPath()).SetString("Comments", "older note");
    RunWith([&](HWND h) { SendMessageA(invtest::Control(h, TCommentForm::IDC_BTN_OK), BM_CLICK, 0, 0); });
    EXPECT_EQ(StoredComment(), std::optional<std::string>(""));
}

TEST_F(CommentFormTest, TheTwoHundredFiftyFirstCharacterIsRefused) {
    RunWith([&](HWND h) {
        HWND edit = invtest::Control(h, TCommentForm::IDC_TXT_COMMENT);
        Type(edit, std::string(251, 'x'));
        EXPECT_EQ(GetWindowTextLengthA(edit), 250);
        // Pasting past the limit is cut as well.
        SendMessageA(edit, EM_SETSEL, 0, -1);
        std::string paste(300, 'y');
        SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(paste.c_str()));
        EXPECT_EQ(GetWindowTextLengthA(edit), 250);
        // Enter presses OK.
        PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_EQ(StoredComment(), std::optional<std::string>(std::string(250, 'y')));
}

TEST_F(CommentFormTest, NoProgramNoDialogAndErrorsAreSwallowed) {
    list.RefreshPrograms();
    RunWith([&](HWND h) { PostMessageA(h, WM_CLOSE, 0, 0); });
    EXPECT_EQ(hookCalls, 1);
    long past = static_cast<long>(list.ProgramCount()) + 3;
    hookCalls = 0;
    ui::SetModalHook([&](HWND h) {
        ++hookCalls;
        PostMessageA(h, WM_CLOSE, 0, 0);
    });
    RunCommentEntry(nullptr, list, past);
    RunCommentEntry(nullptr, list, -1);
    EXPECT_EQ(hookCalls, 0);

    // The entry vanishes while the dialog is open: the service fails, nothing is shown.
    RunWith([&](HWND h) {
        reg::DeleteTree(HKEY_CURRENT_USER, entry.KeyPath());
        ui::SetWindowString(invtest::Control(h, TCommentForm::IDC_TXT_COMMENT), "too late");
        SendMessageA(invtest::Control(h, TCommentForm::IDC_BTN_OK), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(hookCalls, 1);
    EXPECT_EQ(StoredComment(), std::nullopt);  // the removed entry is not brought back
    EXPECT_TRUE(seam.shown.empty());
}

// The modal loop of forms, as windows that must not close under it see it.
#include <gtest/gtest.h>

#include "WidgetKit.h"
#include "harness/MessageLog.h"
#include "widgets/Form.h"
#include "widgets/Seam.h"

namespace {

class ProbeForm : public cx::ui::Form {
protected:
    void CreateForm(HWND owner) override { CreateFormWindow(owner, "probe", 200, 80); }
};

class FormModalTest : public ::testing::Test {
protected:
    void TearDown() override { cx::ui::SetModalHook({}); }
    cx::test::MessageLog messages;
    HWND owner = cx::test::Host::Shared().hwnd();
};

TEST_F(FormModalTest, RunningLoopsAreKnownInnermostLast) {
    ProbeForm form;
    EXPECT_FALSE(cx::ui::ModalLoopRunning());
    bool running = false, ownerEnabled = true, insideBox = false;
    HWND innermost = nullptr, innermostDuringBox = nullptr;
    cx::ui::SetModalHook([&](HWND dialog) {
        running = cx::ui::ModalLoopRunning();
        innermost = cx::ui::InnermostModalWindow();
        ownerEnabled = IsWindowEnabled(owner) != FALSE;
        // A message box over the form is a loop of its own, owned by the form.
        messages.onShow = [&](const cx::ui::MessageRecord&) {
            insideBox = cx::ui::ModalLoopRunning();
            innermostDuringBox = cx::ui::InnermostModalWindow();
            return IDOK;
        };
        cx::ui::ShowAppMessage(dialog, "question", MB_OK);
        form.EndModal(IDOK);
    });
    EXPECT_EQ(form.ShowModal(owner), IDOK);
    EXPECT_TRUE(running);
    EXPECT_EQ(innermost, form.hwnd());
    EXPECT_FALSE(ownerEnabled);
    EXPECT_TRUE(insideBox);
    EXPECT_EQ(innermostDuringBox, form.hwnd());
    // Over: nothing runs, the owner takes input again.
    EXPECT_FALSE(cx::ui::ModalLoopRunning());
    EXPECT_EQ(cx::ui::InnermostModalWindow(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(FormModalTest, QuitEndsTheLoopAndIsKeptForTheMainLoop) {
    ProbeForm form;
    cx::ui::SetModalHook([](HWND) { PostQuitMessage(7); });
    EXPECT_EQ(form.ShowModal(owner), IDCANCEL);
    EXPECT_FALSE(form.InModal());
    EXPECT_FALSE(cx::ui::ModalLoopRunning());
    EXPECT_TRUE(IsWindowEnabled(owner));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(FormModalTest, MessageBoxWithoutAFormIsALoopToo) {
    bool running = false;
    messages.onShow = [&](const cx::ui::MessageRecord&) {
        running = cx::ui::ModalLoopRunning();
        return IDOK;
    };
    cx::ui::ShowAppMessage(nullptr, "text", MB_OK);
    EXPECT_TRUE(running);
    EXPECT_FALSE(cx::ui::ModalLoopRunning());
}

}  // namespace

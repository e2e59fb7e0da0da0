// The main window against what comes from outside: close requests while one of
// its modal windows runs, a service that fails while the first list loads,
// drawing that fails, a skin whose picture is smaller than the window.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "harness/Surface.h"
#include "Dravik_h.h"
#include "AppKit.h"
#include "FakeService.h"
#include "app/AppPaths.h"
#include "app/AppStart.h"
#include "app/Config.h"
#include "app/MainForm.h"
#include "cleanup/Uninstall.h"
#include "harness/MessageLog.h"
#include "harness/TestKit.h"
#include "harness/Windows.h"
#include "i18n/LanguageFile.h"
#include "inventory/DetailsForm.h"
#include "platform/Com.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Strings.h"
#include "skin/SkinFile.h"
#include "skin/SkinSettings.h"
#include "widgets/Image.h"
#include "widgets/Seam.h"

namespace {

using cx::app::TMainForm;

std::string HelperPath() { return cx::ExtractFilePath(cx::ModuleFileName()) + "CloseRequest.exe"; }

std::string Hex(HWND h) {
    return cx::Format("%lx", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(h)));
}

// Waits for a process while answering what it sends to this thread's windows;
// what it posts stays queued. Gives its exit code, or -1 when it never ends.
long WaitAnsweringSends(HANDLE process) {
    // Only a guard against a test that hangs, not a measure of speed.
    const DWORD guardMs = 120000;
    const DWORD start = GetTickCount();
    for (;;) {
        DWORD spent = GetTickCount() - start;
        if (spent >= guardMs) return -1;
        DWORD r = MsgWaitForMultipleObjects(1, &process, FALSE, guardMs - spent, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0) break;
        if (r != WAIT_OBJECT_0 + 1) return -1;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    return static_cast<long>(code);
}

// Takes a pending WM_QUIT off the queue; true when there was one.
bool TakeQuit() {
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

// Dispatches what is still queued for this thread (leftovers of a test), keeping a quit.
void Drain() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        DispatchMessageA(&msg);
    }
}

class MainWindowRobustTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        appDir = new std::string(cx::test::PrepareAppCopy("mainwindow-robust"));
    }
    void SetUp() override { ASSERT_TRUE(cx::test::StartFresh(*appDir)); }
    void TearDown() override {
        cx::ui::SetModalHook({});
        form.reset();
        Drain();
        TakeQuit();
    }
    void MakeForm() {
        form = std::make_unique<TMainForm>();
        form->CreateForm();
        form->Show(SW_SHOWNOACTIVATE);
    }

    // Opens one modal window through `open`; once it is up, CloseRequest.exe
    // asks the main window to close in `mode` and then closes the dialog.
    struct Outcome {
        HWND dialog = nullptr;
        long helperExit = -1;
    };
    Outcome CloseFromOutsideWhile(const std::string& mode, const std::function<void()>& open) {
        Outcome out;
        cx::test::Launched helper;
        cx::ui::SetModalHook([&](HWND dialog) {
            if (out.dialog) return;  // only the outermost window is the one under test
            out.dialog = dialog;
            std::string cmd =
                "\"" + HelperPath() + "\" " + mode + " " + Hex(form->hwnd()) + " " + Hex(dialog);
            if (mode == "close")
                cmd += " " + Hex(cx::test::Control(form->hwnd(), cx::app::IDC_BTN_CLOSE));
            cx::test::Launch(cmd, helper);
        });
        open();
        cx::ui::SetModalHook({});
        if (helper.process) out.helperExit = WaitAnsweringSends(helper.process);
        return out;
    }

    // After a refused close: the main window is whole, and closes when asked again.
    void ExpectRefusedThenClosable(const Outcome& out) {
        EXPECT_TRUE(out.dialog) << "no modal window was shown";
        EXPECT_EQ(out.helperExit, 0);
        ASSERT_TRUE(IsWindow(form->hwnd())) << "the main window went while its dialog ran";
        EXPECT_TRUE(IsWindowEnabled(form->hwnd()));
        EXPECT_FALSE(IsWindow(out.dialog) && IsWindowVisible(out.dialog));
        EXPECT_FALSE(TakeQuit());
        EXPECT_TRUE(messages.shown.empty());
        SendMessageA(form->hwnd(), WM_CLOSE, 0, 0);
        EXPECT_FALSE(form->hwnd());
        EXPECT_TRUE(TakeQuit());
    }

    void SelectFirstProgram() {
        ASSERT_GT(form->Programs().RowCount(), 0);
        form->Programs().SelectRow(0);
    }
    cx::cleanup::UninstallTarget FirstProgram() {
        auto item = form->Programs().ProgramList().GetProgram(
            static_cast<long>(form->Programs().RowData(0)));
        if (!item) return {};
        return {item->RegistryName(), item->InstallLocation(), item->DisplayName()};
    }

    static std::string* appDir;
    cx::ComInit com;
    cx::test::MessageLog messages;
    std::unique_ptr<TMainForm> form;
};
std::string* MainWindowRobustTest::appDir = nullptr;

// --- close requests while a modal window runs ------------------------------------------------

// Ahead of the tests that show dialogs: a menu closes by itself when the focus
// changes those leave behind reach it, and the close would then never meet it.
TEST_F(MainWindowRobustTest, CloseWhileADropDownMenuIsOpenIsRefused) {
    MakeForm();
    HWND main = form->hwnd();
    // The menu's own loop dispatches both: the close first, then the request
    // that ends the menu as if the user had clicked elsewhere.
    PostMessageA(main, WM_CLOSE, 0, 0);
    PostMessageA(main, WM_CANCELMODE, 0, 0);
    cx::test::WidgetOf<cx::ui::ImageButton>(form->hwnd(), cx::app::IDC_BTN_FILE).onClick();
    MSG left;
    EXPECT_FALSE(PeekMessageA(&left, main, WM_CLOSE, WM_CLOSE, PM_NOREMOVE))
        << "the menu never ran";
    EXPECT_TRUE(IsWindow(main));
    EXPECT_FALSE(TakeQuit());
}

TEST_F(MainWindowRobustTest, CloseFromAnotherProcessWaitsForTheDetailsWindow) {
    MakeForm();
    SelectFirstProgram();
    Outcome out =
        CloseFromOutsideWhile("close", [&] { form->Execute(cx::app::ActionShowDetails); });
    EXPECT_FALSE(form->Programs().DetailsForm().InModal());
    // The details window outlives its showing: it opens and closes again.
    cx::ui::SetModalHook([](HWND dialog) { PostMessageA(dialog, WM_CLOSE, 0, 0); });
    form->Execute(cx::app::ActionShowDetails);
    cx::ui::SetModalHook({});
    EXPECT_FALSE(form->Programs().DetailsForm().InModal());
    ExpectRefusedThenClosable(out);
}

TEST_F(MainWindowRobustTest, CloseFromAnotherProcessWaitsForTheCommentWindow) {
    MakeForm();
    SelectFirstProgram();
    Outcome out = CloseFromOutsideWhile("close", [&] { form->Execute(cx::app::ActionComment); });
    ExpectRefusedThenClosable(out);
}

TEST_F(MainWindowRobustTest, CloseFromAnotherProcessWaitsForTheReportWindow) {
    MakeForm();
    Outcome out =
        CloseFromOutsideWhile("close", [&] { form->Execute(cx::app::ActionExporetList); });
    ExpectRefusedThenClosable(out);
}

TEST_F(MainWindowRobustTest, CloseFromAnotherProcessWaitsForTheScanWindow) {
    MakeForm();
    // A listed program: its own uninstall key is a finding, so the scan window
    // stays up until it is closed (whether the scan ran by then or not).
    cx::cleanup::UninstallTarget target = FirstProgram();
    ASSERT_FALSE(target.registryName.empty());
    Outcome out = CloseFromOutsideWhile("close", [&] { form->Programs().RunRemainsScan(target); });
    ExpectRefusedThenClosable(out);
}

TEST_F(MainWindowRobustTest, CloseWhileAMessageBoxIsUpIsRefused) {
    MakeForm();
    HWND main = form->hwnd();
    form->Execute(cx::app::ActionHideScr);  // screen savers shown
    int row = form->Programs().RowCount() - 1;
    ASSERT_GE(row, 0);
    form->Programs().SelectRow(row);
    bool aliveDuringBox = false;
    messages.onShow = [&](const cx::ui::MessageRecord&) {
        // The question before a screen saver is deleted; a close arrives before it is answered.
        SendMessageA(main, WM_CLOSE, 0, 0);
        SendMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
        aliveDuringBox = IsWindow(main) != FALSE;
        return IDNO;
    };
    form->Execute(cx::app::ActionDeleteScr);
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(aliveDuringBox);
    EXPECT_TRUE(IsWindow(main));
    EXPECT_FALSE(TakeQuit());
}

TEST_F(MainWindowRobustTest, SessionEndWhileADialogRunsEndsTheProgram) {
    MakeForm();
    SelectFirstProgram();
    Outcome out =
        CloseFromOutsideWhile("session", [&] { form->Execute(cx::app::ActionShowDetails); });
    EXPECT_TRUE(out.dialog);
    EXPECT_EQ(out.helperExit, 0) << "the session end was refused";
    EXPECT_FALSE(form->Programs().DetailsForm().InModal());
    EXPECT_TRUE(TakeQuit()) << "the program does not end with the session";
    // Whatever is left of the window is consistent until the loop returns.
    if (IsWindow(form->hwnd())) {
        EXPECT_TRUE(IsWindowEnabled(form->hwnd()));
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MainWindowRobustTest, SessionEndWhileTheScanWindowRunsEndsTheProgram) {
    MakeForm();
    cx::cleanup::UninstallTarget target = FirstProgram();
    Outcome out =
        CloseFromOutsideWhile("session", [&] { form->Programs().RunRemainsScan(target); });
    EXPECT_TRUE(out.dialog);
    EXPECT_EQ(out.helperExit, 0);
    EXPECT_TRUE(TakeQuit());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MainWindowRobustTest, CloseWithoutADialogClosesAtOnce) {
    MakeForm();
    HWND main = form->hwnd();
    EXPECT_NE(SendMessageA(main, WM_QUERYENDSESSION, 0, 0), 0);
    SendMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_TRUE(TakeQuit());
}

// --- a service that fails during start-up -------------------------------------------------

// Every call fails as a service that has gone away does.
class BrokenService : public cx::test::FakeProgramList {
public:
    HRESULT STDMETHODCALLTYPE GetProgram(LONG, IProgramItem** v) override {
        *v = nullptr;
        return kGone;
    }
    HRESULT STDMETHODCALLTYPE ProgramCount(ULONG*) override { return kGone; }
    HRESULT STDMETHODCALLTYPE ScreenSaverCount(ULONG*) override { return kGone; }
    HRESULT STDMETHODCALLTYPE ScreenSaverFile(LONG, BSTR*) override { return kGone; }
    HRESULT STDMETHODCALLTYPE ScreenSaverPublisher(LONG, BSTR*) override { return kGone; }
    HRESULT STDMETHODCALLTYPE ScreenSaverFolder(LONG, BSTR*) override { return kGone; }
    HRESULT STDMETHODCALLTYPE ScreenSaverTitle(LONG, BSTR*) override { return kGone; }
    HRESULT STDMETHODCALLTYPE ScreenSaverIcon(LONG, LONG*) override { return kGone; }
    HRESULT STDMETHODCALLTYPE ScreenSaverSize(LONG, ULONG*) override { return kGone; }
    HRESULT STDMETHODCALLTYPE ScreenSaverLastUsed(LONG, BSTR*) override { return kGone; }
    HRESULT STDMETHODCALLTYPE RefreshPrograms() override { return kGone; }
    HRESULT STDMETHODCALLTYPE RefreshScreenSavers() override { return kGone; }

protected:
    static constexpr HRESULT kGone = RPC_E_DISCONNECTED;
};

TEST_F(MainWindowRobustTest, ServiceFailingAtTheFirstLoadIsReportedAndTheWindowOpens) {
    form = std::make_unique<TMainForm>();
    auto* broken = new BrokenService;
    broken->AddRef();
    form->Programs().ProgramList().Attach(cx::ComPtr<IProgramList>::Attach(broken));
    EXPECT_NO_THROW(form->CreateForm());
    ASSERT_TRUE(form->hwnd());
    // The general error handler's message: the error's text under the program's title.
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Carvexo");
    EXPECT_EQ(messages.shown[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_FALSE(messages.shown[0].text.empty());
    EXPECT_EQ(form->Programs().RowCount(), 0);
    // The rest of the window works.
    form->Show(SW_SHOWNOACTIVATE);
    form->Execute(cx::app::ActionTabStartupItems);
    EXPECT_EQ(form->ActivePage(), 1);
    form->Execute(cx::app::ActionTabProgramList);
    EXPECT_EQ(form->ActivePage(), 0);
}

// Lists records but cannot give any of them: it fails between the count and the first record.
class FailingRecordsService final : public BrokenService {
public:
    HRESULT STDMETHODCALLTYPE ProgramCount(ULONG* v) override {
        *v = 5;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ScreenSaverCount(ULONG* v) override {
        *v = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RefreshPrograms() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RefreshScreenSavers() override { return S_OK; }
};

TEST_F(MainWindowRobustTest, ServiceFailingHalfWayThroughAReloadLeavesTheListAsItWas) {
    MakeForm();
    const int rows = form->Programs().RowCount();
    ASSERT_GT(rows, 0);
    const std::string firstCaption = form->Programs().RowCaption(0),
                      countText = form->Programs().ProgramCountText();
    auto* failing = new FailingRecordsService;
    failing->AddRef();
    form->Programs().ProgramList().Attach(cx::ComPtr<IProgramList>::Attach(failing));
    EXPECT_THROW(form->Programs().LoadProgramList(), cx::AppError);
    EXPECT_EQ(form->Programs().RowCount(), rows);
    EXPECT_EQ(form->Programs().RowCaption(0), firstCaption);
    EXPECT_EQ(form->Programs().ProgramCountText(), countText);
}

// --- painting ---------------------------------------------------------------------------------

TEST_F(MainWindowRobustTest, PaintFailureIsReportedOnceAndTheWindowIsValidated) {
    MakeForm();
    HWND main = form->hwnd();
    UpdateWindow(main);
    ASSERT_TRUE(messages.shown.empty());
    int attempts = 0;
    form->paintFault = [&](HDC) {
        ++attempts;
        throw cx::AppError("Not enough storage is available to process this command.");
    };
    for (int i = 0; i < 4; ++i) {
        InvalidateRect(main, nullptr, FALSE);
        UpdateWindow(main);
        // Drawing failed, yet the region counts as painted: no endless WM_PAINT.
        EXPECT_FALSE(GetUpdateRect(main, nullptr, FALSE)) << "repaint " << i;
    }
    EXPECT_EQ(attempts, 4);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Not enough storage is available to process this command.");
    EXPECT_EQ(messages.shown[0].caption, "Carvexo");

    // Once drawing works again, a new failure is news again.
    form->paintFault = nullptr;
    InvalidateRect(main, nullptr, FALSE);
    UpdateWindow(main);
    form->paintFault = [](HDC) { throw cx::AppError("The picture cannot be drawn."); };
    InvalidateRect(main, nullptr, FALSE);
    UpdateWindow(main);
    InvalidateRect(main, nullptr, FALSE);
    UpdateWindow(main);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].text, "The picture cannot be drawn.");
}

TEST_F(MainWindowRobustTest, BackgroundSmallerThanTheWindowLeavesTheRestSeeThrough) {
    // The default picture is 763 x 538; this skin makes the window larger.
    cx::SetSkinValue(cx::SK_MAINFORM_Pos, "0, 0, 900, 700");
    MakeForm();
    cx::RestoreSkinDefaults();
    RECT client;
    GetClientRect(form->hwnd(), &client);
    ASSERT_EQ(client.right, 900);
    ASSERT_EQ(client.bottom, 700);
    auto picture = form->BackgroundPicture();
    ASSERT_TRUE(picture);
    ASSERT_LT(picture->width(), 900);
    ASSERT_LT(picture->height(), 700);

    const COLORREF green = RGB(0, 200, 0);
    const auto printed = cx::test::Surface::PrintedClient(form->hwnd(), green, 900, 700);
    const COLORREF key = TMainForm::kTransparentColor;
    // Right of the picture, below it, and the far corner.
    EXPECT_EQ(printed.At(picture->width(), 10), key);
    EXPECT_EQ(printed.At(899, picture->height() - 1), key);
    EXPECT_EQ(printed.At(10, picture->height()), key);
    EXPECT_EQ(printed.At(450, 699), key);
    EXPECT_EQ(printed.At(899, 699), key);
    // The picture itself is drawn where it lies.
    uint32_t p = picture->Pixel(400, 30);
    EXPECT_EQ(printed.At(400, 30), RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
}

TEST_F(MainWindowRobustTest, WithoutABackgroundTheWholeWindowIsSeeThrough) {
    std::string picture = cx::AppPaths().SkinDir + "img_Main.png";
    ASSERT_TRUE(MoveFileA(picture.c_str(), (picture + ".away").c_str()));
    MakeForm();
    MoveFileA((picture + ".away").c_str(), picture.c_str());
    ASSERT_FALSE(form->BackgroundPicture());
    const auto printed = cx::test::Surface::PrintedClient(form->hwnd(), RGB(0, 200, 0), 763, 538);
    EXPECT_EQ(printed.At(0, 0), TMainForm::kTransparentColor);
    EXPECT_EQ(printed.At(762, 537), TMainForm::kTransparentColor);
}

}  // namespace

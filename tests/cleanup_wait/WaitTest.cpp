// The uninstall wait run for real: processes that end at once, hand over to a
// child, keep running or cannot start, the seeded uninstallers, and the
// notification a window of this test receives.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "cleanup/Uninstall.h"
#include "harness/TestKit.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "seeder/DemoData.h"

namespace {

using namespace cx;
using namespace cx::cleanup;

struct Received {
    WPARAM started;
    DWORD tick;
    LPARAM waitId;
};

// A hidden message window standing in for the main window: it records every
// WM_UNINSTALL_DONE and runs `onDone` inside the send, while the worker waits.
class Listener {
public:
    Listener() {
        static const ATOM cls = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = Proc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "CxTestWaitListener";
            return RegisterClassA(&wc);
        }();
        hwnd_ = CreateWindowExA(0, MAKEINTATOM(cls), "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleA(nullptr), this);
    }
    ~Listener() {
        if (hwnd_) DestroyWindow(hwnd_);
    }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    HWND hwnd() const { return hwnd_; }
    void Destroy() {
        DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }

    // Pumps until `count` notifications arrived; false after `timeoutMs`.
    bool WaitFor(size_t count, DWORD timeoutMs) {
        const DWORD start = GetTickCount();
        while (received.size() < count) {
            if (GetTickCount() - start > timeoutMs) return false;
            Pump(50);
        }
        return true;
    }
    // Pumps until `done()` holds; false after `timeoutMs`.
    static bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
        const DWORD start = GetTickCount();
        while (!done()) {
            if (GetTickCount() - start > timeoutMs) return false;
            Pump(50);
        }
        return true;
    }
    static void Pump(DWORD ms) {
        MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }

    std::vector<Received> received;
    std::function<void()> onDone;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        try {
            if (msg == WM_NCCREATE) {
                auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
                SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                                  reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
            }
            auto* self = reinterpret_cast<Listener*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
            if (msg == UninstallDoneMessage() && self) {
                self->received.push_back({wp, GetTickCount(), lp});
                if (self->onDone) self->onDone();
                return 0;
            }
        } catch (...) {
            ADD_FAILURE() << "exception in the listener";
        }
        return DefWindowProcA(hwnd, msg, wp, lp);
    }

    HWND hwnd_ = nullptr;
};

std::string Helper() { return "\"" + test::BuildDir() + "tests\\cleanup_wait\\WaitHelper.exe\""; }

DWORD ReadNumber(const std::string& path) {
    if (!FileExists(path)) return 0;
    return static_cast<DWORD>(std::strtoul(test::ReadWholeFile(path).c_str(), nullptr, 10));
}

void EndProcess(DWORD pid) {
    unique_handle h(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (!h) return;
    TerminateProcess(h.get(), 9);
    WaitForSingleObject(h.get(), 5000);
}

class UninstallWait : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = test::FreshScratchDir("cleanup_wait");
        ASSERT_TRUE(listener_.hwnd());
    }
    void TearDown() override { SetUninstallWindowClosing(false); }

    std::string dir_;
    Listener listener_;
    const LPARAM target_ = NewWaitId();
};

TEST_F(UninstallWait, ExitAtOnceWithoutChildNotifiesAtOnceWithTheAwaitedRecord) {
    const DWORD start = GetTickCount();
    StartWaitingThread(Helper() + " exit", listener_.hwnd(), target_);
    ASSERT_TRUE(listener_.WaitFor(1, 10000));
    const Received& r = listener_.received[0];
    EXPECT_EQ(r.started, 1u);
    EXPECT_GE(r.tick - start, 450u) << "the half-second look comes first";
    EXPECT_LT(r.tick - start, 3000u);
    EXPECT_EQ(r.waitId, target_);
    // One wait, one notification.
    Listener::Pump(700);
    EXPECT_EQ(listener_.received.size(), 1u);
}

TEST_F(UninstallWait, HandOverIsFollowedAndTheQuestionComesOnlyAfterTheChildEnds) {
    const std::string marker = dir_ + "child-ended.txt", pidFile = dir_ + "child.pid";
    bool childGoneAtMessage = false;
    listener_.onDone = [&] { childGoneAtMessage = !IsProcessRunning(ReadNumber(pidFile)); };
    const DWORD start = GetTickCount();
    StartWaitingThread(Helper() + " parent 2000 \"" + marker + "\" \"" + pidFile + "\"",
                       listener_.hwnd(), target_);
    ASSERT_TRUE(listener_.WaitFor(1, 20000));
    const Received& r = listener_.received[0];
    EXPECT_EQ(r.started, 1u);
    EXPECT_GE(r.tick - start, 2000u);
    ASSERT_TRUE(FileExists(marker)) << "the notification came before the child finished";
    EXPECT_LE(ReadNumber(marker) - start, r.tick - start);
    EXPECT_NE(ReadNumber(pidFile), 0u);
    EXPECT_TRUE(childGoneAtMessage);
}

TEST_F(UninstallWait, AStarterThatKeepsRunningIsAwaitedButNotItsChild) {
    const std::string pidFile = dir_ + "child.pid";
    bool childRunningAtMessage = false;
    listener_.onDone = [&] { childRunningAtMessage = IsProcessRunning(ReadNumber(pidFile)); };
    const DWORD start = GetTickCount();
    StartWaitingThread(Helper() + " keep 1500 15000 \"" + pidFile + "\"", listener_.hwnd(),
                       target_);
    const bool arrived = listener_.WaitFor(1, 12000);
    EndProcess(ReadNumber(pidFile));
    ASSERT_TRUE(arrived);
    EXPECT_EQ(listener_.received[0].started, 1u);
    EXPECT_GE(listener_.received[0].tick - start, 1500u);
    EXPECT_TRUE(childRunningAtMessage);
}

// A document type of our own, so the shell starts a program we control.
class ShellDocument : public UninstallWait {
protected:
    static constexpr const char* kExt = ".CxTestWaitDoc";
    static constexpr const char* kProgId = "CxTestWait.Document";
    void SetUp() override {
        UninstallWait::SetUp();
        Remove();
        // Both hives: Windows merges the user's classes over the machine's; Wine may not.
        const std::string classes = "Software\\Classes\\";
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            reg::Key::Create(root, classes + kExt).SetString("", kProgId);
            reg::Key::Create(root, classes + kProgId + "\\shell\\open\\command")
                .SetString("", Helper() + " sleep 1000 \"%1\"");
        }
    }
    void TearDown() override {
        Remove();
        UninstallWait::TearDown();
    }
    static void Remove() {
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            reg::DeleteTree(root, std::string("Software\\Classes\\") + kExt);
            reg::DeleteTree(root, std::string("Software\\Classes\\") + kProgId);
        }
    }
};

TEST_F(ShellDocument, ADocumentIsOpenedThroughTheShellAndItsProgramAwaited) {
    const std::string doc = dir_ + "notes" + kExt;
    test::WriteWholeFile(doc, "opened by nobody yet");
    const DWORD start = GetTickCount();
    StartWaitingThread(doc, listener_.hwnd(), target_);
    ASSERT_TRUE(listener_.WaitFor(1, 20000));
    const Received& r = listener_.received[0];
    EXPECT_EQ(r.started, 1u);
    // The program the shell started wrote its end time into the document.
    const DWORD ended = ReadNumber(doc);
    ASSERT_NE(ended, 0u) << test::ReadWholeFile(doc);
    EXPECT_LE(ended - start, r.tick - start);
    EXPECT_GE(r.tick - start, 1000u);
}

struct DismissContext {
    DWORD pid;
    int count;
};

BOOL CALLBACK DismissOne(HWND w, LPARAM lp) {
    auto* c = reinterpret_cast<DismissContext*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (pid == c->pid && std::string(cls) == "#32770" && IsWindowVisible(w)) {
        PostMessageA(w, WM_COMMAND, IDOK, 0);
        PostMessageA(w, WM_CLOSE, 0, 0);
        ++c->count;
    }
    return TRUE;
}

// Closes message boxes of this process (the shell's own error report).
int DismissDialogs() {
    DismissContext ctx{GetCurrentProcessId(), 0};
    EnumWindows(DismissOne, reinterpret_cast<LPARAM>(&ctx));
    return ctx.count;
}

TEST_F(UninstallWait, NothingStartableNotifiesWithZero) {
    const DWORD start = GetTickCount();
    StartWaitingThread("\"" + dir_ + "missing\\nothing.exe\" /x", listener_.hwnd(), target_);
    bool arrived = false;
    while (!arrived && GetTickCount() - start < 20000) {
        arrived = listener_.WaitFor(1, 200);
        DismissDialogs();
    }
    ASSERT_TRUE(arrived);
    EXPECT_EQ(listener_.received[0].started, 0u);
    EXPECT_EQ(listener_.received[0].waitId, target_);
}

TEST_F(UninstallWait, AfterClosingOrWithTheWindowGoneNothingIsSentAndTheWorkerEnds) {
    Listener gone;
    const HWND stale = gone.hwnd();
    gone.Destroy();

    const std::string exitCmd = Helper() + " exit";
    SetUninstallWindowClosing(true);
    for (HWND to : {listener_.hwnd(), stale}) {
        std::atomic<bool> ended{false};
        std::thread worker([&] {
            cx::cleanup::RunAndWait(exitCmd, to, target_);
            ended = true;
        });
        EXPECT_TRUE(Listener::PumpUntil([&] { return ended.load(); }, 10000));
        worker.join();
    }
    // The stale window gets nothing even while the switch is off.
    SetUninstallWindowClosing(false);
    std::atomic<bool> ended{false};
    std::thread worker([&] {
        cx::cleanup::RunAndWait(exitCmd, stale, target_);
        ended = true;
    });
    EXPECT_TRUE(Listener::PumpUntil([&] { return ended.load(); }, 10000));
    worker.join();
    Listener::Pump(300);
    EXPECT_TRUE(listener_.received.empty());

    // The switch also holds for a detached worker whose wait ends after closing.
    StartWaitingThread(Helper() + " sleep 1200", listener_.hwnd(), target_);
    Listener::Pump(600);
    SetUninstallWindowClosing(true);
    Listener::PumpUntil([] { return false; }, 1500);
    EXPECT_TRUE(listener_.received.empty());
}

TEST(ProcessQueries, ParentChildAndPresenceOfARealChild) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string cmd = Helper() + " sleep 20000";
    ASSERT_TRUE(CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &si, &pi));
    unique_handle process(pi.hProcess), thread(pi.hThread);

    EXPECT_EQ(GetParentProcessId(pi.dwProcessId), static_cast<long>(GetCurrentProcessId()));
    EXPECT_TRUE(IsProcessRunning(pi.dwProcessId));
    EXPECT_TRUE(IsProcessRunning(GetCurrentProcessId()));
    {
        unique_handle child = FindChildProcess(GetCurrentProcessId());
        ASSERT_TRUE(child);
        EXPECT_EQ(GetProcessId(child.get()), pi.dwProcessId);
        // Opened for waiting: a time-out, not a failure.
        EXPECT_EQ(WaitForSingleObject(child.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    }
    EXPECT_FALSE(FindChildProcess(pi.dwProcessId)) << "the sleeper starts nothing";

    TerminateProcess(process.get(), 0);
    WaitForSingleObject(process.get(), 5000);
    process.reset();
    thread.reset();
    EXPECT_FALSE(IsProcessRunning(pi.dwProcessId));
    EXPECT_FALSE(FindChildProcess(GetCurrentProcessId()));
}

TEST(ProcessQueries, UnknownIdsHaveNoParentAndNoChild) {
    for (DWORD bad : {0xFFFFFFF0u, 0xFFFFFFFFu, 0x7FFFFFF0u}) {
        EXPECT_EQ(GetParentProcessId(bad), -1) << bad;
        EXPECT_FALSE(IsProcessRunning(bad)) << bad;
        // Processes whose parent cannot be told read as -1; that must not match this id.
        EXPECT_FALSE(FindChildProcess(bad)) << bad;
    }
}

// The seeded uninstallers: the hand-over one and the quiet patch one.
class SeededUninstall : public UninstallWait {
protected:
    void TearDown() override {
        EXPECT_EQ(test::RunAndWait("\"" + test::BuildDir() + "tools\\Seeder.exe\" /seed", 180000),
                  0);
        UninstallWait::TearDown();
    }
    static bool EntryExists(const demo::DemoProgram& p) {
        return reg::Key::Open(demo::HiveRoot(p.hive),
                              std::string(demo::kUninstallPath) + "\\" + p.keyName)
            .has_value();
    }
};

TEST_F(SeededUninstall, TheQuestionComesWhenTheUninstallerHasReallyFinished) {
    const demo::DemoProgram& handOver = demo::ProgramByKey("KestrelSync");
    const demo::DemoProgram& quiet = demo::ProgramByKey("KB2718305");
    ASSERT_TRUE(handOver.handOver);
    ASSERT_TRUE(quiet.quiet);
    ASSERT_TRUE(EntryExists(handOver) && EntryExists(quiet)) << "prefix not seeded";

    const LPARAM handOverId = NewWaitId(), quietId = NewWaitId();
    std::vector<bool> entryLeftAtMessage;
    listener_.onDone = [&] {
        const auto& last = listener_.received.back();
        entryLeftAtMessage.push_back(EntryExists(last.waitId == handOverId ? handOver : quiet));
    };
    const DWORD start = GetTickCount();
    StartWaitingThread(demo::UninstallCommand(handOver), listener_.hwnd(), handOverId);
    StartWaitingThread(demo::UninstallCommand(quiet), listener_.hwnd(), quietId);
    ASSERT_TRUE(listener_.WaitFor(2, 30000));

    // Each wait is told once, by its own id, whichever ends first.
    std::vector<LPARAM> ids{listener_.received[0].waitId, listener_.received[1].waitId};
    std::sort(ids.begin(), ids.end());
    std::vector<LPARAM> want{handOverId, quietId};
    std::sort(want.begin(), want.end());
    EXPECT_EQ(ids, want);
    for (const Received& r : listener_.received) {
        EXPECT_EQ(r.started, 1u);
        // The hand-over's child needs its 1.5 s before that wait ends.
        if (r.waitId == handOverId) {
            EXPECT_GE(r.tick - start, 1500u);
        }
    }
    EXPECT_EQ(entryLeftAtMessage, (std::vector<bool>{false, false}));
}

}  // namespace

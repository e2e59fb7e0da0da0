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

#include "harness/ScopedEntry.h"
#include "cleanup/Uninstall.h"
#include "harness/Pump.h"
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

    // Pumps until `count` notifications arrived; false when the guard ran out.
    bool WaitFor(size_t count, DWORD guardMs = test::kHangGuardMs) {
        return test::PumpUntil([&] { return received.size() >= count; }, guardMs);
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
    WaitForSingleObject(h.get(), test::kHangGuardMs);
}

// A named manual-reset event the helper waits for: the test decides when each
// helper process ends, and the gate opens at the latest when it goes.
class Gate {
public:
    Gate() {
        static int n = 0;
        name_ =
            "CxWaitTestGate." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(++n);
        event_.reset(CreateEventA(nullptr, TRUE, FALSE, name_.c_str()));
    }
    // A test that stopped early leaves no helper waiting for ever.
    ~Gate() { Open(); }
    const std::string& name() const { return name_; }
    void Open() { SetEvent(event_.get()); }

private:
    std::string name_;
    unique_handle event_;
};

// The look the waits of these tests take: it lasts until the started process
// has ended, however long the machine needs to start and end it, and tells the
// test that it is over.
class StarterLook {
public:
    StarterLook() : over_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        SetHandOverLookForTests([this](HANDLE starter) {
            WaitForSingleObject(starter, test::kHangGuardMs);
            SetEvent(over_.get());
        });
    }
    ~StarterLook() { SetHandOverLookForTests({}); }
    StarterLook(const StarterLook&) = delete;
    StarterLook& operator=(const StarterLook&) = delete;
    bool WaitUntilOver() { return test::PumpUntilSignalled(over_.get()); }

private:
    unique_handle over_;
};

// Long enough for a wait that does not follow the hand-over to have sent its
// message by then; a wait that works sends nothing in it however slow the machine.
void PumpAWhile() { test::PumpFor(300); }

class UninstallWait : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = test::FreshScratchDir("cleanup_wait");
        ASSERT_TRUE(listener_.hwnd());
    }
    void TearDown() override {
        SetUninstallWindowClosing(false);
        SetHandOverLookForTests({});
    }

    std::string dir_;
    Listener listener_;
    const LPARAM target_ = NewWaitId();
};

// The product's own look: a pause of half a second, then the look.
static_assert(kHandOverLookMs == 500);

TEST_F(UninstallWait, ExitAtOnceWithoutChildNotifiesAfterTheHalfSecondLookWithTheAwaitedRecord) {
    const DWORD start = GetTickCount();
    StartWaitingThread(Helper() + " exit", listener_.hwnd(), target_);
    ASSERT_TRUE(listener_.WaitFor(1));
    const Received& r = listener_.received[0];
    EXPECT_EQ(r.started, 1u);
    // A pause cannot end early; the tick may lag by its granularity.
    EXPECT_GE(r.tick - start, kHandOverLookMs - 50) << "the half-second look comes first";
    EXPECT_EQ(r.waitId, target_);
    // One wait, one notification.
    test::PumpFor(700);
    EXPECT_EQ(listener_.received.size(), 1u);
}

TEST_F(UninstallWait, HandOverIsFollowedAndTheQuestionComesOnlyAfterTheChildEnds) {
    StarterLook look;
    Gate childEnds;
    const std::string marker = dir_ + "child.txt", pidFile = dir_ + "child.pid";
    std::string markerAtMessage;
    bool childGoneAtMessage = false;
    listener_.onDone = [&] {
        markerAtMessage = test::ReadWholeFile(marker);
        childGoneAtMessage = !IsProcessRunning(ReadNumber(pidFile));
    };
    StartWaitingThread(
        Helper() + " parent " + childEnds.name() + " \"" + marker + "\" \"" + pidFile + "\"",
        listener_.hwnd(), target_);
    ASSERT_TRUE(look.WaitUntilOver());
    // The starter has gone; its child waits for the gate.
    ASSERT_NE(ReadNumber(pidFile), 0u);
    EXPECT_TRUE(IsProcessRunning(ReadNumber(pidFile)));
    PumpAWhile();
    EXPECT_TRUE(listener_.received.empty()) << "the notification came while the child still ran";
    childEnds.Open();
    ASSERT_TRUE(listener_.WaitFor(1));
    EXPECT_EQ(listener_.received[0].started, 1u);
    EXPECT_EQ(markerAtMessage, "ended");
    EXPECT_TRUE(childGoneAtMessage);
}

TEST_F(UninstallWait, AStarterThatKeepsRunningIsAwaitedButNotItsChild) {
    Gate starterEnds, childEnds;
    const std::string pidFile = dir_ + "child.pid";
    // The look ends while the starter still waits for its gate.
    unique_handle looked(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    SetHandOverLookForTests([&](HANDLE) { SetEvent(looked.get()); });
    bool childRunningAtMessage = false;
    listener_.onDone = [&] { childRunningAtMessage = IsProcessRunning(ReadNumber(pidFile)); };
    StartWaitingThread(
        Helper() + " keep " + starterEnds.name() + " " + childEnds.name() + " \"" + pidFile + "\"",
        listener_.hwnd(), target_);
    ASSERT_TRUE(test::PumpUntilSignalled(looked.get()));
    PumpAWhile();
    EXPECT_TRUE(listener_.received.empty()) << "the notification came while the starter still ran";
    // The child has started by now or never will: the starter starts it before it waits.
    ASSERT_TRUE(test::PumpUntil([&] { return ReadNumber(pidFile) != 0; }));
    starterEnds.Open();
    const bool arrived = listener_.WaitFor(1);
    EndProcess(ReadNumber(pidFile));
    ASSERT_TRUE(arrived);
    EXPECT_EQ(listener_.received[0].started, 1u);
    EXPECT_TRUE(childRunningAtMessage);
}

// A starter the look still finds running, because the machine is busy, that
// hands over to a copy of itself in a temporary folder as NSIS and Inno
// uninstallers do: the copy does the work and is awaited too.
TEST_F(UninstallWait, AHandOverToATemporaryCopyIsAwaitedEvenAfterALateLook) {
    Gate starterEnds, childEnds;
    const std::string pidFile = dir_ + "child.pid";
    unique_handle looked(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    SetHandOverLookForTests([&](HANDLE) { SetEvent(looked.get()); });
    StartWaitingThread(Helper() + " handover " + starterEnds.name() + " " + childEnds.name() +
                           " \"" + pidFile + "\"",
                       listener_.hwnd(), target_);
    ASSERT_TRUE(test::PumpUntilSignalled(looked.get()));
    ASSERT_TRUE(test::PumpUntil([&] { return ReadNumber(pidFile) != 0; }));
    const DWORD child = ReadNumber(pidFile);
    starterEnds.Open();
    PumpAWhile();
    EXPECT_TRUE(listener_.received.empty()) << "the notification came while the copy still ran";
    childEnds.Open();
    const bool arrived = listener_.WaitFor(1);
    EndProcess(child);
    ASSERT_TRUE(arrived);
    EXPECT_EQ(listener_.received[0].started, 1u);
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
                .SetString("", Helper() + " await " + programEnds_.name() + " \"%1\"");
        }
    }
    void TearDown() override {
        programEnds_.Open();
        Remove();
        UninstallWait::TearDown();
    }
    static void Remove() {
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            reg::DeleteTree(root, std::string("Software\\Classes\\") + kExt);
            reg::DeleteTree(root, std::string("Software\\Classes\\") + kProgId);
        }
    }
    Gate programEnds_;
};

TEST_F(ShellDocument, ADocumentIsOpenedThroughTheShellAndItsProgramAwaited) {
    const std::string doc = dir_ + "notes" + kExt;
    test::WriteWholeFile(doc, "opened by nobody yet");
    std::string docAtMessage;
    listener_.onDone = [&] { docAtMessage = test::ReadWholeFile(doc); };
    StartWaitingThread(doc, listener_.hwnd(), target_);
    // The program the shell started writes into the document, then waits for the gate.
    ASSERT_TRUE(test::PumpUntil([&] { return test::ReadWholeFile(doc) == "waiting"; }))
        << test::ReadWholeFile(doc);
    PumpAWhile();
    EXPECT_TRUE(listener_.received.empty()) << "the notification came while the program ran";
    programEnds_.Open();
    ASSERT_TRUE(listener_.WaitFor(1));
    EXPECT_EQ(listener_.received[0].started, 1u);
    EXPECT_EQ(docAtMessage, "ended");
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
    StartWaitingThread("\"" + dir_ + "missing\\nothing.exe\" /x", listener_.hwnd(), target_);
    // The shell may report the failure in a box of its own first: close it like a user.
    ASSERT_TRUE(test::PumpUntil([&] {
        DismissDialogs();
        return !listener_.received.empty();
    }));
    EXPECT_EQ(listener_.received[0].started, 0u);
    EXPECT_EQ(listener_.received[0].waitId, target_);
}

TEST_F(UninstallWait, AfterClosingOrWithTheWindowGoneNothingIsSentAndTheWorkerEnds) {
    Listener gone;
    const HWND stale = gone.hwnd();
    gone.Destroy();

    const std::string exitCmd = Helper() + " exit";
    auto runToTheEnd = [&](HWND to) {
        std::atomic<bool> ended{false};
        std::thread worker([&] {
            cx::cleanup::RunAndWait(exitCmd, to, target_);
            ended = true;
        });
        EXPECT_TRUE(test::PumpUntil([&] { return ended.load(); }));
        worker.join();
    };
    SetUninstallWindowClosing(true);
    for (HWND to : {listener_.hwnd(), stale}) runToTheEnd(to);
    // The stale window gets nothing even while the switch is off.
    SetUninstallWindowClosing(false);
    runToTheEnd(stale);
    test::Pump();
    EXPECT_TRUE(listener_.received.empty());

    // The switch also holds for a detached worker whose wait ends after closing.
    StarterLook look;
    Gate helperEnds;
    StartWaitingThread(Helper() + " await " + helperEnds.name(), listener_.hwnd(), target_);
    SetUninstallWindowClosing(true);
    helperEnds.Open();
    ASSERT_TRUE(look.WaitUntilOver());
    PumpAWhile();
    EXPECT_TRUE(listener_.received.empty());
}

TEST(ProcessQueries, ParentChildAndPresenceOfARealChild) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    Gate never;
    std::string cmd = Helper() + " await " + never.name();
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
    WaitForSingleObject(process.get(), test::kHangGuardMs);
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
        EXPECT_EQ(test::Reseed(), 0);
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

    // Each look lasts until its starter has gone, however slow the machine.
    StarterLook look;
    const LPARAM handOverId = NewWaitId(), quietId = NewWaitId();
    std::vector<bool> entryLeftAtMessage;
    listener_.onDone = [&] {
        const auto& last = listener_.received.back();
        entryLeftAtMessage.push_back(EntryExists(last.waitId == handOverId ? handOver : quiet));
    };
    StartWaitingThread(demo::UninstallCommand(handOver), listener_.hwnd(), handOverId);
    StartWaitingThread(demo::UninstallCommand(quiet), listener_.hwnd(), quietId);
    ASSERT_TRUE(listener_.WaitFor(2));

    // Each wait is told once, by its own id, whichever ends first.
    std::vector<LPARAM> ids{listener_.received[0].waitId, listener_.received[1].waitId};
    std::sort(ids.begin(), ids.end());
    std::vector<LPARAM> want{handOverId, quietId};
    std::sort(want.begin(), want.end());
    EXPECT_EQ(ids, want);
    for (const Received& r : listener_.received) EXPECT_EQ(r.started, 1u);
    // Whichever came first, its uninstaller (the hand-over's child) had done its work.
    EXPECT_EQ(entryLeftAtMessage, (std::vector<bool>{false, false}));
}

}  // namespace

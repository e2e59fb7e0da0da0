// The queue window of a bulk uninstall on the demo prefix: the order settled
// before Start, each uninstaller started only once the one before has ended,
// each judged by what it left registered, and a stop that lets the running
// one finish and skips the rest.
#include <gtest/gtest.h>

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "AppKit.h"
#include "cleanup/QueueForm.h"
#include "cleanup/Uninstall.h"
#include "harness/MessageLog.h"
#include "harness/Pump.h"
#include "harness/ScopedEntry.h"
#include "harness/TestKit.h"
#include "i18n/LangText.h"
#include "platform/Com.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Registry.h"
#include "platform/Strings.h"
#include "seeder/DemoData.h"
#include "widgets/Seam.h"

namespace {

using namespace cx;
using cleanup::QueueState;
using cleanup::TQueueForm;

// Programs whose uninstaller does the work itself, so the process the wait
// starts is the one that removes the entry.
std::vector<const demo::DemoProgram*> PlainPrograms() {
    std::vector<const demo::DemoProgram*> plain;
    for (const auto& p : demo::Programs())
        if (!p.handOver && p.displayName && p.uninstaller && p.root == demo::Root::ProgramFiles &&
            p.layout != demo::Layout::None && demo::IsListed(p))
            plain.push_back(&p);
    return plain;
}

std::string EntryPath(const demo::DemoProgram& p) {
    return std::string(demo::kUninstallPath) + "\\" + p.keyName;
}

bool Registered(const demo::DemoProgram& p) {
    return static_cast<bool>(reg::Key::Open(demo::HiveRoot(p.hive), EntryPath(p)));
}

TQueueForm::Entry EntryOf(const demo::DemoProgram& p, const std::string& uninstallString) {
    auto k = reg::Key::Open(demo::HiveRoot(p.hive), EntryPath(p), KEY_SET_VALUE);
    EXPECT_TRUE(k);
    if (k) k->SetString("UninstallString", uninstallString);
    return {cleanup::ListedProgram{
                p.keyName, demo::InstallLocation(p), p.displayName,
                p.hive == demo::Hive::Machine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER",
                p.publisher ? p.publisher : ""},
            uninstallString};
}

TQueueForm* QueueOf(HWND window) {
    return dynamic_cast<TQueueForm*>(ui::Window::FromHandle(window));
}

std::vector<QueueState> States(const TQueueForm& form) {
    std::vector<QueueState> states;
    for (const cleanup::QueueItem& item : form.Items()) states.push_back(item.state);
    return states;
}

bool Enabled(HWND window, int id) { return IsWindowEnabled(GetDlgItem(window, id)) != FALSE; }

// Watches every uninstaller the waits start (the look after the start runs on
// the waiting thread with the started process): which program it belongs to,
// by the folder its program lies in, and whether another was still alive. The
// first one is held at the gate until the test opens it.
class StartWatch {
public:
    explicit StartWatch(std::vector<const demo::DemoProgram*> programs)
        : programs_(std::move(programs)), gate_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        cleanup::SetHandOverLookForTests([this](HANDLE starter) { Look(starter); });
    }
    ~StartWatch() {
        SetEvent(gate_.get());
        cleanup::SetHandOverLookForTests({});
    }
    void OpenGate() { SetEvent(gate_.get()); }
    // Indexes into the programs, in the order their uninstallers started (-1: none of them).
    std::vector<int> Started() {
        std::lock_guard<std::mutex> hold(lock_);
        return started_;
    }
    bool Overlapped() {
        std::lock_guard<std::mutex> hold(lock_);
        return overlapped_;
    }

private:
    void Look(HANDLE starter) {
        char image[MAX_PATH * 2] = "";
        DWORD size = sizeof image;
        QueryFullProcessImageNameA(starter, 0, image, &size);
        int which = -1;
        for (size_t i = 0; i < programs_.size(); ++i)
            if (StartsWithNoCase(image, demo::InstallDir(*programs_[i]))) which = int(i);
        bool first;
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (alive_ > 0) overlapped_ = true;
            ++alive_;
            first = started_.empty();
            started_.push_back(which);
        }
        if (first) WaitForSingleObject(gate_.get(), test::kHangGuardMs);
        // Until the uninstaller has ended: only then may the next one start.
        WaitForSingleObject(starter, test::kHangGuardMs);
        std::lock_guard<std::mutex> hold(lock_);
        --alive_;
    }

    std::vector<const demo::DemoProgram*> programs_;
    unique_handle gate_;
    std::mutex lock_;
    std::vector<int> started_;
    int alive_ = 0;
    bool overlapped_ = false;
};

class QueueForm : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(test::Reseed(), 0);
        ASSERT_TRUE(test::StartFresh(test::PrepareAppCopy("queue-form")));
        plain = PlainPrograms();
        ASSERT_GE(plain.size(), 3u) << "the demo data has too few plain uninstallers";
        plain.resize(3);
    }
    void TearDown() override {
        ui::SetModalHook({});
        test::Reseed();
    }
    ComInit com;
    test::MessageLog messages;
    std::vector<const demo::DemoProgram*> plain;
};

// Reordered and cut before Start, then run: the cancelled middle one is not
// removed and the queue goes on; no uninstaller starts before the one before
// it has ended; nothing but the running item's own wait moves the queue.
TEST_F(QueueForm, RunsInTheSetOrderOneAfterAnotherAndJudgesEach) {
    const demo::DemoProgram &a = *plain[0], &b = *plain[1], &c = *plain[2];
    const std::string marker = test::FreshScratchDir("queue-dropped") + "ran.txt";
    // A fourth entry, dropped before Start: its stand-in uninstaller would leave the marker.
    TQueueForm::Entry dropped{
        cleanup::ListedProgram{"CxQueueDropped", "", "Cx Dropped", "HKEY_CURRENT_USER", ""},
        "\"" + test::BuildDir() + "tests\\cleanup_wait\\WaitHelper.exe\" sleep 1 \"" + marker +
            "\""};
    TQueueForm form({EntryOf(c, demo::UninstallCommand(c)), EntryOf(a, demo::UninstallCommand(a)),
                     dropped, EntryOf(b, demo::UninstallCommand(b) + " /cancel")});
    StartWatch watch({&a, &b, &c});

    bool hooked = false, ended = false;
    std::vector<std::string> invariantBroken;
    ui::SetModalHook([&](HWND window) {
        if (QueueOf(window) != &form) return;
        hooked = true;
        EXPECT_EQ(form.RowText(2, 0), "Cx Dropped");
        EXPECT_TRUE(Enabled(window, TQueueForm::IDC_BTN_START));
        EXPECT_FALSE(Enabled(window, TQueueForm::IDC_BTN_STOP));
        form.MoveDown(0);  // a c x b
        form.Drop(2);      // a c b
        form.MoveUp(2);    // a b c
        ASSERT_EQ(form.RowCount(), 3);
        const demo::DemoProgram* order[] = {&a, &b, &c};
        for (int r = 0; r < 3; ++r) {
            EXPECT_EQ(form.RowText(r, 0), order[r]->displayName);
            EXPECT_EQ(form.RowText(r, 2), LangText(IDS_QUEUEFORM_STATE_Waiting));
        }
        EXPECT_EQ(form.RowText(1, 1), demo::UninstallCommand(b) + " /cancel");

        form.Start();
        EXPECT_EQ(States(form), (std::vector<QueueState>{QueueState::Running, QueueState::Waiting,
                                                         QueueState::Waiting}));
        for (int id :
             {TQueueForm::IDC_BTN_UP, TQueueForm::IDC_BTN_DOWN, TQueueForm::IDC_BTN_DROP,
              TQueueForm::IDC_CHK_QUIET, TQueueForm::IDC_BTN_START, TQueueForm::IDC_BTN_CLOSE})
            EXPECT_FALSE(Enabled(window, id)) << id;
        EXPECT_TRUE(Enabled(window, TQueueForm::IDC_BTN_STOP));
        form.MoveUp(1);  // the order is fixed now
        EXPECT_EQ(form.RowText(1, 0), b.displayName);
        EXPECT_TRUE(form.Items()[0].run.target.foldersGathered);

        // The first uninstaller is held at the gate: its wait cannot have ended.
        // Words with ids this window never gave, and the ways of closing it, change nothing.
        const UINT done = cleanup::UninstallDoneMessage();
        SendMessageA(window, done, cleanup::kWaitEnded, 0);
        SendMessageA(window, done, cleanup::kWaitEnded, 0x12345678);
        SendMessageA(window, done, cleanup::kNothingStarted, 0x7FFF1234);
        SendMessageA(window, WM_CLOSE, 0, 0);
        SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
        test::Pump();
        EXPECT_TRUE(form.InModal()) << "the window closed while an uninstaller ran";
        EXPECT_EQ(States(form), (std::vector<QueueState>{QueueState::Running, QueueState::Waiting,
                                                         QueueState::Waiting}));
        EXPECT_EQ(form.RowText(0, 2), LangText(IDS_QUEUEFORM_STATE_Running));

        watch.OpenGate();
        // At every look: at most one runs, all before it have ended, all after it wait.
        ended = test::PumpUntil([&] {
            const std::vector<QueueState> s = States(form);
            size_t running = s.size();
            for (size_t i = 0; i < s.size(); ++i)
                if (s[i] == QueueState::Running) {
                    if (running != s.size()) invariantBroken.push_back("two run at once");
                    running = i;
                }
            for (size_t i = 0; running != s.size() && i < s.size(); ++i)
                if (i != running && (i < running) == (s[i] == QueueState::Waiting))
                    invariantBroken.push_back("item " + std::to_string(i) + " out of turn");
            return form.Ended();
        });
        EXPECT_EQ(form.RowText(0, 2), LangText(IDS_QUEUEFORM_STATE_Removed));
        EXPECT_EQ(form.RowText(1, 2), LangText(IDS_QUEUEFORM_STATE_NotRemoved));
        EXPECT_EQ(ui::WindowString(GetDlgItem(window, TQueueForm::IDC_LBL_STATUS)),
                  "2 of 3 programs removed.");
        EXPECT_EQ(SendDlgItemMessageA(window, TQueueForm::IDC_PRB_QUEUE, PBM_GETPOS, 0, 0), 3);
        EXPECT_TRUE(Enabled(window, TQueueForm::IDC_BTN_CLOSE));
        EXPECT_FALSE(Enabled(window, TQueueForm::IDC_BTN_STOP));
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(TQueueForm::IDC_BTN_CLOSE, BN_CLICKED), 0);
    });
    form.ShowModal(nullptr);
    ASSERT_TRUE(hooked);
    ASSERT_TRUE(ended) << "the queue did not end";
    EXPECT_TRUE(form.Ended());
    EXPECT_EQ(States(form), (std::vector<QueueState>{QueueState::Removed, QueueState::NotRemoved,
                                                     QueueState::Removed}));
    EXPECT_EQ(watch.Started(), (std::vector<int>{0, 1, 2}));
    EXPECT_FALSE(watch.Overlapped()) << "an uninstaller started while the one before still ran";
    for (const std::string& broken : invariantBroken) ADD_FAILURE() << broken;
    EXPECT_FALSE(Registered(a));
    EXPECT_TRUE(Registered(b));
    EXPECT_FALSE(Registered(c));
    EXPECT_FALSE(FileExists(marker)) << "the dropped entry's uninstaller ran";
    EXPECT_TRUE(messages.shown.empty());
}

// Stop After This One: the running uninstaller finishes and is judged, the
// rest are skipped and never start. Before Start the quiet choice shows the
// command that would run, and the last row cannot be dropped.
TEST_F(QueueForm, StopAfterThisOneSkipsTheRest) {
    const std::string quiet = demo::UninstallCommand(*plain[1]) + " /silent";
    reg::Key::Open(demo::HiveRoot(plain[1]->hive), EntryPath(*plain[1]), KEY_SET_VALUE)
        ->SetString("QuietUninstallString", quiet);
    std::vector<TQueueForm::Entry> entries;
    for (const demo::DemoProgram* p : plain)
        entries.push_back(EntryOf(*p, demo::UninstallCommand(*p)));
    TQueueForm form(std::move(entries));
    StartWatch watch(plain);

    bool ended = false;
    ui::SetModalHook([&](HWND window) {
        if (QueueOf(window) != &form) return;
        EXPECT_EQ(SendDlgItemMessageA(window, TQueueForm::IDC_CHK_QUIET, BM_GETCHECK, 0, 0),
                  BST_UNCHECKED);
        SendDlgItemMessageA(window, TQueueForm::IDC_CHK_QUIET, BM_CLICK, 0, 0);
        EXPECT_EQ(form.RowText(1, 1), quiet);
        form.SetQuiet(false);
        EXPECT_EQ(form.RowText(1, 1), demo::UninstallCommand(*plain[1]));

        form.Start();
        form.StopAfterCurrent();
        EXPECT_FALSE(Enabled(window, TQueueForm::IDC_BTN_STOP));
        EXPECT_FALSE(Enabled(window, TQueueForm::IDC_BTN_CLOSE)) << "the running one still runs";
        EXPECT_EQ(form.Items()[0].state, QueueState::Running);
        watch.OpenGate();
        ended = test::PumpUntil([&] { return form.Ended(); });
        EXPECT_EQ(ui::WindowString(GetDlgItem(window, TQueueForm::IDC_LBL_STATUS)),
                  "1 of 3 programs removed.");
        EXPECT_EQ(form.RowText(2, 2), LangText(IDS_QUEUEFORM_STATE_Skipped));
        form.EndModal(IDOK);
    });
    form.ShowModal(nullptr);
    ASSERT_TRUE(ended);
    EXPECT_EQ(States(form), (std::vector<QueueState>{QueueState::Removed, QueueState::Skipped,
                                                     QueueState::Skipped}));
    EXPECT_EQ(watch.Started(), (std::vector<int>{0}));
    EXPECT_FALSE(Registered(*plain[0]));
    EXPECT_TRUE(Registered(*plain[1]));
    EXPECT_TRUE(Registered(*plain[2]));

    // One row left: it stays.
    TQueueForm single({EntryOf(*plain[2], demo::UninstallCommand(*plain[2]))});
    ui::SetModalHook([&](HWND window) {
        if (QueueOf(window) != &single) return;
        EXPECT_FALSE(Enabled(window, TQueueForm::IDC_BTN_DROP));
        single.Drop(0);
        EXPECT_EQ(single.RowCount(), 1);
        single.EndModal(IDCANCEL);
    });
    single.ShowModal(nullptr);
    EXPECT_FALSE(single.Ended());
    EXPECT_TRUE(Registered(*plain[2]));
}

}  // namespace

// Subclassing controls without window properties: which procedure sees a
// message and in what order, taking subclasses off in any order, a procedure
// of someone else's in front, the control's destruction, and errors.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "WidgetKit.h"
#include "harness/MessageLog.h"
#include "harness/Windows.h"
#include "widgets/Subclass.h"

namespace {

using cx::ui::Subclass;

constexpr UINT kProbe = WM_APP + 7;

// Who saw a probe, in order: "A", "B" for subclasses, "control" for the
// control's own procedure, "foreign" for a procedure of someone else's.
std::vector<std::string> g_seen;
std::vector<UINT> g_controlGot;

LRESULT CALLBACK TargetProcA(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    g_controlGot.push_back(msg);
    if (msg == kProbe) {
        g_seen.push_back("control");
        return 1000 + static_cast<LRESULT>(wp);
    }
    return DefWindowProcA(h, msg, wp, lp);
}

LRESULT CALLBACK TargetProcW(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    g_controlGot.push_back(msg);
    if (msg == WM_SETTEXT) g_seen.push_back("control");
    return DefWindowProcW(h, msg, wp, lp);
}

WNDPROC g_foreignPrevious = nullptr;
LRESULT CALLBACK ForeignProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kProbe) g_seen.push_back("foreign");
    return CallWindowProcA(g_foreignPrevious, h, msg, wp, lp);
}

// A child of the shared host with a procedure that records what reaches it.
HWND MakeTarget(bool unicode = false) {
    static const bool registered = [] {
        WNDCLASSA a{};
        a.lpfnWndProc = &TargetProcA;
        a.hInstance = GetModuleHandleA(nullptr);
        a.lpszClassName = "CxSubclassTargetA";
        WNDCLASSW w{};
        w.lpfnWndProc = &TargetProcW;
        w.hInstance = GetModuleHandleA(nullptr);
        w.lpszClassName = L"CxSubclassTargetW";
        return RegisterClassA(&a) && RegisterClassW(&w);
    }();
    EXPECT_TRUE(registered);
    HWND parent = cx::test::Host::Shared().hwnd();
    HWND h = unicode ? CreateWindowExW(0, L"CxSubclassTargetW", L"", WS_CHILD, 0, 0, 10, 10, parent,
                                       nullptr, GetModuleHandleA(nullptr), nullptr)
                     : CreateWindowExA(0, "CxSubclassTargetA", "", WS_CHILD, 0, 0, 10, 10, parent,
                                       nullptr, GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(h, nullptr);
    g_seen.clear();
    g_controlGot.clear();
    return h;
}

// A handler that notes its name and passes the probe on.
Subclass::Handler Noting(const char* name) {
    return [name](const Subclass::Call& call) {
        if (call.msg == kProbe) g_seen.push_back(name);
        return call.Previous();
    };
}

LRESULT Probe(HWND h, WPARAM wp = 5) { return SendMessageA(h, kProbe, wp, 0); }

WNDPROC ProcOf(HWND h) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(h, GWLP_WNDPROC)); }

using Seen = std::vector<std::string>;

TEST(Subclass, HandlerSeesMessagesFirstAndDecidesWhatTheControlGets) {
    HWND h = MakeTarget();
    {
        Subclass sub;
        sub.Attach(h, [](const Subclass::Call& call) -> LRESULT {
            if (call.msg != kProbe) return call.Previous();
            g_seen.push_back("A");
            if (call.wp == 1) return 77;                       // kept from the control
            return call.Previous(kProbe, call.wp + 1, 0) + 1;  // changed on its way
        });
        EXPECT_EQ(sub.hwnd(), h);
        EXPECT_EQ(Probe(h, 1), 77);
        EXPECT_EQ(g_seen, (Seen{"A"}));
        g_seen.clear();
        EXPECT_EQ(Probe(h, 5), 1007);
        EXPECT_EQ(g_seen, (Seen{"A", "control"}));
    }
    // Gone with its object: the control has its own procedure and user data back.
    g_seen.clear();
    EXPECT_EQ(Probe(h, 5), 1005);
    EXPECT_EQ(g_seen, (Seen{"control"}));
    EXPECT_EQ(ProcOf(h), &TargetProcA);
    EXPECT_EQ(GetWindowLongPtrA(h, GWLP_USERDATA), 0);
    DestroyWindow(h);
}

TEST(Subclass, LeavesNoWindowPropertyAndAUnicodeControlUnicode) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 100, 100,
                                cx::test::Host::Shared().hwnd(), nullptr, GetModuleHandleA(nullptr),
                                nullptr);
    ASSERT_NE(list, nullptr);
    auto countProps = cx::test::WindowPropertyCount;
    const int bare = countProps(list);
    const BOOL unicode = IsWindowUnicode(list);
    Subclass sub;
    int seen = 0;
    sub.Attach(list, [&](const Subclass::Call& call) {
        ++seen;
        return call.Previous();
    });
    EXPECT_EQ(countProps(list), bare);
    EXPECT_EQ(IsWindowUnicode(list), unicode);
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.pszText = const_cast<char*>("row");
    EXPECT_EQ(ListView_InsertItem(list, &item), 0);
    EXPECT_EQ(ListView_GetItemCount(list), 1);
    EXPECT_GT(seen, 0);
    sub.Detach();
    DestroyWindow(list);

    // A Unicode control gets its text messages as Unicode, untranslated.
    HWND w = MakeTarget(true);
    ASSERT_TRUE(IsWindowUnicode(w));
    std::wstring got;
    Subclass wide;
    wide.Attach(w, [&](const Subclass::Call& call) {
        if (call.msg == WM_SETTEXT) got = reinterpret_cast<const wchar_t*>(call.lp);
        return call.Previous();
    });
    EXPECT_TRUE(IsWindowUnicode(w));
    SetWindowTextW(w, L"\x0416\x0443\x043a");
    EXPECT_EQ(got, L"\x0416\x0443\x043a");
    EXPECT_EQ(g_seen, (Seen{"control"}));
    DestroyWindow(w);
}

TEST(Subclass, NestedSubclassesRunNewestFirstAndComeOffInAnyOrder) {
    HWND h = MakeTarget();
    Subclass a, b, c;
    a.Attach(h, Noting("A"));
    b.Attach(h, Noting("B"));
    c.Attach(h, Noting("C"));
    EXPECT_EQ(Probe(h), 1005);
    EXPECT_EQ(g_seen, (Seen{"C", "B", "A", "control"}));

    b.Detach();  // from the middle
    g_seen.clear();
    EXPECT_EQ(Probe(h), 1005);
    EXPECT_EQ(g_seen, (Seen{"C", "A", "control"}));

    c.Detach();  // the newest: the older one is in front again
    g_seen.clear();
    Probe(h);
    EXPECT_EQ(g_seen, (Seen{"A", "control"}));

    b.Attach(h, Noting("B"));  // an object can subclass again
    a.Detach();                // the oldest, under a newer one
    g_seen.clear();
    Probe(h);
    EXPECT_EQ(g_seen, (Seen{"B", "control"}));
    b.Detach();
    EXPECT_EQ(ProcOf(h), &TargetProcA);
    EXPECT_EQ(GetWindowLongPtrA(h, GWLP_USERDATA), 0);
    DestroyWindow(h);
}

TEST(Subclass, UnderSomeoneElsesProcedureItPassesMessagesOnUntilTheControlGoes) {
    HWND h = MakeTarget();
    Subclass a;
    a.Attach(h, Noting("A"));
    g_foreignPrevious = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForeignProc)));
    Probe(h);
    EXPECT_EQ(g_seen, (Seen{"foreign", "A", "control"}));

    // Ours cannot go back under a procedure it does not own: it stays, silent.
    a.Detach();
    EXPECT_FALSE(a.Attached());
    g_seen.clear();
    EXPECT_EQ(Probe(h), 1005);
    EXPECT_EQ(g_seen, (Seen{"foreign", "control"}));
    EXPECT_EQ(ProcOf(h), &ForeignProc);

    // A second subclass cannot tell whose the user data is now: refused.
    Subclass b;
    EXPECT_THROW(b.Attach(h, Noting("B")), std::exception);
    EXPECT_FALSE(b.Attached());
    g_seen.clear();
    Probe(h);
    EXPECT_EQ(g_seen, (Seen{"foreign", "control"}));

    g_controlGot.clear();
    DestroyWindow(h);
    ASSERT_FALSE(g_controlGot.empty());
    EXPECT_EQ(g_controlGot.back(), static_cast<UINT>(WM_NCDESTROY));
}

TEST(Subclass, ControlDestroyedUnderItReachesTheControlAndEndsTheSubclass) {
    HWND h = MakeTarget();
    Subclass a, b;
    std::vector<UINT> handled;
    a.Attach(h, [&](const Subclass::Call& call) {
        handled.push_back(call.msg);
        return call.Previous();
    });
    b.Attach(h, Noting("B"));
    DestroyWindow(h);
    ASSERT_FALSE(g_controlGot.empty());
    EXPECT_EQ(g_controlGot.back(), static_cast<UINT>(WM_NCDESTROY));
    EXPECT_NE(std::find(handled.begin(), handled.end(), static_cast<UINT>(WM_DESTROY)),
              handled.end());
    EXPECT_EQ(std::find(handled.begin(), handled.end(), static_cast<UINT>(WM_NCDESTROY)),
              handled.end());
    EXPECT_FALSE(a.Attached());
    EXPECT_FALSE(b.Attached());
    EXPECT_EQ(a.hwnd(), nullptr);
    a.Detach();  // nothing left to do, and no harm

    // Destroyed from inside its own handler.
    HWND c = MakeTarget();
    Subclass self;
    self.Attach(c, [](const Subclass::Call& call) -> LRESULT {
        if (call.msg != kProbe) return call.Previous();
        DestroyWindow(call.hwnd);
        return 9;
    });
    EXPECT_EQ(Probe(c), 9);
    EXPECT_FALSE(IsWindow(c));
    EXPECT_FALSE(self.Attached());
}

TEST(Subclass, HandlerErrorsAreShownAndOtherUserDataIsRefused) {
    cx::test::MessageLog log;
    HWND h = MakeTarget();
    Subclass sub;
    sub.Attach(h, [](const Subclass::Call& call) -> LRESULT {
        if (call.msg == kProbe && call.wp == 1) throw std::runtime_error("broken handler");
        return call.Previous();
    });
    EXPECT_EQ(Probe(h, 1), 0);
    ASSERT_EQ(log.shown.size(), 1u);
    EXPECT_NE(log.shown[0].text.find("broken handler"), std::string::npos);
    EXPECT_EQ(Probe(h, 2), 1002);  // and the control goes on working
    sub.Detach();

    // User data set by the control's owner is not ours to take.
    SetWindowLongPtrA(h, GWLP_USERDATA, 1234);
    EXPECT_THROW(sub.Attach(h, Noting("A")), std::exception);
    EXPECT_EQ(GetWindowLongPtrA(h, GWLP_USERDATA), 1234);
    EXPECT_EQ(ProcOf(h), &TargetProcA);
    EXPECT_THROW(sub.Attach(nullptr, Noting("A")), std::exception);
    DestroyWindow(h);
}

}  // namespace

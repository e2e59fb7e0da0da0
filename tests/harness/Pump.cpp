#include "harness/Pump.h"

#include <algorithm>

namespace cx::test {

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

namespace {
// Sleeps until a message, `handle` or `ms`; true when `handle` was signalled.
bool WaitForInput(HANDLE handle, DWORD ms) {
    const DWORD count = handle ? 1 : 0;
    return MsgWaitForMultipleObjectsEx(count, handle ? &handle : nullptr, ms, QS_ALLINPUT,
                                       MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0 &&
           count == 1;
}
}  // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD guardMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        Pump();
        if (done()) return true;
        const DWORD spent = GetTickCount() - start;
        if (spent >= guardMs) return false;
        // A condition set by another thread wakes no message wait: look again soon.
        WaitForInput(nullptr, std::min<DWORD>(guardMs - spent, 20));
    }
}

bool PumpUntilSignalled(HANDLE handle, DWORD guardMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        Pump();
        if (WaitForSingleObject(handle, 0) == WAIT_OBJECT_0) return true;
        const DWORD spent = GetTickCount() - start;
        if (spent >= guardMs) return false;
        if (WaitForInput(handle, guardMs - spent)) return true;
    }
}

void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    PumpUntil([&] { return GetTickCount() - start >= ms; });
}

}  // namespace cx::test

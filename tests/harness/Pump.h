#pragma once
// Keeping this thread's messages flowing while a test waits for something that
// arrives through them. The guards only keep a broken test from hanging; they
// are no measure of speed.
#include <windows.h>

#include <functional>

#include "harness/TestKit.h"

namespace cx::test {

// Dispatches what is queued for this thread.
void Pump();
// Pumps until `done()` holds, sleeping in between until a message or `handle`
// arrives; false when the guard ran out.
bool PumpUntil(const std::function<bool()>& done, DWORD guardMs = kHangGuardMs);
// Pumps until `handle` is signalled; false when the guard ran out.
bool PumpUntilSignalled(HANDLE handle, DWORD guardMs = kHangGuardMs);
// Keeps messages flowing for `ms`: for checks that nothing arrives meanwhile.
void PumpFor(DWORD ms);

}  // namespace cx::test

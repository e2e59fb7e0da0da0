#pragma once
// Running a program's uninstaller on a worker thread and telling the main
// window when it has finished, following the hand-over of uninstallers that
// copy themselves elsewhere and end at once.
#include <windows.h>

#include <functional>
#include <string>

#include "cleanup/Safety.h"
#include "platform/Handles.h"

namespace cx::cleanup {

// The notification of an ended wait: a message number registered for this
// program (any process could send WM_USER + 100), with WParam 1 after a normal
// wait and 0 when nothing could be started, and LParam the id of the wait. The
// window that started the wait looks the id up among its own waits and ignores
// anything else: no pointer ever travels in the message.
UINT UninstallDoneMessage();
// The WParam of that message.
inline constexpr WPARAM kWaitEnded = 1;       // the uninstaller ran and the wait for it ended
inline constexpr WPARAM kNothingStarted = 0;  // neither a process nor the shell could start it

// The facts of the record whose uninstall is awaited, kept by the window that
// started the wait under the wait's id, so the remains scan works on that
// program and not on whatever row is selected by then.
using UninstallTarget = ListedProgram;

// A fresh wait id: never 0, and not guessable by another process.
LPARAM NewWaitId();

// True when a process snapshot lists `pid`; false also when no snapshot can be taken.
bool IsProcessRunning(DWORD pid);

// The first process in snapshot order whose parent is `pid`, opened for waiting
// (SYNCHRONIZE | PROCESS_QUERY_INFORMATION); empty when there is none or it
// cannot be opened. Processes created before `pid` are never its children (an
// orphan can name a parent whose id was given out again) and are passed over.
unique_handle FindChildProcess(DWORD pid);

// The id of the process that created `pid`; -1 when it cannot be told.
long GetParentProcessId(DWORD pid);

// How long the wait lets a started uninstaller run before it looks whether it
// is still there or has handed over to a child and ended.
inline constexpr DWORD kHandOverLookMs = 500;

// Replaces the pause before that look (given the started process); empty
// restores the pause of kHandOverLookMs. For tests only: on a loaded machine
// nothing says a starter has ended after half a second, so they wait for it.
void SetHandOverLookForTests(std::function<void(HANDLE process)> look);

// The worker's body: starts `commandLine` as a process (or, failing that,
// through the shell), waits for it and for the child it hands over to, then
// sends UninstallDoneMessage() to `notify` (WParam 1 after a normal wait, 0
// when nothing could be started; LParam = `waitId`). A failed wait sends
// nothing. Nothing is sent once SetUninstallWindowClosing(true) was called or
// `notify` is gone. Never throws.
void RunAndWait(const std::string& commandLine, HWND notify, LPARAM waitId);

// Runs RunAndWait on a detached thread that ends by itself when the handler of
// its message returns. Throws when no thread can be started.
void StartWaitingThread(std::string commandLine, HWND notify, LPARAM waitId);

// Posted by StartReportingWait's thread once RunAndWait has returned, LParam
// the wait's id. Its notification is sent (and handled) before RunAndWait
// returns, so a wait that is still open when this arrives ended without one:
// the shell started nothing to wait for. A window that cannot be closed while
// it waits would otherwise wait for ever.
inline constexpr UINT kWaitReturnedMessage = WM_APP + 0x51;
// StartWaitingThread's thread, with that word at its end. It holds the
// window's handle and the id only: a message to a window that is gone by then
// goes nowhere. Throws when no thread can be started.
void StartReportingWait(std::string commandLine, HWND notify, LPARAM waitId);

// Called with true by the main window when it is destroyed: waits still running
// then end without a word. They are not cancelled: an uninstaller may run for
// as long as the user likes, and a wait holds nothing that needs saving, so the
// end of the process (which ends every thread) is all the clean-up they need.
void SetUninstallWindowClosing(bool closing);

}  // namespace cx::cleanup

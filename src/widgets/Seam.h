#pragma once
// The seam between the program and the person in front of it: every message
// box and every modal loop goes through here, so tests can answer them
// unattended. (The console's questions in CarvexoCmd have their own, Console.)
#include <windows.h>

#include <exception>
#include <functional>
#include <optional>
#include <string>

namespace cx::ui {

// The caption of every message box. Until start-up sets the product name it is
// the executable's file name without extension, as a fresh application's is.
const std::string& ApplicationTitle();
void SetApplicationTitle(std::string title);

// Shows a message box; returns the button pressed (IDOK, IDYES, ...).
int ShowMessage(HWND owner, const std::string& text, const std::string& caption, UINT flags);
// Same, captioned with ApplicationTitle().
int ShowAppMessage(HWND owner, const std::string& text, UINT flags);

struct MessageRecord {
    std::string text;
    std::string caption;
    UINT flags = 0;
};
// A test installs a responder to answer message boxes; an empty one restores the real ones.
using MessageResponder = std::function<int(const MessageRecord&)>;
void SetMessageResponder(MessageResponder responder);

// Called with a modal window once it is up and its loop is about to run; tests
// use it to drive the window and end the loop. Empty: the user does it.
using ModalHook = std::function<void(HWND window)>;
void SetModalHook(ModalHook hook);
void RunModalHook(HWND window);

// Marks a modal loop of this thread for as long as it runs: forms around their
// loop, message boxes around theirs. A window that is asked to close looks here
// first, since destroying it would pull the windows out from under a loop that
// is still working with them.
class ModalScope {
public:
    // `window`: the modal window (a message box passes its owner, or nullptr).
    explicit ModalScope(HWND window);
    ~ModalScope();
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;
};
bool ModalLoopRunning() noexcept;
// The window of the innermost running modal loop (nullptr when none runs, or
// when it is a message box without owner).
HWND InnermostModalWindow() noexcept;

// Every document, tool and address the program hands to the shell goes
// through here, so tests can see exactly what would have been opened.
// An absent text is passed as a null pointer, an empty one as "".
struct ShellCall {
    HWND owner = nullptr;
    std::optional<std::string> verb;
    std::string file;
    std::optional<std::string> parameters;
    std::optional<std::string> directory;
    int show = SW_SHOWNORMAL;
};
// ShellExecuteA with those arguments; returns its result (above 32: started).
INT_PTR ShellOpen(const ShellCall& call);
// A test installs a responder to record the calls (its result stands for the
// shell's); an empty one lets them reach the shell again.
using ShellResponder = std::function<INT_PTR(const ShellCall&)>;
void SetShellResponder(ShellResponder responder);

}  // namespace cx::ui

namespace cx::ui {
// The general error handler: shows an error that reached a message handler in a
// message box captioned with the application title; the program keeps running.
void ReportException(const std::exception& e) noexcept;
void ReportUnknownException() noexcept;
}  // namespace cx::ui

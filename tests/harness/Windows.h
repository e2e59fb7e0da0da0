#pragma once
// Looking at another process's windows from a test in the same prefix.
#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "harness/TestKit.h"
#include "widgets/Window.h"

namespace cx::test {

struct Launched {
    HANDLE process = nullptr;
    DWORD pid = 0;
    ~Launched();
};

// Starts a program (no waiting); throws when it cannot start.
void Launch(const std::string& commandLine, Launched& out, const std::string& workDir = {});

// The first visible top-level window of `pid` with that class ("#32770" for a
// message box); nullptr after `timeoutMs`.
HWND WaitForWindow(DWORD pid, const std::string& className, DWORD timeoutMs = kHangGuardMs);
std::string WindowText(HWND hwnd);
// Texts of a dialog's static controls (a message box's message is one of them).
std::vector<std::string> StaticTexts(HWND dialog);
// The descendant of `top` with that control id, at any depth; throws when
// there is none, so a test that looks for a control the window lacks fails.
HWND Control(HWND top, int id);
// One of our own controls, found by its id; throws when it is not of that kind.
template <class Widget>
Widget& WidgetOf(HWND top, int id) {
    auto* w = dynamic_cast<Widget*>(ui::Window::FromHandle(Control(top, id)));
    if (!w) throw std::runtime_error("control " + std::to_string(id) + " is not of that kind");
    return *w;
}
// A control's text, found by its id.
std::string ControlText(HWND top, int id);
HWND FindChildByText(HWND parent, const std::string& className, const std::string& text);
// How many window properties `hwnd` carries. Under Wine every property look-up
// is a round trip to the wineserver, so a control that carries one for a
// subclass pays it on every message it gets.
int WindowPropertyCount(HWND hwnd);
// True when the process ended within the time; its exit code in *code.
bool WaitForExit(HANDLE process, DWORD timeoutMs, DWORD* code = nullptr);

}  // namespace cx::test

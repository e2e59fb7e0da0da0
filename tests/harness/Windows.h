#pragma once
// Looking at another process's windows from a test in the same prefix.
#include <windows.h>

#include <string>
#include <vector>

#include "harness/TestKit.h"

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
HWND FindChildByText(HWND parent, const std::string& className, const std::string& text);
// How many window properties `hwnd` carries. Under Wine every property look-up
// is a round trip to the wineserver, so a control that carries one for a
// subclass pays it on every message it gets.
int WindowPropertyCount(HWND hwnd);
// True when the process ended within the time; its exit code in *code.
bool WaitForExit(HANDLE process, DWORD timeoutMs, DWORD* code = nullptr);

}  // namespace cx::test

#pragma once
// Shared by the window tests: the seeded prefix with the registered service,
// finding programs by key name, and throwaway uninstall entries.
#include <windows.h>

#include <string>
#include <vector>

#include "harness/ScopedEntry.h"
#include "harness/MessageLog.h"
#include "inventory/ProgramList.h"
#include "platform/Com.h"
#include "widgets/Seam.h"

namespace invtest {

// Seeds the prefix afresh (earlier tests may have uninstalled things) and
// registers Dravik.dll from the output folder. Once per test program.
void PrepareSeededService();

// The service index of the record with that key name; -1 when it is not listed.
long IndexOfKey(cx::TProgramList& list, const std::string& keyName);

// The service index of the record with that key name found under that hive
// ("HKEY_LOCAL_MACHINE" or "HKEY_CURRENT_USER"); -1 when it is not listed.
long IndexOfKeyIn(cx::TProgramList& list, const std::string& keyName, const std::string& hive);

// An uninstall entry the program list shows, for one test (the current
// user's unless told): its display name and a publisher.
class ScopedEntry : public cx::test::ScopedEntry {
public:
    ScopedEntry(const std::string& keyName, const std::string& displayName,
                HKEY root = HKEY_CURRENT_USER);
};

// Collects message boxes (answered with IDOK) and clears the modal hook at the end.
class SeamRecorder : public cx::test::MessageLog {
public:
    SeamRecorder();
    ~SeamRecorder();
};

// The dialog control with that id, or a test failure.
HWND Control(HWND form, int id);
// Client size of a window.
SIZE ClientSize(HWND hwnd);

}  // namespace invtest

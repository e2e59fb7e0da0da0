#pragma once
// Shared by the window tests: the seeded prefix with the registered service,
// finding programs by key name, and throwaway uninstall entries.
#include <windows.h>

#include <string>
#include <vector>

#include "inventory/ProgramList.h"
#include "platform/Com.h"
#include "widgets/Seam.h"

namespace invtest {

// Seeds the prefix afresh (earlier tests may have uninstalled things) and
// registers Dravik.dll from the output folder. Once per test program.
void PrepareSeededService();

// The service index of the record with that key name; -1 when it is not listed.
long IndexOfKey(cx::TProgramList& list, const std::string& keyName);

// An uninstall entry of the current user for one test, deleted at the end.
class ScopedEntry {
public:
    ScopedEntry(const std::string& keyName, const std::string& displayName);
    ~ScopedEntry();
    std::string KeyPath() const;
    const std::string& KeyName() const { return keyName_; }

private:
    std::string keyName_;
};

// Collects message boxes (answered with IDOK) and clears the modal hook at the end.
class SeamRecorder {
public:
    SeamRecorder();
    ~SeamRecorder();
    std::vector<cx::ui::MessageRecord> shown;
};

// The dialog control with that id, or a test failure.
HWND Control(HWND form, int id);
// Client size of a window.
SIZE ClientSize(HWND hwnd);

}  // namespace invtest

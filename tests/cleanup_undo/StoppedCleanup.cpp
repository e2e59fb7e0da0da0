// Runs one clean-up of a folder with a backup, all of it checked but
// "stays.txt", and stops for good just before its Nth file-tree item goes
// (once that item is recorded): the test that started it ends it there, as a
// killed process or a power cut would.
//   StoppedCleanup.exe <folder> <backup root> <event to signal> <N>
#include <windows.h>

#include <string>

#include "cleanup/Removal.h"
#include "cleanup/Scanner.h"
#include "cleanup/Undo.h"
#include "platform/Strings.h"

using namespace cx;
using namespace cx::cleanup;

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) return 2;
    HANDLE stop = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[3]);
    if (!stop) return 3;
    CheckTree registry, files;
    ScanProgress quiet;
    ScanFiles(WideToAnsi(argv[1]), files, quiet);
    for (NodeId id : files.InOrder())
        if (files.Get(id).text.size() > 10 &&
            files.Get(id).text.substr(files.Get(id).text.size() - 10) == "\\stays.txt")
            files.ToggleNodeState(id);
    CleanupBackup backup;
    backup.root = argv[2];
    backup.program = L"Stopped";
    int left = _wtoi(argv[4]);
    backup.moving = [&](const std::wstring&) {
        if (--left > 0) return;
        SetEvent(stop);
        Sleep(INFINITE);
    };
    RemoveFindings(registry, files, backup);
    return 1;  // never reached: the test ends this process first
}

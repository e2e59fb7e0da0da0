#pragma once
// Start-up of the program, in its fixed order, and the pieces tests drive alone.
#include <windows.h>

#include <string>

#include "inventory/ProgramList.h"

namespace cx::app {

// Computes AppPaths for `appDir` (ending in "\"), writes Config.ini when it is
// missing, reads it and creates Langs\ and Skins\. False: the program must end
// (the one failure with a message, an unwritable Config.ini, has shown it).
bool InitAppPaths(const std::string& appDir);

// Reads the skin file, then the language file, at the paths of AppPaths. A skin
// file that cannot be written says "Save file %s failed!" (always in English:
// no language file is loaded yet) and leaves the default skin.
void LoadSkinAndLanguage();

// Loads Dravik.dll by bare name, calls its DllRegisterServer and unloads it
// (shared with the command line, which registers it too).
using cx::RegisterInventoryService;

// Hands spare memory back to the system, then processes pending messages.
void TrimWorkingSet();

// The whole run: start-up, main window, message loop. Returns the exit code.
int RunApplication(int showCommand);

}  // namespace cx::app

#pragma once
// The application's own paths, computed once at start-up (InitAppPaths in app/).
// Everything the program writes for itself lives below AppDir. Directories end in "\".
#include <string>

namespace cx {

struct AppPathSet {
    std::string AppDir;
    std::string ConfigPath;
    std::string LangDir;
    std::string LanguagePath;  // replaced by the language menu when the user switches
    std::string HelpPath;
    std::string SkinDir;
    std::string SkinPath;
    std::string RegBackupDir;
    std::string ScrBackupDir;
};

// The process-wide set.
AppPathSet& AppPaths();

// Process-wide switches of the program list, stored in Config.ini.
struct HideFlags {
    bool HideScreenSaver = true;
    bool HideSysPatch = false;
};
HideFlags& Hide();

}  // namespace cx

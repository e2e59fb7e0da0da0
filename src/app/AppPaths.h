#pragma once
// The application's own paths, computed once at start-up (InitAppPaths). Everything
// the program writes for itself lives below AppDir. Directories end in "\".
// The layers below app/ never read these: they are handed the path they need.
#include <string>

namespace cx {

struct AppPathSet {
    std::string AppDir;
    std::string ConfigPath;
    std::string LangDir;
    std::string LanguagePath;
    std::string HelpPath;
    std::string SkinDir;
    std::string SkinPath;
    std::string RegBackupDir;
    std::string ScrBackupDir;
};

// The process-wide set.
AppPathSet& AppPaths();

}  // namespace cx

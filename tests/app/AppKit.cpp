#include "AppKit.h"

#include <windows.h>

#include "app/AppPaths.h"
#include "app/AppStart.h"
#include "app/Config.h"
#include "harness/TestKit.h"
#include "widgets/Seam.h"

namespace cx::test {

std::string PrepareAppCopy(const std::string& name) {
    std::string dir = FreshAppCopy(name);
    app::RegisterInventoryService((OutDir() + "Dravik.dll").c_str());
    return dir;
}

bool StartFresh(const std::string& appDir) {
    DeleteFileA((appDir + "Config.ini").c_str());
    // The switches live for the process; an earlier test may have flipped them.
    Hide() = HideFlags{};
    if (!app::InitAppPaths(appDir)) return false;
    app::LoadSkinAndLanguage();
    ui::SetApplicationTitle("Carvexo");
    return true;
}

}  // namespace cx::test

#include "app/AppStart.h"

#include "app/AppPaths.h"
#include "app/Config.h"
#include "app/MainForm.h"
#include "app/SplashForm.h"
#include "i18n/LangText.h"
#include "i18n/LanguageFile.h"
#include "platform/Com.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "skin/SkinFile.h"
#include "widgets/GdiplusSession.h"
#include "widgets/Seam.h"
#include "widgets/Window.h"

namespace cx::app {

bool InitAppPaths(const std::string& appDir) {
    AppPathSet& p = AppPaths();
    p.AppDir = appDir;
    p.ConfigPath = p.AppDir + "Config.ini";

    if (!FileExists(p.ConfigPath) && !config::WriteDefaultConfig(p.ConfigPath)) {
        // The language file is not loaded yet: this is always the English text,
        // and the caption is still the executable's name.
        ShowSaveFileFailed(p.ConfigPath);
        return false;
    }

    try {
        IniFile ini(p.ConfigPath);
        p.LangDir = p.AppDir + "Langs\\";
        p.HelpPath = p.LangDir + "Help.Chm";
        p.LanguagePath = p.LangDir + ini.ReadString(config::kSection, config::kLanguageFile,
                                                    config::kDefaultLanguageFile);
        p.SkinDir = p.AppDir + "Skins\\";
        p.SkinPath = p.SkinDir +
                     ini.ReadString(config::kSection, config::kSkinFile, config::kDefaultSkinFile);
        p.RegBackupDir = p.AppDir + "Back up\\reg\\";
        p.ScrBackupDir = p.AppDir + "Back up\\scr\\";
        Hide().HideSysPatch = ini.ReadBool(config::kSection, config::kHideSysPatch, false);
        Hide().HideScreenSaver = ini.ReadBool(config::kSection, config::kHideScreenSaver, true);

        ForceDirectories(p.LangDir);
        ForceDirectories(p.SkinDir);
    } catch (...) {
        return false;
    }
    return true;
}

void LoadSkinAndLanguage() {
    const AppPathSet& p = AppPaths();
    if (LoadSkinFile(p.SkinPath) == SkinLoad::NotWritten) ShowSaveFileFailed(p.SkinPath);
    LoadLanguageFile(p.LanguagePath);
}

void TrimWorkingSet() {
    OSVERSIONINFOA vi{};
    vi.dwOSVersionInfoSize = sizeof vi;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExA(&vi);
#pragma GCC diagnostic pop
    if (vi.dwPlatformId != VER_PLATFORM_WIN32_NT) return;
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
    ui::ProcessPendingMessages();
}

int RunApplication(int showCommand) {
    if (!InitAppPaths(ExeDirectory())) return 0;

    ComInit com;
    ui::SetApplicationTitle("Carvexo");
    ui::GdiplusSession gdiplus;

    RegisterInventoryService();
    LoadSkinAndLanguage();

    TMainForm mainForm;
    mainForm.CreateForm();

    // The main window stays hidden until the splash has closed.
    ShowSplash();
    mainForm.Show(showCommand);
    return ui::RunMessageLoop(mainForm.Accelerators(), mainForm.hwnd());
}

}  // namespace cx::app

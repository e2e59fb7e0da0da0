#pragma once
// The shell calls that open the system's tools, the help file, the product's
// web page and mail, and that hand single exports and reloads to regedit.
// Each is built here as a ShellCall and run through the seam (ui::ShellOpen).
// The system's tools are named by their full paths (SystemToolPath); throws
// AppError when the system does not tell where they are.
#include <windows.h>

#include <optional>
#include <string>

#include "backup/BackupPlan.h"
#include "widgets/Seam.h"

namespace cx::backup {

// Product settings: where "Online Resources..." and "Contact Technical
// Support..." lead. Both live on the project's own domain.
constexpr const char* kOnlineResourcesUrl = "https://carvexo.example.org/resources/";
constexpr const char* kSupportMailAddress = "support@carvexo.example.org";

ui::ShellCall RegeditCall(HWND owner);
ui::ShellCall ServicesCall(HWND owner);
ui::ShellCall ComponentsCall(HWND owner);
ui::ShellCall UpdateCall(HWND owner);
ui::ShellCall HelpCall(const std::string& helpPath);
ui::ShellCall OnlineResourcesCall();
ui::ShellCall ContactCall();
// regedit exporting the program's key into `filePath`, and importing
// `filePath`: full paths only (throws AppError for any other).
ui::ShellCall ExportCall(HWND owner, const std::string& filePath, Hive hive,
                         const std::string& registryName);
ui::ShellCall ReloadCall(HWND owner, const std::string& filePath);

// Where regedit keeps the key it shows on start (below HKEY_CURRENT_USER).
constexpr const char* kRegeditSettingsPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";
// Points regedit at the program's uninstall key: LastKey in its settings key,
// which is created when regedit has never stored any. Throws when it cannot.
void PointRegeditAt(Hive hive, const std::string& registryName);

// The save dialog of a single export: the file name preset to the registry
// name (made a valid file name) + ".reg", starting in `initialDir` when that
// folder exists. The chosen file's full path, or nothing when the user
// cancels. The current folder stays as it was.
std::optional<std::string> AskExportFile(HWND owner, const std::string& initialDir,
                                         const std::string& registryName);
// The open dialog of a reload, likewise.
std::optional<std::string> AskReloadFile(HWND owner, const std::string& initialDir);

}  // namespace cx::backup

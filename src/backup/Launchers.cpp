#include "backup/Launchers.h"

#include <commdlg.h>

#include <algorithm>

#include <vector>

#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/ShellRun.h"
#include "platform/Strings.h"

namespace cx::backup {

namespace {

ui::ShellCall Call(HWND owner, const char* verb, std::string file,
                   std::optional<std::string> parameters, std::optional<std::string> directory,
                   int show) {
    return ui::ShellCall{owner, verb, std::move(file), std::move(parameters), std::move(directory),
                         show};
}

// Two zero-terminated strings per filter, the list ending in a further zero.
const char kRegFilter[] = "Registration Files(*.reg)\0*.reg\0";

std::optional<std::string> RunFileDialog(bool save, HWND owner, const std::string& initialDir,
                                         const std::string& preset) {
    std::vector<char> file(MAX_PATH * 4, '\0');
    preset.copy(file.data(), std::min(preset.size(), static_cast<size_t>(MAX_PATH - 1)));
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = kRegFilter;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    const std::string dir = DirectoryExists(initialDir) ? initialDir : std::string();
    ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
    // The current folder stays as it was: a folder the user browsed to may hold
    // anything, and nothing is ever looked up there.
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    if (save) {
        ofn.Flags |= OFN_PATHMUSTEXIST;
        ofn.lpstrDefExt = "reg";
    }
    ui::ModalScope modal(owner);
    BOOL ok = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!ok) return std::nullopt;
    return std::string(file.data());
}

// The shell call names the tool by its full path; the seam's calls are ANSI.
std::string Tool(SystemTool tool) { return WideToAnsi(SystemToolPath(tool)); }

}  // namespace

ui::ShellCall RegeditCall(HWND owner) {
    return Call(owner, "Open", Tool(SystemTool::Regedit), std::nullopt, std::nullopt, SW_SHOW);
}
ui::ShellCall ServicesCall(HWND owner) {
    // The console by its full path, not the document through its association.
    return Call(owner, "Open", Tool(SystemTool::Mmc),
                QuoteArgument(Tool(SystemTool::ServicesConsole)), std::nullopt, SW_SHOW);
}
ui::ShellCall ComponentsCall(HWND owner) {
    return Call(owner, "Open", Tool(SystemTool::Control), "Appwiz.cpl ,2", std::nullopt, SW_SHOW);
}
ui::ShellCall UpdateCall(HWND owner) {
    return Call(owner, "Open", Tool(SystemTool::Control), "Appwiz.cpl ,1", std::nullopt, SW_SHOW);
}
ui::ShellCall HelpCall(const std::string& helpPath) {
    return Call(nullptr, "Open", helpPath, "", "", SW_SHOWNORMAL);
}
ui::ShellCall OnlineResourcesCall() {
    return Call(nullptr, "Open", kOnlineResourcesUrl, "", "", SW_SHOWNORMAL);
}
ui::ShellCall ContactCall() {
    return Call(nullptr, "Open", std::string("mailto:") + kSupportMailAddress, "", "",
                SW_SHOWNORMAL);
}
ui::ShellCall ExportCall(HWND owner, const std::string& filePath, Hive hive,
                         const std::string& registryName) {
    return Call(owner, "open", Tool(SystemTool::Regedit),
                ExportParameters(filePath, hive, registryName), std::nullopt, SW_SHOW);
}
ui::ShellCall ReloadCall(HWND owner, const std::string& filePath) {
    return Call(owner, "open", Tool(SystemTool::Regedit), ReloadParameters(filePath), std::nullopt,
                SW_SHOW);
}

void PointRegeditAt(Hive hive, const std::string& registryName) {
    reg::Key settings = reg::Key::Create(HKEY_CURRENT_USER, kRegeditSettingsPath);
    settings.SetString("LastKey", UninstallKeyPath(hive, registryName));
}

std::optional<std::string> AskExportFile(HWND owner, const std::string& initialDir,
                                         const std::string& registryName) {
    return RunFileDialog(true, owner, initialDir, SanitiseFileStem(registryName) + ".reg");
}

std::optional<std::string> AskReloadFile(HWND owner, const std::string& initialDir) {
    return RunFileDialog(false, owner, initialDir, std::string());
}

}  // namespace cx::backup

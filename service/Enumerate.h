#pragma once
// Reading the machine: the uninstall keys of both hives with the add/remove
// cache, and the screen savers of the system and Windows folders. A key or a
// file that cannot be read is passed over; nothing here fails the whole list.
#include <windows.h>

#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace cx::svc {

extern const char* const kUninstallPath;
extern const char* const kArpCachePath;

struct ProgramRecord {
    HKEY hive = nullptr;  // HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER
    std::string registryName;
    std::string displayName;
    std::string uninstallString;
    std::string publisher;
    std::string installLocation;
    std::string version;
    std::string installDate;
    std::string helpLink;
    std::string aboutLink;
    std::string updateLink;
    std::string lastUsed;
    long kind = 0;
    // Where the icon comes from: DisplayIcon, else the uninstaller's file.
    // Looked up only when asked for (ProgramIcon): a cold look-up reads the
    // file's resources, and a list shows a screenful of thousands of rows.
    std::string displayIcon;
    bool hasDisplayIcon = false;
    unsigned long usedFrequency = 0;
    float size = 0;  // bytes
};

struct ScreenSaverRecord {
    std::string file;    // name only
    std::string folder;  // ends in "\"
    std::string title;
    std::string publisher;
    long icon = 0;
    unsigned long size = 0;  // bytes, capped at 4 GB - 1
    std::string lastUsed;
};

// Indexes in the system image list (small icons), looked up once per path.
class IconCache {
public:
    // The icon of an existing file; nothing when the shell does not know the path.
    std::optional<long> FileIcon(const std::string& path);
    // The shell's icon for programs in general.
    long GenericProgramIcon();

private:
    std::unordered_map<std::string, std::optional<long>> byPath_;
    std::optional<long> generic_;
};

// Programs of HKLM, then of HKCU, each hive in its enumeration order.
std::vector<ProgramRecord> EnumeratePrograms();
// The programs of one hive's uninstall key (for tests and for the above).
void AppendPrograms(HKEY hive, std::vector<ProgramRecord>& out);
// A program's icon in the system image list: its DisplayIcon's file, else its
// uninstaller's, else the shell's icon for programs.
long ProgramIcon(const ProgramRecord& record, IconCache& icons);

// Screen savers of the given folders; a name seen in an earlier folder is not listed again.
std::vector<ScreenSaverRecord> EnumerateScreenSavers(const std::vector<std::string>& folders);
// The system folder, then the Windows folder.
std::vector<ScreenSaverRecord> EnumerateScreenSavers();
// Title (string 1, else the version's FileDescription) and publisher (CompanyName) of a file.
std::pair<std::string, std::string> ReadScreenSaverTexts(const std::string& path);

// Every value of an uninstall key, rendered: (name, text) in enumeration order.
// Empty when the key cannot be opened or the name is not a single key name.
std::vector<std::pair<std::string, std::string>> ReadRenderedValues(HKEY hive,
                                                                    const std::string& keyName);
// Writes the "Comments" value of an existing uninstall key; returns the Win32 error.
LONG WriteComment(HKEY hive, const std::string& keyName, const std::string& text) noexcept;

}  // namespace cx::svc

#pragma once
// The rules of the inventory, as plain functions over data: which uninstall
// entries are listed, which of them are system patches, how registry values and
// the add/remove cache are read, and how dates are shown. Nothing here opens a
// key or a file, so every rule can be tried on made-up data.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Registry.h"

namespace cx::svc {

// Every text the service hands out is cut to this many characters: a 1 MB
// display name is bad data, not something a list row can show.
constexpr size_t kMaxTextChars = 4096;
// Command lines keep the longest length CreateProcess accepts.
constexpr size_t kMaxCommandChars = 32767;

// Cuts `s` to at most `maxChars` bytes without splitting a double-byte character.
std::string CapText(std::string s, size_t maxChars = kMaxTextChars);

// What one uninstall key says. A value of the wrong type counts as absent.
struct UninstallEntry {
    std::string keyName;
    std::optional<std::string> displayName;
    std::optional<std::string> uninstallString;
    std::optional<std::string> publisher;
    std::optional<std::string> installLocation;
    std::optional<std::string> displayVersion;
    std::optional<std::string> installDate;
    std::optional<std::string> helpLink;
    std::optional<std::string> aboutLink;   // URLInfoAbout
    std::optional<std::string> updateLink;  // URLUpdateInfo
    std::optional<std::string> displayIcon;
    std::optional<std::string> releaseType;
    std::optional<std::string> parentKeyName;
    std::optional<DWORD> systemComponent;
    std::optional<DWORD> estimatedSizeKb;
};

// Reads the values the inventory uses from a key's values (names match without
// regard to case, as the registry's do). Texts are capped.
UninstallEntry ParseUninstallEntry(const std::string& keyName,
                                   const std::vector<reg::Value>& values);

// Listed: it has a display name or an uninstall command, and is not a system component.
bool IsListed(const UninstallEntry& e);

// The ReleaseType texts of system patches (case-insensitive, blanks around ignored).
bool IsPatchReleaseType(std::string_view releaseType);
// "KB" and digits, optionally followed by a revision "v2" or "-v2"; nothing else.
bool IsPatchKeyName(std::string_view keyName);
// What IProgramItem::Kind answers (clients rely on the numbers).
inline constexpr long kKindProgram = 0;
inline constexpr long kKindPatch = 1;
// kKindPatch for a system patch, kKindProgram for an ordinary program.
long ProgramKind(const UninstallEntry& e);

// The add/remove cache record of one program (value SlowInfoCache).
struct SlowInfo {
    std::optional<uint64_t> installSize;  // bytes
    std::optional<FILETIME> lastUsed;     // UTC
    std::optional<DWORD> frequency;
};
constexpr size_t kSlowInfoCacheSize = 552;
// Decodes the record; nothing when its size is not the record's or its size
// field disagrees. Unknown fields (-1, 0 times) stay empty.
std::optional<SlowInfo> DecodeSlowInfoCache(const std::vector<BYTE>& data);

// A date in the user's short date format.
std::string FormatShortDate(const SYSTEMTIME& date);
// yyyymmdd as a short date. Anything else (other layouts, impossible dates) is
// shown as stored: the text is all the user has, and dropping it loses it.
std::string FormatInstallDate(std::string_view stored);
// A UTC file time as the local short date; empty for a zero time.
std::string FormatFileTimeDate(const FILETIME& utc);

// A registry value as readable text: strings as they are, numbers in decimal,
// multi-strings joined by " | ", everything else as hex bytes "01 02 ff".
// Long results are cut and end in "...".
std::string RenderValueData(DWORD type, const std::vector<BYTE>& data);

// "C:\x.dll,3" or "\"C:\x.exe\"" -> the path without quotes and the icon index.
struct IconLocation {
    std::string path;
    int index = 0;
};
IconLocation ParseIconLocation(std::string_view displayIcon);
// The program an uninstall command runs: the quoted first token, else the text
// up to a ".exe" that ends a word, else the first blank-separated token.
std::string UninstallerPath(std::string_view command);

// One folder's screen-saver file names, in the order the folders are searched.
struct FolderFiles {
    std::string folder;  // ends in "\"
    std::vector<std::string> names;
};
struct FileRef {
    std::string folder;
    std::string name;
};
// Each file name once (case-insensitive); the first folder that has it wins.
std::vector<FileRef> MergeScreenSaverFolders(const std::vector<FolderFiles>& folders);

}  // namespace cx::svc

#pragma once
// What changes on a machine while a setup runs that is not the setup's doing:
// Windows' own lists of recent things, caches, logs and temporary files, the
// Installer's bookkeeping under names of its own making, and Carvexo's own
// files. One table holds every rule (kNoiseRules); a watched install leaves
// out whatever lies at or below a place it names, from both snapshots alike.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegPath.h"

namespace cx::cleanup {

struct NoiseRule {
    // A registry key as "HKLM\..." or "HKCU\...", or a folder beginning with
    // one of the place names NoiseFilter knows ("%TEMP%\...", "%LOCALAPPDATA%\...").
    const wchar_t* place;
    const char* why;
};
extern const std::vector<NoiseRule> kNoiseRules;

class NoiseFilter {
public:
    // `folderOf` gives the folder a place name stands for ("TEMP", "WINDIR",
    // "APPDATA", "LOCALAPPDATA", "PROGRAMDATA", "APPDIR": Carvexo's own
    // folder), empty when there is none: the rules on it are then left out.
    NoiseFilter(const std::vector<NoiseRule>& rules,
                const std::function<std::wstring(const std::wstring& name)>& folderOf);
    // This machine's folders, with `appDir` as Carvexo's own.
    static NoiseFilter ForThisMachine(const std::wstring& appDir);

    bool IsNoiseKey(RegHive hive, std::wstring_view path) const;
    bool IsNoiseFile(std::wstring_view path) const;

private:
    struct Key {
        RegHive hive;
        std::wstring path;
    };
    std::vector<Key> keys_;
    std::vector<std::wstring> folders_;
};

}  // namespace cx::cleanup

#include "app/Config.h"

namespace cx {

HideFlags& Hide() {
    static HideFlags flags;
    return flags;
}

}  // namespace cx

namespace cx::config {

bool WriteDefaultConfig(const std::string& path) noexcept {
    try {
        IniFile ini(path);
        ini.WriteString(kSection, kSkinFile, kDefaultSkinFile);
        ini.WriteString(kSection, kLanguageFile, kDefaultLanguageFile);
        ini.WriteBool(kSection, kHideScreenSaver, Hide().HideScreenSaver);
        ini.WriteBool(kSection, kHideSysPatch, Hide().HideSysPatch);
        return true;
    } catch (...) {
        return false;
    }
}

void WriteHideSysPatch(const std::string& path, bool value) {
    IniFile(path).WriteBool(kSection, kHideSysPatch, value);
}

void WriteHideScreenSaver(const std::string& path, bool value) {
    IniFile(path).WriteBool(kSection, kHideScreenSaver, value);
}

}  // namespace cx::config

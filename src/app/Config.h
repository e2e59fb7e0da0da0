#pragma once
// Config.ini: the settings that survive between runs, section "config".
#include <string>

#include "platform/Ini.h"

namespace cx {

// Process-wide switches of the program list, stored in Config.ini.
struct HideFlags {
    bool HideScreenSaver = true;
    bool HideSysPatch = false;
};
HideFlags& Hide();

}  // namespace cx

namespace cx::config {

inline constexpr const char* kSection = "config";
inline constexpr const char* kLanguageFile = "LanguageFile";
inline constexpr const char* kSkinFile = "SkinFile";
inline constexpr const char* kHideScreenSaver = "HideScreenSaver";
inline constexpr const char* kHideSysPatch = "HideSysPatch";
inline constexpr const char* kDefaultLanguageFile = "English.ini";
inline constexpr const char* kDefaultSkinFile = "Default.ini";

// Writes the four keys in their fixed order (the hide flags as they are now).
// False as soon as one write fails; nothing is shown here.
bool WriteDefaultConfig(const std::string& path) noexcept;

// Stores one hide switch; throws AppError "Unable to write to <path>".
void WriteHideSysPatch(const std::string& path, bool value);
void WriteHideScreenSaver(const std::string& path, bool value);

}  // namespace cx::config

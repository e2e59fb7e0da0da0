#include "skin/SkinFile.h"

#include <windows.h>

#include <exception>

#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Ini.h"
#include "skin/SkinSettings.h"

namespace cx {

bool WriteDefaultSkinFile(const std::string& path) {
    try {
        IniFile ini(path);
        for (int i = 0; i < SK_COUNT; ++i) {
            SkinKey key = static_cast<SkinKey>(i);
            ini.WriteString(SkinSection(key), SkinKeyName(key), SkinValue(key));
        }
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

SkinLoad LoadSkinFile(const std::string& path) {
    if (!FileExists(path) && !WriteDefaultSkinFile(path)) return SkinLoad::NotWritten;
    try {
        IniFile ini(path);
        for (int i = 0; i < SK_COUNT; ++i) {
            SkinKey key = static_cast<SkinKey>(i);
            SetSkinValue(key, ini.ReadString(SkinSection(key), SkinKeyName(key), SkinValue(key)));
        }
    } catch (const std::exception&) {
        return SkinLoad::NotRead;
    }
    return SkinLoad::Read;
}

}  // namespace cx

#include "skin/SkinFile.h"

#include <windows.h>

#include <exception>

#include "i18n/LanguageFile.h"
#include "platform/AppPaths.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Ini.h"
#include "skin/SkinSettings.h"
#include "widgets/Seam.h"

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

bool LoadSkinFile() { return LoadSkinFile(AppPaths().SkinPath); }

bool LoadSkinFile(const std::string& path) {
    if (!FileExists(path) && !WriteDefaultSkinFile(path)) {
        // The skin is loaded before any language file, so this is the English text.
        ShowSaveFileFailed(path);
        return false;
    }
    try {
        IniFile ini(path);
        for (int i = 0; i < SK_COUNT; ++i) {
            SkinKey key = static_cast<SkinKey>(i);
            SetSkinValue(key, ini.ReadString(SkinSection(key), SkinKeyName(key), SkinValue(key)));
        }
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

}  // namespace cx

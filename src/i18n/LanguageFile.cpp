#include "i18n/LanguageFile.h"

#include <windows.h>

#include <exception>

#include "i18n/LangText.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Ini.h"
#include "platform/Strings.h"
#include "widgets/Seam.h"

namespace cx {

namespace {

constexpr const char* kSection = "Language";

// Returned for a key the file lacks. The profile functions cut trailing blanks
// off the default they are given, so passing the current text would turn
// "Publisher: " into "Publisher:" for every key a translation leaves out; this
// text has none, and no value read from a file can be a lone control character.
constexpr const char* kMissing = "\x01";

// The profile functions drop blanks around a value and one pair of matching
// quotes around it; quoting such values makes them read back unchanged.
std::string QuoteForProfile(const std::string& value) {
    if (value.empty()) return value;
    unsigned char first = static_cast<unsigned char>(value.front());
    unsigned char last = static_cast<unsigned char>(value.back());
    bool blankEnds = first <= 32 || last <= 32;
    bool quotedAlready = value.size() >= 2 && first == last && (first == '"' || first == '\'');
    return blankEnds || quotedAlready ? "\"" + value + "\"" : value;
}

}  // namespace

std::string ConvertLineBreaks(std::string_view text, bool toDisplay) {
    std::string s = TrimControl(text);
    if (toDisplay) return ReplaceAll(s, "#13", "\r\n");
    s = ReplaceAll(s, "\r\n", "#13");
    s = ReplaceAll(s, "\n", "#13");
    return ReplaceAll(s, "\r", "#13");
}

bool WriteDefaultLanguageFile(const std::string& path) {
    try {
        IniFile ini(path);
        for (int i = 0; i < IDS_COUNT; ++i) {
            Ids key = static_cast<Ids>(i);
            std::string value =
                IsConvertedEntry(key) ? ConvertLineBreaks(LangText(key), false) : LangText(key);
            ini.WriteString(kSection, LangKeyForWrite(key), QuoteForProfile(value));
        }
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

void ShowSaveFileFailed(const std::string& path) {
    ui::ShowMessage(nullptr,
                    Format(LangFormatText(IDS_MESSAGEBOX_WARNING_SaveFileFailed), path.c_str()),
                    ui::ApplicationTitle(), MB_OK | MB_ICONERROR);
}

bool LoadLanguageFile(const std::string& path) {
    if (!FileExists(path) && !WriteDefaultLanguageFile(path)) {
        ShowSaveFileFailed(path);
        return false;
    }
    try {
        IniFile ini(path);
        for (int i = 0; i < IDS_COUNT; ++i) {
            Ids key = static_cast<Ids>(i);
            std::string value = ini.ReadString(kSection, LangKeyForRead(key), kMissing);
            if (value == kMissing) value = LangText(key);
            if (IsConvertedEntry(key)) value = ConvertLineBreaks(value, true);
            SetLangText(key, std::move(value));
        }
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

}  // namespace cx

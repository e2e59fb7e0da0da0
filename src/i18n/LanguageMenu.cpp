#include "i18n/LanguageMenu.h"

#include "platform/Files.h"
#include "platform/Strings.h"

namespace cx {

std::vector<LanguageChoice> PlanLanguageMenu(const std::vector<std::string>& fileNames,
                                             const std::string& currentFileName) {
    std::vector<LanguageChoice> out;
    for (const std::string& name : fileNames) {
        LanguageChoice c;
        c.caption = name.substr(0, name.find('.'));
        c.fileName = name;
        c.checked = EqualsNoCase(name, currentFileName);
        out.push_back(std::move(c));
    }
    return out;
}

std::vector<std::string> ListLanguageFiles(const std::string& langDir) {
    std::vector<std::string> names;
    ForEachFolderEntry(
        AnsiToWide(langDir),
        [&](const WIN32_FIND_DATAW& e) {
            if (e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return true;
            std::wstring name = e.cFileName;
            // The pattern also matches short names ("LANGUA~1.INI" of "x.ini.bak").
            if (name.size() < 4 || !EqualsNoCase(WideToAnsi(name.substr(name.size() - 4)), ".ini"))
                return true;
            if (IsAnsiFaithful(name)) names.push_back(WideToAnsi(name));
            return true;
        },
        L"*.ini");
    return names;
}

std::string FileNameOfPath(const std::string& path) {
    size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace cx

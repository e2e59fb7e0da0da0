#include "platform/Ini.h"

#include <windows.h>

#include <cstdlib>
#include <vector>

#include "platform/Error.h"

namespace cx {

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& def) const {
    std::vector<char> buf(kValueBuffer);
    DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buf.data(),
                                       static_cast<DWORD>(buf.size()), path_.c_str());
    return std::string(buf.data(), n);
}

// Whole numbers are booleans: 0 is false, any other number true; text that is
// not a number gives the default.
bool IniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
    std::string s = ReadString(section, key, def ? "1" : "0");
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || end == s.c_str() || *end != '\0') return def;
    return v != 0;
}

void IniFile::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) const {
    if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path_.c_str()))
        throw AppError(Format("Unable to write to %s", path_.c_str()));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value) const {
    WriteString(section, key, value ? "1" : "0");
}

}  // namespace cx

#include "platform/RegPath.h"

#include "platform/Strings.h"

namespace cx {

namespace {

constexpr RegHive kHives[] = {RegHive::ClassesRoot, RegHive::CurrentUser, RegHive::LocalMachine};

}  // namespace

std::optional<RegHive> ParseHive(std::string_view name, HiveSpelling spelling) {
    for (RegHive h : kHives) {
        const std::string_view known = HiveName(h);
        if (spelling == HiveSpelling::Exact ? name == known : EqualsNoCase(name, known)) return h;
    }
    return std::nullopt;
}

const char* HiveName(RegHive hive) {
    switch (hive) {
    case RegHive::ClassesRoot: return "HKEY_CLASSES_ROOT";
    case RegHive::CurrentUser: return "HKEY_CURRENT_USER";
    case RegHive::LocalMachine: break;
    }
    return "HKEY_LOCAL_MACHINE";
}

HKEY HiveKey(RegHive hive) {
    switch (hive) {
    case RegHive::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RegHive::CurrentUser: return HKEY_CURRENT_USER;
    case RegHive::LocalMachine: break;
    }
    return HKEY_LOCAL_MACHINE;
}

std::wstring RegPath::Parent() const {
    const size_t at = key.rfind(L'\\');
    return at == std::wstring::npos ? std::wstring() : key.substr(0, at);
}

std::wstring RegPath::Name() const {
    const size_t at = key.rfind(L'\\');
    return at == std::wstring::npos ? key : key.substr(at + 1);
}

std::wstring RegKeyName(RegHive hive, std::wstring_view key) {
    std::wstring out = AnsiToWide(HiveName(hive));
    if (!key.empty()) out.append(L"\\").append(key);
    return out;
}

std::string RegPathText(const RegPath& path) {
    std::string text = HiveName(path.hive);
    if (!path.key.empty()) text += "\\" + WideToAnsi(path.key);
    if (path.value) text += "\\" + WideToAnsi(*path.value);
    return text;
}

}  // namespace cx

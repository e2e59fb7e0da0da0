#include "cleanup/UninstallEntry.h"

#include <windows.h>

#include <cctype>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/RegPath.h"
#include "platform/Registry.h"
#include "platform/Strings.h"

namespace cx::cleanup {

namespace {

constexpr const char* kUninstallPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

template <class Char>
bool IsBlank(Char c) {
    return c == Char(' ') || c == Char('\t');
}

template <class Char>
CommandWordsOf<Char> SplitCommandOf(std::basic_string_view<Char> s) {
    CommandWordsOf<Char> out;
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    if (i < s.size() && s[i] == Char('"')) {
        size_t close = s.find(Char('"'), i + 1);
        // An unclosed quote runs nothing we know.
        if (close == std::basic_string_view<Char>::npos) return out;
        out.program = s.substr(i + 1, close - i - 1);
        i = close + 1;
    } else {
        size_t start = i;
        while (i < s.size() && !IsBlank(s[i]) && s[i] != Char('/')) ++i;
        out.program = s.substr(start, i - start);
    }
    while (i < s.size()) {
        while (i < s.size() && IsBlank(s[i])) ++i;
        size_t start = i;
        while (i < s.size() && !IsBlank(s[i])) ++i;
        if (i > start) out.args.emplace_back(s.substr(start, i - start));
    }
    return out;
}

bool RunsMsiExec(const std::string& program) {
    size_t slash = program.find_last_of("\\/:");
    std::string file = program.substr(slash == std::string::npos ? 0 : slash + 1);
    return EqualsNoCase(file, "msiexec") || EqualsNoCase(file, "msiexec.exe");
}

// The product code an /I or /X switch names, joined to it or as the next word.
bool NamesProduct(const std::vector<std::string>& args, const std::string& code) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || (a[0] != '/' && a[0] != '-')) continue;
        const char sw = static_cast<char>(std::tolower(static_cast<unsigned char>(a[1])));
        if (sw != 'i' && sw != 'x') continue;
        std::string named = a.size() > 2 ? a.substr(2) : (i + 1 < args.size() ? args[i + 1] : "");
        if (EqualsNoCase(named, code)) return true;
    }
    return false;
}

std::vector<HKEY> HivesOf(const std::string& hive) {
    const std::optional<RegHive> h = ParseHive(hive);
    if (h == RegHive::LocalMachine || h == RegHive::CurrentUser) return {HiveKey(*h)};
    return {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};
}

}  // namespace

CommandWordsOf<char> SplitCommand(std::string_view commandLine) {
    return SplitCommandOf(commandLine);
}
CommandWordsOf<wchar_t> SplitCommand(std::wstring_view commandLine) {
    return SplitCommandOf(commandLine);
}

bool IsProductCode(const std::string& text) {
    static constexpr std::string_view kShape = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    if (text.size() != kShape.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (kShape[i] == 'X') {
            if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
        } else if (text[i] != kShape[i]) {
            return false;
        }
    }
    return true;
}

std::string UninstallCommand(const std::string& uninstallString, const std::string& registryName,
                             bool windowsInstaller) {
    if (!windowsInstaller || !IsProductCode(registryName)) return uninstallString;
    CommandWordsOf<char> words = SplitCommand(uninstallString);
    if (!RunsMsiExec(words.program) || !NamesProduct(words.args, registryName))
        return uninstallString;
    return "MsiExec.exe /X" + registryName;
}

bool IsWindowsInstallerEntry(const std::string& hive, const std::string& registryName) {
    // The product code shape also keeps the name from being a path of keys.
    if (!IsProductCode(registryName)) return false;
    for (HKEY root : HivesOf(hive)) {
        auto entry = reg::Key::Open(root, std::string(kUninstallPath) + "\\" + registryName);
        if (!entry) continue;
        auto mark = entry->RawValue("WindowsInstaller");
        if (mark && mark->type == REG_DWORD && mark->data.size() == sizeof(DWORD)) {
            DWORD v = 0;
            memcpy(&v, mark->data.data(), sizeof v);
            return v == 1;
        }
        return false;
    }
    return false;
}

std::optional<std::string> QuietUninstallString(const std::string& hive,
                                                const std::string& registryName) {
    // A command line holds at most 32,767 characters.
    constexpr size_t kMaxCommandChars = 32767;
    if (registryName.empty() || registryName.find('\\') != std::string::npos) return std::nullopt;
    for (HKEY root : HivesOf(hive)) {
        auto uninstall = reg::Key::Open(root, kUninstallPath);
        if (!uninstall) continue;
        auto entry = uninstall->OpenSub(registryName);
        if (!entry) continue;
        auto value = entry->RawValue("QuietUninstallString");
        if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ)) return std::nullopt;
        std::string text = reg::StringFromData(value->data);
        if (value->type == REG_EXPAND_SZ) text = ExpandEnvironment(text, kMaxCommandChars);
        if (TrimControl(text).empty() || text.size() > kMaxCommandChars) return std::nullopt;
        return text;
    }
    return std::nullopt;
}

bool UninstallEntryRemains(const std::string& registryName) {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        HKEY raw = nullptr;
        LONG rc = RegOpenKeyExA(root, kUninstallPath, 0, KEY_READ, &raw);
        if (rc == ERROR_FILE_NOT_FOUND) continue;
        if (rc != ERROR_SUCCESS) return true;
        unique_hkey uninstall(raw);
        // Compared with the names as the list read them (the 8-bit enumeration),
        // not opened by name: a name that does not convert back faithfully would
        // otherwise look gone while its key is still there.
        for (const std::string& name : reg::SubKeyNames(uninstall.get()))
            if (EqualsNoCase(name, registryName)) return true;
    }
    return false;
}

}  // namespace cx::cleanup

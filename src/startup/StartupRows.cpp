#include "startup/StartupRows.h"

#include <cctype>
#include <cstring>
#include <cwchar>

#include "platform/Error.h"
#include "platform/Strings.h"

namespace cx::startup {

const char* const kRunKeys[kRunKeyCount] = {
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\Setup",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx",
};

const char* const kKeptSubfolders[kFolderCount] = {"CurrentUser", "AllUsers"};

bool PlainEntryName(const std::wstring& name) {
    if (name.empty() || name == L"." || name == L"..") return false;
    for (wchar_t c : name)
        if (c < 32 || wcschr(L"\\/:*?\"<>|", c)) return false;
    return true;
}

std::wstring KeptFolderFor(const std::wstring& backupDir, const std::wstring& computer,
                           const std::wstring& account, int folder) {
    // A blank or dot at the end of a folder name would be cut off by the system.
    auto plain = [](const std::wstring& n) {
        return PlainEntryName(n) && n.back() != L'.' && n.back() != L' ';
    };
    if (backupDir.empty() || !plain(computer) || !plain(account)) return {};
    std::wstring dir = backupDir;
    if (dir.back() != L'\\') dir += L'\\';
    return dir + L"accounts\\" + computer + L"\\" + account + L"\\" +
           AnsiToWide(kKeptSubfolders[folder]) + L"\\";
}

Refusal MoveRefusal(const StartupEntry& e) {
    if (e.source == Source::Folder) return e.foreign ? Refusal::NotThisAccounts : Refusal::None;
    if (e.keyIndex == kRunOnceExKey) return Refusal::RunOnceEx;
    return e.valueName.find(L'\0') != std::wstring::npos ? Refusal::NulInName : Refusal::None;
}

Refusal DeleteRefusal(const StartupEntry& e) {
    if (e.source == Source::Folder) return e.foreign ? Refusal::NotThisAccounts : Refusal::None;
    return e.valueName.find(L'\0') != std::wstring::npos ? Refusal::NulInName : Refusal::None;
}

const char* RefusalText(Refusal why) {
    switch (why) {
    case Refusal::None: break;
    case Refusal::NulInName:
        return "its value name holds a NUL character, and the registry would act on the value "
               "named by the part before it";
    case Refusal::InexactName:
        return "its name cannot be handed to the file functions exactly, so another file could "
               "be reached in its place";
    case Refusal::RunOnceEx:
        return "Windows runs every subkey of RunOnceEx once, so there is no place there to keep "
               "it from running; it can only be deleted";
    case Refusal::NotThisAccounts:
        return "an earlier version kept it in a folder all accounts shared, and it cannot be "
               "told to be this account's; it stays where it is";
    }
    return "";
}

std::string FailureName(const StartupEntry& e, Refusal why) {
    if (why == Refusal::None) return e.Name;
    return (e.Name.empty() ? std::string("(Default)") : e.Name) + " (" + RefusalText(why) + ")";
}

std::string ShownName(const std::wstring& valueName) {
    std::string out;
    size_t start = 0;
    for (;;) {
        size_t nul = valueName.find(L'\0', start);
        out += WideToAnsi(std::wstring_view(valueName).substr(start, nul - start));
        if (nul == std::wstring::npos) return out;
        out += "\\0";
        start = nul + 1;
    }
}

const char* HiveText(Hive hive) { return hive == Hive::User ? "HKCU" : "HKLM"; }

HKEY HiveRoot(Hive hive) { return hive == Hive::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

std::string RegistryLocation(Hive hive, int keyIndex) {
    return std::string(HiveText(hive)) + "\\" + kRunKeys[keyIndex];
}

std::vector<size_t> PlanApply(const std::vector<StartupEntry>& rows,
                              const std::vector<bool>& checked) {
    std::vector<size_t> moves;
    for (size_t i = 0; i < rows.size() && i < checked.size(); ++i)
        if (NeedsMove(rows[i], checked[i])) moves.push_back(i);
    return moves;
}

std::wstring WideFromData(const std::vector<BYTE>& data) {
    std::wstring s(data.size() / 2, L'\0');
    if (!s.empty()) memcpy(s.data(), data.data(), s.size() * sizeof(wchar_t));
    size_t nul = s.find(L'\0');
    if (nul != std::wstring::npos) s.resize(nul);
    return s;
}

int FindRowByName(const std::vector<StartupEntry>& rows, const std::string& text, int start,
                  bool partial, bool wrap) {
    const int count = static_cast<int>(rows.size());
    if (count == 0) return -1;
    if (start < 0 || start >= count) start = 0;
    const int len = static_cast<int>(text.size());
    for (int step = 0; step < count; ++step) {
        const int r = start + step;
        if (r >= count && !wrap) break;
        const std::string& name = rows[r % count].Name;
        if (static_cast<int>(name.size()) < len || (!partial && static_cast<int>(name.size()) != len))
            continue;
        if (CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, name.data(), len, text.data(),
                           len) == CSTR_EQUAL)
            return r % count;
    }
    return -1;
}

namespace {

std::string HexBytes(const std::vector<BYTE>& data) {
    std::string out;
    size_t shown = std::min(data.size(), kMaxShownBytes);
    for (size_t i = 0; i < shown; ++i) {
        if (i) out += ' ';
        out += Format("%02X", data[i]);
    }
    if (shown < data.size()) out += " ...";
    return out;
}

std::string MultiText(const std::vector<BYTE>& data) {
    std::wstring all(data.size() / 2, L'\0');
    if (!all.empty()) memcpy(all.data(), data.data(), all.size() * sizeof(wchar_t));
    std::string out;
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find(L'\0', start);
        if (end == std::wstring::npos) end = all.size();
        if (end == start) break;  // the empty string ends the list
        if (!out.empty()) out += ' ';
        out += WideToAnsi(std::wstring_view(all).substr(start, end - start));
        start = end + 1;
    }
    return out;
}

}  // namespace

std::string DataText(DWORD type, const std::vector<BYTE>& data) {
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: return WideToAnsi(WideFromData(data));
    case REG_MULTI_SZ: return MultiText(data);
    case REG_DWORD:
        if (data.size() == 4) {
            DWORD v;
            memcpy(&v, data.data(), 4);
            return Format("0x%08lX (%lu)", v, v);
        }
        break;
    case REG_QWORD:
        if (data.size() == 8) {
            unsigned long long v;
            memcpy(&v, data.data(), 8);
            return Format("0x%016llX (%llu)", v, v);
        }
        break;
    default: break;
    }
    return HexBytes(data);
}

std::string FailureList(const std::vector<std::string>& names) {
    std::string out;
    size_t shown = std::min(names.size(), kNamedFailures);
    for (size_t i = 0; i < shown; ++i) {
        if (i) out += ", ";
        // The default value has no name; say which it is rather than nothing.
        out += names[i].empty() ? "(Default)" : names[i];
    }
    if (shown < names.size()) out += Format(" and %u more", static_cast<unsigned>(names.size() - shown));
    return out;
}

namespace {

// The Item Info's oldest rule: everything before the first "/", quotes removed.
std::string SlashRule(const std::string& command) {
    std::string target = command.substr(0, command.find('/'));
    std::string out;
    for (char c : target)
        if (c != '"') out += c;
    return out;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string CommandTarget(const std::string& command,
                          const std::function<std::string(const std::string&)>& expand,
                          const std::function<bool(const std::string&)>& exists) {
    const std::string expanded = expand ? expand(command) : command;
    size_t b = 0;
    while (b < expanded.size() && IsBlank(expanded[b])) ++b;
    const std::string text = expanded.substr(b);
    if (!text.empty() && text[0] == '"') {
        size_t close = text.find('"', 1);
        std::string token = text.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        if (!token.empty()) return token;
    }
    // Longest first: "C:\Program Files\App\app.exe -min" must not stop at "C:\Program".
    for (size_t end = text.size(); end > 0;) {
        std::string part = text.substr(0, end);
        while (!part.empty() && IsBlank(part.back())) part.pop_back();
        if (!part.empty()) {
            if (exists(part)) return part;
            // A command may leave ".exe" out, as the system's own search does.
            if (ExtractFileName(part).find('.') == std::string::npos && exists(part + ".exe"))
                return part + ".exe";
        }
        size_t blank = text.find_last_of(" \t", end - 1);
        if (blank == std::string::npos) break;
        end = blank;
    }
    return SlashRule(expanded);
}

std::string EnsureTrailingBackslash(const std::string& path) {
    if (!path.empty() && path.back() == '\\') return path;
    return path + "\\";
}

std::string TargetFileName(const std::string& target) {
    size_t cut = target.find_last_of("\\:");
    return cut == std::string::npos ? target : target.substr(cut + 1);
}

std::optional<std::string> FullTarget(const std::string& target) {
    auto sep = [](char c) { return c == '\\' || c == '/'; };
    const bool drive = target.size() >= 3 && isalpha(static_cast<unsigned char>(target[0])) &&
                       target[1] == ':' && sep(target[2]);
    // "\\?\" and "\\.\" name the system's own name spaces, not a share.
    const bool share = target.size() >= 3 && sep(target[0]) && sep(target[1]) && !sep(target[2]) &&
                       target[2] != '?' && target[2] != '.';
    if (!drive && !share) return std::nullopt;
    const std::wstring wide = AnsiToWide(target);
    std::wstring full(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD n =
            GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0) return std::nullopt;
        if (n < full.size()) {
            full.resize(n);
            return WideToAnsi(full);
        }
        full.assign(n, L'\0');
    }
    return std::nullopt;
}

std::string RunValueName(const std::string& target) {
    std::string name = TargetFileName(target);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string RunValueData(const std::string& target) {
    bool quoted = target.size() >= 2 && target.front() == '"' && target.back() == '"';
    if (quoted || target.find_first_of(" \t") == std::string::npos) return target;
    return "\"" + target + "\"";
}

std::string LinkPathFor(const std::string& folder, const std::string& target) {
    return EnsureTrailingBackslash(folder) + RunValueName(target) + ".lnk";
}

}  // namespace cx::startup

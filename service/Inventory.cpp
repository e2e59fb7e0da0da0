#include "Inventory.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "platform/Error.h"
#include "platform/Strings.h"

namespace cx::svc {

std::string CapText(std::string s, size_t maxChars) {
    if (s.size() <= maxChars) return s;
    size_t i = 0;
    while (i < maxChars) {
        size_t step = IsDBCSLeadByte(static_cast<BYTE>(s[i])) ? 2 : 1;
        if (i + step > maxChars) break;
        i += step;
    }
    s.resize(i);
    return s;
}

namespace {

const reg::Value* FindValue(const std::vector<reg::Value>& values, std::string_view name) {
    for (const auto& v : values)
        if (EqualsNoCase(v.name, name)) return &v;
    return nullptr;
}

std::optional<std::string> StringValue(const std::vector<reg::Value>& values, std::string_view name,
                                       size_t cap = kMaxTextChars) {
    const reg::Value* v = FindValue(values, name);
    if (!v || (v->type != REG_SZ && v->type != REG_EXPAND_SZ)) return std::nullopt;
    // Only the capped part is ever needed: keep a 1 MB text from being copied whole.
    std::vector<BYTE> head(v->data.begin(), v->data.begin() + std::min(v->data.size(), cap + 1));
    return CapText(reg::StringFromData(head), cap);
}

// A command or a folder stored as REG_EXPAND_SZ ("%ProgramFiles%\\Acme") means
// the expanded text: run, opened and judged as written it would name a folder
// called "%ProgramFiles%" in whatever the current directory is. REG_SZ stays
// literal, as the system's own Programs and Features reads it.
std::optional<std::string> ExpandedStringValue(const std::vector<reg::Value>& values,
                                               std::string_view name, size_t cap = kMaxTextChars) {
    std::optional<std::string> text = StringValue(values, name, kMaxCommandChars);
    const reg::Value* v = FindValue(values, name);
    if (!text || !v || v->type != REG_EXPAND_SZ || text->find('%') == std::string::npos)
        return text ? std::optional<std::string>(CapText(std::move(*text), cap)) : std::nullopt;
    // Kept as stored when it cannot be expanded: better a literal text than none.
    return CapText(ExpandEnvironment(*text, kMaxCommandChars), cap);
}

std::optional<DWORD> DwordValue(const std::vector<reg::Value>& values, std::string_view name) {
    const reg::Value* v = FindValue(values, name);
    if (!v || v->data.size() < 4) return std::nullopt;
    // Some installers write a 4-byte binary where a DWORD belongs.
    if (v->type != REG_DWORD && !(v->type == REG_BINARY && v->data.size() == 4))
        return std::nullopt;
    DWORD d;
    memcpy(&d, v->data.data(), 4);
    return d;
}

bool HasText(const std::optional<std::string>& s) { return s && !TrimControl(*s).empty(); }

bool IsDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string HexBytes(const BYTE* data, size_t size) {
    static const char digits[] = "0123456789abcdef";
    size_t shown = std::min(size, kMaxTextChars / 3);
    std::string out;
    out.reserve(shown * 3 + 3);
    for (size_t i = 0; i < shown; ++i) {
        if (i) out.push_back(' ');
        out.push_back(digits[data[i] >> 4]);
        out.push_back(digits[data[i] & 15]);
    }
    if (shown < size) out += "...";
    return out;
}

std::string CapMarked(std::string s) {
    if (s.size() <= kMaxTextChars) return s;
    return CapText(std::move(s), kMaxTextChars - 3) + "...";
}

}  // namespace

UninstallEntry ParseUninstallEntry(const std::string& keyName,
                                   const std::vector<reg::Value>& values) {
    UninstallEntry e;
    e.keyName = keyName;
    e.displayName = StringValue(values, "DisplayName");
    e.uninstallString = ExpandedStringValue(values, "UninstallString", kMaxCommandChars);
    e.publisher = StringValue(values, "Publisher");
    e.installLocation = ExpandedStringValue(values, "InstallLocation");
    e.displayVersion = StringValue(values, "DisplayVersion");
    e.installDate = StringValue(values, "InstallDate");
    e.helpLink = StringValue(values, "HelpLink");
    e.aboutLink = StringValue(values, "URLInfoAbout");
    e.updateLink = StringValue(values, "URLUpdateInfo");
    e.displayIcon = StringValue(values, "DisplayIcon");
    e.releaseType = StringValue(values, "ReleaseType");
    e.parentKeyName = StringValue(values, "ParentKeyName");
    e.systemComponent = DwordValue(values, "SystemComponent");
    e.estimatedSizeKb = DwordValue(values, "EstimatedSize");
    return e;
}

bool IsListed(const UninstallEntry& e) {
    if (e.systemComponent && *e.systemComponent == 1) return false;
    return HasText(e.displayName) || HasText(e.uninstallString);
}

bool IsPatchReleaseType(std::string_view releaseType) {
    static const char* const kinds[] = {"Security Update", "Update", "Hotfix", "Update Rollup",
                                        "Service Pack"};
    std::string t = TrimControl(releaseType);
    return std::any_of(std::begin(kinds), std::end(kinds),
                       [&](const char* k) { return EqualsNoCase(t, k); });
}

bool IsPatchKeyName(std::string_view name) {
    if (name.size() < 3 || !StartsWithNoCase(name, "KB")) return false;
    std::string_view rest = name.substr(2);
    size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
    if (digits == 0) return false;
    std::string_view suffix = rest.substr(digits);
    if (suffix.empty()) return true;
    // Re-released patches: "KB893803v2", "KB2468871-v2".
    if (suffix.front() == '-') suffix.remove_prefix(1);
    return suffix.size() >= 2 && (suffix.front() == 'v' || suffix.front() == 'V') &&
           IsDigits(suffix.substr(1));
}

long ProgramKind(const UninstallEntry& e) {
    if (HasText(e.parentKeyName)) return kKindPatch;
    if (e.releaseType && IsPatchReleaseType(*e.releaseType)) return kKindPatch;
    if (IsPatchKeyName(e.keyName)) return kKindPatch;
    return kKindProgram;
}

std::optional<SlowInfo> DecodeSlowInfoCache(const std::vector<BYTE>& data) {
    if (data.size() != kSlowInfoCacheSize) return std::nullopt;
    DWORD cbSize;
    memcpy(&cbSize, data.data(), 4);
    if (cbSize != kSlowInfoCacheSize) return std::nullopt;
    SlowInfo info;
    int64_t size;
    memcpy(&size, data.data() + 8, 8);
    if (size > 0) info.installSize = static_cast<uint64_t>(size);
    FILETIME ft;
    memcpy(&ft, data.data() + 16, sizeof ft);
    bool zero = ft.dwLowDateTime == 0 && ft.dwHighDateTime == 0;
    bool unset = ft.dwLowDateTime == 0xFFFFFFFF && ft.dwHighDateTime == 0xFFFFFFFF;
    if (!zero && !unset) info.lastUsed = ft;
    DWORD freq;
    memcpy(&freq, data.data() + 24, 4);
    if (freq != 0xFFFFFFFF) info.frequency = freq;
    return info;
}

std::string FormatShortDate(const SYSTEMTIME& date) {
    char buf[128];
    int n = GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &date, nullptr, buf, sizeof buf);
    return n > 0 ? std::string(buf) : std::string();
}

std::string FormatInstallDate(std::string_view stored) {
    std::string text = TrimControl(stored);
    if (text.size() != 8 || !IsDigits(text)) return CapText(text);
    int year = std::stoi(text.substr(0, 4));
    int month = std::stoi(text.substr(4, 2));
    int day = std::stoi(text.substr(6, 2));
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (year < 1601 || month < 1 || month > 12 || day < 1) return text;
    if (day > kDays[month - 1] + (month == 2 && leap ? 1 : 0)) return text;
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    std::string shown = FormatShortDate(st);
    return shown.empty() ? text : shown;
}

std::string FormatFileTimeDate(const FILETIME& utc) {
    if (utc.dwLowDateTime == 0 && utc.dwHighDateTime == 0) return {};
    FILETIME local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return {};
    return FormatShortDate(st);
}

std::string RenderValueData(DWORD type, const std::vector<BYTE>& data) {
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        std::vector<BYTE> head(data.begin(),
                               data.begin() + std::min(data.size(), kMaxTextChars + 1));
        return CapMarked(reg::StringFromData(head));
    }
    case REG_DWORD:
        if (data.size() == 4) {
            DWORD d;
            memcpy(&d, data.data(), 4);
            return Format("%lu", static_cast<unsigned long>(d));
        }
        break;
    case REG_DWORD_BIG_ENDIAN:
        if (data.size() == 4)
            return Format("%lu", (static_cast<unsigned long>(data[0]) << 24) |
                                     (static_cast<unsigned long>(data[1]) << 16) |
                                     (static_cast<unsigned long>(data[2]) << 8) | data[3]);
        break;
    case REG_QWORD:
        if (data.size() == 8) {
            uint64_t q;
            memcpy(&q, data.data(), 8);
            return Format("%llu", static_cast<unsigned long long>(q));
        }
        break;
    case REG_MULTI_SZ: {
        // The list ends at the first empty string; a missing final NUL is tolerated.
        std::string out;
        size_t pos = 0;
        bool first = true;
        while (pos < data.size() && out.size() <= kMaxTextChars) {
            const char* start = reinterpret_cast<const char*>(data.data()) + pos;
            size_t len = strnlen(start, data.size() - pos);
            if (len == 0) break;
            if (!first) out += " | ";
            out.append(start, len);
            first = false;
            pos += len + 1;
        }
        return CapMarked(std::move(out));
    }
    default: break;
    }
    return HexBytes(data.data(), data.size());
}

IconLocation ParseIconLocation(std::string_view displayIcon) {
    std::string text = TrimControl(displayIcon);
    IconLocation loc;
    std::string rest;
    if (!text.empty() && text.front() == '"') {
        size_t close = text.find('"', 1);
        loc.path = text.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        if (close != std::string::npos) rest = TrimControl(text.substr(close + 1));
        if (!rest.empty() && rest.front() == ',') {
            std::string n = TrimControl(rest.substr(1));
            std::string digits = !n.empty() && n.front() == '-' ? n.substr(1) : n;
            if (IsDigits(digits) && digits.size() < 10) loc.index = std::stoi(n);
        }
        return loc;
    }
    size_t comma = text.rfind(',');
    if (comma != std::string::npos) {
        std::string n = TrimControl(text.substr(comma + 1));
        std::string digits = !n.empty() && n.front() == '-' ? n.substr(1) : n;
        if (IsDigits(digits) && digits.size() < 10) {
            loc.path = TrimControl(text.substr(0, comma));
            loc.index = std::stoi(n);
            return loc;
        }
    }
    loc.path = text;
    return loc;
}

std::string UninstallerPath(std::string_view command) {
    std::string text = TrimControl(command);
    if (text.empty()) return {};
    if (text.front() == '"') {
        size_t close = text.find('"', 1);
        return text.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    std::string lower = Lower(text);
    for (size_t hit = lower.find(".exe"); hit != std::string::npos;
         hit = lower.find(".exe", hit + 1)) {
        size_t end = hit + 4;
        if (end == lower.size() || lower[end] == ' ' || lower[end] == '\t')
            return text.substr(0, end);
    }
    return text.substr(0, text.find_first_of(" \t"));
}

std::vector<FileRef> MergeScreenSaverFolders(const std::vector<FolderFiles>& folders) {
    std::vector<FileRef> out;
    std::unordered_set<std::string> seen;
    for (const auto& f : folders)
        for (const auto& name : f.names)
            if (seen.insert(Lower(name)).second) out.push_back({f.folder, name});
    return out;
}

}  // namespace cx::svc

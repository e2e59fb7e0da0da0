#include "cleanup/UndoPlan.h"

#include <algorithm>
#include <cstdio>

#include "platform/Strings.h"

namespace cx::cleanup {

namespace {

constexpr std::string_view kManifestHeader = "Carvexo clean-up 1";
constexpr size_t kMaxProgramChars = 40;

std::string ToUtf8(std::wstring_view s) { return WideToUtf8(s); }
std::optional<std::wstring> FromUtf8(std::string_view s) { return Utf8ToWide(s); }

const char kHex[] = "0123456789ABCDEF";

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Field separators, line ends and the escape character itself never appear raw.
std::string Escape(std::wstring_view s) {
    std::string out;
    for (unsigned char c : ToUtf8(s)) {
        if (c < 0x20 || c == '%' || c == 0x7F) {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

std::optional<std::wstring> Unescape(std::string_view s) {
    std::string bytes;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            bytes.push_back(s[i]);
            continue;
        }
        if (i + 2 >= s.size()) return std::nullopt;
        int hi = HexDigit(s[i + 1]), lo = HexDigit(s[i + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
    }
    if (bytes.find('\0') != std::string::npos) return std::nullopt;
    return FromUtf8(bytes);
}

std::vector<std::string_view> Split(std::string_view s, char sep) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        size_t at = s.find(sep, start);
        if (at == std::string_view::npos) {
            parts.push_back(s.substr(start));
            return parts;
        }
        parts.push_back(s.substr(start, at - start));
        start = at + 1;
    }
}

std::optional<uint64_t> ParseNumber(std::string_view s, uint64_t max) {
    if (s.empty() || s.size() > 20) return std::nullopt;
    uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        uint64_t d = static_cast<uint64_t>(c - '0');
        if (v > (max - d) / 10) return std::nullopt;
        v = v * 10 + d;
    }
    return v;
}

// "YYYY-MM-DD HH:MM:SS" with digits where digits belong.
bool ValidTime(std::string_view t) {
    const std::string_view shape = "0000-00-00 00:00:00";
    if (t.size() != shape.size()) return false;
    for (size_t i = 0; i < t.size(); ++i)
        if (shape[i] == '0' ? (t[i] < '0' || t[i] > '9') : t[i] != shape[i]) return false;
    return true;
}

// A bare "<n>.reg" with one to six digits: nothing else may be joined to the
// clean-up's registry folder.
bool ValidKeyFile(const std::wstring& f) {
    if (f.size() < 5 || f.size() > 10 || f.compare(f.size() - 4, 4, L".reg") != 0) return false;
    return std::all_of(f.begin(), f.end() - 4, [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

std::string HexOf(const std::vector<BYTE>& data) {
    std::string out;
    out.reserve(data.size() * 2);
    for (BYTE b : data) {
        out.push_back(kHex[b >> 4]);
        out.push_back(kHex[b & 15]);
    }
    return out;
}

std::optional<std::vector<BYTE>> BytesOf(std::string_view hex) {
    if (hex.size() % 2 || hex.size() / 2 > kMaxValueBytes) return std::nullopt;
    std::vector<BYTE> out;
    out.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
        int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out.push_back(static_cast<BYTE>(hi * 16 + lo));
    }
    return out;
}

bool EqualNoCase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// `path` is `base` or lies below it, as the registry compares names.
bool AtOrBelow(std::wstring_view path, std::wstring_view base) {
    if (path.size() < base.size() || !EqualNoCase(path.substr(0, base.size()), base)) return false;
    return path.size() == base.size() || path[base.size()] == L'\\';
}

std::wstring WithoutFinalBackslash(std::wstring s) {
    while (!s.empty() && s.back() == L'\\') s.pop_back();
    return s;
}

}  // namespace

std::string WriteManifest(const CleanupManifest& m) {
    std::string out(kManifestHeader);
    out += "\n";
    if (m.sequence) out += "sequence\t" + std::to_string(m.sequence) + "\n";
    out += "program\t" + Escape(m.program) + "\n";
    out += "time\t" + Escape(AnsiToWide(m.time)) + "\n";
    out += "size\t" + std::to_string(m.size) + "\n";
    out += "root\t" + Escape(m.root) + "\n";
    for (const std::wstring& r : m.moreRoots) out += "root\t" + Escape(r) + "\n";
    auto value = [&](const char* kind, const TakenValue& v) {
        out += std::string(kind) + "\t" + HiveName(v.hive) + "\t" + Escape(v.keyPath) + "\t" +
               Escape(v.name) + "\t" + std::to_string(v.type) + "\t" + HexOf(v.data) + "\n";
    };
    // A key's held values follow it: they belong to the key line before them.
    for (const TakenKey& k : m.keys) {
        out += "key\t" + std::string(HiveName(k.hive)) + "\t" + Escape(k.path) + "\t" +
               Escape(k.file) + "\n";
        for (const TakenValue& v : k.held) value("keyvalue", v);
    }
    for (const TakenValue& v : m.values) {
        if (!v.putBack) {
            value("value", v);
            continue;
        }
        out += "putvalue\t" + std::string(HiveName(v.hive)) + "\t" + Escape(v.keyPath) + "\t" +
               Escape(v.name) + "\t" + (v.absent ? "-" : std::to_string(v.type)) + "\t" +
               (v.absent ? "-" : HexOf(v.data)) + "\t" + std::to_string(v.putType) + "\t" +
               HexOf(v.put) + "\n";
    }
    for (const TakenItem& i : m.items) {
        const char* kind = i.kind == TakenKind::Folder ? "folder"
                           : i.kind == TakenKind::Link ? "link"
                                                       : "file";
        out += std::string(kind) + "\t" + Escape(i.path) + "\n";
    }
    return out;
}

std::optional<CleanupManifest> ParseManifest(std::string_view text) {
    if (text.find('\0') != std::string_view::npos) return std::nullopt;
    std::vector<std::string_view> lines = Split(text, '\n');
    for (std::string_view& l : lines)
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    if (lines.empty() || lines.front() != kManifestHeader) return std::nullopt;

    CleanupManifest m;
    bool rootSeen = false;
    for (size_t i = 1; i < lines.size(); ++i) {
        std::vector<std::string_view> f = Split(lines[i], '\t');
        const std::string_view kind = f[0];
        auto text = [&](size_t at) { return Unescape(f[at]); };
        if (kind == "sequence" && f.size() == 2) {
            auto n = ParseNumber(f[1], UINT64_MAX);
            if (!n) return std::nullopt;
            m.sequence = *n;
        } else if (kind == "program" && f.size() == 2) {
            auto s = text(1);
            if (!s) return std::nullopt;
            m.program = *s;
        } else if (kind == "time" && f.size() == 2) {
            if (!ValidTime(f[1])) return std::nullopt;
            m.time = std::string(f[1]);
        } else if (kind == "size" && f.size() == 2) {
            auto n = ParseNumber(f[1], UINT64_MAX);
            if (!n) return std::nullopt;
            m.size = *n;
        } else if (kind == "root" && f.size() == 2) {
            auto s = text(1);
            if (!s) return std::nullopt;
            if (rootSeen)
                m.moreRoots.push_back(*s);
            else
                m.root = *s;
            rootSeen = true;
        } else if (kind == "key" && f.size() == 4) {
            auto hive = ParseHive(f[1]);
            auto path = text(2), file = text(3);
            if (!hive || !path || path->empty() || !file || !ValidKeyFile(*file))
                return std::nullopt;
            m.keys.push_back(TakenKey{*hive, *path, *file});
        } else if ((kind == "value" || kind == "keyvalue") && f.size() == 6) {
            auto hive = ParseHive(f[1]);
            auto path = text(2), name = text(3);
            auto type = ParseNumber(f[4], 0xFFFFFFFFu);
            auto data = BytesOf(f[5]);
            if (!hive || !path || path->empty() || !name || !type || !data) return std::nullopt;
            TakenValue v{*hive, *path, *name, static_cast<DWORD>(*type), std::move(*data)};
            if (kind == "value") {
                m.values.push_back(std::move(v));
            } else {
                // Only ever below the key it follows: nothing written elsewhere.
                if (m.keys.empty() || m.keys.back().hive != v.hive ||
                    !AtOrBelow(v.keyPath, m.keys.back().path))
                    return std::nullopt;
                m.keys.back().held.push_back(std::move(v));
            }
        } else if (kind == "putvalue" && f.size() == 8) {
            auto hive = ParseHive(f[1]);
            auto path = text(2), name = text(3);
            // "-" for both: there was no such value when it was put back.
            const bool absent = f[4] == "-" && f[5] == "-";
            auto type = absent ? std::optional<uint64_t>(REG_NONE) : ParseNumber(f[4], 0xFFFFFFFFu);
            auto putType = ParseNumber(f[6], 0xFFFFFFFFu);
            auto data =
                absent ? std::optional<std::vector<BYTE>>(std::vector<BYTE>{}) : BytesOf(f[5]);
            auto put = BytesOf(f[7]);
            if (!hive || !path || path->empty() || !name || !type || !data || !putType || !put)
                return std::nullopt;
            TakenValue v{*hive, *path, *name, static_cast<DWORD>(*type), std::move(*data)};
            v.absent = absent;
            v.putBack = true;
            v.putType = static_cast<DWORD>(*putType);
            v.put = std::move(*put);
            m.values.push_back(std::move(v));
        } else if ((kind == "folder" || kind == "file" || kind == "link") && f.size() == 2) {
            auto path = text(1);
            if (!path || path->empty()) return std::nullopt;
            TakenKind k = kind == "folder" ? TakenKind::Folder
                          : kind == "link" ? TakenKind::Link
                                           : TakenKind::File;
            m.items.push_back(TakenItem{k, *path});
        } else {
            return std::nullopt;
        }
    }
    return m;
}

std::wstring StoredPathOf(const std::wstring& original) {
    std::wstring p = WithoutFinalBackslash(original);
    if (p.size() < 4 || p[1] != L':' || p[2] != L'\\') return {};
    wchar_t drive = p[0];
    if (!((drive >= L'A' && drive <= L'Z') || (drive >= L'a' && drive <= L'z'))) return {};
    if (drive >= L'a') drive = static_cast<wchar_t>(drive - L'a' + L'A');
    return std::wstring(kFilesFolder) + L"\\" + drive + p.substr(2);
}

std::string TimeText(const SYSTEMTIME& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear % 10000u,
                  t.wMonth % 100u, t.wDay % 100u, t.wHour % 100u, t.wMinute % 100u,
                  t.wSecond % 100u);
    return buf;
}

std::wstring CleanupFolderName(const SYSTEMTIME& t, const std::wstring& program) {
    std::wstring name = AnsiToWide(TimeText(t));
    std::replace(name.begin(), name.end(), L':', L'.');
    std::wstring stem;
    for (wchar_t c : program) {
        bool bad = c < 32 || c == L'\\' || c == L'/' || c == L':' || c == L'*' || c == L'?' ||
                   c == L'"' || c == L'<' || c == L'>' || c == L'|';
        stem.push_back(bad ? L'_' : c);
        if (stem.size() >= kMaxProgramChars) break;
    }
    if (!stem.empty() && stem.back() >= 0xD800 && stem.back() <= 0xDBFF) stem.pop_back();
    // Windows drops dots and blanks at the end of a name.
    for (size_t i = stem.size(); i > 0 && (stem[i - 1] == L'.' || stem[i - 1] == L' '); --i)
        stem[i - 1] = L'_';
    return stem.empty() ? name : name + L" " + stem;
}

RegistryBackupPlan PlanRegistryBackup(const CheckTree& tree) {
    RegistryBackupPlan plan;
    // A key node naming a hive rather than a key holds nothing to export.
    auto key = [](const Node& n) {
        return n.kind == NodeKind::RegKey && n.reg && !n.reg->IsValue() && !n.reg->Name().empty();
    };
    std::vector<std::pair<RegHive, std::wstring>> checkedKeys;
    for (NodeId id : tree.InOrder()) {
        const Node& n = tree.Get(id);
        if (key(n) && n.state == csChecked && !n.emptyOnly)
            checkedKeys.emplace_back(n.reg->hive, n.reg->key);
    }
    auto insideChecked = [&](RegHive hive, const std::wstring& path, bool strictly) {
        for (const auto& [h, p] : checkedKeys)
            if (h == hive && AtOrBelow(path, p) && (!strictly || path.size() != p.size()))
                return true;
        return false;
    };
    for (NodeId id : tree.InOrder()) {
        const Node& n = tree.Get(id);
        if (n.state != csChecked || !n.reg) continue;
        if (n.kind == NodeKind::RegKey) {
            // A maker's key goes only empty: the exports of what it held bring it back.
            if (n.emptyOnly) continue;
            if (key(n) && !insideChecked(n.reg->hive, n.reg->key, true)) plan.keys.push_back(id);
        } else if (n.kind == NodeKind::RegValue && n.reg->IsValue()) {
            if (n.parent != -1 && tree.Get(n.parent).state == csChecked) continue;
            if (!insideChecked(n.reg->hive, n.reg->key, false)) plan.values.push_back(id);
        }
    }
    return plan;
}

std::vector<size_t> CleanupsToDrop(const std::vector<uint64_t>& sizes, size_t keepCount,
                                   uint64_t keepBytes) {
    std::vector<size_t> drop;
    uint64_t total = 0;
    bool full = false;
    for (size_t i = 0; i < sizes.size(); ++i) {
        if (!full && i > 0 && (i >= keepCount || sizes[i] > keepBytes - std::min(total, keepBytes)))
            full = true;
        if (full) {
            drop.push_back(i);
        } else {
            total += sizes[i];
        }
    }
    return drop;
}

std::string SizeText(uint64_t bytes) {
    if (bytes < 1024) return std::to_string(bytes) + " bytes";
    const char* units[] = {"KB", "MB", "GB", "TB"};
    double v = static_cast<double>(bytes) / 1024.0;
    size_t u = 0;
    while (v >= 1024.0 && u + 1 < std::size(units)) {
        v /= 1024.0;
        ++u;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f %s", v, units[u]);
    return buf;
}

std::optional<std::wstring> DecodeRegFile(std::string_view bytes) {
    std::wstring text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        if (bytes.size() % 2) return std::nullopt;
        text.resize((bytes.size() - 2) / 2);
        for (size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                           (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
    } else {
        text = AnsiToWide(bytes);
    }
    if (text.find(L'\0') != std::wstring::npos) return std::nullopt;
    return text;
}

bool RegFileStaysBelow(std::wstring_view text, RegHive hive, const std::wstring& keyPath) {
    const std::wstring below = WithoutFinalBackslash(keyPath);
    if (below.empty()) return false;  // never the hive itself
    const std::wstring base = RegKeyName(hive, below);
    size_t headers = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring_view::npos) end = text.size();
        std::wstring_view line = text.substr(start, end - start);
        start = end + 1;
        size_t first = line.find_first_not_of(L" \t");
        if (first == std::wstring_view::npos || line[first] != L'[') continue;
        size_t close = line.rfind(L']');
        if (close == std::wstring_view::npos || close < first) return false;
        if (line.find_first_not_of(L" \t", close + 1) != std::wstring_view::npos) return false;
        std::wstring_view key = line.substr(first + 1, close - first - 1);
        if (!key.empty() && key.front() == L'-') return false;
        if (!AtOrBelow(key, base)) return false;
        ++headers;
    }
    return headers > 0;
}

bool RegeditCarries(DWORD type, const std::vector<BYTE>& data) {
    const size_t n = data.size();
    const bool endsInNul = n >= 2 && n % 2 == 0 && data[n - 1] == 0 && data[n - 2] == 0;
    switch (type) {
    case REG_SZ:
        for (size_t i = 0; endsInNul && i + 2 < n; i += 2)
            if (data[i] == 0 && data[i + 1] == 0) return false;
        return endsInNul;
    case REG_EXPAND_SZ:
    case REG_MULTI_SZ: return n == 0 || endsInNul;
    case REG_DWORD: return n == 0 || n == 4;
    default: return type <= REG_QWORD;
    }
}

namespace {

// A quoted text from `at` (just past its opening quote) as regedit unescapes
// it; `at` ends just past the closing quote.
std::optional<std::wstring> Quoted(std::wstring_view line, size_t& at) {
    std::wstring out;
    for (; at < line.size(); ++at) {
        wchar_t c = line[at];
        if (c == L'"') {
            ++at;
            return out;
        }
        if (c == L'\\') {
            if (++at == line.size()) return std::nullopt;
            c = line[at];
            if (c == L'n') {
                c = L'\n';
            } else if (c == L'r') {
                c = L'\r';
            } else if (c != L'\\' && c != L'"') {
                return std::nullopt;
            }
        }
        out.push_back(c);
    }
    return std::nullopt;
}

std::optional<uint32_t> HexNumber(std::wstring_view s) {
    if (s.empty() || s.size() > 8) return std::nullopt;
    uint32_t v = 0;
    for (wchar_t c : s) {
        int d = c < 128 ? HexDigit(static_cast<char>(c)) : -1;
        if (d < 0) return std::nullopt;
        v = v * 16 + static_cast<uint32_t>(d);
    }
    return v;
}

// "61,00,62" (or nothing) as bytes.
std::optional<std::vector<BYTE>> HexBytes(std::wstring_view s) {
    std::vector<BYTE> out;
    if (s.find_first_not_of(L" \t") == std::wstring_view::npos) return out;
    for (size_t start = 0;;) {
        size_t end = s.find(L',', start);
        std::wstring_view item =
            s.substr(start, end == std::wstring_view::npos ? end : end - start);
        while (!item.empty() && (item.front() == L' ' || item.front() == L'\t'))
            item.remove_prefix(1);
        while (!item.empty() && (item.back() == L' ' || item.back() == L'\t'))
            item.remove_suffix(1);
        auto b = item.size() == 2 ? HexNumber(item) : std::nullopt;
        if (!b) return std::nullopt;
        out.push_back(static_cast<BYTE>(*b));
        if (end == std::wstring_view::npos) return out;
        start = end + 1;
    }
}

// The data after "=" in a value line.
std::optional<RegData> ValueData(std::wstring_view s) {
    if (!s.empty() && s.front() == L'"') {
        size_t at = 1;
        auto text = Quoted(s, at);
        if (!text || s.find_first_not_of(L" \t", at) != std::wstring_view::npos)
            return std::nullopt;
        RegData v{REG_SZ, {}};
        for (wchar_t c : *text + L'\0') {
            v.data.push_back(static_cast<BYTE>(c & 0xFF));
            v.data.push_back(static_cast<BYTE>(c >> 8));
        }
        return v;
    }
    if (s.substr(0, 6) == L"dword:") {
        auto n = s.size() == 14 ? HexNumber(s.substr(6)) : std::nullopt;
        if (!n) return std::nullopt;
        return RegData{REG_DWORD,
                       {static_cast<BYTE>(*n), static_cast<BYTE>(*n >> 8),
                        static_cast<BYTE>(*n >> 16), static_cast<BYTE>(*n >> 24)}};
    }
    std::optional<uint32_t> type;
    size_t colon = s.find(L':');
    if (s.substr(0, colon) == L"hex") {
        type = REG_BINARY;
    } else if (s.substr(0, 4) == L"hex(" && colon != std::wstring_view::npos && colon > 5 &&
               s[colon - 1] == L')') {
        type = HexNumber(s.substr(4, colon - 5));
    }
    auto bytes = type ? HexBytes(s.substr(colon + 1)) : std::nullopt;
    if (!bytes) return std::nullopt;
    return RegData{*type, std::move(*bytes)};
}

}  // namespace

std::optional<RegKeyContents> ParseRegExport(std::wstring_view text, RegHive hive,
                                             const std::wstring& keyPath) {
    const std::wstring below = WithoutFinalBackslash(keyPath);
    if (below.empty()) return std::nullopt;  // never the hive itself
    const std::wstring base = RegKeyName(hive, below);
    std::vector<std::wstring_view> lines;
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring_view::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + (text.compare(end, 2, L"\r\n") == 0 ? 2 : 1);
    }
    size_t i = 0;
    while (i < lines.size() && lines[i].empty()) ++i;
    if (i == lines.size() || lines[i] != L"Windows Registry Editor Version 5.00")
        return std::nullopt;
    RegKeyContents out;
    std::map<std::wstring, RegData>* values = nullptr;
    for (++i; i < lines.size(); ++i) {
        std::wstring_view line = lines[i];
        if (line.find_first_not_of(L" \t") == std::wstring_view::npos) continue;
        if (line.front() == L'[') {
            if (line.back() != L']') return std::nullopt;
            std::wstring_view key = line.substr(1, line.size() - 2);
            if (!AtOrBelow(key, base)) return std::nullopt;
            std::wstring rel(key.size() == base.size() ? std::wstring_view()
                                                       : key.substr(base.size() + 1));
            if (out.count(rel)) return std::nullopt;
            values = &out[rel];
            continue;
        }
        if (!values) return std::nullopt;
        std::optional<std::wstring> name;
        size_t at = 1;
        if (line.front() == L'@')
            name = std::wstring();
        else if (line.front() == L'"')
            name = Quoted(line, at);
        if (!name || at >= line.size() || line[at] != L'=' || values->count(*name))
            return std::nullopt;
        // Hex data goes on in the lines after one that ends in a backslash.
        std::wstring data(line.substr(at + 1));
        while (data.size() > 1 && data.back() == L'\\' && data.compare(0, 3, L"hex") == 0 &&
               i + 1 < lines.size()) {
            data.pop_back();
            std::wstring_view next = lines[++i];
            data.append(next.substr(std::min(next.find_first_not_of(L" \t"), next.size())));
        }
        auto v = ValueData(data);
        if (!v) return std::nullopt;
        (*values)[*name] = std::move(*v);
    }
    if (!out.count(L"")) return std::nullopt;
    return out;
}

std::wstring ExportDifference(const RegKeyContents& exported, const RegKeyContents& key) {
    auto where = [](const std::wstring& rel, const std::wstring* name) {
        std::wstring w = rel.empty() ? L"the key itself" : L"the subkey " + rel;
        if (name) w = (name->empty() ? L"the default value" : L"the value " + *name) + L" of " + w;
        return w;
    };
    for (const auto& [rel, values] : key) {
        auto e = exported.find(rel);
        if (e == exported.end()) return where(rel, nullptr) + L" is missing";
        for (const auto& [name, v] : values) {
            if (!RegeditCarries(v.type, v.data)) continue;
            auto ev = e->second.find(name);
            if (ev == e->second.end()) return where(rel, &name) + L" is missing";
            if (!(ev->second == v)) return where(rel, &name) + L" differs";
        }
        for (const auto& [name, v] : e->second)
            if (!values.count(name)) return where(rel, &name) + L" is not in the key";
    }
    for (const auto& [rel, values] : exported)
        if (!key.count(rel)) return where(rel, nullptr) + L" is not in the key";
    return {};
}

}  // namespace cx::cleanup

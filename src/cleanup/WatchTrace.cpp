#include "cleanup/WatchTrace.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "cleanup/KeptSeal.h"
#include "cleanup/RecordText.h"
#include "i18n/LangText.h"
#include "platform/Crypto.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Strings.h"

namespace cx::cleanup {

namespace {

constexpr std::string_view kHeader = "Carvexo watched install 1";
// Far above any setup's trace: a stray huge file in the folder is not read.
constexpr uint64_t kMaxTraceBytes = 64u << 20;

int Compare(std::wstring_view a, std::wstring_view b) {
    if (a.empty() || b.empty()) return a.empty() ? (b.empty() ? 0 : -1) : 1;
    const int r = CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                       static_cast<int>(b.size()), TRUE);
    return r == CSTR_LESS_THAN ? -1 : r == CSTR_EQUAL ? 0 : 1;
}

int CompareKeys(const KeyShot& a, const KeyShot& b) {
    if (a.hive != b.hive) return a.hive < b.hive ? -1 : 1;
    return Compare(a.path, b.path);
}

template <class T, class Cmp>
std::vector<const T*> Sorted(const std::vector<T>& items, Cmp cmp) {
    std::vector<const T*> out;
    out.reserve(items.size());
    for (const T& i : items) out.push_back(&i);
    std::sort(out.begin(), out.end(), [&](const T* a, const T* b) { return cmp(*a, *b) < 0; });
    return out;
}

// Merges two sorted lists, calling `both`, `onlyAfter` as they part.
template <class T, class Cmp, class Both, class Only>
void Merge(const std::vector<const T*>& before, const std::vector<const T*>& after, Cmp cmp,
           Both both, Only onlyAfter) {
    size_t i = 0, j = 0;
    while (j < after.size()) {
        const int c = i < before.size() ? cmp(*before[i], *after[j]) : 1;
        if (c < 0) {
            ++i;
        } else if (c > 0) {
            onlyAfter(*after[j++]);
        } else {
            both(*before[i++], *after[j++]);
        }
    }
}

const char* HiveToken(RegHive h) { return h == RegHive::CurrentUser ? "HKCU" : "HKLM"; }

std::optional<RegHive> HiveOfToken(std::string_view t) {
    if (t == "HKLM") return RegHive::LocalMachine;
    if (t == "HKCU") return RegHive::CurrentUser;
    return std::nullopt;
}

std::string Hex(const BYTE* data, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}

std::optional<std::vector<BYTE>> Bytes(std::string_view hex) {
    if (hex.size() % 2) return std::nullopt;
    std::vector<BYTE> out;
    out.reserve(hex.size() / 2);
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = digit(hex[i]), lo = digit(hex[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out.push_back(static_cast<BYTE>(hi * 16 + lo));
    }
    return out;
}

std::optional<uint64_t> Number(std::string_view hex) {
    if (hex.empty() || hex.size() > 16) return std::nullopt;
    uint64_t n = 0;
    for (char c : hex) {
        int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (d < 0) return std::nullopt;
        n = n * 16 + static_cast<uint64_t>(d);
    }
    return n;
}

std::vector<std::string_view> Split(std::string_view s, char sep) {
    std::vector<std::string_view> out;
    size_t start = 0;
    for (;;) {
        const size_t at = s.find(sep, start);
        out.push_back(s.substr(start, at == std::string_view::npos ? at : at - start));
        if (at == std::string_view::npos) return out;
        start = at + 1;
    }
}

std::wstring StringData(const ValueShot& v) {
    if ((v.type != REG_SZ && v.type != REG_EXPAND_SZ) || v.data.size() < 2) return {};
    std::wstring s(reinterpret_cast<const wchar_t*>(v.data.data()), v.data.size() / 2);
    const size_t nul = s.find(L'\0');
    if (nul != std::wstring::npos) s.resize(nul);
    return s;
}

crypto::Digest SealOfText(const std::vector<uint8_t>& key, std::string_view text) {
    crypto::Hash h = crypto::Hash::HmacSha256(key);
    h.Add(text);
    return h.Finish();
}

// The text and its seal line, or nullopt when the seal is missing or wrong.
std::optional<std::string_view> Proven(std::string_view file, const std::vector<uint8_t>& key) {
    if (key.empty()) return std::nullopt;
    const size_t at = file.rfind("seal\t");
    if (at == std::string_view::npos || (at > 0 && file[at - 1] != '\n')) return std::nullopt;
    std::string_view hex = file.substr(at + 5);
    while (!hex.empty() && (hex.back() == '\n' || hex.back() == '\r')) hex.remove_suffix(1);
    const auto bytes = Bytes(hex);
    if (!bytes || bytes->size() != 32) return std::nullopt;
    crypto::Digest want{};
    std::copy(bytes->begin(), bytes->end(), want.begin());
    const std::string_view text = file.substr(0, at);
    if (!crypto::SameDigest(SealOfText(key, text), want)) return std::nullopt;
    return text;
}

void WriteInPlace(const std::wstring& file, const std::string& bytes) {
    const std::wstring next = file + L".new";
    DeleteFileW(LongPathForApi(next).c_str());
    WriteFileBytes(next, bytes, true);
    if (!MoveFileExW(LongPathForApi(next).c_str(), LongPathForApi(file).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        DeleteFileW(LongPathForApi(next).c_str());
        throw AppError(WideToAnsi(file) + ": " + SysErrorMessage(error));
    }
}

std::string SealedText(const WatchTrace& trace) {
    const std::string text = TraceText(trace);
    const crypto::Digest seal = SealOfText(UserSealKey(true), text);
    return text + "seal\t" + Hex(seal.data(), seal.size()) + "\n";
}

}  // namespace

WatchTrace TraceOf(const Snapshot& before, const Snapshot& after, const NoiseFilter& noise) {
    WatchTrace t;
    const auto keysBefore = Sorted(before.keys, CompareKeys);
    const auto keysAfter = Sorted(after.keys, CompareKeys);
    const std::wstring uninstall = std::wstring(kUninstallKeyPath) + L"\\";
    auto byName = [](const ValueShot& a, const ValueShot& b) { return Compare(a.name, b.name); };
    Merge(
        keysBefore, keysAfter, CompareKeys,
        [&](const KeyShot& b, const KeyShot& a) {
            if (noise.IsNoiseKey(a.hive, a.path)) return;
            Merge(
                Sorted(b.values, byName), Sorted(a.values, byName), byName,
                [&](const ValueShot& old, const ValueShot& now) {
                    if (old.type == now.type && old.size == now.size && old.hash == now.hash)
                        return;
                    TraceItem i{TraceKind::ChangedValue, a.hive, a.path, now.name};
                    i.hash = now.hash;
                    i.oldKept = old.size <= kKeptValueBytes;
                    i.oldType = old.type;
                    if (i.oldKept) i.oldData = old.data;
                    t.items.push_back(std::move(i));
                },
                [&](const ValueShot& now) {
                    TraceItem i{TraceKind::Value, a.hive, a.path, now.name};
                    i.hash = now.hash;
                    t.items.push_back(std::move(i));
                });
        },
        [&](const KeyShot& a) {
            if (noise.IsNoiseKey(a.hive, a.path)) return;
            t.items.push_back(TraceItem{TraceKind::Key, a.hive, a.path});
            // A registration: a key right below the Uninstall key.
            if (a.path.size() > uninstall.size() &&
                Compare(std::wstring_view(a.path).substr(0, uninstall.size()), uninstall) == 0 &&
                a.path.find(L'\\', uninstall.size()) == std::wstring::npos) {
                TracedProgram p{a.hive, a.path.substr(uninstall.size()), {}};
                for (const ValueShot& v : a.values)
                    if (Compare(v.name, L"DisplayName") == 0) p.displayName = StringData(v);
                t.programs.push_back(std::move(p));
            }
        });

    auto byPath = [](const FileShot& a, const FileShot& b) { return Compare(a.path, b.path); };
    Merge(
        Sorted(before.files, byPath), Sorted(after.files, byPath), byPath,
        [&](const FileShot& b, const FileShot& a) {
            if (a.folder || b.folder || noise.IsNoiseFile(a.path)) return;
            if (a.size != b.size || a.writeTime != b.writeTime)
                t.items.push_back(TraceItem{TraceKind::ChangedFile, {}, {}, {}, a.path});
        },
        [&](const FileShot& a) {
            if (noise.IsNoiseFile(a.path)) return;
            t.items.push_back(
                TraceItem{a.folder ? TraceKind::Folder : TraceKind::File, {}, {}, {}, a.path});
        });
    return t;
}

TraceCounts CountsOf(const WatchTrace& trace) {
    TraceCounts c;
    std::vector<std::pair<RegHive, std::wstring>> changedKeys;
    for (const TraceItem& i : trace.items) {
        switch (i.kind) {
        case TraceKind::Key: ++c.keys; break;
        case TraceKind::Value:
        case TraceKind::ChangedValue: {
            // Several values of one key count as that key once.
            bool seen = false;
            for (const auto& [h, k] : changedKeys)
                if (h == i.hive && Compare(k, i.key) == 0) seen = true;
            if (!seen) {
                changedKeys.emplace_back(i.hive, i.key);
                ++c.keys;
            }
            break;
        }
        default: ++c.files; break;
        }
    }
    return c;
}

std::string TraceText(const WatchTrace& t) {
    std::string out(kHeader);
    out += "\n";
    out += "date\t" + EscapeField(AnsiToWide(t.date)) + "\n";
    out += "setup\t" + EscapeField(t.setup) + "\n";
    for (const TracedProgram& p : t.programs)
        out += "program\t" + std::string(HiveToken(p.hive)) + "\t" + EscapeField(p.registryName) +
               "\t" + EscapeField(p.displayName) + "\n";
    char hash[24];
    for (const TraceItem& i : t.items) {
        std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(i.hash));
        const std::string reg = std::string(HiveToken(i.hive)) + "\t" + EscapeField(i.key);
        switch (i.kind) {
        case TraceKind::Key: out += "key\t" + reg + "\n"; break;
        case TraceKind::Value:
            out += "value\t" + reg + "\t" + EscapeField(i.value) + "\t" + hash + "\n";
            break;
        case TraceKind::ChangedValue:
            out += "changed\t" + reg + "\t" + EscapeField(i.value) + "\t" + hash + "\t" +
                   (i.oldKept
                        ? std::to_string(i.oldType) + "\t" + Hex(i.oldData.data(), i.oldData.size())
                        : std::string("-\t-")) +
                   "\n";
            break;
        case TraceKind::Folder: out += "folder\t" + EscapeField(i.path) + "\n"; break;
        case TraceKind::File: out += "file\t" + EscapeField(i.path) + "\n"; break;
        case TraceKind::ChangedFile: out += "changedfile\t" + EscapeField(i.path) + "\n"; break;
        }
    }
    return out;
}

std::optional<WatchTrace> ParseTrace(std::string_view text) {
    std::vector<std::string_view> lines = Split(text, '\n');
    for (std::string_view& l : lines)
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    if (lines.empty() || lines.front() != kHeader) return std::nullopt;
    WatchTrace t;
    for (size_t n = 1; n < lines.size(); ++n) {
        const std::vector<std::string_view> f = Split(lines[n], '\t');
        const std::string_view kind = f[0];
        auto field = [&](size_t at) { return UnescapeField(f[at]); };
        if (kind == "date" && f.size() == 2) {
            auto s = field(1);
            if (!s) return std::nullopt;
            t.date = WideToAnsi(*s);
        } else if (kind == "setup" && f.size() == 2) {
            auto s = field(1);
            if (!s) return std::nullopt;
            t.setup = *s;
        } else if (kind == "program" && f.size() == 4) {
            auto hive = HiveOfToken(f[1]);
            auto name = field(2), display = field(3);
            if (!hive || !name || name->empty() || !display) return std::nullopt;
            t.programs.push_back({*hive, *name, *display});
        } else if ((kind == "key" && f.size() == 3) || (kind == "value" && f.size() == 5) ||
                   (kind == "changed" && f.size() == 7)) {
            auto hive = HiveOfToken(f[1]);
            auto key = field(2);
            if (!hive || !key || key->empty()) return std::nullopt;
            TraceItem i{TraceKind::Key, *hive, *key};
            if (kind != "key") {
                auto value = field(3);
                auto hash = Number(f[4]);
                if (!value || !hash) return std::nullopt;
                i.kind = kind == "value" ? TraceKind::Value : TraceKind::ChangedValue;
                i.value = *value;
                i.hash = *hash;
            }
            if (kind == "changed" && f[5] != "-") {
                char* end = nullptr;
                const std::string type(f[5]);
                const unsigned long long ty = std::strtoull(type.c_str(), &end, 10);
                auto data = Bytes(f[6]);
                if (type.empty() || *end || ty > 0xFFFFFFFFull || !data ||
                    data->size() > kKeptValueBytes)
                    return std::nullopt;
                i.oldKept = true;
                i.oldType = static_cast<DWORD>(ty);
                i.oldData = std::move(*data);
            }
            t.items.push_back(std::move(i));
        } else if ((kind == "folder" || kind == "file" || kind == "changedfile") && f.size() == 2) {
            auto path = field(1);
            if (!path || path->empty()) return std::nullopt;
            TraceItem i;
            i.kind = kind == "folder" ? TraceKind::Folder
                     : kind == "file" ? TraceKind::File
                                      : TraceKind::ChangedFile;
            i.path = *path;
            t.items.push_back(std::move(i));
        } else {
            return std::nullopt;
        }
    }
    return t;
}

std::wstring UserTraceRoot(const std::wstring& appDir) {
    // Beside the history: the same account folder below another name.
    const std::wstring history = UserHistoryRoot(appDir);
    const std::wstring marker = L"Back up\\history\\";
    const size_t at = history.find(marker);
    return history.substr(0, at) + L"Back up\\traces\\" + history.substr(at + marker.size());
}

std::wstring WriteTrace(const std::wstring& folder, const WatchTrace& trace) {
    return WriteTimedRecord(folder, SealedText(trace), "traces");
}

std::vector<WatchTrace> ReadTraces(const std::wstring& folder) {
    std::vector<std::wstring> names;
    ForEachFolderEntry(folder, [&names](const WIN32_FIND_DATAW& e) {
        const std::wstring name = e.cFileName;
        if (!(e.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
            name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".txt") == 0)
            names.push_back(name);
        return true;
    });
    // The names sort by time; the newest first.
    std::sort(names.rbegin(), names.rend());
    std::vector<WatchTrace> out;
    const std::vector<uint8_t> key = UserSealKey(false);
    if (key.empty()) return out;
    for (const std::wstring& name : names) {
        const std::wstring file = folder + name;
        const std::optional<std::string> bytes = ReadFileBytes(file, kMaxTraceBytes);
        if (!bytes) continue;
        const std::optional<std::string_view> text = Proven(*bytes, key);
        if (!text) continue;
        std::optional<WatchTrace> t = ParseTrace(*text);
        if (!t) continue;
        t->file = file;
        out.push_back(std::move(*t));
    }
    return out;
}

std::optional<WatchTrace> FindTrace(const std::wstring& folder, const std::string& hive,
                                    const std::string& registryName) {
    const std::optional<RegHive> h = ParseHive(hive);
    const std::wstring name = AnsiToWide(registryName);
    if (!h || name.empty()) return std::nullopt;
    for (WatchTrace& t : ReadTraces(folder))
        for (const TracedProgram& p : t.programs)
            if (p.hive == *h && Compare(p.registryName, name) == 0) return std::move(t);
    return std::nullopt;
}

void DropTraceItems(WatchTrace& trace, std::vector<size_t> indexes) {
    if (trace.file.empty()) throw AppError("The trace is not kept anywhere.");
    std::sort(indexes.rbegin(), indexes.rend());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    for (size_t i : indexes)
        if (i < trace.items.size()) trace.items.erase(trace.items.begin() + static_cast<long>(i));
    WriteInPlace(trace.file, SealedText(trace));
}

void RetireTrace(const WatchTrace& trace) {
    if (!trace.file.empty()) DeleteFileW(LongPathForApi(trace.file).c_str());
}

std::string TraceItemText(const TraceItem& i) {
    const std::string reg = WideToAnsi(RegKeyName(i.hive, i.key));
    const std::string value = reg + "\\" + WideToAnsi(i.value);
    auto text = [](Ids key, const std::string& place) {
        return Format(LangFormatText(key), place.c_str());
    };
    switch (i.kind) {
    case TraceKind::Key: return text(IDS_WATCH_ITEM_Key, reg);
    case TraceKind::Value: return text(IDS_WATCH_ITEM_Value, value);
    case TraceKind::ChangedValue:
        return text(i.oldKept ? IDS_WATCH_ITEM_ChangedValue : IDS_WATCH_ITEM_ChangedLong, value);
    case TraceKind::Folder: return text(IDS_WATCH_ITEM_Folder, WideToAnsi(i.path));
    case TraceKind::File: return text(IDS_WATCH_ITEM_File, WideToAnsi(i.path));
    case TraceKind::ChangedFile: return text(IDS_WATCH_ITEM_ChangedFile, WideToAnsi(i.path));
    }
    return {};
}

}  // namespace cx::cleanup

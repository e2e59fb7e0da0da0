#include "cleanup/UninstallHistory.h"

#include <algorithm>
#include <cstdio>

#include "cleanup/RecordText.h"
#include "cleanup/UninstallFlow.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Strings.h"

namespace cx::cleanup {

namespace {

constexpr std::string_view kHeader = "Carvexo uninstall 1";
// Far above any record: a stray huge file in the folder is not read.
constexpr uint64_t kMaxRecordBytes = 4u << 20;

// The tokens of the stored file: fixed, whatever the enums are called.
struct ReasonToken {
    Reason reason;
    const char* token;
};
constexpr ReasonToken kReasons[] = {
    {Reason::None, ""},
    {Reason::InstallLocation, "InstallLocation"},
    {Reason::InstallerComponents, "InstallerComponents"},
    {Reason::InstallerProperty, "InstallerProperty"},
    {Reason::UninstallerFolder, "UninstallerFolder"},
    {Reason::IconFolder, "IconFolder"},
    {Reason::FolderByName, "FolderByName"},
    {Reason::ChosenFolder, "ChosenFolder"},
};
struct SourceToken {
    FolderSource source;
    const char* token;
};
constexpr SourceToken kSources[] = {
    {FolderSource::InstallLocation, "InstallLocation"},
    {FolderSource::InstallerComponents, "InstallerComponents"},
    {FolderSource::InstallerProperty, "InstallerProperty"},
    {FolderSource::Uninstaller, "Uninstaller"},
    {FolderSource::DisplayIcon, "DisplayIcon"},
    {FolderSource::ByName, "ByName"},
    {FolderSource::Chosen, "Chosen"},
};

// A node as the record names it: its full registry name, or its path.
std::wstring NodeName(const Node& n) {
    if (n.reg) {
        std::wstring name = RegKeyName(n.reg->hive, n.reg->key);
        if (n.reg->value) name += L"\\" + *n.reg->value;
        return name;
    }
    return n.path.empty() ? AnsiToWide(n.text) : n.path;
}

}  // namespace

std::vector<std::wstring> RootNames(const CheckTree& tree) {
    std::vector<std::wstring> names;
    for (NodeId id : tree.Roots()) names.push_back(NodeName(tree.Get(id)));
    return names;
}

HistoryRecord MakeHistoryRecord(const FoundRemains& found, bool scanned, std::string date) {
    HistoryRecord r;
    r.date = std::move(date);
    const UninstallTarget& t = found.target;
    r.displayName = AnsiToWide(t.displayName);
    r.registryName = AnsiToWide(t.registryName);
    r.publisher = AnsiToWide(t.publisher);
    r.hive = AnsiToWide(t.hive);
    r.folders = t.folders;
    if (!t.foldersGathered && !TrimControl(t.installLocation).empty())
        r.folders.push_back(
            {AnsiToWide(TrimControl(t.installLocation)), FolderSource::InstallLocation});
    r.scanned = scanned;
    if (!scanned) return r;
    r.installFolder = AnsiToWide(found.scan.installFolder);
    r.folderReason = found.scan.folderReason;
    r.found = found.offered;
    r.kept = RootNames(found.registry);
    for (std::wstring& f : RootNames(found.files)) r.kept.push_back(std::move(f));
    return r;
}

std::string HistoryDate() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond);
    return text;
}

std::string HistoryText(const HistoryRecord& r) {
    std::string out(kHeader);
    out += "\r\n";
    auto line = [&out](const char* key, const std::string& value) {
        out += key;
        out += ": ";
        out += value;
        out += "\r\n";
    };
    line("date", EscapeField(AnsiToWide(r.date)));
    line("name", EscapeField(r.displayName));
    line("registry", EscapeField(r.registryName));
    line("hive", EscapeField(r.hive));
    line("publisher", EscapeField(r.publisher));
    for (const FolderCandidate& f : r.folders) {
        const char* source = "InstallLocation";
        for (const SourceToken& s : kSources)
            if (s.source == f.source) source = s.token;
        line("gathered", std::string(source) + " " + EscapeField(f.folder));
    }
    line("scanned", r.scanned ? "yes" : "no");
    if (!r.installFolder.empty()) {
        const char* reason = "";
        for (const ReasonToken& t : kReasons)
            if (t.reason == r.folderReason) reason = t.token;
        line("folder", std::string(reason) + " " + EscapeField(r.installFolder));
    }
    for (const std::wstring& f : r.found) line("found", EscapeField(f));
    for (const std::wstring& k : r.kept) line("kept", EscapeField(k));
    return out;
}

std::optional<HistoryRecord> ParseHistory(const std::string& text) {
    HistoryRecord r;
    size_t at = 0;
    bool first = true, sawScanned = false;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string_view l(text.data() + at, end - at);
        at = end + 1;
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
        if (first) {
            if (l != kHeader) return std::nullopt;
            first = false;
            continue;
        }
        if (l.empty()) continue;
        const size_t colon = l.find(": ");
        if (colon == std::string_view::npos) return std::nullopt;
        const std::string_view key = l.substr(0, colon), raw = l.substr(colon + 2);
        // "gathered" and "folder" lead with a token, then the escaped path.
        std::string_view token, rest = raw;
        if (key == "gathered" || key == "folder") {
            const size_t space = raw.find(' ');
            if (space == std::string_view::npos) return std::nullopt;
            token = raw.substr(0, space);
            rest = raw.substr(space + 1);
        }
        const std::optional<std::wstring> value = UnescapeField(rest);
        if (!value) return std::nullopt;
        if (key == "date")
            r.date = WideToAnsi(*value);
        else if (key == "name")
            r.displayName = *value;
        else if (key == "registry")
            r.registryName = *value;
        else if (key == "hive")
            r.hive = *value;
        else if (key == "publisher")
            r.publisher = *value;
        else if (key == "scanned")
            sawScanned = true, r.scanned = *value == L"yes";
        else if (key == "found")
            r.found.push_back(*value);
        else if (key == "kept")
            r.kept.push_back(*value);
        else if (key == "gathered") {
            const SourceToken* s =
                std::find_if(std::begin(kSources), std::end(kSources),
                             [&](const SourceToken& t) { return token == t.token; });
            if (s == std::end(kSources) || value->empty()) return std::nullopt;
            r.folders.push_back({*value, s->source});
        } else if (key == "folder") {
            const ReasonToken* t =
                std::find_if(std::begin(kReasons), std::end(kReasons),
                             [&](const ReasonToken& x) { return token == x.token; });
            if (t == std::end(kReasons) || value->empty()) return std::nullopt;
            r.installFolder = *value;
            r.folderReason = t->reason;
        }
        // Keys of later versions are passed over.
    }
    if (first || !sawScanned) return std::nullopt;
    return r;
}

std::wstring WriteHistory(const std::wstring& folder, const HistoryRecord& record) {
    return WriteTimedRecord(folder, HistoryText(record), "records");
}

std::wstring RecordUninstall(const std::wstring& folder, const FoundRemains& found, bool scanned) {
    return WriteHistory(folder, MakeHistoryRecord(found, scanned, HistoryDate()));
}

std::vector<HistoryRecord> ReadHistory(const std::wstring& folder) {
    std::vector<std::wstring> names;
    ForEachFolderEntry(folder, [&names](const WIN32_FIND_DATAW& e) {
        const std::wstring name = e.cFileName;
        if (!(e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name.size() > 4 &&
            _wcsicmp(name.c_str() + name.size() - 4, L".txt") == 0)
            names.push_back(name);
        return true;
    });
    // The names sort by time; the newest first.
    std::sort(names.begin(), names.end(), std::greater<>());
    std::vector<HistoryRecord> records;
    for (const std::wstring& name : names)
        if (auto text = ReadFileBytes(folder + name, kMaxRecordBytes))
            if (auto record = ParseHistory(*text)) records.push_back(std::move(*record));
    return records;
}

}  // namespace cx::cleanup

#include "cmd/CmdFormat.h"

#include "cleanup/Remains.h"

#include <algorithm>
#include <cstdio>

#include "platform/Error.h"
#include "platform/RegPath.h"
#include "platform/Strings.h"

namespace cx::cmd {

namespace {

std::string SizeText(double bytes) {
    return bytes == 0 ? std::string() : Format("%.2f MB", bytes / 1048576.0);
}

std::string JsonNumber(double bytes) {
    return bytes == 0 ? std::string("null") : Format("%.0f", bytes);
}

// Text columns padded to their widest cell, the last one not padded.
std::string Columns(const std::vector<std::vector<std::string>>& rows) {
    std::vector<size_t> width;
    for (const auto& row : rows)
        for (size_t c = 0; c < row.size(); ++c) {
            if (width.size() <= c) width.push_back(0);
            width[c] = std::max(width[c], row[c].size());
        }
    std::string out;
    for (const auto& row : rows) {
        std::string line;
        for (size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size()) line += std::string(width[c] - row[c].size() + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line + "\r\n";
    }
    return out;
}

// A text on one line: control characters would break the layout of a table.
std::string OneLine(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 32) c = ' ';
    return out;
}

// The hive as a table column shows it: the short form people type.
std::string ShortHive(const std::string& hive) {
    const std::optional<RegHive> h = ParseHive(hive);
    if (h == RegHive::CurrentUser) return "HKCU";
    if (h == RegHive::LocalMachine) return "HKLM";
    return OneLine(hive);
}

std::string JsonPairs(const std::vector<std::pair<std::string, std::string>>& rows,
                      const char* valueKey) {
    std::string out = "[";
    for (size_t i = 0; i < rows.size(); ++i) {
        out += i ? ",\r\n    " : "\r\n    ";
        out += "{\"name\": " + JsonAnsi(rows[i].first) + ", \"" + valueKey +
               "\": " + JsonAnsi(rows[i].second) + "}";
    }
    out += rows.empty() ? "]" : "\r\n  ]";
    return out;
}

}  // namespace

std::string CsvField(std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(field);
    std::string out = "\"";
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string CsvRecord(const std::vector<std::string>& fields) {
    std::string out;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) out += ',';
        out += CsvField(fields[i]);
    }
    return out + "\r\n";
}

std::string JsonString(std::wstring_view text) {
    std::string out = "\"";
    for (wchar_t w : text) {
        switch (w) {
        case L'"': out += "\\\""; break;
        case L'\\': out += "\\\\"; break;
        case L'\b': out += "\\b"; break;
        case L'\f': out += "\\f"; break;
        case L'\n': out += "\\n"; break;
        case L'\r': out += "\\r"; break;
        case L'\t': out += "\\t"; break;
        default:
            if (w >= 0x20 && w < 0x7F)
                out += static_cast<char>(w);
            else
                out += Format("\\u%04X", static_cast<unsigned>(w) & 0xFFFFu);
        }
    }
    return out + "\"";
}

std::string JsonAnsi(std::string_view ansi) { return JsonString(AnsiToWide(ansi)); }

std::string ToCodePage(std::string_view ansi, UINT codePage) {
    if (codePage == 0 || codePage == GetACP() || ansi.empty()) return std::string(ansi);
    const std::wstring wide = AnsiToWide(ansi);
    // UTF-7 and UTF-8 take no flags and no default character.
    const bool utf = codePage == CP_UTF8 || codePage == CP_UTF7;
    const DWORD flags = utf ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* fallback = utf ? nullptr : "?";
    int n = WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()),
                                nullptr, 0, fallback, nullptr);
    if (n <= 0) return std::string(ansi);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                        fallback, nullptr);
    return out;
}

std::string FormatList(const std::vector<ListEntry>& entries, OutputFormat format) {
    if (format == OutputFormat::Csv) {
        std::string out = CsvRecord({"Name", "Publisher", "Version", "Size", "InstallDate",
                                     "Location", "Hive", "RegistryName", "Kind", "Broken"});
        for (const ListEntry& e : entries)
            out += CsvRecord({e.name, e.publisher, e.version,
                              e.sizeBytes == 0 ? std::string() : Format("%.0f", e.sizeBytes),
                              e.installDate, e.location, e.hive, e.registryName, e.kind,
                              e.broken ? "yes" : "no"});
        return out;
    }
    if (format == OutputFormat::Json) {
        std::string out = "[";
        for (size_t i = 0; i < entries.size(); ++i) {
            const ListEntry& e = entries[i];
            out += i ? ",\r\n  " : "\r\n  ";
            out += "{\"name\": " + JsonAnsi(e.name) + ", \"publisher\": " + JsonAnsi(e.publisher) +
                   ", \"version\": " + JsonAnsi(e.version) +
                   ", \"size\": " + JsonNumber(e.sizeBytes) +
                   ", \"installDate\": " + JsonAnsi(e.installDate) +
                   ", \"location\": " + JsonAnsi(e.location) + ", \"hive\": " + JsonAnsi(e.hive) +
                   ", \"registryName\": " + JsonAnsi(e.registryName) +
                   ", \"kind\": " + JsonAnsi(e.kind) +
                   ", \"broken\": " + (e.broken ? "true" : "false") + "}";
        }
        return out + (entries.empty() ? "]\r\n" : "\r\n]\r\n");
    }
    std::vector<std::vector<std::string>> rows{{"Name", "Publisher", "Version", "Size", "Installed",
                                                "Hive", "Registry name", "Kind", "Broken",
                                                "Location"}};
    for (const ListEntry& e : entries)
        rows.push_back({OneLine(e.name), OneLine(e.publisher), OneLine(e.version),
                        SizeText(e.sizeBytes), OneLine(e.installDate), ShortHive(e.hive),
                        OneLine(e.registryName), e.kind, e.broken ? "broken" : "",
                        OneLine(e.location)});
    return Columns(rows);
}

std::string FormatShow(const ShowData& d, OutputFormat format) {
    if (format == OutputFormat::Csv) {
        std::string out = CsvRecord({"Section", "Name", "Value"});
        out += CsvRecord({"Program", "Name", d.name});
        out += CsvRecord({"Program", "Registry name", d.registryName});
        out += CsvRecord({"Program", "Hive", d.hive});
        for (const auto& [name, value] : d.properties)
            out += CsvRecord({"Properties", name, value});
        for (const auto& [name, value] : d.registry) out += CsvRecord({"Registry", name, value});
        return out;
    }
    if (format == OutputFormat::Json) {
        return "{\r\n  \"name\": " + JsonAnsi(d.name) +
               ",\r\n  \"registryName\": " + JsonAnsi(d.registryName) +
               ",\r\n  \"hive\": " + JsonAnsi(d.hive) +
               ",\r\n  \"properties\": " + JsonPairs(d.properties, "value") +
               ",\r\n  \"registry\": " + JsonPairs(d.registry, "data") + "\r\n}\r\n";
    }
    std::string out = OneLine(d.name) + "\r\n";
    out += Columns({{"  Registry name:", OneLine(d.registryName)}, {"  Hive:", d.hive}});
    out += "\r\nProperties\r\n";
    std::vector<std::vector<std::string>> rows;
    for (const auto& [name, value] : d.properties) rows.push_back({"  " + name, OneLine(value)});
    out += Columns(rows);
    out += "\r\nRegistry values\r\n";
    rows.clear();
    for (const auto& [name, value] : d.registry)
        rows.push_back(
            {"  " + (name.empty() ? std::string("(Default)") : OneLine(name)), OneLine(value)});
    out += Columns(rows);
    return out;
}

std::string FormatStartup(const std::vector<StartupLine>& rows, OutputFormat format) {
    if (format == OutputFormat::Csv) {
        std::string out = CsvRecord({"Name", "Command", "Location", "Enabled"});
        for (const StartupLine& r : rows)
            out += CsvRecord({r.name, r.command, r.location, r.enabled ? "yes" : "no"});
        return out;
    }
    if (format == OutputFormat::Json) {
        std::string out = "[";
        for (size_t i = 0; i < rows.size(); ++i) {
            const StartupLine& r = rows[i];
            out += i ? ",\r\n  " : "\r\n  ";
            out += "{\"name\": " + JsonAnsi(r.name) + ", \"command\": " + JsonAnsi(r.command) +
                   ", \"location\": " + JsonAnsi(r.location) +
                   ", \"enabled\": " + (r.enabled ? "true" : "false") + "}";
        }
        return out + (rows.empty() ? "]\r\n" : "\r\n]\r\n");
    }
    std::vector<std::vector<std::string>> table{{"On", "Name", "Location", "Command"}};
    for (const StartupLine& r : rows)
        table.push_back(
            {r.enabled ? "[x]" : "[ ]", OneLine(r.name), OneLine(r.location), OneLine(r.command)});
    return Columns(table);
}

std::string FormatTree(const cleanup::CheckTree& tree) {
    std::string out;
    for (cleanup::NodeId id : tree.InOrder()) {
        const cleanup::Node& n = tree.Get(id);
        size_t depth = 0;
        for (cleanup::NodeId up = n.parent; up != -1; up = tree.Get(up).parent) ++depth;
        const char* mark = n.state == cleanup::csChecked   ? "[x] "
                           : n.state == cleanup::csPartial ? "[-] "
                                                           : "[ ] ";
        std::string text = OneLine(n.text);
        if (n.kind == cleanup::NodeKind::RegValue && n.reg && n.reg->value && n.reg->value->empty())
            text += "(Default)";
        if (n.kind == cleanup::NodeKind::Folder && (text.empty() || text.back() != '\\'))
            text += "\\";
        if (n.kind == cleanup::NodeKind::Link) text += "  (link)";
        if (n.locked) text += "  (kept: another program lives here)";
        if (n.reason != cleanup::Reason::None)
            text += "  (" + OneLine(cleanup::ReasonText(n.reason) + cleanup::PutBackText(n)) + ")";
        out += mark + std::string(depth * 2, ' ') + text + "\r\n";
    }
    return out;
}

bool IsYes(std::string_view answer) {
    std::string a = TrimControl(answer);
    return EqualsNoCase(a, "y") || EqualsNoCase(a, "yes");
}

}  // namespace cx::cmd

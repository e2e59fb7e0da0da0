#include "inventory/ListLogic.h"

#include "i18n/LangText.h"
#include "platform/Error.h"
#include "platform/Strings.h"

namespace cx::inv {

namespace {

unsigned char FoldAscii(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 'a' + 'A') : u;
}

std::string UpperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(FoldAscii(c));
    return out;
}

const std::string& SubItem(const RowTexts& row, int column) {
    static const std::string empty;
    switch (column) {
    case 1: return row.publisher;
    case 2: return row.directory;
    default: return empty;
    }
}

// Nothing that could end the address on a browser's command line and start
// another argument or command.
bool SafeOnCommandLine(std::string_view link) {
    for (char c : link) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u <= 32 || u == 127 || c == '"') return false;
    }
    return true;
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// "www." and a host name as a web address has it, then an optional port and
// an optional path, query or fragment.
bool IsBareWebAddress(std::string_view link) {
    if (!StartsWithNoCase(link, "www.")) return false;
    size_t end = link.find_first_of(":/?#");
    std::string_view host = link.substr(0, end);
    std::string_view rest = end == std::string_view::npos ? std::string_view() : link.substr(end);
    if (host.size() > 253) return false;

    size_t labels = 0;
    std::string_view last;
    for (size_t start = 0; start <= host.size();) {
        size_t dot = host.find('.', start);
        std::string_view label =
            host.substr(start, dot == std::string_view::npos ? host.npos : dot - start);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
            return false;
        for (char c : label)
            if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '-') return false;
        ++labels;
        last = label;
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    // "www", a name and a top-level domain at least; the last is all letters.
    if (labels < 3 || last.size() < 2) return false;
    for (char c : last)
        if (!IsAsciiLetter(c)) return false;

    if (!rest.empty() && rest.front() == ':') {
        size_t digits = 1;
        while (digits < rest.size() && IsAsciiDigit(rest[digits])) ++digits;
        if (digits == 1 || digits > 6) return false;
        rest.remove_prefix(digits);
        if (!rest.empty() && rest.front() != '/' && rest.front() != '?' && rest.front() != '#')
            return false;
    }
    return rest.find('\\') == std::string_view::npos && SafeOnCommandLine(rest);
}

}  // namespace

int CompareText(std::string_view a, std::string_view b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = FoldAscii(a[i]), y = FoldAscii(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::string SortKey(const RowTexts& row, int column) {
    return column == 0 ? row.caption : Format("%10s", SubItem(row, column).c_str());
}

int CompareSortKeys(const std::string& a, const std::string& b, bool ascending) {
    const int r = CompareText(a, b);
    return ascending ? r : -r;
}

int CompareRows(const RowTexts& a, const RowTexts& b, int column, bool ascending) {
    return CompareSortKeys(SortKey(a, column), SortKey(b, column), ascending);
}

int FindProgram(const std::vector<std::string>& captions, int start, const std::string& text,
                int& searchPos) {
    if (start < 0) start = 0;
    if (static_cast<size_t>(start) >= captions.size()) return -1;
    const std::string wanted = UpperAscii(text);
    for (size_t r = static_cast<size_t>(start); r < captions.size(); ++r) {
        if (UpperAscii(captions[r]).find(wanted) != std::string::npos) {
            searchPos = static_cast<int>(r) + 1;
            return static_cast<int>(r);
        }
    }
    return -1;
}

LPARAM ScreenSaverRowData(long index) { return static_cast<LPARAM>(index) | kScreenSaverRowMark; }
bool RowIsScreenSaver(LPARAM data) { return (data & kScreenSaverRowMark) != 0; }
long RowIndex(LPARAM data) { return static_cast<long>(data & ~kScreenSaverRowMark); }

std::string ProgramCountText(unsigned long total, unsigned long patches,
                             unsigned long screenSavers) {
    return Format("%lu (%s: %lu, %s: %lu)", total,
                  LangText(IDS_MAINFORM_MENU_TOOLS_WindowsUpdate).c_str(), patches,
                  LangText(IDS_MAINFORM_ScreenSaver).c_str(), screenSavers);
}

std::string ProgramCaption(const ProgramRecord& record) {
    return record.displayName.empty() ? record.registryName : record.displayName;
}

ProgramRows PlanProgramRows(const std::vector<ProgramRecord>& records, bool hidePatches) {
    ProgramRows out;
    for (size_t i = 0; i < records.size(); ++i) {
        const ProgramRecord& r = records[i];
        bool patch = r.kind == kKindPatch;
        if (patch) ++out.patches;
        if (patch && hidePatches) continue;
        out.rows.push_back(ListRow{ProgramCaption(r), r.publisher, r.installLocation,
                                   static_cast<LPARAM>(i), r.icon});
    }
    return out;
}

std::vector<ListRow> PlanScreenSaverRows(const std::vector<ScreenSaverRecord>& savers,
                                         bool hideScreenSavers) {
    std::vector<ListRow> rows;
    if (hideScreenSavers) return rows;
    for (size_t j = 0; j < savers.size(); ++j) {
        const ScreenSaverRecord& s = savers[j];
        rows.push_back(ListRow{ScreenSaverCaption(s.title, s.file), s.publisher, s.folder,
                               ScreenSaverRowData(static_cast<long>(j)), s.icon});
    }
    return rows;
}

std::string FrequencyWord(unsigned long usedFrequency) {
    if (usedFrequency < 3) return LangText(IDS_ListView_Tips_UsedFrequency_Rarely);
    if (usedFrequency <= 10) return LangText(IDS_ListView_Tips_UsedFrequency_Occasionally);
    return LangText(IDS_ListView_Tips_UsedFrequency_Frequently);
}

std::string ScreenSaverCaption(const std::string& title, const std::string& file) {
    if (file.empty()) return {};
    return "[" + LangText(IDS_MAINFORM_ScreenSaver) + "]" + (title.empty() ? file : title);
}

std::string ProgramTip(const ProgramTipData& data) {
    std::string tip = Format(LangFormatText(IDS_LISTVIEW_TIPS_UsedFrequency),
                             FrequencyWord(data.usedFrequency).c_str()) +
                      "\r\n";
    if (!data.lastUsed.empty())
        tip += Format(LangFormatText(IDS_LISTVIEW_TIPS_LastUsed), data.lastUsed.c_str()) + "\r\n";
    tip += Format(LangFormatText(IDS_LISTVIEW_TIPS_UninstallString), data.uninstallString.c_str());
    return tip;
}

std::string ScreenSaverTip(unsigned long sizeBytes, const std::string& file,
                           const std::string& lastUsed) {
    return Format(LangFormatText(IDS_LISTVIEW_TIPS_Size),
                  static_cast<double>(sizeBytes) / 1048576.0) +
           "\r\n" + Format(LangFormatText(IDS_LISTVIEW_TIPS_ScrName), file.c_str()) + "\r\n" +
           Format(LangFormatText(IDS_LISTVIEW_TIPS_LastUsed), lastUsed.c_str()) + "\r\n";
}

std::string ChooseStatusLink(const std::string& about, const std::string& help,
                             const std::string& update) {
    if (!about.empty()) return about;
    if (!help.empty()) return help;
    return update;
}

std::optional<std::string> LaunchableLink(const std::string& link) {
    size_t schemeLength = 0;
    if (StartsWithNoCase(link, "http://"))
        schemeLength = 7;
    else if (StartsWithNoCase(link, "https://"))
        schemeLength = 8;
    else if (StartsWithNoCase(link, "mailto:"))
        schemeLength = 7;
    else if (IsBareWebAddress(link))
        // Handed on bare, the shell would look for a file of that name first,
        // and "www.example.com" names a program as readily as a web site.
        return "http://" + link;
    else
        return std::nullopt;
    if (link.size() <= schemeLength || !SafeOnCommandLine(link)) return std::nullopt;
    return link;
}

bool IsLaunchableLink(const std::string& link) { return LaunchableLink(link).has_value(); }

std::vector<std::pair<std::string, std::string>> PropertyRows(const ProgramProperties& p) {
    std::vector<std::pair<std::string, std::string>> rows;
    auto add = [&](Ids label, const std::string& value) {
        rows.emplace_back(LangText(label), value);
    };
    if (p.size != 0.0f)
        add(IDS_DETAILSFORM_LISTVIEW_Items_ProgramSize,
            Format("%.2f MB", static_cast<double>(p.size) / 1048576.0));
    if (!p.installDate.empty()) add(IDS_DETAILSFORM_LISTVIEW_Items_InstallDate, p.installDate);
    add(IDS_DETAILSFORM_LISTVIEW_Items_UsedFrequency, FrequencyWord(p.usedFrequency));
    if (!p.lastUsed.empty()) add(IDS_DETAILSFORM_LISTVIEW_Items_LastAccessDate, p.lastUsed);
    if (!p.installLocation.empty())
        add(IDS_DETAILSFORM_LISTVIEW_Items_InstallLocation, p.installLocation);
    if (!p.version.empty()) add(IDS_DETAILSFORM_LISTVIEW_Items_ProgramVersion, p.version);
    if (!p.publisher.empty()) add(IDS_DETAILSFORM_LISTVIEW_Items_Publisher, p.publisher);
    if (!p.helpLink.empty()) add(IDS_DETAILSFORM_LISTVIEW_Items_HelpInfo, p.helpLink);
    if (!p.aboutLink.empty()) add(IDS_DETAILSFORM_LISTVIEW_Items_AboutLink, p.aboutLink);
    if (!p.updateLink.empty()) add(IDS_DETAILSFORM_LISTVIEW_Items_UpdateLink, p.updateLink);
    return rows;
}

}  // namespace cx::inv

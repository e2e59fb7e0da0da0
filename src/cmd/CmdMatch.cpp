#include "cmd/CmdMatch.h"

#include <algorithm>
#include <cwctype>

#include "platform/Strings.h"

namespace cx::cmd {

namespace {

// Value and file names compare as the registry and the file system do.
bool SameName(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](wchar_t x, wchar_t y) { return towlower(x) == towlower(y); });
}

// What makes two rows the same stored entry.
bool SameEntry(const startup::StartupEntry& a, const startup::StartupEntry& b) {
    if (a.source != b.source) return false;
    if (a.source == startup::Source::Registry)
        return a.hive == b.hive && a.keyIndex == b.keyIndex && SameName(a.valueName, b.valueName);
    return a.folder == b.folder && a.directory == b.directory && SameName(a.fileName, b.fileName);
}

}  // namespace

std::vector<size_t> MatchRecords(const std::vector<inv::ProgramRecord>& records,
                                 const std::string& registryName,
                                 const std::optional<std::string>& hive) {
    std::vector<size_t> out;
    for (size_t i = 0; i < records.size(); ++i)
        if (EqualsNoCase(records[i].registryName, registryName) &&
            (!hive || records[i].hive == *hive))
            out.push_back(i);
    return out;
}

RecordChoice ChooseRecord(const std::vector<inv::ProgramRecord>& records,
                          const std::string& registryName, const std::optional<std::string>& hive) {
    RecordChoice choice;
    const std::vector<size_t> found = MatchRecords(records, registryName, hive);
    if (found.empty()) {
        choice.problem = "no program is registered as \"" + registryName + "\"" +
                         (hive ? " under " + *hive : std::string());
    } else if (found.size() > 1) {
        choice.problem = "\"" + registryName +
                         "\" is registered more than once; choose one with --hive HKLM or --hive "
                         "HKCU";
    } else {
        choice.index = found.front();
    }
    return choice;
}

StartupChoice ChooseStartupRow(const std::vector<startup::StartupEntry>& rows, StartupAction action,
                               const std::string& name,
                               const std::optional<std::string>& location) {
    StartupChoice choice;
    std::vector<size_t> found;
    for (size_t i = 0; i < rows.size(); ++i)
        if (EqualsNoCase(rows[i].Name, name) &&
            (!location || EqualsNoCase(rows[i].Location, *location)))
            found.push_back(i);
    if (found.empty()) {
        choice.problem = "no startup entry is named \"" + name + "\"" +
                         (location ? " at " + *location : std::string());
        return choice;
    }
    for (size_t i : found) {
        if (SameEntry(rows[i], rows[found.front()])) continue;
        std::string where;
        for (size_t j : found) where += "\r\n  " + rows[j].Location;
        choice.problem = "more than one startup entry is named \"" + name +
                         "\"; choose one with --location:" + where;
        return choice;
    }
    if (action == StartupAction::Delete) {
        choice.row = found.front();
        return choice;
    }
    const bool enable = action == StartupAction::Enable;
    for (size_t i : found)
        if (startup::NeedsMove(rows[i], enable)) {
            choice.row = i;
            return choice;
        }
    choice.nothingToDo = true;
    return choice;
}

}  // namespace cx::cmd

#include "backup/BackupPlan.h"

#include <windows.h>

#include <unordered_set>

#include "platform/Error.h"
#include "platform/ShellRun.h"
#include "platform/RegPath.h"
#include "platform/Strings.h"

namespace cx::backup {

namespace {

constexpr const wchar_t* kExtension = L".reg";
constexpr size_t kMaxFileName = 255;  // one name in a folder, extension included

const wchar_t* const kDevices[] = {L"CON",  L"PRN",  L"AUX",  L"NUL",  L"COM1",   L"COM2",
                                   L"COM3", L"COM4", L"COM5", L"COM6", L"COM7",   L"COM8",
                                   L"COM9", L"LPT1", L"LPT2", L"LPT3", L"LPT4",   L"LPT5",
                                   L"LPT6", L"LPT7", L"LPT8", L"LPT9", L"CONIN$", L"CONOUT$"};

bool ForbiddenChar(wchar_t c) {
    return c < 32 || c == L'\\' || c == L'/' || c == L':' || c == L'*' || c == L'?' || c == L'"' ||
           c == L'<' || c == L'>' || c == L'|';
}

std::wstring Upper(std::wstring s) {
    if (!s.empty()) CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

// The part before the first dot, blanks at its end left out: what Windows
// compares with the device names.
bool IsDeviceName(const std::wstring& s) {
    std::wstring base = s.substr(0, s.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    base = Upper(base);
    for (const wchar_t* d : kDevices)
        if (base == d) return true;
    return false;
}

// Cuts to `maxChars`, never between the two halves of a surrogate pair.
void CutTo(std::wstring& s, size_t maxChars) {
    if (s.size() <= maxChars) return;
    s.resize(maxChars);
    if (!s.empty() && s.back() >= 0xD800 && s.back() <= 0xDBFF) s.pop_back();
}

// Windows drops dots and blanks at the end of a name, so a file created as
// "Tool." would be "Tool" and answer to another entry.
void MarkEnd(std::wstring& s) {
    for (size_t i = s.size(); i > 0 && (s[i - 1] == L'.' || s[i - 1] == L' '); --i) s[i - 1] = L'_';
}

// regedit looks for a file named any other way in its current folder.
[[noreturn]] void NotAFullPath(const std::string& shown) {
    throw AppError("regedit is given files by their full path only, not \"" + shown + "\".");
}
const std::string& FullPathOnly(const std::string& file) {
    if (!IsAbsolutePath(file)) NotAFullPath(file);
    return file;
}
const std::wstring& FullPathOnly(const std::wstring& file) {
    if (!IsAbsolutePath(file)) NotAFullPath(WideToAnsi(file));
    return file;
}

std::wstring Counter(size_t n) {
    return n < 2 ? std::wstring() : L" (" + std::to_wstring(n) + L")";
}

}  // namespace

const char* HiveName(Hive hive) {
    return cx::HiveName(hive == Hive::CurrentUser ? RegHive::CurrentUser : RegHive::LocalMachine);
}

Hive HiveFromName(const std::string& name) {
    return ParseHive(TrimControl(name), HiveSpelling::AnyCase) == RegHive::CurrentUser
               ? Hive::CurrentUser
               : Hive::LocalMachine;
}

std::string UninstallKeyPath(Hive hive, const std::string& registryName) {
    return std::string(HiveName(hive)) +
           "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + registryName;
}

std::wstring UninstallKeyPath(Hive hive, const std::wstring& registryName) {
    return AnsiToWide(HiveName(hive)) +
           L"\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + registryName;
}

std::string ExportParameters(const std::string& filePath, Hive hive,
                             const std::string& registryName) {
    return " /e " + QuoteArgument(FullPathOnly(filePath)) + " " +
           QuoteArgument(UninstallKeyPath(hive, registryName));
}

std::string ReloadParameters(const std::string& filePath) {
    return " " + QuoteArgument(FullPathOnly(filePath));
}

std::wstring BackupParameters(const std::wstring& targetPath, const std::wstring& keyPath) {
    return L"/e " + QuoteArgument(FullPathOnly(targetPath)) + L" " + QuoteArgument(keyPath);
}

std::wstring SanitiseFileStem(const std::wstring& name, size_t maxChars) {
    if (maxChars < 1) maxChars = 1;
    std::wstring s = name;
    for (wchar_t& c : s)
        if (ForbiddenChar(c)) c = L'_';
    CutTo(s, maxChars);
    MarkEnd(s);
    if (IsDeviceName(s)) {
        size_t dot = s.find(L'.');
        if (dot == std::wstring::npos) dot = s.size();
        s.insert(dot, 1, L'_');
        if (s.size() > maxChars) {
            // Only a limit of a few characters gets here: the device part itself is cut.
            s.resize(maxChars);
            MarkEnd(s);
            if (IsDeviceName(s)) s.back() = L'_';
        }
    }
    if (s.empty()) s = L"_";
    return s;
}

std::string SanitiseFileStem(const std::string& name, size_t maxChars) {
    // Through UTF-16: in a double-byte code page a trail byte may look like "\".
    return WideToAnsi(SanitiseFileStem(AnsiToWide(name), maxChars));
}

std::vector<BackupEntry> PlanBackup(const std::vector<std::wstring>& machine,
                                    const std::vector<std::wstring>& user) {
    std::vector<BackupEntry> plan;
    plan.reserve(machine.size() + user.size());
    for (const std::wstring& n : machine) plan.push_back({Hive::LocalMachine, n, {}});
    for (const std::wstring& n : user) plan.push_back({Hive::CurrentUser, n, {}});

    const size_t extLen = wcslen(kExtension);
    auto prefixOf = [](const BackupEntry& e) {
        return e.hive == Hive::CurrentUser ? std::wstring(kUserFilePrefix) : std::wstring();
    };
    auto candidate = [&](const BackupEntry& e, size_t n) {
        std::wstring prefix = prefixOf(e), counter = Counter(n);
        size_t room = kMaxFileName - extLen - prefix.size() - counter.size();
        return prefix + SanitiseFileStem(e.name, room) + counter + kExtension;
    };

    std::unordered_set<std::wstring> taken;
    // First the names that need no change, so a valid name always keeps its own file.
    for (BackupEntry& e : plan) {
        std::wstring natural = prefixOf(e) + e.name + kExtension;
        if (natural != candidate(e, 1)) continue;
        if (taken.insert(Upper(natural)).second) e.fileName = std::move(natural);
    }
    for (BackupEntry& e : plan) {
        if (!e.fileName.empty()) continue;
        for (size_t n = 1;; ++n) {
            std::wstring name = candidate(e, n);
            if (taken.insert(Upper(name)).second) {
                e.fileName = std::move(name);
                break;
            }
        }
    }
    return plan;
}

int ProgressPercent(size_t finished, size_t total) {
    if (total == 0) return 0;
    if (finished >= total) return 100;
    return static_cast<int>(finished * 100 / total);
}

BackupVerdict JudgeBackup(size_t total, size_t failed) {
    if (total == 0) return BackupVerdict::Nothing;
    return failed == 0 ? BackupVerdict::Succeeded : BackupVerdict::SomeFailed;
}

}  // namespace cx::backup

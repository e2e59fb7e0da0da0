#include "cleanup/BrokenEntry.h"

#include <windows.h>

#include "cleanup/Evidence.h"
#include "cleanup/UninstallHistory.h"
#include "cleanup/UninstallEntry.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Strings.h"

namespace cx::cleanup {

namespace {

constexpr const wchar_t* kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::wstring Trim(std::wstring s) {
    while (!s.empty() && s.back() <= L' ') s.pop_back();
    size_t b = 0;
    while (b < s.size() && s[b] <= L' ') ++b;
    return s.substr(b);
}

std::wstring Expanded(const std::wstring& text) {
    if (text.find(L'%') == std::wstring::npos) return text;
    std::wstring out(32768, L'\0');
    const DWORD n = ExpandEnvironmentStringsW(text.c_str(), out.data(), 32768);
    if (n == 0 || n > 32768) return {};
    out.resize(n - 1);
    return out;
}

// "X:\..." and nothing a device, stream or the current folder could hide in.
bool IsLocalFullPath(const std::wstring& p) {
    if (p.size() < 4 || !iswalpha(p[0]) || p[1] != L':' || p[2] != L'\\') return false;
    for (size_t i = 2; i < p.size(); ++i)
        if (p[i] == L':' || p[i] == L'*' || p[i] == L'?' || p[i] == L'"' || p[i] == L'<' ||
            p[i] == L'>' || p[i] == L'|' || p[i] < L' ')
            return false;
    return true;
}

std::wstring Bare(std::wstring p) {
    while (p.size() > 3 && (p.back() == L'\\' || p.back() == L'/')) p.pop_back();
    return p;
}

std::wstring FolderOf(const std::wstring& file) {
    const size_t slash = file.find_last_of(L'\\');
    return slash == std::wstring::npos || slash < 3 ? std::wstring() : file.substr(0, slash);
}

bool IsMsiExec(const std::wstring& program) {
    const size_t slash = program.find_last_of(L"\\/");
    const std::wstring name = slash == std::wstring::npos ? program : program.substr(slash + 1);
    return EqualsNoCase(WideToAnsi(name), "msiexec") ||
           EqualsNoCase(WideToAnsi(name), "msiexec.exe");
}

PlaceState Absent(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PlaceState::Missing
                                                                          : PlaceState::Unknown;
}

PlaceState FileState(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(LongPathForApi(path).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return Absent(GetLastError());
    return PlaceState::Present;
}

PlaceState FolderState(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(LongPathForApi(path).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return Absent(GetLastError());
    if (!(a & FILE_ATTRIBUTE_DIRECTORY)) return PlaceState::Present;
    // A link leads somewhere else: what is there is not for this entry to judge.
    if (a & FILE_ATTRIBUTE_REPARSE_POINT) return PlaceState::Unknown;
    WIN32_FIND_DATAW d;
    HANDLE h = FindFirstFileExW(LongPathForApi(path + L"\\*").c_str(), FindExInfoBasic, &d,
                                FindExSearchNameMatch, nullptr, 0);
    if (h == INVALID_HANDLE_VALUE) return PlaceState::Unknown;
    PlaceState state = PlaceState::Empty;
    do {
        if (wcscmp(d.cFileName, L".") != 0 && wcscmp(d.cFileName, L"..") != 0) {
            state = PlaceState::Present;
            break;
        }
    } while (FindNextFileW(h, &d));
    FindClose(h);
    return state;
}

bool FixedDrive(const std::wstring& path) {
    const std::wstring root = path.substr(0, 3);
    return GetDriveTypeW(root.c_str()) == DRIVE_FIXED &&
           GetFileAttributesW(root.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

EntryLook SystemEntryLook() {
    EntryLook look;
    look.file = FileState;
    look.folder = FolderState;
    look.fixedDrive = FixedDrive;
    look.windowsInstaller = IsWindowsInstallerEntry;
    return look;
}

bool IsBrokenEntry(const EntryPlaces& entry, const EntryLook& look) {
    const std::wstring command = Trim(Expanded(AnsiToWide(entry.uninstallString)));
    if (command.empty()) return false;
    const std::wstring program = Trim(SplitCommand(std::wstring_view(command)).program);
    if (program.empty() || IsMsiExec(program) || !IsLocalFullPath(program)) return false;
    // A drive not there (a removable disk, a network drive mapped by letter)
    // says nothing of the program on it.
    if (!look.fixedDrive(program)) return false;
    if (look.file(program) != PlaceState::Missing) return false;
    std::vector<std::wstring> folders;
    const std::wstring location = Bare(Trim(Expanded(AnsiToWide(entry.installLocation))));
    if (!location.empty()) {
        // An install folder that cannot be judged leaves the entry as it is.
        std::wstring unquoted = location;
        if (unquoted.size() >= 2 && unquoted.front() == L'"' && unquoted.back() == L'"')
            unquoted = Bare(Trim(unquoted.substr(1, unquoted.size() - 2)));
        if (!IsLocalFullPath(unquoted + L"\\") || !look.fixedDrive(unquoted)) return false;
        folders.push_back(unquoted);
    }
    if (const std::wstring own = FolderOf(program); !own.empty()) folders.push_back(own);
    for (const std::wstring& f : folders) {
        const PlaceState s = look.folder(f);
        if (s != PlaceState::Missing && s != PlaceState::Empty) return false;
    }
    // Asked last: it reads the registry, and only a few entries get this far.
    return !look.windowsInstaller(entry.hive, entry.registryName);
}

bool IsBrokenEntry(const EntryPlaces& entry) { return IsBrokenEntry(entry, SystemEntryLook()); }

RegPath EntryKeyPath(const ListedProgram& program) {
    const RegHive hive = ParseHive(program.hive) == RegHive::CurrentUser ? RegHive::CurrentUser
                                                                         : RegHive::LocalMachine;
    return RegPath{
        hive, std::wstring(kUninstallKey) + L"\\" + AnsiToWide(program.registryName), {}};
}

std::optional<EntryPlaces> ReadEntryPlaces(const ListedProgram& program) {
    if (program.registryName.empty() || program.registryName.find('\\') != std::string::npos)
        return std::nullopt;
    const HKEY root =
        ParseHive(program.hive) == RegHive::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    auto entry = reg::Key::Open(
        root, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + program.registryName);
    if (!entry) return std::nullopt;
    EntryPlaces places{program.hive, program.registryName, {}, {}};
    auto read = [&entry](const char* name) {
        auto value = entry->RawValue(name);
        if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ)) return std::string();
        return reg::StringFromData(value->data);
    };
    places.uninstallString = read("UninstallString");
    places.installLocation = read("InstallLocation");
    return places;
}

void ScanBrokenEntry(FoundRemains& found, const SafetyContext& safety, ScanProgress& progress) {
    found.stillInstalled = false;
    found.leftovers.reset();
    found.brokenEntry = true;
    ScanFoundRemains(found, safety, progress);
    const RegPath entry = EntryKeyPath(found.target);
    // The walk by name finds the entry itself; should it not (a name the
    // code page cannot hold, a walk cut short), the entry is offered all the same.
    NodeId node = -1;
    for (NodeId id : found.registry.Roots()) {
        const Node& n = found.registry.Get(id);
        if (n.reg && !n.reg->IsValue() && n.reg->hive == entry.hive &&
            EqualsNoCase(WideToAnsi(n.reg->key), WideToAnsi(entry.key)))
            node = id;
    }
    if (node == -1) {
        if (found.target.registryName.empty() ||
            found.target.registryName.find('\\') != std::string::npos ||
            !IsAnsiFaithful(entry.key) || IsProtectedKey(entry.hive, entry.key))
            return;
        node = found.registry.AddRegistry(-1, entry, csChecked);
        found.offered = RootNames(found.registry);
        for (std::wstring& f : RootNames(found.files)) found.offered.push_back(std::move(f));
    }
    found.registry.SetReason(node, Reason::BrokenEntry);
    if (found.registry.Get(node).locked) return;
    found.registry.SetState(node, csChecked);
    found.registry.SetChildrenState(node);
}

}  // namespace cx::cleanup

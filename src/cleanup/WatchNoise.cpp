#include "cleanup/WatchNoise.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/Strings.h"

namespace cx::cleanup {

const std::vector<NoiseRule> kNoiseRules = {
    // Explorer's lists of what was opened, typed and looked at.
    {L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs",
     "recently opened documents"},
    {L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU", "the Run box's list"},
    {L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32",
     "the file dialogs' lists"},
    {L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\TypedPaths",
     "typed folder paths"},
    {L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist",
     "what the user started, counted"},
    {L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\SessionInfo",
     "Explorer's session"},
    {L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StreamMRU",
     "Explorer's window places"},
    {L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Streams",
     "Explorer's window places"},
    {L"HKCU\\Software\\Microsoft\\Windows\\ShellNoRoam", "Explorer's folder views"},
    {L"HKCU\\Software\\Microsoft\\Windows\\Shell\\BagMRU", "Explorer's folder views"},
    {L"HKCU\\Software\\Microsoft\\Windows\\Shell\\Bags", "Explorer's folder views"},
    {L"HKCU\\Software\\Classes\\Local Settings\\MuiCache", "the shell's cache of program names"},
    {L"HKCU\\Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell",
     "Explorer's folder views and name cache"},
    {L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts",
     "the file types the user opened"},
    // Counters and seeds Windows keeps changing.
    {L"HKLM\\SOFTWARE\\Microsoft\\Cryptography\\RNG", "the random number seed"},
    {L"HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Prefetcher", "the prefetcher"},
    {L"HKLM\\SOFTWARE\\Microsoft\\Tracing", "the network components' tracing"},
    {L"HKLM\\SYSTEM\\CurrentControlSet\\Services\\bam", "the background activity log"},
    // The Installer's own bookkeeping, under names it makes up (packed codes,
    // random file names); msiexec itself takes a product's records back.
    {L"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer",
     "Windows Installer's own bookkeeping"},
    {L"HKLM\\SOFTWARE\\Classes\\Installer", "Windows Installer's own bookkeeping"},
    {L"HKCU\\Software\\Microsoft\\Installer", "Windows Installer's own bookkeeping"},
    {L"HKCU\\Software\\Classes\\Installer", "Windows Installer's own bookkeeping"},
    {L"%WINDIR%\\Installer", "Windows Installer's cached packages"},
    // The compatibility layer's own settings, which change as sessions start.
    {L"HKCU\\Software\\Wine", "the compatibility layer's settings"},
    {L"HKLM\\SOFTWARE\\Wine", "the compatibility layer's settings"},
    // Carvexo's own.
    {L"HKCU\\Software\\Carvexo", "Carvexo's own settings"},
    {L"%APPDIR%", "Carvexo's own files"},
    // Temporary files, caches and logs.
    {L"%TEMP%", "temporary files"},
    {L"%WINDIR%\\Temp", "temporary files"},
    {L"%LOCALAPPDATA%\\Temp", "temporary files"},
    {L"%WINDIR%\\Prefetch", "the prefetcher's files"},
    {L"%WINDIR%\\Logs", "Windows' logs"},
    {L"%WINDIR%\\System32\\winevt", "the event log"},
    {L"%WINDIR%\\System32\\config", "the event log and the registry's files"},
    {L"%WINDIR%\\WindowsUpdate.log", "Windows' logs"},
    {L"%WINDIR%\\setupact.log", "Windows' logs"},
    {L"%WINDIR%\\setuperr.log", "Windows' logs"},
    {L"%APPDATA%\\Microsoft\\Windows\\Recent", "recently opened documents"},
    {L"%LOCALAPPDATA%\\Microsoft\\Windows\\Explorer", "Explorer's thumbnail and icon caches"},
    {L"%LOCALAPPDATA%\\Microsoft\\Windows\\INetCache", "the browser cache"},
    {L"%LOCALAPPDATA%\\Microsoft\\Windows\\Temporary Internet Files", "the browser cache"},
    {L"%LOCALAPPDATA%\\Microsoft\\Windows\\History", "the browser history"},
    {L"%LOCALAPPDATA%\\Microsoft\\Windows\\WER", "error reports"},
    {L"%LOCALAPPDATA%\\CrashDumps", "error reports"},
    {L"%LOCALAPPDATA%\\IconCache.db", "Explorer's icon cache"},
    {L"%PROGRAMDATA%\\Microsoft\\Windows\\WER", "error reports"},
};

namespace {

bool SameText(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           (a.empty() || CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL);
}

bool AtOrBelow(std::wstring_view path, std::wstring_view place) {
    if (place.empty() || path.size() < place.size() ||
        !SameText(path.substr(0, place.size()), place))
        return false;
    return path.size() == place.size() || path[place.size()] == L'\\';
}

std::wstring Folder(int csidl) {
    wchar_t buf[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_DONT_VERIFY, nullptr,
                                SHGFP_TYPE_CURRENT, buf)))
        return {};
    return buf;
}

std::wstring NoSlash(std::wstring s) {
    while (s.size() > 3 && s.back() == L'\\') s.pop_back();
    return s;
}

}  // namespace

NoiseFilter::NoiseFilter(const std::vector<NoiseRule>& rules,
                         const std::function<std::wstring(const std::wstring& name)>& folderOf) {
    for (const NoiseRule& r : rules) {
        const std::wstring place = r.place;
        if (place.rfind(L"HKLM\\", 0) == 0 || place.rfind(L"HKCU\\", 0) == 0) {
            keys_.push_back(
                {place[2] == L'L' ? RegHive::LocalMachine : RegHive::CurrentUser, place.substr(5)});
            continue;
        }
        if (place.empty() || place[0] != L'%') continue;
        const size_t end = place.find(L'%', 1);
        if (end == std::wstring::npos) continue;
        const std::wstring base = NoSlash(folderOf(place.substr(1, end - 1)));
        if (base.empty()) continue;
        folders_.push_back(base + place.substr(end + 1));
    }
}

NoiseFilter NoiseFilter::ForThisMachine(const std::wstring& appDir) {
    return NoiseFilter(kNoiseRules, [&appDir](const std::wstring& name) -> std::wstring {
        if (name == L"APPDIR") return appDir;
        if (name == L"WINDIR") return Folder(CSIDL_WINDOWS);
        if (name == L"APPDATA") return Folder(CSIDL_APPDATA);
        if (name == L"LOCALAPPDATA") return Folder(CSIDL_LOCAL_APPDATA);
        if (name == L"PROGRAMDATA") return Folder(CSIDL_COMMON_APPDATA);
        if (name == L"TEMP") {
            wchar_t buf[MAX_PATH + 1] = {};
            const DWORD n = GetTempPathW(MAX_PATH + 1, buf);
            return n && n <= MAX_PATH ? std::wstring(buf) : std::wstring();
        }
        return {};
    });
}

bool NoiseFilter::IsNoiseKey(RegHive hive, std::wstring_view path) const {
    for (const Key& k : keys_)
        if (k.hive == hive && AtOrBelow(path, k.path)) return true;
    return false;
}

bool NoiseFilter::IsNoiseFile(std::wstring_view path) const {
    for (const std::wstring& f : folders_)
        if (AtOrBelow(path, f)) return true;
    return false;
}

}  // namespace cx::cleanup

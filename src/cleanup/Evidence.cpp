#include "cleanup/Evidence.h"

#include <windows.h>

#include <cctype>
#include <string_view>

#include "cleanup/UninstallEntry.h"
#include "platform/Handles.h"
#include "platform/Strings.h"

namespace cx::cleanup {

namespace {

// --- names ------------------------------------------------------------------

bool IsVersion(std::string_view w) {
    if (!w.empty() && (w[0] == 'v' || w[0] == 'V')) w.remove_prefix(1);
    if (w.empty() || !std::isdigit(static_cast<unsigned char>(w[0]))) return false;
    for (char c : w)
        if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.') return false;
    return true;
}

// The text before the last blank-separated word, and that word.
std::pair<std::string, std::string> SplitLastWord(const std::string& s) {
    size_t blank = s.find_last_of(" \t");
    if (blank == std::string::npos) return {{}, s};
    return {TrimControl(s.substr(0, blank)), s.substr(blank + 1)};
}

bool EndsWithSeparator(const std::string& s) {
    // '\x96' is the en dash of the Western code page.
    return !s.empty() &&
           (s.back() == '-' || s.back() == ',' || s.back() == ':' || s.back() == '\x96');
}

std::string ProductName(const std::string& displayName) {
    std::string s = TrimControl(displayName);
    for (;;) {
        std::string next = s;
        const char close = next.empty() ? '\0' : next.back();
        if (close == ')' || close == ']') {
            size_t open = next.find_last_of(close == ')' ? '(' : '[');
            if (open != std::string::npos) next = TrimControl(next.substr(0, open));
        } else if (EndsWithSeparator(next)) {
            next = TrimControl(next.substr(0, next.size() - 1));
        } else {
            auto [before, last] = SplitLastWord(next);
            if (IsVersion(last) && !before.empty()) {
                next = before;
                auto [head, word] = SplitLastWord(next);
                if (!head.empty() && (EqualsNoCase(word, "version") || EqualsNoCase(word, "build")))
                    next = head;
            }
        }
        if (next.empty() || next == s) return s;
        s = next;
    }
}

std::string PublisherName(const std::string& publisher) {
    static const char* const kLegalForms[] = {
        "Inc.",  "Inc",  "Incorporated", "Ltd.", "Ltd",    "Limited", "LLC", "L.L.C.", "GmbH",
        "Corp.", "Corp", "Corporation",  "Co.",  "Co",     "S.A.",    "SA",  "AG",     "B.V.",
        "BV",    "PLC",  "Pty",          "Pty.", "S.r.l.", "Srl",     "KG",  "Oy",     "AB"};
    std::string s = TrimControl(publisher);
    for (;;) {
        std::string next = s;
        if (!next.empty() && (next.back() == ',' || next.back() == '&')) {
            next = TrimControl(next.substr(0, next.size() - 1));
        } else {
            auto [before, last] = SplitLastWord(next);
            if (!before.empty())
                for (const char* form : kLegalForms)
                    if (EqualsNoCase(last, form)) {
                        next = before;
                        break;
                    }
        }
        if (next.empty() || next == s) return s;
        s = next;
    }
}

// The last two names of a folder path: {folder, parent}; a drive, server or
// share name is never one of them.
std::pair<std::string, std::string> FolderNames(const std::string& location) {
    std::string s = TrimControl(location);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
        s = TrimControl(s.substr(1, s.size() - 2));
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= s.size(); ++i)
        if (i == s.size() || s[i] == '\\' || s[i] == '/') {
            parts.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    // Skip the root: "\\?\", "\\server\share", "C:".
    size_t first = 0;
    if (parts.size() >= 3 && parts[0].empty() && parts[1].empty()) {
        first = (parts[2] == "?" || parts[2] == ".") ? 3 : 4;
    }
    if (first < parts.size() && parts[first].size() == 2 && parts[first][1] == ':') ++first;
    std::vector<std::string> names;
    for (size_t i = first; i < parts.size(); ++i)
        if (!TrimControl(parts[i]).empty()) names.push_back(TrimControl(parts[i]));
    std::pair<std::string, std::string> out;
    if (!names.empty()) out.first = names.back();
    if (names.size() >= 2) out.second = names[names.size() - 2];
    return out;
}

bool StandsAlone(const std::string& name) {
    static const char* const kShared[] = {"Software",     "Common",        "Common Files",
                                          "Update",       "Updates",       "Shared",
                                          "Data",         "Program Files", "Program Files (x86)",
                                          "Programs",     "ProgramData",   "Application",
                                          "Applications", "Apps",          "Tools",
                                          "Microsoft",    "Windows",       "Setup",
                                          "Install",      "Installer",     "Uninstall",
                                          "Temp",         "Bin",           "x86",
                                          "x64",          "AppData",       "Local",
                                          "LocalLow",     "Roaming",       "Users",
                                          "Default",      "Files",         "Plugins",
                                          "Resources",    "Runtime"};
    if (name.size() < 5 || IsVersion(name)) return false;
    for (const char* word : kShared)
        if (EqualsNoCase(name, word)) return false;
    return true;
}

// --- places -----------------------------------------------------------------

bool SameText(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           (a.empty() || CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL);
}

bool IsSlash(wchar_t c) { return c == L'\\' || c == L'/'; }

std::wstring TrimW(std::wstring_view s) {
    size_t b = 0, e = s.size();
    while (b < e && s[b] <= L' ') ++b;
    while (e > b && s[e - 1] <= L' ') --e;
    return std::wstring(s.substr(b, e - b));
}

std::wstring Unquote(std::wstring s) {
    s = TrimW(s);
    if (s.size() >= 2 && s.front() == L'"' && s.back() == L'"')
        s = TrimW(s.substr(1, s.size() - 2));
    return s;
}

// How many characters of `p` its root takes ("C:", "\\server\share", "\\?\C:"),
// or 0 when `p` is not a full path.
size_t RootLength(std::wstring_view p) {
    auto drive = [&](size_t at) {
        return p.size() >= at + 2 && iswalpha(p[at]) && p[at + 1] == L':' &&
               (p.size() == at + 2 || IsSlash(p[at + 2]));
    };
    if (drive(0)) return 2;
    if (p.size() < 3 || !IsSlash(p[0]) || !IsSlash(p[1])) return 0;
    if ((p[2] == L'?' || p[2] == L'.') && p.size() > 3 && IsSlash(p[3])) return drive(4) ? 6 : 0;
    size_t server = p.find_first_of(L"\\/", 2);
    if (server == std::wstring_view::npos || server == 2) return 0;
    size_t share = p.find_first_of(L"\\/", server + 1);
    if (share == server + 1) return 0;
    return share == std::wstring_view::npos ? p.size() : share;
}

// The folder text without trailing slashes; empty when it is no full path or a root.
std::wstring FullFolder(std::wstring s) {
    while (!s.empty() && IsSlash(s.back())) s.pop_back();
    size_t root = RootLength(s);
    if (root == 0 || root >= s.size()) return {};
    return s;
}

std::wstring FolderOfFile(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : FullFolder(path.substr(0, slash));
}

std::vector<std::wstring> Segments(const std::wstring& folder) {
    std::vector<std::wstring> out;
    size_t start = 0;
    for (size_t i = 0; i <= folder.size(); ++i)
        if (i == folder.size() || IsSlash(folder[i])) {
            out.push_back(folder.substr(start, i - start));
            start = i + 1;
        }
    return out;
}

bool IsBelowOrSame(const std::wstring& path, std::wstring base) {
    while (!base.empty() && IsSlash(base.back())) base.pop_back();
    if (base.empty() || path.size() < base.size()) return false;
    return SameText(std::wstring_view(path).substr(0, base.size()), base) &&
           (path.size() == base.size() || IsSlash(path[base.size()]));
}

// A folder inferred from a file that names what ran, not the program.
bool IsRunnersFolder(const std::wstring& folder, const SystemPlaces& system) {
    if (IsBelowOrSame(folder, system.windowsDir)) return true;
    for (const std::wstring& temp : system.tempDirs)
        if (IsBelowOrSame(folder, temp)) return true;
    for (const std::wstring& name : Segments(folder))
        if (SameText(name, L"Temp") || SameText(name, L"Tmp") || SameText(name, L"Package Cache") ||
            SameText(name, L"InstallShield Installation Information"))
            return true;
    return false;
}

size_t FindNoCase(std::wstring_view text, std::wstring_view what, size_t from) {
    for (size_t i = from; i + what.size() <= text.size(); ++i)
        if (SameText(text.substr(i, what.size()), what)) return i;
    return std::wstring_view::npos;
}

// The program an uninstall string runs. Unquoted, "C:\Program Files\A\u.exe /S"
// runs "C:\Program Files\A\u.exe" when it exists, as CreateProcess tries the
// text up to each blank in turn; the first ".exe" before a blank (and before
// any switch) stands for that file.
std::wstring UninstallerProgram(const std::wstring& uninstallString) {
    std::wstring text = TrimW(uninstallString);
    std::wstring program = SplitCommand(text).program;
    if (text.empty() || text[0] == L'"') return program;
    size_t switches = text.find(L" /");
    for (size_t p = FindNoCase(text, L".exe", 0); p != std::wstring::npos && p < switches;
         p = FindNoCase(text, L".exe", p + 1)) {
        size_t end = p + 4;
        if (end == text.size() || text[end] == L' ' || text[end] == L'\t')
            return text.substr(0, end);
    }
    return program;
}

bool IsMsiExec(const std::wstring& program) {
    size_t slash = program.find_last_of(L"\\/:");
    std::wstring file = program.substr(slash == std::wstring::npos ? 0 : slash + 1);
    return SameText(file, L"msiexec") || SameText(file, L"msiexec.exe");
}

// DisplayIcon: "C:\A\a.exe,0", "\"C:\A\a.exe\",-101", "\"C:\A\a.ico\"".
std::wstring IconFile(const std::wstring& displayIcon) {
    std::wstring s = Unquote(displayIcon);
    size_t comma = s.find_last_of(L',');
    if (comma != std::wstring::npos) {
        std::wstring index = TrimW(s.substr(comma + 1));
        size_t digits = !index.empty() && index[0] == L'-' ? 1 : 0;
        bool numeric = index.size() > digits;
        for (size_t i = digits; i < index.size(); ++i) numeric = numeric && iswdigit(index[i]);
        if (numeric) s = Unquote(s.substr(0, comma));
    }
    return s;
}

std::wstring DeepestCommonFolder(const std::vector<std::wstring>& componentPaths,
                                 const SystemPlaces& system) {
    std::vector<std::wstring> common;
    bool any = false;
    for (const std::wstring& raw : componentPaths) {
        std::wstring path = TrimW(raw);
        std::wstring folder =
            !path.empty() && IsSlash(path.back()) ? FullFolder(path) : FolderOfFile(path);
        if (folder.empty() || IsRunnersFolder(folder, system)) continue;  // also "02:\SOFTWARE\..."
        std::vector<std::wstring> segs = Segments(folder);
        if (!any) {
            common = segs;
            any = true;
            continue;
        }
        size_t n = 0;
        while (n < common.size() && n < segs.size() && SameText(common[n], segs[n])) ++n;
        common.resize(n);
    }
    std::wstring joined;
    for (size_t i = 0; i < common.size(); ++i) joined += (i ? L"\\" : L"") + common[i];
    return FullFolder(joined);
}

std::wstring NoTrailingSlash(std::wstring s) {
    if (s.size() > 3 || RootLength(s) != 2)
        while (!s.empty() && IsSlash(s.back())) s.pop_back();
    return s;
}

}  // namespace

std::vector<SearchName> SearchNames(const RegistrationNames& registration) {
    std::vector<SearchName> out;
    auto add = [&](const std::string& text, NameKind kind, bool exactOnly) {
        if (text.empty()) return;
        for (const SearchName& n : out)
            if (EqualsNoCase(n.text, text)) return;
        out.push_back({text, kind, exactOnly, exactOnly || StandsAlone(text)});
    };

    std::string name = TrimControl(registration.registryName);
    if (name.size() > 4 && EqualsNoCase(std::string_view(name).substr(name.size() - 4), "_is1"))
        name = TrimControl(name.substr(0, name.size() - 4));
    add(name, NameKind::Registration, IsProductCode(name));
    add(ProductName(registration.displayName), NameKind::Product, false);
    add(PublisherName(registration.publisher), NameKind::Publisher, false);
    auto [folder, parent] = FolderNames(registration.installLocation);
    if (folder.find('%') == std::string::npos) add(folder, NameKind::Folder, false);
    if (parent.find('%') == std::string::npos) add(parent, NameKind::ParentFolder, false);
    return out;
}

std::vector<FolderCandidate> InstallFolderCandidates(const RegistrationPlaces& registration,
                                                     const SystemPlaces& system,
                                                     const InstallerQuery& askInstaller) {
    std::vector<FolderCandidate> out;
    auto add = [&](std::wstring folder, FolderSource source, bool inferred) {
        folder = NoTrailingSlash(folder);
        if (FullFolder(folder).empty()) return;
        if (inferred && IsRunnersFolder(folder, system)) return;
        for (const FolderCandidate& c : out)
            if (SameText(c.folder, folder)) return;
        out.push_back({std::move(folder), source});
    };

    add(Unquote(registration.installLocation), FolderSource::InstallLocation, false);
    const std::wstring code = TrimW(registration.registryName);
    if (registration.windowsInstaller && askInstaller && IsProductCode(WideToAnsi(code))) {
        if (std::optional<InstallerProduct> product = askInstaller(code)) {
            add(DeepestCommonFolder(product->componentPaths, system),
                FolderSource::InstallerComponents, true);
            add(Unquote(product->installLocation), FolderSource::InstallerProperty, false);
        }
    }
    std::wstring uninstaller = UninstallerProgram(registration.uninstallString);
    if (!IsMsiExec(uninstaller)) add(FolderOfFile(uninstaller), FolderSource::Uninstaller, true);
    add(FolderOfFile(IconFile(registration.displayIcon)), FolderSource::DisplayIcon, true);
    return out;
}

SystemPlaces CurrentSystemPlaces() {
    SystemPlaces places;
    wchar_t buf[MAX_PATH + 1];
    UINT n = GetWindowsDirectoryW(buf, MAX_PATH + 1);
    if (n > 0 && n <= MAX_PATH) {
        places.windowsDir = NoTrailingSlash(std::wstring(buf, n));
        places.tempDirs.push_back(places.windowsDir + L"\\Temp");
    }
    DWORD t = GetTempPathW(MAX_PATH + 1, buf);
    if (t > 0 && t <= MAX_PATH) places.tempDirs.push_back(NoTrailingSlash(std::wstring(buf, t)));
    return places;
}

std::optional<InstallerProduct> QueryInstallerProduct(const std::wstring& productCode) {
    if (!IsProductCode(WideToAnsi(productCode))) return std::nullopt;
    wchar_t sys[MAX_PATH + 1];
    UINT n = GetSystemDirectoryW(sys, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH) return std::nullopt;
    const std::wstring dll = NoTrailingSlash(std::wstring(sys, n)) + L"\\msi.dll";
    unique_hmodule msi(LoadLibraryExW(dll.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!msi) return std::nullopt;

    using EnumComponents = UINT(WINAPI*)(DWORD, LPWSTR);
    using EnumClients = UINT(WINAPI*)(LPCWSTR, DWORD, LPWSTR);
    using GetComponentPath = int(WINAPI*)(LPCWSTR, LPCWSTR, LPWSTR, LPDWORD);
    using GetProductInfo = UINT(WINAPI*)(LPCWSTR, LPCWSTR, LPWSTR, LPDWORD);
    auto enumComponents = reinterpret_cast<EnumComponents>(
        reinterpret_cast<void*>(GetProcAddress(msi.get(), "MsiEnumComponentsW")));
    auto enumClients = reinterpret_cast<EnumClients>(
        reinterpret_cast<void*>(GetProcAddress(msi.get(), "MsiEnumClientsW")));
    auto getComponentPath = reinterpret_cast<GetComponentPath>(
        reinterpret_cast<void*>(GetProcAddress(msi.get(), "MsiGetComponentPathW")));
    auto getProductInfo = reinterpret_cast<GetProductInfo>(
        reinterpret_cast<void*>(GetProcAddress(msi.get(), "MsiGetProductInfoW")));
    if (!enumComponents || !enumClients || !getComponentPath || !getProductInfo)
        return std::nullopt;

    // A product property, read in two goes; nothing for an unknown product.
    constexpr DWORD kMaxChars = 32767;
    const std::wstring code = productCode;
    auto property = [&](const wchar_t* name) -> std::optional<std::wstring> {
        DWORD len = 0;
        wchar_t probe[1] = {};
        UINT rc = getProductInfo(code.c_str(), name, probe, &len);
        if (rc == ERROR_SUCCESS) return std::wstring();
        if (rc != ERROR_MORE_DATA || len >= kMaxChars) return std::nullopt;
        std::wstring value(len + 1, L'\0');
        DWORD size = len + 1;
        if (getProductInfo(code.c_str(), name, value.data(), &size) != ERROR_SUCCESS)
            return std::nullopt;
        value.resize(size);
        return value;
    };
    // Every product has a version: without one, Windows Installer does not know it.
    if (!property(L"VersionString")) return std::nullopt;

    InstallerProduct product;
    product.installLocation = property(L"InstallLocation").value_or(L"");
    constexpr int kInstalledHere = 3;  // INSTALLSTATE_LOCAL
    constexpr int kMoreData = -3;      // INSTALLSTATE_MOREDATA
    // A registry that lists a component without end must not hold the scan.
    constexpr DWORD kMaxComponents = 1000000, kMaxClients = 10000;
    wchar_t component[39], client[39];
    for (DWORD i = 0; i < kMaxComponents && enumComponents(i, component) == ERROR_SUCCESS; ++i) {
        bool ours = false;
        for (DWORD j = 0;
             j < kMaxClients && !ours && enumClients(component, j, client) == ERROR_SUCCESS; ++j)
            ours = SameText(client, code);
        if (!ours) continue;
        std::wstring path(MAX_PATH, L'\0');
        DWORD size = static_cast<DWORD>(path.size());
        int state = getComponentPath(code.c_str(), component, path.data(), &size);
        if (state == kMoreData && size < kMaxChars) {
            path.assign(size + 1, L'\0');
            size = size + 1;
            state = getComponentPath(code.c_str(), component, path.data(), &size);
        }
        if (state != kInstalledHere) continue;
        path.resize(wcsnlen(path.c_str(), path.size()));
        if (!path.empty()) product.componentPaths.push_back(std::move(path));
    }
    return product;
}

std::wstring CommandProgram(const std::wstring& command) { return UninstallerProgram(command); }

std::wstring IconFilePath(const std::wstring& iconReference) { return IconFile(iconReference); }

bool PathIsIn(const std::wstring& path, const std::wstring& folder) {
    return IsBelowOrSame(path, folder);
}

}  // namespace cx::cleanup

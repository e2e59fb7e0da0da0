#include "cleanup/EvidenceScan.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <exception>
#include <set>

#include "cleanup/Removal.h"
#include "cleanup/UninstallEntry.h"
#include "platform/Account.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/HeldFiles.h"
#include "platform/Registry.h"
#include "platform/ShellLink.h"
#include "platform/Strings.h"

namespace cx::cleanup {

namespace {

constexpr const wchar_t* kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const wchar_t* kCurrentVersion = L"Software\\Microsoft\\Windows\\CurrentVersion";
// No value a program writes for a path is longer; a longer one is not read.
constexpr DWORD kMaxValueChars = 32767;

bool Same(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           (a.empty() || CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL);
}

std::wstring Trim(std::wstring s) {
    while (!s.empty() && s.back() <= L' ') s.pop_back();
    size_t b = 0;
    while (b < s.size() && s[b] <= L' ') ++b;
    return s.substr(b);
}

// The evidence is looked for in the machine's and the user's hive only.
RegHive HiveOf(HKEY hive) {
    return hive == HKEY_LOCAL_MACHINE ? RegHive::LocalMachine : RegHive::CurrentUser;
}

// Opens root\path one name at a time, never through a registry link: a key
// planted as a link would lead the scan to offer another key under its name.
unique_hkey OpenPlain(HKEY root, const std::wstring& path) {
    LONG rc = ERROR_SUCCESS;
    return OpenKeyPath(root, path, KEY_READ, rc);
}

unique_hkey OpenChild(HKEY parent, const std::wstring& name) {
    unique_hkey child;
    if (name.find(L'\\') != std::wstring::npos ||
        reg::OpenNoFollow(parent, name, KEY_READ, child) != ERROR_SUCCESS ||
        reg::IsLink(child.get()))
        return {};
    return child;
}

// A string value as a path text: REG_SZ as stored, REG_EXPAND_SZ expanded.
std::wstring StringValue(HKEY key, const wchar_t* name) {
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || bytes > kMaxValueChars * sizeof(wchar_t))
        return {};
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD got = bytes;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &got) !=
        ERROR_SUCCESS)
        return {};
    text.resize(wcsnlen(text.c_str(), got / sizeof(wchar_t)));
    if (type == REG_EXPAND_SZ) {
        std::wstring out(kMaxValueChars + 1, L'\0');
        DWORD n = ExpandEnvironmentStringsW(text.c_str(), out.data(), kMaxValueChars + 1);
        if (n == 0 || n > kMaxValueChars + 1) return {};
        out.resize(n - 1);
        return out;
    }
    return text;
}

std::wstring ExpandedPath(const std::wstring& raw) {
    if (raw.empty()) return {};
    std::wstring out(kMaxValueChars + 1, L'\0');
    const DWORD n = ExpandEnvironmentStringsW(raw.c_str(), out.data(), kMaxValueChars + 1);
    if (n == 0 || n > kMaxValueChars + 1) return {};
    out.resize(n - 1);
    return out;
}

std::vector<std::wstring> ValueNames(HKEY key) {
    std::vector<std::wstring> names;
    std::vector<wchar_t> buf(16384 + 1);
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(buf.size());
        if (RegEnumValueW(key, i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(buf.data(), len);
    }
    return names;
}

bool KeyCounts(HKEY key, DWORD& subkeys, DWORD& values) {
    return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                            nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::wstring NameOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// A path as a full path without quotes, or empty: relative texts ("app.exe")
// point into no folder.
std::wstring CleanPath(std::wstring s) {
    s = Trim(std::move(s));
    if (s.size() >= 2 && s.front() == L'"' && s.back() == L'"') s = Trim(s.substr(1, s.size() - 2));
    while (s.size() > 3 && (s.back() == L'\\' || s.back() == L'/')) s.pop_back();
    const bool drive = s.size() >= 3 && iswalpha(s[0]) && s[1] == L':' && s[2] == L'\\';
    const bool unc = s.size() > 2 && s[0] == L'\\' && s[1] == L'\\';
    return drive || unc ? s : std::wstring();
}

// The names one program goes by, for telling its places from another's.
struct ProgramNames {
    std::vector<std::wstring> makers;    // its publisher as written and without its legal form
    std::vector<std::wstring> products;  // its registration, product and folder names
    std::wstring registrationName;       // the registration's own (without "_is1")
};

ProgramNames NamesOf(const std::string& registryName, const std::string& displayName,
                     const std::string& publisher, const std::string& location) {
    ProgramNames out;
    auto add = [](std::vector<std::wstring>& list, const std::wstring& text) {
        if (text.empty()) return;
        for (const std::wstring& t : list)
            if (Same(t, text)) return;
        list.push_back(text);
    };
    add(out.makers, Trim(AnsiToWide(publisher)));
    for (const SearchName& n : SearchNames({registryName, displayName, publisher, location})) {
        const std::wstring text = AnsiToWide(n.text);
        switch (n.kind) {
        case NameKind::Publisher: add(out.makers, text); break;
        case NameKind::Registration:
            out.registrationName = text;
            if (n.standsAlone) add(out.products, text);
            break;
        case NameKind::Product:
        case NameKind::Folder:
            if (n.standsAlone) add(out.products, text);
            break;
        case NameKind::ParentFolder: break;
        }
    }
    return out;
}

bool ListHas(const std::vector<std::wstring>& list, const std::wstring& text) {
    for (const std::wstring& t : list)
        if (Same(t, text)) return true;
    return false;
}

// Found places in the order they are offered.
struct KeyFind {
    HKEY hive;
    std::wstring parentPath;  // the key holding it (no final "\")
    std::wstring name;
    Reason reason;
    bool checked;
};

struct Scan {
    const ListedProgram& target;
    const std::wstring& folder;
    const SafetyContext& safety;
    const EvidencePlaces& places;
    CheckTree& registry;
    CheckTree& files;
    ScanProgress& progress;

    ProgramNames own;
    std::vector<ProgramNames> others;
    std::vector<std::wstring> otherFolders;

    // Each look at the message queue is a round trip to the wineserver under
    // Wine; looked at every 10 ms, as the walk of the registry does.
    DWORD lastPump = 0;
    bool pumped = false;
    void Pump() {
        if (!progress.pump) return;
        const DWORD now = GetTickCount();
        if (pumped && now - lastPump < 10) return;
        pumped = true;
        lastPump = now;
        progress.pump();
    }
    void Show(const std::string& text) {
        if (!progress.show) return;
        DWORD now = GetTickCount();
        if (progress.shownOnce && now - progress.lastShown < 50) return;
        progress.shownOnce = true;
        progress.lastShown = now;
        progress.show(text);
    }

    // ------------------------------------------------------------ whose is it

    // True when another listed program goes by `name` (under `maker`, when
    // given): the place may be that program's.
    // Without a maker, a name another program's maker goes by is that
    // maker's too ("Software\<Maker>" is never a product's key of another).
    bool OthersClaim(const std::wstring& maker, const std::wstring& name) const {
        for (const ProgramNames& o : others) {
            if (maker.empty() && ListHas(o.makers, name)) return true;
            if (!ListHas(o.products, name) && !Same(o.registrationName, name)) continue;
            if (maker.empty() || o.makers.empty() || ListHas(o.makers, maker)) return true;
        }
        return false;
    }
    bool MakerInUse(const std::wstring& maker) const {
        for (const ProgramNames& o : others)
            if (ListHas(o.makers, maker) || ListHas(o.products, maker)) return true;
        return false;
    }
    // A path inside the install folder and in no other program's folder.
    bool PointsIn(const std::wstring& path) const {
        if (folder.empty() || path.empty() || !PathIsIn(path, folder)) return false;
        for (const std::wstring& other : otherFolders)
            if (PathIsIn(path, other)) return false;
        return true;
    }
    bool IsOwnName(const std::wstring& name) const { return Same(name, own.registrationName); }

    // ------------------------------------------------------------ registry

    bool RegistryHas(RegHive hive, const std::wstring& path) const {
        for (NodeId id : registry.InOrder()) {
            const Node& n = registry.Get(id);
            if (n.kind != NodeKind::RegKey || !n.reg || n.reg->IsValue() || n.reg->hive != hive)
                continue;
            const std::wstring& key = n.reg->key;
            if (Same(key, path) || PathIsIn(path, key)) return true;
        }
        return false;
    }

    bool Offerable(HKEY hive, const std::wstring& path, KeyOffer offer = KeyOffer::ByName) const {
        return !IsProtectedKey(HiveOf(hive), path, offer) && IsAnsiFaithful(path) &&
               !RegistryHas(HiveOf(hive), path);
    }

    NodeId AddKey(NodeId parent, HKEY hive, const std::wstring& parentPath,
                  const std::wstring& name, Reason reason, bool checked) {
        const CheckState state = checked ? csChecked : csUnchecked;
        const std::wstring path = parentPath + L"\\" + name;
        NodeId node = registry.AddRegistry(parent, RegPath{HiveOf(hive), path, {}}, state);
        registry.SetReason(node, reason);
        if (unique_hkey key = OpenChild(OpenPlain(hive, parentPath).get(), name))
            for (const std::wstring& v : ValueNames(key.get()))
                registry.AddRegistry(node, RegPath{HiveOf(hive), path, v}, state);
        return node;
    }

    void AddValue(HKEY hive, const std::wstring& keyPath, const std::wstring& name, Reason reason) {
        if (!IsAnsiFaithful(keyPath) || RegistryHas(HiveOf(hive), keyPath)) return;
        for (NodeId id : registry.Roots()) {
            const Node& n = registry.Get(id);
            if (n.kind == NodeKind::RegValue && n.reg && n.reg->IsValue() &&
                n.reg->hive == HiveOf(hive) && Same(n.reg->key, keyPath) && *n.reg->value == name)
                return;
        }
        NodeId node = registry.AddRegistry(-1, RegPath{HiveOf(hive), keyPath, name}, csChecked);
        registry.SetReason(node, reason);
    }

    // Whether a key found by its name is surely the program's: named exactly
    // like its registration, or holding a path into its install folder (as
    // an "InstallPath" value). `reason` becomes why; unchanged when only the
    // name fits.
    bool NamedSurely(HKEY key, const std::wstring& name, Reason& reason) {
        const bool byName = reason == Reason::NameOnly;
        if (IsOwnName(name)) {
            if (byName) reason = Reason::Registration;
            return true;
        }
        if (!key || folder.empty()) return false;
        for (const std::wstring& v : ValueNames(key)) {
            const std::wstring data = StringValue(key, v.c_str());
            if (PointsIn(CleanPath(data)) || PointsIn(CleanPath(CommandProgram(data)))) {
                if (byName) reason = Reason::PointsIntoFolder;
                return true;
            }
        }
        return false;
    }

    // Software\<Maker>\<Product> and Software\<Product> below `base`, with the
    // maker's key above them when it holds nothing else.
    void ProductKeys(HKEY hive, const std::wstring& base, Reason nameReason) {
        unique_hkey root = OpenPlain(hive, base);
        if (!root) return;
        Pump();
        for (const std::wstring& maker : own.makers) {
            // A maker named like its product ("Quillmate\Quillmate") is the
            // product's own key, found as Software\<Product> whole.
            if (ListHas(own.products, maker)) continue;
            unique_hkey vendor = OpenChild(root.get(), maker);
            if (!vendor) continue;
            const std::wstring vendorPath = base + L"\\" + maker;
            std::vector<KeyFind> found;
            for (const std::wstring& product : own.products) {
                if (Same(product, maker) || OthersClaim(maker, product)) continue;
                if (!OpenChild(vendor.get(), product)) continue;
                const std::wstring path = vendorPath + L"\\" + product;
                if (!Offerable(hive, path)) continue;
                Reason reason = nameReason;
                const bool sure =
                    NamedSurely(OpenChild(vendor.get(), product).get(), product, reason);
                found.push_back({hive, vendorPath, product, reason, sure});
            }
            if (found.empty()) continue;
            // The maker's key goes too when the found keys are all it holds.
            DWORD subkeys = 0, values = 1;
            bool vendorToo = !MakerInUse(maker) && KeyCounts(vendor.get(), subkeys, values) &&
                             values == 0 && subkeys == found.size() && Offerable(hive, vendorPath);
            NodeId parent = -1;
            if (vendorToo) {
                bool allSure = true;
                for (const KeyFind& f : found) allSure = allSure && f.checked;
                parent = AddKey(-1, hive, base, maker, Reason::EmptyVendor, allSure);
                registry.SetEmptyOnly(parent);
            }
            for (const KeyFind& f : found) {
                NodeId node = AddKey(parent, hive, f.parentPath, f.name, f.reason, f.checked);
                if (parent != -1) registry.UpdateParentState(node);
            }
        }
        for (const std::wstring& product : own.products) {
            if (OthersClaim({}, product)) continue;
            if (!OpenChild(root.get(), product)) continue;
            const std::wstring path = base + L"\\" + product;
            if (!Offerable(hive, path)) continue;
            Reason reason = nameReason;
            const bool sure = NamedSurely(OpenChild(root.get(), product).get(), product, reason);
            AddKey(-1, hive, base, product, reason, sure);
        }
    }

    // File types, ProgIDs, classes, type libraries and AppIDs whose commands,
    // icons or servers lie in the install folder, and the extensions naming
    // those ProgIDs.
    void ClassKeys(HKEY hive) {
        const std::wstring base = L"Software\\Classes";
        unique_hkey classes = OpenPlain(hive, base);
        if (!classes) return;
        std::vector<std::wstring> names = reg::SubKeyNamesW(classes.get(), [this] { Pump(); });
        std::vector<std::wstring> progIds, extensions;
        for (const std::wstring& name : names) {
            Pump();
            if (name.empty() || name[0] == L'.' || Same(name, L"CLSID") || Same(name, L"TypeLib") ||
                Same(name, L"AppID") || Same(name, L"Interface") || Same(name, L"Installer") ||
                Same(name, L"VirtualStore"))
                continue;
            unique_hkey key = OpenChild(classes.get(), name);
            DWORD subkeys = 0, values = 0;
            if (!key || !KeyCounts(key.get(), subkeys, values) || subkeys == 0) continue;
            if (PointsIntoByClass(key.get())) progIds.push_back(name);
        }
        for (const std::wstring& name : names) {
            if (name.size() < 2 || name[0] != L'.') continue;
            Pump();
            unique_hkey key = OpenChild(classes.get(), name);
            if (!key) continue;
            const std::wstring progId = Trim(StringValue(key.get(), L""));
            if ((!progId.empty() && ListHas(progIds, progId)) || PointsIntoByClass(key.get()))
                extensions.push_back(name);
        }
        std::vector<std::wstring> appIds;
        std::vector<std::wstring> clsids = MatchingServers(classes.get(), L"CLSID", appIds);
        std::vector<std::wstring> libs = MatchingTypeLibs(classes.get());
        // An extension that holds more than its association (another program's
        // handlers, a ShellNew template) may be more than this program's: offered, not checked.
        for (const std::wstring& n : extensions) {
            if (!Offerable(hive, base + L"\\" + n, KeyOffer::ByEvidence)) continue;
            unique_hkey key = OpenChild(classes.get(), n);
            DWORD subkeys = 1, values = 0;
            const bool plain = key && KeyCounts(key.get(), subkeys, values) && subkeys == 0;
            AddKey(-1, hive, base, n, Reason::PointsIntoFolder, plain);
        }
        for (const std::wstring& n : progIds)
            if (Offerable(hive, base + L"\\" + n, KeyOffer::ByEvidence))
                AddKey(-1, hive, base, n, Reason::PointsIntoFolder, true);
        auto addBelow = [&](const wchar_t* group, const std::vector<std::wstring>& list) {
            for (const std::wstring& n : list)
                if (Offerable(hive, base + L"\\" + group + L"\\" + n) &&
                    OpenChild(OpenPlain(hive, base + L"\\" + group).get(), n))
                    AddKey(-1, hive, base + L"\\" + group, n, Reason::PointsIntoFolder, true);
        };
        addBelow(L"CLSID", clsids);
        addBelow(L"TypeLib", libs);
        addBelow(L"AppID", appIds);
    }

    // A class is the program's when its icon or a command lies in the
    // install folder and none lies anywhere else: a class whose other verbs
    // start another program is that program's, with a verb added to it.
    bool PointsIntoByClass(HKEY key) {
        bool in = false, elsewhere = false;
        auto judge = [&](const std::wstring& path) {
            if (path.empty()) return;
            if (PointsIn(path))
                in = true;
            else
                elsewhere = true;
        };
        if (unique_hkey icon = OpenChild(key, L"DefaultIcon"))
            judge(CleanPath(IconFilePath(StringValue(icon.get(), L""))));
        if (unique_hkey shell = OpenChild(key, L"shell"))
            for (const std::wstring& verb : reg::SubKeyNamesW(shell.get()))
                if (unique_hkey command = OpenPlain(shell.get(), verb + L"\\command"))
                    judge(CleanPath(CommandProgram(StringValue(command.get(), L""))));
        return in && !elsewhere;
    }

    std::vector<std::wstring> MatchingServers(HKEY classes, const wchar_t* group,
                                              std::vector<std::wstring>& appIds) {
        std::vector<std::wstring> out;
        unique_hkey list = OpenChild(classes, group);
        if (!list) return out;
        for (const std::wstring& id : reg::SubKeyNamesW(list.get(), [this] { Pump(); })) {
            Pump();
            unique_hkey cls = OpenChild(list.get(), id);
            DWORD subkeys = 0, values = 0;
            if (!cls || !KeyCounts(cls.get(), subkeys, values) || subkeys == 0) continue;
            bool ours = false;
            for (const wchar_t* server : {L"InprocServer32", L"LocalServer32", L"InprocHandler32"})
                if (unique_hkey s = OpenChild(cls.get(), server))
                    ours = ours || PointsIn(CleanPath(CommandProgram(StringValue(s.get(), L""))));
            if (!ours) continue;
            out.push_back(id);
            const std::wstring appId = Trim(StringValue(cls.get(), L"AppID"));
            if (!appId.empty() && !ListHas(appIds, appId)) appIds.push_back(appId);
        }
        return out;
    }

    std::vector<std::wstring> MatchingTypeLibs(HKEY classes) {
        std::vector<std::wstring> out;
        unique_hkey list = OpenChild(classes, L"TypeLib");
        if (!list) return out;
        for (const std::wstring& id : reg::SubKeyNamesW(list.get(), [this] { Pump(); })) {
            Pump();
            unique_hkey lib = OpenChild(list.get(), id);
            if (!lib) continue;
            // Every registered file of every version must be ours: a library
            // another program also registers is that program's too.
            bool any = false, all = true;
            for (const std::wstring& version : reg::SubKeyNamesW(lib.get())) {
                unique_hkey v = OpenChild(lib.get(), version);
                if (!v) continue;
                for (const std::wstring& lcid : reg::SubKeyNamesW(v.get())) {
                    if (lcid.empty() || !iswdigit(lcid[0])) continue;
                    unique_hkey l = OpenChild(v.get(), lcid);
                    if (!l) continue;
                    for (const wchar_t* platform : {L"win32", L"win64"}) {
                        unique_hkey p = OpenChild(l.get(), platform);
                        if (!p) continue;
                        const bool in = PointsIn(CleanPath(StringValue(p.get(), L"")));
                        any = any || in;
                        all = all && in;
                    }
                }
            }
            if (any && all) out.push_back(id);
        }
        return out;
    }

    // App Paths entries whose program or path lies in the install folder.
    void AppPaths(HKEY hive) {
        const std::wstring base = std::wstring(kCurrentVersion) + L"\\App Paths";
        unique_hkey list = OpenPlain(hive, base);
        if (!list) return;
        for (const std::wstring& name : reg::SubKeyNamesW(list.get())) {
            Pump();
            unique_hkey entry = OpenChild(list.get(), name);
            if (!entry) continue;
            if ((PointsIn(CleanPath(StringValue(entry.get(), L""))) ||
                 PointsIn(CleanPath(StringValue(entry.get(), L"Path")))) &&
                Offerable(hive, base + L"\\" + name))
                AddKey(-1, hive, base, name, Reason::PointsIntoFolder, true);
        }
    }

    // Values whose data (a command) or whose name (a path) lies in the install folder.
    void PointingValues(HKEY hive, const std::wstring& keyPath, bool byName, bool sameFolderToo) {
        unique_hkey key = OpenPlain(hive, keyPath);
        if (!key) return;
        for (const std::wstring& name : ValueNames(key.get())) {
            Pump();
            std::wstring path =
                byName ? CleanPath(name)
                       : CleanPath(CommandProgram(StringValue(key.get(), name.c_str())));
            bool in = PointsIn(path);
            if (!sameFolderToo && in && Same(path, folder)) in = false;
            if (in) AddValue(hive, keyPath, name, Reason::PointsIntoFolder);
        }
    }

    // Windows Installer's records of a product it no longer has installed.
    void InstallerRecords() {
        const std::wstring code = Trim(AnsiToWide(target.registryName));
        if (!IsProductCode(WideToAnsi(code))) return;
        if (QueryInstallerProduct(code)) return;  // still installed: the records are its
        const std::wstring packed = PackedProductCode(code);
        if (packed.empty()) return;
        auto offer = [&](HKEY hive, const std::wstring& parent) {
            unique_hkey p = OpenPlain(hive, parent);
            if (p && OpenChild(p.get(), packed) && Offerable(hive, parent + L"\\" + packed))
                AddKey(-1, hive, parent, packed, Reason::InstallerRecord, true);
        };
        offer(HKEY_LOCAL_MACHINE, L"Software\\Classes\\Installer\\Products");
        offer(HKEY_LOCAL_MACHINE, L"Software\\Classes\\Installer\\Features");
        offer(HKEY_CURRENT_USER, L"Software\\Microsoft\\Installer\\Products");
        offer(HKEY_CURRENT_USER, L"Software\\Microsoft\\Installer\\Features");
        // The machine's records and this user's: another account's records
        // are of its own installation, which Windows Installer does not
        // show this user.
        const std::wstring userData = std::wstring(kCurrentVersion) + L"\\Installer\\UserData";
        std::vector<std::wstring> sids{L"S-1-5-18"};
        if (const std::wstring me = CurrentUserSid(); !me.empty()) sids.push_back(me);
        for (const std::wstring& sid : sids)
            offer(HKEY_LOCAL_MACHINE, userData + L"\\" + sid + L"\\Products");
    }

    void Registry() {
        Show("HKEY_CURRENT_USER\\Software");
        const std::wstring store = L"Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE";
        for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            ProductKeys(hive, L"Software", Reason::NameOnly);
            ProductKeys(hive, L"Software\\Wow6432Node", Reason::NameOnly);
        }
        ProductKeys(HKEY_CURRENT_USER, store, Reason::VirtualStore);
        ProductKeys(HKEY_CURRENT_USER, store + L"\\Wow6432Node", Reason::VirtualStore);
        InstallerRecords();
        if (folder.empty()) return;
        Show("HKEY_LOCAL_MACHINE\\Software\\Classes");
        for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            ClassKeys(hive);
            AppPaths(hive);
            for (const wchar_t* run : {L"Run", L"RunOnce", L"RunOnceEx", L"RunServices",
                                       L"RunServicesOnce", L"Policies\\Explorer\\Run"})
                PointingValues(hive, std::wstring(kCurrentVersion) + L"\\" + run, false, true);
        }
        PointingValues(HKEY_LOCAL_MACHINE, std::wstring(kCurrentVersion) + L"\\SharedDLLs", true,
                       true);
        PointingValues(HKEY_LOCAL_MACHINE, std::wstring(kCurrentVersion) + L"\\Installer\\Folders",
                       true, true);
    }

    // ------------------------------------------------------------ files

    bool FilesHave(const std::wstring& path) const {
        for (NodeId id : files.Roots()) {
            const Node& n = files.Get(id);
            const std::wstring root = n.path.empty() ? AnsiToWide(n.text) : n.path;
            if (PathIsIn(path, root) || PathIsIn(root, path)) return true;
        }
        return false;
    }

    // A folder that may be listed: the safety rules pass it as it is spelled,
    // it is no other program's folder, and it overlaps nothing listed.
    bool FolderAllowed(const std::wstring& path, FolderLocks& locks) const {
        if (!IsAnsiFaithful(path) || FilesHave(path)) return false;
        for (const std::wstring& other : otherFolders)
            if (PathIsIn(path, other)) return false;
        const DirVerdict v = CheckInstallDirectory(WideToAnsi(path), safety);
        if (v.refusal != DirRefusal::None || !Same(AnsiToWide(v.resolved), path)) return false;
        for (const KeptProgram& k : OtherProgramsInside(v.resolved, safety)) {
            if (k.below.empty()) return false;
            locks.folders.push_back(k.below);
        }
        return true;
    }

    static bool IsRealFolder(const std::wstring& path) {
        const DWORD a = GetFileAttributesW(LongPathForApi(path).c_str());
        return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) &&
               !(a & FILE_ATTRIBUTE_REPARSE_POINT);
    }

    // The entries of a folder by their UTF-16 names (links included as entries).
    static std::vector<fs::FolderEntry> Entries(const std::wstring& path) {
        std::vector<fs::FolderEntry> entries;
        auto held = fs::OpenItself(path, FILE_LIST_DIRECTORY | FILE_TRAVERSE | fs::kLookAccess);
        if (held && held->IsFolder() && !held->IsLink()) fs::ListHeld(held->handle.get(), entries);
        return entries;
    }

    NodeId ListFolder(const std::wstring& path, Reason reason, bool checked,
                      const FolderLocks& locks) {
        NodeId id = ScanFilesW(path, files, progress, checked ? csChecked : csUnchecked, locks);
        if (id != -1) files.SetReason(id, reason);
        return id;
    }

    // <root>\<Maker>\<Product> and <root>\<Product> of every data root, with
    // the maker's folder when they are all it holds.
    void DataFolders() {
        for (const std::wstring& root : places.dataRoots) {
            Pump();
            for (const std::wstring& maker : own.makers) {
                if (ListHas(own.products, maker)) continue;
                const std::wstring vendor = root + L"\\" + maker;
                if (!IsRealFolder(vendor)) continue;
                struct Found {
                    std::wstring path;
                    bool sure;
                    FolderLocks locks;
                };
                std::vector<Found> found;
                for (const std::wstring& product : own.products) {
                    if (Same(product, maker) || OthersClaim(maker, product)) continue;
                    const std::wstring path = vendor + L"\\" + product;
                    FolderLocks locks;
                    if (IsRealFolder(path) && FolderAllowed(path, locks))
                        found.push_back({path, IsOwnName(product), locks});
                }
                if (found.empty()) continue;
                FolderLocks vendorLocks;
                bool vendorToo = !MakerInUse(maker) && FolderAllowed(vendor, vendorLocks) &&
                                 vendorLocks.folders.empty();
                if (vendorToo) {
                    const auto entries = Entries(vendor);
                    vendorToo = entries.size() == found.size();
                    for (const fs::FolderEntry& e : entries) {
                        bool listed = false;
                        for (const Found& f : found)
                            listed = listed || Same(NameOf(f.path), e.name);
                        vendorToo = vendorToo && listed &&
                                    (e.attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                                    !(e.attributes & FILE_ATTRIBUTE_REPARSE_POINT);
                    }
                }
                if (vendorToo) {
                    NodeId top = ListFolder(vendor, Reason::EmptyVendor, false, {});
                    if (top == -1) continue;
                    // What comes into it after the scan is not this program's.
                    files.SetEmptyOnly(top);
                    for (NodeId c : files.Get(top).children) {
                        for (const Found& f : found) {
                            if (!Same(files.Get(c).path, f.path)) continue;
                            files.SetReason(c, f.sure ? Reason::Registration : Reason::NameOnly);
                            if (f.sure) files.ToggleNodeState(c);
                        }
                    }
                } else {
                    for (const Found& f : found)
                        ListFolder(f.path, f.sure ? Reason::Registration : Reason::NameOnly, f.sure,
                                   f.locks);
                }
            }
            for (const std::wstring& product : own.products) {
                if (OthersClaim({}, product)) continue;
                const std::wstring path = root + L"\\" + product;
                FolderLocks locks;
                if (IsRealFolder(path) && FolderAllowed(path, locks)) {
                    const bool sure = IsOwnName(product);
                    ListFolder(path, sure ? Reason::Registration : Reason::NameOnly, sure, locks);
                }
            }
        }
    }

    bool IsOurShortcut(const std::wstring& path) {
        if (path.size() < 4 || !Same(std::wstring_view(path).substr(path.size() - 4), L".lnk"))
            return false;
        return PointsIn(CleanPath(ExpandedPath(ShortcutTargetW(path))));
    }

    // Whether everything in a Start menu folder is a shortcut into the install
    // folder (and there is at least one); the shortcuts that are, collected.
    bool AllOurs(const std::wstring& dir, std::vector<std::wstring>& ours, int depth) {
        bool all = true, any = false;
        for (const fs::FolderEntry& e : Entries(dir)) {
            Pump();
            const std::wstring path = dir + L"\\" + e.name;
            if (e.attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                all = false;
            } else if (e.attributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (depth >= 8 || !AllOurs(path, ours, depth + 1))
                    all = false;
                else
                    any = true;
            } else if (IsOurShortcut(path)) {
                ours.push_back(path);
                any = true;
            } else if (!Same(e.name, L"desktop.ini")) {
                all = false;
            }
        }
        return all && any;
    }

    void AddShortcut(const std::wstring& path) {
        if (FilesHave(path) || !IsAnsiFaithful(path)) return;
        NodeId id = files.AddPath(-1, path, NodeKind::File, csChecked);
        files.SetReason(id, Reason::PointsIntoFolder);
    }

    void Shortcuts() {
        for (const std::wstring& menu : places.startMenus) {
            for (const fs::FolderEntry& e : Entries(menu)) {
                Pump();
                const std::wstring path = menu + L"\\" + e.name;
                if (e.attributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
                if (!(e.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                    if (IsOurShortcut(path)) AddShortcut(path);
                    continue;
                }
                std::vector<std::wstring> ours;
                // The Startup folder is Windows': its shortcuts may go, never it.
                if (!Same(e.name, L"Startup") && AllOurs(path, ours, 1) && IsAnsiFaithful(path) &&
                    !FilesHave(path)) {
                    ListFolder(path, Reason::PointsIntoFolder, true, {});
                } else {
                    for (const std::wstring& s : ours) AddShortcut(s);
                }
            }
        }
        for (const std::wstring& desk : places.desktops)
            for (const fs::FolderEntry& e : Entries(desk)) {
                Pump();
                if (!(e.attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
                    IsOurShortcut(desk + L"\\" + e.name))
                    AddShortcut(desk + L"\\" + e.name);
            }
    }

    // What Windows copied of the install folder for this user, when the
    // program wrote into it without the rights to.
    void VirtualStoreFolder() {
        if (places.localAppData.empty() || folder.size() < 4 || folder[1] != L':') return;
        const std::wstring copy = places.localAppData + L"\\VirtualStore" + folder.substr(2);
        FolderLocks locks;
        if (IsRealFolder(copy) && FolderAllowed(copy, locks))
            ListFolder(copy, Reason::VirtualStore, true, locks);
    }

    void Files() {
        DataFolders();
        if (folder.empty()) return;
        Shortcuts();
        VirtualStoreFolder();
    }
};

}  // namespace

std::wstring PackedProductCode(const std::wstring& productCode) {
    const std::wstring c = Trim(productCode);
    if (!IsProductCode(WideToAnsi(c))) return {};
    // {AAAAAAAA-BBBB-CCCC-DDEE-FFGGHHIIJJKK}: the first three groups reversed,
    // then every byte of the last two with its two digits swapped.
    std::wstring hex;
    for (wchar_t ch : c)
        if (iswxdigit(ch)) hex += static_cast<wchar_t>(towupper(ch));
    std::wstring out;
    out.append(hex.rbegin() + 24, hex.rend());         // 8
    out.append(hex.rbegin() + 20, hex.rbegin() + 24);  // 4
    out.append(hex.rbegin() + 16, hex.rbegin() + 20);  // 4
    for (size_t i = 16; i + 1 < hex.size(); i += 2) {
        out += hex[i + 1];
        out += hex[i];
    }
    return out;
}

void GatherFolders(ListedProgram& target) {
    target.folders.clear();
    RegistrationPlaces places;
    places.registryName = AnsiToWide(target.registryName);
    places.installLocation = AnsiToWide(target.installLocation);
    const std::wstring name = Trim(places.registryName);
    HKEY hive =
        ParseHive(target.hive) == RegHive::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    if (!name.empty() && name.find(L'\\') == std::wstring::npos) {
        if (unique_hkey entry = OpenPlain(hive, std::wstring(kUninstallKey) + L"\\" + name)) {
            places.installLocation = StringValue(entry.get(), L"InstallLocation");
            places.uninstallString = StringValue(entry.get(), L"UninstallString");
            places.displayIcon = StringValue(entry.get(), L"DisplayIcon");
            DWORD flag = 0, size = sizeof(flag), type = 0;
            places.windowsInstaller =
                RegQueryValueExW(entry.get(), L"WindowsInstaller", nullptr, &type,
                                 reinterpret_cast<BYTE*>(&flag), &size) == ERROR_SUCCESS &&
                type == REG_DWORD && flag == 1;
            if (target.publisher.empty())
                target.publisher = WideToAnsi(StringValue(entry.get(), L"Publisher"));
        }
    }
    target.folders = InstallFolderCandidates(places, CurrentSystemPlaces(), QueryInstallerProduct);
    target.foldersGathered = true;
}

EvidencePlaces CurrentEvidencePlaces() {
    EvidencePlaces p;
    auto known = [](REFKNOWNFOLDERID id) {
        PWSTR path = nullptr;
        std::wstring out;
        if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path)) && path)
            out = path;
        CoTaskMemFree(path);
        while (out.size() > 3 && out.back() == L'\\') out.pop_back();
        return out;
    };
    auto add = [](std::vector<std::wstring>& list, std::wstring path) {
        if (path.empty()) return;
        for (const std::wstring& p : list)
            if (Same(p, path)) return;
        list.push_back(std::move(path));
    };
    for (REFKNOWNFOLDERID id : {FOLDERID_RoamingAppData, FOLDERID_LocalAppData,
                                FOLDERID_LocalAppDataLow, FOLDERID_ProgramData})
        add(p.dataRoots, known(id));
    add(p.startMenus, known(FOLDERID_Programs));
    add(p.startMenus, known(FOLDERID_CommonPrograms));
    add(p.desktops, known(FOLDERID_Desktop));
    add(p.desktops, known(FOLDERID_PublicDesktop));
    add(p.desktops, known(FOLDERID_QuickLaunch));
    p.localAppData = known(FOLDERID_LocalAppData);
    return p;
}

void ScanEvidence(const ListedProgram& target, const std::wstring& installFolder,
                  const SafetyContext& safety, const EvidencePlaces& places, CheckTree& registry,
                  CheckTree& files, ScanProgress& progress) {
    Scan scan{target, installFolder, safety, places, registry, files, progress, {}, {}, {}};
    // The folder's own name is one of the program's names, also when only
    // Windows Installer or the uninstaller's path told where it is.
    scan.own = NamesOf(target.registryName, target.displayName, target.publisher,
                       installFolder.empty() ? target.installLocation : WideToAnsi(installFolder));
    for (const OtherProgram& o : safety.otherPrograms) {
        scan.others.push_back(NamesOf(o.registryName, o.name, o.publisher, o.location));
        const std::wstring f = CleanPath(AnsiToWide(o.location));
        if (!f.empty()) scan.otherFolders.push_back(f);
    }
    scan.Registry();
    scan.Files();
}

}  // namespace cx::cleanup

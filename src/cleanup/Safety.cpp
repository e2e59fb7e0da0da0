#include "cleanup/Safety.h"

#include <windows.h>
#include <initguid.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <functional>
#include <string_view>

#include "i18n/LangText.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Registry.h"
#include "platform/Strings.h"

namespace cx::cleanup {
namespace {

// ---------------------------------------------------------------- folders

// A folder text taken apart: the root ("C:" or "\\server\share") and the
// components below it, with "." and ".." already applied.
struct SplitPath {
    DirRefusal refusal = DirRefusal::None;
    std::string root;
    std::vector<std::string> parts;
};

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string StripQuotesAndBlanks(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (IsBlank(s[b]) || s[b] == '"')) ++b;
    while (e > b && (IsBlank(s[e - 1]) || s[e - 1] == '"')) --e;
    return std::string(s.substr(b, e - b));
}

bool IsDriveLetterPrefix(std::string_view s) {
    return s.size() >= 2 && s[1] == ':' &&
           ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
}

std::vector<std::string> SplitOn(std::string_view s, char sep) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t i = 0; i <= s.size(); ++i) {
        if (i == s.size() || s[i] == sep) {
            out.emplace_back(s.substr(start, i - start));
            start = i + 1;
        }
    }
    return out;
}

// Applies the Win32 path rules to the components below a root: empty ones and
// "." vanish, ".." climbs but never above the root, and trailing dots and
// blanks are dropped ("Windows." and "Windows " open "Windows").
std::vector<std::string> ResolveParts(const std::vector<std::string>& raw) {
    std::vector<std::string> parts;
    for (std::string c : raw) {
        while (!c.empty() && c.back() == ' ') c.pop_back();
        if (c == ".") continue;
        if (c == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        while (!c.empty() && (c.back() == '.' || c.back() == ' ')) c.pop_back();
        if (!c.empty()) parts.push_back(std::move(c));
    }
    return parts;
}

bool IsIpv6Loopback(std::string_view server);

SplitPath Split(const std::string& text, bool expand) {
    SplitPath sp;
    std::string t = StripQuotesAndBlanks(text);
    if (expand) t = StripQuotesAndBlanks(ExpandEnvironment(t));
    if (t.empty()) {
        sp.refusal = DirRefusal::Empty;
        return sp;
    }
    std::replace(t.begin(), t.end(), '/', '\\');

    // Device-namespace spellings of ordinary paths: \\?\C:\x, \\.\C:\x, \??\C:\x,
    // \\?\UNC\server\share. Anything else in that namespace (volumes, devices,
    // GLOBALROOT) is not a folder we scan.
    if (t.size() >= 4 && (t.compare(0, 4, "\\\\?\\") == 0 || t.compare(0, 4, "\\\\.\\") == 0 ||
                          t.compare(0, 4, "\\??\\") == 0)) {
        std::string rest = t.substr(4);
        if (StartsWithNoCase(rest, "UNC\\"))
            t = "\\\\" + rest.substr(4);
        else if (IsDriveLetterPrefix(rest) && (rest.size() == 2 || rest[2] == '\\'))
            t = rest;
        else {
            sp.refusal = DirRefusal::Unsupported;
            return sp;
        }
    }
    for (char c : t) {
        if (static_cast<unsigned char>(c) < 32 ||
            std::string_view("*?\"<>|").find(c) != std::string_view::npos) {
            sp.refusal = DirRefusal::Unsupported;
            return sp;
        }
    }

    std::string rest;
    if (t.size() >= 2 && t[0] == '\\' && t[1] == '\\') {
        std::vector<std::string> raw = SplitOn(std::string_view(t).substr(2), '\\');
        std::vector<std::string> named;
        for (auto& c : raw)
            if (!c.empty()) named.push_back(c);
        // ":" only in an IPv6 server address; anywhere else it is stream or device syntax.
        for (size_t i = 0; i < named.size(); ++i) {
            if (named[i].find(':') == std::string::npos) continue;
            if (i == 0 && IsIpv6Loopback(named[i])) continue;
            sp.refusal = DirRefusal::Unsupported;
            return sp;
        }
        if (named.size() < 2) {
            sp.refusal = DirRefusal::ShareRoot;
            if (!named.empty()) sp.root = "\\\\" + named[0];
            return sp;
        }
        sp.root = "\\\\" + named[0] + "\\" + named[1];
        named.erase(named.begin(), named.begin() + 2);
        sp.parts = ResolveParts(named);
        // C$, ADMIN$ and the like are whole drives or the Windows folder under another name.
        if (sp.root.back() == '$') {
            sp.refusal = DirRefusal::AdminShare;
            return sp;
        }
        if (sp.parts.empty()) sp.refusal = DirRefusal::ShareRoot;
        return sp;
    }
    if (!IsDriveLetterPrefix(t)) {
        sp.refusal = DirRefusal::Relative;
        return sp;
    }
    sp.root = std::string(1, static_cast<char>(toupper(static_cast<unsigned char>(t[0])))) + ":";
    if (t.size() == 2) {
        sp.refusal = DirRefusal::DriveRoot;
        return sp;
    }
    if (t[2] != '\\') {  // "C:dir" is relative to the current folder of drive C
        sp.refusal = DirRefusal::Relative;
        return sp;
    }
    rest = t.substr(3);
    if (rest.find(':') != std::string::npos) {  // alternate data streams
        sp.refusal = DirRefusal::Unsupported;
        return sp;
    }
    sp.parts = ResolveParts(SplitOn(rest, '\\'));
    if (sp.parts.empty()) sp.refusal = DirRefusal::DriveRoot;
    return sp;
}

bool IsIpv6Loopback(std::string_view server) {
    std::string s = Lower(server);
    if (s.size() >= 2 && s.front() == '[' && s.back() == ']') s = s.substr(1, s.size() - 2);
    return s == "::1" || s == "0:0:0:0:0:0:0:1" || s == "0--1.ipv6-literal.net";
}

// "localhost", any 127.x.x.x, the IPv6 loopback in its spellings, and the
// names this computer answers to.
bool IsThisComputer(const std::string& server, const SafetyContext& ctx) {
    std::string s = Lower(server);
    if (s == "localhost" || IsIpv6Loopback(s)) return true;
    if (s.compare(0, 4, "127.") == 0 &&
        std::all_of(s.begin(), s.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; }))
        return true;
    return std::any_of(ctx.localHostNames.begin(), ctx.localHostNames.end(),
                       [&](const std::string& n) { return !n.empty() && EqualsNoCase(n, s); });
}

// A path on a share of this computer names a local folder: judged by its UNC
// spelling the rules would never see it. Drive shares ("C$") and the shares the
// system lists are turned into the local folder; an unknown share of this
// computer is refused, and every other network folder too.
SplitPath ResolveShares(SplitPath sp, const SafetyContext& ctx) {
    if (sp.root.size() < 3 || sp.root[0] != '\\' || sp.root[1] != '\\') return sp;
    std::string rest = sp.root.substr(2);
    size_t cut = rest.find('\\');
    std::string server = rest.substr(0, cut);
    std::string share = cut == std::string::npos ? std::string() : rest.substr(cut + 1);
    if (!IsThisComputer(server, ctx)) {
        if (sp.refusal == DirRefusal::None) sp.refusal = DirRefusal::Network;
        return sp;
    }
    if (share.empty()) return sp;  // "\\localhost" alone: no folder at all
    std::string target;
    if (share.size() == 2 && share[1] == '$' && isalpha(static_cast<unsigned char>(share[0]))) {
        target = std::string(1, share[0]) + ":\\";
    } else {
        for (const auto& [name, path] : ctx.localShares)
            if (EqualsNoCase(name, share)) target = path;
    }
    if (target.empty()) {
        SplitPath refused;
        refused.refusal = DirRefusal::LocalShare;
        return refused;
    }
    std::string local = target;
    for (const auto& p : sp.parts) local += "\\" + p;
    SplitPath resolved = Split(local, false);
    // The served folder may itself be spelled in any way; it is judged as it resolves.
    if (resolved.root.size() >= 2 && resolved.root[0] == '\\') {
        SplitPath refused;
        refused.refusal = DirRefusal::LocalShare;
        return refused;
    }
    return resolved;
}

std::string Join(const SplitPath& sp) {
    std::string s = sp.root;
    if (sp.parts.empty()) return s + "\\";
    for (const auto& p : sp.parts) s += "\\" + p;
    return s;
}

// The comparison form: the root and components, lower case.
struct FolderKey {
    std::vector<std::string> comps;  // comps[0] is the root
};

FolderKey KeyOf(const SplitPath& sp) {
    FolderKey k;
    k.comps.push_back(Lower(sp.root));
    for (const auto& p : sp.parts) k.comps.push_back(Lower(p));
    return k;
}

bool SameFolder(const FolderKey& a, const FolderKey& b) { return a.comps == b.comps; }

// True when `child` lies strictly below `parent`.
bool IsBelow(const FolderKey& child, const FolderKey& parent) {
    return child.comps.size() > parent.comps.size() &&
           std::equal(parent.comps.begin(), parent.comps.end(), child.comps.begin());
}

// A context entry as a key; drive and share roots are kept (a shell folder may
// sit on one), anything unusable yields nothing.
bool ContextKey(const std::string& entry, FolderKey& out) {
    SplitPath sp = Split(entry, true);
    if (sp.refusal != DirRefusal::None && sp.refusal != DirRefusal::DriveRoot &&
        sp.refusal != DirRefusal::ShareRoot)
        return false;
    if (sp.root.empty()) return false;
    out = KeyOf(sp);
    return true;
}

bool HasWindowsMarker(const std::string& path) {
    return (Lower(path) + "\\").find("\\windows\\") != std::string::npos;
}

// The refusal for one spelling of an absolute folder, None when it may be scanned.
DirRefusal CheckSpelling(const SplitPath& sp, const SafetyContext& ctx) {
    if (sp.refusal != DirRefusal::None) return sp.refusal;
    const FolderKey key = KeyOf(sp);
    std::vector<FolderKey> exact, tree;
    FolderKey k;
    for (const auto& e : ctx.exactProtected)
        if (ContextKey(e, k)) exact.push_back(k);
    for (const auto& e : ctx.treeProtected)
        if (ContextKey(e, k)) tree.push_back(k);

    for (const auto* list : {&exact, &tree})
        for (const auto& e : *list)
            if (SameFolder(key, e)) return DirRefusal::Protected;
    for (const auto& e : tree)
        if (IsBelow(key, e)) return DirRefusal::BelowProtected;
    for (const auto* list : {&exact, &tree})
        for (const auto& e : *list)
            if (IsBelow(e, key)) return DirRefusal::HoldsProtected;
    if (HasWindowsMarker(Join(sp))) return DirRefusal::WindowsMarker;
    return DirRefusal::None;
}

bool HoldsOtherProgram(const SplitPath& sp, const SafetyContext& ctx) {
    const FolderKey key = KeyOf(sp);
    for (const auto& other : ctx.otherPrograms) {
        SplitPath o = ResolveShares(Split(other.location, true), ctx);
        if (o.refusal != DirRefusal::None) continue;
        FolderKey ok = KeyOf(o);
        if (SameFolder(ok, key) || IsBelow(ok, key)) return true;
    }
    return false;
}

std::string LongName(const std::string& path) {
    std::vector<char> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetLongPathNameA(path.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) return std::string(buf.data(), n);
        buf.resize(n + 1);
    }
}

// Where the folder really is once every junction and symbolic link on its way
// is followed; empty when the system cannot say.
std::string FinalPath(const std::string& path) {
    unique_hfile h(CreateFileA(path.c_str(), 0,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h) return {};
    std::vector<char> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetFinalPathNameByHandleA(h.get(), buf.data(), static_cast<DWORD>(buf.size()),
                                            FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0) return {};
        if (n < buf.size()) return std::string(buf.data(), n);
        buf.resize(n + 1);
    }
}

// ---------------------------------------------------------------- keys

// Registry paths compared component by component, lower case; "*" in a
// pattern stands for any one key name.
using KeyParts = std::vector<std::string>;

KeyParts Parts(std::string_view path) {
    KeyParts out;
    for (auto& c : SplitOn(path, '\\'))
        if (!c.empty()) out.push_back(Lower(c));
    return out;
}

std::vector<KeyParts> PatternList(std::initializer_list<const char*> texts) {
    std::vector<KeyParts> v;
    for (const char* t : texts) v.push_back(Parts(t));
    return v;
}

// Stores Windows owns, below HKLM or HKCU (both hives share the layout under
// SOFTWARE): each key, everything below it and every key on the way to it is
// protected. Protecting by depth instead left deeper keys open to any program
// named like them ("Application" below WINEVT\Channels, "Setup" below
// Explorer\...\...).
const std::vector<KeyParts>& WindowsSubtrees() {
    static const std::vector<KeyParts> subtrees = PatternList({
        "software\\microsoft",
        "software\\policies\\microsoft",
        "software\\appdatalow\\software\\microsoft",
        "software\\wine",
        "system",
        "hardware",
        "sam",
        "security",
        "control panel",
    });
    return subtrees;
}

// Places inside those stores where a key is one program's own (named by it, or
// by its product code): such a key and what lies below it may be offered, the
// store itself never. "*" stands for any one key name.
const std::vector<KeyParts>& ProgramSlots() {
    static const std::vector<KeyParts> slots = PatternList({
        "software\\microsoft\\windows\\currentversion\\uninstall\\*",
        "software\\microsoft\\windows\\currentversion\\app paths\\*",
        "software\\microsoft\\windows\\currentversion\\explorer\\browser helper objects\\*",
        "software\\microsoft\\windows\\currentversion\\explorer\\shelliconoverlayidentifiers\\*",
        "software\\microsoft\\windows\\currentversion\\shell extensions\\approved\\*",
        "software\\microsoft\\windows\\currentversion\\installer\\userdata\\*\\products\\*",
    });
    return slots;
}

// Other keys below HKLM or HKCU that are protected with every key on the way to
// them, but not below them: what lies below is each program's own.
const std::vector<KeyParts>& SoftwarePatterns() {
    static const std::vector<KeyParts> patterns = PatternList({
        "software",
        "software\\clients\\*",
        "software\\registeredapplications",
        "software\\odbc\\*",
    });
    return patterns;
}

// True when `key` is `subtree` or lies below it.
bool IsInSubtree(const KeyParts& key, const KeyParts& subtree) {
    if (key.size() < subtree.size()) return false;
    for (size_t i = 0; i < subtree.size(); ++i)
        if (subtree[i] != "*" && subtree[i] != key[i]) return false;
    return true;
}

// Keys of the class store (HKCR, and SOFTWARE\Classes of either hive).
const std::vector<KeyParts>& ClassPatterns() {
    static const std::vector<KeyParts> patterns = PatternList({
        // Every direct child: extensions, ProgIDs, CLSID, Interface, TypeLib,
        // AppID, Installer, "*", Directory, Folder, Drive ...
        "classes\\*",
        "classes\\installer\\*",
        "classes\\*\\shell",
        "classes\\*\\shellex\\*",
        "classes\\*\\background\\shell",
        "classes\\*\\background\\shellex\\*",
        "classes\\*\\shell\\open\\command",
        "classes\\*\\shell\\runas\\command",
        "classes\\*\\shell\\edit\\command",
        "classes\\*\\shell\\print\\command",
        "classes\\*\\shell\\explore\\command",
        "classes\\*\\shell\\find\\command",
    });
    return patterns;
}

// True when `key` equals the pattern or is an ancestor of what it matches.
bool MatchesOrLeadsTo(const KeyParts& key, const KeyParts& pattern) {
    if (key.size() > pattern.size()) return false;
    for (size_t i = 0; i < key.size(); ++i)
        if (pattern[i] != "*" && pattern[i] != key[i]) return false;
    return true;
}

// The classes Windows itself owns, directly below the class store (lower
// case): its groups of classes, its own file types and their ProgIDs, and the
// protocols and shell objects. A program may point one of them at itself; it
// stays Windows' all the same.
bool IsWindowsClass(const std::string& name) {
    // clang-format off
    static const char* const kOwned[] = {
        "*", "allfilesystemobjects", "appid", "applications", "clsid", "component categories",
        "directory", "drive", "desktopbackground", "folder", "interface", "installer",
        "local settings", "mime", "network", "netserver", "netshare", "printers", "protocols",
        "systemfileassociations", "typelib", "unknown", "virtualstore", "wow6432node",
        "internetshortcut", "msi.package", "msi.patch", "http", "https", "ftp", "file", "mailto",
        "exefile", "batfile", "cmdfile", "comfile", "dllfile", "sysfile", "lnkfile", "piffile",
        "regfile", "inifile", "inffile", "txtfile", "htmlfile", "mhtmlfile", "xmlfile", "scrfile",
        "vbsfile", "vbefile", "jsfile", "jsefile", "wsffile", "wshfile", "htafile", "ocxfile",
        "cplfile", "mscfile", "themefile", "fonfile", "ttffile", "otffile", "icofile",
        "compressedfolder", "cabfolder", "paint.picture", "wordpad.document.1", "shell",
        ".exe", ".com", ".bat", ".cmd", ".pif", ".scr", ".lnk", ".url", ".dll", ".sys", ".ocx",
        ".cpl", ".msc", ".msi", ".msp", ".reg", ".ini", ".inf", ".txt", ".log", ".htm", ".html",
        ".mht", ".xml", ".js", ".jse", ".vbs", ".vbe", ".wsf", ".wsh", ".ps1", ".hta", ".zip",
        ".cab", ".bmp", ".gif", ".jpg", ".jpeg", ".png", ".ico", ".tif", ".tiff", ".wav", ".mp3",
        ".wma", ".wmv", ".avi", ".mp4", ".mpg", ".mpeg", ".mid", ".rtf", ".ttf", ".otf", ".fon",
        ".theme", ".cer", ".crt", ".p7b", ".pfx", ".library-ms", ".search-ms", ".folder",
    };
    // clang-format on
    // A class whose name begins with "." but is no extension, or is empty, stays too.
    if (name.empty() || name == ".") return true;
    for (const char* owned : kOwned)
        if (name == owned) return true;
    return false;
}

bool IsRunFamily(const std::string& name) {
    static const std::array<const char*, 5> names = {"run", "runonce", "runonceex", "runservices",
                                                     "runservicesonce"};
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return name == n; });
}

bool IsWowNode(const std::string& name) { return name == "wow6432node" || name == "wowaa32node"; }

}  // namespace

// ---------------------------------------------------------------- public

std::string NormalizeFolderPath(const std::string& text) {
    SplitPath sp = Split(text, true);
    if (sp.refusal != DirRefusal::None && sp.refusal != DirRefusal::DriveRoot &&
        sp.refusal != DirRefusal::ShareRoot)
        return {};
    if (sp.root.empty()) return {};
    return Join(sp);
}

DirVerdict ClassifyInstallPath(const std::string& text, const SafetyContext& ctx) {
    DirVerdict v;
    SplitPath sp = ResolveShares(Split(text, true), ctx);
    v.refusal = CheckSpelling(sp, ctx);
    if (v.refusal != DirRefusal::None) return v;
    v.resolved = Join(sp);
    v.holdsOtherProgram = HoldsOtherProgram(sp, ctx);
    return v;
}

DirVerdict CheckInstallDirectory(const std::string& text, const SafetyContext& ctx) {
    DirVerdict v = ClassifyInstallPath(text, ctx);
    if (v.refusal != DirRefusal::None) return v;
    const std::string path = v.resolved;
    v.resolved.clear();

    DWORD attr = GetFileAttributesA(path.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || !(attr & FILE_ATTRIBUTE_DIRECTORY)) {
        v.refusal = DirRefusal::NotFound;
        return v;
    }
    // Removing a link's target through the link would reach whatever it points
    // at; the root is where a removal starts, so a linked root is never scanned.
    if (attr & FILE_ATTRIBUTE_REPARSE_POINT) {
        v.refusal = DirRefusal::Link;
        return v;
    }

    // The same folder under its other names: short components made long
    // ("C:\PROGRA~1"), and junctions on the way followed.
    std::string scanned = path;
    std::vector<SplitPath> spellings;
    if (std::string ln = LongName(path); !ln.empty()) {
        SplitPath sp = Split(ln, false);
        if (sp.refusal == DirRefusal::None) scanned = Join(sp);
        spellings.push_back(std::move(sp));
    }
    if (std::string fp = FinalPath(path); !fp.empty()) spellings.push_back(Split(fp, false));
    for (const auto& sp : spellings) {
        DirRefusal r = CheckSpelling(sp, ctx);
        if (r != DirRefusal::None) {
            v.refusal = r;
            v.holdsOtherProgram = false;
            return v;
        }
        v.holdsOtherProgram = v.holdsOtherProgram || HoldsOtherProgram(sp, ctx);
    }
    v.resolved = scanned;
    return v;
}

std::string DirRefusalText(DirRefusal r) {
    switch (r) {
    case DirRefusal::None: return {};
    case DirRefusal::Empty: return LangText(IDS_SCANFORM_INFO_NoFolder);
    case DirRefusal::Relative: return LangText(IDS_SCANFORM_INFO_Relative);
    case DirRefusal::Unsupported: return LangText(IDS_SCANFORM_INFO_Unsupported);
    case DirRefusal::DriveRoot: return LangText(IDS_SCANFORM_INFO_DriveRoot);
    case DirRefusal::ShareRoot: return LangText(IDS_SCANFORM_INFO_ShareRoot);
    case DirRefusal::AdminShare: return LangText(IDS_SCANFORM_INFO_AdminShare);
    case DirRefusal::Protected: return LangText(IDS_SCANFORM_INFO_Protected);
    case DirRefusal::BelowProtected: return LangText(IDS_SCANFORM_INFO_BelowProtected);
    case DirRefusal::HoldsProtected: return LangText(IDS_SCANFORM_INFO_HoldsProtected);
    case DirRefusal::WindowsMarker: return LangText(IDS_SCANFORM_INFO_WindowsMarker);
    case DirRefusal::NotFound: return LangText(IDS_SCANFORM_INFO_NotFound);
    case DirRefusal::Link: return LangText(IDS_SCANFORM_INFO_Link);
    case DirRefusal::Network: return LangText(IDS_SCANFORM_INFO_Network);
    case DirRefusal::LocalShare: return LangText(IDS_SCANFORM_INFO_LocalShare);
    }
    return {};
}

namespace {

enum class Store { Machine, User, Classes };

Store StoreOf(RegHive hive) {
    switch (hive) {
    case RegHive::ClassesRoot: return Store::Classes;
    case RegHive::CurrentUser: return Store::User;
    case RegHive::LocalMachine: break;
    }
    return Store::Machine;
}

// The hive a text form names: a long name in any case, or a short one.
std::optional<RegHive> HiveOfText(const std::string& text) {
    if (auto hive = ParseHive(text, HiveSpelling::AnyCase)) return hive;
    const std::string hive = Lower(text);
    if (hive == "hklm") return RegHive::LocalMachine;
    if (hive == "hkcu") return RegHive::CurrentUser;
    if (hive == "hkcr") return RegHive::ClassesRoot;
    return std::nullopt;
}

// The store a hive's text form names, with `parts` made relative to it
// (HKEY_USERS\<SID> is a user's HKCU, HKEY_USERS\<SID>_Classes its class
// store); nothing for a text naming no hive, or HKEY_USERS alone.
std::optional<Store> StoreOfName(const std::string& hiveName, KeyParts& parts) {
    const std::string text = TrimControl(hiveName);
    if (auto hive = HiveOfText(text)) return StoreOf(*hive);
    const std::string hive = Lower(text);
    if ((hive != "hkey_users" && hive != "hku") || parts.size() < 2) return std::nullopt;
    const std::string sid = parts.front();
    parts.erase(parts.begin());
    const std::string suffix = "_classes";
    const bool classes = sid.size() > suffix.size() &&
                         sid.compare(sid.size() - suffix.size(), suffix.size(), suffix) == 0;
    return classes ? Store::Classes : Store::User;
}

bool HoldsProgramValuesIn(Store store, KeyParts parts) {
    if (store == Store::Classes) return false;
    parts.erase(std::remove_if(parts.begin(), parts.end(), IsWowNode), parts.end());
    static const std::vector<KeyParts> homes = PatternList({
        "software\\microsoft\\windows\\currentversion\\run",
        "software\\microsoft\\windows\\currentversion\\runonce",
        "software\\microsoft\\windows\\currentversion\\runonceex",
        "software\\microsoft\\windows\\currentversion\\runservices",
        "software\\microsoft\\windows\\currentversion\\runservicesonce",
        "software\\microsoft\\windows\\currentversion\\policies\\explorer\\run",
        "software\\microsoft\\windows\\currentversion\\shareddlls",
        "software\\microsoft\\windows\\currentversion\\installer\\folders",
    });
    return std::find(homes.begin(), homes.end(), parts) != homes.end();
}

bool IsProtectedIn(Store store, KeyParts parts, KeyOffer offer) {
    // The 32-bit and ARM views mirror the native layout one level down.
    parts.erase(std::remove_if(parts.begin(), parts.end(), IsWowNode), parts.end());

    if (store != Store::Classes && parts.size() >= 2 && parts[0] == "software" &&
        parts[1] == "classes") {
        parts.erase(parts.begin(), parts.begin() + 2);
        store = Store::Classes;
    }
    if (store == Store::Classes) {
        parts.insert(parts.begin(), "classes");
    } else if (parts.size() <= 1) {
        return true;  // a hive itself or one of its top-level keys
    }
    if (IsRunFamily(parts.back())) return true;

    if (store == Store::Classes) {
        // parts: "classes", the class's name, what lies below it.
        if (offer == KeyOffer::ByEvidence && parts.size() >= 2 && !IsWindowsClass(parts[1]))
            return false;
        const auto& patterns = ClassPatterns();
        return std::any_of(patterns.begin(), patterns.end(),
                           [&](const KeyParts& p) { return MatchesOrLeadsTo(parts, p); });
    }
    const auto& patterns = SoftwarePatterns();
    if (std::any_of(patterns.begin(), patterns.end(),
                    [&](const KeyParts& p) { return MatchesOrLeadsTo(parts, p); }))
        return true;
    const auto& slots = ProgramSlots();
    if (std::any_of(slots.begin(), slots.end(),
                    [&](const KeyParts& p) { return IsInSubtree(parts, p); }))
        return false;
    const auto& subtrees = WindowsSubtrees();
    return std::any_of(subtrees.begin(), subtrees.end(), [&](const KeyParts& p) {
        return IsInSubtree(parts, p) || MatchesOrLeadsTo(parts, p);
    });
}

// The rules compare names as the code page shows them; the keys Windows owns
// are named in ASCII, which converts unchanged.
KeyParts PartsOf(std::wstring_view keyPath) { return Parts(WideToAnsi(keyPath)); }

}  // namespace

bool HoldsProgramValues(const std::string& hiveName, const std::string& keyPath) {
    const std::optional<RegHive> hive = HiveOfText(TrimControl(hiveName));
    return hive && HoldsProgramValuesIn(StoreOf(*hive), Parts(keyPath));
}

bool HoldsProgramValues(RegHive hive, std::wstring_view keyPath) {
    return HoldsProgramValuesIn(StoreOf(hive), PartsOf(keyPath));
}

bool IsProtectedKey(const std::string& hiveName, const std::string& keyPath, KeyOffer offer) {
    KeyParts parts = Parts(keyPath);
    const std::optional<Store> store = StoreOfName(hiveName, parts);
    return !store || IsProtectedIn(*store, std::move(parts), offer);
}

bool IsProtectedKey(RegHive hive, std::wstring_view keyPath, KeyOffer offer) {
    return IsProtectedIn(StoreOf(hive), PartsOf(keyPath), offer);
}

namespace {

// Every spelling a folder is known by: its normalised text (shares of this
// computer resolved), its long-name form and the folder it finally is.
std::vector<SplitPath> FolderSpellings(const std::string& text, const SafetyContext* ctx) {
    std::vector<SplitPath> out;
    SplitPath sp = Split(text, true);
    if (ctx) sp = ResolveShares(std::move(sp), *ctx);
    if (sp.refusal != DirRefusal::None && sp.refusal != DirRefusal::DriveRoot &&
        sp.refusal != DirRefusal::ShareRoot)
        return out;
    if (sp.root.empty()) return out;
    const std::string joined = Join(sp);
    out.push_back(sp);
    for (const std::string& other : {LongName(joined), FinalPath(joined)}) {
        if (other.empty()) continue;
        SplitPath o = Split(other, false);
        if (o.refusal == DirRefusal::None && !o.root.empty()) out.push_back(std::move(o));
    }
    return out;
}

}  // namespace

std::vector<KeptProgram> OtherProgramsInside(const std::string& scanRoot,
                                             const SafetyContext& ctx) {
    std::vector<KeptProgram> kept;
    const std::vector<SplitPath> roots = FolderSpellings(scanRoot, &ctx);
    // Every pair of spellings is tried: a short name matches only in its own
    // spelling, and the folder names to lock must be those a listing returns.
    for (const OtherProgram& other : ctx.otherPrograms) {
        for (const SplitPath& o : FolderSpellings(other.location, &ctx)) {
            const FolderKey ok = KeyOf(o);
            for (const SplitPath& r : roots) {
                const FolderKey rk = KeyOf(r);
                if (!SameFolder(ok, rk) && !IsBelow(ok, rk)) continue;
                KeptProgram k{other.name, other.location, {}};
                for (size_t i = r.parts.size(); i < o.parts.size(); ++i)
                    k.below.push_back(AnsiToWide(o.parts[i]));
                kept.push_back(std::move(k));
            }
        }
    }
    return kept;
}

bool SameInstallFolder(const std::string& a, const std::string& b) {
    for (const SplitPath& x : FolderSpellings(a, nullptr))
        for (const SplitPath& y : FolderSpellings(b, nullptr))
            if (SameFolder(KeyOf(x), KeyOf(y))) return true;
    return false;
}

std::vector<OtherProgram> OtherListedPrograms(const std::vector<ListedProgram>& listed,
                                              const ListedProgram& target) {
    std::vector<OtherProgram> others;
    for (const ListedProgram& p : listed) {
        // Key names compare without regard to case, as the registry does.
        const bool sameName = EqualsNoCase(p.registryName, target.registryName);
        if (sameName && EqualsNoCase(p.hive, target.hive)) continue;  // the record itself
        // The same name in the other hive is another installation, in the same
        // folder or not. Without a folder a program's keys and names are still
        // its own, and the remains scan must know them.
        others.emplace_back(p.installLocation,
                            p.displayName.empty() ? p.registryName : p.displayName, p.registryName,
                            p.hive, p.publisher);
    }
    return others;
}

// ---------------------------------------------------------------- system context

namespace {

std::string SpecialFolder(int csidl) {
    char buf[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, buf, csidl, FALSE)) return {};
    return buf;
}

std::string KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    HRESULT hr = SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path);
    unique_cotaskmem_wstr owned(path);
    return SUCCEEDED(hr) && path ? WideToAnsi(path) : std::string();
}

std::string Env(const char* name) {
    char buf[MAX_PATH * 2];
    DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

template <typename Fn>
std::string FromBuffer(Fn fn) {
    char buf[MAX_PATH] = {};
    UINT n = fn(buf, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(buf, n) : std::string();
}

// The folders directly inside `dir` (links too: they are judged by where they lead).
std::vector<std::string> SubFolders(const std::string& dir) {
    std::vector<std::string> out;
    if (dir.empty()) return out;
    const std::wstring base = AnsiToWide(IncludeTrailingBackslash(dir));
    ForEachFolderEntry(base, [&](const WIN32_FIND_DATAW& fd) {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || fd.cFileName[0] == L'.')
            return true;
        std::wstring name = fd.cFileName;
        // A name the code page cannot hold could not be compared faithfully anyway.
        if (IsAnsiFaithful(name)) out.push_back(WideToAnsi(base + name));
        return true;
    });
    return out;
}

std::string ReplaceAllNoCase(const std::string& s, const std::string& from, const std::string& to) {
    std::string out;
    const std::string lower = Lower(s), key = Lower(from);
    size_t pos = 0;
    for (size_t hit; (hit = lower.find(key, pos)) != std::string::npos; pos = hit + key.size())
        out += s.substr(pos, hit - pos) + to;
    return out + s.substr(pos);
}

// Adds `raw` under every spelling it has: normalised text, long names, and the
// folder a junction leads to.
void AddSpellings(std::vector<std::string>& list, const std::string& raw) {
    std::string norm = NormalizeFolderPath(raw);
    if (norm.empty()) return;
    std::vector<std::string> forms{norm};
    if (std::string ln = LongName(norm); !ln.empty()) forms.push_back(NormalizeFolderPath(ln));
    if (std::string fp = FinalPath(norm); !fp.empty()) forms.push_back(NormalizeFolderPath(fp));
    for (auto& f : forms) {
        if (f.empty()) continue;
        bool known = std::any_of(list.begin(), list.end(),
                                 [&](const std::string& s) { return EqualsNoCase(s, f); });
        if (!known) list.push_back(f);
    }
}

// Adds `parent` + "\" + each of `names`, below every spelling the parent is
// known by: a folder that does not exist (yet) has no long name of its own,
// and it is as protected the day it is made.
void AddBelow(std::vector<std::string>& list, const std::string& parent,
              std::initializer_list<const char*> names) {
    std::vector<std::string> parents;
    AddSpellings(parents, parent);
    for (const std::string& p : parents)
        for (const char* name : names) AddSpellings(list, p + "\\" + name);
}

// Windows' own folders inside Program Files and Common Files: named like any
// program's folder, and a registration may point at one.
constexpr std::initializer_list<const char*> kWindowsProgramFolders = {
    "Internet Explorer",        "Windows NT",       "Windows Media Player", "Windows Mail",
    "Windows Photo Viewer",     "Windows Defender", "Windows Sidebar",      "WindowsApps",
    "Windows Portable Devices", "MSBuild",          "Reference Assemblies"};
constexpr std::initializer_list<const char*> kWindowsCommonFolders = {"System", "microsoft shared",
                                                                      "Services", "SpeechEngines"};

// The data roots of a profile (today's layout and the older one), whose
// Microsoft folder holds the system's own data of that user: keys, credentials,
// certificates.
std::vector<std::string> ProfileDataRoots(const std::string& profileRoot) {
    std::vector<std::string> out;
    if (TrimControl(profileRoot).empty()) return out;
    const std::string base = IncludeTrailingBackslash(profileRoot);
    for (const char* f : {"AppData\\Roaming", "AppData\\Local", "AppData\\LocalLow",
                          "Application Data", "Local Settings\\Application Data"})
        out.push_back(base + f);
    return out;
}

}  // namespace

SafetyContext SystemSafetyContext(const std::string& appDir,
                                  const std::vector<OtherProgram>& otherPrograms) {
    SafetyContext ctx;

    for (const std::string& dir :
         {FromBuffer(GetWindowsDirectoryA), FromBuffer(GetSystemWindowsDirectoryA),
          FromBuffer(GetSystemDirectoryA), FromBuffer(GetSystemWow64DirectoryA), Env("SystemRoot"),
          Env("windir"), SpecialFolder(CSIDL_WINDOWS), SpecialFolder(CSIDL_SYSTEM),
          SpecialFolder(CSIDL_SYSTEMX86)})
        AddSpellings(ctx.treeProtected, dir);

    static const int csidls[] = {
        // the user's
        CSIDL_PROFILE,
        CSIDL_DESKTOPDIRECTORY,
        CSIDL_PERSONAL,
        CSIDL_MYPICTURES,
        CSIDL_MYMUSIC,
        CSIDL_MYVIDEO,
        CSIDL_FAVORITES,
        CSIDL_APPDATA,
        CSIDL_LOCAL_APPDATA,
        CSIDL_STARTMENU,
        CSIDL_PROGRAMS,
        CSIDL_STARTUP,
        CSIDL_ALTSTARTUP,
        CSIDL_TEMPLATES,
        CSIDL_SENDTO,
        CSIDL_RECENT,
        CSIDL_NETHOOD,
        CSIDL_PRINTHOOD,
        CSIDL_COOKIES,
        CSIDL_INTERNET_CACHE,
        CSIDL_HISTORY,
        CSIDL_ADMINTOOLS,
        CSIDL_CDBURN_AREA,
        // all users'
        CSIDL_COMMON_DESKTOPDIRECTORY,
        CSIDL_COMMON_DOCUMENTS,
        CSIDL_COMMON_PICTURES,
        CSIDL_COMMON_MUSIC,
        CSIDL_COMMON_VIDEO,
        CSIDL_COMMON_FAVORITES,
        CSIDL_COMMON_APPDATA,
        CSIDL_COMMON_STARTMENU,
        CSIDL_COMMON_PROGRAMS,
        CSIDL_COMMON_STARTUP,
        CSIDL_COMMON_ALTSTARTUP,
        CSIDL_COMMON_TEMPLATES,
        CSIDL_COMMON_ADMINTOOLS,
        // Program Files and Common Files themselves (their subfolders are programs)
        CSIDL_PROGRAM_FILES,
        CSIDL_PROGRAM_FILESX86,
        CSIDL_PROGRAM_FILES_COMMON,
        CSIDL_PROGRAM_FILES_COMMONX86,
    };
    for (int csidl : csidls) AddSpellings(ctx.exactProtected, SpecialFolder(csidl));

    for (const std::string& dir :
         {SpecialFolder(CSIDL_PROGRAM_FILES), SpecialFolder(CSIDL_PROGRAM_FILESX86),
          Env("ProgramFiles"), Env("ProgramFiles(x86)"), Env("ProgramW6432")})
        AddBelow(ctx.treeProtected, dir, kWindowsProgramFolders);
    for (const std::string& dir :
         {SpecialFolder(CSIDL_PROGRAM_FILES_COMMON), SpecialFolder(CSIDL_PROGRAM_FILES_COMMONX86),
          Env("CommonProgramFiles"), Env("CommonProgramFiles(x86)"), Env("CommonProgramW6432")})
        AddBelow(ctx.treeProtected, dir, kWindowsCommonFolders);
    for (const std::string& dir :
         {SpecialFolder(CSIDL_APPDATA), SpecialFolder(CSIDL_LOCAL_APPDATA),
          KnownFolder(FOLDERID_LocalAppDataLow), SpecialFolder(CSIDL_COMMON_APPDATA),
          KnownFolder(FOLDERID_ProgramData), Env("APPDATA"), Env("LOCALAPPDATA"),
          Env("ProgramData")})
        AddBelow(ctx.treeProtected, dir, {"Microsoft"});

    // Folders without a CSIDL.
    for (REFKNOWNFOLDERID id :
         {std::cref(FOLDERID_Downloads), std::cref(FOLDERID_UserProfiles),
          std::cref(FOLDERID_Public), std::cref(FOLDERID_PublicDownloads),
          std::cref(FOLDERID_PublicDesktop), std::cref(FOLDERID_PublicDocuments),
          std::cref(FOLDERID_Links), std::cref(FOLDERID_SavedGames), std::cref(FOLDERID_Contacts),
          std::cref(FOLDERID_LocalAppDataLow), std::cref(FOLDERID_ProgramData),
          std::cref(FOLDERID_UserProgramFiles)})
        AddSpellings(ctx.exactProtected, KnownFolder(id));

    for (const char* var :
         {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "CommonProgramFiles",
          "CommonProgramFiles(x86)", "CommonProgramW6432", "USERPROFILE", "ALLUSERSPROFILE",
          "PUBLIC", "ProgramData", "APPDATA", "LOCALAPPDATA", "TEMP", "TMP"})
        AddSpellings(ctx.exactProtected, Env(var));
    AddSpellings(ctx.exactProtected,
                 FromBuffer([](char* b, UINT n) { return GetTempPathA(n, b); }));

    // Every profile of the machine, with the folders of its user: an install
    // location in another user's Downloads is no less that user's folder. The
    // profiles the system lists, and every folder of the profiles directory
    // (a profile whose registration is gone still holds someone's files).
    std::vector<std::string> profiles;
    if (auto key = reg::Key::Open(HKEY_LOCAL_MACHINE,
                                  "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList")) {
        std::string root = ExpandEnvironment(key->GetString("ProfilesDirectory").value_or(""));
        if (!root.empty()) {
            AddSpellings(ctx.exactProtected, root);
            for (const char* name : {"Default", "Public", "All Users", "Default User"})
                profiles.push_back(IncludeTrailingBackslash(root) + name);
            for (const std::string& folder : SubFolders(root)) profiles.push_back(folder);
        }
        for (const char* name : {"Default", "Public", "AllUsersProfile"})
            if (auto v = key->GetString(name); v && !v->empty())
                profiles.push_back(ExpandEnvironment(*v));
        std::vector<std::string> sids;
        try {
            sids = key->SubKeyNames();
        } catch (const std::exception&) {
        }
        for (const std::string& sid : sids) {
            auto profile = key->OpenSub(sid);
            if (!profile) continue;
            std::string path =
                ExpandEnvironment(profile->GetString("ProfileImagePath").value_or(""));
            if (path.empty()) continue;
            profiles.push_back(path);
            // Folders the user moved elsewhere, while the user's hive is loaded.
            if (auto shell = reg::Key::Open(HKEY_USERS,
                                            sid + "\\Software\\Microsoft\\Windows\\CurrentVersion\\"
                                                  "Explorer\\User Shell Folders"))
                for (const reg::Value& v : shell->Values()) {
                    if (v.type != REG_SZ && v.type != REG_EXPAND_SZ) continue;
                    std::string text = ExpandEnvironment(
                        ReplaceAllNoCase(reg::StringFromData(v.data), "%USERPROFILE%", path));
                    AddSpellings(ctx.exactProtected, text);
                    if (EqualsNoCase(v.name, "AppData") || EqualsNoCase(v.name, "Local AppData"))
                        AddBelow(ctx.treeProtected, text, {"Microsoft"});
                }
        }
    }
    if (std::string profile = SpecialFolder(CSIDL_PROFILE); !profile.empty()) {
        profiles.push_back(profile);
        std::string root = ExtractFilePath(NormalizeFolderPath(profile));
        AddSpellings(ctx.exactProtected, root);
        for (const std::string& folder : SubFolders(root)) profiles.push_back(folder);
    }
    // Most profiles are found more than once; each look at the file system is
    // a round trip to the wineserver under Wine.
    std::vector<std::string> seen;
    for (const std::string& profile : profiles) {
        const std::string norm = NormalizeFolderPath(profile);
        if (std::any_of(seen.begin(), seen.end(),
                        [&](const std::string& s) { return EqualsNoCase(s, norm); }))
            continue;
        seen.push_back(norm);
        AddSpellings(ctx.exactProtected, profile);
        for (const std::string& folder : ProfileShellFolders(profile))
            AddSpellings(ctx.exactProtected, folder);
        for (const std::string& root : ProfileDataRoots(profile))
            AddBelow(ctx.treeProtected, root, {"Microsoft"});
    }

    AddSpellings(ctx.exactProtected, appDir.empty() ? ExeDirectory() : appDir);

    // The names this computer answers to, and what its shares serve.
    for (COMPUTER_NAME_FORMAT f :
         {ComputerNameNetBIOS, ComputerNameDnsHostname, ComputerNameDnsFullyQualified,
          ComputerNamePhysicalNetBIOS, ComputerNamePhysicalDnsHostname,
          ComputerNamePhysicalDnsFullyQualified}) {
        char name[256];
        DWORD size = sizeof name;
        if (GetComputerNameExA(f, name, &size) && size > 0)
            ctx.localHostNames.emplace_back(name, size);
    }
    if (std::string windows = FromBuffer(GetWindowsDirectoryA); !windows.empty())
        ctx.localShares.emplace_back("ADMIN$", windows);
    if (auto shares = reg::Key::Open(HKEY_LOCAL_MACHINE,
                                     "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Shares"))
        for (const reg::Value& v : shares->Values()) {
            if (v.type != REG_MULTI_SZ) continue;
            // One "Key=value" text per line; the folder is the "Path=" one.
            std::string all(v.data.begin(), v.data.end());
            for (const std::string& line : SplitOn(all, '\0'))
                if (StartsWithNoCase(line, "Path="))
                    ctx.localShares.emplace_back(v.name, line.substr(5));
        }

    for (const auto& other : otherPrograms)
        if (!NormalizeFolderPath(other.location).empty() || !other.registryName.empty())
            ctx.otherPrograms.push_back(other);
    for (REFKNOWNFOLDERID id : {FOLDERID_Programs, FOLDERID_CommonPrograms, FOLDERID_Desktop,
                                FOLDERID_PublicDesktop, FOLDERID_QuickLaunch}) {
        const std::string dir = NormalizeFolderPath(KnownFolder(id));
        if (!dir.empty()) ctx.shortcutFolders.push_back(dir);
    }
    return ctx;
}

bool InShortcutFolder(const std::string& path, const SafetyContext& ctx) {
    const std::string p = NormalizeFolderPath(path);
    if (p.empty()) return false;
    // ".." and "." were resolved away: the text must have been plain already.
    if (!EqualsNoCase(p, path) && !EqualsNoCase(p + "\\", path)) return false;
    for (const std::string& e : ctx.exactProtected)
        if (EqualsNoCase(e, p)) return false;
    for (const std::string& dir : ctx.shortcutFolders)
        if (p.size() > dir.size() + 1 && EqualsNoCase(p.substr(0, dir.size()), dir) &&
            p[dir.size()] == '\\')
            return true;
    return false;
}

std::vector<std::string> ProfileShellFolders(const std::string& profileRoot) {
    static const char* const kFolders[] = {
        "Desktop",
        "Documents",
        "Downloads",
        "Pictures",
        "Music",
        "Videos",
        "Favorites",
        "AppData",
        "AppData\\Roaming",
        "AppData\\Local",
        "AppData\\LocalLow",
        "AppData\\Local\\Temp",
        "AppData\\Roaming\\Microsoft\\Windows\\Start Menu",
        "AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs",
        "AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup",
        "AppData\\Roaming\\Microsoft\\Windows\\Templates",
        "OneDrive",
        "Searches",
        "3D Objects",
        "Contacts",
        "Links",
        "Saved Games",
        // The layout of older systems, still met on upgraded machines.
        "My Documents",
        "Application Data",
        "Local Settings",
        "Local Settings\\Application Data",
        "Local Settings\\Temp",
        "Start Menu",
        "Start Menu\\Programs",
        "Start Menu\\Programs\\Startup",
        "Templates",
        "Cookies",
        "NetHood",
        "PrintHood",
        "Recent",
        "SendTo",
    };
    std::vector<std::string> out;
    if (TrimControl(profileRoot).empty()) return out;
    const std::string base = IncludeTrailingBackslash(profileRoot);
    for (const char* f : kFolders) out.push_back(base + f);
    return out;
}

}  // namespace cx::cleanup

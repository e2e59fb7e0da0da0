#include "Enumerate.h"

#include <shellapi.h>

#include <cstring>
#include <new>
#include <unordered_set>

#include "Inventory.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Registry.h"
#include "platform/Strings.h"

namespace cx::svc {

const char* const kUninstallPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char* const kArpCachePath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache";

namespace {

// Icon and uninstaller paths may name a drive without a disk (a program set up
// from CD): the system must not stop the listing with its "no disk" box.
class QuietDriveErrors {
public:
    QuietDriveErrors() noexcept {
        SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_);
    }
    ~QuietDriveErrors() { SetThreadErrorMode(previous_, nullptr); }
    QuietDriveErrors(const QuietDriveErrors&) = delete;
    QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

private:
    DWORD previous_ = 0;
};

// A bare program name ("MsiExec.exe") is looked up the way the system would run it.
std::string ResolveProgram(const std::string& path) {
    if (path.empty() || path.size() >= MAX_PATH || path.find_first_of("\\/:") != std::string::npos)
        return path;
    char buf[MAX_PATH];
    DWORD n = SearchPathA(nullptr, path.c_str(), ".exe", MAX_PATH, buf, nullptr);
    return n > 0 && n < MAX_PATH ? std::string(buf, n) : path;
}

// A single key name: a backslash would reach a key below another entry.
bool IsSingleKeyName(const std::string& name) {
    return !name.empty() && name.find('\\') == std::string::npos;
}

// The add/remove cache of one hive, with the names of its entries read once
// per listing: asking it for every program by name cost two failed opens per
// program (a round trip to the wineserver each, under Wine), and most
// programs have no entry.
class ArpCache {
public:
    explicit ArpCache(HKEY hive) : key_(reg::Key::Open(hive, kArpCachePath, KEY_READ)) {
        if (!key_) return;
        DWORD count = 0;
        if (RegQueryInfoKeyW(key_->get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return;
        try {
            std::vector<std::wstring> names = reg::SubKeyNamesW(key_->get());
            // Every name listed, and each plain ASCII, whose letters are the only
            // ones an ASCII name can equal without regard to case: then a name
            // missing here is no entry. Otherwise every program is asked for.
            if (names.size() != count) return;
            for (const std::wstring& n : names)
                for (wchar_t c : n)
                    if (c == 0 || c > 0x7F) return;
            for (const std::wstring& n : names) names_.insert(AsciiUpper(n));
            complete_ = true;
        } catch (...) {
            names_.clear();
        }
    }
    std::optional<SlowInfo> Read(const std::string& keyName) const {
        if (!key_ || !MayHold(keyName)) return std::nullopt;
        auto sub = key_->OpenSub(keyName);
        if (!sub) return std::nullopt;
        auto raw = sub->RawValue("SlowInfoCache");
        if (!raw || raw->type != REG_BINARY) return std::nullopt;
        return DecodeSlowInfoCache(raw->data);
    }

private:
    bool MayHold(const std::string& keyName) const {
        if (!complete_) return true;
        std::wstring n;
        n.reserve(keyName.size());
        for (char c : keyName) {
            if (static_cast<unsigned char>(c) > 0x7F) return true;
            n.push_back(static_cast<wchar_t>(c));
        }
        return names_.count(AsciiUpper(n)) != 0;
    }
    static std::wstring AsciiUpper(std::wstring s) {
        for (wchar_t& c : s)
            if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        return s;
    }

    std::optional<reg::Key> key_;
    std::unordered_set<std::wstring> names_;
    bool complete_ = false;
};

HKEY OtherHive(HKEY hive) {
    return hive == HKEY_LOCAL_MACHINE ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

ProgramRecord MakeRecord(HKEY hive, const UninstallEntry& e, const std::optional<SlowInfo>& cache) {
    ProgramRecord r;
    r.hive = hive;
    r.registryName = CapText(e.keyName);
    r.displayName = e.displayName.value_or("");
    r.uninstallString = e.uninstallString.value_or("");
    r.publisher = e.publisher.value_or("");
    r.installLocation = e.installLocation.value_or("");
    r.version = e.displayVersion.value_or("");
    r.installDate = FormatInstallDate(e.installDate.value_or(""));
    r.helpLink = e.helpLink.value_or("");
    r.aboutLink = e.aboutLink.value_or("");
    r.updateLink = e.updateLink.value_or("");
    r.kind = ProgramKind(e);
    if (cache && cache->installSize)
        r.size = static_cast<float>(*cache->installSize);
    else if (e.estimatedSizeKb)
        r.size = static_cast<float>(*e.estimatedSizeKb) * 1024.0f;
    if (cache && cache->frequency) r.usedFrequency = *cache->frequency;
    if (cache && cache->lastUsed) r.lastUsed = FormatFileTimeDate(*cache->lastUsed);
    r.hasDisplayIcon = e.displayIcon.has_value();
    r.displayIcon = e.displayIcon.value_or("");
    return r;
}

}  // namespace

long ProgramIcon(const ProgramRecord& r, IconCache& icons) {
    if (r.hasDisplayIcon) {
        std::string path = ExpandEnvironment(ParseIconLocation(r.displayIcon).path);
        if (auto icon = icons.FileIcon(path)) return *icon;
    }
    if (!r.uninstallString.empty()) {
        std::string path = ResolveProgram(ExpandEnvironment(UninstallerPath(r.uninstallString)));
        if (auto icon = icons.FileIcon(path)) return *icon;
    }
    return icons.GenericProgramIcon();
}

std::optional<long> IconCache::FileIcon(const std::string& path) {
    // Longer paths than the shell's buffers are bad data, not a file.
    if (path.empty() || path.size() >= MAX_PATH) return std::nullopt;
    std::string key = Lower(path);
    auto it = byPath_.find(key);
    if (it != byPath_.end()) return it->second;
    SHFILEINFOA sfi{};
    std::optional<long> icon;
    if (SHGetFileInfoA(path.c_str(), 0, &sfi, sizeof sfi, SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
        icon = sfi.iIcon;
    byPath_.emplace(std::move(key), icon);
    return icon;
}

long IconCache::GenericProgramIcon() {
    if (!generic_) {
        SHFILEINFOA sfi{};
        generic_ = SHGetFileInfoA("program.exe", FILE_ATTRIBUTE_NORMAL, &sfi, sizeof sfi,
                                  SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON)
                       ? sfi.iIcon
                       : 0;
    }
    return *generic_;
}

void AppendPrograms(HKEY hive, std::vector<ProgramRecord>& out) {
    auto uninstall = reg::Key::Open(hive, kUninstallPath, KEY_READ);
    if (!uninstall) return;
    const ArpCache ownCache(hive), otherCache(OtherHive(hive));
    for (const auto& name : uninstall->SubKeyNames()) {
        try {
            auto key = uninstall->OpenSub(name, KEY_READ);
            if (!key) continue;
            UninstallEntry entry = ParseUninstallEntry(name, key->Values());
            if (!IsListed(entry)) continue;
            auto cache = ownCache.Read(name);
            if (!cache) cache = otherCache.Read(name);
            out.push_back(MakeRecord(hive, entry, cache));
        } catch (const std::bad_alloc&) {
            throw;
        } catch (...) {
            // One unreadable entry never costs the others their place in the list.
        }
    }
}

std::vector<ProgramRecord> EnumeratePrograms() {
    QuietDriveErrors quiet;
    std::vector<ProgramRecord> out;
    AppendPrograms(HKEY_LOCAL_MACHINE, out);
    AppendPrograms(HKEY_CURRENT_USER, out);
    return out;
}

namespace {

std::string QueryVersionString(const std::vector<BYTE>& info, const char* subBlock) {
    void* p = nullptr;
    UINT len = 0;
    if (!VerQueryValueA(info.data(), subBlock, &p, &len) || !p || len == 0) return {};
    const char* s = static_cast<const char*>(p);
    return CapText(std::string(s, strnlen(s, len)));
}

struct VersionTexts {
    std::string description;
    std::string company;
};

VersionTexts ReadVersionTexts(const std::string& path) {
    VersionTexts t;
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0) return t;
    std::vector<BYTE> info(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, info.data())) return t;
    std::vector<std::string> blocks;
    struct LangCodePage {
        WORD lang;
        WORD codePage;
    };
    void* p = nullptr;
    UINT len = 0;
    if (VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", &p, &len) && p)
        for (UINT i = 0; i < len / sizeof(LangCodePage); ++i) {
            const auto* lc = static_cast<const LangCodePage*>(p) + i;
            blocks.push_back(Format("%04x%04x", lc->lang, lc->codePage));
        }
    // Files whose translation table is missing or wrong mostly use one of these.
    for (const char* b : {"040904b0", "040904e4", "04090000"}) blocks.push_back(b);
    for (const auto& b : blocks) {
        std::string prefix = "\\StringFileInfo\\" + b + "\\";
        if (t.description.empty())
            t.description = QueryVersionString(info, (prefix + "FileDescription").c_str());
        if (t.company.empty())
            t.company = QueryVersionString(info, (prefix + "CompanyName").c_str());
    }
    return t;
}

}  // namespace

std::pair<std::string, std::string> ReadScreenSaverTexts(const std::string& path) {
    std::string title;
    unique_hmodule module(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (module) {
        char buf[1024];
        int n = LoadStringA(module.get(), 1, buf, sizeof buf);
        if (n > 0) title = TrimControl(std::string(buf, static_cast<size_t>(n)));
    }
    module.reset();
    VersionTexts v = ReadVersionTexts(path);
    if (title.empty()) title = TrimControl(v.description);
    return {title, TrimControl(v.company)};
}

std::vector<ScreenSaverRecord> EnumerateScreenSavers(const std::vector<std::string>& folders) {
    QuietDriveErrors quiet;
    std::vector<FolderFiles> lists;
    std::unordered_map<std::string, WIN32_FIND_DATAW> found;  // by lower-case folder + name
    for (const auto& f : folders) {
        if (f.empty()) continue;
        FolderFiles list{IncludeTrailingBackslash(f), {}};
        ForEachFolderEntry(
            AnsiToWide(list.folder),
            [&](const WIN32_FIND_DATAW& fd) {
                if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return true;
                std::wstring wide = fd.cFileName;
                // A name the code page cannot hold names no file the ANSI calls could open.
                if (!IsAnsiFaithful(wide)) return true;
                std::string name = WideToAnsi(wide);
                // The pattern also matches through short names ("x.scrap" is X~1.SCR).
                if (name.size() < 4 || !EqualsNoCase(name.substr(name.size() - 4), ".scr"))
                    return true;
                found.emplace(Lower(list.folder + name), fd);
                list.names.push_back(std::move(name));
                return true;
            },
            L"*.scr");
        lists.push_back(std::move(list));
    }
    std::vector<ScreenSaverRecord> out;
    IconCache icons;
    for (const auto& ref : MergeScreenSaverFolders(lists)) {
        try {
            const WIN32_FIND_DATAW& fd = found.at(Lower(ref.folder + ref.name));
            ScreenSaverRecord r;
            r.file = ref.name;
            r.folder = ref.folder;
            std::string full = ref.folder + ref.name;
            auto texts = ReadScreenSaverTexts(full);
            r.title = std::move(texts.first);
            r.publisher = std::move(texts.second);
            r.icon = icons.FileIcon(full).value_or(icons.GenericProgramIcon());
            r.size = fd.nFileSizeHigh ? 0xFFFFFFFFul : fd.nFileSizeLow;
            r.lastUsed = FormatFileTimeDate(fd.ftLastAccessTime);
            out.push_back(std::move(r));
        } catch (const std::bad_alloc&) {
            throw;
        } catch (...) {
            // A file that cannot be read is left out; the rest are still listed.
        }
    }
    return out;
}

std::vector<ScreenSaverRecord> EnumerateScreenSavers() {
    char system[MAX_PATH], windows[MAX_PATH];
    UINT ns = GetSystemDirectoryA(system, MAX_PATH);
    UINT nw = GetWindowsDirectoryA(windows, MAX_PATH);
    std::vector<std::string> folders;
    if (ns > 0 && ns < MAX_PATH) folders.emplace_back(system, ns);
    if (nw > 0 && nw < MAX_PATH) folders.emplace_back(windows, nw);
    return EnumerateScreenSavers(folders);
}

std::vector<std::pair<std::string, std::string>> ReadRenderedValues(HKEY hive,
                                                                    const std::string& keyName) {
    std::vector<std::pair<std::string, std::string>> out;
    if (!IsSingleKeyName(keyName)) return out;
    auto uninstall = reg::Key::Open(hive, kUninstallPath, KEY_READ);
    if (!uninstall) return out;
    auto key = uninstall->OpenSub(keyName, KEY_READ);
    if (!key) return out;
    for (const auto& v : key->Values())
        out.emplace_back(CapText(v.name), RenderValueData(v.type, v.data));
    return out;
}

LONG WriteComment(HKEY hive, const std::string& keyName, const std::string& text) noexcept {
    if (!IsSingleKeyName(keyName)) return ERROR_INVALID_PARAMETER;
    HKEY uninstall = nullptr;
    LONG rc = RegOpenKeyExA(hive, kUninstallPath, 0, KEY_READ, &uninstall);
    if (rc != ERROR_SUCCESS) return rc;
    unique_hkey parent(uninstall);
    HKEY key = nullptr;
    // Opened, never created: a comment must not bring back an entry that was removed.
    rc = RegOpenKeyExA(parent.get(), keyName.c_str(), 0, KEY_SET_VALUE, &key);
    if (rc != ERROR_SUCCESS) return rc;
    unique_hkey owned(key);
    return RegSetValueExA(owned.get(), "Comments", 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
}

}  // namespace cx::svc

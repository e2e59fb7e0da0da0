#include "inventory/ListSystem.h"

#include <commctrl.h>
#include <shellapi.h>

#include "inventory/ProgramList.h"
#include "platform/Strings.h"

namespace cx::inv {

namespace {

ShellOpener& Opener() {
    static ShellOpener opener;
    return opener;
}

void ShellOpen(HWND owner, const std::string& file) {
    if (Opener()) {
        Opener()(owner, "open", file);
        return;
    }
    ShellExecuteA(owner, "open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool HasLetterDrive(const std::string& path) {
    if (path.size() < 3 || path[1] != ':' || (path[2] != '\\' && path[2] != '/')) return false;
    char drive = path[0];
    return (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
}

}  // namespace

static_assert(kIconWhenShown == I_IMAGECALLBACK, "the list views ask for such pictures");

ProgramRecords ReadProgramRecords(TProgramList& list) {
    ProgramRecords out;
    unsigned long n = list.ProgramCount();
    out.records.reserve(n);
    for (unsigned long i = 0; i < n; ++i) {
        auto item = list.GetProgram(static_cast<long>(i));
        if (!item) {
            out.complete = false;
            break;
        }
        ProgramRecord r;
        r.kind = item->Kind();
        r.displayName = item->DisplayName();
        r.registryName = item->RegistryName();
        r.publisher = item->Publisher();
        r.installLocation = item->InstallLocation();
        r.hive = item->Hive();
        // Asked for when the row is first shown: a cold icon look-up reads the
        // program's file, and thousands of them would double the load.
        r.icon = kIconWhenShown;
        out.records.push_back(std::move(r));
    }
    return out;
}

std::vector<ScreenSaverRecord> ReadScreenSaverRecords(TProgramList& list) {
    std::vector<ScreenSaverRecord> out;
    unsigned long m = list.ScreenSaverCount();
    out.reserve(m);
    for (unsigned long j = 0; j < m; ++j) {
        long idx = static_cast<long>(j);
        out.push_back(ScreenSaverRecord{list.ScreenSaverFile(idx), list.ScreenSaverTitle(idx),
                                        list.ScreenSaverPublisher(idx), list.ScreenSaverFolder(idx),
                                        list.ScreenSaverIcon(idx)});
    }
    return out;
}

bool IsOpenableFolder(const std::string& text) {
    std::string path = TrimControl(text);
    if (!HasLetterDrive(path)) return false;
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void OpenFolder(HWND owner, const std::string& folder) {
    if (!IsOpenableFolder(folder)) return;
    ShellOpen(owner, IncludeTrailingBackslash(TrimControl(folder)));
}

void OpenLink(HWND owner, const std::string& link) {
    if (auto target = LaunchableLink(link)) ShellOpen(owner, *target);
}

void SetShellOpener(ShellOpener opener) { Opener() = std::move(opener); }

ProgramProperties ReadProperties(const ProgramItem& item) {
    ProgramProperties p;
    p.size = item.Size();
    p.installDate = item.InstallDate();
    p.usedFrequency = item.UsedFrequency();
    p.lastUsed = item.LastUsed();
    p.installLocation = item.InstallLocation();
    p.version = item.Version();
    p.publisher = item.Publisher();
    p.helpLink = item.HelpLink();
    p.aboutLink = item.AboutLink();
    p.updateLink = item.UpdateLink();
    return p;
}

std::vector<std::pair<std::string, std::string>> PropertyRows(const ProgramItem& item) {
    return PropertyRows(ReadProperties(item));
}

DetailRows ReadDetailRows(const ProgramItem& item) {
    item.LoadDetails(item.RegistryName());
    DetailRows rows;
    rows.properties = PropertyRows(item);
    long n = item.RegistryValueCount();
    for (long i = 0; i < n; ++i)
        rows.registry.emplace_back(item.RegistryValueName(i), item.RegistryValueData(i));
    return rows;
}

}  // namespace cx::inv

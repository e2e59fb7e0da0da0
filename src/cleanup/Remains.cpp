#include "cleanup/Remains.h"

#include <algorithm>

#include "i18n/LangText.h"
#include "platform/Error.h"
#include "platform/Strings.h"

namespace cx::cleanup {

namespace {

// The text the scanner gets for the install folder: as the program list shows
// it, unless the safety check had to resolve it (quotes, variables, "..") into
// another spelling; then the folder that was judged is the one listed.
std::string FileRootText(const std::string& given, const std::string& resolved) {
    auto bare = [](std::string s) {
        while (s.size() > 3 && (s.back() == '\\' || s.back() == '/')) s.pop_back();
        return s;
    };
    if (resolved.empty() || EqualsNoCase(bare(given), bare(resolved))) return given;
    return resolved;
}

Reason ReasonOfSource(FolderSource source) {
    switch (source) {
    case FolderSource::InstallLocation: return Reason::InstallLocation;
    case FolderSource::InstallerComponents: return Reason::InstallerComponents;
    case FolderSource::InstallerProperty: return Reason::InstallerProperty;
    case FolderSource::Uninstaller: return Reason::UninstallerFolder;
    case FolderSource::DisplayIcon: return Reason::IconFolder;
    case FolderSource::ByName: return Reason::FolderByName;
    case FolderSource::Chosen: return Reason::ChosenFolder;
    }
    return Reason::InstallLocation;
}

void ScanFilePart(const ListedProgram& target, const SafetyContext& safety, CheckTree& files,
                  ScanProgress& progress, RemainsScan& out) {
    // The folders the registration pointed at, in the order of their
    // sources: the first one the rules allow is listed. When none is, the
    // window says why the first one was refused.
    std::vector<FolderCandidate> candidates = target.folders;
    // The registration's own word comes first even when it names no full path
    // (gathering leaves such a text out): the window then says why it was refused.
    const bool stated = std::any_of(
        candidates.begin(), candidates.end(),
        [](const FolderCandidate& c) { return c.source == FolderSource::InstallLocation; });
    if (!target.foldersGathered || (!stated && !TrimControl(target.installLocation).empty()))
        candidates.insert(candidates.begin(), FolderCandidate{AnsiToWide(target.installLocation),
                                                              FolderSource::InstallLocation});
    if (!target.foldersGathered) candidates.resize(1);
    std::string text;
    DirVerdict verdict;
    verdict.refusal = DirRefusal::Empty;
    bool first = true;
    for (const FolderCandidate& c : candidates) {
        // A folder whose name the code page cannot hold would be judged in another spelling.
        const std::string candidate = c.source == FolderSource::InstallLocation
                                          ? target.installLocation
                                          : WideToAnsi(c.folder);
        if (c.source != FolderSource::InstallLocation && !IsAnsiFaithful(c.folder)) continue;
        DirVerdict v = CheckInstallDirectory(candidate, safety);
        if (first || v.refusal == DirRefusal::None) {
            verdict = v;
            text = candidate;
            out.folderReason = ReasonOfSource(c.source);
        }
        first = false;
        if (v.refusal == DirRefusal::None) break;
    }
    out.refusal = verdict.refusal;
    if (verdict.refusal == DirRefusal::NotFound) {
        // Judged by its text alone: nothing is listed in it, only what points there.
        const DirVerdict gone = ClassifyInstallPath(text, safety);
        if (gone.refusal == DirRefusal::None) out.evidenceFolder = gone.resolved;
    }
    if (verdict.refusal != DirRefusal::None) {
        out.folderReason = Reason::None;
        return;
    }
    out.installFolder = verdict.resolved;
    out.evidenceFolder = verdict.resolved;
    // Another program's folder inside this one stays, with every folder on the
    // way to it: they are listed locked (never checked), the rest as usual.
    FolderLocks locks;
    out.kept = OtherProgramsInside(verdict.resolved, safety);
    for (const KeptProgram& k : out.kept) locks.folders.push_back(k.below);
    NodeId root =
        ScanFiles(FileRootText(text, verdict.resolved), files, progress, csChecked, locks);
    if (root != -1) files.SetReason(root, out.folderReason);
    if (out.kept.empty()) return;
    // The folder as the tree shows it (the locked folder not entered), not in
    // whatever spelling it was registered.
    out.keptFolder = out.kept.front().location;
    for (NodeId id : files.InOrder()) {
        const Node& n = files.Get(id);
        if (n.locked && n.children.empty()) {
            out.keptFolder = n.text;
            break;
        }
    }
}

// Whether another program is registered under the target's own registry name
// in another hive (a per-user installation beside a per-machine one), and in
// which of the hives Carvexo knows.
struct Twins {
    bool any = false;
    std::vector<RegHive> hives;
};
Twins TwinHives(const ListedProgram& target, const SafetyContext& safety) {
    Twins twins;
    for (const OtherProgram& other : safety.otherPrograms)
        if (!other.hive.empty() && !EqualsNoCase(other.hive, target.hive) &&
            EqualsNoCase(other.registryName, target.registryName)) {
            twins.any = true;
            if (auto hive = ParseHive(other.hive, HiveSpelling::AnyCase))
                twins.hives.push_back(*hive);
        }
    return twins;
}

// The matches in a twin's hive are that program's keys: they are listed locked,
// with their values, so no click and no --yes ever takes them. The class store
// (HKEY_CLASSES_ROOT) merges both hives into one view, so a match there cannot
// be told to be the target's rather than the twin's: with a twin it is locked too.
void LockTwinKeys(const ListedProgram& target, const SafetyContext& safety, CheckTree& registry) {
    const Twins twins = TwinHives(target, safety);
    if (!twins.any) return;
    for (NodeId id : registry.InOrder()) {
        NodeId key = id;
        while (registry.Get(key).parent != -1) key = registry.Get(key).parent;
        const std::optional<RegPath>& at = registry.Get(key).reg;
        const bool theirs =
            !at || at->hive == RegHive::ClassesRoot ||
            std::find(twins.hives.begin(), twins.hives.end(), at->hive) != twins.hives.end();
        if (theirs) registry.Lock(id);
    }
}

}  // namespace

RemainsScan ScanRemains(const ListedProgram& target, const SafetyContext& safety,
                        CheckTree& registry, CheckTree& files, ScanProgress& progress) {
    return ScanRemains(target, safety, CurrentEvidencePlaces(), registry, files, progress);
}

RemainsScan ScanRemains(const ListedProgram& target, const SafetyContext& safety,
                        const EvidencePlaces& places, CheckTree& registry, CheckTree& files,
                        ScanProgress& progress) {
    RemainsScan out;
    try {
        ScanRegistry(target.registryName, registry, progress);
        for (NodeId id : registry.Roots()) registry.SetReason(id, Reason::Registration);
    } catch (const std::exception& e) {
        out.failure = e.what();
    }
    // Also after a failure: what was found before it is offered all the same.
    try {
        ScanFilePart(target, safety, files, progress, out);
    } catch (const std::exception& e) {
        if (out.failure.empty()) out.failure = e.what();
    }
    try {
        ScanEvidence(target, AnsiToWide(out.evidenceFolder), safety, places, registry, files,
                     progress);
    } catch (const std::exception& e) {
        if (out.failure.empty()) out.failure = e.what();
    }
    try {
        LockTwinKeys(target, safety, registry);
    } catch (const std::exception& e) {
        registry.Clear();  // a twin's keys unlocked must never be offered
        if (out.failure.empty()) out.failure = e.what();
    }
    return out;
}

std::string ReasonText(Reason reason) {
    switch (reason) {
    case Reason::None: return {};
    case Reason::Registration: return LangText(IDS_SCANFORM_REASON_Registration);
    case Reason::InstallLocation: return LangText(IDS_SCANFORM_REASON_InstallLocation);
    case Reason::InstallerComponents: return LangText(IDS_SCANFORM_REASON_InstallerComponents);
    case Reason::InstallerProperty: return LangText(IDS_SCANFORM_REASON_InstallerProperty);
    case Reason::UninstallerFolder: return LangText(IDS_SCANFORM_REASON_UninstallerFolder);
    case Reason::IconFolder: return LangText(IDS_SCANFORM_REASON_IconFolder);
    case Reason::PointsIntoFolder: return LangText(IDS_SCANFORM_REASON_PointsIntoFolder);
    case Reason::NameOnly: return LangText(IDS_SCANFORM_REASON_NameOnly);
    case Reason::EmptyVendor: return LangText(IDS_SCANFORM_REASON_EmptyVendor);
    case Reason::InstallerRecord: return LangText(IDS_SCANFORM_REASON_InstallerRecord);
    case Reason::VirtualStore: return LangText(IDS_SCANFORM_REASON_VirtualStore);
    case Reason::FolderByName: return LangText(IDS_SCANFORM_REASON_FolderByName);
    case Reason::ChosenFolder: return LangText(IDS_SCANFORM_REASON_ChosenFolder);
    case Reason::BrokenEntry: return LangText(IDS_SCANFORM_REASON_BrokenEntry);
    case Reason::WrittenBySetup: return LangText(IDS_SCANFORM_REASON_WrittenBySetup);
    case Reason::ChangedBySetup: return LangText(IDS_SCANFORM_REASON_ChangedBySetup);
    }
    return {};
}

std::string PutBackText(const Node& node) {
    if (!node.putBack) return {};
    if ((node.oldType == REG_SZ || node.oldType == REG_EXPAND_SZ) && node.oldData.size() <= 160) {
        std::wstring s(reinterpret_cast<const wchar_t*>(node.oldData.data()),
                       node.oldData.size() / sizeof(wchar_t));
        if (const size_t nul = s.find(L'\0'); nul != std::wstring::npos) s.resize(nul);
        bool plain = true;
        for (wchar_t c : s)
            if (c < 0x20) plain = false;
        if (plain)
            return " " + Format(LangFormatText(IDS_SCANFORM_INFO_PutBack), WideToAnsi(s).c_str());
    }
    return {};
}

std::string KeptProgramText(const RemainsScan& scan) {
    if (scan.kept.empty()) return {};
    const KeptProgram& first = scan.kept.front();
    return Format(LangFormatText(IDS_SCANFORM_INFO_KeepsOtherProgram),
                  (first.name.empty() ? first.location : first.name).c_str(),
                  scan.keptFolder.c_str());
}

void UncheckAll(CheckTree& tree) {
    for (NodeId id : tree.InOrder()) tree.SetState(id, csUnchecked);
}

size_t CheckedCount(const CheckTree& tree) {
    size_t n = 0;
    for (NodeId id : tree.InOrder())
        if (tree.Get(id).state == csChecked) ++n;
    return n;
}

}  // namespace cx::cleanup

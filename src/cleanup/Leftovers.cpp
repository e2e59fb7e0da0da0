#include "cleanup/Leftovers.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>

#include "cleanup/Evidence.h"
#include "cleanup/Remains.h"
#include "cleanup/Removal.h"
#include "cleanup/UninstallFlow.h"
#include "i18n/LangText.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Strings.h"

namespace cx::cleanup {

namespace {

bool SameName(const std::string& a, const std::string& b) {
    return !TrimControl(a).empty() && EqualsNoCase(TrimControl(a), TrimControl(b));
}

bool SameWide(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() &&
           (a.empty() || CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL);
}

// The product name a listed program goes by, as its remains are named.
std::string ProductOf(const ListedProgram& p) {
    for (const SearchName& n :
         SearchNames({p.registryName, p.displayName, p.publisher, p.installLocation}))
        if (n.kind == NameKind::Product) return n.text;
    return {};
}

// The listed program a leftovers scan of these names would be about, if any.
const ListedProgram* ListedUnder(const std::vector<ListedProgram>& listed,
                                 const std::string& name) {
    for (const ListedProgram& p : listed) {
        // The registration's name as its remains carry it ("<id>_is1" leaves "<id>").
        std::string registration;
        for (const SearchName& n : SearchNames({p.registryName, {}, {}, {}}))
            if (n.kind == NameKind::Registration) registration = n.text;
        if (SameName(name, p.registryName) || SameName(name, registration) ||
            SameName(name, p.displayName) || SameName(name, ProductOf(p)))
            return &p;
    }
    return nullptr;
}

std::string ShownName(const ListedProgram& p) {
    return p.displayName.empty() ? p.registryName : p.displayName;
}

std::string Refused(const ListedProgram& p) {
    return Format(LangFormatText(IDS_MESSAGEBOX_WARNING_LeftoversStillListed),
                  ShownName(p).c_str());
}

FolderSource SourceOfReason(Reason reason) {
    switch (reason) {
    case Reason::InstallerComponents: return FolderSource::InstallerComponents;
    case Reason::InstallerProperty: return FolderSource::InstallerProperty;
    case Reason::UninstallerFolder: return FolderSource::Uninstaller;
    case Reason::IconFolder: return FolderSource::DisplayIcon;
    case Reason::FolderByName: return FolderSource::ByName;
    case Reason::ChosenFolder: return FolderSource::Chosen;
    default: return FolderSource::InstallLocation;
    }
}

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::wstring out;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path)) && path)
        out = path;
    CoTaskMemFree(path);
    while (out.size() > 3 && out.back() == L'\\') out.pop_back();
    return out;
}

bool IsRealFolder(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(LongPathForApi(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) &&
           !(a & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Whether a listed program lives in `folder` or below it: a folder that only
// shares the name typed (a maker's folder named like its product) is theirs.
bool HoldsListed(const std::wstring& folder, const std::vector<ListedProgram>& listed) {
    for (const ListedProgram& p : listed) {
        const std::string theirs = NormalizeFolderPath(TrimControl(p.installLocation));
        if (!theirs.empty() && PathIsIn(AnsiToWide(theirs), folder)) return true;
    }
    return false;
}

void PlanByName(const LeftoversQuery& q, const std::vector<ListedProgram>& listed,
                const std::vector<std::wstring>& roots,
                const std::function<bool(const std::wstring&)>& isFolder, LeftoversPlan& plan) {
    const std::string product = TrimControl(q.product);
    ListedProgram& t = plan.target;
    t.displayName = product;
    t.publisher = TrimControl(q.publisher);
    t.foldersGathered = true;
    plan.marks.byName = true;
    // Only a name that stands for one program is looked for as a folder:
    // "Program Files\Tools" could be anybody's.
    bool standsAlone = false;
    std::vector<std::string> makers;
    for (const SearchName& n : SearchNames({{}, product, t.publisher, {}})) {
        if (n.kind == NameKind::Product) standsAlone = n.standsAlone;
        if (n.kind == NameKind::Publisher && n.standsAlone) makers.push_back(n.text);
    }
    if (!t.publisher.empty() &&
        std::find(makers.begin(), makers.end(), t.publisher) == makers.end())
        makers.insert(makers.begin(), t.publisher);
    // No registry name: without a registration there is none to walk the
    // registry for; the keys under the product's and maker's names are looked
    // up where programs keep them (ScanEvidence), which also tells a maker's
    // key that holds nothing else.
    if (!standsAlone) return;
    const std::wstring name = AnsiToWide(product);
    for (const std::wstring& root : roots) {
        std::vector<std::wstring> places;
        for (const std::string& maker : makers)
            places.push_back(root + L"\\" + AnsiToWide(maker) + L"\\" + name);
        places.push_back(root + L"\\" + name);
        for (const std::wstring& place : places)
            if (IsAnsiFaithful(place) && isFolder(place) && !HoldsListed(place, listed))
                t.folders.push_back({place, FolderSource::ByName});
    }
}

}  // namespace

std::vector<std::wstring> ProgramRoots() {
    std::vector<std::wstring> roots;
    auto add = [&roots](std::wstring path) {
        if (path.empty()) return;
        for (const std::wstring& r : roots)
            if (SameWide(r, path)) return;
        roots.push_back(std::move(path));
    };
    add(KnownFolder(FOLDERID_ProgramFiles));
    add(KnownFolder(FOLDERID_ProgramFilesX86));
    std::wstring user = KnownFolder(FOLDERID_UserProgramFiles);
    if (user.empty()) {
        const std::wstring local = KnownFolder(FOLDERID_LocalAppData);
        if (!local.empty()) user = local + L"\\Programs";
    }
    add(user);
    return roots;
}

LeftoversPlan PlanLeftovers(const LeftoversQuery& q, const std::vector<ListedProgram>& listed,
                            const std::vector<std::wstring>& roots,
                            const std::function<bool(const std::wstring&)>& isFolder) {
    LeftoversPlan plan;
    ListedProgram& t = plan.target;
    switch (q.from) {
    case LeftoversQuery::From::Names: {
        if (TrimControl(q.product).empty()) {
            plan.problem = LangText(IDS_MESSAGEBOX_WARNING_LeftoversNoName);
            return plan;
        }
        if (const ListedProgram* p = ListedUnder(listed, q.product)) {
            plan.problem = Refused(*p);
            return plan;
        }
        PlanByName(q, listed, roots, isFolder, plan);
        return plan;
    }
    case LeftoversQuery::From::Folder: {
        const std::string folder = NormalizeFolderPath(TrimControl(q.folder));
        if (TrimControl(q.folder).empty()) {
            plan.problem = LangText(IDS_MESSAGEBOX_WARNING_LeftoversNoFolder);
            return plan;
        }
        // A listed program's folder, or a folder inside one, is that program's.
        // (Programs living inside the folder named stay, locked, as after an uninstall.)
        for (const ListedProgram& p : listed) {
            if (TrimControl(p.installLocation).empty()) continue;
            const std::string theirs = NormalizeFolderPath(TrimControl(p.installLocation));
            if (SameInstallFolder(p.installLocation, q.folder) ||
                (!theirs.empty() && !folder.empty() &&
                 PathIsIn(AnsiToWide(folder), AnsiToWide(theirs)))) {
                plan.problem = Refused(p);
                return plan;
            }
        }
        t.folders.push_back(
            {AnsiToWide(folder.empty() ? TrimControl(q.folder) : folder), FolderSource::Chosen});
        t.foldersGathered = true;
        plan.marks.namedFolder = AnsiToWide(folder);
        return plan;
    }
    case LeftoversQuery::From::History: {
        const HistoryRecord& r = q.record;
        t.registryName = WideToAnsi(r.registryName);
        t.displayName = WideToAnsi(r.displayName);
        t.publisher = WideToAnsi(r.publisher);
        t.hive = WideToAnsi(r.hive);
        // Installed again since, in either hive: its keys and folder are a live program's.
        for (const ListedProgram& p : listed)
            if (SameName(t.registryName, p.registryName)) {
                plan.problem = Refused(p);
                return plan;
            }
        // The folder the scan listed then comes first, then every other the
        // registration pointed at.
        if (!r.installFolder.empty())
            t.folders.push_back({r.installFolder, SourceOfReason(r.folderReason)});
        for (const FolderCandidate& f : r.folders)
            if (!SameWide(f.folder, r.installFolder)) t.folders.push_back(f);
        for (const FolderCandidate& f : t.folders)
            if (f.source == FolderSource::InstallLocation) t.installLocation = WideToAnsi(f.folder);
        t.foldersGathered = true;
        plan.marks.namedFolder = r.installFolder;
        plan.marks.keptBefore = r.kept;
        return plan;
    }
    }
    return plan;
}

LeftoversPlan PlanLeftovers(const LeftoversQuery& query, const std::vector<ListedProgram>& listed,
                            const SafetyContext& safety) {
    LeftoversPlan plan = PlanLeftovers(query, listed, ProgramRoots(), IsRealFolder);
    if (!plan.problem.empty() || query.from != LeftoversQuery::From::Folder) return plan;
    // A folder that is gone may still have things pointing into it; one the
    // rules refuse is not scanned at all, and the user is told why.
    const DirVerdict v = CheckInstallDirectory(TrimControl(query.folder), safety);
    if (v.refusal != DirRefusal::None && v.refusal != DirRefusal::NotFound)
        plan.problem = Format(LangFormatText(IDS_MESSAGEBOX_WARNING_LeftoversFolderRefused),
                              DirRefusalText(v.refusal).c_str());
    return plan;
}

void MarkLeftovers(FoundRemains& found, const LeftoverMarks& marks) {
    const std::wstring listedFolder = AnsiToWide(found.scan.evidenceFolder);
    // The folder named is the one the scan looked into: what points into that
    // folder points into the one named.
    const bool named = !marks.namedFolder.empty() && !listedFolder.empty() &&
                       SameInstallFolder(WideToAnsi(marks.namedFolder), found.scan.evidenceFolder);
    for (CheckTree* tree : {&found.registry, &found.files}) {
        if (marks.byName)
            for (NodeId id : tree->InOrder())
                if (tree->Get(id).reason == Reason::Registration)
                    tree->SetReason(id, Reason::NameOnly);
        const std::vector<NodeId> roots = tree->Roots();
        const std::vector<std::wstring> names = RootNames(*tree);
        for (size_t i = 0; i < roots.size(); ++i) {
            const Node& n = tree->Get(roots[i]);
            bool keep =
                named && (n.reason == Reason::PointsIntoFolder ||
                          (tree == &found.files && PathIsIn(FileItemPath(n), listedFolder)));
            for (const std::wstring& k : marks.keptBefore)
                if (SameWide(k, names[i])) keep = false;
            if (keep) continue;
            tree->SetState(roots[i], csUnchecked);
            tree->SetChildrenState(roots[i]);
        }
    }
}

std::string HistoryRecordText(const HistoryRecord& record) {
    const std::wstring& name =
        record.displayName.empty() ? record.registryName : record.displayName;
    return record.date + "  " + WideToAnsi(name);
}

}  // namespace cx::cleanup

// The decisions behind leftovers of programs already gone and broken
// registrations, on made-up facts: which program a look is about (and which
// it must refuse), what starts checked, and which entry is broken for sure.
#include <gtest/gtest.h>

#include <map>

#include "cleanup/BrokenEntry.h"
#include "cleanup/Leftovers.h"
#include "cleanup/UninstallFlow.h"

using namespace cx;
using namespace cx::cleanup;

namespace {

const std::vector<ListedProgram> kListed = {
    {"Heron Sketch_is1", "C:\\Program Files\\Heronfield Labs\\Heron Sketch", "Heron Sketch 2.0",
     "HKEY_LOCAL_MACHINE", "Heronfield Labs"},
    {"{3C8E5A21-7B94-4D0F-A6E2-5F19B7C04D83}", "", "Larkspur Atlas", "HKEY_LOCAL_MACHINE",
     "Larkspur Maps"},
};

LeftoversPlan Plan(const LeftoversQuery& q, const std::vector<std::wstring>& folders = {}) {
    return PlanLeftovers(q, kListed, {L"C:\\Program Files", L"C:\\Users\\u\\Programs"},
                         [&folders](const std::wstring& p) {
                             return std::find(folders.begin(), folders.end(), p) != folders.end();
                         });
}

TEST(LeftoversPlan, AProgramStillListedIsRefusedByAnyNameItGoesBy) {
    LeftoversQuery q;
    for (const char* name : {"Heron Sketch", "heron sketch 2.0", "Heron Sketch_is1",
                             "Larkspur Atlas", "{3c8e5a21-7b94-4d0f-a6e2-5f19b7c04d83}"}) {
        q.product = name;
        EXPECT_FALSE(Plan(q).problem.empty()) << name;
    }
    q.product = "Heron Paint";  // the maker's other product is no reason to refuse
    EXPECT_TRUE(Plan(q).problem.empty());
    q.product = "  ";
    EXPECT_FALSE(Plan(q).problem.empty());

    LeftoversQuery folder;
    folder.from = LeftoversQuery::From::Folder;
    for (const char* f : {"C:\\Program Files\\Heronfield Labs\\Heron Sketch\\",
                          "c:\\program files\\heronfield labs\\heron sketch\\plugins"}) {
        folder.folder = f;
        EXPECT_FALSE(Plan(folder).problem.empty()) << f;
    }
    folder.folder = "C:\\Program Files\\Heron Paint";
    const LeftoversPlan ok = Plan(folder);
    EXPECT_TRUE(ok.problem.empty());
    EXPECT_EQ(ok.marks.namedFolder, L"C:\\Program Files\\Heron Paint");
    ASSERT_EQ(ok.target.folders.size(), 1u);
    EXPECT_EQ(ok.target.folders[0].source, FolderSource::Chosen);

    // From the record: installed again since, it is a live program once more.
    LeftoversQuery again;
    again.from = LeftoversQuery::From::History;
    again.record.registryName = L"HERON SKETCH_IS1";
    again.record.hive = L"HKEY_CURRENT_USER";
    EXPECT_FALSE(Plan(again).problem.empty());
}

TEST(LeftoversPlan, ByNameTheInstallFolderIsGuessedOnlyForANameThatStandsAlone) {
    LeftoversQuery q;
    q.product = "Heron Paint";
    q.publisher = "Heronfield Labs, Inc.";
    const LeftoversPlan plan = Plan(q, {L"C:\\Program Files\\Heronfield Labs\\Heron Paint",
                                        L"C:\\Users\\u\\Programs\\Heron Paint"});
    EXPECT_TRUE(plan.marks.byName);
    EXPECT_TRUE(plan.marks.namedFolder.empty());  // nothing starts checked
    EXPECT_TRUE(plan.target.registryName.empty());
    ASSERT_EQ(plan.target.folders.size(), 2u);
    EXPECT_EQ(plan.target.folders[0].folder, L"C:\\Program Files\\Heronfield Labs\\Heron Paint");
    EXPECT_EQ(plan.target.folders[0].source, FolderSource::ByName);
    EXPECT_EQ(plan.target.folders[1].folder, L"C:\\Users\\u\\Programs\\Heron Paint");

    q.product = "Tools";
    EXPECT_TRUE(Plan(q, {L"C:\\Program Files\\Tools"}).target.folders.empty());
    // A maker's folder typed as a product is where its listed programs live.
    q.product = "Heronfield Labs";
    q.publisher.clear();
    EXPECT_TRUE(Plan(q, {L"C:\\Program Files\\Heronfield Labs"}).target.folders.empty());

    // From the record: the folder it listed first, then the rest; what the user kept stays kept.
    LeftoversQuery h;
    h.from = LeftoversQuery::From::History;
    h.record.registryName = L"Heron Paint_is1";
    h.record.installFolder = L"C:\\Program Files\\Heron Paint";
    h.record.folderReason = Reason::UninstallerFolder;
    h.record.folders = {{L"D:\\Else", FolderSource::InstallLocation},
                        {L"C:\\Program Files\\Heron Paint", FolderSource::Uninstaller}};
    h.record.kept = {L"HKEY_CURRENT_USER\\Software\\Heronfield Labs\\Heron Paint"};
    const LeftoversPlan fromRecord = Plan(h);
    ASSERT_EQ(fromRecord.target.folders.size(), 2u);
    EXPECT_EQ(fromRecord.target.folders[0].source, FolderSource::Uninstaller);
    EXPECT_EQ(fromRecord.target.installLocation, "D:\\Else");
    EXPECT_EQ(fromRecord.marks.namedFolder, L"C:\\Program Files\\Heron Paint");
    EXPECT_EQ(fromRecord.marks.keptBefore, h.record.kept);
}

TEST(LeftoversMarks, OnlyWhatLiesInOrPointsIntoTheNamedFolderStaysChecked) {
    auto scan = [](const LeftoverMarks& marks) {
        FoundRemains f;
        f.scan.evidenceFolder = "C:\\Program Files\\Heron Paint";
        CheckTree& r = f.registry;
        const NodeId own = r.AddRegistry(-1, {RegHive::CurrentUser, L"Software\\Heron Paint", {}});
        r.SetReason(own, Reason::Registration);
        const NodeId type =
            r.AddRegistry(-1, {RegHive::LocalMachine, L"Software\\Classes\\.hpnt", {}});
        r.SetReason(type, Reason::PointsIntoFolder);
        const NodeId kept = r.AddRegistry(-1, {RegHive::CurrentUser, L"Software\\Kept", {}});
        r.SetReason(kept, Reason::PointsIntoFolder);
        const NodeId dir = f.files.AddPath(-1, L"C:\\Program Files\\Heron Paint", NodeKind::Folder);
        f.files.AddPath(dir, L"C:\\Program Files\\Heron Paint\\usage.log", NodeKind::File);
        f.files.SetReason(dir, Reason::ChosenFolder);
        const NodeId data =
            f.files.AddPath(-1, L"C:\\Users\\u\\AppData\\Heron Paint", NodeKind::Folder);
        f.files.SetReason(data, Reason::NameOnly);
        MarkLeftovers(f, marks);
        return f;
    };
    LeftoverMarks named;
    named.namedFolder = L"c:\\program files\\heron paint";
    named.keptBefore = {L"HKEY_CURRENT_USER\\Software\\Kept"};
    const FoundRemains f = scan(named);
    EXPECT_EQ(CheckedCount(f.registry), 1u);  // the file type; not the name match, not the kept
    EXPECT_EQ(f.registry.Get(f.registry.Roots()[1]).state, csChecked);
    EXPECT_EQ(CheckedCount(f.files), 2u);  // the folder with its file; not the data folder
    EXPECT_EQ(f.registry.Get(f.registry.Roots()[0]).reason, Reason::Registration);

    // By name alone: nothing checked, and no match is called the registration's.
    LeftoverMarks byName;
    byName.byName = true;
    const FoundRemains n = scan(byName);
    EXPECT_EQ(CheckedCount(n.registry) + CheckedCount(n.files), 0u);
    EXPECT_EQ(n.registry.Get(n.registry.Roots()[0]).reason, Reason::NameOnly);
}

// A made-up system: files and folders by path, every drive fixed unless named.
struct Disk {
    std::map<std::wstring, PlaceState> places;
    bool removable = false, installer = false;
    EntryLook Look() const {
        EntryLook l;
        auto state = [this](const std::wstring& p) {
            auto it = places.find(p);
            return it == places.end() ? PlaceState::Missing : it->second;
        };
        l.file = state;
        l.folder = state;
        l.fixedDrive = [this](const std::wstring&) { return !removable; };
        l.windowsInstaller = [this](const std::string&, const std::string&) { return installer; };
        return l;
    }
};

TEST(BrokenEntry, OnlyAnUninstallerSurelyGoneWithItsFoldersEmptyOrGone) {
    const EntryPlaces gone{"HKEY_LOCAL_MACHINE", "Old_is1",
                           "\"C:\\Program Files\\Old\\unins000.exe\" /S",
                           "C:\\Program Files\\Old\\"};
    Disk disk;
    EXPECT_TRUE(IsBrokenEntry(gone, disk.Look()));
    disk.places[L"C:\\Program Files\\Old"] = PlaceState::Empty;
    EXPECT_TRUE(IsBrokenEntry(gone, disk.Look()));

    // Anything short of certainty leaves the entry as it is.
    auto notBroken = [&](EntryPlaces e, Disk d, const char* why) {
        EXPECT_FALSE(IsBrokenEntry(e, d.Look())) << why;
    };
    Disk held = disk;
    held.places[L"C:\\Program Files\\Old"] = PlaceState::Present;
    notBroken(gone, held, "files are still in its folder");
    Disk unknown;
    unknown.places[L"C:\\Program Files\\Old\\unins000.exe"] = PlaceState::Unknown;
    notBroken(gone, unknown, "the system would not say");
    Disk usb;
    usb.removable = true;
    notBroken(gone, usb, "a drive that is not there");
    Disk msi;
    msi.installer = true;
    notBroken(gone, msi, "a Windows Installer entry");
    Disk other;
    other.places[L"D:\\Apps\\Old"] = PlaceState::Present;
    EntryPlaces moved = gone;
    moved.installLocation = "D:\\Apps\\Old";
    notBroken(moved, other, "its install folder holds files");
    for (const char* command : {"MsiExec.exe /X{3C8E5A21-7B94-4D0F-A6E2-5F19B7C04D83}",
                                "C:\\Windows\\System32\\msiexec.exe /x pkg.msi", "unins000.exe",
                                "rundll32.exe C:\\Old\\x.dll,Uninstall", "\\\\server\\share\\u.exe",
                                "", "\"C:\\Old\\u.exe:stream\""}) {
        EntryPlaces e = gone;
        e.uninstallString = command;
        notBroken(e, Disk{}, command);
    }
}

}  // namespace

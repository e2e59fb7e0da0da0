// The places ScanEvidence looks up for a program, against the prefix's real
// registry and files: what it offers (checked only when sure), what it leaves
// to another program of the same maker or to Windows, and a clean-up of all
// of it that the undo backup puts back, each item into its own place.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <string>

#include "CoreKit.h"
#include "cleanup/EvidenceScan.h"
#include "cleanup/Remains.h"
#include "cleanup/Removal.h"
#include "cleanup/Undo.h"
#include "platform/Com.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Strings.h"

using namespace cx;
using namespace cx::cleanup;
using namespace cx::test;

namespace {

const std::string kClasses = "Software\\Classes\\";
const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

void MakeLink(const std::string& link, const std::string& target) {
    ComInit com;
    ComPtr<IShellLinkW> l;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IShellLinkW, l.put_void())));
    ComPtr<IPersistFile> file;
    ASSERT_TRUE(SUCCEEDED(l->QueryInterface(IID_IPersistFile, file.put_void())));
    l->SetPath(AnsiToWide(target).c_str());
    ASSERT_TRUE(SUCCEEDED(file->Save(AnsiToWide(link).c_str(), TRUE)));
}

bool KeyThere(HKEY root, const std::string& path) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

// "CxEvid Tool" of "CxEvid Maker Ltd.", beside "CxEvid Other" of the same maker.
class EvidenceScan : public ::testing::Test {
protected:
    void SetUp() override {
        base = FreshScratchDir("evidence-scan");
        folder = base + "Program\\CxEvid Tool Files";
        ForceDirectories(folder);
        WriteWholeFile(folder + "\\left.log", "log");
        for (const char* d :
             {"Roaming\\CxEvid Maker\\CxEvid Tool", "Roaming\\CxEvid Maker\\CxEvid Other",
              "Roaming\\CxEvid Tool Files", "Menu\\CxEvid Tool", "Desk"})
            ForceDirectories(base + d);
        WriteWholeFile(base + "Roaming\\CxEvid Maker\\CxEvid Tool\\settings.ini", "[x]");
        MakeLink(base + "Menu\\CxEvid Tool\\Tool.lnk", folder + "\\tool.exe");
        MakeLink(base + "Desk\\Tool.lnk", folder + "\\tool.exe");
        MakeLink(base + "Desk\\Other.lnk", base + "Program\\CxEvid Other\\other.exe");
        places.dataRoots = {AnsiToWide(base + "Roaming")};
        places.startMenus = {AnsiToWide(base + "Menu")};
        places.desktops = {AnsiToWide(base + "Desk")};

        SetValue(tool.get(), "Path", REG_SZ, folder + '\0');
        SetValue(other.get(), "Path", REG_SZ, base + "Program\\CxEvid Other" + '\0');
        SetValue(ext.get(), "", REG_SZ, std::string("CxEvid.Doc\0", 11));
        HKEY command = CreateKeyPath(progId.get(), "shell\\open\\command");
        SetValue(command, "", REG_SZ, "\"" + folder + "\\tool.exe\" \"%1\"" + '\0');
        RegCloseKey(command);
        // A program that pointed one of Windows' own file types at itself.
        HKEY hijack = CreateKeyPath(windows.get(), "shell\\open\\command");
        SetValue(hijack, "", REG_SZ, "\"" + folder + "\\tool.exe\" \"%1\"" + '\0');
        RegCloseKey(hijack);
        // The Run key holds the prefix's own startup entries: only the test's values go.
        HKEY run = CreateKeyPath(HKEY_CURRENT_USER, kRun);
        SetValue(run, "CxEvidTool", REG_SZ, "\"" + folder + "\\tool.exe\" /tray" + '\0');
        SetValue(run, "CxEvidElse", REG_SZ, std::string("C:\\elsewhere\\else.exe\0", 22));
        RegCloseKey(run);
    }
    void TearDown() override {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kRun.c_str(), 0, KEY_SET_VALUE, &key) ==
            ERROR_SUCCESS) {
            RegDeleteValueA(key, "CxEvidTool");
            RegDeleteValueA(key, "CxEvidElse");
            RegCloseKey(key);
        }
        RemoveTree(base);
        reg::DeleteTree(HKEY_CURRENT_USER, "Software\\CxEvid Maker");
    }

    ListedProgram Target() const {
        ListedProgram t{"CxEvid Tool_is1", folder, "CxEvid Tool 2.1", "HKEY_CURRENT_USER",
                        "CxEvid Maker Ltd."};
        return t;
    }
    OtherProgram Other() const {
        return OtherProgram(base + "Program\\CxEvid Other", "CxEvid Other", "CxEvid Other_is1",
                            "HKEY_CURRENT_USER", "CxEvid Maker Ltd.");
    }
    // Every root of both trees: its text, mark and reason.
    static std::string Describe(const CheckTree& tree) {
        std::string out;
        for (NodeId id : tree.Roots()) {
            const Node& n = tree.Get(id);
            out += n.text + (n.state == csChecked ? " [x] " : " [ ] ") +
                   std::to_string(static_cast<int>(n.reason)) + "\n";
            for (NodeId c : n.children)
                if (tree.Get(c).reason != Reason::None) out += "  " + tree.Get(c).text + "\n";
        }
        return out;
    }

    std::string base, folder;
    EvidencePlaces places;
    ScopedKey tool{HKEY_CURRENT_USER, "Software\\CxEvid Maker\\CxEvid Tool"};
    ScopedKey other{HKEY_CURRENT_USER, "Software\\CxEvid Maker\\CxEvid Other"};
    ScopedKey ext{HKEY_CURRENT_USER, kClasses + ".cxevid"};
    ScopedKey progId{HKEY_CURRENT_USER, kClasses + "CxEvid.Doc"};
    ScopedKey windows{HKEY_CURRENT_USER, kClasses + "txtfile"};
};

TEST_F(EvidenceScan, OffersWhatIsSurelyTheProgramsCheckedAndLeavesTheMakersOtherProgramAlone) {
    const SafetyContext safety = SystemSafetyContext("", {Other()});
    CheckTree registry, files;
    ScanProgress quiet = Quiet();
    ScanEvidence(Target(), AnsiToWide(folder), safety, places, registry, files, quiet);
    const std::string reg = Describe(registry), fs = Describe(files);

    // Named like the registration, or pointing into the folder: checked.
    EXPECT_NE(reg.find("Software\\CxEvid Maker\\CxEvid Tool [x] 1"), std::string::npos) << reg;
    EXPECT_NE(reg.find("Classes\\.cxevid [x] 7"), std::string::npos) << reg;
    EXPECT_NE(reg.find("Classes\\CxEvid.Doc [x] 7"), std::string::npos) << reg;
    EXPECT_NE(reg.find("Run\\CxEvidTool [x] 7"), std::string::npos) << reg;
    EXPECT_NE(fs.find("Roaming\\CxEvid Maker\\CxEvid Tool [x] 1"), std::string::npos) << fs;
    EXPECT_NE(fs.find("Menu\\CxEvid Tool [x] 7"), std::string::npos) << fs;
    EXPECT_NE(fs.find("Desk\\Tool.lnk [x] 7"), std::string::npos) << fs;
    // The install folder's own name alone: offered, not checked.
    EXPECT_NE(fs.find("Roaming\\CxEvid Tool Files [ ] 8"), std::string::npos) << fs;
    // The other program's, the maker's (still in use), Windows' own, the unrelated.
    for (const char* never :
         {"CxEvid Other", "CxEvid Maker [", "txtfile", "CxEvidElse", "Other.lnk"}) {
        EXPECT_EQ(reg.find(never), std::string::npos) << never << "\n" << reg;
        EXPECT_EQ(fs.find(never), std::string::npos) << never << "\n" << fs;
    }
}

TEST_F(EvidenceScan, AMakersFolderAndKeyGoWithTheLastProgramAndComeBackWithTheRestore) {
    // The other program is gone: the maker's places hold only this one's.
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\CxEvid Maker\\CxEvid Other");
    RemoveTree(base + "Roaming\\CxEvid Maker\\CxEvid Other");
    const SafetyContext safety = SystemSafetyContext("", {});
    CheckTree registry, files;
    ScanProgress quiet = Quiet();
    // As the remains scan does: the install folder first, then what points into it.
    ScanFiles(folder, files, quiet);
    ScanEvidence(Target(), AnsiToWide(folder), safety, places, registry, files, quiet);
    const std::string reg = Describe(registry), fs = Describe(files);
    EXPECT_NE(reg.find("Software\\CxEvid Maker [x] 9\n  HKEY_CURRENT_USER\\Software\\CxEvid "
                       "Maker\\CxEvid Tool"),
              std::string::npos)
        << reg;
    EXPECT_NE(fs.find("Roaming\\CxEvid Maker [x] 9"), std::string::npos) << fs;

    // Everything offered goes, kept for undoing; each root comes back to its place.
    for (CheckTree* tree : {&registry, &files})
        for (NodeId id : tree->Roots())
            if (tree->Get(id).state != csChecked) tree->ToggleNodeState(id);
    CleanupBackup backup;
    backup.root = AnsiToWide(base + "kept\\");
    const FindingsOutcome out = RemoveFindings(registry, files, backup);
    ASSERT_EQ(out.failed, 0u);
    ASSERT_EQ(out.backup, BackupState::Kept) << out.backupError;
    EXPECT_FALSE(KeyThere(HKEY_CURRENT_USER, "Software\\CxEvid Maker"));
    EXPECT_FALSE(KeyThere(HKEY_CURRENT_USER, kClasses + "CxEvid.Doc"));
    EXPECT_FALSE(FileExists(base + "Desk\\Tool.lnk"));
    EXPECT_FALSE(DirectoryExists(base + "Roaming\\CxEvid Maker"));
    EXPECT_TRUE(FileExists(base + "Desk\\Other.lnk"));
    EXPECT_TRUE(KeyThere(HKEY_CURRENT_USER, kClasses + "txtfile\\shell\\open\\command"));

    const RestoreOutcome back = RestoreCleanup(backup.root, out.folder, safety);
    EXPECT_TRUE(back.notRestored.empty()) << WideToAnsi(back.notRestored.front());
    EXPECT_TRUE(KeyThere(HKEY_CURRENT_USER, "Software\\CxEvid Maker\\CxEvid Tool"));
    EXPECT_TRUE(KeyThere(HKEY_CURRENT_USER, kClasses + "CxEvid.Doc\\shell\\open\\command"));
    EXPECT_TRUE(FileExists(base + "Desk\\Tool.lnk"));
    EXPECT_TRUE(FileExists(base + "Menu\\CxEvid Tool\\Tool.lnk"));
    EXPECT_TRUE(FileExists(base + "Roaming\\CxEvid Maker\\CxEvid Tool\\settings.ini"));
    EXPECT_TRUE(FileExists(folder + "\\left.log"));
    HKEY run = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kRun.c_str(), 0, KEY_READ, &run), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(run, "CxEvidTool", nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(run);
}

TEST(PackedProductCode, IsTheInstallersOwnSpelling) {
    EXPECT_EQ(WideToAnsi(PackedProductCode(L"{3C8E5A21-7B94-4D0F-A6E2-5F19B7C04D83}")),
              "12A5E8C349B7F0D46A2EF5917B0CD438");
    EXPECT_TRUE(PackedProductCode(L"Heron Paint_is1").empty());
}

}  // namespace

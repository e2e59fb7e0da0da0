// Which install folders a remains scan may list, decided on text alone against
// a made-up machine: hostile spellings of every protected folder must be
// refused, ordinary program folders must not.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "cleanup/Safety.h"
#include "i18n/LangText.h"
#include "platform/Strings.h"

namespace {

using cx::cleanup::ClassifyInstallPath;
using cx::cleanup::DirRefusal;
using cx::cleanup::SafetyContext;

const char* Name(DirRefusal r) {
    switch (r) {
    case DirRefusal::None: return "None";
    case DirRefusal::Empty: return "Empty";
    case DirRefusal::Relative: return "Relative";
    case DirRefusal::Unsupported: return "Unsupported";
    case DirRefusal::DriveRoot: return "DriveRoot";
    case DirRefusal::ShareRoot: return "ShareRoot";
    case DirRefusal::AdminShare: return "AdminShare";
    case DirRefusal::Protected: return "Protected";
    case DirRefusal::BelowProtected: return "BelowProtected";
    case DirRefusal::HoldsProtected: return "HoldsProtected";
    case DirRefusal::WindowsMarker: return "WindowsMarker";
    case DirRefusal::NotFound: return "NotFound";
    case DirRefusal::Link: return "Link";
    case DirRefusal::Network: return "Network";
    case DirRefusal::LocalShare: return "LocalShare";
    }
    return "?";
}

const std::vector<std::string> kExact = {
    "C:\\Program Files",
    "C:\\Program Files\\Common Files",
    "C:\\users",
    "C:\\users\\me",
    "C:\\users\\me\\Desktop",
    "C:\\users\\me\\Documents",
    "C:\\users\\me\\AppData\\Roaming",
    "C:\\users\\me\\AppData\\Local",
    "C:\\users\\me\\Temp\\",
    "C:\\ProgramData",
    "c:\\tools\\carvexo\\",
};
// Windows' own folders among the programs' are trees too, as the machine's context holds them.
const std::vector<std::string> kTree = {"C:\\windows", "C:\\windows\\system32",
                                        "C:\\Program Files\\Windows NT"};

class PathRules : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        SetEnvironmentVariableA("CXTEST_PF", "C:\\Program Files");
        SetEnvironmentVariableA("CXTEST_WIN", "C:\\Windows");
        SetEnvironmentVariableA("CXTEST_PROFILE", "C:\\users\\me");
        SetEnvironmentVariableA("CXTEST_TEMP", "C:\\users\\me\\Temp");
        SetEnvironmentVariableA("CXTEST_APPDATA", "C:\\users\\me\\AppData\\Roaming");
        SetEnvironmentVariableA("CXTEST_QUOTED", "\"C:\\Program Files\\\"");
        SetEnvironmentVariableA("CXTEST_DRIVE", "C:");
        SetEnvironmentVariableA("CXTEST_EMPTY", "");
    }

    SafetyContext ctx = [] {
        SafetyContext c{kExact,
                        kTree,
                        {cx::cleanup::OtherProgram("C:\\Apps\\Suite\\Editor\\", "Editor"),
                         cx::cleanup::OtherProgram("\"%CXTEST_PF%\\Shared\\Tool\"", "Tool")}};
        c.localHostNames = {"CXBOX", "cxbox.example.lan"};
        c.localShares = {{"users", "C:\\users"}, {"apps", "C:\\Apps"}, {"admin$", "C:\\windows"}};
        return c;
    }();

    void Expect(const std::string& text, DirRefusal want) {
        auto v = ClassifyInstallPath(text, ctx);
        EXPECT_EQ(Name(v.refusal), std::string(Name(want))) << "for \"" << text << "\"";
        if (want == DirRefusal::None) {
            EXPECT_FALSE(v.resolved.empty()) << text;
        } else {
            EXPECT_TRUE(v.resolved.empty()) << text;
        }
    }
};

// Every spelling that still names the folder itself.
std::vector<std::string> Spellings(const std::string& p) {
    std::string upper = p, lower = cx::Lower(p), slashes = p;
    CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
    for (char& c : slashes)
        if (c == '\\') c = '/';
    return {p,
            upper,
            lower,
            p + "\\",
            p + "\\\\",
            p + "   ",
            "  " + p,
            "\"" + p + "\"",
            "\"" + p + "\\\"",
            " \"" + p + "\" ",
            slashes,
            slashes + "/",
            p + "\\.",
            p + "\\.\\",
            p + "\\Sub\\..",
            p + "\\Sub\\..\\",
            p + "\\a\\b\\..\\..",
            p + ".",
            p + " .",
            p + "\\...",
            "\\\\?\\" + p,
            "\\\\.\\" + p + "\\",
            "\\??\\" + p};
}

TEST_F(PathRules, EveryProtectedFolderInEverySpellingIsRefused) {
    for (const auto* list : {&kExact, &kTree})
        for (std::string p : *list) {
            while (p.back() == '\\') p.pop_back();
            for (const auto& s : Spellings(p)) Expect(s, DirRefusal::Protected);
        }
}

TEST_F(PathRules, EnvironmentSpellings) {
    Expect("%CXTEST_PF%", DirRefusal::Protected);
    Expect("%cxtest_pf%\\", DirRefusal::Protected);
    Expect("\"%CXTEST_PF%\\\"", DirRefusal::Protected);
    Expect("%CXTEST_QUOTED%", DirRefusal::Protected);
    Expect("%CXTEST_PF%\\Vendor\\..", DirRefusal::Protected);
    Expect("%CXTEST_PROFILE%", DirRefusal::Protected);
    Expect("%CXTEST_PROFILE%\\Desktop\\", DirRefusal::Protected);
    Expect("%CXTEST_TEMP%", DirRefusal::Protected);
    Expect("%CXTEST_APPDATA%", DirRefusal::Protected);
    Expect("%CXTEST_WIN%", DirRefusal::Protected);
    Expect("%SystemRoot%", DirRefusal::Protected);  // Wine's C:\windows
    Expect("%SystemRoot%\\System32\\Acme", DirRefusal::BelowProtected);
    Expect("%CXTEST_DRIVE%", DirRefusal::DriveRoot);
    Expect("%CXTEST_DRIVE%\\", DirRefusal::DriveRoot);
    Expect("%CXTEST_EMPTY%", DirRefusal::Empty);
    Expect("%CXTEST_UNDEFINED%", DirRefusal::Relative);
    Expect("%CXTEST_PF%\\Vendor\\App", DirRefusal::None);
    Expect("%CXTEST_APPDATA%\\Vendor", DirRefusal::None);
}

TEST_F(PathRules, InsideTheWindowsFolder) {
    Expect("C:\\Windows\\Acme", DirRefusal::BelowProtected);
    Expect("C:\\WINDOWS\\system32\\Acme", DirRefusal::BelowProtected);
    Expect("C:\\Windows\\.\\System32", DirRefusal::Protected);
    Expect("C:\\Windows\\System32\\..\\Fonts", DirRefusal::BelowProtected);
    Expect("C:\\Windows.\\Acme", DirRefusal::BelowProtected);
    Expect("C:\\Windows \\Acme\\", DirRefusal::BelowProtected);
    Expect("c:/windows/temp/", DirRefusal::BelowProtected);
    Expect("\\\\?\\C:\\Windows\\Installer\\x", DirRefusal::BelowProtected);
    // The marker rule covers Windows folders the machine does not know as its own.
    Expect("D:\\Windows\\Acme", DirRefusal::WindowsMarker);
    Expect("E:\\Backup\\WINDOWS", DirRefusal::WindowsMarker);
    Expect("C:\\Program Files\\Windows", DirRefusal::WindowsMarker);
    // ... but only a whole folder named Windows; Windows' own folders among the
    // programs' are refused as the trees the machine's context names.
    Expect("C:\\Program Files\\Windows Media", DirRefusal::None);
    Expect("C:\\Program Files\\Windows NT\\Accessories", DirRefusal::BelowProtected);
    Expect("C:\\Program Files\\Windows NTx\\Accessories", DirRefusal::None);
    Expect("C:\\Windows2\\Acme", DirRefusal::None);
    // Climbing out of the Windows folder lands somewhere ordinary.
    Expect("C:\\Windows\\..\\Apps\\Acme", DirRefusal::None);
}

TEST_F(PathRules, RootsAndRelativeTexts) {
    for (const char* t :
         {"C:", "C:\\", "c:/", "C:\\\\", "C:\\.", "C:\\..", "C:\\..\\..", "C:\\ . \\", "D:\\",
          "z:", "\\\\?\\C:\\", "\\\\?\\C:", "\\\\.\\C:\\", "C:\\Program Files\\..",
          "C:\\Program Files\\..\\", "C:\\windows\\..\\.", "c:\\x\\..\\..\\..", "\"C:\\\""})
        Expect(t, DirRefusal::DriveRoot);
    for (const char* t :
         {"\\\\server\\share", "\\\\server\\share\\", "\\\\server", "\\\\server\\", "\\\\",
          "//server/share", "\\\\?\\UNC\\server\\share", "\\\\server\\share\\..",
          "\\\\server\\share\\.\\", "\\\\server\\share\\a\\..\\..\\.."})
        Expect(t, DirRefusal::ShareRoot);
    for (const char* t : {"\\\\server\\C$", "\\\\server\\C$\\Acme", "\\\\server\\ADMIN$\\System32",
                          "\\\\server\\IPC$\\x"})
        Expect(t, DirRefusal::AdminShare);
    for (const char* t : {"foo", "foo\\bar", "Program Files", ".", "..", ".\\", "\\Program Files",
                          "\\", "C:foo", "C:..\\Windows", "1:\\Acme"})
        Expect(t, DirRefusal::Relative);
    for (const char* t : {"", " ", "\t\r\n", "\"\"", "\" \"", "\"\"\"\""})
        Expect(t, DirRefusal::Empty);
    for (const char* t : {"C:\\Program Files\\*", "C:\\Acme\\a?b", "C:\\Acme:stream",
                          "C:\\Acme\\x::$DATA", "C:\\a\"b", "C:\\a<b>", "C:\\a|b", "C:\\a\tb",
                          "\\\\?\\Volume{12345678-1234}\\", "\\\\.\\PhysicalDrive0",
                          "\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1", "\\\\server:1\\share\\x"})
        Expect(t, DirRefusal::Unsupported);
}

TEST_F(PathRules, FoldersThatHoldProtectedOnes) {
    Expect("C:\\tools", DirRefusal::HoldsProtected);  // this program's own folder is inside
    Expect("C:\\users\\me\\AppData", DirRefusal::HoldsProtected);
    Expect("C:\\Program Files\\..\\users\\me\\.\\AppData\\", DirRefusal::HoldsProtected);
    Expect("C:\\tools\\carvexo\\Skins", DirRefusal::None);
    Expect("C:\\tools\\other", DirRefusal::None);
}

TEST_F(PathRules, OrdinaryProgramFoldersAreScanned) {
    auto v = ClassifyInstallPath("  \"c:/Program Files/Vendor/App/\"  ", ctx);
    EXPECT_EQ(v.refusal, DirRefusal::None);
    EXPECT_EQ(v.resolved, "C:\\Program Files\\Vendor\\App");
    EXPECT_FALSE(v.holdsOtherProgram);

    v = ClassifyInstallPath("C:\\Program Files\\Common Files\\Vendor\\..\\Acme", ctx);
    EXPECT_EQ(v.resolved, "C:\\Program Files\\Common Files\\Acme");
    v = ClassifyInstallPath("C:\\Users\\me\\AppData\\Local\\Programs\\Acme", ctx);
    EXPECT_EQ(v.refusal, DirRefusal::None);
    for (const char* t :
         {"C:\\Acme", "D:\\Games\\Acme", "C:\\Program Files\\Vendor", "C:\\ProgramData\\Vendor",
          "C:\\users\\me\\Documents\\Projects\\Tool", "C:\\Program Files\\ .hidden\\x"})
        Expect(t, DirRefusal::None);
}

TEST_F(PathRules, FolderHoldingAnotherProgramIsAllowedButMarked) {
    struct Case {
        const char* text;
        bool holds;
    } cases[] = {
        {"C:\\Apps\\Suite", true},
        {"C:\\APPS\\suite\\", true},
        {"C:\\Apps", true},
        {"C:\\Apps\\Suite\\Editor", true},  // the same folder as the other program
        {"C:\\Apps\\Suite\\Editor\\Plugins", false},
        {"C:\\Apps\\Suite\\Viewer", false},
        {"C:\\Apps\\Suite2", false},
        {"C:\\Program Files\\Shared",
         true},  // the other location spelled with a variable and quotes
    };
    for (const auto& c : cases) {
        auto v = ClassifyInstallPath(c.text, ctx);
        EXPECT_EQ(v.refusal, DirRefusal::None) << c.text;
        EXPECT_EQ(v.holdsOtherProgram, c.holds) << c.text;
    }
}

TEST(PathRulesText, NormalizedSpellingsAndMessages) {
    EXPECT_EQ(cx::cleanup::NormalizeFolderPath("c:/a//b/./c/../"), "C:\\a\\b");
    EXPECT_EQ(cx::cleanup::NormalizeFolderPath("\"C:\\\""), "C:\\");
    EXPECT_EQ(cx::cleanup::NormalizeFolderPath("\\\\srv\\share\\x\\.."), "\\\\srv\\share\\");
    EXPECT_EQ(cx::cleanup::NormalizeFolderPath("relative\\dir"), "");
    EXPECT_EQ(cx::cleanup::NormalizeFolderPath(""), "");
    EXPECT_EQ(cx::cleanup::DirRefusalText(DirRefusal::None), "");
    std::set<std::string> texts;
    for (int r = static_cast<int>(DirRefusal::Empty); r <= static_cast<int>(DirRefusal::LocalShare);
         ++r) {
        EXPECT_FALSE(cx::cleanup::DirRefusalText(static_cast<DirRefusal>(r)).empty()) << r;
        texts.insert(cx::cleanup::DirRefusalText(static_cast<DirRefusal>(r)));
    }
    EXPECT_EQ(texts.size(), static_cast<size_t>(DirRefusal::LocalShare))
        << "each reason has its own sentence";
    // The sentences are the language file's: a translation shows.
    cx::SetLangText(cx::IDS_SCANFORM_INFO_Protected, "Ordner geschuetzt");
    EXPECT_EQ(cx::cleanup::DirRefusalText(DirRefusal::Protected), "Ordner geschuetzt");
    cx::RestoreEnglishDefaults();
}

// Shares of this computer are judged as the folders they serve; folders on
// other computers are not scanned: their protected folders cannot be known here.
TEST_F(PathRules, SharesOfThisComputerAreJudgedAsTheirFolders) {
    for (const char* t :
         {"\\\\localhost\\Users\\me", "\\\\LOCALHOST\\users\\me\\",
          "\\\\127.0.0.1\\users\\me\\Desktop", "\\\\127.9.8.7\\Users\\me\\Documents",
          "\\\\CXBOX\\users", "\\\\cxbox\\Users\\me",
          "\\\\cxbox.example.lan\\Users\\me\\Documents\\", "\\\\?\\UNC\\localhost\\users\\me",
          "//localhost/users/me", "\\\\::1\\users\\me", "\\\\[::1]\\users\\me",
          "\\\\0--1.ipv6-literal.net\\users\\me", "\\\\.\\UNC\\localhost\\users\\me",
          "\\\\localhost\\c$\\Program Files", "\\\\127.0.0.1\\C$\\Program Files\\",
          "\\\\localhost\\C$\\Windows", "\\\\localhost\\ADMIN$\\System32", "\\\\localhost\\admin$"})
        Expect(t, DirRefusal::Protected);
    Expect("\\\\localhost\\c$", DirRefusal::DriveRoot);
    Expect("\\\\localhost\\d$\\", DirRefusal::DriveRoot);
    Expect("\\\\localhost\\Users\\me\\AppData", DirRefusal::HoldsProtected);
    Expect("\\\\localhost\\Hidden\\Acme", DirRefusal::LocalShare);
    Expect("\\\\localhost\\IPC$\\x", DirRefusal::LocalShare);

    auto v = ClassifyInstallPath("\\\\127.0.0.1\\Apps\\Acme\\", ctx);
    EXPECT_EQ(Name(v.refusal), std::string("None"));
    EXPECT_EQ(v.resolved, "C:\\Apps\\Acme");
    v = ClassifyInstallPath("\\\\localhost\\C$\\Tools\\Acme", ctx);
    EXPECT_EQ(v.resolved, "C:\\Tools\\Acme");
    // Another program reached through a share is still that program.
    EXPECT_TRUE(ClassifyInstallPath("\\\\localhost\\apps\\Suite", ctx).holdsOtherProgram);

    for (const char* t :
         {"\\\\server\\share\\Apps\\Acme", "\\\\?\\UNC\\server\\share\\Apps\\Acme\\",
          "\\\\10.0.0.5\\Apps\\Acme", "\\\\cxbox2\\users\\me", "\\\\localhost2\\Users\\me"})
        Expect(t, DirRefusal::Network);
}

}  // namespace

// The other programs a scan must respect, from the list's records. A record of
// the target's name in the other hive is another installation, even in the
// same folder: its folder and its registration are the twin's to keep.
TEST(OtherListedPrograms, LeavesOutOnlyTheTargetsOwnRecord) {
    using cx::cleanup::ListedProgram;
    const std::string hklm = "HKEY_LOCAL_MACHINE", hkcu = "HKEY_CURRENT_USER";
    const ListedProgram target{"Brindle", "C:\\Program Files\\Brindle", "Brindle 2", hklm};
    std::vector<ListedProgram> listed{
        target,
        {"Brindle", "c:\\program files\\BRINDLE\\", "Brindle (user)", hkcu},  // same folder
        {"Brindle", "C:\\Users\\Brindle", "Brindle portable", hkcu},  // same name, other folder
        {"Tarn", "C:\\Tarn", "", hklm},                               // no display name
        {"NoFolder", "", "Without a folder", hklm},
        {"Quill", "D:\\Quill", "Quill Editor", hkcu},
    };
    using Row = std::tuple<std::string, std::string, std::string, std::string>;
    std::vector<Row> got;
    for (const auto& o : cx::cleanup::OtherListedPrograms(listed, target))
        got.emplace_back(o.location, o.name, o.registryName, o.hive);
    EXPECT_EQ(got,
              (std::vector<Row>{{"c:\\program files\\BRINDLE\\", "Brindle (user)", "Brindle", hkcu},
                                {"C:\\Users\\Brindle", "Brindle portable", "Brindle", hkcu},
                                {"C:\\Tarn", "Tarn", "Tarn", hklm},
                                // its names are still its own to the remains scan
                                {"", "Without a folder", "NoFolder", hklm},
                                {"D:\\Quill", "Quill Editor", "Quill", hkcu}}));
    EXPECT_TRUE(cx::cleanup::OtherListedPrograms({target}, target).empty());

    // The twin's registration counts without a folder too: its keys are its own.
    const ListedProgram user{"brindle", "", "Brindle (user)", hkcu};
    got.clear();
    for (const auto& o : cx::cleanup::OtherListedPrograms({target, user}, target))
        got.emplace_back(o.location, o.name, o.registryName, o.hive);
    EXPECT_EQ(got, (std::vector<Row>{{"", "Brindle (user)", "brindle", hkcu}}));
}

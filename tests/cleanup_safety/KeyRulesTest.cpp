// Which matched registry keys a remains scan may offer. A program may be
// registered under any name, so a name that equals a key Windows owns must not
// let the scan offer that key.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cleanup/Safety.h"

namespace {

using cx::cleanup::IsProtectedKey;

const char* const HKLM = "HKEY_LOCAL_MACHINE";
const char* const HKCU = "HKEY_CURRENT_USER";
const char* const HKCR = "HKEY_CLASSES_ROOT";

TEST(KeyRules, ScanStartKeysAndSkippedSubtrees) {
    EXPECT_TRUE(IsProtectedKey(HKCR, "Installer\\Products"));
    EXPECT_TRUE(IsProtectedKey(HKCU, "SOFTWARE"));
    EXPECT_TRUE(IsProtectedKey(HKLM, "SOFTWARE"));
    EXPECT_TRUE(IsProtectedKey(HKLM, "SOFTWARE\\Microsoft\\Windows"));
    EXPECT_TRUE(IsProtectedKey(
        HKLM,
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components"));
    EXPECT_TRUE(IsProtectedKey(HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SideBySide"));
    EXPECT_TRUE(IsProtectedKey(HKLM, "SOFTWARE\\Classes"));
    EXPECT_TRUE(IsProtectedKey(HKLM, "SOFTWARE\\Microsoft"));
}

// A program registered under the name of a Windows key: whichever hive, view or
// spelling the scan finds the key under, it is never offered.
TEST(KeyRules, WindowsKeysUnderEveryAlias) {
    const std::vector<std::string> names = {
        "Run",
        "RunOnce",
        "RunOnceEx",
        "RunServices",
        "RunServicesOnce",
        "Uninstall",
        "Explorer",
        "Policies",
        "App Paths",
        "SharedDLLs",
        "Setup",
        "Installer",
        "Shell Extensions",
        "Applets",
        "Controls Folder",
        "Extensions",
        "Group Policy",
        "Internet Settings",
        "SideBySide",
        "Component Based Servicing",
        "WindowsUpdate",
        "Themes",
        "Telephony",
        "Fonts",
        "Some Future Windows Key",
    };
    const std::vector<std::string> parents = {
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\",
        "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\",
        "software\\microsoft\\windows\\currentversion\\",
        "\\SOFTWARE\\\\Microsoft\\Windows\\CurrentVersion\\",
    };
    for (const char* hive : {HKLM, HKCU, "HKLM", "hkey_current_user"})
        for (const auto& parent : parents)
            for (const auto& name : names) {
                EXPECT_TRUE(IsProtectedKey(hive, parent + name)) << hive << "\\" << parent << name;
                EXPECT_TRUE(IsProtectedKey(hive, parent + name + "\\"))
                    << hive << "\\" << parent << name;
            }
    for (const char* key :
         {"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
          "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options",
          "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify",
          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer",
          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders",
          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData",
          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18",
          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Products",
          "SOFTWARE\\Microsoft\\Cryptography", "SOFTWARE\\Microsoft\\Windows NT",
          "SOFTWARE\\Microsoft\\Active Setup\\Installed Components"})
        EXPECT_TRUE(IsProtectedKey(HKLM, key)) << key;
}

TEST(KeyRules, RunFamilyWhereverItIs) {
    EXPECT_TRUE(IsProtectedKey(
        HKCU, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run"));
    EXPECT_TRUE(IsProtectedKey(
        HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run"));
    EXPECT_TRUE(IsProtectedKey(
        HKLM, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\Setup"));
    // Also a vendor's own key of that name: leaving it behind is the smaller harm.
    EXPECT_TRUE(IsProtectedKey(HKLM, "SOFTWARE\\Acme\\Run"));
    EXPECT_TRUE(IsProtectedKey(HKCU, "SOFTWARE\\Acme\\RUNONCE"));
}

TEST(KeyRules, TopLevelAndClassStoreKeys) {
    for (const char* key : {"",
                            "\\",
                            "SOFTWARE",
                            "SOFTWARE\\",
                            "software",
                            "SOFTWARE\\Microsoft",
                            "SOFTWARE\\Classes",
                            "SOFTWARE\\Policies",
                            "SOFTWARE\\Policies\\Microsoft",
                            "SOFTWARE\\Policies\\Microsoft\\Windows",
                            "SOFTWARE\\Wow6432Node",
                            "SOFTWARE\\Wow6432Node\\Microsoft",
                            "SOFTWARE\\WOW6432NODE\\Classes",
                            "SOFTWARE\\Clients",
                            "SOFTWARE\\Clients\\StartMenuInternet",
                            "SOFTWARE\\RegisteredApplications",
                            "SOFTWARE\\ODBC\\ODBC.INI",
                            "SOFTWARE\\Wine",
                            "SOFTWARE\\Wine\\Drives",
                            "SYSTEM",
                            "SYSTEM\\CurrentControlSet",
                            "SYSTEM\\CurrentControlSet\\Services",
                            "SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                            "HARDWARE",
                            "SAM",
                            "SECURITY",
                            "Acme"})
        EXPECT_TRUE(IsProtectedKey(HKLM, key)) << key;
    for (const char* key :
         {"Environment", "Control Panel", "Control Panel\\Desktop", "Console", "Acme"})
        EXPECT_TRUE(IsProtectedKey(HKCU, key)) << key;

    // The class store under its three names, and its 32-bit view.
    const std::vector<std::pair<const char*, std::string>> stores = {
        {HKCR, ""},
        {HKCR, "Wow6432Node\\"},
        {HKLM, "SOFTWARE\\Classes\\"},
        {HKCU, "Software\\Classes\\"},
        {HKLM, "SOFTWARE\\Wow6432Node\\Classes\\"},
        {HKLM, "SOFTWARE\\Classes\\Wow6432Node\\"},
    };
    for (const auto& [hive, prefix] : stores)
        for (const char* key :
             {"Installer", "Installer\\Products", "Installer\\Features", "Installer\\UpgradeCodes",
              "Installer\\Components", "CLSID", "Interface", "TypeLib", "AppID", "*", "Directory",
              "Directory\\shell", "Directory\\Background\\shellex\\ContextMenuHandlers",
              "Folder\\shellex\\ContextMenuHandlers", "exefile\\shell\\open\\command", ".exe",
              "lnkfile", "Acme.Document", "Acme"})
            EXPECT_TRUE(IsProtectedKey(hive, prefix + key)) << hive << "\\" << prefix << key;
    EXPECT_TRUE(IsProtectedKey(HKCR, ""));
}

TEST(KeyRules, UsersHiveAndUnknownHives) {
    EXPECT_TRUE(IsProtectedKey("HKEY_USERS", ""));
    EXPECT_TRUE(IsProtectedKey("HKEY_USERS", "S-1-5-21-1"));
    EXPECT_TRUE(IsProtectedKey("HKEY_USERS",
                               "S-1-5-21-1\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"));
    EXPECT_TRUE(IsProtectedKey("HKEY_USERS", "S-1-5-21-1_Classes\\CLSID"));
    EXPECT_FALSE(IsProtectedKey("HKEY_USERS", "S-1-5-21-1\\SOFTWARE\\Acme"));
    for (const char* hive :
         {"", "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_LOCAL_MACHINEX", "Acme"})
        EXPECT_TRUE(IsProtectedKey(hive, "SOFTWARE\\Acme")) << hive;
}

TEST(KeyRules, ProgramKeysAreOffered) {
    const std::vector<std::pair<const char*, const char*>> offered = {
        {HKLM, "SOFTWARE\\Acme"},
        {HKLM, "SOFTWARE\\Acme\\Editor"},
        {HKCU, "SOFTWARE\\Acme"},
        {HKCU, "Software\\Vendor\\Acme\\Settings"},
        {HKLM, "SOFTWARE\\Wow6432Node\\Acme"},
        {HKLM, "SOFTWARE\\Acme\\Setup"},
        {HKLM, "SOFTWARE\\Acme\\Explorer"},
        {HKLM, "SOFTWARE\\Acme\\Microsoft"},
        {HKLM, "SOFTWARE\\Acme\\Classes"},
        {HKLM, "SOFTWARE\\Policies\\Acme"},
        {HKLM, "SOFTWARE\\Clients\\Mail\\Acme Mail"},
        {HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Acme"},
        {HKLM,
         "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{01234567-89AB-CDEF-0123-"
         "456789ABCDEF}"},
        {HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\acme.exe"},
        {HKLM,
         "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\Acme"},
        {HKLM,
         "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-"
         "18\\Products\\0123ABCD"},
        {HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved\\Acme"},
        {HKCR, "Installer\\Products\\0123456789ABCDEF0123456789ABCDEF"},
        {HKCR, "Acme.Document\\shell\\AcmeVerb"},
        {HKCR, "CLSID\\{01234567-89AB-CDEF-0123-456789ABCDEF}"},
        {HKLM, "SOFTWARE\\Classes\\Installer\\Products\\0123456789ABCDEF0123456789ABCDEF"},
        {"HKLM", "SOFTWARE\\Acme"},
        {"HKCU", "SOFTWARE\\Acme"},
    };
    for (const auto& [hive, key] : offered)
        EXPECT_FALSE(IsProtectedKey(hive, key)) << hive << "\\" << key;
}

// Windows-owned stores are protected as whole subtrees, however deep the key a
// program's name happens to match: only a program's own slot in them (its own
// Uninstall entry, App Paths entry ...) is offered.
TEST(KeyRules, WindowsOwnedSubtreesAtAnyDepth) {
    const std::vector<std::pair<const char*, const char*>> kept = {
        {HKCU, "SOFTWARE\\AppDataLow"},
        {HKCU, "SOFTWARE\\AppDataLow\\Software"},
        {HKCU, "SOFTWARE\\AppDataLow\\Software\\Microsoft"},
        {HKCU, "SOFTWARE\\AppDataLow\\Software\\Microsoft\\Windows"},
        {HKCU, "Software\\AppDataLow\\Software\\Microsoft\\Internet Explorer\\Setup"},
        {HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WINEVT\\Channels\\Setup"},
        {HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WINEVT\\Channels\\Application"},
        {HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WINEVT\\Channels\\System"},
        {HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WINEVT\\Channels\\Security"},
        {HKLM,
         "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WINEVT\\Publishers\\{01234567-89AB-CDEF-"
         "0123-456789ABCDEF}"},
        {HKLM,
         "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.txt\\OpenWithList"},
        {HKCU,
         "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSavePidlMRU\\exe"},
        {HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup\\OC Manager\\Subcomponents"},
        {HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup\\a\\b\\c\\d"},
        {HKLM, "SOFTWARE\\Policies\\Microsoft\\Windows\\System"},
        {HKLM, "SOFTWARE\\Policies\\Microsoft\\Windows\\WindowsUpdate\\AU"},
        {HKLM,
         "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\WINEVT\\Channels\\Applicatio"
         "n"},
        {HKLM, "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Acme"},
        {HKCU, "Control Panel\\Desktop\\WindowMetrics"},
    };
    for (const auto& [hive, key] : kept)
        EXPECT_TRUE(IsProtectedKey(hive, key)) << hive << "\\" << key;

    const std::vector<std::pair<const char*, const char*>> offered = {
        {HKCU, "SOFTWARE\\AppDataLow\\Software\\Acme"},
        {HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Setup"},
        {HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Application"},
        {HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Acme\\Setup"},
        {HKCU, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Acme"},
        {HKLM, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Acme"},
    };
    for (const auto& [hive, key] : offered)
        EXPECT_FALSE(IsProtectedKey(hive, key)) << hive << "\\" << key;
}

}  // namespace

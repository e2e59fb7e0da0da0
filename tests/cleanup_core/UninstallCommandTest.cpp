// Which command an uninstall runs: Windows Installer entries that register the
// package's maintenance mode (/I) are removed with /X; everything else runs as
// the entry says.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "cleanup/UninstallEntry.h"

namespace {

using cx::cleanup::IsProductCode;
using cx::cleanup::UninstallCommand;

const std::string kCode = "{6F1C2A3B-4D5E-4F60-8A71-92B3C4D5E6F7}";
const std::string kRemove = "MsiExec.exe /X" + kCode;

TEST(UninstallCommand, InstallerEntriesNamingTheirOwnProductAreRemovedWithX) {
    const std::string lower = "{6f1c2a3b-4d5e-4f60-8a71-92b3c4d5e6f7}";
    for (const std::string& s : std::initializer_list<std::string>{
             "MsiExec.exe /I" + kCode,
             "msiexec /i " + kCode,
             "MsiExec.exe /X" + kCode + " /qb",
             "  MSIEXEC.EXE   /x   " + kCode + "  ",
             "MsiExec.exe -I" + kCode,
             "MsiExec.exe /I" + lower,
             "\"C:\\Windows\\System32\\MsiExec.exe\" /I" + kCode,
             "C:\\WINDOWS\\system32\\msiexec.exe /X" + kCode,
             "MsiExec.exe/I" + kCode,
             "MsiExec.exe /qb /I" + kCode,
         })
        EXPECT_EQ(UninstallCommand(s, kCode, true), kRemove) << s;
}

TEST(UninstallCommand, AnythingElseRunsAsWritten) {
    const std::string other = "{00000000-1111-2222-3333-444444444444}";
    for (const std::string& s : std::initializer_list<std::string>{
             "MsiExec.exe /I" + other,  // another product than the entry's own
             "MsiExec.exe /I" + other + " /X" + kCode.substr(0, 20),
             "MsiExec.exe /I \"C:\\Setup\\package.msi\"",
             "MsiExec.exe /F" + kCode,  // a repair asked for on purpose
             "\"C:\\Program Files\\Corvid\\unins000.exe\" /X" + kCode,
             "NotMsiExec.exe /X" + kCode,
             "MsiExec.exe.bak /X" + kCode,
             "MsiExec.exe /I" + kCode + "x",
             "MsiExec.exe /I{" + kCode + "}",
             "MsiExec.exe",
             "",
         })
        EXPECT_EQ(UninstallCommand(s, kCode, true), s) << s;

    // Not a Windows Installer entry, or a key name that is not a product code.
    const std::string install = "MsiExec.exe /I" + kCode;
    EXPECT_EQ(UninstallCommand(install, kCode, false), install);
    EXPECT_EQ(UninstallCommand(install, "Corvid Ledger", true), install);
    EXPECT_EQ(UninstallCommand(install, kCode + ".KB1234", true), install);
}

TEST(UninstallCommand, ProductCodesAreBracedGuids) {
    EXPECT_TRUE(IsProductCode(kCode));
    EXPECT_TRUE(IsProductCode("{abcdef01-2345-6789-abcd-ef0123456789}"));
    for (const std::string& s : std::initializer_list<std::string>{
             std::string(), kCode.substr(1), kCode.substr(0, 37),
             "6F1C2A3B-4D5E-4F60-8A71-92B3C4D5E6F7", "{6F1C2A3B-4D5E-4F60-8A71-92B3C4D5E6FG}",
             "{6F1C2A3B+4D5E-4F60-8A71-92B3C4D5E6F7}", kCode + " ",
             "{6F1C2A3B-4D5E-4F60-8A71-92B3C4D5E6F7}}"})
        EXPECT_FALSE(IsProductCode(s)) << s;
}

}  // namespace

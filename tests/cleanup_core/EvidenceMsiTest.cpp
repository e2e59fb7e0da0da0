// The install folder of a Windows Installer product as the prefix's own
// msi.dll knows it, for a real package that msiexec installs and removes.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "harness/TestKit.h"
#include "cleanup/Evidence.h"

namespace {

using namespace cx::cleanup;

const std::wstring kCode = L"{6F1C2A3B-4D5E-4F60-8A71-92B3C4D5E6F7}";

std::string Msiexec() {
    char sys[MAX_PATH];
    UINT n = GetSystemDirectoryA(sys, MAX_PATH);
    return std::string(sys, n) + "\\msiexec.exe";
}

TEST(EvidenceMsi, ProductsTheInstallerDoesNotKnowGiveNothing) {
    EXPECT_FALSE(QueryInstallerProduct(L"{00000000-1111-2222-3333-444444444444}"));
    EXPECT_FALSE(QueryInstallerProduct(L"Corvid Ledger"));
}

TEST(EvidenceMsi, AnInstalledPackageNamesItsFolderThroughItsComponents) {
    const std::string msi = cx::test::BuildDir() + "tests\\cleanup_e2e\\CorvidLedger.msi";
    if (GetFileAttributesA(msi.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no package was built (wixl is missing): " << msi;
    ASSERT_EQ(cx::test::RunAndWait("\"" + Msiexec() + "\" /i \"" + msi + "\" /qn"), 0);
    std::optional<InstallerProduct> product = QueryInstallerProduct(kCode);
    const std::string code(kCode.begin(), kCode.end());

    // Asked as the scan will ask, for the entry msiexec wrote.
    RegistrationPlaces entry{kCode, L"", L"MsiExec.exe /I" + kCode, L"", true};
    std::vector<FolderCandidate> found =
        InstallFolderCandidates(entry, CurrentSystemPlaces(), QueryInstallerProduct);
    ASSERT_EQ(cx::test::RunAndWait("\"" + Msiexec() + "\" /x " + code + " /qn"), 0);

    ASSERT_TRUE(product);
    ASSERT_EQ(product->componentPaths.size(), 1u);
    EXPECT_EQ(CompareStringOrdinal(product->componentPaths[0].c_str(), -1,
                                   L"C:\\Program Files\\Corvid Ledger\\ledger.txt", -1, TRUE),
              CSTR_EQUAL);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].source, FolderSource::InstallerComponents);
    EXPECT_EQ(CompareStringOrdinal(found[0].folder.c_str(), -1, L"C:\\Program Files\\Corvid Ledger",
                                   -1, TRUE),
              CSTR_EQUAL);
    EXPECT_FALSE(QueryInstallerProduct(kCode)) << "still known after its removal";
}

}  // namespace

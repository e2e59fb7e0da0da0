// The version resource of the shipped files: the one version the build sets,
// in the fixed part and in the texts the shell's properties and Item Info show.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "CarvexoVersion.h"
#include "harness/TestKit.h"

namespace {

std::string VersionString(const std::vector<BYTE>& block, const std::string& name) {
    void* value = nullptr;
    UINT size = 0;
    std::string path = "\\StringFileInfo\\040904E4\\" + name;
    if (!VerQueryValueA(block.data(), path.c_str(), &value, &size) || !value) return {};
    return static_cast<const char*>(value);
}

TEST(VersionResource, BothShippedFilesCarryTheBuildsVersion) {
    for (const char* file : {"Carvexo.exe", "Dravik.dll"}) {
        const std::string path = cx::test::OutDir() + file;
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
        ASSERT_GT(size, 0u) << file << " has no version resource";
        std::vector<BYTE> block(size);
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));

        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT fixedSize = 0;
        ASSERT_TRUE(
            VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize));
        EXPECT_EQ(fixed->dwFileVersionMS,
                  static_cast<DWORD>(MAKELONG(CARVEXO_VERSION_MINOR, CARVEXO_VERSION_MAJOR)));
        EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(0, CARVEXO_VERSION_PATCH)));
        EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);

        EXPECT_EQ(VersionString(block, "FileVersion"), CARVEXO_VERSION_TEXT) << file;
        EXPECT_EQ(VersionString(block, "ProductVersion"), CARVEXO_VERSION_TEXT) << file;
        EXPECT_EQ(VersionString(block, "ProductName"), "Carvexo") << file;
        EXPECT_EQ(VersionString(block, "OriginalFilename"), file);
        for (const char* name : {"CompanyName", "FileDescription", "LegalCopyright"})
            EXPECT_FALSE(VersionString(block, name).empty()) << file << " " << name;
    }
}

}  // namespace

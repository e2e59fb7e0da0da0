// The seeded screen savers carry what a reader of screen-saver files looks for:
// a title in string 1, or else a FileDescription, and a CompanyName.
#include <gtest/gtest.h>

#include <vector>

#include "ToolsKit.h"
#include "platform/Error.h"
#include "platform/Handles.h"
#include "seeder/DemoData.h"

namespace {

using namespace cx;
using namespace cx::demo;

std::string VersionString(const std::string& path, const std::string& name) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (!size) return {};
    std::vector<char> info(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, info.data())) return {};
    struct Translation {
        WORD language, codePage;
    }* tr = nullptr;
    UINT len = 0;
    if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&tr),
                        &len) ||
        len < sizeof *tr)
        return {};
    char* text = nullptr;
    const std::string query =
        Format("\\StringFileInfo\\%04x%04x\\%s", tr->language, tr->codePage, name.c_str());
    if (!VerQueryValueA(info.data(), query.c_str(), reinterpret_cast<void**>(&text), &len) || !text)
        return {};
    return text;
}

TEST(SampleScreenSavers, CarryTheirTitleOrDescriptionAndPublisher) {
    for (const DemoScreenSaver& s : ScreenSavers()) {
        const std::string path = ScreenSaverPath(s);
        SCOPED_TRACE(path);
        unique_hmodule module(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        ASSERT_TRUE(module);
        char title[256] = {};
        const int n = LoadStringA(module.get(), 1, title, sizeof title);
        const std::string description = VersionString(path, "FileDescription");
        EXPECT_EQ(n > 0 ? std::string(title) : description, s.title);
        EXPECT_EQ(VersionString(path, "CompanyName"), s.publisher);
        EXPECT_FALSE(description.empty());
    }
    // One of them has only its description to offer.
    unique_hmodule tiles(LoadLibraryExA((cx::test::tools::ToolsDir() + "QuietTiles.scr").c_str(),
                                        nullptr, LOAD_LIBRARY_AS_DATAFILE));
    char buf[64];
    EXPECT_EQ(LoadStringA(tiles.get(), 1, buf, sizeof buf), 0);
}

}  // namespace

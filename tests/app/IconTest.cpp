// The icon resource of the built program: the sizes the shell asks for, each in
// 32 bits with a real alpha channel, and something drawn in them.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <set>
#include <vector>

#include "harness/TestKit.h"

namespace {

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct GroupIconHeader {
    WORD reserved, type, count;
};
#pragma pack(pop)

class ProgramIconTest : public ::testing::Test {
protected:
    void SetUp() override {
        exe = LoadLibraryExA((cx::test::OutDir() + "Carvexo.exe").c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_TRUE(exe) << GetLastError();
    }
    void TearDown() override {
        if (exe) FreeLibrary(exe);
    }
    // The bytes of a resource, empty when it is missing.
    std::vector<uint8_t> Resource(LPCSTR type, LPCSTR name) const {
        HRSRC found = FindResourceA(exe, name, type);
        if (!found) return {};
        HGLOBAL loaded = LoadResource(exe, found);
        const auto* data = static_cast<const uint8_t*>(LockResource(loaded));
        if (!data) return {};
        return {data, data + SizeofResource(exe, found)};
    }
    HMODULE exe = nullptr;
};

TEST_F(ProgramIconTest, IconOneHoldsThreeSizesWithAlpha) {
    std::vector<uint8_t> group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEA(1));
    ASSERT_GE(group.size(), sizeof(GroupIconHeader)) << "Carvexo.exe has no icon 1";
    const auto* header = reinterpret_cast<const GroupIconHeader*>(group.data());
    EXPECT_EQ(header->type, 1);
    ASSERT_EQ(group.size(), sizeof(GroupIconHeader) + header->count * sizeof(GroupIconEntry));
    const auto* entries =
        reinterpret_cast<const GroupIconEntry*>(group.data() + sizeof(GroupIconHeader));

    std::set<int> sizes;
    for (int i = 0; i < header->count; ++i) {
        const GroupIconEntry& e = entries[i];
        SCOPED_TRACE(e.width);
        EXPECT_EQ(e.width, e.height);
        EXPECT_EQ(e.bitCount, 32);
        sizes.insert(e.width);

        std::vector<uint8_t> image = Resource(RT_ICON, MAKEINTRESOURCEA(e.id));
        ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
        BITMAPINFOHEADER bih;
        memcpy(&bih, image.data(), sizeof bih);
        EXPECT_EQ(bih.biWidth, e.width);
        EXPECT_EQ(bih.biHeight, 2 * e.width);  // colour rows and mask rows
        ASSERT_EQ(bih.biBitCount, 32);
        const size_t pixels = size_t(e.width) * e.width;
        ASSERT_GE(image.size(), bih.biSize + pixels * 4);
        // A drawn picture on a see-through ground: clear, solid and blended
        // (smoothed edges) pixels, and more than one colour among the solid ones.
        const uint8_t* bgra = image.data() + bih.biSize;
        int clear = 0, solid = 0, blended = 0;
        std::set<uint32_t> colours;
        for (size_t p = 0; p < pixels; ++p) {
            uint8_t a = bgra[p * 4 + 3];
            if (a == 0)
                ++clear;
            else if (a == 255)
                ++solid;
            else
                ++blended;
            if (a == 255)
                colours.insert(bgra[p * 4] | bgra[p * 4 + 1] << 8 | bgra[p * 4 + 2] << 16);
        }
        EXPECT_GT(solid, static_cast<int>(pixels / 2));
        EXPECT_GT(blended, 0);
        EXPECT_GE(colours.size(), 3u);
        if (e.width >= 32) {
            EXPECT_GT(clear, 0);  // rounded corners
        }
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 32, 48}));

    // The system picks an image of each size from the group, as the shell does.
    for (int size : {16, 32, 48}) {
        int id = LookupIconIdFromDirectoryEx(const_cast<PBYTE>(group.data()), TRUE, size, size,
                                             LR_DEFAULTCOLOR);
        ASSERT_GT(id, 0) << size;
        std::vector<uint8_t> image = Resource(RT_ICON, MAKEINTRESOURCEA(id));
        HICON icon = CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE,
                                              0x00030000, size, size, LR_DEFAULTCOLOR);
        EXPECT_TRUE(icon) << size;
        ICONINFO info{};
        if (icon && GetIconInfo(icon, &info)) {
            BITMAP bm{};
            GetObjectA(info.hbmColor, sizeof bm, &bm);
            EXPECT_EQ(bm.bmWidth, size);
            if (info.hbmColor) DeleteObject(info.hbmColor);
            if (info.hbmMask) DeleteObject(info.hbmMask);
        }
        if (icon) DestroyIcon(icon);
    }
}

}  // namespace

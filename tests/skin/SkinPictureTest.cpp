// Skin pictures from the skin folder: one decoded copy per file in use.
#include <gtest/gtest.h>

#include "harness/TestKit.h"
#include "skin/SkinApply.h"
#include "widgets/Image.h"

namespace cx {
namespace {

void WritePng(const std::string& path, int w, int h, uint32_t colour) {
    auto png = ui::EncodePng(w, h, std::vector<uint32_t>(size_t(w) * h, colour));
    test::WriteWholeFile(path, std::string(png.begin(), png.end()));
}

// Both side panels name img_SizePanel.png: while one holds the picture the
// other shares it. A file rewritten since is read anew, and a picture nobody
// holds any more is not kept.
TEST(SkinPicture, SameFileSharedWhileHeldAndReadAnewWhenChanged) {
    const std::string dir = test::FreshScratchDir("skin-picture-shared");
    WritePng(dir + "panel.png", 4, 3, 0xFF102030u);
    auto first = LoadSkinPicture(dir, "panel.png");
    ASSERT_TRUE(first);
    auto second = LoadSkinPicture(dir, "PANEL.PNG");
    EXPECT_EQ(first.get(), second.get());
    EXPECT_EQ(second->Pixel(3, 2), 0xFF102030u);

    WritePng(dir + "panel.png", 5, 3, 0xFF405060u);
    auto changed = LoadSkinPicture(dir, "panel.png");
    ASSERT_TRUE(changed);
    EXPECT_NE(changed.get(), first.get());
    EXPECT_EQ(changed->width(), 5);
    EXPECT_EQ(changed->Pixel(0, 0), 0xFF405060u);
    EXPECT_EQ(first->width(), 4);  // what a control shows stays as it was

    std::weak_ptr<ui::Image> gone = changed;
    first.reset();
    second.reset();
    changed.reset();
    EXPECT_TRUE(gone.expired());

    EXPECT_FALSE(LoadSkinPicture(dir, "missing.png"));
}

}  // namespace
}  // namespace cx

// The default skin's pictures as the build writes them into the output folder.
#include <gtest/gtest.h>

#include <string>

#include "harness/TestKit.h"
#include "platform/Files.h"
#include "widgets/Image.h"

namespace cx {
namespace {

struct Expected {
    std::string name;
    int width, height;
};

std::vector<Expected> AllPictures() {
    std::vector<Expected> all = {{"img_Main.png", 763, 538},
                                 {"Title.png", 295, 29},
                                 {"img_SizePanel.png", 160, 394},
                                 {"img_ProgressBar.png", 391, 183},
                                 {"img_About.png", 125, 278},
                                 {"Splash.png", 503, 241},
                                 {"btnProgramList_Hover.png", 126, 33},
                                 {"btnProgramList_Disabled.png", 126, 33}};
    const std::pair<const char*, std::pair<int, int>> stems[] = {
        {"btnMin", {21, 21}},      {"btnHelpContent", {21, 21}}, {"btnClose", {21, 21}},
        {"btnFile", {117, 34}},    {"btnView", {117, 34}},       {"btnTools", {117, 34}},
        {"btnHelp", {117, 34}},    {"btnUninstall", {141, 34}},  {"btnDetails", {141, 34}},
        {"btnRefresh", {141, 34}}, {"btnSearch", {141, 34}},     {"btnSelectAll", {141, 34}},
        {"btnDelete", {141, 34}},  {"btnApply", {141, 34}}};
    for (const auto& [stem, size] : stems)
        for (const char* state : {"_Normal.png", "_Hover.png", "_Down.png", "_Disabled.png"})
            all.push_back({stem + std::string(state), size.first, size.second});
    return all;
}

std::string SkinDir() { return test::OutDir() + "Skins\\"; }

constexpr uint32_t kKey = 0xFFFF00FFu;  // opaque magenta, straight BGRA

TEST(SkinPictures, EveryPictureIsThereAtItsSize) {
    for (const Expected& e : AllPictures()) {
        std::string path = SkinDir() + e.name;
        ASSERT_TRUE(FileExists(path)) << path;
        auto img = ui::LoadImageFile(path);
        EXPECT_EQ(img->width(), e.width) << e.name;
        EXPECT_EQ(img->height(), e.height) << e.name;
        // Everything but the splash is opaque, so it looks the same whether
        // the control showing it blends or copies.
        if (e.name != "Splash.png") {
            EXPECT_TRUE(img->Opaque()) << e.name;
        }
        // States of one button must differ; the pictures are not placeholders.
        if (e.name.find("_Hover.png") != std::string::npos &&
            e.name.rfind("btnProgramList", 0) != 0) {
            auto normal =
                ui::LoadImageFile(SkinDir() + e.name.substr(0, e.name.size() - 10) + "_Normal.png");
            EXPECT_NE(img->Pixels(), normal->Pixels()) << e.name;
        }
    }
}

TEST(SkinPictures, MainBackgroundIsShapedByTheKeyColour) {
    auto main = ui::LoadImageFile(SkinDir() + "img_Main.png");
    const int w = main->width(), h = main->height();
    for (auto [x, y] :
         {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}, {1, 1}, {w - 2, h - 2}})
        EXPECT_EQ(main->Pixel(x, y), kKey) << "corner " << x << "," << y;
    // The straight edges and the inside belong to the window.
    for (auto [x, y] : {std::pair{w / 2, h / 2},
                        {w / 2, 0},
                        {0, h / 2},
                        {w - 1, h / 2},
                        {w / 2, h - 1},
                        {700, 20},
                        {300, 300},
                        {100, 520}})
        EXPECT_NE(main->Pixel(x, y) & 0xFFFFFF, kKey & 0xFFFFFF) << x << "," << y;
    // No pixel is merely close to the key: an almost-magenta edge would show as a pink fringe.
    int nearKey = 0;
    for (uint32_t p : main->Pixels()) {
        int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
        if (p != kKey && r > 200 && g < 60 && b > 200) ++nearKey;
    }
    EXPECT_EQ(nearKey, 0);
}

TEST(SkinPictures, SplashHasASoftEdge) {
    auto splash = ui::LoadImageFile(SkinDir() + "Splash.png");
    const int w = splash->width(), h = splash->height();
    EXPECT_EQ(splash->Pixel(0, 0) >> 24, 0u);
    EXPECT_EQ(splash->Pixel(w - 1, h - 1) >> 24, 0u);
    EXPECT_EQ(splash->Pixel(w / 2, h / 2) >> 24, 255u);
    // The copyright text goes at 80,168 401x63: that area is solid.
    EXPECT_EQ(splash->Pixel(80, 168) >> 24, 255u);
    EXPECT_EQ(splash->Pixel(480, 230) >> 24, 255u);
    int soft = 0;
    for (int y = h / 2; y < h; ++y) {
        uint32_t a = splash->Pixel(w / 2, y) >> 24;
        if (a > 0 && a < 255) ++soft;
    }
    EXPECT_GE(soft, 4) << "a shadow fades out below the card";
}

}  // namespace
}  // namespace cx

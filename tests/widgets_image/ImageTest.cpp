// Image on GDI: the DIB it hands out, drawing onto a surface, and loading
// files by extension (ours for PNG, GDI+ for the rest).
#include <gtest/gtest.h>

#include "harness/Surface.h"

#include <cstdlib>
#include <string>

#include "PngKit.h"
#include "harness/TestKit.h"
#include "platform/Error.h"
#include "platform/Handles.h"
#include "widgets/GdiplusSession.h"
#include "widgets/Image.h"

namespace cx {
namespace {

using test::png::Bgra;
using test::png::Bytes;

// A bitmap holding these bits in every pixel.
cx::test::Surface Filled(int w, int h, uint32_t bits) {
    return cx::test::Surface::Filled(w, h, bits);
}

void ExpectNear(uint32_t got, uint32_t want, int tolerance, const std::string& what) {
    for (int shift = 0; shift < 24; shift += 8) {
        int g = (got >> shift) & 255, w = (want >> shift) & 255;
        EXPECT_LE(std::abs(g - w), tolerance)
            << what << ": got " << std::hex << got << ", want " << want;
    }
}

TEST(ImageBitmap, TopDownAndPremultiplied) {
    ui::Image img(2, 2,
                  {Bgra(200, 100, 50, 128), Bgra(255, 0, 0), Bgra(9, 9, 9, 0), Bgra(1, 2, 3)});
    EXPECT_FALSE(img.Opaque());
    HBITMAP bmp = img.Bitmap();
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(img.Bitmap(), bmp) << "made once";
    DIBSECTION ds{};
    ASSERT_EQ(GetObject(bmp, sizeof ds, &ds), int(sizeof ds));
    EXPECT_EQ(ds.dsBmih.biBitCount, 32);
    const auto* bits = static_cast<const uint32_t*>(ds.dsBm.bmBits);
    EXPECT_EQ(bits[0], Bgra(100, 50, 25, 128));
    EXPECT_EQ(bits[1], Bgra(255, 0, 0, 255));
    EXPECT_EQ(bits[2], 0u);
    EXPECT_EQ(bits[3], Bgra(1, 2, 3, 255));
    // The straight pixels stay as given.
    EXPECT_EQ(img.Pixel(0, 0), Bgra(200, 100, 50, 128));
    EXPECT_EQ(img.Pixel(2, 0), 0u) << "outside";
    EXPECT_EQ(img.Pixel(-1, 1), 0u) << "outside";

    ui::Image none;
    EXPECT_EQ(none.Bitmap(), nullptr);
    cx::test::Surface s = Filled(1, 1, 0xFF123456);
    none.Draw(s.dc(), 0, 0);
    EXPECT_EQ(s.Raw(0, 0), 0xFF123456u);
}

TEST(ImageDraw, FirstRowDrawnAtTheTop) {
    cx::test::Surface s = Filled(1, 2, 0);
    ui::Image column(1, 2, {Bgra(255, 0, 0), Bgra(0, 0, 255)});
    column.Draw(s.dc(), 0, 0);
    EXPECT_EQ(s.Raw(0, 0) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(s.Raw(0, 1) & 0xFFFFFF, 0x0000FFu);
    ui::Image translucent(1, 2, {Bgra(255, 0, 0, 254), Bgra(0, 0, 255, 254)});
    translucent.Draw(s.dc(), 0, 0);
    ExpectNear(s.Raw(0, 0), Bgra(255, 0, 0), 2, "blended top row");
    ExpectNear(s.Raw(0, 1), Bgra(0, 0, 255), 2, "blended bottom row");
}

TEST(ImageDraw, BlendsTranslucentPixelsAndCopiesOpaqueOnesExactly) {
    cx::test::Surface s = Filled(4, 2, Bgra(128, 128, 128));
    ui::Image glass(2, 1, {Bgra(255, 255, 255, 128), Bgra(0, 0, 0, 0)});
    glass.Draw(s.dc(), 1, 0);
    ExpectNear(s.Raw(1, 0), Bgra(191, 191, 191), 2, "half white over grey");
    EXPECT_EQ(s.Raw(2, 0) & 0xFFFFFF, Bgra(128, 128, 128) & 0xFFFFFF)
        << "clear pixel leaves the surface";
    EXPECT_EQ(s.Raw(0, 0) & 0xFFFFFF, Bgra(128, 128, 128) & 0xFFFFFF) << "outside the picture";

    ui::Image key(2, 1, {Bgra(255, 0, 255), Bgra(254, 0, 255)});
    EXPECT_TRUE(key.Opaque());
    key.Draw(s.dc(), 2, 1);
    EXPECT_EQ(s.Raw(2, 1) & 0xFFFFFF, 0xFF00FFu);
    EXPECT_EQ(s.Raw(3, 1) & 0xFFFFFF, 0xFE00FFu);
}

TEST(ImageDraw, StretchingKeepsTheKeyColourExact) {
    cx::test::Surface s = Filled(6, 3, Bgra(0, 0, 0));
    ui::Image key(2, 1, {Bgra(255, 0, 255), Bgra(0, 0, 255)});
    key.DrawStretched(s.dc(), RECT{0, 0, 6, 3});
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(s.Raw(x, y) & 0xFFFFFF, x < 3 ? 0xFF00FFu : 0x0000FFu) << x << "," << y;

    cx::test::Surface t = Filled(3, 3, Bgra(0, 0, 0));
    ui::Image glass(1, 1, {Bgra(255, 255, 255, 128)});
    glass.DrawStretched(t.dc(), RECT{0, 0, 3, 3});
    ExpectNear(t.Raw(2, 2), Bgra(128, 128, 128), 2, "half white over black, stretched");
    glass.DrawStretched(t.dc(), RECT{2, 2, 2, 5});  // empty rectangle: nothing
}

class ImageFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir =
            test::FreshScratchDir(std::string("image-") +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    std::string Write(const std::string& name, const Bytes& data) {
        test::WriteWholeFile(dir + name, std::string(data.begin(), data.end()));
        return dir + name;
    }
    std::string dir;
};

TEST_F(ImageFiles, PngByOurDecoderWhateverTheCaseOfTheExtension) {
    std::vector<uint32_t> px = {Bgra(1, 2, 3, 4), Bgra(250, 0, 9), Bgra(0, 0, 0, 0)};
    Bytes png = ui::EncodePng(3, 1, px);
    for (const char* name : {"a.png", "B.PNG", "dots.in.name.Png"}) {
        auto img = ui::LoadImageFile(Write(name, png));
        ASSERT_TRUE(img) << name;
        EXPECT_EQ(img->Pixels(), px) << name;
    }
}

TEST_F(ImageFiles, MissingOrDamagedFilesThrowNamingTheFile) {
    for (const std::string& path :
         {dir + "none.png", Write("junk.png", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'}),
          Write("empty.png", {})}) {
        try {
            ui::LoadImageFile(path);
            ADD_FAILURE() << path << " loaded";
        } catch (const AppError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
    }
    ui::GdiplusSession gdiplus;
    EXPECT_THROW(ui::LoadImageFile(dir + "none.bmp"), AppError);
    EXPECT_THROW(ui::LoadImageFile(Write("junk.gif", {'G', 'I', 'F'})), AppError);
}

// A 3 x 2 24-bit BMP: rows bottom-up, padded to four bytes.
Bytes SmallBmp() {
    const uint8_t rows[2][12] = {
        {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0},      // bottom: red, green, blue
        {255, 255, 255, 0, 0, 0, 10, 20, 30, 0, 0, 0}};  // top: white, black, (30,20,10)
    Bytes b = {'B', 'M'};
    auto put = [&b](uint32_t v, int n) {
        for (int i = 0; i < n; ++i) b.push_back(uint8_t(v >> (8 * i)));
    };
    put(14 + 40 + 24, 4);
    put(0, 4);
    put(14 + 40, 4);
    put(40, 4);
    put(3, 4);
    put(2, 4);
    put(1, 2);
    put(24, 2);
    put(0, 4);
    put(24, 4);
    put(2835, 4);
    put(2835, 4);
    put(0, 4);
    put(0, 4);
    for (const auto& r : rows) b.insert(b.end(), r, r + 12);
    return b;
}

TEST_F(ImageFiles, OtherFormatsThroughGdiplus) {
    ui::GdiplusSession gdiplus;
    ASSERT_TRUE(gdiplus.started());
    auto img = ui::LoadImageFile(Write("small.bmp", SmallBmp()));
    ASSERT_EQ(img->width(), 3);
    ASSERT_EQ(img->height(), 2);
    EXPECT_EQ(img->Pixel(0, 0), Bgra(255, 255, 255));
    EXPECT_EQ(img->Pixel(1, 0), Bgra(0, 0, 0));
    EXPECT_EQ(img->Pixel(2, 0), Bgra(30, 20, 10));
    EXPECT_EQ(img->Pixel(0, 1), Bgra(255, 0, 0));
    EXPECT_EQ(img->Pixel(1, 1), Bgra(0, 255, 0));
    EXPECT_EQ(img->Pixel(2, 1), Bgra(0, 0, 255));
}

// GDI+ recognises a PNG by its content, so the same bytes under another
// extension give a second, independent decoding to compare with ours.
TEST_F(ImageFiles, OurDecoderAgreesWithGdiplus) {
    ui::GdiplusSession gdiplus;
    test::png::Picture pal;
    pal.width = 13;
    pal.height = 9;
    pal.depth = 4;
    pal.colourType = 3;
    Bytes plte, trns;
    for (int i = 0; i < 16; ++i) {
        plte.insert(plte.end(), {uint8_t(i * 17), uint8_t(200 - i * 9), uint8_t(i * 3)});
        trns.push_back(uint8_t(i < 2 ? 0 : 255));
    }
    test::png::Picture rgb;
    rgb.width = 10;
    rgb.height = 7;
    rgb.depth = 8;
    rgb.colourType = 2;
    for (uint32_t y = 0; y < 9; ++y)
        for (uint32_t x = 0; x < 13; ++x) pal.samples.push_back({uint16_t((x * 5 + y * 3) % 16)});
    for (uint32_t y = 0; y < 7; ++y)
        for (uint32_t x = 0; x < 10; ++x)
            rgb.samples.push_back({uint16_t(x * 25), uint16_t(y * 36), uint16_t((x + y) * 12)});
    auto mixed = [](int r) { return r % 5; };
    const std::pair<const char*, Bytes> files[] = {
        {"palette",
         test::png::Encode(pal, true, mixed,
                           {test::png::Chunk("PLTE", plte), test::png::Chunk("tRNS", trns)})},
        {"rgb", test::png::Encode(rgb, true, mixed)},
        {"rgba",
         ui::EncodePng(
             2, 2, {Bgra(1, 2, 3), Bgra(4, 5, 6, 200), Bgra(7, 8, 9, 255), Bgra(255, 255, 255)})},
    };
    for (const auto& [name, bytes] : files) {
        auto ours = ui::LoadImageFile(Write(std::string(name) + ".png", bytes));
        auto theirs = ui::LoadImageFile(Write(std::string(name) + ".picture", bytes));
        ASSERT_EQ(ours->width(), theirs->width()) << name;
        ASSERT_EQ(ours->height(), theirs->height()) << name;
        for (int y = 0; y < ours->height(); ++y)
            for (int x = 0; x < ours->width(); ++x) {
                uint32_t a = ours->Pixel(x, y), b = theirs->Pixel(x, y);
                // Fully transparent pixels may carry any colour.
                if ((a >> 24) == 0 && (b >> 24) == 0) continue;
                EXPECT_EQ(a, b) << name << " at " << x << "," << y;
            }
    }
}

}  // namespace
}  // namespace cx

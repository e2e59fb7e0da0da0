// The decoder against files built byte by byte: every colour type and bit
// depth, every row filter, Adam7 interlacing, and the program's own encoder.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "PngKit.h"
#include "platform/Error.h"
#include "widgets/Image.h"

namespace cx {
namespace {

using test::png::Bgra;
using test::png::Bytes;
using test::png::Picture;
using Samples = std::vector<uint16_t>;

Picture Make(uint32_t w, uint32_t h, int depth, int colourType,
             const std::function<Samples(uint32_t, uint32_t)>& gen) {
    Picture p;
    p.width = w;
    p.height = h;
    p.depth = depth;
    p.colourType = colourType;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) p.samples.push_back(gen(x, y));
    return p;
}

// Expects every pixel of the decoded picture to be `expect(x, y)`.
void ExpectPixels(const ui::Image& img, uint32_t w, uint32_t h,
                  const std::function<uint32_t(uint32_t, uint32_t)>& expect,
                  const std::string& what) {
    ASSERT_EQ(img.width(), static_cast<int>(w)) << what;
    ASSERT_EQ(img.height(), static_cast<int>(h)) << what;
    int wrong = 0;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            if (img.Pixel(x, y) != expect(x, y) && ++wrong <= 3)
                ADD_FAILURE() << what << ": pixel " << x << "," << y << " is " << std::hex
                              << img.Pixel(x, y) << ", want " << expect(x, y);
}

ui::Image Decode(const Bytes& file) { return ui::DecodePng(file); }

const auto kNoFilter = [](int) { return 0; };
const auto kMixedFilters = [](int row) { return row % 5; };

// A fixed pseudo-random sequence, so failures repeat.
struct Lcg {
    uint32_t state;
    uint32_t Next() { return state = state * 1664525u + 1013904223u; }
};

TEST(PngRoundTrip, OwnEncoderKeepsEveryPixelAtAnySize) {
    const std::pair<int, int> sizes[] = {{1, 1}, {2, 1},   {1, 3},  {3, 2},
                                         {7, 5}, {33, 17}, {257, 3}};
    Lcg rnd{7};
    for (auto [w, h] : sizes) {
        std::vector<uint32_t> px(size_t(w) * h);
        for (size_t i = 0; i < px.size(); ++i) {
            uint32_t v = rnd.Next();
            uint32_t alpha = i % 3 == 0 ? 0xFF000000u : i % 3 == 1 ? 0 : (v & 0xFF000000u);
            px[i] = ((v >> 4) & 0x00FFFFFFu) | alpha;  // colour kept under zero alpha too
        }
        Bytes file = ui::EncodePng(w, h, px);
        ASSERT_GT(file.size(), 33u);
        EXPECT_EQ(file[24], 8) << "bit depth";
        EXPECT_EQ(file[25], 6) << "colour type RGBA";
        ui::Image img = Decode(file);
        ASSERT_EQ(img.width(), w);
        ASSERT_EQ(img.height(), h);
        EXPECT_EQ(img.Pixels(), px) << w << "x" << h;
    }
}

// The formats the filter test runs over: the filters look back one whole
// pixel (4, 6, 2 bytes) or one byte for packed pixels.
struct Format {
    const char* name;
    int depth, colourType;
    std::function<Samples(uint32_t, uint32_t)> gen;
    std::function<uint32_t(uint32_t, uint32_t)> expect;
};

std::vector<Format> FilterFormats() {
    return {
        {"rgba8", 8, 6,
         [](uint32_t x, uint32_t y) {
             return Samples{uint16_t(x * 40), uint16_t(y * 30), uint16_t(x * y * 7),
                            uint16_t(255 - x * 20)};
         },
         [](uint32_t x, uint32_t y) {
             return Bgra(x * 40 & 255, y * 30 & 255, x * y * 7 & 255, (255 - x * 20) & 255);
         }},
        {"rgb16", 16, 2,
         [](uint32_t x, uint32_t y) {
             return Samples{uint16_t((x * 31) << 8 | 0x5A), uint16_t((y * 17) << 8 | 0xFF),
                            uint16_t(((x + y) * 9) << 8)};
         },
         [](uint32_t x, uint32_t y) {
             return Bgra(x * 31 & 255, y * 17 & 255, (x + y) * 9 & 255);
         }},
        {"grey+alpha8", 8, 4,
         [](uint32_t x, uint32_t y) {
             return Samples{uint16_t((x * 23 + y * 5) & 255), uint16_t((x * 50) & 255)};
         },
         [](uint32_t x, uint32_t y) {
             uint32_t g = (x * 23 + y * 5) & 255;
             return Bgra(g, g, g, (x * 50) & 255);
         }},
        {"grey1", 1, 0,
         [](uint32_t x, uint32_t y) { return Samples{uint16_t((x * 3 + y) % 3 == 0)}; },
         [](uint32_t x, uint32_t y) {
             uint32_t g = (x * 3 + y) % 3 == 0 ? 255 : 0;
             return Bgra(g, g, g);
         }},
    };
}

TEST(PngDecode, EveryFilterUndoneForEveryPixelLayout) {
    for (const Format& f : FilterFormats()) {
        const uint32_t w = 11, h = 7;
        Picture p = Make(w, h, f.depth, f.colourType, f.gen);
        for (int filter = 0; filter <= 5; ++filter) {
            auto pick = [filter](int row) { return filter == 5 ? row % 5 : filter; };
            std::string what =
                std::string(f.name) + " filter " + (filter == 5 ? "mixed" : std::to_string(filter));
            ExpectPixels(Decode(test::png::Encode(p, false, pick)), w, h, f.expect, what);
        }
    }
}

TEST(PngDecode, GreyAtEveryDepthWithItsTransparentGrey) {
    struct Case {
        int depth;
        uint16_t max;
        uint16_t clear;
    };
    for (Case c : {Case{1, 1, 1}, Case{2, 3, 2}, Case{4, 15, 15}, Case{8, 255, 7}}) {
        const uint32_t w = 13, h = 3;  // 13 packed samples leave padding bits at each row's end
        auto value = [c](uint32_t x, uint32_t y) { return uint16_t((x + y * 5) % (c.max + 1)); };
        Picture p =
            Make(w, h, c.depth, 0, [&](uint32_t x, uint32_t y) { return Samples{value(x, y)}; });
        Bytes file = test::png::Encode(p, false, kMixedFilters,
                                       {test::png::Chunk("tRNS", test::png::Be16(c.clear))});
        ExpectPixels(
            Decode(file), w, h,
            [&](uint32_t x, uint32_t y) {
                uint32_t v = value(x, y), g = v * 255 / c.max;
                return Bgra(g, g, g, v == c.clear ? 0 : 255);
            },
            "grey depth " + std::to_string(c.depth));
    }
    // At 16 bits the transparent grey is matched on all 16 bits, not on the byte shown.
    Picture p16 = Make(3, 1, 16, 0, [](uint32_t x, uint32_t) {
        return Samples{x == 0 ? uint16_t(0x1234) : x == 1 ? uint16_t(0x1235) : uint16_t(0xFFFF)};
    });
    ui::Image img = Decode(test::png::Encode(p16, false, kNoFilter,
                                             {test::png::Chunk("tRNS", test::png::Be16(0x1234))}));
    EXPECT_EQ(img.Pixel(0, 0), Bgra(0x12, 0x12, 0x12, 0));
    EXPECT_EQ(img.Pixel(1, 0), Bgra(0x12, 0x12, 0x12, 255));
    EXPECT_EQ(img.Pixel(2, 0), Bgra(255, 255, 255, 255));
}

TEST(PngDecode, PaletteAtEveryDepthWithAShortTransparencyTable) {
    const uint32_t colours[5] = {0x102030, 0xFF0000, 0x00FF00, 0x0000FF, 0xABCDEF};
    Bytes plte;
    for (uint32_t c : colours)
        plte.insert(plte.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
    // Three alpha values for five entries: the last two stay opaque.
    Bytes trns = {0, 128, 255};
    const uint8_t alpha[5] = {0, 128, 255, 255, 255};
    for (int depth : {1, 2, 4, 8}) {
        const uint32_t w = 9, h = 4;
        uint16_t limit = depth == 1 ? 2 : depth == 2 ? 4 : 5;
        auto index = [limit](uint32_t x, uint32_t y) { return uint16_t((x + 2 * y) % limit); };
        Picture p =
            Make(w, h, depth, 3, [&](uint32_t x, uint32_t y) { return Samples{index(x, y)}; });
        Bytes file =
            test::png::Encode(p, false, kMixedFilters,
                              {test::png::Chunk("PLTE", plte), test::png::Chunk("tRNS", trns)});
        ExpectPixels(
            Decode(file), w, h,
            [&](uint32_t x, uint32_t y) {
                uint32_t c = colours[index(x, y)];
                return (uint32_t(alpha[index(x, y)]) << 24) | c;
            },
            "palette depth " + std::to_string(depth));
    }
    // An index past the palette's end reads no further than the palette.
    Picture beyond =
        Make(2, 1, 8, 3, [](uint32_t x, uint32_t) { return Samples{uint16_t(x == 0 ? 1 : 200)}; });
    ui::Image img =
        Decode(test::png::Encode(beyond, false, kNoFilter, {test::png::Chunk("PLTE", plte)}));
    EXPECT_EQ(img.Pixel(0, 0), Bgra(255, 0, 0));
    EXPECT_EQ(img.Pixel(1, 0), Bgra(0, 0, 0, 255));
}

TEST(PngDecode, RgbWithATransparentColour) {
    Picture p8 = Make(2, 2, 8, 2, [](uint32_t x, uint32_t y) {
        return x == y ? Samples{10, 20, 30} : Samples{10, 20, 31};
    });
    Bytes t8 = test::png::Be16(10), g8 = test::png::Be16(20), b8 = test::png::Be16(30);
    t8.insert(t8.end(), g8.begin(), g8.end());
    t8.insert(t8.end(), b8.begin(), b8.end());
    ui::Image img = Decode(test::png::Encode(p8, false, kNoFilter, {test::png::Chunk("tRNS", t8)}));
    EXPECT_EQ(img.Pixel(0, 0), Bgra(10, 20, 30, 0));
    EXPECT_EQ(img.Pixel(1, 0), Bgra(10, 20, 31, 255));
    EXPECT_EQ(img.Pixel(1, 1), Bgra(10, 20, 30, 0));

    Picture p16 = Make(2, 1, 16, 2, [](uint32_t x, uint32_t) {
        return Samples{0x0A00, 0x1400, uint16_t(x == 0 ? 0x1E00 : 0x1E01)};
    });
    Bytes t16 = {0x0A, 0x00, 0x14, 0x00, 0x1E, 0x00};
    img = Decode(test::png::Encode(p16, false, kNoFilter, {test::png::Chunk("tRNS", t16)}));
    EXPECT_EQ(img.Pixel(0, 0), Bgra(10, 20, 30, 0));
    EXPECT_EQ(img.Pixel(1, 0), Bgra(10, 20, 30, 255));
}

TEST(PngDecode, SixteenBitAlphaTypesKeepTheHighByte) {
    Picture ga = Make(2, 1, 16, 4, [](uint32_t x, uint32_t) {
        return x == 0 ? Samples{0x80FF, 0x40FF} : Samples{0xFF00, 0x0001};
    });
    ui::Image img = Decode(test::png::Encode(ga, false, kMixedFilters));
    EXPECT_EQ(img.Pixel(0, 0), Bgra(0x80, 0x80, 0x80, 0x40));
    EXPECT_EQ(img.Pixel(1, 0), Bgra(0xFF, 0xFF, 0xFF, 0));

    Picture rgba = Make(1, 2, 16, 6, [](uint32_t, uint32_t y) {
        return y == 0 ? Samples{0x1122, 0x3344, 0x5566, 0x7788}
                      : Samples{0xFFFF, 0, 0xFFFF, 0xFFFF};
    });
    img = Decode(test::png::Encode(rgba, false, kMixedFilters));
    EXPECT_EQ(img.Pixel(0, 0), Bgra(0x11, 0x33, 0x55, 0x77));
    EXPECT_EQ(img.Pixel(0, 1), Bgra(0xFF, 0, 0xFF, 0xFF));
}

TEST(PngDecode, InterlacedPicturesOfEveryPassShape) {
    // Sizes where some of the seven passes are empty, and odd ones that leave
    // partial blocks at the right and bottom.
    const std::pair<uint32_t, uint32_t> sizes[] = {{1, 1}, {2, 2},   {3, 5},  {5, 3}, {8, 8},
                                                   {9, 9}, {13, 11}, {1, 17}, {17, 1}};
    Bytes plte;
    for (int i = 0; i < 16; ++i)
        plte.insert(plte.end(), {uint8_t(i * 16), uint8_t(255 - i * 16), uint8_t(i * 5)});
    for (auto [w, h] : sizes) {
        std::string size = std::to_string(w) + "x" + std::to_string(h);
        auto rgba = Make(w, h, 8, 6, [](uint32_t x, uint32_t y) {
            return Samples{uint16_t(x * 19 & 255), uint16_t(y * 23 & 255),
                           uint16_t((x ^ y) * 11 & 255), uint16_t(200 + x % 50)};
        });
        ExpectPixels(
            Decode(test::png::Encode(rgba, true, kMixedFilters)), w, h,
            [](uint32_t x, uint32_t y) {
                return Bgra(x * 19 & 255, y * 23 & 255, (x ^ y) * 11 & 255, 200 + x % 50);
            },
            "interlaced rgba8 " + size);

        auto grey2 = Make(
            w, h, 2, 0, [](uint32_t x, uint32_t y) { return Samples{uint16_t((x * 2 + y) % 4)}; });
        ExpectPixels(
            Decode(test::png::Encode(grey2, true, kMixedFilters)), w, h,
            [](uint32_t x, uint32_t y) {
                uint32_t g = (x * 2 + y) % 4 * 85;
                return Bgra(g, g, g);
            },
            "interlaced grey2 " + size);

        auto pal4 = Make(
            w, h, 4, 3, [](uint32_t x, uint32_t y) { return Samples{uint16_t((x + y * 3) % 16)}; });
        ExpectPixels(
            Decode(test::png::Encode(pal4, true, kMixedFilters, {test::png::Chunk("PLTE", plte)})),
            w, h,
            [](uint32_t x, uint32_t y) {
                uint32_t i = (x + y * 3) % 16;
                return Bgra(i * 16, 255 - i * 16, i * 5);
            },
            "interlaced palette4 " + size);

        auto rgb16 = Make(w, h, 16, 2, [](uint32_t x, uint32_t y) {
            return Samples{uint16_t(x << 12 | 0x0BC), uint16_t(y << 12), uint16_t(0xF00F)};
        });
        ExpectPixels(
            Decode(test::png::Encode(rgb16, true, kMixedFilters)), w, h,
            [](uint32_t x, uint32_t y) { return Bgra((x << 4) & 0xF0, (y << 4) & 0xF0, 0xF0); },
            "interlaced rgb16 " + size);
    }
}

TEST(PngDecode, ImageDataSplitIntoManyChunksAmongAncillaryOnes) {
    Picture p = Make(5, 4, 8, 2, [](uint32_t x, uint32_t y) {
        return Samples{uint16_t(x * 50), uint16_t(y * 60), 7};
    });
    Bytes zdata = test::png::Zlib(test::png::Scanlines(p, false, kMixedFilters));
    Bytes text = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'h', 'i'};
    Bytes file =
        test::png::File(test::png::IhdrChunk(5, 4, 8, 2),
                        {test::png::Chunk("gAMA", {0, 0, 0xB1, 0x8F}),
                         test::png::Chunk("tEXt", text), test::png::Chunk("vpAg", {1, 2, 3})},
                        zdata, 1);
    ExpectPixels(
        Decode(file), 5, 4, [](uint32_t x, uint32_t y) { return Bgra(x * 50, y * 60, 7); },
        "one byte per IDAT");
}

}  // namespace
}  // namespace cx

// Damaged and hostile PNG data must end in AppError, never in a crash, a read
// past the data or an allocation the claimed size would need.
#include <gtest/gtest.h>

#include <string>

#include "PngKit.h"
#include "platform/Error.h"
#include "widgets/Image.h"

namespace cx {
namespace {

using test::png::Bytes;
using test::png::Chunk;
using test::png::IhdrChunk;

const Bytes kSignature = {137, 80, 78, 71, 13, 10, 26, 10};

// A small valid file with most chunk kinds: palette, transparency, text, two IDATs.
Bytes SmallFile() {
    test::png::Picture p;
    p.width = 5;
    p.height = 3;
    p.depth = 4;
    p.colourType = 3;
    for (uint32_t i = 0; i < 15; ++i) p.samples.push_back({uint16_t(i % 3)});
    Bytes zdata = test::png::Zlib(test::png::Scanlines(p, false, [](int r) { return r % 5; }));
    return test::png::File(IhdrChunk(5, 3, 4, 3),
                           {Chunk("PLTE", {1, 2, 3, 4, 5, 6, 7, 8, 9}), Chunk("tRNS", {0, 99}),
                            Chunk("tEXt", {'k', 0, 'v'})},
                           zdata, zdata.size() / 2 + 1);
}

// A file with the given header and image data (rows of filter byte + pixels).
Bytes WithHeader(const Bytes& ihdr, const Bytes& raw, const std::vector<Bytes>& extra = {}) {
    return test::png::File(ihdr, extra, test::png::Zlib(raw));
}

void ExpectRejected(const Bytes& data, const std::string& what) {
    EXPECT_THROW(ui::DecodePng(data), AppError) << what;
}

TEST(PngMalformed, TheSmallFileItselfDecodes) {
    ui::Image img = ui::DecodePng(SmallFile());
    EXPECT_EQ(img.width(), 5);
    EXPECT_EQ(img.Pixel(0, 0), 0x00010203u);  // index 0: colour 1,2,3 with alpha 0
    EXPECT_EQ(img.Pixel(2, 0), 0xFF070809u);  // index 2: past the tRNS table, opaque
}

TEST(PngMalformed, TruncatedAtEveryOffset) {
    Bytes file = SmallFile();
    for (size_t n = 0; n < file.size(); ++n)
        ExpectRejected(Bytes(file.begin(), file.begin() + static_cast<ptrdiff_t>(n)),
                       "cut at " + std::to_string(n));
}

TEST(PngMalformed, AnyCorruptedByte) {
    Bytes file = SmallFile();
    for (size_t i = 0; i < file.size(); ++i) {
        Bytes bad = file;
        bad[i] ^= 0x5A;
        ExpectRejected(bad, "byte " + std::to_string(i) + " changed");
    }
}

TEST(PngMalformed, ClaimedSizesBeyondWhatCanBeHeld) {
    const std::pair<uint32_t, uint32_t> sizes[] = {
        {0x7FFFFFFF, 1}, {1, 0x7FFFFFFF}, {0x80000000, 1}, {100000, 1},
        {4097, 4097},    {0, 5},          {5, 0},          {0xFFFFFFFF, 0xFFFFFFFF}};
    for (auto [w, h] : sizes)
        ExpectRejected(WithHeader(IhdrChunk(w, h, 8, 6), Bytes(5, 0)),
                       std::to_string(w) + "x" + std::to_string(h));
    // Allowed size, but far more pixels than a few bytes of deflate can make:
    // refused before the 128 MB of rows would be reserved.
    ExpectRejected(WithHeader(IhdrChunk(4096, 4096, 16, 6), Bytes(9, 0)), "4096x4096 from 9 bytes");
}

TEST(PngMalformed, DamagedOrShortImageData) {
    const Bytes ihdr = IhdrChunk(2, 2, 8, 0);
    const Bytes rows = {0, 1, 2, 0, 3, 4};
    ExpectRejected(test::png::File(ihdr, {}, {0x12, 0x34, 0x56, 0x78}), "not a zlib stream");
    Bytes z = test::png::Zlib(rows);
    z[3] ^= 0xFF;
    ExpectRejected(test::png::File(ihdr, {}, z), "damaged deflate data");
    ExpectRejected(WithHeader(ihdr, Bytes(rows.begin(), rows.end() - 1)), "one byte short");
    ExpectRejected(WithHeader(ihdr, {}), "empty stream");
    ExpectRejected(test::png::File(ihdr, {}, {}), "no IDAT at all");
    Bytes full = test::png::Zlib(rows);
    ExpectRejected(test::png::File(ihdr, {}, Bytes(full.begin(), full.end() - 6)),
                   "stream cut off");
    EXPECT_NO_THROW(ui::DecodePng(WithHeader(ihdr, rows))) << "the same rows, whole";
}

TEST(PngMalformed, UnknownRowFilter) {
    ExpectRejected(WithHeader(IhdrChunk(2, 2, 8, 0), {0, 1, 2, 5, 3, 4}), "filter 5");
    ExpectRejected(WithHeader(IhdrChunk(2, 2, 8, 0), {255, 1, 2, 0, 3, 4}), "filter 255");
}

TEST(PngMalformed, HeaderValuesTheFormatDoesNotHave) {
    struct Case {
        int depth, colourType;
    };
    for (Case c : {Case{4, 2}, Case{16, 3}, Case{1, 4}, Case{2, 6}, Case{8, 5}, Case{8, 1},
                   Case{3, 0}, Case{0, 0}, Case{32, 6}}) {
        ExpectRejected(
            WithHeader(IhdrChunk(1, 1, c.depth, c.colourType), Bytes(9, 0)),
            "depth " + std::to_string(c.depth) + " type " + std::to_string(c.colourType));
    }
    Bytes d = {0, 0, 0, 1, 0, 0, 0, 1, 8, 0, 0, 0, 0};
    auto variant = [&d](int at, uint8_t v) {
        Bytes x = d;
        x[at] = v;
        return WithHeader(Chunk("IHDR", x), {0, 0});
    };
    EXPECT_NO_THROW(ui::DecodePng(variant(12, 0)));
    ExpectRejected(variant(10, 1), "compression 1");
    ExpectRejected(variant(11, 1), "filter method 1");
    ExpectRejected(variant(12, 2), "interlace 2");
    ExpectRejected(WithHeader(Chunk("IHDR", Bytes(d.begin(), d.end() - 1)), {0, 0}),
                   "short header");
}

TEST(PngMalformed, ChunksOutOfPlaceOrWrong) {
    const Bytes grey = IhdrChunk(1, 1, 8, 0), pal = IhdrChunk(1, 1, 8, 3);
    const Bytes row = {0, 0};
    const Bytes plte = Chunk("PLTE", {1, 2, 3});
    ExpectRejected(WithHeader(pal, row), "palette picture without PLTE");
    ExpectRejected(WithHeader(pal, row, {Chunk("PLTE", {1, 2, 3, 4})}), "PLTE not a multiple of 3");
    ExpectRejected(WithHeader(pal, row, {Chunk("PLTE", Bytes(257 * 3, 1))}), "PLTE of 257 entries");
    ExpectRejected(WithHeader(pal, row, {plte, Chunk("tRNS", {1, 2})}),
                   "tRNS longer than the palette");
    ExpectRejected(WithHeader(pal, row, {Chunk("tRNS", {1}), plte}), "tRNS before PLTE");
    ExpectRejected(WithHeader(grey, row, {Chunk("tRNS", {1})}), "grey tRNS of one byte");
    ExpectRejected(WithHeader(grey, row, {Chunk("ABCD", {1})}), "unknown critical chunk");
    ExpectRejected(WithHeader(grey, row, {grey}), "second IHDR");

    Bytes noHeaderFirst = kSignature;
    Bytes text = Chunk("tEXt", {'a', 0, 'b'});
    noHeaderFirst.insert(noHeaderFirst.end(), text.begin(), text.end());
    Bytes rest = WithHeader(grey, row);
    noHeaderFirst.insert(noHeaderFirst.end(), rest.begin() + 8, rest.end());
    ExpectRejected(noHeaderFirst, "IHDR not first");

    Bytes hugeLength = WithHeader(grey, row);
    for (int i = 0; i < 4; ++i) hugeLength[33 + i] = 0xFF;  // the length of the chunk after IHDR
    ExpectRejected(hugeLength, "chunk length 0xFFFFFFFF");
    ExpectRejected({}, "no data");
    ExpectRejected(Bytes(kSignature.begin(), kSignature.end() - 1), "part of the signature");
    Bytes png = WithHeader(grey, row);
    png[1] = 'p';
    ExpectRejected(png, "wrong signature");
}

TEST(PngMalformed, InconsistentSizesAreRefusedOnTheWayIn) {
    EXPECT_THROW(ui::EncodePng(2, 2, std::vector<uint32_t>(3)), AppError);
    EXPECT_THROW(ui::EncodePng(0, 2, {}), AppError);
    EXPECT_THROW(ui::EncodePng(-1, -1, std::vector<uint32_t>(1)), AppError);
    EXPECT_THROW(ui::Image(3, 3, std::vector<uint32_t>(8)), AppError);
    EXPECT_THROW(ui::Image(-2, -2, std::vector<uint32_t>(4)), AppError);
    EXPECT_TRUE(ui::Image(0, 5, {}).empty());
}

}  // namespace
}  // namespace cx

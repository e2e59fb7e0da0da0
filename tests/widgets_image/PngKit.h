#pragma once
// Builds PNG files byte by byte for the decoder tests: any colour type, bit
// depth, row filter and interlacing, with chunks that may be wrong on purpose.
// Independent of the program's own encoder so the two cannot share a mistake.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace cx::test::png {

using Bytes = std::vector<uint8_t>;

// A picture as the file holds it: per pixel, one sample per channel at the
// file's bit depth (palette index, grey, grey+alpha, RGB or RGBA).
struct Picture {
    uint32_t width = 0, height = 0;
    int depth = 8;
    int colourType = 6;
    std::vector<std::vector<uint16_t>> samples;  // row-major pixels
};

uint32_t Crc(const Bytes& typeAndData);
Bytes Chunk(const std::string& type, const Bytes& data);
Bytes IhdrChunk(uint32_t width, uint32_t height, int depth, int colourType, int interlace = 0);
Bytes Zlib(const Bytes& raw);
Bytes Be16(uint16_t v);

// Packs the picture into filtered scanlines (Adam7 passes when interlaced);
// `filterFor(n)` picks the filter (0..4) of the n-th row written.
Bytes Scanlines(const Picture& p, bool interlaced, const std::function<int(int)>& filterFor);

// A whole file: signature, IHDR, `extra` chunks, the zlib data in IDAT chunks
// of at most `idatPiece` bytes (0: one chunk), IEND.
Bytes File(const Bytes& ihdr, const std::vector<Bytes>& extra, const Bytes& zdata,
           size_t idatPiece = 0);

// The usual case: the picture with the given filters, plus extra chunks.
Bytes Encode(const Picture& p, bool interlaced, const std::function<int(int)>& filterFor,
             const std::vector<Bytes>& extra = {});

// Straight BGRA as the program keeps it.
constexpr uint32_t Bgra(uint32_t r, uint32_t g, uint32_t b, uint32_t a = 255) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

}  // namespace cx::test::png

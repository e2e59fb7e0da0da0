// PNG reading and writing on zlib. The decoder takes every colour type, bit
// depth and interlace method of the format and checks every chunk's CRC; the
// encoder writes what the skin needs: 8-bit RGBA, one IDAT.
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "platform/Error.h"
#include "widgets/Image.h"

namespace cx::ui {
namespace {

constexpr std::array<uint8_t, 8> kSignature = {137, 80, 78, 71, 13, 10, 26, 10};

// A file may claim any size up to 2^31 - 1 in either direction; a 32-bit
// process must refuse such claims before it allocates anything.
constexpr uint32_t kMaxSide = 16384;
constexpr uint64_t kMaxPixels = 4096ull * 4096ull;
// Deflate cannot expand data by more than about 1032:1, so image data that
// would need more than that from the IDAT bytes at hand cannot be there.
constexpr uint64_t kMaxDeflateRatio = 1040;

[[noreturn]] void Bad(const char* why) {
    throw AppError(std::string("The picture is not a valid PNG file (") + why + ").");
}

uint32_t Be32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

uint32_t Crc(const uint8_t* p, size_t n) {
    return static_cast<uint32_t>(crc32(crc32(0, nullptr, 0), p, static_cast<uInt>(n)));
}

bool IsType(const uint8_t* type, const char* name) { return std::memcmp(type, name, 4) == 0; }

struct Header {
    uint32_t width = 0;
    uint32_t height = 0;
    int depth = 0;
    int colourType = 0;
    bool interlaced = false;

    int Channels() const {
        switch (colourType) {
        case 2: return 3;
        case 4: return 2;
        case 6: return 4;
        default: return 1;  // grey, palette
        }
    }
    int BitsPerPixel() const { return Channels() * depth; }
    // The byte distance the filters look back: a whole pixel, at least one byte.
    size_t FilterStep() const { return static_cast<size_t>(std::max(1, BitsPerPixel() / 8)); }
    uint64_t RowBytes(uint32_t pixels) const {
        return (uint64_t{pixels} * static_cast<uint64_t>(BitsPerPixel()) + 7) / 8;
    }
};

Header ParseHeader(const uint8_t* p, uint32_t len) {
    if (len != 13) Bad("header size");
    Header h;
    h.width = Be32(p);
    h.height = Be32(p + 4);
    h.depth = p[8];
    h.colourType = p[9];
    if (h.width == 0 || h.height == 0) Bad("empty picture");
    if (h.width > kMaxSide || h.height > kMaxSide || uint64_t{h.width} * h.height > kMaxPixels)
        Bad("picture too large");
    bool depthOk = false;
    switch (h.colourType) {
    case 0:
        depthOk = h.depth == 1 || h.depth == 2 || h.depth == 4 || h.depth == 8 || h.depth == 16;
        break;
    case 3: depthOk = h.depth == 1 || h.depth == 2 || h.depth == 4 || h.depth == 8; break;
    case 2:
    case 4:
    case 6: depthOk = h.depth == 8 || h.depth == 16; break;
    default: Bad("colour type");
    }
    if (!depthOk) Bad("bit depth");
    if (p[10] != 0) Bad("compression method");
    if (p[11] != 0) Bad("filter method");
    if (p[12] > 1) Bad("interlace method");
    h.interlaced = p[12] == 1;
    return h;
}

// One reduced picture of the interlaced file (or the whole picture).
struct Pass {
    uint32_t x0, y0, dx, dy;  // where its pixels sit in the full picture
    uint32_t width, height;
};

std::vector<Pass> Passes(const Header& h) {
    if (!h.interlaced) return {{0, 0, 1, 1, h.width, h.height}};
    static const uint32_t adam7[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                         {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    std::vector<Pass> passes;
    for (const auto& a : adam7) {
        Pass p{a[0], a[1], a[2], a[3], 0, 0};
        p.width = h.width > p.x0 ? (h.width - p.x0 + p.dx - 1) / p.dx : 0;
        p.height = h.height > p.y0 ? (h.height - p.y0 + p.dy - 1) / p.dy : 0;
        // An empty pass has no rows at all, not even filter bytes.
        if (p.width && p.height) passes.push_back(p);
    }
    return passes;
}

std::vector<uint8_t> Inflate(const std::vector<uint8_t>& in, size_t expected) {
    std::vector<uint8_t> out(expected);
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) Bad("decompressor");
    zs.next_in = const_cast<Bytef*>(in.data());
    zs.avail_in = static_cast<uInt>(in.size());
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(out.size());
    int rc = inflate(&zs, Z_FINISH);
    uInt missing = zs.avail_out;
    inflateEnd(&zs);
    // A stream that goes on after the picture is complete is tolerated, as
    // other readers do; one that stops short or is damaged is not.
    if (rc == Z_STREAM_END || ((rc == Z_OK || rc == Z_BUF_ERROR) && missing == 0)) {
        if (missing != 0) Bad("image data too short");
        return out;
    }
    if (rc == Z_OK || rc == Z_BUF_ERROR) Bad("image data too short");
    Bad("damaged image data");
}

uint8_t Paeth(int a, int b, int c) {
    int p = a + b - c;
    int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
    if (pb <= pc) return static_cast<uint8_t>(b);
    return static_cast<uint8_t>(c);
}

// Undoes the row filters of one pass in place; `rows` points at the first
// filter byte, `prior` is a zeroed row for the first line.
void Unfilter(uint8_t* rows, size_t rowBytes, uint32_t height, size_t step) {
    std::vector<uint8_t> zero(rowBytes, 0);
    const uint8_t* prior = zero.data();
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* line = rows + y * (rowBytes + 1);
        uint8_t filter = line[0];
        uint8_t* cur = line + 1;
        switch (filter) {
        case 0: break;
        case 1:
            for (size_t i = step; i < rowBytes; ++i)
                cur[i] = static_cast<uint8_t>(cur[i] + cur[i - step]);
            break;
        case 2:
            for (size_t i = 0; i < rowBytes; ++i) cur[i] = static_cast<uint8_t>(cur[i] + prior[i]);
            break;
        case 3:
            for (size_t i = 0; i < rowBytes; ++i) {
                int left = i >= step ? cur[i - step] : 0;
                cur[i] = static_cast<uint8_t>(cur[i] + ((left + prior[i]) >> 1));
            }
            break;
        case 4:
            for (size_t i = 0; i < rowBytes; ++i) {
                int left = i >= step ? cur[i - step] : 0;
                int upLeft = i >= step ? prior[i - step] : 0;
                cur[i] = static_cast<uint8_t>(cur[i] + Paeth(left, prior[i], upLeft));
            }
            break;
        default: Bad("row filter");
        }
        prior = cur;
    }
}

struct Palette {
    // Indices past the palette's end show as opaque black rather than reading
    // beyond it; the format calls such files wrong but other readers show them.
    std::array<uint32_t, 256> colours;
    size_t count = 0;
    Palette() { colours.fill(0xFF000000u); }
};

struct Transparency {
    bool present = false;
    uint16_t grey = 0, red = 0, green = 0, blue = 0;
};

uint32_t Bgra(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

class PixelReader {
public:
    PixelReader(const Header& h, const Palette& pal, const Transparency& trns)
        : h_(h), pal_(pal), trns_(trns) {}

    uint32_t At(const uint8_t* row, uint32_t i) const {
        switch (h_.colourType) {
        case 0: {
            uint32_t v = Sample(row, i);
            uint32_t g = To8(v);
            uint32_t a = trns_.present && v == trns_.grey ? 0 : 255;
            return Bgra(g, g, g, a);
        }
        case 2: {
            uint32_t r = Sample(row, i * 3), g = Sample(row, i * 3 + 1), b = Sample(row, i * 3 + 2);
            bool clear = trns_.present && r == trns_.red && g == trns_.green && b == trns_.blue;
            return Bgra(To8(r), To8(g), To8(b), clear ? 0 : 255);
        }
        case 3: return pal_.colours[Sample(row, i)];
        case 4: {
            uint32_t g = To8(Sample(row, i * 2));
            return Bgra(g, g, g, To8(Sample(row, i * 2 + 1)));
        }
        default:
            return Bgra(To8(Sample(row, i * 4)), To8(Sample(row, i * 4 + 1)),
                        To8(Sample(row, i * 4 + 2)), To8(Sample(row, i * 4 + 3)));
        }
    }

private:
    // The n-th sample of a row, at the file's bit depth.
    uint32_t Sample(const uint8_t* row, uint32_t n) const {
        switch (h_.depth) {
        case 8: return row[n];
        case 16: return Be16(row + size_t{n} * 2);
        default: {
            size_t bit = size_t{n} * static_cast<size_t>(h_.depth);
            int shift = 8 - h_.depth - static_cast<int>(bit % 8);
            return (row[bit / 8] >> shift) & ((1u << h_.depth) - 1);
        }
        }
    }
    uint32_t To8(uint32_t v) const {
        switch (h_.depth) {
        case 16: return v >> 8;
        case 8: return v;
        default: return h_.colourType == 3 ? v : v * 255 / ((1u << h_.depth) - 1);
        }
    }

    const Header& h_;
    const Palette& pal_;
    const Transparency& trns_;
};

void PutChunk(std::vector<uint8_t>& out, const char* type, const uint8_t* data, size_t len) {
    auto put32 = [&out](uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
    };
    put32(static_cast<uint32_t>(len));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    if (len) out.insert(out.end(), data, data + len);
    put32(Crc(out.data() + start, len + 4));
}

}  // namespace

Image DecodePng(const std::vector<uint8_t>& data) {
    if (data.size() < kSignature.size() ||
        !std::equal(kSignature.begin(), kSignature.end(), data.begin()))
        Bad("signature");

    Header header;
    bool haveHeader = false, haveEnd = false, havePalette = false;
    Palette palette;
    Transparency trns;
    std::vector<uint8_t> idat;

    size_t pos = kSignature.size();
    while (!haveEnd) {
        if (data.size() - pos < 12) Bad("file ends inside a chunk");
        uint32_t len = Be32(&data[pos]);
        if (len > 0x7FFFFFFFu || len > data.size() - pos - 12) Bad("file ends inside a chunk");
        const uint8_t* type = &data[pos + 4];
        const uint8_t* body = type + 4;
        if (Crc(type, size_t{len} + 4) != Be32(body + len)) Bad("chunk checksum");
        pos += size_t{len} + 12;

        if (!haveHeader) {
            if (!IsType(type, "IHDR")) Bad("no header");
            header = ParseHeader(body, len);
            haveHeader = true;
        } else if (IsType(type, "IHDR")) {
            Bad("second header");
        } else if (IsType(type, "PLTE")) {
            if (havePalette || !idat.empty()) Bad("misplaced palette");
            if (len == 0 || len % 3 != 0 || len / 3 > 256) Bad("palette size");
            havePalette = true;
            palette.count = len / 3;
            for (size_t i = 0; i < palette.count; ++i)
                palette.colours[i] = Bgra(body[i * 3], body[i * 3 + 1], body[i * 3 + 2], 255);
        } else if (IsType(type, "tRNS")) {
            if (!idat.empty()) continue;  // too late to matter; ancillary
            if (header.colourType == 3) {
                if (!havePalette || len > palette.count) Bad("transparency size");
                for (size_t i = 0; i < len; ++i)
                    palette.colours[i] =
                        (palette.colours[i] & 0x00FFFFFFu) | (uint32_t{body[i]} << 24);
            } else if (header.colourType == 0) {
                if (len != 2) Bad("transparency size");
                trns.present = true;
                trns.grey = Be16(body);
            } else if (header.colourType == 2) {
                if (len != 6) Bad("transparency size");
                trns.present = true;
                trns.red = Be16(body);
                trns.green = Be16(body + 2);
                trns.blue = Be16(body + 4);
            }
            // Types with an alpha channel carry no tRNS; one there is ignored.
        } else if (IsType(type, "IDAT")) {
            if (header.colourType == 3 && !havePalette) Bad("no palette");
            idat.insert(idat.end(), body, body + len);
        } else if (IsType(type, "IEND")) {
            haveEnd = true;
        } else if (!(type[0] & 0x20)) {
            Bad("unknown critical chunk");  // ancillary chunks (lower-case first letter) are
                                            // skipped
        }
    }
    if (idat.empty()) Bad("no image data");

    std::vector<Pass> passes = Passes(header);
    uint64_t expected = 0;
    for (const Pass& p : passes) expected += (header.RowBytes(p.width) + 1) * p.height;
    if (expected > uint64_t{idat.size()} * kMaxDeflateRatio + 1024) Bad("image data too short");
    std::vector<uint8_t> raw = Inflate(idat, static_cast<size_t>(expected));
    idat = {};

    std::vector<uint32_t> pixels(size_t{header.width} * header.height);
    PixelReader reader(header, palette, trns);
    size_t offset = 0;
    for (const Pass& p : passes) {
        size_t rowBytes = static_cast<size_t>(header.RowBytes(p.width));
        Unfilter(raw.data() + offset, rowBytes, p.height, header.FilterStep());
        for (uint32_t y = 0; y < p.height; ++y) {
            const uint8_t* row = raw.data() + offset + y * (rowBytes + 1) + 1;
            uint32_t* dest = pixels.data() + size_t{p.y0 + y * p.dy} * header.width;
            for (uint32_t x = 0; x < p.width; ++x) dest[p.x0 + x * p.dx] = reader.At(row, x);
        }
        offset += (rowBytes + 1) * p.height;
    }
    return Image(static_cast<int>(header.width), static_cast<int>(header.height),
                 std::move(pixels));
}

std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint32_t>& bgra) {
    if (width <= 0 || height <= 0 || static_cast<uint32_t>(width) > kMaxSide ||
        static_cast<uint32_t>(height) > kMaxSide || uint64_t(width) * uint64_t(height) > kMaxPixels)
        throw AppError("A picture of this size cannot be saved as PNG.");
    if (bgra.size() != size_t(width) * size_t(height))
        throw AppError("The picture's pixels do not match its size.");

    const size_t rowBytes = size_t(width) * 4;
    std::vector<uint8_t> raw((rowBytes + 1) * size_t(height));
    std::vector<uint8_t> prior(rowBytes, 0), cur(rowBytes), trial(rowBytes);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t p = bgra[size_t(y) * size_t(width) + size_t(x)];
            cur[size_t(x) * 4 + 0] = static_cast<uint8_t>(p >> 16);
            cur[size_t(x) * 4 + 1] = static_cast<uint8_t>(p >> 8);
            cur[size_t(x) * 4 + 2] = static_cast<uint8_t>(p);
            cur[size_t(x) * 4 + 3] = static_cast<uint8_t>(p >> 24);
        }
        // Each row gets the filter whose output has the smallest sum of
        // magnitudes, the usual cheap guess at what deflates best.
        uint8_t* out = raw.data() + size_t(y) * (rowBytes + 1);
        uint64_t best = UINT64_MAX;
        for (uint8_t f = 0; f <= 4; ++f) {
            uint64_t sum = 0;
            for (size_t i = 0; i < rowBytes; ++i) {
                int left = i >= 4 ? cur[i - 4] : 0;
                int up = prior[i];
                int upLeft = i >= 4 ? prior[i - 4] : 0;
                int predicted = f == 0   ? 0
                                : f == 1 ? left
                                : f == 2 ? up
                                : f == 3 ? (left + up) >> 1
                                         : Paeth(left, up, upLeft);
                trial[i] = static_cast<uint8_t>(cur[i] - predicted);
                sum += static_cast<uint64_t>(std::abs(static_cast<int8_t>(trial[i])));
            }
            if (sum < best) {
                best = sum;
                out[0] = f;
                std::copy(trial.begin(), trial.end(), out + 1);
            }
        }
        std::swap(prior, cur);
    }

    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) !=
        Z_OK)
        throw AppError("The picture could not be compressed.");
    packed.resize(packedSize);

    std::vector<uint8_t> out(kSignature.begin(), kSignature.end());
    uint8_t ihdr[13] = {};
    for (int i = 0; i < 4; ++i) {
        ihdr[i] = static_cast<uint8_t>(uint32_t(width) >> (24 - 8 * i));
        ihdr[4 + i] = static_cast<uint8_t>(uint32_t(height) >> (24 - 8 * i));
    }
    ihdr[8] = 8;  // bits per sample
    ihdr[9] = 6;  // RGBA
    PutChunk(out, "IHDR", ihdr, sizeof ihdr);
    PutChunk(out, "IDAT", packed.data(), packed.size());
    PutChunk(out, "IEND", nullptr, 0);
    return out;
}

}  // namespace cx::ui

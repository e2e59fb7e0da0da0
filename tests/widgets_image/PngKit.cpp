#include "PngKit.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace cx::test::png {

uint32_t Crc(const Bytes& b) {
    return static_cast<uint32_t>(
        crc32(crc32(0, nullptr, 0), b.data(), static_cast<uInt>(b.size())));
}

// Appends without vector::insert, over which GCC 12 reports false overreads.
static void Append(Bytes& to, const Bytes& from) {
    size_t n = to.size();
    to.resize(n + from.size());
    if (!from.empty()) std::memcpy(&to[n], from.data(), from.size());
}

static void Put32(Bytes& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
}

Bytes Be16(uint16_t v) { return {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)}; }

Bytes Chunk(const std::string& type, const Bytes& data) {
    Bytes body(type.begin(), type.end());
    Append(body, data);
    Bytes out;
    Put32(out, static_cast<uint32_t>(data.size()));
    Append(out, body);
    Put32(out, Crc(body));
    return out;
}

Bytes IhdrChunk(uint32_t w, uint32_t h, int depth, int colourType, int interlace) {
    Bytes d;
    Put32(d, w);
    Put32(d, h);
    d.push_back(static_cast<uint8_t>(depth));
    d.push_back(static_cast<uint8_t>(colourType));
    d.push_back(0);
    d.push_back(0);
    d.push_back(static_cast<uint8_t>(interlace));
    return Chunk("IHDR", d);
}

Bytes Zlib(const Bytes& raw) {
    uLongf n = compressBound(static_cast<uLong>(raw.size()));
    Bytes out(n);
    if (compress(out.data(), &n, raw.data(), static_cast<uLong>(raw.size())) != Z_OK)
        throw std::runtime_error("compress failed");
    out.resize(n);
    return out;
}

static int Channels(int colourType) {
    return colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
}

// Packs one row of samples MSB first at the bit depth.
static Bytes PackRow(const Picture& p, const std::vector<const std::vector<uint16_t>*>& pixels) {
    Bytes row;
    int bits = 0;
    uint32_t acc = 0;
    for (const auto* px : pixels) {
        for (uint16_t s : *px) {
            if (p.depth == 16) {
                row.push_back(static_cast<uint8_t>(s >> 8));
                row.push_back(static_cast<uint8_t>(s));
            } else {
                acc = (acc << p.depth) | (s & ((1u << p.depth) - 1));
                bits += p.depth;
                if (bits == 8) {
                    row.push_back(static_cast<uint8_t>(acc));
                    acc = 0;
                    bits = 0;
                }
            }
        }
    }
    if (bits) row.push_back(static_cast<uint8_t>(acc << (8 - bits)));
    return row;
}

static int PaethPredict(int a, int b, int c) {
    int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

static void FilterRows(const std::vector<Bytes>& rows, size_t step,
                       const std::function<int(int)>& filterFor, int& counter, Bytes& out) {
    Bytes prior;
    for (const Bytes& row : rows) {
        if (prior.empty()) prior.assign(row.size(), 0);
        int f = filterFor(counter++);
        out.push_back(static_cast<uint8_t>(f));
        for (size_t i = 0; i < row.size(); ++i) {
            int a = i >= step ? row[i - step] : 0, b = prior[i],
                c = i >= step ? prior[i - step] : 0;
            int pred = f == 0   ? 0
                       : f == 1 ? a
                       : f == 2 ? b
                       : f == 3 ? (a + b) / 2
                       : f == 4 ? PaethPredict(a, b, c)
                                : 0;
            out.push_back(static_cast<uint8_t>(row[i] - pred));
        }
        prior = row;
    }
}

Bytes Scanlines(const Picture& p, bool interlaced, const std::function<int(int)>& filterFor) {
    const int bpp = Channels(p.colourType) * p.depth;
    const size_t step = bpp >= 8 ? static_cast<size_t>(bpp / 8) : 1;
    struct PassShape {
        uint32_t x0, y0, dx, dy;
    };
    std::vector<PassShape> passes;
    if (interlaced)
        passes = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                  {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    else
        passes = {{0, 0, 1, 1}};
    Bytes out;
    int counter = 0;
    for (const PassShape& ps : passes) {
        std::vector<Bytes> rows;
        for (uint32_t y = ps.y0; y < p.height; y += ps.dy) {
            std::vector<const std::vector<uint16_t>*> pixels;
            for (uint32_t x = ps.x0; x < p.width; x += ps.dx)
                pixels.push_back(&p.samples[y * p.width + x]);
            if (!pixels.empty()) rows.push_back(PackRow(p, pixels));
        }
        FilterRows(rows, step, filterFor, counter, out);
    }
    return out;
}

Bytes File(const Bytes& ihdr, const std::vector<Bytes>& extra, const Bytes& zdata,
           size_t idatPiece) {
    Bytes out = {137, 80, 78, 71, 13, 10, 26, 10};
    Append(out, ihdr);
    for (const Bytes& c : extra) Append(out, c);
    if (idatPiece == 0) idatPiece = zdata.size() ? zdata.size() : 1;
    for (size_t at = 0; at < zdata.size(); at += idatPiece) {
        Bytes piece(zdata.begin() + static_cast<ptrdiff_t>(at),
                    zdata.begin() + static_cast<ptrdiff_t>(std::min(zdata.size(), at + idatPiece)));
        Append(out, Chunk("IDAT", piece));
    }
    Append(out, Chunk("IEND", {}));
    return out;
}

Bytes Encode(const Picture& p, bool interlaced, const std::function<int(int)>& filterFor,
             const std::vector<Bytes>& extra) {
    return File(IhdrChunk(p.width, p.height, p.depth, p.colourType, interlaced ? 1 : 0), extra,
                Zlib(Scanlines(p, interlaced, filterFor)));
}

}  // namespace cx::test::png

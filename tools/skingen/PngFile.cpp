#include "PngFile.h"

#include <zlib.h>

#include <cstdio>

namespace skingen {
namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    Put32(out, static_cast<uint32_t>(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, out.data() + start, static_cast<uInt>(out.size() - start));
    Put32(out, static_cast<uint32_t>(crc));
}

}  // namespace

bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba) {
    // Every row uses the Up filter: the pictures are mostly vertical gradients
    // and flat areas, which it turns into runs of zeros.
    const size_t stride = size_t(width) * 4;
    std::vector<uint8_t> raw;
    raw.reserve((stride + 1) * size_t(height));
    for (int y = 0; y < height; ++y) {
        raw.push_back(2);
        const uint8_t* row = rgba.data() + size_t(y) * stride;
        for (size_t i = 0; i < stride; ++i)
            raw.push_back(static_cast<uint8_t>(row[i] - (y > 0 ? row[i - stride] : 0)));
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) !=
        Z_OK) {
        std::fprintf(stderr, "skingen: cannot compress %s\n", path.c_str());
        return false;
    }
    packed.resize(packedSize);

    std::vector<uint8_t> out = {137, 80, 78, 71, 13, 10, 26, 10};
    std::vector<uint8_t> ihdr;
    Put32(ihdr, static_cast<uint32_t>(width));
    Put32(ihdr, static_cast<uint32_t>(height));
    ihdr.insert(ihdr.end(),
                {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, standard filters, no interlace
    Chunk(out, "IHDR", ihdr);
    Chunk(out, "IDAT", packed);
    Chunk(out, "IEND", {});

    return WriteBytes(path, out);
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::perror(("skingen: " + path).c_str());
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) std::fprintf(stderr, "skingen: cannot write %s\n", path.c_str());
    return ok;
}

}  // namespace skingen

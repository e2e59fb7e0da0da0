#include "IcoFile.h"
#include "PngFile.h"

#include <cstdio>

namespace skingen {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// One image as an icon resource holds it: a BITMAPINFOHEADER whose height counts
// the colour rows and the mask rows, BGRA rows bottom to top, then the mask
// (1 = see-through) in rows padded to four bytes, also bottom to top.
std::vector<uint8_t> IconBitmap(const IconImage& image) {
    const int n = image.size;
    const size_t maskStride = ((size_t(n) + 31) / 32) * 4;
    std::vector<uint8_t> out;
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(n));
    Put32(out, static_cast<uint32_t>(n * 2));
    Put16(out, 1);   // planes
    Put16(out, 32);  // bits per pixel
    Put32(out, 0);   // BI_RGB
    Put32(out, static_cast<uint32_t>(size_t(n) * n * 4 + maskStride * n));
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    for (int y = n - 1; y >= 0; --y) {
        for (int x = 0; x < n; ++x) {
            const uint8_t* p = image.rgba.data() + (size_t(y) * n + x) * 4;
            out.insert(out.end(), {p[2], p[1], p[0], p[3]});
        }
    }
    for (int y = n - 1; y >= 0; --y) {
        std::vector<uint8_t> row(maskStride, 0);
        for (int x = 0; x < n; ++x)
            if (image.rgba[(size_t(y) * n + x) * 4 + 3] == 0)
                row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}  // namespace

bool WriteIco(const std::string& path, const std::vector<IconImage>& images) {
    std::vector<std::vector<uint8_t>> bitmaps;
    for (const IconImage& image : images) {
        if (image.size <= 0 || image.size > 255 ||
            image.rgba.size() != size_t(image.size) * image.size * 4) {
            std::fprintf(stderr, "skingen: bad icon image for %s\n", path.c_str());
            return false;
        }
        bitmaps.push_back(IconBitmap(image));
    }
    std::vector<uint8_t> out;
    Put16(out, 0);  // reserved
    Put16(out, 1);  // an icon, not a cursor
    Put16(out, static_cast<uint32_t>(images.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.push_back(static_cast<uint8_t>(images[i].size));
        out.push_back(static_cast<uint8_t>(images[i].size));
        out.push_back(0);  // no palette
        out.push_back(0);
        Put16(out, 1);
        Put16(out, 32);
        Put32(out, static_cast<uint32_t>(bitmaps[i].size()));
        Put32(out, offset);
        offset += static_cast<uint32_t>(bitmaps[i].size());
    }
    for (const auto& b : bitmaps) out.insert(out.end(), b.begin(), b.end());

    return WriteBytes(path, out);
}

}  // namespace skingen

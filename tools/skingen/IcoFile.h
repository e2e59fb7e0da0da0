#pragma once
// Writes Windows icon files: several sizes of one picture, each a 32-bit image
// with alpha (and the 1-bit mask older readers expect). Like the PNG writer the
// output depends only on the pixels.
#include <cstdint>
#include <string>
#include <vector>

namespace skingen {

struct IconImage {
    int size = 0;               // square, at most 255 pixels
    std::vector<uint8_t> rgba;  // rows top to bottom, straight alpha
};

// Returns false (with a message on stderr) when the file cannot be written.
bool WriteIco(const std::string& path, const std::vector<IconImage>& images);

}  // namespace skingen

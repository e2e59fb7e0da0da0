#pragma once
// Writes 8-bit RGBA pictures as PNG files. The output depends only on the
// pixels (no time stamps), so a rebuild gives the same bytes.
#include <cstdint>
#include <string>
#include <vector>

namespace skingen {

// `rgba`: rows top to bottom, four bytes a pixel, straight alpha. Returns false
// (with a message on stderr) when the file cannot be written.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba);

// Writes `bytes` as the whole file; false (with a message on stderr) when it cannot.
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace skingen

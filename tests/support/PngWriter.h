// Writes 24-bit RGB pictures as PNG files (stored deflate blocks: large but simple and exact).
// Portable; used by tests to save screenshots for people to look at.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nvtest {

// rgb holds width * height pixels, three bytes each, rows from the top.
std::vector<std::uint8_t> EncodePng(int width, int height, const std::vector<std::uint8_t>& rgb);
bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb);

} // namespace nvtest

// The 24-bit BMP the tool writes for its colour pictures, read back for tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace txr::test {

// A 24-bit BMP as the tool writes its colour pictures, read field by field: every header field
// checked, pixels as 0xRRGGBB, top row first.
struct ColourBmp {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rgb;
    std::uint32_t at(int x, int y) const { return rgb[static_cast<std::size_t>(y * width + x)]; }
};

// Reads `path`; an empty picture when it is not such a file.
ColourBmp readColourBmp(const std::string& path);

}  // namespace txr::test

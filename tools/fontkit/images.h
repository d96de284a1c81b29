// The pictures the font kit and the tool write out: one-bit images and RGB images, in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace txr::fontkit {

// A one-bit image: `rows` top first, `stride` bytes each, leftmost dot in the most significant
// bit; a set bit is ink (written black), a clear bit paper (written white).
struct OneBitImage {
    int width = 0;
    int height = 0;
    std::size_t stride = 0;
    std::vector<std::uint8_t> rows;
};

// An RGB image: width x height pixels, 3 bytes each, rows top first, no padding.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    RgbImage() = default;
    RgbImage(int imageWidth, int imageHeight, std::uint32_t fill);
    void set(int x, int y, std::uint32_t rgb);
    std::uint32_t at(int x, int y) const;
    void fillRect(int x, int y, int w, int h, std::uint32_t rgb);
};

}  // namespace txr::fontkit

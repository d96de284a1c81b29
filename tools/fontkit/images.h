// The colour pictures the font kit and the tool write out, in memory (one-bit pictures are the
// library's txr::StringImage).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace txr::fontkit {

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

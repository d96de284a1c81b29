// PNG output through libpng: one-bit grey images from one-bit rows, and RGB images.
#pragma once

#include <cstdint>
#include <string>
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

// Largest side we write; far beyond any label or specimen, it keeps a size error from asking
// libpng for gigabytes.
constexpr int kPngMaxSide = 1 << 15;

// Write to a temporary file beside `path` and rename it; false with `error` set (path and reason)
// when the image is malformed or cannot be written. A failure leaves no file behind.
bool writeOneBitPng(const std::string& path, const OneBitImage& image, std::string& error);
bool writeRgbPng(const std::string& path, const RgbImage& image, std::string& error);

}  // namespace txr::fontkit

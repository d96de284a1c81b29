// RGB images: pixels set, read and filled, every access clipped to the image.
#include "fontkit/images.h"

#include <algorithm>

namespace txr::fontkit {

RgbImage::RgbImage(int imageWidth, int imageHeight, std::uint32_t fill)
    : width(imageWidth > 0 ? imageWidth : 0), height(imageHeight > 0 ? imageHeight : 0) {
    pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    fillRect(0, 0, width, height, fill);
}

void RgbImage::set(int x, int y, std::uint32_t rgb) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                            static_cast<std::size_t>(x)) *
                           3;
    pixels[at] = static_cast<std::uint8_t>(rgb >> 16);
    pixels[at + 1] = static_cast<std::uint8_t>(rgb >> 8);
    pixels[at + 2] = static_cast<std::uint8_t>(rgb);
}

std::uint32_t RgbImage::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    const std::size_t index = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                               static_cast<std::size_t>(x)) *
                              3;
    return (static_cast<std::uint32_t>(pixels[index]) << 16) |
           (static_cast<std::uint32_t>(pixels[index + 1]) << 8) | pixels[index + 2];
}

void RgbImage::fillRect(int x, int y, int w, int h, std::uint32_t rgb) {
    for (int row = std::max(y, 0); row < std::min(y + h, height); ++row) {
        for (int column = std::max(x, 0); column < std::min(x + w, width); ++column) {
            set(column, row, rgb);
        }
    }
}

}  // namespace txr::fontkit

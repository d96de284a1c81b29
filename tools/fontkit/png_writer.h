// PNG output through libpng: one-bit grey images from the ink rows of a StringImage, and RGB
// images. A build without libpng has writers that refuse (fontkit/optional_libraries.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fontkit/images.h"
#include "txr/string_image.h"

namespace txr::fontkit {

// Largest side we write; far beyond any label or specimen, it keeps a size error from asking
// libpng for gigabytes.
constexpr int kPngMaxSide = 1 << 15;

// Write to a temporary file beside `path` and rename it; false with `error` set (path and reason)
// when the image is malformed or cannot be written. A failure leaves no file behind. With
// `dotsPerInch` above 0 the file records that resolution (a pHYs chunk in dots per metre) so that
// viewers show it at print size.
bool writeOneBitPng(const std::string& path, const StringImage& image, std::string& error,
                    int dotsPerInch = 0);
// The same one-bit PNG in memory: empty with `error` set when the image is malformed.
std::vector<std::uint8_t> oneBitPngBytes(const StringImage& image, std::string& error,
                                         int dotsPerInch = 0);
bool writeRgbPng(const std::string& path, const RgbImage& image, std::string& error,
                 int dotsPerInch = 0);

}  // namespace txr::fontkit

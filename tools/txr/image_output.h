// Writing the tool's pictures: BMP files exactly as the library writes them, colour pictures as
// 24-bit BMP, one-bit and colour PNGs where the build has libpng; every one to a temporary file
// beside the target that is then renamed over it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fontkit/images.h"
#include "txr/TXR.h"
#include "txr/string_image.h"

namespace txr::tool {

enum class ImageFormat { bmp, png };

// By the file name's ending (.bmp or .png, any case); throws CLI::ValidationError otherwise, and
// ToolError(kExitUsage) for .png in a build that writes no PNG.
ImageFormat imageFormatOf(const std::string& path);

// The help of an -o option: "<what>, ending in .bmp or .png", as this build offers.
std::string outputOptionHelp(const std::string& what);

// GetBmpFile into a temporary file beside `path`, renamed to `path`. Throws ToolError(kExitFailed)
// when the file cannot be written (no file is left behind) or the library drew nothing.
void writeLibraryBmp(CTXR& ctxr, const std::string& path, const CString& text);

// A colour picture as an uncompressed 24-bit BMP: 54 bytes of headers, rows bottom-up, blue,
// green and red bytes, each row padded with zeros to a multiple of 4 bytes. Empty when the file
// would not fit the format's 32-bit sizes.
std::vector<std::uint8_t> colourBmpBytes(const fontkit::RgbImage& image);

// Throw ToolError(kExitFailed) with the path and the reason when the file cannot be written. A
// PNG records `dotsPerInch` when it is above 0 (BMP files keep the library's 120 dots per metre).
void writePng(const std::string& path, const StringImage& image, int dotsPerInch);
// As BMP or PNG by the name's ending (see imageFormatOf).
void writePicture(const std::string& path, const fontkit::RgbImage& image, int dotsPerInch = 0);

// "nothing drawn" in words, with the measure the library took.
std::string nothingDrawn(const CTXR& ctxr);

}  // namespace txr::tool

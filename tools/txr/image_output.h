// Writing the tool's pictures: BMP files exactly as the library writes them, one-bit and colour
// PNGs, every one to a temporary file beside the target that is then renamed over it.
#pragma once

#include <string>

#include "facade/bmp_writer.h"
#include "fontkit/png_writer.h"
#include "txr/TXR.h"

namespace txr::tool {

enum class ImageFormat { bmp, png };

// By the file name's ending (.bmp or .png, any case); throws CLI::ValidationError otherwise.
ImageFormat imageFormatOf(const std::string& path, bool bmpAllowed = true);

// GetBmpFile into a temporary file beside `path`, renamed to `path`. Throws ToolError(kExitFailed)
// when the file cannot be written (no file is left behind) or the library drew nothing.
void writeLibraryBmp(CTXR& ctxr, const std::string& path, const CString& text);

// The library's picture (bottom-up rows, a set bit white) as top-down rows with a set bit for
// each black dot: the picture a one-bit PNG shows.
fontkit::OneBitImage blackDotRows(const OneBitImage& image);

// Throw ToolError(kExitFailed) with the path and the reason when the file cannot be written.
void writePng(const std::string& path, const fontkit::OneBitImage& image);
void writePng(const std::string& path, const fontkit::RgbImage& image);

// "nothing drawn" in words, with the measure the library took.
std::string nothingDrawn(const CTXR& ctxr);

}  // namespace txr::tool

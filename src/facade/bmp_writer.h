// The one-bit BMP files the library writes: reading the string bitmap's dots, turning them by
// quarter turns, and writing the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "txr/platform/afxgdi.h"

namespace txr {

// A one-bit image as a BMP stores it: rows bottom-up, dibStride(width) bytes each, leftmost dot in
// the most significant bit, a set bit white.
struct BmpRowsImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rows;

    std::size_t stride() const;
};

// The dots of `bitmap` (selected in `dc`) read with GetObjectA and GetDIBits.
BmpRowsImage readBitmapDots(CBitmap* bitmap, CDC* dc);
// The unturned BMP file of those dots, read straight into their place after the header.
std::vector<std::uint8_t> bitmapBmpFile(CBitmap* bitmap, CDC* dc);

// The image turned `quarterTurns` quarter turns clockwise (0 to 3) as seen on the device. Padding
// bits of the result are 0; those of the source are never read.
BmpRowsImage turnClockwise(const BmpRowsImage& image, int quarterTurns);
// The same for rows of width x height dots held elsewhere, written to `out`, which holds the
// turned image's stride x height bytes, all 0.
void turnInto(const std::uint8_t* rows, int width, int height, int quarterTurns, std::uint8_t* out);

// The whole BMP file of such rows turned: the rows go straight to their place after the header.
std::vector<std::uint8_t> turnedBmpFile(const std::uint8_t* rows, int width, int height,
                                        int quarterTurns, const RGBQUAD* colourTable = nullptr);

// The whole file: 14-byte file header, 40-byte info header, the colour table (black then white
// unless one is given), and the rows.
std::vector<std::uint8_t> bmpFileBytes(const BmpRowsImage& image,
                                       const RGBQUAD* colourTable = nullptr);

// The BMP file of the string bitmap's dots turned `quarterTurns` clockwise: what GetBmpFile
// writes.
std::vector<std::uint8_t> stringBmpFile(CBitmap* bitmap, CDC* dc, int quarterTurns);

// Writes `bytes` as the file at `path`, which is at every moment either the old file or the whole
// new one (see replaceFileWhole). Throws CFileException* when it cannot be written.
void writeWholeFile(const char* path, const std::vector<std::uint8_t>& bytes);

}  // namespace txr

// Engine B's glyph bitmap: the fetched rows turned into a one-bit DIB of one cell, and painting
// it magnified.
#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "common/one_bit_rows.h"
#include "txr/GeneraterB.h"

namespace {

// Bytes per DIB row and the bytes after a glyph row's own, by stored row width and resolution.
struct RowClass {
    std::size_t stride;
    unsigned char fill;
};

bool rowClassOf(int rowBits, int resolution, RowClass& out) {
    switch (rowBits) {
        case 16:
            out = {4, 0xFF};
            return true;
        case 32:
            // 203 dpi font 4 is 36 dots wide: the fill shows as its four rightmost paper columns.
            out = resolution == 203 ? RowClass{8, 0xFF} : RowClass{4, 0x00};  // 300: no fill
            return true;
        case 48:
            out = {8, 0x00};
            return true;
        default:
            return false;
    }
}

}  // namespace

void CGeneraterB::BuildBMP() {
    bitmapInfo = txr::MonoBitmapInfo::ofSize(cellWidth, cellHeight,
                                             static_cast<DWORD>(cellWidth) * cellHeight);

    RowClass rowClass{};
    if (!rowClassOf(rowBits, resolution, rowClass)) return;
    const std::size_t storedRowBytes = static_cast<std::size_t>(rowBits / 8);
    const std::size_t rows = cellHeight;
    flippedRows.assign(storedRowBytes * rows, 0);
    dibBits.assign(rowClass.stride * rows, 0);
    // A record whose glyph outgrows the buffer gets paper for the rows the buffer cannot hold.
    txr::flipRowsBounded(glyphBuffer, sizeof glyphBuffer, storedRowBytes, rows, flippedRows.data());
    txr::complementRows(flippedRows.data(), storedRowBytes, rows, dibBits.data(), rowClass.stride,
                        rowClass.fill);
}

void CGeneraterB::DrawOneword(CDC* dc, int x, int y) {
    if (dc == nullptr) return;
    const long long width = cellWidth;
    const long long height = cellHeight;
    // Never let the blit read past the rows BuildBMP made for the record now in force.
    if (dibBits.size() < txr::dibStride(width) * static_cast<std::size_t>(height)) return;
    const long long destX = static_cast<long long>(x) * scaleH;
    const long long destWidth = width * scaleH;
    const long long destHeight = height * scaleV;
    for (long long value : {destX, destWidth, destHeight}) {
        if (value < INT_MIN || value > INT_MAX) return;
    }
    // y is not magnified: it is used as given, in the device context's units.
    StretchDIBits(dc->m_hDC, static_cast<int>(destX), y, static_cast<int>(destWidth),
                  static_cast<int>(destHeight), 0, 0, cellWidth, cellHeight, dibBits.data(),
                  bitmapInfo.get(), DIB_RGB_COLORS, invert == 0 ? SRCCOPY : NOTSRCCOPY);
}

int CGeneraterB::GetCellW() const {
    return cellWidth;
}

int CGeneraterB::GetCellH() const {
    return cellHeight;
}

void CGeneraterB::ClearBuffer() {
    std::memset(glyphBuffer, 0, sizeof glyphBuffer);
}

// Engine A's glyph bitmap, metric getters and magnified painting of the glyph last fetched.
#include <cstdint>
#include <limits>

#include "common/big_endian.h"
#include "common/one_bit_rows.h"
#include "txr/GeneraterA.h"

namespace {

constexpr std::size_t kBaseLineAt = 38;
constexpr std::size_t kCellWidthAt = 40;
constexpr std::size_t kCellHeightAt = 42;
constexpr std::size_t kLeftOffsetAt = 0;
constexpr std::size_t kAscentAt = 1;
constexpr std::size_t kRowsAt = 4;
constexpr std::size_t kWidthAt = 5;
constexpr std::size_t kAdvanceAt = 6;

bool isRowClass(int rowBits) {
    return rowBits == 16 || rowBits == 32 || rowBits == 48 || rowBits == 64 || rowBits == 80;
}

bool fitsInt(std::int64_t value) {
    return value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max();
}

}  // namespace

void CGeneraterA::BuildBMP() {
    const int rows = glyphHeaderBuffer[kRowsAt];
    bitmapInfo = txr::MonoBitmapInfo::ofSize(
        rowBits, rows, static_cast<DWORD>(rows) * static_cast<DWORD>(rowBits));

    if (!isRowClass(rowBits)) return;
    const std::size_t glyphRowBytes = static_cast<std::size_t>(rowBits) / 8;
    const std::size_t rowCount = static_cast<std::size_t>(rows);
    if (rowCount * glyphRowBytes > kGlyphBufferSize) {
        // Only reachable when a host has rewritten the header fields by hand.
        dibBits.clear();
        flippedRows.clear();
        return;
    }
    const std::size_t stride = txr::dibStride(rowBits);
    flippedRows.assign(rowCount * glyphRowBytes, 0);
    dibBits.assign(rowCount * stride, 0);
    txr::flipRows(glyphBuffer, glyphRowBytes, rowCount, flippedRows.data());
    txr::complementRows(flippedRows.data(), glyphRowBytes, rowCount, dibBits.data(), stride, 0xFF);
}

int CGeneraterA::GetCellW() {
    return txr::ReadBE16(blockHeaderBuffer + kCellWidthAt);
}

int CGeneraterA::GetCellH() {
    return txr::ReadBE16(blockHeaderBuffer + kCellHeightAt);
}

int CGeneraterA::GetBaseLine() {
    return txr::ReadBE16(blockHeaderBuffer + kBaseLineAt);
}

int CGeneraterA::GetDelta() {
    return txr::ReadBE16(glyphHeaderBuffer + kAdvanceAt);
}

int CGeneraterA::GetLoffSet() {
    return static_cast<signed char>(glyphHeaderBuffer[kLeftOffsetAt]);
}

void CGeneraterA::DrawOneword(CDC* dc, int x, int y) {
    if (dc == nullptr) return;
    const std::int64_t width = glyphHeaderBuffer[kWidthAt];
    const std::int64_t rows = glyphHeaderBuffer[kRowsAt];
    const BITMAPINFOHEADER& header = bitmapInfo.bmiHeader;
    if (width == 0 || rows == 0 || width > header.biWidth || rows > header.biHeight) return;
    if (dibBits.size() < txr::dibStride(header.biWidth) * static_cast<std::size_t>(header.biHeight))
        return;

    const std::int64_t ascent = static_cast<signed char>(glyphHeaderBuffer[kAscentAt]);
    // Fonts above 16 count the baseline from the cell's top, the others from its bottom.
    const std::int64_t top = glyphFont > 16 ? std::int64_t{GetBaseLine()} - ascent + y
                                            : std::int64_t{GetCellH()} - GetBaseLine() - ascent + y;
    const std::int64_t destX = (std::int64_t{GetLoffSet()} + x) * scaleH;
    const std::int64_t destY = top * scaleV;
    const std::int64_t destWidth = width * scaleH;
    const std::int64_t destHeight = rows * scaleV;
    if (!fitsInt(destX) || !fitsInt(destY) || !fitsInt(destWidth) || !fitsInt(destHeight)) return;

    StretchDIBits(dc->m_hDC, static_cast<int>(destX), static_cast<int>(destY),
                  static_cast<int>(destWidth), static_cast<int>(destHeight), 0, 0,
                  static_cast<int>(width), static_cast<int>(rows), dibBits.data(), bitmapInfo.get(),
                  DIB_RGB_COLORS, invert != 0 ? NOTSRCCOPY : SRCCOPY);
}

// Engine A's glyph bitmap, metric getters and magnified painting of the glyph last fetched.
#include <cstdint>
#include <limits>

#include "common/one_bit_rows.h"
#include "engine_a/font_file_a.h"
#include "txr/GeneraterA.h"

namespace {

using txr::engine_a::BlockHeader;
using txr::engine_a::GlyphHeader;

bool isRowClass(int rowBits) {
    return rowBits == 16 || rowBits == 32 || rowBits == 48 || rowBits == 64 || rowBits == 80;
}

bool fitsInt(std::int64_t value) {
    return value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max();
}

}  // namespace

void CGeneraterA::BuildBMP() {
    const int rows = GlyphHeader::read(glyphHeaderBuffer).rows;
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

int CGeneraterA::GetCellW() const {
    return BlockHeader::read(blockHeaderBuffer).cellWidth;
}

int CGeneraterA::GetCellH() const {
    return BlockHeader::read(blockHeaderBuffer).cellHeight;
}

int CGeneraterA::GetBaseLine() const {
    return BlockHeader::read(blockHeaderBuffer).baseLine;
}

int CGeneraterA::GetDelta() const {
    return GlyphHeader::read(glyphHeaderBuffer).advance;
}

int CGeneraterA::GetLoffSet() const {
    return GlyphHeader::read(glyphHeaderBuffer).leftOffset;
}

void CGeneraterA::DrawOneword(CDC* dc, int x, int y) {
    if (dc == nullptr) return;
    const GlyphHeader glyph = GlyphHeader::read(glyphHeaderBuffer);
    const std::int64_t width = glyph.width;
    const std::int64_t rows = glyph.rows;
    const BITMAPINFOHEADER& header = bitmapInfo.bmiHeader;
    if (width == 0 || rows == 0 || width > header.biWidth || rows > header.biHeight) return;
    if (dibBits.size() < txr::dibStride(header.biWidth) * static_cast<std::size_t>(header.biHeight))
        return;

    const std::int64_t ascent = glyph.ascent;
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

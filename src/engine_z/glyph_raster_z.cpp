// Engine Z's glyph bitmap, metric getters and magnified painting of the glyph last fetched.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "common/one_bit_rows.h"
#include "engine_z/font_file_z.h"
#include "txr/GeneraterZ.h"

namespace txr {
namespace {

constexpr unsigned char kPadByte = 0xFF;

bool fitsInt(std::int64_t value) {
    return value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max();
}

}  // namespace
}  // namespace txr

void CGeneraterZ::BuildBMP() {
    bitmapInfo = txr::MonoBitmapInfo::ofSize(
        rowBits, charH, static_cast<DWORD>(charH) * static_cast<DWORD>(std::max(rowBits, 0)));

    dibBits.clear();
    flippedRows.clear();
    const std::size_t stride = txr::dibStride(rowBits);
    // A row class too narrow for the stored rows happens only when a caller has rewritten
    // rowBits or rowBytes; nothing is built then.
    if (rowBytes < 1 || rowBytes > 6 || static_cast<std::size_t>(rowBytes) > stride) return;

    const std::size_t bytesPerRow = static_cast<std::size_t>(rowBytes);
    const std::size_t rowCount = charH;
    flippedRows.assign(rowCount * stride, 0);
    dibBits.assign(rowCount * stride, 0);
    // Rows that glyphBuffer cannot hold are paper.
    txr::flipRowsBounded(glyphBuffer, sizeof glyphBuffer, bytesPerRow, rowCount,
                         flippedRows.data());
    txr::complementRows(flippedRows.data(), bytesPerRow, rowCount, dibBits.data(), stride,
                        txr::kPadByte);
}

int CGeneraterZ::GetCellW() const {
    return txr::engine_z::BlockHeader::read(blockHeaderBuffer).cellWidth;
}

int CGeneraterZ::GetCellH() const {
    return txr::engine_z::BlockHeader::read(blockHeaderBuffer).cellHeight;
}

int CGeneraterZ::GetBase() const {
    return txr::engine_z::BlockHeader::read(blockHeaderBuffer).baseLine;
}

int CGeneraterZ::GetCharW() const {
    return txr::engine_z::GlyphHeader::read(glyphHeaderBuffer).width;
}

int CGeneraterZ::GetCharH() const {
    return txr::engine_z::GlyphHeader::read(glyphHeaderBuffer).rows;
}

int CGeneraterZ::GetCharLoff() const {
    return txr::engine_z::GlyphHeader::read(glyphHeaderBuffer).leftOffset;
}

int CGeneraterZ::GetCharToff() const {
    return txr::engine_z::GlyphHeader::read(glyphHeaderBuffer).topOffset;
}

int CGeneraterZ::GetCharDelta() const {
    return txr::engine_z::GlyphHeader::read(glyphHeaderBuffer).advance;
}

void CGeneraterZ::DrawOneword(CDC* dc, int x, int y) {
    if (dc == nullptr || dibBits.empty()) return;
    const BITMAPINFOHEADER& header = bitmapInfo.bmiHeader;
    // Paint only a source that lies inside the bitmap last built (a fetch since BuildBMP may
    // have changed the glyph's size).
    if (charW > header.biWidth || charH > header.biHeight ||
        dibBits.size() < txr::dibStride(header.biWidth) * static_cast<std::size_t>(charH)) {
        return;
    }
    const std::int64_t left = (std::int64_t{x} + GetCharLoff()) * scaleH;
    const std::int64_t top = (std::int64_t{y} - GetCharToff() + GetBase()) * scaleV;
    const std::int64_t width = std::int64_t{charW} * scaleH;
    const std::int64_t height = std::int64_t{charH} * scaleV;
    if (!txr::fitsInt(left) || !txr::fitsInt(top) || !txr::fitsInt(width) ||
        !txr::fitsInt(height)) {
        return;
    }
    StretchDIBits(dc->m_hDC, static_cast<int>(left), static_cast<int>(top), static_cast<int>(width),
                  static_cast<int>(height), 0, 0, charW, charH, dibBits.data(), bitmapInfo.get(),
                  DIB_RGB_COLORS, invert == 0 ? SRCCOPY : NOTSRCCOPY);
}

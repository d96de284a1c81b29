// Engine Z's dot preview: the glyph last fetched drawn as a grid of pen dots 8 units apart.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "common/dot_preview.h"
#include "common/pen_dots.h"
#include "txr/GeneraterZ.h"

namespace txr {
namespace {

struct PreviewClass {
    int bytesPerRow;  // N: bytes read per row, one pass each
    int divisor;      // D
};

void drawPreview(CGeneraterZ& engine, CDC* dc, PreviewClass rowClass) {
    if (dc == nullptr) return;
    const int leftOffset = engine.GetCharLoff();
    const int ascent = engine.GetCharToff();
    const int baseLine = engine.GetBase();
    const int rows = engine.GetCharH();
    const std::int64_t copyBytes = std::int64_t{rows} * std::max(engine.rowBits, 0) / 8;
    const std::vector<unsigned char> copy(
        engine.glyphBuffer,
        engine.glyphBuffer + std::min<std::int64_t>(copyBytes, sizeof engine.glyphBuffer));

    PreviewLayout layout;
    layout.rowBits = engine.rowBits;
    layout.passes = rowClass.bytesPerRow;
    layout.divisor = rowClass.divisor;
    layout.lastPassFromRight = false;
    layout.leftOffset = leftOffset;
    layout.firstRowY = 8 * (baseLine - ascent) + 54;
    drawPenDots(dc, PS_DASH, previewDots(copy.data(), copy.size(), rows, layout));
}

}  // namespace
}  // namespace txr

void CGeneraterZ::Draw8Bit(CDC* dc) {
    txr::drawPreview(*this, dc, {1, 1});
}

void CGeneraterZ::Draw16Bit(CDC* dc) {
    txr::drawPreview(*this, dc, {2, 2});
}

void CGeneraterZ::Draw24Bit(CDC* dc) {
    txr::drawPreview(*this, dc, {3, 4});
}

void CGeneraterZ::Draw32Bit(CDC* dc) {
    txr::drawPreview(*this, dc, {4, 4});
}

void CGeneraterZ::Draw40Bit(CDC* dc) {
    txr::drawPreview(*this, dc, {5, 8});
}

void CGeneraterZ::Draw48Bit(CDC* dc) {
    txr::drawPreview(*this, dc, {6, 8});
}

// Engine A's dot previews: the glyph last fetched drawn as round dots 8 units apart, one member
// per row class.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "common/dot_preview.h"
#include "common/pen_dots.h"
#include "engine_a/font_file_a.h"
#include "txr/GeneraterA.h"

namespace {

using txr::engine_a::GlyphHeader;

// Draws the preview reading `bytesPerRow` bytes of each row, one pass per byte.
void drawPreview(CGeneraterA& engine, CDC* dc, int bytesPerRow, int penStyle) {
    if (dc == nullptr) return;
    const int leftOffset = engine.GetLoffSet();
    const GlyphHeader glyph = GlyphHeader::read(engine.glyphHeaderBuffer);
    const int ascent = glyph.ascent;
    int cellHeight = engine.GetCellH();
    int baseLine = engine.GetBaseLine();
    if (engine.glyphFont > 16) {
        cellHeight = 0;
        baseLine = -baseLine;
    }
    const int rows = glyph.rows;

    const std::int64_t copyBytes = std::clamp<std::int64_t>(
        std::int64_t{rows} * (engine.rowBits / 8), 0, CGeneraterA::kGlyphBufferSize);
    const std::vector<unsigned char> copy(engine.glyphBuffer, engine.glyphBuffer + copyBytes);

    txr::PreviewLayout layout;
    layout.rowBits = engine.rowBits;
    layout.passes = bytesPerRow;
    layout.divisor = bytesPerRow;
    layout.lastPassFromRight = true;
    layout.leftOffset = leftOffset;
    layout.firstRowY = 8 * (-baseLine - ascent + cellHeight) + 54;
    txr::drawPenDots(dc, penStyle, txr::previewDots(copy.data(), copy.size(), rows, layout));
}

}  // namespace

void CGeneraterA::Draw16Bit(CDC* dc) {
    drawPreview(*this, dc, 2, PS_DOT);
}

void CGeneraterA::Draw32Bit(CDC* dc) {
    drawPreview(*this, dc, 4, PS_DASH);
}

void CGeneraterA::Draw48Bit(CDC* dc) {
    drawPreview(*this, dc, 6, PS_DASH);
}

void CGeneraterA::Draw64Bit(CDC* dc) {
    drawPreview(*this, dc, 8, PS_DASH);
}

void CGeneraterA::Draw128Bit(CDC* dc) {
    drawPreview(*this, dc, 10, PS_DASH);
}

// Engine B's dot previews: the glyph's stored rows as an enlarged grid of pen dots.
#include <algorithm>
#include <cstring>
#include <vector>

#include "common/dot_preview.h"
#include "common/pen_dots.h"
#include "txr/GeneraterB.h"

namespace {

// Draws the rows of `glyphBuffer` read `bytesPerRow` bytes at a time. A preview whose rows are
// wider than the font's draws only the dots that lie within the copied rows.
void drawPreview(CGeneraterB& engine, CDC* dc, int bytesPerRow) {
    engine.GetCellW();
    engine.GetCellH();
    if (dc == nullptr || engine.rowBits <= 0) return;
    const std::size_t copySize =
        std::min(static_cast<std::size_t>(engine.rowBits / 8) * engine.cellHeight,
                 sizeof engine.glyphBuffer);
    const std::vector<unsigned char> copy(engine.glyphBuffer, engine.glyphBuffer + copySize);
    txr::PreviewLayout layout;
    layout.rowBits = engine.rowBits;
    layout.passes = bytesPerRow;
    layout.divisor = bytesPerRow;
    layout.lastPassFromRight = true;
    layout.leftOffset = 0;
    layout.firstRowY = 54;
    txr::drawPenDots(dc, PS_DASH,
                     txr::previewDots(copy.data(), copy.size(), engine.cellHeight, layout));
}

}  // namespace

void CGeneraterB::Draw16Bit(CDC* dc) {
    drawPreview(*this, dc, 2);
}

void CGeneraterB::Draw32Bit(CDC* dc) {
    drawPreview(*this, dc, 4);
}

void CGeneraterB::Draw64Bit(CDC* dc) {
    drawPreview(*this, dc, 6);
}

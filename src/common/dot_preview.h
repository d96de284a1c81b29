// Where the dots of a glyph's dot preview go: one dot per set bit, 8 units apart, computed pass
// by pass (one pass per byte of a stored row) exactly as the printer's preview places them.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace txr {

struct PreviewLayout {
    int rowBits = 0;  // row class of the glyph (the x formula's first term scales with it)
    int passes = 0;   // bytes read per row, one pass each
    int divisor = 0;  // divides rowBits * 8 * (pass + 1)
    bool lastPassFromRight = false;  // last pass at 8 * (rowBits - bit + leftOffset) + 6
    int leftOffset = 0;              // glyph left offset in dots
    int firstRowY = 0;               // y of row 0
};

// Dots for `rowCount` rows stored `passes` bytes apart in `rows` (which holds `available`
// bytes). Bytes beyond `available` are never read: such a row's dots are simply not drawn.
// Order: pass by pass, row by row from the top, bit 0 (rightmost dot of the byte) first.
std::vector<std::pair<int, int>> previewDots(const unsigned char* rows, std::size_t available,
                                             int rowCount, const PreviewLayout& layout);

}  // namespace txr

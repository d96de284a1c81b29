// Font file B (B.bin at 203 dpi, B300.bin at 300 dpi): laying it out from glyph pictures and
// reading glyphs back, at the offsets, cells and row widths of engine B's catalogue.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fontkit/byte_writer.h"

namespace txr::fontkit {

// "B.bin" for 203, "B300.bin" for 300, nullptr for any other resolution.
const char* fontFileBName(int resolution);

// One glyph to place. The picture may be as wide as a stored row (dots beyond the cell width are
// stored but never shown) and as tall as the cell.
struct FontFileBGlyph {
    int fontType = 0;
    int glyphNumber = 0;
    GlyphPicture picture;
};

struct FontFileBResult {
    std::vector<std::uint8_t> bytes;
    std::string error;  // empty when the file was built
    bool ok() const { return error.empty(); }
};

// The whole file of a resolution: the five font blocks back to back, every glyph place that is
// not given left blank. Fails on an unknown resolution or font, a glyph number outside its
// block, a glyph given twice, or a picture larger than a stored glyph.
FontFileBResult buildFontFileB(int resolution, const std::vector<FontFileBGlyph>& glyphs);

// A glyph as stored: cellHeight rows of rowBytes bytes, top row first, ink a set bit.
struct GlyphBitmapB {
    int cellWidth = 0;
    int cellHeight = 0;
    int rowBytes = 0;
    std::vector<std::uint8_t> rows;

    bool ink(int x, int y) const;
    // The shown part, cellWidth dots wide: '#' ink, '.' paper.
    GlyphPicture picture() const;
};

// The stored glyph of a font, or nothing for an unknown resolution or font, a glyph number
// outside the font's block, or a file that ends before the glyph does.
std::optional<GlyphBitmapB> readGlyphB(const std::vector<std::uint8_t>& file, int resolution,
                                       int fontType, int glyphNumber);

// The glyph number a code gives in a font and character set, looked up as engine B does;
// nothing when the code is refused or has no glyph.
std::optional<int> glyphNumberB(int resolution, int fontType, int charSet, int code);

}  // namespace txr::fontkit

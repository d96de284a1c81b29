// Font file A (A.bin, A300.bin) from readable glyph descriptions and back: one font block per
// font number, each a 60-byte header, a code offset table and the glyph records.
#pragma once

#include <cstdint>
#include <vector>

#include "fontkit/byte_writer.h"

namespace txr::fontkit {

struct GlyphA {
    int code = 0;
    GlyphPicture picture;  // ink beyond `width` lands in the row's padding bits
    int leftOffset = 0;    // -128..127
    int ascent = 0;        // -128..127, rows from the top row down to the baseline
    int advance = 0;       // 0..65535
    int width = -1;        // 0..255; -1: the picture's width
};

struct FontBlockA {
    int firstCode = 32;
    int lastCode = 126;
    int baseLine = 0;
    int cellWidth = 0;
    int cellHeight = 0;
    std::vector<GlyphA> glyphs;  // any order; codes from firstCode to lastCode, each once
};

// Layout constants shared with the tests that take written files apart.
constexpr std::size_t kBlockHeaderSizeA = 60;
constexpr std::size_t kGlyphHeaderSizeA = 8;

// Bytes per stored row of a glyph `width` dots wide: 2 x ceil(width / 16).
int rowBytesForWidthA(int width);

// The file's bytes: the blocks in order (block i is font block i), each glyph record written
// in code order right after the table. Throws std::invalid_argument for a description that
// does not fit the layout (a value out of range, a code outside the block or given twice).
std::vector<std::uint8_t> writeFontFileA(const std::vector<FontBlockA>& blocks);

// The blocks of a font file A, glyphs in code order, pictures of '#' and '.' as wide as the
// glyph (wider only where padding bits are set): writeFontFileA(readFontFileA(b)) == b for every
// b that writeFontFileA made. Throws std::runtime_error for bytes that break the layout.
std::vector<FontBlockA> readFontFileA(const std::vector<std::uint8_t>& bytes);

}  // namespace txr::fontkit

// Font file Z (Z.bin) made from readable glyph descriptions, and read back into them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fontkit/byte_writer.h"

namespace txr::fontkit {

// Sizes of the Z layout: a block starts with its 104-byte header and the 256-entry code table.
constexpr std::size_t kZBlockHeaderSize = 104;
constexpr std::size_t kZBlockHeadSize = kZBlockHeaderSize + 256 * 4;
constexpr std::size_t kZGlyphHeaderSize = 10;

// Bytes per stored row of a glyph `width` dots wide: whole bytes, never more than 6.
int rowBytesZ(int width);

struct GlyphZ {
    int code = 0;  // 0..255
    GlyphPicture picture;
    int leftOffset = 0;
    int ascent = 0;
    int advance = 0;
    int width = -1;  // the header's width; -1 takes the picture's width
};

struct FontBlockZ {
    int cellWidth = 0;
    int cellHeight = 0;
    int baseLine = 0;
    std::vector<GlyphZ> glyphs;
};

// Lays the blocks out one after another, each glyph record placed in code order after the code
// table. Throws std::invalid_argument for a code outside 0..255 or used twice in a block, or a
// number that does not fit its 16-bit field.
std::vector<std::uint8_t> writeFontFileZ(const std::vector<FontBlockZ>& blocks);

// Reads every block of a Z file, checking each size and offset against the file. Glyphs come in
// code order with `width` set from the header; a picture is `width` dots wide, or rowBytes * 8
// when stored rows carry ink beyond `width`. Returns nothing (and says why in `error`) for a file
// that does not hold whole blocks, glyph records and rows.
std::optional<std::vector<FontBlockZ>> readFontFileZ(const std::vector<std::uint8_t>& bytes,
                                                     std::string* error = nullptr);

}  // namespace txr::fontkit

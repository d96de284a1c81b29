// Turns a manifest block into glyphs: picks each code's character, finds it in the block's
// source fonts, renders it at the exact pixel size and places it in the cell.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fontkit/byte_writer.h"
#include "fontkit/freetype_glyphs.h"
#include "fontkit/manifest.h"

namespace txr::fontkit {

// One glyph placed for a font file: its left column lies leftOffset dots right of the pen, its top
// row ascent rows above the baseline. For fixed cells it lies within the cell.
struct PlacedGlyph {
    int code = 0;
    GlyphPicture picture;
    int leftOffset = 0;
    int ascent = 0;
    int advance = 0;
};

struct PlacedBlock {
    int cellWidth = 0;
    int cellHeight = 0;
    int baseline = 0;  // rows from the top of the cell down to the baseline
    std::vector<PlacedGlyph> glyphs;
    std::vector<std::string> missing;  // "0x9E U+20AC": codes whose character no source has
};

// Opens each (font, pixel size) once for a whole build.
class FontCache {
  public:
    const FreeTypeFont& font(const std::string& path, int pixelSize);

  private:
    std::map<std::pair<std::string, int>, std::unique_ptr<FreeTypeFont>> fonts_;
};

// Blank rows and columns cut off a picture, with how many columns and rows came off the left
// and top. An all-blank picture becomes empty.
GlyphPicture trimPicture(const GlyphPicture& picture, int& leftCut, int& topCut);

// The characters of the codes a block covers: `characters[code]` (kNoCharacter for none), from
// its charmap and overrides.
std::vector<char32_t> blockCharacters(const BlockSpec& block);

// Renders the glyphs of `characters` (indexed by code or glyph number) with the block's fonts.
// Fixed-cell blocks are clipped to the cell and advance by the cell width; proportional ones keep
// the source advance. Pictures are trimmed to their ink. Throws FontKitError.
PlacedBlock placeBlock(const Manifest& manifest, const BlockSpec& block,
                       const std::vector<char32_t>& characters, FontCache& cache);

// A placed glyph drawn into a whole cell (cellWidth x cellHeight, the cell's top-left at the
// picture's top-left), as the fixed-size glyphs of file B are stored.
GlyphPicture cellPicture(const PlacedBlock& block, const PlacedGlyph& glyph);

}  // namespace txr::fontkit

// The test font set: small, readable glyph pictures laid out by the font kit writers.
#include "support/test_fonts.h"

#include <cstring>
#include <vector>

#include "fontkit/font_file_a.h"
#include "fontkit/font_file_b.h"
#include "fontkit/font_file_z.h"
#include "txr/family_one_catalogue.h"

namespace txr::test {

const char kTestFontCodes[] = "ABi\xB0";

namespace {

using fontkit::GlyphPicture;

const GlyphPicture kA{{".###.", "#...#", "#####", "#...#", "#...#"}};
const GlyphPicture kB{{"###.", "#..#", "###.", "#..#", "###."}};
const GlyphPicture kI{{"#", ".", "#", "#", "#"}};
const GlyphPicture kDegree{{".#.", "#.#", ".#."}};

struct Letter {
    unsigned char code;
    const GlyphPicture* picture;
    int advance;
};
const Letter kLetters[] = {{'A', &kA, 6}, {'B', &kB, 5}, {'i', &kI, 2}, {0xB0, &kDegree, 4}};

// Block b: cell 6 wide, 8 + b high, so every font number measures differently.
fontkit::FontBlockA blockA(int block) {
    fontkit::FontBlockA font{0x20, 0xB0, 2, 6, 8 + block, {}};
    for (const Letter& letter : kLetters) {
        font.glyphs.push_back({letter.code, *letter.picture, 0, 5, letter.advance});
    }
    return font;
}

fontkit::FontBlockZ blockZ(int block) {
    fontkit::FontBlockZ font{6, 7 + block, 6, {}};
    for (const Letter& letter : kLetters) {
        font.glyphs.push_back({letter.code, *letter.picture, block % 2, 5, letter.advance + block});
    }
    return font;
}

// Glyph number g: its low 8 bits as dots of the top row, most significant first, over a bar.
GlyphPicture numberPicture(int glyphNumber) {
    std::string bits;
    for (int bit = 7; bit >= 0; --bit) bits += (glyphNumber >> bit) & 1 ? '#' : '.';
    return GlyphPicture{{bits, std::string(9, '#'), "#.......#"}};
}

std::vector<fontkit::FontFileBGlyph> glyphsB(int resolution) {
    std::vector<fontkit::FontFileBGlyph> glyphs;
    for (int font = 0; font < engine_b::kFontCount; ++font) {
        const engine_b::CatalogueRecord* record = engine_b::catalogueRecord(resolution, font);
        for (int g = 0; g < record->glyphCount; ++g) glyphs.push_back({font, g, numberPicture(g)});
    }
    return glyphs;
}

}  // namespace

bool writeTestFontSet(const std::string& directory) {
    std::vector<fontkit::FontBlockA> a203;
    for (int b = 0; b < 25; ++b) a203.push_back(blockA(b));
    std::vector<fontkit::FontBlockA> a300;
    for (int b = 0; b < 16; ++b) a300.push_back(blockA(b + 4));
    std::vector<fontkit::FontBlockZ> z;
    for (int b = 0; b < 8; ++b) z.push_back(blockZ(b));
    const auto b203 = fontkit::buildFontFileB(203, glyphsB(203));
    const auto b300 = fontkit::buildFontFileB(300, glyphsB(300));
    return b203.ok() && b300.ok() &&
           fontkit::writeFileBytes(directory + "/A.bin", fontkit::writeFontFileA(a203)) &&
           fontkit::writeFileBytes(directory + "/A300.bin", fontkit::writeFontFileA(a300)) &&
           fontkit::writeFileBytes(directory + "/B.bin", b203.bytes) &&
           fontkit::writeFileBytes(directory + "/B300.bin", b300.bytes) &&
           fontkit::writeFileBytes(directory + "/Z.bin", fontkit::writeFontFileZ(z));
}

}  // namespace txr::test

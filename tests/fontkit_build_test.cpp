// Font kit: building blocks from standard fonts (here a BDF the test writes, read through
// FreeType) and placing their glyphs in cells.
#include <gtest/gtest.h>

#include <string>

#include "fontkit/bdf.h"
#include "fontkit/fontkit_error.h"
#include "fontkit/glyph_source.h"
#include "fontkit/manifest.h"

namespace txr::fontkit {
namespace {

BdfGlyph sourceGlyph(int code, int advance, int leftOffset, int ascent,
                     std::vector<std::string> rows) {
    BdfGlyph glyph;
    glyph.code = code;
    glyph.advance = advance;
    glyph.leftOffset = leftOffset;
    glyph.ascent = ascent;
    glyph.setPicture(GlyphPicture{std::move(rows)});
    return glyph;
}

// A Unicode bitmap font of 8 pixels (ascent 6, descent 2) with 'H' (blank margins in its
// bitmap), 'g' below the baseline, a wide 'W' and 'Ä' (U+00C4) reaching above the ascent.
void writeSourceFont(const std::string& path) {
    BdfFont font;
    font.name = "-test-source-medium-r-normal--8-80-72-72-c-50-iso10646-1";
    font.pointSize = 8;
    font.xResolution = 72;
    font.yResolution = 72;
    font.setProperty("PIXEL_SIZE", 8);
    font.setProperty("FONT_ASCENT", 6);
    font.setProperty("FONT_DESCENT", 2);
    font.setProperty("CHARSET_REGISTRY", "ISO10646");
    font.setProperty("CHARSET_ENCODING", "1");
    font.glyphs.push_back(sourceGlyph('H', 5, 0, 6,
                                      {".....",  //
                                       "#..#.",  //
                                       "#..#.",  //
                                       "####.",  //
                                       "#..#.",  //
                                       "#..#."}));
    font.glyphs.push_back(sourceGlyph('g', 5, 0, 3,
                                      {".###",  //
                                       "#..#",  //
                                       ".###",  //
                                       "...#",  //
                                       "###."}));
    font.glyphs.push_back(sourceGlyph('W', 8, -1, 5,
                                      {"#.....#",  //
                                       "#.....#",  //
                                       "#..#..#",  //
                                       "#.#.#.#",  //
                                       ".#...#."}));
    font.glyphs.push_back(sourceGlyph(0xC4, 5, 0, 8,
                                      {"#..#",  //
                                       "....",  //
                                       ".##.",  //
                                       "#..#",  //
                                       "####",  //
                                       "#..#",  //
                                       "#..#",  //
                                       "#..#"}));
    font.glyphs.push_back(sourceGlyph(' ', 3, 0, 0, {}));
    writeBdfFile(path, font);
}

struct Expected {
    int code;
    int leftOffset;
    int ascent;
    int advance;
    std::vector<std::string> rows;
};

void expectGlyphs(const PlacedBlock& block, const std::vector<Expected>& expected) {
    ASSERT_EQ(block.glyphs.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const PlacedGlyph& glyph = block.glyphs[i];
        EXPECT_EQ(glyph.code, expected[i].code);
        EXPECT_EQ(glyph.leftOffset, expected[i].leftOffset) << "code " << glyph.code;
        EXPECT_EQ(glyph.ascent, expected[i].ascent) << "code " << glyph.code;
        EXPECT_EQ(glyph.advance, expected[i].advance) << "code " << glyph.code;
        EXPECT_EQ(glyph.picture.rows, expected[i].rows) << "code " << glyph.code;
    }
}

TEST(PlaceBlock, FixedCellsCentreTrimAndClip) {
    writeSourceFont("source8.bdf");
    // Cell 7 x 9: the face (8 rows) centred gives baseline 6. The font has no '0', so its widest
    // advance (8) is centred: no shift. 'W' loses its column left of the cell, Ä its two rows
    // above it.
    const Manifest manifest = parseManifest(
        "file A.bin\nblock 0\nsource source8.bdf 8\ncell 7 9\ncodes 32 0xC4\ncharmap latin1\n"
        "move 0x67 1 0\n",
        "m", ".");
    const BlockSpec& blockSpec = manifest.files[0].blocks[0];
    FontCache cache;
    const PlacedBlock block = placeBlock(manifest, blockSpec, blockCharacters(blockSpec), cache);
    EXPECT_EQ(block.baseline, 6);
    expectGlyphs(block, {
                            {' ', 0, 0, 7, {}},
                            {'H', 0, 5, 7, {"#..#", "#..#", "####", "#..#", "#..#"}},
                            {'W', 0, 5, 7, {".....#", ".....#", "..#..#", ".#.#.#", "#...#."}},
                            {'g', 1, 3, 7, {".###", "#..#", ".###", "...#", "###."}},
                            {0xC4, 0, 6, 7, {".##.", "#..#", "####", "#..#", "#..#", "#..#"}},
                        });
    // 165 codes, 33 of them (0x7F-0x9F) with no Latin-1 character, 5 found.
    EXPECT_EQ(block.missing.size(), 127u);
    EXPECT_EQ(block.missing.front(), "0x21 U+0021");

    const GlyphPicture cell = cellPicture(block, block.glyphs[3]);
    EXPECT_EQ(cell.rows, (std::vector<std::string>{
                             ".......",  //
                             ".......",  //
                             ".......",  //
                             "..###..",  //
                             ".#..#..",  //
                             "..###..",  //
                             "....#..",  //
                             ".###...",  //
                             ".......",  //
                         }));
}

TEST(PlaceBlock, ProportionalKeepsAdvancesAndOverrides) {
    writeSourceFont("source8p.bdf");
    const Manifest manifest = parseManifest(
        "file Z.bin\nblock 0\nsource source8p.bdf 8\ncell 8 8\nspacing proportional\n"
        "codes 0x41 0x5A\nchar 0x41 U+00C4\nadvance 0x48 9\nomit 0x57\n",
        "m", ".");
    const BlockSpec& blockSpec = manifest.files[0].blocks[0];
    FontCache cache;
    const PlacedBlock block = placeBlock(manifest, blockSpec, blockCharacters(blockSpec), cache);
    EXPECT_EQ(block.baseline, 6);
    expectGlyphs(
        block,
        {
            {0x41, 0, 8, 5, {"#..#", "....", ".##.", "#..#", "####", "#..#", "#..#", "#..#"}},
            {'H', 0, 5, 9, {"#..#", "#..#", "####", "#..#", "#..#"}},
        });
}

TEST(PlaceBlock, MissingFontsAndStrikesAreErrors) {
    writeSourceFont("source8e.bdf");
    const Manifest noFont =
        parseManifest("file A.bin\nblock 0\nsource nowhere.ttf 8\ncell 8 8\n", "m", ".");
    FontCache cache;
    const BlockSpec& blockSpec = noFont.files[0].blocks[0];
    EXPECT_THROW(placeBlock(noFont, blockSpec, blockCharacters(blockSpec), cache), FontKitError);
    const Manifest noStrike =
        parseManifest("file A.bin\nblock 0\nsource source8e.bdf 9\ncell 8 8\n", "m", ".");
    const BlockSpec& other = noStrike.files[0].blocks[0];
    EXPECT_THROW(placeBlock(noStrike, other, blockCharacters(other), cache), FontKitError);
}

}  // namespace
}  // namespace txr::fontkit

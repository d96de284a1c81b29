// CTXR: its setters, their result codes and what they leave in the engines, copying, registration;
// and strings end to end in each family, dot for dot, from font files built from pictures.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/one_bit_rows.h"
#include "fontkit/font_file_a.h"
#include "fontkit/font_file_b.h"
#include "fontkit/font_file_z.h"
#include "support/ctxr_calls.h"
#include "support/open_files.h"
#include "support/picture.h"
#include "support/raster_ascii.h"

namespace txr {
namespace {

using fontkit::FontBlockA;
using fontkit::FontBlockZ;
using fontkit::GlyphA;
using fontkit::GlyphZ;
using test::joined;
using test::Picture;
using test::placed;

TEST(Facade, SetFontResultCodes) {
    const struct {
        int family, fontType, scaleH, scaleV, rotation, resolution;
        int result;
    } cases[] = {
        {0, 0, 1, 1, 0, 203, 0},  {0, 24, 2, 3, 3, 203, 0}, {0, 15, 1, 1, 0, 300, 0},
        {1, 4, 1, 1, 1, 300, 0},  {2, 8, 1, 1, 2, 203, 0},  {3, 0, 1, 1, 0, 203, 1},
        {-1, 0, 1, 1, 0, 203, 1}, {0, 16, 1, 1, 0, 203, 2}, {0, 25, 1, 1, 0, 203, 2},
        {0, 16, 1, 1, 0, 300, 2}, {1, 5, 1, 1, 0, 203, 2},  {2, 9, 1, 1, 0, 203, 2},
        {0, 1, 0, 1, 0, 203, 3},  {0, 1, -2, 1, 0, 203, 3}, {0, 1, 2, 0, 0, 203, 4},
        {2, 1, 2, -1, 0, 203, 4}, {1, 0, 1, 1, 4, 300, 5},  {1, 0, 1, 1, -1, 300, 5},
        {0, 0, 1, 1, 0, 600, 0},  // engine A keeps the resolution it had
        {2, 0, 1, 1, 0, 600, 0},  // family 2 has one file for every resolution
    };
    for (const auto& c : cases) {
        CTXR txr;
        EXPECT_EQ(txr.SetFont(c.family, c.fontType, c.scaleH, c.scaleV, c.rotation, c.resolution),
                  c.result)
            << "family " << c.family << " font " << c.fontType << " scales " << c.scaleH << "x"
            << c.scaleV << " rotation " << c.rotation << " at " << c.resolution;
        EXPECT_EQ(txr.fontReady, c.result == 0 ? 1 : 0);
        EXPECT_EQ(txr.family, c.family) << "stored before any check";
        EXPECT_EQ(txr.scaleH, c.scaleH);
        EXPECT_EQ(txr.resolution, c.resolution);
        if (c.result == 0) {
            EXPECT_EQ(txr.rotation, (4 - c.rotation) % 4) << "stored counter-clockwise";
        }
    }
}

// A refusal keeps the earlier readiness and leaves what the checks before it set.
TEST(Facade, RefusalLeavesWhatEarlierChecksSet) {
    CTXR txr;
    ASSERT_EQ(txr.SetFont(0, 2, 1, 1, 0, 203), 0);
    EXPECT_EQ(txr.SetFont(3, 0, 1, 1, 0, 300), 1);
    EXPECT_EQ(txr.fontReady, 1);
    EXPECT_EQ(txr.engineA->resolution, 300) << "still passed on";
    EXPECT_EQ(txr.engineB->resolution, 300);
    EXPECT_EQ(txr.GetStringSize("AB"), CSize(0, 0));
    EXPECT_EQ(txr.SetFont(0, 5, 2, 0, 0, 203), 4);
    EXPECT_EQ(txr.engineA->fontType, 5);
    EXPECT_EQ(txr.engineA->scaleH, 2);
    EXPECT_EQ(txr.engineA->scaleV, 1);
    EXPECT_EQ(txr.SetFont(2, 3, 1, 1, 0, 600), 0);
    EXPECT_EQ(txr.engineA->resolution, 203) << "600 dpi is not passed on";
}

TEST(Facade, SetInvertAcceptsOnlyZeroAndOne) {
    CTXR txr;
    EXPECT_EQ(txr.SetInvert(2), 0);
    EXPECT_EQ(txr.SetInvert(-1), 0);
    EXPECT_EQ(txr.invert + txr.engineA->invert + txr.engineB->invert + txr.engineZ->invert, 0);
    EXPECT_EQ(txr.SetInvert(1), 1);
    EXPECT_EQ(txr.invert + txr.engineA->invert + txr.engineB->invert + txr.engineZ->invert, 4);
    EXPECT_EQ(txr.SetInvert(0), 1);
    EXPECT_EQ(txr.engineZ->invert, 0);
}

TEST(Facade, CopyIsIndependent) {
    CTXR original;
    original.SetPath("dir/");
    ASSERT_EQ(original.SetFont(1, 3, 2, 3, 1, 300), 0);
    original.SetInvert(1);
    original.engineB->charSet = 7;

    CTXR copy(original);  // engines of its own: a shared one would be deleted twice
    EXPECT_EQ(copy.fontReady, 1);
    EXPECT_EQ(copy.rotation, 3);
    EXPECT_EQ(copy.engineB->charSet, 7);
    EXPECT_EQ(copy.engineB->fontPath, CString("dir/"));
    EXPECT_EQ(copy.engineB->fontFile, nullptr);

    CTXR assigned;
    assigned = original;
    original.engineB->charSet = 2;
    original.SetFont(0, 1, 1, 1, 0, 203);
    EXPECT_EQ(assigned.engineB->charSet, 7);
    EXPECT_EQ(assigned.family, 1);
    EXPECT_EQ(assigned.engineB->resolution, 300);
    EXPECT_EQ(assigned.invert, 1);
}

TEST(Facade, LibraryIsRegisteredWhileLoaded) {
    EXPECT_GE(registeredExtensionLibraries(), 1u);
}

const Picture kA = {".###.", "#...#", "#####", "#...#", "#...#"};
const Picture kB = {"###.", "#..#", "###.", "#..#", "###."};
const Picture kI = {"#", ".", "#", "#", "#"};
const Picture kO = {"#..#", "#..#"};  // wider than its advance of 2
const Picture kP = {"###", "#.#", "###", "#..", "#.."};
const Picture kDegree = {".#.", "#.#", ".#."};
const Picture kFull48(48, std::string(48, '#'));

// ---- Family 0: A.bin's block b has cells 6 wide and 8 + b high (300 dpi: 10 x 20 + b). Blocks
// up to 16 count the baseline from the cell's bottom (1 row), the others from its top (6 rows).
FontBlockA blockA(int block, int cellWidth, int cellHeight) {
    FontBlockA font{0x20, 0xB0, block > 16 ? 6 : 1, cellWidth, cellHeight, {}};
    font.glyphs = {GlyphA{'A', {kA}, 0, 5, 6}, GlyphA{'B', {kB}, 1, 5, 6},
                   GlyphA{'i', {kI}, 0, 5, 2}, GlyphA{'o', {kO}, 0, 2, 2},
                   GlyphA{0xB0, {kDegree}, 0, 5, 4}};
    return font;
}

// "AB" in block 0: A at x 0, B one dot right of x 6 by its left offset.
const Picture kAB = {
    "............",  //
    "............",  //
    ".###...###..",  //
    "#...#..#..#.",  //
    "#####..###..",  //
    "#...#..#..#.",  //
    "#...#..###..",  //
    "............",  //
};

// ---- Family 1: the catalogue's fonts, in whose cells every string is laid out.
constexpr int kNone = -1;  // a code without glyph, or refused: a blank cell

struct FontB {
    int dpi, font, cellWidth, cellHeight, rowBits;
};
constexpr FontB kFontsB[] = {{203, 0, 10, 12, 16}, {203, 1, 12, 16, 16}, {203, 2, 14, 20, 16},
                             {203, 3, 16, 24, 16}, {203, 4, 36, 48, 32}, {300, 0, 12, 20, 16},
                             {300, 1, 16, 28, 16}, {300, 2, 20, 36, 32}, {300, 3, 24, 44, 32},
                             {300, 4, 48, 80, 48}};

const FontB& fontB(int dpi, int font) {
    for (const FontB& f : kFontsB) {
        if (f.dpi == dpi && f.font == font) return f;
    }
    return kFontsB[0];
}

// Glyph numbers the code tables give the characters drawn here, and their pictures.
const struct {
    int number;
    Picture art;
} kArtB[] = {
    {15, kA},                                             // A
    {16, kB},                                             // B
    {4, {".##.", "#..#", "#..#", "#..#", ".##."}},        // 0
    {43, {".#.#.", "#####", ".#.#.", "#####", ".#.#."}},  // #
    {48, {"..##", ".#..", "###.", ".#..", "####"}},       // pound sign
    {79, {"#", "#", "#", ".", "#"}},                      // !
    {82, {".#", "#.", "#.", "#.", ".#"}},                 // (
    {159, {".##", ".#.", "#..", ".#.", ".##"}},           // {, in B.bin only
};
constexpr int kFullGlyph = 0;  // '&': every stored dot inked

// Glyph `number` as stored in `f`: its art one dot further in per font number, so that a glyph
// read from another font's block shows out of place.
Picture storedGlyph(const FontB& f, int number) {
    if (number == kFullGlyph) return Picture(f.cellHeight, std::string(f.rowBits, '#'));
    for (const auto& glyph : kArtB) {
        if (glyph.number == number) {
            return placed(glyph.art, 1 + f.font, 1 + f.font, f.rowBits, f.cellHeight);
        }
    }
    return {};
}

// What the printer shows of a string of glyph numbers: for each a cell of the first cellWidth
// stored dots of every row, paper beyond the stored row.
Picture printed(const FontB& f, const std::vector<int>& numbers) {
    Picture out(static_cast<std::size_t>(f.cellHeight));
    for (int number : numbers) {
        const Picture glyph = number == kNone ? Picture{} : storedGlyph(f, number);
        const Picture cell = placed(glyph, 0, 0, f.cellWidth, f.cellHeight);
        for (std::size_t row = 0; row < out.size(); ++row) out[row] += cell[row];
    }
    return out;
}

// ---- Family 2: Z.bin's blocks 0 to 7. Every block has 'A' (advance 6), 'i' one dot right of its
// pen (advance 3), 'p' two rows below the baseline (advance 4), 'o'. Block 2 has a glyph at code
// 0, which no text can name; block 7 a fully inked 48 x 48 'W'.
const struct {
    int cellHeight, baseLine;
} kBlocksZ[] = {{10, 6}, {11, 7}, {12, 8}, {13, 9}, {14, 10}, {15, 11}, {16, 12}, {50, 48}};

std::vector<FontBlockZ> fontZ() {
    std::vector<FontBlockZ> blocks;
    for (const auto& b : kBlocksZ) {
        blocks.push_back(FontBlockZ{8,
                                    b.cellHeight,
                                    b.baseLine,
                                    {GlyphZ{'A', {kA}, 0, 5, 6}, GlyphZ{'i', {kI}, 1, 5, 3},
                                     GlyphZ{'p', {kP}, 0, 3, 4}, GlyphZ{'o', {kO}, 0, 2, 2}}});
    }
    blocks[2].glyphs.push_back(GlyphZ{0, {{"#"}}, 0, 1, 9});
    blocks[7].glyphs.push_back(GlyphZ{'W', {kFull48}, 0, 48, 50});
    return blocks;
}

// "Aip" in block 2 (cell 12, baseline 8): 'A' at pen 0, 'i' at pen 6 plus its left offset, 'p'
// at pen 9 reaching two rows below the baseline.
const Picture kAip = {
    ".............",  //
    ".............",  //
    ".............",  //
    ".###...#.....",  //
    "#...#........",  //
    "#####..#.###.",  //
    "#...#..#.#.#.",  //
    "#...#..#.###.",  //
    ".........#...",  //
    ".........#...",  //
    ".............",  //
    ".............",  //
};

class Render : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        for (const char* dir : {"fonts0", "fonts1", "fonts2"})
            std::filesystem::create_directory(dir);
        std::vector<FontBlockA> blocks203, blocks300;
        for (int b = 0; b < 25; ++b) blocks203.push_back(blockA(b, 6, 8 + b));
        for (int b = 0; b < 16; ++b) blocks300.push_back(blockA(b, 10, 20 + b));
        ASSERT_TRUE(fontkit::writeFileBytes("fonts0/A.bin", fontkit::writeFontFileA(blocks203)));
        ASSERT_TRUE(fontkit::writeFileBytes("fonts0/A300.bin", fontkit::writeFontFileA(blocks300)));
        for (int dpi : {203, 300}) {
            std::vector<fontkit::FontFileBGlyph> glyphs;
            for (const FontB& f : kFontsB) {
                if (f.dpi != dpi) continue;
                glyphs.push_back({f.font, kFullGlyph, {storedGlyph(f, kFullGlyph)}});
                for (const auto& glyph : kArtB) {
                    // Glyph 159 exists in the 164-glyph blocks of B.bin's fonts 0 to 3 only.
                    if (glyph.number == 159 && (dpi == 300 || f.font == 4)) continue;
                    glyphs.push_back({f.font, glyph.number, {storedGlyph(f, glyph.number)}});
                }
            }
            const fontkit::FontFileBResult file = fontkit::buildFontFileB(dpi, glyphs);
            ASSERT_TRUE(file.ok()) << file.error;
            ASSERT_TRUE(fontkit::writeFileBytes(
                std::string("fonts1/") + fontkit::fontFileBName(dpi), file.bytes));
        }
        ASSERT_TRUE(fontkit::writeFileBytes("fonts2/Z.bin", fontkit::writeFontFileZ(fontZ())));
    }

    void select(int family, int font, int scaleH = 1, int scaleV = 1, int rotation = 0,
                int dpi = 203, int charSet = 0) {
        txr_.SetPath(("fonts" + std::to_string(family) + "/").c_str());
        ASSERT_EQ(txr_.SetFont(family, font, scaleH, scaleV, rotation, dpi), 0);
        txr_.engineB->charSet = charSet;
    }
    void select(const FontB& f, int charSet = 0) { select(1, f.font, 1, 1, 0, f.dpi, charSet); }

    std::string drawn(const CString& text, int width, int height) {
        return test::drawnBy(txr_, text, width, height);
    }

    CTXR txr_;
};

std::string where(int family, int font, const char* text) {
    return "family " + std::to_string(family) + " font " + std::to_string(font) + " \"" + text +
           "\"";
}

TEST_F(Render, GlyphsSitOnTheBaselineByCellOrAdvanceLeftOffsetAndAscent) {
    // Proportional block 9 (cell 17, baseline 1 from the bottom) starts 5-row glyphs of ascent 5
    // in row 11 and adds 3 rows below; block 17 counts its baseline from the top.
    const Picture ai = {".###..#.", "#...#...", "#####.#.", "#...#.#.", "#...#.#."};
    const Picture aBlankI = {".###........#.", "#...#.........", "#####.......#.", "#...#.......#.",
                             "#...#.......#."};
    const struct {
        int family, font;
        const char* text;
        Picture expected;
    } cases[] = {
        {0, 0, "AB", kAB},
        {0, 9, "Ai", placed(ai, 0, 11, 8, 20)},
        {0, 17, "A", placed(kA, 0, 1, 6, 25)},
        {0, 0, "\xB0", placed(kDegree, 0, 2, 6, 8)},  // a byte above 7 bits, unsigned
        // Each 'o' is 4 dots wide but advances 2: the second's blank middle covers the first's
        // ink.
        {0, 9, "oo", placed({"#.#.", "#.#."}, 0, 14, 4, 20)},
        {2, 2, "oo", placed({"#.#.", "#.#."}, 0, 6, 4, 12)},
        // 'q' has no glyph: blank, with the advance and size of the glyph before it.
        {0, 9, "Aqi", placed(aBlankI, 0, 11, 14, 20)},
        {0, 0, "qA", placed(kA, 6, 2, 12, 8)},
        {2, 2, "Aip", kAip},
        {2, 0, "A", placed(kA, 0, 1, 6, 11)},  // block 0 (cell 10) and the row font 0 adds
    };
    for (const auto& c : cases) {
        for (int invert : {0, 1}) {
            SCOPED_TRACE(where(c.family, c.font, c.text) + ", invert " + std::to_string(invert));
            select(c.family, c.font);
            txr_.SetInvert(invert);
            const int width = static_cast<int>(c.expected[0].size());
            const int height = static_cast<int>(c.expected.size());
            EXPECT_EQ(txr_.GetStringSize(c.text), CSize(width, height));
            // Drawn at (3, 2): the drawing's paper shows, and the green canvas around it.
            const Picture drawing = invert == 1 ? test::reverseVideo(c.expected) : c.expected;
            EXPECT_EQ(test::drawnBy(txr_, c.text, width + 5, height + 3, 3, 2),
                      joined(placed(drawing, 3, 2, width + 5, height + 3, '?')));
        }
    }
}

TEST_F(Render, MagnifiedTurnedReverseVideoExportAndDrawingMatchThePicture) {
    const std::vector<std::uint8_t> blackThenWhite = {0, 0, 0, 0, 255, 255, 255, 0};
    const struct {
        int family, font, dpi, charSet;
        const char* text;
        Picture upright;
    } cases[] = {
        {0, 0, 203, 0, "AB", kAB},
        {1, 0, 203, 7, "A#0", printed(fontB(203, 0), {15, 48, 4})},  // set 7: '#' is '£'
        {1, 2, 300, 7, "A#0", printed(fontB(300, 2), {15, 48, 4})},
        {2, 2, 203, 0, "Aip", kAip},
    };
    // Every call closes the font files it opened, and the next opens them anew.
    const int openBefore = test::openFileDescriptors();
    for (const auto& c : cases) {
        for (int rotation = 0; rotation < 4; ++rotation) {
            for (int invert : {0, 1}) {
                SCOPED_TRACE(where(c.family, c.font, c.text) + " at " + std::to_string(c.dpi) +
                             ", rotation " + std::to_string(rotation) + ", invert " +
                             std::to_string(invert));
                select(c.family, c.font, 2, 3, rotation, c.dpi, c.charSet);
                txr_.SetInvert(invert);
                Picture expected = test::magnify(c.upright, 2, 3);
                if (invert == 1) expected = test::reverseVideo(expected);
                expected = test::turnClockwise(expected, rotation);
                const CSize size(static_cast<int>(expected[0].size()),
                                 static_cast<int>(expected.size()));
                EXPECT_EQ(txr_.GetStringSize(c.text), size);
                const test::BmpPicture bmp = test::exportedBy(txr_, c.text);
                EXPECT_EQ(bmp.ascii, joined(expected));
                ASSERT_EQ(bmp.bytes.size(), 62 + dibStride(size.cx) * size.cy);
                EXPECT_EQ(std::vector<std::uint8_t>(bmp.bytes.begin() + 54, bmp.bytes.begin() + 62),
                          blackThenWhite);
                EXPECT_EQ(drawn(c.text, size.cx, size.cy), joined(expected));
                EXPECT_EQ(test::leftBehind(txr_), "");
            }
        }
    }
    EXPECT_EQ(test::openFileDescriptors(), openBefore);
}

TEST_F(Render, FontNumbersSelectBlocksWithTheirHeightCorrections) {
    const struct {
        int family, font, dpi, cellHeight, extraRows;
    } cases[] = {
        {0, 9, 203, 17, 3}, {0, 10, 203, 17, 3}, {0, 11, 203, 18, 1}, {0, 12, 203, 19, 0},
        {0, 1, 203, 9, 0},  {0, 9, 300, 29, 1},  {0, 12, 300, 32, 1}, {0, 10, 300, 30, 0},
        {0, 1, 300, 21, 3}, {0, 0, 300, 20, 0},  {0, 24, 203, 32, 0}, {0, 15, 203, 22, 0},
        {2, 0, 203, 10, 1}, {2, 1, 203, 11, 2},  {2, 2, 203, 12, 0},  {2, 3, 203, 12, 0},
        {2, 4, 203, 13, 0}, {2, 8, 203, 50, 0},
    };
    for (const auto& c : cases) {
        select(c.family, c.font, 1, 2, 0, c.dpi);
        EXPECT_EQ(txr_.GetStringSize("A").cy, 2 * (c.cellHeight + c.extraRows))
            << "family " << c.family << " font " << c.font << " at " << c.dpi;
    }
}

TEST_F(Render, Family1GlyphsShowTheirStoredRowsCutToTheCell) {
    select(kFontsB[0], 7);  // set 7 gives '#' the pound sign
    // clang-format off
    const Picture aPoundFull = {
        "....................##########",
        "..###........##.....##########",
        ".#...#......#.......##########",
        ".#####.....###......##########",
        ".#...#......#.......##########",
        ".#...#.....####.....##########",
        "....................##########",
        "....................##########",
        "....................##########",
        "....................##########",
        "....................##########",
        "....................##########",
    };
    // clang-format on
    EXPECT_EQ(txr_.GetStringSize("A#&"), CSize(30, 12));
    EXPECT_EQ(drawn("A#&", 30, 12), joined(aPoundFull));
    EXPECT_EQ(joined(printed(kFontsB[0], {15, 48, kFullGlyph})), joined(aPoundFull));
    // Font 4 at 203 dpi stores 32 dots a row in its 36-dot cell: 4 columns stay paper.
    select(fontB(203, 4));
    EXPECT_EQ(drawn("&", 36, 48), joined(Picture(48, std::string(32, '#') + "....")));
    txr_.SetInvert(1);
    EXPECT_EQ(drawn("&", 36, 48), joined(Picture(48, std::string(32, '.') + "####")));
}

TEST_F(Render, Family1FontsDrawInTheirCellsWithTheGlyphsTheHostsCharacterSetChooses) {
    // The glyph numbers each set gives '#' (35) in fonts 0 to 3 and in font 4, and code 156 in
    // every font (sets 6 to 14 refuse it).
    const struct {
        int charSet, hash, hashFont4, code156;
    } sets[] = {
        {0, 43, 43, 48},        {1, 43, 43, 48},     {2, 43, 43, kNone},  {3, 43, 43, 48},
        {4, 43, 43, 48},        {5, 43, 43, 48},     {6, 43, 43, kNone},  {7, 48, 48, kNone},
        {8, 43, 43, kNone},     {9, 48, 48, kNone},  {10, 43, 43, kNone}, {11, 48, 43, kNone},
        {12, 79, kNone, kNone}, {13, 43, 43, kNone}, {14, 48, 43, kNone},
    };
    // Every font at both resolutions, in its catalogue cells, with its stored row width ('&').
    for (const FontB& f : kFontsB) {
        for (const auto& set : sets) {
            select(f, set.charSet);
            const int hash = f.font == 4 ? set.hashFont4 : set.hash;
            EXPECT_EQ(txr_.GetStringSize("A#\x9C&"), CSize(4 * f.cellWidth, f.cellHeight));
            EXPECT_EQ(drawn("A#\x9C&", 4 * f.cellWidth, f.cellHeight),
                      joined(printed(f, {15, hash, set.code156, kFullGlyph})))
                << "font " << f.font << " at " << f.dpi << ", set " << set.charSet;
        }
    }
    // A set outside the fifteen keeps the table in force; before any table, every code is refused.
    const FontB& f = kFontsB[0];
    txr_ = CTXR();
    select(f, 99);
    EXPECT_EQ(drawn("A#", 20, 12), joined(printed(f, {kNone, kNone})));
    for (int charSet : {7, 15, -1}) {
        select(f, charSet);
        EXPECT_EQ(drawn("A#", 20, 12), joined(printed(f, {15, 48}))) << "set " << charSet;
    }
}

TEST_F(Render, Family1ResolutionsDifferWhereTheirTablesDo) {
    const struct {
        int font;
        char code;
        int glyph203, glyph300;
    } cases[] = {
        {4, '(', 82, kNone}, {0, '(', 82, 82}, {1, '{', 159, kNone}, {4, '{', kNone, kNone}};
    for (const auto& c : cases) {
        for (int dpi : {203, 300}) {
            const FontB& f = fontB(dpi, c.font);
            select(f);
            const char text[] = {c.code, 0};
            EXPECT_EQ(drawn(text, f.cellWidth, f.cellHeight),
                      joined(printed(f, {dpi == 203 ? c.glyph203 : c.glyph300})))
                << "font " << f.font << " at " << dpi << ", code " << c.code;
        }
    }
}

TEST_F(Render, Family2CodeWithoutGlyphRepaintsWhatTheEngineStillHolds) {
    // A new engine holds code 0, whose glyph in block 2 advances 9; 'q' has none and keeps it.
    select(2, 2);
    EXPECT_EQ(txr_.GetStringSize("q"), CSize(9, 12));
    // 'q' keeps W's header (48 x 48, advance 50) and paints what the glyph buffer holds after
    // ClearBuffer zeroed its first 256 bytes: W's rows are 6 bytes, so the right 16 dots of row
    // 42 and rows 43 to 47 are still ink.
    select(2, 8);
    EXPECT_EQ(txr_.GetStringSize("Wq"), CSize(100, 50));
    Picture expected = placed(kFull48, 0, 0, 100, 50);
    expected[42].replace(50 + 32, 16, 16, '#');
    for (int row = 43; row < 48; ++row) expected[row].replace(50, 48, 48, '#');
    EXPECT_EQ(drawn("Wq", 100, 50), joined(expected));
}

TEST_F(Render, UnwritableExportPathOrStagingFileRaisesAndReleasesEverything) {
    std::filesystem::create_directory("a_directory.bmp");
    const struct {
        const char* path;
        int cause;
    } paths[] = {{"no_such_dir/out.bmp", test::kMissingDirectoryCause},
                 {"a_directory.bmp", CFileException::accessDenied}};
    for (int family : {0, 1, 2}) {
        select(family, 0);
        const int before = test::openFileDescriptors();
        for (const auto& p : paths) {
            EXPECT_EQ(test::fileExceptionCause([&] { txr_.GetBmpFile(p.path, "AB"); }), p.cause)
                << "family " << family << ", " << p.path;
            EXPECT_EQ(test::leftBehind(txr_), "") << "family " << family << ", " << p.path;
        }
        EXPECT_EQ(test::openFileDescriptors(), before);
        ASSERT_TRUE(std::filesystem::create_directory("../string.bmp"));  // FontOut's staging file
        Canvas canvas(12, 8, RGB(0, 255, 0));
        EXPECT_EQ(test::fileExceptionCause([&] { txr_.FontOut(canvas.dc(), 0, 0, "AB"); }),
                  CFileException::accessDenied);
        EXPECT_TRUE(std::filesystem::is_directory("../string.bmp")) << "not ours to remove";
        std::filesystem::remove("../string.bmp");
        EXPECT_EQ(test::printedOf(canvas), joined(Picture(8, "????????????")));
        EXPECT_EQ(test::leftBehind(txr_), "") << "family " << family;
    }
    std::filesystem::remove("a_directory.bmp");
}

TEST_F(Render, NothingIsDrawnOrWrittenUnlessTheLastSelectionLeftAFamilyReady) {
    const std::vector<std::uint8_t> kept = {1, 2, 3};
    const auto expectNothing = [&](const CString& text, const std::string& where) {
        ASSERT_TRUE(fontkit::writeFileBytes("keep.bmp", kept));
        txr_.GetBmpFile("keep.bmp", text);
        EXPECT_EQ(test::readFileBytes("keep.bmp"), kept) << where;
        EXPECT_TRUE(test::exportedBy(txr_, text, "new.bmp").bytes.empty()) << where;
        EXPECT_EQ(drawn(text, 2, 2), "??\n??\n") << where;
        EXPECT_EQ(test::leftBehind(txr_), "") << where;
    };
    txr_.SetPath("fonts0/");
    expectNothing("AB", "before any selection");
    EXPECT_EQ(txr_.GetStringSize("AB"), CSize(12, 8)) << "measuring does not need readiness";
    for (int family : {0, 1, 2}) {
        const std::string name = "family " + std::to_string(family);
        select(family, 0);
        expectNothing("", name + ", empty text");
        EXPECT_EQ(txr_.GetStringSize(""), CSize(0, 0)) << name;
        ASSERT_EQ(txr_.SetFont(family, 99, 1, 1, 0, 203), 2);
        expectNothing("AB", name + ", then a refused font number");
        select(family, 0);
        ASSERT_EQ(txr_.SetFont(3, 0, 1, 1, 0, 203), 1);
        ASSERT_EQ(txr_.fontReady, 1);
        expectNothing("AB", name + ", then family 3");
    }
}

}  // namespace
}  // namespace txr

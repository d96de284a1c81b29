// The limits a host can rely on, through CTXR: the largest string bitmap (kMaxStringDots), sizes
// that cannot overflow with the largest cells, texts and scale factors, and a pen that runs past
// the measured width.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fontkit/font_file_a.h"
#include "fontkit/font_file_z.h"
#include "support/bmp_file.h"
#include "support/picture.h"
#include "support/raster_ascii.h"
#include "txr/TXR.h"

namespace txr {
namespace {

using fontkit::FontBlockA;
using fontkit::FontBlockZ;
using fontkit::GlyphA;
using fontkit::GlyphZ;

const test::Picture kDot = {"#"};

// A.bin with a fixed-cell block 0 of the given cell and a proportional block 9 whose 'A' advances
// 65535 dots; 'x' has no glyph in either.
void writeFontA(int cellWidth, int cellHeight) {
    std::vector<FontBlockA> blocks(10);
    for (FontBlockA& block : blocks) {
        block.firstCode = 'A';
        block.lastCode = 'x';
        block.cellWidth = cellWidth;
        block.cellHeight = cellHeight;
        block.baseLine = 0;
        block.glyphs = {GlyphA{'A', {kDot}, 0, 1, 65535}};
    }
    ASSERT_TRUE(fontkit::writeFileBytes("A.bin", fontkit::writeFontFileA(blocks)));
}

// Z.bin: block 0 with a cell 65535 wide and the same 'A'.
void writeFontZ(int cellHeight) {
    FontBlockZ block;
    block.cellWidth = 65535;
    block.cellHeight = cellHeight;
    block.baseLine = 1;
    block.glyphs = {GlyphZ{'A', {kDot}, 0, 1, 65535}};
    ASSERT_TRUE(fontkit::writeFileBytes("Z.bin", fontkit::writeFontFileZ({block})));
}

std::int64_t clampedToInt(long double value) {
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<std::int64_t>(value);
}

TEST(Limits, SizesOfTheLargestCellsTextsAndScalesAreClampedNeverWrapped) {
    writeFontA(65535, 65535);
    writeFontZ(65535);
    const struct {
        int family, font, scaleH, scaleV;
        std::size_t length;
        long double advance, cellHeight;  // per character, unscaled
    } cases[] = {
        {0, 0, 1, 1, 255, 65535, 65535},
        {0, 0, INT_MAX, INT_MAX, 255, 65535, 65535},
        {0, 0, INT_MAX, 1, 70000, 65535, 65535},
        {0, 9, INT_MAX, 2, 255, 65535, 65535 + 3},
        {0, 9, 3, 1, 70000, 65535, 65535 + 3},
        {1, 4, INT_MAX, INT_MAX, 70000, 36, 48},
        {1, 0, 1, 1, 255, 10, 12},
        {2, 0, INT_MAX, INT_MAX, 255, 65535, 65535 + 1},
        {2, 0, 65536, 1, 70000, 65535, 65535 + 1},
    };
    for (const auto& c : cases) {
        CTXR txr;
        txr.SetPath("");
        ASSERT_EQ(txr.SetFont(c.family, c.font, c.scaleH, c.scaleV, 0, 203), 0);
        const CString text(std::string(c.length, 'A').c_str());
        const CSize size = txr.GetStringSize(text);
        EXPECT_EQ(size.cx, clampedToInt(c.advance * c.length * c.scaleH))
            << "family " << c.family << " font " << c.font << " x" << c.scaleH << " length "
            << c.length;
        EXPECT_EQ(size.cy, clampedToInt(c.cellHeight * c.scaleV)) << "family " << c.family;
    }
}

TEST(Limits, RefusedNegativeScaleIsStillMeasuredAndClamped) {
    writeFontA(65535, 65535);
    CTXR txr;
    txr.SetPath("");
    EXPECT_EQ(txr.SetFont(0, 0, INT_MIN, 1, 0, 203), 3);
    EXPECT_EQ(txr.GetStringSize("AAA"), CSize(INT_MIN, 65535));
    EXPECT_EQ(txr.SetFont(0, 0, 1, -2, 0, 203), 4);
    EXPECT_EQ(txr.GetStringSize("AAA"), CSize(3 * 65535, -2 * 65535));
}

// Cell 4096 x 1 at scaleH 4096: 16 characters make exactly kMaxStringDots dots, 17 one cell more.
TEST(Limits, LargestStringBitmapIsDrawnAndOneCellMoreIsRefused) {
    writeFontA(4096, 1);
    ASSERT_EQ(std::int64_t{4096} * 4096 * 16, kMaxStringDots);
    CTXR txr;
    txr.SetPath("");
    ASSERT_EQ(txr.SetFont(0, 0, 4096, 1, 0, 203), 0);

    std::remove("largest.bmp");
    txr.GetBmpFile("largest.bmp", "AAAAAAAAAAAAAAAA");
    const std::vector<std::uint8_t> largest = test::readFileBytes("largest.bmp");
    EXPECT_EQ(largest.size(), 62 + kMaxStringDots / 8);
    std::remove("largest.bmp");

    ASSERT_TRUE(fontkit::writeFileBytes("kept.bmp", {'k', 'e', 'p', 't'}));
    const CString tooLong = "AAAAAAAAAAAAAAAAA";
    EXPECT_EQ(txr.GetStringSize(tooLong), CSize(4096 * 4096 * 17, 1)) << "still measured";
    txr.GetBmpFile("kept.bmp", tooLong);
    EXPECT_EQ(test::readFileBytes("kept.bmp"), (std::vector<std::uint8_t>{'k', 'e', 'p', 't'}));

    Canvas canvas(8, 2, RGB(0, 255, 0));
    txr.FontOut(canvas.dc(), 0, 0, tooLong);
    EXPECT_EQ(test::asciiOf(canvas, RGB(0, 255, 0)), "########\n########\n") << "untouched";
    EXPECT_FALSE(test::fileExists("../string.bmp"));
    EXPECT_EQ(txr.engineA->fontFile, nullptr);
}

TEST(Limits, SizeThatOverflowsAnIntIsRefusedLikeAnyLargeOne) {
    writeFontZ(65535);
    CTXR txr;
    txr.SetPath("");
    ASSERT_EQ(txr.SetFont(2, 0, INT_MAX, INT_MAX, 1, 203), 0);
    EXPECT_EQ(txr.GetStringSize("A"), CSize(INT_MAX, INT_MAX));
    std::remove("huge.bmp");
    txr.GetBmpFile("huge.bmp", "A");
    EXPECT_FALSE(test::fileExists("huge.bmp"));
}

// Codes without a glyph take the advance of the glyph fetched before them. Measuring fetches
// a glyph with no advance before the text, drawing the text's last glyph (65535 dots), so
// 40000 leading codes without a glyph push the pen past INT_MAX while the bitmap stays one
// glyph wide. The pen stops at INT_MAX and nothing is painted past the bitmap.
TEST(Limits, PenPastTheMeasuredWidthNeitherWrapsNorPaints) {
    writeFontA(8, 1);
    writeFontZ(1);
    const std::string text = std::string(40000, 'x') + "A";
    for (int family : {0, 2}) {
        CTXR txr;
        txr.SetPath("");
        ASSERT_EQ(txr.SetFont(family, family == 0 ? 9 : 0, 1, 1, 0, 203), 0);
        std::remove("pen.bmp");
        txr.GetBmpFile("pen.bmp", text.c_str());
        EXPECT_EQ(txr.stringWidth, 65535) << "family " << family;
        EXPECT_EQ(txr.penX, INT_MAX) << "family " << family;
        const std::vector<std::uint8_t> file = test::readFileBytes("pen.bmp");
        const std::size_t stride = (65535 + 31) / 32 * 4;
        ASSERT_EQ(file.size(), 62 + stride * static_cast<std::size_t>(txr.stringHeight));
        for (std::size_t row = 0; row < static_cast<std::size_t>(txr.stringHeight); ++row) {
            const std::uint8_t* bits = file.data() + 62 + row * stride;
            EXPECT_EQ(std::string(bits, bits + 65535 / 8), std::string(65535 / 8, '\xFF'))
                << "family " << family << ": every dot of row " << row << " is paper";
        }
    }
}

}  // namespace
}  // namespace txr

// The size and painting limits a host can rely on, through CTXR.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fontkit/font_file_a.h"
#include "fontkit/font_file_z.h"
#include "support/ctxr_calls.h"
#include "support/picture.h"

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
    const FontBlockA block{'A', 'x', 0, cellWidth, cellHeight, {GlyphA{'A', {kDot}, 0, 1, 65535}}};
    ASSERT_TRUE(fontkit::writeFileBytes("A.bin", fontkit::writeFontFileA({10, block})));
}

// Z.bin: block 0 with a cell 65535 wide and the same 'A'.
void writeFontZ(int cellHeight) {
    const FontBlockZ block{65535, cellHeight, 1, {GlyphZ{'A', {kDot}, 0, 1, 65535}}};
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
        int family, font, scaleH, scaleV, rotation, result;
        std::size_t length;
        long double advance, cellHeight;  // per character, unscaled
    } cases[] = {
        {0, 0, 1, 1, 0, 0, 255, 65535, 65535},
        {0, 0, INT_MAX, INT_MAX, 0, 0, 255, 65535, 65535},
        {0, 0, INT_MAX, 1, 0, 0, 70000, 65535, 65535},
        {0, 9, INT_MAX, 2, 0, 0, 255, 65535, 65535 + 3},
        {0, 9, 3, 1, 0, 0, 70000, 65535, 65535 + 3},
        {1, 4, INT_MAX, INT_MAX, 0, 0, 70000, 36, 48},
        {1, 0, 1, 1, 0, 0, 255, 10, 12},
        {2, 0, INT_MAX, INT_MAX, 1, 0, 1, 65535, 65535 + 1},
        {2, 0, 65536, 1, 0, 0, 70000, 65535, 65535 + 1},
        // Refused scales are still measured, and nothing is written.
        {0, 0, INT_MIN, 1, 0, 3, 3, 65535, 65535},
        {0, 0, 1, -2, 0, 4, 3, 65535, 65535},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "family " << c.family << " font " << c.font << " x" << c.scaleH << " y"
                     << c.scaleV << " length " << c.length);
        CTXR txr;
        txr.SetPath("");
        ASSERT_EQ(txr.SetFont(c.family, c.font, c.scaleH, c.scaleV, c.rotation, 203), c.result);
        const CString text(std::string(c.length, 'A').c_str());
        const CSize size = txr.GetStringSize(text);
        EXPECT_EQ(size.cx, clampedToInt(c.advance * c.length * c.scaleH));
        EXPECT_EQ(size.cy, clampedToInt(c.cellHeight * c.scaleV));
        const bool tooLarge = std::int64_t{size.cx} * size.cy > kMaxStringDots;
        EXPECT_EQ(test::exportedBy(txr, text, "limits.bmp").bytes.empty(),
                  c.result != 0 || tooLarge);
    }
}

// A one-dot cell at scaleH kMaxStringDots makes exactly the largest bitmap; one dot more is
// refused, though still measured.
TEST(Limits, LargestStringBitmapIsDrawnAndOneDotMoreIsRefused) {
#ifdef _WIN32
    GTEST_SKIP() << "the real drawing calls refuse a one-bit bitmap of 2^28 dots; GetBmpFile then "
                    "writes nothing";
#endif
    writeFontA(1, 1);
    CTXR txr;
    txr.SetPath("");
    ASSERT_EQ(txr.SetFont(0, 0, static_cast<int>(kMaxStringDots), 1, 0, 203), 0);
    EXPECT_EQ(test::exportedBy(txr, "A", "largest.bmp").bytes.size(), 62 + kMaxStringDots / 8);
    std::remove("largest.bmp");

    ASSERT_EQ(txr.SetFont(0, 0, static_cast<int>(kMaxStringDots) + 1, 1, 0, 203), 0);
    EXPECT_EQ(txr.GetStringSize("A"), CSize(static_cast<int>(kMaxStringDots) + 1, 1));
    ASSERT_TRUE(fontkit::writeFileBytes("kept.bmp", {'k', 'e', 'p', 't'}));
    txr.GetBmpFile("kept.bmp", "A");
    EXPECT_EQ(test::readFileBytes("kept.bmp"), (std::vector<std::uint8_t>{'k', 'e', 'p', 't'}));
    EXPECT_EQ(test::drawnBy(txr, "A", 8, 2), "????????\n????????\n") << "untouched";
    EXPECT_EQ(test::leftBehind(txr), "");
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
        const std::vector<std::uint8_t> file = test::exportedBy(txr, text.c_str(), "pen.bmp").bytes;
        EXPECT_EQ(txr.stringWidth, 65535) << "family " << family;
        EXPECT_EQ(txr.penX, INT_MAX) << "family " << family;
        const std::size_t stride = (65535 + 31) / 32 * 4;
        ASSERT_EQ(file.size(), 62 + stride * static_cast<std::size_t>(txr.stringHeight));
        for (std::size_t row = 0; row < static_cast<std::size_t>(txr.stringHeight); ++row) {
            const std::uint8_t* bits = file.data() + 62 + row * stride;
            EXPECT_EQ(std::string(bits, bits + 65535 / 8), std::string(65535 / 8, '\xFF'))
                << "family " << family << ": every dot of row " << row << " is paper";
        }
    }
}

// The painting work of one call is bounded: glyphs made to stack on one spot draw nothing once
// their summed magnified bitmaps pass kMaxPaintedDots. Font 0 of A.bin here has a cell one dot
// wide and an 80 x 102 glyph of full ink at 'A'; each 'A' magnified 16 times charges
// min(80 * 16, string width) x 102 * 16 dots.
constexpr std::int64_t kGlyphCharge = 80 * 16 * 102 * 16;

TEST(PaintBound, StackedGlyphsDrawUpToTheBoundAndNothingPastIt) {
    std::filesystem::create_directory("stacked");
    const fontkit::FontBlockA block{
        'A', 'A', 102,
        1,   102, {{'A', {std::vector<std::string>(102, std::string(80, '#'))}, 0, 102, 1}}};
    ASSERT_TRUE(fontkit::writeFileBytes("stacked/A.bin", fontkit::writeFontFileA({block})));
    CTXR txr;
    txr.SetPath("stacked/");
    ASSERT_EQ(txr.SetFont(0, 0, 16, 16, 0, 203), 0);
    const int fits = static_cast<int>(kMaxPaintedDots / kGlyphCharge);
    ASSERT_EQ(fits, 257);
    for (const int length : {fits, fits + 1}) {
        std::remove("stacked.bmp");
        txr.GetBmpFile("stacked.bmp",
                       CString(std::string(static_cast<std::size_t>(length), 'A').c_str()));
        const bool written = std::remove("stacked.bmp") == 0;
        EXPECT_EQ(written, length == fits) << length << " glyphs";
        EXPECT_EQ(txr.LastDrawingMade(), length == fits) << length << " glyphs";
    }
}

}  // namespace
}  // namespace txr

// Family 2 from end to end through CTXR: proportional layout by advances, left offsets, ascent and
// baseline, overlapping glyphs, font numbers and their blocks, the stale glyph of a code without
// glyph, and a missing Z.bin, with Z.bin built in the test from pictures.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "fontkit/font_file_z.h"
#include "support/bmp_file.h"
#include "support/picture.h"
#include "support/raster_ascii.h"
#include "txr/TXR.h"

namespace txr {
namespace {

using fontkit::FontBlockZ;
using fontkit::GlyphZ;
using test::Picture;

const Picture kA = {".###.", "#...#", "#####", "#...#", "#...#"};
const Picture kI = {"#", ".", "#", "#", "#"};
const Picture kP = {"###", "#.#", "###", "#..", "#.."};
const Picture kO = {"#..#", "#..#"};
const Picture kFull48(48, std::string(48, '#'));

// Cell height and baseline of blocks 0 to 7; block 7 is tall enough for a 48-row glyph.
const struct {
    int cellHeight, baseLine;
} kBlocks[] = {{10, 6}, {11, 7}, {12, 8}, {13, 9}, {14, 10}, {15, 11}, {16, 12}, {50, 48}};

// Every block: 'A' (advance 6), 'i' one dot right of its pen (advance 3), 'p' with two rows below
// the baseline (advance 4), 'o' wider than its advance. Block 2 has a glyph at code 0, which no
// text can name; block 7 a fully inked 48 x 48 'W'.
std::vector<FontBlockZ> testFont() {
    std::vector<FontBlockZ> blocks;
    for (const auto& b : kBlocks) {
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

class RenderFamily2 : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::filesystem::create_directories("fonts2");
        ASSERT_TRUE(fontkit::writeFileBytes("fonts2/Z.bin", fontkit::writeFontFileZ(testFont())));
    }

    CTXR txr_;

    void select(int font, int scaleH = 1, int scaleV = 1, int rotation = 0) {
        txr_.SetPath("fonts2/");
        ASSERT_EQ(txr_.SetFont(2, font, scaleH, scaleV, rotation, 203), 0);
    }

    std::string drawn(const CString& text, int width, int height) {
        Canvas canvas(width, height, RGB(0, 255, 0));
        txr_.FontOut(canvas.dc(), 0, 0, text);
        return test::printedOf(canvas);
    }
};

// "Aip" in block 2 (cell 12, baseline 8): 'A' at pen 0, 'i' at pen 6 plus its left offset,
// 'p' at pen 9 reaching two rows below the baseline.
// clang-format off
const Picture kAip = {
    ".............",
    ".............",
    ".............",
    ".###...#.....",
    "#...#........",
    "#####..#.###.",
    "#...#..#.#.#.",
    "#...#..#.###.",
    ".........#...",
    ".........#...",
    ".............",
    ".............",
};
// clang-format on

TEST_F(RenderFamily2, GlyphsSitOnTheBaselineByLeftOffsetAscentAndAdvance) {
    select(2);
    EXPECT_EQ(txr_.GetStringSize("Aip"), CSize(13, 12));
    EXPECT_EQ(drawn("Aip", 13, 12), test::joined(kAip));
}

TEST_F(RenderFamily2, MagnifiedTurnedReverseVideoStringMatchesThePicture) {
    for (int rotation = 0; rotation < 4; ++rotation) {
        select(2, 2, 3, rotation);
        txr_.SetInvert(1);
        const Picture expected =
            test::turnClockwise(test::reverseVideo(test::magnify(kAip, 2, 3)), rotation);
        const CSize size(static_cast<int>(expected[0].size()), static_cast<int>(expected.size()));
        EXPECT_EQ(txr_.GetStringSize("Aip"), size) << "rotation " << rotation;
        EXPECT_EQ(drawn("Aip", size.cx, size.cy), test::joined(expected))
            << "rotation " << rotation;
    }
}

TEST_F(RenderFamily2, LaterGlyphsPaperCoversEarlierInk) {
    // Each 'o' is 4 dots wide but advances 2: the second one's blank middle covers the first's
    // right-hand ink, in either video sense.
    const Picture oo = test::placed({"#.#.", "#.#."}, 0, 6, 4, 12);
    for (int invert : {0, 1}) {
        select(2);
        txr_.SetInvert(invert);
        EXPECT_EQ(drawn("oo", 4, 12), test::joined(invert == 1 ? test::reverseVideo(oo) : oo));
    }
}

TEST_F(RenderFamily2, FontNumbersSelectBlocksAndFontsZeroAndOneGrowTaller) {
    const struct {
        int font, block, extraRows;
    } cases[] = {
        {0, 0, 1}, {1, 1, 2}, {2, 2, 0}, {3, 2, 0}, {4, 3, 0},
        {5, 4, 0}, {6, 5, 0}, {7, 6, 0}, {8, 7, 0},
    };
    for (const auto& c : cases) {
        select(c.font, 1, 2);
        const int height = kBlocks[c.block].cellHeight + c.extraRows;
        const Picture a = test::placed(kA, 0, kBlocks[c.block].baseLine - 5, 6, height);
        EXPECT_EQ(txr_.GetStringSize("A"), CSize(6, 2 * height)) << "font " << c.font;
        EXPECT_EQ(drawn("A", 6, 2 * height), test::joined(test::magnify(a, 1, 2)))
            << "font " << c.font;
    }
}

TEST_F(RenderFamily2, CodeWithoutGlyphRepaintsWhatClearBufferLeftOfTheGlyphBefore) {
    select(8);
    // 'q' has no glyph: it keeps W's header (48 x 48, advance 50) and paints what the glyph
    // buffer holds after ClearBuffer zeroed its first 256 bytes: W's rows are 6 bytes, so the
    // right 16 dots of row 42 and rows 43 to 47 are still ink.
    EXPECT_EQ(txr_.GetStringSize("Wq"), CSize(100, 50));
    Picture expected = test::placed(kFull48, 0, 0, 100, 50);
    expected[42].replace(50 + 32, 16, 16, '#');
    for (int row = 43; row < 48; ++row) expected[row].replace(50, 48, 48, '#');
    EXPECT_EQ(drawn("Wq", 100, 50), test::joined(expected));
}

TEST_F(RenderFamily2, MeasuringFirstFetchesTheCodeTheEngineHolds) {
    select(2);
    // A new engine holds code 0, whose glyph in block 2 advances 9; 'q' has none and keeps it.
    EXPECT_EQ(txr_.GetStringSize("q"), CSize(9, 12));
}

TEST_F(RenderFamily2, MissingFontFileMeasuresNoWidthAndDrawsNothing) {
    txr_.SetPath("no_such_dir/");
    ASSERT_EQ(txr_.SetFont(2, 0, 1, 1, 0, 203), 0);
    EXPECT_EQ(txr_.GetStringSize("AB"), CSize(0, 1)) << "a cell 0 high, plus font 0's row";
    EXPECT_EQ(drawn("AB", 3, 2), "???\n???\n");
    std::remove("missing.bmp");
    txr_.GetBmpFile("missing.bmp", "AB");
    EXPECT_FALSE(test::fileExists("missing.bmp"));
    EXPECT_EQ(txr_.engineZ->fontFile, nullptr);
    EXPECT_EQ(txr_.engineZ->fetchCount, 0);
}

TEST_F(RenderFamily2, FontFileIsClosedAfterEachCallAndReopenedByTheNext) {
    select(2);
    const std::string first = drawn("Aip", 13, 12);
    EXPECT_EQ(txr_.engineZ->fontFile, nullptr);
    EXPECT_EQ(txr_.engineZ->fetchCount, 0);
    EXPECT_FALSE(test::fileExists("../string.bmp"));
    EXPECT_EQ(drawn("Aip", 13, 12), first);
    EXPECT_EQ(first, test::joined(kAip));
}

}  // namespace
}  // namespace txr

// Family 0 from end to end through CTXR: measuring, FontOut onto a canvas, GetBmpFile, with font
// files built in the test from pictures.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "fontkit/font_file_a.h"
#include "support/bmp_file.h"
#include "support/open_files.h"
#include "support/picture.h"
#include "support/raster_ascii.h"
#include "txr/TXR.h"

namespace txr {
namespace {

using fontkit::FontBlockA;
using fontkit::GlyphA;
using test::Picture;

const Picture kA = {
    ".###.", "#...#", "#####", "#...#", "#...#",
};
const Picture kB = {
    "###.", "#..#", "###.", "#..#", "###.",
};
const Picture kI = {"#", ".", "#", "#", "#"};
const Picture kO = {"#..#", "#..#"};
const Picture kDegree = {".#.", "#.#", ".#."};

// Block b of A.bin: cell 6 wide and 8 + b high. Fonts up to 16 count the baseline from the
// cell's bottom (1 row), fonts above 16 from its top (6 rows), so glyphs of 5 rows with ascent 5
// start in row 2 of block 0 and row 1 of block 17.
FontBlockA testBlock(int block, int cellWidth, int cellHeight) {
    FontBlockA font;
    font.firstCode = 0x20;
    font.lastCode = 0xB0;
    font.cellWidth = cellWidth;
    font.cellHeight = cellHeight;
    font.baseLine = block > 16 ? 6 : 1;
    font.glyphs = {
        GlyphA{'A', {kA}, 0, 5, 6}, GlyphA{'B', {kB}, 1, 5, 6},       GlyphA{'i', {kI}, 0, 5, 2},
        GlyphA{'o', {kO}, 0, 2, 2}, GlyphA{0xB0, {kDegree}, 0, 5, 4},
    };
    return font;
}

class RenderFamily0 : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::filesystem::create_directory("fonts0");
        std::vector<FontBlockA> blocks203;
        for (int b = 0; b < 25; ++b) blocks203.push_back(testBlock(b, 6, 8 + b));
        std::vector<FontBlockA> blocks300;
        for (int b = 0; b < 16; ++b) blocks300.push_back(testBlock(b, 10, 20 + b));
        ASSERT_TRUE(fontkit::writeFileBytes("fonts0/A.bin", fontkit::writeFontFileA(blocks203)));
        ASSERT_TRUE(fontkit::writeFileBytes("fonts0/A300.bin", fontkit::writeFontFileA(blocks300)));
    }

    CTXR txr_;

    void select(int font, int scaleH = 1, int scaleV = 1, int rotation = 0, int dpi = 203) {
        txr_.SetPath("fonts0/");
        ASSERT_EQ(txr_.SetFont(0, font, scaleH, scaleV, rotation, dpi), 0);
    }

    std::string drawn(const CString& text, int width, int height, int x = 0, int y = 0) {
        Canvas canvas(width, height, RGB(0, 255, 0));
        txr_.FontOut(canvas.dc(), x, y, text);
        return test::asciiOf(canvas, RGB(0, 0, 0));
    }

    test::BmpPicture exported(const CString& text) {
        std::remove("out.bmp");
        txr_.GetBmpFile("out.bmp", text);
        return test::readOneBitBmp("out.bmp");
    }
};

// "AB" in the fixed cells of block 0: A at x 0, B one dot right of x 6 by its left offset.
const Picture kAB = {
    "............", "............", ".###...###..", "#...#..#..#.",
    "#####..###..", "#...#..#..#.", "#...#..###..", "............",
};

TEST_F(RenderFamily0, FixedCellsPlaceGlyphsOnTheBaselineWithLeftOffsets) {
    select(0);
    EXPECT_EQ(txr_.GetStringSize("AB"), CSize(12, 8));
    // Drawn at (3, 2) of a green canvas: the drawing's paper is white, the canvas shows around it.
    Canvas canvas(16, 11, RGB(0, 255, 0));
    txr_.FontOut(canvas.dc(), 3, 2, "AB");
    EXPECT_EQ(test::asciiOf(canvas, RGB(0, 0, 0)), test::joined(test::placed(kAB, 3, 2, 16, 11)));
    EXPECT_EQ(test::asciiOf(canvas, RGB(255, 255, 255)),
              test::joined(test::placed(test::reverseVideo(kAB), 3, 2, 16, 11)))
        << "white exactly where the drawing has paper";
}

TEST_F(RenderFamily0, MagnifiedTurnedReverseVideoExportMatchesThePicture) {
    for (int rotation = 0; rotation < 4; ++rotation) {
        select(0, 2, 3, rotation);
        txr_.SetInvert(1);
        const Picture expected =
            test::turnClockwise(test::reverseVideo(test::magnify(kAB, 2, 3)), rotation);
        const test::BmpPicture bmp = exported("AB");
        EXPECT_EQ(bmp.ascii, test::joined(expected)) << "rotation " << rotation;
        const CSize size = txr_.GetStringSize("AB");
        EXPECT_EQ(CSize(bmp.width, bmp.height), size) << "rotation " << rotation;
        EXPECT_EQ(drawn("AB", size.cx, size.cy), test::joined(expected)) << "rotation " << rotation;
    }
}

// Block 9 (font 9 at 203 dpi) has cells 17 high with the baseline 1 row up: 5-row glyphs of
// ascent 5 start in row 11, and the string is 3 rows taller than the cell.
constexpr int kBlock9Top = 17 - 1 - 5;

TEST_F(RenderFamily0, ProportionalFontsAdvanceByGlyphAndAddRowsBelow) {
    select(9);
    EXPECT_EQ(txr_.GetStringSize("Ai"), CSize(8, 20));
    const Picture ai = {
        ".###..#.", "#...#...", "#####.#.", "#...#.#.", "#...#.#.",
    };
    EXPECT_EQ(drawn("Ai", 8, 20), test::joined(test::placed(ai, 0, kBlock9Top, 8, 20)));
}

TEST_F(RenderFamily0, LaterGlyphsPaperCoversEarlierInk) {
    select(9);
    // Each "o" is 4 dots wide but advances 2: the second one's blank middle covers the first's
    // right-hand ink.
    EXPECT_EQ(drawn("oo", 4, 20), test::joined(test::placed({"#.#.", "#.#."}, 0, 14, 4, 20)));
}

TEST_F(RenderFamily0, CodeWithoutGlyphIsBlankWithTheSizeOfTheGlyphBefore) {
    select(9);
    // 'q' has no glyph: it advances like the 'A' before it and paints a blank 5 x 5 area.
    EXPECT_EQ(txr_.GetStringSize("Aq"), CSize(12, 20));
    EXPECT_EQ(drawn("Aqi", 14, 20).substr(kBlock9Top * 15, 15), ".###........#.\n");
    select(0);
    EXPECT_EQ(drawn("qA", 12, 8), test::joined(test::placed(kA, 6, 2, 12, 8)));
}

TEST_F(RenderFamily0, FontsAboveSixteenCountTheBaselineFromTheTop) {
    select(17);
    EXPECT_EQ(txr_.GetStringSize("A"), CSize(6, 25));
    EXPECT_EQ(drawn("A", 6, 25).substr(0, 3 * 7), "......\n.###..\n#...#.\n");
}

TEST_F(RenderFamily0, HeightCorrectionsByFontNumberAndResolution) {
    const struct {
        int font, dpi, block, extra;
    } cases[] = {
        {9, 203, 9, 3}, {10, 203, 9, 3}, {11, 203, 10, 1}, {12, 203, 11, 0},
        {1, 203, 1, 0}, {9, 300, 9, 1},  {12, 300, 12, 1}, {10, 300, 10, 0},
        {1, 300, 1, 3}, {0, 300, 0, 0},  {24, 203, 24, 0}, {15, 203, 14, 0},
    };
    for (const auto& c : cases) {
        select(c.font, 1, 2, 0, c.dpi);
        const int cell = (c.dpi == 203 ? 8 : 20) + c.block;
        EXPECT_EQ(txr_.GetStringSize("A").cy, 2 * (cell + c.extra))
            << "font " << c.font << " at " << c.dpi;
    }
}

TEST_F(RenderFamily0, TextByteAboveSevenBitsReachesTheEngineUnsigned) {
    select(0);
    EXPECT_EQ(drawn("\xB0", 6, 8).substr(2 * 7, 3 * 7), ".#....\n#.#...\n.#....\n");
}

TEST_F(RenderFamily0, StagingFileIsGoneAndFontFilesClosedAfterEachCall) {
    select(0);
    const std::string first = drawn("AB", 12, 8);
    EXPECT_FALSE(test::fileExists("../string.bmp"));
    EXPECT_EQ(txr_.engineA->fontFile, nullptr);
    EXPECT_EQ(txr_.engineA->fetchCount, 0);
    EXPECT_EQ(drawn("AB", 12, 8), first) << "the second call opens the font file anew";
    EXPECT_EQ(first, test::joined(kAB));
}

TEST_F(RenderFamily0, NothingHappensUntilASelectionIsAccepted) {
    txr_.SetPath("fonts0/");
    EXPECT_EQ(drawn("AB", 12, 8), test::joined(Picture(8, "............")));
    ASSERT_TRUE(fontkit::writeFileBytes("keep.bmp", {1, 2, 3}));
    txr_.GetBmpFile("keep.bmp", "AB");
    EXPECT_EQ(test::readFileBytes("keep.bmp"), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(txr_.GetStringSize("AB"), CSize(12, 8)) << "measuring does not need readiness";
}

TEST_F(RenderFamily0, EmptyTextMeasuresZeroAndWritesNothing) {
    select(0);
    EXPECT_EQ(txr_.GetStringSize(""), CSize(0, 0));
    std::remove("empty.bmp");
    txr_.GetBmpFile("empty.bmp", "");
    EXPECT_FALSE(test::fileExists("empty.bmp"));
}

TEST_F(RenderFamily0, MissingFontFileMeasuresNothingAndDrawsNothing) {
    txr_.SetPath("no_such_dir/");
    ASSERT_EQ(txr_.SetFont(0, 0, 1, 1, 0, 203), 0);
    EXPECT_EQ(txr_.GetStringSize("AB"), CSize(0, 0));
    EXPECT_EQ(drawn("AB", 4, 4), "....\n....\n....\n....\n");
}

TEST_F(RenderFamily0, UnwritableStagingFileRaisesAndReleasesEverything) {
    select(0);
    ASSERT_TRUE(std::filesystem::create_directory("../string.bmp"))
        << "a directory where the staging file goes";
    Canvas canvas(12, 8);
    int cause = -1;
    try {
        txr_.FontOut(canvas.dc(), 0, 0, "AB");
    } catch (CFileException* error) {
        cause = error->m_cause;
        error->Delete();
    }
    std::filesystem::remove("../string.bmp");
    EXPECT_EQ(cause, CFileException::accessDenied);
    EXPECT_EQ(test::asciiOf(canvas, RGB(0, 0, 0)), test::joined(Picture(8, "............")));
    EXPECT_EQ(txr_.engineA->fontFile, nullptr);
}

TEST_F(RenderFamily0, UnwritableExportPathRaises) {
    select(0);
    int cause = -1;
    try {
        txr_.GetBmpFile("no_such_dir/out.bmp", "AB");
    } catch (CFileException* error) {
        cause = error->m_cause;
        error->Delete();
    }
    EXPECT_EQ(cause, test::kMissingDirectoryCause);
    EXPECT_EQ(txr_.engineA->fontFile, nullptr);
}

}  // namespace
}  // namespace txr

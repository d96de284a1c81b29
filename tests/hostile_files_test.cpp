// Hostile font files and the size and painting limits a host can rely on, through CTXR: no call
// may crash, leak, leave a file behind or stay open, and sizes are clamped, never wrapped.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fontkit/font_file_a.h"
#include "fontkit/font_file_b.h"
#include "fontkit/font_file_z.h"
#include "support/ctxr_calls.h"
#include "support/picture.h"

namespace txr {
namespace {

using Bytes = std::vector<std::uint8_t>;
using fontkit::FontBlockA;
using fontkit::FontBlockZ;
using fontkit::GlyphA;
using fontkit::GlyphZ;

const fontkit::GlyphPicture kBox = {{"#####", "#...#", "#...#", "#####"}};

Bytes fontFileA() {
    return fontkit::writeFontFileA(
        {FontBlockA{'A', 'B', 1, 6, 5, {{'A', kBox, 0, 4, 6}, {'B', kBox, 1, 4, 6}}}});
}

// Font 0 of B.bin up to the end of glyph 16 ('B'); later glyph places are not read by "AB".
Bytes fontFileB() {
    fontkit::FontFileBResult file = fontkit::buildFontFileB(203, {{0, 15, kBox}, {0, 16, kBox}});
    EXPECT_TRUE(file.ok()) << file.error;
    file.bytes.resize(17 * 24);
    return file.bytes;
}

Bytes fontFileZ() {
    return fontkit::writeFontFileZ(
        {FontBlockZ{6, 5, 4, {{'A', kBox, 0, 4, 6}, {'B', kBox, 1, 4, 7}}}});
}

// The size of "AB" in font 0 of each family: two 6-dot cells; two catalogue cells of 10 x 12;
// advances 6 and 7 over a 5-row cell plus the row font 0 of family 2 adds.
const struct Family {
    int number;
    const char* fileName;
    Bytes (*make)();
    CSize size;
} kFamilies[] = {{0, "A.bin", fontFileA, CSize(12, 5)},
                 {1, "B.bin", fontFileB, CSize(20, 12)},
                 {2, "Z.bin", fontFileZ, CSize(13, 6)}};

struct Outcome {
    CSize size;
    std::string painted;  // FontOut onto a 16 x 8 canvas
    Bytes exported;       // GetBmpFile's file, empty when none was written
};

// Everything a host can do with one font file, checking that no call leaves anything behind.
Outcome drawWith(const Family& family, const CString& text) {
    CTXR txr;
    txr.SetPath("hostile/");
    EXPECT_EQ(txr.SetFont(family.number, 0, 1, 1, 0, 203), 0);
    const Outcome outcome{txr.GetStringSize(text), test::drawnBy(txr, text, 16, 8),
                          test::exportedBy(txr, text, "hostile.bmp").bytes};
    EXPECT_EQ(test::leftBehind(txr), "");
    return outcome;
}

TEST(HostileFiles, FontFilesMissingADirectoryOrCutAtEveryOffsetDrawWhatTheyHoldAndNoMore) {
    std::filesystem::create_directories("hostile");
    for (const Family& family : kFamilies) {
        const std::string path = std::string("hostile/") + family.fileName;
        // Missing, a directory or empty: family 1 knows its cells from the catalogue and paints
        // them blank; the others read a header of zeros, to which family 2's font 0 adds one row.
        const CSize blankSize = family.number == 1 ? CSize(20, 12) : CSize(0, family.number / 2);
        const std::string blank =
            test::joined(test::Picture(8, std::string(16, family.number == 1 ? '.' : '?')));
        const auto expectBlank = [&](const Outcome& outcome, const char* what) {
            SCOPED_TRACE(std::string(family.fileName) + " " + what);
            EXPECT_EQ(outcome.size, blankSize);
            EXPECT_EQ(outcome.painted, blank);
            EXPECT_EQ(outcome.exported.empty(), family.number != 1);
        };
        std::filesystem::remove_all(path);
        expectBlank(drawWith(family, "AB"), "missing");
        ASSERT_TRUE(std::filesystem::create_directory(path)) << path;
        expectBlank(drawWith(family, "AB"), "a directory");
        ASSERT_TRUE(std::filesystem::remove(path));

        const Bytes whole = family.make();
        ASSERT_TRUE(fontkit::writeFileBytes(path, whole));
        const Outcome full = drawWith(family, "AB");
        ASSERT_EQ(full.size, family.size) << family.fileName;
        for (std::size_t length = 0; length < whole.size(); ++length) {
            SCOPED_TRACE(std::string(family.fileName) + " cut to " + std::to_string(length));
            ASSERT_TRUE(
                fontkit::writeFileBytes(path, Bytes(whole.begin(), whole.begin() + length)));
            const Outcome cut = drawWith(family, "AB");
            if (length == 0) expectBlank(cut, "empty");
            if (cut.size.cx == 0 || cut.size.cy == 0) {
                EXPECT_TRUE(cut.exported.empty());
                continue;
            }
            const test::BmpPicture picture = test::parseOneBitBmp(cut.exported);
            EXPECT_EQ(CSize(picture.width, picture.height), cut.size);
            if (cut.size != full.size) continue;
            // No ink that the whole file does not have: bits (1 = paper) only ever added.
            for (std::size_t i = 62; i < cut.exported.size(); ++i) {
                EXPECT_EQ(cut.exported[i] & full.exported[i], full.exported[i]) << "byte " << i;
            }
        }
        std::remove(path.c_str());
    }
}

// Found by fuzzing (the inputs replayed below): a glyph 5 dots wide with no rows built an empty
// bitmap and handed a null buffer to memset. It draws nothing and takes its advance.
TEST(HostileFiles, GlyphWithWidthButNoRowsDrawsNothing) {
    std::filesystem::create_directories("zero_rows");
    const FontBlockA blockA{'A', 'B', 1,
                            6,   5,   {GlyphA{'A', {}, 0, 4, 6, 5}, GlyphA{'B', kBox, 0, 4, 6}}};
    ASSERT_TRUE(fontkit::writeFileBytes("zero_rows/A.bin", fontkit::writeFontFileA({blockA})));
    const FontBlockZ blockZ{6, 5, 4, {GlyphZ{'A', {}, 0, 4, 6, 5}, GlyphZ{'B', kBox, 0, 4, 6}}};
    ASSERT_TRUE(fontkit::writeFileBytes("zero_rows/Z.bin", fontkit::writeFontFileZ({blockZ})));

    const test::Picture boxAfterBlank = {"......#####.", "......#...#.", "......#...#.",
                                         "......#####.", "............"};
    for (int family : {0, 2}) {
        CTXR txr;
        txr.SetPath("zero_rows/");
        ASSERT_EQ(txr.SetFont(family, 0, 1, 1, 0, 203), 0);
        const test::BmpPicture picture = test::exportedBy(txr, "AB");
        ASSERT_EQ(picture.width, 12) << "family " << family;
        EXPECT_EQ(picture.ascii.substr(0, 5 * 13), test::joined(boxAfterBlank))
            << "family " << family;
    }
}

// Replays of what the fuzzers found: first their inputs, the font file and then 16 bytes selecting
// font number (modulo 26 or 10), scales, rotation, resolution, reverse video and a text
// (fuzz/fuzz_support.h); then font_file_z-zero-row-glyph.bin, a Z.bin whose glyphs have no rows
// (complementing no rows touched a null buffer), with every code in every font.
TEST(HostileFiles, FuzzerFoundInputsReplayCleanly) {
    std::filesystem::create_directories("replay");
    const auto crasher = [](const std::string& name) {
        return test::readFileBytes(std::string(TXR_SOURCE_DIR) + "/tests/data/crashers/" + name);
    };
    const struct {
        const char* crasher;
        int family;
        int fontNumbers;
    } cases[] = {{"font_file_a_zero_rows", 0, 26}, {"font_file_z_zero_rows", 2, 10}};
    for (const auto& c : cases) {
        const Bytes input = crasher(c.crasher);
        ASSERT_GT(input.size(), 16u);
        const std::uint8_t* selection = input.data() + input.size() - 16;
        const int resolution = (selection[1] & 0x40) != 0 ? 300 : 203;
        const char* fileName = c.family == 2 ? "Z.bin" : resolution == 300 ? "A300.bin" : "A.bin";
        ASSERT_TRUE(fontkit::writeFileBytes(std::string("replay/") + fileName,
                                            Bytes(input.begin(), input.end() - 16)));
        CTXR txr;
        txr.SetPath("replay/");
        txr.SetInvert(selection[1] >> 7);
        txr.SetFont(c.family, selection[0] % c.fontNumbers, (selection[1] & 3) + 1,
                    ((selection[1] >> 2) & 3) + 1, (selection[1] >> 4) & 3, resolution);
        const CString text(reinterpret_cast<const char*>(selection + 4), selection[3] % 13);
        test::exportedBy(txr, text, "replay.bmp");
        test::drawnBy(txr, text, 64, 64);
        EXPECT_EQ(test::leftBehind(txr), "") << c.crasher;
    }
    ASSERT_TRUE(fontkit::writeFileBytes("replay/Z.bin", crasher("font_file_z-zero-row-glyph.bin")));
    std::string text;
    for (int code = 0; code < 256; ++code) text += static_cast<char>(code);
    for (int font = 0; font <= 8; ++font) {
        CTXR txr;
        txr.SetPath("replay/");
        ASSERT_EQ(txr.SetFont(2, font, 1, 1, 0, 203), 0);
        test::exportedBy(txr, CString(text.data(), static_cast<int>(text.size())), "replay.bmp");
        EXPECT_EQ(test::leftBehind(txr), "") << "font " << font;
    }
}

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

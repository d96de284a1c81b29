// Family 1 from end to end through CTXR: the catalogue's cells at both resolutions, the character
// sets a host picks with engineB->charSet, magnified, turned and reverse-video drawing, and missing
// or closed font files, with B.bin and B300.bin built in the test from pictures.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fontkit/font_file_b.h"
#include "support/bmp_file.h"
#include "support/open_files.h"
#include "support/picture.h"
#include "support/raster_ascii.h"
#include "txr/TXR.h"

namespace txr {
namespace {

using test::Picture;

constexpr int kNone = -1;  // a code without glyph, or refused: a blank cell

// The catalogue's fonts, in whose cells every string is laid out.
struct FontB {
    int dpi, font, cellWidth, cellHeight, rowBits;
};
constexpr FontB kFonts[] = {
    {203, 0, 10, 12, 16}, {203, 1, 12, 16, 16}, {203, 2, 14, 20, 16}, {203, 3, 16, 24, 16},
    {203, 4, 36, 48, 32}, {300, 0, 12, 20, 16}, {300, 1, 16, 28, 16}, {300, 2, 20, 36, 32},
    {300, 3, 24, 44, 32}, {300, 4, 48, 80, 48},
};

// Glyph numbers the code tables give the characters drawn here, and their pictures.
const struct {
    int number;
    Picture art;
} kArt[] = {
    {15, {".###.", "#...#", "#####", "#...#", "#...#"}},  // A
    {16, {"###.", "#..#", "###.", "#..#", "###."}},       // B
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
    for (const auto& glyph : kArt) {
        if (glyph.number == number) {
            return test::placed(glyph.art, 1 + f.font, 1 + f.font, f.rowBits, f.cellHeight);
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
        const Picture cell = test::placed(glyph, 0, 0, f.cellWidth, f.cellHeight);
        for (std::size_t row = 0; row < out.size(); ++row) out[row] += cell[row];
    }
    return out;
}

std::string where(const FontB& f) {
    return "font " + std::to_string(f.font) + " at " + std::to_string(f.dpi);
}

const FontB& fontAt(int dpi, int font) {
    for (const FontB& f : kFonts) {
        if (f.dpi == dpi && f.font == font) return f;
    }
    return kFonts[0];
}

class RenderFamily1 : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::filesystem::create_directories("fonts1");
        for (int dpi : {203, 300}) {
            std::vector<fontkit::FontFileBGlyph> glyphs;
            for (const FontB& f : kFonts) {
                if (f.dpi != dpi) continue;
                glyphs.push_back({f.font, kFullGlyph, {storedGlyph(f, kFullGlyph)}});
                for (const auto& glyph : kArt) {
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
    }

    CTXR txr_;

    void select(const FontB& f, int scaleH = 1, int scaleV = 1, int rotation = 0, int charSet = 0) {
        txr_.SetPath("fonts1/");
        ASSERT_EQ(txr_.SetFont(1, f.font, scaleH, scaleV, rotation, f.dpi), 0);
        txr_.engineB->charSet = charSet;
    }

    std::string drawn(const CString& text, int width, int height) {
        Canvas canvas(width, height, RGB(0, 255, 0));
        txr_.FontOut(canvas.dc(), 0, 0, text);
        return test::printedOf(canvas);
    }
};

TEST_F(RenderFamily1, GlyphsShowTheirStoredRowsCutToTheCell) {
    select(kFonts[0], 1, 1, 0, 7);  // set 7 gives '#' the pound sign
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
    EXPECT_EQ(drawn("A#&", 30, 12), test::joined(aPoundFull));
    EXPECT_EQ(test::joined(printed(kFonts[0], {15, 48, kFullGlyph})), test::joined(aPoundFull));
}

TEST_F(RenderFamily1, EveryFontAtBothResolutionsDrawsInItsCatalogueCells) {
    for (const FontB& f : kFonts) {
        select(f);
        EXPECT_EQ(txr_.GetStringSize("AB0&"), CSize(4 * f.cellWidth, f.cellHeight)) << where(f);
        EXPECT_EQ(drawn("AB0&", 4 * f.cellWidth, f.cellHeight),
                  test::joined(printed(f, {15, 16, 4, kFullGlyph})))
            << where(f);
    }
}

TEST_F(RenderFamily1, Font4At203KeepsItsRightmostFourColumnsPaper) {
    select(fontAt(203, 4));
    EXPECT_EQ(drawn("&", 36, 48), test::joined(Picture(48, std::string(32, '#') + "....")));
    txr_.SetInvert(1);
    EXPECT_EQ(drawn("&", 36, 48), test::joined(Picture(48, std::string(32, '.') + "####")));
}

// The glyph numbers each set gives '#' (35) in fonts 0 to 3 and in font 4, and code 156 in every
// font (sets 6 to 14 refuse it).
const struct {
    int charSet, hash, hashFont4, code156;
} kSets[] = {
    {0, 43, 43, 48},        {1, 43, 43, 48},     {2, 43, 43, kNone},  {3, 43, 43, 48},
    {4, 43, 43, 48},        {5, 43, 43, 48},     {6, 43, 43, kNone},  {7, 48, 48, kNone},
    {8, 43, 43, kNone},     {9, 48, 48, kNone},  {10, 43, 43, kNone}, {11, 48, 43, kNone},
    {12, 79, kNone, kNone}, {13, 43, 43, kNone}, {14, 48, 43, kNone},
};

TEST_F(RenderFamily1, CharacterSetWrittenByTheHostChoosesTheGlyphs) {
    for (const FontB& f : kFonts) {
        for (const auto& set : kSets) {
            select(f, 1, 1, 0, set.charSet);
            const int hash = f.font == 4 ? set.hashFont4 : set.hash;
            EXPECT_EQ(drawn("A#\x9C", 3 * f.cellWidth, f.cellHeight),
                      test::joined(printed(f, {15, hash, set.code156})))
                << where(f) << ", set " << set.charSet;
        }
    }
}

TEST_F(RenderFamily1, CharacterSetOutsideTheFifteenKeepsTheTableInForce) {
    const FontB& f = kFonts[0];
    select(f, 1, 1, 0, 99);
    EXPECT_EQ(drawn("A#", 20, 12), test::joined(printed(f, {kNone, kNone})))
        << "no table yet: every code is refused";
    for (int charSet : {7, 15, -1}) {
        select(f, 1, 1, 0, charSet);
        EXPECT_EQ(drawn("A#", 20, 12), test::joined(printed(f, {15, 48}))) << "set " << charSet;
    }
}

TEST_F(RenderFamily1, ResolutionsDifferWhereTheirTablesDo) {
    const struct {
        int font;
        char code;
        int glyph203, glyph300;
    } cases[] = {
        {4, '(', 82, kNone},
        {0, '(', 82, 82},
        {1, '{', 159, kNone},
        {4, '{', kNone, kNone},
    };
    for (const auto& c : cases) {
        for (int dpi : {203, 300}) {
            const FontB& f = fontAt(dpi, c.font);
            select(f);
            const char text[] = {c.code, 0};
            EXPECT_EQ(drawn(text, f.cellWidth, f.cellHeight),
                      test::joined(printed(f, {dpi == 203 ? c.glyph203 : c.glyph300})))
                << where(f) << ", code " << c.code;
        }
    }
}

TEST_F(RenderFamily1, MagnifiedTurnedReverseVideoStringMatchesThePicture) {
    for (const FontB& f : {fontAt(203, 0), fontAt(300, 2)}) {
        for (int rotation = 0; rotation < 4; ++rotation) {
            select(f, 2, 3, rotation, 7);
            txr_.SetInvert(1);
            const Picture expected = test::turnClockwise(
                test::reverseVideo(test::magnify(printed(f, {15, 48, 4}), 2, 3)), rotation);
            const CSize size(static_cast<int>(expected[0].size()),
                             static_cast<int>(expected.size()));
            EXPECT_EQ(txr_.GetStringSize("A#0"), size) << where(f) << ", rotation " << rotation;
            EXPECT_EQ(drawn("A#0", size.cx, size.cy), test::joined(expected))
                << where(f) << ", rotation " << rotation;
        }
    }
}

TEST_F(RenderFamily1, MissingFontFileGivesBlankCellsOfTheRightSize) {
    for (const FontB& f : kFonts) {
        for (int invert : {0, 1}) {
            txr_.SetPath("no_such_dir/");
            ASSERT_EQ(txr_.SetFont(1, f.font, 3, 2, 0, f.dpi), 0);
            txr_.SetInvert(invert);
            const CSize size(2 * 3 * f.cellWidth, 2 * f.cellHeight);
            EXPECT_EQ(txr_.GetStringSize("AB"), size) << where(f);
            const Picture paper(static_cast<std::size_t>(size.cy),
                                std::string(static_cast<std::size_t>(size.cx), '.'));
            EXPECT_EQ(drawn("AB", size.cx, size.cy),
                      test::joined(invert == 1 ? test::reverseVideo(paper) : paper))
                << where(f) << ", invert " << invert;
        }
    }
}

TEST_F(RenderFamily1, NoFontFileStaysOpenAfterAnyCall) {
    select(fontAt(300, 4));
    const int before = test::openFileDescriptors();
    const std::string first = drawn("AB0#AB0#", 8 * 48, 80);
    EXPECT_EQ(test::openFileDescriptors(), before);
    EXPECT_EQ(txr_.engineB->fontFile, nullptr);
    EXPECT_EQ(txr_.GetStringSize("AB0#AB0#"), CSize(8 * 48, 80));
    txr_.GetBmpFile("out.bmp", "AB0#AB0#");
    EXPECT_EQ(test::openFileDescriptors(), before);
    EXPECT_EQ(txr_.engineB->fontFile, nullptr);
    EXPECT_EQ(test::readOneBitBmp("out.bmp").ascii, first);
    EXPECT_EQ(drawn("AB0#AB0#", 8 * 48, 80), first) << "the next call opens the file anew";
}

}  // namespace
}  // namespace txr

// Engine Z: glyph fetch from font file Z, the glyph bitmap, placement and the dot preview.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/big_endian.h"
#include "fontkit/font_file_z.h"
#include "support/bmp_file.h"
#include "support/raster_ascii.h"
#include "txr/GeneraterZ.h"
#include "txr/platform/canvas.h"

namespace txr {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Head = std::array<int, 5>;  // rows, width, leftOffset, ascent, advance
using fontkit::FontBlockZ;
using fontkit::GlyphZ;

const GlyphZ kCup{0x41, {{"#####", "#...#", ".###."}}, 1, 8, 7};  // rows F8 88 70
const int kWidths[] = {1, 8, 9, 16, 17, 24, 25, 32, 33, 40, 41, 48};

// Block 0: kCup, a 48 x 48 glyph at '0', an empty glyph at ' ', code 0, and at each code of
// 0x80 + w for each w of kWidths a one-row glyph of width w, inked across. Blocks 1 and 2: other
// cell heights and advances.
std::vector<FontBlockZ> standardFont() {
    FontBlockZ first{
        8, 10, 8, {kCup, GlyphZ{0, {{"#"}}, 0, 0, 2}, GlyphZ{' ', {{"", ""}}, 0, 0, 5}}};
    first.glyphs.push_back(
        GlyphZ{'0', {std::vector<std::string>(48, std::string(48, '#'))}, 0, 40, 50});
    for (int w : kWidths)
        first.glyphs.push_back(GlyphZ{0x80 + w, {{std::string(w, '#')}}, 0, 0, w});
    return {first, FontBlockZ{8, 11, 8, {GlyphZ{0x41, {{"#"}}, 0, 0, 3}}},
            FontBlockZ{8, 12, 8, {GlyphZ{0x41, {{"##"}}, 0, 0, 4}}}};
}

class EngineZ : public ::testing::Test {
  protected:
    void SetUp() override { engine.fontPath = CString(dir.c_str()); }
    void TearDown() override { reset(); }
    Bytes install(const Bytes& file) {
        EXPECT_TRUE(fontkit::writeFileBytes(dir + "Z.bin", file));
        return file;
    }
    Bytes install(const std::vector<FontBlockZ>& blocks) {
        return install(fontkit::writeFontFileZ(blocks));
    }
    void fetch(int code) {
        engine.SetCharCode(code);
        engine.TXRZ();
    }
    void reset() {  // as the facade does after each string
        if (engine.fontFile != nullptr) std::fclose(engine.fontFile);
        engine.fontFile = nullptr;
        engine.fetchCount = 0;
    }
    Head head() {
        return {engine.GetCharH(), engine.GetCharW(), engine.GetCharLoff(), engine.GetCharToff(),
                engine.GetCharDelta()};
    }
    Bytes glyphBytes(std::size_t n) const {
        return Bytes(engine.glyphBuffer, engine.glyphBuffer + n);
    }

    const std::string dir = test::freshTestDirectory();
    CGeneraterZ engine;
};

TEST_F(EngineZ, SetFonttypeMapsThreeToEightOneBlockDownAndRefusesTheRest) {
    const int cases[][3] = {{0, 1, 0}, {1, 1, 1}, {2, 1, 2}, {3, 1, 2},
                            {4, 1, 3}, {8, 1, 7}, {9, 0, 5}, {-1, 0, 5}};
    for (const auto& c : cases) {
        engine.fontType = 5;
        EXPECT_EQ(engine.SetFonttype(c[0]), c[1]) << c[0];
        EXPECT_EQ(engine.fontType, c[2]) << c[0];
    }
}

TEST_F(EngineZ, DirectoryIsReadOncePerOpeningUpToTheSelectedBlock) {
    const Bytes file = install(standardFont());
    const std::uint32_t start1 = ReadBE32(&file[0]), start2 = start1 + ReadBE32(&file[start1]);
    engine.SetFonttype(2);
    fetch(0x41);
    EXPECT_EQ(engine.blockTable[1].blockStart, start1);
    EXPECT_EQ(engine.blockTable[2].blockStart, start2);
    EXPECT_EQ(engine.blockTable[2].tableOffset, 104u);
    EXPECT_EQ(Bytes(engine.blockHeaderBuffer, engine.blockHeaderBuffer + 1128),
              Bytes(&file[start2], &file[start2] + 1128));
    std::memset(engine.blockHeaderBuffer, 0x77, 1128);
    fetch(0x41);
    EXPECT_EQ(engine.GetCellH(), 0x7777) << "the open file's directory was read again";
    reset();
    fetch(0x41);
    EXPECT_EQ(engine.GetCellH(), 12);
    EXPECT_EQ(engine.SetFonttype(9), 0);
    EXPECT_NE(engine.fontFile, nullptr) << "a refused number closed the file";
    EXPECT_EQ(engine.SetFonttype(1), 1);
    EXPECT_EQ(engine.fontFile, nullptr);
    fetch(0x41);
    EXPECT_EQ(engine.GetCellH(), 11);
    EXPECT_EQ(engine.GetCharDelta(), 3);
}

TEST_F(EngineZ, CodesAreLookedUpFromZeroAndMissingOnesKeepThePreviousGlyph) {
    EXPECT_NE(ReadBE32(&install(standardFont())[364]), 0u) << "code 0x41's entry is not at 364";
    fetch(0x42);
    EXPECT_EQ(head(), (Head{0, 0, 0, 0, 0})) << "no glyph found yet: an empty header";
    EXPECT_EQ(engine.SetCharCode(300), 1);
    EXPECT_EQ(engine.charCode, 300);
    const int cases[][2] = {{300, 0}, {0x41, 7}, {300, 7},  {0, 2},   {0x42, 2},
                            {-1, 2},  {256, 2},  {0x41, 7}, {0x42, 7}};
    for (const auto& c : cases) {
        fetch(c[0]);
        EXPECT_EQ(engine.GetCharDelta(), c[1]) << "code " << c[0];
    }
    EXPECT_EQ(head(), (Head{3, 5, 1, 8, 7}));
    EXPECT_EQ((std::array<int, 4>{engine.charW, engine.charH, engine.rowBytes, engine.rowBits}),
              (std::array<int, 4>{5, 3, 1, 8}));
    EXPECT_EQ(glyphBytes(3), Bytes({0xF8, 0x88, 0x70}));
}

TEST_F(EngineZ, CodesMetAgainInOneOpeningGiveTheSameGlyphAndEveryOpeningReadsTheFileAfresh) {
    install(standardFont());
    for (int code : {0x41, 0x30, 0x41, 0x42, 0x30}) {
        fetch(code);
        CGeneraterZ fresh;  // reads the file for this code alone
        fresh.fontPath = engine.fontPath;
        fresh.SetCharCode(code);
        fresh.TXRZ();
        EXPECT_EQ(engine.filePos, fresh.filePos) << code;
        if (code == 0x42) continue;  // no glyph: each keeps what it held
        EXPECT_EQ(head(), (Head{fresh.GetCharH(), fresh.GetCharW(), fresh.GetCharLoff(),
                                fresh.GetCharToff(), fresh.GetCharDelta()}))
            << code;
        const std::size_t rowsBytes =
            std::size_t{fresh.charH} * static_cast<std::size_t>(fresh.rowBytes);
        EXPECT_EQ(glyphBytes(rowsBytes), Bytes(fresh.glyphBuffer, fresh.glyphBuffer + rowsBytes))
            << code;
    }
    // The next call's opening sees a changed file: nothing read before is used again.
    std::vector<FontBlockZ> changed = standardFont();
    changed[0].glyphs[0] = GlyphZ{0x41, {{"#", "#"}}, 0, 2, 9};
    install(changed);
    reset();
    fetch(0x41);
    EXPECT_EQ(head(), (Head{2, 1, 0, 2, 9}));
    EXPECT_EQ(glyphBytes(2), Bytes({0x80, 0x80}));
}

// Each row of a glyph w dots wide: (w + 7) / 8 bytes in glyphBuffer, the row class (8, 16, 32 or
// 64 dots) in rowBits, and in dibBits the complement padded with paper to whole 32-bit words.
TEST_F(EngineZ, RowBytesRowClassAndBitmapRowsFollowTheWidth) {
    install(standardFont());
    std::memset(engine.glyphBuffer, 0xAA, sizeof engine.glyphBuffer);
    fetch(' ');
    EXPECT_EQ(glyphBytes(512), Bytes(512, 0xAA)) << "a glyph of width 0 read rows";
    EXPECT_EQ(engine.rowBytes + engine.rowBits, 0);
    engine.BuildBMP();
    EXPECT_EQ(engine.bitmapInfo.bmiHeader.biHeight, 2);
    EXPECT_TRUE(engine.dibBits.empty() && engine.flippedRows.empty());
    const int rowBits[] = {8, 8, 16, 16, 32, 32, 32, 32, 64, 64, 64, 64};
    for (std::size_t i = 0; i < std::size(kWidths); ++i) {
        const int width = kWidths[i], rowBytes = (width + 7) / 8;
        fetch(0x80 + width);
        EXPECT_EQ((std::array<int, 3>{engine.charW, engine.rowBytes, engine.rowBits}),
                  (std::array<int, 3>{width, rowBytes, rowBits[i]}));
        Bytes ink(static_cast<std::size_t>(rowBytes), 0xFF);
        ink.back() = static_cast<std::uint8_t>(0xFF00 >> (width - 8 * (rowBytes - 1)));
        EXPECT_EQ(glyphBytes(ink.size()), ink) << "width " << width;
        engine.BuildBMP();
        Bytes row(rowBits[i] > 32 ? 8 : 4, 0xFF);
        for (int dot = 0; dot < width; ++dot) row[dot / 8] &= ~(0x80 >> (dot % 8));
        EXPECT_EQ(engine.dibBits, row) << "width " << width;
    }
}

TEST_F(EngineZ, FontPathIsAPlainPrefixAndCopiesOwnTheirState) {
    fontkit::writeFileBytes(dir + "fontsZ.bin", fontkit::writeFontFileZ(standardFont()));
    engine.fontPath = CString((dir + "fonts").c_str());
    fetch(0x41);
    ASSERT_EQ(engine.GetCharDelta(), 7);
    CGeneraterZ copy(engine);
    EXPECT_EQ(copy.fontFile, nullptr);
    EXPECT_EQ(copy.fetchCount, 0);
    copy.SetCharCode(0);
    copy.TXRZ();
    EXPECT_NE(copy.fontFile, engine.fontFile);
    EXPECT_EQ(copy.glyphBuffer[0], 0x80);
    EXPECT_EQ(engine.glyphBuffer[0], 0xF8);
    copy = engine;  // closes the copy's file
    EXPECT_EQ(copy.fontFile, nullptr);
    EXPECT_EQ(copy.GetCharDelta(), 7);
}

// Hostile and broken font files.

TEST_F(EngineZ, MissingFileReadsAsAFontWithoutGlyphs) {
    std::memset(engine.glyphBuffer, 0xAA, sizeof engine.glyphBuffer);
    std::memset(engine.blockHeaderBuffer, 0xAA, sizeof engine.blockHeaderBuffer);
    engine.glyphHeaderBuffer[9] = 4;
    engine.SetFonttype(8);
    fetch(0x41);
    EXPECT_EQ(engine.fetchCount, 1);
    EXPECT_EQ(Bytes(engine.blockHeaderBuffer, engine.blockHeaderBuffer + 1128), Bytes(1128, 0));
    EXPECT_EQ(head(), (Head{0, 0, 0, 0, 4}));
    EXPECT_EQ(glyphBytes(512), Bytes(512, 0xAA));
}

TEST_F(EngineZ, ShortFileReadsZerosWhereItEnds) {
    const Bytes whole = fontkit::writeFontFileZ({FontBlockZ{0x0102, 0x0304, 7, {kCup}}});
    const struct {
        std::size_t length;
        int cellWidth, advance;
        Bytes rows;
    } cases[] = {
        {30, 0, 0, {0xAA, 0xAA, 0xAA}},         // head cut inside the cell width
        {366, 0x0102, 0, {0xAA, 0xAA, 0xAA}},   // cut inside code 0x41's table entry
        {1000, 0x0102, 0, {0xAA, 0xAA, 0xAA}},  // glyph record past the end
        {1133, 0x0102, 0, {0xAA, 0xAA, 0xAA}},  // glyph header cut
        {1139, 0x0102, 7, {0xF8, 0x00, 0x00}},  // rows cut after the first
    };
    for (const auto& c : cases) {
        install(Bytes(whole.begin(), whole.begin() + static_cast<long>(c.length)));
        std::memset(engine.glyphBuffer, 0xAA, sizeof engine.glyphBuffer);
        engine.ClearFontHead();
        reset();
        fetch(0x41);
        EXPECT_EQ(engine.GetCellH(), 0x0304) << c.length;
        EXPECT_EQ(engine.GetCellW(), c.cellWidth) << c.length;
        EXPECT_EQ(engine.GetCharDelta(), c.advance) << c.length;
        EXPECT_EQ(glyphBytes(3), c.rows) << c.length;
    }
}

TEST_F(EngineZ, OffsetsPastTheFileReadNothingAndNeverWrapAround) {
    Bytes file = fontkit::writeFontFileZ(
        {FontBlockZ{8, 8, 6, {kCup}}, FontBlockZ{8, 8, 6, {GlyphZ{0x42, {{"#"}}, 0, 0, 2}}}});
    const std::uint32_t start1 = ReadBE32(&file[0]);
    const auto setBE32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
    };
    setBE32(start1 + 104 + 4 * 0x43, 0x7FFFFFF0u);
    // Summed with block 1's start in 32 bits this would land on block 0's record of kCup.
    setBE32(start1 + 104 + 4 * 0x44, static_cast<std::uint32_t>((1ull << 32) - start1 + 1128));
    install(file);
    engine.SetFonttype(1);
    for (int code : {0x42, 0x43, 0x44}) {
        fetch(code);
        EXPECT_EQ(head(), (Head{1, 1, 0, 0, 2})) << "code " << code;
    }
    setBE32(0, 0xFFFFFFF0u);  // block 1 now starts far past the end
    install(file);
    reset();
    fetch(0x42);
    EXPECT_EQ(engine.blockTable[1].blockStart, 0xFFFFFFF0u);
    EXPECT_EQ(engine.GetCellH(), 0);
}

TEST_F(EngineZ, GlyphsTooWideOrTooLargeForTheBufferCountAsMissing) {
    const int cases[][3] = {{48, 85, 1}, {48, 86, 0}, {8, 512, 1},
                            {8, 513, 0}, {49, 1, 0},  {65535, 1, 0}};
    FontBlockZ block{8, 8, 6, {GlyphZ{1, {{"#"}}, 0, 0, 9}}};
    for (const auto& c : cases) {
        const std::vector<std::string> rows(static_cast<std::size_t>(c[1]),
                                            std::string(static_cast<std::size_t>(c[0]), '#'));
        block.glyphs.push_back(
            GlyphZ{static_cast<int>(block.glyphs.size()) + 1, {rows}, 0, 0, 100});
    }
    install({block});
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        fetch(1);
        fetch(static_cast<int>(i) + 2);
        const Head expected =
            cases[i][2] ? Head{cases[i][1], cases[i][0], 0, 0, 100} : Head{1, 1, 0, 0, 9};
        EXPECT_EQ(head(), expected) << cases[i][0] << " x " << cases[i][1];
        EXPECT_EQ(engine.charH, expected[0]);
    }
}

TEST_F(EngineZ, FontTypeBeyondTheDirectoryReadsNothingAndAnOpenStreamIsNotLeaked) {
    install(standardFont());
    for (int fontType : {35, 1000, -1, 34}) {
        engine.fontType = fontType;
        reset();
        fetch(0x41);
        EXPECT_EQ(engine.GetCellH() + engine.GetCharDelta(), 0) << "fontType " << fontType;
    }
    engine.fontType = 0;
    engine.fetchCount = 0;  // a reset that forgot to close the file
    fetch(0x41);
    EXPECT_EQ(engine.GetCharDelta(), 7);
}

// The glyph bitmap, metrics and placement.

TEST_F(EngineZ, BuildBmpMakesBottomUpComplementedRowsAndTheirHeader) {
    install(standardFont());
    fetch(0x41);
    engine.BuildBMP();
    const Bytes info = {40, 0, 0, 0, 8,  0, 0, 0, 3, 0, 0, 0, 1,   0,   1,   0,
                        0,  0, 0, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0,   0,   0,   0,
                        0,  0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 255, 255, 255, 0};
    const auto* infoBytes = reinterpret_cast<const std::uint8_t*>(&engine.bitmapInfo);
    EXPECT_EQ(Bytes(infoBytes, infoBytes + 48), info);
    EXPECT_EQ(engine.dibBits,
              Bytes({0x8F, 0xFF, 0xFF, 0xFF, 0x77, 0xFF, 0xFF, 0xFF, 0x07, 0xFF, 0xFF, 0xFF}));
}

TEST_F(EngineZ, GettersReadUnsignedBigEndianFields) {
    install(
        {FontBlockZ{0x0102, 0x0304, 0x0506, {GlyphZ{0x41, {{"#", "#"}}, 65534, 0xFFFF, 258, 3}}}});
    fetch(0x41);
    EXPECT_EQ((std::array<int, 3>{engine.GetCellW(), engine.GetCellH(), engine.GetBase()}),
              (std::array<int, 3>{258, 772, 1286}));
    EXPECT_EQ(head(), (Head{2, 3, 65534, 65535, 258}));
    engine.ClearFontHead();
    EXPECT_EQ(head(), (Head{0, 0, 0, 0, 0}));
}

TEST_F(EngineZ, DrawOnewordPaintsNothingWithoutAMatchingBitmap) {
    install(standardFont());
    test::MonoSurface surface(64, 60);
    const std::string blank = surface.ascii();
    engine.DrawOneword(surface.dc(), 0, 0);  // nothing built yet
    fetch(' ');
    engine.BuildBMP();
    engine.DrawOneword(surface.dc(), 0, 0);  // width 0
    fetch(0x41);
    engine.BuildBMP();
    fetch('0');  // larger than the bitmap built
    engine.DrawOneword(surface.dc(), 0, 0);
    fetch(0x41);
    engine.SetScaleH(0x40000000);  // scaled width beyond int
    engine.DrawOneword(surface.dc(), 0, 0);
    EXPECT_EQ(surface.ascii(), blank);
}

// The dot preview.

TEST_F(EngineZ, DotPreviewPutsColumnCOfRowRAtEightUnitSteps) {
    using Member = void (CGeneraterZ::*)(CDC*);
    const struct {
        const char* what;
        Member member;
        std::vector<std::string> rows;
        int leftOffset, ascent;
        std::vector<std::pair<int, int>> dots;
    } cases[] = {
        {"8-dot", &CGeneraterZ::Draw8Bit, {"#......."}, 0, 5, {{14, 54}}},
        {"8-dot right", &CGeneraterZ::Draw8Bit, {".......#"}, 0, 5, {{70, 54}}},
        {"16-dot", &CGeneraterZ::Draw16Bit, {"#..............#"}, 0, 5, {{14, 54}, {134, 54}}},
        {"24-dot", &CGeneraterZ::Draw24Bit, {std::string(23, '.') + "#"}, 0, 5, {{198, 54}}},
        {"32-dot", &CGeneraterZ::Draw32Bit, {std::string(31, '.') + "#"}, 0, 5, {{262, 54}}},
        {"40-dot", &CGeneraterZ::Draw40Bit, {std::string(39, '.') + "#"}, 0, 5, {{326, 54}}},
        {"48-dot", &CGeneraterZ::Draw48Bit, {"#" + std::string(47, '.')}, 0, 5, {{14, 54}}},
        {"left offset 2", &CGeneraterZ::Draw8Bit, {"#......."}, 2, 5, {{30, 54}}},
        {"ascent + 1",
         &CGeneraterZ::Draw8Bit,
         {"#.......", ".#......"},
         0,
         6,
         {{14, 46}, {22, 54}}},
        {"no rows", &CGeneraterZ::Draw8Bit, {}, 0, 5, {}},
    };
    FontBlockZ block{8, 8, 5, {}};
    for (const auto& c : cases) {
        const int width = c.rows.empty() ? 8 : static_cast<int>(c.rows[0].size());
        block.glyphs.push_back(GlyphZ{
            static_cast<int>(block.glyphs.size()), {c.rows}, c.leftOffset, c.ascent, 0, width});
    }
    install({block});
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        fetch(static_cast<int>(i));
        Canvas canvas(400, 80);
        const HGDIOBJ pen = GetCurrentObject(canvas.dc()->m_hDC, OBJ_PEN);
        (engine.*cases[i].member)(canvas.dc());
        EXPECT_EQ(GetCurrentObject(canvas.dc()->m_hDC, OBJ_PEN), pen) << cases[i].what;
        EXPECT_EQ(test::previewDotsDiffer(canvas, cases[i].dots), "") << cases[i].what;
    }
}

TEST_F(EngineZ, DotPreviewForAnotherRowLengthReadsOnlyItsCopy) {
    // Eight rows of an 8-dot glyph make an 8-byte copy, which Draw48Bit reads 6 bytes a row:
    // passes 0..5 of row 0 and 0..1 of row 1, nothing of the ink beyond in glyphBuffer.
    install({FontBlockZ{8, 8, 5, {GlyphZ{0x41, {std::vector<std::string>(8, "#")}, 7, 5, 0, 8}}}});
    fetch(0x41);
    std::memset(engine.glyphBuffer + 8, 0xFF, sizeof engine.glyphBuffer - 8);
    Canvas canvas(400, 120);
    engine.Draw48Bit(canvas.dc());
    EXPECT_EQ(test::previewDotsDiffer(
                  canvas,
                  {{14, 54}, {22, 54}, {30, 54}, {38, 54}, {46, 54}, {54, 54}, {14, 62}, {22, 62}}),
              "");
}

}  // namespace
}  // namespace txr

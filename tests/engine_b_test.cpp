// Engine B: catalogue, font selection, glyph fetch from font file B, hostile files, copying,
// glyph bitmaps, painting and dot previews (what glyphs look like in a string: render_test).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine_b/catalogue.h"
#include "fontkit/font_file_b.h"
#include "support/bmp_file.h"
#include "support/raster_ascii.h"
#include "txr/GeneraterB.h"
#include "txr/platform/canvas.h"

namespace txr {
namespace {

namespace fs = std::filesystem;

constexpr unsigned char kUntouched = 0xA5;

// A whole font file whose every byte tells its position from its neighbours'.
std::vector<std::uint8_t> patternFile(int resolution) {
    std::vector<std::uint8_t> bytes(engine_b::fontFileSize(resolution));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * 131 + (i >> 8) * 7 + resolution) ^ (i >> 16));
    }
    return bytes;
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    ASSERT_TRUE(fontkit::writeFileBytes(path, bytes)) << path;
}

// An engine on a font and set, its font file in `dir` opened, its glyph buffer marked.
struct Engine {
    CGeneraterB b;
    Engine(const std::string& dir, int resolution, int fontType, int charSet = 0) {
        b.fontPath = dir.c_str();
        b.resolution = resolution;
        b.SetFonttype(fontType);
        b.charSet = charSet;
        b.SetFont();
        b.TXRB();
        std::memset(b.glyphBuffer, kUntouched, sizeof b.glyphBuffer);
    }
    bool untouchedFrom(std::size_t first) const {
        return std::all_of(b.glyphBuffer + first, std::end(b.glyphBuffer),
                           [](unsigned char byte) { return byte == kUntouched; });
    }
};

// An engine on a font with every stored dot of its glyph inked and its bitmap built.
CGeneraterB inkedEngine(int resolution, int fontType) {
    CGeneraterB engine;
    engine.resolution = resolution;
    engine.SetFonttype(fontType);
    engine.SetFont();
    std::memset(engine.glyphBuffer, 0xFF, sizeof engine.glyphBuffer);
    engine.BuildBMP();
    return engine;
}

TEST(EngineB, NewEngineAcceptsNoCodeUntilSetFontAndSettersAnswer) {
    const std::string dir = test::freshTestDirectory();
    writeFile(dir + "B.bin", patternFile(203));
    CGeneraterB engine;
    engine.fontPath = dir.c_str();
    engine.TXRB();
    ASSERT_NE(engine.fontFile, nullptr);
    std::memset(engine.glyphBuffer, kUntouched, sizeof engine.glyphBuffer);
    for (int code : {0, 1, 65, 255}) engine.SetcharCode(code);
    EXPECT_EQ(engine.glyphBuffer[0], kUntouched);

    EXPECT_EQ((std::vector<int>{engine.SetFonttype(4), engine.SetFonttype(5),
                                engine.SetFonttype(-1), engine.fontType, engine.SetScaleH(0),
                                engine.SetScaleV(-3), engine.scaleH, engine.scaleV}),
              (std::vector<int>{1, 0, 0, 4, 1, 1, 0, -3}));
}

TEST(EngineB, SetFontKeepsWhatAnUnknownSelectionCannotReplace) {
    CGeneraterB engine;
    engine.SetFonttype(2);
    engine.SetFont();
    const unsigned short* table = engine.codeTable;
    engine.resolution = 250;
    engine.SetFonttype(4);
    engine.SetFont();
    EXPECT_EQ(engine.cellWidth, 14);
    engine.resolution = 203;
    engine.charSet = 15;
    engine.SetFont();  // font 4's record, but the table and range of font 2, set 0
    EXPECT_EQ(engine.cellWidth, 36);
    EXPECT_EQ(engine.codeTable, table);
    EXPECT_EQ(engine.firstCode + 1000 * engine.lastCode, 20 + 1000 * 248);
    engine.charSet = 12;
    engine.SetFont();
    EXPECT_EQ(engine.firstCode + 1000 * engine.lastCode, 35 + 1000 * 91);
    engine.fontType = 9;  // written past SetFonttype
    engine.SetFont();
    EXPECT_EQ(engine.cellWidth, 36);
}

TEST(EngineB, FetchReadsOneGlyphAtItsOffsetOrNothingAtAll) {
    const std::string dir = test::freshTestDirectory();
    writeFile(dir + "B.bin", patternFile(203));
    writeFile(dir + "B300.bin", patternFile(300));
    const struct {
        int resolution, fontType, charSet, code, codeIndex, glyphOffset;
        std::size_t fileOffset, size;  // size 0: nothing read
    } cases[] = {
        {203, 0, 0, 65, 45, 360, 360, 24},
        {203, 0, 0, 20, 0, 2952, 2952, 24},
        {203, 0, 0, 123, 103, 159 * 24, 159 * 24, 24},
        {203, 1, 0, 248, 228, 125 * 32, 3936 + 125 * 32, 32},
        {203, 4, 0, 65, 30, 15 * 192, 23616 + 15 * 192, 192},
        {203, 4, 12, 91, 56, 60 * 192, 23616 + 60 * 192, 192},
        {300, 2, 0, 65, 45, 15 * 144, 17424, 144},
        {300, 3, 14, 122, 102, 121 * 176, 38160 + 121 * 176, 176},
        {300, 4, 1, 235, 200, 78 * 480, 66144 + 78 * 480, 480},
        {203, 0, 0, 32, 12, -1, 0, 0},
        {300, 1, 0, 123, 103, -1, 0, 0},
        {203, 4, 0, 97, 62, -1, 0, 0},
        {203, 4, 12, 35, 0, -1, 0, 0},
        {203, 4, 9, 92, 57, -1, 0, 0},  // accepted, past the end of the set's table
        {300, 4, 3, 41, 6, -1, 0, 0},
        // Refused: codeIndex and glyphOffset keep their earlier values.
        {203, 0, 0, 19, 77, 99, 0, 0},
        {203, 0, 0, 249, 77, 99, 0, 0},
        {203, 0, 0, -56, 77, 99, 0, 0},
        {203, 4, 0, 34, 77, 99, 0, 0},
        {203, 4, 9, 93, 77, 99, 0, 0},
        {203, 2, 6, 123, 77, 99, 0, 0},
        {300, 3, 14, 123, 77, 99, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.resolution) + " dpi, font " + std::to_string(c.fontType) +
                     ", code " + std::to_string(c.code));
        Engine engine(dir, c.resolution, c.fontType, c.charSet);
        engine.b.codeIndex = 77;
        engine.b.glyphOffset = 99;
        engine.b.SetcharCode(c.code);
        EXPECT_EQ(engine.b.codeIndex, c.codeIndex);
        EXPECT_EQ(engine.b.glyphOffset, c.glyphOffset);
        const std::vector<std::uint8_t> file = patternFile(c.resolution);
        EXPECT_TRUE(std::equal(engine.b.glyphBuffer, engine.b.glyphBuffer + c.size,
                               file.begin() + static_cast<std::ptrdiff_t>(c.fileOffset)));
        EXPECT_TRUE(engine.untouchedFrom(c.size));
    }
}

TEST(EngineB, GlyphsMetAgainGiveTheSameRowsAndEveryOpeningReadsTheFileAfresh) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows cannot remove the test folder while the engine holds B.bin open";
#endif
    const std::string dir = testing::TempDir() + "engine_b_again/";
    std::filesystem::create_directories(dir);
    std::vector<std::uint8_t> file = patternFile(203);
    writeFile(dir + "B.bin", file);
    Engine engine(dir, 203, 0);
    for (int code : {65, 66, 65, 32, 66}) {
        Engine fresh(dir, 203, 0);
        engine.b.SetcharCode(code);
        fresh.b.SetcharCode(code);
        if (code == 32) continue;  // no glyph: each keeps what it held
        EXPECT_EQ(std::vector<std::uint8_t>(engine.b.glyphBuffer, engine.b.glyphBuffer + 24),
                  std::vector<std::uint8_t>(fresh.b.glyphBuffer, fresh.b.glyphBuffer + 24))
            << code;
    }
    // 'A' is glyph 15 at offset 360; the next opening reads the changed bytes.
    std::fill(file.begin() + 360, file.begin() + 384, 0x3C);
    writeFile(dir + "B.bin", file);
    std::fclose(engine.b.fontFile);
    engine.b.fontFile = nullptr;
    engine.b.TXRB();
    engine.b.SetcharCode(65);
    EXPECT_EQ(std::vector<std::uint8_t>(engine.b.glyphBuffer, engine.b.glyphBuffer + 24),
              std::vector<std::uint8_t>(24, 0x3C));
    std::filesystem::remove_all(dir);
}

TEST(EngineB, TxrbOpensTheFileOfTheResolutionUnderFontPath) {
    const std::string dir = test::freshTestDirectory();
    writeFile(dir + "B.bin", std::vector<std::uint8_t>(engine_b::fontFileSize(203), 0x11));
    writeFile(dir + "B300.bin", std::vector<std::uint8_t>(engine_b::fontFileSize(300), 0x33));
    for (int resolution : {203, 300}) {
        Engine engine(dir, resolution, 0);
        engine.b.TXRB();  // a second open replaces the first stream
        engine.b.SetcharCode(65);
        EXPECT_EQ(engine.b.glyphBuffer[0], resolution == 203 ? 0x11 : 0x33);
    }
    Engine other(dir, 250, 0);
    EXPECT_EQ(other.b.fontFile, nullptr);

    const fs::path previous = fs::current_path();
    fs::current_path(dir);  // an empty fontPath looks in the current directory
    Engine here("", 300, 0);
    const bool opened = here.b.fontFile != nullptr;
    fs::current_path(previous);
    EXPECT_TRUE(opened);
}

TEST(EngineB, MissingOrShortFontFilesGiveBlankCellsOfTheRightSize) {
    const std::string dir = test::freshTestDirectory();
    Engine missing(dir, 300, 4);
    EXPECT_EQ(missing.b.fontFile, nullptr);
    missing.b.ClearBuffer();
    missing.b.SetcharCode(65);
    EXPECT_TRUE(std::all_of(std::begin(missing.b.glyphBuffer), std::end(missing.b.glyphBuffer),
                            [](unsigned char byte) { return byte == 0; }));
    EXPECT_EQ(missing.b.GetCellW() * 1000 + missing.b.GetCellH(), 48 * 1000 + 80);

    // Ends 10 bytes into glyph 15 of font 0 (code 65), before glyph 16 (code 66).
    const std::vector<std::uint8_t> full = patternFile(203);
    writeFile(dir + "B.bin", std::vector<std::uint8_t>(full.begin(), full.begin() + 370));
    Engine engine(dir, 203, 0);
    engine.b.SetcharCode(65);
    EXPECT_TRUE(std::equal(engine.b.glyphBuffer, engine.b.glyphBuffer + 10, full.begin() + 360));
    EXPECT_TRUE(engine.untouchedFrom(10));
    for (int code : {66, 67}) {
        Engine past(dir, 203, code == 66 ? 0 : 4);
        past.b.SetcharCode(code);
        EXPECT_TRUE(past.untouchedFrom(0)) << code;
    }
}

TEST(EngineB, HostileFieldsNeverReadOutsideTablesOrBuffers) {
    const std::string dir = test::freshTestDirectory();
    writeFile(dir + "B.bin", patternFile(203));
    Engine engine(dir, 203, 0);
    engine.b.lastCode = 255;  // past the end of the 229-entry table
    engine.b.SetcharCode(255);
    EXPECT_EQ(engine.b.glyphOffset, -1);
    engine.b.cellHeight = 60000;  // a glyph far larger than the buffer and the file
    engine.b.SetcharCode(65);
    EXPECT_EQ(engine.b.glyphOffset, 15 * 2 * 60000);
    engine.b.fontOffset = ~0UL;
    engine.b.SetcharCode(66);
    EXPECT_TRUE(engine.untouchedFrom(0));
    engine.b.rowBits = 16;
    engine.b.BuildBMP();
    EXPECT_EQ(engine.b.dibBits.size(), 4u * 60000);
    engine.b.scaleH = 1 << 30;
    test::MonoSurface surface(4, 4);
    engine.b.DrawOneword(surface.dc(), 8, 0);
    engine.b.Draw16Bit(surface.dc());
}

TEST(EngineB, CopiesOwnTheirBlocksAndHaveNoOpenFile) {
    const std::string dir = test::freshTestDirectory();
    writeFile(dir + "B.bin", patternFile(203));
    Engine source(dir, 203, 1, 7);
    source.b.SetcharCode(35);
    source.b.BuildBMP();
    source.b.scaleH = 3;

    CGeneraterB copy(source.b);
    EXPECT_EQ(copy.fontFile, nullptr);
    EXPECT_NE(source.b.fontFile, nullptr);
    EXPECT_EQ(copy.dibBits, source.b.dibBits);
    EXPECT_EQ(0, std::memcmp(copy.glyphBuffer, source.b.glyphBuffer, sizeof copy.glyphBuffer));
    EXPECT_EQ((std::vector<long>{copy.scaleH, copy.charSet, copy.codeIndex, copy.cellWidth}),
              (std::vector<long>{3, 7, 15, 12}));
    EXPECT_EQ(copy.codeTable, source.b.codeTable);
    EXPECT_EQ(copy.fontPath, source.b.fontPath);
    copy.dibBits[0] ^= 0xFF;
    copy.flippedRows[0] ^= 0xFF;
    EXPECT_NE(copy.dibBits[0], source.b.dibBits[0]);
    EXPECT_NE(copy.flippedRows[0], source.b.flippedRows[0]);

    Engine target(dir, 203, 0);
    ASSERT_NE(target.b.fontFile, nullptr);
    target.b = source.b;  // closes target's own stream
    EXPECT_EQ(target.b.fontFile, nullptr);
    EXPECT_EQ(target.b.cellWidth, 12);
    source.b = source.b;
    EXPECT_NE(source.b.fontFile, nullptr);
}

TEST(EngineB, BuildBmpInvertsFlipsAndFillsEachRowClass) {
    const unsigned char top[] = {0x80, 0x01, 0x3C, 0xC3, 0x5A, 0xA5};
    const std::vector<unsigned char> paper4(4, 0xFF), paper8(8, 0xFF);
    const struct {
        int resolution, fontType;
        std::vector<unsigned char> topRow, blankRow;
    } cases[] = {
        {203, 0, {0x7F, 0xFE, 0xFF, 0xFF}, paper4},
        {300, 1, {0x7F, 0xFE, 0xFF, 0xFF}, paper4},
        {203, 4, {0x7F, 0xFE, 0xC3, 0x3C, 0xFF, 0xFF, 0xFF, 0xFF}, paper8},
        {300, 2, {0x7F, 0xFE, 0xC3, 0x3C}, paper4},
        {300,
         4,
         {0x7F, 0xFE, 0xC3, 0x3C, 0xA5, 0x5A, 0, 0},
         {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.resolution) + " dpi, font " + std::to_string(c.fontType));
        CGeneraterB engine = inkedEngine(c.resolution, c.fontType);
        engine.ClearBuffer();
        std::memcpy(engine.glyphBuffer, top, engine.rowBytes);
        engine.BuildBMP();
        std::vector<unsigned char> expected;
        for (int row = 1; row < engine.cellHeight; ++row) {
            expected.insert(expected.end(), c.blankRow.begin(), c.blankRow.end());
        }
        expected.insert(expected.end(), c.topRow.begin(), c.topRow.end());
        EXPECT_EQ(engine.dibBits, expected);
        EXPECT_TRUE(
            std::equal(top, top + engine.rowBytes, engine.flippedRows.end() - engine.rowBytes));
        const BITMAPINFOHEADER& h = engine.bitmapInfo.bmiHeader;
        EXPECT_EQ(
            (std::vector<std::int64_t>{h.biSize, h.biWidth, h.biHeight, h.biPlanes, h.biBitCount,
                                       h.biCompression, h.biSizeImage, h.biClrUsed}),
            (std::vector<std::int64_t>{40, engine.cellWidth, engine.cellHeight, 1, 1, 0,
                                       engine.cellWidth * engine.cellHeight, 0}));
        EXPECT_EQ(engine.bitmapInfo.bmiColors[0].rgbRed + engine.bitmapInfo.bmiColors[1].rgbRed,
                  255);
    }
    CGeneraterB odd = inkedEngine(203, 0);
    const std::vector<unsigned char> before = odd.dibBits;
    odd.rowBits = 24;
    odd.cellWidth = 3;
    odd.BuildBMP();  // no row class: only the header follows
    EXPECT_EQ(odd.bitmapInfo.bmiHeader.biWidth, 3);
    EXPECT_EQ(odd.dibBits, before);
}

// Left, top, right, bottom and number of the `mark` characters in an ASCII picture.
std::vector<int> boxOf(const std::string& ascii, char mark) {
    std::vector<int> box = {-1, -1, -1, -1, 0};
    int x = 0, y = 0;
    for (char c : ascii) {
        if (c == '\n') {
            ++y, x = 0;
            continue;
        }
        if (c == mark) {
            box = {box[4] == 0 ? x : std::min(box[0], x), box[4] == 0 ? y : box[1],
                   std::max(box[2], x), y, box[4] + 1};
        }
        ++x;
    }
    return box;
}

TEST(EngineB, DrawOnewordPaintsTheMagnifiedCellAtXTimesScaleAndUnscaledY) {
    const struct {
        int resolution, fontType, x, y, scaleH, scaleV, invert;
        bool inked, blackSurface;
        std::vector<int> box;  // left, top, right, bottom, dots
    } cases[] = {
        {203, 0, 30, 0, 2, 3, 0, true, false, {60, 0, 79, 35, 720}},
        {203, 0, 0, 5, 1, 3, 0, true, false, {0, 5, 9, 40, 360}},
        {203, 0, 3, 2, 1, 1, 1, false, false, {3, 2, 12, 13, 120}},  // blank in reverse video
        {203, 0, 3, 2, 1, 1, 2, false, false, {3, 2, 12, 13, 120}},
        {203, 0, 3, 2, 1, 1, 0, false, true, {3, 2, 12, 13, 120}},  // white cell on black
        {300, 2, 1, 0, 2, 1, 0, true, false, {2, 0, 41, 35, 1440}},
        {203, 4, 0, 0, 1, 1, 0, true, false, {0, 0, 31, 47, 32 * 48}},  // 4 paper columns
        {300, 4, 0, 0, 1, 1, 0, true, false, {0, 0, 47, 79, 48 * 80}},
    };
    for (const auto& c : cases) {
        CGeneraterB engine = inkedEngine(c.resolution, c.fontType);
        if (!c.inked) {
            engine.ClearBuffer();
            engine.BuildBMP();
        }
        engine.scaleH = c.scaleH;
        engine.scaleV = c.scaleV;
        engine.invert = c.invert;
        test::MonoSurface surface(100, 84, c.blackSurface);
        engine.DrawOneword(surface.dc(), c.x, c.y);
        EXPECT_EQ(boxOf(surface.ascii(), c.blackSurface ? '.' : '#'), c.box)
            << c.resolution << " dpi, font " << c.fontType << ", x " << c.x << ", y " << c.y
            << ", invert " << c.invert;
    }
    CGeneraterB stale = inkedEngine(203, 0);
    stale.SetFonttype(4);
    stale.SetFont();  // the 10 x 12 bitmap cannot serve a 36 x 48 cell
    test::MonoSurface surface(40, 50);
    stale.DrawOneword(surface.dc(), 0, 0);
    CGeneraterB().DrawOneword(surface.dc(), 0, 0);
    EXPECT_EQ(boxOf(surface.ascii(), '#')[4], 0);
}

TEST(EngineB, PreviewsPutColumnCOfRowRAtFourteenPlusEightCAndFiftyFourPlusEightR) {
    const struct {
        int resolution, fontType;
        void (CGeneraterB::*draw)(CDC*);
        std::vector<unsigned char> topRow;  // the rest blank; none: every dot inked
        std::vector<std::pair<int, int>> centres;
    } cases[] = {
        {203, 0, &CGeneraterB::Draw16Bit, {0x80, 0x00}, {{14, 54}}},
        {203, 0, &CGeneraterB::Draw16Bit, {0x00, 0x01}, {{134, 54}}},
        {300, 2, &CGeneraterB::Draw32Bit, {0x00, 0x80, 0x00, 0x01}, {{78, 54}, {262, 54}}},
        {300, 4, &CGeneraterB::Draw64Bit, {}, {}},  // x 14 to 390, y 54 to 686
        {203, 4, &CGeneraterB::Draw32Bit, {}, {}},  // x 14 to 262, y 54 to 430
    };
    for (auto c : cases) {
        SCOPED_TRACE(std::to_string(c.resolution) + " dpi, font " + std::to_string(c.fontType));
        CGeneraterB engine = inkedEngine(c.resolution, c.fontType);
        if (!c.topRow.empty()) {
            engine.ClearBuffer();
            std::memcpy(engine.glyphBuffer, c.topRow.data(), c.topRow.size());
        }
        for (int r = 0; c.topRow.empty() && r < engine.cellHeight; ++r) {
            for (int col = 0; col < engine.rowBits; ++col)
                c.centres.push_back({14 + 8 * col, 54 + 8 * r});
        }
        Canvas canvas(400, 700);
        const HGDIOBJ pen = GetCurrentObject(canvas.dc()->m_hDC, OBJ_PEN);
        (engine.*c.draw)(canvas.dc());
        EXPECT_EQ(GetCurrentObject(canvas.dc()->m_hDC, OBJ_PEN), pen);
        EXPECT_EQ(test::previewDotsDiffer(canvas, c.centres), "");
    }
    CGeneraterB narrow = inkedEngine(203, 0);  // 12 rows of 2 bytes: 24 bytes copied
    Canvas canvas(400, 700);
    narrow.Draw64Bit(canvas.dc());  // rows 0 to 3 lie within the copy at 6 bytes a row
    EXPECT_EQ(boxOf(test::asciiOf(canvas, RGB(0, 0, 255)), '#')[3], 54 + 8 * 3 + 2);
}

}  // namespace
}  // namespace txr

// Engine A: font selection, glyph fetch from font file A, damaged files, bitmap, painting, preview.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "common/big_endian.h"
#include "fontkit/font_file_a.h"
#include "support/bmp_file.h"
#include "support/raster_ascii.h"
#include "txr/GeneraterA.h"

namespace txr {
namespace {

namespace fs = std::filesystem;
using fontkit::FontBlockA;
using Bytes = std::vector<std::uint8_t>;

// Codes 0x20..0x41 with '!' and 'A' (the 10 x 3 glyph FF C0 / 80 00 / 00 40); '0' has no glyph.
FontBlockA lettersBlock(int cellWidth = 12) {
    FontBlockA block{0x20, 0x41, 4, cellWidth, 24, {}};
    block.glyphs = {{'A', {{"##########", "#.........", ".........#"}}, -2, 5, 258},
                    {'!', {{"#.", ".#"}}, 0, 2, 4}};
    return block;
}
const Bytes kHeaderA = {0xFE, 5, 8, 0, 3, 10, 1, 2};
const Bytes kRowsA = {0xFF, 0xC0, 0x80, 0x00, 0x00, 0x40};
const Bytes kUntouched(7, 0x5A);                        // glyphBuffer before the fetch
constexpr std::size_t kEntryA = 60 + 4 * ('A' - 0x20);  // 'A' in the code offset table

Bytes bytesOf(const unsigned char* bytes, std::size_t count) {
    return Bytes(bytes, bytes + count);
}

void putBE32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

void fetch(CGeneraterA& engine, int code) {
    engine.SetCharCode(code);
    engine.TXRA();
}

// What the facade does around each string operation.
void reset(CGeneraterA& engine) {
    if (engine.fontFile != nullptr) std::fclose(engine.fontFile);
    engine.fontFile = nullptr;
    engine.fetchCount = 0;
}

class EngineA : public ::testing::Test {
  protected:
    void SetUp() override { prepare(engine); }
    void TearDown() override { reset(engine); }  // Windows removes no file that is still open

    std::string prefix() const { return dir_; }
    void prepare(CGeneraterA& e) const {
        e.fontPath = prefix().c_str();
        std::memset(e.glyphBuffer, 0x5A, sizeof e.glyphBuffer);
    }
    void load(CGeneraterA& e, int fontNumber, int code) const {
        prepare(e);
        e.SetFonttype(fontNumber);
        fetch(e, code);
    }
    Bytes writeFont(const std::vector<FontBlockA>& blocks, const std::string& name = "A.bin") {
        const Bytes bytes = fontkit::writeFontFileA(blocks);
        EXPECT_TRUE(fontkit::writeFileBytes(prefix() + name, bytes));
        return bytes;
    }

    const std::string dir_ = test::freshTestDirectory();
    CGeneraterA engine;
};

TEST(EngineASetters, FontNumbersMapToBlocksPerResolution) {
    const struct {
        int resolution, number, accepted, stored;
    } cases[] = {{203, 0, 1, 0},    {203, 9, 1, 9},    {203, 10, 1, 9},  {203, 15, 1, 14},
                 {203, 16, 0, 16},  {203, 17, 1, 17},  {203, 24, 1, 24}, {203, 25, 0, 25},
                 {203, -1, 0, 255}, {203, 300, 0, 44}, {300, 15, 1, 15}, {300, 16, 0, 16},
                 {300, -2, 0, 254}, {250, 3, 0, 77}};  // 77: nothing stored
    for (const auto& c : cases) {
        CGeneraterA engine;
        engine.resolution = c.resolution;
        engine.fontType = 77;
        EXPECT_EQ(engine.SetFonttype(c.number), c.accepted) << c.resolution << " " << c.number;
        EXPECT_EQ(engine.fontType, c.stored) << c.resolution << " " << c.number;
    }
    CGeneraterA engine;
    EXPECT_EQ(engine.SetScaleH(0) + engine.SetScaleV(-3), 2);
    engine.SetCharCode(0x141);
    EXPECT_EQ((std::vector<int>{engine.scaleH, engine.scaleV, engine.charCode}),
              (std::vector<int>{0, -3, 0x41}));
}

TEST_F(EngineA, FetchesThroughTheTableIndexedFromFirstCodeAndKeepsTheLastGlyphOtherwise) {
    const Bytes file = writeFont({lettersBlock()});
    fetch(engine, 0x141);  // 'A', the block's lastCode
    EXPECT_EQ(bytesOf(engine.glyphHeaderBuffer, 8), kHeaderA);
    EXPECT_EQ(bytesOf(engine.glyphBuffer, 7), (Bytes{0xFF, 0xC0, 0x80, 0, 0, 0x40, 0x5A}));
    EXPECT_EQ(engine.filePos, ReadBE32(file.data() + kEntryA) + 8u);
    EXPECT_EQ((std::vector<int>{engine.rowBytes, engine.rowBits, engine.GetDelta(),
                                engine.GetLoffSet(), engine.GetCellW(), engine.GetCellH(),
                                engine.GetBaseLine(), engine.fetchCount}),
              (std::vector<int>{2, 16, 258, -2, 12, 24, 4, 1}));

    for (int code : {0x42, 0x1F, int{'0'}}) {  // lastCode + 1, firstCode - 1, table entry 0
        fetch(engine, code);
        EXPECT_EQ(bytesOf(engine.glyphHeaderBuffer, 8), kHeaderA) << code;
        EXPECT_EQ(bytesOf(engine.glyphBuffer, 6), kRowsA) << code;
        EXPECT_EQ(engine.rowBits, 16) << code;
    }
}

TEST_F(EngineA, RowBytesAndRowClassFollowTheWidth) {
    const struct {
        int width, rowBytes, rowBits;
    } cases[] = {{0, 0, 0},   {1, 2, 16},  {9, 2, 16},  {16, 2, 16}, {17, 4, 32},  {32, 4, 32},
                 {33, 6, 48}, {48, 6, 48}, {49, 8, 64}, {64, 8, 64}, {65, 10, 80}, {80, 10, 80}};
    FontBlockA block{0, 11, 0, 0, 0, {}};
    for (int i = 0; i < 12; ++i) {  // one row, only the last column inked
        const int width = cases[i].width;
        block.glyphs.push_back(
            {i, {{std::string(std::max(width - 1, 0), '.') + "#"}}, 0, 0, 0, width});
    }
    writeFont({block});
    for (int i = 0; i < 12; ++i) {
        const auto& c = cases[i];
        std::memset(engine.glyphBuffer, 0, sizeof engine.glyphBuffer);
        fetch(engine, i);
        EXPECT_EQ(engine.rowBytes, c.rowBytes) << "width " << c.width;
        EXPECT_EQ(engine.rowBits, c.rowBits) << "width " << c.width;
        Bytes row(static_cast<std::size_t>(c.rowBytes), 0);
        if (c.width > 0)
            row[(c.width - 1) / 8] = static_cast<std::uint8_t>(0x80 >> (c.width - 1) % 8);
        EXPECT_EQ(bytesOf(engine.glyphBuffer, row.size()), row) << "width " << c.width;
    }
}

TEST_F(EngineA, FileNameIsAppendedToThePathAsAPlainPrefix) {
    fs::create_directories(dir_ + "fonts");
    writeFont({lettersBlock(7)}, "fontsA.bin");
    writeFont({lettersBlock(9)}, "fonts/A.bin");
    writeFont({lettersBlock(11)}, "fontsA300.bin");
    const struct {
        std::string path;
        int resolution, cellWidth;
    } cases[] = {{"fonts", 203, 7}, {"fonts/", 203, 9}, {"fonts", 300, 11}, {"fonts", 250, 0}};
    for (const auto& c : cases) {
        reset(engine);
        engine.fontPath = (prefix() + c.path).c_str();
        engine.resolution = c.resolution;
        fetch(engine, 'A');
        EXPECT_EQ(engine.GetCellW(), c.cellWidth) << c.path << " at " << c.resolution;
    }
}

TEST_F(EngineA, DirectoryIsReadOnceUntilResetAndAMissingFileReadsAsZeros) {
    std::vector<FontBlockA> blocks = {lettersBlock(100), lettersBlock(101), lettersBlock(102)};
    blocks[2].glyphs[0].picture.rows.push_back("#");
    writeFont(blocks);
    fetch(engine, 'A');
    std::error_code refusedOnWindows;  // where an open file cannot be removed
    fs::remove(prefix() + "A.bin", refusedOnWindows);
    fetch(engine, '!');  // from the stream the first fetch opened
    EXPECT_EQ(bytesOf(engine.glyphBuffer, 4), (Bytes{0x80, 0x00, 0x40, 0x00}));
    engine.SetFonttype(2);
    fetch(engine, 'A');  // the directory still ends at block 0: nothing found for font 2
    EXPECT_EQ((std::vector<int>{engine.GetCellW(), engine.glyphFont, engine.GetDelta(),
                                engine.fetchCount}),
              (std::vector<int>{100, 2, 4, 3}));

    reset(engine);
    fs::remove(prefix() + "A.bin");  // now the file is missing
    fetch(engine, 'A');
    EXPECT_EQ(engine.fontFile, nullptr);
    EXPECT_EQ((std::vector<int>{engine.GetCellW(), engine.GetCellH(), engine.GetBaseLine(),
                                engine.GetDelta(), engine.fetchCount}),
              (std::vector<int>{0, 0, 0, 4, 1}));

    writeFont(blocks);
    reset(engine);
    fetch(engine, 'A');
    EXPECT_EQ(engine.GetCellW(), 102);
    EXPECT_EQ(engine.glyphHeaderBuffer[4], 4);
}

TEST_F(EngineA, CodesMetAgainInOneOpeningGiveTheSameGlyphAndEveryOpeningReadsTheFileAfresh) {
    writeFont({lettersBlock()});
    for (int code : {0x41, 0x21, 0x41, 0x30, 0x21}) {  // again within one opening, then after a gap
        fetch(engine, code);
        CGeneraterA fresh;  // reads the file for this code alone
        load(fresh, 0, code);
        EXPECT_EQ(engine.filePos, fresh.filePos) << code;
        if (code == 0x30) continue;  // no glyph: each keeps what it held
        const std::size_t rowsBytes = std::size_t{fresh.rowBytes} * fresh.glyphHeaderBuffer[4];
        EXPECT_EQ(bytesOf(engine.glyphHeaderBuffer, 8), bytesOf(fresh.glyphHeaderBuffer, 8));
        EXPECT_EQ(bytesOf(engine.glyphBuffer, rowsBytes), bytesOf(fresh.glyphBuffer, rowsBytes))
            << code;
    }
    // The next call's opening sees a changed file: nothing read before is used again.
    FontBlockA changed = lettersBlock();
    changed.glyphs[0].picture.rows = {"#", "#"};
    changed.glyphs[0].advance = 9;
    writeFont({changed});
    reset(engine);
    fetch(engine, 'A');
    EXPECT_EQ(engine.GetDelta(), 9);
    EXPECT_EQ(bytesOf(engine.glyphBuffer, 4), (Bytes{0x80, 0x00, 0x80, 0x00}));
}

TEST_F(EngineA, DamagedFilesDeliverWhatTheyHoldAndNeverAGlyphFromPartialOrWrappedOffsets) {
    const Bytes file = fontkit::writeFontFileA({lettersBlock(0x10C), lettersBlock(0x10C)});
    const std::uint32_t block1 = ReadBE32(file.data() + 4);
    const std::uint32_t recordA = ReadBE32(file.data() + kEntryA);
    const auto cut = [](std::size_t length) { return [=](Bytes& b) { b.resize(length); }; };
    const auto put = [](std::size_t at, std::uint32_t value) {
        return [=](Bytes& b) { putBE32(b, at, value); };
    };
    const Bytes shortRows = {0xFF, 0xC0, 0x80, 0, 0, 0, 0x5A};
    const Bytes paper = {0, 0, 0, 0, 0, 0, 0x5A};
    const struct {
        const char* what;
        std::function<void(Bytes&)> damage;
        int font, cellWidth, cellHeight;
        Bytes rows;
    } cases[] = {
        {"cellWidth's low byte missing", cut(41), 0, 0x100, 0, kUntouched},
        {"cellHeight missing", cut(42), 0, 0x10C, 0, kUntouched},
        {"table entry cut", cut(kEntryA + 3), 0, 0x10C, 24, kUntouched},
        {"glyph header cut", cut(recordA + 7), 0, 0x10C, 24, kUntouched},
        {"rows cut: the rest is paper", cut(recordA + 11), 0, 0x10C, 24, shortRows},
        {"record past the end", put(kEntryA, 0x7FFFFFF0), 0, 0x10C, 24, kUntouched},
        {"record offset that wraps round to block 0's 'A' in 32 bits",
         put(block1 + kEntryA, static_cast<std::uint32_t>(0x100000000 - block1 + recordA)), 1,
         0x10C, 24, kUntouched},
        {"block 1 at 4 GiB", put(4, 0xFFFFFFFF), 1, 0, 0, kUntouched},
        {"bitsOffset 255: rows past the end are paper", put(block1 + recordA, 0xFE05FF00), 1, 0x10C,
         24, paper},
    };
    for (const auto& c : cases) {
        Bytes bytes = file;
        c.damage(bytes);
        ASSERT_TRUE(fontkit::writeFileBytes(prefix() + "A.bin", bytes));
        CGeneraterA damaged;
        load(damaged, c.font, 'A');
        EXPECT_EQ(damaged.GetCellW(), c.cellWidth) << c.what;
        EXPECT_EQ(damaged.GetCellH(), c.cellHeight) << c.what;
        EXPECT_EQ(damaged.GetDelta(), c.rows == kUntouched ? 0 : 258) << c.what;
        EXPECT_EQ(bytesOf(damaged.glyphBuffer, 7), c.rows) << c.what;
    }
}

TEST_F(EngineA, GlyphsTooLargeForTheBuffersCountAsCodesWithoutGlyph) {
    const auto solid = [](int width, int rows) {
        return fontkit::GlyphPicture{std::vector<std::string>(rows, std::string(width, '#'))};
    };
    FontBlockA block{'a', 'd', 0, 0, 0, {}};
    block.glyphs = {{'a', solid(80, 102), 0, 0, 1},  // 1020 bytes: fits
                    {'b', solid(80, 103), 0, 0, 2},  // 1030 bytes
                    {'c', solid(81, 1), 0, 0, 3},    // wider than row class 80
                    {'d', solid(255, 255), 0, 0, 4}};
    const Bytes file = writeFont({block});
    Bytes loaded(1024, 0xFF);
    std::fill(loaded.begin() + 1020, loaded.end(), 0x5A);
    for (int code : {'a', 'b', 'c', 'd'}) {
        fetch(engine, code);
        EXPECT_EQ(engine.GetDelta(), 1) << char(code);
        EXPECT_EQ(engine.rowBits, 80) << char(code);
        EXPECT_EQ(bytesOf(engine.glyphBuffer, 1024), loaded) << char(code);
    }
    engine.showimg(0, 65535, 65535);  // capped at the buffer's 1024 bytes
    EXPECT_EQ(bytesOf(engine.glyphBuffer, 1024), Bytes(file.begin(), file.begin() + 1024));
}

TEST_F(EngineA, FontNumberBeyondTheDirectoryFetchesNothing) {
    writeFont(std::vector<FontBlockA>(36, lettersBlock()));
    for (int number : {35, 36, 200}) {
        CGeneraterA refused;
        load(refused, number, 'A');
        EXPECT_EQ(refused.glyphFont, number);
        EXPECT_EQ(refused.GetCellW(), number == 35 ? 12 : 0) << number;
        EXPECT_EQ(refused.GetDelta(), number == 35 ? 258 : 0) << number;
    }
}

TEST(EngineABuffers, ClearBufferEmptiesTheFirst640BytesAndClearFontHeadFourFields) {
    CGeneraterA engine;
    std::memset(engine.glyphBuffer, 0xAA, sizeof engine.glyphBuffer);
    for (int i = 0; i < 8; ++i) engine.glyphHeaderBuffer[i] = static_cast<unsigned char>(i + 1);
    engine.ClearBuffer();
    engine.ClearFontHead();
    Bytes expected(1024, 0);
    std::fill(expected.begin() + 640, expected.end(), 0xAA);
    EXPECT_EQ(bytesOf(engine.glyphBuffer, 1024), expected);
    EXPECT_EQ(bytesOf(engine.glyphHeaderBuffer, 8), (Bytes{0, 0, 3, 4, 0, 0, 7, 8}));
}

TEST_F(EngineA, CopiesOwnTheirBuffersAndOpenTheirOwnFile) {
    writeFont({lettersBlock()});
    fetch(engine, 'A');
    engine.BuildBMP();
    CGeneraterA copy(engine);
    EXPECT_EQ(copy.fontFile, nullptr);
    EXPECT_EQ(copy.fetchCount, 0);
    EXPECT_EQ(copy.dibBits, engine.dibBits);
    EXPECT_EQ(copy.GetCellW(), 12);
    fetch(copy, '!');  // opens its own stream; the engine keeps its glyph
    ASSERT_NE(copy.fontFile, nullptr);
    EXPECT_NE(copy.fontFile, engine.fontFile);
    EXPECT_EQ(bytesOf(engine.glyphBuffer, 6), kRowsA);
    CGeneraterA& alias = copy;
    copy = alias;
    EXPECT_NE(copy.fontFile, nullptr);
    engine = copy;  // closes the engine's own stream
    EXPECT_EQ(engine.fontFile, nullptr);
    EXPECT_EQ(engine.fetchCount, 0);
    EXPECT_EQ(engine.GetDelta(), 4);
}

TEST_F(EngineA, BuildBMPMakesBottomUpComplementedRowsPaddedToFourBytes) {
    FontBlockA block = lettersBlock();
    block.glyphs.push_back({'#', {{"#" + std::string(30, '.') + "#", std::string(32, '#')}}});
    block.glyphs.push_back({' ', {{"", ""}}});
    writeFont({block});
    fetch(engine, 'A');
    engine.BuildBMP();
    const BITMAPINFOHEADER& h = engine.bitmapInfo.bmiHeader;
    EXPECT_EQ((std::vector<std::int64_t>{h.biSize, h.biWidth, h.biHeight, h.biPlanes, h.biBitCount,
                                         h.biCompression, h.biSizeImage, h.biClrUsed}),
              (std::vector<std::int64_t>{40, 16, 3, 1, 1, 0, 48, 0}));
    EXPECT_EQ(bytesOf(&engine.bitmapInfo.bmiColors[0].rgbBlue, 8),
              (Bytes{0, 0, 0, 0, 255, 255, 255, 0}));
    ASSERT_EQ(engine.dibBits.size(), 12u);
    for (int k = 0; k < 3; ++k) engine.dibBits[4 * k + 2] = engine.dibBits[4 * k + 3] = 0;
    EXPECT_EQ(engine.dibBits, (Bytes{0xFF, 0xBF, 0, 0, 0x7F, 0xFF, 0, 0, 0x00, 0x3F, 0, 0}));
    const Bytes normal = engine.dibBits;
    engine.invert = 1;
    engine.BuildBMP();
    for (int k = 0; k < 3; ++k) engine.dibBits[4 * k + 2] = engine.dibBits[4 * k + 3] = 0;
    EXPECT_EQ(engine.dibBits, normal);

    fetch(engine, '#');
    engine.BuildBMP();
    EXPECT_EQ(engine.dibBits, (Bytes{0, 0, 0, 0, 0x7F, 0xFF, 0xFF, 0xFE}));  // no pad bytes
    fetch(engine, ' ');
    engine.BuildBMP();
    EXPECT_EQ(engine.bitmapInfo.bmiHeader.biWidth, 0);
    EXPECT_EQ(engine.bitmapInfo.bmiHeader.biHeight, 2);
    EXPECT_EQ(engine.dibBits.size(), 8u);  // the previous pixels stay
}

// A 3 x 2 glyph "#.#" / ".#." with leftOffset -1 and ascent 2, in fonts 0-16 (cell height 4,
// baseline 1 from the bottom: top row 1) and in font 17 (baseline 4 from the top: top row 2).
TEST_F(EngineA, DrawOnewordPlacesTheMagnifiedGlyphByFontKind) {
    std::vector<FontBlockA> blocks(18, {'A', 'A', 1, 4, 4, {{'A', {{"#.#", ".#."}}, -1, 2, 3}}});
    blocks[17].baseLine = 4;
    writeFont(blocks);
    const struct {
        int font, scaleH, scaleV, invert, x, width, height;
        const char* expected;
    } cases[] = {
        {0, 1, 1, 0, 2, 6, 4, "......\n.#.#..\n..#...\n......\n"},
        {17, 1, 1, 1, 2, 6, 4, "......\n......\n..#...\n.#.#..\n"},
        {0, 2, 3, 0, 2, 9, 9,
         ".........\n.........\n.........\n"
         "..##..##.\n..##..##.\n..##..##.\n"
         "....##...\n....##...\n....##...\n"},
    };
    for (const auto& c : cases) {
        CGeneraterA e;
        load(e, c.font, 'A');
        e.scaleH = c.scaleH;
        e.scaleV = c.scaleV;
        e.invert = c.invert;
        e.BuildBMP();
        test::MonoSurface surface(c.width, c.height);
        e.DrawOneword(surface.dc(), c.x, 0);
        EXPECT_EQ(surface.ascii(), c.expected) << "font " << c.font << " scale " << c.scaleH << "x"
                                               << c.scaleV << " invert " << c.invert;
    }
}

// Preview dots: 8 units apart, first row at 8 * (cellHeight - baseLine - ascent) + 54 for fonts
// 0-16 (cell 24, baseline 4) and 8 * (baseLine - ascent) + 54 for font 17 (baseline 20).
TEST_F(EngineA, DotPreviewDrawsRoundDotsAtTheGridPositions) {
    const std::string edges16 = "#" + std::string(14, '.') + "#";
    const std::string last80 = std::string(79, '.') + "#";
    std::vector<FontBlockA> blocks(18, {'a', 'c', 4, 16, 24, {}});
    for (FontBlockA& block : blocks)
        block.glyphs = {{'a', {{edges16}}}, {'b', {{edges16}}, -1}, {'c', {{last80, last80}}}};
    blocks[17].baseLine = 20;
    writeFont(blocks);
    using Dots = std::vector<std::pair<int, int>>;
    const struct {
        int font, code;
        void (CGeneraterA::*draw)(CDC*);
        Dots dots;
    } cases[] = {
        {0, 'a', &CGeneraterA::Draw16Bit, {{14, 214}, {134, 214}}},
        {17, 'a', &CGeneraterA::Draw16Bit, {{14, 214}, {134, 214}}},
        {0, 'b', &CGeneraterA::Draw16Bit, {{6, 214}, {126, 214}}},
        {0, 'c', &CGeneraterA::Draw128Bit, {{646, 214}, {646, 222}}},
        {0, 'a', &CGeneraterA::Draw128Bit, {{31, 214}}},  // wrong class: reads only its 2 bytes
    };
    for (const auto& c : cases) {
        CGeneraterA e;
        load(e, c.font, c.code);
        Canvas canvas(660, 240);
        const HGDIOBJ pen = GetCurrentObject(canvas.dc()->m_hDC, OBJ_PEN);
        (e.*c.draw)(canvas.dc());
        EXPECT_EQ(GetCurrentObject(canvas.dc()->m_hDC, OBJ_PEN), pen);
        EXPECT_EQ(test::previewDotsDiffer(canvas, c.dots), "")
            << "font " << c.font << " " << char(c.code);
    }
}

}  // namespace
}  // namespace txr

// Engine A: font selection, glyph fetch from font file A, damaged files, bitmap, painting, preview.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "common/big_endian.h"
#include "fontkit/font_file_a.h"
#include "txr/GeneraterA.h"

namespace txr {
namespace {

namespace fs = std::filesystem;
using fontkit::FontBlockA;
using fontkit::GlyphA;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kTableAt = fontkit::kBlockHeaderSizeA;

// Codes 0x20..0x41: '!' and 'A' (the 10 x 3 glyph FF C0 / 80 00 / 00 40); '0' has no glyph.
FontBlockA lettersBlock(int cellWidth = 12) {
    FontBlockA block{0x20, 0x41, 4, cellWidth, 24, {}};
    block.glyphs.push_back({'A', {{"##########", "#.........", ".........#"}}, -2, 5, 258});
    block.glyphs.push_back({'!', {{"#.", ".#"}}, 0, 2, 4});
    return block;
}

// Blocks 0..count-1, each with cell width 100 + its font number.
std::vector<FontBlockA> numberedBlocks(int count) {
    std::vector<FontBlockA> blocks;
    for (int i = 0; i < count; ++i) blocks.push_back(lettersBlock(100 + i));
    return blocks;
}

std::uint32_t recordOf(const Bytes& file, std::size_t blockStart, int code, int firstCode) {
    return ReadBE32(file.data() + blockStart + kTableAt + 4 * (code - firstCode));
}

class EngineA : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) /
               ("engine_a_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        engine.fontPath = prefix().c_str();
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string prefix() const { return dir_.string() + "/"; }
    void writeBytes(const Bytes& bytes, const std::string& name = "A.bin") {
        ASSERT_TRUE(fontkit::writeFileBytes(prefix() + name, bytes));
    }
    Bytes writeFont(const std::vector<FontBlockA>& blocks, const std::string& name = "A.bin") {
        Bytes bytes = fontkit::writeFontFileA(blocks);
        writeBytes(bytes, name);
        return bytes;
    }
    // As the facade does around each string operation.
    void reset(CGeneraterA& e) {
        if (e.fontFile != nullptr) std::fclose(e.fontFile);
        e.fontFile = nullptr;
        e.fetchCount = 0;
    }
    void fetch(int code) {
        engine.SetCharCode(code);
        engine.TXRA();
    }
    Bytes header() const { return Bytes(engine.glyphHeaderBuffer, engine.glyphHeaderBuffer + 8); }
    Bytes glyphBytes(std::size_t n = CGeneraterA::kGlyphBufferSize) const {
        return Bytes(engine.glyphBuffer, engine.glyphBuffer + n);
    }

    fs::path dir_;
    CGeneraterA engine;
};

const Bytes kGlyphAHeader = {0xFE, 5, 8, 0, 3, 10, 1, 2};
const Bytes kGlyphARows = {0xFF, 0xC0, 0x80, 0x00, 0x00, 0x40};
const Bytes kUntouched(7, 0x5A);  // glyphBuffer prefilled by the damaged-file tests

TEST(EngineASetters, FontNumbersMapToBlocksPerResolution) {
    const struct {
        int resolution, number, accepted, stored;
    } cases[] = {{203, 0, 1, 0},    {203, 9, 1, 9},    {203, 10, 1, 9},  {203, 15, 1, 14},
                 {203, 16, 0, 16},  {203, 17, 1, 17},  {203, 24, 1, 24}, {203, 25, 0, 25},
                 {203, -1, 0, 255}, {203, 300, 0, 44}, {300, 0, 1, 0},   {300, 15, 1, 15},
                 {300, 16, 0, 16},  {300, -2, 0, 254}, {250, 3, 0, 77}};
    for (const auto& c : cases) {
        CGeneraterA engine;
        engine.resolution = c.resolution;
        engine.fontType = 77;
        EXPECT_EQ(engine.SetFonttype(c.number), c.accepted) << c.resolution << " " << c.number;
        EXPECT_EQ(engine.fontType, c.stored) << c.resolution << " " << c.number;
    }
    CGeneraterA engine;
    EXPECT_EQ(engine.SetScaleH(0), 1);
    EXPECT_EQ(engine.SetScaleV(-3), 1);
    EXPECT_EQ(engine.scaleH, 0);
    EXPECT_EQ(engine.scaleV, -3);
    engine.SetCharCode(0x141);
    EXPECT_EQ(engine.charCode, 0x41);
}

TEST_F(EngineA, FetchesTheGlyphOfTheCodeThroughTheTableIndexedFromFirstCode) {
    const Bytes file = writeFont({lettersBlock()});
    fetch(0x141);  // low 8 bits: 'A', the last code of the block
    EXPECT_EQ(header(), kGlyphAHeader);
    EXPECT_EQ(glyphBytes(6), kGlyphARows);
    EXPECT_EQ(engine.rowBytes, 2);
    EXPECT_EQ(engine.rowBits, 16);
    EXPECT_EQ(engine.filePos, recordOf(file, 0, 'A', 0x20) + 8u);
    EXPECT_EQ(engine.GetDelta(), 258);
    EXPECT_EQ(engine.GetLoffSet(), -2);
    EXPECT_EQ((std::vector<int>{engine.GetCellW(), engine.GetCellH(), engine.GetBaseLine()}),
              (std::vector<int>{12, 24, 4}));
    EXPECT_EQ(engine.fetchCount, 1);
    EXPECT_EQ(engine.glyphFont, 0);

    // lastCode + 1, firstCode - 1 and a code whose table entry is 0 fetch nothing.
    const Bytes rowsBefore = glyphBytes();
    for (int code : {0x42, 0x1F, int{'0'}}) {
        fetch(code);
        EXPECT_EQ(header(), kGlyphAHeader) << code;
        EXPECT_EQ(glyphBytes(), rowsBefore) << code;
        EXPECT_EQ(engine.rowBits, 16) << code;
    }
    fetch('!');
    EXPECT_EQ(glyphBytes(4), (Bytes{0x80, 0x00, 0x40, 0x00}));
    EXPECT_EQ(engine.fetchCount, 5);
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
            {i, {{std::string(width ? width - 1 : 0, '.') + "#"}}, 0, 0, 0, width});
    }
    writeFont({block});
    for (int i = 0; i < 12; ++i) {
        std::memset(engine.glyphBuffer, 0, sizeof engine.glyphBuffer);
        fetch(i);
        const auto& c = cases[i];
        EXPECT_EQ(engine.rowBytes, c.rowBytes) << "width " << c.width;
        EXPECT_EQ(engine.rowBits, c.rowBits) << "width " << c.width;
        Bytes expected(static_cast<std::size_t>(c.rowBytes), 0);
        if (c.width > 0)
            expected[(c.width - 1) / 8] = static_cast<std::uint8_t>(0x80 >> (c.width - 1) % 8);
        EXPECT_EQ(glyphBytes(expected.size()), expected) << "width " << c.width;
    }
}

TEST_F(EngineA, FileNameIsAppendedToThePathAsAPlainPrefix) {
    fs::create_directories(dir_ / "fonts");
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
        fetch('A');
        EXPECT_EQ(engine.GetCellW(), c.cellWidth) << c.path << " at " << c.resolution;
    }
    EXPECT_EQ(engine.fontFile, nullptr);
}

TEST_F(EngineA, DirectoryIsReadOnceUntilTheFacadeResets) {
    std::vector<FontBlockA> blocks = numberedBlocks(3);
    blocks[2].glyphs[0].picture.rows.push_back("#");
    writeFont(blocks);
    fetch('A');
    fs::remove(prefix() + "A.bin");
    fetch('!');  // from the stream opened by the first fetch
    EXPECT_EQ(glyphBytes(4), (Bytes{0x80, 0x00, 0x40, 0x00}));
    engine.SetFonttype(2);
    fetch('A');  // the directory still stops at block 0: nothing is found for font 2
    EXPECT_EQ(engine.GetCellW(), 100);
    EXPECT_EQ(engine.glyphFont, 2);
    EXPECT_EQ(engine.glyphHeaderBuffer[4], 2);
    EXPECT_EQ(engine.fetchCount, 3);

    writeFont(blocks);
    reset(engine);
    fetch('A');
    EXPECT_EQ(engine.GetCellW(), 102);
    EXPECT_EQ(engine.glyphHeaderBuffer[4], 4);
    EXPECT_EQ(engine.fetchCount, 1);
}

TEST_F(EngineA, MissingFontFileReadsAsZerosAndFetchesNothing) {
    writeFont({lettersBlock()});
    fetch('A');
    reset(engine);
    fs::remove(prefix() + "A.bin");
    for (int round = 1; round <= 2; ++round) {
        fetch('!');
        EXPECT_EQ(engine.fontFile, nullptr);
        EXPECT_EQ(engine.fetchCount, round);
        EXPECT_EQ(engine.GetCellW() + engine.GetCellH() + engine.GetBaseLine(), 0);
        EXPECT_EQ(header(), kGlyphAHeader);
        EXPECT_EQ(glyphBytes(6), kGlyphARows);
    }
}

TEST_F(EngineA, ShortFileDeliversWhatItHoldsAndNoGlyphFromAPartialHeader) {
    const Bytes full = fontkit::writeFontFileA({lettersBlock(0x10C)});
    const std::size_t record = recordOf(full, 0, 'A', 0x20);
    const std::size_t entry = kTableAt + 4 * ('A' - 0x20);
    const struct {
        std::size_t length;
        int cellWidth, cellHeight;
        bool glyph;
        Bytes rows;
    } cases[] = {
        {41, 0x100, 0, false, {}},           // cellWidth's low byte missing
        {42, 0x10C, 0, false, {}},           // cellHeight missing
        {entry + 3, 0x10C, 24, false, {}},   // table entry cut
        {record + 7, 0x10C, 24, false, {}},  // glyph header cut
        {record + 11, 0x10C, 24, true, {0xFF, 0xC0, 0x80, 0, 0, 0, 0x5A}},  // rows cut: paper
    };
    for (const auto& c : cases) {
        writeBytes(Bytes(full.begin(), full.begin() + static_cast<long>(c.length)));
        CGeneraterA fresh;
        fresh.fontPath = prefix().c_str();
        std::memset(fresh.glyphBuffer, 0x5A, sizeof fresh.glyphBuffer);
        fresh.SetCharCode('A');
        fresh.TXRA();
        EXPECT_EQ(fresh.GetCellW(), c.cellWidth) << "length " << c.length;
        EXPECT_EQ(fresh.GetCellH(), c.cellHeight) << "length " << c.length;
        EXPECT_EQ(fresh.GetDelta(), c.glyph ? 258 : 0) << "length " << c.length;
        EXPECT_EQ(Bytes(fresh.glyphBuffer, fresh.glyphBuffer + 7), c.glyph ? c.rows : kUntouched)
            << "length " << c.length;
    }
}

void putBE32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

TEST_F(EngineA, OffsetsAreSummedIn64BitsAndPositionsPastTheEndReadNothing) {
    const Bytes file = fontkit::writeFontFileA({lettersBlock(), lettersBlock()});
    const std::uint32_t block1 = ReadBE32(file.data() + 4);
    const std::uint32_t recordA = recordOf(file, 0, 'A', 0x20);
    const std::size_t entryA = kTableAt + 4 * ('A' - 0x20);
    const struct {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
        int font, cellWidth;
        bool glyph;
    } cases[] = {
        {"record past the end", entryA, 0x7FFFFFF0, 0, 12, false},
        {"record offset wrapping to block 0's A in 32 bits", block1 + entryA,
         static_cast<std::uint32_t>(0x100000000 - block1 + recordA), 1, 12, false},
        {"block 1 at 4 GiB", 4, 0xFFFFFFFF, 1, 0, false},
        {"rows past the end (bitsOffset 255)", block1 + recordA, 0xFE05FF00, 1, 12, true},
    };
    for (const auto& c : cases) {
        Bytes bytes = file;
        putBE32(bytes, c.offset, c.value);
        writeBytes(bytes);
        CGeneraterA fresh;
        fresh.fontPath = prefix().c_str();
        std::memset(fresh.glyphBuffer, 0x5A, sizeof fresh.glyphBuffer);
        fresh.SetFonttype(c.font);
        fresh.SetCharCode('A');
        fresh.TXRA();
        EXPECT_EQ(fresh.GetCellW(), c.cellWidth) << c.what;
        EXPECT_EQ(fresh.GetDelta(), c.glyph ? 258 : 0) << c.what;
        const Bytes paper = {0, 0, 0, 0, 0, 0, 0x5A};
        EXPECT_EQ(Bytes(fresh.glyphBuffer, fresh.glyphBuffer + 7), c.glyph ? paper : kUntouched)
            << c.what;
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
    fetch('a');
    const Bytes loaded = glyphBytes();
    EXPECT_EQ(loaded, [] {
        Bytes b(1024, 0xFF);
        std::fill(b.begin() + 1020, b.end(), 0);
        return b;
    }());
    for (int code : {'b', 'c', 'd'}) {
        fetch(code);
        EXPECT_EQ(engine.GetDelta(), 1) << char(code);
        EXPECT_EQ(glyphBytes(), loaded) << char(code);
        EXPECT_EQ(engine.rowBits, 80) << char(code);
    }
    engine.showimg(0, 65535, 65535);  // capped at the buffer
    EXPECT_EQ(glyphBytes(), Bytes(file.begin(), file.begin() + 1024));
}

TEST_F(EngineA, FontNumberBeyondTheDirectoryFetchesNothing) {
    writeFont(numberedBlocks(36));
    for (int number : {35, 36, 200}) {
        CGeneraterA fresh;
        fresh.fontPath = prefix().c_str();
        EXPECT_EQ(fresh.SetFonttype(number), 0);
        fresh.SetCharCode('A');
        fresh.TXRA();
        EXPECT_EQ(fresh.glyphFont, number);
        EXPECT_EQ(fresh.GetCellW(), number == 35 ? 135 : 0) << number;
        EXPECT_EQ(fresh.GetDelta(), number == 35 ? 258 : 0) << number;
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
    EXPECT_EQ(Bytes(engine.glyphBuffer, engine.glyphBuffer + 1024), expected);
    EXPECT_EQ(Bytes(engine.glyphHeaderBuffer, engine.glyphHeaderBuffer + 8),
              (Bytes{0, 0, 3, 4, 0, 0, 7, 8}));
}

TEST_F(EngineA, CopiesOwnTheirBuffersAndOpenTheirOwnFile) {
    writeFont({lettersBlock()});
    fetch('A');
    engine.BuildBMP();
    CGeneraterA copy(engine);
    EXPECT_EQ(copy.fontFile, nullptr);
    EXPECT_EQ(copy.fetchCount, 0);
    EXPECT_EQ(copy.dibBits, engine.dibBits);
    EXPECT_EQ(Bytes(copy.glyphBuffer, copy.glyphBuffer + 1024), glyphBytes());
    EXPECT_EQ(copy.GetCellW(), 12);
    copy.glyphBuffer[0] = 0;
    copy.dibBits[0] = 0x11;
    EXPECT_EQ(glyphBytes(6), kGlyphARows);
    EXPECT_EQ(engine.dibBits[0], 0xFF);

    copy.SetCharCode('!');
    copy.TXRA();
    ASSERT_NE(copy.fontFile, nullptr);
    EXPECT_NE(copy.fontFile, engine.fontFile);
    EXPECT_EQ(header(), kGlyphAHeader);
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
    fetch('A');
    for (int invert : {0, 1}) {
        engine.invert = invert;
        engine.BuildBMP();
        const BITMAPINFOHEADER& h = engine.bitmapInfo.bmiHeader;
        EXPECT_EQ((std::vector<long>{h.biSize, h.biWidth, h.biHeight, h.biPlanes, h.biBitCount,
                                     h.biCompression, h.biSizeImage, h.biClrUsed}),
                  (std::vector<long>{40, 16, 3, 1, 1, 0, 48, 0}));
        ASSERT_EQ(engine.dibBits.size(), 12u);
        for (int k = 0; k < 3; ++k) engine.dibBits[4 * k + 2] = engine.dibBits[4 * k + 3] = 0;
        EXPECT_EQ(engine.dibBits, (Bytes{0xFF, 0xBF, 0, 0, 0x7F, 0xFF, 0, 0, 0x00, 0x3F, 0, 0}));
    }
    const RGBQUAD* colours = engine.bitmapInfo.bmiColors;
    EXPECT_EQ((Bytes{colours[0].rgbBlue, colours[0].rgbRed, colours[1].rgbBlue, colours[1].rgbGreen,
                     colours[1].rgbRed, colours[1].rgbReserved}),
              (Bytes{0, 0, 255, 255, 255, 0}));

    fetch('#');
    engine.BuildBMP();
    EXPECT_EQ(engine.dibBits, (Bytes{0, 0, 0, 0, 0x7F, 0xFF, 0xFF, 0xFE}));  // no pad bytes
    fetch(' ');
    engine.BuildBMP();
    EXPECT_EQ(engine.bitmapInfo.bmiHeader.biWidth, 0);
    EXPECT_EQ(engine.bitmapInfo.bmiHeader.biHeight, 2);
    EXPECT_EQ(engine.dibBits.size(), 8u);
}

}  // namespace
}  // namespace txr

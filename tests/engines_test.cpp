// Engines A, B and Z below the facade: setters, copies, buffers, bounds, damaged files, previews;
// and engine B's code tables: worked examples, ranges, shared arrays, the 300 dpi departures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "common/big_endian.h"
#include "common/one_bit_rows.h"
#include "engine_b/code_tables.h"
#include "fontkit/font_file_a.h"
#include "fontkit/font_file_b.h"
#include "fontkit/font_file_z.h"
#include "support/bmp_file.h"
#include "support/raster_ascii.h"
#include "txr/GeneraterA.h"
#include "txr/GeneraterB.h"
#include "txr/GeneraterZ.h"
#include "txr/family_one_catalogue.h"
#include "txr/platform/canvas.h"

namespace txr {
namespace {

using Bytes = std::vector<std::uint8_t>;
using fontkit::FontBlockA;
using fontkit::FontBlockZ;
using fontkit::GlyphZ;
using Dots = std::vector<std::pair<int, int>>;

Bytes bytesOf(const unsigned char* bytes, std::size_t count) {
    return Bytes(bytes, bytes + count);
}

void install(const std::string& path, const Bytes& bytes) {
    ASSERT_TRUE(fontkit::writeFileBytes(path, bytes)) << path;
}

void fetch(CGeneraterA& engine, int code) {
    engine.SetCharCode(code);
    engine.TXRA();
}

void fetch(CGeneraterZ& engine, int code) {
    engine.SetCharCode(code);
    engine.TXRZ();
}

// What the facade does after each string.
template <class Engine>
void closeFont(Engine& engine) {
    if (engine.fontFile != nullptr) std::fclose(engine.fontFile);
    engine.fontFile = nullptr;
    if constexpr (!std::is_same_v<Engine, CGeneraterB>) engine.fetchCount = 0;
}

// Font A: codes 0x20..0x41 with '!' and 'A' (the 10 x 3 glyph FF C0 / 80 00 / 00 40).
FontBlockA lettersBlock(int cellWidth = 12) {
    FontBlockA block{0x20, 0x41, 4, cellWidth, 24, {}};
    block.glyphs = {{'A', {{"##########", "#.........", ".........#"}}, -2, 5, 258},
                    {'!', {{"#.", ".#"}}, 0, 2, 4}};
    return block;
}
constexpr std::size_t kEntryA = 60 + 4 * ('A' - 0x20);  // 'A' in font A's code offset table

// Font B: a whole file whose every byte tells its position from its neighbours'.
Bytes patternFileB(int resolution) {
    Bytes bytes(engine_b::fontFileSize(resolution));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * 131 + (i >> 8) * 7 + resolution) ^ (i >> 16));
    }
    return bytes;
}

// Engine B on a font and set, its file in `dir` opened, its glyph buffer marked.
constexpr unsigned char kUntouched = 0xA5;
CGeneraterB openedB(const std::string& dir, int resolution, int fontType, int charSet = 0) {
    CGeneraterB b;
    b.fontPath = dir.c_str();
    b.resolution = resolution;
    b.SetFonttype(fontType);
    b.charSet = charSet;
    b.SetFont();
    b.TXRB();
    std::memset(b.glyphBuffer, kUntouched, sizeof b.glyphBuffer);
    return b;
}
bool untouchedFrom(const CGeneraterB& b, std::size_t first) {
    return std::all_of(b.glyphBuffer + first, std::end(b.glyphBuffer),
                       [](unsigned char byte) { return byte == kUntouched; });
}

// Font Z: 'A' the glyph "#####" / "#...#" / ".###." (rows F8 88 70), code 0 a dot.
const GlyphZ kCup{0x41, {{"#####", "#...#", ".###."}}, 1, 8, 7};

// The font numbers each engine accepts, and what a refused one leaves stored (the blocks that
// accepted numbers select show in render_test's FontNumbersSelectBlocksWithTheirHeightCorrections).
TEST(Engines, SetFonttypeAnswersAndStoresAsEachEngineDoes) {
    const struct {
        char engine;
        int resolution, number, accepted, stored;
    } cases[] = {
        {'A', 203, 16, 0, 16},  {'A', 203, 25, 0, 25}, {'A', 203, -1, 0, 255},
        {'A', 203, 300, 0, 44}, {'A', 300, 15, 1, 15}, {'A', 300, 16, 0, 16},
        {'A', 300, -2, 0, 254}, {'A', 250, 3, 0, 77},  {'B', 203, 5, 0, 77},
        {'B', 203, -1, 0, 77},  {'Z', 203, 9, 0, 77},  {'Z', 203, -1, 0, 77},
    };
    for (const auto& c : cases) {
        CGeneraterA a;
        CGeneraterB b;
        CGeneraterZ z;
        a.resolution = b.resolution = c.resolution;
        a.fontType = b.fontType = z.fontType = 77;
        const int accepted = c.engine == 'A'   ? a.SetFonttype(c.number)
                             : c.engine == 'B' ? b.SetFonttype(c.number)
                                               : z.SetFonttype(c.number);
        const int stored = c.engine == 'A' ? a.fontType : c.engine == 'B' ? b.fontType : z.fontType;
        EXPECT_EQ(accepted, c.accepted) << c.engine << " " << c.resolution << " " << c.number;
        EXPECT_EQ(stored, c.stored) << c.engine << " " << c.resolution << " " << c.number;
    }
}

// A copy holds the source's glyph and bitmap in buffers of its own and no open file; assigning
// over an engine closes the file it had open.
template <class Engine>
void expectOwnCopies(Engine& source, const std::function<void(Engine&)>& open) {
    source.BuildBMP();
    Engine copy(source);
    EXPECT_EQ(copy.fontFile, nullptr);
    EXPECT_NE(source.fontFile, nullptr);
    EXPECT_EQ(bytesOf(copy.glyphBuffer, sizeof copy.glyphBuffer),
              bytesOf(source.glyphBuffer, sizeof source.glyphBuffer));
    ASSERT_FALSE(copy.dibBits.empty());
    EXPECT_EQ(copy.dibBits, source.dibBits);
    copy.dibBits[0] ^= 0xFF;
    copy.glyphBuffer[0] ^= 0xFF;
    EXPECT_NE(copy.dibBits[0], source.dibBits[0]);
    EXPECT_NE(copy.glyphBuffer[0], source.glyphBuffer[0]);
    open(copy);
    ASSERT_NE(copy.fontFile, nullptr);
    EXPECT_NE(copy.fontFile, source.fontFile);
    Engine& alias = copy;
    copy = alias;
    EXPECT_NE(copy.fontFile, nullptr);
    copy = source;
    EXPECT_EQ(copy.fontFile, nullptr);
    EXPECT_EQ(copy.glyphBuffer[0], source.glyphBuffer[0]);
    closeFont(source);
}

TEST(Engines, CopiesOwnTheirBuffersAndOpenTheirOwnFile) {
    const std::string dir = test::freshTestDirectory();
    install(dir + "A.bin", fontkit::writeFontFileA({lettersBlock()}));
    install(dir + "B.bin", patternFileB(203));
    install(dir + "Z.bin", fontkit::writeFontFileZ({FontBlockZ{8, 10, 8, {kCup}}}));

    CGeneraterA a;
    a.fontPath = dir.c_str();
    fetch(a, 'A');
    expectOwnCopies<CGeneraterA>(a, [](CGeneraterA& e) { fetch(e, '!'); });

    CGeneraterB b = openedB(dir, 203, 1, 7);
    b.SetcharCode(35);
    expectOwnCopies<CGeneraterB>(b, [](CGeneraterB& e) { e.TXRB(); });

    CGeneraterZ z;
    z.fontPath = dir.c_str();
    fetch(z, 0x41);
    expectOwnCopies<CGeneraterZ>(z, [](CGeneraterZ& e) { fetch(e, 0x41); });
}

// Engine Z's ClearBuffer shows in render_test's picture of a family 2 code without glyph.
TEST(Engines, ClearBufferAndClearFontHeadEmptyTheirShareOfTheBuffers) {
    CGeneraterA a;
    CGeneraterB b;
    CGeneraterZ z;
    std::memset(a.glyphBuffer, 0xAA, sizeof a.glyphBuffer);
    std::memset(b.glyphBuffer, 0xAA, sizeof b.glyphBuffer);
    for (int i = 0; i < 8; ++i) a.glyphHeaderBuffer[i] = static_cast<unsigned char>(i + 1);
    std::memset(z.glyphHeaderBuffer, 0xAA, sizeof z.glyphHeaderBuffer);
    a.ClearBuffer();
    b.ClearBuffer();
    a.ClearFontHead();
    z.ClearFontHead();
    const auto cleared = [](std::size_t size, std::size_t zeros) {
        Bytes expected(size, 0xAA);
        std::fill(expected.begin(), expected.begin() + static_cast<long>(zeros), 0);
        return expected;
    };
    EXPECT_EQ(bytesOf(a.glyphBuffer, 1024), cleared(1024, 640));
    EXPECT_EQ(bytesOf(b.glyphBuffer, sizeof b.glyphBuffer), cleared(sizeof b.glyphBuffer, 512));
    EXPECT_EQ(bytesOf(a.glyphHeaderBuffer, 8), (Bytes{0, 0, 3, 4, 0, 0, 7, 8}));
    EXPECT_EQ(bytesOf(z.glyphHeaderBuffer, sizeof z.glyphHeaderBuffer),
              Bytes(sizeof z.glyphHeaderBuffer, 0));
}

// A glyph the buffers cannot hold counts as a code without glyph: the one before stays. Engine A
// holds rows of up to 80 dots and 1,024 bytes, engine Z rows of up to 48 dots and 512 bytes.
TEST(Engines, GlyphsAtTheSizeBoundsAreTakenAndOneDotOrRowMoreIsNot) {
    const struct {
        char engine;
        int width, rows;
        bool taken;
    } cases[] = {
        {'A', 80, 102, true},                           // 1,020 bytes
        {'A', 64, 128, true},                           // 1,024 bytes
        {'A', 64, 129, false},  {'A', 48, 171, false},  // 1,026 bytes, the next size a row allows
        {'A', 80, 103, false},  {'A', 80, 1, true},    {'A', 81, 1, false},
        {'A', 255, 255, false}, {'Z', 48, 85, true},  // 510 bytes
        {'Z', 48, 86, false},   {'Z', 8, 512, true},   {'Z', 8, 513, false},
        {'Z', 48, 1, true},     {'Z', 49, 1, false},   {'Z', 65535, 1, false},
    };
    const auto solid = [](int width, int rows) {
        return std::vector<std::string>(static_cast<std::size_t>(rows),
                                        std::string(static_cast<std::size_t>(width), '#'));
    };
    const std::string dir = test::freshTestDirectory();
    FontBlockA blockA{0, 20, 0, 0, 0, {{0, {{"#"}}, 0, 0, 9}}};
    FontBlockZ blockZ{8, 8, 6, {GlyphZ{0, {{"#"}}, 0, 0, 9}}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const int code = static_cast<int>(i) + 1;
        if (c.engine == 'A') blockA.glyphs.push_back({code, {solid(c.width, c.rows)}, 0, 0, 100});
        if (c.engine == 'Z') blockZ.glyphs.push_back({code, {solid(c.width, c.rows)}, 0, 0, 100});
    }
    const Bytes fileA = fontkit::writeFontFileA({blockA});
    install(dir + "A.bin", fileA);
    install(dir + "Z.bin", fontkit::writeFontFileZ({blockZ}));
    CGeneraterA a;
    CGeneraterZ z;
    a.fontPath = z.fontPath = dir.c_str();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const int code = static_cast<int>(i) + 1;
        const auto rows = static_cast<std::size_t>(c.rows);
        const std::size_t bytes = static_cast<std::size_t>((c.width + 15) / 16 * 2) * rows;
        int advance = 0;
        Bytes held;
        if (c.engine == 'A') {
            fetch(a, 0);
            std::memset(a.glyphBuffer, 0, sizeof a.glyphBuffer);
            fetch(a, code);
            advance = a.GetDelta();
            held = bytesOf(a.glyphBuffer, std::min<std::size_t>(bytes, sizeof a.glyphBuffer));
            a.BuildBMP();  // every row class up to 80 dots makes a bitmap
            EXPECT_EQ(a.dibBits.size(), dibStride(a.rowBits) * a.glyphHeaderBuffer[4]) << c.width;
        } else {
            fetch(z, 0);
            fetch(z, code);
            advance = z.GetCharDelta();
            const std::size_t bytesZ = static_cast<std::size_t>((c.width + 7) / 8) * rows;
            held = bytesOf(z.glyphBuffer, std::min<std::size_t>(bytesZ, sizeof z.glyphBuffer));
        }
        EXPECT_EQ(advance, c.taken ? 100 : 9) << c.engine << " " << c.width << " x " << c.rows;
        if (c.taken && c.width % 8 == 0) {
            EXPECT_EQ(held, Bytes(held.size(), 0xFF))
                << c.engine << " " << c.width << " x " << c.rows;
        }
    }
    // showimg copies the file from an offset into glyphBuffer, never more than its 1,024 bytes.
    a.showimg(0, 65535, 65535);
    EXPECT_EQ(bytesOf(a.glyphBuffer, 1024), Bytes(fileA.begin(), fileA.begin() + 1024));
    closeFont(a);
    closeFont(z);
}

// `file` cut to `length` bytes, or with the big-endian word at `at` replaced.
Bytes cut(const Bytes& file, std::size_t length) {
    return Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
}
Bytes patched(Bytes file, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) file.at(at + i) = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    return file;
}

// A new engine's fetch of `code` from `file` as font `font` (written past SetFonttype), its glyph
// buffer marked 0x5A first: cell width, cell height and advance; `rows` gets the buffer's first
// rows.size() bytes.
template <class Engine>
std::vector<int> fetchedFrom(const std::string& dir, const Bytes& file, int font, int code,
                             Bytes& rows) {
    const std::string path = dir + (std::is_same_v<Engine, CGeneraterA> ? "A.bin" : "Z.bin");
    std::remove(path.c_str());
    if (!file.empty()) install(path, file);
    Engine engine;
    engine.fontPath = dir.c_str();
    engine.fontType = static_cast<decltype(engine.fontType)>(font);
    std::memset(engine.glyphBuffer, 0x5A, sizeof engine.glyphBuffer);
    fetch(engine, code);
    rows = bytesOf(engine.glyphBuffer, rows.size());
    closeFont(engine);
    if constexpr (std::is_same_v<Engine, CGeneraterA>) {
        return {engine.GetCellW(), engine.GetCellH(), engine.GetDelta()};
    } else {
        return {engine.GetCellW(), engine.GetCellH(), engine.GetCharDelta()};
    }
}

// Damaged files: cells from what the head holds, rows cut short read as paper, and never a glyph
// from a record past the end or an offset that wraps round in 32 bits.
TEST(Engines, DamagedFilesDeliverWhatTheyHoldAndNeverAGlyphFromBadOffsets) {
    const std::string dir = test::freshTestDirectory();
    const Bytes fileA = fontkit::writeFontFileA({lettersBlock(0x10C), lettersBlock(0x10C)});
    const std::uint32_t block1 = ReadBE32(fileA.data() + 4);
    const std::uint32_t recordA = ReadBE32(fileA.data() + kEntryA);
    const Bytes fileZ = fontkit::writeFontFileZ({FontBlockZ{0x0102, 0x0304, 7, {kCup}}});
    const Bytes twoZ = fontkit::writeFontFileZ(
        {FontBlockZ{8, 8, 6, {kCup}}, FontBlockZ{8, 8, 6, {GlyphZ{0x42, {{"#"}}, 0, 0, 2}}}});
    const std::uint32_t startZ1 = ReadBE32(twoZ.data());
    const std::size_t entryZ1 = startZ1 + 104 + 4 * 0x42;  // code B's entry in block 1
    const Bytes paper7 = {0, 0, 0, 0, 0, 0, 0x5A}, none7(7, 0x5A), none3(3, 0x5A), none1(1, 0x5A);
    const Bytes rowsA = {0xFF, 0xC0, 0x80, 0x00, 0x00, 0x40, 0x5A};
    const Bytes oneRowA = {0xFF, 0xC0, 0x80, 0, 0, 0, 0x5A};
    const std::uint32_t wrapA = static_cast<std::uint32_t>(0x100000000 - block1 + recordA);
    // Summed with block 1's start in 32 bits this would land on block 0's record of kCup.
    const std::uint32_t wrapZ = static_cast<std::uint32_t>((1ull << 32) - startZ1 + 1128);
    const struct {
        char engine;
        Bytes file;
        int font, code, cellWidth, cellHeight, advance;
        Bytes rows;
        const char* what;
    } cases[] = {
        {'A', fileA, 0, 'A', 0x10C, 24, 258, rowsA, "whole"},
        {'A', {}, 0, 'A', 0, 0, 0, none7, "no file"},
        {'A', cut(fileA, 41), 0, 'A', 0x100, 0, 0, none7, "cellWidth's low byte missing"},
        {'A', cut(fileA, 42), 0, 'A', 0x10C, 0, 0, none7, "cellHeight missing"},
        {'A', cut(fileA, kEntryA + 3), 0, 'A', 0x10C, 24, 0, none7, "table entry cut"},
        {'A', cut(fileA, recordA + 7), 0, 'A', 0x10C, 24, 0, none7, "glyph header cut"},
        {'A', cut(fileA, recordA + 11), 0, 'A', 0x10C, 24, 258, oneRowA, "rows cut: paper"},
        {'A', patched(fileA, kEntryA, 0x7FFFFFF0), 0, 'A', 0x10C, 24, 0, none7, "record past end"},
        {'A', patched(fileA, block1 + kEntryA, wrapA), 1, 'A', 0x10C, 24, 0, none7, "wraps round"},
        {'A', patched(fileA, 4, 0xFFFFFFFF), 1, 'A', 0, 0, 0, none7, "block 1 at 4 GiB"},
        {'A', patched(fileA, block1 + recordA, 0xFE05FF00), 1, 'A', 0x10C, 24, 258, paper7,
         "bitsOffset 255: rows past the end are paper"},
        {'A', fileA, 2, 'A', 0, 0, 0, none7, "font beyond the directory"},
        {'A', fileA, 0, 0x141, 0x10C, 24, 258, rowsA, "the code's low byte counts"},
        {'A', fileA, 0, 0x42, 0x10C, 24, 0, none7, "past lastCode"},
        {'A', fileA, 0, 0x1F, 0x10C, 24, 0, none7, "before firstCode"},
        {'A', fileA, 0, '0', 0x10C, 24, 0, none7, "table entry 0"},
        {'Z', fileZ, 0, 'A', 0x0102, 0x0304, 7, {0xF8, 0x88, 0x70}, "whole"},
        {'Z', {}, 0, 'A', 0, 0, 0, none3, "no file"},
        {'Z', cut(fileZ, 30), 0, 'A', 0, 0x0304, 0, none3, "head cut inside the cell width"},
        {'Z', cut(fileZ, 366), 0, 'A', 0x0102, 0x0304, 0, none3, "table entry cut"},
        {'Z', cut(fileZ, 1000), 0, 'A', 0x0102, 0x0304, 0, none3, "record past the end"},
        {'Z', cut(fileZ, 1133), 0, 'A', 0x0102, 0x0304, 0, none3, "glyph header cut"},
        {'Z', cut(fileZ, 1139), 0, 'A', 0x0102, 0x0304, 7, {0xF8, 0, 0}, "rows cut after one"},
        {'Z', twoZ, 1, 'B', 8, 8, 2, {0x80}, "block 1"},
        {'Z', patched(twoZ, entryZ1 + 4, 0x7FFFFFF0u), 1, 'C', 8, 8, 0, none1, "record past end"},
        {'Z', patched(twoZ, entryZ1 + 8, wrapZ), 1, 'D', 8, 8, 0, none1, "wraps round"},
        {'Z', patched(twoZ, 0, 0xFFFFFFF0u), 1, 'B', 0, 0, 0, none1, "block 1 far past the end"},
        {'Z', fileZ, 35, 'A', 0, 0, 0, none1, "font 35, beyond the directory"},
        {'Z', fileZ, 1000, 'A', 0, 0, 0, none1, "font 1000"},
        {'Z', fileZ, -1, 'A', 0, 0, 0, none1, "font -1"},
    };
    for (const auto& c : cases) {
        Bytes rows(c.rows.size());
        const std::vector<int> fetched =
            c.engine == 'A' ? fetchedFrom<CGeneraterA>(dir, c.file, c.font, c.code, rows)
                            : fetchedFrom<CGeneraterZ>(dir, c.file, c.font, c.code, rows);
        EXPECT_EQ(fetched, (std::vector<int>{c.cellWidth, c.cellHeight, c.advance}))
            << c.engine << ": " << c.what;
        EXPECT_EQ(rows, c.rows) << c.engine << ": " << c.what;
    }
}

TEST(EngineB, FetchReadsOneGlyphAtItsOffsetOrNothingAtAll) {
    const std::string dir = test::freshTestDirectory();
    install(dir + "B.bin", patternFileB(203));
    install(dir + "B300.bin", patternFileB(300));
    // A file ending 10 bytes into glyph 15 of font 0 (code 65), before glyph 16 (code 66).
    std::filesystem::create_directory(dir + "cut");
    install(dir + "cut/B.bin", cut(patternFileB(203), 370));
    const struct {
        int resolution, fontType, charSet, code, codeIndex, glyphOffset;
        std::size_t fileOffset, size;  // size 0: nothing read
        bool cut = false;
    } cases[] = {
        {203, 0, 0, 65, 45, 360, 360, 24},
        {300, 4, 1, 235, 200, 78 * 480, 66144 + 78 * 480, 480},
        {203, 0, 0, 32, 12, -1, 0, 0},
        {203, 4, 0, 97, 62, -1, 0, 0},
        {203, 4, 9, 92, 57, -1, 0, 0},  // accepted, past the end of the set's table
        // Refused: codeIndex and glyphOffset keep their earlier values.
        {203, 0, 0, 19, 77, 99, 0, 0},
        {203, 4, 9, 93, 77, 99, 0, 0},
        {300, 3, 14, 123, 77, 99, 0, 0},
        {203, 0, 0, 65, 45, 360, 360, 10, true},
        {203, 0, 0, 66, 46, 384, 0, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.resolution) + " dpi, font " + std::to_string(c.fontType) +
                     ", code " + std::to_string(c.code));
        const std::string folder = c.cut ? dir + "cut/" : dir;  // outlives the engine's fontPath
        CGeneraterB engine = openedB(folder, c.resolution, c.fontType, c.charSet);
        engine.codeIndex = 77;
        engine.glyphOffset = 99;
        engine.SetcharCode(c.code);
        EXPECT_EQ(engine.codeIndex, c.codeIndex);
        EXPECT_EQ(engine.glyphOffset, c.glyphOffset);
        const Bytes file = patternFileB(c.resolution);
        EXPECT_TRUE(std::equal(engine.glyphBuffer, engine.glyphBuffer + c.size,
                               file.begin() + static_cast<std::ptrdiff_t>(c.fileOffset)));
        EXPECT_TRUE(untouchedFrom(engine, c.size));
        closeFont(engine);
    }
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
}

TEST(EngineB, ShortAndHostileFilesNeverReadOutsideTheFileTablesOrBuffers) {
    const std::string dir = test::freshTestDirectory();
    install(dir + "B.bin", patternFileB(203));
    CGeneraterB engine = openedB(dir, 203, 0);
    engine.lastCode = 255;  // past the end of the 229-entry table
    engine.SetcharCode(255);
    EXPECT_EQ(engine.glyphOffset, -1);
    engine.cellHeight = 60000;  // a glyph far larger than the buffer and the file
    engine.SetcharCode(65);
    EXPECT_EQ(engine.glyphOffset, 15 * 2 * 60000);
    engine.fontOffset = ~0UL;
    std::memset(engine.glyphBuffer, kUntouched, sizeof engine.glyphBuffer);
    engine.SetcharCode(66);
    EXPECT_TRUE(untouchedFrom(engine, 0));
    engine.rowBits = 16;
    engine.BuildBMP();
    EXPECT_EQ(engine.dibBits.size(), 4u * 60000);
    engine.scaleH = 1 << 30;
    test::MonoSurface surface(4, 4);
    engine.DrawOneword(surface.dc(), 8, 0);
    engine.Draw16Bit(surface.dc());
    EXPECT_EQ(surface.ascii(), "....\n....\n....\n....\n");
    closeFont(engine);
}

TEST(EngineZ, GettersReadUnsignedBigEndianFieldsAndDrawingNeedsAMatchingBitmap) {
    const std::string dir = test::freshTestDirectory();
    install(
        dir + "Z.bin",
        fontkit::writeFontFileZ({FontBlockZ{
            0x0102,
            0x0304,
            0x0506,
            {GlyphZ{0x41, {{"#", "#"}}, 65534, 0xFFFF, 258, 3}, GlyphZ{' ', {{"", ""}}, 0, 0, 5},
             GlyphZ{'0', {std::vector<std::string>(48, std::string(48, '#'))}, 0, 40, 50}}}}));
    CGeneraterZ engine;
    engine.fontPath = dir.c_str();
    fetch(engine, 0x41);
    EXPECT_EQ((std::vector<int>{engine.GetCellW(), engine.GetCellH(), engine.GetBase(),
                                engine.GetCharH(), engine.GetCharW(), engine.GetCharLoff(),
                                engine.GetCharToff(), engine.GetCharDelta()}),
              (std::vector<int>{258, 772, 1286, 2, 3, 65534, 65535, 258}));

    test::MonoSurface surface(64, 60);
    const std::string blank = surface.ascii();
    CGeneraterZ().DrawOneword(surface.dc(), 0, 0);  // nothing built yet
    fetch(engine, ' ');
    engine.BuildBMP();
    engine.DrawOneword(surface.dc(), 0, 0);  // width 0
    fetch(engine, 0x41);
    engine.BuildBMP();
    fetch(engine, '0');  // larger than the bitmap built
    engine.DrawOneword(surface.dc(), 0, 0);
    fetch(engine, 0x41);
    engine.SetScaleH(0x40000000);  // scaled width beyond int
    engine.DrawOneword(surface.dc(), 0, 0);
    EXPECT_EQ(surface.ascii(), blank);
    closeFont(engine);
}

// "" when the canvas shows exactly the dot-preview dots centred on `centres` (each a disc of 21
// pixels of the preview's blue, none overlapping); otherwise what differs.
std::string previewDotsDiffer(const Canvas& canvas, const Dots& centres) {
    const COLORREF blue = RGB(0, 0, 255);
    std::string differ;
    for (const auto& [x, y] : centres) {
        if (canvas.pixel(x, y) != blue) {
            differ += "no dot at " + std::to_string(x) + "," + std::to_string(y) + "; ";
        }
    }
    const std::string blueDots = test::asciiOf(canvas, blue);
    const auto inked = std::count(blueDots.begin(), blueDots.end(), '#');
    if (inked != 21 * static_cast<long>(centres.size())) {
        differ +=
            std::to_string(inked) + " blue pixels for " + std::to_string(centres.size()) + " dots";
    }
    return differ;
}

// The dot preview: column c of glyph row r as a round dot at (14 + 8 c, 54 + 8 r), moved by the
// engine's own offsets; the DC keeps its pen.
TEST(Engines, DotPreviewsPutEachStoredDotOnTheEightUnitGrid) {
    const std::string dir = test::freshTestDirectory();
    const std::string edges16 = "#" + std::string(14, '.') + "#";
    const std::string last80 = std::string(79, '.') + "#";
    FontBlockA blockA{'a', 'c', 4, 16, 24, {}};
    blockA.glyphs = {{'a', {{edges16}}}, {'b', {{edges16}}, -1}, {'c', {{last80, last80}}}};
    install(dir + "A.bin", fontkit::writeFontFileA({blockA}));
    // Z glyphs 0 to 4: a dot at the left, 16 dots with both edges inked, a 48-dot row ending in
    // ink, two rows with ascent 6, one dot 2 right by its left offset; 5: eight 1-byte rows.
    const FontBlockZ blockZ{
        8,
        8,
        5,
        {GlyphZ{0, {{"#......."}}, 0, 5, 0, 8}, GlyphZ{1, {{"#..............#"}}, 0, 5, 0, 16},
         GlyphZ{2, {{std::string(47, '.') + "#"}}, 0, 5, 0, 48},
         GlyphZ{3, {{"#.......", ".#......"}}, 0, 6, 0, 8}, GlyphZ{4, {{"#......."}}, 2, 5, 0, 8},
         GlyphZ{5, {std::vector<std::string>(8, "#")}, 7, 5, 0, 8}}};
    install(dir + "Z.bin", fontkit::writeFontFileZ({blockZ}));

    // Eight 1-byte rows read 6 bytes a row: all of row 0 and 2 dots of row 1, nothing beyond.
    const Dots sixAndTwo = {{14, 54}, {22, 54}, {30, 54}, {38, 54},
                            {46, 54}, {54, 54}, {14, 62}, {22, 62}};
    const struct {
        char engine;
        int font, code;  // B: the resolution in `code`
        int preview;     // the DrawNBit called
        Dots dots;
    } cases[] = {
        {'A', 0, 'a', 16, {{14, 214}, {134, 214}}},
        {'A', 0, 'b', 16, {{6, 214}, {126, 214}}},
        {'A', 0, 'c', 128, {{646, 214}, {646, 222}}},
        {'A', 0, 'a', 128, {{31, 214}}},  // reads only its 2 bytes
        {'B', 0, 203, 16, {{14, 54}, {134, 54}}},
        {'B', 2, 300, 32, {{14, 54}, {262, 54}}},
        {'Z', 0, 0, 8, {{14, 54}}},
        {'Z', 0, 1, 16, {{14, 54}, {134, 54}}},
        {'Z', 0, 2, 48, {{390, 54}}},
        {'Z', 0, 3, 8, {{14, 46}, {22, 54}}},
        {'Z', 0, 4, 8, {{30, 54}}},
        {'Z', 0, 5, 48, sixAndTwo},
    };
    for (const auto& c : cases) {
        Canvas canvas(660, 240);
        const HGDIOBJ pen = GetCurrentObject(canvas.dc()->m_hDC, OBJ_PEN);
        if (c.engine == 'A') {
            CGeneraterA engine;
            engine.fontPath = dir.c_str();
            engine.SetFonttype(c.font);
            std::memset(engine.glyphBuffer, 0x5A, sizeof engine.glyphBuffer);
            fetch(engine, c.code);
            c.preview == 16 ? engine.Draw16Bit(canvas.dc()) : engine.Draw128Bit(canvas.dc());
            closeFont(engine);
        } else if (c.engine == 'B') {
            CGeneraterB engine;
            engine.resolution = c.code;
            engine.SetFonttype(c.font);
            engine.SetFont();
            // The first and last dot of the top row, and ink past the glyph's rows.
            const std::size_t glyphBytes = std::size_t{engine.rowBytes} * engine.cellHeight;
            std::memset(engine.glyphBuffer, 0, glyphBytes);
            std::memset(engine.glyphBuffer + glyphBytes, 0xFF,
                        sizeof engine.glyphBuffer - glyphBytes);
            engine.glyphBuffer[0] = 0x80;
            engine.glyphBuffer[engine.rowBytes - 1] = 0x01;
            c.preview == 16 ? engine.Draw16Bit(canvas.dc()) : engine.Draw32Bit(canvas.dc());
        } else {
            CGeneraterZ engine;
            engine.fontPath = dir.c_str();
            fetch(engine, c.code);
            std::memset(engine.glyphBuffer + 8, 0xFF, sizeof engine.glyphBuffer - 8);
            if (c.preview == 8) engine.Draw8Bit(canvas.dc());
            if (c.preview == 16) engine.Draw16Bit(canvas.dc());
            if (c.preview == 48) engine.Draw48Bit(canvas.dc());
            closeFont(engine);
        }
        EXPECT_EQ(GetCurrentObject(canvas.dc()->m_hDC, OBJ_PEN), pen) << c.engine << c.code;
        EXPECT_EQ(previewDotsDiffer(canvas, c.dots), "")
            << c.engine << " font " << c.font << " code " << c.code;
    }
}

}  // namespace
}  // namespace txr

namespace txr::engine_b {
namespace {

constexpr int kNone = kNoGlyph;

// The table itself, including entries past lastCode.
CodeTableView tableOf(int resolution, int fontType, int charSet) {
    return selectCodeTable(resolution, fontType, charSet)->table;
}

int entry(const CodeTableView& table, int code) {
    return glyphAt(table.entries, table.length, code - table.firstCode);
}

// Codes from first to last at which two tables give different glyphs.
std::set<int> codesWhereDiffer(const CodeTableView& a, const CodeTableView& b, int first,
                               int last) {
    std::set<int> out;
    for (int code = first; code <= last; ++code) {
        if (entry(a, code) != entry(b, code)) out.insert(code);
    }
    return out;
}

TEST(CodeTables, WorkedExamplesGiveTheDocumentedGlyphs) {
    const struct {
        int resolution, fontType, charSet, code, glyph;
    } cases[] = {
        {203, 0, 0, 65, 15},     {203, 0, 0, 48, 4},     {203, 0, 0, 32, kNone},
        {203, 0, 0, 33, 79},     {203, 0, 0, 34, 80},    {203, 0, 0, 20, 123},
        {203, 0, 0, 248, 125},   {300, 3, 0, 20, 123},   {300, 2, 0, 65, 15},
        {203, 1, 1, 155, 146},   {203, 1, 0, 155, 50},   {203, 2, 1, 231, kNone},
        {203, 2, 0, 231, 158},   {203, 0, 12, 35, 79},   {300, 3, 12, 64, 155},
        {203, 0, 12, 96, 147},   {203, 0, 8, 93, 58},    {203, 0, 0, 123, 159},
        {300, 0, 0, 123, kNone}, {203, 0, 5, 123, 159},  {203, 0, 6, 122, 121},
        {203, 0, 6, 123, kNone}, {203, 0, 0, 19, kNone}, {203, 0, 0, 249, kNone},
        {203, 0, 0, -56, kNone}, {203, 4, 0, 34, kNone}, {203, 4, 0, 97, kNone},
        {203, 4, 0, 65, 15},     {203, 4, 12, 91, 60},   {300, 4, 12, 35, kNone},
        {203, 4, 9, 91, kNone},  {203, 4, 9, 92, kNone}, {203, 4, 0, 40, 82},
        {203, 4, 5, 41, 83},     {300, 4, 0, 40, kNone}, {300, 4, 6, 41, kNone},
        {203, 4, 1, 224, 72},    {203, 4, 3, 142, 64},   {203, 4, 1, 236, kNone},
        {203, 4, 6, 64, 90},     {203, 4, 0, 64, kNone}, {203, 0, 15, 65, kNone},
        {204, 0, 0, 65, kNone},  {203, 5, 0, 65, kNone},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(glyphNumberFor(c.resolution, c.fontType, c.charSet, c.code), c.glyph)
            << c.resolution << " dpi, font " << c.fontType << ", set " << c.charSet << ", code "
            << c.code;
    }
    EXPECT_EQ(glyphAt(nullptr, 5, 0), kNoGlyph);
}

TEST(CodeTables, RangesLengthsAndSharedArrays) {
    const int font4Last[kCharSetCount] = {225, 235, 233, 225, 225, 225, 92, 92,
                                          93,  92,  94,  94,  91,  94,  94};
    std::set<const std::uint16_t*> arrays;
    for (int resolution : {203, 300}) {
        for (int set = 0; set < kCharSetCount; ++set) {
            for (int font = 0; font <= 4; ++font) {
                const CodeTableSelection s = *selectCodeTable(resolution, font, set);
                const bool font4 = font == 4;
                const int last = font4 ? font4Last[set] : set <= 5 ? 248 : 122;
                const std::size_t length =
                    font4 ? (set == 9 ? 56 : last - 34) : (set <= 5 ? 229 : 108);
                EXPECT_EQ(s.firstCode, font4 ? 35 : 20);
                EXPECT_EQ(s.table.firstCode, s.firstCode);
                EXPECT_EQ(s.lastCode, last)
                    << resolution << " dpi, font " << font << " set " << set;
                EXPECT_EQ(s.table.length, length)
                    << resolution << " dpi, font " << font << " set " << set;
                arrays.insert(s.table.entries);
            }
        }
        EXPECT_EQ(tableOf(resolution, 4, 10).entries, tableOf(resolution, 4, 11).entries);
        EXPECT_EQ(tableOf(resolution, 4, 13).entries, tableOf(resolution, 4, 14).entries);
    }
    EXPECT_EQ(arrays.size(), 55u);
    EXPECT_EQ(tableOf(203, 0, 14).entries, tableOf(300, 0, 14).entries);
    EXPECT_FALSE(selectCodeTable(300, 0, -1));
}

TEST(CodeTables, B300DiffersFromBBinOnlyWhereItsGlyphsAreMissing) {
    for (int set = 0; set < kCharSetCount; ++set) {
        const CodeTableView b300 = tableOf(300, 0, set);
        // Set 14's one array serves both resolutions.
        const std::set<int> missing =
            set == 14 ? std::set<int>{} : std::set<int>{123, 124, 125, 126, 127};
        EXPECT_EQ(codesWhereDiffer(tableOf(203, 0, set), b300, 20, 248), missing) << set;
        for (int code : missing) EXPECT_EQ(entry(b300, code), kNone) << code;
        EXPECT_EQ(codesWhereDiffer(tableOf(203, 4, set), tableOf(300, 4, set), 35, 235),
                  (std::set<int>{40, 41}))
            << set;
    }
}

}  // namespace
}  // namespace txr::engine_b

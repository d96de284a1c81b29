// Hostile files end to end through CTXR and CDibImage: every font file cut at every offset, a
// directory where a font or BMP file should be, empty files and files that are not BMPs. None
// of them may crash, leak, leave a file of ours behind or keep a font file open.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "facade/bmp_writer.h"
#include "facade/dib_image.h"
#include "fontkit/font_file_a.h"
#include "fontkit/font_file_b.h"
#include "fontkit/font_file_z.h"
#include "support/bmp_file.h"
#include "support/picture.h"
#include "support/raster_ascii.h"
#include "txr/TXR.h"

namespace txr {
namespace {

using Bytes = std::vector<std::uint8_t>;

const fontkit::GlyphPicture kBox = {{"#####", "#...#", "#...#", "#####"}};

Bytes fontFileA() {
    fontkit::FontBlockA block;
    block.firstCode = 'A';
    block.lastCode = 'B';
    block.cellWidth = 6;
    block.cellHeight = 5;
    block.baseLine = 1;
    block.glyphs = {fontkit::GlyphA{'A', kBox, 0, 4, 6}, fontkit::GlyphA{'B', kBox, 1, 4, 6}};
    return fontkit::writeFontFileA({block});
}

// Font 0 of B.bin up to the end of glyph 16 ('B'); later glyph places are not read by "AB".
Bytes fontFileB() {
    fontkit::FontFileBResult file = fontkit::buildFontFileB(203, {{0, 15, kBox}, {0, 16, kBox}});
    EXPECT_TRUE(file.ok()) << file.error;
    file.bytes.resize(17 * 24);
    return file.bytes;
}

Bytes fontFileZ() {
    fontkit::FontBlockZ block;
    block.cellWidth = 6;
    block.cellHeight = 5;
    block.baseLine = 4;
    block.glyphs = {fontkit::GlyphZ{'A', kBox, 0, 4, 6}, fontkit::GlyphZ{'B', kBox, 1, 4, 7}};
    return fontkit::writeFontFileZ({block});
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

// Everything a host can do with one font file, checking what each call must leave behind.
Outcome drawWith(const Family& family, const CString& text) {
    CTXR txr;
    txr.SetPath("hostile/");
    EXPECT_EQ(txr.SetFont(family.number, 0, 1, 1, 0, 203), 0);
    Outcome outcome;
    outcome.size = txr.GetStringSize(text);
    std::remove("hostile.bmp");
    txr.GetBmpFile("hostile.bmp", text);
    if (test::fileExists("hostile.bmp")) outcome.exported = test::readFileBytes("hostile.bmp");
    Canvas canvas(16, 8);
    txr.FontOut(canvas.dc(), 0, 0, text);
    outcome.painted = test::asciiOf(canvas, RGB(0, 0, 0));
    EXPECT_FALSE(test::fileExists("../string.bmp"));
    EXPECT_EQ(txr.engineA->fontFile, nullptr);
    EXPECT_EQ(txr.engineB->fontFile, nullptr);
    EXPECT_EQ(txr.engineZ->fontFile, nullptr);
    return outcome;
}

TEST(HostileFiles, FontFilesCutAtEveryOffsetDrawWhatTheyHoldAndNoMore) {
    std::filesystem::create_directories("hostile");
    for (const Family& family : kFamilies) {
        const Bytes whole = family.make();
        const std::string path = std::string("hostile/") + family.fileName;
        ASSERT_TRUE(fontkit::writeFileBytes(path, whole));
        const Outcome full = drawWith(family, "AB");
        ASSERT_EQ(full.size, family.size) << family.fileName;

        for (std::size_t length = 0; length < whole.size(); ++length) {
            SCOPED_TRACE(std::string(family.fileName) + " cut to " + std::to_string(length));
            ASSERT_TRUE(
                fontkit::writeFileBytes(path, Bytes(whole.begin(), whole.begin() + length)));
            const Outcome cut = drawWith(family, "AB");
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
    fontkit::FontBlockA blockA;
    blockA.firstCode = 'A';
    blockA.lastCode = 'B';
    blockA.cellWidth = 6;
    blockA.cellHeight = 5;
    blockA.baseLine = 1;
    blockA.glyphs = {fontkit::GlyphA{'A', {}, 0, 4, 6, 5}, fontkit::GlyphA{'B', kBox, 0, 4, 6}};
    ASSERT_TRUE(fontkit::writeFileBytes("zero_rows/A.bin", fontkit::writeFontFileA({blockA})));
    fontkit::FontBlockZ blockZ;
    blockZ.cellWidth = 6;
    blockZ.cellHeight = 5;
    blockZ.baseLine = 4;
    blockZ.glyphs = {fontkit::GlyphZ{'A', {}, 0, 4, 6, 5}, fontkit::GlyphZ{'B', kBox, 0, 4, 6}};
    ASSERT_TRUE(fontkit::writeFileBytes("zero_rows/Z.bin", fontkit::writeFontFileZ({blockZ})));

    const test::Picture boxAfterBlank = {"......#####.", "......#...#.", "......#...#.",
                                         "......#####.", "............"};
    for (int family : {0, 2}) {
        CTXR txr;
        txr.SetPath("zero_rows/");
        ASSERT_EQ(txr.SetFont(family, 0, 1, 1, 0, 203), 0);
        std::remove("zero_rows.bmp");
        txr.GetBmpFile("zero_rows.bmp", "AB");
        const test::BmpPicture picture = test::readOneBitBmp("zero_rows.bmp");
        ASSERT_EQ(picture.width, 12) << "family " << family;
        EXPECT_EQ(picture.ascii.substr(0, 5 * 13), test::joined(boxAfterBlank))
            << "family " << family;
    }
}

// The fuzzers' inputs themselves: the font file, then 16 bytes selecting font number (modulo
// 26 or 10), scales, rotation, resolution, reverse video and a text (fuzz/fuzz_support.h).
TEST(HostileFiles, FuzzerInputsWithGlyphsOfNoRowsReplayCleanly) {
    std::filesystem::create_directories("replay");
    const struct {
        const char* crasher;
        int family;
        int fontNumbers;
    } cases[] = {{"font_file_a_zero_rows", 0, 26}, {"font_file_z_zero_rows", 2, 10}};
    for (const auto& c : cases) {
        const Bytes input =
            test::readFileBytes(std::string(TXR_SOURCE_DIR) + "/tests/data/crashers/" + c.crasher);
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
        std::remove("replay.bmp");
        txr.GetBmpFile("replay.bmp", text);
        Canvas canvas(64, 64);
        txr.FontOut(canvas.dc(), 0, 0, text);
        EXPECT_FALSE(test::fileExists("../string.bmp")) << c.crasher;
        EXPECT_EQ(txr.engineA->fontFile, nullptr) << c.crasher;
        EXPECT_EQ(txr.engineZ->fontFile, nullptr) << c.crasher;
    }
}

TEST(HostileFiles, DirectoryOrEmptyFileInPlaceOfAFontFileDrawsBlankCells) {
    std::filesystem::create_directories("hostile");
    const std::string blank = test::joined(test::Picture(8, "................"));
    for (const Family& family : kFamilies) {
        const std::string path = std::string("hostile/") + family.fileName;
        ASSERT_TRUE(std::filesystem::create_directory(path)) << path;
        const Outcome directory = drawWith(family, "AB");
        ASSERT_TRUE(std::filesystem::remove(path));
        ASSERT_TRUE(fontkit::writeFileBytes(path, {}));
        const Outcome empty = drawWith(family, "AB");
        std::remove(path.c_str());

        // Family 1 knows its cells from the catalogue; the others read a header of zeros, to
        // which family 2's font 0 adds one row.
        const CSize size = family.number == 1 ? CSize(20, 12) : CSize(0, family.number / 2);
        for (const Outcome& outcome : {directory, empty}) {
            EXPECT_EQ(outcome.size, size) << family.fileName;
            EXPECT_EQ(outcome.painted, blank) << family.fileName;
            EXPECT_EQ(outcome.exported.empty(), family.number != 1) << family.fileName;
        }
    }
}

TEST(HostileFiles, BmpCutAtEveryOffsetOrNotABmpIsRefusedKeepingTheHeldImage) {
    OneBitImage image{10, 3, Bytes(12, 0x55)};
    const Bytes whole = bmpFileBytes(image);
    ASSERT_TRUE(fontkit::writeFileBytes("held.bmp", whole));
    CDibImage dib;
    ASSERT_EQ(dib.Load("held.bmp"), 1);
    const unsigned char* held = dib.imageBits;

    std::vector<Bytes> hostile;
    for (std::size_t length = 0; length < whole.size(); ++length) {
        hostile.emplace_back(whole.begin(), whole.begin() + length);
    }
    Bytes wrongMagic = whole;
    wrongMagic[1] = 'A';
    hostile.push_back(wrongMagic);
    for (std::size_t i = 0; i < hostile.size(); ++i) {
        ASSERT_TRUE(fontkit::writeFileBytes("hostile.bmp", hostile[i]));
        EXPECT_EQ(dib.Load("hostile.bmp"), 0) << "input " << i << " of " << hostile[i].size();
        EXPECT_EQ(dib.imageBits, held);
    }
    std::filesystem::create_directories("directory.bmp");
    EXPECT_EQ(dib.Load("directory.bmp"), 0);
    EXPECT_EQ(dib.Load("no_such_file.bmp"), 0);
    EXPECT_EQ(dib.imageBits, held);
}

}  // namespace
}  // namespace txr

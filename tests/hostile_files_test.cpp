// Hostile font files through CTXR: none may crash, leak, leave a file behind or stay open.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace txr

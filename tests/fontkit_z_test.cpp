// The font kit's font file Z writer and reader.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "fontkit/font_file_z.h"

namespace txr::fontkit {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t be32At(const Bytes& bytes, std::size_t at) {
    return (std::uint32_t{bytes.at(at)} << 24) | (std::uint32_t{bytes.at(at + 1)} << 16) |
           (std::uint32_t{bytes.at(at + 2)} << 8) | bytes.at(at + 3);
}

TEST(FontFileZWriter, LaysOutHeaderCodeTableAndGlyphRecordExactly) {
    FontBlockZ block{30, 28, 24, {GlyphZ{0x41, {{"#####", "#...#", ".###."}}, 1, 8, 7}}};
    const Bytes file = writeFontFileZ({block});

    Bytes expected(kZBlockHeadSize, 0);
    const std::size_t size = kZBlockHeadSize + 10 + 3;
    expected[3] = static_cast<std::uint8_t>(size);
    expected[2] = static_cast<std::uint8_t>(size >> 8);
    expected[29] = 28;                         // cell height
    expected[31] = 30;                         // cell width
    expected[33] = 24;                         // baseline
    expected[104 + 4 * 0x41 + 2] = 1128 >> 8;  // entry of code 0x41, at 364
    expected[104 + 4 * 0x41 + 3] = 1128 & 0xFF;
    const Bytes record = {0, 3, 0, 5, 0, 1, 0, 8, 0, 7, 0xF8, 0x88, 0x70};
    expected.insert(expected.end(), record.begin(), record.end());
    EXPECT_EQ(file, expected);
}

TEST(FontFileZWriter, PlacesBlocksBackToBackAndRecordsInCodeOrderWithSixByteRowsAtMost) {
    const GlyphPicture wide{{std::string(60, '#'), std::string(60, '.')}};
    const FontBlockZ first{8, 8, 6, {GlyphZ{0x62, {{"#"}}}, GlyphZ{0x61, wide}}};
    const FontBlockZ second{10, 12, 9, {}};
    const Bytes file = writeFontFileZ({first, second});

    const std::size_t firstSize = kZBlockHeadSize + (10 + 2 * 6) + (10 + 1);
    ASSERT_EQ(file.size(), firstSize + kZBlockHeadSize);
    EXPECT_EQ(be32At(file, 0), firstSize);
    EXPECT_EQ(be32At(file, 104 + 4 * 0x61), kZBlockHeadSize);
    EXPECT_EQ(be32At(file, 104 + 4 * 0x62), kZBlockHeadSize + 22);
    EXPECT_EQ(be32At(file, firstSize), kZBlockHeadSize);
    EXPECT_EQ(file[firstSize + 29], 12);
    const Bytes wideRows(file.begin() + kZBlockHeadSize + 10, file.begin() + kZBlockHeadSize + 22);
    EXPECT_EQ(wideRows, Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}));
}

TEST(FontFileZWriter, RowBytesAreWholeBytesCappedAtSix) {
    const int widths[] = {0, 1, 8, 9, 16, 17, 24, 25, 32, 33, 40, 41, 48, 49, 65535};
    const int rowBytes[] = {0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 6, 6};
    for (std::size_t i = 0; i < std::size(widths); ++i) {
        EXPECT_EQ(rowBytesZ(widths[i]), rowBytes[i]) << "width " << widths[i];
    }
}

TEST(FontFileZWriter, RefusesDescriptionsTheLayoutCannotHold) {
    const std::vector<std::function<void(FontBlockZ&)>> faults = {
        [](FontBlockZ& b) { b.glyphs[0].code = 256; },
        [](FontBlockZ& b) { b.glyphs[0].code = -1; },
        [](FontBlockZ& b) { b.glyphs.push_back(b.glyphs[0]); },
        [](FontBlockZ& b) { b.glyphs[0].leftOffset = 0x10000; },
        [](FontBlockZ& b) { b.glyphs[0].advance = -1; },
        [](FontBlockZ& b) { b.cellHeight = 70000; },
    };
    for (std::size_t i = 0; i < faults.size(); ++i) {
        FontBlockZ block{8, 8, 6, {GlyphZ{0x41, {{"#"}}}}};
        faults[i](block);
        EXPECT_THROW(writeFontFileZ({block}), std::invalid_argument) << "fault " << i;
    }
}

std::vector<FontBlockZ> sampleFont() {
    FontBlockZ proportional{16, 20, 15, {}};
    proportional.glyphs.push_back(GlyphZ{0, {{"#"}}, 0, 1, 2});
    proportional.glyphs.push_back(GlyphZ{0x20, {}, 0, 0, 6});
    proportional.glyphs.push_back(GlyphZ{0x41, {{"..#..", ".#.#.", "#####", "#...#"}}, 1, 4, 7});
    proportional.glyphs.push_back(GlyphZ{0x57, {{std::string(48, '#')}}, 0, 1, 49});
    proportional.glyphs.push_back(GlyphZ{0x58, {{std::string(60, '#')}}, 2, 1, 62});
    proportional.glyphs.push_back(GlyphZ{0x69, {{"###", "#.#"}}, 0, 2, 4, 2});  // ink beyond width
    proportional.glyphs.push_back(GlyphZ{0xFF, {{"#", "#"}}, 65535, 65535, 65535});
    return {proportional, FontBlockZ{}, FontBlockZ{9, 9, 7, {GlyphZ{0x41, {{"#.#"}}, 0, 1, 4}}}};
}

TEST(FontFileZReader, RewritingWhatItReadsGivesTheSameFile) {
    const Bytes file = writeFontFileZ(sampleFont());
    std::string error;
    const auto blocks = readFontFileZ(file, &error);
    ASSERT_TRUE(blocks) << error;
    EXPECT_EQ(writeFontFileZ(*blocks), file);
}

TEST(FontFileZReader, GivesBackTheDescriptionsInCodeOrder) {
    const auto blocks = readFontFileZ(writeFontFileZ(sampleFont()));
    ASSERT_TRUE(blocks);
    ASSERT_EQ(blocks->size(), 3u);
    const FontBlockZ& font = (*blocks)[0];
    EXPECT_EQ(font.cellWidth, 16);
    EXPECT_EQ(font.cellHeight, 20);
    EXPECT_EQ(font.baseLine, 15);
    std::vector<int> codes;
    for (const GlyphZ& g : font.glyphs) codes.push_back(g.code);
    EXPECT_EQ(codes, (std::vector<int>{0, 0x20, 0x41, 0x57, 0x58, 0x69, 0xFF}));

    const GlyphZ& a = font.glyphs[2];
    EXPECT_EQ(a.picture.rows, (std::vector<std::string>{"..#..", ".#.#.", "#####", "#...#"}));
    EXPECT_EQ(a.width, 5);
    EXPECT_EQ(a.leftOffset, 1);
    EXPECT_EQ(a.ascent, 4);
    EXPECT_EQ(a.advance, 7);
    // Dots past 48 are not stored; ink past the header's width widens the picture to the row.
    EXPECT_EQ(font.glyphs[4].picture.rows[0], std::string(48, '#') + std::string(12, '.'));
    EXPECT_EQ(font.glyphs[5].picture.rows, (std::vector<std::string>{"###.....", "#.#....."}));
    EXPECT_EQ(font.glyphs[6].advance, 65535);
    EXPECT_TRUE((*blocks)[1].glyphs.empty());
}

TEST(FontFileZReader, RefusesFilesThatDoNotHoldWhatTheyAnnounce) {
    const Bytes good = writeFontFileZ({FontBlockZ{8, 8, 6, {GlyphZ{0x41, {{"#", "#"}}}}}});
    const std::size_t entry = 104 + 4 * 0x41;
    const struct {
        const char* what;
        std::function<void(Bytes&)> damage;
        const char* error;
    } cases[] = {
        {"head cut short", [](Bytes& f) { f.resize(1000); }, "shorter than its header"},
        {"block size below the head", [](Bytes& f) { f[0] = f[1] = f[2] = 0, f[3] = 100; },
         "block size"},
        {"block size past the file", [](Bytes& f) { f[1] = 1; }, "block size"},
        {"record inside the code table", [&](Bytes& f) { f[entry + 2] = 0, f[entry + 3] = 8; },
         "outside"},
        {"record past the block", [&](Bytes& f) { f[entry] = 0x7F; }, "outside"},
        {"rows past the block", [](Bytes& f) { f[1129] = 9; }, "rows past"},
        {"trailing bytes", [](Bytes& f) { f.resize(f.size() + 5); }, "shorter than its header"},
    };
    ASSERT_TRUE(readFontFileZ(good));
    for (const auto& c : cases) {
        Bytes file = good;
        c.damage(file);
        std::string error;
        EXPECT_FALSE(readFontFileZ(file, &error)) << c.what;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.what << ": " << error;
    }
}

}  // namespace
}  // namespace txr::fontkit

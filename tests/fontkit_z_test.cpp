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

TEST(FontFileZReader, GivesBackDescriptionsThatRewriteToTheSameFile) {
    const Bytes file = writeFontFileZ(sampleFont());
    std::string error;
    const auto blocks = readFontFileZ(file, &error);
    ASSERT_TRUE(blocks) << error;
    EXPECT_EQ(writeFontFileZ(*blocks), file);
    ASSERT_EQ(blocks->size(), 3u);
    const FontBlockZ& font = (*blocks)[0];
    EXPECT_EQ((std::vector<int>{font.cellWidth, font.cellHeight, font.baseLine}),
              (std::vector<int>{16, 20, 15}));
    const GlyphZ& a = font.glyphs[2];
    EXPECT_EQ((std::vector<int>{a.code, a.width, a.leftOffset, a.ascent, a.advance}),
              (std::vector<int>{0x41, 5, 1, 4, 7}));
    EXPECT_EQ(a.picture.rows, (std::vector<std::string>{"..#..", ".#.#.", "#####", "#...#"}));
    // Dots past 48 are not stored; ink past the header's width widens the picture to the row.
    EXPECT_EQ(font.glyphs[4].picture.rows[0], std::string(48, '#') + std::string(12, '.'));
    EXPECT_EQ(font.glyphs[5].picture.rows, (std::vector<std::string>{"###.....", "#.#....."}));
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

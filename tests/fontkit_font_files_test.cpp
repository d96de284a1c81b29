// The font kit's writers and readers of the three font-file layouts: exact bytes, round trips, and
// descriptions and files that break the layout refused.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "fontkit/font_file_a.h"
#include "fontkit/font_file_b.h"
#include "fontkit/font_file_z.h"

namespace txr::fontkit {
namespace {

using Bytes = std::vector<std::uint8_t>;

FontBlockA twoCodeBlock() {
    FontBlockA block{0x41, 0x42, 3, 10, 12, {}};
    block.glyphs.push_back({0x41, {{"##########", "#.........", ".........#"}}, -2, 5, 258});
    return block;
}

TEST(FontFileA, WritesHeaderTableAndGlyphRecord) {
    std::vector<std::uint8_t> expected(82, 0);
    const std::vector<std::pair<std::size_t, std::uint8_t>> set = {
        {7, 82},    {11, 60},   {16, 0x41}, {17, 0x42}, {39, 3},   {41, 10},  // header
        {43, 12},   {63, 68},                                                 // table
        {68, 0xFE}, {69, 5},    {70, 8},    {72, 3},    {73, 10},  {74, 1},   // glyph
        {75, 2},    {76, 0xFF}, {77, 0xC0}, {78, 0x80}, {81, 0x40}};          // rows
    for (const auto& [offset, value] : set) expected[offset] = value;
    EXPECT_EQ(writeFontFileA({twoCodeBlock()}), expected);
}

TEST(FontFileA, ReadGivesBackWhatWasWritten) {
    FontBlockA second{0, 3, 1, 2, 3, {}};
    second.glyphs.push_back({3, {{"#.#", ".#"}}, 0, 0, 4, 1});  // ink in the padding bits
    second.glyphs.push_back({0, {{}}, 1, 2, 3, 0});
    const std::vector<std::uint8_t> bytes = writeFontFileA({twoCodeBlock(), second});
    const std::vector<FontBlockA> blocks = readFontFileA(bytes);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].glyphs[0].picture.rows, twoCodeBlock().glyphs[0].picture.rows);
    EXPECT_EQ(blocks[1].glyphs[1].picture.rows, (std::vector<std::string>{"#.#", ".#."}));
    EXPECT_EQ(writeFontFileA(blocks), bytes);
}

TEST(FontFileA, RefusesDescriptionsAndBytesThatBreakTheLayout) {
    FontBlockA outside = twoCodeBlock();
    outside.glyphs[0].code = 0x43;
    EXPECT_THROW(writeFontFileA({outside}), std::invalid_argument);
    FontBlockA twice = twoCodeBlock();
    twice.glyphs.push_back(twice.glyphs[0]);
    EXPECT_THROW(writeFontFileA({twice}), std::invalid_argument);

    const std::vector<std::uint8_t> good = writeFontFileA({twoCodeBlock()});
    const auto patched = [&](std::size_t offset, std::uint8_t value) {
        std::vector<std::uint8_t> bytes = good;
        bytes[offset] = value;
        return bytes;
    };
    EXPECT_THROW(readFontFileA({good.begin(), good.begin() + 59}), std::runtime_error);
    EXPECT_THROW(readFontFileA({good.begin(), good.end() - 1}), std::runtime_error);
    EXPECT_THROW(readFontFileA(patched(7, 0)), std::runtime_error);      // block size 0
    EXPECT_THROW(readFontFileA(patched(8, 0x80)), std::runtime_error);   // table far away
    EXPECT_THROW(readFontFileA(patched(63, 80)), std::runtime_error);    // record at the end
    EXPECT_THROW(readFontFileA(patched(70, 200)), std::runtime_error);   // rows past the end
    EXPECT_THROW(readFontFileA(patched(16, 0x50)), std::runtime_error);  // codes backwards
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

TEST(FontFileB, WritesGlyphsAtTheCatalogueOffsetsAndReadsThemBack) {
    const GlyphPicture a{{"..##......", ".#..#.....", "#....#.........#"}};
    const FontFileBResult built = buildFontFileB(
        203,
        {{0, 15, a}, {4, 155, {{"#..............................#"}}}, {3, 163, {{"########"}}}});
    ASSERT_TRUE(built.ok()) << built.error;
    const std::vector<std::uint8_t>& file = built.bytes;
    EXPECT_EQ(file.size(), 23616u + 156u * 192u);
    const std::vector<std::uint8_t> glyph15 = {0x30, 0x00, 0x48, 0x00, 0x84, 0x01, 0x00};
    EXPECT_TRUE(std::equal(glyph15.begin(), glyph15.end(), file.begin() + 360));
    EXPECT_EQ(file[23616 + 155 * 192] * 256 + file[23616 + 155 * 192 + 3], 0x80 * 256 + 0x01);
    EXPECT_EQ(file[15744 + 163 * 48], 0xFF);

    const auto read = readGlyphB(file, 203, 0, 15);
    ASSERT_TRUE(read);
    const std::vector<std::string> shown = {"..##......", ".#..#.....", "#....#...."};
    EXPECT_TRUE(std::equal(shown.begin(), shown.end(), read->picture().rows.begin()));
    EXPECT_EQ(read->picture().rows[11], "..........");
    EXPECT_TRUE(read->ink(15, 2));  // stored past the 10-dot cell
    EXPECT_EQ(readGlyphB(file, 203, 4, 155)->picture().rows[0],
              "#..............................#....");
}

TEST(FontFileB, WriterRefusesWhatTheFileCannotHold) {
    const struct {
        int resolution, fontType, glyphNumber;
        GlyphPicture picture;
    } cases[] = {
        {250, 0, 0, {{"#"}}},
        {203, 5, 0, {{"#"}}},
        {203, 0, 164, {{"#"}}},
        {300, 0, 159, {{"#"}}},
        {300, 4, 156, {{"#"}}},
        {203, 1, -1, {{"#"}}},
        {203, 0, 1, {{"#................"}}},
        {300, 0, 1, {std::vector<std::string>(21, "#")}},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(buildFontFileB(c.resolution, {{c.fontType, c.glyphNumber, c.picture}}).ok())
            << c.resolution << " dpi, font " << c.fontType << " glyph " << c.glyphNumber;
    }
    EXPECT_FALSE(buildFontFileB(203, {{0, 1, {{"#"}}}, {0, 1, {{"#"}}}}).ok());
    EXPECT_TRUE(buildFontFileB(300, {{4, 155, {std::vector<std::string>(80, "#")}}}).ok());
}

TEST(FontFileB, ReaderStaysInsideTheFileAndLookupIsTheEngines) {
    const std::vector<std::uint8_t> file = buildFontFileB(300, {}).bytes;
    const std::vector<std::uint8_t> cut(file.begin(), file.begin() + 15264 + 15 * 144 + 143);
    EXPECT_EQ((std::vector<bool>{!!readGlyphB(file, 300, 4, 155), !!readGlyphB(file, 300, 4, 156),
                                 !!readGlyphB(file, 300, 0, -1), !!readGlyphB(file, 300, 5, 0),
                                 !!readGlyphB(file, 204, 0, 0), !!readGlyphB(cut, 300, 2, 14),
                                 !!readGlyphB(cut, 300, 2, 15), !!readGlyphB(cut, 300, 3, 0),
                                 !!readGlyphB({}, 300, 0, 0)}),
              (std::vector<bool>{true, false, false, false, false, true, false, false, false}));
    EXPECT_EQ(glyphNumberB(203, 4, 12, 91), std::optional<int>(60));
    EXPECT_EQ(glyphNumberB(300, 4, 0, 40), std::nullopt);
    EXPECT_EQ(glyphNumberB(203, 0, 6, 123), std::nullopt);
    EXPECT_STREQ(fontFileBName(300), "B300.bin");
}

}  // namespace
}  // namespace txr::fontkit

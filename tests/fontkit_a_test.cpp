// The font kit's font-file-A writer and reader: exact bytes, round trip, broken files refused.
#include <gtest/gtest.h>

#include <stdexcept>

#include "fontkit/font_file_a.h"

namespace txr::fontkit {
namespace {

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

}  // namespace
}  // namespace txr::fontkit

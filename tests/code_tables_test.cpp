// Engine B's code tables: worked examples, ranges, shared arrays, the 300 dpi departures.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "engine_b/code_tables.h"

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

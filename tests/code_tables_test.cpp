// Engine B's code tables: worked examples, ranges and lengths, shared arrays, and where each set
// departs from its base.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

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

// Codes from first to last (inclusive) at which two tables give different glyphs.
std::set<int> codesWhereDiffer(const CodeTableView& a, const CodeTableView& b, int first,
                               int last) {
    std::set<int> codes;
    for (int code = first; code <= last; ++code) {
        if (entry(a, code) != entry(b, code)) codes.insert(code);
    }
    return codes;
}

std::set<int> span(int first, int last) {
    std::set<int> codes;
    for (int code = first; code <= last; ++code) codes.insert(code);
    return codes;
}

std::set<int> join(std::set<int> a, const std::set<int>& b) {
    a.insert(b.begin(), b.end());
    return a;
}

TEST(CodeTables, WorkedExamplesGiveTheDocumentedGlyphs) {
    const struct {
        int resolution, fontType, charSet, code, glyph;
    } cases[] = {
        {203, 0, 0, 65, 15},     {203, 0, 0, 48, 4},       {203, 0, 0, 32, kNone},
        {203, 0, 0, 20, 123},    {203, 0, 0, 248, 125},    {300, 3, 0, 20, 123},
        {300, 2, 0, 65, 15},     {300, 1, 0, 248, 125},    {203, 1, 1, 155, 146},
        {203, 1, 0, 155, 50},    {203, 2, 1, 231, kNone},  {203, 2, 0, 231, 158},
        {203, 0, 12, 35, 79},    {300, 3, 12, 64, 155},    {203, 0, 0, 123, 159},
        {300, 0, 0, 123, kNone}, {203, 0, 0, 19, kNone},   {203, 0, 0, 249, kNone},
        {203, 0, 0, -56, kNone}, {203, 4, 0, 34, kNone},   {203, 4, 0, 97, kNone},
        {203, 4, 0, 65, 15},     {203, 4, 12, 65, 15},     {203, 4, 12, 91, 60},
        {300, 4, 12, 35, kNone}, {203, 4, 9, 91, kNone},   {203, 4, 9, 92, kNone},
        {203, 4, 9, 93, kNone},  {203, 4, 0, 40, 82},      {203, 4, 5, 41, 83},
        {300, 4, 0, 40, kNone},  {300, 4, 6, 41, kNone},   {203, 0, 6, 122, 121},
        {203, 0, 6, 123, kNone}, {203, 0, 14, 123, kNone}, {203, 0, 5, 123, 159},
        {203, 4, 1, 235, 78},    {203, 4, 1, 236, kNone},  {203, 4, 6, 64, 90},
        {203, 4, 0, 64, kNone},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(glyphNumberFor(c.resolution, c.fontType, c.charSet, c.code), c.glyph)
            << c.resolution << " dpi, font " << c.fontType << ", set " << c.charSet << ", code "
            << c.code;
    }
}

TEST(CodeTables, UnknownSelectionsGiveNothing) {
    EXPECT_FALSE(selectCodeTable(204, 0, 0));
    EXPECT_FALSE(selectCodeTable(203, 5, 0));
    EXPECT_FALSE(selectCodeTable(203, -1, 0));
    EXPECT_FALSE(selectCodeTable(300, 0, 15));
    EXPECT_FALSE(selectCodeTable(300, 0, -1));
    EXPECT_EQ(glyphNumberFor(203, 0, 15, 65), kNoGlyph);
    EXPECT_EQ(glyphAt(nullptr, 5, 0), kNoGlyph);
}

TEST(CodeTables, RangesAndLengthsPerSetAndFontGroup) {
    const int font4Last[kCharSetCount] = {225, 235, 233, 225, 225, 225, 92, 92,
                                          93,  92,  94,  94,  91,  94,  94};
    for (int resolution : {203, 300}) {
        for (int set = 0; set < kCharSetCount; ++set) {
            SCOPED_TRACE(std::to_string(resolution) + " dpi, set " + std::to_string(set));
            const bool eightBit = set <= 5;
            for (int font = 0; font <= 3; ++font) {
                const CodeTableSelection low = *selectCodeTable(resolution, font, set);
                EXPECT_EQ(low.firstCode, 20);
                EXPECT_EQ(low.lastCode, eightBit ? 248 : 122);
                EXPECT_EQ(low.table.firstCode, 20);
                EXPECT_EQ(low.table.length, eightBit ? 229u : 108u);
            }
            const CodeTableSelection high = *selectCodeTable(resolution, 4, set);
            EXPECT_EQ(high.firstCode, 35);
            EXPECT_EQ(high.lastCode, font4Last[set]);
            EXPECT_EQ(high.table.firstCode, 35);
            EXPECT_EQ(high.table.length, set == 9 ? 56u : font4Last[set] - 34u);
        }
    }
}

TEST(CodeTables, FiftyFiveArraysWithTheDocumentedSharing) {
    std::set<const std::uint16_t*> arrays;
    for (int resolution : {203, 300}) {
        for (int font : {0, 4}) {
            for (int set = 0; set < kCharSetCount; ++set) {
                arrays.insert(tableOf(resolution, font, set).entries);
            }
        }
    }
    EXPECT_EQ(arrays.size(), 55u);
    for (int resolution : {203, 300}) {
        EXPECT_EQ(tableOf(resolution, 4, 10).entries, tableOf(resolution, 4, 11).entries);
        EXPECT_EQ(tableOf(resolution, 4, 13).entries, tableOf(resolution, 4, 14).entries);
        EXPECT_EQ(tableOf(resolution, 1, 5).entries, tableOf(resolution, 3, 5).entries);
    }
    EXPECT_EQ(tableOf(203, 0, 14).entries, tableOf(300, 0, 14).entries);
    EXPECT_NE(tableOf(203, 0, 13).entries, tableOf(300, 0, 13).entries);
}

TEST(CodeTables, B300DiffersFromBBinOnlyWhereItsGlyphsAreMissing) {
    for (int set = 0; set < kCharSetCount; ++set) {
        SCOPED_TRACE("set " + std::to_string(set));
        const CodeTableView b203 = tableOf(203, 0, set);
        const CodeTableView b300 = tableOf(300, 0, set);
        // Set 14's one array serves both resolutions.
        const std::set<int> expected = set == 14 ? std::set<int>{} : span(123, 127);
        EXPECT_EQ(codesWhereDiffer(b203, b300, 20, 248), expected);
        for (int code : expected) EXPECT_EQ(entry(b300, code), kNone) << code;
        EXPECT_EQ(codesWhereDiffer(tableOf(203, 4, set), tableOf(300, 4, set), 35, 235),
                  (std::set<int>{40, 41}));
    }
}

TEST(CodeTables, SetsZeroToFiveOfFontsZeroToThreeDifferFromSetZeroOnlyAtTheirChanges) {
    const std::set<int> changes[] = {
        {},
        join(join({155, 157, 189, 198, 199, 222, 224, 228, 229, 230, 231, 233, 235, 242},
                  join(span(181, 183), join(span(210, 212), span(214, 216)))),
             join(span(226, 227), span(243, 245))),
        join({136, 141, 143, 159, 231, 211, 224, 226, 233, 245},
             join(join(span(133, 134), join(span(138, 139), span(145, 146))),
                  join(join(span(149, 152), span(155, 156)),
                       join(span(164, 168),
                            join(span(171, 173), join(span(181, 182), span(214, 215))))))),
        {132, 134, 137, 139, 140, 142, 143, 145, 146, 148, 150, 152, 153, 157, 159, 169, 173},
        join({132, 134, 141, 142, 143, 145, 146, 148, 149, 151, 152, 153, 157, 168, 173},
             join(span(160, 161), span(164, 167))),
        {155, 157, 173},
    };
    for (int resolution : {203, 300}) {
        const CodeTableView base = tableOf(resolution, 0, 0);
        for (int set = 0; set <= 5; ++set) {
            EXPECT_EQ(codesWhereDiffer(base, tableOf(resolution, 0, set), 20, 248), changes[set])
                << resolution << " dpi, set " << set;
        }
    }
}

TEST(CodeTables, SevenBitSetsOfFontsZeroToThreeDifferFromSetZeroOnlyAtTheirChanges) {
    // Codes 20 to 122 as the sets' changes name them; sets 8 to 14 also hold their own entries
    // for the unreachable codes 123 to 127.
    const std::set<int> changes[] = {
        {},
        {35},
        {64, 91, 92, 93},
        {35, 64, 91, 92, 93},
        {91, 92, 93, 94},
        {35, 64, 91, 92, 93, 96},
        {35, 64, 91, 92, 93, 94, 96},
        {64, 91, 92, 93, 94, 96},
        {35, 64, 91, 92, 93},
    };
    const CodeTableView base = tableOf(203, 0, 0);
    for (int set = 6; set <= 14; ++set) {
        const CodeTableView table = tableOf(203, 2, set);
        const std::set<int> expected =
            set >= 8 ? join(changes[set - 6], span(123, 127)) : changes[set - 6];
        EXPECT_EQ(codesWhereDiffer(base, table, 20, 127), expected) << "set " << set;
        EXPECT_EQ(entry(table, 127), set >= 8 ? 0 : 163) << "set " << set;
    }
    EXPECT_EQ(entry(tableOf(203, 0, 12), 96), 147);
    EXPECT_EQ(entry(tableOf(203, 0, 8), 93), 58);
    EXPECT_EQ(entry(tableOf(300, 0, 7), 35), 48);
}

TEST(CodeTables, FontFourDiffersFromFontsZeroToThreeInItsCommonPart) {
    for (int resolution : {203, 300}) {
        // At 300 dpi fonts 0 to 3 have no glyphs for 123 to 127 either, and font 4 none for 40
        // and 41.
        const std::set<int> missing = join({39, 42, 91}, join(span(59, 64), span(93, 122)));
        const std::set<int> expected =
            resolution == 203 ? join(missing, span(123, 127)) : join(missing, {40, 41});
        EXPECT_EQ(codesWhereDiffer(tableOf(resolution, 0, 0), tableOf(resolution, 4, 0), 35, 127),
                  expected)
            << resolution << " dpi";
    }
}

TEST(CodeTables, FontFourEightBitSetsShareTheCommonPartAndHaveOnlyTheListedUpperCodes) {
    const std::set<int> upper[] = {
        join({128, 146, 155, 156, 159, 165, 173, 225},
             join(join(span(142, 144), span(153, 154)),
                  join(span(160, 164), join(span(166, 168), span(171, 172))))),
        join({128, 146, 156, 157, 159, 165, 189, 199, 222, 229, 233, 235},
             join(join(span(142, 144), span(153, 154)),
                  join(join(span(171, 172), span(181, 183)),
                       join(span(210, 212), join(span(214, 216), span(224, 227)))))),
        join({128, 142, 144, 211, 233},
             join(join(span(153, 154), span(181, 182)), join(span(214, 215), span(224, 226)))),
        join({128, 134, 137, 139, 140, 142, 143, 144, 145, 146, 150,
              152, 153, 154, 155, 156, 157, 159, 165, 169, 225},
             span(171, 172)),
        join({128, 132, 142, 144, 145, 146, 148, 149, 153, 154, 155, 156, 157, 159, 168, 225},
             span(171, 172)),
        join({128, 146, 156, 157, 159, 165, 225},
             join(join(span(142, 144), span(153, 154)), span(171, 172))),
    };
    for (int resolution : {203, 300}) {
        const CodeTableView set0 = tableOf(resolution, 4, 0);
        for (int set = 0; set <= 5; ++set) {
            SCOPED_TRACE(std::to_string(resolution) + " dpi, set " + std::to_string(set));
            const CodeTableView table = tableOf(resolution, 4, set);
            EXPECT_TRUE(codesWhereDiffer(set0, table, 35, 127).empty());
            std::set<int> withGlyph;
            for (int code = 128; code < 256; ++code) {
                if (entry(table, code) != kNone) withGlyph.insert(code);
            }
            EXPECT_EQ(withGlyph, upper[set]);
        }
    }
    EXPECT_EQ(entry(tableOf(203, 4, 1), 224), 72);
    EXPECT_EQ(entry(tableOf(203, 4, 3), 142), 64);
    EXPECT_EQ(entry(tableOf(300, 4, 4), 159), 49);
}

TEST(CodeTables, FontFourSevenBitSetsAreTheCommonPartWithTheirChanges) {
    const std::set<int> changes[] = {
        // Set 9's table ends at 90, so its 92 (51 in the common part) has no glyph.
        {64},
        {35, 64},
        {64, 91, 92, 93},
        {35, 64, 92},
        {64, 91, 92, 93, 94},
        {64, 91, 92, 93, 94},
        {35, 64, 91},
        {64, 91, 92, 93, 94},
        {64, 91, 92, 93, 94},
    };
    for (int resolution : {203, 300}) {
        const CodeTableView common = tableOf(resolution, 4, 0);
        for (int set = 6; set <= 14; ++set) {
            const CodeTableSelection selection = *selectCodeTable(resolution, 4, set);
            EXPECT_EQ(codesWhereDiffer(common, selection.table, 35, selection.lastCode),
                      changes[set - 6])
                << resolution << " dpi, set " << set;
            EXPECT_EQ(entry(selection.table, 64), 90);
        }
    }
    EXPECT_EQ(entry(tableOf(203, 4, 8), 93), 58);
    EXPECT_EQ(entry(tableOf(203, 4, 12), 35), kNone);
    EXPECT_EQ(entry(tableOf(203, 4, 13), 94), 58);
}

}  // namespace
}  // namespace txr::engine_b

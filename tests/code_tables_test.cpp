// Engine B's code tables: worked examples, ranges and lengths, shared arrays, and where each set
// departs from its base.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
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

// Codes written as the change lists name them: "155 181-183" is {155, 181, 182, 183}.
std::set<int> codes(const std::string& list) {
    std::set<int> out;
    std::istringstream in(list);
    for (std::string item; in >> item;) {
        const std::size_t dash = item.find('-');
        const int first = std::stoi(item.substr(0, dash));
        const int last = dash == std::string::npos ? first : std::stoi(item.substr(dash + 1));
        for (int code = first; code <= last; ++code) out.insert(code);
    }
    return out;
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
        {203, 0, 0, 65, 15},     {203, 0, 0, 48, 4},      {203, 0, 0, 32, kNone},
        {203, 0, 0, 20, 123},    {203, 0, 0, 248, 125},   {300, 3, 0, 20, 123},
        {300, 2, 0, 65, 15},     {203, 1, 1, 155, 146},   {203, 1, 0, 155, 50},
        {203, 2, 1, 231, kNone}, {203, 2, 0, 231, 158},   {203, 0, 12, 35, 79},
        {300, 3, 12, 64, 155},   {203, 0, 12, 96, 147},   {203, 0, 8, 93, 58},
        {203, 0, 0, 123, 159},   {300, 0, 0, 123, kNone}, {203, 0, 5, 123, 159},
        {203, 0, 6, 122, 121},   {203, 0, 6, 123, kNone}, {203, 0, 0, 19, kNone},
        {203, 0, 0, 249, kNone}, {203, 0, 0, -56, kNone}, {203, 4, 0, 34, kNone},
        {203, 4, 0, 97, kNone},  {203, 4, 0, 65, 15},     {203, 4, 12, 91, 60},
        {300, 4, 12, 35, kNone}, {203, 4, 9, 91, kNone},  {203, 4, 9, 92, kNone},
        {203, 4, 0, 40, 82},     {203, 4, 5, 41, 83},     {300, 4, 0, 40, kNone},
        {300, 4, 6, 41, kNone},  {203, 4, 1, 224, 72},    {203, 4, 3, 142, 64},
        {203, 4, 1, 236, kNone}, {203, 4, 6, 64, 90},     {203, 4, 0, 64, kNone},
        {203, 0, 15, 65, kNone}, {204, 0, 0, 65, kNone},  {203, 5, 0, 65, kNone},
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
        const std::set<int> missing = codes(set == 14 ? "" : "123-127");
        EXPECT_EQ(codesWhereDiffer(tableOf(203, 0, set), b300, 20, 248), missing) << set;
        for (int code : missing) EXPECT_EQ(entry(b300, code), kNone) << code;
        EXPECT_EQ(codesWhereDiffer(tableOf(203, 4, set), tableOf(300, 4, set), 35, 235),
                  codes("40-41"))
            << set;
    }
}

TEST(CodeTables, EachSetOfFontsZeroToThreeDiffersFromSetZeroOnlyAtItsChanges) {
    const std::string changes[] = {
        "",
        "155 157 181-183 189 198 199 210-212 214-216 222 224 226-227 228 229 230 231 233 235 242 "
        "243-245",
        "133-134 136 138-139 141 143 145-146 149-152 155-156 159 164-168 171-173 231 181-182 211 "
        "214-215 224 226 233 245",
        "132 134 137 139 140 142 143 145 146 148 150 152 153 157 159 169 173",
        "132 134 141 142 143 145 146 148 149 151 152 153 157 160-161 164-167 168 173",
        "155 157 173",
        // 7-bit sets; 8 to 14 also hold their own entries for the unreached codes 123 to 127.
        "",
        "35",
        "64 91 92-93 123-127",
        "35 64 91 92 93 123-127",
        "91 92 93 94 123-127",
        "35 64 91 92 93 96 123-127",
        "35 64 91 92 93 94 96 123-127",
        "64 91 92 93 94 96 123-127",
        "35 64 91 92 93 123-127",
    };
    for (int resolution : {203, 300}) {
        for (int set = 1; set < kCharSetCount; ++set) {
            const int last = set <= 5 ? 248 : 127;
            std::set<int> expected = codes(changes[set]);
            // At 300 dpi only set 14's shared array has glyphs for 123 to 127.
            if (resolution == 300 && set != 14) {
                expected.erase(expected.lower_bound(123), expected.upper_bound(127));
            }
            EXPECT_EQ(
                codesWhereDiffer(tableOf(resolution, 0, 0), tableOf(resolution, 1, set), 20, last),
                expected)
                << resolution << " dpi, set " << set;
        }
    }
    EXPECT_EQ(entry(tableOf(203, 0, 8), 127), 0);
    EXPECT_EQ(entry(tableOf(203, 0, 7), 127), 163);
}

TEST(CodeTables, FontFourIsItsCommonPartWithEachSetsCodes) {
    const std::string upper[] = {
        "128 142-144 146 153-154 155 156 159 160-164 165 166-168 171-172 173 225",
        "128 142-144 146 153-154 156 157 159 165 171-172 181-183 189 199 210-212 214-216 222 "
        "224-227 229 233 235",
        "128 142 144 153-154 181-182 211 214-215 224-226 233",
        "128 134 137 139 140 142 143 144 145 146 150 152 153 154 155 156 157 159 165 169 171-172 "
        "225",
        "128 132 142 144 145 146 148 149 153 154 155 156 157 159 168 171-172 225",
        "128 142-144 146 153-154 156 157 159 165 171-172 225",
    };
    // Against the common part (set 0 below 128); 64 -> 90 is common to the 7-bit sets, and set
    // 9's table ends at 90, so its 92 (51 in the common part) has no glyph.
    const std::string sevenBit[] = {"64",       "35 64",    "64 91 92-93", "35 64 92", "64 91-94",
                                    "64 91-94", "35 64 91", "64 91-94",    "64 91-94"};
    for (int resolution : {203, 300}) {
        const CodeTableView common = tableOf(resolution, 4, 0);
        // Where the common part departs from fonts 0 to 3, set 0.
        EXPECT_EQ(
            codesWhereDiffer(tableOf(resolution, 0, 0), common, 35, 127),
            codes(resolution == 203 ? "39 42 59-64 91 93-127" : "39 40-41 42 59-64 91 93-122"));
        for (int set = 0; set < kCharSetCount; ++set) {
            const CodeTableSelection s = *selectCodeTable(resolution, 4, set);
            if (set <= 5) {
                std::set<int> withGlyph;
                for (int code = 128; code < 256; ++code) {
                    if (entry(s.table, code) != kNone) withGlyph.insert(code);
                }
                EXPECT_EQ(withGlyph, codes(upper[set])) << resolution << " dpi, set " << set;
                EXPECT_TRUE(codesWhereDiffer(common, s.table, 35, 127).empty()) << set;
            } else {
                EXPECT_EQ(codesWhereDiffer(common, s.table, 35, s.lastCode),
                          codes(sevenBit[set - 6]))
                    << resolution << " dpi, set " << set;
            }
        }
    }
}

}  // namespace
}  // namespace txr::engine_b

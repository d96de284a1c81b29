// The 55 code tables of font family 1, written as runs over a base table and each set's
// changes, expanded into plain arrays at compile time.
#include "engine_b/code_tables.h"

#include <array>

namespace txr::engine_b {
namespace {

// Codes firstCode..lastCode get glyphs firstGlyph..lastGlyph in step, or none.
struct Run {
    int firstCode;
    int lastCode;
    std::uint16_t firstGlyph;
    std::uint16_t lastGlyph;
};

constexpr Run one(int code, std::uint16_t glyph) {
    return {code, code, glyph, glyph};
}
constexpr Run none(int firstCode, int lastCode) {
    return {firstCode, lastCode, kNoGlyph, kNoGlyph};
}
constexpr Run none(int code) {
    return none(code, code);
}

struct RunList {
    const Run* runs;
    std::size_t count;
};

template <std::size_t N>
constexpr RunList runs(const Run (&list)[N]) {
    return {list, N};
}

// Fonts 0 to 3, B.bin. Set 0 is also the base of every other set.
constexpr Run kSet0[] = {
    {20, 21, 123, 124},   none(22, 32),     {33, 34, 79, 80},     {35, 37, 43, 45},
    one(38, 0),           {39, 42, 81, 84}, one(43, 1),           one(44, 46),
    {45, 46, 2, 3},       one(47, 47),      {48, 58, 4, 14},      {59, 64, 85, 90},
    {65, 90, 15, 40},     one(91, 91),      one(92, 51),          {93, 122, 92, 121},
    {123, 127, 159, 163}, one(128, 52),     {129, 141, 126, 138}, {142, 144, 53, 55},
    one(145, 139),        one(146, 56),     {147, 152, 140, 145}, {153, 154, 57, 58},
    one(155, 50),         one(156, 48),     none(157, 158),       one(159, 49),
    {160, 164, 147, 151}, one(165, 60),     {166, 168, 152, 154}, none(169, 170),
    {171, 172, 41, 42},   one(173, 155),    none(174, 224),       one(225, 73),
    none(226, 230),       one(231, 158),    none(232, 247),       one(248, 125),
};

constexpr Run kSet1[] = {
    one(155, 146),      one(157, 59),       {181, 183, 61, 63}, one(189, 50),         one(198, 156),
    one(199, 64),       {210, 212, 65, 67}, {214, 216, 68, 70}, one(222, 71),         one(224, 72),
    {226, 227, 74, 75}, one(228, 157),      one(229, 76),       one(230, 158),        none(231),
    one(233, 77),       one(235, 78),       one(242, 87),       {243, 245, 122, 124},
};

constexpr Run kSet2[] = {
    none(133, 134), none(136),      none(138, 139),     none(141),     none(143),
    none(145, 146), none(149, 152), none(155, 156),     none(159),     none(164, 168),
    none(171, 173), none(231),      {181, 182, 61, 62}, one(211, 66),  {214, 215, 68, 69},
    one(224, 72),   one(226, 74),   one(233, 77),       one(245, 124),
};

constexpr Run kSet3[] = {
    one(132, 156), one(134, 61), one(137, 65), one(139, 71),  one(140, 74), one(142, 64),
    one(143, 62),  one(145, 63), one(146, 67), one(148, 157), one(150, 77), one(152, 71),
    one(153, 76),  one(157, 78), one(159, 72), one(169, 75),  none(173),
};

constexpr Run kSet4[] = {
    one(132, 62), one(134, 123),  one(141, 87),   one(142, 63),  one(143, 124), one(145, 67),
    one(146, 65), one(148, 66),   one(149, 70),   one(151, 150), none(152),     one(153, 74),
    one(157, 78), none(160, 161), none(164, 167), one(168, 69),  one(173, 122),
};

constexpr Run kSet5[] = {one(155, 146), one(157, 59), none(173)};

// Sets 6 to 14, codes 20 to 122 (set 6 is set 0 unchanged).
constexpr Run kSet7[] = {one(35, 48)};
constexpr Run kSet8[] = {one(64, 124), one(91, 53), {92, 93, 57, 58}};
constexpr Run kSet9[] = {one(35, 48), one(64, 130), one(91, 125), one(92, 132), one(93, 124)};
constexpr Run kSet10[] = {one(91, 56), one(92, 59), one(93, 54), one(94, 58)};
constexpr Run kSet11[] = {one(35, 48),  one(64, 124), one(91, 125),
                          one(92, 132), one(93, 127), one(96, 144)};
constexpr Run kSet12[] = {one(35, 79),  one(64, 155), one(91, 60), one(92, 151),
                          one(93, 154), one(94, 126), one(96, 147)};
constexpr Run kSet13[] = {one(64, 55), one(91, 53), one(92, 57),
                          one(93, 54), one(94, 58), one(96, 127)};
constexpr Run kSet14[] = {one(35, 48), one(64, 124), one(91, 130), one(92, 132), one(93, 135)};

// Sets 8 to 14, codes 123 to 127: held by the tables, never reached (lastCode is 122). Sets 6
// and 7 keep the base's 159 to 163 there.
constexpr Run kSet8Above122[] = {one(123, 129), one(124, 141), one(125, 126), one(126, 73),
                                 one(127, 0)};
constexpr Run kSet9Above122[] = {one(123, 127), one(124, 144), one(125, 135), one(126, 80),
                                 one(127, 0)};
constexpr Run kSet10Above122[] = {one(123, 139), one(124, 146), one(125, 131), one(126, 126),
                                  one(127, 0)};
constexpr Run kSet11Above122[] = {one(123, 130), one(124, 142), one(125, 135), one(126, 138),
                                  one(127, 0)};
constexpr Run kSet12Above122[] = {one(123, 127), one(124, 148), one(125, 149), one(126, 150),
                                  one(127, 0)};
constexpr Run kSet13Above122[] = {one(123, 129), one(124, 141), one(125, 131), one(126, 126),
                                  one(127, 0)};
constexpr Run kSet14Above122[] = {one(123, 129), one(124, 141), one(125, 126), one(126, 127),
                                  one(127, 0)};

// Fonts 0 to 3, B300.bin: glyphs 159 to 163 exist in B.bin only.
constexpr Run kB300Fonts0To3[] = {none(123, 127)};

// Font 4, B.bin, codes 35 to 127 of every set.
constexpr Run kFont4Common[] = {
    {35, 37, 43, 45}, one(38, 0),       none(39),       {40, 41, 82, 83}, none(42),
    one(43, 1),       one(44, 46),      {45, 46, 2, 3}, one(47, 47),      {48, 58, 4, 14},
    none(59, 64),     {65, 90, 15, 40}, none(91),       one(92, 51),      none(93, 127),
};

// Font 4, sets 0 to 5: the only codes above 127 that have a glyph.
constexpr Run kFont4Set0[] = {
    one(128, 52), {142, 144, 53, 55},   one(146, 56),       {153, 154, 57, 58},
    one(155, 50), one(156, 48),         one(159, 49),       {160, 164, 147, 151},
    one(165, 60), {166, 168, 152, 154}, {171, 172, 41, 42}, one(173, 155),
    one(225, 73),
};
constexpr Run kFont4Set1[] = {
    one(128, 52),       {142, 144, 53, 55}, one(146, 56), {153, 154, 57, 58},
    one(156, 48),       one(157, 59),       one(159, 49), one(165, 60),
    {171, 172, 41, 42}, {181, 183, 61, 63}, one(189, 50), one(199, 64),
    {210, 212, 65, 67}, {214, 216, 68, 70}, one(222, 71), {224, 227, 72, 75},
    one(229, 76),       one(233, 77),       one(235, 78),
};
constexpr Run kFont4Set2[] = {
    one(128, 52), one(142, 53),       one(144, 55),       {153, 154, 57, 58}, {181, 182, 61, 62},
    one(211, 66), {214, 215, 68, 69}, {224, 226, 72, 74}, one(233, 77),
};
constexpr Run kFont4Set3[] = {
    one(128, 52), one(134, 61), one(137, 65),       one(139, 71), one(140, 74), one(142, 64),
    one(143, 62), one(144, 55), one(145, 63),       one(146, 67), one(150, 77), one(152, 71),
    one(153, 76), one(154, 58), one(155, 50),       one(156, 48), one(157, 78), one(159, 72),
    one(165, 60), one(169, 75), {171, 172, 41, 42}, one(225, 73),
};
constexpr Run kFont4Set4[] = {
    one(128, 52), one(132, 62), one(142, 63), one(144, 55),       one(145, 67), one(146, 65),
    one(148, 66), one(149, 70), one(153, 74), one(154, 58),       one(155, 50), one(156, 48),
    one(157, 78), one(159, 49), one(168, 69), {171, 172, 41, 42}, one(225, 73),
};
constexpr Run kFont4Set5[] = {
    one(128, 52), {142, 144, 53, 55}, one(146, 56), {153, 154, 57, 58}, one(156, 48),
    one(157, 59), one(159, 49),       one(165, 60), {171, 172, 41, 42}, one(225, 73),
};

// Font 4, sets 6 to 14: the common part with 64 -> 90, then each set's changes (set 6: none).
constexpr Run kFont4SevenBit[] = {one(64, 90)};
constexpr Run kFont4Set7[] = {one(35, 48)};
constexpr Run kFont4Set8[] = {one(91, 53), {92, 93, 57, 58}};
constexpr Run kFont4Set9[] = {one(35, 48), none(91, 92)};
constexpr Run kFont4Set10And11[] = {one(91, 56), one(92, 59), one(93, 54), one(94, 58)};
constexpr Run kFont4Set12[] = {none(35), one(91, 60)};
constexpr Run kFont4Set13And14[] = {one(91, 53), one(92, 57), one(93, 54), one(94, 58)};

// Font 4, B300.bin.
constexpr Run kB300Font4[] = {none(40, 41)};

constexpr int kFonts0To3First = 20;
constexpr int kFont4First = 35;

template <std::size_t N>
using Table = std::array<std::uint16_t, N>;

template <std::size_t N>
constexpr void applyRuns(Table<N>& table, int firstCode, RunList list) {
    for (std::size_t i = 0; i < list.count; ++i) {
        const Run& run = list.runs[i];
        const bool glyphs = run.firstGlyph != kNoGlyph;
        if (run.lastCode < run.firstCode ||
            (glyphs && run.lastGlyph - run.firstGlyph != run.lastCode - run.firstCode) ||
            (!glyphs && run.lastGlyph != kNoGlyph)) {
            throw "a run's code range and glyph range differ in length";  // stops the compile
        }
        for (int code = run.firstCode; code <= run.lastCode; ++code) {
            const int index = code - firstCode;
            if (index < 0 || index >= static_cast<int>(N)) continue;  // the run reaches past
            table[static_cast<std::size_t>(index)] =
                glyphs ? static_cast<std::uint16_t>(run.firstGlyph + (code - run.firstCode))
                       : kNoGlyph;
        }
    }
}

// Entries for codes firstCode to lastCode: no glyph anywhere, then each layer of runs in turn.
template <int FirstCode, int LastCode, typename... Layers>
constexpr Table<LastCode - FirstCode + 1> buildTable(Layers... layers) {
    Table<LastCode - FirstCode + 1> table{};
    for (auto& entry : table) entry = kNoGlyph;
    (applyRuns(table, FirstCode, layers), ...);
    return table;
}

// Fonts 0 to 3: set 0, the set's own runs, then the resolution's changes.
template <typename Changes, int LastCode, typename... Layers>
constexpr auto fonts0To3(Layers... layers) {
    return buildTable<kFonts0To3First, LastCode>(runs(kSet0), layers..., Changes::kFonts0To3);
}

// Font 4: the common part, the set's own runs, then the resolution's changes.
template <typename Changes, int LastCode, typename... Layers>
constexpr auto font4(Layers... layers) {
    return buildTable<kFont4First, LastCode>(runs(kFont4Common), layers..., Changes::kFont4);
}

constexpr RunList kAsBase{nullptr, 0};

template <std::size_t N>
constexpr CodeTableView at20(const Table<N>& table) {
    return {table.data(), N, kFonts0To3First};
}
template <std::size_t N>
constexpr CodeTableView at35(const Table<N>& table) {
    return {table.data(), N, kFont4First};
}

// What each resolution changes in the tables, for fonts 0 to 3 and for font 4.
struct B203Changes {
    static constexpr RunList kFonts0To3{nullptr, 0};
    static constexpr RunList kFont4{nullptr, 0};
};
struct B300Changes {
    static constexpr RunList kFonts0To3 = runs(kB300Fonts0To3);
    static constexpr RunList kFont4 = runs(kB300Font4);
};

// Fonts 0 to 3, set 14: one array for both resolutions, the B.bin one.
constexpr auto kBothSet14 = fonts0To3<B203Changes, 127>(runs(kSet14), runs(kSet14Above122));

// The tables of one resolution: every set over that resolution's changes.
template <typename Changes>
struct ResolutionTables {
    // Fonts 0 to 3: 8-bit sets to code 248, 7-bit sets to 127.
    static constexpr auto kSet0Table = fonts0To3<Changes, 248>(kAsBase);
    static constexpr auto kSet1Table = fonts0To3<Changes, 248>(runs(kSet1));
    static constexpr auto kSet2Table = fonts0To3<Changes, 248>(runs(kSet2));
    static constexpr auto kSet3Table = fonts0To3<Changes, 248>(runs(kSet3));
    static constexpr auto kSet4Table = fonts0To3<Changes, 248>(runs(kSet4));
    static constexpr auto kSet5Table = fonts0To3<Changes, 248>(runs(kSet5));
    static constexpr auto kSet6Table = fonts0To3<Changes, 127>(kAsBase);
    static constexpr auto kSet7Table = fonts0To3<Changes, 127>(runs(kSet7));
    static constexpr auto kSet8Table = fonts0To3<Changes, 127>(runs(kSet8), runs(kSet8Above122));
    static constexpr auto kSet9Table = fonts0To3<Changes, 127>(runs(kSet9), runs(kSet9Above122));
    static constexpr auto kSet10Table = fonts0To3<Changes, 127>(runs(kSet10), runs(kSet10Above122));
    static constexpr auto kSet11Table = fonts0To3<Changes, 127>(runs(kSet11), runs(kSet11Above122));
    static constexpr auto kSet12Table = fonts0To3<Changes, 127>(runs(kSet12), runs(kSet12Above122));
    static constexpr auto kSet13Table = fonts0To3<Changes, 127>(runs(kSet13), runs(kSet13Above122));

    // Font 4: each table runs to its set's lastCode, set 9's to 90.
    static constexpr auto kFont4Set0Table = font4<Changes, 225>(runs(kFont4Set0));
    static constexpr auto kFont4Set1Table = font4<Changes, 235>(runs(kFont4Set1));
    static constexpr auto kFont4Set2Table = font4<Changes, 233>(runs(kFont4Set2));
    static constexpr auto kFont4Set3Table = font4<Changes, 225>(runs(kFont4Set3));
    static constexpr auto kFont4Set4Table = font4<Changes, 225>(runs(kFont4Set4));
    static constexpr auto kFont4Set5Table = font4<Changes, 225>(runs(kFont4Set5));
    static constexpr auto kFont4Set6Table = font4<Changes, 92>(runs(kFont4SevenBit));
    static constexpr auto kFont4Set7Table =
        font4<Changes, 92>(runs(kFont4SevenBit), runs(kFont4Set7));
    static constexpr auto kFont4Set8Table =
        font4<Changes, 93>(runs(kFont4SevenBit), runs(kFont4Set8));
    static constexpr auto kFont4Set9Table =
        font4<Changes, 90>(runs(kFont4SevenBit), runs(kFont4Set9));
    static constexpr auto kFont4Set10And11Table =
        font4<Changes, 94>(runs(kFont4SevenBit), runs(kFont4Set10And11));
    static constexpr auto kFont4Set12Table =
        font4<Changes, 91>(runs(kFont4SevenBit), runs(kFont4Set12));
    static constexpr auto kFont4Set13And14Table =
        font4<Changes, 94>(runs(kFont4SevenBit), runs(kFont4Set13And14));

    // The table of each charSet, indexed [font 4][charSet].
    static constexpr CodeTableView kViews[2][kCharSetCount] = {
        {at20(kSet0Table), at20(kSet1Table), at20(kSet2Table), at20(kSet3Table), at20(kSet4Table),
         at20(kSet5Table), at20(kSet6Table), at20(kSet7Table), at20(kSet8Table), at20(kSet9Table),
         at20(kSet10Table), at20(kSet11Table), at20(kSet12Table), at20(kSet13Table),
         at20(kBothSet14)},
        {at35(kFont4Set0Table), at35(kFont4Set1Table), at35(kFont4Set2Table), at35(kFont4Set3Table),
         at35(kFont4Set4Table), at35(kFont4Set5Table), at35(kFont4Set6Table), at35(kFont4Set7Table),
         at35(kFont4Set8Table), at35(kFont4Set9Table), at35(kFont4Set10And11Table),
         at35(kFont4Set10And11Table), at35(kFont4Set12Table), at35(kFont4Set13And14Table),
         at35(kFont4Set13And14Table)},
    };
};

using B203Tables = ResolutionTables<B203Changes>;
using B300Tables = ResolutionTables<B300Changes>;

// The accepted codes of each set, for fonts 0 to 3 and for font 4: one row per charSet.
struct SetRanges {
    std::uint8_t first0To3, last0To3, firstFont4, lastFont4;
};
constexpr SetRanges kRanges[kCharSetCount] = {
    {20, 248, 35, 225},  // 0, code page 437
    {20, 248, 35, 235},  // 1, code page 850
    {20, 248, 35, 233},  // 2, code page 852
    {20, 248, 35, 225},  // 3, code page 860
    {20, 248, 35, 225},  // 4, code page 863
    {20, 248, 35, 225},  // 5, code page 865
    {20, 122, 35, 92},   // 6 to 14: 7-bit national variants
    {20, 122, 35, 92},   //
    {20, 122, 35, 93},   //
    {20, 122, 35, 92},   //
    {20, 122, 35, 94},   //
    {20, 122, 35, 94},   //
    {20, 122, 35, 91},   //
    {20, 122, 35, 94},   //
    {20, 122, 35, 94},   //
};

}  // namespace

std::optional<CodeTableSelection> selectCodeTable(int resolution, int fontType, int charSet) {
    if ((resolution != 203 && resolution != 300) || fontType < 0 || fontType > 4 || charSet < 0 ||
        charSet >= kCharSetCount) {
        return std::nullopt;
    }
    const bool font4 = fontType == 4;
    const SetRanges& ranges = kRanges[charSet];
    CodeTableSelection selection;
    const auto& views = resolution == 300 ? B300Tables::kViews : B203Tables::kViews;
    selection.table = views[font4][charSet];
    selection.firstCode = font4 ? ranges.firstFont4 : ranges.first0To3;
    selection.lastCode = font4 ? ranges.lastFont4 : ranges.last0To3;
    return selection;
}

std::uint16_t glyphAt(const std::uint16_t* entries, std::size_t length, int index) {
    if (entries == nullptr || index < 0 || static_cast<std::size_t>(index) >= length) {
        return kNoGlyph;
    }
    return entries[index];
}

std::uint16_t glyphNumberFor(int resolution, int fontType, int charSet, int code) {
    const std::optional<CodeTableSelection> selection =
        selectCodeTable(resolution, fontType, charSet);
    if (!selection || code < selection->firstCode || code > selection->lastCode) return kNoGlyph;
    return glyphAt(selection->table.entries, selection->table.length, code - selection->firstCode);
}

}  // namespace txr::engine_b

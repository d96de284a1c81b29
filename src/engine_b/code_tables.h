// The character-code tables of font family 1: which glyph number a character code gives, per
// resolution, font group (fonts 0 to 3, or font 4) and character set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace txr::engine_b {

// A table entry for a code that has no glyph.
constexpr std::uint16_t kNoGlyph = 0xFFFF;
constexpr int kCharSetCount = 15;

// One of the 55 constant tables: entry i is the glyph number of code firstCode + i.
struct CodeTableView {
    const std::uint16_t* entries = nullptr;
    std::size_t length = 0;
    int firstCode = 0;
};

// What SetFont puts in force for a resolution, font number and character set: the table and
// the codes it accepts. lastCode may lie past the table's end (font 4, set 9 accepts 91 and 92
// but its table ends at 90); such codes have no glyph. The 7-bit sets of fonts 0 to 3 accept
// up to 122 although their tables run on to 127.
struct CodeTableSelection {
    CodeTableView table;
    std::uint8_t firstCode = 0;
    std::uint8_t lastCode = 0;
};

// The selection for resolution 203 or 300, font 0 to 4 and character set 0 to 14; nothing for
// any other value.
std::optional<CodeTableSelection> selectCodeTable(int resolution, int fontType, int charSet);

// Entry `index` of a table of `length` entries; kNoGlyph for a missing table or an index
// outside it.
std::uint16_t glyphAt(const std::uint16_t* entries, std::size_t length, int index);

// The glyph number that `code` gives, exactly as the engine looks it up: kNoGlyph when the
// selection is unknown, the code is refused or it has no glyph.
std::uint16_t glyphNumberFor(int resolution, int fontType, int charSet, int code);

}  // namespace txr::engine_b

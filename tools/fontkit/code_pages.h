// Character mappings of the printers' byte codes: the IBM PC code pages of the family-1 character
// sets, their 7-bit national variants, ISO 8859-1, and which character each family-1 glyph
// number stands for.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace txr::fontkit {

// A byte -> character mapping. kNoCharacter marks a byte that stands for no character.
enum class CharacterMap { Cp437, Cp850, Cp852, Cp860, Cp863, Cp865, Latin1, Ascii };

constexpr char32_t kNoCharacter = 0;

// The code page of a family-0 or family-2 font block whose manifest names none.
constexpr CharacterMap kDefaultCharacterMap = CharacterMap::Cp850;

// "cp437", "437", "cp850", ..., "latin1", "ascii"; nothing for an unknown name.
std::optional<CharacterMap> characterMapByName(const std::string& name);
std::string characterMapName(CharacterMap map);

// The character of a byte. The code pages show their graphic characters at 0x01-0x1F and 0x7F
// (the smileys, arrows and the house), as a printer does; 0x00 and the 8859-1 control codes
// stand for no character.
char32_t characterOf(CharacterMap map, std::uint8_t code);

// The byte of a table of 256 characters (one per byte) that stands for `character`: the
// printable codes 0x20 to 0xFF first, so that a character the IBM pages also show at a control
// code (¶ and § at 0x14 and 0x15) gets its printable byte. Nothing when no byte has it.
std::optional<std::uint8_t> byteIn(const std::vector<char32_t>& characters, char32_t character);
// The same for a code page.
std::optional<std::uint8_t> byteOf(CharacterMap map, char32_t character);

// Family-1 character sets 6 to 14 are 7-bit national variants: US-ASCII with other characters at
// some of the codes 35, 64, 91-94, 96 and 123-126. Gives kNoCharacter above 126 or outside 6-14.
char32_t nationalCharacter(int charSet, std::uint8_t code);

// The code page behind family-1 character sets 0 to 5.
CharacterMap familyOneCodePage(int charSet);

// Glyph number of (resolution, font, charSet, code) in the family-1 code tables, or -1 when the
// code is refused or has no glyph.
using GlyphNumberLookup = std::function<int(int resolution, int font, int charSet, int code)>;

// The character each family-1 glyph number stands for, indexed by glyph number (kNoCharacter for
// numbers no table reaches). The first (charSet, code) that reaches a glyph number decides, charSet
// 0 to 14 and code 0 to 255 in that order, both resolutions and both font groups: sets 0-5 through
// their code page, sets 6-14 through their national characters. Glyph numbers reached with
// different characters keep the first (the tables give glyph 71 to Ì and Í, 87 to = and ‗, 150 to
// ú and ù, 158 to τ and µ).
std::vector<char32_t> familyOneGlyphCharacters(const GlyphNumberLookup& lookup, int glyphCount);

// "U+00C4".
std::string unicodeName(char32_t character);

}  // namespace txr::fontkit

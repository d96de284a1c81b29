// Unicode text to the bytes a printer font prints it with: UTF-8 decoding, the code pages of
// families 0 and 2, and family 1's fifteen character sets read through the library's own code
// tables, so a character maps to a byte only where the selected font has a glyph for it.
//
// Decisions a host can rely on:
// - Malformed UTF-8 (a stray continuation byte, a cut-off sequence, overlong forms, surrogates,
//   code points past U+10FFFF) is reported by the byte offset of its first byte; nothing is
//   guessed.
// - Positions of characters count characters from 0, not bytes.
// - A character no byte stands for is reported with its position and code point; the others
//   still get their bytes, so a host may draw what can be drawn.
// - The space always maps to 0x20 in family 1: its cell is blank by design, not missing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "txr/export.h"

namespace txr::encoding {

// A byte -> character mapping. kNoCharacter marks a byte that stands for no character.
enum class CharacterMap { Cp437, Cp850, Cp852, Cp860, Cp863, Cp865, Latin1, Ascii };

constexpr char32_t kNoCharacter = 0;

// The code page of a family-0 or family-2 font when none is named.
constexpr CharacterMap kDefaultCharacterMap = CharacterMap::Cp850;

// "cp437", "437", "cp850", ..., "latin1", "iso8859-1", "ascii"; nothing for an unknown name.
TXR_API std::optional<CharacterMap> characterMapByName(const std::string& name);
TXR_API std::string characterMapName(CharacterMap map);

// The character of a byte. The code pages show their graphic characters at 0x01-0x1F and 0x7F
// (the smileys, arrows and the house), as a printer does; 0x00 and the 8859-1 control codes
// stand for no character.
TXR_API char32_t characterOf(CharacterMap map, std::uint8_t code);

// The byte of a table of 256 characters (one per byte) that stands for `character`: the
// printable codes 0x20 to 0xFF first, so that a character the IBM pages also show at a control
// code (¶ and § at 0x14 and 0x15) gets its printable byte. Nothing when no byte has it.
TXR_API std::optional<std::uint8_t> byteIn(const std::vector<char32_t>& characters,
                                           char32_t character);
// The same for a code page.
TXR_API std::optional<std::uint8_t> byteOf(CharacterMap map, char32_t character);

// Family-1 character sets 6 to 14 are 7-bit national variants: US-ASCII with other characters at
// some of the codes 35, 64, 91-94, 96 and 123-126. Gives kNoCharacter above 126 or outside 6-14.
TXR_API char32_t nationalCharacter(int charSet, std::uint8_t code);

// The code page behind family-1 character sets 0 to 5.
TXR_API CharacterMap familyOneCodePage(int charSet);

// What code `code` of family-1 character set `charSet` stands for: its code page's character for
// sets 0 to 5, its national character for sets 6 to 14.
TXR_API char32_t familyOneCharacter(int charSet, std::uint8_t code);

// The glyph number the family-1 code tables give (resolution, font, charSet, code), exactly as
// the engine looks it up; nothing when the selection is unknown, the code is refused or it has
// no glyph.
TXR_API std::optional<int> familyOneGlyph(int resolution, int fontType, int charSet, int code);

// Glyph number of (resolution, font, charSet, code), or -1 when the code has no glyph.
using GlyphNumberLookup = std::function<int(int resolution, int font, int charSet, int code)>;

// The character each family-1 glyph number stands for, indexed by glyph number (kNoCharacter for
// numbers no table reaches). The first (charSet, code) that reaches a glyph number decides, charSet
// 0 to 14 and code 0 to 255 in that order, both resolutions and both font groups. Glyph numbers
// reached with different characters keep the first (the tables give glyph 71 to Ì and Í, 87 to =
// and ‗, 150 to ú and ù, 158 to τ and µ).
TXR_API std::vector<char32_t> familyOneGlyphCharacters(const GlyphNumberLookup& lookup,
                                                       int glyphCount);

// "U+00C4".
TXR_API std::string unicodeName(char32_t character);
// "U+20AC (€)": the code point and, when it is printable, the character itself in UTF-8.
TXR_API std::string describeCharacter(char32_t character);
TXR_API void appendUtf8(std::string& out, char32_t character);

struct Utf8Text {
    std::vector<char32_t> characters;
    // The byte offset of the first malformed sequence; `characters` then holds those before it.
    std::optional<std::size_t> malformedAt;
};
TXR_API Utf8Text decodeUtf8(std::string_view text);

// Which byte stands for which character in one font.
class TXR_API CharacterBytes {
  public:
    // Family 1: the character set's code page or national variant, for the codes the code
    // tables give a glyph at this resolution and font. An unknown selection maps nothing.
    static CharacterBytes forFamilyOne(int resolution, int fontType, int charSet);
    // Families 0 and 2: a code page, for every byte.
    static CharacterBytes forCodePage(CharacterMap map);

    std::optional<std::uint8_t> byteOf(char32_t character) const;
    char32_t characterOf(std::uint8_t byte) const { return characters_[byte]; }
    // "code page cp850", "character set 8 of family 1 font 2".
    const std::string& name() const { return name_; }

  private:
    std::vector<char32_t> characters_ = std::vector<char32_t>(256, kNoCharacter);
    std::string name_;
};

// One character of a text: its position in characters, its code point, its byte if any.
struct EncodedCharacter {
    std::size_t position = 0;
    char32_t codePoint = 0;
    std::optional<std::uint8_t> byte;
};

struct EncodedText {
    std::string bytes;                       // the bytes of the characters that have one
    std::vector<EncodedCharacter> unmapped;  // the characters that have none, in order
    std::optional<std::size_t> malformedAt;  // as Utf8Text; then `bytes` is empty
    bool complete() const { return unmapped.empty() && !malformedAt; }
};

// Each character of `text` with its byte (the malformed offset left in `malformedAt`).
TXR_API std::vector<EncodedCharacter> encodeCharacters(const Utf8Text& text,
                                                       const CharacterBytes& bytes);
// "characters without a byte in code page cp850:\n  character 1: U+20AC (€)", a line each.
TXR_API std::string unmappedInWords(const std::vector<EncodedCharacter>& unmapped,
                                    const CharacterBytes& bytes);
// `text` in UTF-8 as the bytes of `bytes`.
TXR_API EncodedText encodeUtf8(std::string_view text, const CharacterBytes& bytes);

}  // namespace txr::encoding

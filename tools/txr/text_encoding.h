// --encoding utf-8: characters typed in Unicode turned into the bytes the selected font prints
// them with, and the table of family 1's character sets that `txr charsets` prints.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fontkit/code_pages.h"

namespace txr::tool {

// One character of a UTF-8 text: where it stands (counted in characters from 0), its code
// point, and the byte the font has for it, if any.
struct EncodedCharacter {
    std::size_t position = 0;
    char32_t codePoint = 0;
    std::optional<std::uint8_t> byte;
};

// The code points of a UTF-8 text; throws CLI::ValidationError naming the byte offset of the
// first malformed sequence (overlong forms, surrogates and code points past U+10FFFF included).
std::vector<char32_t> decodeUtf8(const std::string& text);

// Which byte stands for which character in one font.
class CharacterBytes {
  public:
    // Family 1: the character set's code page or national variant, for the codes the library's
    // code tables give a glyph at this resolution and font.
    static CharacterBytes forFamilyOne(int resolution, int fontType, int charSet);
    // Families 0 and 2: a code page, for every byte.
    static CharacterBytes forCodePage(fontkit::CharacterMap map);

    std::optional<std::uint8_t> byteOf(char32_t character) const;
    char32_t characterOf(std::uint8_t byte) const { return characters_[byte]; }
    const std::string& name() const { return name_; }

  private:
    std::vector<char32_t> characters_ = std::vector<char32_t>(256, fontkit::kNoCharacter);
    std::string name_;
};

// Each character of `text` with its byte in `bytes`.
std::vector<EncodedCharacter> encodeCharacters(const std::string& text,
                                               const CharacterBytes& bytes);

// "U+20AC (€)": a code point and, when it is printable, the character itself in UTF-8.
std::string describeCharacter(char32_t codePoint);

// The table `txr charsets` prints: one line per character set with what it covers.
std::string characterSetTable();

}  // namespace txr::tool

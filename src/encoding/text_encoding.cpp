// UTF-8 decoding and the character -> byte mapping of a selected font.
#include <string>

#include "engine_b/code_tables.h"
#include "txr/encoding.h"

namespace txr::encoding {

std::optional<int> familyOneGlyph(int resolution, int fontType, int charSet, int code) {
    const std::uint16_t glyph = engine_b::glyphNumberFor(resolution, fontType, charSet, code);
    if (glyph == engine_b::kNoGlyph) return std::nullopt;
    return glyph;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | ((c >> 18) & 0x07));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string describeCharacter(char32_t codePoint) {
    std::string text = unicodeName(codePoint);
    const bool printable = codePoint > 0x20 && codePoint != 0x7F &&
                           !(codePoint >= 0x80 && codePoint < 0xA0) &&
                           !(codePoint >= 0xD800 && codePoint <= 0xDFFF) && codePoint <= 0x10FFFF;
    if (printable) {
        text += " (";
        appendUtf8(text, codePoint);
        text += ")";
    }
    return text;
}

Utf8Text decodeUtf8(std::string_view text) {
    Utf8Text decoded;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int length = 0;
        char32_t c = 0;
        if (lead < 0x80) {
            length = 1;
            c = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            c = lead & 0x07;
        }
        bool valid = length > 0 && text.size() - i >= static_cast<std::size_t>(length);
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        // Overlong three- and four-byte forms, surrogates, and code points past U+10FFFF.
        if (valid && ((length == 3 && c < 0x800) || (length == 4 && c < 0x10000) ||
                      (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)) {
            valid = false;
        }
        if (!valid) {
            decoded.malformedAt = i;
            return decoded;
        }
        decoded.characters.push_back(c);
        i += static_cast<std::size_t>(length);
    }
    return decoded;
}

CharacterBytes CharacterBytes::forFamilyOne(int resolution, int fontType, int charSet) {
    CharacterBytes bytes;
    const bool known = engine_b::selectCodeTable(resolution, fontType, charSet).has_value();
    // The tables give the space no glyph: its cell is left blank by design.
    if (known) bytes.characters_[' '] = U' ';
    for (int code = 0; code <= 255 && known; ++code) {
        if (!familyOneGlyph(resolution, fontType, charSet, code)) continue;
        bytes.characters_[static_cast<std::size_t>(code)] =
            familyOneCharacter(charSet, static_cast<std::uint8_t>(code));
    }
    bytes.name_ = "character set " + std::to_string(charSet) + " of family 1 font " +
                  std::to_string(fontType);
    return bytes;
}

CharacterBytes CharacterBytes::forCodePage(CharacterMap map) {
    CharacterBytes bytes;
    for (int code = 0; code <= 255; ++code) {
        bytes.characters_[static_cast<std::size_t>(code)] =
            encoding::characterOf(map, static_cast<std::uint8_t>(code));
    }
    bytes.name_ = "code page " + characterMapName(map);
    return bytes;
}

std::optional<std::uint8_t> CharacterBytes::byteOf(char32_t character) const {
    return byteIn(characters_, character);
}

std::vector<EncodedCharacter> encodeCharacters(const Utf8Text& text, const CharacterBytes& bytes) {
    std::vector<EncodedCharacter> encoded;
    encoded.reserve(text.characters.size());
    for (std::size_t i = 0; i < text.characters.size(); ++i) {
        encoded.push_back({i, text.characters[i], bytes.byteOf(text.characters[i])});
    }
    return encoded;
}

std::string unmappedInWords(const std::vector<EncodedCharacter>& unmapped,
                            const CharacterBytes& bytes) {
    std::string words = "characters without a byte in " + bytes.name() + ":";
    for (const EncodedCharacter& character : unmapped) {
        words += "\n  character " + std::to_string(character.position) + ": " +
                 describeCharacter(character.codePoint);
    }
    return words;
}

EncodedText encodeUtf8(std::string_view text, const CharacterBytes& bytes) {
    EncodedText result;
    const Utf8Text decoded = decodeUtf8(text);
    result.malformedAt = decoded.malformedAt;
    if (decoded.malformedAt) return result;
    for (const EncodedCharacter& character : encodeCharacters(decoded, bytes)) {
        if (character.byte) {
            result.bytes += static_cast<char>(*character.byte);
        } else {
            result.unmapped.push_back(character);
        }
    }
    return result;
}

}  // namespace txr::encoding

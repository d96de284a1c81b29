// UTF-8 text to the selected font's bytes, through the font kit's code pages and the library's
// family-1 code tables.
#include "text_encoding.h"

#include <cstdio>

#include "CLI/CLI.hpp"
#include "fontkit/font_file_b.h"

namespace txr::tool {

namespace {

namespace fk = fontkit;

constexpr int kFirstNationalSet = 6;
constexpr int kLastCharSet = 14;

// What a family-1 character set's code means, as the character set's code page or national
// variant says.
char32_t familyOneCharacter(int charSet, std::uint8_t code) {
    return charSet < kFirstNationalSet ? fk::characterOf(fk::familyOneCodePage(charSet), code)
                                       : fk::nationalCharacter(charSet, code);
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
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// How many codes of a set have a glyph in fonts 0 to 3 and in font 4 at 203 dpi.
std::pair<int, int> glyphCounts(int charSet) {
    int fixed = 0, font4 = 0;
    for (int code = 0; code <= 255; ++code) {
        fixed += fk::glyphNumberB(203, 0, charSet, code).has_value() ? 1 : 0;
        font4 += fk::glyphNumberB(203, 4, charSet, code).has_value() ? 1 : 0;
    }
    return {fixed, font4};
}

}  // namespace

std::vector<char32_t> decodeUtf8(const std::string& text) {
    std::vector<char32_t> codePoints;
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
            throw CLI::ValidationError("--encoding",
                                       "the text is not UTF-8 at byte " + std::to_string(i));
        }
        codePoints.push_back(c);
        i += static_cast<std::size_t>(length);
    }
    return codePoints;
}

CharacterBytes CharacterBytes::forFamilyOne(int resolution, int fontType, int charSet) {
    CharacterBytes bytes;
    // The tables give the space no glyph: its cell is left blank by design.
    bytes.characters_[' '] = U' ';
    for (int code = 0; code <= 255; ++code) {
        if (!fk::glyphNumberB(resolution, fontType, charSet, code)) continue;
        bytes.characters_[static_cast<std::size_t>(code)] =
            familyOneCharacter(charSet, static_cast<std::uint8_t>(code));
    }
    bytes.name_ = "character set " + std::to_string(charSet) + " of family 1 font " +
                  std::to_string(fontType);
    return bytes;
}

CharacterBytes CharacterBytes::forCodePage(fk::CharacterMap map) {
    CharacterBytes bytes;
    for (int code = 0; code <= 255; ++code) {
        bytes.characters_[static_cast<std::size_t>(code)] =
            fk::characterOf(map, static_cast<std::uint8_t>(code));
    }
    bytes.name_ = "code page " + fk::characterMapName(map);
    return bytes;
}

std::optional<std::uint8_t> CharacterBytes::byteOf(char32_t character) const {
    return fk::byteIn(characters_, character);
}

std::vector<EncodedCharacter> encodeCharacters(const std::string& text,
                                               const CharacterBytes& bytes) {
    std::vector<EncodedCharacter> encoded;
    const std::vector<char32_t> codePoints = decodeUtf8(text);
    for (std::size_t i = 0; i < codePoints.size(); ++i) {
        encoded.push_back({i, codePoints[i], bytes.byteOf(codePoints[i])});
    }
    return encoded;
}

std::string describeCharacter(char32_t codePoint) {
    std::string text = fk::unicodeName(codePoint);
    if (codePoint > 0x20 && codePoint != 0x7F && !(codePoint >= 0x80 && codePoint < 0xA0)) {
        text += " (";
        appendUtf8(text, codePoint);
        text += ")";
    }
    return text;
}

std::string characterSetTable() {
    std::string table =
        "Character sets of family 1 (--charset N): 0-5 are 8-bit code pages, 6-14 7-bit national\n"
        "variants of US-ASCII (the codes they change are listed; * marks a code above 122, which\n"
        "fonts 0-3 refuse). Families 0 and 2 use their font's code page instead.\n"
        "set  kind                    codes with a glyph    characters\n"
        "                             fonts 0-3   font 4\n";
    for (int charSet = 0; charSet <= kLastCharSet; ++charSet) {
        const auto [fixed, font4] = glyphCounts(charSet);
        std::string kind;
        std::string characters;
        if (charSet < kFirstNationalSet) {
            kind = "8-bit, code page " + fk::characterMapName(fk::familyOneCodePage(charSet));
            characters = "ASCII and the code page's upper half where the glyph set has it";
        } else {
            kind = "7-bit national";
            for (int code = 0x21; code <= 0x7E; ++code) {
                const char32_t c = familyOneCharacter(charSet, static_cast<std::uint8_t>(code));
                if (c == static_cast<char32_t>(code)) continue;
                char at[8];
                std::snprintf(at, sizeof at, "%02X=", static_cast<unsigned>(code));
                characters += (characters.empty() ? "" : " ") + std::string(at);
                appendUtf8(characters, c);
                if (!fk::glyphNumberB(203, 0, charSet, code)) characters += "*";
            }
            if (characters.empty()) characters = "US-ASCII as it is";
        }
        char line[128];
        std::snprintf(line, sizeof line, "%3d  %-23s %9d %8d    ", charSet, kind.c_str(), fixed,
                      font4);
        table += line + characters + "\n";
    }
    return table;
}

}  // namespace txr::tool

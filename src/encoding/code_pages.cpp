// Code page, national variant and ISO 8859-1 tables, and the characters of the family-1 glyphs.
#include "txr/encoding.h"

#include <array>
#include <cstdio>

namespace txr::encoding {

namespace {

// clang-format off
// The graphic characters that the IBM code pages show at 0x00-0x1F (0x00 shows nothing).
constexpr std::array<char32_t, 32> kGraphicLow = {
    /* 0_ */ U'\u0000', U'☺', U'☻', U'♥', U'♦', U'♣', U'♠', U'•', U'◘', U'○', U'◙', U'♂', U'♀', U'♪', U'♫', U'☼',
    /* 1_ */ U'►', U'◄', U'↕', U'‼', U'¶', U'§', U'▬', U'↨', U'↑', U'↓', U'→', U'←', U'∟', U'↔', U'▲', U'▼',
};

constexpr char32_t kHouse = U'⌂';

// Code page 437, codes 0x80 to 0xFF.
constexpr std::array<char32_t, 128> kCp437Upper = {
    /* 8_ */ U'Ç', U'ü', U'é', U'â', U'ä', U'à', U'å', U'ç', U'ê', U'ë', U'è', U'ï', U'î', U'ì', U'Ä', U'Å',
    /* 9_ */ U'É', U'æ', U'Æ', U'ô', U'ö', U'ò', U'û', U'ù', U'ÿ', U'Ö', U'Ü', U'¢', U'£', U'¥', U'₧', U'ƒ',
    /* A_ */ U'á', U'í', U'ó', U'ú', U'ñ', U'Ñ', U'ª', U'º', U'¿', U'⌐', U'¬', U'½', U'¼', U'¡', U'«', U'»',
    /* B_ */ U'░', U'▒', U'▓', U'│', U'┤', U'╡', U'╢', U'╖', U'╕', U'╣', U'║', U'╗', U'╝', U'╜', U'╛', U'┐',
    /* C_ */ U'└', U'┴', U'┬', U'├', U'─', U'┼', U'╞', U'╟', U'╚', U'╔', U'╩', U'╦', U'╠', U'═', U'╬', U'╧',
    /* D_ */ U'╨', U'╤', U'╥', U'╙', U'╘', U'╒', U'╓', U'╫', U'╪', U'┘', U'┌', U'█', U'▄', U'▌', U'▐', U'▀',
    /* E_ */ U'α', U'ß', U'Γ', U'π', U'Σ', U'σ', U'µ', U'τ', U'Φ', U'Θ', U'Ω', U'δ', U'∞', U'φ', U'ε', U'∩',
    /* F_ */ U'≡', U'±', U'≥', U'≤', U'⌠', U'⌡', U'÷', U'≈', U'°', U'∙', U'·', U'√', U'ⁿ', U'²', U'■', U'\u00A0',
};

// Code page 850, codes 0x80 to 0xFF.
constexpr std::array<char32_t, 128> kCp850Upper = {
    /* 8_ */ U'Ç', U'ü', U'é', U'â', U'ä', U'à', U'å', U'ç', U'ê', U'ë', U'è', U'ï', U'î', U'ì', U'Ä', U'Å',
    /* 9_ */ U'É', U'æ', U'Æ', U'ô', U'ö', U'ò', U'û', U'ù', U'ÿ', U'Ö', U'Ü', U'ø', U'£', U'Ø', U'×', U'ƒ',
    /* A_ */ U'á', U'í', U'ó', U'ú', U'ñ', U'Ñ', U'ª', U'º', U'¿', U'®', U'¬', U'½', U'¼', U'¡', U'«', U'»',
    /* B_ */ U'░', U'▒', U'▓', U'│', U'┤', U'Á', U'Â', U'À', U'©', U'╣', U'║', U'╗', U'╝', U'¢', U'¥', U'┐',
    /* C_ */ U'└', U'┴', U'┬', U'├', U'─', U'┼', U'ã', U'Ã', U'╚', U'╔', U'╩', U'╦', U'╠', U'═', U'╬', U'¤',
    /* D_ */ U'ð', U'Ð', U'Ê', U'Ë', U'È', U'ı', U'Í', U'Î', U'Ï', U'┘', U'┌', U'█', U'▄', U'¦', U'Ì', U'▀',
    /* E_ */ U'Ó', U'ß', U'Ô', U'Ò', U'õ', U'Õ', U'µ', U'þ', U'Þ', U'Ú', U'Û', U'Ù', U'ý', U'Ý', U'¯', U'´',
    /* F_ */ U'\u00AD', U'±', U'‗', U'¾', U'¶', U'§', U'÷', U'¸', U'°', U'¨', U'·', U'¹', U'³', U'²', U'■', U'\u00A0',
};

// Code page 852, codes 0x80 to 0xFF.
constexpr std::array<char32_t, 128> kCp852Upper = {
    /* 8_ */ U'Ç', U'ü', U'é', U'â', U'ä', U'ů', U'ć', U'ç', U'ł', U'ë', U'Ő', U'ő', U'î', U'Ź', U'Ä', U'Ć',
    /* 9_ */ U'É', U'Ĺ', U'ĺ', U'ô', U'ö', U'Ľ', U'ľ', U'Ś', U'ś', U'Ö', U'Ü', U'Ť', U'ť', U'Ł', U'×', U'č',
    /* A_ */ U'á', U'í', U'ó', U'ú', U'Ą', U'ą', U'Ž', U'ž', U'Ę', U'ę', U'¬', U'ź', U'Č', U'ş', U'«', U'»',
    /* B_ */ U'░', U'▒', U'▓', U'│', U'┤', U'Á', U'Â', U'Ě', U'Ş', U'╣', U'║', U'╗', U'╝', U'Ż', U'ż', U'┐',
    /* C_ */ U'└', U'┴', U'┬', U'├', U'─', U'┼', U'Ă', U'ă', U'╚', U'╔', U'╩', U'╦', U'╠', U'═', U'╬', U'¤',
    /* D_ */ U'đ', U'Đ', U'Ď', U'Ë', U'ď', U'Ň', U'Í', U'Î', U'ě', U'┘', U'┌', U'█', U'▄', U'Ţ', U'Ů', U'▀',
    /* E_ */ U'Ó', U'ß', U'Ô', U'Ń', U'ń', U'ň', U'Š', U'š', U'Ŕ', U'Ú', U'ŕ', U'Ű', U'ý', U'Ý', U'ţ', U'´',
    /* F_ */ U'\u00AD', U'˝', U'˛', U'ˇ', U'˘', U'§', U'÷', U'¸', U'°', U'¨', U'˙', U'ű', U'Ř', U'ř', U'■', U'\u00A0',
};

// Code page 860, codes 0x80 to 0xFF.
constexpr std::array<char32_t, 128> kCp860Upper = {
    /* 8_ */ U'Ç', U'ü', U'é', U'â', U'ã', U'à', U'Á', U'ç', U'ê', U'Ê', U'è', U'Í', U'Ô', U'ì', U'Ã', U'Â',
    /* 9_ */ U'É', U'À', U'È', U'ô', U'õ', U'ò', U'Ú', U'ù', U'Ì', U'Õ', U'Ü', U'¢', U'£', U'Ù', U'₧', U'Ó',
    /* A_ */ U'á', U'í', U'ó', U'ú', U'ñ', U'Ñ', U'ª', U'º', U'¿', U'Ò', U'¬', U'½', U'¼', U'¡', U'«', U'»',
    /* B_ */ U'░', U'▒', U'▓', U'│', U'┤', U'╡', U'╢', U'╖', U'╕', U'╣', U'║', U'╗', U'╝', U'╜', U'╛', U'┐',
    /* C_ */ U'└', U'┴', U'┬', U'├', U'─', U'┼', U'╞', U'╟', U'╚', U'╔', U'╩', U'╦', U'╠', U'═', U'╬', U'╧',
    /* D_ */ U'╨', U'╤', U'╥', U'╙', U'╘', U'╒', U'╓', U'╫', U'╪', U'┘', U'┌', U'█', U'▄', U'▌', U'▐', U'▀',
    /* E_ */ U'α', U'ß', U'Γ', U'π', U'Σ', U'σ', U'µ', U'τ', U'Φ', U'Θ', U'Ω', U'δ', U'∞', U'φ', U'ε', U'∩',
    /* F_ */ U'≡', U'±', U'≥', U'≤', U'⌠', U'⌡', U'÷', U'≈', U'°', U'∙', U'·', U'√', U'ⁿ', U'²', U'■', U'\u00A0',
};

// Code page 863, codes 0x80 to 0xFF.
constexpr std::array<char32_t, 128> kCp863Upper = {
    /* 8_ */ U'Ç', U'ü', U'é', U'â', U'Â', U'à', U'¶', U'ç', U'ê', U'ë', U'è', U'ï', U'î', U'‗', U'À', U'§',
    /* 9_ */ U'É', U'È', U'Ê', U'ô', U'Ë', U'Ï', U'û', U'ù', U'¤', U'Ô', U'Ü', U'¢', U'£', U'Ù', U'Û', U'ƒ',
    /* A_ */ U'¦', U'´', U'ó', U'ú', U'¨', U'¸', U'³', U'¯', U'Î', U'⌐', U'¬', U'½', U'¼', U'¾', U'«', U'»',
    /* B_ */ U'░', U'▒', U'▓', U'│', U'┤', U'╡', U'╢', U'╖', U'╕', U'╣', U'║', U'╗', U'╝', U'╜', U'╛', U'┐',
    /* C_ */ U'└', U'┴', U'┬', U'├', U'─', U'┼', U'╞', U'╟', U'╚', U'╔', U'╩', U'╦', U'╠', U'═', U'╬', U'╧',
    /* D_ */ U'╨', U'╤', U'╥', U'╙', U'╘', U'╒', U'╓', U'╫', U'╪', U'┘', U'┌', U'█', U'▄', U'▌', U'▐', U'▀',
    /* E_ */ U'α', U'ß', U'Γ', U'π', U'Σ', U'σ', U'µ', U'τ', U'Φ', U'Θ', U'Ω', U'δ', U'∞', U'φ', U'ε', U'∩',
    /* F_ */ U'≡', U'±', U'≥', U'≤', U'⌠', U'⌡', U'÷', U'≈', U'°', U'∙', U'·', U'√', U'ⁿ', U'²', U'■', U'\u00A0',
};

// Code page 865, codes 0x80 to 0xFF.
constexpr std::array<char32_t, 128> kCp865Upper = {
    /* 8_ */ U'Ç', U'ü', U'é', U'â', U'ä', U'à', U'å', U'ç', U'ê', U'ë', U'è', U'ï', U'î', U'ì', U'Ä', U'Å',
    /* 9_ */ U'É', U'æ', U'Æ', U'ô', U'ö', U'ò', U'û', U'ù', U'ÿ', U'Ö', U'Ü', U'ø', U'£', U'Ø', U'₧', U'ƒ',
    /* A_ */ U'á', U'í', U'ó', U'ú', U'ñ', U'Ñ', U'ª', U'º', U'¿', U'⌐', U'¬', U'½', U'¼', U'¡', U'«', U'¤',
    /* B_ */ U'░', U'▒', U'▓', U'│', U'┤', U'╡', U'╢', U'╖', U'╕', U'╣', U'║', U'╗', U'╝', U'╜', U'╛', U'┐',
    /* C_ */ U'└', U'┴', U'┬', U'├', U'─', U'┼', U'╞', U'╟', U'╚', U'╔', U'╩', U'╦', U'╠', U'═', U'╬', U'╧',
    /* D_ */ U'╨', U'╤', U'╥', U'╙', U'╘', U'╒', U'╓', U'╫', U'╪', U'┘', U'┌', U'█', U'▄', U'▌', U'▐', U'▀',
    /* E_ */ U'α', U'ß', U'Γ', U'π', U'Σ', U'σ', U'µ', U'τ', U'Φ', U'Θ', U'Ω', U'δ', U'∞', U'φ', U'ε', U'∩',
    /* F_ */ U'≡', U'±', U'≥', U'≤', U'⌠', U'⌡', U'÷', U'≈', U'°', U'∙', U'·', U'√', U'ⁿ', U'²', U'■', U'\u00A0',
};
// clang-format on

const std::array<char32_t, 128>& upperHalf(CharacterMap map) {
    switch (map) {
        case CharacterMap::Cp850:
            return kCp850Upper;
        case CharacterMap::Cp852:
            return kCp852Upper;
        case CharacterMap::Cp860:
            return kCp860Upper;
        case CharacterMap::Cp863:
            return kCp863Upper;
        case CharacterMap::Cp865:
            return kCp865Upper;
        default:
            return kCp437Upper;
    }
}

// Replacements of the 7-bit national sets, one row per set: the character set, then the codes
// 35 (#), 64 (@), 91 ([), 92 (\), 93 (]), 94 (^), 96 (`), 123 ({), 124 (|), 125 (}), 126 (~);
// 0 keeps the US-ASCII character.
struct NationalVariant {
    int charSet;
    std::array<char32_t, 11> replacements;
};
constexpr std::array<std::uint8_t, 11> kNationalCodes = {35, 64,  91,  92,  93, 94,
                                                         96, 123, 124, 125, 126};
// clang-format off
constexpr std::array<NationalVariant, 9> kNationalVariants = {{
    //         #     @     [     \     ]     ^     `     {     |     }     ~
    {6,  {0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0   }},  // USA
    {7,  {U'£', 0,    0,    0,    0,    0,    0,    0,    0,    0,    0   }},  // UK
    {8,  {0,    U'§', U'Ä', U'Ö', U'Ü', 0,    0,    U'ä', U'ö', U'ü', U'ß'}},  // Germany
    {9,  {U'£', U'à', U'°', U'ç', U'§', 0,    0,    U'é', U'ù', U'è', U'¨'}},  // France
    {10, {0,    0,    U'Æ', U'Ø', U'Å', U'Ü', 0,    U'æ', U'ø', U'å', U'ü'}},  // Denmark, Norway
    {11, {U'£', U'§', U'°', U'ç', U'é', 0,    U'ù', U'à', U'ò', U'è', U'ì'}},  // Italy
    {12, {U'₧', U'¡', U'Ñ', U'ñ', U'¿', U'ü', U'á', U'é', U'í', U'ó', U'ú'}},  // Spain
    {13, {0,    U'É', U'Ä', U'Ö', U'Å', U'Ü', U'é', U'ä', U'ö', U'å', U'ü'}},  // Sweden
    {14, {U'£', U'§', U'à', U'ç', U'è', 0,    0,    U'ä', U'ö', U'ü', U'é'}},
}};
// clang-format on

}  // namespace

std::optional<CharacterMap> characterMapByName(const std::string& name) {
    static const struct {
        const char* name;
        CharacterMap map;
    } kNames[] = {{"cp437", CharacterMap::Cp437},   {"437", CharacterMap::Cp437},
                  {"cp850", CharacterMap::Cp850},   {"850", CharacterMap::Cp850},
                  {"cp852", CharacterMap::Cp852},   {"852", CharacterMap::Cp852},
                  {"cp860", CharacterMap::Cp860},   {"860", CharacterMap::Cp860},
                  {"cp863", CharacterMap::Cp863},   {"863", CharacterMap::Cp863},
                  {"cp865", CharacterMap::Cp865},   {"865", CharacterMap::Cp865},
                  {"latin1", CharacterMap::Latin1}, {"iso8859-1", CharacterMap::Latin1},
                  {"ascii", CharacterMap::Ascii}};
    for (const auto& entry : kNames) {
        if (name == entry.name) return entry.map;
    }
    return std::nullopt;
}

std::string characterMapName(CharacterMap map) {
    switch (map) {
        case CharacterMap::Cp437:
            return "cp437";
        case CharacterMap::Cp850:
            return "cp850";
        case CharacterMap::Cp852:
            return "cp852";
        case CharacterMap::Cp860:
            return "cp860";
        case CharacterMap::Cp863:
            return "cp863";
        case CharacterMap::Cp865:
            return "cp865";
        case CharacterMap::Latin1:
            return "latin1";
        case CharacterMap::Ascii:
            return "ascii";
    }
    return "?";
}

char32_t characterOf(CharacterMap map, std::uint8_t code) {
    if (map == CharacterMap::Ascii) return code >= 0x20 && code < 0x7F ? code : kNoCharacter;
    if (map == CharacterMap::Latin1) {
        return (code >= 0x20 && code < 0x7F) || code >= 0xA0 ? code : kNoCharacter;
    }
    if (code < 0x20) return kGraphicLow[code];
    if (code == 0x7F) return kHouse;
    if (code < 0x80) return code;
    return upperHalf(map)[code - 0x80];
}

std::optional<std::uint8_t> byteIn(const std::vector<char32_t>& characters, char32_t character) {
    if (character == kNoCharacter) return std::nullopt;
    for (std::size_t step = 0; step < characters.size() && step < 256; ++step) {
        const std::size_t code = (step + 0x20) % 256;
        if (code < characters.size() && characters[code] == character) {
            return static_cast<std::uint8_t>(code);
        }
    }
    return std::nullopt;
}

std::optional<std::uint8_t> byteOf(CharacterMap map, char32_t character) {
    std::vector<char32_t> characters;
    for (int code = 0; code <= 255; ++code) {
        characters.push_back(characterOf(map, static_cast<std::uint8_t>(code)));
    }
    return byteIn(characters, character);
}

char32_t nationalCharacter(int charSet, std::uint8_t code) {
    if (charSet < 6 || charSet > 14 || code > 126) return kNoCharacter;
    if (code < 0x20) return kGraphicLow[code];
    const NationalVariant& variant = kNationalVariants[static_cast<std::size_t>(charSet - 6)];
    for (std::size_t i = 0; i < kNationalCodes.size(); ++i) {
        if (kNationalCodes[i] == code && variant.replacements[i] != 0) {
            return variant.replacements[i];
        }
    }
    return code;
}

CharacterMap familyOneCodePage(int charSet) {
    static constexpr CharacterMap kPages[] = {CharacterMap::Cp437, CharacterMap::Cp850,
                                              CharacterMap::Cp852, CharacterMap::Cp860,
                                              CharacterMap::Cp863, CharacterMap::Cp865};
    return charSet >= 0 && charSet < 6 ? kPages[charSet] : CharacterMap::Cp437;
}

char32_t familyOneCharacter(int charSet, std::uint8_t code) {
    return charSet < 6 ? characterOf(familyOneCodePage(charSet), code)
                       : nationalCharacter(charSet, code);
}

std::vector<char32_t> familyOneGlyphCharacters(const GlyphNumberLookup& lookup, int glyphCount) {
    std::vector<char32_t> characters(static_cast<std::size_t>(glyphCount > 0 ? glyphCount : 0),
                                     kNoCharacter);
    for (int charSet = 0; charSet <= 14; ++charSet) {
        for (int code = 0; code <= 255; ++code) {
            const auto byte = static_cast<std::uint8_t>(code);
            const char32_t character = familyOneCharacter(charSet, byte);
            if (character == kNoCharacter) continue;
            for (int resolution : {203, 300}) {
                for (int font : {0, 4}) {
                    const int glyph = lookup(resolution, font, charSet, code);
                    if (glyph < 0 || glyph >= glyphCount) continue;
                    char32_t& slot = characters[static_cast<std::size_t>(glyph)];
                    if (slot == kNoCharacter) slot = character;
                }
            }
        }
    }
    return characters;
}

std::string unicodeName(char32_t character) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(character));
    return text;
}

}  // namespace txr::encoding

// The tool's side of --encoding utf-8 and `txr charsets`; the mapping itself is the library's.
#include "text_encoding.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "CLI/CLI.hpp"
#include "fontkit/manifest.h"

namespace txr::tool {

namespace {

namespace enc = txr::encoding;

constexpr int kFirstNationalSet = 6;
constexpr int kLastCharSet = 14;

// How many codes of a set have a glyph in fonts 0 to 3 and in font 4 at 203 dpi.
std::pair<int, int> glyphCounts(int charSet) {
    int fixed = 0, font4 = 0;
    for (int code = 0; code <= 255; ++code) {
        fixed += enc::familyOneGlyph(203, 0, charSet, code).has_value() ? 1 : 0;
        font4 += enc::familyOneGlyph(203, 4, charSet, code).has_value() ? 1 : 0;
    }
    return {fixed, font4};
}

}  // namespace

std::vector<EncodedCharacter> encodeCharacters(const std::string& text,
                                               const CharacterBytes& bytes) {
    const enc::Utf8Text decoded = enc::decodeUtf8(text);
    if (decoded.malformedAt) {
        throw CLI::ValidationError(
            "--encoding", "the text is not UTF-8 at byte " + std::to_string(*decoded.malformedAt));
    }
    return enc::encodeCharacters(decoded, bytes);
}

ManifestCodePages manifestCodePages(const std::string& fontPrefix) {
    ManifestCodePages codePages;
    std::error_code ignored;
    const std::string path = fontPrefix + "manifest.txt";
    if (!std::filesystem::is_regular_file(path, ignored)) return codePages;
    for (const fontkit::FileSpec& file : fontkit::readManifestFile(path).files) {
        for (const fontkit::BlockSpec& block : file.blocks) {
            codePages[{file.name, block.number}] = block.codePage();
        }
    }
    return codePages;
}

CharacterBytes fontCharacterBytes(const ManifestCodePages& codePages, int family,
                                  const std::string& fileName, int block, int resolution,
                                  int charSet) {
    if (family == 1) return CharacterBytes::forFamilyOne(resolution, block, charSet);
    const auto described = codePages.find({fileName, block});
    return CharacterBytes::forCodePage(described != codePages.end() ? described->second
                                                                    : enc::kDefaultCharacterMap);
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
            kind = "8-bit, code page " + enc::characterMapName(enc::familyOneCodePage(charSet));
            characters = "ASCII and the code page's upper half where the glyph set has it";
        } else {
            kind = "7-bit national";
            for (int code = 0x21; code <= 0x7E; ++code) {
                const char32_t c =
                    enc::familyOneCharacter(charSet, static_cast<std::uint8_t>(code));
                if (c == static_cast<char32_t>(code)) continue;
                char at[8];
                std::snprintf(at, sizeof at, "%02X=", static_cast<unsigned>(code));
                characters += (characters.empty() ? "" : " ") + std::string(at);
                enc::appendUtf8(characters, c);
                if (!enc::familyOneGlyph(203, 0, charSet, code)) characters += "*";
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

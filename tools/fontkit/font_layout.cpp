// The font kit's shared layout rules and whole-file reads and writes.
#include "fontkit/font_layout.h"

#include <cstdio>

#include "txr/encoding.h"

namespace txr::fontkit {

namespace {

// What `call` returns; an error it throws comes out with the font file's name in front.
template <typename Call>
auto namingFile(FontFileKind kind, Call call) {
    try {
        return call();
    } catch (const std::exception& error) {
        throw FontKitError(fontFileName(kind) + ": " + error.what());
    }
}

}  // namespace

bool isFamilyOne(FontFileKind kind) {
    return kind == FontFileKind::B || kind == FontFileKind::B300;
}

bool isProportionalBlockA(int block) {
    return block >= 9 && block <= 16;
}

int baselineFromTopA(int block, int stored, int cellHeight) {
    return block > 16 ? stored : cellHeight - stored;
}
int storedBaselineA(int block, int fromTop, int cellHeight) {
    return block > 16 ? fromTop : cellHeight - fromTop;
}

std::string blockName(FontFileKind kind, int block) {
    return fontFileName(kind) + " block " + std::to_string(block);
}

std::string hexCode(int code) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(code) & 0xFFFF);
    return text;
}

ShapeB shapeB(int resolution, int font) {
    const FontFileBResult blank = buildFontFileB(resolution, {});
    ShapeB shape;
    while (blank.ok() && readGlyphB(blank.bytes, resolution, font, shape.places)) ++shape.places;
    if (const auto glyph = readGlyphB(blank.bytes, resolution, font, 0)) {
        shape.cellWidth = glyph->cellWidth;
        shape.cellHeight = glyph->cellHeight;
        shape.rowWidth = glyph->rowBytes * 8;
    }
    return shape;
}

int resolutionOfB(FontFileKind kind) {
    return kind == FontFileKind::B ? 203 : 300;
}

std::vector<char32_t> familyOneCharacters() {
    return encoding::familyOneGlyphCharacters(
        [](int resolution, int font, int charSet, int code) {
            return glyphNumberB(resolution, font, charSet, code).value_or(-1);
        },
        256);
}

std::vector<FontBlockA> readA(const std::vector<std::uint8_t>& bytes, FontFileKind kind) {
    return namingFile(kind, [&] { return readFontFileA(bytes); });
}

std::vector<FontBlockZ> readZ(const std::vector<std::uint8_t>& bytes) {
    std::string error;
    auto blocks = readFontFileZ(bytes, &error);
    if (!blocks) throw FontKitError("Z.bin: " + error);
    return *blocks;
}

std::vector<std::uint8_t> writeA(FontFileKind kind, const std::vector<FontBlockA>& blocks) {
    return namingFile(kind, [&] { return writeFontFileA(blocks); });
}

std::vector<std::uint8_t> writeZ(const std::vector<FontBlockZ>& blocks) {
    return namingFile(FontFileKind::Z, [&] { return writeFontFileZ(blocks); });
}

std::vector<std::uint8_t> writeB(FontFileKind kind, const std::vector<FontFileBGlyph>& glyphs) {
    FontFileBResult result = buildFontFileB(resolutionOfB(kind), glyphs);
    if (!result.ok()) throw FontKitError(fontFileName(kind) + ": " + result.error);
    return std::move(result.bytes);
}

int fileResolution(FontFileKind kind) {
    return kind == FontFileKind::A300 || kind == FontFileKind::B300 ? 300 : 203;
}

}  // namespace txr::fontkit

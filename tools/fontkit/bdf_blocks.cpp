// BDF fonts to the blocks of files A, B and Z and back: dumpFontFile and buildFromBdf, so that
// building from a dump gives the same bytes.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <optional>
#include <sstream>

#include "fontkit/font_layout.h"
#include "txr/encoding.h"

namespace txr::fontkit {

namespace {

int glyphPlacesB(int resolution, int font) {
    return shapeB(resolution, font).places;
}

struct BdfHead {
    int block = 0;
    int cellWidth = 0;
    int cellHeight = 0;
    int baselineFromTop = 0;
    std::map<int, int> storedWidths;  // code -> width where it differs from the box
};

std::map<int, int> parseWidths(const BdfFont& font) {
    std::map<int, int> widths;
    const BdfProperty* property = font.property("TXR_GLYPH_WIDTHS");
    if (!property) return widths;
    std::istringstream entries(property->value);
    for (std::string entry; entries >> entry;) {
        int code = -1, width = -1;
        char colon = 0;
        std::istringstream pair(entry);
        if (!(pair >> code >> colon >> width) || colon != ':' || code < 0 || code > 255 ||
            width < 0 || width > 255 || pair.peek() != EOF) {
            throw FontKitError("TXR_GLYPH_WIDTHS entry \"" + entry + "\" is not CODE:WIDTH");
        }
        widths[code] = width;
    }
    return widths;
}

BdfHead readHead(FontFileKind kind, const BdfFont& font, int defaultBlock) {
    if (const BdfProperty* file = font.property("TXR_FILE")) {
        if (file->value != fontFileName(kind)) {
            throw FontKitError("a BDF of " + file->value + " cannot go into " + fontFileName(kind));
        }
    }
    BdfHead head;
    head.block = static_cast<int>(
        font.intProperty("TXR_BLOCK", 0, maxBlockNumber(kind)).value_or(defaultBlock));
    int maxAdvance = 1;
    for (const auto& glyph : font.glyphs) maxAdvance = std::max(maxAdvance, glyph.advance);
    const long ascent = font.intProperty("FONT_ASCENT", -65535, 65535).value_or(0);
    const long descent = font.intProperty("FONT_DESCENT", -65535, 65535).value_or(0);
    const long pixelSize =
        font.intProperty("PIXEL_SIZE", 0, 65535).value_or(std::max(0L, ascent + descent));
    head.cellWidth =
        static_cast<int>(font.intProperty("TXR_CELL_WIDTH", 0, 65535).value_or(maxAdvance));
    head.cellHeight =
        static_cast<int>(font.intProperty("TXR_CELL_HEIGHT", 0, 65535).value_or(pixelSize));
    head.baselineFromTop = static_cast<int>(std::clamp(ascent, 0L, 65535L));
    head.storedWidths = parseWidths(font);
    return head;
}

void checkCode(const std::string& where, const BdfGlyph& glyph) {
    if (glyph.code < 0 || glyph.code > 255) {
        throw FontKitError(where + ": glyph \"" + glyph.name + "\" has encoding " +
                           std::to_string(glyph.code) + "; codes are 0 to 255");
    }
}

// A glyph of file A or Z as the BDF draws it, with the stored width TXR_GLYPH_WIDTHS gives it.
template <typename Glyph>
Glyph glyphFromBdf(const BdfHead& head, const BdfGlyph& glyph) {
    Glyph out;
    out.code = glyph.code;
    out.picture = glyph.picture();
    out.leftOffset = glyph.leftOffset;
    out.ascent = glyph.ascent;
    out.advance = glyph.advance;
    const auto stored = head.storedWidths.find(glyph.code);
    out.width = stored != head.storedWidths.end() ? stored->second : glyph.width;
    return out;
}

FontBlockA blockAFromBdf(FontFileKind kind, const BdfFont& font, int defaultBlock,
                         int* blockNumber) {
    const BdfHead head = readHead(kind, font, defaultBlock);
    const std::string where = blockName(kind, head.block);
    FontBlockA block;
    block.cellWidth = head.cellWidth;
    block.cellHeight = head.cellHeight;
    int low = 255, high = 0;
    for (const auto& glyph : font.glyphs) {
        checkCode(where, glyph);
        low = std::min(low, glyph.code);
        high = std::max(high, glyph.code);
    }
    if (font.glyphs.empty()) low = high = 32;
    block.firstCode = static_cast<int>(font.intProperty("TXR_FIRST_CODE", 0, 255).value_or(low));
    block.lastCode = static_cast<int>(font.intProperty("TXR_LAST_CODE", 0, 255).value_or(high));
    block.baseLine = static_cast<int>(
        font.intProperty("TXR_BASELINE", 0, 65535)
            .value_or(storedBaselineA(head.block, head.baselineFromTop, head.cellHeight)));
    for (const auto& glyph : font.glyphs) block.glyphs.push_back(glyphFromBdf<GlyphA>(head, glyph));
    if (blockNumber) *blockNumber = head.block;
    return block;
}

FontBlockZ blockZFromBdf(const BdfFont& font, int defaultBlock, int* blockNumber) {
    const BdfHead head = readHead(FontFileKind::Z, font, defaultBlock);
    const std::string where = blockName(FontFileKind::Z, head.block);
    FontBlockZ block;
    block.cellWidth = head.cellWidth;
    block.cellHeight = head.cellHeight;
    block.baseLine =
        static_cast<int>(font.intProperty("TXR_BASELINE", 0, 65535).value_or(head.baselineFromTop));
    for (const auto& glyph : font.glyphs) {
        checkCode(where, glyph);
        block.glyphs.push_back(glyphFromBdf<GlyphZ>(head, glyph));
    }
    if (blockNumber) *blockNumber = head.block;
    return block;
}

BdfGlyph bdfGlyph(const std::string& name, int code, const GlyphPicture& picture, int storedWidth,
                  int leftOffset, int ascent, int advance, std::string& widthExceptions) {
    BdfGlyph glyph;
    glyph.name = name;
    glyph.code = code;
    glyph.leftOffset = leftOffset;
    glyph.ascent = ascent;
    glyph.advance = advance;
    GlyphPicture boxed = picture;
    if (storedWidth < 0) storedWidth = picture.width();  // readers may leave "the picture's"
    const int boxWidth = std::max(storedWidth, picture.width());
    for (auto& row : boxed.rows) row.resize(static_cast<std::size_t>(boxWidth), '.');
    glyph.setPicture(boxed);
    glyph.width = boxWidth;
    glyph.bits = packGlyphRows(boxed, glyph.rowBytes());
    if (storedWidth != boxWidth) {
        widthExceptions += (widthExceptions.empty() ? "" : " ") + std::to_string(code) + ":" +
                           std::to_string(storedWidth);
    }
    return glyph;
}

BdfFont bdfHead(FontFileKind kind, int block, int cellWidth, int cellHeight, int ascent,
                bool proportional) {
    const int resolution = fileResolution(kind);
    BdfFont font;
    const int pointSize = std::max(1, (cellHeight * 72 + resolution / 2) / resolution);
    const std::string letter = isFamilyOne(kind) ? "B" : kind == FontFileKind::Z ? "Z" : "A";
    font.name = "-txr-" + fontFileName(kind) + " block " + std::to_string(block) +
                "-medium-r-normal--" + std::to_string(cellHeight) + "-" +
                std::to_string(pointSize * 10) + "-" + std::to_string(resolution) + "-" +
                std::to_string(resolution) + (proportional ? "-p-" : "-c-") +
                std::to_string(cellWidth * 10) + "-txr-" + letter;
    font.pointSize = pointSize;
    font.xResolution = resolution;
    font.yResolution = resolution;
    font.setProperty("PIXEL_SIZE", std::max(cellHeight, 1));
    font.setProperty("POINT_SIZE", pointSize * 10);
    font.setProperty("RESOLUTION_X", resolution);
    font.setProperty("RESOLUTION_Y", resolution);
    font.setProperty("SPACING", proportional ? "P" : "C");
    font.setProperty("FONT_ASCENT", std::clamp(ascent, 0, std::max(cellHeight, 0)));
    font.setProperty("FONT_DESCENT", std::max(cellHeight - std::clamp(ascent, 0, cellHeight), 0));
    font.setProperty("FAMILY_NAME", fontFileName(kind) + " block " + std::to_string(block));
    font.setProperty("WEIGHT_NAME", "Medium");
    font.setProperty("CHARSET_REGISTRY", "TXR");
    font.setProperty("CHARSET_ENCODING", letter);
    font.setProperty("TXR_FILE", fontFileName(kind));
    font.setProperty("TXR_BLOCK", block);
    font.setProperty("TXR_CELL_WIDTH", cellWidth);
    font.setProperty("TXR_CELL_HEIGHT", cellHeight);
    return font;
}

std::string codeName(int code) {
    char text[8];
    std::snprintf(text, sizeof text, "C%02X", static_cast<unsigned>(code) & 0xFFFF);
    return text;
}

// A file A or Z block's glyphs added to its BDF, and TXR_GLYPH_WIDTHS for those whose stored
// width differs from their picture's.
template <typename Glyph>
void addBdfGlyphs(BdfFont& bdf, const std::vector<Glyph>& glyphs) {
    std::string exceptions;
    for (const Glyph& glyph : glyphs) {
        bdf.glyphs.push_back(bdfGlyph(codeName(glyph.code), glyph.code, glyph.picture, glyph.width,
                                      glyph.leftOffset, glyph.ascent, glyph.advance, exceptions));
    }
    if (!exceptions.empty()) bdf.setProperty("TXR_GLYPH_WIDTHS", exceptions);
}

// Family 0's fonts 17 to 24 are the printer's bold faces.
bool isBoldRole(FontFileKind kind, int block) {
    return kind == FontFileKind::A && block >= 17;
}

std::string upperCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The XLFD name's fields 3 (weight), 13 and 14 (registry and encoding) set to the properties.
void nameFromProperties(BdfFont& font) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream parts(font.name);
    while (std::getline(parts, field, '-')) fields.push_back(field);
    if (fields.size() != 15) return;
    fields[3] = font.property("WEIGHT_NAME")->value;
    fields[13] = font.property("CHARSET_REGISTRY")->value;
    fields[14] = font.property("CHARSET_ENCODING")->value;
    for (const std::size_t i : {3, 13, 14}) {
        std::transform(fields[i].begin(), fields[i].end(), fields[i].begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    }
    font.name.clear();
    for (std::size_t i = 0; i < fields.size(); ++i) font.name += (i ? "-" : "") + fields[i];
}

// A dumped block of file A or Z given its weight, family and Unicode encodings (see dumpFontFile).
void describeForReaders(FontFileKind kind, int block, CharacterMap map, BdfFont& font) {
    if (isBoldRole(kind, block)) font.setProperty("WEIGHT_NAME", "Bold");
    std::vector<char32_t> characters;
    bool unique = true;
    for (const BdfGlyph& glyph : font.glyphs) {
        const char32_t character = glyph.code >= 0 && glyph.code <= 255
                                       ? characterOf(map, static_cast<std::uint8_t>(glyph.code))
                                       : kNoCharacter;
        // Read back, each character gives the byte byteOf finds for it.
        unique = unique && character != kNoCharacter && byteOf(map, character) == glyph.code;
        characters.push_back(character);
    }
    font.setProperty("TXR_CODE_PAGE", characterMapName(map));
    if (unique) {
        for (std::size_t i = 0; i < font.glyphs.size(); ++i) {
            font.glyphs[i].code = static_cast<int>(characters[i]);
        }
        font.setProperty("CHARSET_REGISTRY", "ISO10646");
        font.setProperty("CHARSET_ENCODING", "1");
    } else {
        font.setProperty("CHARSET_REGISTRY", "IBM-" + upperCase(characterMapName(map)));
        font.setProperty("CHARSET_ENCODING", "0");
    }
    nameFromProperties(font);
}

// A BDF whose glyphs are encoded in Unicode through TXR_CODE_PAGE, turned back to bytes.
BdfFont withByteCodes(const BdfFont& font) {
    const BdfProperty* codePage = font.property("TXR_CODE_PAGE");
    const BdfProperty* registry = font.property("CHARSET_REGISTRY");
    if (!codePage || !registry || upperCase(registry->value) != "ISO10646") return font;
    const std::optional<CharacterMap> map = characterMapByName(codePage->value);
    if (!map) throw FontKitError("TXR_CODE_PAGE " + codePage->value + " is not a code page");
    BdfFont bytes = font;
    for (BdfGlyph& glyph : bytes.glyphs) {
        const std::optional<std::uint8_t> code =
            glyph.code > 0 ? byteOf(*map, static_cast<char32_t>(glyph.code)) : std::nullopt;
        if (!code) {
            throw FontKitError("glyph \"" + glyph.name + "\": " +
                               unicodeName(static_cast<char32_t>(std::max(glyph.code, 0))) +
                               " has no byte in " + codePage->value);
        }
        glyph.code = *code;
    }
    return bytes;
}

// The blocks of file A or Z from one BDF each (the i-th block i unless it says otherwise), in
// order of their numbers.
template <typename Block>
std::vector<Block> blocksFromBdfs(FontFileKind kind, const std::vector<BdfFont>& fonts) {
    std::map<int, Block> blocks;
    for (std::size_t i = 0; i < fonts.size(); ++i) {
        int number = 0;
        Block block = blockFromBdf<Block>(kind, fonts[i], static_cast<int>(i), &number);
        if (!blocks.emplace(number, std::move(block)).second) {
            throw FontKitError(fontFileName(kind) + ": block " + std::to_string(number) +
                               " given twice");
        }
    }
    return inOrder(kind, blocks);
}

}  // namespace

// A glyph of file B drawn in its stored row: the BDF box placed with the font's ascent at the
// cell's top (our dumps give every glyph the whole cell).
std::vector<FontFileBGlyph> glyphsBFromBdf(FontFileKind kind, const BdfFont& font,
                                           int defaultBlock) {
    const BdfHead head = readHead(kind, font, defaultBlock);
    const std::string where = blockName(kind, head.block);
    std::vector<FontFileBGlyph> glyphs;
    for (const auto& glyph : font.glyphs) {
        FontFileBGlyph out;
        out.fontType = head.block;
        out.glyphNumber = glyph.code;
        const int top = head.baselineFromTop - glyph.ascent;
        if (glyph.leftOffset < 0 || top < 0) {
            throw FontKitError(where + ": glyph " + std::to_string(glyph.code) +
                               " starts left of or above its cell");
        }
        const GlyphPicture picture = glyph.picture();
        out.picture.rows.assign(
            static_cast<std::size_t>(top + glyph.rows),
            std::string(static_cast<std::size_t>(glyph.leftOffset + glyph.width), '.'));
        for (int y = 0; y < glyph.rows; ++y) {
            for (int x = 0; x < glyph.width; ++x) {
                if (picture.ink(x, y)) {
                    out.picture.rows[static_cast<std::size_t>(top + y)]
                                    [static_cast<std::size_t>(glyph.leftOffset + x)] = '#';
                }
            }
        }
        glyphs.push_back(std::move(out));
    }
    return glyphs;
}

FontBlockA fontBlockAFromBdf(FontFileKind kind, const BdfFont& font, int defaultBlock,
                             int* blockNumber) {
    return blockAFromBdf(kind, withByteCodes(font), defaultBlock, blockNumber);
}

FontBlockZ fontBlockZFromBdf(const BdfFont& font, int defaultBlock, int* blockNumber) {
    return blockZFromBdf(withByteCodes(font), defaultBlock, blockNumber);
}

std::vector<BdfFont> dumpFontFile(FontFileKind kind, const std::vector<std::uint8_t>& bytes,
                                  const Manifest* manifest) {
    auto codePage = [&](int number) {
        return manifest ? manifest->codePage(kind, number) : kDefaultCharacterMap;
    };
    std::vector<BdfFont> fonts;
    if (isFamilyOne(kind)) {
        const int resolution = resolutionOfB(kind);
        const std::vector<char32_t> characters = familyOneCharacters();
        for (int font = 0; font <= 4; ++font) {
            const int places = glyphPlacesB(resolution, font);
            const auto first = readGlyphB(bytes, resolution, font, 0);
            if (!first) throw FontKitError(fontFileName(kind) + ": shorter than its catalogue");
            const auto last = readGlyphB(bytes, resolution, font, places - 1);
            if (!last) throw FontKitError(fontFileName(kind) + ": shorter than its catalogue");
            // File B glyphs fill their cell; the ascent given to BDF editors is four fifths of it.
            const int ascent = first->cellHeight - first->cellHeight / 5;
            BdfFont bdf = bdfHead(kind, font, first->cellWidth, first->cellHeight, ascent, false);
            bdf.setProperty("TXR_GLYPH_PLACES", places);
            std::string exceptions;
            for (int number = 0; number < places; ++number) {
                const auto glyph = readGlyphB(bytes, resolution, font, number);
                if (!glyph) continue;
                bool any = false, beyondCell = false;
                const int rowWidth = glyph->rowBytes * 8;
                for (int y = 0; y < glyph->cellHeight; ++y) {
                    for (int x = 0; x < rowWidth; ++x) {
                        if (glyph->ink(x, y)) {
                            any = true;
                            beyondCell = beyondCell || x >= glyph->cellWidth;
                        }
                    }
                }
                if (!any) continue;
                const int width = beyondCell ? rowWidth : std::min(glyph->cellWidth, rowWidth);
                GlyphPicture picture;
                for (int y = 0; y < glyph->cellHeight; ++y) {
                    std::string row;
                    for (int x = 0; x < width; ++x) row += glyph->ink(x, y) ? '#' : '.';
                    picture.rows.push_back(row);
                }
                const char32_t character = characters[static_cast<std::size_t>(number)];
                const std::string name = character != kNoCharacter
                                             ? "uni" + unicodeName(character).substr(2)
                                             : "glyph" + std::to_string(number);
                bdf.glyphs.push_back(bdfGlyph(name, number, picture, width, 0, ascent,
                                              glyph->cellWidth, exceptions));
            }
            fonts.push_back(std::move(bdf));
        }
        return fonts;
    }
    if (kind == FontFileKind::Z) {
        const std::vector<FontBlockZ> blocks = readZ(bytes);
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            const FontBlockZ& block = blocks[i];
            BdfFont bdf = bdfHead(kind, static_cast<int>(i), block.cellWidth, block.cellHeight,
                                  block.baseLine, true);
            bdf.setProperty("TXR_BASELINE", block.baseLine);
            addBdfGlyphs(bdf, block.glyphs);
            describeForReaders(kind, static_cast<int>(i), codePage(static_cast<int>(i)), bdf);
            fonts.push_back(std::move(bdf));
        }
        return fonts;
    }
    const std::vector<FontBlockA> blocks = readA(bytes, kind);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const FontBlockA& block = blocks[i];
        const int number = static_cast<int>(i);
        BdfFont bdf = bdfHead(kind, number, block.cellWidth, block.cellHeight,
                              baselineFromTopA(number, block.baseLine, block.cellHeight),
                              isProportionalBlockA(number));
        bdf.setProperty("TXR_FIRST_CODE", block.firstCode);
        bdf.setProperty("TXR_LAST_CODE", block.lastCode);
        bdf.setProperty("TXR_BASELINE", block.baseLine);
        addBdfGlyphs(bdf, block.glyphs);
        describeForReaders(kind, number, codePage(number), bdf);
        fonts.push_back(std::move(bdf));
    }
    return fonts;
}

std::vector<std::uint8_t> buildFromBdf(FontFileKind kind, const std::vector<BdfFont>& fonts) {
    if (isFamilyOne(kind)) {
        std::vector<FontFileBGlyph> glyphs;
        for (std::size_t i = 0; i < fonts.size(); ++i) {
            for (auto& glyph : glyphsBFromBdf(kind, fonts[i], static_cast<int>(i))) {
                glyphs.push_back(std::move(glyph));
            }
        }
        return writeB(kind, glyphs);
    }
    if (kind == FontFileKind::Z) return writeZ(blocksFromBdfs<FontBlockZ>(kind, fonts));
    return writeA(kind, blocksFromBdfs<FontBlockA>(kind, fonts));
}

}  // namespace txr::fontkit

// Font files from manifests and BDF files, BDF dumps of font files, and their descriptions.
#include "fontkit/font_builder.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <type_traits>

#include "fontkit/file_io.h"
#include "fontkit/font_file_a.h"
#include "fontkit/font_file_b.h"
#include "fontkit/font_file_z.h"
#include "fontkit/fontkit_error.h"

namespace txr::fontkit {

namespace {

bool isFamilyOne(FontFileKind kind) {
    return kind == FontFileKind::B || kind == FontFileKind::B300;
}

// Blocks 9 to 16 hold the advance-based fonts of family 0 (the facade lays them out by advance).
bool isProportionalBlockA(int block) {
    return block >= 9 && block <= 16;
}

// File A counts the baseline from the cell's bottom in blocks 0 to 16 and from its top above.
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

// The shape of a catalogue font of file B: its glyph places and the glyph's cell and stored
// row, probed through the reader on a blank file.
struct ShapeB {
    int places = 0;
    int cellWidth = 0;
    int cellHeight = 0;
    int rowWidth = 0;
};

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

int glyphPlacesB(int resolution, int font) {
    return shapeB(resolution, font).places;
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

// --- manifest blocks to layout blocks ---

void checkGlyphSize(const std::string& where, int code, int width, int rowBytes, int rows,
                    int maxWidth, int maxBytes) {
    if (width > maxWidth || rows * rowBytes > maxBytes) {
        throw FontKitError(where + ": glyph " + hexCode(code) + " is " + std::to_string(width) +
                           " x " + std::to_string(rows) + " dots; the engine reads at most " +
                           std::to_string(maxWidth) + " dots wide and " + std::to_string(maxBytes) +
                           " bytes");
    }
}

FontBlockA blockAFromPlaced(const std::string& where, int number, const BlockSpec& blockSpec,
                            const PlacedBlock& placed) {
    FontBlockA block;
    block.firstCode = blockSpec.firstCode;
    block.lastCode = blockSpec.lastCode;
    block.cellWidth = placed.cellWidth;
    block.cellHeight = placed.cellHeight;
    block.baseLine = storedBaselineA(number, placed.baseline, placed.cellHeight);
    for (const PlacedGlyph& glyph : placed.glyphs) {
        const int width = glyph.picture.width();
        checkGlyphSize(where, glyph.code, width, rowBytesForWidthA(width), glyph.picture.height(),
                       kMaxGlyphWidthA, kMaxGlyphBytesA);
        GlyphA out;
        out.code = glyph.code;
        out.picture = glyph.picture;
        out.leftOffset = glyph.leftOffset;
        out.ascent = glyph.ascent;
        out.advance = glyph.advance;
        block.glyphs.push_back(out);
    }
    return block;
}

FontBlockZ blockZFromPlaced(const std::string& where, const PlacedBlock& placed) {
    FontBlockZ block;
    block.cellWidth = placed.cellWidth;
    block.cellHeight = placed.cellHeight;
    block.baseLine = placed.baseline;
    for (const PlacedGlyph& glyph : placed.glyphs) {
        GlyphZ out;
        out.code = glyph.code;
        out.picture = glyph.picture;
        out.advance = glyph.advance;
        // File Z stores offsets unsigned: ink left of the pen moves right onto it, and a glyph
        // whose top lies below the baseline gets blank rows above it.
        out.leftOffset = std::max(glyph.leftOffset, 0);
        out.ascent = glyph.ascent;
        if (out.ascent < 0 && out.picture.height() > 0) {
            out.picture.rows.insert(out.picture.rows.begin(), static_cast<std::size_t>(-out.ascent),
                                    std::string());
            out.ascent = 0;
        }
        const int width = out.picture.width();
        checkGlyphSize(where, glyph.code, width, rowBytesZ(width), out.picture.height(),
                       kMaxGlyphWidthZ, kMaxGlyphBytesZ);
        block.glyphs.push_back(out);
    }
    return block;
}

// --- BDF <-> layout blocks ---

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

// What `call` returns; an error it throws comes out with the font file's name in front.
template <typename Call>
auto namingFile(FontFileKind kind, Call call) {
    try {
        return call();
    } catch (const std::exception& error) {
        throw FontKitError(fontFileName(kind) + ": " + error.what());
    }
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

// Blocks numbered 0 to n-1, each once: the engines find block i by walking blocks 0 to i-1.
template <typename Block>
std::vector<Block> inOrder(FontFileKind kind, std::map<int, Block>& numbered) {
    std::vector<Block> blocks;
    for (auto& [number, block] : numbered) {
        if (number != static_cast<int>(blocks.size())) {
            throw FontKitError(fontFileName(kind) + ": block " + std::to_string(blocks.size()) +
                               " is missing");
        }
        blocks.push_back(std::move(block));
    }
    return blocks;
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

void noteMissing(BuildReport& report, const std::string& where, const PlacedBlock& placed,
                 const char* what) {
    if (placed.missing.empty()) return;
    std::string note = where + ": no glyph in the sources for " +
                       std::to_string(placed.missing.size()) + " " + what + ":";
    for (const auto& entry : placed.missing) note += " " + entry;
    report.notes.push_back(note);
}

// The columns [left, right) and rows [top, bottom) of a picture that hold ink.
struct InkBox {
    int left = 0, top = 0, right = 0, bottom = 0;
};

std::optional<InkBox> inkBox(const GlyphPicture& picture) {
    std::optional<InkBox> box;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (!picture.ink(x, y)) continue;
            if (!box) box = InkBox{x, y, x + 1, y + 1};
            box->left = std::min(box->left, x);
            box->right = std::max(box->right, x + 1);
            box->top = std::min(box->top, y);
            box->bottom = std::max(box->bottom, y + 1);
        }
    }
    return box;
}

GlyphPicture cropped(const GlyphPicture& picture, int left, int top, int width, int height) {
    GlyphPicture out;
    for (int y = top; y < top + height; ++y) {
        std::string row;
        for (int x = left; x < left + width; ++x) row += picture.ink(x, y) ? '#' : '.';
        out.rows.push_back(row);
    }
    return out;
}

// The printer shows a glyph drawn alone within its cell's rows and, left to right, from the pen
// to its advance (a fixed cell: the cell's width); ink outside is cut. Each glyph whose ink
// leaves that room is moved inside it, its advance widened to hold its ink, and what is still
// too large cropped; every change is noted.
void fitInk(const std::string& where, bool proportional, PlacedBlock& placed, BuildReport& report) {
    for (PlacedGlyph& glyph : placed.glyphs) {
        const std::optional<InkBox> box = inkBox(glyph.picture);
        if (!box) continue;
        const int room = proportional ? glyph.advance : placed.cellWidth;
        const int left = glyph.leftOffset + box->left;
        const int right = glyph.leftOffset + box->right;
        const int top = placed.baseline - glyph.ascent + box->top;
        const int bottom = placed.baseline - glyph.ascent + box->bottom;
        if (left >= 0 && right <= room && top >= 0 && bottom <= placed.cellHeight) continue;

        const PlacedGlyph before = glyph;
        int width = box->right - box->left;
        int height = box->bottom - box->top;
        int newLeft = left;
        if (proportional) {
            if (newLeft < 0) {
                glyph.advance -= newLeft;
                newLeft = 0;
            }
            glyph.advance = std::max(glyph.advance, newLeft + width);
        } else {
            width = std::min(width, placed.cellWidth);
            newLeft = std::clamp(newLeft, 0, placed.cellWidth - width);
        }
        height = std::min(height, placed.cellHeight);
        const int newTop = std::clamp(top, 0, placed.cellHeight - height);
        glyph.picture = cropped(before.picture, box->left, box->top, width, height);
        glyph.leftOffset = newLeft;
        glyph.ascent = placed.baseline - newTop;
        std::string note = where + ": " + hexCode(glyph.code) + " fitted inside its " +
                           (proportional ? "advance" : "cell") + ": ink moved by " +
                           std::to_string(newLeft - left) + "," + std::to_string(newTop - top);
        if (glyph.advance != before.advance) {
            note += ", advance " + std::to_string(before.advance) + " -> " +
                    std::to_string(glyph.advance);
        }
        if (width < box->right - box->left || height < box->bottom - box->top) {
            note += ", cropped to " + std::to_string(width) + " x " + std::to_string(height);
        }
        report.notes.push_back(note);
    }
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

// A block of file A (FontBlockA) or of file Z (FontBlockZ) from a BDF or from placed glyphs.
template <typename Block>
Block blockFromBdf(FontFileKind kind, const BdfFont& font, int defaultBlock, int* blockNumber) {
    const BdfFont bytes = withByteCodes(font);
    if constexpr (std::is_same_v<Block, FontBlockA>) {
        return blockAFromBdf(kind, bytes, defaultBlock, blockNumber);
    } else {
        return blockZFromBdf(bytes, defaultBlock, blockNumber);
    }
}
template <typename Block>
Block blockFromPlaced(const std::string& where, const BlockSpec& blockSpec,
                      const PlacedBlock& placed) {
    if constexpr (std::is_same_v<Block, FontBlockA>) {
        return blockAFromPlaced(where, blockSpec.number, blockSpec, placed);
    } else {
        return blockZFromPlaced(where, placed);
    }
}

// The blocks of file A or Z a manifest asks for, each read from its BDF or placed from the
// sources, in order of their numbers.
template <typename Block>
std::vector<Block> blocksOfManifest(const Manifest& manifest, const FileSpec& file,
                                    FontCache& cache, BuildReport& report) {
    std::map<int, Block> blocks;
    for (const BlockSpec& blockSpec : file.blocks) {
        if (blockSpec.bdfPath) {
            const BdfFont font = readBdfFile(manifest.resolveFontPath(*blockSpec.bdfPath));
            blocks[blockSpec.number] =
                blockFromBdf<Block>(file.kind, font, blockSpec.number, nullptr);
            continue;
        }
        const std::string where = blockName(file.kind, blockSpec.number);
        PlacedBlock placed = placeBlock(manifest, blockSpec, blockCharacters(blockSpec), cache);
        noteMissing(report, where, placed, "codes");
        fitInk(where, blockSpec.proportional, placed, report);
        blocks[blockSpec.number] = blockFromPlaced<Block>(where, blockSpec, placed);
    }
    return inOrder(file.kind, blocks);
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

// What fontFileInfo tells of every block of file A or Z.
template <typename Block>
BlockInfo blockInfo(int number, const Block& block) {
    BlockInfo info;
    info.number = number;
    info.cellWidth = block.cellWidth;
    info.cellHeight = block.cellHeight;
    info.baseline = block.baseLine;
    info.glyphCount = static_cast<int>(block.glyphs.size());
    return info;
}

}  // namespace

int fileResolution(FontFileKind kind) {
    return kind == FontFileKind::A300 || kind == FontFileKind::B300 ? 300 : 203;
}

std::vector<std::uint8_t> buildFontFile(const Manifest& manifest, const FileSpec& file,
                                        FontCache& cache, BuildReport& report) {
    const FontFileKind kind = file.kind;
    if (isFamilyOne(kind)) {
        const std::vector<char32_t> allCharacters = familyOneCharacters();
        std::vector<FontFileBGlyph> glyphs;
        for (const BlockSpec& blockSpec : file.blocks) {
            const std::string where = blockName(kind, blockSpec.number);
            if (blockSpec.bdfPath) {
                const BdfFont font = readBdfFile(manifest.resolveFontPath(*blockSpec.bdfPath));
                for (auto& glyph : glyphsBFromBdf(kind, font, blockSpec.number)) {
                    glyph.fontType = blockSpec.number;
                    glyphs.push_back(std::move(glyph));
                }
                continue;
            }
            const ShapeB shape = shapeB(resolutionOfB(kind), blockSpec.number);
            if (blockSpec.cellWidth != shape.cellWidth ||
                blockSpec.cellHeight != shape.cellHeight) {
                throw FontKitError(where + ": the catalogue cell is " +
                                   std::to_string(shape.cellWidth) + " x " +
                                   std::to_string(shape.cellHeight));
            }
            // Only the dots of a stored row can be shown (font 4 at 203 dpi: 32 of a 36-dot cell).
            BlockSpec shown = blockSpec;
            shown.cellWidth = std::min(shape.cellWidth, shape.rowWidth);
            const int places = std::min(shape.places, 256);
            std::vector<char32_t> characters(allCharacters.begin(), allCharacters.begin() + places);
            for (const auto& change : blockSpec.overrides) {
                if (change.character && change.code < places) {
                    characters[static_cast<std::size_t>(change.code)] = *change.character;
                }
            }
            const PlacedBlock placed = placeBlock(manifest, shown, characters, cache);
            noteMissing(report, where, placed, "glyph numbers");
            for (const PlacedGlyph& glyph : placed.glyphs) {
                glyphs.push_back({blockSpec.number, glyph.code, cellPicture(placed, glyph)});
            }
        }
        return writeB(kind, glyphs);
    }
    if (kind == FontFileKind::Z) {
        return writeZ(blocksOfManifest<FontBlockZ>(manifest, file, cache, report));
    }
    return writeA(kind, blocksOfManifest<FontBlockA>(manifest, file, cache, report));
}

std::vector<std::string> buildManifest(const Manifest& manifest, const std::string& outputFolder,
                                       BuildReport& report) {
    FontCache cache;
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> outputs;
    for (const FileSpec& file : manifest.files) {
        outputs.emplace_back((std::filesystem::path(outputFolder) / file.name).string(),
                             buildFontFile(manifest, file, cache, report));
    }
    // Written only once every file has been built, and renamed into place only once every file
    // has been written, so an error (a full disk) leaves the old set whole.
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<std::string> written;
    for (const auto& [path, bytes] : outputs) {
        files.emplace_back(path, std::string(bytes.begin(), bytes.end()));
        written.push_back(path);
    }
    writeFilesAtomically(files);
    return written;
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

std::vector<BlockInfo> fontFileInfo(FontFileKind kind, const std::vector<std::uint8_t>& bytes) {
    std::vector<BlockInfo> info;
    if (isFamilyOne(kind)) {
        for (const BdfFont& font : dumpFontFile(kind, bytes)) {
            BlockInfo block;
            block.number = static_cast<int>(font.intProperty("TXR_BLOCK", 0, 4).value_or(0));
            block.cellWidth =
                static_cast<int>(font.intProperty("TXR_CELL_WIDTH", 0, 255).value_or(0));
            block.cellHeight =
                static_cast<int>(font.intProperty("TXR_CELL_HEIGHT", 0, 255).value_or(0));
            block.lastCode =
                static_cast<int>(font.intProperty("TXR_GLYPH_PLACES", 1, 65535).value_or(1)) - 1;
            block.glyphCount = static_cast<int>(font.glyphs.size());
            info.push_back(block);
        }
        return info;
    }
    if (kind == FontFileKind::Z) {
        const std::vector<FontBlockZ> blocks = readZ(bytes);
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            BlockInfo block = blockInfo(static_cast<int>(i), blocks[i]);
            block.lastCode = 255;
            block.proportional = true;
            info.push_back(block);
        }
        return info;
    }
    const std::vector<FontBlockA> blocks = readA(bytes, kind);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        BlockInfo block = blockInfo(static_cast<int>(i), blocks[i]);
        block.firstCode = blocks[i].firstCode;
        block.lastCode = blocks[i].lastCode;
        block.proportional = isProportionalBlockA(block.number);
        info.push_back(block);
    }
    return info;
}

std::string describeFontFile(FontFileKind kind, const std::vector<std::uint8_t>& bytes) {
    const std::vector<BlockInfo> blocks = fontFileInfo(kind, bytes);
    std::ostringstream out;
    out << fontFileName(kind) << ": " << bytes.size() << " bytes, " << blocks.size() << " blocks\n";
    for (const BlockInfo& block : blocks) {
        out << "block " << block.number << ": cell " << block.cellWidth << " x "
            << block.cellHeight;
        if (isFamilyOne(kind)) {
            out << ", glyph numbers 0-" << block.lastCode << ", " << block.glyphCount
                << " with ink\n";
            continue;
        }
        out << ", baseline " << block.baseline << ", "
            << (block.proportional ? "proportional" : "fixed") << ", codes " << block.firstCode
            << "-" << block.lastCode << ", " << block.glyphCount << " glyphs\n";
    }
    return out.str();
}

SpecimenBlock specimenOfBlock(FontFileKind kind, const std::vector<std::uint8_t>& bytes,
                              int block) {
    const std::vector<BdfFont> fonts = dumpFontFile(kind, bytes);
    if (block < 0 || block >= static_cast<int>(fonts.size())) {
        throw FontKitError(fontFileName(kind) + " has no block " + std::to_string(block) +
                           " (it has " + std::to_string(fonts.size()) + ")");
    }
    const BdfFont& font = fonts[static_cast<std::size_t>(block)];
    SpecimenBlock specimen;
    specimen.cellWidth = static_cast<int>(font.intProperty("TXR_CELL_WIDTH", 0, 65535).value_or(0));
    specimen.cellHeight =
        static_cast<int>(font.intProperty("TXR_CELL_HEIGHT", 0, 65535).value_or(0));
    specimen.baseline = static_cast<int>(font.intProperty("FONT_ASCENT", 0, 65535).value_or(0));
    for (const BdfGlyph& glyph : font.glyphs) {
        specimen.glyphs.push_back(
            {glyph.code, glyph.picture(), glyph.leftOffset, glyph.ascent, glyph.advance});
    }
    return specimen;
}

}  // namespace txr::fontkit

// Font files from a manifest: each block placed from its source fonts (or read from its BDF),
// every glyph's ink fitted inside what the printer draws of it, and the set written whole.
#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <type_traits>

#include "fontkit/file_io.h"
#include "fontkit/font_layout.h"

namespace txr::fontkit {

namespace {

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

}  // namespace

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

}  // namespace txr::fontkit

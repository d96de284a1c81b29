// Rendering manifest blocks through FreeType and placing the glyphs in their cells.
#include "fontkit/glyph_source.h"

#include <algorithm>

#include "fontkit/fontkit_error.h"

namespace txr::fontkit {

const FreeTypeFont& FontCache::font(const std::string& path, int pixelSize) {
    auto& slot = fonts_[{path, pixelSize}];
    if (!slot) slot = std::make_unique<FreeTypeFont>(path, pixelSize);
    return *slot;
}

GlyphPicture trimPicture(const GlyphPicture& picture, int& leftCut, int& topCut) {
    int left = picture.width(), right = -1, top = picture.height(), bottom = -1;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (!picture.ink(x, y)) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    GlyphPicture trimmed;
    if (right < 0) {
        leftCut = topCut = 0;
        return trimmed;
    }
    leftCut = left;
    topCut = top;
    for (int y = top; y <= bottom; ++y) {
        std::string row;
        for (int x = left; x <= right; ++x) row += picture.ink(x, y) ? '#' : '.';
        trimmed.rows.push_back(row);
    }
    return trimmed;
}

std::vector<char32_t> blockCharacters(const BlockSpec& block) {
    std::vector<char32_t> characters(256, kNoCharacter);
    const CharacterMap map = block.codePage();
    for (int code = block.firstCode; code <= block.lastCode; ++code) {
        characters[static_cast<std::size_t>(code)] =
            characterOf(map, static_cast<std::uint8_t>(code));
    }
    for (const auto& entry : block.overrides) {
        if (entry.character) characters[static_cast<std::size_t>(entry.code)] = *entry.character;
    }
    return characters;
}

namespace {

// Where the block's baseline and fixed-cell shift fall when the manifest does not say.
void defaultPlacement(const BlockSpec& block, const FreeTypeFont& font, int& baseline, int& shift) {
    const FaceMetrics metrics = font.metrics();
    const int faceHeight = metrics.ascender + metrics.descender;
    if (faceHeight <= block.cellHeight) {
        baseline = (block.cellHeight - faceHeight) / 2 + metrics.ascender;
    } else {
        baseline = faceHeight > 0 ? block.cellHeight * metrics.ascender / faceHeight : 0;
    }
    int advance = metrics.maxAdvance;
    if (const auto zero = font.render(U'0')) advance = zero->advance;
    shift = (block.cellWidth - advance) / 2;
}

}  // namespace

PlacedBlock placeBlock(const Manifest& manifest, const BlockSpec& block,
                       const std::vector<char32_t>& characters, FontCache& cache) {
    std::vector<const FreeTypeFont*> fonts;
    for (const auto& source : block.sources) {
        fonts.push_back(&cache.font(manifest.resolveFontPath(source.path), source.pixelSize));
    }
    if (fonts.empty()) throw FontKitError("block " + std::to_string(block.number) + " has no font");
    PlacedBlock placed;
    placed.cellWidth = block.cellWidth;
    placed.cellHeight = block.cellHeight;
    int shift = 0;
    defaultPlacement(block, *fonts[0], placed.baseline, shift);
    if (block.baseline) placed.baseline = *block.baseline;
    if (block.shift) shift = *block.shift;

    for (std::size_t code = 0; code < characters.size(); ++code) {
        const char32_t character = characters[code];
        const GlyphOverride* change = block.overrideFor(static_cast<int>(code));
        if (character == kNoCharacter || (change && change->omit)) continue;
        std::optional<RenderedGlyph> rendered;
        for (const FreeTypeFont* font : fonts) {
            if ((rendered = font->render(character))) break;
        }
        if (!rendered) {
            char name[8];
            std::snprintf(name, sizeof name, "0x%02X", static_cast<unsigned>(code));
            placed.missing.push_back(std::string(name) + " " + unicodeName(character));
            continue;
        }
        int leftCut = 0, topCut = 0;
        PlacedGlyph glyph;
        glyph.code = static_cast<int>(code);
        glyph.picture = trimPicture(rendered->picture, leftCut, topCut);
        glyph.leftOffset = rendered->leftOffset + leftCut + (change ? change->moveX : 0);
        glyph.ascent = rendered->ascent - topCut - (change ? change->moveY : 0);
        glyph.advance = rendered->advance;
        if (!block.proportional) {
            glyph.leftOffset += shift;
            glyph.advance = block.cellWidth;
            // Clip to the cell: x from 0 to cellWidth, rows from the cell's top to its bottom.
            const int top = placed.baseline - glyph.ascent;
            GlyphPicture clipped;
            for (int y = 0; y < glyph.picture.height(); ++y) {
                if (top + y < 0 || top + y >= block.cellHeight) continue;
                std::string row;
                for (int x = 0; x < glyph.picture.width(); ++x) {
                    const int cellX = glyph.leftOffset + x;
                    if (cellX < 0 || cellX >= block.cellWidth) continue;
                    row += glyph.picture.ink(x, y) ? '#' : '.';
                }
                clipped.rows.push_back(row);
            }
            const int clippedLeft = std::max(glyph.leftOffset, 0);
            const int clippedTop = std::max(top, 0);
            glyph.picture = trimPicture(clipped, leftCut, topCut);
            glyph.leftOffset = clippedLeft + leftCut;
            glyph.ascent = placed.baseline - clippedTop - topCut;
        }
        if (change && change->advance) glyph.advance = *change->advance;
        if (glyph.picture.height() == 0) glyph.leftOffset = glyph.ascent = 0;
        placed.glyphs.push_back(std::move(glyph));
    }
    return placed;
}

GlyphPicture cellPicture(const PlacedBlock& block, const PlacedGlyph& glyph) {
    GlyphPicture cell;
    cell.rows.assign(static_cast<std::size_t>(std::max(block.cellHeight, 0)),
                     std::string(static_cast<std::size_t>(std::max(block.cellWidth, 0)), '.'));
    const int top = block.baseline - glyph.ascent;
    for (int y = 0; y < glyph.picture.height(); ++y) {
        for (int x = 0; x < glyph.picture.width(); ++x) {
            const int cellX = glyph.leftOffset + x;
            const int cellY = top + y;
            if (glyph.picture.ink(x, y) && cellX >= 0 && cellX < block.cellWidth && cellY >= 0 &&
                cellY < block.cellHeight) {
                cell.rows[static_cast<std::size_t>(cellY)][static_cast<std::size_t>(cellX)] = '#';
            }
        }
    }
    return cell;
}

}  // namespace txr::fontkit

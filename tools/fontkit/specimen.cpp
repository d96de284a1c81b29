// Specimen sheet layout and drawing, with a 3 x 5 label font so no font file is needed.
#include "fontkit/specimen.h"

#include <algorithm>
#include <array>
#include <string>

#include "fontkit/fontkit_error.h"

namespace txr::fontkit {

namespace {

struct LabelGlyph {
    char character;
    std::array<const char*, 5> rows;
};

// clang-format off
constexpr std::array<LabelGlyph, 20> kLabelFont = {{
    {'0', {"###", "#.#", "#.#", "#.#", "###"}},
    {'1', {".#.", "##.", ".#.", ".#.", "###"}},
    {'2', {"###", "..#", "###", "#..", "###"}},
    {'3', {"###", "..#", ".##", "..#", "###"}},
    {'4', {"#.#", "#.#", "###", "..#", "..#"}},
    {'5', {"###", "#..", "###", "..#", "###"}},
    {'6', {"###", "#..", "###", "#.#", "###"}},
    {'7', {"###", "..#", ".#.", ".#.", ".#."}},
    {'8', {"###", "#.#", "###", "#.#", "###"}},
    {'9', {"###", "#.#", "###", "..#", "###"}},
    {'A', {".#.", "#.#", "###", "#.#", "#.#"}},
    {'B', {"##.", "#.#", "##.", "#.#", "##."}},
    {'C', {".##", "#..", "#..", "#..", ".##"}},
    {'D', {"##.", "#.#", "#.#", "#.#", "##."}},
    {'E', {"###", "#..", "##.", "#..", "###"}},
    {'F', {"###", "#..", "##.", "#..", "#.."}},
    {'x', {"...", "#.#", ".#.", "#.#", "..."}},
    {'+', {"...", ".#.", "###", ".#.", "..."}},
    {'-', {"...", "...", "###", "...", "..."}},
    {'=', {"...", "###", "...", "###", "..."}},
}};
// clang-format on

constexpr int kLabelAdvance = 4;  // 3 dots and a gap
constexpr int kLabelHeight = 5;
constexpr int kPadding = 4;
constexpr int kTargetBoxHeight = 64;  // magnify small fonts to about this many pixels

const LabelGlyph* labelGlyph(char c) {
    for (const auto& glyph : kLabelFont) {
        if (glyph.character == c) return &glyph;
    }
    return nullptr;
}

std::string hexCode(int code) {
    const char* digits = "0123456789ABCDEF";
    return std::string("x") + digits[(code >> 4) & 15] + digits[code & 15];
}

}  // namespace

int labelWidth(const std::string& text, int scale) {
    return text.empty() ? 0 : (static_cast<int>(text.size()) * kLabelAdvance - 1) * scale;
}

int drawLabel(RgbImage& image, int x, int y, const std::string& text, std::uint32_t colour,
              int scale) {
    for (char c : text) {
        if (const LabelGlyph* glyph = labelGlyph(c)) {
            for (int row = 0; row < kLabelHeight; ++row) {
                for (int column = 0; column < 3; ++column) {
                    if (glyph->rows[static_cast<std::size_t>(row)][column] == '#') {
                        image.fillRect(x + column * scale, y + row * scale, scale, scale, colour);
                    }
                }
            }
        }
        x += kLabelAdvance * scale;
    }
    return x;
}

SpecimenLayout specimenLayout(const SpecimenBlock& block) {
    SpecimenLayout layout;
    int left = 0, top = 0, right = std::max(block.cellWidth, 1),
        bottom = std::max(block.cellHeight, 1);
    for (const auto& glyph : block.glyphs) {
        const int glyphTop = block.baseline - glyph.ascent;
        left = std::min(left, glyph.leftOffset);
        right = std::max({right, glyph.leftOffset + glyph.picture.width(), glyph.advance});
        top = std::min(top, glyphTop);
        bottom = std::max(bottom, glyphTop + glyph.picture.height());
    }
    layout.boxLeft = left;
    layout.boxTop = top;
    layout.boxWidth = right - left;
    layout.boxHeight = bottom - top;
    layout.scale = std::max(1, kTargetBoxHeight / layout.boxHeight);
    // Labels: "x41 65" over "+7"; the longest is 6 characters.
    const int labelsWide = labelWidth("x00 000", kSpecimenLabelScale);
    layout.tileWidth = std::max(layout.boxWidth * layout.scale, labelsWide) + 2 * kPadding + 1;
    layout.tileHeight = layout.boxHeight * layout.scale + 3 * kPadding +
                        2 * (kLabelHeight + 1) * kSpecimenLabelScale + 1;
    layout.columns = kSpecimenColumns;
    layout.rows = std::max(
        1, (static_cast<int>(block.glyphs.size()) + kSpecimenColumns - 1) / kSpecimenColumns);
    layout.imageWidth = layout.columns * layout.tileWidth + 1;
    layout.imageHeight = layout.rows * layout.tileHeight + 1;
    return layout;
}

RgbImage renderSpecimen(const SpecimenBlock& block) {
    const SpecimenLayout layout = specimenLayout(block);
    // Cells of a damaged file can be 65535 dots a side: such a sheet would need gigabytes. Both
    // bounds are checked before anything is allocated or drawn.
    if (layout.imageWidth > kPngMaxSide || layout.imageHeight > kPngMaxSide) {
        throw FontKitError("a specimen sheet of " + std::to_string(layout.imageWidth) + " x " +
                           std::to_string(layout.imageHeight) + " pixels is larger than " +
                           std::to_string(kPngMaxSide) + " a side");
    }
    if (std::int64_t{layout.imageWidth} * layout.imageHeight > kSpecimenMaxPixels) {
        throw FontKitError("a specimen sheet of " + std::to_string(layout.imageWidth) + " x " +
                           std::to_string(layout.imageHeight) + " pixels is larger than " +
                           std::to_string(kSpecimenMaxPixels) + " pixels");
    }
    RgbImage image(layout.imageWidth, layout.imageHeight, kSpecimenPaper);
    for (int column = 0; column <= layout.columns; ++column) {
        image.fillRect(column * layout.tileWidth, 0, 1, layout.imageHeight, kSpecimenGrid);
    }
    for (int row = 0; row <= layout.rows; ++row) {
        image.fillRect(0, row * layout.tileHeight, layout.imageWidth, 1, kSpecimenGrid);
    }
    const int s = layout.scale;
    for (std::size_t i = 0; i < block.glyphs.size(); ++i) {
        const SpecimenGlyph& glyph = block.glyphs[i];
        const int tileX = static_cast<int>(i % kSpecimenColumns) * layout.tileWidth + 1;
        const int tileY = static_cast<int>(i / kSpecimenColumns) * layout.tileHeight + 1;
        const int boxX = tileX + kPadding;
        const int boxY = tileY + kPadding;
        // Pen position and cell top inside the magnified box.
        const int penX = boxX - layout.boxLeft * s;
        const int cellY = boxY - layout.boxTop * s;
        image.fillRect(penX, cellY, block.cellWidth * s, block.cellHeight * s, kSpecimenCell);
        image.fillRect(boxX, cellY + block.baseline * s, layout.boxWidth * s, 1, kSpecimenBaseline);
        image.fillRect(penX + glyph.advance * s, boxY, 1, layout.boxHeight * s, kSpecimenAdvance);
        const int glyphX = penX + glyph.leftOffset * s;
        const int glyphY = cellY + (block.baseline - glyph.ascent) * s;
        for (int y = 0; y < glyph.picture.height(); ++y) {
            for (int x = 0; x < glyph.picture.width(); ++x) {
                if (glyph.picture.ink(x, y)) {
                    image.fillRect(glyphX + x * s, glyphY + y * s, s, s, kSpecimenInk);
                }
            }
        }
        const int labelY = boxY + layout.boxHeight * s + kPadding;
        drawLabel(image, boxX, labelY, hexCode(glyph.code) + " " + std::to_string(glyph.code),
                  kSpecimenLabel, kSpecimenLabelScale);
        drawLabel(image, boxX, labelY + (kLabelHeight + 1) * kSpecimenLabelScale + kPadding / 2,
                  "+" + std::to_string(glyph.advance), kSpecimenLabel, kSpecimenLabelScale);
    }
    return image;
}

}  // namespace txr::fontkit

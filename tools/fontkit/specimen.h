// Specimen sheets: every glyph of a font block magnified in a grid, labelled with its code (hex
// and decimal) and advance, drawn as an RGB image with a built-in label font.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fontkit/byte_writer.h"
#include "fontkit/png_writer.h"

namespace txr::fontkit {

struct SpecimenGlyph {
    int code = 0;
    GlyphPicture picture;
    int leftOffset = 0;  // dots right of the pen
    int ascent = 0;      // rows above the baseline
    int advance = 0;
};

struct SpecimenBlock {
    int cellWidth = 0;
    int cellHeight = 0;
    int baseline = 0;  // rows from the top of the cell down to the baseline
    std::vector<SpecimenGlyph> glyphs;
};

// Where things go on the sheet: kSpecimenColumns tiles a row; each tile is a box that holds the
// cell and every glyph's ink and advance (boxLeft/boxTop are its corner relative to the pen and
// the cell's top), magnified `scale` times, above two label lines.
constexpr int kSpecimenColumns = 16;
struct SpecimenLayout {
    int scale = 1;
    int boxLeft = 0;
    int boxTop = 0;
    int boxWidth = 0;
    int boxHeight = 0;
    int tileWidth = 0;
    int tileHeight = 0;
    int columns = 0;
    int rows = 0;
    int imageWidth = 0;
    int imageHeight = 0;
};

// Colours of the sheet.
constexpr std::uint32_t kSpecimenPaper = 0xFFFFFF;
constexpr std::uint32_t kSpecimenInk = 0x000000;
constexpr std::uint32_t kSpecimenCell = 0xE8E8E8;
constexpr std::uint32_t kSpecimenGrid = 0x808080;
constexpr std::uint32_t kSpecimenBaseline = 0xE05050;
constexpr std::uint32_t kSpecimenAdvance = 0x4080E0;
constexpr std::uint32_t kSpecimenLabel = 0x203060;

// The label font: digits, A-F and a few signs, 3 x 5 dots, drawn kSpecimenLabelScale times.
constexpr int kSpecimenLabelScale = 2;

// The largest sheet drawn, in pixels (192 MiB of RGB): the largest sheet of the bundled fonts
// takes 2 M pixels, so thirty times that room is left; more means cells a damaged file made up.
constexpr std::int64_t kSpecimenMaxPixels = std::int64_t{1} << 26;

SpecimenLayout specimenLayout(const SpecimenBlock& block);
// Throws FontKitError for a sheet wider or taller than kPngMaxSide pixels or larger than
// kSpecimenMaxPixels (huge cells), before anything is allocated.
RgbImage renderSpecimen(const SpecimenBlock& block);

// Draws `text` with the label font at (x, y), the top-left corner; characters it lacks are
// left blank. Returns the x after the text.
int drawLabel(RgbImage& image, int x, int y, const std::string& text, std::uint32_t colour,
              int scale);
int labelWidth(const std::string& text, int scale);

}  // namespace txr::fontkit

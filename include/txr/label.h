// txr::Label: a whole label of text fields and boxes, rendered into one one-bit image with the
// printer's fonts, each field exactly as CTXR::GetBmpFile draws it on its own.
//
// Decisions a host can rely on:
// - Coordinates are dots from the label's top-left corner, x to the right, y down. A field's
//   (x, y) is where the top-left corner of its turned image goes, as GetBmpFile's file shows it.
// - Boxes are drawn first, in the order added, then the fields in the order added, so text
//   always lies over bars and frames.
// - A field is laid as ink only by default: its black dots are added and its white dots leave
//   what is under them, because a thermal printer only ever adds heat and a field never erases
//   a frame it overlaps. Placement::whole also lays its white dots, the usual choice for a
//   reverse-video field over a box or another field.
// - Whatever falls outside the label is clipped; coordinates far outside (INT_MIN, INT_MAX) clip
//   and never wrap.
// - A field whose selection SetFont refuses is left out; a field whose text has bytes without a
//   glyph is drawn as the printer draws it. Both are reported with the field's index, and the
//   rest of the label is rendered.
// - A label larger than txr::kMaxStringDots dots (2^28, 32 MiB of rows), or not at 203 or 300 dpi,
//   is refused when made: std::length_error or std::invalid_argument. So are a field or box that
//   is out of range (see add).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "txr/TXR.h"
#include "txr/export.h"
#include "txr/string_image.h"

namespace txr {

enum class Placement {
    ink,    // only the field's black dots are added
    whole,  // every dot of the field's rectangle is laid, white ones too
};

struct LabelField {
    int x = 0;
    int y = 0;
    int family = 0;  // 0, 1 or 2
    int font = 0;    // font number within the family
    int scaleH = 1;
    int scaleV = 1;
    int rotation = 0;  // quarter turns clockwise, 0 to 3
    bool invert = false;
    int charSet = 0;   // family 1's character set, 0 to 14
    std::string text;  // bytes: each byte is one character
    Placement placement = Placement::ink;
};

struct LabelBox {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    // 0 for a solid box; otherwise an outline this many dots thick, inside the box's rectangle.
    int thickness = 0;
};

struct LabelProblem {
    enum class Kind {
        refusedSelection,  // SetFont refused the field's selection (refusal holds its code 1 to 5)
        missingGlyphs,     // bytes at `positions` have no glyph; the field is drawn all the same
        nothingDrawn,      // a non-empty text that made no drawing (larger than the limit)
    };
    std::size_t field = 0;  // index among the label's fields
    Kind kind = Kind::refusedSelection;
    int refusal = 0;
    std::vector<std::size_t> positions;

    // What is wrong in English: "font selection refused (SetFont code 1)".
    std::string reason() const;
    // The same naming the field: "field 2: font selection refused (SetFont code 1)".
    std::string message() const;
};

struct RenderedLabel {
    StringImage image;
    std::vector<LabelProblem> problems;
};

class TXR_API Label {
  public:
    // Throws std::invalid_argument for a width or height below 1 or a dpi other than 203 or 300,
    // and std::length_error above kMaxStringDots dots.
    Label(int width, int height, int dpi = 203);

    // Throw std::invalid_argument for a charSet outside 0 to 14, a text longer than INT_MAX
    // bytes, a box of negative size or thickness. add returns the field's index.
    std::size_t add(LabelField field);
    void add(const LabelBox& box);

    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }
    int dpi() const noexcept { return dpi_; }
    const std::vector<LabelField>& fields() const noexcept { return fields_; }
    const std::vector<LabelBox>& boxes() const noexcept { return boxes_; }

    // Renders with `txr`, whose font path (SetPath) is used as the host set it. Each field goes
    // through SetFont, SetInvert and the character set, so `txr` is left with the last field's
    // selection. A CTXR renders one label at a time; give each thread its own.
    RenderedLabel render(CTXR& txr) const;
    // The same with a CTXR of its own over `fontDirectory`, a plain prefix as SetPath takes it.
    RenderedLabel render(const std::string& fontDirectory) const;
    // The problems render would report, without drawing.
    std::vector<LabelProblem> check(CTXR& txr) const;

  private:
    int width_;
    int height_;
    int dpi_;
    std::vector<LabelField> fields_;
    std::vector<LabelBox> boxes_;
};

// The one-bit BMP file of an image, as GetBmpFile writes one (black and white colour table).
TXR_API std::vector<std::uint8_t> bmpFileOf(const StringImage& image);
// Writes that file at `path`; throws CFileException* when it cannot be written (nothing
// half-written is left). An empty image writes nothing.
TXR_API void writeBmpFile(const char* path, const StringImage& image);

}  // namespace txr

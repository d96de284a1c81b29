// txr::Label: boxes and text fields laid on one one-bit image, each field drawn by the facade
// exactly as GetBmpFile draws it.
#include "txr/label.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <stdexcept>

#include "facade/bmp_writer.h"
#include "facade/string_render.h"

namespace txr {

namespace {

constexpr int kCharSetCount = 15;

// A span of dots [begin, end) of the label, in 64 bits so that a far-off position cannot wrap.
struct Span {
    std::int64_t begin;
    std::int64_t end;
};

Span clip(std::int64_t start, std::int64_t length, int limit) {
    return Span{std::max<std::int64_t>(start, 0),
                std::min<std::int64_t>(start + length, std::int64_t{limit})};
}

std::uint8_t bitsFrom(std::int64_t first, std::int64_t begin, std::int64_t end) {
    // The bits of the byte whose first dot is `first` that lie in [begin, end).
    const std::int64_t low = std::max(begin, first) - first;
    const std::int64_t high = std::min(end, first + 8) - first;
    if (high <= low) return 0;
    return static_cast<std::uint8_t>((0xFFu >> low) & (0xFF00u >> high));
}

// Eight dots of `row` (rowBytes bytes) starting at dot `bit`, which may lie before the row's
// start (dots there are 0); the caller never asks past the row's last byte.
std::uint8_t eightDots(const std::uint8_t* row, std::size_t rowBytes, std::int64_t bit) {
    if (bit < 0) return static_cast<std::uint8_t>(row[0] >> (-bit));
    const auto index = static_cast<std::size_t>(bit / 8);
    const int shift = static_cast<int>(bit % 8);
    const unsigned next = index + 1 < rowBytes ? row[index + 1] : 0u;
    return static_cast<std::uint8_t>(((unsigned{row[index]} << 8 | next) >> (8 - shift)) & 0xFFu);
}

void fillRect(StringImage& label, std::int64_t x, std::int64_t y, std::int64_t width,
              std::int64_t height) {
    const Span columns = clip(x, width, label.width);
    const Span rows = clip(y, height, label.height);
    if (columns.begin >= columns.end) return;
    const std::size_t stride = label.stride();
    for (std::int64_t row = rows.begin; row < rows.end; ++row) {
        std::uint8_t* target = label.rows.data() + static_cast<std::size_t>(row) * stride;
        for (std::int64_t byte = columns.begin / 8; byte <= (columns.end - 1) / 8; ++byte) {
            target[byte] |= bitsFrom(byte * 8, columns.begin, columns.end);
        }
    }
}

void drawBox(StringImage& label, const LabelBox& box) {
    const std::int64_t t = box.thickness;
    if (t == 0 || 2 * t >= box.width || 2 * t >= box.height) {
        fillRect(label, box.x, box.y, box.width, box.height);
        return;
    }
    fillRect(label, box.x, box.y, box.width, t);
    fillRect(label, box.x, std::int64_t{box.y} + box.height - t, box.width, t);
    fillRect(label, box.x, std::int64_t{box.y} + t, t, box.height - 2 * t);
    fillRect(label, std::int64_t{box.x} + box.width - t, std::int64_t{box.y} + t, t,
             box.height - 2 * t);
}

// Lays `image` with its top-left corner at (x, y), byte by byte of the label.
void place(StringImage& label, const StringImage& image, int x, int y, Placement placement) {
    const Span columns = clip(x, image.width, label.width);
    const Span rows = clip(y, image.height, label.height);
    if (columns.begin >= columns.end) return;
    const std::size_t stride = label.stride();
    const std::size_t imageStride = image.stride();
    for (std::int64_t row = rows.begin; row < rows.end; ++row) {
        std::uint8_t* target = label.rows.data() + static_cast<std::size_t>(row) * stride;
        const std::uint8_t* source =
            image.rows.data() + static_cast<std::size_t>(row - y) * imageStride;
        for (std::int64_t byte = columns.begin / 8; byte <= (columns.end - 1) / 8; ++byte) {
            const std::uint8_t mask = bitsFrom(byte * 8, columns.begin, columns.end);
            const std::uint8_t dots =
                static_cast<std::uint8_t>(eightDots(source, imageStride, byte * 8 - x) & mask);
            if (placement == Placement::whole) {
                target[byte] = static_cast<std::uint8_t>((target[byte] & ~mask) | dots);
            } else {
                target[byte] |= dots;
            }
        }
    }
}

CString bytesOf(const std::string& text) {
    return text.empty() ? CString() : CString(text.data(), static_cast<int>(text.size()));
}

// Goes through the fields as render does, drawing onto `label` when it is given.
std::vector<LabelProblem> renderFields(const std::vector<LabelField>& fields, int dpi, CTXR& txr,
                                       StringImage* label) {
    std::vector<LabelProblem> problems;
    for (std::size_t index = 0; index < fields.size(); ++index) {
        const LabelField& field = fields[index];
        const int refusal =
            txr.SetFont(field.family, field.font, field.scaleH, field.scaleV, field.rotation, dpi);
        if (refusal != 0) {
            problems.push_back(
                LabelProblem{index, LabelProblem::Kind::refusedSelection, refusal, {}});
            continue;
        }
        txr.SetInvert(field.invert ? 1 : 0);
        txr.engineB->charSet = field.charSet;
        std::vector<std::size_t> missing = missingGlyphs(txr, field.text.data(), field.text.size());
        if (!missing.empty()) {
            problems.push_back(
                LabelProblem{index, LabelProblem::Kind::missingGlyphs, 0, std::move(missing)});
        }
        if (field.text.empty()) continue;
        bool drawn = false;
        if (label != nullptr) {
            const StringImage image = txr.GetStringImage(bytesOf(field.text));
            drawn = !image.empty();
            if (drawn) place(*label, image, field.x, field.y, field.placement);
        } else {
            const CSize size = txr.GetStringSize(bytesOf(field.text));
            drawn = size.cx > 0 && size.cy > 0 && std::int64_t{size.cx} * size.cy <= kMaxStringDots;
        }
        if (!drawn)
            problems.push_back(LabelProblem{index, LabelProblem::Kind::nothingDrawn, 0, {}});
    }
    return problems;
}

}  // namespace

std::string LabelProblem::message() const {
    return "field " + std::to_string(field) + ": " + reason();
}

std::string LabelProblem::reason() const {
    std::string text;
    switch (kind) {
        case Kind::refusedSelection:
            return text + "font selection refused (SetFont code " + std::to_string(refusal) + ")";
        case Kind::missingGlyphs: {
            text += std::to_string(positions.size()) + " byte(s) without a glyph, at";
            for (std::size_t i = 0; i < positions.size() && i < 8; ++i) {
                text += " " + std::to_string(positions[i]);
            }
            return text + (positions.size() > 8 ? " ..." : "");
        }
        case Kind::nothingDrawn:
            return text + "nothing drawn: the drawing is larger than the limit of 2^28 dots";
    }
    return text;
}

Label::Label(int width, int height, int dpi) : width_(width), height_(height), dpi_(dpi) {
    if (width < 1 || height < 1) {
        throw std::invalid_argument("label of " + std::to_string(width) + " x " +
                                    std::to_string(height) + " dots: both must be at least 1");
    }
    if (std::int64_t{width} * height > kMaxStringDots) {
        throw std::length_error("label of " + std::to_string(width) + " x " +
                                std::to_string(height) +
                                " dots is larger than the limit of 2^28 dots");
    }
    if (dpi != 203 && dpi != 300) {
        throw std::invalid_argument("label at " + std::to_string(dpi) + " dpi: 203 or 300");
    }
}

std::size_t Label::add(LabelField field) {
    if (field.charSet < 0 || field.charSet >= kCharSetCount) {
        throw std::invalid_argument("character set " + std::to_string(field.charSet) + ": 0 to 14");
    }
    if (field.text.size() > static_cast<std::size_t>(INT_MAX)) {
        throw std::invalid_argument("field text longer than INT_MAX bytes");
    }
    fields_.push_back(std::move(field));
    return fields_.size() - 1;
}

void Label::add(const LabelBox& box) {
    if (box.width < 0 || box.height < 0 || box.thickness < 0) {
        throw std::invalid_argument("box with a negative width, height or thickness");
    }
    boxes_.push_back(box);
}

RenderedLabel Label::render(CTXR& txr) const {
    RenderedLabel result;
    StringImage& image = result.image;
    image.width = width_;
    image.height = height_;
    image.rows.assign(image.stride() * static_cast<std::size_t>(height_), 0);
    for (const LabelBox& box : boxes_) drawBox(image, box);
    result.problems = renderFields(fields_, dpi_, txr, &image);
    return result;
}

RenderedLabel Label::render(const std::string& fontDirectory) const {
    CTXR txr;
    txr.SetPath(CString(fontDirectory.c_str()));
    return render(txr);
}

std::vector<LabelProblem> Label::check(CTXR& txr) const {
    return renderFields(fields_, dpi_, txr, nullptr);
}

std::vector<std::uint8_t> bmpFileOf(const StringImage& image) {
    return bmpFileBytes(storedImage(image));
}

void writeBmpFile(const char* path, const StringImage& image) {
    if (image.empty()) return;
    writeWholeFile(path, bmpFileOf(image));
}

}  // namespace txr

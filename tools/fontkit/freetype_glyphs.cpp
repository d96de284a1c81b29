// FreeType behind RAII handles: open a face at an exact pixel size and render glyphs one bit deep.
#include "fontkit/freetype_glyphs.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <sstream>

#include "fontkit/fontkit_error.h"
#include "fontkit/optional_libraries.h"
#include "txr/encoding.h"

namespace txr::fontkit {

namespace {

struct LibraryDeleter {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};

int roundPixels(FT_Pos value26Dot6) {
    return static_cast<int>((value26Dot6 + 32) >> 6);
}
int ceilPixels(FT_Pos value26Dot6) {
    return static_cast<int>((value26Dot6 + 63) >> 6);
}

std::string freeTypeMessage(FT_Error error) {
    const char* text = FT_Error_String(error);
    std::ostringstream out;
    out << "FreeType error " << error;
    if (text) out << " (" << text << ")";
    return out.str();
}

bool bitmapInk(const FT_Bitmap& bitmap, unsigned x, unsigned y) {
    const int pitch = bitmap.pitch;
    const unsigned char* row =
        pitch >= 0 ? bitmap.buffer + static_cast<std::ptrdiff_t>(y) * pitch
                   : bitmap.buffer + static_cast<std::ptrdiff_t>(bitmap.rows - 1 - y) * -pitch;
    switch (bitmap.pixel_mode) {
        case FT_PIXEL_MODE_MONO:
            return (row[x / 8] & (0x80 >> (x % 8))) != 0;
        case FT_PIXEL_MODE_GRAY:
            return row[x] >= 128;
        default:
            return false;
    }
}

}  // namespace

bool readsStandardFonts() {
    return true;
}

struct FreeTypeFont::Handles {
    std::unique_ptr<FT_LibraryRec_, LibraryDeleter> library;
    std::unique_ptr<FT_FaceRec_, FaceDeleter> face;
};

FreeTypeFont::FreeTypeFont(const std::string& path, int pixelSize)
    : handles_(std::make_unique<Handles>()), path_(path), pixelSize_(pixelSize) {
    if (pixelSize < 1 || pixelSize > 1000) {
        throw FontKitError(path + ": pixel size " + std::to_string(pixelSize) +
                           " is outside 1 to 1000");
    }
    FT_Library library = nullptr;
    if (FT_Error error = FT_Init_FreeType(&library)) {
        throw FontKitError("cannot start FreeType: " + freeTypeMessage(error));
    }
    handles_->library.reset(library);
    FT_Face face = nullptr;
    if (FT_Error error = FT_New_Face(library, path.c_str(), 0, &face)) {
        throw FontKitError(path + ": cannot open font: " + freeTypeMessage(error));
    }
    handles_->face.reset(face);
    // Unicode when the face has it; otherwise the face's own map (BDF files in a private encoding).
    if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0 && !face->charmap &&
        face->num_charmaps > 0) {
        FT_Set_Charmap(face, face->charmaps[0]);
    }

    if (FT_IS_SCALABLE(face)) {
        if (FT_Error error = FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize))) {
            throw FontKitError(path + ": cannot set pixel size " + std::to_string(pixelSize) +
                               ": " + freeTypeMessage(error));
        }
        return;
    }
    std::ostringstream strikes;
    for (int i = 0; i < face->num_fixed_sizes; ++i) {
        const FT_Bitmap_Size& size = face->available_sizes[i];
        if (size.height == pixelSize || roundPixels(size.y_ppem) == pixelSize) {
            if (FT_Error error = FT_Select_Size(face, i)) {
                throw FontKitError(path + ": cannot select the " + std::to_string(pixelSize) +
                                   " pixel strike: " + freeTypeMessage(error));
            }
            return;
        }
        strikes << (i ? ", " : "") << size.height;
    }
    throw FontKitError(path + ": bitmap font has no " + std::to_string(pixelSize) +
                       " pixel strike (it has: " + strikes.str() + ")");
}

FreeTypeFont::~FreeTypeFont() = default;

bool FreeTypeFont::isOutline() const {
    return FT_IS_SCALABLE(handles_->face.get());
}

FaceMetrics FreeTypeFont::metrics() const {
    const FT_Size_Metrics& size = handles_->face->size->metrics;
    FaceMetrics metrics;
    metrics.ascender = ceilPixels(size.ascender);
    metrics.descender = ceilPixels(-size.descender);
    metrics.height = roundPixels(size.height);
    metrics.maxAdvance = roundPixels(size.max_advance);
    return metrics;
}

bool FreeTypeFont::hasGlyph(char32_t codePoint) const {
    return FT_Get_Char_Index(handles_->face.get(), codePoint) != 0;
}

std::optional<RenderedGlyph> FreeTypeFont::render(char32_t codePoint) const {
    FT_Face face = handles_->face.get();
    const FT_UInt index = FT_Get_Char_Index(face, codePoint);
    if (index == 0) return std::nullopt;
    if (FT_Error error = FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO)) {
        throw FontKitError(path_ + ": cannot load the glyph of U+" + std::to_string(codePoint) +
                           ": " + freeTypeMessage(error));
    }
    FT_GlyphSlot slot = face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_BITMAP) {
        if (FT_Error error = FT_Render_Glyph(slot, FT_RENDER_MODE_MONO)) {
            throw FontKitError(path_ + ": cannot render the glyph of " +
                               encoding::unicodeName(codePoint) + ": " + freeTypeMessage(error));
        }
    }
    const FT_Bitmap& bitmap = slot->bitmap;
    RenderedGlyph glyph;
    glyph.leftOffset = slot->bitmap_left;
    glyph.ascent = slot->bitmap_top;
    glyph.advance = roundPixels(slot->advance.x);
    glyph.picture.rows.assign(bitmap.rows, std::string(bitmap.width, '.'));
    for (unsigned y = 0; y < bitmap.rows; ++y) {
        for (unsigned x = 0; x < bitmap.width; ++x) {
            if (bitmapInk(bitmap, x, y)) glyph.picture.rows[y][x] = '#';
        }
    }
    return glyph;
}

}  // namespace txr::fontkit

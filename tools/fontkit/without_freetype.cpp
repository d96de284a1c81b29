// FreeTypeFont in a build without FreeType (the Windows cross build): opening a font fails and
// says why, so a manifest still builds from its `bdf` blocks and names the first `source`.
#include "fontkit/fontkit_error.h"
#include "fontkit/freetype_glyphs.h"
#include "fontkit/optional_libraries.h"

namespace txr::fontkit {

bool readsStandardFonts() {
    return false;
}

struct FreeTypeFont::Handles {};

FreeTypeFont::FreeTypeFont(const std::string& path, int pixelSize)
    : path_(path), pixelSize_(pixelSize) {
    throw FontKitError(path +
                       ": cannot read standard fonts: this build has no FreeType (build such "
                       "blocks with a build that has it, or give them as `bdf` files)");
}

FreeTypeFont::~FreeTypeFont() = default;

// The constructor never returns, so no object exists for the members below to serve.
bool FreeTypeFont::isOutline() const {
    return false;
}

FaceMetrics FreeTypeFont::metrics() const {
    return {};
}

bool FreeTypeFont::hasGlyph(char32_t) const {
    return false;
}

std::optional<RenderedGlyph> FreeTypeFont::render(char32_t) const {
    return std::nullopt;
}

}  // namespace txr::fontkit

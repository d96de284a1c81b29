// Standard fonts (TrueType/OpenType outlines, BDF, PCF) read through FreeType at an exact pixel
// size, one glyph at a time as a one-bit picture with its metrics.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "fontkit/byte_writer.h"

namespace txr::fontkit {

// A glyph as FreeType places it: the picture's left column lies leftOffset dots right of the pen,
// its top row ascent rows above the baseline; the pen then moves advance dots.
struct RenderedGlyph {
    GlyphPicture picture;
    int leftOffset = 0;
    int ascent = 0;
    int advance = 0;
};

// Line metrics of the face at the chosen size, in whole pixels (descender is positive, below the
// baseline).
struct FaceMetrics {
    int ascender = 0;
    int descender = 0;
    int height = 0;
    int maxAdvance = 0;
};

class FreeTypeFont {
  public:
    // Opens the font at `path` at pixelSize pixels per em. Outline fonts are scaled; bitmap fonts
    // must have a strike of exactly that size (its pixel size or its height). Throws FontKitError.
    FreeTypeFont(const std::string& path, int pixelSize);
    ~FreeTypeFont();
    FreeTypeFont(const FreeTypeFont&) = delete;
    FreeTypeFont& operator=(const FreeTypeFont&) = delete;

    const std::string& path() const { return path_; }
    int pixelSize() const { return pixelSize_; }
    bool isOutline() const;
    FaceMetrics metrics() const;

    bool hasGlyph(char32_t codePoint) const;
    // The glyph of a character code in the face's character map (Unicode where the face has one),
    // rendered one bit per dot; nothing when the face has no glyph for it. Throws FontKitError
    // when FreeType fails on a glyph that exists.
    std::optional<RenderedGlyph> render(char32_t codePoint) const;

  private:
    struct Handles;
    std::unique_ptr<Handles> handles_;
    std::string path_;
    int pixelSize_ = 0;
};

}  // namespace txr::fontkit

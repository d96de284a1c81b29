// BDF 2.1 bitmap fonts: a writer and a bounds-checked reader for one font per font block.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fontkit/byte_writer.h"

namespace txr::fontkit {

// One property of the STARTPROPERTIES section; string values are written quoted.
struct BdfProperty {
    std::string name;
    std::string value;
    bool isString = false;
};

// One character. The box is the glyph's picture: `width` x `rows` dots whose left column lies
// leftOffset dots right of the pen and whose top row lies ascent rows above the baseline (BBX
// gives the bottom row, ascent - rows). `bits` holds the rows top first, (width + 7) / 8 bytes
// each, leftmost dot in the most significant bit.
struct BdfGlyph {
    std::string name;
    int code = 0;
    int advance = 0;
    int width = 0;
    int rows = 0;
    int leftOffset = 0;
    int ascent = 0;
    std::vector<std::uint8_t> bits;

    int rowBytes() const { return (width + 7) / 8; }
    GlyphPicture picture() const;
    void setPicture(const GlyphPicture& picture);
};

struct BdfFont {
    std::string name;
    int pointSize = 0;
    int xResolution = 0;
    int yResolution = 0;
    std::vector<BdfProperty> properties;
    std::vector<BdfGlyph> glyphs;

    const BdfProperty* property(const std::string& propertyName) const;
    // Integer value of a property; nothing when absent. Throws FontKitError when it is present
    // but not a whole number within [low, high].
    std::optional<long> intProperty(const std::string& propertyName, long low, long high) const;
    void setProperty(const std::string& propertyName, long value);
    void setProperty(const std::string& propertyName, const std::string& value);
    const BdfGlyph* glyph(int code) const;
};

// Limits of the reader, far above what any of our font files can hold (glyphs of at most 255
// dots a side in file A, 256 codes a block) yet small enough that a hostile file cannot make it
// allocate much: at most kBdfMaxGlyphs glyphs of at most kBdfMaxGlyphSide dots a side.
constexpr int kBdfMaxGlyphSide = 1024;
constexpr int kBdfMaxGlyphs = 65536;
constexpr int kBdfMaxProperties = 1024;
constexpr std::size_t kBdfMaxLineLength = 4096;
constexpr std::size_t kBdfMaxFileSize = 64u << 20;

// The BDF text of a font: STARTFONT 2.1, FONT, SIZE, FONTBOUNDINGBOX (the union of the glyph
// boxes), the properties as given, then every glyph with ENCODING, SWIDTH, DWIDTH, BBX and BITMAP.
std::string writeBdf(const BdfFont& font);

// Parses BDF text; `sourceName` prefixes error messages ("name:line: what"). Throws FontKitError
// on anything malformed or beyond the limits above.
BdfFont readBdf(const std::string& text, const std::string& sourceName = "bdf");
BdfFont readBdfFile(const std::string& path);
void writeBdfFile(const std::string& path, const BdfFont& font);

}  // namespace txr::fontkit

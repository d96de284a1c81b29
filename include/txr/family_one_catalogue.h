// The built-in catalogue of font family 1: where each font's glyphs lie in B.bin / B300.bin and
// how big they are. Public so that tools which write or read those files use the library's one
// description of them.
#pragma once

#include <cstdint>

#include "txr/export.h"

namespace txr::engine_b {

// The five fonts of a resolution, numbered 0 to 4.
constexpr int kFontCount = 5;

struct CatalogueRecord {
    int resolution;
    int fontType;
    std::uint32_t fontOffset;  // where the font's block starts in the font file
    std::uint16_t cellWidth;
    std::uint16_t cellHeight;  // also the number of rows of a glyph
    std::uint16_t rowBytes;    // bytes per stored glyph row
    std::uint16_t glyphCount;  // glyph places in the block (font 4: the places the tables use)
    // Values the engine copies but never reads.
    std::uint16_t extra1;
    std::uint16_t extra2;
    std::uint16_t extra3;
    std::uint16_t extra4;
    std::uint8_t extra5;
    std::uint8_t extra6;
    std::uint8_t extra7;

    constexpr std::uint32_t glyphSize() const { return std::uint32_t{rowBytes} * cellHeight; }
    constexpr std::uint32_t blockSize() const { return glyphSize() * glyphCount; }
};

// The record of a resolution (203 or 300) and font number (0 to 4), or nullptr for any other.
TXR_API const CatalogueRecord* catalogueRecord(int resolution, int fontType);

// Bytes of the whole font file of a resolution (0 for an unknown resolution): the five blocks.
TXR_API std::uint32_t fontFileSize(int resolution);

}  // namespace txr::engine_b

// The records of font file Z, each described once: blocks one after the other, each a block header
// whose first 1128 bytes the engine keeps, a table of 256 glyph-record offsets at byte 104, and the
// glyph records (a 10-byte header, then rows of at most 6 bytes). Numbers are big-endian, offsets
// count from the block's start.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/big_endian.h"
#include "common/checked_read.h"
#include "txr/GeneraterZ.h"

namespace txr::engine_z {

struct BlockHeader {
    static constexpr std::size_t kSize = CGeneraterZ::kBlockHeadSize;
    static constexpr std::size_t kCodeTableAt = 104;
    std::uint32_t blockSize = 0;
    std::uint16_t cellHeight = 0;
    std::uint16_t cellWidth = 0;
    std::uint16_t baseLine = 0;

    static BlockHeader read(const unsigned char (&bytes)[kSize]) {
        BlockHeader header;
        header.blockSize = ReadBE32(bytes);
        header.cellHeight = ReadBE16(bytes + 28);
        header.cellWidth = ReadBE16(bytes + 30);
        header.baseLine = ReadBE16(bytes + 32);
        return header;
    }
};

// One entry per code 0 to 255; 0 means the code has no glyph.
struct CodeTableEntry {
    static constexpr std::size_t kSize = 4;
    static constexpr std::size_t kTableSize = 256 * kSize;
};

struct GlyphHeader {
    static constexpr std::size_t kSize = 10;
    std::uint16_t rows = 0;
    std::uint16_t width = 0;
    std::uint16_t leftOffset = 0;
    std::uint16_t topOffset = 0;
    std::uint16_t advance = 0;

    static GlyphHeader read(const unsigned char (&bytes)[kSize]) {
        GlyphHeader header;
        header.rows = ReadBE16(bytes);
        header.width = ReadBE16(bytes + 2);
        header.leftOffset = ReadBE16(bytes + 4);
        header.topOffset = ReadBE16(bytes + 6);
        header.advance = ReadBE16(bytes + 8);
        return header;
    }
};

}  // namespace txr::engine_z

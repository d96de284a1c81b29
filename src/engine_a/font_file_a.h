// The records of font file A, each described once: a directory of font blocks, each block a
// 60-byte header, a table of 4-byte glyph-record offsets per code, and the glyph records (an
// 8-byte header, then the rows). Numbers are big-endian, offsets count from the block's start.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/big_endian.h"
#include "common/checked_read.h"

namespace txr::engine_a {

struct BlockHeader {
    static constexpr std::size_t kSize = 60;
    std::uint32_t blockSize = 0;
    std::uint32_t tableOffset = 0;
    unsigned char firstCode = 0;
    unsigned char lastCode = 0;
    std::uint16_t baseLine = 0;
    std::uint16_t cellWidth = 0;
    std::uint16_t cellHeight = 0;

    static BlockHeader read(const unsigned char (&bytes)[kSize]) {
        BlockHeader header;
        header.blockSize = ReadBE32(bytes + 4);
        header.tableOffset = ReadBE32(bytes + 8);
        header.firstCode = bytes[16];
        header.lastCode = bytes[17];
        header.baseLine = ReadBE16(bytes + 38);
        header.cellWidth = ReadBE16(bytes + 40);
        header.cellHeight = ReadBE16(bytes + 42);
        return header;
    }
};

// One entry per code from firstCode to lastCode; 0 means the code has no glyph.
struct CodeTableEntry {
    static constexpr std::size_t kSize = 4;
};

struct GlyphHeader {
    static constexpr std::size_t kSize = 8;
    // The fields ClearFontHead empties (bitsOffset and advance are left as they are).
    static constexpr std::size_t kLeftOffsetAt = 0;
    static constexpr std::size_t kAscentAt = 1;
    static constexpr std::size_t kRowsAt = 4;
    static constexpr std::size_t kWidthAt = 5;

    signed char leftOffset = 0;
    signed char ascent = 0;
    unsigned char bitsOffset = 0;  // from the record's start to its first row
    unsigned char rows = 0;
    unsigned char width = 0;
    std::uint16_t advance = 0;

    static GlyphHeader read(const unsigned char (&bytes)[kSize]) {
        GlyphHeader header;
        header.leftOffset = static_cast<signed char>(bytes[kLeftOffsetAt]);
        header.ascent = static_cast<signed char>(bytes[kAscentAt]);
        header.bitsOffset = bytes[2];
        header.rows = bytes[kRowsAt];
        header.width = bytes[kWidthAt];
        header.advance = ReadBE16(bytes + 6);
        return header;
    }
};

}  // namespace txr::engine_a

// Writes and reads font file A: 60-byte block header, code offset table, glyph records.
#include "fontkit/font_file_a.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace txr::fontkit {
namespace {

constexpr std::uint8_t kBitsOffset = kGlyphHeaderSizeA;  // rows follow the glyph header

void requireRange(int value, int low, int high, const char* what) {
    if (value < low || value > high) {
        throw std::invalid_argument(std::string(what) + " " + std::to_string(value) +
                                    " is outside " + std::to_string(low) + ".." +
                                    std::to_string(high));
    }
}

int glyphWidth(const GlyphA& glyph) {
    return glyph.width < 0 ? glyph.picture.width() : glyph.width;
}

void writeGlyph(ByteWriter& out, const GlyphA& glyph) {
    const int width = glyphWidth(glyph);
    requireRange(width, 0, 255, "glyph width");
    requireRange(glyph.picture.height(), 0, 255, "glyph rows");
    requireRange(glyph.leftOffset, -128, 127, "left offset");
    requireRange(glyph.ascent, -128, 127, "ascent");
    requireRange(glyph.advance, 0, 0xFFFF, "advance");
    out.u8(static_cast<std::uint8_t>(glyph.leftOffset));
    out.u8(static_cast<std::uint8_t>(glyph.ascent));
    out.u8(kBitsOffset);
    out.u8(0);
    out.u8(static_cast<std::uint8_t>(glyph.picture.height()));
    out.u8(static_cast<std::uint8_t>(width));
    out.be16(static_cast<std::uint16_t>(glyph.advance));
    out.raw(packGlyphRows(glyph.picture, rowBytesForWidthA(width)));
}

void writeBlock(ByteWriter& out, const FontBlockA& block) {
    requireRange(block.firstCode, 0, 255, "first code");
    requireRange(block.lastCode, block.firstCode, 255, "last code");
    requireRange(block.baseLine, 0, 0xFFFF, "baseline");
    requireRange(block.cellWidth, 0, 0xFFFF, "cell width");
    requireRange(block.cellHeight, 0, 0xFFFF, "cell height");
    std::vector<const GlyphA*> glyphs;
    for (const GlyphA& glyph : block.glyphs) {
        requireRange(glyph.code, block.firstCode, block.lastCode, "glyph code");
        glyphs.push_back(&glyph);
    }
    std::sort(glyphs.begin(), glyphs.end(),
              [](const GlyphA* a, const GlyphA* b) { return a->code < b->code; });
    for (std::size_t i = 1; i < glyphs.size(); ++i) {
        if (glyphs[i]->code == glyphs[i - 1]->code) {
            throw std::invalid_argument("glyph code " + std::to_string(glyphs[i]->code) +
                                        " given twice");
        }
    }

    const std::size_t start = out.size();
    out.zeros(4);
    out.be32(0);  // blockSize, patched below
    out.be32(static_cast<std::uint32_t>(kBlockHeaderSizeA));
    out.zeros(4);
    out.u8(static_cast<std::uint8_t>(block.firstCode));
    out.u8(static_cast<std::uint8_t>(block.lastCode));
    out.zeros(20);
    out.be16(static_cast<std::uint16_t>(block.baseLine));
    out.be16(static_cast<std::uint16_t>(block.cellWidth));
    out.be16(static_cast<std::uint16_t>(block.cellHeight));
    out.padTo(start + kBlockHeaderSizeA);

    const std::size_t table = out.size();
    out.zeros(static_cast<std::size_t>(block.lastCode - block.firstCode + 1) * 4);
    for (const GlyphA* glyph : glyphs) {
        out.patchBE32(table + static_cast<std::size_t>(glyph->code - block.firstCode) * 4,
                      static_cast<std::uint32_t>(out.size() - start));
        writeGlyph(out, *glyph);
    }
    out.patchBE32(start + 4, static_cast<std::uint32_t>(out.size() - start));
}

// Bounds-checked view of one font block.
class BlockReader {
  public:
    BlockReader(const std::vector<std::uint8_t>& bytes, std::size_t start, std::size_t size)
        : bytes_(bytes), start_(start), size_(size) {}

    void require(std::size_t offset, std::size_t length, const char* what) const {
        if (offset > size_ || length > size_ - offset) {
            throw std::runtime_error(std::string(what) + " of the block at " +
                                     std::to_string(start_) + " runs past the block's end");
        }
    }
    std::uint8_t u8(std::size_t offset) const { return bytes_[start_ + offset]; }
    std::uint16_t be16(std::size_t offset) const {
        return static_cast<std::uint16_t>(u8(offset) << 8 | u8(offset + 1));
    }
    std::uint32_t be32(std::size_t offset) const {
        return static_cast<std::uint32_t>(be16(offset)) << 16 | be16(offset + 2);
    }

  private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t start_;
    std::size_t size_;
};

GlyphPicture readPicture(const BlockReader& block, std::size_t rowsAt, int rows, int width) {
    const int rowBytes = rowBytesForWidthA(width);
    int columns = width;
    for (int y = 0; y < rows; ++y) {
        for (int x = width; x < rowBytes * 8; ++x) {
            if (block.u8(rowsAt + static_cast<std::size_t>(y * rowBytes + x / 8)) &
                (0x80 >> (x % 8))) {
                columns = std::max(columns, x + 1);
            }
        }
    }
    GlyphPicture picture;
    for (int y = 0; y < rows; ++y) {
        std::string row;
        for (int x = 0; x < columns; ++x) {
            const auto byte = block.u8(rowsAt + static_cast<std::size_t>(y * rowBytes + x / 8));
            row += (byte & (0x80 >> (x % 8))) ? '#' : '.';
        }
        picture.rows.push_back(row);
    }
    return picture;
}

GlyphA readGlyph(const BlockReader& block, int code, std::size_t record) {
    block.require(record, kGlyphHeaderSizeA, "glyph header");
    GlyphA glyph;
    glyph.code = code;
    glyph.leftOffset = static_cast<std::int8_t>(block.u8(record));
    glyph.ascent = static_cast<std::int8_t>(block.u8(record + 1));
    const std::size_t rowsAt = record + block.u8(record + 2);
    const int rows = block.u8(record + 4);
    const int width = block.u8(record + 5);
    glyph.advance = block.be16(record + 6);
    block.require(rowsAt, static_cast<std::size_t>(rows * rowBytesForWidthA(width)), "glyph rows");
    glyph.picture = readPicture(block, rowsAt, rows, width);
    glyph.width = glyph.picture.width() == width ? -1 : width;
    return glyph;
}

FontBlockA readBlock(const BlockReader& block) {
    FontBlockA out;
    out.firstCode = block.u8(16);
    out.lastCode = block.u8(17);
    out.baseLine = block.be16(38);
    out.cellWidth = block.be16(40);
    out.cellHeight = block.be16(42);
    if (out.firstCode > out.lastCode) throw std::runtime_error("block codes run backwards");
    const std::size_t table = block.be32(8);
    block.require(table, static_cast<std::size_t>(out.lastCode - out.firstCode + 1) * 4,
                  "code offset table");
    for (int code = out.firstCode; code <= out.lastCode; ++code) {
        const std::uint32_t record =
            block.be32(table + static_cast<std::size_t>(code - out.firstCode) * 4);
        if (record != 0) out.glyphs.push_back(readGlyph(block, code, record));
    }
    return out;
}

}  // namespace

int rowBytesForWidthA(int width) {
    return width <= 0 ? 0 : 2 * ((width + 15) / 16);
}

std::vector<std::uint8_t> writeFontFileA(const std::vector<FontBlockA>& blocks) {
    ByteWriter out;
    for (const FontBlockA& block : blocks) writeBlock(out, block);
    return out.take();
}

std::vector<FontBlockA> readFontFileA(const std::vector<std::uint8_t>& bytes) {
    std::vector<FontBlockA> blocks;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const BlockReader header(bytes, start, bytes.size() - start);
        header.require(0, kBlockHeaderSizeA, "header");
        const std::uint32_t blockSize = header.be32(4);
        if (blockSize < kBlockHeaderSizeA) throw std::runtime_error("block size below 60");
        header.require(0, blockSize, "block size");
        blocks.push_back(readBlock(BlockReader(bytes, start, blockSize)));
        start += blockSize;
    }
    return blocks;
}

}  // namespace txr::fontkit

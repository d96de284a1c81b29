// Writer and bounds-checked reader of the font file Z layout.
#include "fontkit/font_file_z.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace txr::fontkit {
namespace {

// Block header fields (big-endian).
constexpr std::size_t kBlockSizeAt = 0;
constexpr std::size_t kCellHeightAt = 28;
constexpr std::size_t kCellWidthAt = 30;
constexpr std::size_t kBaseLineAt = 32;

std::uint16_t field16(int value, const char* what) {
    if (value < 0 || value > 0xFFFF) {
        throw std::invalid_argument(std::string(what) + " " + std::to_string(value) +
                                    " does not fit 16 bits");
    }
    return static_cast<std::uint16_t>(value);
}

std::vector<std::uint8_t> writeBlock(const FontBlockZ& block) {
    std::vector<const GlyphZ*> glyphs;
    std::array<bool, 256> used{};
    for (const GlyphZ& glyph : block.glyphs) {
        if (glyph.code < 0 || glyph.code > 255) {
            throw std::invalid_argument("glyph code " + std::to_string(glyph.code) +
                                        " is outside 0..255");
        }
        if (used[static_cast<std::size_t>(glyph.code)]) {
            throw std::invalid_argument("glyph code " + std::to_string(glyph.code) +
                                        " appears twice in one block");
        }
        used[static_cast<std::size_t>(glyph.code)] = true;
        glyphs.push_back(&glyph);
    }
    std::sort(glyphs.begin(), glyphs.end(),
              [](const GlyphZ* a, const GlyphZ* b) { return a->code < b->code; });

    ByteWriter out;
    out.be32(0);
    out.padTo(kCellHeightAt);
    out.be16(field16(block.cellHeight, "cell height"));
    out.be16(field16(block.cellWidth, "cell width"));
    out.be16(field16(block.baseLine, "baseline"));
    out.padTo(kZBlockHeadSize);
    for (const GlyphZ* glyph : glyphs) {
        const int width = glyph->width < 0 ? glyph->picture.width() : glyph->width;
        out.patchBE32(kZBlockHeaderSize + 4 * static_cast<std::size_t>(glyph->code),
                      static_cast<std::uint32_t>(out.size()));
        out.be16(field16(glyph->picture.height(), "glyph rows"));
        out.be16(field16(width, "glyph width"));
        out.be16(field16(glyph->leftOffset, "left offset"));
        out.be16(field16(glyph->ascent, "ascent"));
        out.be16(field16(glyph->advance, "advance"));
        out.raw(packGlyphRows(glyph->picture, rowBytesZ(width)));
    }
    // At most 256 records of 10 + 65535 * 6 bytes: a block size always fits 32 bits.
    out.patchBE32(kBlockSizeAt, static_cast<std::uint32_t>(out.size()));
    return out.take();
}

// Read access to one stretch of the file; every read is checked against its end.
class BoundedBytes {
  public:
    BoundedBytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool holds(std::size_t offset, std::size_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    std::uint16_t be16(std::size_t offset) const {
        return static_cast<std::uint16_t>((data_[offset] << 8) | data_[offset + 1]);
    }
    std::uint32_t be32(std::size_t offset) const {
        return (std::uint32_t{be16(offset)} << 16) | be16(offset + 2);
    }
    const std::uint8_t* at(std::size_t offset) const { return data_ + offset; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
};

GlyphPicture unpackRows(const std::uint8_t* rows, int rowCount, int rowBytes, int width) {
    const auto inked = [&](int x, int y) {
        return (rows[y * rowBytes + x / 8] & (0x80 >> (x % 8))) != 0;
    };
    int columns = width;
    for (int y = 0; y < rowCount && columns == width; ++y) {
        for (int x = width; x < rowBytes * 8; ++x) {
            if (inked(x, y)) columns = rowBytes * 8;
        }
    }
    GlyphPicture picture;
    for (int y = 0; y < rowCount; ++y) {
        std::string row(static_cast<std::size_t>(columns), '.');
        for (int x = 0; x < std::min(columns, rowBytes * 8); ++x) {
            if (inked(x, y)) row[static_cast<std::size_t>(x)] = '#';
        }
        picture.rows.push_back(std::move(row));
    }
    return picture;
}

bool fail(std::string* error, const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
}

bool readBlock(const BoundedBytes& block, FontBlockZ& out, std::string* error) {
    out.cellHeight = block.be16(kCellHeightAt);
    out.cellWidth = block.be16(kCellWidthAt);
    out.baseLine = block.be16(kBaseLineAt);
    for (int code = 0; code < 256; ++code) {
        const std::size_t record =
            block.be32(kZBlockHeaderSize + 4 * static_cast<std::size_t>(code));
        if (record == 0) continue;
        const std::string where = "glyph record of code " + std::to_string(code);
        if (record < kZBlockHeadSize || !block.holds(record, kZGlyphHeaderSize)) {
            return fail(error, where + " lies outside its block's glyph area");
        }
        GlyphZ glyph;
        glyph.code = code;
        const int rowCount = block.be16(record);
        glyph.width = block.be16(record + 2);
        glyph.leftOffset = block.be16(record + 4);
        glyph.ascent = block.be16(record + 6);
        glyph.advance = block.be16(record + 8);
        const int rowBytes = rowBytesZ(glyph.width);
        const std::size_t rowsAt = record + kZGlyphHeaderSize;
        if (!block.holds(rowsAt,
                         static_cast<std::size_t>(rowCount) * static_cast<std::size_t>(rowBytes))) {
            return fail(error, where + " has rows past the end of its block");
        }
        glyph.picture = unpackRows(block.at(rowsAt), rowCount, rowBytes, glyph.width);
        out.glyphs.push_back(std::move(glyph));
    }
    return true;
}

}  // namespace

int rowBytesZ(int width) {
    return width <= 0 ? 0 : std::min((width + 7) / 8, 6);
}

std::vector<std::uint8_t> writeFontFileZ(const std::vector<FontBlockZ>& blocks) {
    std::vector<std::uint8_t> file;
    for (const FontBlockZ& block : blocks) {
        const std::vector<std::uint8_t> bytes = writeBlock(block);
        file.insert(file.end(), bytes.begin(), bytes.end());
    }
    return file;
}

std::optional<std::vector<FontBlockZ>> readFontFileZ(const std::vector<std::uint8_t>& bytes,
                                                     std::string* error) {
    const BoundedBytes file(bytes.data(), bytes.size());
    std::vector<FontBlockZ> blocks;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::string where = "block " + std::to_string(blocks.size());
        if (!file.holds(start, kZBlockHeadSize)) {
            fail(error, where + " is shorter than its header and code table");
            return std::nullopt;
        }
        const std::size_t blockSize = file.be32(start + kBlockSizeAt);
        if (blockSize < kZBlockHeadSize || !file.holds(start, blockSize)) {
            fail(error, where + " has a block size of " + std::to_string(blockSize) +
                            " that does not fit the file");
            return std::nullopt;
        }
        FontBlockZ block;
        if (!readBlock(BoundedBytes(file.at(start), blockSize), block, error)) {
            return std::nullopt;
        }
        blocks.push_back(std::move(block));
        start += blockSize;
    }
    return blocks;
}

}  // namespace txr::fontkit

// Byte writer, glyph pictures and file output shared by the font-file writers.
#include "fontkit/byte_writer.h"

#include <algorithm>
#include <fstream>

namespace txr::fontkit {

void ByteWriter::be16(std::uint16_t value) {
    u8(static_cast<std::uint8_t>(value >> 8));
    u8(static_cast<std::uint8_t>(value));
}

void ByteWriter::be32(std::uint32_t value) {
    be16(static_cast<std::uint16_t>(value >> 16));
    be16(static_cast<std::uint16_t>(value));
}

void ByteWriter::patchBE16(std::size_t offset, std::uint16_t value) {
    bytes_.at(offset) = static_cast<std::uint8_t>(value >> 8);
    bytes_.at(offset + 1) = static_cast<std::uint8_t>(value);
}

void ByteWriter::patchBE32(std::size_t offset, std::uint32_t value) {
    patchBE16(offset, static_cast<std::uint16_t>(value >> 16));
    patchBE16(offset + 2, static_cast<std::uint16_t>(value));
}

int GlyphPicture::width() const {
    std::size_t widest = 0;
    for (const auto& row : rows) widest = std::max(widest, row.size());
    return static_cast<int>(widest);
}

bool GlyphPicture::ink(int x, int y) const {
    if (y < 0 || y >= height() || x < 0) return false;
    const std::string& row = rows[static_cast<std::size_t>(y)];
    if (static_cast<std::size_t>(x) >= row.size()) return false;
    return row[static_cast<std::size_t>(x)] == '#' || row[static_cast<std::size_t>(x)] == 'X';
}

std::vector<std::uint8_t> packGlyphRows(const GlyphPicture& picture, int rowBytes) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(picture.height()) *
                                  static_cast<std::size_t>(std::max(rowBytes, 0)));
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < rowBytes * 8; ++x) {
            if (picture.ink(x, y)) {
                out[static_cast<std::size_t>(y * rowBytes + x / 8)] |=
                    static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
    }
    return out;
}

bool writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

}  // namespace txr::fontkit

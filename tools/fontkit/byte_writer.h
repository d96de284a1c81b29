// Builds binary font files: big-endian numbers, raw bytes, padding, and patching earlier fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace txr::fontkit {

class ByteWriter {
  public:
    std::size_t size() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::vector<std::uint8_t> take() { return std::move(bytes_); }

    void u8(std::uint8_t value) { bytes_.push_back(value); }
    void be16(std::uint16_t value);
    void be32(std::uint32_t value);
    void raw(const std::vector<std::uint8_t>& data) {
        bytes_.insert(bytes_.end(), data.begin(), data.end());
    }
    void zeros(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }
    void padTo(std::size_t size) {
        if (bytes_.size() < size) zeros(size - bytes_.size());
    }
    void patchBE16(std::size_t offset, std::uint16_t value);
    void patchBE32(std::size_t offset, std::uint32_t value);

  private:
    std::vector<std::uint8_t> bytes_;
};

// A glyph drawn as text, one string per row, top row first: '#' or 'X' is ink, anything else is
// paper. The width is that of the longest row.
struct GlyphPicture {
    std::vector<std::string> rows;

    int width() const;
    int height() const { return static_cast<int>(rows.size()); }
    bool ink(int x, int y) const;
};

// Packs a picture into rows of rowBytes bytes, leftmost dot in the most significant bit of the
// first byte, ink as a set bit, top row first. Dots beyond rowBytes * 8 are dropped.
std::vector<std::uint8_t> packGlyphRows(const GlyphPicture& picture, int rowBytes);

// Writes bytes to a file, replacing it; false when it cannot be written.
bool writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace txr::fontkit

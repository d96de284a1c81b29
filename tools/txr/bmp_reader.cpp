// One-bit BMP reading: every offset and size from the file checked before use.
#include "bmp_reader.h"

#include <stdexcept>

namespace txr::tool {

namespace {

// Reads little-endian fields at offsets checked against the buffer.
class LittleEndianReader {
  public:
    explicit LittleEndianReader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    bool has(std::uint64_t offset, std::uint64_t length) const {
        return offset <= bytes_.size() && length <= bytes_.size() - offset;
    }
    std::uint32_t u32(std::size_t offset) const {
        need(offset, 4);
        return static_cast<std::uint32_t>(bytes_[offset]) |
               static_cast<std::uint32_t>(bytes_[offset + 1]) << 8 |
               static_cast<std::uint32_t>(bytes_[offset + 2]) << 16 |
               static_cast<std::uint32_t>(bytes_[offset + 3]) << 24;
    }
    std::int32_t i32(std::size_t offset) const { return static_cast<std::int32_t>(u32(offset)); }
    std::uint16_t u16(std::size_t offset) const {
        need(offset, 2);
        return static_cast<std::uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
    }
    std::uint8_t u8(std::size_t offset) const {
        need(offset, 1);
        return bytes_[offset];
    }

  private:
    void need(std::uint64_t offset, std::uint64_t length) const {
        if (!has(offset, length)) throw std::runtime_error("the file ends inside its headers");
    }
    const std::vector<std::uint8_t>& bytes_;
};

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kMinInfoSize = 40;
constexpr std::uint32_t kMaxInfoSize = 124;

int brightness(const LittleEndianReader& in, std::size_t entry) {
    return in.u8(entry) + in.u8(entry + 1) + in.u8(entry + 2);
}

}  // namespace

bool InkPicture::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return false;
    return ink[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
               static_cast<std::size_t>(x)] != 0;
}

InkPicture parseOneBitBmp(const std::vector<std::uint8_t>& bytes) {
    const LittleEndianReader in(bytes);
    if (!in.has(0, 2) || bytes[0] != 'B' || bytes[1] != 'M') {
        throw std::runtime_error("not a BMP file");
    }
    const std::uint32_t pixelOffset = in.u32(10);
    const std::uint32_t infoSize = in.u32(kFileHeaderSize);
    if (infoSize < kMinInfoSize || infoSize > kMaxInfoSize) {
        throw std::runtime_error("unsupported info header of " + std::to_string(infoSize) +
                                 " bytes");
    }
    const std::int32_t width = in.i32(kFileHeaderSize + 4);
    const std::int32_t storedHeight = in.i32(kFileHeaderSize + 8);
    const std::uint16_t bitCount = in.u16(kFileHeaderSize + 14);
    const std::uint32_t compression = in.u32(kFileHeaderSize + 16);
    const std::uint32_t coloursUsed = in.u32(kFileHeaderSize + 32);
    if (bitCount != 1) {
        throw std::runtime_error(std::to_string(bitCount) +
                                 " bits per dot; only one-bit pictures are compared");
    }
    if (compression != 0) throw std::runtime_error("compressed pictures are not read");
    if (width <= 0 || storedHeight == 0 || storedHeight == INT32_MIN) {
        throw std::runtime_error("empty or impossible size");
    }
    const bool topDown = storedHeight < 0;
    const std::int64_t height = topDown ? -std::int64_t{storedHeight} : storedHeight;
    if (std::int64_t{width} * height > kMaxPictureDots) {
        throw std::runtime_error("larger than " + std::to_string(kMaxPictureDots) + " dots");
    }
    if (coloursUsed != 0 && coloursUsed != 2) {
        throw std::runtime_error("a colour table of " + std::to_string(coloursUsed) +
                                 " entries; a one-bit picture needs two");
    }
    const std::size_t table = kFileHeaderSize + infoSize;
    if (!in.has(table, 8)) throw std::runtime_error("the file ends inside its colour table");
    const bool zeroIsInk = brightness(in, table) <= brightness(in, table + 4);

    const std::uint64_t stride = (std::uint64_t(width) + 31) / 32 * 4;
    if (!in.has(pixelOffset, stride * static_cast<std::uint64_t>(height))) {
        throw std::runtime_error("the file ends before its last row");
    }
    InkPicture picture;
    picture.width = width;
    picture.height = static_cast<int>(height);
    picture.ink.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    for (std::int64_t y = 0; y < height; ++y) {
        const std::int64_t storedRow = topDown ? y : height - 1 - y;
        const std::uint8_t* row = bytes.data() + pixelOffset + storedRow * stride;
        for (std::int32_t x = 0; x < width; ++x) {
            const bool set = (row[x / 8] & (0x80u >> (x % 8))) != 0;
            picture.ink[static_cast<std::size_t>(y * width + x)] = (set != zeroIsInk) ? 1 : 0;
        }
    }
    return picture;
}

}  // namespace txr::tool

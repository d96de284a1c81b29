// One-bit bitmap rows: strides, bottom-up flips, complements, and the 62-byte header of a one-bit
// BMP file. Shared by the engines, the BMP writer and the tools.
#pragma once

#include <cstddef>
#include <cstdint>

namespace txr {

// Bytes in a one-bit row of widthDots dots padded to a multiple of 4 bytes (0 for widths <= 0).
inline std::size_t dibStride(std::int64_t widthDots) {
    return widthDots <= 0 ? 0 : static_cast<std::size_t>((widthDots + 31) / 32) * 4;
}

// Copies rowCount rows of rowBytes bytes from top-down order into bottom-up order.
void flipRows(const unsigned char* topDown, std::size_t rowBytes, std::size_t rowCount,
              unsigned char* bottomUp);

// The same when only the first `available` bytes of topDown exist: bytes past them read as 0.
void flipRowsBounded(const unsigned char* topDown, std::size_t available, std::size_t rowBytes,
                     std::size_t rowCount, unsigned char* bottomUp);

// Writes each row's rowBytes bytes complemented into rows of `stride` bytes, filling the bytes
// from rowBytes up to stride with padByte.
void complementRows(const unsigned char* rows, std::size_t rowBytes, std::size_t rowCount,
                    unsigned char* out, std::size_t stride, unsigned char padByte);

inline void putLE16(unsigned char* out, std::uint16_t value) {
    out[0] = static_cast<unsigned char>(value);
    out[1] = static_cast<unsigned char>(value >> 8);
}

inline void putLE32(unsigned char* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
}

inline std::uint16_t getLE16(const unsigned char* in) {
    return static_cast<std::uint16_t>(in[0] | (in[1] << 8));
}

inline std::uint32_t getLE32(const unsigned char* in) {
    return static_cast<std::uint32_t>(in[0]) | (static_cast<std::uint32_t>(in[1]) << 8) |
           (static_cast<std::uint32_t>(in[2]) << 16) | (static_cast<std::uint32_t>(in[3]) << 24);
}

// Size of the file header (14 bytes) and info header (40 bytes): where the colour table starts.
constexpr std::size_t kBmpColourTableAt = 54;
// Size of the file header, info header and two-colour table that precede a one-bit BMP's rows.
constexpr std::size_t kOneBitBmpHeaderSize = kBmpColourTableAt + 2 * 4;

// Writes the 62 bytes before the rows of a one-bit, bottom-up BMP of width x height dots:
// "BM", file size, offset 62, a 40-byte info header (120 dots per metre, two colours used),
// then black and white.
void writeOneBitBmpHeader(unsigned char* out, std::int32_t width, std::int32_t height);

}  // namespace txr

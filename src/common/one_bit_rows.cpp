// One-bit row helpers and the one-bit BMP header.
#include "common/one_bit_rows.h"

#include <algorithm>
#include <cstring>

namespace txr {

void flipRows(const unsigned char* topDown, std::size_t rowBytes, std::size_t rowCount,
              unsigned char* bottomUp) {
    for (std::size_t k = 0; k < rowCount; ++k) {
        std::memcpy(bottomUp + k * rowBytes, topDown + (rowCount - 1 - k) * rowBytes, rowBytes);
    }
}

void flipRowsBounded(const unsigned char* topDown, std::size_t available, std::size_t rowBytes,
                     std::size_t rowCount, unsigned char* bottomUp) {
    if (available >= rowBytes * rowCount) {
        flipRows(topDown, rowBytes, rowCount, bottomUp);
        return;
    }
    for (std::size_t k = 0; k < rowCount; ++k) {
        const std::size_t from = (rowCount - 1 - k) * rowBytes;
        const std::size_t present = from >= available ? 0 : std::min(rowBytes, available - from);
        std::memcpy(bottomUp + k * rowBytes, topDown + from, present);
        std::memset(bottomUp + k * rowBytes + present, 0, rowBytes - present);
    }
}

void complementRows(const unsigned char* rows, std::size_t rowBytes, std::size_t rowCount,
                    unsigned char* out, std::size_t stride, unsigned char padByte) {
    if (rowCount == 0) return;  // `out` may then be the null data() of an empty buffer
    // Glyph rows are a few bytes long: one fill for all the padding beats one call per row.
    if (stride > rowBytes) std::memset(out, padByte, stride * rowCount);
    for (std::size_t k = 0; k < rowCount; ++k) {
        const unsigned char* src = rows + k * rowBytes;
        unsigned char* dst = out + k * stride;
        for (std::size_t i = 0; i < rowBytes; ++i) dst[i] = static_cast<unsigned char>(~src[i]);
    }
}

void writeOneBitBmpHeader(unsigned char* out, std::int32_t width, std::int32_t height) {
    const std::uint32_t sizeImage = static_cast<std::uint32_t>(
        dibStride(width) * static_cast<std::size_t>(height < 0 ? 0 : height));
    std::memset(out, 0, kOneBitBmpHeaderSize);
    out[0] = 'B';
    out[1] = 'M';
    putLE32(out + 2, sizeImage + static_cast<std::uint32_t>(kOneBitBmpHeaderSize));
    putLE32(out + 10, static_cast<std::uint32_t>(kOneBitBmpHeaderSize));
    unsigned char* info = out + 14;
    putLE32(info + 0, 40);
    putLE32(info + 4, static_cast<std::uint32_t>(width));
    putLE32(info + 8, static_cast<std::uint32_t>(height));
    putLE16(info + 12, 1);
    putLE16(info + 14, 1);
    putLE32(info + 16, 0);
    putLE32(info + 20, sizeImage);
    putLE32(info + 24, 120);
    putLE32(info + 28, 120);
    putLE32(info + 32, 2);
    putLE32(info + 36, 2);
    unsigned char* colours = out + kBmpColourTableAt;
    colours[4] = colours[5] = colours[6] = 255;  // entry 0 black, entry 1 white
}

}  // namespace txr

// Reads the string bitmap's dots, turns them by quarter turns and writes one-bit BMP files.
#include "facade/bmp_writer.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "common/one_bit_rows.h"
#include "platform/file_calls.h"

namespace txr {

std::size_t BmpRowsImage::stride() const {
    return dibStride(width);
}

namespace {

// Width and height of the bitmap; false when it has none or GetObjectA fails.
bool bitmapSize(CBitmap* bitmap, int& width, int& height) {
    BITMAP info{};
    if (GetObjectA(bitmap->m_hObject, sizeof info, &info) == 0) return false;
    if (info.bmWidth <= 0 || info.bmHeight <= 0) return false;
    width = info.bmWidth;
    height = info.bmHeight;
    return true;
}

// GetDIBits of the whole bitmap into `rows`, which holds its stride x height bytes.
void fetchDots(CBitmap* bitmap, CDC* dc, int width, int height, std::uint8_t* rows) {
    MonoBitmapInfo header = MonoBitmapInfo::ofSize(
        width, height, static_cast<DWORD>(dibStride(width) * static_cast<std::size_t>(height)));
    GetDIBits(dc->m_hDC, static_cast<HBITMAP>(bitmap->m_hObject), 0, static_cast<UINT>(height),
              rows, header.get(), DIB_RGB_COLORS);
}

}  // namespace

BmpRowsImage readBitmapDots(CBitmap* bitmap, CDC* dc) {
    BmpRowsImage image;
    if (!bitmapSize(bitmap, image.width, image.height)) return image;
    image.rows.assign(image.stride() * static_cast<std::size_t>(image.height), 0);
    fetchDots(bitmap, dc, image.width, image.height, image.rows.data());
    return image;
}

std::vector<std::uint8_t> bitmapBmpFile(CBitmap* bitmap, CDC* dc) {
    int width = 0;
    int height = 0;
    if (!bitmapSize(bitmap, width, height)) width = height = 0;
    std::vector<std::uint8_t> file(
        kOneBitBmpHeaderSize + dibStride(width) * static_cast<std::size_t>(height), 0);
    writeOneBitBmpHeader(file.data(), width, height);
    if (height > 0) fetchDots(bitmap, dc, width, height, file.data() + kOneBitBmpHeaderSize);
    return file;
}

namespace {

// Bytes holding a row's dots (without the padding up to the stride).
std::size_t dotBytes(int width) {
    return (static_cast<std::size_t>(width) + 7) / 8;
}

// Transposes an 8 x 8 block of dots held one row per byte (row 0 in the top byte, leftmost dot
// in each byte's most significant bit): byte j of the result is column j, row 0 in its top bit.
std::uint64_t transpose8(std::uint64_t x) {
    std::uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAull;
    x ^= t ^ (t << 7);
    t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCull;
    x ^= t ^ (t << 14);
    t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ull;
    x ^= t ^ (t << 28);
    return x;
}

std::uint8_t reversedBits(std::uint8_t byte) {
    static const auto table = [] {
        std::array<std::uint8_t, 256> reversed{};
        for (unsigned value = 0; value < 256; ++value) {
            unsigned result = 0;
            for (int bit = 0; bit < 8; ++bit) result |= ((value >> bit) & 1u) << (7 - bit);
            reversed[value] = static_cast<std::uint8_t>(result);
        }
        return reversed;
    }();
    return table[byte];
}

// A quarter turn, clockwise or counter-clockwise, by 8 x 8 blocks. Clockwise, dot c of stored
// source row r lands in stored row W - 1 - c at column r; counter-clockwise in stored row c at
// column H - 1 - r. Each block gathers the eight source rows that make one byte column of the
// result; rows past the image give 0, which is what the padding bits get.
void quarterTurn(const std::uint8_t* sourceRows, int width, int height, bool clockwise,
                 std::uint8_t* out) {
    const std::size_t inStride = dibStride(width);
    const std::size_t outStride = dibStride(height);
    const std::size_t sourceBytes = dotBytes(width);
    const std::uint8_t* rows[8];
    for (std::size_t column = 0; column < dotBytes(height); ++column) {
        for (int k = 0; k < 8; ++k) {
            const std::int64_t destColumn = static_cast<std::int64_t>(column) * 8 + k;
            const std::int64_t r = clockwise ? destColumn : height - 1 - destColumn;
            rows[k] =
                destColumn < height ? sourceRows + static_cast<std::size_t>(r) * inStride : nullptr;
        }
        for (std::size_t b = 0; b < sourceBytes; ++b) {
            std::uint64_t block = 0;
            for (int k = 0; k < 8; ++k) {
                block = block << 8 | (rows[k] != nullptr ? rows[k][b] : 0u);
            }
            block = transpose8(block);
            // Dots past the width are source padding: their rows do not exist.
            const int dots = static_cast<int>(std::min<std::size_t>(8, width - b * 8));
            for (int j = 0; j < dots; ++j) {
                const std::size_t c = b * 8 + static_cast<std::size_t>(j);
                const std::size_t destRow = clockwise ? static_cast<std::size_t>(width) - 1 - c : c;
                out[destRow * outStride + column] =
                    static_cast<std::uint8_t>(block >> (56 - 8 * j));
            }
        }
    }
}

// A half turn: stored row r becomes stored row H - 1 - r with its dots in reverse order.
void halfTurn(const std::uint8_t* sourceRows, int width, int height, std::uint8_t* out) {
    const std::size_t stride = dibStride(width);
    const std::size_t bytes = dotBytes(width);
    const int shift = static_cast<int>((8 - width % 8) % 8);  // padding dots of the last byte
    for (int r = 0; r < height; ++r) {
        const std::uint8_t* from = sourceRows + static_cast<std::size_t>(height - 1 - r) * stride;
        std::uint8_t* to = out + static_cast<std::size_t>(r) * stride;
        // Reversed, the source's last dot byte comes first: its padding dots shift out, and zeros
        // shift into the padding of the row's last byte.
        for (std::size_t d = 0; d < bytes; ++d) {
            const std::size_t i = bytes - 1 - d;
            unsigned pair = static_cast<unsigned>(reversedBits(from[i])) << 8;
            if (i > 0) pair |= reversedBits(from[i - 1]);
            to[d] = static_cast<std::uint8_t>(pair >> (8 - shift));
        }
    }
}

}  // namespace

void turnInto(const std::uint8_t* rows, int width, int height, int quarterTurns,
              std::uint8_t* out) {
    if (width <= 0 || height <= 0) return;
    const int turns = quarterTurns & 3;
    if (turns == 0) {
        std::memcpy(out, rows, dibStride(width) * static_cast<std::size_t>(height));
    } else if (turns == 2) {
        halfTurn(rows, width, height, out);
    } else {
        quarterTurn(rows, width, height, turns == 1, out);
    }
}

BmpRowsImage turnClockwise(const BmpRowsImage& image, int quarterTurns) {
    const bool across = (quarterTurns & 1) != 0;
    BmpRowsImage turned;
    turned.width = across ? image.height : image.width;
    turned.height = across ? image.width : image.height;
    turned.rows.assign(turned.stride() * static_cast<std::size_t>(turned.height), 0);
    turnInto(image.rows.data(), image.width, image.height, quarterTurns, turned.rows.data());
    return turned;
}

std::vector<std::uint8_t> turnedBmpFile(const std::uint8_t* rows, int width, int height,
                                        int quarterTurns, const RGBQUAD* colourTable) {
    const bool across = (quarterTurns & 1) != 0;
    const int turnedWidth = across ? height : width;
    const int turnedHeight = across ? width : height;
    std::vector<std::uint8_t> file(
        kOneBitBmpHeaderSize +
            dibStride(turnedWidth) * static_cast<std::size_t>(std::max(turnedHeight, 0)),
        0);
    writeOneBitBmpHeader(file.data(), turnedWidth, turnedHeight);
    if (colourTable != nullptr)
        std::memcpy(file.data() + kBmpColourTableAt, colourTable, 2 * sizeof(RGBQUAD));
    turnInto(rows, width, height, quarterTurns, file.data() + kOneBitBmpHeaderSize);
    return file;
}

std::vector<std::uint8_t> bmpFileBytes(const BmpRowsImage& image, const RGBQUAD* colourTable) {
    std::vector<std::uint8_t> bytes(kOneBitBmpHeaderSize + image.rows.size());
    writeOneBitBmpHeader(bytes.data(), image.width, image.height);
    if (colourTable != nullptr)
        std::memcpy(bytes.data() + kBmpColourTableAt, colourTable, 2 * sizeof(RGBQUAD));
    if (!image.rows.empty()) {
        std::memcpy(bytes.data() + kOneBitBmpHeaderSize, image.rows.data(), image.rows.size());
    }
    return bytes;
}

void writeWholeFile(const char* path, const std::vector<std::uint8_t>& bytes) {
    replaceFileWhole(path, bytes.data(), bytes.size());
}

std::vector<std::uint8_t> stringBmpFile(CBitmap* bitmap, CDC* dc, int quarterTurns) {
    if ((quarterTurns & 3) == 0) return bitmapBmpFile(bitmap, dc);
    const BmpRowsImage image = readBitmapDots(bitmap, dc);
    return turnedBmpFile(image.rows.data(), image.width, image.height, quarterTurns);
}

}  // namespace txr

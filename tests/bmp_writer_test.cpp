// The one-bit BMP format the library writes, and turning images by quarter turns.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/one_bit_rows.h"
#include "facade/bmp_writer.h"
#include "support/bmp_file.h"
#include "support/picture.h"

namespace txr {
namespace {

const std::vector<std::string> kTenByThree = {
    "#........#",
    ".##.......",
    "#.......##",
};

TEST(BmpWriter, UnturnedFileHasExactHeaderAndRowsAsGiven) {
    // Bottom row first, ink a clear bit; set padding bits must be written as given.
    const BmpRowsImage image{
        10, 3, {0x7F, 0x3F, 0xFF, 0xFF, 0x9F, 0xFF, 0xFF, 0xFF, 0x7F, 0xBF, 0xFF, 0xFF}};
    const std::vector<std::uint8_t> bytes = bmpFileBytes(image);
    ASSERT_EQ(bytes.size(), 74u);
    const std::vector<std::uint8_t> header = {
        'B', 'M', 74, 0, 0,   0,   0,   0, 0, 0, 62, 0, 0, 0,  // file header
        40,  0,   0,  0, 10,  0,   0,   0, 3, 0, 0,  0, 1, 0, 1, 0,
        0,   0,   0,  0, 12,  0,   0,   0,                           // info
        120, 0,   0,  0, 120, 0,   0,   0, 2, 0, 0,  0, 2, 0, 0, 0,  //
        0,   0,   0,  0, 255, 255, 255, 0};                          // colours
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 62), header);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 62, bytes.end()), image.rows);
    EXPECT_EQ(test::parseOneBitBmp(bytes).ascii, test::joined(kTenByThree));
}

// One clockwise quarter turn done dot by dot, as the reference for every size: the dot at (X, Y),
// Y downwards, goes to (H - 1 - Y, X). Padding bits of the result are 0.
BmpRowsImage referenceTurn(const BmpRowsImage& source) {
    BmpRowsImage turned;
    turned.width = source.height;
    turned.height = source.width;
    turned.rows.assign(turned.stride() * static_cast<std::size_t>(turned.height), 0);
    for (int y = 0; y < source.height; ++y) {
        const std::size_t from = source.stride() * static_cast<std::size_t>(source.height - 1 - y);
        for (int x = 0; x < source.width; ++x) {
            if (!(source.rows[from + x / 8] & (0x80u >> (x % 8)))) continue;
            const int toX = source.height - 1 - y;
            const std::size_t to =
                turned.stride() * static_cast<std::size_t>(turned.height - 1 - x);
            turned.rows[to + toX / 8] |= static_cast<std::uint8_t>(0x80u >> (toX % 8));
        }
    }
    return turned;
}

// Every size from one dot up, with random padding bits: a turn that reads them puts stray dots in
// the result, and the result's own padding must be zero.
TEST(BmpWriter, EveryTurnOfEverySizeUpTo70MatchesTheDotByDotReference) {
    std::mt19937 random(3);
    for (int width = 1; width <= 70; ++width) {
        for (int height = 1; height <= 70; ++height) {
            BmpRowsImage image{width, height, {}};
            image.rows.resize(image.stride() * static_cast<std::size_t>(height));
            for (auto& byte : image.rows) byte = static_cast<std::uint8_t>(random());
            BmpRowsImage expected = image;
            for (int turns = 1; turns <= 3; ++turns) {
                expected = referenceTurn(expected);
                const BmpRowsImage turned = turnClockwise(image, turns);
                ASSERT_EQ(turned.width, expected.width);
                ASSERT_EQ(turned.height, expected.height);
                ASSERT_EQ(turned.rows, expected.rows)
                    << width << " x " << height << " turned " << turns << " times";
            }
        }
    }
}

}  // namespace
}  // namespace txr

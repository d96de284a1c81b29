// The one-bit BMP files the library writes and turns by quarter turns, and the BMP files CDibImage
// accepts, where it finds their rows, and its 1:1 painting.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "common/one_bit_rows.h"
#include "facade/bmp_writer.h"
#include "facade/dib_image.h"
#include "fontkit/byte_writer.h"
#include "support/bmp_file.h"
#include "support/picture.h"
#include "support/raster_ascii.h"

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

// A 3 x 2 one-bit picture, by default top row "#..", bottom row ".#." (ink is colour 0).
std::vector<std::uint8_t> smallOneBitFile(std::vector<std::uint8_t> bottomRowFirst = {
                                              0xBF, 0, 0, 0, 0x7F, 0, 0, 0}) {
    return bmpFileBytes(BmpRowsImage{3, 2, std::move(bottomRowFirst)});
}

// A BMP of the given depth with biClrUsed 0, a zeroed colour table and zeroed rows.
std::vector<std::uint8_t> fileOfDepth(int bitCount, int width, int height) {
    const std::size_t table = bitCount <= 8 ? (std::size_t{4} << bitCount) : 0;
    const std::size_t stride = (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
    std::vector<std::uint8_t> bytes(54 + table + stride * static_cast<std::size_t>(height));
    bytes[0] = 'B';
    bytes[1] = 'M';
    putLE32(&bytes[14], 40);
    putLE32(&bytes[18], static_cast<std::uint32_t>(width));
    putLE32(&bytes[22], static_cast<std::uint32_t>(height));
    putLE16(&bytes[26], 1);
    putLE16(&bytes[28], static_cast<std::uint16_t>(bitCount));
    return bytes;
}

std::string saved(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    EXPECT_TRUE(fontkit::writeFileBytes(name, bytes));
    return name;
}

TEST(DibImage, OneBitFileIsPaintedOneToOneAtItsOwnSizeAndANewLoadReplacesIt) {
    CDibImage image;
    Canvas canvas(5, 4);
    EXPECT_EQ(image.Draw(canvas.dc(), 0, 0, -1, -1), 0) << "nothing loaded yet";
    ASSERT_EQ(image.Load(saved("small.bmp", smallOneBitFile()).c_str()), 1);
    EXPECT_EQ(image.colorCount, 2);
    EXPECT_EQ(image.imageBits - image.imageData.get(), 48);
    EXPECT_EQ(image.Draw(canvas.dc(), 1, 1, -1, -1), 1);
    EXPECT_EQ(test::asciiOf(canvas, RGB(0, 0, 0)),
              ".....\n"
              ".#...\n"
              "..#..\n"
              ".....\n");
    const std::vector<std::uint8_t> allPaper(8, 0xFF);
    ASSERT_EQ(image.Load(saved("second.bmp", smallOneBitFile(allPaper)).c_str()), 1);
    Canvas red(3, 2, RGB(255, 0, 0));
    image.Draw(red.dc(), 0, 0, -1, -1);
    EXPECT_EQ(test::asciiOf(red, RGB(255, 255, 255)), "###\n###\n") << "the second load replaces";
}

TEST(DibImage, ColourTableLengthFollowsDepthAndColoursUsed) {
    const struct {
        int bitCount;
        int colorCount;
    } cases[] = {{8, 256}, {4, 16}, {24, 0}, {32, 0}};
    for (const auto& c : cases) {
        CDibImage image;
        ASSERT_EQ(image.Load(saved("depth.bmp", fileOfDepth(c.bitCount, 3, 2)).c_str()), 1)
            << c.bitCount << " bits";
        EXPECT_EQ(image.colorCount, c.colorCount) << c.bitCount << " bits";
        EXPECT_EQ(image.imageBits - image.imageData.get(), 40 + 4 * c.colorCount);
    }
}

TEST(DibImage, UntrustworthyFilesAreRefusedAndTheHeldImageStays) {
    const std::vector<std::uint8_t> good = smallOneBitFile();
    auto changed = [&](std::size_t at, std::uint8_t value) {
        std::vector<std::uint8_t> bytes = good;
        bytes.at(at) = value;
        return bytes;
    };
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> cases = {
        {"not BM", changed(0, 'X')},       {"info header not 40 bytes", changed(14, 12)},
        {"compressed", changed(30, 1)},    {"zero width", changed(18, 0)},
        {"huge width", changed(21, 0x7F)}, {"huge height", changed(25, 0x7F)},
        {"odd bit count", changed(28, 3)}, {"more colours than the file holds", changed(46, 200)},
    };
    for (std::size_t length = 0; length < good.size(); ++length) {
        cases.push_back(
            {"cut to " + std::to_string(length), {good.begin(), good.begin() + length}});
    }
    CDibImage image;
    ASSERT_EQ(image.Load(saved("good.bmp", good).c_str()), 1);
    const unsigned char* held = image.imageBits;
    for (const auto& [what, bytes] : cases) {
        EXPECT_EQ(image.Load(saved("bad.bmp", bytes).c_str()), 0) << what;
        EXPECT_EQ(image.imageBits, held) << what;
    }
    EXPECT_EQ(image.Load("does_not_exist.bmp"), 0);
    EXPECT_EQ(image.Load("."), 0) << "a directory";
    Canvas canvas(3, 2);
    EXPECT_EQ(image.Draw(canvas.dc(), 0, 0, -1, -1), 1);
    EXPECT_EQ(test::asciiOf(canvas, RGB(0, 0, 0)), "#..\n.#.\n");
}

// Trailing bytes after the rows are allowed, up to a whole file of kMaxDibFileBytes.
TEST(DibImage, FileOfTheLargestSizeLoadsAndOneByteMoreDoesNot) {
    const std::string path = saved("large.bmp", smallOneBitFile());
    CDibImage image;
    for (const std::uintmax_t size :
         {CDibImage::kMaxDibFileBytes + 1, CDibImage::kMaxDibFileBytes}) {
        std::filesystem::resize_file(path, size);  // sparse where the system allows
        EXPECT_EQ(image.Load(path.c_str()), size == CDibImage::kMaxDibFileBytes ? 1 : 0) << size;
    }
    std::filesystem::remove(path);
    Canvas canvas(3, 2);
    EXPECT_EQ(image.Draw(canvas.dc(), 0, 0, -1, -1), 1);
    EXPECT_EQ(test::asciiOf(canvas, RGB(0, 0, 0)), "#..\n.#.\n");
}

}  // namespace
}  // namespace txr

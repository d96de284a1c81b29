// Reads the tool's 24-bit BMP files.
#include "support/colour_bmp.h"

#include <gtest/gtest.h>

#include "support/bmp_file.h"

namespace txr::test {

ColourBmp readColourBmp(const std::string& path) {
    const auto bytes = readFileBytes(path);
    auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(bytes.at(at) | bytes.at(at + 1) << 8 |
                                          bytes.at(at + 2) << 16 | bytes.at(at + 3) << 24);
    };
    auto u16 = [&](std::size_t at) { return bytes.at(at) | bytes.at(at + 1) << 8; };
    ColourBmp picture;
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return picture;
    const int width = static_cast<int>(u32(18));
    const int height = static_cast<int>(u32(22));
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    const std::size_t imageSize = stride * static_cast<std::size_t>(height);
    EXPECT_EQ(u32(2), bytes.size()) << path << ": file size";
    EXPECT_EQ(u32(10), 54u) << path << ": offset of the rows";
    EXPECT_EQ(u32(14), 40u) << path << ": info header size";
    EXPECT_EQ(u16(26), 1) << path << ": planes";
    EXPECT_EQ(u16(28), 24) << path << ": bits per dot";
    EXPECT_EQ(u32(30), 0u) << path << ": compression";
    EXPECT_EQ(u32(34), imageSize) << path << ": image size";
    if (width < 1 || height < 1 || bytes.size() != 54 + imageSize) return picture;
    picture.width = width;
    picture.height = height;
    for (int y = 0; y < height; ++y) {
        const std::size_t row = 54 + static_cast<std::size_t>(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            const std::size_t at = row + static_cast<std::size_t>(x) * 3;
            picture.rgb.push_back(
                static_cast<std::uint32_t>(bytes[at + 2] << 16 | bytes[at + 1] << 8 | bytes[at]));
        }
        for (std::size_t pad = static_cast<std::size_t>(width) * 3; pad < stride; ++pad) {
            EXPECT_EQ(bytes[row + pad], 0) << path << ": row padding of row " << y;
        }
    }
    return picture;
}

}  // namespace txr::test

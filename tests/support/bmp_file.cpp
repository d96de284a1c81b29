// Files for tests, and the one BMP reader of the tests, independent of the library's writer.
#include "support/bmp_file.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "support/colour_bmp.h"

#include <gtest/gtest.h>

namespace txr::test {

namespace {
std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) |
           (static_cast<std::uint32_t>(b.at(at + 3)) << 24);
}
std::uint32_t le16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b.at(at) | (b.at(at + 1) << 8);
}
}  // namespace

std::vector<std::uint8_t> readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool fileExists(const std::string& path) {
    return static_cast<bool>(std::ifstream(path));
}

std::set<std::string> namesIn(const std::string& directory) {
    std::set<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        names.insert(it->path().filename().string());
    }
    return names;
}

std::string freshTestDirectory() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::filesystem::path dir = std::filesystem::current_path() /
                                      (std::string(test->test_suite_name()) + "_" + test->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string() + "/";
}

BmpPicture parseOneBitBmp(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < 62 || bytes[0] != 'B' || bytes[1] != 'M') {
        throw std::runtime_error("not a BMP file");
    }
    if (le32(bytes, 10) != 62 || le32(bytes, 14) != 40 || le16(bytes, 28) != 1) {
        throw std::runtime_error("not a one-bit BMP with a 62-byte header");
    }
    BmpPicture picture;
    picture.width = static_cast<std::int32_t>(le32(bytes, 18));
    picture.height = static_cast<std::int32_t>(le32(bytes, 22));
    if (picture.width <= 0 || picture.height <= 0) throw std::runtime_error("bad BMP size");
    const std::size_t stride = (static_cast<std::size_t>(picture.width) + 31) / 32 * 4;
    if (bytes.size() < 62 + stride * static_cast<std::size_t>(picture.height)) {
        throw std::runtime_error("BMP rows cut short");
    }
    for (std::int32_t y = 0; y < picture.height; ++y) {
        const std::size_t row = 62 + stride * static_cast<std::size_t>(picture.height - 1 - y);
        for (std::int32_t x = 0; x < picture.width; ++x) {
            const bool white = bytes[row + static_cast<std::size_t>(x / 8)] & (0x80 >> (x % 8));
            picture.ascii += white ? '.' : '#';
        }
        picture.ascii += '\n';
    }
    picture.bytes = bytes;
    return picture;
}

BmpPicture readOneBitBmp(const std::string& path) {
    return parseOneBitBmp(readFileBytes(path));
}

ColourBmp readColourBmp(const std::string& path) {
    const auto bytes = readFileBytes(path);
    ColourBmp picture;
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return picture;
    const int width = static_cast<int>(le32(bytes, 18));
    const int height = static_cast<int>(le32(bytes, 22));
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    const std::size_t imageSize = stride * static_cast<std::size_t>(height);
    EXPECT_EQ(le32(bytes, 2), bytes.size()) << path << ": file size";
    EXPECT_EQ(le32(bytes, 10), 54u) << path << ": offset of the rows";
    EXPECT_EQ(le32(bytes, 14), 40u) << path << ": info header size";
    EXPECT_EQ(le16(bytes, 26), 1u) << path << ": planes";
    EXPECT_EQ(le16(bytes, 28), 24u) << path << ": bits per dot";
    EXPECT_EQ(le32(bytes, 30), 0u) << path << ": compression";
    EXPECT_EQ(le32(bytes, 34), imageSize) << path << ": image size";
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

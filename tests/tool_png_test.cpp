// The txr tool's PNG output, read back with libpng: the same pictures as its BMP files, with the
// selected resolution recorded; and the specimen sheet's bound on its area, at its exact edge.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "fontkit/fontkit_error.h"
#include "fontkit/specimen.h"
#include "support/bmp_file.h"
#include "support/colour_bmp.h"
#include "support/tool_run.h"

namespace txr {
namespace {

// The PNG's pixels as 0xRRGGBB, top row first; no pixels when it cannot be read.
test::ColourBmp pngPicture(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    test::ColourBmp picture;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return picture;
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> bytes(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) return picture;
    picture.width = static_cast<int>(image.width);
    for (std::size_t i = 0; i + 2 < bytes.size(); i += 3) {
        picture.rgb.push_back(std::uint32_t{bytes[i]} << 16 | bytes[i + 1] << 8 | bytes[i + 2]);
    }
    return picture;
}

// The BMP's pixels the same way, a one-bit BMP's dots black or white.
test::ColourBmp bmpPicture(const std::string& path, bool oneBit) {
    if (!oneBit) return test::readColourBmp(path);
    const test::BmpPicture dots = test::readOneBitBmp(path);
    test::ColourBmp picture{dots.width, dots.height, {}};
    for (const char dot : dots.ascii) {
        if (dot != '\n') picture.rgb.push_back(dot == '#' ? 0x000000 : 0xFFFFFF);
    }
    return picture;
}

// The PNG's pHYs chunk: dots per metre across and down, then the unit (1: the metre).
std::string resolutionOf(const std::string& path) {
    const std::vector<std::uint8_t> bytes = test::readFileBytes(path);
    const char name[] = "pHYs";
    const auto at = std::search(bytes.begin(), bytes.end(), name, name + 4);
    if (bytes.end() - at < 13) return "none";
    auto be32 = [&](int i) {
        return std::to_string(std::uint32_t{at[i]} << 24 | std::uint32_t{at[i + 1]} << 16 |
                              std::uint32_t{at[i + 2]} << 8 | at[i + 3]);
    };
    return be32(4) + " " + be32(8) + " " + std::to_string(at[12]);
}

class ToolPng : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { test::prepareToolFolders(); }
};

// Every command that writes a picture writes the same one as PNG and as BMP (render's BMP one-bit,
// the others' 24-bit); render, draw and preview record the selected resolution.
TEST_F(ToolPng, EveryPictureIsTheSameAsPngAndAsBmp) {
    ASSERT_EQ(test::runTool({"render", "--fonts", "fonts", "-o", "ab.bmp", "AB"}).code, 0);
    ASSERT_EQ(test::runTool({"render", "--fonts", "fonts", "-o", "ba.bmp", "BA"}).code, 0);
    const struct {
        std::vector<std::string> args;
        const char* resolution;  // the pHYs chunk; nullptr: not checked
    } commands[] = {
        {{"render", "--fonts", "fonts/", "--family", "2", "--font", "4", "--scale-h", "2",
          "--rotate", "1", "--invert", "--dpi", "300", "BiA"},
         "11811 11811 1"},
        {{"draw", "--fonts", "fonts", "--family", "1", "--dpi", "300", "--canvas", "50x20",
          "--paper", "#102030", "--at", "3,-2", "AB"},
         "11811 11811 1"},
        {{"preview", "--fonts", "fonts", "--family", "2", "--canvas", "80x90", "B"}, "7992 7992 1"},
        {{"preview", "--fonts", "fonts", "--family", "0", "--dpi", "300", "A"}, "11811 11811 1"},
        {{"diff", "ab.bmp", "ba.bmp"}, nullptr},
        {{"specimen", "fonts/Z.bin", "--block", "2"}, nullptr},
    };
    for (const auto& command : commands) {
        const std::string& name = command.args[0];
        for (const char* path : {"x.png", "x.bmp"}) {
            std::remove(path);
            std::vector<std::string> args = command.args;
            args.insert(args.end(), {"-o", path});
            const auto run = test::runTool(args);
            EXPECT_EQ(run.code, name == "diff" ? 3 : 0) << name << " " << run.err;
        }
        const test::ColourBmp png = pngPicture("x.png"),
                              bmp = bmpPicture("x.bmp", name == "render");
        EXPECT_FALSE(png.rgb.empty()) << name;
        EXPECT_EQ(png.width, bmp.width) << name;
        EXPECT_EQ(png.rgb, bmp.rgb) << name;
        if (command.resolution) {
            EXPECT_EQ(resolutionOf("x.png"), command.resolution) << name;
        }
    }
    const auto unwritable =
        test::runTool({"render", "--fonts", "fonts", "-o", "no/such/out.png", "A"});
    EXPECT_EQ(unwritable.code, 1);
    EXPECT_NE(unwritable.err.find("no/such/out.png"), std::string::npos) << unwritable.err;
}

// The tallest square-celled block whose sheet stays within the bound renders; one dot more is
// refused before anything is allocated.
TEST(ToolSpecimen, SheetIsBoundedByAreaAtItsExactEdge) {
    auto block = [](int side) {
        fontkit::SpecimenBlock made{side, side, side, {}};
        for (int code = 0; code < 64; ++code) made.glyphs.push_back({code, {{"#"}}, 0, 1, 1});
        return made;
    };
    auto area = [](const fontkit::SpecimenLayout& layout) {
        return std::int64_t{layout.imageWidth} * layout.imageHeight;
    };
    int side = 1;
    while (area(fontkit::specimenLayout(block(side + 1))) <= fontkit::kSpecimenMaxPixels) ++side;
    ASSERT_LT(fontkit::specimenLayout(block(side + 1)).imageWidth, fontkit::kPngMaxSide)
        << "the side bound must not be what refuses";
    const fontkit::RgbImage sheet = fontkit::renderSpecimen(block(side));
    EXPECT_EQ(std::int64_t{sheet.width} * sheet.height, area(fontkit::specimenLayout(block(side))));
    EXPECT_THROW(fontkit::renderSpecimen(block(side + 1)), fontkit::FontKitError);
}

}  // namespace
}  // namespace txr

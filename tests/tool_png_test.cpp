// The txr tool's PNG output, read back with libpng: the same pictures as its BMP files.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/bmp_file.h"
#include "support/child_process.h"
#include "support/colour_bmp.h"
#include "support/test_fonts.h"
#include "support/tool_run.h"
#include "txr/TXR.h"

namespace txr {
namespace {

namespace fs = std::filesystem;

test::ProgramRun txr(const std::vector<std::string>& args) {
    return test::runTool(args);
}

// A picture as text, one character a pixel and a line a row: '#' black, '.' white, and for
// colour pictures the pixel's 0xRRGGBB in place of anything else ("<E02020>").
std::string describe(int width, int height, const std::vector<std::uint32_t>& rgb) {
    std::string text;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t pixel = rgb[static_cast<std::size_t>(y * width + x)];
            char colour[16];
            std::snprintf(colour, sizeof colour, "<%06X>", static_cast<unsigned>(pixel));
            text += pixel == 0 ? "#" : pixel == 0xFFFFFF ? "." : colour;
        }
        text += '\n';
    }
    return text;
}

std::string pngPicture(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return "unreadable";
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> bytes(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) return "unreadable";
    std::vector<std::uint32_t> rgb;
    for (std::size_t i = 0; i + 2 < bytes.size(); i += 3) {
        rgb.push_back(
            static_cast<std::uint32_t>(bytes[i] << 16 | bytes[i + 1] << 8 | bytes[i + 2]));
    }
    return describe(static_cast<int>(image.width), static_cast<int>(image.height), rgb);
}

// The tool's 24-bit BMP, every header field checked.
std::string colourBmpPicture(const std::string& path) {
    const test::ColourBmp picture = test::readColourBmp(path);
    if (picture.width == 0) return "unreadable";
    return describe(picture.width, picture.height, picture.rgb);
}

class ToolPng : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { test::prepareToolFolders(); }
};

TEST_F(ToolPng, RenderPngShowsTheBmpsPicture) {
    const std::vector<std::string> selection{"--fonts",  "fonts/", "--family",  "2",
                                             "--font",   "4",      "--scale-h", "2",
                                             "--rotate", "1",      "--invert",  "BiA"};
    std::vector<std::string> png{"render", "-o", "out.png"}, bmp{"render", "-o", "out.bmp"};
    png.insert(png.end(), selection.begin(), selection.end());
    bmp.insert(bmp.end(), selection.begin(), selection.end());
    ASSERT_EQ(txr(png).code, 0);
    ASSERT_EQ(txr(bmp).code, 0);
    EXPECT_EQ(pngPicture("out.png"), test::readOneBitBmp("out.bmp").ascii);
}

// draw, preview, diff and specimen write the same picture as PNG and as BMP.
TEST_F(ToolPng, ColourPicturesAreTheSameAsPngAndAsBmp) {
    ASSERT_EQ(txr({"render", "--fonts", "fonts", "-o", "ab.bmp", "AB"}).code, 0);
    ASSERT_EQ(txr({"render", "--fonts", "fonts", "-o", "ba.bmp", "BA"}).code, 0);
    const std::vector<std::vector<std::string>> commands = {
        {"draw", "--fonts", "fonts", "--canvas", "50x20", "--paper", "#102030", "--at", "3,-2",
         "AB"},
        {"draw", "--fonts", "fonts", "--family", "1", "--at", "1,2", "AB"},
        {"preview", "--fonts", "fonts", "--family", "2", "--canvas", "80x90", "B"},
        {"preview", "--fonts", "fonts", "--family", "0", "A"},
        {"diff", "ab.bmp", "ba.bmp"},
        {"specimen", "fonts/Z.bin", "--block", "2"},
    };
    for (const auto& command : commands) {
        for (const char* name : {"x.png", "x.bmp"}) {
            std::remove(name);
            std::vector<std::string> args = command;
            args.insert(args.end(), {"-o", name});
            const auto run = txr(args);
            EXPECT_EQ(run.code, command[0] == "diff" ? 3 : 0) << command[0] << " " << run.err;
        }
        const std::string png = pngPicture("x.png");
        EXPECT_NE(png.find('\n'), std::string::npos) << command[0];
        EXPECT_EQ(png, colourBmpPicture("x.bmp")) << command[0];
    }
}

TEST_F(ToolPng, UnwritablePngIsReportedWithItsPath) {
    const auto run = txr({"render", "--fonts", "fonts", "-o", "no/such/out.png", "A"});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("no/such/out.png"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace txr

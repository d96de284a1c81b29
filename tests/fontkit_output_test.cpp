// Font kit: the manifest parser, PNG output read back with libpng, and specimen sheets.
#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <string>

#include "fontkit/byte_writer.h"
#include "fontkit/file_io.h"
#include "fontkit/font_builder.h"
#include "fontkit/fontkit_error.h"
#include "fontkit/manifest.h"
#include "fontkit/png_writer.h"
#include "fontkit/specimen.h"

namespace txr::fontkit {
namespace {

// Reads a PNG with libpng's simplified API into 8-bit grey or RGB pixels.
std::vector<std::uint8_t> readPng(const std::string& path, png_uint_32 format, int& width,
                                  int& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = format;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return pixels;
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(PngWriter, OneBitRowsComeBackDotForDot) {
    // 10 x 3, stride 4: ink is black (0), paper white (255); bits beyond the width are not written.
    const std::vector<std::string> picture = {"#........#", ".#.####...", "##########"};
    OneBitImage image{10, 3, 4, std::vector<std::uint8_t>(12, 0)};
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 10; ++x) {
            if (picture[y][x] == '#') image.rows[y * 4 + x / 8] |= 0x80 >> (x % 8);
        }
    }
    image.rows[1] |= 0x3F;
    std::filesystem::create_directories("png_one_bit");
    std::string error;
    ASSERT_TRUE(writeOneBitPng("png_one_bit/rows.png", image, error)) << error;
    EXPECT_EQ(filesIn("png_one_bit"), std::vector<std::string>{"rows.png"});
    int width = 0, height = 0;
    const auto grey = readPng("png_one_bit/rows.png", PNG_FORMAT_GRAY, width, height);
    ASSERT_EQ(width * 10 + height, 103);
    std::vector<std::string> back(3);
    for (int i = 0; i < 30; ++i) back[i / 10] += grey[i] == 0 ? '#' : grey[i] == 255 ? '.' : '?';
    EXPECT_EQ(back, picture);
}

TEST(PngWriter, RgbPixelsComeBackExactly) {
    RgbImage image(3, 2, 0x102030);
    image.set(0, 0, 0xFF0000);
    image.set(2, 1, 0x00FF7F);
    image.set(5, 5, 0xFFFFFF);  // outside: ignored
    std::string error;
    ASSERT_TRUE(writeRgbPng("rgb.png", image, error)) << error;
    int width = 0, height = 0;
    const auto rgb = readPng("rgb.png", PNG_FORMAT_RGB, width, height);
    ASSERT_EQ(width, 3);
    ASSERT_EQ(height, 2);
    EXPECT_EQ(rgb, image.pixels);
    EXPECT_EQ(image.at(2, 1), 0x00FF7Fu);
}

TEST(PngWriter, FailuresSayWhyAndLeaveNoFile) {
    std::filesystem::create_directories("png_failures");
    std::string error;
    EXPECT_FALSE(writeRgbPng("png_failures/none/x.png", RgbImage(2, 2, 0), error));
    EXPECT_EQ(error, "png_failures/none/x.png: cannot create a file beside it: No such file or directory")
        << "the error names the user's path, not the temporary file's";
    EXPECT_FALSE(writeRgbPng("png_failures/empty.png", RgbImage(0, 5, 0), error));
    EXPECT_NE(error.find("0 x 5"), std::string::npos) << error;
    OneBitImage shortRows{16, 4, 2, std::vector<std::uint8_t>(7)};
    EXPECT_FALSE(writeOneBitPng("png_failures/short.png", shortRows, error));
    EXPECT_NE(error.find("fewer bytes"), std::string::npos) << error;
    EXPECT_TRUE(filesIn("png_failures").empty()) << "no temporary file is left behind";
}

TEST(FileIo, DirectoriesEmptyAndOversizedFilesAreReadOrRefusedWithTheReason) {
    std::filesystem::create_directories("io/folder.bin");
    ASSERT_TRUE(writeFileBytes("io/empty.bin", {}));
    ASSERT_TRUE(writeFileBytes("io/five.bin", {1, 2, 3, 4, 5}));
    EXPECT_TRUE(readFileBytes("io/empty.bin", 4).empty());
    EXPECT_EQ(readFileBytes("io/five.bin", 5), (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
    const struct {
        const char* path;
        std::size_t maxSize;
        const char* error;
    } cases[] = {
        {"io/folder.bin", 1 << 20, "io/folder.bin: is a directory"},
        {"io/five.bin", 4, "io/five.bin: 5 bytes, more than the 4 accepted"},
        {"io/none.bin", 4, "io/none.bin: cannot open: No such file or directory"},
    };
    for (const auto& c : cases) {
        try {
            readFileBytes(c.path, c.maxSize);
            ADD_FAILURE() << "read " << c.path;
        } catch (const FontKitError& error) {
            EXPECT_EQ(std::string(error.what()), c.error);
        }
    }
}

// Found with the font_kit fuzz target (tests/data/crashers/specimen_huge_cell_A.bin, block 0
// with a 65535 x 65535 cell): the sheet asked for 200 GB. Sheets past the PNG limit are refused.
TEST(Specimen, SheetOfHugeCellsIsRefusedBeforeAnythingIsAllocated) {
    const std::vector<std::uint8_t> bytes = readFileBytes(
        std::string(TXR_SOURCE_DIR) + "/tests/data/crashers/specimen_huge_cell_A.bin", 1 << 20);
    const SpecimenBlock block = specimenOfBlock(FontFileKind::A, bytes, 0);
    ASSERT_EQ(block.cellWidth, 65535);
    try {
        renderSpecimen(block);
        ADD_FAILURE() << "a sheet of " << specimenLayout(block).imageWidth << " pixels was drawn";
    } catch (const FontKitError& error) {
        EXPECT_NE(std::string(error.what()).find("larger than 32768 a side"), std::string::npos)
            << error.what();
    }
    SpecimenBlock widest;
    widest.cellWidth = (kPngMaxSide - 1) / kSpecimenColumns - 2 * 4 - 1;
    widest.cellHeight = 64;
    EXPECT_EQ(renderSpecimen(widest).width, specimenLayout(widest).imageWidth);
    EXPECT_LE(specimenLayout(widest).imageWidth, kPngMaxSide);
    ++widest.cellWidth;
    EXPECT_THROW(renderSpecimen(widest), FontKitError);
}

TEST(Specimen, LayoutHoldsCellInkAndAdvance) {
    SpecimenBlock block;
    block.cellWidth = 6;
    block.cellHeight = 8;
    block.baseline = 6;
    // A glyph reaching one dot left of the pen and one row above the cell, advance 9.
    block.glyphs.push_back({0x41, GlyphPicture{{"##", "##"}}, -1, 7, 9});
    for (int code = 0x42; code < 0x42 + 16; ++code) {
        block.glyphs.push_back({code, GlyphPicture{{"#"}}, 0, 1, 6});
    }
    const SpecimenLayout layout = specimenLayout(block);
    EXPECT_EQ(layout.boxLeft, -1);
    EXPECT_EQ(layout.boxTop, -1);
    EXPECT_EQ(layout.boxWidth, 10);
    EXPECT_EQ(layout.boxHeight, 9);
    EXPECT_EQ(layout.scale, 7);  // 64 / 9
    EXPECT_EQ(layout.tileWidth, 70 + 2 * 4 + 1);
    EXPECT_EQ(layout.tileHeight, 63 + 3 * 4 + 2 * 6 * 2 + 1);
    EXPECT_EQ(layout.rows, 2);
    EXPECT_EQ(layout.imageWidth, 16 * layout.tileWidth + 1);
    EXPECT_EQ(layout.imageHeight, 2 * layout.tileHeight + 1);

    const RgbImage image = renderSpecimen(block);
    ASSERT_EQ(image.width, layout.imageWidth);
    ASSERT_EQ(image.height, layout.imageHeight);
    // First tile: box corner at (5, 5); the pen one dot (7 pixels) right of it, the cell top one
    // row down. The glyph's top-left dot covers (5..11, 5..11); its 2 x 2 dots end at 19.
    EXPECT_EQ(image.at(5, 5), kSpecimenInk);
    EXPECT_EQ(image.at(18, 18), kSpecimenInk);
    EXPECT_EQ(image.at(19, 19), kSpecimenCell);
    EXPECT_EQ(image.at(12 + 9 * 7, 30), kSpecimenAdvance);
    EXPECT_EQ(image.at(60, 5 + 7 + 6 * 7), kSpecimenBaseline);
    EXPECT_EQ(image.at(0, 40), kSpecimenGrid);
    EXPECT_EQ(image.at(4, 4), kSpecimenPaper);
    int labelPixels = 0;
    for (int y = 5 + 63; y < layout.tileHeight; ++y) {
        for (int x = 1; x < layout.tileWidth; ++x) labelPixels += image.at(x, y) == kSpecimenLabel;
    }
    EXPECT_GT(labelPixels, 40) << "the first tile has its labels";
}

TEST(Specimen, LabelFontDrawsDigits) {
    RgbImage image(7, 5, 0xFFFFFF);
    EXPECT_EQ(drawLabel(image, 0, 0, "10", 0, 1), 8);
    const char* expected[] = {".#..###", "##..#.#", ".#..#.#", ".#..#.#", "###.###"};
    for (int y = 0; y < 5; ++y) {
        std::string row;
        for (int x = 0; x < 7; ++x) row += image.at(x, y) == 0 ? '#' : '.';
        EXPECT_EQ(row, expected[y]) << "row " << y;
    }
    EXPECT_EQ(labelWidth("x41", 2), 22);
}

const char* const kGoodManifest = R"(# two files
fonts-path fonts
fonts-path /abs/fonts

file A.bin
block 0
  source DejaVuSansMono.ttf 12
  fallback DejaVuSans.ttf 12
  cell 8 14
  baseline 11
  codes 0x20 126
  charmap cp850
  char 0x24 U+20AC      # a euro sign at $
  advance 0x20 5
  move 0x41 1 -1
  omit 0x7F
block 1
  bdf block1.bdf

file Z.bin
block 0
  source DejaVuSans.ttf 16
  cell 12 19
  spacing proportional
)";

TEST(Manifest, ParsesFilesBlocksAndOverrides) {
    const Manifest manifest = parseManifest(kGoodManifest, "m.txt", "/base");
    EXPECT_EQ(manifest.searchPaths, (std::vector<std::string>{"/base/fonts", "/abs/fonts"}));
    ASSERT_EQ(manifest.files.size(), 2u);
    const FileSpec& a = manifest.files[0];
    EXPECT_EQ(a.kind, FontFileKind::A);
    ASSERT_EQ(a.blocks.size(), 2u);
    const BlockSpec& block = a.blocks[0];
    ASSERT_EQ(block.sources.size(), 2u);
    EXPECT_EQ(block.sources[1].path, "DejaVuSans.ttf");
    EXPECT_EQ(block.sources[1].pixelSize, 12);
    EXPECT_EQ(block.cellWidth, 8);
    EXPECT_EQ(block.cellHeight, 14);
    EXPECT_EQ(block.baseline, 11);
    EXPECT_EQ(block.firstCode, 32);
    EXPECT_EQ(block.lastCode, 126);
    EXPECT_FALSE(block.proportional);
    EXPECT_EQ(block.characterMap, CharacterMap::Cp850);
    ASSERT_TRUE(block.overrideFor(0x24));
    EXPECT_EQ(block.overrideFor(0x24)->character, U'€');
    EXPECT_EQ(block.overrideFor(0x20)->advance, 5);
    EXPECT_EQ(block.overrideFor(0x41)->moveX, 1);
    EXPECT_EQ(block.overrideFor(0x41)->moveY, -1);
    EXPECT_TRUE(block.overrideFor(0x7F)->omit);
    EXPECT_EQ(block.overrideFor(0x42), nullptr);
    EXPECT_EQ(a.blocks[1].bdfPath, "block1.bdf");
    EXPECT_TRUE(manifest.files[1].blocks[0].proportional);
    EXPECT_EQ(manifest.file(FontFileKind::Z), &manifest.files[1]);
    EXPECT_EQ(manifest.file(FontFileKind::B), nullptr);
}

TEST(Manifest, ResolvesFontsAgainstItsFolderThenTheSearchPaths) {
    std::filesystem::create_directories("resolve/fonts");
    std::fclose(std::fopen("resolve/fonts/a.pcf", "wb"));
    std::fclose(std::fopen("resolve/b.ttf", "wb"));
    const Manifest manifest = parseManifest("fonts-path fonts\n", "m", "resolve");
    EXPECT_EQ(manifest.resolveFontPath("a.pcf"), "resolve/fonts/a.pcf");
    EXPECT_EQ(manifest.resolveFontPath("b.ttf"), "resolve/b.ttf");
    try {
        manifest.resolveFontPath("c.ttf");
        ADD_FAILURE() << "found a font that does not exist";
    } catch (const FontKitError& error) {
        EXPECT_STREQ(error.what(),
                     "font c.ttf not found (looked for resolve/c.ttf, resolve/fonts/c.ttf)");
    }
}

TEST(Manifest, RefusesMalformedTextWithTheLine) {
    const std::string block = "file A.bin\nblock 0\n";
    const std::string ok = block + "source f.ttf 12\ncell 8 12\n";
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {"source f.ttf 12\n", "m:1: source outside a block"},
        {"block 0\n", "m:1: block outside a file"},
        {"file C.bin\n", "m:1: unknown font file \"C.bin\""},
        {"file A.bin\nfile A.bin\n", "m:2: file A.bin is given twice"},
        {"file A.bin\n", "m:1: file A.bin has no blocks"},
        {"file A.bin\nblock 36\n", "m:2: block number 36 is outside 0 to 35"},
        {"file B.bin\nblock 5\n", "m:2: block number 5 is outside 0 to 4"},
        {block + "block 0\n", "m:3: block 0 is given twice"},
        {block + "cell 8\n", "m:3: cell takes 2 values"},
        {block + "cell 8 300\n", "m:3: cell height 300 is outside 1 to 255"},
        {block + "cell 8 1x\n", "m:3: cell height \"1x\" is not a number"},
        {block + "cell 8 99999999999\n", "m:3: cell height \"99999999999\" is not a number"},
        {block + "codes 200 100\n", "m:3: first code above last code"},
        {block + "spacing wide\n", "m:3: spacing is fixed or proportional"},
        {block + "charmap cp1252\n", "m:3: unknown character map \"cp1252\""},
        {block + "char 65 A\n", "m:3: character \"A\" is not written U+XXXX"},
        {block + "char 65 U+D800\n", "m:3: character U+D800 is not a Unicode character"},
        {block + "char 256 U+41\n", "m:3: code 256 is outside 0 to 255"},
        {block + "fallback f.ttf 12\n", "m:3: fallback before source"},
        {block + "colour red\n", "m:3: unknown keyword \"colour\""},
        {block, "m:2: A.bin block 0 has no source"},
        {block + "source f.ttf 12\n", "m:2: A.bin block 0 has no cell"},
        {ok + "bdf x.bdf\n", "m:2: A.bin block 0 has both a bdf and a source"},
        {ok + "baseline 13\n", "m:2: A.bin block 0: baseline below the cell"},
        {"file B.bin\nblock 0\nsource f.ttf 12\ncell 10 12\ncharmap cp437\n",
         "m:2: B.bin block 0: file B takes its characters from the code tables"},
        {std::string(2000, '#') + "\n", "m:1: line longer than 1024 characters"},
    };
    for (const auto& c : cases) {
        try {
            parseManifest(c.text, "m", ".");
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const FontKitError& error) {
            EXPECT_EQ(std::string(error.what()).rfind(c.error, 0), 0u)
                << "got \"" << error.what() << "\", expected \"" << c.error << "\"";
        }
    }
    EXPECT_THROW(parseManifest(std::string(kManifestMaxSize + 1, ' '), "m", "."), FontKitError);
}

}  // namespace
}  // namespace txr::fontkit

// The font kit's set build: manifests, specimens, round trips, the bundled set and its BDF dump.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fontkit/bdf.h"
#include "fontkit/file_io.h"
#include "fontkit/font_builder.h"
#include "fontkit/font_file_a.h"
#include "fontkit/font_file_b.h"
#include "fontkit/font_file_z.h"
#include "fontkit/fontkit_error.h"
#include "fontkit/manifest.h"
#include "fontkit/png_writer.h"
#include "fontkit/specimen.h"
#include "txr/encoding.h"

namespace txr::fontkit {
namespace {

const std::string kFontsFolder = std::string(TXR_SOURCE_DIR) + "/fonts";

const FontFileKind kBundled[] = {FontFileKind::A, FontFileKind::A300, FontFileKind::B,
                                 FontFileKind::B300, FontFileKind::Z};

std::vector<std::uint8_t> bundled(FontFileKind kind) {
    return readFileBytes(kFontsFolder + "/" + fontFileName(kind), 16u << 20);
}

// Dump to BDF text, parse it again and build: the bytes must come back.
std::vector<std::uint8_t> throughBdfText(FontFileKind kind,
                                         const std::vector<std::uint8_t>& bytes) {
    std::vector<BdfFont> fonts;
    for (const BdfFont& font : dumpFontFile(kind, bytes)) fonts.push_back(readBdf(writeBdf(font)));
    return buildFromBdf(kind, fonts);
}

// Every bundled file, and odd glyphs: ink in padding bits, a width but no rows, negative offsets,
// an empty block.
TEST(FontSet, EveryBundledFileAndOddGlyphsOfFileASurviveDumpThenBuild) {
    for (FontFileKind kind : kBundled) {
        const std::vector<std::uint8_t> bytes = bundled(kind);
        EXPECT_EQ(throughBdfText(kind, bytes), bytes) << fontFileName(kind);
    }
    FontBlockA first{0x20, 0x43, 7, 10, 12, {}};
    first.glyphs.push_back({0x41, {{"##########", "#.........", ".........#"}}, -2, 5, 258});
    first.glyphs.push_back({0x42, {{"#.#", ".#"}}, 0, -3, 4, 1});
    first.glyphs.push_back({0x20, {}, 0, 0, 6, 5});
    FontBlockA empty{0, 0, 0, 1, 1, {}};
    for (FontFileKind kind : {FontFileKind::A, FontFileKind::A300}) {
        const std::vector<std::uint8_t> bytes = writeFontFileA({first, empty});
        EXPECT_EQ(throughBdfText(kind, bytes), bytes) << fontFileName(kind);
    }
    const std::vector<BdfFont> fonts = dumpFontFile(FontFileKind::A, writeFontFileA({first}));
    ASSERT_EQ(fonts.size(), 1u);
    EXPECT_EQ(fonts[0].property("TXR_GLYPH_WIDTHS")->value, "66:1");
    EXPECT_EQ(fonts[0].intProperty("TXR_BASELINE", 0, 99), 7);
    EXPECT_EQ(fonts[0].intProperty("FONT_ASCENT", 0, 99), 5) << "block 0 counts from the bottom";
}

TEST(FontSet, EveryGlyphNumberTheCodeTablesReachHasInk) {
    for (FontFileKind kind : {FontFileKind::B, FontFileKind::B300}) {
        const int resolution = fileResolution(kind);
        const std::vector<std::uint8_t> bytes = bundled(kind);
        for (int font = 0; font <= 4; ++font) {
            for (int charSet = 0; charSet <= 14; ++charSet) {
                for (int code = 0; code <= 255; ++code) {
                    const auto number = glyphNumberB(resolution, font, charSet, code);
                    if (!number) continue;
                    const auto glyph = readGlyphB(bytes, resolution, font, *number);
                    ASSERT_TRUE(glyph);
                    bool ink = false;
                    for (int y = 0; y < glyph->cellHeight && !ink; ++y) {
                        for (int x = 0; x < glyph->cellWidth; ++x) ink = ink || glyph->ink(x, y);
                    }
                    EXPECT_TRUE(ink) << fontFileName(kind) << " font " << font << " set " << charSet
                                     << " code " << code << " glyph " << *number;
                }
            }
        }
    }
}

TEST(FontSet, RebuildsByteForByte) {
    const Manifest manifest = readManifestFile(kFontsFolder + "/manifest.txt");
    for (const char* font : {"DejaVuSans.ttf", "ter-u12n_unicode.pcf.gz"}) {
        try {
            manifest.resolveFontPath(font);
        } catch (const FontKitError&) {
            GTEST_SKIP() << font << " is not installed";
        }
    }
    FontCache cache;
    for (const FileSpec& file : manifest.files) {
        BuildReport report;
        const std::vector<std::uint8_t> rebuilt = buildFontFile(manifest, file, cache, report);
        EXPECT_TRUE(rebuilt == bundled(file.kind))
            << file.name << " differs from its rebuild (" << rebuilt.size() << " bytes)";
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
    EXPECT_EQ((std::vector<int>{block.sources[1].pixelSize, block.cellWidth, block.cellHeight,
                                block.firstCode, block.lastCode}),
              (std::vector<int>{12, 8, 14, 32, 126}));
    EXPECT_EQ(block.baseline, 11);
    EXPECT_FALSE(block.proportional);
    EXPECT_EQ(block.characterMap, CharacterMap::Cp850);
    ASSERT_TRUE(block.overrideFor(0x24));
    EXPECT_EQ(block.overrideFor(0x24)->character, U'€');
    EXPECT_EQ(block.overrideFor(0x20)->advance, 5);
    EXPECT_EQ(std::make_pair(block.overrideFor(0x41)->moveX, block.overrideFor(0x41)->moveY),
              std::make_pair(1, -1));
    EXPECT_TRUE(block.overrideFor(0x7F)->omit);
    EXPECT_EQ(block.overrideFor(0x42), nullptr);
    EXPECT_EQ(a.blocks[1].bdfPath, "block1.bdf");
    EXPECT_TRUE(manifest.files[1].blocks[0].proportional);
    EXPECT_EQ(manifest.file(FontFileKind::Z), &manifest.files[1]);
    EXPECT_EQ(manifest.file(FontFileKind::B), nullptr);
}

TEST(Manifest, RefusesMalformedTextWithTheLine) {
    const std::string block = "file A.bin\nblock 0\n";
    const std::string ok = block + "source f.ttf 12\ncell 8 12\n";
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {"source f.ttf 12\n", "m:1: source outside a block"},
        {"file C.bin\n", "m:1: unknown font file \"C.bin\""},
        {"file A.bin\nfile A.bin\n", "m:2: file A.bin is given twice"},
        {"file A.bin\nblock 36\n", "m:2: block number 36 is outside 0 to 35"},
        {block + "block 0\n", "m:3: block 0 is given twice"},
        {block + "cell 8 300\n", "m:3: cell height 300 is outside 1 to 255"},
        {block + "cell 8 99999999999\n", "m:3: cell height \"99999999999\" is not a number"},
        {block + "codes 200 100\n", "m:3: first code above last code"},
        {block + "char 65 U+D800\n", "m:3: character U+D800 is not a Unicode character"},
        {block + "char 256 U+41\n", "m:3: code 256 is outside 0 to 255"},
        {block + "colour red\n", "m:3: unknown keyword \"colour\""},
        {block, "m:2: A.bin block 0 has no source"},
        {ok + "bdf x.bdf\n", "m:2: A.bin block 0 has both a bdf and a source"},
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

// Every glyph of `block` looked up in the BDF `path` by FreeType, by the character its byte
// stands for; "" when each is found and drawn as stored, else what differed.
template <class Glyph>
std::string differences(FT_Library library, const std::string& path,
                        const std::vector<Glyph>& glyphs, CharacterMap map) {
    FT_Face face = nullptr;
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0) return "FreeType cannot open it";
    std::string found;
    if (face->charmap == nullptr || face->charmap->encoding != FT_ENCODING_UNICODE) {
        found += " no Unicode character map selected;";
    }
    for (const Glyph& glyph : glyphs) {
        const char32_t character = characterOf(map, static_cast<std::uint8_t>(glyph.code));
        const FT_UInt index = FT_Get_Char_Index(face, character);
        const std::string what = " " + unicodeName(character);
        if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0) {
            found += what + " not found;";
            continue;
        }
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        if (slot->advance.x / 64 != glyph.advance) found += what + " advance;";
        if (bitmap.rows > 0 &&
            (slot->bitmap_left != glyph.leftOffset || slot->bitmap_top != glyph.ascent)) {
            found += what + " offsets;";
        }
        // Every stored dot lies within the box FreeType reports, so comparing the box suffices.
        if (static_cast<int>(bitmap.width) < glyph.picture.width() ||
            static_cast<int>(bitmap.rows) < glyph.picture.height()) {
            found += what + " box;";
        }
        for (unsigned y = 0; y < bitmap.rows; ++y) {
            for (unsigned x = 0; x < bitmap.width; ++x) {
                const bool ink = (bitmap.buffer[y * static_cast<unsigned>(bitmap.pitch) + x / 8] >>
                                  (7 - x % 8)) &
                                 1;
                if (ink != glyph.picture.ink(static_cast<int>(x), static_cast<int>(y))) {
                    found += what + " dots;";
                    y = bitmap.rows;
                    break;
                }
            }
        }
    }
    FT_Done_Face(face);
    return found;
}

TEST(BdfDump, FreeTypeFindsEveryGlyphByCharacter) {
    FT_Library library = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    const Manifest manifest = readManifestFile(kFontsFolder + "/manifest.txt");
    for (const FontFileKind kind : {FontFileKind::A, FontFileKind::Z}) {
        const auto bytes = bundled(kind);
        const std::vector<BdfFont> fonts = dumpFontFile(kind, bytes, &manifest);
        for (std::size_t block = 0; block < fonts.size(); ++block) {
            const std::string path = "block.bdf";
            writeBdfFile(path, fonts[block]);
            const CharacterMap map = manifest.codePage(kind, static_cast<int>(block));
            const std::string where = fontFileName(kind) + " block " + std::to_string(block);
            const std::string found =
                kind == FontFileKind::A
                    ? differences(library, path, readFontFileA(bytes)[block].glyphs, map)
                    : differences(library, path, (*readFontFileZ(bytes))[block].glyphs, map);
            EXPECT_EQ(found, "") << where;
            EXPECT_EQ(fonts[block].property("FAMILY_NAME")->value, where);
            EXPECT_EQ(fonts[block].property("WEIGHT_NAME")->value,
                      kind == FontFileKind::A && block >= 17 ? "Bold" : "Medium");
        }
    }
    FT_Done_FreeType(library);
}

}  // namespace
}  // namespace txr::fontkit

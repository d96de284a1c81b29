// The font builder and the bundled font set: dump-then-build round trips, BDFs from elsewhere,
// the shape of each bundled file, and a byte-for-byte rebuild from the source fonts.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fontkit/bdf.h"
#include "fontkit/code_pages.h"
#include "fontkit/file_io.h"
#include "fontkit/font_builder.h"
#include "fontkit/font_file_a.h"
#include "fontkit/font_file_b.h"
#include "fontkit/font_file_z.h"
#include "fontkit/fontkit_error.h"

namespace txr::fontkit {
namespace {

const std::string kFontsFolder = std::string(TXR_SOURCE_DIR) + "/fonts";

struct BundledFile {
    FontFileKind kind;
    int blocks;
};
const BundledFile kBundled[] = {{FontFileKind::A, 25},
                                {FontFileKind::A300, 16},
                                {FontFileKind::B, 5},
                                {FontFileKind::B300, 5},
                                {FontFileKind::Z, 8}};

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

TEST(FontBuilder, DumpThenBuildKeepsOddGlyphsOfFileA) {
    // Ink in padding bits, a glyph with a width but no rows, negative offsets, an empty block.
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

TEST(FontBuilder, DumpThenBuildKeepsFileZAndFileB) {
    FontBlockZ block{9, 14, 11, {}};
    block.glyphs.push_back({0x41, {{"..##..", ".#..#.", "######"}}, 1, 3, 7});
    block.glyphs.push_back({0xFF, {{"#"}}, 0, 0, 2, 3});
    const std::vector<std::uint8_t> z = writeFontFileZ({block, block});
    EXPECT_EQ(throughBdfText(FontFileKind::Z, z), z);

    const FontFileBResult b =
        buildFontFileB(300, {{0, 15, {{"#", ".#"}}},
                             {4, 155, {{"", "", "#"}}},
                             {2, 0, {{std::string(32, '#')}}}});  // ink beyond the 20-dot cell
    ASSERT_TRUE(b.ok()) << b.error;
    EXPECT_EQ(throughBdfText(FontFileKind::B300, b.bytes), b.bytes);
    const std::vector<BdfFont> fonts = dumpFontFile(FontFileKind::B300, b.bytes);
    ASSERT_EQ(fonts.size(), 5u);
    ASSERT_EQ(fonts[0].glyphs.size(), 1u);
    EXPECT_EQ(fonts[0].glyphs[0].name, "uni0041") << "glyph 15 is A";
    EXPECT_EQ(fonts[2].glyphs[0].width, 32);
}

TEST(FontBuilder, BuildsFromBdfsMadeElsewhere) {
    // No TXR_ properties: cell from PIXEL_SIZE and the widest advance, codes from the glyphs,
    // block numbers from the order given.
    const std::string text =
        "STARTFONT 2.1\nFONT x\nSIZE 9 75 75\nFONTBOUNDINGBOX 4 4 0 0\nSTARTPROPERTIES 3\n"
        "PIXEL_SIZE 9\nFONT_ASCENT 7\nFONT_DESCENT 2\nENDPROPERTIES\nCHARS 2\n"
        "STARTCHAR a\nENCODING 97\nDWIDTH 5 0\nBBX 4 4 0 0\nBITMAP\n60\n90\n90\n70\nENDCHAR\n"
        "STARTCHAR b\nENCODING 98\nDWIDTH 6 0\nBBX 1 6 0 0\nBITMAP\n80\n80\n80\n80\n80\n80\n"
        "ENDCHAR\nENDFONT\n";
    const BdfFont font = readBdf(text);
    const std::vector<FontBlockA> blocks =
        readFontFileA(buildFromBdf(FontFileKind::A, {font, font}));
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[1].firstCode, 97);
    EXPECT_EQ(blocks[1].lastCode, 98);
    EXPECT_EQ(blocks[1].cellWidth, 6);
    EXPECT_EQ(blocks[1].cellHeight, 9);
    EXPECT_EQ(blocks[1].baseLine, 2) << "blocks up to 16 count the baseline from the bottom";
    EXPECT_EQ(blocks[1].glyphs[0].picture.rows,
              (std::vector<std::string>{".##.", "#..#", "#..#", ".###"}));

    BdfFont misfiled = font;
    misfiled.setProperty("TXR_FILE", "Z.bin");
    BdfFont blockTwo = font;
    blockTwo.setProperty("TXR_BLOCK", 2);
    BdfFont wideCode = font;
    wideCode.glyphs[0].code = 300;
    const struct {
        FontFileKind kind;
        std::vector<BdfFont> fonts;
        const char* error;
    } refused[] = {
        {FontFileKind::A, {misfiled}, "a BDF of Z.bin cannot go into A.bin"},
        {FontFileKind::A, {font, blockTwo}, "A.bin: block 1 is missing"},
        {FontFileKind::Z, {blockTwo, blockTwo}, "Z.bin: block 2 given twice"},
        {FontFileKind::Z, {wideCode}, "Z.bin block 0: glyph \"a\" has encoding 300"},
    };
    for (const auto& c : refused) {
        try {
            buildFromBdf(c.kind, c.fonts);
            ADD_FAILURE() << "built despite: " << c.error;
        } catch (const FontKitError& error) {
            EXPECT_EQ(std::string(error.what()).rfind(c.error, 0), 0u) << error.what();
        }
    }
}

TEST(FontBuilder, DescribesAFile) {
    FontBlockA block{0x20, 0x7E, 3, 8, 12, {}};
    block.glyphs.push_back({0x41, {{"#"}}, 0, 1, 8});
    const std::vector<std::uint8_t> bytes = writeFontFileA({block});
    EXPECT_EQ(describeFontFile(FontFileKind::A, bytes),
              "A.bin: " + std::to_string(bytes.size()) +
                  " bytes, 1 blocks\n"
                  "block 0: cell 8 x 12, baseline 3, fixed, codes 32-126, 1 glyphs\n");
    EXPECT_THROW(describeFontFile(FontFileKind::A, {1, 2, 3}), FontKitError);
    EXPECT_THROW(specimenOfBlock(FontFileKind::A, bytes, 1), FontKitError);
}

TEST(FontSet, EveryBundledFileSurvivesDumpThenBuild) {
    for (const BundledFile& file : kBundled) {
        const std::vector<std::uint8_t> bytes = bundled(file.kind);
        EXPECT_EQ(throughBdfText(file.kind, bytes), bytes) << fontFileName(file.kind);
    }
}

TEST(FontSet, BlocksCoverAsciiOnTheirBaselines) {
    for (const BundledFile& file : kBundled) {
        if (file.kind == FontFileKind::B || file.kind == FontFileKind::B300) continue;
        const std::vector<BdfFont> fonts = dumpFontFile(file.kind, bundled(file.kind));
        ASSERT_EQ(static_cast<int>(fonts.size()), file.blocks) << fontFileName(file.kind);
        for (std::size_t i = 0; i < fonts.size(); ++i) {
            const BdfFont& font = fonts[i];
            const std::string where = fontFileName(file.kind) + " block " + std::to_string(i);
            for (int code = 0x21; code <= 0x7E; ++code) {
                const BdfGlyph* glyph = font.glyph(code);
                ASSERT_TRUE(glyph && glyph->rows > 0) << where << " lacks code " << code;
                EXPECT_GT(glyph->advance, 0) << where << " code " << code;
            }
            // Capitals stand on the baseline; descenders go below it.
            for (int code : {'H', 'E', 'X'}) {
                EXPECT_EQ(font.glyph(code)->ascent, font.glyph(code)->rows) << where;
            }
            EXPECT_LT(font.glyph('g')->ascent, font.glyph('g')->rows) << where;
            const int ascent = static_cast<int>(*font.intProperty("FONT_ASCENT", 0, 255));
            EXPECT_LE(font.glyph('H')->ascent, ascent) << where;
        }
    }
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

TEST(FontSet, GlyphNumbersStandForTheCodeTablesCharacters) {
    const std::vector<char32_t> characters = familyOneGlyphCharacters(
        [](int resolution, int font, int charSet, int code) {
            return glyphNumberB(resolution, font, charSet, code).value_or(-1);
        },
        164);
    const struct {
        int glyph;
        char32_t character;
    } named[] = {{0, U'&'},   {4, U'0'},   {15, U'A'},  {48, U'£'},  {50, U'¢'},
                 {59, U'Ø'},  {71, U'Ì'},  {87, U'='},  {122, U'¾'}, {123, U'¶'},
                 {146, U'ø'}, {150, U'ú'}, {158, U'τ'}, {163, U'⌂'}};
    for (const auto& entry : named) {
        EXPECT_EQ(characters[static_cast<std::size_t>(entry.glyph)], entry.character)
            << "glyph " << entry.glyph;
    }
    for (std::size_t glyph = 0; glyph < characters.size(); ++glyph) {
        EXPECT_NE(characters[glyph], kNoCharacter) << "glyph " << glyph << " has no character";
    }
    // The 7-bit sets reach glyphs of their own national characters, except the Spanish set's
    // peseta sign, which its table sends to the glyph of '!'.
    for (int charSet = 6; charSet <= 14; ++charSet) {
        for (int code = 32; code <= 122; ++code) {
            const auto glyph = glyphNumberB(203, 0, charSet, code);
            if (!glyph || (charSet == 12 && code == '#')) continue;
            EXPECT_EQ(characters[static_cast<std::size_t>(*glyph)],
                      nationalCharacter(charSet, static_cast<std::uint8_t>(code)))
                << "set " << charSet << " code " << code;
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

}  // namespace
}  // namespace txr::fontkit

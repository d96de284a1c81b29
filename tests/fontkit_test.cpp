// Font kit: BDF writing and reading (checked against FreeType), FreeType rendering of standard
// fonts, and the code-page tables.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fontkit/bdf.h"
#include "fontkit/code_pages.h"
#include "fontkit/file_io.h"
#include "fontkit/fontkit_error.h"
#include "fontkit/freetype_glyphs.h"

namespace txr::fontkit {
namespace {

const char* const kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

BdfGlyph makeGlyph(int code, int advance, int leftOffset, int ascent,
                   std::vector<std::string> rows) {
    BdfGlyph glyph;
    glyph.code = code;
    glyph.advance = advance;
    glyph.leftOffset = leftOffset;
    glyph.ascent = ascent;
    glyph.setPicture(GlyphPicture{std::move(rows)});
    return glyph;
}

// A 7-pixel block with an 'A' below and above the baseline, a wide glyph with a negative left
// offset, and an empty space glyph.
BdfFont sampleFont() {
    BdfFont font;
    font.name = "-txr-sample-medium-r-normal--7-50-100-100-p-50-txr-byte";
    font.pointSize = 5;
    font.xResolution = 100;
    font.yResolution = 100;
    font.setProperty("PIXEL_SIZE", 7);
    font.setProperty("FONT_ASCENT", 6);
    font.setProperty("FONT_DESCENT", 1);
    font.setProperty("CHARSET_REGISTRY", "TXR");
    font.setProperty("CHARSET_ENCODING", "BYTE");
    font.setProperty("TXR_HEADER", "00 \"quoted\" FF");
    font.glyphs.push_back(makeGlyph(0x41, 6, 0, 5,
                                    {".##..",  //
                                     "#..#.",  //
                                     "####.",  //
                                     "#..#.",  //
                                     "#..##"}));
    font.glyphs.push_back(makeGlyph(0xC9, 11, -1, 6,
                                    {"##########",  //
                                     "#........#",  //
                                     "#........#",  //
                                     "#........#",  //
                                     "#........#",  //
                                     "#........#",  //
                                     "##########"}));
    font.glyphs.push_back(makeGlyph(0x20, 3, 0, 0, {}));
    return font;
}

TEST(Bdf, WritesTheStandardLayout) {
    BdfFont font = sampleFont();
    font.glyphs.resize(1);
    font.properties.resize(1);
    EXPECT_EQ(writeBdf(font),
              "STARTFONT 2.1\n"
              "FONT -txr-sample-medium-r-normal--7-50-100-100-p-50-txr-byte\n"
              "SIZE 5 100 100\n"
              "FONTBOUNDINGBOX 5 5 0 0\n"
              "STARTPROPERTIES 1\n"
              "PIXEL_SIZE 7\n"
              "ENDPROPERTIES\n"
              "CHARS 1\n"
              "STARTCHAR C65\n"
              "ENCODING 65\n"
              "SWIDTH 857 0\n"
              "DWIDTH 6 0\n"
              "BBX 5 5 0 0\n"
              "BITMAP\n60\n90\nF0\n90\n98\n"
              "ENDCHAR\n"
              "ENDFONT\n");
}

// The writer puts every field down, so text that reads back and rewrites the same lost nothing.
TEST(Bdf, RoundTripsThroughText) {
    const BdfFont font = sampleFont();
    const std::string text = writeBdf(font);
    EXPECT_NE(text.find("FONTBOUNDINGBOX 10 7 -1 -1\n"), std::string::npos);
    EXPECT_NE(text.find("TXR_HEADER \"00 \"\"quoted\"\" FF\"\n"), std::string::npos);
    const BdfFont back = readBdf(text);
    EXPECT_EQ(writeBdf(back), text);
    ASSERT_EQ(back.glyphs.size(), font.glyphs.size());
    EXPECT_EQ(back.glyphs[1].picture().rows, font.glyphs[1].picture().rows);
    EXPECT_EQ(back.properties.back().value, "00 \"quoted\" FF");
}

TEST(Bdf, FreeTypeReadsOurOutputTheSameWay) {
    const BdfFont font = sampleFont();
    const std::string path = "freetype_reads.bdf";
    writeBdfFile(path, font);
    FreeTypeFont face(path, 7);
    EXPECT_FALSE(face.isOutline());
    EXPECT_EQ(face.metrics().ascender, 6);
    EXPECT_EQ(face.metrics().descender, 1);
    for (const BdfGlyph& glyph : font.glyphs) {
        const auto rendered = face.render(static_cast<char32_t>(glyph.code));
        ASSERT_TRUE(rendered) << "code " << glyph.code;
        EXPECT_EQ(rendered->advance, glyph.advance) << "code " << glyph.code;
        EXPECT_EQ(rendered->picture.rows, glyph.picture().rows) << "code " << glyph.code;
        if (glyph.width > 0) {
            EXPECT_EQ(rendered->leftOffset, glyph.leftOffset) << "code " << glyph.code;
            EXPECT_EQ(rendered->ascent, glyph.ascent) << "code " << glyph.code;
        }
    }
    EXPECT_FALSE(face.render(0x42));
    EXPECT_THROW(FreeTypeFont(path, 8), FontKitError);
}

TEST(Bdf, ReadsWhatOtherEditorsWrite) {
    // Comments, blank lines, CRLF, lower-case hex, rows padded to 16 bits, font-wide widths.
    const std::string text =
        "COMMENT made elsewhere\r\nSTARTFONT 2.1\r\nFONT x\r\nSIZE 8 75 75\r\n"
        "FONTBOUNDINGBOX 3 2 0 0\r\nCOMMENT\r\n\r\nDWIDTH 4 0\r\nCHARS 1\r\n"
        "STARTCHAR dot pair\r\nENCODING 46 -1\r\nSWIDTH 500 0\r\nDWIDTH 4 0\r\n"
        "BBX 3 2 0 0\r\nBITMAP\r\na000\r\n2000\r\nENDCHAR\r\nENDFONT\r\n";
    const BdfFont font = readBdf(text);
    ASSERT_EQ(font.glyphs.size(), 1u);
    EXPECT_EQ(font.glyphs[0].name, "dot pair");
    EXPECT_EQ(font.glyphs[0].picture().rows, (std::vector<std::string>{"#.#", "..#"}));
    EXPECT_TRUE(font.properties.empty());
}

// Found by fuzzing (tests/data/crashers/bdf_pixel_size_zero.bdf): the reader took a PIXEL_SIZE
// of 0 and the writer then refused the font it was given. Whatever PIXEL_SIZE holds, the writer
// writes the font, with SWIDTH per pixel when the value cannot be an em.
TEST(Bdf, WriterTakesEveryPixelSizeTheReaderTook) {
    const std::string crasher =
        readFileText(std::string(TXR_SOURCE_DIR) + "/tests/data/crashers/bdf_pixel_size_zero.bdf",
                     kBdfMaxFileSize);
    const BdfFont fromCrasher = readBdf(crasher);
    EXPECT_EQ(writeBdf(readBdf(writeBdf(fromCrasher))), writeBdf(fromCrasher));

    const std::string head = "STARTFONT 2.1\nFONT f\nSIZE 8 75 75\nFONTBOUNDINGBOX 8 8 0 0\n";
    const std::string glyph =
        "CHARS 1\nSTARTCHAR a\nENCODING 65\nDWIDTH 6 0\nBBX 1 1 0 0\nBITMAP\n80\nENDCHAR\n";
    const struct {
        const char* pixelSize;
        const char* swidth;
    } cases[] = {{"8", "SWIDTH 750 0"},
                 {"0", "SWIDTH 6000 0"},
                 {"-4", "SWIDTH 6000 0"},
                 {"\"8\"", "SWIDTH 6000 0"},
                 {"2147483647", "SWIDTH 0 0"}};
    for (const auto& c : cases) {
        const BdfFont font = readBdf(head + "STARTPROPERTIES 1\nPIXEL_SIZE " + c.pixelSize +
                                     "\nENDPROPERTIES\n" + glyph + "ENDFONT\n");
        const std::string written = writeBdf(font);
        EXPECT_NE(written.find(std::string("\n") + c.swidth + "\n"), std::string::npos)
            << "PIXEL_SIZE " << c.pixelSize << ":\n"
            << written;
        EXPECT_EQ(readBdf(written).properties.front().value, font.properties.front().value);
    }
}

TEST(Bdf, RefusesHostileInputWithTheLine) {
    const std::string head = "STARTFONT 2.1\nFONT f\nSIZE 8 75 75\nFONTBOUNDINGBOX 8 8 0 0\n";
    const std::string glyphHead = "CHARS 1\nSTARTCHAR a\nENCODING 65\nDWIDTH 8 0\n";
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {"", "bdf:0: text ends before STARTFONT"},
        {"STARTFONT 3.0\n", "bdf:1: STARTFONT must give version 2.1"},
        {head, "bdf:4: text ends before CHARS"},
        {"STARTFONT 2.1\nCHARS 0\n", "bdf:2: CHARS before FONT"},
        {head + "BOGUS 1\n", "bdf:5: unexpected BOGUS before CHARS"},
        {head + "CHARS 70000\n", "bdf:5: glyph count 70000 is outside 0 to 65536"},
        {head + "CHARS -1\n", "bdf:5: glyph count -1 is outside 0 to 65536"},
        {head + "CHARS 99999999999999\n", "bdf:5: glyph count \"99999999999999\" is not a number"},
        {head + "CHARS 1\nENDFONT\n", "bdf:6: CHARS announced 1 glyphs, found 0"},
        {head + "CHARS 0\nSTARTCHAR a\n", "bdf:6: more glyphs than CHARS 0 announced"},
        {head + glyphHead + "BBX 2000 1 0 0\n", "bdf:9: box width 2000 is outside 0 to 1024"},
        {head + glyphHead + "BBX 8 1 0\n", "bdf:9: BBX takes 4 values"},
        {head + glyphHead + "BITMAP\n", "bdf:9: BITMAP before BBX"},
        {head + glyphHead + "BBX 8 2 0 0\nBITMAP\nFF\n", "bdf:11: text ends inside a BITMAP"},
        {head + glyphHead + "BBX 8 1 0 0\nBITMAP\nF\n", "bdf:11: BITMAP row of 1 digits"},
        {head + glyphHead + "BBX 8 1 0 0\nBITMAP\nZZ\n", "bdf:11: \"ZZ\" is not hexadecimal"},
        {head + glyphHead + "BBX 4 1 0 0\nBITMAP\nF0F0\n", "bdf:11: ink beyond the box width"},
        {head + glyphHead + "BBX 8 1 0 0\nBITMAP\nFF\nFF\n", "bdf:12: expected ENDCHAR"},
        {head + "CHARS 1\nSTARTCHAR a\nDWIDTH 8 0\nBBX 1 1 0 0\nBITMAP\n80\nENDCHAR\n",
         "bdf:11: glyph without ENCODING"},
        {head + "CHARS 1\nSTARTCHAR a\nENCODING 1\nBBX 1 1 0 0\nBITMAP\n80\nENDCHAR\n",
         "bdf:11: glyph without DWIDTH"},
        {head + "CHARS 0\nENDFONT\nJUNK\n", "bdf:7: text after ENDFONT"},
        {head + "STARTPROPERTIES 2\nA 1\nENDPROPERTIES\n", "bdf:7: fewer properties"},
        {head + "STARTPROPERTIES 1\nA \"open\n", "bdf:6: unterminated string in A"},
        {head + "STARTPROPERTIES 2\nA 1\nA 2\n", "bdf:7: property A given twice"},
        {head + "STARTPROPERTIES 1\nA 1 2\n", "bdf:6: property A has more than one value"},
        {head + std::string(5000, 'X') + "\n", "bdf:5: line longer than 4096 characters"},
        {head + "FONT \x01\n", "bdf:5: control character in line"},
    };
    for (const auto& c : cases) {
        try {
            readBdf(c.text);
            ADD_FAILURE() << "accepted: " << c.text.substr(0, 200);
        } catch (const FontKitError& error) {
            EXPECT_EQ(std::string(error.what()).rfind(c.error, 0), 0u)
                << "got \"" << error.what() << "\", expected \"" << c.error << "\"";
        }
    }
}

TEST(Bdf, IntegerPropertiesAreCheckedWhenRead) {
    BdfFont font;
    font.setProperty("TXR_BLOCK", 7);
    font.setProperty("TXR_NAME", "seven");
    EXPECT_EQ(font.intProperty("TXR_BLOCK", 0, 35), 7);
    EXPECT_EQ(font.intProperty("TXR_MISSING", 0, 35), std::nullopt);
    EXPECT_THROW(font.intProperty("TXR_BLOCK", 0, 5), FontKitError);
    EXPECT_THROW(font.intProperty("TXR_NAME", 0, 35), FontKitError);
}

TEST(FreeTypeGlyphs, DejaVuCapitalIIsAVerticalBarOnTheBaseline) {
    if (!std::filesystem::exists(kDejaVuSans)) GTEST_SKIP() << "DejaVu Sans not installed";
    FreeTypeFont font(kDejaVuSans, 12);
    EXPECT_TRUE(font.isOutline());
    const auto glyph = font.render(U'I');
    ASSERT_TRUE(glyph);
    const GlyphPicture& picture = glyph->picture;
    ASSERT_GE(picture.height(), 8);
    ASSERT_LE(picture.height(), 10);
    EXPECT_EQ(glyph->ascent, picture.height()) << "the bar stands on the baseline";
    ASSERT_GE(picture.width(), 1);
    ASSERT_LE(picture.width(), 2);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            EXPECT_TRUE(picture.ink(x, y)) << "hole at " << x << "," << y;
        }
    }
    EXPECT_GE(glyph->advance, glyph->leftOffset + picture.width());
    EXPECT_LE(glyph->advance, 5);

    const FaceMetrics metrics = font.metrics();
    EXPECT_GE(metrics.ascender, picture.height());
    EXPECT_GE(metrics.descender, 2);
    EXPECT_FALSE(font.render(0xE000)) << "a private-use character has no glyph";
    EXPECT_FALSE(font.hasGlyph(0xE000));
    EXPECT_TRUE(font.hasGlyph(U'Ä'));
}

TEST(FreeTypeGlyphs, OpeningFailsWithTheReason) {
    EXPECT_THROW(FreeTypeFont("no/such/font.ttf", 12), FontKitError);
    EXPECT_THROW(FreeTypeFont(kDejaVuSans, 0), FontKitError);
    std::filesystem::path junk = "junk.ttf";
    {
        std::FILE* f = std::fopen(junk.c_str(), "wb");
        std::fputs("not a font", f);
        std::fclose(f);
    }
    try {
        FreeTypeFont font(junk.string(), 12);
        ADD_FAILURE() << "a text file opened as a font";
    } catch (const FontKitError& error) {
        EXPECT_NE(std::string(error.what()).find("junk.ttf: cannot open font"), std::string::npos);
    }
}

TEST(CodePages, SpotChecks) {
    const struct {
        CharacterMap map;
        int code;
        char32_t character;
    } cases[] = {
        {CharacterMap::Cp437, 0x41, U'A'},          {CharacterMap::Cp437, 0x14, U'¶'},
        {CharacterMap::Cp437, 0x7F, U'⌂'},          {CharacterMap::Cp437, 0x80, U'Ç'},
        {CharacterMap::Cp437, 0x9B, U'¢'},          {CharacterMap::Cp437, 0xE1, U'ß'},
        {CharacterMap::Cp437, 0xFF, 0xA0},          {CharacterMap::Cp437, 0x00, kNoCharacter},
        {CharacterMap::Cp850, 0x9B, U'ø'},          {CharacterMap::Cp850, 0xD5, U'ı'},
        {CharacterMap::Cp850, 0xF3, U'¾'},          {CharacterMap::Cp852, 0x85, U'ů'},
        {CharacterMap::Cp852, 0xFD, U'ř'},          {CharacterMap::Cp860, 0x84, U'ã'},
        {CharacterMap::Cp860, 0x8F, U'Â'},          {CharacterMap::Cp863, 0x84, U'Â'},
        {CharacterMap::Cp863, 0x86, U'¶'},          {CharacterMap::Cp865, 0x9D, U'Ø'},
        {CharacterMap::Cp865, 0xAF, U'¤'},          {CharacterMap::Latin1, 0xE9, U'é'},
        {CharacterMap::Latin1, 0x85, kNoCharacter}, {CharacterMap::Ascii, 0xE9, kNoCharacter},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(characterOf(c.map, static_cast<std::uint8_t>(c.code)), c.character)
            << characterMapName(c.map) << " code " << c.code;
    }
    EXPECT_EQ(characterMapByName("865"), CharacterMap::Cp865);
    EXPECT_EQ(characterMapByName("cp1252"), std::nullopt);
}

TEST(CodePages, NationalVariantsReplaceOnlyTheirCodes) {
    EXPECT_EQ(nationalCharacter(6, '#'), U'#');
    EXPECT_EQ(nationalCharacter(7, '#'), U'£');
    EXPECT_EQ(nationalCharacter(8, '['), U'Ä');
    EXPECT_EQ(nationalCharacter(8, '~'), U'ß');
    EXPECT_EQ(nationalCharacter(13, '`'), U'é');
    EXPECT_EQ(nationalCharacter(13, 'A'), U'A');
    EXPECT_EQ(nationalCharacter(13, 127), kNoCharacter);
    EXPECT_EQ(nationalCharacter(5, 'A'), kNoCharacter);
}

TEST(CodePages, FirstTableReachingAGlyphNamesIt) {
    // Glyph 1: set 0 code 0x80 (Ç) and set 1 code 0x80 (Ç); glyph 2: set 1 code 0x9B (ø) before
    // set 5's (also ø); glyph 3: set 0 reaches it by code 0x9B (¢), set 1 by 0x9B (ø): set 0 wins;
    // glyph 4: only the German 7-bit set at '['; glyph 5: no table.
    const GlyphNumberLookup lookup = [](int resolution, int font, int charSet, int code) {
        if (resolution != 300 || font != 4) return -1;
        if (code == 0x80 && charSet <= 1) return 1;
        if (code == 0x9B && (charSet == 1 || charSet == 5)) return 2;
        if (code == 0x9B && charSet == 0) return 3;
        if (code == 0x9C && charSet == 1) return 3;
        if (code == '[' && charSet == 8) return 4;
        return -1;
    };
    const auto characters = familyOneGlyphCharacters(lookup, 6);
    const std::vector<char32_t> expected = {kNoCharacter, U'Ç', U'ø', U'¢', U'Ä', kNoCharacter};
    EXPECT_EQ(characters, expected);
}

}  // namespace
}  // namespace txr::fontkit

// The font kit's readers and writers of BDF text and the three font-file layouts: what they
// refuse, with the reason (the set build and its round trips: fontkit_set_test).
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "fontkit/bdf.h"
#include "fontkit/font_file_a.h"
#include "fontkit/font_file_b.h"
#include "fontkit/font_file_z.h"
#include "fontkit/fontkit_error.h"

namespace txr::fontkit {
namespace {

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
        {head + "BOGUS 1\n", "bdf:5: unexpected BOGUS before CHARS"},
        {head + "CHARS 70000\n", "bdf:5: glyph count 70000 is outside 0 to 65536"},
        {head + "CHARS 99999999999999\n", "bdf:5: glyph count \"99999999999999\" is not a number"},
        {head + "CHARS 1\nENDFONT\n", "bdf:6: CHARS announced 1 glyphs, found 0"},
        {head + glyphHead + "BBX 2000 1 0 0\n", "bdf:9: box width 2000 is outside 0 to 1024"},
        {head + glyphHead + "BBX 8 2 0 0\nBITMAP\nFF\n", "bdf:11: text ends inside a BITMAP"},
        {head + glyphHead + "BBX 8 1 0 0\nBITMAP\nF\n", "bdf:11: BITMAP row of 1 digits"},
        {head + glyphHead + "BBX 4 1 0 0\nBITMAP\nF0F0\n", "bdf:11: ink beyond the box width"},
        {head + "CHARS 1\nSTARTCHAR a\nDWIDTH 8 0\nBBX 1 1 0 0\nBITMAP\n80\nENDCHAR\n",
         "bdf:11: glyph without ENCODING"},
        {head + "CHARS 1\nSTARTCHAR a\nENCODING 1\nBBX 1 1 0 0\nBITMAP\n80\nENDCHAR\n",
         "bdf:11: glyph without DWIDTH"},
        {head + "STARTPROPERTIES 1\nA \"open\n", "bdf:6: unterminated string in A"},
        {head + "STARTPROPERTIES 2\nA 1\nA 2\n", "bdf:7: property A given twice"},
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

using Bytes = std::vector<std::uint8_t>;

FontBlockA twoCodeBlock() {
    FontBlockA block{0x41, 0x42, 3, 10, 12, {}};
    block.glyphs.push_back({0x41, {{"##########", "#.........", ".........#"}}, -2, 5, 258});
    return block;
}

TEST(FontFileA, RefusesDescriptionsAndBytesThatBreakTheLayout) {
    FontBlockA outside = twoCodeBlock();
    outside.glyphs[0].code = 0x43;
    EXPECT_THROW(writeFontFileA({outside}), std::invalid_argument);
    FontBlockA twice = twoCodeBlock();
    twice.glyphs.push_back(twice.glyphs[0]);
    EXPECT_THROW(writeFontFileA({twice}), std::invalid_argument);

    const std::vector<std::uint8_t> good = writeFontFileA({twoCodeBlock()});
    const auto patched = [&](std::size_t offset, std::uint8_t value) {
        std::vector<std::uint8_t> bytes = good;
        bytes[offset] = value;
        return bytes;
    };
    EXPECT_THROW(readFontFileA({good.begin(), good.begin() + 59}), std::runtime_error);
    EXPECT_THROW(readFontFileA({good.begin(), good.end() - 1}), std::runtime_error);
    EXPECT_THROW(readFontFileA(patched(7, 0)), std::runtime_error);      // block size 0
    EXPECT_THROW(readFontFileA(patched(8, 0x80)), std::runtime_error);   // table far away
    EXPECT_THROW(readFontFileA(patched(63, 80)), std::runtime_error);    // record at the end
    EXPECT_THROW(readFontFileA(patched(70, 200)), std::runtime_error);   // rows past the end
    EXPECT_THROW(readFontFileA(patched(16, 0x50)), std::runtime_error);  // codes backwards
}

TEST(FontFileZReader, RefusesFilesThatDoNotHoldWhatTheyAnnounce) {
    const Bytes good = writeFontFileZ({FontBlockZ{8, 8, 6, {GlyphZ{0x41, {{"#", "#"}}}}}});
    const std::size_t entry = 104 + 4 * 0x41;
    const struct {
        const char* what;
        std::function<void(Bytes&)> damage;
        const char* error;
    } cases[] = {
        {"head cut short", [](Bytes& f) { f.resize(1000); }, "shorter than its header"},
        {"block size below the head", [](Bytes& f) { f[0] = f[1] = f[2] = 0, f[3] = 100; },
         "block size"},
        {"block size past the file", [](Bytes& f) { f[1] = 1; }, "block size"},
        {"record inside the code table", [&](Bytes& f) { f[entry + 2] = 0, f[entry + 3] = 8; },
         "outside"},
        {"record past the block", [&](Bytes& f) { f[entry] = 0x7F; }, "outside"},
        {"rows past the block", [](Bytes& f) { f[1129] = 9; }, "rows past"},
        {"trailing bytes", [](Bytes& f) { f.resize(f.size() + 5); }, "shorter than its header"},
    };
    ASSERT_TRUE(readFontFileZ(good));
    for (const auto& c : cases) {
        Bytes file = good;
        c.damage(file);
        std::string error;
        EXPECT_FALSE(readFontFileZ(file, &error)) << c.what;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.what << ": " << error;
    }
}

TEST(FontFileB, ReaderStaysInsideTheFileAndLookupIsTheEngines) {
    const std::vector<std::uint8_t> file = buildFontFileB(300, {}).bytes;
    const std::vector<std::uint8_t> cut(file.begin(), file.begin() + 15264 + 15 * 144 + 143);
    EXPECT_EQ((std::vector<bool>{!!readGlyphB(file, 300, 4, 155), !!readGlyphB(file, 300, 4, 156),
                                 !!readGlyphB(file, 300, 0, -1), !!readGlyphB(file, 300, 5, 0),
                                 !!readGlyphB(file, 204, 0, 0), !!readGlyphB(cut, 300, 2, 14),
                                 !!readGlyphB(cut, 300, 2, 15), !!readGlyphB(cut, 300, 3, 0),
                                 !!readGlyphB({}, 300, 0, 0)}),
              (std::vector<bool>{true, false, false, false, false, true, false, false, false}));
    EXPECT_EQ(glyphNumberB(203, 4, 12, 91), std::optional<int>(60));
    EXPECT_EQ(glyphNumberB(300, 4, 0, 40), std::nullopt);
    EXPECT_EQ(glyphNumberB(203, 0, 6, 123), std::nullopt);
    EXPECT_STREQ(fontFileBName(300), "B300.bin");
}

}  // namespace
}  // namespace txr::fontkit

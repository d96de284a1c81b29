// The font kit's readers and writers, what they refuse and why, and atomic file writes.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "fontkit/bdf.h"
#include "fontkit/file_io.h"
#include "fontkit/font_file_a.h"
#include "fontkit/font_file_b.h"
#include "fontkit/font_file_z.h"
#include "fontkit/fontkit_error.h"
#include "support/bmp_file.h"

namespace txr::fontkit {
namespace {

// The head of every BDF text below.
const std::string kHead = "STARTFONT 2.1\nFONT f\nSIZE 8 75 75\nFONTBOUNDINGBOX 8 8 0 0\n";

TEST(Bdf, RefusesHostileInputWithTheLine) {
    const std::string glyphHead = "CHARS 1\nSTARTCHAR a\nENCODING 65\nDWIDTH 8 0\n";
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {"", "bdf:0: text ends before STARTFONT"},
        {"STARTFONT 3.0\n", "bdf:1: STARTFONT must give version 2.1"},
        {kHead, "bdf:4: text ends before CHARS"},
        {kHead + "BOGUS 1\n", "bdf:5: unexpected BOGUS before CHARS"},
        {kHead + "CHARS 70000\n", "bdf:5: glyph count 70000 is outside 0 to 65536"},
        {kHead + "CHARS 99999999999999\n", "bdf:5: glyph count \"99999999999999\" is not a number"},
        {kHead + "CHARS 1\nENDFONT\n", "bdf:6: CHARS announced 1 glyphs, found 0"},
        {kHead + glyphHead + "BBX 2000 1 0 0\n", "bdf:9: box width 2000 is outside 0 to 1024"},
        {kHead + glyphHead + "BBX 8 2 0 0\nBITMAP\nFF\n", "bdf:11: text ends inside a BITMAP"},
        {kHead + glyphHead + "BBX 8 1 0 0\nBITMAP\nF\n", "bdf:11: BITMAP row of 1 digits"},
        {kHead + glyphHead + "BBX 4 1 0 0\nBITMAP\nF0F0\n", "bdf:11: ink beyond the box width"},
        {kHead + "CHARS 1\nSTARTCHAR a\nDWIDTH 8 0\nBBX 1 1 0 0\nBITMAP\n80\nENDCHAR\n",
         "bdf:11: glyph without ENCODING"},
        {kHead + "CHARS 1\nSTARTCHAR a\nENCODING 1\nBBX 1 1 0 0\nBITMAP\n80\nENDCHAR\n",
         "bdf:11: glyph without DWIDTH"},
        {kHead + "STARTPROPERTIES 1\nA \"open\n", "bdf:6: unterminated string in A"},
        {kHead + "STARTPROPERTIES 2\nA 1\nA 2\n", "bdf:7: property A given twice"},
        {kHead + std::string(5000, 'X') + "\n", "bdf:5: line longer than 4096 characters"},
        {kHead + "FONT \x01\n", "bdf:5: control character in line"},
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
        {"block size below the kHead", [](Bytes& f) { f[0] = f[1] = f[2] = 0, f[3] = 100; },
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

// Found by fuzzing (tests/data/crashers/bdf_pixel_size_zero.bdf): the reader took a PIXEL_SIZE
// of 0 and the writer then refused the font it was given. Whatever PIXEL_SIZE holds, the writer
// writes the font, with SWIDTH per pixel when the value cannot be an em.
TEST(Bdf, WriterTakesEveryPixelSizeTheReaderTook) {
    const std::string crasher =
        readFileText(std::string(TXR_SOURCE_DIR) + "/tests/data/crashers/bdf_pixel_size_zero.bdf",
                     kBdfMaxFileSize);
    const BdfFont fromCrasher = readBdf(crasher);
    EXPECT_EQ(writeBdf(readBdf(writeBdf(fromCrasher))), writeBdf(fromCrasher));

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
        const BdfFont font = readBdf(kHead + "STARTPROPERTIES 1\nPIXEL_SIZE " + c.pixelSize +
                                     "\nENDPROPERTIES\n" + glyph + "ENDFONT\n");
        const std::string written = writeBdf(font);
        EXPECT_NE(written.find(std::string("\n") + c.swidth + "\n"), std::string::npos)
            << "PIXEL_SIZE " << c.pixelSize << ":\n"
            << written;
        EXPECT_EQ(readBdf(written).properties.front().value, font.properties.front().value);
    }
}

#ifndef _WIN32
// The reasons are the POSIX system's words (Windows opens a folder with "Permission denied").
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

// Atomic writes rest on POSIX means here: links, permissions and file-size limits.
class FontKitFileIo : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(std::system("rm -rf out && mkdir out"), 0); }
};

TEST_F(FontKitFileIo, ReplacingKeepsLinksPermissionsAndLongNames) {
    writeFileAtomically("out/target", std::string("old"));
    ASSERT_EQ(chmod("out/target", 0600), 0);
    ASSERT_EQ(symlink("target", "out/link"), 0);
    const std::string longName = "out/" + std::string(255, 'n');
    writeFileAtomically(longName, std::string("old"));

    writeFileAtomically("out/link", std::string("new"));
    writeFileAtomically(longName, std::string("long"));

    struct stat link {};
    ASSERT_EQ(lstat("out/link", &link), 0);
    EXPECT_TRUE(S_ISLNK(link.st_mode)) << "the link stays a link";
    struct stat target {};
    ASSERT_EQ(stat("out/target", &target), 0);
    EXPECT_EQ(target.st_mode & 07777, 0600u);
    EXPECT_EQ(readFileText("out/target", 16), "new");
    EXPECT_EQ(readFileText(longName, 16), "long");
    EXPECT_EQ(test::namesIn("out"),
              (std::set<std::string>{"target", "link", std::string(255, 'n')}));
}

TEST_F(FontKitFileIo, FileSizeLimitLeavesTheOldFilesAndNoTemporaryOne) {
    writeFileAtomically("out/one", std::string("old one"));
    writeFileAtomically("out/two", std::string("old two"));
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    // Without the writes ignoring SIGXFSZ, the signal would end this test's process here.
    const std::string big(8192, 'x');
    EXPECT_THROW(writeFileAtomically("out/one", big), FontKitError);
    EXPECT_THROW(writeFilesAtomically({{"out/one", "new one"}, {"out/two", big}}), FontKitError);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(readFileText("out/one", 16), "old one");
    EXPECT_EQ(readFileText("out/two", 16), "old two");
    EXPECT_EQ(test::namesIn("out"), (std::set<std::string>{"one", "two"}));

    writeFilesAtomically({{"out/one", "new one"}, {"out/two", "new two"}});
    EXPECT_EQ(readFileText("out/one", 16) + readFileText("out/two", 16), "new onenew two");
}

#endif

}  // namespace
}  // namespace txr::fontkit

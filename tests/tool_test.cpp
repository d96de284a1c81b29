// The txr tool run as a program: outputs against a fresh CTXR's, exit codes and words, batches,
// labels, --encoding, the other subcommands, and inputs that must not hang it (PNG: tool_png_test).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "facade/bmp_writer.h"
#include "fontkit/byte_writer.h"
#include "fontkit/font_file_b.h"
#include "fontkit/font_file_z.h"
#include "support/bmp_file.h"
#include "support/colour_bmp.h"
#include "support/label_composition.h"
#include "support/test_fonts.h"
#include "support/tool_run.h"
#include "txr/TXR.h"
#include "txr/platform/canvas.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace txr {
namespace {

namespace fs = std::filesystem;

const std::string kBundled = TXR_SOURCE_DIR "/fonts/";

std::vector<std::string> with(std::vector<std::string> list, const std::vector<std::string>& more) {
    list.insert(list.end(), more.begin(), more.end());
    return list;
}

test::ProgramRun txr(const std::vector<std::string>& args,
                     const std::vector<std::string>& more = {}) {
    return test::runTool(with(args, more));
}

struct Selection {
    int family, font, dpi, scaleH, scaleV, rotate, invert, charset;
    std::vector<std::string> args() const {
        std::vector<std::string> list{
            "--family",  std::to_string(family), "--font",    std::to_string(font),
            "--dpi",     std::to_string(dpi),    "--scale-h", std::to_string(scaleH),
            "--scale-v", std::to_string(scaleV), "--rotate",  std::to_string(rotate),
            "--charset", std::to_string(charset)};
        if (invert) list.push_back("--invert");
        return list;
    }
};

void selectFont(CTXR& ctxr, const std::string& fonts, const Selection& s) {
    ctxr.SetPath(CString(fonts));
    ctxr.SetFont(s.family, s.font, s.scaleH, s.scaleV, s.rotate, s.dpi);
    ctxr.SetInvert(s.invert);
    ctxr.engineB->charSet = s.charset;
}

// A fresh CTXR's GetBmpFile bytes and GetStringSize for the same selection and text.
std::pair<std::vector<std::uint8_t>, std::string> host(const std::string& fonts, const Selection& s,
                                                       const std::string& text) {
    const CString bytes(text.data(), static_cast<int>(text.size()));
    CTXR ctxr;
    selectFont(ctxr, fonts, s);
    CTXR measurer(ctxr);
    std::remove("host.bmp");
    ctxr.GetBmpFile("host.bmp", bytes);
    const CSize size = measurer.GetStringSize(bytes);
    return {test::readFileBytes("host.bmp"),
            std::to_string(size.cx) + " " + std::to_string(size.cy) + "\n"};
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::uint8_t> blankBmp(int width, int height) {
    BmpRowsImage paper{width, height, {}};
    paper.rows.assign(paper.stride() * static_cast<std::size_t>(height), 0xFF);
    return bmpFileBytes(paper);
}

// Whether the 24-bit BMP at `path` holds the canvas's pixels.
bool showsCanvas(const std::string& path, Canvas& canvas) {
    const test::ColourBmp picture = test::readColourBmp(path);
    std::vector<std::uint32_t> rgb;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const COLORREF c = canvas.pixel(x, y);
            rgb.push_back(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
        }
    }
    return picture.width == canvas.width() && picture.rgb == rgb;
}

class Tool : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        test::prepareToolFolders();
        // A font directory with a directory where A.bin belongs, and a Z.bin of one font.
        fs::create_directories("folder/A.bin");
        fs::create_directories("folder.bmp");
        fs::create_directories("one");
        fontkit::FontBlockZ block;
        block.cellWidth = block.cellHeight = 8;
        block.glyphs.push_back({65, fontkit::GlyphPicture{{"#"}}, 0, 1, 2, -1});
        ASSERT_TRUE(fontkit::writeFileBytes("one/Z.bin", fontkit::writeFontFileZ({block})));
    }
    void SetUp() override {
        for (const char* name : {"out.bmp", "x.bmp", "d.bmp", "label.bmp", "jobs.txt"})
            std::remove(name);
    }
};

TEST_F(Tool, RenderAndSizeGiveWhatAFreshCtxrGives) {
    const std::string text("AiB\xB0#z", 6);
    const Selection cases[] = {
        {0, 12, 300, 1, 3, 2, 1, 0},
        {1, 4, 300, 2, 2, 1, 1, 9},
        {2, 3, 600, 1, 2, 2, 0, 0},
    };
    // The test set through --fonts without its separator, the bundled set as the default.
    for (const bool bundled : {false, true}) {
        if (bundled && !fs::exists(kBundled + "A.bin")) continue;
        for (const Selection& s : cases) {
            SCOPED_TRACE(::testing::Message() << (bundled ? "bundled" : "test") << " family "
                                              << s.family << " font " << s.font);
            const auto fonts =
                bundled ? std::vector<std::string>{} : std::vector<std::string>{"--fonts", "fonts"};
            const auto [file, size] = host(bundled ? kBundled : "fonts/", s, text);
            const auto render =
                txr(with({"render", "-o", "out.bmp", "--hex", "416942B0237A"}, s.args()), fonts);
            ASSERT_EQ(render.code, 0) << render.err;
            EXPECT_EQ(test::readFileBytes("out.bmp"), file);
            const auto measured = txr(with({"size", "--hex", "416942B0237A"}, s.args()), fonts);
            EXPECT_EQ(measured.code, 0);
            EXPECT_EQ(measured.out, size);
        }
    }
}

// Every refusal and warning in words with its exit code; a picture written only on success, never
// a temporary file left, and a file already at the path kept whole when a render fails.
TEST_F(Tool, ExitCodesAndWords) {
    std::remove("kept.bmp");
    ASSERT_EQ(txr({"render", "--fonts", "fonts", "-o", "kept.bmp", "A"}).code, 0);
    const auto kept = test::readFileBytes("kept.bmp");
    const std::string ninety(90, 'A');
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string words;  // in standard error; none: it stays empty
    };
    std::vector<Case> cases = {
        {{"render", "--hex", "41b0"}, 0, ""},
        {{"render", "--hex", "41 42 B0"}, 0, ""},
        {{"render", "--family", "3", "A"}, 2, "(code 1): --family 3"},
        {{"size", "--font", "16", "A"},
         2,
         "(code 2): --font 16 is not a font of family 0 at 203 dpi"},
        {{"render", "--scale-h", "0", "A"}, 2, "(code 3): --scale-h 0"},
        {{"render", "--rotate", "4", "A"}, 2, "(code 5): --rotate 4"},
        {{"render", "--hex", "4"}, 64, "odd number of hex digits"},
        {{"render", "--hex", "0x41"}, 64, "not a hex digit pair: 0x"},
        {{"render", "--hex", "4 142"}, 64, "a space within a byte"},
        {{"render", "--charset", "15", "A"}, 64, "--charset"},
        {{"render", "--hex", "41", "A"}, 64, "Usage"},
        {{"render"}, 64, "TEXT or --hex"},
        {{"render", "-o", "out.gif", "A"}, 64, "must end in .bmp"},
        {{"frobnicate"}, 64, "subcommand"},
        {{"render", "-o", "no/such/out.bmp", "A"},
         1,
         "txr: no/such/out.bmp: cannot create a file beside it"},
        {{"render", "-o", "folder.bmp", "A"}, 1, "folder.bmp: cannot write"},
        {{"render", "-o", "kept.bmp", "--hex", ""}, 1, "nothing drawn"},
        {{"draw", "-o", "kept.bmp", "--scale-h", "4000", "--scale-v", "4000", "A"},
         1,
         "nothing drawn"},
        {{"draw", "--scale-h", "50", "--scale-v", "50", ninety},
         1,
         "x.bmp: the drawing measures 27000 x 600 dots at 0,0, past the canvas limit of 16384"},
        {{"draw", "--canvas", "10x10", "AB"}, 0, "warning: x.bmp: the drawing measures"},
        {{"draw", "--canvas", "16384x12", "AB"}, 0, ""},
        {{"draw", "--canvas", "16385x12", "AB"}, 64, "16385x12: each side must be 1 to 16384"},
        {{"draw", "--canvas", "1x12", "AB"}, 0, "cut at the edges of the 1 x 12 canvas"},
        {{"draw", "--canvas", "12x0", "AB"}, 64, "12x0: each side must be 1 to 16384"},
        {{"draw", "--at", "-65536,0", "AB"}, 0, "at -65536,0 and is cut"},
        {{"draw", "--at", "0,-65537", "AB"}, 64, "--at: not a number in range: -65537"},
        {{"draw", "--at", "65536,0", "AB"}, 1, "at 65536,0, past the canvas limit"},
        {{"draw", "--at", "65537,0", "AB"}, 64, "--at: not a number in range: 65537"},
        {{"draw", "--at", "-2,0", "A"}, 0, "dots at -2,0 and is cut at the edges of the"},
        {{"render", "--family", "2", "--font", "3", "--fonts", "one", "A"},
         1,
         "one/Z.bin: the file holds no font 3 of family 2"},
        {{"size", "--family", "2", "--font", "0", "--fonts", "one", "A"}, 0, ""},
        {{"render", "--charset", "3", "A"}, 0, "warning: --charset is used by family 1 only"},
        {{"size", "--family", "1", "--charset", "3", "A"}, 0, ""},
        {{"render", "--dpi", "250", "--family", "2", "A"}, 0, "warning: --dpi 250 is neither"},
        {{"missing", "--family", "1", "A B"}, 0, ""},
        {{"missing", "--family", "1", "--fonts", "fonts", "A B"}, 0, ""},
        {{"--version"}, 0, ""},
    };
    // draw's canvas limit at its edge: A's last column on the last dot, then one dot further.
    const int aWidth = std::stoi(host("fonts/", {0, 0, 203, 1, 1, 0, 0, 0}, "A").second);
    cases.push_back(
        {{"draw", "--fonts", "fonts", "--at", std::to_string(16384 - aWidth) + ",0", "A"}, 0, ""});
    cases.push_back(
        {{"draw", "--fonts", "fonts", "--at", std::to_string(16385 - aWidth) + ",0", "A"},
         1,
         "past the canvas limit"});
    // One selection error, every command.
    for (const std::string command : {"render", "size", "missing", "draw", "preview"}) {
        cases.push_back(
            {{command, "--fonts", "nowhere", "A"}, 1, "nowhere/A.bin: font file not found"});
        cases.push_back({{command, "--fonts", "folder/", "A"},
                         1,
                         "folder/A.bin: a directory stands where the font file should be"});
    }
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        const bool writes = args[0] == "render" || args[0] == "draw" || args[0] == "preview";
        if (writes && std::find(args.begin(), args.end(), "-o") == args.end()) {
            args.insert(args.end(), {"-o", "x.bmp"});
        }
        auto run = txr(args);
#if defined(_WIN32)
        std::replace(run.err.begin(), run.err.end(), '\\', '/');  // draw names absolute paths
#endif
        SCOPED_TRACE(args[0] + " " + args.back() + ": " + run.err);
        EXPECT_EQ(run.code, c.code);
        if (c.words.empty()) {
            EXPECT_EQ(run.err, "");
        } else {
            EXPECT_NE(run.err.find(c.words), std::string::npos);
        }
        EXPECT_EQ(fs::exists("x.bmp"), c.code == 0 && writes);
        for (const auto& entry : fs::directory_iterator(".")) {
            EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos);
        }
        std::remove("x.bmp");
    }
    EXPECT_EQ(test::readFileBytes("kept.bmp"), kept) << "a failed render replaced the file";
    EXPECT_EQ(txr({"--version"}).out, "txr 0.1.0\n");
}

TEST_F(Tool, BatchRunsEveryLineAndNamesTheFailures) {
    writeText("jobs.txt",
              "  # a comment, then a blank line\n"
              "\n"
              "size --fonts fonts --family 2 \"A B\"\r\n"      // 3: ok
              "render --fonts fonts -o kept.bmp --hex \"\"\n"  // 4: nothing drawn
              "size --fonts fonts --family 7 A\n"              // 5: refused
              "size --fonts fonts --bold A\n"                  // 6: usage
              "size --fonts fonts \"A\n"                       // 7: quote left open
              "batch jobs.txt\n"                               // 8: no batch in a batch
              "size\t--fonts fonts --family 2 --scale-h 2 A\"\"B\"i A\"\n"  // 9: ok, one word
              "render --fonts fonts -o out.bmp --family 2 AB\n");           // 10: ok
    std::remove("kept.bmp");
    const auto run = txr({"batch", "jobs.txt"});
    EXPECT_EQ(run.code, 1) << "the first failure's code";
    const auto [abFile, abSize] = host("fonts/", {2, 0, 203, 1, 1, 0, 0, 0}, "A B");
    const auto [wordFile, wordSize] = host("fonts/", {2, 0, 203, 2, 1, 0, 0, 0}, "ABi A");
    EXPECT_EQ(run.out, abSize + wordSize);
    for (const std::string words :
         {"jobs.txt:4: kept.bmp: nothing drawn", "jobs.txt:5: font selection refused (code 1)",
          "jobs.txt:6: ", "--bold", "jobs.txt:7: a double quote is not closed",
          "jobs.txt:8: ", "jobs.txt: 5 of 8 commands failed"}) {
        EXPECT_NE(run.err.find(words), std::string::npos) << words << " in\n" << run.err;
    }
    EXPECT_EQ(run.err.find("jobs.txt:3:"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("jobs.txt:9:"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists("kept.bmp"));
    const auto ab = host("fonts/", {2, 0, 203, 1, 1, 0, 0, 0}, "AB").first;
    EXPECT_EQ(test::readFileBytes("out.bmp"), ab);
    EXPECT_EQ(txr({"batch", "no-such-jobs.txt"}).code, 1);
    writeText("jobs.txt", "# nothing to do\n");
    const auto empty = txr({"batch", "jobs.txt"});
    EXPECT_EQ(empty.code, 0);
    EXPECT_EQ(empty.out + empty.err, "");
}

// missing lists the bytes without a glyph, found independently here: in the test set's codes for
// families 0 and 2, in family 1's code tables for its character set (12 has no glyph for '#').
TEST_F(Tool, MissingListsTheBytesWithoutAGlyph) {
    const std::string text("AxB\x01#\xB0", 6);
    for (const Selection& s :
         {Selection{0, 3, 300, 1, 1, 0, 0, 0}, Selection{2, 5, 203, 1, 1, 0, 0, 0},
          Selection{1, 0, 203, 1, 1, 0, 0, 0}, Selection{1, 4, 300, 1, 1, 0, 0, 12}}) {
        std::string expected;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const int code = static_cast<unsigned char>(text[i]);
            const bool has =
                s.family == 1
                    ? fontkit::glyphNumberB(s.dpi, s.font, s.charset, code).has_value()
                    : std::string(test::kTestFontCodes).find(text[i]) != std::string::npos;
            char line[32];
            std::snprintf(line, sizeof line, "%zu 0x%02X\n", i, static_cast<unsigned>(code));
            if (!has) expected += line;
        }
        const auto run =
            txr(with({"missing", "--fonts", "fonts", "--hex", "4178420123B0"}, s.args()));
        EXPECT_EQ(run.out, expected) << "family " << s.family;
        EXPECT_EQ(run.code, expected.empty() ? 0 : 3);
    }
}

TEST_F(Tool, DiffCountsAndMarksExtraAndMissingInk) {
    ASSERT_EQ(txr({"render", "--fonts", "fonts", "-o", "ab.bmp", "AB"}).code, 0);
    ASSERT_EQ(txr({"render", "--fonts", "fonts", "-o", "ba.bmp", "BA"}).code, 0);
    const test::BmpPicture ab = test::readOneBitBmp("ab.bmp");
    const std::string ba = test::readOneBitBmp("ba.bmp").ascii;
    int extra = 0, missing = 0;
    std::vector<std::uint32_t> marks;  // black shared ink, red extra, blue missing, white paper
    for (std::size_t i = 0; i < ab.ascii.size(); ++i) {
        const bool inFirst = ab.ascii[i] == '#', inSecond = ba[i] == '#';
        extra += inSecond && !inFirst;
        missing += inFirst && !inSecond;
        if (ab.ascii[i] == '\n') continue;
        marks.push_back(inFirst && inSecond ? 0x000000
                        : inSecond          ? 0xE02020
                        : inFirst           ? 0x2060E0
                                            : 0xFFFFFF);
    }
    const auto differ = txr({"diff", "ab.bmp", "ba.bmp", "-o", "d.bmp"});
    EXPECT_EQ(differ.code, 3);
    EXPECT_EQ(differ.out,
              "extra " + std::to_string(extra) + "\nmissing " + std::to_string(missing) + "\n");
    EXPECT_EQ(test::readColourBmp("d.bmp").width, ab.width);
    EXPECT_EQ(test::readColourBmp("d.bmp").rgb, marks);

    // Pictures of different shapes: only the 1 x 1 dot both cover is compared and drawn, as a
    // 24-bit BMP of one row.
    ASSERT_TRUE(fontkit::writeFileBytes("wide.bmp", blankBmp(65536, 1)));
    ASSERT_TRUE(fontkit::writeFileBytes("tall.bmp", blankBmp(1, 65536)));
    const auto shapes = txr({"diff", "wide.bmp", "tall.bmp", "-o", "d.bmp"});
    EXPECT_EQ(shapes.code, 3);
    EXPECT_EQ(shapes.out, "extra 0\nmissing 0\n");
    EXPECT_NE(shapes.err.find("sizes differ: 65536 x 1 and 1 x 65536"), std::string::npos);
    EXPECT_EQ(test::readFileBytes("d.bmp").size(), 54u + 4u);

    // Hostile files: every one refused in words, none read out of bounds.
    const std::vector<std::uint8_t>& good = ab.bytes;
    const struct {
        std::size_t length;  // of the good file, 0: the bytes given
        std::vector<std::pair<std::size_t, std::uint8_t>> patches;
        std::vector<std::uint8_t> bytes;
        const char* words;
    } hostile[] = {
        {0, {}, {'B', 'M', 0}, "ends inside its headers"},
        {good.size() - 1, {}, {}, "ends before its last row"},
        {good.size(), {{28, 24}}, {}, "24 bits per dot"},
        {good.size(), {{18, 0xFF}, {19, 0xFF}, {20, 0xFF}, {21, 0x7F}}, {}, "larger than"},
        {good.size(), {{46, 5}}, {}, "5 entries"},
        {good.size(), {{10, 0xFF}, {13, 0xFF}}, {}, "ends before its last row"},
        {0, {}, {'G', 'I', 'F', '8'}, "not a BMP"},
    };
    for (const auto& h : hostile) {
        std::vector<std::uint8_t> bytes(good.begin(), good.begin() + static_cast<long>(h.length));
        for (const auto& [at, value] : h.patches) bytes[at] = value;
        ASSERT_TRUE(fontkit::writeFileBytes("hostile.bmp", h.length == 0 ? h.bytes : bytes));
        const auto run = txr({"diff", "ab.bmp", "hostile.bmp"});
        EXPECT_EQ(run.code, 1) << h.words;
        EXPECT_NE(run.err.find(h.words), std::string::npos) << run.err;
    }
}

// draw's picture is FontOut's drawing on a canvas, preview's the engine's dot preview: both
// compared pixel for pixel with what the library paints on a canvas of the test's own.
TEST_F(Tool, DrawAndPreviewShowWhatTheLibraryPaints) {
    const Selection s{0, 2, 203, 2, 1, 1, 1, 0};
    ASSERT_EQ(txr({"draw", "--fonts", "fonts", "--canvas", "50x20", "--paper", "#102030", "--at",
                   "3,-2", "-o", "out.bmp", "AB"},
                  s.args())
                  .code,
              0);
    {
        CTXR ctxr;
        selectFont(ctxr, "fonts/", s);
        Canvas canvas(50, 20, RGB(0x10, 0x20, 0x30));
        ctxr.FontOut(canvas.dc(), 3, -2, "AB");
        EXPECT_TRUE(showsCanvas("out.bmp", canvas));
    }

    ASSERT_EQ(txr({"preview", "--fonts", "fonts", "--family", "2", "--canvas", "80x90", "-o",
                   "d.bmp", "B"})
                  .code,
              0);
    CTXR ctxr;
    selectFont(ctxr, "fonts/", {2, 0, 203, 1, 1, 0, 0, 0});
    ctxr.engineZ->SetCharCode('B');
    ctxr.engineZ->TXRZ();
    ASSERT_EQ(ctxr.engineZ->rowBytes, 1) << "B of the test set is at most 8 dots wide";
    Canvas preview(80, 90);
    ctxr.engineZ->Draw8Bit(preview.dc());
    EXPECT_TRUE(showsCanvas("d.bmp", preview));
}

// font build makes its output folder as font dump does; --kind errors name the file.
TEST_F(Tool, FontBuildMakesItsFolderAndKindErrorsNameTheFile) {
    ASSERT_EQ(txr({"font", "dump", "one/Z.bin", "-o", "dumped"}).code, 0);
    const auto built = txr({"font", "build", "dumped/Z-00.bdf", "-o", "made/deeper/Z.bin"});
    EXPECT_EQ(built.code, 0) << built.err;
    EXPECT_EQ(test::readFileBytes("made/deeper/Z.bin"), test::readFileBytes("one/Z.bin"));
    const auto kind = txr({"font", "info", "--kind", "Q", "one/Z.bin"});
    EXPECT_EQ(kind.code, 64);
    EXPECT_NE(kind.err.find("one/Z.bin: --kind Q is not a font file layout"), std::string::npos)
        << kind.err;
}

// --encoding utf-8 with the bundled set: family 0 and 2 fonts built in code page 850, family 1 by
// character set. Each character is drawn as its byte there, and missing lists the same ones; a
// character without a byte (codes above 122 of the 7-bit sets have no glyph in fonts 0 to 3) or
// malformed UTF-8 is refused and drawn by nothing.
TEST_F(Tool, Utf8DrawsTheBytesOfTheSelectedCharacterSet) {
    const struct {
        std::vector<std::string> args;  // the selection, then the text
        std::string hex;                // the same text in the set's bytes
        int code;
        std::string err;
        std::string missingOut;  // what missing prints for the same text
    } cases[] = {
        {{"--family", "0", "Grüße"}, "4772 81 E1 65", 0, "", ""},
        {{"--family", "2", "--font", "2", "Øî"}, "9D 8C", 0, "", ""},
        {{"--family", "1", "--charset", "8", "ÄÖÜ§"}, "5B 5C 5D 40", 0, "", ""},
        {{"--family", "1", "--charset", "12", "--font", "4", "--dpi", "300", "Ñ"}, "5B", 0, "", ""},
        {{"--family", "0", "a€b"}, "", 1, "character 1: U+20AC (€)", "1 U+20AC\n"},
        {{"--family", "1", "--charset", "8", "Aü"}, "", 1, "character 1: U+00FC (ü)", "1 U+00FC\n"},
        {{"--family", "1", "--charset", "8", "{"}, "", 1, "U+007B ({)", "0 U+007B\n"},
        {{"--hex", "C328"}, "", 64, "not UTF-8 at byte 0", ""},
        {{"--hex", "41C3"}, "", 64, "not UTF-8 at byte 1", ""},
        {{"--hex", "F0908080"}, "", 1, "U+10000", "0 U+10000\n"},
    };
    for (const auto& c : cases) {
        const auto run = txr({"render", "-o", "out.bmp", "--encoding", "utf-8"}, c.args);
        EXPECT_EQ(run.code, c.code) << c.args.back() << ": " << run.err;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
        EXPECT_EQ(fs::exists("out.bmp"), c.code == 0) << c.args.back();
        if (c.code == 0) {
            const std::vector<std::string> selection(c.args.begin(), c.args.end() - 1);
            ASSERT_EQ(txr({"render", "-o", "x.bmp", "--hex", c.hex}, selection).code, 0);
            EXPECT_EQ(test::readFileBytes("out.bmp"), test::readFileBytes("x.bmp")) << c.hex;
        }
        std::remove("out.bmp");
        const auto listed = txr({"missing", "--encoding", "utf-8"}, c.args);
        EXPECT_EQ(listed.out, c.missingOut);
        EXPECT_EQ(listed.code, c.code == 1 ? 3 : c.code);
    }
    const auto sets = txr({"charsets"});
    ASSERT_EQ(sets.code, 0);
    for (const std::string row :
         {"\n  0  8-bit, code page cp437", "\n  5  8-bit, code page cp865", "\n  6  7-bit national",
          "5B=Ä 5C=Ö 5D=Ü 7B=ä* 7C=ö* 7D=ü* 7E=ß*\n", "\n 14  7-bit national"}) {
        EXPECT_NE(sets.out.find(row), std::string::npos) << row;
    }
}

// txr label: the fields' GetBmpFile files composed by the test, dot for dot.
TEST_F(Tool, LabelIsWhatTheFieldsGetBmpFileFilesCompose) {
    const std::vector<LabelBox> boxes = {{10, 44, 60, 12, 1}};
    const std::vector<LabelField> fields = {
        {3, 2, 0, 0, 1, 1, 0, false, 0, "AiB", Placement::ink},
        {-5, 20, 1, 1, 1, 2, 3, true, 4, "AB", Placement::ink},
        {13, 45, 2, 2, 3, 3, 2, true, 0, "iA\xB0", Placement::whole},
    };
    writeText("label.json", R"({"width": 90, "height": 70, "dpi": 300, "boxes": [
        {"x": 10, "y": 44, "width": 60, "height": 12, "thickness": 1}], "fields": [
        {"x": 3, "y": 2, "invert": false, "text": "AiB"},
        {"x": -5, "y": 20, "family": 1, "font": 1, "scale": [1, 2], "rotate": 3, "invert": true,
         "charset": 4, "placement": "ink", "hex": "4142"},
        {"x": 13, "y": 45, "family": 2, "font": 2, "scale": 3, "rotate": 2, "invert": true,
         "placement": "whole", "text": "iA\u00B0"}]})");
    const auto run = txr({"label", "label.json", "--fonts", "fonts", "-o", "label.bmp"});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(test::readOneBitBmp("label.bmp").ascii,
              test::composedLabel(90, 70, 300, boxes, fields, "fonts/", ""));
}

TEST_F(Tool, LabelCheckListsProblemsByJsonPath) {
    writeText("label.json", R"({"width": 40, "height": 20, "colour": 1, "fields": [
            {"text": "A", "family": 3}, {"text": "AxB", "family": 2},
            {"text": "\u0100", "scale": [1], "invert": 1, "placement": "over"},
            {"hex": "4", "charset": 15, "rotate": 2147483648}],
            "boxes": [{"x": 0, "y": 0, "width": -1}]})");
    const auto run = txr({"label", "label.json", "--fonts", "fonts", "--check"});
    EXPECT_EQ(run.code, 64);
    EXPECT_EQ(run.out,
              "label.json: $.colour: unknown key\n"
              "label.json: $.boxes[0]: needs \"height\"\n"
              "label.json: $.boxes[0].width: must be an integer from 0 to 2147483647\n"
              "label.json: $.fields[2].scale: must be an integer or [horizontal, vertical]\n"
              "label.json: $.fields[2].invert: must be true or false\n"
              "label.json: $.fields[2].placement: must be \"ink\" or \"whole\"\n"
              "label.json: $.fields[2].text: must be a string of characters U+0000 to U+00FF\n"
              "label.json: $.fields[3].rotate: must be an integer from -2147483648 to "
              "2147483647\n"
              "label.json: $.fields[3].charset: must be an integer from 0 to 14\n"
              "label.json: $.fields[3].hex: must be a string of hexadecimal byte pairs\n"
              "label.json: $.fields[0]: font selection refused (SetFont code 1)\n"
              "label.json: $.fields[1]: 1 byte(s) without a glyph, at 1\n");
    writeText("label.json",
              R"({"width": 40, "height": 20, "fields": [{"text": "AxB", "family": 2}]})");
    EXPECT_EQ(txr({"label", "label.json", "--fonts", "fonts", "--check"}).code, 3);
}

// Each limit on both sides of its edge: refused in words writing nothing, or drawn.
TEST_F(Tool, LabelRefusesBadAndHostileFilesWritingNothing) {
    const auto withText = [](std::size_t bytes) {
        return R"({"width": 4, "height": 4, "fields": [{"text": ")" + std::string(bytes, 'A') +
               "\"}]}";
    };
    std::string fullFile = R"({"width": 4, "height": 4})";
    fullFile.resize(std::size_t{4} << 20, ' ');
    const struct {
        std::string json;
        std::string message;  // empty: drawn
    } cases[] = {
        {"{\"width\": 4,\n \"height\": 4,,}", "bad JSON at line 2, column 14: "},
        {R"({"width": 4E999, "height": 4})", "bad JSON: number overflow parsing '4E999'"},
        {std::string(8, '[') + std::string(8, ']'), "not a valid label"},  // depth 8: read
        {std::string(9, '['), "JSON nested deeper than 8 levels at line 1, column 9"},
        {R"({"width": 16385, "height": 16384})", "larger than the limit of 2^28 dots"},
        {R"({"width": 4, "height": 4, "dpi": 600})", "$.dpi: must be 203 or 300"},
        {withText(4096), ""},
        {withText(4097), "text longer than 4096 bytes"},
        {fullFile, ""},
        {fullFile + " ", "more than the limit of 4194304"},
    };
    for (const auto& c : cases) {
        std::remove("label.bmp");
        writeText("label.json", c.json);
        const auto run = txr({"label", "label.json", "--fonts", "fonts", "-o", "label.bmp"});
        const std::string what =
            c.message.empty() ? "drawn: " + std::to_string(c.json.size()) : c.message;
        EXPECT_EQ(run.code, c.message.empty() ? 0 : 64) << what << ": " << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;  // "" is found
        EXPECT_EQ(fs::exists("label.bmp"), c.message.empty()) << what;
    }
}

#ifndef _WIN32
TEST_F(Tool, FifoAsAnInputIsRefusedWithoutWaiting) {
    ASSERT_EQ(std::system("rm -rf fifo && mkdir fifo && mkfifo fifo/A.bin fifo/Z.bin"), 0);
    ASSERT_TRUE(fontkit::writeFileBytes("small.bmp", blankBmp(8, 1)));
    const struct {
        std::vector<std::string> args;
        const char* words;
    } runs[] = {{{"font", "info", "fifo/A.bin"}, "fifo/A.bin: is not a regular file"},
                {{"diff", "fifo/Z.bin", "small.bmp"}, "fifo/Z.bin: is not a regular file"}};
    for (const auto& run : runs) {
        const test::ProgramRun result = txr(run.args);
        EXPECT_NE(result.code, 0) << run.args[0];
        EXPECT_NE(result.err.find(run.words), std::string::npos) << result.err;
    }
    // The library treats a font file that is a FIFO as missing: no wait, the same measure.
    for (const int family : {0, 2}) {
        CTXR fromFifo, fromNothing;
        fromFifo.SetPath("fifo/");
        fromNothing.SetPath("no_such_folder/");
        fromFifo.SetFont(family, 0, 1, 1, 0, 203);
        fromNothing.SetFont(family, 0, 1, 1, 0, 203);
        EXPECT_EQ(fromFifo.GetStringSize("AB"), fromNothing.GetStringSize("AB")) << family;
    }
}

// SIGINT and SIGTERM during a long batch of drawings: the bundled set's folder and the drawing's
// own are removed, and the tool ends by the signal.
TEST_F(Tool, ASignalLeavesNoTemporaryFolder) {
    std::string jobs;
    for (int i = 0; i < 3000; ++i) jobs += "draw -o d.bmp ABBA\n";
    writeText("jobs.txt", jobs);
    for (const int signalNumber : {SIGINT, SIGTERM}) {
        const pid_t child = fork();
        if (child == 0) {
            execl(TXR_TOOL_PATH, "txr", "batch", "jobs.txt", static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int wait = 0; wait < 2000 && fs::is_empty("tmp"); ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        kill(child, signalNumber);
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << status;
        EXPECT_TRUE(fs::is_empty("tmp")) << "signal " << signalNumber;
        for (const auto& entry : fs::directory_iterator("tmp")) fs::remove_all(entry.path());
    }
}
#endif

}  // namespace
}  // namespace txr

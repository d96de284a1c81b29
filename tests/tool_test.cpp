// The txr tool run as a program: outputs against a fresh CTXR's, exit codes, refusals and usage
// errors in words, files never left half-written, batches, and the other subcommands' outputs.
// PNG output is in tool_png_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fontkit/byte_writer.h"
#include "fontkit/font_file_b.h"
#include "support/bmp_file.h"
#include "support/child_process.h"
#include "support/colour_bmp.h"
#include "support/test_fonts.h"
#include "support/tool_run.h"
#include "txr/TXR.h"
#include "txr/platform/canvas.h"

namespace txr {
namespace {

namespace fs = std::filesystem;

const std::string kBundled = TXR_SOURCE_DIR "/fonts/";

test::ProgramRun txr(const std::vector<std::string>& args) {
    return test::runTool(args);
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

// A CTXR after SetPath, SetFont, SetInvert and the character set, as the tool makes it.
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

std::vector<std::string> with(std::vector<std::string> list, const std::vector<std::string>& more) {
    list.insert(list.end(), more.begin(), more.end());
    return list;
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::uint32_t rgbOf(COLORREF colour) {
    return static_cast<std::uint32_t>(GetRValue(colour) << 16 | GetGValue(colour) << 8 |
                                      GetBValue(colour));
}

// Where the picture differs from the canvas, in words; empty when every pixel agrees.
std::string differenceFrom(const test::ColourBmp& picture, Canvas& canvas) {
    if (picture.width != canvas.width() || picture.height != canvas.height()) {
        return "size " + std::to_string(picture.width) + "x" + std::to_string(picture.height) +
               ", canvas " + std::to_string(canvas.width()) + "x" + std::to_string(canvas.height());
    }
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            if (picture.at(x, y) != rgbOf(canvas.pixel(x, y))) {
                return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ")";
            }
        }
    }
    return "";
}

class Tool : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { test::prepareToolFolders(); }
    void SetUp() override {
        for (const char* name : {"out.bmp", "d.bmp", "jobs.txt"}) std::remove(name);
    }
};

TEST_F(Tool, RenderAndSizeGiveWhatAFreshCtxrGives) {
    const std::string text("AiB\xB0#z", 6);
    const Selection cases[] = {
        {0, 12, 300, 1, 3, 2, 1, 0},
        {1, 4, 300, 2, 2, 1, 1, 9},
        {2, 8, 300, 3, 1, 3, 1, 0},
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
            const auto render = txr(
                with(with({"render", "-o", "out.bmp", "--hex", "416942B0237A"}, s.args()), fonts));
            ASSERT_EQ(render.code, 0) << render.err;
            EXPECT_EQ(test::readFileBytes("out.bmp"), file);
            const auto measured =
                txr(with(with({"size", "--hex", "416942B0237A"}, s.args()), fonts));
            EXPECT_EQ(measured.code, 0);
            EXPECT_EQ(measured.out, size);
        }
    }
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
    std::remove("out.bmp");  // the font cache changes nothing printed or written
    const auto cached = txr({"batch", "--cache", "jobs.txt"});
    EXPECT_EQ(cached.code, 1);
    EXPECT_EQ(cached.out + cached.err, run.out + run.err);
    EXPECT_EQ(test::readFileBytes("out.bmp"), ab);

    EXPECT_EQ(txr({"batch", "no-such-jobs.txt"}).code, 1);
    writeText("jobs.txt", "# nothing to do\n");
    const auto empty = txr({"batch", "jobs.txt"});
    EXPECT_EQ(empty.code, 0);
    EXPECT_EQ(empty.out + empty.err, "");
}

TEST_F(Tool, ExitCodesAndWords) {
    fs::create_directories("folder.bmp");
    std::remove("kept.bmp");
    ASSERT_EQ(txr({"render", "--fonts", "fonts", "-o", "kept.bmp", "A"}).code, 0);
    const auto kept = test::readFileBytes("kept.bmp");
    const struct {
        std::vector<std::string> args;
        int code;
        std::string words;
    } cases[] = {
        {{"render", "--hex", "41b0"}, 0, ""},
        {{"render", "--family", "3", "A"}, 2, "(code 1): --family 3"},
        {{"size", "--font", "16", "A"},
         2,
         "(code 2): --font 16 is not a font of family 0 at 203 dpi"},
        {{"render", "--scale-h", "0", "A"}, 2, "(code 3): --scale-h 0"},
        {{"render", "--rotate", "4", "A"}, 2, "(code 5): --rotate 4"},
        {{"render", "--hex", "4"}, 64, "odd number of hex digits"},
        {{"render", "--hex", "0x41"}, 64, "not a hex digit pair: 0x"},
        {{"render", "--charset", "15", "A"}, 64, "--charset"},
        {{"render", "--hex", "41", "A"}, 64, "Usage"},
        {{"render"}, 64, "TEXT or --hex"},
        {{"render", "-o", "out.gif", "A"}, 64, "must end in .bmp"},
        {{"render", "-o", "no/such/out.bmp", "A"}, 1, "no/such/out.bmp"},
        {{"render", "-o", "folder.bmp", "A"}, 1, "folder.bmp: cannot write"},
        {{"render", "-o", "kept.bmp", "--hex", ""}, 1, "nothing drawn"},
        {{"draw", "-o", "kept.bmp", "--scale-h", "4000", "--scale-v", "4000", "A"},
         1,
         "nothing drawn"},
        {{"frobnicate"}, 64, "subcommand"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = with(c.args, {"--fonts", "fonts"});
        if (args[0] == "render" && std::find(args.begin(), args.end(), "-o") == args.end()) {
            args = with(args, {"-o", "out.bmp"});
        }
        const auto run = txr(args);
        SCOPED_TRACE(c.args.back() + ": " + run.err);
        EXPECT_EQ(run.code, c.code);
        EXPECT_NE(run.err.find(c.words), std::string::npos);
        EXPECT_EQ(fs::exists("out.bmp"), c.code == 0);
        for (const auto& entry : fs::directory_iterator(".")) {
            EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos);
        }
        std::remove("out.bmp");
    }
    EXPECT_EQ(test::readFileBytes("kept.bmp"), kept) << "a failed render replaced the file";
}

TEST_F(Tool, MissingListsTheBytesWithoutAGlyph) {
    const std::string text("AxB\x01#\xB0", 6);
    for (const Selection& s :
         {Selection{0, 3, 300, 1, 1, 0, 0, 0}, Selection{2, 5, 203, 1, 1, 0, 0, 0},
          Selection{1, 0, 203, 1, 1, 0, 0, 0}, Selection{1, 4, 300, 1, 1, 0, 0, 7}}) {
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
    EXPECT_EQ(txr({"missing", "--fonts", "fonts", "ABi"}).code, 0);
    const auto noFonts = txr({"missing", "--fonts", "nowhere", "--family", "2", "AB"});
    EXPECT_EQ(noFonts.code, 1);
    EXPECT_NE(noFonts.err.find("nowhere/Z.bin: font file not found"), std::string::npos);
}

TEST_F(Tool, DiffCountsAndMarksExtraAndMissingInk) {
    ASSERT_EQ(txr({"render", "--fonts", "fonts", "-o", "ab.bmp", "AB"}).code, 0);
    ASSERT_EQ(txr({"render", "--fonts", "fonts", "-o", "ba.bmp", "BA"}).code, 0);
    const test::BmpPicture ab = test::readOneBitBmp("ab.bmp");
    const std::string ba = test::readOneBitBmp("ba.bmp").ascii;
    int extra = 0, missing = 0;
    std::string marks;  // what the difference picture shows: '#' shared, '+' extra, '-' missing
    for (std::size_t i = 0; i < ab.ascii.size(); ++i) {
        const bool inFirst = ab.ascii[i] == '#', inSecond = ba[i] == '#';
        extra += inSecond && !inFirst;
        missing += inFirst && !inSecond;
        marks += ab.ascii[i] == '\n'   ? '\n'
                 : inFirst && inSecond ? '#'
                 : inSecond            ? '+'
                 : inFirst             ? '-'
                                       : '.';
    }
    const auto differ = txr({"diff", "ab.bmp", "ba.bmp", "-o", "d.bmp"});
    EXPECT_EQ(differ.code, 3);
    EXPECT_EQ(differ.out,
              "extra " + std::to_string(extra) + "\nmissing " + std::to_string(missing) + "\n");
    const test::ColourBmp picture = test::readColourBmp("d.bmp");
    std::string shown;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const std::uint32_t rgb = picture.at(x, y);
            shown += rgb == 0x000000   ? '#'
                     : rgb == 0xE02020 ? '+'
                     : rgb == 0x2060E0 ? '-'
                     : rgb == 0xFFFFFF ? '.'
                                       : '?';
        }
        shown += '\n';
    }
    EXPECT_EQ(shown, marks);

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
    ASSERT_EQ(txr(with({"draw", "--fonts", "fonts", "--canvas", "50x20", "--paper", "#102030",
                        "--at", "3,-2", "-o", "out.bmp", "AB"},
                       s.args()))
                  .code,
              0);
    {
        CTXR ctxr;
        selectFont(ctxr, "fonts/", s);
        Canvas canvas(50, 20, RGB(0x10, 0x20, 0x30));
        ctxr.FontOut(canvas.dc(), 3, -2, "AB");
        EXPECT_EQ(differenceFrom(test::readColourBmp("out.bmp"), canvas), "");
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
    EXPECT_EQ(differenceFrom(test::readColourBmp("d.bmp"), preview), "");
}

}  // namespace
}  // namespace txr

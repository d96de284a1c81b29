// The txr tool run as a program: outputs against a fresh CTXR's, exit codes, refusals and usage
// errors in words, files never left half-written, and the other subcommands' outputs.
#include <gtest/gtest.h>
#include <png.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fcntl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fontkit/font_file_b.h"
#include "support/bmp_file.h"
#include "support/test_fonts.h"
#include "txr/TXR.h"

extern char** environ;

namespace txr {
namespace {

namespace fs = std::filesystem;

const std::string kBundled = TXR_SOURCE_DIR "/fonts/";

struct ToolRun {
    int code = -1;
    std::string out;
    std::string err;
};

// Runs the tool with TMPDIR pointing at ./tmp, its output and errors caught in files.
ToolRun txr(const std::vector<std::string>& args) {
    fs::create_directories("tmp");
    std::vector<std::string> env{"TMPDIR=" + fs::absolute("tmp").string()};
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::string(*e).rfind("TMPDIR=", 0) != 0) env.push_back(*e);
    }
    std::vector<std::string> argv{TXR_TOOL_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    auto pointers = [](std::vector<std::string>& strings) {
        std::vector<char*> list;
        for (auto& s : strings) list.push_back(s.data());
        list.push_back(nullptr);
        return list;
    };
    std::vector<char*> argvList = pointers(argv), envList = pointers(env);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "run.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, "run.err", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    ToolRun run;
    if (posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, argvList.data(), envList.data()) ==
        0) {
        int status = 0;
        waitpid(pid, &status, 0);
        run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    auto text = [](const char* path) {
        const auto bytes = test::readFileBytes(path);
        return std::string(bytes.begin(), bytes.end());
    };
    run.out = text("run.out");
    run.err = text("run.err");
    EXPECT_TRUE(fs::is_empty("tmp")) << "the bundled set was left in TMPDIR";
    return run;
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

// A fresh CTXR's GetBmpFile bytes and GetStringSize for the same selection and text.
std::pair<std::vector<std::uint8_t>, std::string> host(const std::string& fonts, const Selection& s,
                                                       const std::string& text) {
    const CString bytes(text.data(), static_cast<int>(text.size()));
    CTXR ctxr;
    ctxr.SetPath(CString(fonts));
    ctxr.SetFont(s.family, s.font, s.scaleH, s.scaleV, s.rotate, s.dpi);
    ctxr.SetInvert(s.invert);
    ctxr.engineB->charSet = s.charset;
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

class Tool : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        fs::create_directories("fonts");
        ASSERT_TRUE(test::writeTestFontSet("fonts"));
    }
    void SetUp() override {
        for (const char* name : {"out.bmp", "out.png", "d.png"}) std::remove(name);
    }
};

TEST_F(Tool, RenderAndSizeGiveWhatAFreshCtxrGives) {
    const std::string text("AiB\xB0#z", 6);
    const Selection cases[] = {
        {0, 0, 203, 1, 1, 0, 0, 0},  {0, 9, 203, 2, 1, 1, 0, 0}, {0, 12, 300, 1, 3, 2, 1, 0},
        {0, 24, 203, 1, 1, 3, 1, 0}, {1, 0, 203, 1, 1, 0, 0, 0}, {1, 4, 300, 2, 2, 1, 1, 9},
        {1, 2, 203, 1, 1, 0, 0, 14}, {2, 0, 203, 1, 1, 0, 0, 0}, {2, 8, 300, 3, 1, 3, 1, 0},
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
            const ToolRun render = txr(
                with(with({"render", "-o", "out.bmp", "--hex", "416942B0237A"}, s.args()), fonts));
            ASSERT_EQ(render.code, 0) << render.err;
            EXPECT_EQ(test::readFileBytes("out.bmp"), file);
            const ToolRun measured =
                txr(with(with({"size", "--hex", "416942B0237A"}, s.args()), fonts));
            EXPECT_EQ(measured.code, 0);
            EXPECT_EQ(measured.out, size);
        }
    }
}

TEST_F(Tool, PngShowsTheBmpsPicture) {
    const Selection s{2, 4, 203, 2, 1, 1, 1, 0};
    ASSERT_EQ(txr(with({"render", "--fonts", "fonts/", "-o", "out.png", "BiA"}, s.args())).code, 0);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, "out.png"));
    image.format = PNG_FORMAT_GRAY;
    std::vector<std::uint8_t> grey(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, grey.data(), 0, nullptr));
    std::string ascii;
    for (png_uint_32 y = 0; y < image.height; ++y) {
        for (png_uint_32 x = 0; x < image.width; ++x)
            ascii += grey[y * image.width + x] ? '.' : '#';
        ascii += '\n';
    }
    EXPECT_EQ(ascii, test::parseOneBitBmp(host("fonts/", s, "BiA").first).ascii);
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
        {{"render", "--family", "2", "--font", "9", "A"}, 2, "(code 2): --font 9"},
        {{"render", "--scale-h", "0", "A"}, 2, "(code 3): --scale-h 0"},
        {{"size", "--scale-v", "-1", "A"}, 2, "(code 4): --scale-v -1"},
        {{"render", "--rotate", "4", "A"}, 2, "(code 5): --rotate 4"},
        {{"render", "--hex", "4"}, 64, "odd number of hex digits"},
        {{"render", "--hex", "4G"}, 64, "not a hex digit pair: 4G"},
        {{"render", "--hex", "0x41"}, 64, "not a hex digit pair: 0x"},
        {{"render", "--charset", "15", "A"}, 64, "--charset"},
        {{"render", "--family", "x", "A"}, 64, "--family"},
        {{"render", "--hex", "41", "A"}, 64, "Usage"},
        {{"render"}, 64, "TEXT or --hex"},
        {{"render", "--bold", "A"}, 64, "--bold"},
        {{"render", "-o", "out.gif", "A"}, 64, "must end in .bmp or .png"},
        {{"render", "-o", "no/such/out.bmp", "A"}, 1, "no/such/out.bmp"},
        {{"render", "-o", "no/such/out.png", "A"}, 1, "no/such/out.png"},
        {{"render", "-o", "folder.bmp", "A"}, 1, "folder.bmp: cannot write"},
        {{"render", "-o", "kept.bmp", "--hex", ""}, 1, "nothing drawn"},
        {{"frobnicate"}, 64, "subcommand"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = with(c.args, {"--fonts", "fonts"});
        if (args[0] == "render" && std::find(args.begin(), args.end(), "-o") == args.end()) {
            args = with(args, {"-o", "out.bmp"});
        }
        const ToolRun run = txr(args);
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
        const ToolRun run =
            txr(with({"missing", "--fonts", "fonts", "--hex", "4178420123B0"}, s.args()));
        EXPECT_EQ(run.out, expected) << "family " << s.family;
        EXPECT_EQ(run.code, expected.empty() ? 0 : 3);
    }
    EXPECT_EQ(txr({"missing", "--fonts", "fonts", "ABi"}).code, 0);
    const ToolRun noFonts = txr({"missing", "--fonts", "nowhere", "--family", "2", "AB"});
    EXPECT_EQ(noFonts.out, "0 0x41\n1 0x42\n");
    EXPECT_NE(noFonts.err.find("nowhere/Z.bin not found"), std::string::npos);
}

TEST_F(Tool, DiffCountsExtraAndMissingInk) {
    ASSERT_EQ(txr({"render", "--fonts", "fonts", "-o", "ab.bmp", "AB"}).code, 0);
    ASSERT_EQ(txr({"render", "--fonts", "fonts", "-o", "ba.bmp", "BA"}).code, 0);
    const std::string ab = test::readOneBitBmp("ab.bmp").ascii,
                      ba = test::readOneBitBmp("ba.bmp").ascii;
    int extra = 0, missing = 0;
    for (std::size_t i = 0; i < ab.size(); ++i) {
        extra += ba[i] == '#' && ab[i] == '.';
        missing += ab[i] == '#' && ba[i] == '.';
    }
    const ToolRun differ = txr({"diff", "ab.bmp", "ba.bmp", "-o", "d.png"});
    EXPECT_EQ(differ.code, 3);
    EXPECT_EQ(differ.out,
              "extra " + std::to_string(extra) + "\nmissing " + std::to_string(missing) + "\n");
    EXPECT_TRUE(fs::exists("d.png"));

    // The same picture stored top-down (negative height) matches dot for dot.
    const test::BmpPicture original = test::readOneBitBmp("ab.bmp");
    std::vector<std::uint8_t> flipped = original.bytes;
    const std::int32_t height = original.height;
    const std::size_t stride = (original.width + 31) / 32 * 4;
    for (std::int32_t y = 0; y < height; ++y) {
        std::copy_n(original.bytes.begin() + 62 + (height - 1 - y) * stride, stride,
                    flipped.begin() + 62 + y * stride);
    }
    const std::int32_t negative = -height;
    std::memcpy(&flipped[22], &negative, 4);
    ASSERT_TRUE(fontkit::writeFileBytes("top-down.bmp", flipped));
    EXPECT_EQ(txr({"diff", "ab.bmp", "top-down.bmp"}).out, "extra 0\nmissing 0\n");
    EXPECT_EQ(txr({"diff", "ab.bmp", "top-down.bmp"}).code, 0);

    // Hostile files: every one refused in words, none read out of bounds.
    const struct {
        std::size_t length;  // of flipped, 0: the bytes given
        std::vector<std::pair<std::size_t, std::uint8_t>> patches;
        std::vector<std::uint8_t> bytes;
        const char* words;
    } hostile[] = {
        {0, {}, {'B', 'M', 0}, "ends inside its headers"},
        {flipped.size() - 1, {}, {}, "ends before its last row"},
        {flipped.size(), {{28, 24}}, {}, "24 bits per dot"},
        {flipped.size(), {{18, 0xFF}, {19, 0xFF}, {20, 0xFF}, {21, 0x7F}}, {}, "larger than"},
        {flipped.size(), {{46, 5}}, {}, "5 entries"},
        {flipped.size(), {{10, 0xFF}, {13, 0xFF}}, {}, "ends before its last row"},
        {0, {}, {'G', 'I', 'F', '8'}, "not a BMP"},
    };
    for (const auto& h : hostile) {
        std::vector<std::uint8_t> bytes(flipped.begin(), flipped.begin() + h.length);
        for (const auto& [at, value] : h.patches) bytes[at] = value;
        ASSERT_TRUE(fontkit::writeFileBytes("hostile.bmp", h.length == 0 ? h.bytes : bytes));
        const ToolRun run = txr({"diff", "ab.bmp", "hostile.bmp"});
        EXPECT_EQ(run.code, 1) << h.words;
        EXPECT_NE(run.err.find(h.words), std::string::npos) << run.err;
    }
}

TEST_F(Tool, DrawPreviewAndFontCommandsWriteTheirFiles) {
    auto pngSize = [](const std::string& path) {
        const auto bytes = test::readFileBytes(path);
        auto be32 = [&](std::size_t at) {
            return bytes[at] << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 | bytes[at + 3];
        };
        return bytes.size() < 24 ? std::string()
                                 : std::to_string(be32(16)) + "x" + std::to_string(be32(20));
    };
    EXPECT_EQ(txr({"draw", "--fonts", "fonts", "--canvas", "50x20", "--paper", "#102030", "--at",
                   "3,-2", "-o", "out.png", "AB"})
                  .code,
              0);
    EXPECT_EQ(pngSize("out.png"), "50x20");
    EXPECT_EQ(txr({"draw", "--fonts", "fonts", "--at", "1,2", "-o", "out.png", "AB"}).code, 0);
    EXPECT_EQ(pngSize("out.png"), "13x10");
    EXPECT_EQ(txr({"preview", "--fonts", "fonts", "--family", "2", "--canvas", "80x90", "-o",
                   "d.png", "B"})
                  .code,
              0);
    EXPECT_EQ(pngSize("d.png"), "80x90");
    for (const auto& bad :
         std::vector<std::vector<std::string>>{{"draw", "--canvas", "0x5", "-o", "x.png", "A"},
                                               {"draw", "--paper", "pink", "-o", "x.png", "A"},
                                               {"draw", "-o", "x.bmp", "A"},
                                               {"preview", "-o", "x.png", "AB"}}) {
        EXPECT_EQ(txr(bad).code, 64) << bad[1];
    }

    EXPECT_NE(txr({"font", "info", "fonts/A.bin"}).out.find("25 blocks"), std::string::npos);
    for (const std::string name : {"A", "A300", "B", "B300", "Z"}) {
        fs::remove_all("dump");
        ASSERT_EQ(txr({"font", "dump", "fonts/" + name + ".bin", "-o", "dump"}).code, 0) << name;
        std::vector<std::string> build{"font", "build", "--kind", name, "-o", "rebuilt.bin"};
        for (const auto& entry : fs::directory_iterator("dump"))
            build.push_back(entry.path().string());
        std::sort(build.begin() + 6, build.end());
        ASSERT_EQ(txr(build).code, 0) << name;
        EXPECT_EQ(test::readFileBytes("rebuilt.bin"), test::readFileBytes("fonts/" + name + ".bin"))
            << name;
    }
    EXPECT_EQ(txr({"specimen", "fonts/Z.bin", "--block", "2", "-o", "d.png"}).code, 0);
    EXPECT_FALSE(pngSize("d.png").empty());
    ASSERT_TRUE(fontkit::writeFileBytes("junk.bin", {0, 0, 0, 9, 1, 2}));
    EXPECT_EQ(txr({"font", "info", "--kind", "Z", "junk.bin"}).code, 1);
    for (const char* command :
         {"render", "size", "missing", "draw", "preview", "diff", "specimen", "font"}) {
        const ToolRun help = txr({command, "--help"});
        EXPECT_EQ(help.code, 0) << command;
        EXPECT_NE(help.out.find("Usage"), std::string::npos) << command;
    }
}

}  // namespace
}  // namespace txr

// The tool's errors and warnings in words: a drawing past the canvas limit, font files that are
// missing, in the way or short of the selected font, options the library ignores, the space of
// family 1, PNG resolution, and temporary folders removed when the tool is stopped by a signal.
#include <gtest/gtest.h>
#include <algorithm>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "fontkit/byte_writer.h"
#include "fontkit/font_file_z.h"
#include "fontkit/optional_libraries.h"
#include "support/bmp_file.h"
#include "support/child_process.h"
#include "support/test_fonts.h"
#include "support/tool_run.h"
#include "txr/c_api.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace txr {
namespace {

namespace fs = std::filesystem;

test::ProgramRun txr(const std::vector<std::string>& args) {
    return test::runTool(args);
}

class ToolErrors : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        test::prepareToolFolders();
        // A font directory with a directory where A.bin belongs, and a Z.bin of one font.
        fs::create_directories("folder/A.bin");
        fs::create_directories("one");
        fontkit::FontBlockZ block;
        block.cellWidth = block.cellHeight = 8;
        block.glyphs.push_back({65, fontkit::GlyphPicture{{"#"}}, 0, 1, 2, -1});
        ASSERT_TRUE(fontkit::writeFileBytes("one/Z.bin", fontkit::writeFontFileZ({block})));
    }
};

TEST_F(ToolErrors, EveryCommandTellsTheCauseWithTheSameExitCode) {
    const std::string ninety(90, 'A');
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string words;  // in standard error
    };
    std::vector<Case> cases = {
        {{"draw", "--scale-h", "50", "--scale-v", "50", ninety},
         1,
         "x.bmp: the drawing measures 27000 x 600 dots at 0,0, past the canvas limit of 16384"},
        {{"draw", "--canvas", "10x10", "AB"}, 0, "warning: x.bmp: the drawing measures"},
        {{"draw", "--at", "16380,0", "A"}, 1, "past the canvas limit"},
        {{"draw", "--at", "-2,0", "A"}, 0, "dots at -2,0 and is cut at the edges of the"},
        {{"render", "--family", "2", "--font", "3", "--fonts", "one", "A"},
         1,
         "one/Z.bin: the file holds no font 3 of family 2"},
        {{"size", "--family", "2", "--font", "0", "--fonts", "one", "A"}, 0, ""},
        {{"render", "--charset", "3", "A"}, 0, "warning: --charset is used by family 1 only"},
        {{"size", "--family", "1", "--charset", "3", "A"}, 0, ""},
        {{"render", "--dpi", "250", "--family", "2", "A"}, 0, "warning: --dpi 250 is neither"},
        {{"render", "--hex", "41 42 B0"}, 0, ""},
        {{"render", "--hex", "4 142"}, 64, "a space within a byte"},
        {{"missing", "--family", "1", "A B"}, 0, ""},
        {{"missing", "--family", "1", "--fonts", "fonts", "A B"}, 0, ""},
        {{"--version"}, 0, ""},
    };
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
        if (args[0] == "render" || args[0] == "draw" || args[0] == "preview") {
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
        EXPECT_EQ(fs::exists("x.bmp"), c.code == 0 && args[0] != "size" && args[0] != "missing" &&
                                           args[0] != "--version");
        fs::remove("x.bmp");
    }
    EXPECT_EQ(txr({"--version"}).out, "txr 0.1.0\n");
    // A picture that cannot be written is named as the user gave it, not by a temporary file.
    const auto unwritable = txr({"render", "-o", "no/such/x.bmp", "A"});
    EXPECT_EQ(unwritable.code, 1);
    EXPECT_EQ(unwritable.err.rfind("txr: no/such/x.bmp: cannot create a file beside it", 0), 0u)
        << unwritable.err;
}

// font build makes its output folder as font dump does; --kind errors name the file.
TEST_F(ToolErrors, FontBuildMakesItsFolderAndKindErrorsNameTheFile) {
    ASSERT_EQ(txr({"font", "dump", "one/Z.bin", "-o", "dumped"}).code, 0);
    const auto built = txr({"font", "build", "dumped/Z-00.bdf", "-o", "made/deeper/Z.bin"});
    EXPECT_EQ(built.code, 0) << built.err;
    EXPECT_EQ(test::readFileBytes("made/deeper/Z.bin"), test::readFileBytes("one/Z.bin"));
    const auto kind = txr({"font", "info", "--kind", "Q", "one/Z.bin"});
    EXPECT_EQ(kind.code, 64);
    EXPECT_NE(kind.err.find("one/Z.bin: --kind Q is not a font file layout"), std::string::npos)
        << kind.err;
}

TEST_F(ToolErrors, PngRecordsTheSelectedResolution) {
    if (!fontkit::writesPng()) GTEST_SKIP() << "this build writes no PNG";
    for (const auto& [dpi, perMetre] : {std::pair{203, 7992u}, std::pair{300, 11811u}}) {
        for (const std::string command : {"render", "draw", "preview"}) {
            ASSERT_EQ(txr({command, "--dpi", std::to_string(dpi), "-o", "r.png", "A"}).code, 0);
            const auto bytes = test::readFileBytes("r.png");
            const std::string text(bytes.begin(), bytes.end());
            const std::size_t at = text.find("pHYs");
            ASSERT_NE(at, std::string::npos) << command;
            auto be32 = [&](std::size_t i) {
                return std::uint32_t{bytes[i]} << 24 | std::uint32_t{bytes[i + 1]} << 16 |
                       std::uint32_t{bytes[i + 2]} << 8 | bytes[i + 3];
            };
            EXPECT_EQ(be32(at + 4), perMetre) << command;
            EXPECT_EQ(be32(at + 8), perMetre) << command;
            EXPECT_EQ(bytes[at + 12], 1) << command << ": the unit is the metre";
        }
    }
}

// txr_set_path takes a directory with or without its separator; a path that names no directory
// stays a plain prefix.
TEST_F(ToolErrors, CApiFindsTheFontDirectoryWithOrWithoutSeparator) {
    fs::remove("one/preZ.bin");  // copy_file's overwrite_existing fails in the Windows build
    fs::copy_file("fonts/Z.bin", "one/preZ.bin");
    for (const char* path : {"fonts/", "fonts", "one/pre"}) {
        TxrRenderer* renderer = txr_create();
        ASSERT_EQ(txr_set_path(renderer, path), TXR_OK);
        ASSERT_EQ(txr_set_font(renderer, 2, 0, 1, 1, 0, 203), TXR_OK);
        int width = 0, height = 0;
        ASSERT_EQ(txr_get_string_size(renderer, "AB", 2, &width, &height), TXR_OK);
        EXPECT_GT(width, 0) << path << ": no font file was found";
        txr_destroy(renderer);
    }
}

#ifndef _WIN32
// SIGINT and SIGTERM during a long batch of drawings: the bundled set's folder and the drawing's
// own are removed, and the tool ends by the signal.
TEST_F(ToolErrors, ASignalLeavesNoTemporaryFolder) {
    std::string jobs;
    for (int i = 0; i < 3000; ++i) jobs += "draw -o d.bmp ABBA\n";
    ASSERT_TRUE(
        fontkit::writeFileBytes("jobs.txt", std::vector<std::uint8_t>(jobs.begin(), jobs.end())));
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

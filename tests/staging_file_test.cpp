// FontOut's staging file ../string.bmp at every point where it can fail: it cannot be created
// (a link into a missing folder; a directory in its place is tested in render_test), cannot be
// written, cannot be read back. Whatever fails, no file of ours stays behind, every
// font file is closed and nothing is painted; an exception says why.
#include <gtest/gtest.h>

#include <limits.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fontkit/font_file_a.h"
#include "support/ctxr_calls.h"
#include "support/open_files.h"
#include "support/picture.h"
#include "support/raster_ascii.h"

namespace txr {
namespace {

const char kStaging[] = "../string.bmp";

// Block 0 of A.bin: a 6 x 5 cell with a box at code 'A'.
const test::Picture kBox = {"#####", "#...#", "#...#", "#####"};
const std::string kBoxAt00 = test::joined({"#####.", "#...#.", "#...#.", "#####.", "......"});
const std::string kBlank = test::joined(test::Picture(5, "......"));

std::string absoluteFontDir() {
    mkdir("staging_fonts", 0755);
    const fontkit::FontBlockA block{'A', 'A', 1, 6, 5, {{'A', {kBox}, 0, 4, 6}}};
    EXPECT_TRUE(fontkit::writeFileBytes("staging_fonts/A.bin", fontkit::writeFontFileA({block})));
    char path[PATH_MAX];
    EXPECT_NE(realpath("staging_fonts", path), nullptr);
    return std::string(path) + "/";
}

class StagingFile : public ::testing::Test {
  protected:
    void SetUp() override {
        txr_.SetPath(absoluteFontDir().c_str());
        ASSERT_EQ(txr_.SetFont(0, 0, 1, 1, 0, 203), 0);
        std::remove(kStaging);
    }

    // FontOut onto a fresh canvas; the cause of the CFileException it raised, or -1.
    int paint(std::string& picture) {
        Canvas canvas(6, 5, RGB(255, 255, 255));
        const int cause = test::fileExceptionCause([&] { txr_.FontOut(canvas.dc(), 0, 0, "A"); });
        picture = test::asciiOf(canvas, RGB(0, 0, 0));
        return cause;
    }

    CTXR txr_;
};

TEST_F(StagingFile, SuccessfulCallPaintsAndRemovesEvenAStaleFile) {
    ASSERT_TRUE(fontkit::writeFileBytes(kStaging, {'s', 't', 'a', 'l', 'e'}));
    std::string picture;
    EXPECT_EQ(paint(picture), -1);
    EXPECT_EQ(picture, kBoxAt00);
    EXPECT_EQ(test::leftBehind(txr_), "");
}

TEST_F(StagingFile, NullDeviceContextStagesAndPaintsNothing) {
    EXPECT_NO_THROW(txr_.FontOut(nullptr, 0, 0, "A"));
    EXPECT_EQ(test::leftBehind(txr_), "");
}

TEST_F(StagingFile, LinkIntoAMissingFolderCannotBeCreatedAndIsLeftAlone) {
    ASSERT_EQ(symlink("no_such_folder/string.bmp", kStaging), 0);
    std::string picture;
    EXPECT_EQ(paint(picture), CFileException::fileNotFound);
    char target[64] = {};
    EXPECT_GT(readlink(kStaging, target, sizeof target - 1), 0) << "not ours to remove";
    EXPECT_EQ(unlink(kStaging), 0);
    EXPECT_EQ(picture, kBlank);
    EXPECT_EQ(test::leftBehind(txr_), "");
}

TEST_F(StagingFile, WriteCutShortByTheFileSizeLimitRemovesThePartialFile) {
    // 62 header bytes fit, the rows do not: the write fails half way.
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string picture;
    const int cause = paint(picture);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_NE(cause, -1) << "the failed write is reported";
    EXPECT_EQ(picture, kBlank);
    EXPECT_EQ(test::leftBehind(txr_), "");
}

TEST_F(StagingFile, FileThatReadsBackEmptyPaintsNothingNotTheImageBefore) {
    std::string picture;
    ASSERT_EQ(paint(picture), -1);
    ASSERT_EQ(picture, kBoxAt00) << "the painter now holds an image";
    // Writes to the staging name vanish, so reading back finds an empty file.
    ASSERT_EQ(symlink("/dev/null", kStaging), 0);
    EXPECT_EQ(paint(picture), -1);
    EXPECT_EQ(picture, kBlank);
    EXPECT_EQ(test::leftBehind(txr_), "") << "the link at our name is removed like our file";
}

}  // namespace
}  // namespace txr

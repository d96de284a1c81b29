// FontOut's staging file ../string.bmp at every point where it can fail: it cannot be created,
// cannot be written, cannot be read back. Whatever fails, no file of ours stays behind, every
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
#include "support/bmp_file.h"
#include "support/picture.h"
#include "support/raster_ascii.h"
#include "txr/TXR.h"

namespace txr {
namespace {

const char kStaging[] = "../string.bmp";

// Block 0 of A.bin: a 6 x 5 cell with a box at code 'A'.
const test::Picture kBox = {"#####", "#...#", "#...#", "#####"};
const std::string kBoxAt00 = test::joined({"#####.", "#...#.", "#...#.", "#####.", "......"});
const std::string kBlank = test::joined(test::Picture(5, "......"));

std::string absoluteFontDir() {
    mkdir("staging_fonts", 0755);
    fontkit::FontBlockA block;
    block.firstCode = 'A';
    block.lastCode = 'A';
    block.cellWidth = 6;
    block.cellHeight = 5;
    block.baseLine = 1;
    block.glyphs = {fontkit::GlyphA{'A', {kBox}, 0, 4, 6}};
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
        int cause = -1;
        try {
            txr_.FontOut(canvas.dc(), 0, 0, "A");
        } catch (CFileException* error) {
            cause = error->m_cause;
            error->Delete();
        }
        picture = test::asciiOf(canvas, RGB(0, 0, 0));
        return cause;
    }

    void expectNothingLeft() {
        EXPECT_EQ(txr_.engineA->fontFile, nullptr);
        EXPECT_EQ(txr_.engineA->fetchCount, 0);
    }

    CTXR txr_;
};

TEST_F(StagingFile, SuccessfulCallPaintsAndRemovesEvenAStaleFile) {
    ASSERT_TRUE(fontkit::writeFileBytes(kStaging, {'s', 't', 'a', 'l', 'e'}));
    std::string picture;
    EXPECT_EQ(paint(picture), -1);
    EXPECT_EQ(picture, kBoxAt00);
    EXPECT_FALSE(test::fileExists(kStaging));
    expectNothingLeft();
}

TEST_F(StagingFile, NullDeviceContextStagesAndPaintsNothing) {
    EXPECT_NO_THROW(txr_.FontOut(nullptr, 0, 0, "A"));
    EXPECT_FALSE(test::fileExists(kStaging));
    expectNothingLeft();
}

TEST_F(StagingFile, DirectoryInItsPlaceCannotBeCreatedAndIsLeftAlone) {
    ASSERT_EQ(mkdir(kStaging, 0755), 0);
    std::string picture;
    EXPECT_EQ(paint(picture), CFileException::accessDenied);
    struct stat status;
    EXPECT_TRUE(stat(kStaging, &status) == 0 && S_ISDIR(status.st_mode)) << "not ours to remove";
    EXPECT_EQ(rmdir(kStaging), 0);
    EXPECT_EQ(picture, kBlank);
    expectNothingLeft();
}

TEST_F(StagingFile, LinkIntoAMissingFolderCannotBeCreatedAndIsLeftAlone) {
    ASSERT_EQ(symlink("no_such_folder/string.bmp", kStaging), 0);
    std::string picture;
    EXPECT_EQ(paint(picture), CFileException::fileNotFound);
    char target[64] = {};
    EXPECT_GT(readlink(kStaging, target, sizeof target - 1), 0) << "not ours to remove";
    EXPECT_EQ(unlink(kStaging), 0);
    EXPECT_EQ(picture, kBlank);
    expectNothingLeft();
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
    EXPECT_FALSE(test::fileExists(kStaging));
    expectNothingLeft();
}

TEST_F(StagingFile, FileThatReadsBackEmptyPaintsNothingNotTheImageBefore) {
    std::string picture;
    ASSERT_EQ(paint(picture), -1);
    ASSERT_EQ(picture, kBoxAt00) << "the painter now holds an image";
    // Writes to the staging name vanish, so reading back finds an empty file.
    ASSERT_EQ(symlink("/dev/null", kStaging), 0);
    EXPECT_EQ(paint(picture), -1);
    EXPECT_EQ(picture, kBlank);
    EXPECT_FALSE(test::fileExists(kStaging)) << "the link at our name is removed like our file";
    expectNothingLeft();
}

}  // namespace
}  // namespace txr

// The files the library writes: FontOut's staging file ../string.bmp (intruders at its name
// refused and left alone, a cut write leaves nothing, two processes take turns) and GetBmpFile over
// a file already there (the old file or the whole new one, links followed, permissions kept).
#include <gtest/gtest.h>

#include <limits.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "fontkit/byte_writer.h"
#include "fontkit/file_io.h"
#include "fontkit/font_file_a.h"
#include "support/ctxr_calls.h"
#include "support/open_files.h"
#include "support/picture.h"
#include "support/raster_ascii.h"
#include "support/test_fonts.h"

namespace txr {
namespace {

const char kStaging[] = "../string.bmp";

// Block 0 of A.bin: a 6 x 5 cell with a box at code 'A' and two bars at 'B'.
const test::Picture kBox = {"#####", "#...#", "#...#", "#####"};
const test::Picture kBars = {"#....#", "#....#", "#....#", "#....#"};
const std::string kBoxAt00 = test::joined({"#####.", "#...#.", "#...#.", "#####.", "......"});
const std::string kBlank = test::joined(test::Picture(5, "......"));

std::string absoluteFontDir() {
    mkdir("staging_fonts", 0755);
    const fontkit::FontBlockA block{'A', 'B', 1,
                                    6,   5,   {{'A', {kBox}, 0, 4, 6}, {'B', {kBars}, 0, 4, 6}}};
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

// A stale file of ours is replaced; a null device context stages and paints nothing.
TEST_F(StagingFile, SuccessfulCallPaintsAndRemovesEvenAStaleFile) {
    ASSERT_TRUE(fontkit::writeFileBytes(kStaging, {'s', 't', 'a', 'l', 'e'}));
    std::string picture;
    EXPECT_EQ(paint(picture), -1);
    EXPECT_EQ(picture, kBoxAt00);
    EXPECT_EQ(test::leftBehind(txr_), "");
    EXPECT_NO_THROW(txr_.FontOut(nullptr, 0, 0, "A"));
    EXPECT_EQ(test::leftBehind(txr_), "");
}

// What others may put at the staging name; each is refused and left as it was, and what it
// points to is not touched.
struct Intruder {
    const char* what;
    void (*make)();
    const char* victimAfter;  // the contents of ../victim afterwards, or nullptr for no file
};

const Intruder kIntruders[] = {
    {"a link to a file", [] { EXPECT_EQ(symlink("victim", kStaging), 0); }, "precious"},
    {"a dangling link", [] { EXPECT_EQ(symlink("missing", kStaging), 0); }, nullptr},
    {"a link into a missing folder",
     [] { EXPECT_EQ(symlink("no_such_folder/string.bmp", kStaging), 0); }, nullptr},
    {"a FIFO", [] { EXPECT_EQ(mkfifo(kStaging, 0644), 0); }, nullptr},
    {"a directory", [] { EXPECT_EQ(mkdir(kStaging, 0755), 0); }, nullptr},
    {"a hard link to a file", [] { EXPECT_EQ(link("../victim", kStaging), 0); }, "precious"},
};

TEST_F(StagingFile, AnythingButAPlainFileAtTheNameIsRefusedAndLeftAlone) {
    for (const Intruder& intruder : kIntruders) {
        std::remove("../missing");
        if (intruder.victimAfter != nullptr) {
            ASSERT_TRUE(
                fontkit::writeFileBytes("../victim", {'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
        }
        intruder.make();
        struct stat before {};
        ASSERT_EQ(lstat(kStaging, &before), 0) << intruder.what;
        std::string picture;
        EXPECT_NE(paint(picture), -1) << intruder.what << " is refused";
        EXPECT_EQ(picture, kBlank) << intruder.what;
        struct stat after {};
        EXPECT_EQ(lstat(kStaging, &after), 0) << intruder.what << " stays";
        EXPECT_EQ(after.st_ino, before.st_ino) << intruder.what;
        EXPECT_EQ(after.st_mode, before.st_mode) << intruder.what;
        EXPECT_NE(access("../missing", F_OK), 0) << intruder.what << ": no target created";
        if (intruder.victimAfter != nullptr) {
            EXPECT_EQ(fontkit::readFileText("../victim", 64), intruder.victimAfter)
                << intruder.what;
        }
        std::remove(kStaging);  // a link itself, or the empty directory
        std::remove("../victim");
        EXPECT_EQ(test::leftBehind(txr_), "") << intruder.what;
    }
}

TEST_F(StagingFile, TwoProcessesTakeTurnsAndEachPaintsItsOwnText) {
    // The child paints 'A' and the parent 'B', each 1000 times onto its own canvas.
    const std::string kBarAt00 = test::joined({"#....#", "#....#", "#....#", "#....#", "......"});
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    const char* text = child == 0 ? "A" : "B";
    const std::string& expected = child == 0 ? kBoxAt00 : kBarAt00;
    int differing = 0;
    for (int call = 0; call < 1000; ++call) {
        Canvas canvas(6, 5, RGB(255, 255, 255));
        try {
            txr_.FontOut(canvas.dc(), 0, 0, text);
        } catch (CFileException* error) {
            error->Delete();
        }
        if (test::asciiOf(canvas, RGB(0, 0, 0)) != expected) ++differing;
    }
    if (child == 0) _exit(differing > 255 ? 255 : differing);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "wrong or blank canvases in the child";
    EXPECT_EQ(differing, 0) << "wrong or blank canvases in the parent";
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

std::string contentsOf(const std::string& path) {
    return fontkit::readFileText(path, 1 << 24);
}

class BmpFileReplace : public ::testing::Test {
  protected:
    void SetUp() override {
        mkdir("fonts", 0755);
        ASSERT_TRUE(test::writeTestFontSet("fonts/"));
        txr_.SetPath("fonts/");
        select(1);
        system("rm -rf out && mkdir out");
    }

    void select(int scale) { ASSERT_EQ(txr_.SetFont(0, 0, scale, scale, 0, 203), 0); }

    // GetBmpFile; the cause of the CFileException it raised, or -1.
    int exportTo(const std::string& path, const char* text) {
        return test::fileExceptionCause([&] { txr_.GetBmpFile(path.c_str(), text); });
    }

    CTXR txr_;
};

// Each way a write can run out of room, with a small old file at the path and a new file of
// 130 KB (a magnified text) that does not fit.
TEST_F(BmpFileReplace, WriteThatRunsOutOfRoomLeavesTheOldFileWhole) {
    struct Limit {
        const char* what;
        bool tmpfs;  // a 64 KB file system mounted at out/, else a file-size limit
        int cause;
    };
    const Limit limits[] = {{"a full disk", true, CFileException::diskFull},
                            {"the file-size limit", false, CFileException::genericException}};
    for (const Limit& limit : limits) {
        if (limit.tmpfs && mount("tmpfs", "out", "tmpfs", 0, "size=64k") != 0) {
            std::printf("skipped %s: mounting a tmpfs needs root\n", limit.what);
            continue;
        }
        select(1);
        ASSERT_EQ(exportTo("out/label.bmp", "A"), -1) << limit.what;
        const std::string old = contentsOf("out/label.bmp");
        select(60);
        struct rlimit saved {};
        getrlimit(RLIMIT_FSIZE, &saved);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        if (!limit.tmpfs) {
            struct rlimit small = saved;
            small.rlim_cur = 64 << 10;
            setrlimit(RLIMIT_FSIZE, &small);
        }
        const int cause = exportTo("out/label.bmp", "ABABAB");
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        EXPECT_EQ(cause, limit.cause) << limit.what;
        EXPECT_TRUE(contentsOf("out/label.bmp") == old) << limit.what << ": the old file changed";
        EXPECT_EQ(test::namesIn("out"), std::set<std::string>{"label.bmp"}) << limit.what;
        if (limit.tmpfs) umount("out");
        std::remove("out/label.bmp");
    }
}

// Links are followed (a dangling one creates its target), a replaced file keeps its permissions
// (a new one gets the usual), and a name of the longest length works.
TEST_F(BmpFileReplace, ReplacingKeepsLinksPermissionsAndLongNames) {
    ASSERT_EQ(exportTo("out/new.bmp", "B"), -1);
    const std::string expected = contentsOf("out/new.bmp");
    const std::string longName = std::string(255 - 4, 'n') + ".bmp";
    for (const std::string name : {"target.bmp", "private.bmp", longName.c_str()}) {
        ASSERT_TRUE(fontkit::writeFileBytes("out/" + name, {'o', 'l', 'd'}));
    }
    ASSERT_EQ(symlink("target.bmp", "out/link.bmp"), 0);
    ASSERT_EQ(symlink("created.bmp", "out/dangling.bmp"), 0);
    for (const std::string name : {"link.bmp", "dangling.bmp", "private.bmp", longName.c_str()}) {
        ASSERT_EQ(exportTo("out/" + name, "B"), -1) << name;
    }
    for (const char* link : {"out/link.bmp", "out/dangling.bmp"}) {
        struct stat status {};
        ASSERT_EQ(lstat(link, &status), 0);
        EXPECT_TRUE(S_ISLNK(status.st_mode)) << link << " is still a link";
    }
    for (const std::string name : {"target.bmp", "created.bmp", "private.bmp", longName.c_str()}) {
        EXPECT_TRUE(contentsOf("out/" + name) == expected) << name;
    }
    // Modes the umask would strip, write for others and the set-user-ID bit all come back.
    const mode_t mask = umask(022);
    for (const mode_t mode : {0600u, 0640u, 0666u, 0444u, 04755u}) {
        ASSERT_EQ(chmod("out/private.bmp", mode), 0);
        ASSERT_EQ(exportTo("out/private.bmp", "B"), -1);
        struct stat replaced {};
        ASSERT_EQ(stat("out/private.bmp", &replaced), 0);
        EXPECT_EQ(replaced.st_mode & 07777, mode);
    }
    umask(mask);
    struct stat created {};
    ASSERT_EQ(stat("out/new.bmp", &created), 0);
    EXPECT_EQ(created.st_mode & 07777, 0666u & ~mask);
    EXPECT_EQ(test::namesIn("out"),
              (std::set<std::string>{"new.bmp", "target.bmp", "link.bmp", "dangling.bmp",
                                     "created.bmp", "private.bmp", longName}));
}

TEST_F(BmpFileReplace, ReadOnlyFolderFallsBackToWritingInPlace) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into a read-only folder anyway";
    ASSERT_TRUE(fontkit::writeFileBytes("out/label.bmp", {'o', 'l', 'd'}));
    ASSERT_EQ(chmod("out", 0555), 0);
    const int cause = exportTo("out/label.bmp", "A");
    chmod("out", 0755);
    EXPECT_EQ(cause, -1);
    EXPECT_EQ(contentsOf("out/label.bmp").substr(0, 2), "BM");
    EXPECT_EQ(test::namesIn("out"), std::set<std::string>{"label.bmp"});
}

}  // namespace
}  // namespace txr

// GetBmpFile over a file already there: old file or the whole new one, whatever stops the write;
// links followed, permissions kept, long names work, no temporary file stays behind.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <set>
#include <string>

#include "fontkit/byte_writer.h"
#include "fontkit/file_io.h"
#include "support/ctxr_calls.h"
#include "support/open_files.h"
#include "support/test_fonts.h"

namespace txr {
namespace {

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
    ASSERT_EQ(chmod("out/private.bmp", 0640), 0);
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
    const mode_t mask = umask(0);
    umask(mask);
    struct stat replaced {};
    struct stat created {};
    ASSERT_EQ(stat("out/private.bmp", &replaced), 0);
    ASSERT_EQ(stat("out/new.bmp", &created), 0);
    EXPECT_EQ(replaced.st_mode & 07777, 0640u);
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

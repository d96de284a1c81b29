// The font kit's (and so the tool's) file writes: the old file or the whole new one, links
// followed, permissions kept, short temporary names, nothing left behind when a file-size limit
// stops a write, and a set of files that appears whole or not at all.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <string>

#include "fontkit/file_io.h"
#include "fontkit/fontkit_error.h"
#include "support/folder_listing.h"

namespace txr::fontkit {
namespace {

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

}  // namespace
}  // namespace txr::fontkit

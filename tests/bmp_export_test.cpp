// GetBmpFile for every family, orientation and video sense with the bundled fonts: the file
// against GetStringSize, against what FontOut paints and against the upright drawing turned;
// replacing a file, unwritable paths, and the calls that write nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fontkit/byte_writer.h"
#include "support/bmp_file.h"
#include "support/open_files.h"
#include "support/picture.h"
#include "support/raster_ascii.h"
#include "txr/TXR.h"

namespace txr {
namespace {

using test::Picture;

const char kFontDir[] = TXR_SOURCE_DIR "/fonts/";
const char kText[] = "Ab0";

// One font of each family: a proportional family-0 font, a family-1 font, and family-2 font 0
// with its extra row.
struct Selection {
    int family, fontType, scaleH, scaleV;
};
constexpr Selection kSelections[] = {{0, 9, 2, 1}, {1, 2, 1, 2}, {2, 0, 2, 2}};

Picture rowsOf(const std::string& ascii) {
    Picture rows;
    std::size_t start = 0;
    for (std::size_t end; (end = ascii.find('\n', start)) != std::string::npos; start = end + 1) {
        rows.push_back(ascii.substr(start, end - start));
    }
    return rows;
}

class BmpExport : public ::testing::Test {
  protected:
    CTXR txr_;

    void select(const Selection& s, int rotation = 0, int invert = 0) {
        txr_.SetPath(kFontDir);
        ASSERT_EQ(txr_.SetFont(s.family, s.fontType, s.scaleH, s.scaleV, rotation, 203), 0);
        ASSERT_EQ(txr_.SetInvert(invert), 1);
    }

    test::BmpPicture exported(const char* path) {
        std::remove(path);
        txr_.GetBmpFile(path, kText);
        return test::readOneBitBmp(path);
    }

    void expectFontFilesClosed(const std::string& where) {
        EXPECT_EQ(txr_.engineA->fontFile, nullptr) << where;
        EXPECT_EQ(txr_.engineA->fetchCount, 0) << where;
        EXPECT_EQ(txr_.engineB->fontFile, nullptr) << where;
        EXPECT_EQ(txr_.engineZ->fontFile, nullptr) << where;
        EXPECT_EQ(txr_.engineZ->fetchCount, 0) << where;
    }
};

TEST_F(BmpExport, FileHasTheMeasuredSizeAndFontOutsDotsInEveryOrientationAndSense) {
    const std::vector<std::uint8_t> blackThenWhite = {0, 0, 0, 0, 255, 255, 255, 0};
    for (const Selection& s : kSelections) {
        select(s);
        const Picture upright = rowsOf(exported("upright.bmp").ascii);
        const std::string uprightText = test::joined(upright);
        ASSERT_NE(uprightText.find('#'), std::string::npos) << "family " << s.family;
        ASSERT_NE(uprightText.find('.'), std::string::npos) << "family " << s.family;
        for (int rotation = 0; rotation < 4; ++rotation) {
            for (int invert : {0, 1}) {
                const std::string where = "family " + std::to_string(s.family) + ", rotation " +
                                          std::to_string(rotation) + ", invert " +
                                          std::to_string(invert);
                select(s, rotation, invert);
                const test::BmpPicture bmp = exported("out.bmp");
                const CSize size = txr_.GetStringSize(kText);
                EXPECT_EQ(CSize(bmp.width, bmp.height), size) << where;
                EXPECT_EQ(std::vector<std::uint8_t>(bmp.bytes.begin() + 54, bmp.bytes.begin() + 62),
                          blackThenWhite)
                    << where;
                EXPECT_EQ(bmp.ascii,
                          test::joined(test::turnClockwise(
                              invert == 1 ? test::reverseVideo(upright) : upright, rotation)))
                    << where;
                Canvas canvas(size.cx, size.cy, RGB(0, 255, 0));
                txr_.FontOut(canvas.dc(), 0, 0, kText);
                EXPECT_EQ(test::printedOf(canvas), bmp.ascii) << where;
            }
        }
    }
}

TEST_F(BmpExport, ExistingLongerFileIsReplacedWhole) {
    select(kSelections[1], 1);
    txr_.GetBmpFile("fresh.bmp", kText);
    ASSERT_TRUE(fontkit::writeFileBytes("old.bmp", std::vector<std::uint8_t>(100000, 0x5A)));
    txr_.GetBmpFile("old.bmp", kText);
    EXPECT_EQ(test::readFileBytes("old.bmp"), test::readFileBytes("fresh.bmp"));
}

TEST_F(BmpExport, UnwritablePathRaisesWithEveryFontFileClosed) {
    std::filesystem::create_directory("a_directory.bmp");
    const struct {
        const char* path;
        int cause;
    } paths[] = {
        {"no_such_dir/out.bmp", test::kMissingDirectoryCause},
        {"a_directory.bmp", CFileException::accessDenied},
    };
    for (const Selection& s : kSelections) {
        for (const auto& p : paths) {
            select(s);
            const int openBefore = test::openFileDescriptors();
            int cause = -1;
            try {
                txr_.GetBmpFile(p.path, kText);
            } catch (CFileException* error) {
                cause = error->m_cause;
                error->Delete();
            }
            const std::string where = "family " + std::to_string(s.family) + ", " + p.path;
            EXPECT_EQ(cause, p.cause) << where;
            EXPECT_EQ(test::openFileDescriptors(), openBefore) << where;
            expectFontFilesClosed(where);
        }
    }
    std::filesystem::remove("a_directory.bmp");
}

TEST_F(BmpExport, NothingIsWrittenUnlessTheLastSelectionLeftAFamilyReady) {
    const std::vector<std::uint8_t> kept = {1, 2, 3};
    const auto expectNothingWritten = [&](const std::string& where) {
        ASSERT_TRUE(fontkit::writeFileBytes("keep.bmp", kept));
        std::remove("new.bmp");
        txr_.GetBmpFile("keep.bmp", kText);
        txr_.GetBmpFile("new.bmp", kText);
        EXPECT_EQ(test::readFileBytes("keep.bmp"), kept) << where;
        EXPECT_FALSE(test::fileExists("new.bmp")) << where;
        Canvas canvas(2, 2, RGB(0, 255, 0));
        txr_.FontOut(canvas.dc(), 0, 0, kText);
        EXPECT_EQ(test::printedOf(canvas), "??\n??\n") << where;
        expectFontFilesClosed(where);
    };
    txr_.SetPath(kFontDir);
    expectNothingWritten("before any selection");
    for (const Selection& s : kSelections) {
        const std::string family = "family " + std::to_string(s.family);
        select(s);
        ASSERT_EQ(txr_.SetFont(s.family, 99, 1, 1, 0, 203), 2);
        expectNothingWritten(family + ", then a refused font number");
        select(s);
        ASSERT_EQ(txr_.SetFont(3, 0, 1, 1, 0, 203), 1);
        ASSERT_EQ(txr_.fontReady, 1);
        expectNothingWritten(family + ", then family 3");
    }
}

}  // namespace
}  // namespace txr

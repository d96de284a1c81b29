// Work bounded by what the answer needs: `txr diff` of pictures of different shapes, specimen
// sheets of cells a damaged font file makes up, and FIFOs given as inputs, which are refused
// at once rather than waited on.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "facade/bmp_writer.h"
#include "fontkit/byte_writer.h"
#include "fontkit/file_io.h"
#include "fontkit/fontkit_error.h"
#include "fontkit/specimen.h"
#include "support/child_process.h"
#include "txr/TXR.h"

namespace txr {
namespace {

// An all-paper one-bit BMP of width x height dots.
std::vector<std::uint8_t> blankBmp(int width, int height) {
    BmpRowsImage paper{width, height, {}};
    paper.rows.assign(paper.stride() * static_cast<std::size_t>(height), 0xFF);
    return bmpFileBytes(paper);
}

TEST(ToolBounds, DiffOfDifferentShapesComparesOnlyWhatBothCover) {
    ASSERT_TRUE(fontkit::writeFileBytes("wide.bmp", blankBmp(65536, 1)));
    ASSERT_TRUE(fontkit::writeFileBytes("tall.bmp", blankBmp(1, 65536)));
    const test::ProgramRun run =
        test::runProgram(TXR_TOOL_PATH, {"diff", "wide.bmp", "tall.bmp", "-o", "marks.bmp"});
    EXPECT_EQ(run.code, 3);
    EXPECT_EQ(run.out, "extra 0\nmissing 0\n");
    EXPECT_NE(run.err.find("sizes differ: 65536 x 1 and 1 x 65536"), std::string::npos) << run.err;
    // The difference picture covers the 1 x 1 dot both have: a 24-bit BMP of one row.
    EXPECT_EQ(fontkit::readFileBytes("marks.bmp", 1 << 20).size(), 54u + 4u);
}

// The tallest square-celled block whose sheet stays within the bound renders; one dot more is
// refused before anything is allocated.
TEST(ToolBounds, SpecimenSheetIsBoundedByAreaAtItsExactEdge) {
    auto block = [](int side) {
        fontkit::SpecimenBlock made{side, side, side, {}};
        for (int code = 0; code < 64; ++code) made.glyphs.push_back({code, {{"#"}}, 0, 1, 1});
        return made;
    };
    auto area = [](const fontkit::SpecimenLayout& layout) {
        return std::int64_t{layout.imageWidth} * layout.imageHeight;
    };
    int side = 1;
    while (area(fontkit::specimenLayout(block(side + 1))) <= fontkit::kSpecimenMaxPixels) ++side;
    ASSERT_LT(fontkit::specimenLayout(block(side + 1)).imageWidth, fontkit::kPngMaxSide)
        << "the side bound must not be what refuses";
    const fontkit::RgbImage sheet = fontkit::renderSpecimen(block(side));
    EXPECT_EQ(std::int64_t{sheet.width} * sheet.height, area(fontkit::specimenLayout(block(side))));
    EXPECT_THROW(fontkit::renderSpecimen(block(side + 1)), fontkit::FontKitError);
}

TEST(ToolBounds, FifoAsAnInputIsRefusedWithoutWaiting) {
    ASSERT_EQ(std::system("rm -rf fifo && mkdir fifo && mkfifo fifo/A.bin fifo/Z.bin"), 0);
    ASSERT_TRUE(fontkit::writeFileBytes("wide.bmp", blankBmp(8, 1)));
    const struct {
        std::vector<std::string> args;
        const char* words;
    } runs[] = {{{"font", "info", "fifo/A.bin"}, "fifo/A.bin: is not a regular file"},
                {{"diff", "fifo/Z.bin", "wide.bmp"}, "fifo/Z.bin: is not a regular file"}};
    for (const auto& run : runs) {
        const test::ProgramRun result = test::runProgram(TXR_TOOL_PATH, run.args);
        EXPECT_NE(result.code, 0) << run.args[0];
        EXPECT_NE(result.err.find(run.words), std::string::npos) << result.err;
    }
    // The library treats a font file that is a FIFO as missing: no wait, the same measure.
    for (const int family : {0, 2}) {
        CTXR fromFifo;
        fromFifo.SetPath("fifo/");
        CTXR fromNothing;
        fromNothing.SetPath("no_such_folder/");
        fromFifo.SetFont(family, 0, 1, 1, 0, 203);
        fromNothing.SetFont(family, 0, 1, 1, 0, 203);
        EXPECT_EQ(fromFifo.GetStringSize("AB"), fromNothing.GetStringSize("AB")) << family;
    }
}

}  // namespace
}  // namespace txr

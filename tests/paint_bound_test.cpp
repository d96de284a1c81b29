// The painting work of one call is bounded: glyphs made to stack on one spot draw nothing once
// their summed magnified bitmaps pass kMaxPaintedDots, exactly at the bound.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "fontkit/byte_writer.h"
#include "fontkit/font_file_a.h"
#include "txr/TXR.h"

namespace txr {
namespace {

// Font 0 of A.bin: a cell one dot wide, with an 80 x 102 glyph of full ink at 'A'. Each 'A'
// magnified 16 times charges min(80 * 16, string width) x 102 * 16 dots.
constexpr std::int64_t kGlyphCharge = 80 * 16 * 102 * 16;

TEST(PaintBound, StackedGlyphsDrawUpToTheBoundAndNothingPastIt) {
    std::filesystem::create_directory("stacked");
    const fontkit::FontBlockA block{
        'A', 'A', 102,
        1,   102, {{'A', {std::vector<std::string>(102, std::string(80, '#'))}, 0, 102, 1}}};
    ASSERT_TRUE(fontkit::writeFileBytes("stacked/A.bin", fontkit::writeFontFileA({block})));
    CTXR txr;
    txr.SetPath("stacked/");
    ASSERT_EQ(txr.SetFont(0, 0, 16, 16, 0, 203), 0);
    const int fits = static_cast<int>(kMaxPaintedDots / kGlyphCharge);
    ASSERT_EQ(fits, 257);
    for (const int length : {fits, fits + 1}) {
        std::remove("stacked.bmp");
        txr.GetBmpFile("stacked.bmp",
                       CString(std::string(static_cast<std::size_t>(length), 'A').c_str()));
        const bool written = std::remove("stacked.bmp") == 0;
        EXPECT_EQ(written, length == fits) << length << " glyphs";
        EXPECT_EQ(txr.LastDrawingMade(), length == fits) << length << " glyphs";
    }
}

}  // namespace
}  // namespace txr

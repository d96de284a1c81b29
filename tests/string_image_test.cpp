// In-memory rendering (CTXR::GetStringImage, the C API's image calls) gives GetBmpFile's dots.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/bmp_file.h"
#include "support/ctxr_calls.h"
#include "support/test_fonts.h"
#include "txr/TXR.h"
#include "txr/c_api.h"
#include "txr/label.h"

namespace txr {
namespace {

struct Selection {
    int family, font, scaleH, scaleV, rotation, invert, charSet;
};

const Selection kSelections[] = {
    {0, 0, 1, 1, 0, 0, 0}, {0, 9, 2, 3, 1, 1, 0}, {1, 0, 1, 1, 2, 0, 3},
    {1, 1, 3, 1, 3, 1, 0}, {2, 0, 1, 2, 0, 1, 0}, {2, 1, 2, 1, 1, 0, 0},
};
const CString kText("AiB\xB0\x01", 5);

void select(CTXR& ctxr, const Selection& s) {
    ctxr.SetPath("fonts/");
    ASSERT_EQ(ctxr.SetFont(s.family, s.font, s.scaleH, s.scaleV, s.rotation, 203), 0);
    ctxr.SetInvert(s.invert);
    ctxr.engineB->charSet = s.charSet;
}

class StringImageTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::filesystem::create_directory("fonts");
        ASSERT_TRUE(test::writeTestFontSet("fonts"));
    }
};

TEST_F(StringImageTest, HoldsTheDotsAndBytesOfGetBmpFile) {
    for (const Selection& s : kSelections) {
        SCOPED_TRACE(testing::Message()
                     << "family " << s.family << " font " << s.font << " rotation " << s.rotation);
        CTXR ctxr;
        select(ctxr, s);
        const test::BmpPicture file = test::exportedBy(ctxr, kText);
        EXPECT_EQ(test::imagedBy(ctxr, kText), file.ascii);
        // Written back through the library's writer, the same file byte for byte.
        EXPECT_EQ(bmpFileOf(ctxr.GetStringImage(kText)), file.bytes);
        EXPECT_EQ(test::leftBehind(ctxr), "");
    }
}

TEST_F(StringImageTest, IsEmptyWhereGetBmpFileWritesNothing) {
    CTXR notReady;
    notReady.SetPath("fonts/");
    EXPECT_TRUE(notReady.GetStringImage("A").empty());
    CTXR ready;
    select(ready, kSelections[0]);
    EXPECT_TRUE(ready.GetStringImage(CString()).empty());
    ASSERT_EQ(ready.SetFont(2, 0, 20000, 20000, 0, 203), 0);  // above the 2^28-dot limit
    EXPECT_TRUE(ready.GetStringImage("A").empty());
}

TEST_F(StringImageTest, CApiRendersIntoTheCallersBufferAfterASizeQuery) {
    TxrRenderer* renderer = txr_create();
    ASSERT_NE(renderer, nullptr);
    int width = -1, height = -1;
    size_t size = 99;
    EXPECT_EQ(txr_image_size(renderer, "AB", 2, &width, &height, &size), TXR_E_NOT_READY);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(size, 0u);
    txr_set_path(renderer, "fonts/");
    ASSERT_EQ(txr_set_font(renderer, 0, 9, 2, 3, 1, 203), TXR_OK);
    EXPECT_EQ(txr_image_size(renderer, "", 0, &width, &height, &size), TXR_E_NO_DRAWING);
    ASSERT_EQ(txr_image_size(renderer, "AiB", 3, &width, &height, &size), TXR_OK);

    CTXR ctxr;
    select(ctxr, kSelections[1]);
    ctxr.SetInvert(0);
    const StringImage expected = ctxr.GetStringImage("AiB");
    EXPECT_EQ(CSize(width, height), CSize(expected.width, expected.height));
    ASSERT_EQ(size, expected.rows.size());

    // One byte short is refused and the buffer left alone; the exact size is enough.
    std::vector<uint8_t> rows(size, 0xAA);
    int drawnWidth = 0, drawnHeight = 0;
    EXPECT_EQ(
        txr_render_image(renderer, "AiB", 3, rows.data(), size - 1, &drawnWidth, &drawnHeight),
        TXR_E_RANGE);
    EXPECT_EQ(rows, std::vector<uint8_t>(size, 0xAA));
    EXPECT_EQ(drawnWidth, 0);
    EXPECT_EQ(txr_render_image(renderer, "AiB", 3, rows.data(), size, &drawnWidth, &drawnHeight),
              TXR_OK);
    EXPECT_EQ(rows, expected.rows);
    EXPECT_EQ(CSize(drawnWidth, drawnHeight), CSize(expected.width, expected.height));
    EXPECT_EQ(txr_render_image(renderer, "AiB", 3, nullptr, size, nullptr, nullptr), TXR_E_NULL);
    txr_destroy(renderer);
}

}  // namespace
}  // namespace txr

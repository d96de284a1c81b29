// missingGlyphs for family 1, the same uncached and through a font cache.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "txr/TXR.h"
#include "txr/font_cache.h"

namespace {

TEST(MissingGlyphs, SameUncachedAndCachedForFamilyOne) {
    const struct {
        int dpi;
        int charSet;
        std::string text;
        std::vector<std::size_t> missing;
    } rows[] = {
        {300, 0, "A{B~C", {1, 3}},  // 123 to 127 have no glyph in B300.bin
        {300, 0, "  ", {}},         // the space's blank cell is its glyph
        {203, 0, "A{B~C", {}},
        {300, 0, "", {}},
    };
    txr::FontCache cache;
    for (const auto& row : rows) {
        for (int pass = 0; pass < 3; ++pass) {  // uncached, cache filled, cache served
            CTXR ctxr;
            ctxr.SetPath(TXR_SOURCE_DIR "/fonts/");
            if (pass > 0) ctxr.UseCache(&cache);
            ASSERT_EQ(ctxr.SetFont(1, 0, 1, 1, 0, row.dpi), 0);
            ctxr.engineB->charSet = row.charSet;
            EXPECT_EQ(txr::missingGlyphs(ctxr, row.text.data(), row.text.size()), row.missing)
                << row.dpi << " '" << row.text << "' pass " << pass;
        }
    }
}

}  // namespace

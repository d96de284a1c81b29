// txr::FontCache through CTXR::UseCache: the same outcomes as without it for every bundled font, a
// font file changed between two calls seen at once, the byte limit held at its edge, missingGlyphs
// the same with and without it, and the C API's cache.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "fontkit/byte_writer.h"
#include "support/ctxr_calls.h"
#include "txr/c_api.h"

namespace fs = std::filesystem;
using txr::test::callOutcome;

namespace {

const std::string kFonts = TXR_SOURCE_DIR "/fonts/";

// Every bundled font, turn and video sense: the cache serves file bytes, and nothing drawn from
// them may differ from what an uncached call draws.
TEST(FontCache, CachedCallsMatchUncachedForEveryFontRotationAndVideoSense) {
    std::string printable;
    for (int code = 0x20; code <= 0xFF; ++code) printable += static_cast<char>(code);
    const CString text(printable);
    txr::FontCache cache;
    CTXR plain;
    CTXR cached;
    cached.UseCache(&cache);
    for (CTXR* txr : {&plain, &cached}) txr->SetPath(kFonts.c_str());
    for (const txr::test::FontSelection& font : txr::test::everyBundledFont()) {
        for (int rotation = 0; rotation <= 3; ++rotation) {
            for (int invert = 0; invert <= 1; ++invert) {
                for (CTXR* txr : {&plain, &cached}) {
                    ASSERT_EQ(txr->SetFont(font.family, font.font, 1 + invert, 2 - invert, rotation,
                                           font.resolution),
                              0);
                    txr->SetInvert(invert);
                }
                // Compared whole, reported in words: the outcomes are kilobytes of pixels.
                EXPECT_TRUE(callOutcome(cached, "cached.bmp", text) ==
                            callOutcome(plain, "plain.bmp", text))
                    << "family " << font.family << " font " << font.font << " at "
                    << font.resolution << " dpi, rotation " << rotation << ", invert " << invert;
            }
        }
    }
    EXPECT_EQ(cache.filesHeld(), 5u);  // A, A300, B, B300, Z
}

TEST(FontCache, FontFileChangedBetweenCallsIsReadAfresh) {
    const std::string directory = txr::test::freshTestDirectory();
    const std::string font = directory + "Z.bin";
    const std::vector<std::uint8_t> original = txr::test::readFileBytes(kFonts + "Z.bin");
    std::vector<std::uint8_t> flipped = original;  // a font file that draws otherwise
    for (std::size_t i = flipped.size() / 8; i < flipped.size(); ++i) flipped[i] ^= 0xFF;
    const struct Change {
        const char* what;
        const char* writtenAs;  // the name written and then renamed to the font's; null: removed
        int nanosecondsLater;
        std::size_t bytesLonger;
        bool seenOnWindows;  // there no inode and whole seconds: a same-second change is not seen
    } changes[] = {
        {"replaced by another file of the same size and time", "Z.bin.new", 0, 0, false},
        {"rewritten in place, one nanosecond later", "Z.bin", 1, 0, false},
        {"rewritten in place one byte longer, same time", "Z.bin", 0, 1, true},
        {"removed", nullptr, 0, 0, true},
    };
    txr::FontCache cache;
    CTXR plain;
    CTXR cached;
    cached.UseCache(&cache);
    for (CTXR* txr : {&plain, &cached}) {
        txr->SetPath(directory.c_str());
        ASSERT_EQ(txr->SetFont(2, 2, 1, 1, 0, 203), 0);
    }
    std::string codes;  // every printable code
    for (int code = 0x20; code <= 0xFF; ++code) codes += static_cast<char>(code);
    const CString text(codes);
    for (const Change& change : changes) {
#if defined(_WIN32)
        if (!change.seenOnWindows) continue;
#endif
        ASSERT_TRUE(txr::fontkit::writeFileBytes(font, original));
        const std::string before = callOutcome(cached, "cached.bmp", text);
        ASSERT_TRUE(before == callOutcome(plain, "plain.bmp", text)) << change.what;
        const auto time = fs::last_write_time(font);
        if (change.writtenAs == nullptr) {
            fs::remove(font);
        } else {
            std::vector<std::uint8_t> bytes = flipped;
            bytes.resize(bytes.size() + change.bytesLonger);
            const std::string written = directory + change.writtenAs;
            ASSERT_TRUE(txr::fontkit::writeFileBytes(written, bytes));
            fs::last_write_time(written, time + std::chrono::nanoseconds(change.nanosecondsLater));
            if (written != font) fs::rename(written, font);
        }
        const std::string after = callOutcome(plain, "plain.bmp", text);
        EXPECT_FALSE(after == before) << change.what << ": the change draws nothing new";
        EXPECT_TRUE(callOutcome(cached, "cached.bmp", text) == after) << change.what;
    }
}

TEST(FontCache, HoldsNoMoreThanItsLimitDroppingTheLeastRecentlyUsed) {
    const auto sizeB = static_cast<std::size_t>(fs::file_size(kFonts + "B.bin"));
    const auto sizeZ = static_cast<std::size_t>(fs::file_size(kFonts + "Z.bin"));
    const struct Case {
        std::size_t limit;
        std::size_t heldAfterB;
        std::size_t heldAfterBZ;
    } cases[] = {
        {sizeB - 1, 0, 0},
        {sizeB, sizeB, sizeB},
        {sizeZ, sizeB, sizeZ},
        {sizeB + sizeZ - 1, sizeB, sizeZ},
        {sizeB + sizeZ, sizeB, sizeB + sizeZ},
    };
    for (const Case& c : cases) {
        txr::FontCache cache(c.limit);
        CTXR txr;
        txr.UseCache(&cache);
        txr.SetPath(kFonts.c_str());
        ASSERT_EQ(txr.SetFont(1, 0, 1, 1, 0, 203), 0);
        txr.GetStringSize("ABC");
        EXPECT_EQ(cache.bytesHeld(), c.heldAfterB) << "limit " << c.limit;
        ASSERT_EQ(txr.SetFont(2, 0, 1, 1, 0, 203), 0);
        txr.GetStringSize("ABC");
        EXPECT_EQ(cache.bytesHeld(), c.heldAfterBZ) << "limit " << c.limit;
    }
    txr::FontCache cache(sizeB + sizeZ);
    CTXR txr;
    txr.UseCache(&cache);
    txr.SetPath(kFonts.c_str());
    for (const int family : {1, 2, 1}) {
        ASSERT_EQ(txr.SetFont(family, 0, 1, 1, 0, 203), 0);
        txr.GetStringSize("ABC");
    }
    cache.setByteLimit(sizeB + sizeZ - 1);  // Z was used longest ago
    EXPECT_EQ(cache.bytesHeld(), sizeB);
    cache.clear();
    EXPECT_EQ(cache.filesHeld(), 0u);
}

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
            ctxr.SetPath(kFonts.c_str());
            if (pass > 0) ctxr.UseCache(&cache);
            ASSERT_EQ(ctxr.SetFont(1, 0, 1, 1, 0, row.dpi), 0);
            ctxr.engineB->charSet = row.charSet;
            EXPECT_EQ(txr::missingGlyphs(ctxr, row.text.data(), row.text.size()), row.missing)
                << row.dpi << " '" << row.text << "' pass " << pass;
        }
    }
}

// The C API's cache: a renderer using it renders what a renderer without it renders.
TEST(FontCache, CApiRendererWithACacheRendersTheSame) {
    TxrFontCache* cache = txr_cache_create(std::size_t{1} << 20);
    TxrRenderer* renderers[2] = {txr_create(), txr_create()};
    EXPECT_EQ(txr_use_cache(nullptr, cache), TXR_E_NULL);
    EXPECT_EQ(txr_use_cache(renderers[1], cache), TXR_OK);
    std::vector<std::uint8_t> files[2];
    for (int r = 0; r < 2; ++r) {
        txr_set_path(renderers[r], kFonts.c_str());
        ASSERT_EQ(txr_set_font(renderers[r], 0, 11, 2, 3, 1, 203), TXR_OK);
        std::uint8_t* bytes = nullptr;
        std::size_t size = 0;
        ASSERT_EQ(txr_render_bmp(renderers[r], "Cache 42", 8, &bytes, &size), TXR_OK);
        files[r].assign(bytes, bytes + size);
        txr_free(bytes);
    }
    EXPECT_TRUE(files[0] == files[1]);
    EXPECT_EQ(txr_use_cache(renderers[1], nullptr), TXR_OK);
    for (TxrRenderer* renderer : renderers) txr_destroy(renderer);
    txr_cache_destroy(cache);
}

}  // namespace

// Byte-order readers, one-bit row helpers, the one-bit BMP header and the glyph memo (the shared
// dot preview is checked through each engine's previews).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "common/big_endian.h"
#include "common/glyph_memo.h"
#include "common/one_bit_rows.h"

namespace txr {
namespace {

TEST(BigEndian, ReadsMostSignificantByteFirst) {
    const unsigned char bytes[] = {0x01, 0x02, 0xFE, 0xFF};
    EXPECT_EQ(ReadBE16(bytes), 258u);
    EXPECT_EQ(ReadBE16(bytes + 2), 0xFEFFu);
    EXPECT_EQ(ReadBE32(bytes), 0x0102FEFFu);
}

TEST(OneBitRows, StrideIsWholeBytesPaddedToFour) {
    const struct {
        std::int64_t width;
        std::size_t stride;
    } cases[] = {{0, 0},  {-5, 0}, {1, 4},  {8, 4},  {9, 4},
                 {32, 4}, {33, 8}, {36, 8}, {48, 8}, {80, 12}};
    for (const auto& c : cases) EXPECT_EQ(dibStride(c.width), c.stride) << "width " << c.width;
}

TEST(OneBitRows, FlipThenComplementGivesBottomUpInvertedRowsWithPadding) {
    // The 10-dot, 3-row glyph FF C0 / 80 00 / 00 40.
    const unsigned char glyph[] = {0xFF, 0xC0, 0x80, 0x00, 0x00, 0x40};
    unsigned char flipped[6];
    flipRows(glyph, 2, 3, flipped);
    std::vector<unsigned char> dib(12);
    complementRows(flipped, 2, 3, dib.data(), 4, 0xAA);
    const std::vector<unsigned char> expected = {0xFF, 0xBF, 0xAA, 0xAA, 0x7F, 0xFF,
                                                 0xAA, 0xAA, 0x00, 0x3F, 0xAA, 0xAA};
    EXPECT_EQ(dib, expected);
}

TEST(OneBitRows, BoundedFlipReadsOnlyTheBytesThatExistAndGivesZerosForTheRest) {
    const unsigned char glyph[] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    const struct {
        std::size_t available;
        std::vector<unsigned char> flipped;
    } cases[] = {
        {6, {0x55, 0x66, 0x33, 0x44, 0x11, 0x22}},
        {5, {0x55, 0x00, 0x33, 0x44, 0x11, 0x22}},
        {3, {0x00, 0x00, 0x33, 0x00, 0x11, 0x22}},
        {0, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
    };
    for (const auto& c : cases) {
        std::vector<unsigned char> flipped(6, 0xEE);
        flipRowsBounded(glyph, c.available, 2, 3, flipped.data());
        EXPECT_EQ(flipped, c.flipped) << c.available << " bytes available";
    }
}

TEST(GlyphMemo, ReadsEachRunOncePerOpeningAndAgainWhenAskedForOtherBytes) {
    std::vector<std::uint64_t> reads;  // positions read from the "file"
    auto read = [&reads](std::uint64_t position, unsigned char* out, std::size_t count) {
        reads.push_back(position);
        const std::size_t delivered = position >= 100 ? 0 : std::min<std::size_t>(count, 3);
        for (std::size_t i = 0; i < delivered; ++i)
            out[i] = static_cast<unsigned char>(position + i);
        return delivered;
    };
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    GlyphMemo memo;
    EXPECT_FALSE(memo.serves(stream));
    memo.open(stream);
    EXPECT_TRUE(memo.serves(stream));
    EXPECT_FALSE(memo.serves(nullptr));

    std::size_t delivered = 0;
    const struct {
        int code;
        std::uint64_t position;
        std::size_t size;
        bool reads;
        std::size_t delivered;
    } steps[] = {
        {65, 10, 8, true, 3},  {65, 10, 8, false, 3},  {66, 20, 2, true, 2},
        {65, 10, 8, false, 3}, {65, 11, 8, true, 3},   {65, 11, 4, true, 3},
        {67, 200, 8, true, 0}, {67, 200, 8, false, 0}, {66, 20, 2, false, 2},
    };
    for (const auto& step : steps) {
        const std::size_t before = reads.size();
        const unsigned char* bytes =
            memo.record(step.code, step.position, step.size, delivered, read);
        EXPECT_EQ(reads.size() - before, step.reads ? 1u : 0u) << step.code << "@" << step.position;
        ASSERT_EQ(delivered, step.delivered);
        for (std::size_t i = 0; i < delivered; ++i) EXPECT_EQ(bytes[i], step.position + i);
    }
    memo.table(40, 16, delivered, read);
    memo.table(40, 16, delivered, read);
    EXPECT_EQ(reads.back(), 40u);
    const std::size_t readsBefore = reads.size();
    memo.open(stream);  // a new opening reads everything again
    memo.record(65, 11, 4, delivered, read);
    memo.table(40, 16, delivered, read);
    EXPECT_EQ(reads.size() - readsBefore, 2u);
    std::fclose(stream);
}

TEST(OneBitRows, ZeroRowsTouchNothingEvenWithoutABuffer) {
    // A glyph of no rows builds into empty vectors whose data() is null.
    complementRows(nullptr, 2, 0, nullptr, 4, 0xFF);
    std::vector<unsigned char> untouched(4, 0x11);
    complementRows(nullptr, 2, 0, untouched.data(), 4, 0xFF);
    EXPECT_EQ(untouched, std::vector<unsigned char>(4, 0x11));
}

TEST(OneBitRows, BmpHeaderOfTenByThreeImage) {
    unsigned char header[kOneBitBmpHeaderSize];
    writeOneBitBmpHeader(header, 10, 3);
    const std::vector<unsigned char> expected = {
        'B', 'M', 74, 0, 0,   0,   0,   0, 0, 0, 62, 0, 0, 0,  // file header
        40,  0,   0,  0, 10,  0,   0,   0, 3, 0, 0,  0, 1, 0, 1, 0,
        0,   0,   0,  0, 12,  0,   0,   0,                           // info
        120, 0,   0,  0, 120, 0,   0,   0, 2, 0, 0,  0, 2, 0, 0, 0,  //
        0,   0,   0,  0, 255, 255, 255, 0};                          // colours
    EXPECT_EQ(std::vector<unsigned char>(header, header + sizeof header), expected);
}

}  // namespace
}  // namespace txr

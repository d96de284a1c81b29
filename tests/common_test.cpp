// One-bit row helpers and the glyph memo.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "common/glyph_memo.h"
#include "common/one_bit_rows.h"

namespace txr {
namespace {

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

TEST(GlyphMemo, ServesRepeatsAndNearbyBytesWithoutReadingAgainWithinOneOpening) {
    // A 20000-byte "file" (longer than the 16 KB read-ahead window) whose byte i is i mod 251.
    constexpr std::uint64_t kFileSize = 20000;
    std::vector<std::uint64_t> reads;  // positions read from the file
    auto read = [&reads](std::uint64_t position, unsigned char* out, std::size_t count) {
        reads.push_back(position);
        const std::size_t delivered =
            position >= kFileSize ? 0 : std::min<std::size_t>(count, kFileSize - position);
        for (std::size_t i = 0; i < delivered; ++i)
            out[i] = static_cast<unsigned char>((position + i) % 251);
        return delivered;
    };
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    GlyphMemo memo;
    EXPECT_FALSE(memo.serves(stream));
    memo.open(stream);
    EXPECT_TRUE(memo.serves(stream));
    EXPECT_FALSE(memo.serves(nullptr));

    const struct {
        int code;  // -1: the code table
        std::uint64_t position;
        std::size_t size;
        std::size_t reads;
        std::size_t delivered;
    } steps[] = {
        {65, 100, 8, 1, 8},         // fills the window at 100
        {65, 100, 8, 0, 8},         // the same bytes again
        {66, 5000, 1279, 0, 1279},  // inside the window
        {65, 101, 8, 0, 8},         // other bytes for a code: taken again, from the window
        {67, 16480, 8, 1, 8},       // just past the window: a few bytes, read by themselves
        {71, 16500, 64, 1, 64},     // the most read by themselves
        {72, 16600, 65, 1, 65},     // one more: the window moves to 16600, to the file's end
        {68, 19990, 20, 0, 10},     // the file ends inside the window
        {69, 25000, 8, 1, 0},       // past the file's end
        {-1, 0, 1024, 1, 1024},     // before the window
        {-1, 0, 1024, 0, 1024},     // the table again
        {70, 0, 20000, 1, 20000},   // larger than the window: read straight
        {66, 5000, 1279, 0, 1279},  // still held
    };
    for (const auto& step : steps) {
        const std::size_t before = reads.size();
        std::size_t delivered = 0;
        const unsigned char* bytes =
            step.code < 0 ? memo.table(step.position, step.size, delivered, read)
                          : memo.record(step.code, step.position, step.size, delivered, read);
        SCOPED_TRACE(std::to_string(step.code) + "@" + std::to_string(step.position));
        EXPECT_EQ(reads.size() - before, step.reads);
        ASSERT_EQ(delivered, step.delivered);
        for (std::size_t i = 0; i < delivered; ++i) ASSERT_EQ(bytes[i], (step.position + i) % 251);
    }

    unsigned char header[60];
    std::size_t before = reads.size();
    EXPECT_EQ(readThrough(&memo, stream, 5000, header, sizeof header, read), sizeof header);
    EXPECT_EQ(readThrough(&memo, stream, 17100, header, sizeof header, read), sizeof header);
    EXPECT_EQ(header[0], 17100 % 251);
    EXPECT_EQ(reads.size() - before, 1u);  // the window, then a header read by itself
    before = reads.size();
    EXPECT_EQ(readThrough(nullptr, stream, 1100, header, sizeof header, read), sizeof header);
    EXPECT_EQ(readThrough(&memo, nullptr, 1100, header, sizeof header, read), sizeof header);
    EXPECT_EQ(reads.size() - before, 2u);  // no memo for this stream: straight reads

    before = reads.size();
    memo.open(stream);  // a new opening reads everything again
    std::size_t delivered = 0;
    memo.record(66, 5000, 1279, delivered, read);
    memo.table(0, 1024, delivered, read);
    EXPECT_EQ(reads.size() - before, 2u);

    // A file of 40000 bytes: a second window, and then, when a third would make the windows copy
    // more than the file holds, the whole file in one read that serves the rest.
    ASSERT_EQ(std::fwrite(std::vector<char>(40000).data(), 1, 40000, stream), 40000u);
    ASSERT_EQ(std::fflush(stream), 0);
    memo.open(stream);
    reads.clear();
    memo.record(65, 0, 1279, delivered, read);
    memo.record(66, 20000, 1279, delivered, read);
    memo.record(67, 37000, 1279, delivered, read);
    memo.record(68, 100, 1279, delivered, read);
    EXPECT_EQ(reads, (std::vector<std::uint64_t>{0, 20000, 0}));
    std::fclose(stream);
}

}  // namespace
}  // namespace txr

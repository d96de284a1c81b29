// One txr::FontCache shared by threads, each with its own CTXR: every result the same as one
// thread's without a cache, while a small byte limit makes the threads evict each other's fonts.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "support/ctxr_calls.h"

namespace {

const std::string kFonts = TXR_SOURCE_DIR "/fonts/";

TEST(FontCacheThreads, SharedCacheGivesEveryThreadTheUncachedResults) {
    std::vector<txr::test::FontSelection> fonts;
    for (const txr::test::FontSelection& font : txr::test::everyBundledFont()) {
        if (font.font % 4 == 0) fonts.push_back(font);
    }
    const CString text = "Cache 0123 {|}~";
    std::vector<std::string> expected;
    CTXR plain;
    plain.SetPath(kFonts.c_str());
    for (const txr::test::FontSelection& font : fonts) {
        plain.SetFont(font.family, font.font, 1, 1, 0, font.resolution);
        expected.push_back(txr::test::callOutcome(plain, "expected.bmp", text));
    }
    // Room for the largest file and little else.
    txr::FontCache cache(std::filesystem::file_size(kFonts + "A300.bin") + 1);
    constexpr int kThreads = 4;
    std::vector<std::string> differences(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            CTXR txr;
            txr.UseCache(&cache);
            txr.SetPath(kFonts.c_str());
            const std::string path = "thread" + std::to_string(t) + ".bmp";
            for (int round = 0; round < 3; ++round) {
                for (std::size_t i = 0; i < fonts.size(); ++i) {
                    // Threads walk the fonts from different starting points.
                    const std::size_t f = (i + static_cast<std::size_t>(t) * 3) % fonts.size();
                    txr.SetFont(fonts[f].family, fonts[f].font, 1, 1, 0, fonts[f].resolution);
                    if (txr::test::callOutcome(txr, path, text) != expected[f]) {
                        differences[t] += " " + std::to_string(f);
                    }
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(differences[t], "") << "thread " << t;
    EXPECT_LE(cache.bytesHeld(), cache.byteLimit());
}

}  // namespace

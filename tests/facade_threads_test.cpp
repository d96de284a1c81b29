// Threads with a CTXR each get the results one thread gets, from memory, through the staging file
// and through one shared font cache. CI runs this under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/ctxr_calls.h"
#include "support/raster_ascii.h"
#include "support/test_fonts.h"

namespace txr {
namespace {

const std::string kBundledFonts = TXR_SOURCE_DIR "/fonts/";

// What one text gives through each call, worked out on one thread first.
struct Expected {
    CString text;
    CSize size;
    std::string painted;
    std::string exported;
};

void selectTestFont(CTXR& txr, bool stagingFile) {
    static const bool written = [] {
        std::filesystem::create_directory("fonts");
        return test::writeTestFontSet("fonts/");
    }();
    ASSERT_TRUE(written);
    txr.SetPath("fonts/");
    ASSERT_EQ(txr.SetFont(0, 0, 2, 1, 0, 203), 0);
    txr.SetStagingFile(stagingFile);
}

// Runs `rounds` rounds of every call on `threads` threads, thread t with texts[t % size]; the
// number of results that differ from the single-threaded ones. Through the staging file, only
// measuring and painting.
int differingResults(const std::vector<Expected>& texts, int threads, int rounds,
                     bool stagingFile) {
    std::atomic<int> differing{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            CTXR txr;
            selectTestFont(txr, stagingFile);
            const Expected& expected = texts[static_cast<std::size_t>(t) % texts.size()];
            const std::string path = "thread" + std::to_string(t) + ".bmp";
            for (int round = 0; round < rounds; ++round) {
                differing += txr.GetStringSize(expected.text) != expected.size;
                differing += test::drawnBy(txr, expected.text, 40, 12) != expected.painted;
                if (stagingFile) continue;
                differing += test::imagedBy(txr, expected.text) != expected.exported;
                differing += test::exportedBy(txr, expected.text, path).ascii != expected.exported;
            }
        });
    }
    for (std::thread& worker : workers) worker.join();
    return differing;
}

TEST(FacadeThreads, EveryThreadGetsItsOwnResultsInMemoryAndThroughTheStagingFile) {
    CTXR txr;
    selectTestFont(txr, false);
    CTXR staged;
    selectTestFont(staged, true);
    std::vector<Expected> texts;
    for (const char* text : {"A", "B", "AB", "BiA"}) {
        Expected expected{text, txr.GetStringSize(text), test::drawnBy(txr, text, 40, 12),
                          test::exportedBy(txr, text).ascii};
        EXPECT_NE(expected.painted.find('#'), std::string::npos) << text << " paints ink";
        EXPECT_EQ(test::drawnBy(staged, text, 40, 12, 3, 2), test::drawnBy(txr, text, 40, 12, 3, 2))
            << text << ": the same pixels from memory as through the staging file";
        texts.push_back(expected);
    }
    EXPECT_EQ(differingResults(texts, 8, 40, false), 0) << "in memory";
    EXPECT_EQ(differingResults({texts[0], texts[1]}, 2, 1000, true), 0) << "staging file";
    EXPECT_FALSE(test::fileExists("../string.bmp"));
}

// Threads may paint onto one canvas: each blit holds the surface it draws on, so the canvas ends
// as one thread painting the same text leaves it, and ThreadSanitizer sees no race.
TEST(FacadeThreads, ThreadsPaintingOneCanvasLeaveWhatOneThreadLeaves) {
    CTXR one;
    selectTestFont(one, false);
    const CString text("BiA");
    const std::string alone = test::drawnBy(one, text, 40, 12, 2, 1);
    Canvas shared(40, 12, RGB(0, 255, 0));
    std::vector<std::thread> painters;
    for (int t = 0; t < 4; ++t) {
        painters.emplace_back([&] {
            CTXR txr;
            selectTestFont(txr, false);
            for (int round = 0; round < 50; ++round) txr.FontOut(shared.dc(), 2, 1, text);
        });
    }
    for (std::thread& painter : painters) painter.join();
    EXPECT_EQ(test::printedOf(shared), alone);
}

// One FontCache shared by threads, each with its own CTXR: every result the same as one thread's
// without a cache, while a small byte limit makes the threads evict each other's fonts.
TEST(FontCacheThreads, SharedCacheGivesEveryThreadTheUncachedResults) {
    std::vector<test::FontSelection> fonts;
    for (const test::FontSelection& font : test::everyBundledFont()) {
        if (font.font % 4 == 0) fonts.push_back(font);
    }
    const CString text = "Cache 0123 {|}~";
    std::vector<std::string> expected;
    CTXR plain;
    plain.SetPath(kBundledFonts.c_str());
    for (const test::FontSelection& font : fonts) {
        plain.SetFont(font.family, font.font, 1, 1, 0, font.resolution);
        expected.push_back(test::callOutcome(plain, "expected.bmp", text));
    }
    // Room for the largest file and little else.
    FontCache cache(std::filesystem::file_size(kBundledFonts + "A300.bin") + 1);
    constexpr int kThreads = 4;
    std::vector<std::string> differences(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            CTXR txr;
            txr.UseCache(&cache);
            txr.SetPath(kBundledFonts.c_str());
            const std::string path = "thread" + std::to_string(t) + ".bmp";
            for (int round = 0; round < 3; ++round) {
                for (std::size_t i = 0; i < fonts.size(); ++i) {
                    // Threads walk the fonts from different starting points.
                    const std::size_t f = (i + static_cast<std::size_t>(t) * 3) % fonts.size();
                    txr.SetFont(fonts[f].family, fonts[f].font, 1, 1, 0, fonts[f].resolution);
                    if (test::callOutcome(txr, path, text) != expected[f]) {
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
}  // namespace txr

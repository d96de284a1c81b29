// Threads with a CTXR each get the results one thread gets, from memory and through the staging
// file. CI runs this under ThreadSanitizer.
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

}  // namespace
}  // namespace txr

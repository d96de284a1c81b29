// Benchmarks of what hosts do all day, measuring and rendering short strings with every family,
// length, magnification and rotation, and of the raster primitives on images of millions of dots.
// Run from a directory whose parent is writable: FontOut stages its drawing in ../string.bmp.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "common/one_bit_rows.h"
#include "facade/bmp_writer.h"
#include "txr/TXR.h"

namespace {

const char kFontDirectory[] = TXR_SOURCE_DIR "/fonts/";
const char kOutputFile[] = "txr_bench.bmp";

// One font of about 20 dots per family, at 203 dpi: proportional in families 0 and 2.
struct Selection {
    int family;
    int fontType;
};
const Selection kSelections[] = {{0, 11}, {1, 2}, {2, 2}};

std::string sampleText(std::int64_t length) {
    static const std::string kPangram = "The quick brown fox jumps over the lazy dog 0123456789! ";
    std::string text;
    for (std::int64_t i = 0; i < length; ++i) {
        text += kPangram[static_cast<std::size_t>(i) % kPangram.size()];
    }
    return text;
}

// A CTXR set up from the benchmark's arguments: family, length, magnification, rotation.
struct StringCase {
    explicit StringCase(const benchmark::State& state) : text(sampleText(state.range(1)).c_str()) {
        const Selection& selection = kSelections[state.range(0)];
        txr.SetPath(kFontDirectory);
        const int scale = static_cast<int>(state.range(2));
        txr.SetFont(selection.family, selection.fontType, scale, scale,
                    static_cast<int>(state.range(3)), 203);
        size = txr.GetStringSize(text);
    }

    void report(benchmark::State& state) const {
        const auto calls = static_cast<double>(state.iterations());
        const std::int64_t dots = std::int64_t{size.cx} * size.cy;
        state.SetItemsProcessed(state.iterations() * state.range(1));
        state.counters["dots/s"] =
            benchmark::Counter(calls * static_cast<double>(dots), benchmark::Counter::kIsRate);
        state.counters["dots"] = static_cast<double>(dots);
    }

    CTXR txr;
    CString text;
    CSize size;
};

void stringArguments(benchmark::internal::Benchmark* b) {
    b->ArgNames({"family", "length", "mag", "rotation"});
    b->ArgsProduct({{0, 1, 2}, {1, 8, 32, 255}, {1, 4, 16}, {0, 1, 2, 3}});
}

void GetStringSize(benchmark::State& state) {
    StringCase c(state);
    for (auto _ : state) benchmark::DoNotOptimize(c.txr.GetStringSize(c.text));
    c.report(state);
}
BENCHMARK(GetStringSize)->Apply(stringArguments);

void GetBmpFile(benchmark::State& state) {
    StringCase c(state);
    for (auto _ : state) c.txr.GetBmpFile(kOutputFile, c.text);
    c.report(state);
    std::remove(kOutputFile);
}
BENCHMARK(GetBmpFile)->Apply(stringArguments);

// Throughput of N threads, each with its own CTXR, sharing one font cache: every thread renders
// 32 characters of each family in turn into a BMP file of its own (real time: calls per second
// of the whole process).
void SharedCacheThreads(benchmark::State& state) {
    static txr::FontCache cache;
    const std::string path = "txr_bench_thread" + std::to_string(state.thread_index()) + ".bmp";
    const CString text(sampleText(32).c_str());
    CTXR txr;
    txr.UseCache(&cache);
    txr.SetPath(kFontDirectory);
    std::size_t next = 0;
    for (auto _ : state) {
        const Selection& selection = kSelections[next++ % 3];
        txr.SetFont(selection.family, selection.fontType, 1, 1, 0, 203);
        txr.GetBmpFile(path.c_str(), text);
    }
    state.SetItemsProcessed(state.iterations());
    std::remove(path.c_str());
}
BENCHMARK(SharedCacheThreads)->Threads(1)->Threads(2)->Threads(4)->UseRealTime();

void FontOut(benchmark::State& state) {
    StringCase c(state);
    txr::Canvas canvas(c.size.cx, c.size.cy);
    for (auto _ : state) c.txr.FontOut(canvas.dc(), 0, 0, c.text);
    c.report(state);
}
BENCHMARK(FontOut)->Apply(stringArguments);

std::vector<unsigned char> randomRows(std::int64_t width, std::int64_t height) {
    std::mt19937 random(1);
    std::vector<unsigned char> rows(txr::dibStride(width) * static_cast<std::size_t>(height));
    for (auto& byte : rows) byte = static_cast<unsigned char>(random());
    return rows;
}

// StretchDIBits of a one-bit image onto a one-bit memory bitmap at a whole scale, about 4096 x
// 1024 destination dots whatever the scale, the destination starting at dot `destX` of a row
// (0: byte-aligned).
void MagnifyingBlit(benchmark::State& state) {
    const int scale = static_cast<int>(state.range(0));
    const int destX = static_cast<int>(state.range(1));
    const int width = 4096 / scale;
    const int height = 1024 / scale;
    const std::vector<unsigned char> rows = randomRows(width, height);
    txr::MonoBitmapInfo info{};
    info.bmiHeader = {40, width, height, 1, 1, BI_RGB, 0, 0, 0, 2, 2};
    info.bmiColors[1] = {255, 255, 255, 0};

    CDC dc;
    dc.Attach(CreateCompatibleDC(nullptr));
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(&dc, width * scale + destX, height * scale);
    CGdiObject* previous = CDC::SelectGdiObject(dc.m_hDC, bitmap.m_hObject);
    for (auto _ : state) {
        StretchDIBits(dc.m_hDC, destX, 0, width * scale, height * scale, 0, 0, width, height,
                      rows.data(), info.get(), DIB_RGB_COLORS, SRCCOPY);
    }
    CDC::SelectGdiObject(dc.m_hDC, previous->m_hObject);
    bitmap.DeleteObject();
    state.SetItemsProcessed(state.iterations() * std::int64_t{width} * scale * height * scale);
}
BENCHMARK(MagnifyingBlit)->ArgNames({"scale", "destX"})->ArgsProduct({{1, 2, 3, 4, 8, 16}, {0, 3}});

// The quarter-turn writer's turning of a width x height image by 1, 2 or 3 quarter turns.
void QuarterTurn(benchmark::State& state) {
    txr::BmpRowsImage image;
    image.width = static_cast<int>(state.range(0));
    image.height = static_cast<int>(state.range(1));
    image.rows = randomRows(image.width, image.height);
    const int turns = static_cast<int>(state.range(2));
    for (auto _ : state) benchmark::DoNotOptimize(txr::turnClockwise(image, turns).rows.data());
    state.SetItemsProcessed(state.iterations() * std::int64_t{image.width} * image.height);
}
BENCHMARK(QuarterTurn)
    ->ArgNames({"width", "height", "turns"})
    ->ArgsProduct({{1024, 4096}, {1024}, {1, 2, 3}})
    ->Args({1001, 1003, 1})
    ->Args({1001, 1003, 3});

}  // namespace

BENCHMARK_MAIN();

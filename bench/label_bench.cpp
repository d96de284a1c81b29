// Benchmarks of whole labels: a 4 x 6 inch label at 203 dpi with ten fields of every family and
// two bars, rendered with one CTXR as a host renders label after label; and one field's image.
#include <benchmark/benchmark.h>

#include "txr/TXR.h"
#include "txr/font_cache.h"
#include "txr/label.h"

namespace {

const char kFontDirectory[] = TXR_SOURCE_DIR "/fonts/";

// The fields of examples/label.json: ten fields, families 0, 1 and 2, magnified, turned and in
// reverse video, on 812 x 1218 dots.
txr::Label shippingLabel() {
    txr::Label label(812, 1218, 203);
    label.add(txr::LabelBox{0, 0, 812, 1218, 4});
    label.add(txr::LabelBox{0, 560, 812, 90, 0});
    struct Row {
        int x, y, family, font, scaleH, scaleV, rotation;
        bool invert;
        const char* text;
    };
    const Row rows[] = {
        {24, 24, 0, 3, 1, 1, 0, false, "FROM: ACME SUPPLY"},
        {24, 80, 0, 2, 1, 1, 0, false, "12 HARBOUR ROAD, PORT 4410"},
        {24, 230, 2, 1, 2, 2, 0, false, "SHIP TO:"},
        {24, 300, 2, 1, 2, 3, 0, false, "J. SMITH"},
        {24, 420, 1, 2, 1, 1, 0, false, "40-MILL-LANE"},
        {24, 480, 1, 2, 1, 1, 0, false, "NORTHGATE-2290"},
        {40, 578, 2, 1, 3, 3, 0, true, " PRIORITY "},
        {24, 720, 0, 4, 1, 1, 0, false, "LOT 42  QTY 12"},
        {780, 960, 0, 2, 1, 1, 1, false, "SERIAL 0042"},
        {24, 1120, 0, 1, 1, 1, 0, false, "REF #109"},
    };
    for (const Row& row : rows) {
        txr::LabelField field;
        field.x = row.x;
        field.y = row.y;
        field.family = row.family;
        field.font = row.font;
        field.scaleH = row.scaleH;
        field.scaleV = row.scaleV;
        field.rotation = row.rotation;
        field.invert = row.invert;
        field.placement = row.invert ? txr::Placement::whole : txr::Placement::ink;
        field.text = row.text;
        label.add(field);
    }
    return label;
}

// Each benchmark runs twice: uncached (/0, every call reads its font file) and with a FontCache
// shared as a host would share it (/1, font files read once and kept).
void useCache(benchmark::State& state, CTXR& txr, txr::FontCache& cache) {
    if (state.range(0) != 0) txr.UseCache(&cache);
}

void BM_LabelTenFields(benchmark::State& state) {
    const txr::Label label = shippingLabel();
    txr::FontCache cache;
    CTXR txr;
    txr.SetPath(kFontDirectory);
    useCache(state, txr, cache);
    for (auto _ : state) {
        txr::RenderedLabel rendered = label.render(txr);
        benchmark::DoNotOptimize(rendered.image.rows.data());
        if (!rendered.problems.empty()) state.SkipWithError("the label has problems");
    }
    state.SetItemsProcessed(state.iterations() * 10);
}
BENCHMARK(BM_LabelTenFields)->ArgName("cached")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_LabelCheckOnly(benchmark::State& state) {
    const txr::Label label = shippingLabel();
    txr::FontCache cache;
    CTXR txr;
    txr.SetPath(kFontDirectory);
    useCache(state, txr, cache);
    for (auto _ : state) benchmark::DoNotOptimize(label.check(txr));
}
BENCHMARK(BM_LabelCheckOnly)->ArgName("cached")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_GetStringImage(benchmark::State& state) {
    txr::FontCache cache;
    CTXR txr;
    txr.SetPath(kFontDirectory);
    useCache(state, txr, cache);
    txr.SetFont(2, 1, 2, 2, 0, 203);
    for (auto _ : state) benchmark::DoNotOptimize(txr.GetStringImage("SHIP TO:").rows.data());
}
BENCHMARK(BM_GetStringImage)->ArgName("cached")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

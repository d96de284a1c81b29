// Fuzz target: the tool's label description reader on arbitrary bytes, and the label it reads
// rendered (small labels only, so that each input stays quick; with the bundled fonts).
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "label_json.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    txr::tool::LabelDescription description;
    try {
        description = txr::tool::readLabelJson(text);
    } catch (const txr::tool::LabelJsonError&) {
        return 0;
    }
    if (!description.label) return 0;
    const txr::Label& label = *description.label;
    TXR_FUZZ_CHECK(description.fieldIndex.size() == label.fields().size());
    if (std::int64_t{label.width()} * label.height() > (std::int64_t{1} << 20)) return 0;
    CTXR ctxr;
    ctxr.SetPath(TXR_FONTS_DIR);
    const txr::RenderedLabel rendered = label.render(ctxr);
    TXR_FUZZ_CHECK(rendered.image.width == label.width());
    TXR_FUZZ_CHECK(rendered.image.rows.size() ==
                   rendered.image.stride() * static_cast<std::size_t>(label.height()));
    for (const txr::LabelProblem& problem : rendered.problems) {
        TXR_FUZZ_CHECK(problem.field < label.fields().size());
    }
    return 0;
}

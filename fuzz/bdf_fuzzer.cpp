// Fuzz target: the font kit's BDF reader, and building each font file from what it accepts. What
// the reader takes, the writer writes and the reader takes again, unchanged.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "fontkit/bdf.h"
#include "fontkit/font_builder.h"
#include "fontkit/fontkit_error.h"
#include "fuzz_support.h"

using namespace txr::fontkit;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    BdfFont font;
    try {
        font = readBdf(text, "fuzz");
    } catch (const FontKitError&) {
        return 0;
    }
    const std::string written = writeBdf(font);
    BdfFont again;
    try {
        again = readBdf(written, "rewritten");
    } catch (const FontKitError& error) {
        txr::fuzz::fail(__FILE__, __LINE__, error.what());
    }
    TXR_FUZZ_CHECK(writeBdf(again) == written);

    const FontFileKind kinds[] = {FontFileKind::A, FontFileKind::A300, FontFileKind::B,
                                  FontFileKind::B300, FontFileKind::Z};
    const FontFileKind kind = kinds[size == 0 ? 0 : data[size - 1] % 5];
    try {
        const std::vector<std::uint8_t> file = buildFromBdf(kind, {font});
        fontFileInfo(kind, file);
    } catch (const FontKitError&) {
    }
    return 0;
}

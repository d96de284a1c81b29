// Fuzz target: the font kit's readers of font files A, A300, B, B300 and Z (info, description,
// BDF dump, specimen, the A and Z block readers, the B glyph reader). The last byte picks the
// kind of file; the rest is the file.
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "fontkit/bdf.h"
#include "fontkit/font_builder.h"
#include "fontkit/font_file_a.h"
#include "fontkit/font_file_b.h"
#include "fontkit/font_file_z.h"
#include "fontkit/fontkit_error.h"
#include "fuzz_support.h"

using namespace txr::fontkit;

namespace {

void readBlocks(FontFileKind kind, const std::vector<std::uint8_t>& bytes) {
    if (kind == FontFileKind::A || kind == FontFileKind::A300) {
        try {
            readFontFileA(bytes);
        } catch (const std::runtime_error&) {
        }
    } else if (kind == FontFileKind::Z) {
        std::string error;
        if (!readFontFileZ(bytes, &error)) TXR_FUZZ_CHECK(!error.empty());
    } else {
        const int resolution = kind == FontFileKind::B ? 203 : 300;
        // The first and last glyph places of every font and one past them; all of them would
        // make each input of this target slow without reaching other code.
        for (int font = 0; font < 5; ++font) {
            for (int glyph : {-1, 0, 15, 123, 155, 158, 163, 164}) {
                if (auto stored = readGlyphB(bytes, resolution, font, glyph)) stored->picture();
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const FontFileKind kinds[] = {FontFileKind::A, FontFileKind::A300, FontFileKind::B,
                                  FontFileKind::B300, FontFileKind::Z};
    const FontFileKind kind = kinds[data[size - 1] % 5];
    const std::vector<std::uint8_t> bytes(data, data + size - 1);

    readBlocks(kind, bytes);
    try {
        const std::vector<BlockInfo> blocks = fontFileInfo(kind, bytes);
        describeFontFile(kind, bytes);
        if (!blocks.empty()) renderSpecimen(specimenOfBlock(kind, bytes, blocks.front().number));
        const std::vector<BdfFont> dump = dumpFontFile(kind, bytes);
        for (const BdfFont& font : dump) writeBdf(font);
        buildFromBdf(kind, dump);
    } catch (const FontKitError&) {
    }
    return 0;
}

// Which bytes of a text have no glyph in the selected font, asked of the engines as drawing asks.
#include <algorithm>
#include <array>
#include <cstring>

#include "facade/string_render.h"
#include "txr/TXR.h"

namespace txr {

namespace {

// Whether `fetch` puts anything into `buffer`: an engine that finds no glyph leaves its buffers
// as they were, so a buffer filled with 0x00 and then with 0xFF that keeps both fillings through
// a fetch received nothing.
template <class Fetch>
bool fetchesSomething(unsigned char* buffer, std::size_t size, Fetch fetch) {
    for (const unsigned char filling : {0x00, 0xFF}) {
        std::memset(buffer, filling, size);
        fetch();
        if (std::any_of(buffer, buffer + size, [&](unsigned char b) { return b != filling; })) {
            return true;
        }
    }
    return false;
}

// `opened` says whether this scan has opened family 1's font file: it stays open for the whole
// scan, so each code is one lookup (with a cache, not one stat per code).
bool hasGlyph(CTXR& ctxr, int code, bool& opened) {
    switch (ctxr.family) {
        case 0: {
            CGeneraterA& engine = *ctxr.engineA;
            return fetchesSomething(engine.glyphHeaderBuffer, sizeof engine.glyphHeaderBuffer, [&] {
                engine.SetCharCode(code);
                engine.TXRA();
            });
        }
        case 1: {
            // The code tables give the space no glyph: its fixed cell is blank by design.
            if (code == ' ') return true;
            CGeneraterB& engine = *ctxr.engineB;
            if (!opened) {
                engine.SetFont();
                engine.TXRB();
                opened = true;
            }
            return fetchesSomething(engine.glyphBuffer, sizeof engine.glyphBuffer,
                                    [&] { engine.SetcharCode(code); });
        }
        case 2: {
            CGeneraterZ& engine = *ctxr.engineZ;
            return fetchesSomething(engine.glyphHeaderBuffer, sizeof engine.glyphHeaderBuffer, [&] {
                engine.SetCharCode(code);
                engine.TXRZ();
            });
        }
        default:
            return false;
    }
}

}  // namespace

std::vector<std::size_t> missingGlyphs(CTXR& txr, const char* text, std::size_t length) {
    std::vector<std::size_t> missing;
    std::array<signed char, 256> present;
    present.fill(-1);
    bool opened = false;
    for (std::size_t i = 0; i < length; ++i) {
        const auto code = static_cast<unsigned char>(text[i]);
        if (present[code] < 0) present[code] = hasGlyph(txr, code, opened) ? 1 : 0;
        if (present[code] == 0) missing.push_back(i);
    }
    closeFontFiles(txr);
    return missing;
}

}  // namespace txr

// Font files through the facade: GetStringSize, GetBmpFile, FontOut and the dot previews on a
// font file that is the fuzzer's input, with checks of what every call must leave behind.
#include "font_file_fuzzing.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "facade/dib_image.h"
#include "fuzz_support.h"
#include "txr/TXR.h"

namespace txr::fuzz {

namespace {

// Drawings larger than this (but within kMaxStringDots) are measured and not drawn: they are
// legitimate, only slow, and would keep the fuzzer from trying other inputs.
constexpr std::int64_t kDrawingBudget = std::int64_t{1} << 22;
constexpr int kCanvasSide = 256;

const char* fontFileName(int family, int resolution) {
    if (family == 0) return resolution == 300 ? "A300.bin" : "A.bin";
    if (family == 1) return resolution == 300 ? "B300.bin" : "B.bin";
    return "Z.bin";
}

void checkFontFilesClosed(const CTXR& txr) {
    TXR_FUZZ_CHECK(txr.engineA->fontFile == nullptr);
    TXR_FUZZ_CHECK(txr.engineB->fontFile == nullptr);
    TXR_FUZZ_CHECK(txr.engineZ->fontFile == nullptr);
    TXR_FUZZ_CHECK(txr.engineA->fetchCount == 0);
    TXR_FUZZ_CHECK(txr.engineZ->fetchCount == 0);
}

// The size of the drawing the last GetBmpFile or FontOut measured, turned as selected.
CSize turnedSize(const CTXR& txr) {
    if (txr.rotation == 0 || txr.rotation == 2) return CSize(txr.stringWidth, txr.stringHeight);
    return CSize(txr.stringHeight, txr.stringWidth);
}

bool isDrawable(const CTXR& txr) {
    const std::int64_t dots = std::int64_t{txr.stringWidth} * txr.stringHeight;
    return txr.fontReady != 0 && txr.stringWidth > 0 && txr.stringHeight > 0 &&
           dots <= kMaxStringDots;
}

void exportAndCheck(CTXR& txr, const std::string& path, const CString& text) {
    std::remove(path.c_str());
    txr.GetBmpFile(path.c_str(), text);
    checkFontFilesClosed(txr);
    if (!isDrawable(txr)) {
        TXR_FUZZ_CHECK(!fileExists(path));
        return;
    }
    // Every file GetBmpFile writes is one our own loader takes, of the measured size.
    CDibImage image;
    TXR_FUZZ_CHECK(image.Load(path.c_str()) == 1);
    const CSize expected = turnedSize(txr);
    TXR_FUZZ_CHECK(image.imageInfo->bmiHeader.biWidth == expected.cx);
    TXR_FUZZ_CHECK(image.imageInfo->bmiHeader.biHeight == expected.cy);
    std::remove(path.c_str());
}

void paintAndCheck(CTXR& txr, const CString& text, CSize size) {
    Canvas canvas(std::clamp(size.cx + 4, 1, kCanvasSide), std::clamp(size.cy + 4, 1, kCanvasSide));
    txr.FontOut(canvas.dc(), 2, 2, text);
    checkFontFilesClosed(txr);
    TXR_FUZZ_CHECK(!fileExists("../string.bmp"));
}

void drawPreviews(CTXR& txr, int family) {
    Canvas canvas(kCanvasSide, kCanvasSide);
    CDC* dc = canvas.dc();
    if (family == 0) {
        CGeneraterA& engine = *txr.engineA;
        engine.Draw16Bit(dc);
        engine.Draw32Bit(dc);
        engine.Draw48Bit(dc);
        engine.Draw64Bit(dc);
        engine.Draw128Bit(dc);
    } else if (family == 1) {
        CGeneraterB& engine = *txr.engineB;
        engine.Draw16Bit(dc);
        engine.Draw32Bit(dc);
        engine.Draw64Bit(dc);
    } else {
        CGeneraterZ& engine = *txr.engineZ;
        engine.Draw8Bit(dc);
        engine.Draw16Bit(dc);
        engine.Draw24Bit(dc);
        engine.Draw32Bit(dc);
        engine.Draw40Bit(dc);
        engine.Draw48Bit(dc);
    }
}

}  // namespace

void fuzzFontFile(int family, const std::uint8_t* data, std::size_t size) {
    if (size < kSelectionBytes) return;
    const std::size_t fileSize = size - kSelectionBytes;
    const Selection selection = selectionOf(family, data + fileSize);
    const std::string folder = scratchDirectory() + "/";
    const std::string fontPath = folder + fontFileName(family, selection.resolution);
    writeFile(fontPath, data, fileSize);

    CTXR txr;
    txr.SetPath(folder.c_str());
    txr.SetInvert(selection.invert);
    txr.engineB->charSet = selection.charSet;
    txr.SetFont(family, selection.fontType, selection.scaleH, selection.scaleV, selection.rotation,
                selection.resolution);
    const CString text(selection.text.data(), static_cast<int>(selection.text.size()));

    const CSize size0 = txr.GetStringSize(text);
    TXR_FUZZ_CHECK(size0.cx >= 0 && size0.cy >= 0);
    checkFontFilesClosed(txr);
    const std::int64_t dots = std::int64_t{size0.cx} * size0.cy;
    if (dots <= kDrawingBudget || dots > kMaxStringDots) {
        exportAndCheck(txr, folder + "out.bmp", text);
        paintAndCheck(txr, text, size0);
        drawPreviews(txr, family);
    }

    CTXR copy(txr);
    TXR_FUZZ_CHECK(copy.GetStringSize(text).cx >= 0);
    checkFontFilesClosed(copy);
    std::remove(fontPath.c_str());
}

}  // namespace txr::fuzz

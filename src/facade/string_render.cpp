// FontOut, GetStringSize and GetBmpFile: measuring a text, laying its glyphs out on a one-bit
// string bitmap with the selected engine, and writing or painting the result.
#include "facade/string_render.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "facade/dib_image.h"
#include "facade/staging_file.h"
#include "platform/file_calls.h"

namespace txr {

namespace {

int clampToInt(std::int64_t value) {
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// a * b clamped to the int range. Every factor here is an int or a sum of at most INT_MAX 16-bit
// values (below 2^47), so the division test is exact and nothing overflows on the way.
int clampedProduct(std::int64_t a, std::int64_t b) {
    if (a == 0 || b == 0) return 0;
    const std::int64_t limit = INT_MAX / (a < 0 ? -a : a);
    if (b > limit || b < -limit) return (a < 0) != (b < 0) ? INT_MIN : INT_MAX;
    return clampToInt(a * b);
}

// Extra rows some family-0 proportional fonts need below their cell.
int proportionalHeightCorrection(int fontType, int resolution) {
    if (resolution == 203 && (fontType == 9 || fontType == 10)) return 3;
    if (resolution == 203 && fontType == 11) return 1;
    if (resolution == 300 && (fontType == 9 || fontType == 12)) return 1;
    return 0;
}

void measureFamily0(CTXR& txr, const unsigned char* text, int length) {
    CGeneraterA& engine = *txr.engineA;
    if (txr.fontType >= 9 && txr.fontType <= 16) {
        std::int64_t advances = 0;
        for (int i = 0; i < length; ++i) {
            engine.SetCharCode(text[i]);
            engine.TXRA();
            advances += engine.GetDelta();
        }
        txr.stringWidth = clampedProduct(txr.scaleH, advances);
        txr.stringHeight = clampedProduct(
            txr.scaleV,
            engine.GetCellH() + proportionalHeightCorrection(txr.fontType, txr.resolution));
    } else {
        engine.TXRA();
        const int correction = (txr.fontType == 1 && txr.resolution == 300) ? 3 : 0;
        txr.stringHeight = clampedProduct(txr.scaleV, engine.GetCellH() + correction);
        txr.stringWidth = clampedProduct(clampedProduct(engine.GetCellW(), txr.scaleH), length);
    }
}

void measureFamily1(CTXR& txr, int length) {
    CGeneraterB& engine = *txr.engineB;
    engine.SetFont();
    engine.TXRB();
    txr.stringWidth = clampedProduct(clampedProduct(engine.GetCellW(), txr.scaleH), length);
    txr.stringHeight = clampedProduct(engine.GetCellH(), txr.scaleV);
}

void measureFamily2(CTXR& txr, const unsigned char* text, int length) {
    CGeneraterZ& engine = *txr.engineZ;
    engine.TXRZ();
    std::int64_t advances = 0;
    for (int i = 0; i < length; ++i) {
        engine.SetCharCode(text[i]);
        engine.TXRZ();
        advances += engine.GetCharDelta();
    }
    const int correction = txr.fontType == 0 ? 1 : txr.fontType == 1 ? 2 : 0;
    txr.stringWidth = clampedProduct(txr.scaleH, advances);
    txr.stringHeight = clampedProduct(txr.scaleV, engine.GetCellH() + correction);
}

// The pen after an advance. Drawing may add more than measuring did (a leading code without a
// glyph takes the advance of whichever glyph came before it), so the sum is clamped: a pen past
// INT_MAX paints nothing, like any position past the string bitmap's right edge.
int advancedPen(int penX, int advance) {
    return clampToInt(std::int64_t{penX} + advance);
}

// What is left of kMaxPaintedDots for one call. Each glyph is charged its magnified bitmap,
// clipped to the string bitmap's size: at least what painting it costs.
class PaintBudget {
  public:
    PaintBudget(int bitmapWidth, int bitmapHeight) : width_(bitmapWidth), height_(bitmapHeight) {}

    // False once the glyph just built would take the call past the bound.
    template <class Engine>
    bool spend(const Engine& engine) {
        const BITMAPINFOHEADER& glyph = engine.bitmapInfo.bmiHeader;
        const std::int64_t rows =
            glyph.biHeight < 0 ? -std::int64_t{glyph.biHeight} : glyph.biHeight;
        const std::int64_t wide =
            std::min<std::int64_t>(std::int64_t{glyph.biWidth} * engine.scaleH, width_);
        const std::int64_t tall = std::min<std::int64_t>(rows * engine.scaleV, height_);
        if (wide > 0 && tall > 0) left_ -= wide * tall;
        return left_ >= 0;
    }

  private:
    std::int64_t width_;
    std::int64_t height_;
    std::int64_t left_ = kMaxPaintedDots;
};

bool layOutFamily0(CTXR& txr, CDC* dc, const unsigned char* text, int length, PaintBudget& budget) {
    CGeneraterA& engine = *txr.engineA;
    for (int i = 0; i < length; ++i) {
        engine.ClearBuffer();
        engine.SetCharCode(text[i]);
        engine.TXRA();
        engine.BuildBMP();
        if (!budget.spend(engine)) return false;
        if (engine.glyphFont >= 9 && engine.glyphFont <= 16) {
            engine.DrawOneword(dc, txr.penX, 0);
            txr.penX = advancedPen(txr.penX, engine.GetDelta());
        } else {
            engine.DrawOneword(dc, clampedProduct(i, engine.GetCellW()), 0);
        }
        engine.ClearBuffer();
    }
    return true;
}

// Font file B stays open from measuring to the last character: reopening it for each character
// would read the same bytes.
bool layOutFamily1(CTXR& txr, CDC* dc, const unsigned char* text, int length, PaintBudget& budget) {
    CGeneraterB& engine = *txr.engineB;
    for (int i = 0; i < length; ++i) {
        engine.ClearBuffer();
        engine.SetFont();
        engine.SetcharCode(text[i]);
        engine.BuildBMP();
        if (!budget.spend(engine)) return false;
        engine.DrawOneword(dc, clampedProduct(i, engine.GetCellW()), 0);
        engine.ClearBuffer();
    }
    return true;
}

bool layOutFamily2(CTXR& txr, CDC* dc, const unsigned char* text, int length, PaintBudget& budget) {
    CGeneraterZ& engine = *txr.engineZ;
    for (int i = 0; i < length; ++i) {
        engine.ClearBuffer();
        engine.SetCharCode(text[i]);
        engine.TXRZ();
        engine.BuildBMP();
        if (!budget.spend(engine)) return false;
        engine.DrawOneword(dc, txr.penX, 0);
        txr.penX = advancedPen(txr.penX, engine.GetCharDelta());
        engine.ClearBuffer();
    }
    return true;
}

// Measures with the family's font file left open for the drawing that follows.
void measureKeepingFileOpen(CTXR& txr, const unsigned char* text, int length) {
    switch (txr.family) {
        case 0:
            measureFamily0(txr, text, length);
            break;
        case 1:
            measureFamily1(txr, length);
            break;
        case 2:
            measureFamily2(txr, text, length);
            break;
        default:
            break;
    }
}

// Closes every font file when a drawing call ends, normally or by an exception.
class FontFilesClosed {
  public:
    explicit FontFilesClosed(CTXR& txr) : txr_(txr) {}
    FontFilesClosed(const FontFilesClosed&) = delete;
    FontFilesClosed& operator=(const FontFilesClosed&) = delete;
    ~FontFilesClosed() { closeFontFiles(txr_); }

  private:
    CTXR& txr_;
};

}  // namespace

StringBitmap::StringBitmap(HDC reference) {
    dc_.Attach(CreateCompatibleDC(reference));
}

StringBitmap::~StringBitmap() {
    if (previous_ != nullptr) ::SelectObject(dc_.m_hDC, previous_);
    bitmap_.DeleteObject();
}

bool StringBitmap::create(int width, int height, bool black) {
    if (width <= 0 || height <= 0) return false;
    if (std::int64_t{width} * height > kMaxStringDots) return false;
    if (!bitmap_.CreateCompatibleBitmap(&dc_, width, height)) return false;
    previous_ = ::SelectObject(dc_.m_hDC, bitmap_.m_hObject);
    dc_.PatBlt(0, 0, width, height, black ? BLACKNESS : WHITENESS);
    return true;
}

void closeFontFiles(CTXR& txr) {
    txr.engineA->releaseFontFile();
    txr.engineB->releaseFontFile();
    txr.engineZ->releaseFontFile();
}

void measureString(CTXR& txr, const unsigned char* text, int length) {
    measureKeepingFileOpen(txr, text, length);
    switch (txr.family) {
        case 0:
            txr.engineA->releaseFontFile();
            break;
        case 1:
            txr.engineB->releaseFontFile();
            break;
        case 2:
            txr.engineZ->releaseFontFile();
            break;
        default:
            break;
    }
}

bool drawString(CTXR& txr, StringBitmap& target, CString& text) {
    txr.textLength = text.GetLength();
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.LockBuffer());
    txr.penX = 0;
    txr.stringWidth = 0;
    txr.stringHeight = 0;
    bool drawn = false;
    if (txr.family >= 0 && txr.family <= 2) {
        // The font file opened for measuring serves the drawing too: within one call nothing
        // can change it, and it is closed before the call returns.
        measureKeepingFileOpen(txr, bytes, txr.textLength);
        if (target.create(txr.stringWidth, txr.stringHeight, txr.invert == 1)) {
            CDC* dc = target.dc();
            PaintBudget budget(txr.stringWidth, txr.stringHeight);
            if (txr.family == 0) drawn = layOutFamily0(txr, dc, bytes, txr.textLength, budget);
            if (txr.family == 1) drawn = layOutFamily1(txr, dc, bytes, txr.textLength, budget);
            if (txr.family == 2) drawn = layOutFamily2(txr, dc, bytes, txr.textLength, budget);
        }
    }
    text.UnlockBuffer();
    return drawn;
}

bool renderStringImage(CTXR& txr, CString text, BmpRowsImage& image) {
    image = BmpRowsImage{};
    if (txr.fontReady == 0) return false;
    FontFilesClosed closer(txr);
    CWindowDC screen(nullptr);
    StringBitmap target(screen.m_hDC);
    if (!drawString(txr, target, text)) return false;
    image =
        turnClockwise(readBitmapDots(target.bitmap(), target.dc()), clockwiseTurns(txr.rotation));
    return true;
}

namespace {

// The bits of a row's last byte that hold dots; padding bits past the width are kept 0, as the
// turned BMP files keep them.
std::uint8_t lastDotsMask(int width) {
    return static_cast<std::uint8_t>(0xFF00u >> (1 + (width - 1) % 8));
}

}  // namespace

StringImage inkImage(const BmpRowsImage& image) {
    StringImage ink;
    if (image.width <= 0 || image.height <= 0) return ink;
    ink.width = image.width;
    ink.height = image.height;
    const std::size_t stride = ink.stride();
    ink.rows.resize(stride * static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* source =
            image.rows.data() + static_cast<std::size_t>(image.height - 1 - y) * image.stride();
        std::uint8_t* target = ink.rows.data() + static_cast<std::size_t>(y) * stride;
        for (std::size_t i = 0; i < stride; ++i) target[i] = static_cast<std::uint8_t>(~source[i]);
        target[stride - 1] &= lastDotsMask(image.width);
    }
    return ink;
}

BmpRowsImage storedImage(const StringImage& image) {
    BmpRowsImage stored;
    if (image.empty()) return stored;
    stored.width = image.width;
    stored.height = image.height;
    const std::size_t stride = image.stride();
    stored.rows.assign(stored.stride() * static_cast<std::size_t>(image.height), 0);
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* source = image.rows.data() + static_cast<std::size_t>(y) * stride;
        std::uint8_t* target =
            stored.rows.data() + static_cast<std::size_t>(image.height - 1 - y) * stored.stride();
        for (std::size_t i = 0; i < stride; ++i) target[i] = static_cast<std::uint8_t>(~source[i]);
        target[stride - 1] &= lastDotsMask(image.width);
    }
    return stored;
}

int exchangedQuarterTurns(int turns) {
    if (turns == 1) return 3;
    if (turns == 3) return 1;
    return turns;
}

int clockwiseTurns(int storedRotation) {
    return storedRotation >= 0 && storedRotation <= 3 ? exchangedQuarterTurns(storedRotation) : 0;
}

}  // namespace txr

CSize CTXR::GetStringSize(CString text) {
    stringWidth = 0;
    stringHeight = 0;
    const int length = text.GetLength();
    if (length == 0) return CSize(0, 0);
    if (family >= 0 && family <= 2) {
        txr::measureString(*this, reinterpret_cast<const unsigned char*>(text.LockBuffer()),
                           length);
        text.UnlockBuffer();
    }
    if (rotation == 0 || rotation == 2) return CSize(stringWidth, stringHeight);
    return CSize(stringHeight, stringWidth);
}

void CTXR::FontOut(CDC* pDC, int x, int y, CString text) {
    lastDrawingMade_ = false;
    if (fontReady == 0) return;
    txr::FontFilesClosed closer(*this);
    txr::StringBitmap target(pDC != nullptr ? pDC->m_hDC : nullptr);
    lastDrawingMade_ = txr::drawString(*this, target, text);
    if (!lastDrawingMade_) return;
    const std::vector<std::uint8_t> file =
        txr::stringBmpFile(target.bitmap(), target.dc(), txr::clockwiseTurns(rotation));
    if (stagingFile_) {
        // Written, read back and removed by one call at a time, in this process and in any other
        // sharing the name; a file that cannot be read back paints nothing, rather than the
        // image loaded before.
        txr::StagingFileHold staging(txr::kStagingFile);
        staging.write(file.data(), file.size());
        if (dibImage->Load(txr::kStagingFile) == 0) return;
    } else if (dibImage->LoadFileBytes(file.data(), file.size()) == 0) {
        return;
    }
    if (rotation == 0 || rotation == 2) {
        dibImage->Draw(pDC, x, y, stringWidth, stringHeight);
    } else {
        dibImage->Draw(pDC, x, y, stringHeight, stringWidth);
    }
}

bool CTXR::LastDrawingMade() const {
    return lastDrawingMade_;
}

void CTXR::SetStagingFile(bool useStagingFile) {
    stagingFile_ = useStagingFile;
}

void CTXR::GetBmpFile(CString path, CString text) {
    lastDrawingMade_ = false;
    if (fontReady == 0) return;
    txr::FontFilesClosed closer(*this);
    CWindowDC screen(nullptr);
    txr::StringBitmap target(screen.m_hDC);
    lastDrawingMade_ = txr::drawString(*this, target, text);
    if (!lastDrawingMade_) return;
    txr::writeWholeFile(
        path, txr::stringBmpFile(target.bitmap(), target.dc(), txr::clockwiseTurns(rotation)));
}

txr::StringImage CTXR::GetStringImage(CString text) {
    // A selection not accepted leaves LastDrawingMade as the last ready call set it.
    if (fontReady == 0) return txr::StringImage{};
    txr::BmpRowsImage image;
    lastDrawingMade_ = txr::renderStringImage(*this, text, image);
    if (!lastDrawingMade_) return txr::StringImage{};
    return txr::inkImage(image);
}

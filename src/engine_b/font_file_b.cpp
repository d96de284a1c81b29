// Engine B's object, font selection and glyph fetch from B.bin / B300.bin.
#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

#include "common/glyph_memo.h"
#include "engine_b/catalogue.h"
#include "engine_b/code_tables.h"
#include "platform/file_calls.h"
#include "txr/GeneraterB.h"

namespace eb = txr::engine_b;

CGeneraterB::CGeneraterB() = default;

CGeneraterB::CGeneraterB(const CGeneraterB& other) {
    *this = other;
}

CGeneraterB& CGeneraterB::operator=(const CGeneraterB& other) {
    if (this == &other) return *this;
    if (fontFile != nullptr) std::fclose(fontFile);
    fontFile = nullptr;
    if (glyphMemo) glyphMemo->close();
    fontCache = other.fontCache;
    scaleH = other.scaleH;
    scaleV = other.scaleV;
    rowBits = other.rowBits;
    invert = other.invert;
    resolution = other.resolution;
    charSet = other.charSet;
    std::memcpy(glyphBuffer, other.glyphBuffer, sizeof glyphBuffer);
    dibBits = other.dibBits;
    flippedRows = other.flippedRows;
    fontOffset = other.fontOffset;
    extra1 = other.extra1;
    extra2 = other.extra2;
    cellWidth = other.cellWidth;
    cellHeight = other.cellHeight;
    extra3 = other.extra3;
    rowBytes = other.rowBytes;
    extra4 = other.extra4;
    extra5 = other.extra5;
    extra6 = other.extra6;
    extra7 = other.extra7;
    codeTable = other.codeTable;
    codeTableLength = other.codeTableLength;
    firstCode = other.firstCode;
    lastCode = other.lastCode;
    extra8 = other.extra8;
    fontPath = other.fontPath;
    bitmapInfo = other.bitmapInfo;
    codeIndex = other.codeIndex;
    fontType = other.fontType;
    glyphOffset = other.glyphOffset;
    return *this;
}

CGeneraterB::~CGeneraterB() {
    if (fontFile != nullptr) std::fclose(fontFile);
}

void CGeneraterB::TXRB() {
    const char* name = resolution == 203 ? "B.bin" : resolution == 300 ? "B300.bin" : nullptr;
    if (name == nullptr) return;
    if (fontFile != nullptr) std::fclose(fontFile);
    fontFile = nullptr;
    if (!glyphMemo) glyphMemo = std::make_unique<txr::GlyphMemo>();
    fontFile = glyphMemo->openFile(fontPath.str() + name, fontCache, txr::openFontFile);
}

void CGeneraterB::releaseFontFile() {
    if (fontFile != nullptr) std::fclose(fontFile);
    fontFile = nullptr;
    if (glyphMemo) glyphMemo->close();
}

void CGeneraterB::SetFont() {
    if (const eb::CatalogueRecord* record = eb::catalogueRecord(resolution, fontType)) {
        fontOffset = record->fontOffset;
        extra1 = record->extra1;
        extra2 = record->extra2;
        cellWidth = record->cellWidth;
        cellHeight = record->cellHeight;
        extra3 = record->extra3;
        rowBytes = record->rowBytes;
        extra4 = record->extra4;
        extra5 = record->extra5;
        extra6 = record->extra6;
        extra7 = record->extra7;
        if (const auto selection = eb::selectCodeTable(resolution, fontType, charSet)) {
            codeTable = selection->table.entries;
            codeTableLength = selection->table.length;
            firstCode = selection->firstCode;
            lastCode = selection->lastCode;
        }
        extra8 = 0x30;
    }
    rowBits = rowBytes * 8;
}

int CGeneraterB::SetFonttype(int fontNumber) {
    if (fontNumber < 0 || fontNumber >= eb::kFontCount) return 0;
    fontType = fontNumber;
    return 1;
}

int CGeneraterB::SetScaleH(int scale) {
    scaleH = scale;
    return 1;
}

int CGeneraterB::SetScaleV(int scale) {
    scaleV = scale;
    return 1;
}

void CGeneraterB::SetcharCode(int code) {
    if (code < firstCode || code > lastCode) return;
    codeIndex = code - firstCode;
    SetFonttab();
    getcode();
}

void CGeneraterB::SetFonttab() {
    const std::uint16_t glyph = eb::glyphAt(codeTable, codeTableLength, codeIndex);
    const long long offset = static_cast<long long>(glyph) * rowBytes * cellHeight;
    glyphOffset = glyph == eb::kNoGlyph || offset > std::numeric_limits<int>::max()
                      ? -1
                      : static_cast<int>(offset);
}

void CGeneraterB::getcode() {
    const bool served = glyphMemo && glyphMemo->serves(fontFile);
    if ((fontFile == nullptr && !served) || glyphOffset < 0) return;
    constexpr unsigned long kFarthest = std::numeric_limits<long>::max();
    if (fontOffset > kFarthest - static_cast<unsigned long>(glyphOffset)) return;
    const long position = static_cast<long>(fontOffset + static_cast<unsigned long>(glyphOffset));
    const std::size_t wanted =
        std::min<std::size_t>(std::size_t{rowBytes} * cellHeight, kGlyphBufferSize);
    auto read = [this](std::uint64_t at, unsigned char* out, std::size_t count) -> std::size_t {
        if (std::fseek(fontFile, static_cast<long>(at), SEEK_SET) != 0) return 0;
        return std::fread(out, 1, count, fontFile);
    };
    // Bytes the file does not deliver keep their previous value, so read aside first.
    if (served) {
        std::size_t delivered = 0;
        const unsigned char* rows = glyphMemo->record(
            codeIndex + firstCode, static_cast<std::uint64_t>(position), wanted, delivered, read);
        std::memcpy(glyphBuffer, rows, delivered);
        return;
    }
    unsigned char rows[kGlyphBufferSize];
    std::memcpy(glyphBuffer, rows, read(static_cast<std::uint64_t>(position), rows, wanted));
}

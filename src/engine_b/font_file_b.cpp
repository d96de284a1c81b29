// Engine B's object, font selection and glyph fetch from B.bin / B300.bin.
#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

#include "common/checked_read.h"
#include "common/glyph_memo.h"
#include "txr/family_one_catalogue.h"
#include "engine_b/code_tables.h"
#include "platform/file_calls.h"
#include "txr/GeneraterB.h"

namespace eb = txr::engine_b;

CGeneraterB::CGeneraterB() = default;

// The stream and the memo start closed in a copy (their own copy operations see to it).
CGeneraterB::CGeneraterB(const CGeneraterB& other) = default;
CGeneraterB& CGeneraterB::operator=(const CGeneraterB& other) = default;
CGeneraterB::~CGeneraterB() = default;

void CGeneraterB::TXRB() {
    const char* name = resolution == 203 ? "B.bin" : resolution == 300 ? "B300.bin" : nullptr;
    if (name == nullptr) return;
    fontFile.close();
    glyphMemo.make();
    fontFile = glyphMemo->openFile(fontPath.str() + name, fontCache, txr::openFontFile);
}

void CGeneraterB::releaseFontFile() {
    fontFile.close();
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
    const txr::FontFileReader read(nullptr, fontFile);
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

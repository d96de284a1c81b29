// Engine Z's life cycle, setters and glyph fetch from font file Z.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "common/checked_read.h"
#include "common/glyph_memo.h"
#include "engine_z/font_file_z.h"
#include "platform/file_calls.h"
#include "txr/GeneraterZ.h"

namespace txr {
namespace {

using engine_z::BlockHeader;
using engine_z::CodeTableEntry;
using engine_z::GlyphHeader;

constexpr int kLastFontNumber = 8;
constexpr int kWidestGlyph = 48;  // widest glyph whose rows fit the 6 stored bytes per row

// ClearBuffer empties this much of glyphBuffer, not all of it: the bytes after it stay as they are.
constexpr std::size_t kClearedGlyphBytes = 256;

// Offsets kept in the directory's unsigned long fields; where that is 32 bits wide a block start
// beyond it saturates, which no seek can reach.
unsigned long toDirectoryOffset(std::uint64_t offset) {
    constexpr std::uint64_t kMax = std::numeric_limits<unsigned long>::max();
    return static_cast<unsigned long>(std::min(offset, kMax));
}

int rowBytesForWidth(unsigned width) {
    return width == 0 ? 0 : static_cast<int>(std::min((width + 7) / 8, 6u));
}

int rowBitsForWidth(unsigned width) {
    if (width == 0) return 0;
    if (width <= 8) return 8;
    if (width <= 16) return 16;
    if (width <= 32) return 32;
    return 64;
}

// A glyph record read whole: the header and at most a full glyphBuffer of rows.
constexpr std::size_t kLongestRecord = GlyphHeader::kSize + CGeneraterZ::kGlyphBufferSize;

bool directoryCovers(int fontType) {
    return fontType >= 0 && fontType <= CGeneraterZ::kBlockTableSize - 2;
}

}  // namespace
}  // namespace txr

CGeneraterZ::CGeneraterZ() = default;

CGeneraterZ::CGeneraterZ(const CGeneraterZ& other) {
    *this = other;
}

// Field by field: the copy starts closed with fetchCount 0, which a plain int cannot see to.
CGeneraterZ& CGeneraterZ::operator=(const CGeneraterZ& other) {
    if (this == &other) return *this;
    releaseFontFile();
    fontCache = other.fontCache;
    rowBytes = other.rowBytes;
    fontType = other.fontType;
    charCode = other.charCode;
    rowBits = other.rowBits;
    scaleH = other.scaleH;
    scaleV = other.scaleV;
    invert = other.invert;
    std::memcpy(glyphBuffer, other.glyphBuffer, sizeof glyphBuffer);
    dibBits = other.dibBits;
    flippedRows = other.flippedRows;
    std::memcpy(glyphHeaderBuffer, other.glyphHeaderBuffer, sizeof glyphHeaderBuffer);
    std::memcpy(blockHeaderBuffer, other.blockHeaderBuffer, sizeof blockHeaderBuffer);
    std::copy(std::begin(other.blockTable), std::end(other.blockTable), std::begin(blockTable));
    fontPath = other.fontPath;
    charW = other.charW;
    charH = other.charH;
    bitmapInfo = other.bitmapInfo;
    filePos = other.filePos;
    return *this;
}

CGeneraterZ::~CGeneraterZ() = default;

int CGeneraterZ::SetFonttype(int fontNumber) {
    if (fontNumber < 0 || fontNumber > txr::kLastFontNumber) return 0;
    fontType = fontNumber <= 2 ? fontNumber : fontNumber - 1;
    // The directory and block head read at opening belong to the old block: read them again.
    releaseFontFile();
    return 1;
}

int CGeneraterZ::SetCharCode(int code) {
    charCode = code;
    return 1;
}

int CGeneraterZ::SetScaleH(int scale) {
    scaleH = scale;
    return 1;
}

int CGeneraterZ::SetScaleV(int scale) {
    scaleV = scale;
    return 1;
}

void CGeneraterZ::TXRZ() {
    if (fetchCount == 0) {
        // A stream left open by a caller that only reset fetchCount would otherwise leak.
        fontFile.close();
        glyphMemo.make();
        fontFile = glyphMemo->openFile(fontPath.str() + "Z.bin", fontCache, txr::openFontFile);
        Searchaddr();
    }
    ++fetchCount;
    GetCode();
    rowBits = txr::rowBitsForWidth(txr::GlyphHeader::read(glyphHeaderBuffer).width);
}

void CGeneraterZ::Searchaddr() {
    std::fill(std::begin(blockTable), std::end(blockTable), BlockEntry{});
    std::memset(blockHeaderBuffer, 0, sizeof blockHeaderBuffer);
    if (!txr::directoryCovers(fontType)) return;
    const txr::FontFileReader read(nullptr, fontFile);
    txr::readThrough(glyphMemo.get(), fontFile, 0, blockHeaderBuffer, sizeof blockHeaderBuffer,
                     read);
    std::uint64_t running = 0;
    for (int i = 0; i <= fontType; ++i) {
        BlockEntry& entry = blockTable[i];
        entry.blockSize = txr::BlockHeader::read(blockHeaderBuffer).blockSize;
        entry.tableOffset = txr::BlockHeader::kCodeTableAt;
        running += entry.blockSize;
        blockTable[i + 1].blockStart = txr::toDirectoryOffset(running);
        if (i < fontType) {
            std::memset(blockHeaderBuffer, 0, sizeof blockHeaderBuffer);
            txr::readThrough(glyphMemo.get(), fontFile, blockTable[i + 1].blockStart,
                             blockHeaderBuffer, sizeof blockHeaderBuffer, read);
        }
    }
}

void CGeneraterZ::GetCode() {
    if (!txr::directoryCovers(fontType)) return;
    const BlockEntry& block = blockTable[fontType];
    const std::uint64_t tablePosition = std::uint64_t{block.blockStart} + block.tableOffset;
    filePos = txr::toDirectoryOffset(tablePosition);
    if (charCode < 0 || charCode > 255) return;

    const auto entryIndex = static_cast<std::size_t>(charCode);
    filePos = txr::toDirectoryOffset(tablePosition + entryIndex * txr::CodeTableEntry::kSize);
    const txr::FontFileReader read(glyphMemo.get(), fontFile);
    std::uint32_t recordOffset = 0;
    if (!read.codeTableEntry(tablePosition, txr::CodeTableEntry::kTableSize, entryIndex,
                             recordOffset)) {
        return;
    }
    if (recordOffset == 0) return;

    std::uint64_t position = std::uint64_t{recordOffset} + block.blockStart;
    filePos = txr::toDirectoryOffset(position);
    const unsigned char* record = nullptr;
    std::size_t delivered = 0;
    unsigned char headerBytes[txr::GlyphHeader::kSize];
    if (!read.glyphRecord(charCode, position, txr::kLongestRecord, headerBytes, sizeof headerBytes,
                          record, delivered)) {
        return;
    }
    const txr::GlyphHeader header = txr::GlyphHeader::read(headerBytes);
    const unsigned width = header.width;
    const unsigned rows = header.rows;
    const int newRowBytes = txr::rowBytesForWidth(width);
    // Glyphs whose rows cannot be held are refused whole, as if the code had none.
    if (width > txr::kWidestGlyph ||
        rows * static_cast<unsigned>(newRowBytes) > static_cast<unsigned>(kGlyphBufferSize)) {
        return;
    }

    std::memcpy(glyphHeaderBuffer, headerBytes, sizeof headerBytes);
    charW = static_cast<unsigned short>(width);
    charH = static_cast<unsigned short>(rows);
    rowBytes = newRowBytes;
    position += txr::GlyphHeader::kSize;
    filePos = txr::toDirectoryOffset(position);
    if (!read.memoised()) {
        showimg(filePos, static_cast<unsigned short>(rowBytes), charH);
    } else if (charH > 0) {
        // As showimg does: rows the file did not deliver are paper.
        const std::size_t wanted = std::size_t{charH} * static_cast<std::size_t>(rowBytes);
        const std::size_t present = std::min(delivered - sizeof headerBytes, wanted);
        std::memset(glyphBuffer, 0, wanted);
        std::memcpy(glyphBuffer, record + sizeof headerBytes, present);
    }
}

void CGeneraterZ::releaseFontFile() {
    fontFile.close();
    if (glyphMemo) glyphMemo->close();
    fetchCount = 0;
}

void CGeneraterZ::showimg(unsigned long filePosition, unsigned short bytesPerRow,
                          unsigned short rowCount) {
    if (rowCount == 0) return;
    const std::size_t wanted =
        std::min<std::size_t>(std::size_t{bytesPerRow} * rowCount, sizeof glyphBuffer);
    // Bytes the file does not deliver are paper.
    std::memset(glyphBuffer, 0, wanted);
    txr::readAt(fontFile, filePosition, glyphBuffer, wanted);
}

void CGeneraterZ::ClearBuffer() {
    std::memset(glyphBuffer, 0, txr::kClearedGlyphBytes);
}

void CGeneraterZ::ClearFontHead() {
    std::memset(glyphHeaderBuffer, 0, sizeof glyphHeaderBuffer);
}

// Engine A's object, setters and glyph fetch from font file A: the directory of font blocks, the
// per-code offset table and the glyph records.
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "common/checked_read.h"
#include "common/glyph_memo.h"
#include "engine_a/font_file_a.h"
#include "platform/file_calls.h"
#include "txr/GeneraterA.h"

namespace {

using txr::engine_a::BlockHeader;
using txr::engine_a::CodeTableEntry;
using txr::engine_a::GlyphHeader;

// Widest glyph the bitmap and preview members can show: row class 80.
constexpr unsigned kMaxGlyphWidth = 80;

// ClearBuffer empties this much of glyphBuffer, not all of it: the bytes after it stay as they are.
constexpr std::size_t kClearedGlyphBytes = 640;

// Stored row length: whole bytes rounded up to an even count.
unsigned short rowBytesForWidth(unsigned width) {
    unsigned bytes = (width + 7) / 8;
    if (bytes % 2 != 0) ++bytes;
    return static_cast<unsigned short>(bytes);
}

int rowClassForWidth(unsigned width) {
    if (width == 0) return 0;
    return static_cast<int>(std::min<unsigned>((width + 15) / 16, 5) * 16);
}

// The most a glyph record can span from its first byte: rows of at most 1024 bytes starting up to
// 255 bytes in (bitsOffset).
constexpr std::size_t kLongestRecord = 255 + CGeneraterA::kGlyphBufferSize;

// Rows of `count` bytes at `bitsOffset` of a record of which `delivered` bytes were read, into
// glyphBuffer; bytes the file did not deliver are paper.
void copyRows(const unsigned char* record, std::size_t delivered, std::size_t bitsOffset,
              std::size_t count, unsigned char* glyphBuffer) {
    const std::size_t present =
        delivered > bitsOffset ? std::min(delivered - bitsOffset, count) : 0;
    if (present > 0) std::memcpy(glyphBuffer, record + bitsOffset, present);
    std::memset(glyphBuffer + present, 0, count - present);
}

// Reads rowCount rows into glyphBuffer; bytes the file does not deliver are paper.
void loadRows(std::FILE* file, std::uint64_t position, unsigned bytesPerRow, unsigned rowCount,
              unsigned char* glyphBuffer) {
    if (file == nullptr || rowCount == 0) return;
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(
        static_cast<std::uint64_t>(bytesPerRow) * rowCount, CGeneraterA::kGlyphBufferSize));
    const std::size_t delivered = txr::readAt(file, position, glyphBuffer, count);
    std::memset(glyphBuffer + delivered, 0, count - delivered);
}

}  // namespace

CGeneraterA::CGeneraterA() = default;

CGeneraterA::CGeneraterA(const CGeneraterA& other) {
    *this = other;
}

// Field by field: the copy starts closed with fetchCount 0, which a plain int cannot see to.
CGeneraterA& CGeneraterA::operator=(const CGeneraterA& other) {
    if (this == &other) return *this;
    releaseFontFile();
    fontCache = other.fontCache;
    rowBits = other.rowBits;
    glyphFont = other.glyphFont;
    scaleH = other.scaleH;
    scaleV = other.scaleV;
    invert = other.invert;
    resolution = other.resolution;
    std::memcpy(glyphBuffer, other.glyphBuffer, sizeof glyphBuffer);
    dibBits = other.dibBits;
    flippedRows = other.flippedRows;
    std::copy(std::begin(other.blockTable), std::end(other.blockTable), std::begin(blockTable));
    std::memcpy(glyphHeaderBuffer, other.glyphHeaderBuffer, sizeof glyphHeaderBuffer);
    std::memcpy(blockHeaderBuffer, other.blockHeaderBuffer, sizeof blockHeaderBuffer);
    fontType = other.fontType;
    charCode = other.charCode;
    bitmapInfo = other.bitmapInfo;
    fontPath = other.fontPath;
    rowBytes = other.rowBytes;
    filePos = other.filePos;
    return *this;
}

CGeneraterA::~CGeneraterA() = default;

int CGeneraterA::SetFonttype(int fontNumber) {
    const auto lowByte = static_cast<unsigned char>(fontNumber & 0xFF);
    if (resolution == 203) {
        if (fontNumber >= 0 && fontNumber <= 24) {
            // Font numbers 10-15 sit one block lower, so 9 and 10 share block 9 and block 15 is
            // never selected; 16 is not a font at 203 dpi.
            fontType = static_cast<unsigned char>(
                fontNumber >= 10 && fontNumber <= 15 ? fontNumber - 1 : fontNumber);
            return fontNumber == 16 ? 0 : 1;
        }
        fontType = lowByte;
        return 0;
    }
    if (resolution == 300) {
        fontType = lowByte;
        return fontNumber >= 0 && fontNumber <= 15 ? 1 : 0;
    }
    return 0;
}

void CGeneraterA::SetCharCode(int code) {
    charCode = static_cast<unsigned char>(code & 0xFF);
}

int CGeneraterA::SetScaleH(int scale) {
    scaleH = scale;
    return 1;
}

int CGeneraterA::SetScaleV(int scale) {
    scaleV = scale;
    return 1;
}

void CGeneraterA::TXRA() {
    if (fetchCount == 0) {
        fontFile.close();
        glyphMemo.make();
        const char* fileName = resolution == 203 ? "A.bin" : resolution == 300 ? "A300.bin" : "";
        if (*fileName != '\0') {
            fontFile = glyphMemo->openFile(fontPath.str() + fileName, fontCache, txr::openFontFile);
        } else {
            glyphMemo->open(nullptr);
        }
        Searchaddr();
    }
    glyphFont = fontType;
    if (fetchCount < INT_MAX) ++fetchCount;
    Getcode();
    rowBits = rowClassForWidth(GlyphHeader::read(glyphHeaderBuffer).width);
}

void CGeneraterA::Searchaddr() {
    std::memset(blockHeaderBuffer, 0, sizeof blockHeaderBuffer);
    if (fontType >= kBlockTableSize) return;
    blockTable[0].blockStart = 0;
    std::uint64_t runningOffset = 0;
    const txr::FontFileReader read(nullptr, fontFile);
    for (int i = 0; i <= fontType; ++i) {
        std::memset(blockHeaderBuffer, 0, sizeof blockHeaderBuffer);
        txr::readThrough(glyphMemo.get(), fontFile, runningOffset, blockHeaderBuffer,
                         sizeof blockHeaderBuffer, read);
        const BlockHeader header = BlockHeader::read(blockHeaderBuffer);
        BlockEntry& entry = blockTable[i];
        entry.blockSize = header.blockSize;
        entry.tableOffset = header.tableOffset;
        entry.firstCode = header.firstCode;
        entry.lastCode = header.lastCode;
        runningOffset += entry.blockSize;
        if (i + 1 < kBlockTableSize) blockTable[i + 1].blockStart = runningOffset;
    }
}

void CGeneraterA::Getcode() {
    if (fontType >= kBlockTableSize) return;
    const BlockEntry& block = blockTable[fontType];
    const std::uint64_t tablePosition = block.blockStart + block.tableOffset;
    filePos = tablePosition;
    if (charCode < block.firstCode || charCode > block.lastCode) return;
    const auto entryIndex = static_cast<std::size_t>(charCode - block.firstCode);
    filePos += entryIndex * CodeTableEntry::kSize;
    const txr::FontFileReader read(glyphMemo.get(), fontFile);

    const std::size_t tableSize =
        (std::size_t{block.lastCode} - block.firstCode + 1) * CodeTableEntry::kSize;
    std::uint32_t recordOffset = 0;
    if (!read.codeTableEntry(tablePosition, tableSize, entryIndex, recordOffset)) return;
    if (recordOffset == 0) return;

    filePos = block.blockStart + recordOffset;
    const unsigned char* record = nullptr;
    std::size_t delivered = 0;
    unsigned char headerBytes[GlyphHeader::kSize];
    if (!read.glyphRecord(charCode, filePos, kLongestRecord, headerBytes, sizeof headerBytes,
                          record, delivered)) {
        return;
    }
    const GlyphHeader header = GlyphHeader::read(headerBytes);
    const unsigned short bytesPerRow = rowBytesForWidth(header.width);
    if (header.width > kMaxGlyphWidth ||
        unsigned{header.rows} * bytesPerRow > unsigned{kGlyphBufferSize})
        return;

    std::memcpy(glyphHeaderBuffer, headerBytes, sizeof headerBytes);
    filePos += header.bitsOffset;
    rowBytes = bytesPerRow;
    if (!read.memoised()) {
        loadRows(fontFile, filePos, rowBytes, header.rows, glyphBuffer);
    } else if (header.rows > 0) {
        copyRows(record, delivered, header.bitsOffset, std::size_t{rowBytes} * header.rows,
                 glyphBuffer);
    }
}

void CGeneraterA::releaseFontFile() {
    fontFile.close();
    if (glyphMemo) glyphMemo->close();
    fetchCount = 0;
}

void CGeneraterA::showimg(unsigned long filePosition, unsigned short bytesPerRow,
                          unsigned short rowCount) {
    loadRows(fontFile, filePosition, bytesPerRow, rowCount, glyphBuffer);
}

void CGeneraterA::ClearBuffer() {
    std::memset(glyphBuffer, 0, kClearedGlyphBytes);
}

void CGeneraterA::ClearFontHead() {
    for (std::size_t field : {GlyphHeader::kLeftOffsetAt, GlyphHeader::kAscentAt,
                              GlyphHeader::kRowsAt, GlyphHeader::kWidthAt}) {
        glyphHeaderBuffer[field] = 0;
    }
}

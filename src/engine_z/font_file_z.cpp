// Engine Z's life cycle, setters and glyph fetch from font file Z.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "common/big_endian.h"
#include "common/glyph_memo.h"
#include "platform/file_calls.h"
#include "txr/GeneraterZ.h"

namespace txr {
namespace {

constexpr int kGlyphHeaderSize = 10;
constexpr unsigned long kTableOffset = 104;
constexpr int kLastFontNumber = 8;
constexpr int kWidestGlyph = 48;  // widest glyph whose rows fit the 6 stored bytes per row

// Every file offset is computed in 64 bits; one that fseek cannot take is a failed seek.
bool seekTo(std::FILE* file, std::uint64_t position) {
    if (file == nullptr ||
        position > static_cast<std::uint64_t>(std::numeric_limits<long>::max())) {
        return false;
    }
    return std::fseek(file, static_cast<long>(position), SEEK_SET) == 0;
}

// Reads up to `count` bytes at `position`; returns how many arrived (0 when the seek fails).
std::size_t readAt(std::FILE* file, std::uint64_t position, unsigned char* out, std::size_t count) {
    if (!seekTo(file, position)) return 0;
    return std::fread(out, 1, count, file);
}

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
constexpr std::size_t kLongestRecord = kGlyphHeaderSize + CGeneraterZ::kGlyphBufferSize;
constexpr std::size_t kCodeTableSize = 256 * 4;

bool directoryCovers(int fontType) {
    return fontType >= 0 && fontType <= CGeneraterZ::kBlockTableSize - 2;
}

}  // namespace
}  // namespace txr

CGeneraterZ::CGeneraterZ() = default;

CGeneraterZ::CGeneraterZ(const CGeneraterZ& other) {
    *this = other;
}

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

CGeneraterZ::~CGeneraterZ() {
    if (fontFile != nullptr) std::fclose(fontFile);
}

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
        if (fontFile != nullptr) std::fclose(fontFile);
        fontFile = nullptr;
        if (!glyphMemo) glyphMemo = std::make_unique<txr::GlyphMemo>();
        fontFile = glyphMemo->openFile(fontPath.str() + "Z.bin", fontCache, txr::openFontFile);
        Searchaddr();
    }
    ++fetchCount;
    GetCode();
    rowBits = txr::rowBitsForWidth(txr::ReadBE16(glyphHeaderBuffer + 2));
}

void CGeneraterZ::Searchaddr() {
    std::fill(std::begin(blockTable), std::end(blockTable), BlockEntry{});
    std::memset(blockHeaderBuffer, 0, sizeof blockHeaderBuffer);
    if (!txr::directoryCovers(fontType)) return;
    auto read = [this](std::uint64_t position, unsigned char* out, std::size_t count) {
        return txr::readAt(fontFile, position, out, count);
    };
    txr::readThrough(glyphMemo.get(), fontFile, 0, blockHeaderBuffer, sizeof blockHeaderBuffer,
                     read);
    std::uint64_t running = 0;
    for (int i = 0; i <= fontType; ++i) {
        BlockEntry& entry = blockTable[i];
        entry.blockSize = txr::ReadBE32(blockHeaderBuffer);
        entry.tableOffset = txr::kTableOffset;
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
    std::uint64_t position = std::uint64_t{block.blockStart} + block.tableOffset;
    filePos = txr::toDirectoryOffset(position);
    if (charCode < 0 || charCode > 255) return;

    const std::uint64_t tablePosition = position;
    position += static_cast<std::uint64_t>(charCode) * 4;
    filePos = txr::toDirectoryOffset(position);
    txr::GlyphMemo* memo = glyphMemo && glyphMemo->serves(fontFile) ? glyphMemo.get() : nullptr;
    auto read = [this](std::uint64_t at, unsigned char* out, std::size_t count) {
        return txr::readAt(fontFile, at, out, count);
    };

    unsigned char entry[4] = {};
    if (memo != nullptr) {
        // The whole table in one read: the bytes of each entry are the same.
        std::size_t delivered = 0;
        const unsigned char* table =
            memo->table(tablePosition, txr::kCodeTableSize, delivered, read);
        const auto entryIndex = static_cast<std::size_t>(charCode) * 4;
        if (delivered < entryIndex + sizeof entry) return;
        std::memcpy(entry, table + entryIndex, sizeof entry);
    } else if (txr::readAt(fontFile, position, entry, sizeof entry) != sizeof entry) {
        return;
    }
    const std::uint32_t recordOffset = txr::ReadBE32(entry);
    if (recordOffset == 0) return;

    position = std::uint64_t{recordOffset} + block.blockStart;
    filePos = txr::toDirectoryOffset(position);
    // Header and rows in one read of the longest record there can be.
    const unsigned char* record = nullptr;
    std::size_t delivered = 0;
    unsigned char header[txr::kGlyphHeaderSize];
    if (memo != nullptr) {
        record = memo->record(charCode, position, txr::kLongestRecord, delivered, read);
        if (delivered < sizeof header) return;
        std::memcpy(header, record, sizeof header);
    } else if (txr::readAt(fontFile, position, header, sizeof header) != sizeof header) {
        return;
    }
    const unsigned width = txr::ReadBE16(header + 2);
    const unsigned rows = txr::ReadBE16(header);
    const int newRowBytes = txr::rowBytesForWidth(width);
    // Glyphs whose rows cannot be held are refused whole, as if the code had none.
    if (width > txr::kWidestGlyph ||
        rows * static_cast<unsigned>(newRowBytes) > static_cast<unsigned>(kGlyphBufferSize)) {
        return;
    }

    std::memcpy(glyphHeaderBuffer, header, sizeof header);
    charW = static_cast<unsigned short>(width);
    charH = static_cast<unsigned short>(rows);
    rowBytes = newRowBytes;
    position += txr::kGlyphHeaderSize;
    filePos = txr::toDirectoryOffset(position);
    if (memo == nullptr) {
        showimg(filePos, static_cast<unsigned short>(rowBytes), charH);
    } else if (charH > 0) {
        // As showimg does: rows the file did not deliver are paper.
        const std::size_t wanted = std::size_t{charH} * static_cast<std::size_t>(rowBytes);
        const std::size_t present = std::min(delivered - sizeof header, wanted);
        std::memset(glyphBuffer, 0, wanted);
        std::memcpy(glyphBuffer, record + sizeof header, present);
    }
}

void CGeneraterZ::releaseFontFile() {
    if (fontFile != nullptr) std::fclose(fontFile);
    fontFile = nullptr;
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
    std::memset(glyphBuffer, 0, 256);
}

void CGeneraterZ::ClearFontHead() {
    std::memset(glyphHeaderBuffer, 0, sizeof glyphHeaderBuffer);
}

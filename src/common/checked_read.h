// The one way the engines read their font files: a read at a 64-bit position that a failed seek
// or a missing stream turns into "nothing delivered", and the code-table and glyph-record reads
// that engines A and Z share (through the glyph memo when it serves the stream).
#pragma once

#if !defined(_WIN32)
#include <unistd.h>

#include <cerrno>
#endif

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

#include "common/big_endian.h"
#include "common/glyph_memo.h"

namespace txr {

// Reads up to `count` bytes at `position`; returns how many were delivered. A position fseek
// cannot take, or no open stream, delivers nothing.
inline std::size_t readAt(std::FILE* file, std::uint64_t position, unsigned char* out,
                          std::size_t count) {
    if (file == nullptr ||
        position > static_cast<std::uint64_t>(std::numeric_limits<long>::max())) {
        return 0;
    }
#if defined(_WIN32)
    if (std::fseek(file, static_cast<long>(position), SEEK_SET) != 0) return 0;
    return std::fread(out, 1, count, file);
#else
    // One pread where a seek and a buffered read would make two or three system calls; the engines
    // read their font files only through here, so the stream's own position and buffer go unused.
    std::size_t delivered = 0;
    while (delivered < count) {
        const ssize_t got = ::pread(fileno(file), out + delivered, count - delivered,
                                    static_cast<off_t>(position + delivered));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        delivered += static_cast<std::size_t>(got);
    }
    return delivered;
#endif
}

// Whether `count` bytes at `offset` lie inside a buffer of `size` bytes, without overflow.
constexpr bool fitsIn(std::size_t size, std::size_t offset, std::size_t count) {
    return offset <= size && count <= size - offset;
}

// One font file's stream as the engines read it: through `memo` when it serves this opening.
class FontFileReader {
  public:
    FontFileReader(GlyphMemo* memo, std::FILE* file)
        : memo_(memo != nullptr && memo->serves(file) ? memo : nullptr), file_(file) {}

    bool memoised() const { return memo_ != nullptr; }
    std::size_t operator()(std::uint64_t position, unsigned char* out, std::size_t count) const {
        return readAt(file_, position, out, count);
    }

    // Entry `index` (4 big-endian bytes) of the code table of `tableSize` bytes at
    // `tablePosition`; false when the file does not hold it whole. Through the memo the whole
    // table is read once: the bytes of each entry are the same.
    bool codeTableEntry(std::uint64_t tablePosition, std::size_t tableSize, std::size_t index,
                        std::uint32_t& entry) const {
        unsigned char bytes[4];
        const std::size_t at = index * sizeof bytes;
        if (memo_ != nullptr) {
            std::size_t delivered = 0;
            const unsigned char* table = memo_->table(tablePosition, tableSize, delivered, *this);
            if (!fitsIn(delivered, at, sizeof bytes)) return false;
            std::memcpy(bytes, table + at, sizeof bytes);
        } else if ((*this)(tablePosition + at, bytes, sizeof bytes) != sizeof bytes) {
            return false;
        }
        entry = ReadBE32(bytes);
        return true;
    }

    // The glyph record of `code` at `position`: its `headerSize`-byte header into `header`
    // (false when the file does not hold it whole). Through the memo header and rows come in one
    // read of `longest` bytes, left in `record` / `delivered`; else `record` stays null.
    bool glyphRecord(int code, std::uint64_t position, std::size_t longest, unsigned char* header,
                     std::size_t headerSize, const unsigned char*& record,
                     std::size_t& delivered) const {
        record = nullptr;
        delivered = 0;
        if (memo_ != nullptr) {
            record = memo_->record(code, position, longest, delivered, *this);
            if (delivered < headerSize) return false;
            std::memcpy(header, record, headerSize);
            return true;
        }
        return (*this)(position, header, headerSize) == headerSize;
    }

  private:
    GlyphMemo* memo_;
    std::FILE* file_;
};

}  // namespace txr

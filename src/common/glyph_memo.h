// What a font engine has read from its font file since it last opened it: the block's code offset
// table and, per character code, the bytes of its glyph record. Bytes asked for again within the
// same opening come from here instead of the file, which cannot have changed in between (one call
// of the host opens, reads and closes it); the next opening starts afresh, so nothing outlives
// the call that read it. Reads go through a read-ahead window, so that the nearby records of one
// block, and the block headers of a directory of small blocks, cost one read of the file.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace txr {

class GlyphMemo {
  public:
    // Starts afresh for a stream just opened (nullptr: serve nothing).
    void open(std::FILE* file) {
        file_ = file;
        ++opening_;  // everything read before belongs to an earlier opening
        arena_.clear();
    }
    bool serves(std::FILE* file) const { return file != nullptr && file == file_; }

    // Up to `size` bytes at `position` into `out`, through the window: returns how many the file
    // has there, as read(position, out, size) would.
    template <class Read>
    std::size_t readAhead(std::uint64_t position, unsigned char* out, std::size_t size, Read read) {
        if (!windowCovers(position, size)) {
            if (size > kWindowBytes) return read(position, out, size);
            window_.resize(kWindowBytes);
            windowOpening_ = opening_;
            windowStart_ = position;
            windowDelivered_ = read(position, window_.data(), kWindowBytes);
        }
        const std::size_t offset = static_cast<std::size_t>(position - windowStart_);
        const std::size_t count = std::min(size, windowDelivered_ - offset);
        if (count > 0) std::memcpy(out, window_.data() + offset, count);
        return count;
    }

    // The `size` bytes at `position`, read with read(position, buffer, size) -> bytes delivered
    // the first time they are asked for; `delivered` says how many of them the file had.
    template <class Read>
    const unsigned char* table(std::uint64_t position, std::size_t size, std::size_t& delivered,
                               Read read) {
        return fetch(table_, position, size, delivered, read);
    }
    // The same for the glyph record of a character code (0 to 255).
    template <class Read>
    const unsigned char* record(int code, std::uint64_t position, std::size_t size,
                                std::size_t& delivered, Read read) {
        return fetch(records_[static_cast<std::size_t>(code) & 0xFF], position, size, delivered,
                     read);
    }

  private:
    // Where a run of bytes read lies in the arena.
    struct Bytes {
        std::uint64_t opening = 0;  // the opening that read them; 0: never read
        std::uint64_t position = 0;
        std::size_t size = 0;
        std::size_t at = 0;
        std::size_t delivered = 0;
    };

    template <class Read>
    const unsigned char* fetch(Bytes& bytes, std::uint64_t position, std::size_t size,
                               std::size_t& delivered, Read read) {
        if (bytes.opening != opening_ || bytes.position != position || bytes.size != size) {
            // Fields rewritten by hand can make every fetch ask for new bytes: start over rather
            // than grow without end.
            if (arena_.size() > kMaxArenaBytes) open(file_);
            bytes.opening = opening_;
            bytes.position = position;
            bytes.size = size;
            bytes.at = arena_.size();
            arena_.resize(bytes.at + size);
            bytes.delivered = readAhead(position, arena_.data() + bytes.at, size, read);
            arena_.resize(bytes.at + bytes.delivered);
        }
        delivered = bytes.delivered;
        return arena_.data() + bytes.at;
    }

    // A short read of the window means the file ends inside it: bytes past its end are not there.
    bool windowCovers(std::uint64_t position, std::size_t size) const {
        if (window_.empty() || windowOpening_ != opening_ || position < windowStart_) return false;
        const std::uint64_t offset = position - windowStart_;
        if (offset > windowDelivered_) return false;
        return windowDelivered_ < kWindowBytes || size <= windowDelivered_ - offset;
    }

    // Larger than the code table and the longest record of either file, and than the blocks of
    // most small fonts, yet a copy of it costs little next to one system call.
    static constexpr std::size_t kWindowBytes = std::size_t{16} << 10;

    // 256 records of the longest kind (1279 bytes in file A) fit several times over.
    static constexpr std::size_t kMaxArenaBytes = std::size_t{1} << 20;

    std::FILE* file_ = nullptr;
    std::uint64_t opening_ = 0;
    Bytes table_;
    std::array<Bytes, 256> records_{};
    std::vector<unsigned char> arena_;
    std::uint64_t windowOpening_ = 0;
    std::uint64_t windowStart_ = 0;
    std::size_t windowDelivered_ = 0;
    std::vector<unsigned char> window_;
};

// Reads through `memo` when it serves this opening of `file`, else straight with `read`.
template <class Read>
std::size_t readThrough(GlyphMemo* memo, std::FILE* file, std::uint64_t position,
                        unsigned char* out, std::size_t size, Read read) {
    if (memo != nullptr && memo->serves(file)) return memo->readAhead(position, out, size, read);
    return read(position, out, size);
}

}  // namespace txr

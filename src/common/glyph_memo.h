// What a font engine has read from its font file since it last opened it: the block's code offset
// table and, per character code, the bytes of its glyph record. Bytes asked for again within the
// same opening come from here instead of the file, which cannot have changed in between (one call
// of the host opens, reads and closes it); the next opening starts afresh, so nothing outlives
// the call that read it. Reads go through a read-ahead window, so that the nearby records of one
// block, and the block headers of a directory of small blocks, cost one read of the file.
//
// Beyond the first window, a few bytes (a block header of a directory walk) are read by
// themselves, and a longer read moves the window, until the windows read would have copied as much
// as reading the file whole (when it is small), which is then done in one read.
//
// With a FontCache the memo serves a whole font file held in memory instead (no stream is open):
// every read delivers what the file had at the call's start, straight from the cached bytes.
#pragma once

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "txr/font_cache.h"

namespace txr {

class GlyphMemo {
  public:
    // Starts afresh for a stream just opened (nullptr: serve nothing).
    void open(std::FILE* file) {
        file_ = file;
        whole_ = false;
        wholeBytes_ = nullptr;
        wholeSize_ = 0;
        bytes_.reset();
        owned_.reset();
        windowReads_ = 0;
        fileSize_ = kUnknownSize;
        ++opening_;  // everything read before belongs to an earlier opening
        arena_.clear();
    }
    // Opens the font file at `path`: from `cache` when it holds it (the stream returned is then
    // null and every read comes from the cached bytes), else with fopen as without a cache.
    template <class OpenFile>
    std::FILE* openFile(const std::string& path, FontCache* cache, OpenFile openUncached) {
        FontCache::FileBytes bytes = cache != nullptr ? cache->fetch(path) : nullptr;
        std::FILE* file = bytes ? nullptr : openUncached(path.c_str());
        open(file);
        if (bytes) {
            whole_ = true;
            wholeBytes_ = bytes->data();
            wholeSize_ = bytes->size();
            bytes_ = std::move(bytes);
        }
        return file;
    }
    // Forgets the file (and lets go of cached bytes) when the caller closes it.
    void close() { open(nullptr); }
    // Whether reads of `file` (the engine's stream) go through this memo.
    bool serves(std::FILE* file) const {
        if (whole_) return file == file_;  // null for cached bytes
        return file != nullptr && file == file_;
    }

    // Up to `size` bytes at `position` into `out`, through the window: returns how many the file
    // has there, as read(position, out, size) would.
    template <class Read>
    std::size_t readAhead(std::uint64_t position, unsigned char* out, std::size_t size, Read read) {
        if (!whole_ && windowReads_ > 0 && !windowCovers(position, size)) {
            if (size <= kLoneReadBytes) return read(position, out, size);
            if (fileSize() <= (windowReads_ + std::uint64_t{1}) * kWindowBytes) readWholeFile(read);
        }
        if (whole_) {
            std::size_t count = 0;
            const unsigned char* at = cached(position, size, count);
            if (count > 0) std::memcpy(out, at, count);
            return count;
        }
        if (!windowCovers(position, size)) {
            ++windowReads_;
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
        if (whole_) return cached(position, size, delivered);
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

    // The whole file's bytes at `position`, as many as there are up to `size`, in place.
    const unsigned char* cached(std::uint64_t position, std::size_t size,
                                std::size_t& delivered) const {
        static const unsigned char kNothing = 0;
        if (position >= wholeSize_) {
            delivered = 0;
            return &kNothing;
        }
        const auto offset = static_cast<std::size_t>(position);
        delivered = std::min(size, wholeSize_ - offset);
        return wholeBytes_ + offset;
    }

    // Reads the open stream whole with `read` when it is small enough; bytes it does not deliver
    // are not there, as for any read. Left as it was when the size cannot be told or is 0.
    template <class Read>
    void readWholeFile(Read read) {
        const std::uint64_t size = fileSize();
        if (size == 0 || size > kWholeFileBytes) return;
        // Not value-initialised: every byte kept is overwritten by the read.
        owned_.reset(new unsigned char[size]);
        whole_ = true;
        wholeBytes_ = owned_.get();
        wholeSize_ = read(0, owned_.get(), static_cast<std::size_t>(size));
    }

    // The open stream's size in bytes, asked of the system once per opening; 0 when it cannot be
    // told (or is not a regular file).
    std::uint64_t fileSize() {
        if (fileSize_ == kUnknownSize) fileSize_ = streamSize();
        return fileSize_;
    }

    std::uint64_t streamSize() const {
        if (file_ == nullptr) return 0;
#if defined(_WIN32)
        if (std::fseek(file_, 0, SEEK_END) != 0) return 0;
        const long end = std::ftell(file_);
        return end > 0 ? static_cast<std::uint64_t>(end) : 0;
#else
        // One system call, where the stream's seek to the end would take several.
        struct stat status {};
        if (::fstat(fileno(file_), &status) != 0 || !S_ISREG(status.st_mode) ||
            status.st_size <= 0) {
            return 0;
        }
        return static_cast<std::uint64_t>(status.st_size);
#endif
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

    // Every font file we ship is smaller; a copy of this much costs about what 20 reads do.
    static constexpr std::size_t kWholeFileBytes = std::size_t{1} << 20;

    // Block headers (60 bytes in file A, fewer in file Z) are no longer.
    static constexpr std::size_t kLoneReadBytes = 64;

    static constexpr std::uint64_t kUnknownSize = ~std::uint64_t{0};

    // 256 records of the longest kind (1279 bytes in file A) fit several times over.
    static constexpr std::size_t kMaxArenaBytes = std::size_t{1} << 20;

    std::FILE* file_ = nullptr;
    bool whole_ = false;  // every read served from wholeBytes_
    const unsigned char* wholeBytes_ = nullptr;
    std::size_t wholeSize_ = 0;
    FontCache::FileBytes bytes_;              // the cache's copy, kept alive while served
    std::unique_ptr<unsigned char[]> owned_;  // a file read whole for this opening
    int windowReads_ = 0;
    std::uint64_t fileSize_ = kUnknownSize;
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

// txr::FontCache: font files kept in memory between calls, for hosts that render many texts.
//
// A host opts in by handing one cache to any number of CTXR objects (CTXR::UseCache, or
// txr_use_cache in the C API). Without a cache nothing changes: every call opens, reads and
// closes its font file. With one:
// - A font file is read whole the first time a call needs it and kept; later calls read from
//   memory. Every call first looks the file up by path (one stat): when its device, inode, size
//   or modification time (in nanoseconds where the system keeps them) differ from the copy's, the
//   file is read afresh, so a file replaced or rewritten between two calls is always seen.
//   Windows keeps no inode and the C runtime gives whole seconds: there a file rewritten or
//   replaced within the same second by one of the same size is not seen; call clear() after
//   replacing font files in place.
// - What it holds is bounded by a byte limit the host sets: when a new font would exceed it, the
//   fonts used least recently are dropped first. A file larger than the limit is not kept; calls
//   read it as they would without a cache. A dropped font still in use by a call stays alive until
//   that call ends.
// - Anything that is not a regular file (missing, a directory, unreadable) is not kept either:
//   the call falls back to the uncached path, so every result is the same as without a cache.
// - Many threads may share one cache, each with its own CTXR. The cache must outlive every CTXR
//   that uses it (or their UseCache(nullptr)).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "txr/export.h"

namespace txr {

class TXR_API FontCache {
  public:
    // The bytes of one font file as read, shared with the calls reading it.
    using FileBytes = std::shared_ptr<const std::vector<unsigned char>>;

    static constexpr std::size_t kDefaultByteLimit = std::size_t{64} << 20;

    explicit FontCache(std::size_t byteLimit = kDefaultByteLimit);
    FontCache(const FontCache&) = delete;
    FontCache& operator=(const FontCache&) = delete;
    ~FontCache();

    std::size_t byteLimit() const;
    // Lowers or raises the limit; fonts over a lowered one are dropped at once.
    void setByteLimit(std::size_t byteLimit);
    // Bytes of font files held now (never above byteLimit()), and how many files.
    std::size_t bytesHeld() const;
    std::size_t filesHeld() const;
    // Drops every font held.
    void clear();

    // The file at `path` as it is now: from memory when the copy held is still the file there,
    // else read afresh (and kept when it fits). Null when it is not a regular file that could be
    // read whole, or is larger than the limit: the caller then reads the file itself.
    FileBytes fetch(const std::string& path);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace txr

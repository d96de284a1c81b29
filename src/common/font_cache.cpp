// txr::FontCache: whole font files held in memory, checked against the file system on each fetch
// and dropped least recently used first when they would exceed the byte limit.
#include "txr/font_cache.h"

#include <sys/stat.h>

#include <cstdio>
#include <list>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "common/short_hold_mutex.h"

namespace txr {

namespace {

// What tells one file from another at a path: a replaced file has another inode (or device), a
// file rewritten in place another size or modification time.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;

    bool operator==(const FileIdentity& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modifiedSeconds == other.modifiedSeconds &&
               modifiedNanoseconds == other.modifiedNanoseconds;
    }
    bool operator!=(const FileIdentity& other) const { return !(*this == other); }
};

#if defined(_WIN32)
// Windows keeps no inode and gives whole seconds here; size and time still tell most rewrites.
using StatBuffer = struct _stat64;
bool regularIdentity(const StatBuffer& status, FileIdentity& identity) {
    if ((status.st_mode & _S_IFMT) != _S_IFREG || status.st_size < 0) return false;
    // _stat gives the drive's number as the device and _fstat gives 0: not comparable.
    identity.device = 0;
    identity.inode = static_cast<std::uint64_t>(status.st_ino);
    identity.size = static_cast<std::uint64_t>(status.st_size);
    identity.modifiedSeconds = static_cast<std::int64_t>(status.st_mtime);
    return true;
}
bool identityAt(const std::string& path, FileIdentity& identity) {
    StatBuffer status{};
    return _stat64(path.c_str(), &status) == 0 && regularIdentity(status, identity);
}
bool identityOf(std::FILE* file, FileIdentity& identity) {
    StatBuffer status{};
    return _fstat64(_fileno(file), &status) == 0 && regularIdentity(status, identity);
}
#else
bool regularIdentity(const struct stat& status, FileIdentity& identity) {
    if (!S_ISREG(status.st_mode) || status.st_size < 0) return false;
    identity.device = static_cast<std::uint64_t>(status.st_dev);
    identity.inode = static_cast<std::uint64_t>(status.st_ino);
    identity.size = static_cast<std::uint64_t>(status.st_size);
    identity.modifiedSeconds = static_cast<std::int64_t>(status.st_mtim.tv_sec);
    identity.modifiedNanoseconds = static_cast<std::int64_t>(status.st_mtim.tv_nsec);
    return true;
}
bool identityAt(const std::string& path, FileIdentity& identity) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && regularIdentity(status, identity);
}
bool identityOf(std::FILE* file, FileIdentity& identity) {
    struct stat status {};
    return ::fstat(fileno(file), &status) == 0 && regularIdentity(status, identity);
}
#endif

// The file at `path` read whole, provided it is still the file `expected` describes before and
// after the read (a file changing under us is left to the caller to read itself).
FontCache::FileBytes readWhole(const std::string& path, const FileIdentity& expected) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return nullptr;
    auto bytes = std::make_shared<std::vector<unsigned char>>();
    FileIdentity before;
    FileIdentity after;
    bool whole = identityOf(file, before) && before == expected;
    if (whole) {
        bytes->resize(static_cast<std::size_t>(expected.size));
        whole = std::fread(bytes->data(), 1, bytes->size(), file) == bytes->size() &&
                std::fgetc(file) == EOF && identityOf(file, after) && after == expected;
    }
    std::fclose(file);
    if (!whole) return nullptr;
    return bytes;
}

}  // namespace

struct FontCache::State {
    struct Entry {
        FileIdentity identity;
        FileBytes bytes;
        std::list<std::string>::iterator recency;
    };

    // Drops the least recently used fonts until the rest fit the limit.
    void evictOver(std::size_t limit) {
        while (bytesHeld > limit && !recency.empty()) {
            const auto oldest = entries.find(recency.back());
            bytesHeld -= oldest->second.bytes->size();
            entries.erase(oldest);
            recency.pop_back();
        }
    }
    void erase(std::unordered_map<std::string, Entry>::iterator entry) {
        bytesHeld -= entry->second.bytes->size();
        recency.erase(entry->second.recency);
        entries.erase(entry);
    }

    mutable ShortHoldMutex mutex;
    std::size_t byteLimit = 0;
    std::size_t bytesHeld = 0;
    std::unordered_map<std::string, Entry> entries;
    std::list<std::string> recency;  // paths, most recently used first
};

FontCache::FontCache(std::size_t byteLimit) : state_(std::make_unique<State>()) {
    state_->byteLimit = byteLimit;
}

FontCache::~FontCache() = default;

std::size_t FontCache::byteLimit() const {
    const std::lock_guard<ShortHoldMutex> lock(state_->mutex);
    return state_->byteLimit;
}

void FontCache::setByteLimit(std::size_t byteLimit) {
    const std::lock_guard<ShortHoldMutex> lock(state_->mutex);
    state_->byteLimit = byteLimit;
    state_->evictOver(byteLimit);
}

std::size_t FontCache::bytesHeld() const {
    const std::lock_guard<ShortHoldMutex> lock(state_->mutex);
    return state_->bytesHeld;
}

std::size_t FontCache::filesHeld() const {
    const std::lock_guard<ShortHoldMutex> lock(state_->mutex);
    return state_->entries.size();
}

void FontCache::clear() {
    const std::lock_guard<ShortHoldMutex> lock(state_->mutex);
    state_->evictOver(0);
}

FontCache::FileBytes FontCache::fetch(const std::string& path) {
    FileIdentity now;
    if (!identityAt(path, now)) return nullptr;
    State& state = *state_;
    {
        const std::lock_guard<ShortHoldMutex> lock(state.mutex);
        const auto found = state.entries.find(path);
        if (found != state.entries.end()) {
            if (found->second.identity == now) {
                state.recency.splice(state.recency.begin(), state.recency, found->second.recency);
                return found->second.bytes;
            }
            state.erase(found);  // stale: never served again
        }
        if (now.size > state.byteLimit) return nullptr;
    }
    // Read without the lock, so that other threads' hits do not wait for the disk.
    FileBytes bytes = readWhole(path, now);
    if (!bytes) return nullptr;
    const std::lock_guard<ShortHoldMutex> lock(state.mutex);
    if (bytes->size() > state.byteLimit) return bytes;  // the limit fell meanwhile: serve, not keep
    const auto found = state.entries.find(path);
    if (found != state.entries.end()) state.erase(found);
    state.recency.push_front(path);
    state.entries.emplace(path, State::Entry{now, bytes, state.recency.begin()});
    state.bytesHeld += bytes->size();
    state.evictOver(state.byteLimit);
    return bytes;
}

}  // namespace txr

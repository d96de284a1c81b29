// CFile's system calls over the C library's binary streams, and the errno values its failures
// raise.
#include "platform/file_calls.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <string>
#include <utility>

namespace {

// errno of the call that just failed, or `fallback` when the C library left none.
int lastError(int fallback) {
    return errno != 0 ? errno : fallback;
}

// True when `file` is open on a directory (fopen of a directory for reading succeeds on POSIX).
bool isDirectory(std::FILE* file) {
    struct stat status {};
    return fstat(fileno(file), &status) == 0 && S_ISDIR(status.st_mode);
}

// fopen with `existing`, and with `missing` when the file is not there yet.
std::FILE* openOrCreate(const char* fileName, const char* existing, const char* missing) {
    std::FILE* file = std::fopen(fileName, existing);
    if (file == nullptr && errno == ENOENT) file = std::fopen(fileName, missing);
    return file;
}

// A short name, new in the directory of `path`: ".txr" and six letters or digits, so that a file
// name up to the system's limit still has room beside it.
std::string temporaryNameBeside(const std::string& path) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 generator{std::random_device{}()};
    const std::size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    name += ".txr";
    for (int i = 0; i < 6; ++i) name += kLetters[generator() % (sizeof kLetters - 1)];
    return name;
}

// write() of all `size` bytes; false with errno set when one fails.
bool writeAll(int file, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(file, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = ENOSPC;
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

[[noreturn]] void throwAfter(int file, const std::string& removed, int osError, const char* path) {
    if (file >= 0) ::close(file);
    if (!removed.empty()) ::unlink(removed.c_str());
    CFileException::ThrowOsError(osError, path);
}

// Writes over the file itself: for devices and FIFOs (never waiting for a reader), and where the
// directory takes no new file. A regular file written half way is removed, as it holds neither
// the old bytes nor the new.
void writeInPlace(const std::string& target, const void* data, std::size_t size, const char* path) {
    const int file =
        ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    if (file < 0) CFileException::ThrowOsError(lastError(EINVAL), path);
    struct stat status {};
    const bool regular = fstat(file, &status) == 0 && S_ISREG(status.st_mode);
    fcntl(file, F_SETFL, fcntl(file, F_GETFL) & ~O_NONBLOCK);
    if (!writeAll(file, data, size)) throwAfter(file, regular ? target : "", errno, path);
    if (::close(file) != 0) throwAfter(-1, regular ? target : "", errno, path);
}

// Opens a new temporary file beside `target`; -1 with errno set when the directory refuses one.
int createTemporaryBeside(const std::string& target, mode_t mode, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = temporaryNameBeside(target);
        const int file =
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (file >= 0 || errno != EEXIST) return file;
    }
    return -1;
}

}  // namespace

int CFileException::OsErrorToException(LONG osError) {
    switch (osError) {
        case ENOENT:
            return fileNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return accessDenied;
        case ENOTDIR:
        case ENAMETOOLONG:
            return badPath;
        case EMFILE:
            return tooManyOpenFiles;
        case ENOSPC:
            return diskFull;
        default:
            return genericException;
    }
}

namespace txr {

namespace {

// What the last lstat of followLinks found at the name it returns.
enum class LinkEnd { missing, file, unknown };

// followLinks, telling also what is at the name it returns (`status` when `end` is file), so
// that the caller need not look again.
std::string followLinks(std::string path, struct stat& status, LinkEnd& end) {
    end = LinkEnd::unknown;
    for (int hops = 0; hops < 40; ++hops) {
        if (lstat(path.c_str(), &status) != 0) {
            end = LinkEnd::missing;
            return path;
        }
        if (!S_ISLNK(status.st_mode)) {
            end = LinkEnd::file;  // not a link: its lstat is its stat
            return path;
        }
        char target[4096];
        const ssize_t length = readlink(path.c_str(), target, sizeof target);
        if (length <= 0 || static_cast<std::size_t>(length) == sizeof target) return path;
        const std::string link(target, static_cast<std::size_t>(length));
        const std::size_t slash = path.rfind('/');
        path =
            link[0] == '/' || slash == std::string::npos ? link : path.substr(0, slash + 1) + link;
    }
    return path;
}

}  // namespace

// The file a path names once symbolic links are followed, as many as the kernel follows. A
// dangling link names its missing target, which writing then creates.
std::string followLinks(std::string path) {
    struct stat status {};
    LinkEnd end = LinkEnd::unknown;
    return followLinks(std::move(path), status, end);
}

const LONG kNoFileNameError = EINVAL;
const LONG kBadOpenFlagsError = EINVAL;

FileHandle openFile(const char* fileName, const OpenMode& mode, LONG& osError) {
    errno = 0;
    std::FILE* file = nullptr;
    if (!mode.write) {
        file = std::fopen(fileName, "rb");
    } else if (mode.truncate) {
        file = std::fopen(fileName, mode.read ? "w+b" : "wb");
    } else if (mode.create) {
        file = openOrCreate(fileName, "r+b", mode.read ? "w+b" : "wb");
    } else {
        file = std::fopen(fileName, "r+b");
    }
    if (file == nullptr) {
        osError = lastError(EINVAL);
        return nullptr;
    }
    if (isDirectory(file)) {
        std::fclose(file);
        osError = EISDIR;
        return nullptr;
    }
    return file;
}

UINT readFile(FileHandle file, void* buffer, UINT count, const char* path) {
    errno = 0;
    const std::size_t read = std::fread(buffer, 1, count, file);
    if (read < count && std::ferror(file)) {
        std::clearerr(file);
        CFileException::ThrowOsError(lastError(EIO), path);
    }
    return static_cast<UINT>(read);
}

void writeFile(FileHandle file, const void* buffer, UINT count, const char* path) {
    errno = 0;
    if (std::fwrite(buffer, 1, count, file) != count) {
        std::clearerr(file);
        CFileException::ThrowOsError(lastError(EIO), path);
    }
}

void closeFile(FileHandle file, const char* path) {
    errno = 0;
    const bool flushed = std::fflush(file) == 0;
    const int flushError = lastError(EIO);
    const bool closed = std::fclose(file) == 0;
    if (!flushed) CFileException::ThrowOsError(flushError, path);
    if (!closed) CFileException::ThrowOsError(lastError(EIO), path);
}

void abandonFile(FileHandle file) {
    std::fclose(file);
}

ULONGLONG fileLength(FileHandle file) {
    std::fpos_t position;
    if (std::fgetpos(file, &position) != 0) return 0;
    const bool atEnd = std::fseek(file, 0, SEEK_END) == 0;
    const long length = atEnd ? std::ftell(file) : -1;
    std::fsetpos(file, &position);
    return length < 0 ? 0 : static_cast<ULONGLONG>(length);
}

std::string systemErrorText(long osError) {
    return std::strerror(static_cast<int>(osError));
}

std::FILE* openFontFile(const char* path) {
    const int file = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) return nullptr;
    struct stat status {};
    if (fstat(file, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(file);
        return nullptr;
    }
    // O_NONBLOCK stays: reads of a regular file never wait whatever it says.
    std::FILE* stream = fdopen(file, "rb");
    if (stream == nullptr) ::close(file);
    return stream;
}

void replaceFileWhole(const char* path, const void* data, std::size_t size) {
    struct stat existing {};
    LinkEnd end = LinkEnd::unknown;
    const std::string target = followLinks(path, existing, end);
    const bool exists =
        end == LinkEnd::file || (end == LinkEnd::unknown && stat(target.c_str(), &existing) == 0);
    if (exists && S_ISDIR(existing.st_mode)) CFileException::ThrowOsError(EISDIR, path);
    if (exists && !S_ISREG(existing.st_mode)) return writeInPlace(target, data, size, path);
    // A new file gets the usual 0666 less the umask, as fopen would give it; a replacement starts
    // with the old file's permission bits less write for others, usually all that is left to set.
    std::string temporary;
    const int file =
        createTemporaryBeside(target, exists ? existing.st_mode & 0755 : 0666, temporary);
    if (file < 0) {
        const int error = errno;
        if (error == EACCES || error == EPERM || error == EROFS || error == ENAMETOOLONG) {
            return writeInPlace(target, data, size, path);
        }
        CFileException::ThrowOsError(error, path);
    }
    struct stat made {};
    if (exists &&
        (fstat(file, &made) != 0 || made.st_uid != existing.st_uid ||
         made.st_gid != existing.st_gid || (made.st_mode & 07777) != (existing.st_mode & 07777))) {
        // Owner first: changing it clears the set-user-ID bits that the mode then restores.
        if (fchown(file, existing.st_uid, existing.st_gid) != 0) errno = 0;
        if (fchmod(file, existing.st_mode & 07777) != 0) errno = 0;
    }
    if (!writeAll(file, data, size) || fsync(file) != 0) throwAfter(file, temporary, errno, path);
    if (::close(file) != 0) throwAfter(-1, temporary, errno, path);
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        throwAfter(-1, temporary, errno, path);
    }
}

StagingFileHold::StagingFileHold(const char* path)
    : inProcess_([]() -> std::mutex& {
          static std::mutex mutex;
          return mutex;
      }()),
      path_(path),
      file_(-1) {
    // The file locked must still be the one at the name: the call before may have removed it
    // while this one waited for the lock.
    for (;;) {
        const int file = ::open(path, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
        if (file < 0) CFileException::ThrowOsError(lastError(EINVAL), path);
        struct stat held {};
        // One name only: a hard link would let the name's owner aim the write at another file.
        if (fstat(file, &held) != 0 || !S_ISREG(held.st_mode) || held.st_nlink > 1) {
            throwAfter(file, "", EACCES, path);
        }
        while (flock(file, LOCK_EX) != 0) {
            if (errno != EINTR) throwAfter(file, "", errno, path);
        }
        struct stat named {};
        if (lstat(path, &named) == 0 && named.st_dev == held.st_dev &&
            named.st_ino == held.st_ino) {
            fcntl(file, F_SETFL, fcntl(file, F_GETFL) & ~O_NONBLOCK);
            file_ = file;
            return;
        }
        ::close(file);
    }
}

StagingFileHold::~StagingFileHold() {
    struct stat held {};
    struct stat named {};
    if (fstat(file_, &held) == 0 && lstat(path_, &named) == 0 && named.st_dev == held.st_dev &&
        named.st_ino == held.st_ino) {
        ::unlink(path_);
    }
    ::close(file_);
}

void StagingFileHold::write(const void* data, std::size_t size) {
    if (ftruncate(file_, 0) != 0 || lseek(file_, 0, SEEK_SET) != 0 ||
        !writeAll(file_, data, size)) {
        CFileException::ThrowOsError(lastError(EIO), path_);
    }
}

}  // namespace txr

// CFile's system calls over the C library's binary streams, and the errno values its failures
// raise.
#include "platform/file_calls.h"

#include <stdio.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

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

}  // namespace txr

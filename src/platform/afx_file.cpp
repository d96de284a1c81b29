// CFile over the C library's binary streams, and the errno values its failures raise.
#include <cerrno>

#include "platform/file_status.h"
#include "txr/platform/afx.h"

namespace {

// errno of the call that just failed, or `fallback` when the C library left none.
int lastError(int fallback) {
    return errno != 0 ? errno : fallback;
}

void fillError(CFileException* error, int osError, const char* fileName) {
    if (error == nullptr) return;
    error->m_cause = CFileException::OsErrorToException(osError);
    error->m_lOsError = osError;
    error->m_strFileName = fileName;
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

CFile::CFile(const char* fileName, UINT openFlags) {
    CFileException error;
    if (!Open(fileName, openFlags, &error)) {
        throw new CFileException(error.m_cause, error.m_lOsError, fileName);
    }
}

CFile::~CFile() {
    Abort();
}

// modeCreate truncates unless modeNoTruncate is given; with modeRead it opens for reading and
// writing, since a created file must be writable.
BOOL CFile::Open(const char* fileName, UINT openFlags, CFileException* error) {
    Abort();
    if (fileName == nullptr) {
        if (error != nullptr) {
            error->m_cause = CFileException::badPath;
            error->m_lOsError = EINVAL;
            error->m_strFileName.Empty();
        }
        return FALSE;
    }
    const UINT access = openFlags & 0x3;
    const bool create = (openFlags & modeCreate) != 0;
    const bool truncate = create && (openFlags & modeNoTruncate) == 0;
    errno = 0;
    std::FILE* file = nullptr;
    if (access == modeRead && !create) {
        file = std::fopen(fileName, "rb");
    } else if (access == modeWrite && truncate) {
        file = std::fopen(fileName, "wb");
    } else if (access == modeWrite && create) {
        file = openOrCreate(fileName, "r+b", "wb");
    } else if (access <= modeReadWrite && truncate) {
        file = std::fopen(fileName, "w+b");
    } else if (access <= modeReadWrite && create) {
        file = openOrCreate(fileName, "r+b", "w+b");
    } else if (access <= modeReadWrite) {
        file = std::fopen(fileName, "r+b");
    } else {
        errno = EINVAL;
    }
    if (file == nullptr) {
        fillError(error, lastError(EINVAL), fileName);
        return FALSE;
    }
    if (txr::isDirectory(file)) {
        std::fclose(file);
        fillError(error, EISDIR, fileName);
        return FALSE;
    }
    file_ = file;
    path_ = fileName;
    return TRUE;
}

UINT CFile::Read(void* buffer, UINT count) {
    if (file_ == nullptr) throw new CFileException(CFileException::invalidFile, -1, path_);
    if (count == 0) return 0;
    errno = 0;
    const std::size_t read = std::fread(buffer, 1, count, file_);
    if (read < count && std::ferror(file_)) {
        std::clearerr(file_);
        CFileException::ThrowOsError(lastError(EIO), path_);
    }
    return static_cast<UINT>(read);
}

void CFile::Write(const void* buffer, UINT count) {
    if (file_ == nullptr) throw new CFileException(CFileException::invalidFile, -1, path_);
    if (count == 0) return;
    errno = 0;
    if (std::fwrite(buffer, 1, count, file_) != count) {
        std::clearerr(file_);
        CFileException::ThrowOsError(lastError(EIO), path_);
    }
}

void CFile::Close() {
    if (file_ == nullptr) return;
    errno = 0;
    const bool flushed = std::fflush(file_) == 0;
    const int flushError = lastError(EIO);
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!flushed) CFileException::ThrowOsError(flushError, path_);
    if (!closed) CFileException::ThrowOsError(lastError(EIO), path_);
}

void CFile::Abort() {
    if (file_ == nullptr) return;
    std::fclose(file_);
    file_ = nullptr;
}

ULONGLONG CFile::GetLength() const {
    if (file_ == nullptr) return 0;
    std::fpos_t position;
    if (std::fgetpos(file_, &position) != 0) return 0;
    const bool atEnd = std::fseek(file_, 0, SEEK_END) == 0;
    const long length = atEnd ? std::ftell(file_) : -1;
    std::fsetpos(file_, &position);
    return length < 0 ? 0 : static_cast<ULONGLONG>(length);
}

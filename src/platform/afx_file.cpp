// CFile on every system: its argument checks, what its open flags ask for and the bookkeeping of
// the open file. The system calls are in file_calls.cpp and win32/file_calls.cpp.
#include "platform/file_calls.h"
#include "txr/platform/afx.h"

namespace {

void fillError(CFileException* error, LONG osError, const char* fileName) {
    if (error == nullptr) return;
    error->m_cause = CFileException::OsErrorToException(osError);
    error->m_lOsError = osError;
    error->m_strFileName = fileName;
}

}  // namespace

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
            error->m_lOsError = txr::kNoFileNameError;
            error->m_strFileName.Empty();
        }
        return FALSE;
    }
    const UINT access = openFlags & 0x3;
    if (access > modeReadWrite) {
        fillError(error, txr::kBadOpenFlagsError, fileName);
        return FALSE;
    }
    txr::OpenMode mode;
    mode.create = (openFlags & modeCreate) != 0;
    mode.truncate = mode.create && (openFlags & modeNoTruncate) == 0;
    mode.read = access != modeWrite;
    mode.write = access != modeRead || mode.create;
    LONG osError = 0;
    const txr::FileHandle file = txr::openFile(fileName, mode, osError);
    if (file == nullptr) {
        fillError(error, osError, fileName);
        return FALSE;
    }
    file_ = file;
    path_ = fileName;
    return TRUE;
}

UINT CFile::Read(void* buffer, UINT count) {
    if (file_ == nullptr) throw new CFileException(CFileException::invalidFile, -1, path_);
    if (count == 0) return 0;
    return txr::readFile(file_, buffer, count, path_);
}

void CFile::Write(const void* buffer, UINT count) {
    if (file_ == nullptr) throw new CFileException(CFileException::invalidFile, -1, path_);
    if (count == 0) return;
    txr::writeFile(file_, buffer, count, path_);
}

void CFile::Close() {
    if (file_ == nullptr) return;
    const txr::FileHandle file = file_;
    file_ = nullptr;
    txr::closeFile(file, path_);
}

void CFile::Abort() {
    if (file_ == nullptr) return;
    txr::abandonFile(file_);
    file_ = nullptr;
}

ULONGLONG CFile::GetLength() const {
    return file_ == nullptr ? 0 : txr::fileLength(file_);
}

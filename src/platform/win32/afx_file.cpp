// CFile over Windows file handles, and the GetLastError values its failures raise.
#include <string>

#include "platform/file_status.h"
#include "txr/platform/afx.h"

namespace {

void fillError(CFileException* error, DWORD osError, const char* fileName) {
    if (error == nullptr) return;
    error->m_cause = CFileException::OsErrorToException(static_cast<LONG>(osError));
    error->m_lOsError = static_cast<LONG>(osError);
    error->m_strFileName = fileName;
}

// GetLastError of the call that just failed, or `fallback` when it left none.
DWORD lastError(DWORD fallback) {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : fallback;
}

}  // namespace

namespace txr {

std::string systemErrorText(long osError) {
    char text[256] = {};
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(osError), 0, text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == '.' || message.back() == ' ')) {
        message.pop_back();
    }
    return message.empty() ? "system error " + std::to_string(osError) : message;
}

}  // namespace txr

int CFileException::OsErrorToException(LONG osError) {
    switch (osError) {
        case ERROR_FILE_NOT_FOUND:
            return fileNotFound;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_DIRECTORY:
            return badPath;
        case ERROR_TOO_MANY_OPEN_FILES:
            return tooManyOpenFiles;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return accessDenied;
        case ERROR_INVALID_HANDLE:
            return invalidFile;
        case ERROR_CURRENT_DIRECTORY:
            return removeCurrentDir;
        case ERROR_CANNOT_MAKE:
            return directoryFull;
        case ERROR_SEEK:
        case ERROR_NEGATIVE_SEEK:
            return badSeek;
        case ERROR_SHARING_VIOLATION:
            return sharingViolation;
        case ERROR_LOCK_VIOLATION:
            return lockViolation;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return diskFull;
        case ERROR_HANDLE_EOF:
            return endOfFile;
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

// As with the C library's streams elsewhere: modeCreate truncates unless modeNoTruncate is
// given, a created file is always writable, and others may read, write and delete the file
// while it is open.
BOOL CFile::Open(const char* fileName, UINT openFlags, CFileException* error) {
    Abort();
    if (fileName == nullptr) {
        if (error != nullptr) {
            error->m_cause = CFileException::badPath;
            error->m_lOsError = ERROR_INVALID_NAME;
            error->m_strFileName.Empty();
        }
        return FALSE;
    }
    const UINT access = openFlags & 0x3;
    const bool create = (openFlags & modeCreate) != 0;
    if (access > modeReadWrite) {
        fillError(error, ERROR_INVALID_PARAMETER, fileName);
        return FALSE;
    }
    DWORD desired = access == modeRead ? GENERIC_READ : GENERIC_WRITE;
    if (access == modeReadWrite || (create && access == modeRead)) {
        desired = GENERIC_READ | GENERIC_WRITE;
    }
    DWORD disposition = OPEN_EXISTING;
    if (create) disposition = (openFlags & modeNoTruncate) != 0 ? OPEN_ALWAYS : CREATE_ALWAYS;
    HANDLE file =
        CreateFileA(fileName, desired, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        fillError(error, lastError(ERROR_INVALID_PARAMETER), fileName);
        return FALSE;
    }
    file_ = file;
    path_ = fileName;
    return TRUE;
}

UINT CFile::Read(void* buffer, UINT count) {
    if (file_ == nullptr) throw new CFileException(CFileException::invalidFile, -1, path_);
    if (count == 0) return 0;
    DWORD read = 0;
    if (!ReadFile(file_, buffer, count, &read, nullptr)) {
        CFileException::ThrowOsError(static_cast<LONG>(lastError(ERROR_READ_FAULT)), path_);
    }
    return read;
}

void CFile::Write(const void* buffer, UINT count) {
    if (file_ == nullptr) throw new CFileException(CFileException::invalidFile, -1, path_);
    if (count == 0) return;
    DWORD written = 0;
    if (!WriteFile(file_, buffer, count, &written, nullptr)) {
        CFileException::ThrowOsError(static_cast<LONG>(lastError(ERROR_WRITE_FAULT)), path_);
    }
    if (written != count) CFileException::ThrowOsError(ERROR_DISK_FULL, path_);
}

void CFile::Close() {
    if (file_ == nullptr) return;
    HANDLE file = file_;
    file_ = nullptr;
    if (!CloseHandle(file)) {
        CFileException::ThrowOsError(static_cast<LONG>(lastError(ERROR_WRITE_FAULT)), path_);
    }
}

void CFile::Abort() {
    if (file_ == nullptr) return;
    CloseHandle(file_);
    file_ = nullptr;
}

ULONGLONG CFile::GetLength() const {
    LARGE_INTEGER size{};
    if (file_ == nullptr || !GetFileSizeEx(file_, &size)) return 0;
    return static_cast<ULONGLONG>(size.QuadPart);
}

// CFile's system calls over Windows file handles, and the GetLastError values its failures raise.
#include "platform/file_calls.h"

#include <string>

namespace {

// GetLastError of the call that just failed, or `fallback` when it left none.
DWORD lastError(DWORD fallback) {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : fallback;
}

}  // namespace

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

namespace txr {

const LONG kNoFileNameError = ERROR_INVALID_NAME;
const LONG kBadOpenFlagsError = ERROR_INVALID_PARAMETER;

// As with the C library's streams elsewhere, others may read, write and delete the file while it
// is open.
FileHandle openFile(const char* fileName, const OpenMode& mode, LONG& osError) {
    DWORD desired = 0;
    if (mode.read) desired |= GENERIC_READ;
    if (mode.write) desired |= GENERIC_WRITE;
    DWORD disposition = OPEN_EXISTING;
    if (mode.create) disposition = mode.truncate ? CREATE_ALWAYS : OPEN_ALWAYS;
    HANDLE file =
        CreateFileA(fileName, desired, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        osError = static_cast<LONG>(lastError(ERROR_INVALID_PARAMETER));
        return nullptr;
    }
    return file;
}

UINT readFile(FileHandle file, void* buffer, UINT count, const char* path) {
    DWORD read = 0;
    if (!ReadFile(file, buffer, count, &read, nullptr)) {
        CFileException::ThrowOsError(static_cast<LONG>(lastError(ERROR_READ_FAULT)), path);
    }
    return read;
}

void writeFile(FileHandle file, const void* buffer, UINT count, const char* path) {
    DWORD written = 0;
    if (!WriteFile(file, buffer, count, &written, nullptr)) {
        CFileException::ThrowOsError(static_cast<LONG>(lastError(ERROR_WRITE_FAULT)), path);
    }
    if (written != count) CFileException::ThrowOsError(ERROR_DISK_FULL, path);
}

void closeFile(FileHandle file, const char* path) {
    if (!CloseHandle(file)) {
        CFileException::ThrowOsError(static_cast<LONG>(lastError(ERROR_WRITE_FAULT)), path);
    }
}

void abandonFile(FileHandle file) {
    CloseHandle(file);
}

ULONGLONG fileLength(FileHandle file) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) return 0;
    return static_cast<ULONGLONG>(size.QuadPart);
}

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

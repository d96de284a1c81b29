// CFile's system calls over Windows file handles, and the GetLastError values its failures raise.
#include "platform/file_calls.h"

#include <io.h>

#include <cstdio>
#include <string>

namespace {

// The file a path names once symbolic links are followed; the path itself when it names nothing
// yet or the system cannot tell.
std::string followLinks(const char* path) {
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return path;
    char target[MAX_PATH + 8] = {};
    const DWORD length = GetFinalPathNameByHandleA(file, target, MAX_PATH, FILE_NAME_NORMALIZED);
    CloseHandle(file);
    if (length == 0 || length >= MAX_PATH) return path;
    return target;
}

bool writeAll(HANDLE file, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, bytes, chunk, &written, nullptr)) return false;
        if (written == 0) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        bytes += written;
        size -= written;
    }
    return true;
}

// GetLastError of the call that just failed, or `fallback` when it left none.
DWORD lastError(DWORD fallback) {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : fallback;
}

[[noreturn]] void throwAfter(HANDLE file, const std::string& removed, DWORD error,
                             const char* path) {
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (!removed.empty()) DeleteFileA(removed.c_str());
    CFileException::ThrowOsError(static_cast<LONG>(error), path);
}

// Writes over the file itself, where the directory takes no new file; a file written half way
// is removed, as it holds neither the old bytes nor the new.
void writeInPlace(const std::string& target, const void* data, std::size_t size, const char* path) {
    HANDLE file = CreateFileA(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throwAfter(file, "", lastError(ERROR_ACCESS_DENIED), path);
    if (!writeAll(file, data, size)) throwAfter(file, target, lastError(ERROR_WRITE_FAULT), path);
    if (!CloseHandle(file))
        throwAfter(INVALID_HANDLE_VALUE, target, lastError(ERROR_WRITE_FAULT), path);
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

std::FILE* openFontFile(const char* path) {
    std::FILE* stream = std::fopen(path, "rb");
    if (stream == nullptr) return nullptr;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        std::fclose(stream);
        return nullptr;
    }
    return stream;
}

void replaceFileWhole(const char* path, const void* data, std::size_t size) {
    const std::string target = followLinks(path);
    const DWORD existing = GetFileAttributesA(target.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        CFileException::ThrowOsError(ERROR_ACCESS_DENIED, path);
    }
    const std::size_t slash = target.find_last_of("\\/");
    const std::string directory = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    char temporary[MAX_PATH + 16] = {};
    if (target.size() >= MAX_PATH ||
        GetTempFileNameA(directory.c_str(), "txr", 0, temporary) == 0) {
        const DWORD error = lastError(ERROR_ACCESS_DENIED);
        if (error == ERROR_ACCESS_DENIED || error == ERROR_FILENAME_EXCED_RANGE ||
            target.size() >= MAX_PATH) {
            return writeInPlace(target, data, size, path);
        }
        CFileException::ThrowOsError(static_cast<LONG>(error), path);
    }
    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throwAfter(file, temporary, lastError(ERROR_ACCESS_DENIED), path);
    if (!writeAll(file, data, size) || !FlushFileBuffers(file)) {
        throwAfter(file, temporary, lastError(ERROR_WRITE_FAULT), path);
    }
    CloseHandle(file);
    // ReplaceFile keeps the replaced file's attributes and security; a new file is simply moved.
    const DWORD attributes = GetFileAttributesA(target.c_str());
    const bool replaced = attributes != INVALID_FILE_ATTRIBUTES
                              ? ReplaceFileA(target.c_str(), temporary, nullptr,
                                             REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
                              : MoveFileExA(temporary, target.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
    if (!replaced)
        throwAfter(INVALID_HANDLE_VALUE, temporary, lastError(ERROR_ACCESS_DENIED), path);
}

StagingFileHold::StagingFileHold(const char* path)
    : inProcess_([]() -> std::mutex& {
          static std::mutex mutex;
          return mutex;
      }()),
      path_(path),
      file_(INVALID_HANDLE_VALUE) {
    // Other processes are kept out by the share mode; one that holds the file makes this call
    // wait, for up to half a minute. A reparse point (a link) is opened as itself and refused.
    for (int attempt = 0;; ++attempt) {
        file_ = CreateFileA(
            path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
            OPEN_ALWAYS,
            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_DELETE_ON_CLOSE,
            nullptr);
        if (file_ != INVALID_HANDLE_VALUE) break;
        const DWORD error = lastError(ERROR_ACCESS_DENIED);
        const bool busy = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
        if (!busy || attempt >= 3000) CFileException::ThrowOsError(static_cast<LONG>(error), path);
        Sleep(10);
    }
    BY_HANDLE_FILE_INFORMATION information{};
    const DWORD refused = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
    if (GetFileType(file_) != FILE_TYPE_DISK || !GetFileInformationByHandle(file_, &information) ||
        (information.dwFileAttributes & refused) != 0 || information.nNumberOfLinks > 1) {
        CloseHandle(file_);
        CFileException::ThrowOsError(ERROR_ACCESS_DENIED, path);
    }
}

StagingFileHold::~StagingFileHold() {
    CloseHandle(file_);  // removes the file: it was opened to be deleted on close
}

void StagingFileHold::write(const void* data, std::size_t size) {
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file_, start, nullptr, FILE_BEGIN) || !SetEndOfFile(file_) ||
        !writeAll(file_, data, size)) {
        CFileException::ThrowOsError(static_cast<LONG>(lastError(ERROR_WRITE_FAULT)), path_);
    }
}

}  // namespace txr

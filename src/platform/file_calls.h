// The system calls under CFile and CFileException: file_calls.cpp makes them over the C library's
// streams, win32/file_calls.cpp over Windows file handles. What does not depend on the system
// (argument checks, what the open flags ask for, the open file's bookkeeping) is afx_file.cpp.
#pragma once

#include <cstdio>
#include <string>

#include "txr/platform/afx.h"

namespace txr {

#if defined(_WIN32)
using FileHandle = HANDLE;
#else
using FileHandle = std::FILE*;
#endif

// What CFile::Open's flags ask for.
struct OpenMode {
    bool read = false;
    bool write = false;
    bool create = false;    // make the file when it is not there
    bool truncate = false;  // empty a file that is there (only with create)
};

// The system's error numbers for a null file name and for flags that name no access mode:
// errno values here, GetLastError values on Windows.
extern const LONG kNoFileNameError;
extern const LONG kBadOpenFlagsError;

// Opens fileName as `mode` asks; nullptr, with the system's error in osError, when it cannot.
FileHandle openFile(const char* fileName, const OpenMode& mode, LONG& osError);

// Reads up to `count` bytes; a read error throws CFileException* naming `path`.
UINT readFile(FileHandle file, void* buffer, UINT count, const char* path);

// Writes `count` bytes; an error or a short write throws CFileException* naming `path`.
void writeFile(FileHandle file, const void* buffer, UINT count, const char* path);

// Closes the file; data that cannot be written out throws CFileException* naming `path`.
void closeFile(FileHandle file, const char* path);

// Closes the file whatever happens to its data, never throws.
void abandonFile(FileHandle file);

// The file's length in bytes; 0 when the system cannot tell.
ULONGLONG fileLength(FileHandle file);

// The system's own text for an error number: errno here, GetLastError's value on Windows.
std::string systemErrorText(long osError);

}  // namespace txr

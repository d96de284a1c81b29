// The system calls under CFile and CFileException: file_calls.cpp makes them over the C library's
// streams, win32/file_calls.cpp over Windows file handles. What does not depend on the system
// (argument checks, what the open flags ask for, the open file's bookkeeping) is afx_file.cpp.
#pragma once

#include <cstddef>
#include <cstdio>
#include <mutex>
#include <string>

#include "txr/file_paths.h"
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

// Opens a font file for reading: nullptr, as for a missing file, when it is not a regular file
// (a FIFO, a device, a directory). Never waits: a FIFO without a writer would block forever.
std::FILE* openFontFile(const char* path);


// Replaces the file at `path` with `size` bytes so that it is, at every moment, either the old
// file or the whole new one: the bytes go to a short-named temporary file in the same directory,
// flushed to the disk, which is then renamed over the file. A symbolic link at `path` is followed
// and its target replaced; a replaced file keeps its permission bits (and owner where the process
// may set it). Where the directory refuses a new file, and for a target that is not a regular
// file (a device), the bytes are written in place. Throws CFileException* naming `path`; a failed
// write leaves no temporary file, and a file written in place half way is removed.
void replaceFileWhole(const char* path, const void* data, std::size_t size);

#if defined(_WIN32)
using NativeFile = HANDLE;
#else
using NativeFile = int;
#endif

// FontOut's staging file, held by one call at a time: in this process (a lock) and across the
// processes that share its directory (an advisory lock on the file; on Windows a share mode that
// keeps others out). A symbolic link, a FIFO, a directory or any other file that is not a plain
// regular file at the name is refused, never followed or opened for writing. Throws
// CFileException* naming `path` when the file cannot be created or written. The destructor
// removes the name while it still names the file held, then lets the next call in.
class StagingFileHold {
  public:
    explicit StagingFileHold(const char* path);
    StagingFileHold(const StagingFileHold&) = delete;
    StagingFileHold& operator=(const StagingFileHold&) = delete;
    ~StagingFileHold();

    // Empties the file and writes `size` bytes from its start.
    void write(const void* data, std::size_t size);

  private:
    std::unique_lock<std::mutex> inProcess_;
    const char* path_;
    NativeFile file_;
};

}  // namespace txr

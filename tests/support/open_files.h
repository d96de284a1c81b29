// Counting the process's open file descriptors, for tests that a call leaves no file open.
#pragma once

#include "txr/platform/afx.h"

namespace txr::test {

// The CFileException cause of creating a file in a directory that does not exist: Windows
// reports the path as bad, POSIX the file as not found.
#if defined(_WIN32)
constexpr int kMissingDirectoryCause = CFileException::badPath;
#else
constexpr int kMissingDirectoryCause = CFileException::fileNotFound;
#endif

// Open descriptors below 4096 (the standard streams included); on Windows, open kernel handles
// below 8192.
int openFileDescriptors();

}  // namespace txr::test

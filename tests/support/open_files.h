// Files a call leaves open, and the cause of the CFileException a call raises.
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

// Runs `call`; the cause of the CFileException it raised (deleted here), or -1 when none.
template <class Call>
int fileExceptionCause(Call&& call) {
    try {
        call();
    } catch (CFileException* error) {
        const int cause = error->m_cause;
        error->Delete();
        return cause;
    }
    return -1;
}

}  // namespace txr::test

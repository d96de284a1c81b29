// What CFile and its exception need of the operating system beyond the C library's streams.
#pragma once

#include <cstdio>
#include <string>

namespace txr {

// True when `file` is open on a directory (fopen of a directory for reading succeeds on POSIX).
bool isDirectory(std::FILE* file);

// The system's own text for an error number: errno here, GetLastError's value on Windows.
std::string systemErrorText(long osError);

}  // namespace txr
